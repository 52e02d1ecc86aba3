#include "search/Trigramas.h"

#include <QByteArray>

#include <cstdint>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace biblioteca {

namespace {

// Bytes in the UTF-8 sequence a lead byte starts; a stray byte counts as one, as SQLite's does.
int LargoUtf8(unsigned char c) {
    if (c < 0xc0)
        return 1;
    if (c < 0xe0)
        return 2;
    if (c < 0xf0)
        return 3;
    return 4;
}

// The white space a query is cut at that the text's bytes show by themselves.
bool Blanco(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The trigrams already given for one text, by their bytes packed in a word (a trigram of up to seven
// bytes: every Latin text). Longer ones are given every time; the index takes repeats too.
class Vistos {
public:
    void Empezar(size_t cuantos) {
        size_t n = 64;
        while (n < cuantos * 2)
            n <<= 1;
        if (tabla_.size() < n)
            tabla_.resize(n);
        mascara_ = n - 1;
        std::fill(tabla_.begin(), tabla_.begin() + std::ptrdiff_t(n), 0);
    }
    // True the first time.
    bool Nuevo(const char *p, int largo) {
        if (largo > 7)
            return true;
        uint64_t clave = uint64_t(largo);
        for (int i = 0; i < largo; ++i)
            clave = clave << 8 | static_cast<unsigned char>(p[i]);
        uint64_t h = clave * 0x9E3779B97F4A7C15ull;
        for (size_t i = size_t(h >> 32) & mascara_;; i = (i + 1) & mascara_) {
            if (tabla_[i] == clave)
                return false;
            if (tabla_[i] == 0) {
                tabla_[i] = clave;
                return true;
            }
        }
    }

private:
    std::vector<uint64_t> tabla_;
    size_t mascara_ = 0;
};

// Gives `dar` every trigram of the text; with `vistos`, each only once and none with white space.
template <typename Dar>
int Recorrer(const char *texto, int largo, Vistos *vistos, Dar &&dar) {
    if (vistos)
        vistos->Empezar(size_t(largo));
    const auto despues = [&](int i) {
        return std::min(largo, i + LargoUtf8(static_cast<unsigned char>(texto[i])));
    };
    // The starts of three code points in a row; the trigram runs past the third.
    int s0 = 0;
    int s1 = s0 < largo ? despues(s0) : largo;
    int s2 = s1 < largo ? despues(s1) : largo;
    while (s2 < largo) {
        const int fin = despues(s2);
        // A query's words never hold white space: a trigram with some is never looked for.
        const bool conBlanco = vistos && std::any_of(texto + s0, texto + fin, [](char c) { return Blanco(c); });
        if (!conBlanco && (!vistos || vistos->Nuevo(texto + s0, fin - s0))) {
            const int rc = dar(s0, fin);
            if (rc != SQLITE_OK)
                return rc;
        }
        s0 = s1;
        s1 = s2;
        s2 = fin;
    }
    return SQLITE_OK;
}

// The tokenizer keeps no state of its own, but FTS5 takes a null one for none at all.
int Crear(void *, const char **, int, Fts5Tokenizer **salida) {
    static int unico;
    *salida = reinterpret_cast<Fts5Tokenizer *>(&unico);
    return SQLITE_OK;
}

void Borrar(Fts5Tokenizer *) {}

// A query's words are cut here; a row's texts come already cut (TrigramasDe), and are only read out.
int Trocear(Fts5Tokenizer *, void *ctx, int flags, const char *texto, int largo,
            int (*token)(void *, int, const char *, int, int, int)) {
    if (flags & FTS5_TOKENIZE_QUERY)
        return Recorrer(texto, largo, nullptr, [&](int desde, int hasta) {
            return token(ctx, 0, texto + desde, hasta - desde, desde, hasta);
        });
    for (int p = 0; p < largo;) {
        const int n = static_cast<unsigned char>(texto[p]);
        if (n == 0 || p + 1 + n > largo)
            return SQLITE_ERROR;
        if (const int rc = token(ctx, 0, texto + p + 1, n, p + 1, p + 1 + n); rc != SQLITE_OK)
            return rc;
        p += 1 + n;
    }
    return SQLITE_OK;
}

} // namespace

QByteArray TrigramasDe(const QByteArray &plegado) {
    // One table per thread: rows are made on two threads at once.
    thread_local Vistos vistos;
    QByteArray r;
    r.reserve(plegado.size() * 2);
    Recorrer(plegado.constData(), int(plegado.size()), &vistos, [&](int desde, int hasta) {
        r.append(char(hasta - desde));
        r.append(plegado.constData() + desde, hasta - desde);
        return SQLITE_OK;
    });
    return r;
}

bool RegistrarTrigramas(sqlite3 *db) {
    fts5_api *api = nullptr;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &st, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_pointer(st, 1, static_cast<void *>(&api), "fts5_api_ptr", nullptr);
    sqlite3_step(st);
    sqlite3_finalize(st);
    if (!api || api->iVersion < 2)
        return false;
    fts5_tokenizer t{Crear, Borrar, Trocear};
    return api->xCreateTokenizer(api, "rutinero_trigramas", nullptr, &t, nullptr) == SQLITE_OK;
}

} // namespace biblioteca
