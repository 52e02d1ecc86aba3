#pragma once
#include <QByteArray>
#include <QByteArrayList>
#include <QString>

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
    bool TieneClave(uint64_t clave) const { return Posicion(clave) >= 0; }
    // The trigram's place in the list in byte order, 0 to cuantos() - 1; -1 when it is not in it.
    int Posicion(uint64_t clave) const;
    int Posicion(const QByteArray &t) const;
    bool vacio() const { return cuantos_ == 0; }
    int cuantos() const { return cuantos_; }

private:
    std::vector<uint64_t> tabla_; // open addressing by the trigram's bytes packed in a word; 0 is free
    std::vector<int> posiciones_; // beside each taken slot of tabla_
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

// What a script's folded texts hold that the full-text table cannot say: which ASCII characters
// (bits 0 to 127), which of the common trigrams (a bit by its place), as a filter which runs of
// four code points (a bit each by their hash, kPares bits), and which pairs of ASCII letters. A word
// whose marks a script lacks is not in it; a word of one ASCII character, of two ASCII letters, or of
// three letters that make one common trigram, is in it exactly when its marks are. The runs of four
// tell apart most scripts that hold every trigram of a word made of common ones from those that hold
// the word.
class Presencia {
public:
    static constexpr int kPares = 1024;
    static constexpr int kLetras = 26 * 26;
    // Where each part starts, in words of 64 bits, and how many words each script keeps.
    static int DePares(const Comunes &comunes) { return 2 + (comunes.cuantos() + 63) / 64; }
    static int DeLetras(const Comunes &comunes) { return DePares(comunes) + kPares / 64; }
    static int Ancho(const Comunes &comunes) { return DeLetras(comunes) + (kLetras + 63) / 64; }
    // What a folded query word asks of a script's marks.
    Presencia(const QString &palabra, const Comunes &comunes);
    bool Cumple(const uint64_t *bits) const {
        for (const auto &[k, m] : partes_)
            if ((bits[k] & m) != m)
                return false;
        return true;
    }
    bool exacta() const { return exacta_; }

private:
    std::vector<std::pair<int, uint64_t>> partes_; // word of the marks, bits it must hold
    bool exacta_ = false;
};

// The trigrams of a folded UTF-8 text as the index's rows hold them: each only once (the index keeps
// which scripts hold a trigram, not where), none with white space (a query's words hold none), none
// of `comunes`, each preceded by its length in bytes. With `presencia` (Presencia::Ancho words), also adds
// there what the text holds that the table is not given.
QByteArray TrigramasDe(const QByteArray &plegado, const Comunes &comunes = {}, uint64_t *presencia = nullptr);

} // namespace biblioteca
