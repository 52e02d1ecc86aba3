#pragma once

struct sqlite3;

namespace biblioteca {

// The index's tokenizer, "rutinero_trigramas": every run of three code points of a UTF-8 text, as
// SQLite's own trigram tokenizer cuts them, but each only once per text. The index keeps which
// scripts hold a trigram, not where: repeats would only cost time. Text comes folded, so nothing is
// folded here. Every connection that reads or writes the index registers it first.
bool RegistrarTrigramas(sqlite3 *db);

} // namespace biblioteca
