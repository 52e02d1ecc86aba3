#include "search/IndiceBiblioteca.h"
#include "core/Hilos.h"
#include "core/Archivos.h"
#include "core/Cp1252.h"
#include "format/DuenoCarpeta.h"
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"
#include "core/Registro.h"
#include "search/Trigramas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <map>
#include <QtEndian>
#include <sqlite3.h>
#include <sys/statvfs.h>
#include <zlib.h>
#include <vector>

namespace biblioteca {

namespace {
// Raised whenever what the file holds changes meaning; an index of another version is made anew.
constexpr int kVersion = 7;
constexpr size_t kSemilla = 0x52544e31;
// Bytes of category files written in one transaction.
constexpr qint64 kLote = 16 << 20;
// A pass over more bytes than this leaves the full-text index's merging to its end: merged as it is
// written, each trigram's list was rewritten over and over, half of a first build's time.
constexpr qint64 kMezclarAlFinal = 8 << 20;
// The trigrams left out of the index are those more than a quarter of the scripts hold, counted on
// some 2 MB of the library spread over its categories when the index is first filled; a sample of
// fewer scripts than kMuestraMinima says too little, and then none is left out.
constexpr double kParteComun = 0.25;
constexpr qint64 kMuestra = 2 << 20;
constexpr int kMuestraMinima = 1000;
// Code is kept in blocks of consecutive scripts, compressed together, of about this many bytes: one
// script at a time, zlib took as long as all the rest of reading a library, and kept half again as
// much; a block much bigger would cost more to open for the one script a search shows.
constexpr qsizetype kBloque = 8 << 10;
// From this many scripts a search looks through the names and descriptions on two cores.
constexpr size_t kEnDosNucleos = 20000;
// Bytes of category files a pass reads ahead of the one being stored.
constexpr qint64 kAdelanto = 16 << 20;

// A record's mark: the bytes of its name, description and code as the file holds them, so that
// telling changed records from the others decodes nothing.
qint64 Huella(QByteArrayView nombre, QByteArrayView descripcion, QByteArrayView codigo) {
    return qint64(qHashMulti(kSemilla, nombre, descripcion, codigo));
}
// The hash of known texts, kept in the file: a library whose hash gives other values (another build of
// Qt) would take every script for changed, so the index is made anew at once instead. Folding is in
// it too: scripts leave the full-text table by their texts folded again, which must fold as they did.
qint64 Sonda() { return Huella(Plegar(u"rutinero ÁÉÍÓÚÑÜàèìòùçß ſΣΩ").toUtf8(), "sonda", "0123456789"); }

// The trigram index matches a word only from three characters (code points) on.
int Letras(QStringView s) {
    int n = 0;
    for (QChar c : s)
        n += !c.isLowSurrogate();
    return n;
}

QByteArray Frase(QStringView palabra) {
    return '"' + palabra.toString().replace(QLatin1Char('"'), QStringLiteral("\"\"")).toUtf8() + '"';
}

// The distinct trigrams of a word, each a query term: the index knows which scripts hold a trigram,
// not where, so the word itself is looked for in what they hold.
// Trigrams the index left out are no terms: the scripts that hold them are not listed.
QByteArrayList TerminosDe(const QString &palabra, const Comunes &comunes) {
    QVector<qsizetype> inicios;
    for (qsizetype i = 0; i < palabra.size(); ++i)
        if (!palabra[i].isLowSurrogate())
            inicios.append(i);
    inicios.append(palabra.size());
    QStringList distintos;
    QSet<QStringView> vistos;
    for (qsizetype k = 0; k + 3 < inicios.size(); ++k) {
        const QStringView t = QStringView(palabra).mid(inicios[k], inicios[k + 3] - inicios[k]);
        if (!vistos.contains(t)) {
            vistos.insert(t);
            if (!comunes.Tiene(t.toUtf8()))
                distintos.append(t.toString());
        }
    }
    // Each term is a list of scripts to walk: for a pasted long word, some trigrams from along it
    // narrow the candidates as well, and the word is confirmed on each anyway.
    constexpr qsizetype kMaximo = 24;
    QByteArrayList r;
    const qsizetype n = distintos.size();
    for (qsizetype k = 0; k < std::min(n, kMaximo); ++k)
        r.append(Frase(distintos[n <= kMaximo ? k : k * (n - 1) / (kMaximo - 1)]));
    return r;
}

// The terms of every word of three letters or more, some two hundred at most (past them, words are
// only confirmed on the scripts); `resuelta` says of each word whether holding its terms settles it
// (a word of exactly three letters is one trigram).
QByteArrayList TerminosDeTodas(const QStringList &palabras, const Comunes &comunes, std::vector<bool> &resuelta) {
    QByteArrayList todos;
    resuelta.assign(size_t(palabras.size()), false);
    for (int i = 0; i < palabras.size(); ++i) {
        const QByteArrayList suyos = Letras(palabras[i]) >= 3 ? TerminosDe(palabras[i], comunes) : QByteArrayList();
        if (suyos.isEmpty() || todos.size() + suyos.size() > 200)
            continue;
        todos += suyos;
        resuelta[size_t(i)] = Letras(palabras[i]) == 3 && !EsEtiqueta(palabras[i]);
    }
    return todos;
}

// Code is kept compressed: it is read back only for the scripts shown or looked through. Its
// layout is qCompress's (the length, big-endian, then a zlib stream), but the streams are set up once
// for the connection: setting one up per script cost more than compressing the script.
class Zlib {
public:
    Zlib() {
        deflateInit(&d_, 1);
        inflateInit(&i_);
    }
    ~Zlib() {
        deflateEnd(&d_);
        inflateEnd(&i_);
    }
    Zlib(const Zlib &) = delete;
    Zlib &operator=(const Zlib &) = delete;

    QByteArray Comprimir(const QByteArray &u) {
        if (u.isEmpty() || deflateReset(&d_) != Z_OK)
            return {};
        QByteArray r(qsizetype(4 + deflateBound(&d_, uLong(u.size()))), Qt::Uninitialized);
        qToBigEndian(quint32(u.size()), r.data());
        d_.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(u.constData()));
        d_.avail_in = uInt(u.size());
        d_.next_out = reinterpret_cast<Bytef *>(r.data() + 4);
        d_.avail_out = uInt(r.size() - 4);
        if (deflate(&d_, Z_FINISH) != Z_STREAM_END)
            return {};
        r.truncate(qsizetype(4 + d_.total_out));
        return r;
    }
    // A block of code is opened to be read only as far as the script asked for: those after it are
    // read on from there, and one near its start costs little of the rest. False when the bytes
    // claim a length they could not hold.
    bool Abrir(QByteArray comprimido) {
        comprimido_ = std::move(comprimido);
        const qsizetype n = comprimido_.size();
        const qint64 largo = n >= 4 ? qint64(qFromBigEndian<quint32>(comprimido_.constData())) : 0;
        // A claim past what the bytes could hold (zlib packs at most some thousand to one), or past
        // the biggest category a block's code could come from, is damage, not a reason to allocate it.
        if (largo == 0 || largo > qint64(n) * 1100 || largo > archivos::kMayorLectura || inflateReset(&i_) != Z_OK) {
            claro_.clear();
            return false;
        }
        claro_ = QByteArray(qsizetype(largo), Qt::Uninitialized);
        i_.next_in = reinterpret_cast<Bytef *>(comprimido_.data() + 4);
        i_.avail_in = uInt(n - 4);
        i_.next_out = reinterpret_cast<Bytef *>(claro_.data());
        return true;
    }
    qsizetype largoAbierto() const { return claro_.size(); }
    // The open block's first `n` bytes; null when its stream breaks or ends before them.
    const char *Hasta(qsizetype n) {
        if (n > claro_.size())
            return nullptr;
        while (qsizetype(i_.total_out) < n) {
            i_.avail_out = uInt(n - qsizetype(i_.total_out));
            const int rc = inflate(&i_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END && qsizetype(i_.total_out) == claro_.size())
                break;
            if (rc != Z_OK)
                return nullptr;
        }
        return claro_.constData();
    }

private:
    z_stream d_{};
    z_stream i_{};
    QByteArray comprimido_, claro_;
};

// A category file read for the index, and what each script's rows hold, made ready where no row
// of the index is needed: on another core, while the writer stores the category before it.
struct Leida {
    bool bien = false;
    QByteArray datos;
    QVector<mdlScripts::Registro> registros; // undecoded: only records to index are decoded
    std::vector<qint64> huellas;
    struct Filas {
        QByteArray nombre, descripcion, codigo; // as stored, the code before it goes into its block
        QByteArray plegados[3]; // as the full-text table takes them
        QByteArray presencia; // Presencia::Ancho words, little-endian
    };
    std::vector<Filas> filas; // empty until made: only scripts not indexed yet need them
    struct Bloque {
        QByteArray datos; // compressed; empty when all its code is
        int cuantos = 0; // the consecutive scripts it holds
    };
    std::vector<Bloque> bloques; // of all `filas`, when made
};

// Cuts the code of `n` scripts (`codigo(i)`, UTF-8) into blocks, in order, and compresses each. A
// block that should hold code and does not is zlib's failure: its code is not stored as none.
template <typename Codigo>
bool HacerBloques(int n, Codigo &&codigo, Zlib &zlib, std::vector<Leida::Bloque> &bloques) {
    QByteArray junto;
    int cuantos = 0;
    for (int i = 0; i < n; ++i) {
        junto += codigo(i);
        ++cuantos;
        if (junto.size() >= kBloque || i + 1 == n) {
            bloques.push_back({zlib.Comprimir(junto), cuantos});
            if (bloques.back().datos.isEmpty() && !junto.isEmpty()) {
                qCWarning(lcIndice) << "a block of code could not be compressed";
                return false;
            }
            junto.clear();
            cuantos = 0;
        }
    }
    return true;
}

Leida::Filas Hacer(const Leida &l, int i, const Comunes &comunes) {
    const Script s = mdlScripts::Decodificar(l.datos, l.registros[i]);
    const QString editor = etiquetas::AEditor(s.Codigo);
    std::vector<uint64_t> presencia(size_t(Presencia::Ancho(comunes)), 0);
    Leida::Filas f{s.Nombre.toUtf8(),
                   s.Descripcion.toUtf8(),
                   editor.toUtf8(),
                   {TrigramasDe(Plegar(s.Nombre).toUtf8(), comunes, presencia.data()),
                    TrigramasDe(Plegar(s.Descripcion).toUtf8(), comunes, presencia.data()),
                    TrigramasDe(Plegar(editor).toUtf8(), comunes, presencia.data())},
                   QByteArray(qsizetype(presencia.size() * 8), Qt::Uninitialized)};
    qToLittleEndian<quint64>(presencia.data(), qsizetype(presencia.size()), f.presencia.data());
    return f;
}

// `filas`: also every script's rows, for a category the index does not hold yet.
// What the program itself has just written is taken from its writer rather than read back.
Leida Leer(const QString &carpeta, const QString &archivo, const LectorEscritos &escritos, bool filas,
           const Comunes &comunes, const std::atomic<bool> *cancelar) {
    Leida l;
    if (!escritos.Tomar(archivo, l.datos) && !mdlScripts::LeerBytes(carpeta + QLatin1Char('/') + archivo, l.datos))
        return l;
    l.bien = true;
    l.registros = mdlScripts::Registros(l.datos);
    const int n = int(l.registros.size());
    l.huellas.resize(size_t(n));
    const auto bytes = [&](const mdlScripts::Campo &c) { return QByteArrayView(l.datos.constData() + c.inicio, c.largo); };
    for (int i = 0; i < n; ++i) {
        const mdlScripts::Registro &r = l.registros[i];
        l.huellas[size_t(i)] = Huella(bytes(r[0]), bytes(r[1]), bytes(r[2]));
    }
    if (filas) {
        Zlib zlib;
        l.filas.reserve(size_t(n));
        for (int i = 0; i < n; ++i) {
            if ((i & 255) == 0 && cancelar && cancelar->load())
                return {};
            l.filas.push_back(Hacer(l, i, comunes));
        }
        if (!HacerBloques(n, [&](int i) { return l.filas[size_t(i)].codigo; }, zlib, l.bloques))
            l.bloques.clear();
    }
    return l;
}

// Reads a pass's files in order on a thread of its own while the writer stores those before them.
// Up to kAdelanto bytes of files wait read (always the next one): a file slower to read than the
// one before it to store then leaves the writer idle no more, and big categories are not all held.
class Adelanto {
public:
    Adelanto(std::function<Leida(int)> leer, std::vector<qint64> tamanos)
        : leer_(std::move(leer)), tamanos_(std::move(tamanos)), hilo_([this] { Trabajar(); }) {}
    ~Adelanto() {
        {
            std::lock_guard<std::mutex> l(m_);
            parar_ = true;
        }
        cv_.notify_all();
        hilo_.join();
    }
    Adelanto(const Adelanto &) = delete;
    Adelanto &operator=(const Adelanto &) = delete;

