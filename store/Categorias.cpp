#include "store/Categorias.h"
#include "core/mdlSistema.h"

#include <QFile>
#include <QFileInfo>

namespace categorias {

bool Rechazado(QChar c) {
    const char16_t u = c.unicode();
    if (u < 32)
        return true;
    return (u >= 33 && u <= 47 && u != 45) || (u >= 58 && u <= 64) || (u >= 91 && u <= 94) ||
           (u >= 123 && u <= 125);
}

QString Filtrar(const QString &texto) {
    QString r;
    r.reserve(texto.size());
    for (QChar c : texto)
        if (!Rechazado(c))
            r.append(c);
    return r;
}

QString LimpiarRenombre(const QString &texto) {
    QString r = texto;
    for (QChar c : {u'"', u'*', u'.', u'/', u':', u'<', u'>', u'?', u'\\', u'|'})
        r.remove(c);
    // Only spaces are trimmed, as the name is otherwise kept exactly as typed.
    qsizetype i = 0, j = r.size();
    while (i < j && r.at(i) == QLatin1Char(' '))
        ++i;
    while (j > i && r.at(j - 1) == QLatin1Char(' '))
        --j;
    return r.mid(i, j - i);
}

Renombre RenombrarArchivo(const QString &origen, const QString &destino, QString *error) {
    if (origen == destino)
        return Renombre::MismoNombre;
    const QFileInfo o(origen);
    if (!o.exists() && !o.isSymLink())
        return Renombre::FaltaOrigen;
    const QFileInfo d(destino);
    // Only the same file under another case may be "replaced" (a case-insensitive disk).
    if ((d.exists() || d.isSymLink()) && !(o.canonicalFilePath() == d.canonicalFilePath() &&
                                           origen.compare(destino, Qt::CaseInsensitive) == 0))
        return Renombre::DestinoExiste;
    QFile f(origen);
    if (!f.rename(destino)) {
        if (error)
            *error = f.errorString();
        return Renombre::Fallo;
    }
    return Renombre::Hecho;
}

bool EsSeudonimo(const QString &nombre) {
    return nombre.compare(QLatin1String("Todas"), Qt::CaseInsensitive) == 0 ||
           nombre.compare(QLatin1String("(Ninguna)"), Qt::CaseInsensitive) == 0;
}

QString AvisoSeudonimo(const QString &nombre) {
    return QStringLiteral("El nombre %1 está reservado: el programa lo usa para referirse a todas las categorías o "
                          "a ninguna. Elija otro nombre.")
        .arg(nombre);
}

bool CopiarArchivo(const QString &origen, const QString &destino, QString *error) {
    const QFileInfo d(destino);
    if (d.exists() || d.isSymLink()) {
        if (error)
            *error = QStringLiteral("Ya existe un archivo con ese nombre");
        return false;
    }
    QFile f(origen);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QByteArray datos = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return mdlSistema::GuardarBytes(destino, datos, error);
}

} // namespace categorias
