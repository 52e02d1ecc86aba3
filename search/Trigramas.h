#pragma once
#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace biblioteca {

// The index's tokenizer, "rutinero_trigramas". A query's words are cut into every run of three code
// points, as SQLite's own trigram tokenizer cuts them. A row's texts come already cut by
// TrigramasDe, on the core that makes the rows, and are only read out. Every connection that reads or
// writes the index registers it first.
bool RegistrarTrigramas(sqlite3 *db);

// The trigrams most of a library's scripts hold. The list of scripts holding one narrows a search
// by next to nothing, yet writing those lists was a third of building the index: the index leaves
// them out, and a word made only of them is looked for in the scripts themselves.
class Comunes {
public:
    Comunes() = default;
    // Trigrams of one to seven bytes; anything else is no trigram the index could have left out.
    explicit Comunes(const QByteArrayList &trigramas);
    bool Tiene(const char *p, int largo) const;
    bool Tiene(const QByteArray &t) const { return Tiene(t.constData(), int(t.size())); }
    // By the trigram's bytes packed as the tokenizer packs them.
    bool TieneClave(uint64_t clave) const;
    bool vacio() const { return cuantos_ == 0; }
    int cuantos() const { return cuantos_; }

private:
    std::vector<uint64_t> tabla_; // open addressing by the trigram's bytes packed in a word; 0 is free
    size_t mascara_ = 0;
    int cuantos_ = 0;
};

// How many scripts of a sample hold each trigram.
class Recuento {
public:
    // One script, by its folded texts.
    void Contar(const QByteArray &nombre, const QByteArray &descripcion, const QByteArray &codigo);
    int scripts() const { return scripts_; }
    // The trigrams more than `parte` of the scripts hold.
    QByteArrayList MasDe(double parte) const;

private:
    std::unordered_map<uint64_t, int> veces_;
    std::vector<uint64_t> deEste_;
    int scripts_ = 0;
};

// The trigrams of a folded UTF-8 text as the index's rows hold them: each only once (the index keeps
// which scripts hold a trigram, not where), none with white space (a query's words hold none), none
// of `comunes`, each preceded by its length in bytes.
QByteArray TrigramasDe(const QByteArray &plegado, const Comunes &comunes = {});

} // namespace biblioteca
