#include "store/Herramientas.h"

#include <QFileInfo>
#include <QHash>
#include <QStringMatcher>

namespace herramientas {

QVector<int> Buscar(const QStringList &nombres, const QString &palabra) {
    QVector<int> r;
    if (palabra.isEmpty())
        return r;
    // One folded skip table for the word, and no lowered copy of every name.
    const QStringMatcher buscador(palabra, Qt::CaseInsensitive);
    for (int i = 0; i < nombres.size(); ++i)
        if (buscador.indexIn(nombres.at(i)) >= 0)
            r.append(i);
    return r;
}

QVector<bool> Sobrevivientes(const QVector<QPair<QString, QString>> &claves, const std::function<void(int)> &avance) {
    QVector<bool> vive(claves.size(), false);
    QHash<QPair<QString, QString>, bool> vistos;
    vistos.reserve(claves.size());
    for (int i = 0; i < claves.size(); ++i) {
        if (!vistos.contains(claves.at(i))) {
            vistos.insert(claves.at(i), true);
            vive[i] = true;
        }
        if (avance && (i % 512 == 511 || i + 1 == claves.size()))
            avance(i + 1);
    }
    return vive;
}

QString NombreImportado(const QString &archivo) {
    const QString nombre = QFileInfo(archivo).fileName();
    const int punto = nombre.indexOf(QLatin1Char('.'));
    return punto < 0 ? nombre : nombre.left(punto);
}

} // namespace herramientas
