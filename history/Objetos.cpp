#include "history/Objetos.h"
#include "core/Registro.h"
#include "history/Git.h"

#include <git2/sys/odb_backend.h>

#include <QFile>
#include <algorithm>
#include <zlib.h>

namespace git {

namespace {
struct Extra {
    git_odb_backend *interior; // libgit2's own loose objects: it writes them, and lists them
    QByteArray objetos;        // "<repository>/objects/"
    std::shared_ptr<std::atomic_bool> danado;
};
struct Cuidadoso {
    git_odb_backend padre;
    Extra *x;
};
Extra &X(git_odb_backend *b) { return *reinterpret_cast<Cuidadoso *>(b)->x; }
git_odb_backend *Interior(git_odb_backend *b) {
    git_odb_backend *i = X(b).interior;
    i->odb = b->odb;
    return i;
}

int Danado(git_odb_backend *b, const git_oid *id, const char *como) {
    Extra &x = X(b);
    x.danado->store(true);
    const QByteArray hex = Hex(*id);
    qCWarning(lcHistorial) << "Damaged loose object" << hex << como;
    git_error_set_str(GIT_ERROR_ODB, QByteArray("el objeto " + hex + " del historial está dañado").constData());
    return -1;
}

// Inflates up to `n` bytes: 1 at the end of the stream, 0 when `n` came first, -1 when the bytes
// are damaged or end too soon (all the input is there: a stream that stops is a truncated one).
int Inflar(z_stream &z, unsigned char *salida, size_t n, size_t *hecho) {
    *hecho = 0;
    for (;;) {
        const uInt trozo = uInt(std::min<size_t>(n - *hecho, size_t(1) << 30));
        z.next_out = salida + *hecho;
        z.avail_out = trozo;
        const int r = inflate(&z, Z_NO_FLUSH);
        *hecho += trozo - z.avail_out;
        if (r == Z_STREAM_END)
            return 1;
        if (r != Z_OK || (z.avail_out > 0 && z.avail_in == 0))
            return -1;
        if (*hecho == n)
            return 0;
    }
}

struct Objeto {
    QByteArray archivo;
    z_stream z{};
    unsigned char cabeza[64];
    size_t hecho = 0, cabezaLen = 0, tamano = 0;
    git_object_t tipo = GIT_OBJECT_INVALID;
    int fin = 0;
    ~Objeto() { inflateEnd(&z); }
};

// Opens the object's file and reads its header ("blob 123\0"). GIT_ENOTFOUND when there is no
// such file, -1 when it is damaged. `primeros`: only that many bytes of the file are read when the
// header is all that is wanted (a version checks the blob it has just written, of megabytes);
// should the header not end within them, the whole file is read.
int Abrir(git_odb_backend *b, const git_oid *id, Objeto &o, qint64 primeros = -1) {
    const QByteArray hex = Hex(*id);
    QFile f(QFile::decodeName(X(b).objetos + hex.left(2) + '/' + hex.mid(2)));
    if (!f.open(QIODevice::ReadOnly))
        return f.exists() ? (git_error_set_str(GIT_ERROR_OS, "no se pudo leer un objeto del historial"), -1)
                          : GIT_ENOTFOUND;
    o.archivo = primeros < 0 ? f.readAll() : f.read(primeros);
    if (primeros >= 0 && f.error() == QFileDevice::NoError && !f.atEnd()) {
        z_stream z{};
        if (inflateInit(&z) == Z_OK) {
            z.next_in = reinterpret_cast<Bytef *>(o.archivo.data());
            z.avail_in = uInt(o.archivo.size());
            unsigned char cabeza[64];
            size_t hecho = 0;
            const int r = Inflar(z, cabeza, sizeof cabeza, &hecho);
            inflateEnd(&z);
            if (r < 0 || !memchr(cabeza, 0, hecho))
                o.archivo += f.readAll();
        }
    }
    if (f.error() != QFileDevice::NoError) {
        git_error_set_str(GIT_ERROR_OS, "no se pudo leer un objeto del historial");
        return -1;
    }
    if (inflateInit(&o.z) != Z_OK) {
        git_error_set_str(GIT_ERROR_NOMEMORY, "sin memoria");
        return -1;
    }
    o.z.next_in = reinterpret_cast<Bytef *>(o.archivo.data());
    o.z.avail_in = uInt(o.archivo.size());
    o.fin = Inflar(o.z, o.cabeza, sizeof o.cabeza, &o.hecho);
    if (o.fin < 0)
        return Danado(b, id, "(truncated or not zlib)");
    const auto *nulo = static_cast<const unsigned char *>(memchr(o.cabeza, 0, o.hecho));
    const auto *espacio = static_cast<const unsigned char *>(memchr(o.cabeza, ' ', o.hecho));
    if (!nulo || !espacio || espacio > nulo)
        return Danado(b, id, "(no header)");
    o.tipo = git_object_string2type(QByteArray(reinterpret_cast<const char *>(o.cabeza), int(espacio - o.cabeza)).constData());
    bool ok = false;
    o.tamano = QByteArray(reinterpret_cast<const char *>(espacio + 1), int(nulo - espacio - 1)).toULongLong(&ok);
    o.cabezaLen = size_t(nulo - o.cabeza) + 1;
    if (!ok || (o.tipo != GIT_OBJECT_BLOB && o.tipo != GIT_OBJECT_TREE && o.tipo != GIT_OBJECT_COMMIT &&
                o.tipo != GIT_OBJECT_TAG) ||
        o.hecho - o.cabezaLen > o.tamano)
        return Danado(b, id, "(bad header)");
    return 0;
}

int Leer(void **datos, size_t *len, git_object_t *tipo, git_odb_backend *b, const git_oid *id) {
    Objeto o;
    if (const int r = Abrir(b, id, o); r < 0)
        return r;
    auto *cuerpo = static_cast<unsigned char *>(git_odb_backend_data_alloc(b, o.tamano + 1));
    if (!cuerpo)
        return -1;
    const size_t ya = o.hecho - o.cabezaLen;
    memcpy(cuerpo, o.cabeza + o.cabezaLen, ya);
    size_t resto = 0;
    int fin = o.fin;
    if (!fin && ya < o.tamano)
        fin = Inflar(o.z, cuerpo + ya, o.tamano - ya, &resto);
    // The stream must end right after the size the header gave, its checksum included.
    unsigned char mas;
    size_t sobra = 0;
    if (fin == 0)
        fin = Inflar(o.z, &mas, 1, &sobra) == 1 && sobra == 0 ? 1 : -1;
    if (fin < 0 || ya + resto != o.tamano) {
        git_odb_backend_data_free(b, cuerpo);
        return Danado(b, id, "(truncated or wrong size)");
    }
    cuerpo[o.tamano] = 0;
    *datos = cuerpo;
    *len = o.tamano;
    *tipo = o.tipo;
    return 0;
}

int LeerCabeza(size_t *len, git_object_t *tipo, git_odb_backend *b, const git_oid *id) {
    Objeto o;
    if (const int r = Abrir(b, id, o, 4096); r < 0)
        return r;
    *len = o.tamano;
    *tipo = o.tipo;
    return 0;
}

int LeerPrefijo(git_oid *completo, void **datos, size_t *len, git_object_t *tipo, git_odb_backend *b,
                const git_oid *corto, size_t n) {
    git_odb_backend *i = Interior(b);
    if (n >= GIT_OID_HEXSZ)
        git_oid_cpy(completo, corto);
    else if (const int r = i->exists_prefix(completo, i, corto, n); r < 0)
        return r;
    return Leer(datos, len, tipo, b, completo);
}

int Escribir(git_odb_backend *b, const git_oid *id, const void *datos, size_t len, git_object_t tipo) {
    git_odb_backend *i = Interior(b);
    return i->write(i, id, datos, len, tipo);
}
int Flujo(git_odb_stream **s, git_odb_backend *b, git_object_size_t len, git_object_t tipo) {
    git_odb_backend *i = Interior(b);
    return i->writestream(s, i, len, tipo);
}
int Existe(git_odb_backend *b, const git_oid *id) {
    git_odb_backend *i = Interior(b);
    return i->exists(i, id);
}
int ExistePrefijo(git_oid *completo, git_odb_backend *b, const git_oid *corto, size_t n) {
    git_odb_backend *i = Interior(b);
    return i->exists_prefix(completo, i, corto, n);
}
int Refrescar(git_odb_backend *b) {
    git_odb_backend *i = Interior(b);
    return i->refresh ? i->refresh(i) : 0;
}
int Cada(git_odb_backend *b, git_odb_foreach_cb cb, void *datos) {
    git_odb_backend *i = Interior(b);
    return (i->foreach)(i, cb, datos);
}
int Refrescar(git_odb_backend *b, const git_oid *id) {
    git_odb_backend *i = Interior(b);
    return i->freshen(i, id);
}
void Liberar(git_odb_backend *b) {
    auto *c = reinterpret_cast<Cuidadoso *>(b);
    c->x->interior->free(c->x->interior);
    delete c->x;
    delete c;
}
} // namespace

bool LeerSueltosConCuidado(git_repository *repo, std::shared_ptr<std::atomic_bool> danado) {
    Odb odb;
    git_odb_backend *rapido = nullptr;
    const QByteArray objetos = QByteArray(git_repository_path(repo)) + "objects/";
    // A category of a hundred thousand scripts is hundreds of megabytes: each version of it is
    // written with zlib's fastest level (a few times faster than the default, for a slightly
    // bigger object).
    if (Tomar(odb, git_repository_odb, repo) < 0 ||
        git_odb_backend_loose(&rapido, objetos.constData(), 1, 1, 0, 0) < 0)
        return false;
    auto *c = new Cuidadoso{};
    c->padre.version = GIT_ODB_BACKEND_VERSION;
    c->padre.read = Leer;
    c->padre.read_prefix = LeerPrefijo;
    c->padre.read_header = LeerCabeza;
    c->padre.write = Escribir;
    c->padre.writestream = Flujo;
    c->padre.exists = Existe;
    c->padre.exists_prefix = ExistePrefijo;
    c->padre.refresh = Refrescar;
    c->padre.foreach = Cada;
    c->padre.freshen = Refrescar;
    c->padre.free = Liberar;
    c->x = new Extra{rapido, objetos, std::move(danado)};
    // Before libgit2's own loose objects (1) and packs (2): what is loose is read here first.
    if (git_odb_add_backend(odb.get(), &c->padre, 3) != 0) {
        Liberar(&c->padre);
        return false;
    }
    return true;
}

} // namespace git