    // The next file's, in order.
    Leida Siguiente() {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [this] { return !listas_.empty(); });
        Leida r = std::move(listas_.front());
        listas_.pop_front();
        bytes_ -= tamanos_[size_t(entregadas_++)];
        l.unlock();
        cv_.notify_all();
        return r;
    }

private:
    void Trabajar() {
        for (size_t k = 0; k < tamanos_.size(); ++k) {
            {
                std::unique_lock<std::mutex> l(m_);
                cv_.wait(l, [this] { return parar_ || listas_.empty() || bytes_ < kAdelanto; });
                if (parar_)
                    return;
            }
            Leida leida;
            // A thread's exception would end the program: a file that cannot be held is one not read.
            try {
                leida = leer_(int(k));
            } catch (const std::exception &e) {
                qCWarning(lcIndice) << "a category could not be read for the index:" << e.what();
                leida = Leida();
            }
            {
                std::lock_guard<std::mutex> l(m_);
                bytes_ += tamanos_[k];
                listas_.push_back(std::move(leida));
            }
            cv_.notify_all();
        }
    }

    std::function<Leida(int)> leer_;
    std::vector<qint64> tamanos_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Leida> listas_;
    qint64 bytes_ = 0;
    int entregadas_ = 0;
    bool parar_ = false;
    std::thread hilo_; // last: it starts once the rest is made
};

class Sql {
public:
    Sql(sqlite3 *db, const char *texto) {
        if (db)
            rc_ = sqlite3_prepare_v2(db, texto, -1, &st_, nullptr);
    }
    ~Sql() { sqlite3_finalize(st_); }
    Sql(const Sql &) = delete;
    Sql &operator=(const Sql &) = delete;
    int error() const { return st_ ? SQLITE_OK : (rc_ == SQLITE_OK ? SQLITE_ERROR : rc_); }
    Sql &con(int i, qint64 v) {
        sqlite3_bind_int64(st_, i, v);
        return *this;
    }
    Sql &con(int i, const QByteArray &t) {
        sqlite3_bind_text(st_, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Sql &conBytes(int i, const QByteArray &t) {
        sqlite3_bind_blob(st_, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int paso() { return st_ ? sqlite3_step(st_) : error(); }
    // Runs a statement that gives no rows, ready to run again.
    int hacer() {
        const int rc = paso();
        sqlite3_reset(st_);
        return rc == SQLITE_ROW ? SQLITE_DONE : rc;
    }
    void reiniciar() { sqlite3_reset(st_); }
    qint64 entero(int c) const { return sqlite3_column_int64(st_, c); }
    QByteArray bytes(int c) const {
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(st_, c)), sqlite3_column_bytes(st_, c));
    }
    QString texto(int c) const {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(st_, c));
        return QString::fromUtf8(p, sqlite3_column_bytes(st_, c));
    }
    // A script's marks, appended to `r`; false when the column does not hold `ancho` words.
    bool presencia(int c, int ancho, std::vector<uint64_t> &r) const {
        const void *p = sqlite3_column_blob(st_, c);
        if (sqlite3_column_bytes(st_, c) != ancho * 8 || !p)
            return false;
        const size_t n = r.size();
        r.resize(n + size_t(ancho));
        qFromLittleEndian<quint64>(p, ancho, r.data() + n);
        return true;
    }

private:
    sqlite3_stmt *st_ = nullptr;
    int rc_ = SQLITE_OK;
};

// A script as the searcher keeps it in memory: what ranks it, without its code.
// Which trigrams a text holds, as 128 bits: a word whose bits are not all there is not in the text,
// which spares most of the searches through names and descriptions of scripts matched by their code.
struct Trigramas {
    quint64 b[2] = {0, 0};
    explicit Trigramas(QStringView s) {
        for (qsizetype i = 0; i + 2 < s.size(); ++i) {
            const uint h = (uint(s[i].unicode()) * 31u + s[i + 1].unicode()) * 31u + s[i + 2].unicode();
            b[(h >> 6) & 1] |= quint64(1) << (h & 63);
        }
    }
    bool puede(const Trigramas &palabra) const {
        return (b[0] & palabra.b[0]) == palabra.b[0] && (b[1] & palabra.b[1]) == palabra.b[1];
    }
};

// A plain search: names and descriptions are short, and QString's general search costs more in
// setting out than in looking.
bool Contiene(QStringView texto, QStringView palabra) {
    const qsizetype m = palabra.size();
    if (m == 0)
        return true;
    const char16_t *t = texto.utf16(), *p = palabra.utf16();
    for (qsizetype i = 0, ultimo = texto.size() - m; i <= ultimo; ++i)
        if (t[i] == p[0] && std::memcmp(t + i + 1, p + 1, size_t(m - 1) * sizeof(char16_t)) == 0)
            return true;
    return false;
}

// Whether a script's marks allow every word of a query.
bool Cumple(const std::vector<Presencia> &palabras, const uint64_t *presencia) {
    for (const Presencia &p : palabras)
        if (!p.Cumple(presencia))
            return false;
    return true;
}

struct Fila {
    qint64 id = 0;
    int posicion = 0;
    QString nombre, descripcion; // folded
    Trigramas enNombre, enDescripcion;
    const uint64_t *presencia = nullptr; // in its Categoria's

    Fila(qint64 i, int p, QString n, QString d)
        : id(i), posicion(p), nombre(std::move(n)), descripcion(std::move(d)), enNombre(nombre),
          enDescripcion(descripcion) {}
};
struct Categoria {
    QString nombre;
    qint64 generacion = -1;
    Sello sello; // how its file looked when indexed
    std::vector<Fila> filas;
    std::vector<uint64_t> presencia; // each row's in turn
    int orden = 0;
    bool vigente = false; // the index holds the file as it is now
};
struct Ref {
    qint64 id;
    const Categoria *cat;
    const Fila *fila;
};
struct Entrada {
    const Ref *ref;
    quint32 falta; // the words in neither name nor description: the code must hold them
};
} // namespace

