#include "format/OrdenScripts.h"
#include "format/Herramientas.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

namespace orden {

// The names' sort keys. Collating is most of the cost of a sorted opening: a big category's keys are
// made in two halves at once.
std::vector<QCollatorSortKey> Claves(const QVector<Script> &scripts) {
    const qsizetype n = scripts.size();
    std::vector<std::optional<QCollatorSortKey>> claves(static_cast<size_t>(n));
    const auto hacer = [&](qsizetype desde, qsizetype hasta) {
        for (qsizetype i = desde; i < hasta; ++i)
            claves[size_t(i)].emplace(herramientas::ClaveOrden(scripts.at(i).Nombre));
    };
    if (n >= 8192 && std::thread::hardware_concurrency() > 1) {
        std::thread otra(hacer, n / 2, n);
        hacer(0, n / 2);
        otra.join();
    } else {
        hacer(0, n);
    }
    std::vector<QCollatorSortKey> listas;
    listas.reserve(size_t(n));
    for (auto &c : claves)
        listas.push_back(std::move(*c));
    return listas;
}

int CompararPuntaje(const QString &a, const QString &b) {
    // Scores are numbers: 6 before 10. One that is not a number goes after those that are.
    bool okA = false, okB = false;
    const double x = a.trimmed().toDouble(&okA), y = b.trimmed().toDouble(&okB);
    if (okA != okB)
        return okA ? -1 : 1;
    if (okA && x != y)
        return x < y ? -1 : 1;
    return a.compare(b, Qt::CaseInsensitive);
}

namespace {
QString CampoDe(const Script &s, int columna) {
    switch (columna) {
    case 1: return s.Descripcion;
    case 2: return s.Codigo;
    case 3: return s.Puntaje;
    default: return s.Nombre;
    }
} // namespace
}

// The scripts' places in a column's order, stable.
QVector<int> Permutacion(const QVector<Script> &scripts, int columna, Qt::SortOrder sentido) {
    QVector<int> p(scripts.size());
    std::iota(p.begin(), p.end(), 0);
    const auto ordenar = [&](auto comparar) {
        if (sentido == Qt::AscendingOrder)
            std::stable_sort(p.begin(), p.end(), [&](int a, int b) { return comparar(a, b) < 0; });
        else
            std::stable_sort(p.begin(), p.end(), [&](int a, int b) { return comparar(b, a) < 0; });
    };
    if (columna == 0) {
        const std::vector<QCollatorSortKey> claves = Claves(scripts);
        ordenar([&](int a, int b) { return claves[size_t(a)].compare(claves[size_t(b)]); });
    } else if (columna == 3) {
        ordenar([&](int a, int b) { return CompararPuntaje(scripts.at(a).Puntaje, scripts.at(b).Puntaje); });
    } else {
        ordenar([&](int a, int b) {
            return CampoDe(scripts.at(a), columna).compare(CampoDe(scripts.at(b), columna), Qt::CaseInsensitive);
        });
    }
    return p;
}

QVector<Script> Permutados(const QVector<Script> &scripts, const QVector<int> &p) {
    QVector<Script> r;
    r.reserve(scripts.size());
    for (int i : p)
        r.append(scripts.at(i));
    return r;
}

bool EsIdentidad(const QVector<int> &p) {
    for (int i = 0; i < p.size(); ++i)
        if (p.at(i) != i)
            return false;
    return true;
}

} // namespace orden
