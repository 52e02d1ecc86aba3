#pragma once
#include <QCollatorSortKey>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// Rules of the library tools that need no window, so they can be checked and measured on their own.
namespace herramientas {

// The text with each letter case-folded, so that plain comparisons of folded texts disregard case
// (accented capitals included). A text with nothing to fold is given back shared, without a copy.
QString Plegar(const QString &texto);

// The order a Spanish reader expects: letters compared as in Spanish (ñ after n), with neither case nor
// accents deciding unless the names are otherwise equal ("árbol" among the a's). The key is made once
// per name, so that sorting many names compares bytes instead of collating on every comparison.
QCollatorSortKey ClaveOrden(const QString &nombre); // may be called from any thread
// Sorts names in that order, keeping the given order among names that compare equal.
void OrdenarNombres(QStringList &nombres);

// Positions (from 0) of the names that contain the word, without regard to letter case (accented
// capitals included), in list order. An empty word finds nothing. `plegado(i)` gives name i already
// folded (Plegar): the list keeps its names folded for sorting, so searching folds only the word.
QVector<int> Buscar(int cuantos, const std::function<QStringView(int)> &plegado, const QString &palabra);

// For each (name, description), in order: true when it survives. A later script with exactly the same
// name and description as an earlier one is a duplicate; the first of each group survives. One pass
// over a hash, so a long list with many repeats costs no more than reading it. `avance` is told
// every so often how many scripts have been looked at.
QVector<bool> Sobrevivientes(const QVector<QPair<QString, QString>> &claves,
                             const std::function<void(int)> &avance = {});

// The category a copied file becomes: its name cut before the first dot ("a.b.rtn" gives "a").
QString NombreImportado(const QString &archivo);

} // namespace herramientas