struct Indice::Datos {
    QString ruta;
    sqlite3 *db = nullptr;
    QMutex candado; // Interrumpir comes from another thread
    Zlib zlib;
    bool danado = false;
    bool interrumpida = false;
    bool ocupado = false; // another program holds the file locked: it is left alone
    bool sinEspacio = false; // the last pass stopped to leave the disk's last space to the user
    QStringList grandes; // left out of the last pass: bigger than any file read
    // What the searcher knows of each category (by its row), and every script by id.
    std::map<qint64, Categoria> cache;
    std::vector<Ref> refs;
    QStringList categorias;
    QMap<QString, int> orden;
    // What the cache was made from: while neither the index (its data_version) nor the folder
    // changes, a query costs nothing per category.
    qint64 version = -1;
    QMap<QString, Sello> disco;
    // The scripts of categories in use, in the order of results among equals: category, then place.
    std::vector<Ref> enOrden;
    // The categories the index does not hold as their files are now, in order: read from the files.
    QStringList sinIndice;
    quint64 vista = 0, vistaMirada = 0; // see setVista
    // What the program itself writes to the folder, handed to this writer by the folder's owner.
    LectorEscritos escritos;
    // The full-text index's merging as this connection last set it (kept in the file: a pass that was
    // cut short left it off); -1 until set.
    int mezclaAutomatica = -1;
    // The block of code opened last (-1: none), kept: scripts are mostly asked for in the order they
    // were stored, a block's at a time.
    qint64 abierto = -1;
    std::unique_ptr<Sql> leerBloque;
    // The running read's own stop flag, seen by SQLite every few hundred steps. A newer query stops
    // the one before this way, never by sqlite3_interrupt: an interrupt that lands as one query ends
    // can stay raised into the next, which would then fail for no one's asking.
    std::atomic<const std::atomic<bool> *> parar{nullptr};
    static int Parar(void *datos) {
        const std::atomic<bool> *p = static_cast<Datos *>(datos)->parar.load(std::memory_order_relaxed);
        return p && p->load(std::memory_order_relaxed) ? 1 : 0;
    }
    // Sets the stop flag for one read, cleared when it ends.
    struct Vigilar {
        Datos &d;
        Vigilar(Datos &datos, const std::atomic<bool> *cancelar) : d(datos) { d.parar = cancelar; }
        ~Vigilar() { d.parar = nullptr; }
    };

