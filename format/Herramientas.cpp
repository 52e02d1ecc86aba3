#include "format/Herramientas.h"

#include <QCollator>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <numeric>

namespace herramientas {

namespace {
// Most letters are ASCII: folding them needs no trip to the Unicode tables.
inline char16_t Plegado(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return char16_t(QChar::toCaseFolded(char32_t(c)));
}
} // namespace

QString Plegar(const QString &texto) {
    const char16_t *c = reinterpret_cast<const char16_t *>(texto.constData());
    const qsizetype n = texto.size();
    qsizetype i = 0;
    while (i < n && c[i] == Plegado(c[i]))
        ++i;
    if (i == n)
        return texto;
    QString plegado = texto;
    char16_t *d = reinterpret_cast<char16_t *>(plegado.data());
    for (; i < n; ++i)
        d[i] = Plegado(d[i]);
    return plegado;
}

namespace {
// One per thread: a big list's keys are made on several threads at once.
const QCollator &Colador() {
    static thread_local const QCollator colador = [] {
        QCollator c{QLocale(QLocale::Spanish, QLocale::Spain)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return colador;
}
} // namespace

QCollatorSortKey ClaveOrden(const QString &nombre) { return Colador().sortKey(nombre); }

void OrdenarNombres(QStringList &nombres) {
    std::vector<QCollatorSortKey> claves;
    claves.reserve(size_t(nombres.size()));
    for (const QString &n : nombres)
        claves.push_back(ClaveOrden(n));
    std::vector<int> orden(size_t(nombres.size()));
    std::iota(orden.begin(), orden.end(), 0);
    std::stable_sort(orden.begin(), orden.end(), [&claves](int a, int b) { return claves[a].compare(claves[b]) < 0; });
    QStringList ordenados;
    ordenados.reserve(nombres.size());
    for (int i : orden)
        ordenados.append(nombres.at(i));
    nombres = std::move(ordenados);
}

QVector<int> Buscar(int cuantos, const std::function<QStringView(int)> &plegado, const QString &palabra) {
    QVector<int> r;
    if (palabra.isEmpty())
        return r;
    const QString buscada = Plegar(palabra);
    for (int i = 0; i < cuantos; ++i)
        if (plegado(i).contains(buscada))
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
