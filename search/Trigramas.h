#pragma once
#include <QByteArray>

struct sqlite3;

namespace biblioteca {

// The index's tokenizer, "rutinero_trigramas". A query's words are cut into every run of three code
// points, as SQLite's own trigram tokenizer cuts them. A row's texts come already cut by
// TrigramasDe, on the core that makes the rows, and are only read out. Every connection that reads or
// writes the index registers it first.
bool RegistrarTrigramas(sqlite3 *db);

// The trigrams of a folded UTF-8 text as the index's rows hold them: each only once (the index keeps
// which scripts hold a trigram, not where), none with white space (a query's words hold none), each
// preceded by its length in bytes.
QByteArray TrigramasDe(const QByteArray &plegado);

} // namespace biblioteca