    // The code a script's row points at. False when the tables do not agree.
    bool Codigo(qint64 bloque, qint64 desde, qint64 largo, QString &r) {
        r.clear();
        if (largo == 0)
            return true;
        if (bloque != abierto) {
            abierto = -1;
            if (!leerBloque)
                leerBloque = std::make_unique<Sql>(db, "SELECT datos FROM bloques WHERE id = ?");
            const int rc = leerBloque->con(1, bloque).paso();
            const bool ok = rc == SQLITE_ROW && zlib.Abrir(leerBloque->bytes(0));
            leerBloque->reiniciar();
            if (!ok) {
                if (rc == SQLITE_ROW)
                    qCWarning(lcIndice) << "a block of code in the index does not decompress";
                return Bien(rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
            }
            abierto = bloque;
        }
        if (desde < 0 || largo < 0 || desde > zlib.largoAbierto() - largo) {
            qCWarning(lcIndice) << "a script's code lies outside its block";
            return Bien(SQLITE_CORRUPT);
        }
        const char *claro = zlib.Hasta(desde + largo);
        if (!claro) {
            abierto = -1;
            qCWarning(lcIndice) << "a block of code in the index does not decompress";
            return Bien(SQLITE_CORRUPT);
        }
        r = QString::fromUtf8(claro + desde, largo);
        return true;
    }

    // Kept from one query to the next: made afresh, their hundreds of KB cost more in page faults than
    // the search through them.
    std::vector<std::vector<Entrada>> grupos;
    std::vector<std::pair<Clave, qint64>> delIndice;
    std::vector<qint64> candidatos;

    // The trigrams the index leaves out, decided by the pass that first fills it.
    Comunes comunes;
    bool comunesDecididos = false;

    bool MezclaAutomatica(bool si) {
        if (mezclaAutomatica == int(si))
            return true;
        const bool ok = Ejecutar(si ? "INSERT INTO texto(texto, rank) VALUES('automerge', 4)"
                                    : "INSERT INTO texto(texto, rank) VALUES('automerge', 0)");
        mezclaAutomatica = ok ? int(si) : -1;
        return ok;
    }

    bool Bien(int rc) {
        if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
            return true;
        const int primario = rc & 0xff;
        if (primario == SQLITE_CORRUPT || primario == SQLITE_NOTADB)
            danado = true;
        if (primario == SQLITE_INTERRUPT)
            interrumpida = true;
        if (primario == SQLITE_BUSY || primario == SQLITE_LOCKED)
            ocupado = true;
        if (primario != SQLITE_INTERRUPT)
            qCWarning(lcIndice) << "sqlite:" << rc << (db ? sqlite3_errmsg(db) : "");
        return false;
    }
    bool Ejecutar(const char *sql) { return db && Bien(sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }

    void Cerrar() {
        QMutexLocker l(&candado);
        leerBloque.reset();
        abierto = -1;
        sqlite3_close_v2(db);
        db = nullptr;
        cache.clear();
        refs.clear();
        enOrden.clear();
        version = -1;
        disco.clear();
        vistaMirada = 0;
        mezclaAutomatica = -1;
    }

    bool Abrir(int modo) {
        Cerrar();
        sqlite3 *nueva = nullptr;
        // One thread per connection: SQLite's own lock per call is not needed.
        const int rc = sqlite3_open_v2(QFile::encodeName(ruta).constData(), &nueva, modo | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            Bien(rc);
            sqlite3_close_v2(nueva);
            return false;
        }
        if (!RegistrarTrigramas(nueva)) {
            qCWarning(lcIndice) << "the index's tokenizer could not be registered";
            sqlite3_close_v2(nueva);
            return false;
        }
        // Only our own two connections share the file; a wait this long means another program holds it.
        sqlite3_busy_timeout(nueva, 1000);
        sqlite3_progress_handler(nueva, 500, &Datos::Parar, this);
        QMutexLocker l(&candado);
        db = nueva;
        return true;
    }

    qint64 Numero(const char *sql) {
        Sql s(db, sql);
        const int rc = s.paso();
        return Bien(rc) && rc == SQLITE_ROW ? s.entero(0) : -1;
    }

    // Readers and the writer do not wait for each other; a crash cannot damage it, at most lose the
    // last category written, which the next pass indexes again.
    // The log is cut back after each checkpoint: a first build writes it far bigger than it need stay.
    bool Preparar() {
        return Ejecutar("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32768;"
                        "PRAGMA journal_size_limit=67108864;");
    }

    bool DeEstaVersion() {
        return Numero("PRAGMA user_version") == kVersion &&
               Numero("SELECT valor FROM meta WHERE clave = 'sonda'") == Sonda() &&
               Numero("SELECT count(*) FROM archivos") >= 0 && LeerComunes();
    }

    // A list that does not hold what the file says it holds was changed by another program: with the
    // wrong one, scripts would be looked for by trigrams they were never listed under.
    bool LeerComunes() {
        comunes = {};
        comunesDecididos = false;
        Sql m(db, "SELECT valor FROM meta WHERE clave = 'comunes'");
        int rc = m.paso();
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW)
            return Bien(rc);
        QByteArrayList lista;
        Sql s(db, "SELECT trigrama FROM comunes");
        while ((rc = s.paso()) == SQLITE_ROW && lista.size() <= 1 << 16)
            lista.append(s.bytes(0));
        if (rc != SQLITE_ROW && !Bien(rc))
            return false;
        Comunes leidas(lista);
        if (leidas.cuantos() != lista.size() || lista.size() != m.entero(0)) {
            qCWarning(lcIndice) << "the index's list of common trigrams does not hold what it says";
            danado = true;
            return false;
        }
        comunes = std::move(leidas);
        comunesDecididos = true;
        return true;
    }

    bool ElegirComunes(const QString &carpeta, const QStringList &porHacer, qint64 total);

    bool Esquema() {
        const QByteArray sql =
            "BEGIN;"
            "CREATE TABLE meta(clave TEXT PRIMARY KEY, valor INTEGER) WITHOUT ROWID;"
            "CREATE TABLE archivos(id INTEGER PRIMARY KEY, nombre TEXT NOT NULL UNIQUE, tamano INTEGER NOT NULL,"
            " modificado INTEGER NOT NULL, generacion INTEGER NOT NULL);"
            // Names and descriptions apart from the code: the searcher loads them all.
            // Each script's code is bytes [desde, desde + largo) of its block, once opened.
            "CREATE TABLE scripts(id INTEGER PRIMARY KEY, archivo INTEGER NOT NULL, posicion INTEGER NOT NULL,"
            " huella INTEGER NOT NULL, nombre TEXT NOT NULL, descripcion TEXT NOT NULL, bloque INTEGER NOT NULL,"
            " desde INTEGER NOT NULL, largo INTEGER NOT NULL, presencia BLOB NOT NULL);"
            // What a category's new records are matched against, read without the table's texts.
            "CREATE INDEX scripts_archivo ON scripts(archivo, posicion, huella);"
            // `vivos`: the scripts whose code is in it; a block goes with the last of them.
            "CREATE TABLE bloques(id INTEGER PRIMARY KEY, vivos INTEGER NOT NULL, datos BLOB NOT NULL);"
            "CREATE TABLE comunes(trigrama BLOB PRIMARY KEY) WITHOUT ROWID;"
            // Which scripts hold each trigram of their folded texts, without the texts: a match is
            // confirmed on the script's own name, description and code.
            "CREATE VIRTUAL TABLE texto USING fts5(nombre, descripcion, codigo, tokenize = 'rutinero_trigramas',"
            " content = '', detail = none, columnsize = 0);"
            "INSERT INTO texto(texto, rank) VALUES('pgsz', 4000);"
            "INSERT INTO meta VALUES('sonda', " +
            QByteArray::number(Sonda()) + ");PRAGMA user_version = " + QByteArray::number(kVersion) + ";COMMIT;";
        return Ejecutar(sql.constData());
    }

    // The full-text index holds no texts: a script leaves it by its folded texts, made again from the
    // originals it was indexed from.
    struct Quitador {
        Datos &d;
        Sql leer, texto, script, menos, bloque;
        explicit Quitador(Datos &datos)
            : d(datos), leer(d.db, "SELECT nombre, descripcion, bloque, desde, largo FROM scripts WHERE id = ?"),
              texto(d.db, "INSERT INTO texto(texto, rowid, nombre, descripcion, codigo) VALUES('delete', ?, ?, ?, ?)"),
              script(d.db, "DELETE FROM scripts WHERE id = ?"),
              menos(d.db, "UPDATE bloques SET vivos = vivos - 1 WHERE id = ?"),
              bloque(d.db, "DELETE FROM bloques WHERE id = ? AND vivos <= 0") {}
        bool operator()(qint64 id) {
            const int rc = leer.con(1, id).paso();
            QString nombre, descripcion, editor;
            const qint64 suyo = rc == SQLITE_ROW ? leer.entero(2) : 0;
            const bool leido = rc == SQLITE_ROW && d.Codigo(suyo, leer.entero(3), leer.entero(4), editor);
            if (leido) {
                nombre = leer.texto(0);
                descripcion = leer.texto(1);
            }
            leer.reiniciar();
            if (!leido) {
                if (rc != SQLITE_ROW) // a script without its row: the tables no longer agree
                    d.Bien(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
                return false;
            }
            // The block may go, and its id be given to a new one.
            d.abierto = -1;
            return d.Bien(texto.con(1, id)
                              .con(2, TrigramasDe(Plegar(nombre).toUtf8(), d.comunes))
                              .con(3, TrigramasDe(Plegar(descripcion).toUtf8(), d.comunes))
                              .con(4, TrigramasDe(Plegar(editor).toUtf8(), d.comunes))
                              .hacer()) &&
                   d.Bien(script.con(1, id).hacer()) && d.Bien(menos.con(1, suyo).hacer()) &&
                   d.Bien(bloque.con(1, suyo).hacer());
        }
    };

    bool Quitar(qint64 archivo) {
        std::vector<qint64> ids;
        {
            Sql s(db, "SELECT id FROM scripts WHERE archivo = ?");
            s.con(1, archivo);
            int rc;
            while ((rc = s.paso()) == SQLITE_ROW)
                ids.push_back(s.entero(0));
            if (!Bien(rc))
                return false;
        }
        Quitador quitar(*this);
        for (qint64 id : ids)
            if (!quitar(id))
                return false;
        Sql s(db, "DELETE FROM archivos WHERE id = ?");
        return Bien(s.con(1, archivo).hacer());
    }

    // The rows a category has, by place: what its records are matched against.
    struct Vieja {
        qint64 id;
        int posicion;
        qint64 huella;
        bool usada = false;
    };
    bool Viejas(qint64 archivo, std::vector<Vieja> &viejas);
    bool Indexar(const QString &nombre, const Sello &sello, const Leida &leida, std::vector<Vieja> &viejas,
                 const std::atomic<bool> *cancelar);
    bool Escribir(qint64 archivo, const Leida &leida, std::vector<Vieja> &viejas, const std::atomic<bool> *cancelar);
    bool Sincronizar(const QMap<QString, Sello> &disco, const std::atomic<bool> *cancelar);
    // Brings the cache up to the index and the folder, in a read transaction of its own.
    bool Cargar(const QString &carpeta, const std::atomic<bool> *cancelar);
    // The best `limite` matches of the index, walking scripts in the order of results and reading
    // code only where the name and description do not settle it. False when that would read too much
    // code: the index's full answer is then needed. `cuantos`: how many match in all, when that is
    // known without reading any code; else -1.
    bool Primeros(const QStringList &palabras, int limite, std::vector<std::pair<Clave, qint64>> &r,
                  bool &todos, int &cuantos, const std::atomic<bool> *cancelar);
    bool Candidatos(const QStringList &palabras, std::vector<std::pair<Clave, qint64>> &r,
                    const std::atomic<bool> *cancelar);
    // The code of script `id`, folded, through `s` (SELECT bloque, desde, largo FROM scripts WHERE id = ?).
    bool CodigoPlegado(Sql &s, qint64 id, QString &texto);
    bool UnaVez(const QString &carpeta, const QStringList &palabras, Respuesta &res);
    bool ContarEtiquetas(const QString &carpeta, Respuesta &res, const std::atomic<bool> *cancelar);
    // Runs a reader's answer in one read transaction, so the writer's commits meanwhile are not half
    // seen; false when the index could not answer (then the files do, unless the asker gave up).
    template <typename Leer>
    bool EnLectura(Respuesta &res, const std::atomic<bool> *cancelar, Leer leer) {
        const Vigilar vigilar(*this, cancelar);
        interrumpida = false;
        abierto = -1; // another connection may have changed the blocks since
        if (db && !sqlite3_get_autocommit(db))
            Ejecutar("ROLLBACK");
        if (db && Ejecutar("BEGIN")) {
            const bool ok = leer();
            if (!Ejecutar("COMMIT") && !sqlite3_get_autocommit(db))
                Ejecutar("ROLLBACK");
            if (ok)
                return true;
        }
        if (interrumpida || (cancelar && cancelar->load())) {
            res = {};
            res.interrumpida = true;
            return true;
        }
        return false;
    }
    bool Responder(const QString &carpeta, const QStringList &palabras, int limite, Respuesta &res,
                   const std::atomic<bool> *cancelar, const std::function<void(const Respuesta &)> &adelanto);
    bool Hallazgos(const std::vector<std::pair<Clave, qint64>> &delIndice, size_t k,
                   const std::vector<std::pair<Clave, Hallazgo>> &leidos, int limite, const QStringList &palabras,
                   Respuesta &res);
};

Indice::Indice(const QString &ruta) : d_(std::make_unique<Datos>()) { d_->ruta = ruta; }

Indice::~Indice() { d_->Cerrar(); }

bool Indice::abierto() const { return d_->db != nullptr; }
bool Indice::danado() const { return d_->danado; }
void Indice::Cerrar() { d_->Cerrar(); }

void Indice::Interrumpir() {
    QMutexLocker l(&d_->candado);
    if (d_->db)
        sqlite3_interrupt(d_->db);
}

bool Indice::AbrirParaEscribir() {
    d_->danado = false;
    d_->ocupado = false;
    QDir().mkpath(QFileInfo(d_->ruta).absolutePath());
    if (QFileInfo::exists(d_->ruta) && d_->Abrir(SQLITE_OPEN_READWRITE) && d_->Preparar() && d_->DeEstaVersion())
        return true;
    // Locked by another program is not damaged: its file is not ours to remove.
    if (d_->ocupado) {
        qCWarning(lcIndice) << "index locked by another program, left alone:" << d_->ruta;
        d_->Cerrar();
        return false;
    }
    return Rehacer();
}

bool Indice::AbrirParaLeer(bool unaVez) {
    d_->danado = false;
    d_->ocupado = false;
    // Searching never writes: its connection cannot change the file whatever happens.
    // It reads the same pages again and again: mapped, they are not copied in at each query.
    if (QFileInfo::exists(d_->ruta) && d_->Abrir(SQLITE_OPEN_READONLY) && d_->DeEstaVersion() &&
        (unaVez || d_->Ejecutar("PRAGMA mmap_size = 4294967296")))
        return true;
    d_->Cerrar();
    return false;
}

bool Indice::ocupado() const { return d_->ocupado; }
bool Indice::sinEspacio() const { return d_->sinEspacio; }
QStringList Indice::Grandes() const { return d_->grandes; }

bool HayEspacio(const QString &ruta, qint64 porIndexar) {
    // Asked before every file of a pass: statvfs is one system call, where QStorageInfo also reads the
    // whole mount table each time.
    struct statvfs disco {};
    if (statvfs(QFile::encodeName(QFileInfo(ruta).absolutePath()).constData(), &disco) != 0)
        return true;
    const qint64 total = qint64(disco.f_blocks) * qint64(disco.f_frsize);
    if (total <= 0)
        return true;
    const qint64 libres = qint64(disco.f_bavail) * qint64(disco.f_frsize);
    const qint64 reserva = std::min<qint64>(64LL << 20, total / 10);
    // What indexing a file adds is a few times the file, and the log as much again before a checkpoint.
    const qint64 crecimiento = porIndexar * 8 + (1 << 20);
    return libres - crecimiento >= reserva;
}

bool Indice::Rehacer() {
    d_->Cerrar();
    // Another program's lock on the old file means it is in use, not damaged.
    {
        sqlite3 *prueba = nullptr;
        if (QFileInfo::exists(d_->ruta) &&
            sqlite3_open_v2(QFile::encodeName(d_->ruta).constData(), &prueba, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(prueba, 1000);
            const int rc = sqlite3_exec(prueba, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr) & 0xff;
            sqlite3_close_v2(prueba);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                d_->ocupado = true;
                qCWarning(lcIndice) << "index locked by another program, not rebuilt:" << d_->ruta;
                return false;
            }
        } else {
            sqlite3_close_v2(prueba);
        }
    }
    for (const char *resto : {"", "-wal", "-shm", "-journal"})
        QFile::remove(d_->ruta + QLatin1String(resto));
    if (!d_->Abrir(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) || !d_->Preparar() || !d_->Esquema()) {
        d_->Cerrar();
        return false;
    }
    d_->danado = false;
    return true;
}

QMap<QString, Sello> Indice::Indexadas() {
    QMap<QString, Sello> r;
    Sql s(d_->db, "SELECT nombre, tamano, modificado FROM archivos");
    int rc;
    while ((rc = s.paso()) == SQLITE_ROW)
        r.insert(s.texto(0), {s.entero(1), s.entero(2)});
    d_->Bien(rc);
    return r;
}

QStringList Indice::Actualizar(const QString &carpeta, const QStringList &forzados,
                               const std::function<void(qint64, qint64)> &avance, const std::atomic<bool> *cancelar) {
    QStringList hechas;
    if (!abierto())
        return hechas;
    d_->escritos.Para(carpeta);
    d_->abierto = -1;
    const QMap<QString, Sello> disco = Archivos(carpeta);
    QMap<QString, std::pair<qint64, Sello>> indexadas;
    {
        Sql s(d_->db, "SELECT id, nombre, tamano, modificado FROM archivos");
        int rc;
        while ((rc = s.paso()) == SQLITE_ROW)
            indexadas.insert(s.texto(1), {s.entero(0), Sello{s.entero(2), s.entero(3)}});
        if (!d_->Bien(rc))
            return hechas;
    }
    for (auto it = indexadas.cbegin(); it != indexadas.cend(); ++it)
        if (!disco.contains(it.key())) {
            if (!d_->Ejecutar("BEGIN IMMEDIATE"))
                return hechas;
            d_->Ejecutar(d_->Quitar(it->first) ? "COMMIT" : "ROLLBACK");
        }
    QSet<QString> aLeer; // by category name: the file may end in ".RTN"
    for (const QString &f : forzados)
        if (f.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive))
            aLeer.insert(f.chopped(4));
    QStringList porHacer;
    qint64 total = 0;
    const QStringList yaDichas = d_->grandes; // told once, not at every pass
    d_->grandes.clear();
    for (auto it = disco.cbegin(); it != disco.cend(); ++it) {
        // Never read (a file that size is refused): it would only stop the pass or fill the memory.
        if (it->tamano > archivos::kMayorLectura) {
            d_->grandes.append(it.key());
            if (!yaDichas.contains(it.key()))
                qCWarning(lcIndice) << "category too big to index, left out:" << it.key() << it->tamano << "bytes";
            continue;
        }
        if (!indexadas.contains(it.key()) || indexadas.value(it.key()).second != it.value() ||
            aLeer.contains(it.key())) {
            porHacer.append(it.key());
            total += it->tamano;
        }
    }
    if (!d_->comunesDecididos && indexadas.isEmpty() && !porHacer.isEmpty() &&
        !d_->ElegirComunes(carpeta, porHacer, total))
        return hechas;
    qint64 hecho = 0, enLote = 0;
    const bool mezclarAlFinal = total > kMezclarAlFinal;
    if (!d_->MezclaAutomatica(!mezclarAlFinal))
        return hechas;
    if (avance && total > 0)
        avance(0, total);
    // Small categories go together in one transaction: the full-text index writes a segment per
    // commit, and many small segments cost more to write and to merge than a few big ones.
    bool abierta = false;
    d_->sinEspacio = false;
    // Each file is read, and a new category's rows made, on another core while those before are
    // stored: storing is SQLite's, on this thread, and takes about as long.
    {
        std::vector<qint64> tamanos;
        for (const QString &nombre : porHacer)
            tamanos.push_back(disco.value(nombre).tamano);
        Adelanto adelanto(
            [&carpeta, &porHacer, &indexadas, escritos = &d_->escritos, comunes = &d_->comunes, cancelar](int k) {
                return Leer(carpeta, porHacer[k] + QStringLiteral(".rtn"), *escritos, !indexadas.contains(porHacer[k]),
                            *comunes, cancelar);
            },
            std::move(tamanos));
        for (int k = 0; k < porHacer.size(); ++k) {
            const QString &nombre = porHacer[k];
            // The index is a cache: it never takes the space the user's own saves need.
            if (!HayEspacio(d_->ruta, disco.value(nombre).tamano)) {
                d_->sinEspacio = true;
                qCWarning(lcIndice) << "disk nearly full: indexing waits";
                break;
            }
            if ((cancelar && cancelar->load()) || d_->danado || (!abierta && !(abierta = d_->Ejecutar("BEGIN IMMEDIATE"))))
                break;
            // The category's rows are read here while the other core parses its file.
            std::vector<Datos::Vieja> viejas;
            const auto ya = indexadas.constFind(nombre);
            const bool viejasLeidas = ya == indexadas.cend() || d_->Viejas(ya->first, viejas);
            const Leida leida = adelanto.Siguiente();
            if ((cancelar && cancelar->load()) || d_->danado)
                break;
            if (viejasLeidas && d_->Indexar(nombre, disco.value(nombre), leida, viejas, cancelar))
                hechas.append(nombre);
            hecho += disco.value(nombre).tamano;
            enLote += disco.value(nombre).tamano;
            if (enLote >= kLote) {
                abierta = false;
                enLote = 0;
                if (!d_->Ejecutar("COMMIT") && !d_->Ejecutar("ROLLBACK"))
                    qCWarning(lcIndice) << "neither COMMIT nor ROLLBACK went through";
            }
            if (avance)
                avance(hecho, total);
        }
    } // the reading stops here when the pass stops early
    if (abierta && !d_->Ejecutar("COMMIT") && !d_->Ejecutar("ROLLBACK"))
        qCWarning(lcIndice) << "neither COMMIT nor ROLLBACK went through";
    // The segments the pass wrote are merged at once, as merging along the way would have left them,
    // and merging goes back to following each write (also after a pass given up, whose segments
    // are then merged along with later writes).
    if (mezclarAlFinal && !hechas.isEmpty() && !d_->danado && !(cancelar && cancelar->load()))
        d_->Ejecutar("INSERT INTO texto(texto, rank) VALUES('merge', 1000000000)");
    if (mezclarAlFinal && !d_->danado)
        d_->MezclaAutomatica(true);
    // What was written moves into the file and the log shrinks, rather than wait for the next pass.
    // Not when the program is closing: the log stays whole and the next pass moves it in.
    if (!hechas.isEmpty() && !(cancelar && cancelar->load()))
        d_->Ejecutar("PRAGMA wal_checkpoint(TRUNCATE)");
    return hechas;
}

bool Indice::Datos::ElegirComunes(const QString &carpeta, const QStringList &porHacer, qint64 total) {
    Recuento recuento;
    const qsizetype paso = qsizetype(std::max<qint64>(1, total / kMuestra));
    qint64 leidos = 0;
    for (qsizetype k = 0; k < porHacer.size() && leidos < kMuestra; k += paso) {
        QByteArray datos;
        // A file that cannot be read now is only left out of the sample; the pass will say so.
        if (!mdlScripts::LeerBytes(carpeta + QLatin1Char('/') + porHacer[k] + QStringLiteral(".rtn"), datos))
            continue;
        leidos += datos.size();
        for (const mdlScripts::Registro &r : mdlScripts::Registros(datos)) {
            const Script s = mdlScripts::Decodificar(datos, r);
            recuento.Contar(Plegar(s.Nombre).toUtf8(), Plegar(s.Descripcion).toUtf8(),
                            Plegar(etiquetas::AEditor(s.Codigo)).toUtf8());
        }
    }
    const QByteArrayList lista = recuento.scripts() >= kMuestraMinima ? recuento.MasDe(kParteComun) : QByteArrayList();
    if (!Ejecutar("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    {
        Sql s(db, "INSERT INTO comunes(trigrama) VALUES(?)");
        for (const QByteArray &t : lista)
            ok = ok && Bien(s.conBytes(1, t).hacer());
        Sql m(db, "INSERT INTO meta(clave, valor) VALUES('comunes', ?)");
        ok = ok && Bien(m.con(1, qint64(lista.size())).hacer());
    }
    if (!ok || !Ejecutar("COMMIT")) {
        Ejecutar("ROLLBACK");
        return false;
    }
    qCDebug(lcIndice) << "trigrams left out of the index:" << lista.size() << "of a sample of" << recuento.scripts()
                     << "scripts";
    comunes = Comunes(lista);
    comunesDecididos = true;
    return true;
}

bool Indice::Datos::Viejas(qint64 archivo, std::vector<Vieja> &viejas) {
    Sql s(db, "SELECT id, posicion, huella FROM scripts WHERE archivo = ? ORDER BY posicion");
    s.con(1, archivo);
    int rc;
    while ((rc = s.paso()) == SQLITE_ROW)
        viejas.push_back({s.entero(0), int(s.entero(1)), s.entero(2)});
    return Bien(rc);
}

bool Indice::Datos::Indexar(const QString &nombre, const Sello &sello, const Leida &leida, std::vector<Vieja> &viejas,
                            const std::atomic<bool> *cancelar) {
    // The look was taken before reading: a file that changes while it is read differs from it at the
    // next pass and is read again.
    if (!leida.bien)
        return false;
    if (!Ejecutar("SAVEPOINT categoria"))
        return false;
    qint64 id = -1;
    {
        Sql s(db, "SELECT id FROM archivos WHERE nombre = ?");
        if (s.con(1, nombre.toUtf8()).paso() == SQLITE_ROW)
            id = s.entero(0);
    }
    if (id < 0) {
        Sql s(db, "INSERT INTO archivos(nombre, tamano, modificado, generacion) VALUES(?, -1, 0, 0)");
        if (Bien(s.con(1, nombre.toUtf8()).hacer()))
            id = sqlite3_last_insert_rowid(db);
    }
    bool ok = id >= 0 && Escribir(id, leida, viejas, cancelar);
    if (ok) {
        Sql s(db, "UPDATE archivos SET tamano = ?, modificado = ?, generacion = generacion + 1 WHERE id = ?");
        ok = Bien(s.con(1, sello.tamano).con(2, sello.modificado).con(3, id).hacer());
    }
    ok = ok && !(cancelar && cancelar->load());
    if (!ok)
        Ejecutar("ROLLBACK TO categoria");
    Ejecutar("RELEASE categoria");
    return ok;
}

bool Indice::Datos::Escribir(qint64 archivo, const Leida &leida, std::vector<Vieja> &viejas,
                             const std::atomic<bool> *cancelar) {
    const std::vector<qint64> &huellas = leida.huellas;
    // A saved category mostly holds the scripts it held: each new record takes the row of an old one
    // with the same content, at the same place if there is one, so only what changed is indexed again.
    const int n = int(leida.registros.size());
    std::vector<int> toma(n, -1);
    // Most records are unchanged where they were: those are matched by place, without a table.
    for (int i = 0; i < n && i < int(viejas.size()); ++i)
        if (viejas[size_t(i)].posicion == i && viejas[size_t(i)].huella == huellas[size_t(i)]) {
            toma[size_t(i)] = i;
            viejas[size_t(i)].usada = true;
        }
    QHash<qint64, std::vector<int>> porHuella;
    QHash<QPair<qint64, int>, int> exactas;
    for (int j = 0; j < int(viejas.size()); ++j)
        if (!viejas[size_t(j)].usada) {
            porHuella[viejas[size_t(j)].huella].push_back(j);
            exactas.insert({viejas[size_t(j)].huella, viejas[size_t(j)].posicion}, j);
        }
    for (int i = 0; i < n; ++i) {
        if (toma[i] >= 0)
            continue;
        const auto e = exactas.constFind({huellas[i], i});
        if (e != exactas.cend()) {
            toma[i] = *e;
            viejas[*e].usada = true;
        }
    }
    QHash<qint64, size_t> siguiente;
    for (int i = 0; i < n; ++i) {
        if (toma[i] >= 0)
            continue;
        const auto it = porHuella.constFind(huellas[i]);
        if (it == porHuella.cend())
            continue;
        size_t &k = siguiente[huellas[i]];
        while (k < it->size() && viejas[(*it)[k]].usada)
            ++k;
        if (k < it->size()) {
            toma[i] = (*it)[k];
            viejas[toma[i]].usada = true;
        }
    }

    Quitador quitar(*this);
    for (const Vieja &v : viejas)
        if (!v.usada && !quitar(v.id))
            return false;

    Sql mover(db, "UPDATE scripts SET posicion = ? WHERE id = ?");
    Sql script(db, "INSERT INTO scripts(archivo, posicion, huella, nombre, descripcion, bloque, desde, largo, presencia)"
                   " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    Sql bloque(db, "INSERT INTO bloques(vivos, datos) VALUES(?, ?)");
    Sql texto(db, "INSERT INTO texto(rowid, nombre, descripcion, codigo) VALUES(?, ?, ?, ?)");
    std::vector<int> nuevos;
    for (int i = 0; i < n; ++i) {
        if (toma[i] < 0)
            nuevos.push_back(i);
        else if (viejas[toma[i]].posicion != i && !Bien(mover.con(1, i).con(2, viejas[toma[i]].id).hacer()))
            return false;
    }
    // A new category's rows and blocks were made while the category before it was stored.
    const bool leidas = !leida.filas.empty();
    std::vector<Leida::Filas> hechas;
    if (!leidas)
        for (int i : nuevos) {
            if (cancelar && (hechas.size() & 63) == 0 && cancelar->load())
                return false;
            hechas.push_back(Hacer(leida, i, comunes));
        }
    const auto filas = [&](size_t k) -> const Leida::Filas & { return leidas ? leida.filas[size_t(nuevos[k])] : hechas[k]; };
    std::vector<Leida::Bloque> propios;
    const bool bloquesLeidos = leidas && int(nuevos.size()) == n && !leida.bloques.empty();
    if (!bloquesLeidos && !HacerBloques(int(nuevos.size()), [&](int k) { return filas(size_t(k)).codigo; }, zlib, propios))
        return false;
    size_t k = 0;
    for (const Leida::Bloque &b : bloquesLeidos ? leida.bloques : propios) {
        // A block of only empty code is none.
        qint64 suyo = 0;
        if (!b.datos.isEmpty()) {
            if (!Bien(bloque.con(1, b.cuantos).conBytes(2, b.datos).hacer()))
                return false;
            suyo = sqlite3_last_insert_rowid(db);
        }
        qint64 desde = 0;
        for (int j = 0; j < b.cuantos; ++j, ++k) {
            if (cancelar && (k & 63) == 0 && cancelar->load())
                return false;
            const int i = nuevos[k];
            const Leida::Filas &f = filas(k);
            if (!Bien(script.con(1, archivo).con(2, i).con(3, huellas[i]).con(4, f.nombre).con(5, f.descripcion)
                          .con(6, suyo).con(7, desde).con(8, qint64(f.codigo.size())).conBytes(9, f.presencia).hacer()))
                return false;
            desde += f.codigo.size();
            const qint64 id = sqlite3_last_insert_rowid(db);
            if (!Bien(texto.con(1, id).con(2, f.plegados[0]).con(3, f.plegados[1]).con(4, f.plegados[2]).hacer()))
                return false;
        }
    }
    return k == nuevos.size();
}

bool Indice::Datos::Sincronizar(const QMap<QString, Sello> &ahora, const std::atomic<bool> *cancelar) {
    // The same categories as last time are in the same order.
    bool cambio = false;
    if (ahora.keys() != categorias) {
        categorias = ahora.keys();
        orden = OrdenCategorias(categorias);
        cambio = true;
    }
    const qint64 v = Numero("PRAGMA data_version");
    if (v < 0)
        return false;
    // The writer decides what it leaves out when it first fills the index, after this connection opened.
    if (v != version && !comunesDecididos && !LeerComunes())
        return false;
    if (v != version || cache.empty()) {
        Sql s(db, "SELECT id, nombre, tamano, modificado, generacion FROM archivos");
        Sql filas(db, "SELECT id, posicion, nombre, descripcion, presencia FROM scripts WHERE archivo = ? ORDER BY id");
        const int ancho = Presencia::Ancho(comunes);
        QSet<qint64> vistas;
        int rc;
        while ((rc = s.paso()) == SQLITE_ROW) {
            if (cancelar && cancelar->load())
                return false;
            const qint64 id = s.entero(0);
            vistas.insert(id);
            Categoria &c = cache[id];
            c.nombre = s.texto(1);
            c.sello = Sello{s.entero(2), s.entero(3)};
            if (c.generacion == s.entero(4))
                continue;
            c.generacion = s.entero(4);
            c.filas.clear();
            c.presencia.clear();
            cambio = true;
            filas.con(1, id);
            int rcf;
            while ((rcf = filas.paso()) == SQLITE_ROW) {
                // Marks of another width were not made with this list: the index no longer agrees.
                if (!filas.presencia(4, ancho, c.presencia)) {
                    qCWarning(lcIndice) << "a script's marks in the index do not fit its list of common trigrams";
                    rcf = SQLITE_CORRUPT;
                    break;
                }
                c.filas.emplace_back(filas.entero(0), int(filas.entero(1)), Plegar(filas.texto(2)),
                                     Plegar(filas.texto(3)));
            }
            filas.reiniciar();
            if (!Bien(rcf)) {
                c.generacion = -1;
                c.filas.clear();
                c.presencia.clear();
                return false;
            }
            for (size_t i = 0; i < c.filas.size(); ++i)
                c.filas[i].presencia = c.presencia.data() + i * size_t(ancho);
        }
        if (!Bien(rc))
            return false;
        for (auto it = cache.begin(); it != cache.end();)
            if (!vistas.contains(it->first)) {
                it = cache.erase(it);
                cambio = true;
            } else {
                ++it;
            }
        // The sellos may have changed without a new generation (a file touched, the same content).
        cambio = cambio || v != version;
        version = v;
    }
    if (!cambio && ahora == disco && !refs.empty())
        return true;
    disco = ahora;
    QSet<QString> cubiertas;
    for (auto &[id, c] : cache) {
        const auto d = ahora.constFind(c.nombre);
        c.vigente = d != ahora.cend() && *d == c.sello;
        c.orden = orden.value(c.nombre);
        if (c.vigente)
            cubiertas.insert(c.nombre);
    }
    sinIndice.clear();
    for (auto it = orden.cbegin(); it != orden.cend(); ++it)
        if (!cubiertas.contains(it.key()))
            sinIndice.append(it.key());
    refs.clear();
    enOrden.clear();
    for (const auto &[id, c] : cache)
        for (const Fila &f : c.filas) {
            refs.push_back({f.id, &c, &f});
            if (c.vigente)
                enOrden.push_back({f.id, &c, &f});
        }
    std::sort(refs.begin(), refs.end(), [](const Ref &a, const Ref &b) { return a.id < b.id; });
    std::sort(enOrden.begin(), enOrden.end(), [](const Ref &a, const Ref &b) {
        return a.cat->orden != b.cat->orden ? a.cat->orden < b.cat->orden : a.fila->posicion < b.fila->posicion;
    });
    return true;
}

bool Indice::Datos::Cargar(const QString &carpeta, const std::atomic<bool> *cancelar) {
    if (!db || !Ejecutar("BEGIN"))
        return false;
    bool ok = Sincronizar(Archivos(carpeta), cancelar);
    if (ok) {
        // The full-text index reads its own layout at its first query on a connection: done now.
        Sql s(db, "SELECT rowid FROM texto WHERE texto MATCH '\"rtn\"' LIMIT 1");
        ok = Bien(s.paso());
    }
    if (!Ejecutar("COMMIT") && !sqlite3_get_autocommit(db))
        Ejecutar("ROLLBACK");
    return ok;
}

bool Indice::Datos::Primeros(const QStringList &palabras, int limite, std::vector<std::pair<Clave, qint64>> &r,
                             bool &todos, int &cuantos, const std::atomic<bool> *cancelar) {
    cuantos = -1;
    const int w = int(palabras.size());
    if (w > 30 || limite <= 0)
        return false;
    std::vector<Trigramas> trigramas;
    std::vector<char> etiqueta;
    std::vector<Presencia> presencia;
    for (const QString &p : palabras) {
        trigramas.emplace_back(p);
        etiqueta.push_back(EsEtiqueta(p));
        presencia.emplace_back(p, comunes);
    }
    // Results go by words in the name, then in the description: one list per pair of counts, each
    // already in the order of category and place.
    const int lado = w + 1;
    struct Parte {
        int seguros = 0, dudosos = 0;
    };
    // The scripts from `desde` to `hasta` of the library's order, each into its list.
    const auto clasificar = [&](size_t desde, size_t hasta, std::vector<std::vector<Entrada>> &listas) {
        Parte parte;
        for (size_t k = desde; k < hasta; ++k) {
            const Ref &ref = enOrden[k];
            const Fila &f = *ref.fila;
            int n = 0, d = 0;
            quint32 falta = 0;
            bool fuera = !Cumple(presencia, f.presencia);
            for (int i = 0; i < w && !fuera; ++i) {
                const bool ed = f.enDescripcion.puede(trigramas[i]) && Contiene(f.descripcion, palabras[i]) &&
                                (!etiqueta[size_t(i)] || TieneEtiqueta(f.descripcion, palabras[i]));
                const bool en =
                    !etiqueta[size_t(i)] && f.enNombre.puede(trigramas[i]) && Contiene(f.nombre, palabras[i]);
                n += en;
                d += ed;
                fuera = etiqueta[size_t(i)] && !ed; // a tag is in the description or nowhere
                // Only the code can hold the word now; its marks may say that it does.
                if (!en && !ed && !presencia[size_t(i)].exacta())
                    falta |= 1u << i;
            }
            if (!fuera) {
                listas[size_t(n * lado + d)].push_back({&ref, falta});
                ++parte.seguros;
                parte.dudosos += falta != 0;
            }
        }
        return parte;
    };
    grupos.resize(std::max(grupos.size(), size_t(lado * lado)));
    for (std::vector<Entrada> &g : grupos)
        g.clear();
    // A big library's second half is looked through on another core; its lists follow the first's,
    // so every list stays in the library's order.
    Parte parte;
    if (enOrden.size() >= kEnDosNucleos) {
        const size_t mitad = enOrden.size() / 2;
        std::vector<std::vector<Entrada>> otras(size_t(lado * lado));
        Parte mitades[2];
        hilos::EnParalelo(2, [&](int h) {
            mitades[h] = h == 0 ? clasificar(0, mitad, grupos) : clasificar(mitad, enOrden.size(), otras);
        });
        parte.seguros = mitades[0].seguros + mitades[1].seguros;
        parte.dudosos = mitades[0].dudosos + mitades[1].dudosos;
        for (size_t g = 0; g < otras.size(); ++g)
            grupos[g].insert(grupos[g].end(), otras[g].cbegin(), otras[g].cend());
    } else
        parte = clasificar(0, enOrden.size(), grupos);
    const int seguros = parte.seguros, dudosos = parte.dudosos;
    if (dudosos == 0)
        cuantos = seguros;
    // Code is read script by script only while few are read: a word the code seldom holds is found
    // faster through the index.
    // 64 bits: a whole answer asks with the largest limit there is.
    qint64 porLeer = 4 * qint64(limite) + 256;
    Sql codigo(db, "SELECT bloque, desde, largo FROM scripts WHERE id = ?");
    todos = true;
    for (int n = w; n >= 0; --n)
        for (int d = w; d >= 0; --d)
            for (const Entrada &e : grupos[size_t(n * lado + d)]) {
                if (int(r.size()) >= limite) {
                    todos = false;
                    return true;
                }
                if (e.falta) {
                    if (--porLeer < 0 || (cancelar && cancelar->load()))
                        return false;
                    QString texto;
                    if (!CodigoPlegado(codigo, e.ref->id, texto))
                        return false;
                    bool esta = true;
                    for (int i = 0; i < w && esta; ++i)
                        esta = !(e.falta & (1u << i)) || texto.contains(palabras[i]);
                    if (!esta)
                        continue;
                }
                Clave c;
                c.enNombre = n;
                c.enDescripcion = d;
                c.categoria = e.ref->cat->orden;
                c.posicion = e.ref->fila->posicion;
                r.emplace_back(c, e.ref->id);
            }
    return true;
}

namespace {
// The ids a statement gives, in order.
bool Ids(Sql &s, std::vector<qint64> &r, const std::function<bool(int)> &bien) {
    int rc;
    while ((rc = s.paso()) == SQLITE_ROW)
        r.push_back(s.entero(0));
    return bien(rc);
}
} // namespace

bool Indice::Datos::CodigoPlegado(Sql &s, qint64 id, QString &texto) {
    const int rc = s.con(1, id).paso();
    const bool leido = rc == SQLITE_ROW && Codigo(s.entero(0), s.entero(1), s.entero(2), texto);
    s.reiniciar();
    if (!leido) {
        if (rc != SQLITE_ROW) // a script without its row: the tables no longer agree
            Bien(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
        return false;
    }
    texto = Plegar(texto);
    return true;
}

bool Indice::Datos::Candidatos(const QStringList &palabras, std::vector<std::pair<Clave, qint64>> &r,
                               const std::atomic<bool> *cancelar) {
    // Scripts holding every trigram of every word of three letters or more. A word of exactly three is
    // one trigram, so holding it settles the word; any other is looked for in the script's texts.
    // So for many words: past some two hundred terms, words are only confirmed on the scripts.
    std::vector<bool> resuelta;
    const QByteArrayList todos = TerminosDeTodas(palabras, comunes, resuelta);
    const QByteArray terminos = todos.join(" AND ");
    candidatos.clear();
    if (!terminos.isEmpty()) {
        Sql s(db, "SELECT rowid FROM texto WHERE texto MATCH ? ORDER BY rowid");
        if (!Ids(s.con(1, terminos), candidatos, [this](int rc) { return Bien(rc); }))
            return false;
    }
    std::vector<Trigramas> trigramas;
    std::vector<Presencia> presencia;
    std::vector<char> etiqueta;
    for (const QString &p : palabras) {
        trigramas.emplace_back(p);
        presencia.emplace_back(p, comunes);
        etiqueta.push_back(EsEtiqueta(p));
    }
    Sql codigo(db, "SELECT bloque, desde, largo FROM scripts WHERE id = ?");
    bool leido = true;
    std::vector<char> enCodigo(size_t(palabras.size())); // the words to look for in the code
    const auto evaluar = [&](const Ref &ref) {
        if (!ref.cat->vigente || !Cumple(presencia, ref.fila->presencia))
            return;
        Clave c;
        c.categoria = ref.cat->orden;
        c.posicion = ref.fila->posicion;
        const Fila &f = *ref.fila;
        bool buscar = false;
        for (int i = 0; i < palabras.size(); ++i) {
            if (etiqueta[size_t(i)]) {
                if (!f.enDescripcion.puede(trigramas[i]) || !TieneEtiqueta(f.descripcion, palabras[i]))
                    return;
                ++c.enDescripcion;
                enCodigo[size_t(i)] = false;
                continue;
            }
            const bool n = f.enNombre.puede(trigramas[i]) && Contiene(f.nombre, palabras[i]);
            const bool d = f.enDescripcion.puede(trigramas[i]) && Contiene(f.descripcion, palabras[i]);
            c.enNombre += n;
            c.enDescripcion += d;
            enCodigo[size_t(i)] = !n && !d && !resuelta[size_t(i)] && !presencia[size_t(i)].exacta();
            buscar = buscar || enCodigo[size_t(i)];
        }
        if (buscar) {
            QString texto;
            if (!(leido = CodigoPlegado(codigo, ref.id, texto)))
                return;
            for (int i = 0; i < palabras.size(); ++i)
                if (enCodigo[size_t(i)] && !texto.contains(palabras[i]))
                    return;
        }
        r.emplace_back(c, ref.id);
    };
    const auto seguir = [&](size_t k) { return leido && !((k & 255) == 0 && cancelar && cancelar->load()); };
    size_t k = 0;
    if (terminos.isEmpty()) {
        for (const Ref &ref : refs) {
            if (!seguir(++k))
                break;
            evaluar(ref);
        }
    } else {
        // Both in order of id: many candidates are met walking the scripts, few by halving.
        const bool andar = candidatos.size() * 64 > refs.size();
        auto it = refs.cbegin();
        for (qint64 id : candidatos) {
            if (!seguir(++k))
                break;
            if (andar)
                while (it != refs.cend() && it->id < id)
                    ++it;
            else
                it = std::lower_bound(it, refs.cend(), id, [](const Ref &a, qint64 b) { return a.id < b; });
            if (it == refs.cend())
                break;
            if (it->id == id)
                evaluar(*it);
        }
    }
    return leido && !(cancelar && cancelar->load());
}

bool Indice::Datos::Hallazgos(const std::vector<std::pair<Clave, qint64>> &delIndice, size_t k,
                              const std::vector<std::pair<Clave, Hallazgo>> &leidos, int limite,
                              const QStringList &palabras, Respuesta &res) {
    Sql s(db, "SELECT archivo, nombre, descripcion, bloque, desde, largo FROM scripts WHERE id = ?");
    size_t i = 0, j = 0;
    while (res.hallazgos.size() < limite && (i < k || j < leidos.size())) {
        if (j >= leidos.size() || (i < k && Antes(delIndice[i].first, leidos[j].first))) {
            Hallazgo h;
            const int rc = s.con(1, delIndice[i].second).paso();
            QString codigo;
            if (rc != SQLITE_ROW || !Codigo(s.entero(3), s.entero(4), s.entero(5), codigo)) {
                if (rc != SQLITE_ROW) // a script without its row: the tables no longer agree
                    Bien(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
                return false;
            }
            h.codigo = std::move(codigo);
            const auto c = cache.find(s.entero(0));
            h.categoria = c != cache.end() ? c->second.nombre : QString();
            h.posicion = delIndice[i].first.posicion;
            h.nombre = s.texto(1);
            h.descripcion = s.texto(2);
            s.reiniciar();
            res.hallazgos.append(std::move(h));
            ++i;
        } else {
            res.hallazgos.append(leidos[j++].second);
        }
    }
    for (Hallazgo &h : res.hallazgos)
        Adornar(h, palabras);
    return true;
}

bool Indice::Datos::Responder(const QString &carpeta, const QStringList &palabras, int limite, Respuesta &res,
                              const std::atomic<bool> *cancelar,
                              const std::function<void(const Respuesta &)> &adelanto) {
    const bool mirar = vista == 0 || vista != vistaMirada || disco.isEmpty();
    vistaMirada = vista;
    if (!Sincronizar(mirar ? Archivos(carpeta) : disco, cancelar))
        return false;
    // What the index does not hold as it is now is read from the files.
    Recolector r(limite);
    for (const QString &nombre : sinIndice) {
        if (cancelar && cancelar->load())
            return false;
        if (!BuscarEnCategoria(carpeta + QLatin1Char('/') + nombre + QStringLiteral(".rtn"), nombre,
                               orden.value(nombre), palabras, r, cancelar))
            res.ilegibles << nombre;
    }
    if (cancelar && cancelar->load())
        return false; // stopped inside a category: what it gave is not all it holds
    const auto leidos = r.Mejores();
    delIndice.clear();
    bool todos = false;
    int cuantos = -1;
    if (Primeros(palabras, limite, delIndice, todos, cuantos, cancelar)) {
        if (!Hallazgos(delIndice, delIndice.size(), leidos, limite, palabras, res))
            return false;
        res.total = r.total() + int(delIndice.size());
        if (todos)
            return true;
        if (cuantos >= 0) { // no match needed its code read: the count is known already
            res.total = r.total() + cuantos;
            return true;
        }
        // The first results are final; only the count goes on, over the index's full answer.
        if (adelanto) {
            res.contando = true;
            adelanto(res);
            res.contando = false;
            // A newer query needs no count of this one.
            if (cancelar && cancelar->load())
                return false;
        }
        delIndice.clear();
        if (!Candidatos(palabras, delIndice, cancelar))
            return false;
        res.total = r.total() + int(delIndice.size());
        return true;
    }
    if (interrumpida || danado || (cancelar && cancelar->load()))
        return false;
    delIndice.clear();
    if (!Candidatos(palabras, delIndice, cancelar))
        return false;
    res.total = r.total() + int(delIndice.size());
    const size_t k = std::min(delIndice.size(), size_t(std::max(limite, 0)));
    std::partial_sort(delIndice.begin(), delIndice.begin() + k, delIndice.end(),
                      [](const auto &a, const auto &b) { return Antes(a.first, b.first); });
    return Hallazgos(delIndice, k, leidos, limite, palabras, res);
}

Respuesta Indice::Buscar(const QString &carpeta, const QString &consulta, int limite,
                         const std::atomic<bool> *cancelar, const std::function<void(const Respuesta &)> &adelanto) {
    Respuesta res;
    const QStringList palabras = Palabras(consulta);
    if (palabras.isEmpty())
        return res;
    if (d_->EnLectura(res, cancelar, [&] { return d_->Responder(carpeta, palabras, limite, res, cancelar, adelanto); }))
        return res;
    return BuscarEnArchivos(carpeta, consulta, limite, cancelar);
}

// The terms are Candidatos's; each candidate's row is read on its own, the code only when a word must
// be confirmed there.
bool Indice::Datos::UnaVez(const QString &carpeta, const QStringList &palabras, Respuesta &res) {
    if (!comunesDecididos && !LeerComunes())
        return false;
    std::vector<bool> resuelta;
    const QByteArrayList todos = TerminosDeTodas(palabras, comunes, resuelta);
    if (todos.isEmpty())
        return false; // nothing narrows the scripts down: every name is looked at, as Buscar does
    const QMap<QString, Sello> ahora = Archivos(carpeta);
    const QMap<QString, int> orden = OrdenCategorias(ahora.keys());
    QHash<qint64, QString> vigentes;
    QSet<QString> cubiertas;
    {
        Sql s(db, "SELECT id, nombre, tamano, modificado FROM archivos");
        int rc;
        while ((rc = s.paso()) == SQLITE_ROW) {
            const auto d = ahora.constFind(s.texto(1));
            if (d != ahora.cend() && *d == Sello{s.entero(2), s.entero(3)}) {
                vigentes.insert(s.entero(0), d.key());
                cubiertas.insert(d.key());
            }
        }
        if (!Bien(rc))
            return false;
    }
    std::vector<std::pair<Clave, Hallazgo>> hallados;
    // One statement walks the candidates and their rows.
    Sql fila(db, "SELECT archivo, posicion, nombre, descripcion, bloque, desde, largo, presencia FROM scripts"
                 " WHERE id IN (SELECT rowid FROM texto WHERE texto MATCH ?) ORDER BY id");
    fila.con(1, todos.join(" AND "));
    std::vector<Presencia> presencia;
    for (const QString &p : palabras)
        presencia.emplace_back(p, comunes);
    const int ancho = Presencia::Ancho(comunes);
    std::vector<uint64_t> suyas;
    int rc;
    while ((rc = fila.paso()) == SQLITE_ROW) {
        suyas.clear();
        if (!fila.presencia(7, ancho, suyas)) {
            qCWarning(lcIndice) << "a script's marks in the index do not fit its list of common trigrams";
            return Bien(SQLITE_CORRUPT);
        }
        if (!Cumple(presencia, suyas.data()))
            continue;
        const auto categoria = vigentes.constFind(fila.entero(0));
        if (categoria == vigentes.cend())
            continue;
        Hallazgo h;
        h.categoria = *categoria;
        h.posicion = int(fila.entero(1));
        h.nombre = fila.texto(2);
        h.descripcion = fila.texto(3);
        const QString nombre = Plegar(h.nombre), descripcion = Plegar(h.descripcion);
        Clave c;
        c.categoria = orden.value(h.categoria);
        c.posicion = h.posicion;
        QString codigo;
        bool leido = false, esta = true;
        for (int i = 0; i < palabras.size() && esta; ++i) {
            if (EsEtiqueta(palabras[i])) {
                esta = TieneEtiqueta(descripcion, palabras[i]);
                c.enDescripcion += esta;
                continue;
            }
            const bool n = Contiene(nombre, palabras[i]), d = Contiene(descripcion, palabras[i]);
            c.enNombre += n;
            c.enDescripcion += d;
            if (n || d || resuelta[size_t(i)])
                continue;
            if (presencia[size_t(i)].exacta())
                continue;
            if (!leido) {
                if (!Codigo(fila.entero(4), fila.entero(5), fila.entero(6), codigo))
                    return false;
                codigo = Plegar(codigo);
                leido = true;
            }
            esta = codigo.contains(palabras[i]);
        }
        if (esta)
            hallados.emplace_back(c, std::move(h));
    }
    if (!Bien(rc))
        return false;
    // What the index does not hold as the files are now is read from them.
    Recolector r(INT_MAX);
    for (auto it = ahora.cbegin(); it != ahora.cend(); ++it)
        if (!cubiertas.contains(it.key()) &&
            !BuscarEnCategoria(carpeta + QLatin1Char('/') + it.key() + QStringLiteral(".rtn"), it.key(),
                               orden.value(it.key()), palabras, r))
            res.ilegibles << it.key();
    for (auto &x : r.Mejores())
        hallados.push_back(std::move(x));
    std::stable_sort(hallados.begin(), hallados.end(), [](const auto &a, const auto &b) { return Antes(a.first, b.first); });
    for (auto &x : hallados)
        res.hallazgos.append(std::move(x.second));
    res.total = int(res.hallazgos.size());
    return true;
}

Respuesta Indice::BuscarUnaVez(const QString &carpeta, const QString &consulta) {
    const QStringList palabras = Palabras(consulta);
    Respuesta res;
    if (palabras.isEmpty())
        return res;
    if (abierto() && d_->Ejecutar("BEGIN")) {
        const bool ok = d_->UnaVez(carpeta, palabras, res);
        if (!d_->Ejecutar("COMMIT") && !sqlite3_get_autocommit(d_->db))
            d_->Ejecutar("ROLLBACK");
        if (ok)
            return res;
    }
    return Buscar(carpeta, consulta, INT_MAX);
}

Respuesta Indice::Etiquetas(const QString &carpeta, const std::atomic<bool> *cancelar) {
    Respuesta res;
    if (d_->EnLectura(res, cancelar, [&] { return d_->ContarEtiquetas(carpeta, res, cancelar); }))
        return res;
    return EtiquetasEnArchivos(carpeta);
}

bool Indice::Datos::ContarEtiquetas(const QString &carpeta, Respuesta &res, const std::atomic<bool> *cancelar) {
    const bool mirar = vista == 0 || vista != vistaMirada || disco.isEmpty();
    vistaMirada = vista;
    if (!Sincronizar(mirar ? Archivos(carpeta) : disco, cancelar))
        return false;
    CuentaEtiquetas cuenta;
    // The folded descriptions in memory tell which scripts have a tag at all; only theirs are read, to
    // show each tag as it was typed.
    Sql s(db, "SELECT descripcion FROM scripts WHERE id = ?");
    size_t k = 0;
    for (const Ref &ref : enOrden) {
        if ((++k & 1023) == 0 && cancelar && cancelar->load())
            return false;
        if (!ref.fila->descripcion.contains(QLatin1Char('#')))
            continue;
        const int rc = s.con(1, ref.id).paso();
        if (rc != SQLITE_ROW) { // a script without its row: the tables no longer agree
            Bien(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
            return false;
        }
        cuenta.Contar(s.texto(0));
        s.reiniciar();
    }
    for (const QString &nombre : sinIndice) {
        if (cancelar && cancelar->load())
            return false;
        if (!ContarEnCategoria(carpeta + QLatin1Char('/') + nombre + QStringLiteral(".rtn"), cuenta))
            res.ilegibles << nombre;
    }
    res.etiquetas = cuenta.Lista();
    return true;
}

void Indice::setVista(quint64 vista) { d_->vista = vista; }

bool Indice::Calentar(const QString &carpeta, const std::atomic<bool> *cancelar) {
    d_->interrumpida = false;
    if (!abierto())
        return false;
    if (!sqlite3_get_autocommit(d_->db))
        d_->Ejecutar("ROLLBACK");
    const Datos::Vigilar vigilar(*d_, cancelar);
    return d_->Cargar(carpeta, cancelar);
}

} // namespace biblioteca
