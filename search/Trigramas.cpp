#include "search/Trigramas.h"

#include <QByteArray>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <map>
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

// A trigram of up to seven bytes (every Latin text) packed in a word, its length on top; 0 for a
// longer one.
uint64_t Clave(const char *p, int largo) {
    if (largo > 7 || largo < 1)
        return 0;
    uint64_t clave = uint64_t(largo);
    for (int i = 0; i < largo; ++i)
        clave = clave << 8 | static_cast<unsigned char>(p[i]);
    return clave;
}

size_t Hueco(uint64_t clave, size_t mascara) { return size_t((clave * 0x9E3779B97F4A7C15ull) >> 32) & mascara; }

// The trigrams already given for one text, by their packed bytes. Longer ones are given every time;
// the index takes repeats too.
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
    bool Nuevo(uint64_t clave) {
        if (clave == 0)
            return true;
        for (size_t i = Hueco(clave, mascara_);; i = (i + 1) & mascara_) {
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

struct Ninguno {
    void operator()(uint64_t) const {}
};

// Gives `dar` every trigram of the text; with `vistos`, each only once and none with white space,
// with its packed bytes. `cada` hears the packed bytes of every trigram in turn, repeats too (0 for
// one with white space or too long to pack).
template <typename Dar, typename Cada = Ninguno>
int Recorrer(const char *texto, int largo, Vistos *vistos, Dar &&dar, Cada &&cada = {}) {
    if (vistos)
        vistos->Empezar(size_t(largo));
    const auto despues = [&](int i) {
        return std::min(largo, i + LargoUtf8(static_cast<unsigned char>(texto[i])));
    };
    // The starts of three code points in a row; the trigram runs past the third.
    // White space is one byte: whether each of the three code points is some is known by its first.
    int s0 = 0;
    int s1 = s0 < largo ? despues(s0) : largo;
    int s2 = s1 < largo ? despues(s1) : largo;
    bool b0 = s0 < largo && Blanco(texto[s0]), b1 = s1 < largo && Blanco(texto[s1]);
    while (s2 < largo) {
        const int fin = despues(s2);
        const bool b2 = Blanco(texto[s2]);
        // A query's words never hold white space: a trigram with some is never looked for.
        const bool conBlanco = vistos && (b0 || b1 || b2);
        const uint64_t clave = vistos && !conBlanco ? Clave(texto + s0, fin - s0) : 0;
        cada(clave);
        if (!conBlanco && (!vistos || vistos->Nuevo(clave))) {
            const int rc = dar(s0, fin, clave);
            if (rc != SQLITE_OK)
                return rc;
        }
        s0 = s1;
        s1 = s2;
        s2 = fin;
        b0 = b1;
        b1 = b2;
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
        return Recorrer(texto, largo, nullptr, [&](int desde, int hasta, uint64_t) {
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

Comunes::Comunes(const QByteArrayList &trigramas) {
    size_t n = 16;
    while (n < size_t(trigramas.size()) * 4)
        n <<= 1;
    tabla_.assign(n, 0);
    posiciones_.assign(n, -1);
    mascara_ = n - 1;
    // Places follow byte order, whatever order the list came in: they are bits of the stored marks.
    QByteArrayList ordenados = trigramas;
    std::sort(ordenados.begin(), ordenados.end());
    for (const QByteArray &t : ordenados) {
        const uint64_t clave = Clave(t.constData(), int(t.size()));
        if (clave == 0)
            continue;
        size_t i = Hueco(clave, mascara_);
        while (tabla_[i] != 0 && tabla_[i] != clave)
            i = (i + 1) & mascara_;
        if (tabla_[i] == 0)
            posiciones_[i] = cuantos_++;
        tabla_[i] = clave;
    }
}

bool Comunes::Tiene(const char *p, int largo) const { return TieneClave(Clave(p, largo)); }

int Comunes::Posicion(const QByteArray &t) const { return Posicion(Clave(t.constData(), int(t.size()))); }

int Comunes::Posicion(uint64_t clave) const {
    if (clave == 0 || tabla_.empty())
        return -1;
    for (size_t i = Hueco(clave, mascara_);; i = (i + 1) & mascara_) {
        if (tabla_[i] == clave)
            return posiciones_[i];
        if (tabla_[i] == 0)
            return -1;
    }
}

namespace {
// The bit of four code points in a row, by the two trigrams that make them.
int BitDePar(uint64_t a, uint64_t b) {
    return int(((a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full)) >> 54) & (Presencia::kPares - 1);
}

// The bit of two ASCII letters in a row, -1 for any other pair.
int BitDeLetras(unsigned char a, unsigned char b) {
    return a >= 'a' && a <= 'z' && b >= 'a' && b <= 'z' ? (a - 'a') * 26 + (b - 'a') : -1;
}

// The ASCII characters, and the pairs of ASCII letters in a row, of a folded text.
void Ascii(const QByteArray &plegado, uint64_t *bits, uint64_t *letras) {
    uint64_t a = 0, b = 0;
    unsigned char antes = 0;
    for (const char c : plegado) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 64)
            a |= uint64_t(1) << u;
        else if (u < 128)
            b |= uint64_t(1) << (u - 64);
        if (const int l = BitDeLetras(antes, u); l >= 0)
            letras[l / 64] |= uint64_t(1) << (l % 64);
        antes = u;
    }
    bits[0] |= a;
    bits[1] |= b;
}
} // namespace

Presencia::Presencia(const QString &palabra, const Comunes &comunes) {
    std::map<int, uint64_t> partes;
    const int pares = DePares(comunes), letras = DeLetras(comunes);
    for (qsizetype i = 0; i < palabra.size(); ++i) {
        const char16_t c = palabra[i].unicode();
        if (c < 128)
            partes[c / 64] |= uint64_t(1) << (c % 64);
        if (const int l = i > 0 && c < 128 && palabra[i - 1].unicode() < 128
                              ? BitDeLetras((unsigned char)palabra[i - 1].unicode(), (unsigned char)c)
                              : -1;
            l >= 0)
            partes[letras + l / 64] |= uint64_t(1) << (l % 64);
    }
    const QByteArray u = palabra.toUtf8();
    int comunesVistas = 0, trigramas = 0;
    uint64_t antes = 0;
    Recorrer(u.constData(), int(u.size()), nullptr, [&](int desde, int hasta, uint64_t) {
        ++trigramas;
        const uint64_t clave = Clave(u.constData() + desde, hasta - desde);
        if (const int p = comunes.Posicion(clave); p >= 0) {
            partes[2 + p / 64] |= uint64_t(1) << (p % 64);
            ++comunesVistas;
        }
        if (antes != 0 && clave != 0) {
            const int b = BitDePar(antes, clave);
            partes[pares + b / 64] |= uint64_t(1) << (b % 64);
        }
        antes = clave;
        return SQLITE_OK;
    });
    partes_.assign(partes.begin(), partes.end());
    // One code point, two letters, or one trigram: holding the marks is holding the word.
    const bool uno = palabra.size() == 1 && palabra[0].unicode() < 128;
    const bool dos = palabra.size() == 2 && palabra[0].unicode() < 128 && palabra[1].unicode() < 128 &&
                     BitDeLetras((unsigned char)palabra[0].unicode(), (unsigned char)palabra[1].unicode()) >= 0;
    exacta_ = uno || dos || (trigramas == 1 && comunesVistas == 1 && palabra.toUcs4().size() == 3);
}

void Recuento::Contar(const QByteArray &nombre, const QByteArray &descripcion, const QByteArray &codigo) {
    // A trigram in two of the script's texts is one script that holds it.
    deEste_.clear();
    thread_local Vistos vistos;
    for (const QByteArray *t : {&nombre, &descripcion, &codigo})
        Recorrer(t->constData(), int(t->size()), &vistos, [&](int, int, uint64_t clave) {
            if (clave != 0)
                deEste_.push_back(clave);
            return SQLITE_OK;
        });
    std::sort(deEste_.begin(), deEste_.end());
    deEste_.erase(std::unique(deEste_.begin(), deEste_.end()), deEste_.end());
    for (uint64_t clave : deEste_)
        ++veces_[clave];
    ++scripts_;
}

QByteArrayList Recuento::MasDe(double parte) const {
    QByteArrayList r;
    for (const auto &[clave, veces] : veces_)
        if (veces > parte * scripts_) {
            int largo = 1;
            while (largo < 7 && clave >> (8 * largo) != uint64_t(largo))
                ++largo;
            QByteArray t(largo, Qt::Uninitialized);
            for (int i = 0; i < largo; ++i)
                t[largo - 1 - i] = char(clave >> (8 * i) & 0xff);
            r.append(t);
        }
    std::sort(r.begin(), r.end());
    return r;
}

QByteArray TrigramasDe(const QByteArray &plegado, const Comunes &comunes, uint64_t *presencia) {
    // One table per thread: rows are made on two threads at once.
    thread_local Vistos vistos;
    // Each byte is in at most three trigrams, and each trigram adds its length: four bytes a byte.
    QByteArray r(plegado.size() * 4, Qt::Uninitialized);
    char *o = r.data();
    uint64_t *pares = presencia ? presencia + Presencia::DePares(comunes) : nullptr;
    uint64_t antes = 0;
    const auto dar = [&](int desde, int hasta, uint64_t clave) {
        if (const int p = comunes.Posicion(clave); p >= 0) {
            if (presencia)
                presencia[2 + p / 64] |= uint64_t(1) << (p % 64);
            return SQLITE_OK;
        }
        *o++ = char(hasta - desde);
        std::memcpy(o, plegado.constData() + desde, size_t(hasta - desde));
        o += hasta - desde;
        return SQLITE_OK;
    };
    if (pares)
        Recorrer(plegado.constData(), int(plegado.size()), &vistos, dar, [&](uint64_t clave) {
            if (antes != 0 && clave != 0) {
                const int b = BitDePar(antes, clave);
                pares[b / 64] |= uint64_t(1) << (b % 64);
            }
            antes = clave;
        });
    else
        Recorrer(plegado.constData(), int(plegado.size()), &vistos, dar);
    r.truncate(o - r.constData());
    if (presencia)
        Ascii(plegado, presencia, presencia + Presencia::DeLetras(comunes));
    // A category's rows wait in memory to be stored: they keep no more room than they need.
    if (r.capacity() > 2 * r.size() + 64)
        r.squeeze();
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
