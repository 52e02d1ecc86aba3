#pragma once
#include "format/mdlScripts.h"

#include <QCollatorSortKey>
#include <QVector>
#include <vector>

// The orders a category's scripts can be put in: names in Spanish order, scores as numbers, the
// other fields without regard to case; always stable, so equal ones keep their order.
namespace orden {
// The names' sort keys, in the scripts' order.
std::vector<QCollatorSortKey> Claves(const QVector<Script> &scripts);
// Scores compared as numbers; one that is not a number goes after those that are.
int CompararPuntaje(const QString &a, const QString &b);
// The scripts' places in a column's order (0 name, 1 description, 2 code, 3 score).
QVector<int> Permutacion(const QVector<Script> &scripts, int columna, Qt::SortOrder sentido);
QVector<Script> Permutados(const QVector<Script> &scripts, const QVector<int> &p);
bool EsIdentidad(const QVector<int> &p);
} // namespace orden
