#include "history/Repositorio.h"
#include "history/Alcance.h"
#include "history/Git.h"
#include "history/Mezcla.h"
#include "history/Objetos.h"
#include "core/Registro.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <git2/sys/odb_backend.h>
#include <zlib.h>

namespace git {

namespace {
// The files of a folder that are categories, by name.
QStringList CategoriasDe(const QString &carpeta) { return archivos::Listar(carpeta, QStringLiteral(".rtn")); }

// The file's bytes; no value when there is no file. A file that is there but cannot be read (a
// folder or a pipe under its name, no permission) is an error, never taken for a deleted one.
std::optional<QByteArray> LeerArchivo(const QString &ruta, QString *error = nullptr) {
    QByteArray datos;
    if (!archivos::Existe(ruta))
        return std::nullopt;
    QString motivo;
    if (!archivos::Leer(ruta, datos, &motivo)) {
        if (error)
            *error = motivo.isEmpty() ? QStringLiteral("no se pudo leer") : motivo;
        return std::nullopt;
    }
    return datos;
}

// The name's bytes in a tree: the file's own bytes on disk, also when they are not UTF-8. A file
// whose name differs in case ("Menus.RTN" for "Menus.rtn") is that category's only when `arbol`, the
// last version, has no file of exactly this name: else that file is another one, and this one is gone.
QByteArray NombreGit(const QString &carpeta, const QString &archivo, const git_tree *arbol = nullptr) {
    const QByteArray ruta = archivos::Nativa(carpeta + QLatin1Char('/') + archivo);
    const QByteArray nombre = ruta.mid(ruta.lastIndexOf('/') + 1);
    if (arbol && archivos::Legible(nombre) != archivo) {
        const QByteArray propio = QFile::encodeName(archivo);
        if (git_tree_entry_byname(arbol, propio.constData()))
            return propio;
    }
    return nombre;
}

// The bytes as a blob, hashed and compressed in one pass over them (at once, when big). With `puedeEstar` (a
// first version, which one cut short may have written in part), hashed first: a blob already there is not
// compressed again.
// From this size a blob is hashed and compressed at once, on two cores.
constexpr qsizetype kBlobGrande = 1 << 20;

// A big blob hashed on another core while it is compressed on this one (libgit2's stream does one
// after the other, which is most of a version's time), then stored as git stores a loose object: a
// temporary file in the object's folder, synced, renamed into place, the folder synced.
int EscribirGrande(git_repository *repo, Odb &odb, const QByteArray &datos, git_oid *id) {
    auto hash = std::async(std::launch::async, [&datos] {
        git_oid o;
        const int r = git_odb_hash(&o, datos.constData(), size_t(datos.size()), GIT_OBJECT_BLOB);
        return std::pair{r, o};
    });
    const QByteArray cabeza = "blob " + QByteArray::number(datos.size()) + '\0';
    z_stream z{};
    QByteArray comprimido;
    bool bien = deflateInit(&z, Z_BEST_SPEED) == Z_OK;
    const auto comprimir = [&](const char *p, qsizetype n, int final) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(p));
        z.avail_in = uInt(n);
        int r;
        do {
            if (comprimido.size() - qsizetype(z.total_out) < 65536)
                comprimido.resize(comprimido.size() + std::max<qsizetype>(65536, comprimido.size() / 2));
            z.next_out = reinterpret_cast<Bytef *>(comprimido.data()) + z.total_out;
            z.avail_out = uInt(comprimido.size() - qsizetype(z.total_out));
            r = deflate(&z, final);
        } while (r == Z_OK && (z.avail_in > 0 || (final == Z_FINISH && r != Z_STREAM_END)));
        return final == Z_FINISH ? r == Z_STREAM_END : r == Z_OK || r == Z_BUF_ERROR;
    };
    if (bien) {
        comprimido.resize(datos.size() / 3 + 65536);
        bien = comprimir(cabeza.constData(), cabeza.size(), Z_NO_FLUSH);
        constexpr qsizetype kTrozo = qsizetype(1) << 30;
        for (qsizetype hecho = 0; bien && hecho < datos.size(); hecho += kTrozo)
            bien = comprimir(datos.constData() + hecho, std::min(kTrozo, datos.size() - hecho), Z_NO_FLUSH);
        bien = bien && comprimir(nullptr, 0, Z_FINISH);
        comprimido.resize(qsizetype(z.total_out));
        deflateEnd(&z);
    }
    const auto [r, o] = hash.get();
    if (r < 0)
        return r;
    *id = o;
    if (git_odb_exists(odb.get(), id))
        return 0;
    if (!bien) {
        git_error_set_str(GIT_ERROR_ZLIB, "zlib could not compress the object");
        return -1;
    }
    char hex[GIT_OID_HEXSZ + 1];
    git_oid_tostr(hex, sizeof hex, id);
    const QString objetos = QFile::decodeName(git_repository_path(repo)) + QStringLiteral("objects");
    const QString carpeta = objetos + QLatin1Char('/') + QLatin1String(hex, 2);
    // A link in place of a folder would take the object, and what is written after it, elsewhere.
    struct stat st;
    for (const QString &c : {objetos, carpeta})
        if (::lstat(QFile::encodeName(c).constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            qCWarning(lcHistorial) << "not a folder in the history's objects:" << c;
            git_error_set_str(GIT_ERROR_OS,
                              QStringLiteral("%1 no es una carpeta del historial (es un enlace o un archivo)")
                                  .arg(QDir::toNativeSeparators(c))
                                  .toUtf8()
                                  .constData());
            return -1;
        }
    if (::mkdir(QFile::encodeName(carpeta).constData(), 0777) != 0 && errno != EEXIST) {
        git_error_set_str(GIT_ERROR_OS, archivos::Razon(errno).toUtf8().constData());
        return -1;
    }
    const QString ruta = carpeta + QLatin1Char('/') + QLatin1String(hex + 2);
    QString error;
    if (!archivos::Guardar(ruta, comprimido, &error, carpeta)) {
        git_error_set_str(GIT_ERROR_OS, error.toUtf8().constData());
        return -1;
    }
    ::chmod(QFile::encodeName(ruta).constData(), 0444); // as git leaves its objects
    const int fd = ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY);
    const bool sincronizada = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!sincronizada) {
        git_error_set_str(GIT_ERROR_OS, "the object's folder could not be synced");
        return -1;
    }
    return 0;
}

int EscribirBlob(git_repository *repo, const QByteArray &datos, git_oid *id, bool puedeEstar = false) {
    Odb odb;
    git_odb_stream *flujo = nullptr;
    if (Tomar(odb, git_repository_odb, repo) < 0)
        return -1;
    if (puedeEstar && git_odb_hash(id, datos.constData(), size_t(datos.size()), GIT_OBJECT_BLOB) == 0 &&
        git_odb_exists(odb.get(), id))
        return 0;
    if (datos.size() >= kBlobGrande)
        return EscribirGrande(repo, odb, datos, id);
    if (git_odb_open_wstream(&flujo, odb.get(), git_object_size_t(datos.size()), GIT_OBJECT_BLOB) < 0)
        return -1;
    constexpr qsizetype kTrozo = 1 << 20;
    int r = 0;
    for (qsizetype hecho = 0; r == 0 && hecho < datos.size(); hecho += kTrozo)
        r = git_odb_stream_write(flujo, datos.constData() + hecho, size_t(std::min(kTrozo, datos.size() - hecho)));
    if (r == 0)
        r = git_odb_stream_finalize_write(id, flujo);
    git_odb_stream_free(flujo);
    return r;
}

bool ArbolDeCommit(git_repository *repo, const git_oid &id, Commit &commit, Tree &arbol) {
    return Tomar(commit, git_commit_lookup, repo, &id) == 0 && Tomar(arbol, git_commit_tree, commit.get()) == 0;
}

std::optional<QByteArray> BlobEn(git_repository *repo, const git_tree *arbol, const QByteArray &archivo) {
    if (!arbol)
        return std::nullopt;
    const git_tree_entry *e = git_tree_entry_byname(arbol, archivo.constData());
    if (!e || git_tree_entry_type(e) != GIT_OBJECT_BLOB)
        return std::nullopt;
    Blob b;
    if (Tomar(b, git_blob_lookup, repo, git_tree_entry_id(e)) < 0)
        return std::nullopt;
    return Contenido(b.get());
}

// A version whose branch could not be made durable is not kept: the branch's new file may be in
// place already (its folder is synced after the rename), so the branch is set back where it was.
void DevolverRama(git_repository *repo, const git_oid *antes) {
    auto movida = [&] {
        git_oid ahora;
        const int r = git_reference_name_to_id(&ahora, repo, "HEAD");
        return r < 0 ? antes != nullptr : !antes || !git_oid_equal(&ahora, antes);
    };
    if (!movida())
        return;
    Reference head;
    const char *rama = Tomar(head, git_reference_lookup, repo, "HEAD") == 0 ? git_reference_symbolic_target(head.get())
                                                                            : nullptr;
    const QByteArray nombre = rama ? QByteArray(rama) : QByteArray("HEAD");
    Reference devuelta;
    // Its own sync may fail in the same way: what counts is where the branch is afterwards.
    if (antes)
        Tomar(devuelta, git_reference_create, repo, nombre.constData(), antes, 1, "version not recorded: undone");
    else
        git_reference_remove(repo, nombre.constData());
    if (movida())
        qCWarning(lcHistorial) << "A version that failed to be recorded is left on" << nombre << UltimoError();
}

bool Cabeza(git_repository *repo, Commit &commit, Tree &arbol) {
    git_oid id;
    if (git_reference_name_to_id(&id, repo, "HEAD") < 0)
        return false;
    return ArbolDeCommit(repo, id, commit, arbol);
}
// Loose objects are read by a reader that finds a damaged one instead of looping on it, and
// written at zlib's fastest level.
void Acelerar(git_repository *repo, const std::shared_ptr<std::atomic_bool> &danado) {
    if (!LeerSueltosConCuidado(repo, danado))
        qCWarning(lcHistorial) << "Could not put the careful loose object reader in place:" << UltimoError();
}
// Packs sent and received look for deltas among a few big objects only: for categories of
// megabytes, trying each against ten others costs seconds and saves little.
void Ventana(git_repository *repo) {
    Propio<git_config, git_config_free> config;
    if (Tomar(config, git_repository_config, repo) == 0)
        git_config_set_string(config.get(), "pack.windowMemory", "4m");
}
} // namespace

Repositorio::Repositorio() {
    git_libgit2_init();
    // Objects are read back from our own folder: checking each one's hash again on every read
    // doubles the cost of looking at an old version of a big category.
    git_libgit2_opts(GIT_OPT_ENABLE_STRICT_HASH_VERIFICATION, 0);
    // Objects, packs and refs reach the disk before they are used: a power cut then leaves the
    // last version whole or not there, never a truncated file.
    git_libgit2_opts(GIT_OPT_ENABLE_FSYNC_GITDIR, 1);
}

Repositorio::~Repositorio() {
    git_repository_free(repo_);
    git_libgit2_shutdown();
}

bool Repositorio::Existe(const QString &carpeta) { return QFileInfo(carpeta + QStringLiteral("/.git")).exists(); }

bool Repositorio::CrearRemoto(const QString &carpeta, QString *error) {
    git_libgit2_init();
    git_repository_init_options o;
    git_repository_init_options_init(&o, GIT_REPOSITORY_INIT_OPTIONS_VERSION);
    o.flags = GIT_REPOSITORY_INIT_BARE | GIT_REPOSITORY_INIT_MKPATH | GIT_REPOSITORY_INIT_NO_REINIT;
    o.initial_head = "main";
    git_repository *r = nullptr;
    const bool ok = git_repository_init_ext(&r, Ruta(carpeta).constData(), &o) == 0;
    if (ok)
        Ventana(r);
    else if (error)
        *error = UltimoError();
    git_repository_free(r);
    git_libgit2_shutdown();
    return ok;
}

bool Repositorio::Abrir(const QString &carpeta, bool crear, bool *creado, QString *error) {
    git_repository_free(repo_);
    repo_ = nullptr;
    carpeta_ = carpeta;
    ultimos_.clear();
    danado_ = std::make_shared<std::atomic_bool>(false);
    if (creado)
        *creado = false;
    const QByteArray ruta = Ruta(carpeta);
    const int r = git_repository_open_ext(&repo_, ruta.constData(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr);
    if (r == 0) {
        Acelerar(repo_, danado_);
        // What a killed program left half written of the records it keeps.
        archivos::LimpiarTemporales(QFile::decodeName(git_repository_path(repo_)),
                                    QStringLiteral("rutinero-registros-[0-9a-f]{40}"));
        return true;
    }
    repo_ = nullptr;
    if (r != GIT_ENOTFOUND || !crear) {
        if (error)
            *error = UltimoError();
        return false;
    }
    git_repository_init_options o;
    git_repository_init_options_init(&o, GIT_REPOSITORY_INIT_OPTIONS_VERSION);
    o.flags = GIT_REPOSITORY_INIT_NO_REINIT;
    // One branch name on every machine, whatever each one's git prefers.
    o.initial_head = "main";
    if (git_repository_init_ext(&repo_, ruta.constData(), &o) < 0) {
        repo_ = nullptr;
        if (error)
            *error = UltimoError();
        return false;
    }
    Acelerar(repo_, danado_);
    Ventana(repo_);
    // A damaged history moved aside stays in the folder: git tools need not list it.
    QFile excluir(QFile::decodeName(QByteArray(git_repository_path(repo_)) + "info/exclude"));
    if (excluir.open(QIODevice::Append))
        excluir.write(QStringLiteral("/.git-dañado-*/\n").toUtf8());
    if (creado)
        *creado = true;
    return true;
}

bool Repositorio::Danado(QString *motivo) const {
    auto danado = [&](const QString &que) {
        if (motivo)
            *motivo = que;
        return true;
    };
    // A file that cannot be read for lack of permission is not damage: nothing is moved for it.
    auto delSistema = [] { return git_error_last() && git_error_last()->klass == GIT_ERROR_OS; };
    if (!repo_)
        return false;
    git_oid id;
    const int r = git_reference_name_to_id(&id, repo_, "HEAD");
    if (r == GIT_ENOTFOUND || r == GIT_EUNBORNBRANCH) {
        if (!*danado_)
            return false; // no version yet
    } else if (r < 0) {
        if (!delSistema())
            return danado(QStringLiteral("no se puede leer cuál es la última versión"));
    } else {
        Commit c;
        Tree t;
        if (!ArbolDeCommit(repo_, id, c, t) && !*danado_ && !delSistema())
            return danado(QStringLiteral("falta la última versión o parte de ella"));
    }
    if (*danado_)
        return danado(QStringLiteral("un archivo del historial está incompleto o dañado"));
    return false;
}

bool Repositorio::Apartar(QString *apartado, QString *error) {
    git_repository_free(repo_);
    repo_ = nullptr;
    sellos_.clear();
    ultimos_.clear();
    const QString base = QStringLiteral(".git-dañado-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString nombre = base;
    for (int i = 2; QFileInfo::exists(carpeta_ + QLatin1Char('/') + nombre); ++i)
        nombre = base + QLatin1Char('-') + QString::number(i);
    if (::rename(archivos::Nativa(carpeta_ + QStringLiteral("/.git")).constData(),
                 archivos::Nativa(carpeta_ + QLatin1Char('/') + nombre).constData()) != 0) {
        if (error)
            *error = archivos::Razon(errno);
        qCWarning(lcHistorial) << "Could not move the damaged history aside:" << strerror(errno);
        return false;
    }
    *apartado = nombre;
    return true;
}

namespace {
using Packbuilder = Propio<git_packbuilder, git_packbuilder_free>;
// One pack file read on its own, apart from the repository's other objects.
struct PaqueteSolo {
    Odb odb;
    bool Abrir(const QByteArray &indice) {
        git_odb_backend *b = nullptr;
        if (Tomar(odb, git_odb_new) < 0 || git_odb_backend_one_pack(&b, indice.constData()) < 0)
            return false;
        if (git_odb_add_backend(odb.get(), b, 1) < 0) {
            b->free(b);
            return false;
        }
        return true;
    }
    bool Tiene(const git_oid &id) const {
        return git_odb_exists_ext(odb.get(), &id, GIT_ODB_LOOKUP_NO_REFRESH) == 1;
    }
};

// libgit2 asks its progress callbacks whether to go on; -1 stops it.
int Seguir(void *parar) {
    const auto &f = *static_cast<const std::function<bool()> *>(parar);
    return f && f() ? -1 : 0;
}

// The loose objects of a repository's object folder: each "xx/yyyy…" file with its id.
template <typename F> void CadaSuelto(const QByteArray &objetos, F &&hacer) {
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
        const char dos[3] = {kHex[i >> 4], kHex[i & 15], 0};
        const QDir carpeta(QFile::decodeName(objetos + dos));
        for (const QFileInfo &f : carpeta.entryInfoList(QDir::Files | QDir::Hidden)) {
            git_oid id;
            const QByteArray hex = QByteArray(dos) + f.fileName().toLatin1();
            if (hex.size() == GIT_OID_HEXSZ && DeHex(hex, &id))
                hacer(id, f);
        }
    }
}
} // namespace

Repositorio::Sueltos Repositorio::ContarSueltos() const {
    Sueltos s;
    if (!repo_)
        return s;
    const QByteArray objetos = QByteArray(git_repository_path(repo_)) + "objects/";
    CadaSuelto(objetos, [&](const git_oid &, const QFileInfo &f) {
        ++s.objetos;
        s.bytes += f.size();
    });
    for (const QFileInfo &f : QDir(QFile::decodeName(objetos + "pack"))
                                  .entryInfoList({QStringLiteral("pack-*.pack")}, QDir::Files))
        s.empaquetados += f.size();
    return s;
}

namespace {
// A file of the git folder, whole. False when it is there but cannot be read (or is absurdly big
// for what git keeps in it); *hay says whether it is there at all.
bool LeerDeGit(const QString &ruta, QByteArray *datos, bool *hay) {
    constexpr qint64 kTope = qint64(1) << 30;
    QFile f(ruta);
    *hay = f.exists();
    if (!*hay)
        return true;
    if (!f.open(QIODevice::ReadOnly) || f.size() > kTope)
        return false;
    *datos = f.readAll();
    return f.error() == QFileDevice::NoError;
}

// Everything besides the objects themselves that can name an object: what housekeeping must keep.
// `ilegibles` lists what could not be read: then nothing that looks unreachable can be removed.
struct Raices {
    QSet<QByteArray> ids; // raw
    QStringList ilegibles;

    void Ilegible(const QString &ruta, const QString &por) {
        qCWarning(lcHistorial) << "Housekeeping cannot read" << ruta << por
                               << "- no object that looks unreachable is removed";
        ilegibles << ruta;
    }
    template <typename F> void Archivo(const QString &ruta, F leer) {
        QByteArray datos;
        bool hay = false;
        QVector<QByteArray> encontrados;
        if (!LeerDeGit(ruta, &datos, &hay))
            Ilegible(ruta, QStringLiteral("(no se pudo leer)"));
        else if (hay && !leer(datos, &encontrados))
            Ilegible(ruta, QStringLiteral("(dañado)"));
        else
            for (const QByteArray &id : encontrados)
                ids.insert(id);
    }
    // Every file under a folder of the git folder (refs, logs), but the locks of one being written.
    template <typename F> void Arbol(const QString &carpeta, F leer) {
        QDirIterator it(carpeta, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString ruta = it.next();
            if (!ruta.endsWith(QLatin1String(".lock")))
                Archivo(ruta, leer);
        }
    }
    void Indice(const QString &gitdir) {
        for (QString ruta = gitdir + QStringLiteral("/index"); !ruta.isEmpty();) {
            QByteArray datos;
            bool hay = false;
            alcance::DelIndice del;
            QString error;
            if (!LeerDeGit(ruta, &datos, &hay))
                return Ilegible(ruta, QStringLiteral("(no se pudo leer)"));
            if (!hay)
                return;
            if (!alcance::LeerIndice(datos, &del, &error))
                return Ilegible(ruta, error);
            for (const QByteArray &id : del.blobs + del.arboles)
                ids.insert(id);
            // A split index keeps most entries in a shared file next to it.
            ruta = del.compartido.isEmpty() ? QString()
                                            : gitdir + QStringLiteral("/sharedindex.") + QString::fromLatin1(del.compartido);
            if (!ruta.isEmpty() && !QFileInfo::exists(ruta))
                return Ilegible(ruta, QStringLiteral("(falta)"));
        }
    }
    // What one working tree keeps in its git folder: the heads at its top (HEAD, ORIG_HEAD,
    // FETCH_HEAD, MERGE_HEAD, CHERRY_PICK_HEAD…), a rebase under way, the index, the reflogs and
    // the refs of its own.
    void Carpeta(const QString &gitdir) {
        const QDir d(gitdir);
        for (const QFileInfo &f : d.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            if (f.fileName().endsWith(QLatin1String("HEAD")) || f.fileName() == QLatin1String("AUTO_MERGE"))
                Archivo(f.filePath(), alcance::LeerCabeza);
        for (const char *rebase : {"rebase-merge", "rebase-apply"})
            for (const char *archivo : {"orig-head", "onto", "autostash"})
                Archivo(gitdir + QLatin1Char('/') + QLatin1String(rebase) + QLatin1Char('/') + QLatin1String(archivo),
                        alcance::LeerCabeza);
        Indice(gitdir);
        Arbol(gitdir + QStringLiteral("/logs"), alcance::LeerReflog);
        Arbol(gitdir + QStringLiteral("/refs"), alcance::LeerCabeza);
    }
    void DeRepositorio(git_repository *repo) {
        QString comun = QFile::decodeName(git_repository_commondir(repo));
        if (comun.endsWith(QLatin1Char('/')))
            comun.chop(1);
        Carpeta(comun);
        Archivo(comun + QStringLiteral("/packed-refs"), [](const QByteArray &datos, QVector<QByteArray> *r) {
            QVector<QByteArray> lineas;
            for (const QByteArray &linea : datos.split('\n'))
                if (!linea.startsWith('#'))
                    lineas << (linea.startsWith('^') ? linea.mid(1) : linea);
            return alcance::LeerCabeza(lineas.join('\n'), r);
        });
        for (const QFileInfo &w : QDir(comun + QStringLiteral("/worktrees")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            Carpeta(w.filePath());
        // Refs kept in a table this version of libgit2 does not read: what they name is unknown.
        if (QFileInfo::exists(comun + QStringLiteral("/reftable")))
            Ilegible(comun + QStringLiteral("/reftable"), QStringLiteral("(formato desconocido)"));
    }
};

struct HashId {
    size_t operator()(const git_oid &id) const {
        size_t h;
        memcpy(&h, id.id, sizeof h); // an object id is already a hash
        return h;
    }
};
struct IgualId {
    bool operator()(const git_oid &a, const git_oid &b) const { return git_oid_equal(&a, &b); }
};
using ConjuntoIds = std::unordered_set<git_oid, HashId, IgualId>;

// Every object anything reaches, each with the path it was seen at (versions of one file are packed
// side by side, as differences of each other). An object that is not there (a head git left pointing
// at something long gone) has nothing to keep; one that is there and cannot be read fails the walk.
struct Alcanzados {
    struct Objeto {
        git_oid id;
        git_object_t tipo;
        QByteArray ruta;
    };
    QVector<Objeto> objetos;
    ConjuntoIds vistos;
    QVector<Objeto> sueltos; // trees and blobs named by the index, walked after the versions

    bool Nuevo(const git_oid &id) { return vistos.insert(id).second; }
    int Arbol(git_repository *repo, const git_oid &id, const QByteArray &ruta) {
        if (!Nuevo(id))
            return 0;
        objetos.append({id, GIT_OBJECT_TREE, ruta});
        Tree arbol;
        if (Tomar(arbol, git_tree_lookup, repo, &id) < 0)
            return -1;
        for (size_t i = 0, n = git_tree_entrycount(arbol.get()); i < n; ++i) {
            const git_tree_entry *e = git_tree_entry_byindex(arbol.get(), i);
            // Most entries are ones already seen in another version: their path is never built.
            auto hijo = [&] {
                return ruta.isEmpty() ? QByteArray(git_tree_entry_name(e)) : ruta + '/' + git_tree_entry_name(e);
            };
            switch (git_tree_entry_type(e)) {
            case GIT_OBJECT_TREE:
                if (!vistos.count(*git_tree_entry_id(e)) && Arbol(repo, *git_tree_entry_id(e), hijo()) < 0)
                    return -1;
                break;
            case GIT_OBJECT_BLOB:
                if (Nuevo(*git_tree_entry_id(e)))
                    objetos.append({*git_tree_entry_id(e), GIT_OBJECT_BLOB, hijo()});
                break;
            default: // a submodule's commit lives in another repository
                break;
            }
        }
        return 0;
    }
    int Historia(git_repository *repo, git_revwalk *walk) {
        git_oid id;
        int r;
        while ((r = git_revwalk_next(&id, walk)) == 0) {
            if (!Nuevo(id))
                continue;
            objetos.append({id, GIT_OBJECT_COMMIT, {}});
            Commit commit;
            if (Tomar(commit, git_commit_lookup, repo, &id) < 0 ||
                Arbol(repo, *git_commit_tree_id(commit.get()), {}) < 0)
                return -1;
        }
        if (r != GIT_ITEROVER)
            return -1;
        // The index's files and folders, after the versions: most are in one, where their path is known.
        for (const Objeto &o : std::as_const(sueltos)) {
            if (o.tipo == GIT_OBJECT_TREE && Arbol(repo, o.id, {}) < 0)
                return -1;
            if (o.tipo == GIT_OBJECT_BLOB && Nuevo(o.id))
                objetos.append(o);
        }
        return 0;
    }
    int Raiz(git_repository *repo, git_odb *odb, git_revwalk *walk, git_oid id) {
        for (int vueltas = 0; vueltas < 100; ++vueltas) {
            size_t tamano = 0;
            git_object_t tipo = GIT_OBJECT_INVALID;
            if (!git_odb_exists(odb, &id))
                return 0;
            if (git_odb_read_header(&tamano, &tipo, odb, &id) < 0)
                return -1;
            switch (tipo) {
            case GIT_OBJECT_COMMIT:
                return git_revwalk_push(walk, &id);
            case GIT_OBJECT_TREE:
            case GIT_OBJECT_BLOB:
                sueltos.append({id, tipo, {}});
                return 0;
            case GIT_OBJECT_TAG: {
                Propio<git_tag, git_tag_free> tag;
                if (Tomar(tag, git_tag_lookup, repo, &id) < 0)
                    return -1;
                if (Nuevo(id))
                    objetos.append({id, GIT_OBJECT_TAG, {}});
                id = *git_tag_target_id(tag.get());
                break;
            }
            default:
                return -1;
            }
        }
        return -1; // tags of tags without end
    }
};

// Writes one pack of the given objects; gives the new pack's base path (".../pack-<id>"), empty
// when it could not be made or was given up.
QByteArray EscribirPaquete(git_repository *repo, const std::function<int(git_packbuilder *)> &llenar,
                           const std::function<bool()> &parar) {
    Packbuilder pb;
    if (Tomar(pb, git_packbuilder_new, repo) < 0)
        return {};
    // Every core: packing runs while the user waits for nothing, and ends the sooner.
    git_packbuilder_set_threads(pb.get(), 0);
    void *pregunta = const_cast<std::function<bool()> *>(&parar);
    git_packbuilder_set_callbacks(
        pb.get(), [](int, uint32_t, uint32_t, void *p) { return Seguir(p); }, pregunta);
    if (llenar(pb.get()) < 0 || git_packbuilder_object_count(pb.get()) == 0 ||
        git_packbuilder_write(
            pb.get(), nullptr, 0, [](const git_indexer_progress *, void *p) { return Seguir(p); }, pregunta) < 0)
        return {};
    return QByteArray(git_repository_path(repo)) + "objects/pack/pack-" + git_packbuilder_name(pb.get());
}

std::atomic<qint64> gLote{qint64(32) << 20};
constexpr int kPaquetesHasta = 50; // as many as git's own housekeeping lets be

bool JuntarPaquetes(git_repository *repo, const Alcanzados &alcanzados, const std::function<bool()> &parar) {
    // Each housekeeping adds a pack. The smaller ones are packed into one, each kept pack at least
    // twice the size of all smaller ones together, when versions of one file lie in more than one
    // of them (packed together, they are stored as differences) or when the packs are many.
    const QDir paquetes(QFile::decodeName(QByteArray(git_repository_path(repo)) + "objects/pack"));
    QVector<QFileInfo> lista;
    for (const QFileInfo &f : paquetes.entryInfoList({QStringLiteral("pack-*.pack")}, QDir::Files, QDir::Size | QDir::Reversed))
        if (!paquetes.exists(f.completeBaseName() + QStringLiteral(".keep")) &&
            paquetes.exists(f.completeBaseName() + QStringLiteral(".idx")))
            lista.append(f);
    if (lista.size() < 2)
        return true;
    qsizetype juntos = 1;
    for (qint64 suma = lista[0].size(); juntos < lista.size() && lista[juntos].size() < 2 * suma; ++juntos)
        suma += lista[juntos].size();
    const bool muchos = lista.size() > kPaquetesHasta;
    if (muchos)
        juntos = std::max<qsizetype>(juntos, lista.size() - kPaquetesHasta + 1);
    if (juntos < 2)
        return true;
    std::vector<PaqueteSolo> viejos(static_cast<size_t>(juntos));
    for (qsizetype i = 0; i < juntos; ++i)
        if (!viejos[size_t(i)].Abrir(QFile::encodeName(paquetes.filePath(lista[i].completeBaseName() + QStringLiteral(".idx")))))
            return true; // left for a later housekeeping
    if (!muchos) {
        // The batches of one big first version hold different files: packing them again would
        // cost as much as the first time and save nothing.
        QHash<QByteArray, size_t> dondeEsta;
        bool comparten = false;
        for (const Alcanzados::Objeto &o : alcanzados.objetos) {
            if (o.tipo != GIT_OBJECT_BLOB || o.ruta.isEmpty())
                continue;
            for (size_t i = 0; i < viejos.size(); ++i)
                if (viejos[i].Tiene(o.id)) {
                    const auto it = dondeEsta.constFind(o.ruta);
                    if (it == dondeEsta.cend())
                        dondeEsta.insert(o.ruta, i);
                    else
                        comparten = comparten || *it != i;
                    break;
                }
            if (comparten)
                break;
        }
        if (!comparten)
            return true;
    }
    const QByteArray base = EscribirPaquete(
        repo,
        [&](git_packbuilder *pb) {
            for (const PaqueteSolo &v : viejos)
                if (git_odb_foreach(
                        v.odb.get(),
                        [](const git_oid *id, void *p) {
                            return git_packbuilder_insert(static_cast<git_packbuilder *>(p), id, nullptr);
                        },
                        pb) != 0)
                    return -1;
            return 0;
        },
        parar);
    PaqueteSolo nuevo;
    if (base.isEmpty() || !nuevo.Abrir(base + ".idx"))
        return false;
    // A pack goes only when every object of it is in the new one.
    for (qsizetype i = 0; i < juntos; ++i) {
        bool todos = true;
        std::pair<const PaqueteSolo *, bool *> datos{&nuevo, &todos};
        const int r = git_odb_foreach(
            viejos[size_t(i)].odb.get(),
            [](const git_oid *id, void *d) {
                auto *p = static_cast<std::pair<const PaqueteSolo *, bool *> *>(d);
                if (p->first->Tiene(*id))
                    return 0;
                *p->second = false;
                return 1; // stops the walk
            },
            &datos);
        if (r == 0 && todos && QByteArray(QFile::encodeName(paquetes.filePath(lista[i].completeBaseName()))) != base)
            for (const char *ext : {".pack", ".idx", ".rev"})
                QFile::remove(paquetes.filePath(lista[i].completeBaseName() + QLatin1String(ext)));
    }
    return true;
}
} // namespace

void Repositorio::LimitarLote(qint64 bytes) { gLote = bytes > 0 ? bytes : qint64(32) << 20; }

int Repositorio::Compactar(QString *error, const std::function<bool()> &parar) {
    if (!repo_)
        return -1;
    auto fallo = [&] {
        if (error)
            *error = UltimoError();
        return -1;
    };
    auto detenido = [&] { return parar && parar(); };
    Revwalk walk;
    Odb odbRepo;
    if (Tomar(walk, git_revwalk_new, repo_) < 0 || Tomar(odbRepo, git_repository_odb, repo_) < 0)
        return fallo();
    // Not only the branches keep objects: plain git's staged files, reflogs, stashes and heads do
    // too, in a repository the user also works in with git.
    Raices raices;
    raices.DeRepositorio(repo_);
    Alcanzados alcanzados;
    for (const QByteArray &raiz : std::as_const(raices.ids)) {
        git_oid id;
        memcpy(id.id, raiz.constData(), GIT_OID_RAWSZ);
        if (alcanzados.Raiz(repo_, odbRepo.get(), walk.get(), id) < 0)
            return fallo();
    }
    if (alcanzados.Historia(repo_, walk.get()) < 0)
        return fallo();
    const bool todoLeido = raices.ilegibles.isEmpty();

    const QByteArray objetos = QByteArray(git_repository_path(repo_)) + "objects/";
    struct Suelto {
        QString archivo;
        qint64 bytes;
    };
    std::unordered_map<git_oid, Suelto, HashId, IgualId> sueltos;
    CadaSuelto(objetos, [&](const git_oid &id, const QFileInfo &f) { sueltos[id] = {f.filePath(), f.size()}; });
    // Only loose objects are packed, in batches that are each kept once written: packing a big
    // first version is done once, even when the program is closed part-way through it. Blobs go
    // by path, so that the versions of a file are stored as differences of each other.
    QVector<const Alcanzados::Objeto *> orden;
    for (const Alcanzados::Objeto &o : std::as_const(alcanzados.objetos))
        if (sueltos.count(o.id))
            orden.append(&o);
    std::stable_sort(orden.begin(), orden.end(), [](const Alcanzados::Objeto *a, const Alcanzados::Objeto *b) {
        // The versions and folders first: few bytes, which would otherwise make a pack of their own
        // after the batch of one big file.
        auto rango = [](git_object_t t) { return t == GIT_OBJECT_BLOB ? 2 : t == GIT_OBJECT_TREE ? 1 : 0; };
        if (rango(a->tipo) != rango(b->tipo))
            return rango(a->tipo) < rango(b->tipo);
        return a->tipo == GIT_OBJECT_BLOB && a->ruta < b->ruta;
    });
    int quitados = 0;
    for (qsizetype desde = 0; desde < orden.size();) {
        if (detenido())
            return fallo();
        qsizetype hasta = desde;
        for (qint64 bytes = 0; hasta < orden.size() && (hasta == desde || bytes < gLote); ++hasta)
            bytes += sueltos.at(orden[hasta]->id).bytes;
        const QByteArray base = EscribirPaquete(
            repo_,
            [&](git_packbuilder *pb) {
                for (qsizetype i = desde; i < hasta; ++i)
                    if (git_packbuilder_insert(pb, &orden[i]->id,
                                               orden[i]->ruta.isEmpty() ? nullptr : orden[i]->ruta.constData()) < 0)
                        return -1;
                return 0;
            },
            parar);
        PaqueteSolo nuevo;
        if (base.isEmpty() || !nuevo.Abrir(base + ".idx"))
            return fallo();
        for (qsizetype i = desde; i < hasta; ++i) {
            const auto it = sueltos.find(orden[i]->id);
            if (nuevo.Tiene(orden[i]->id) && QFile::remove(it->second.archivo))
                ++quitados;
            sueltos.erase(it);
        }
        desde = hasta;
    }
    // What nothing reaches is left over from an interrupted record; like git, it goes once it is
    // two weeks old (never one being written now), and only when everything that could reach it
    // was read.
    if (todoLeido) {
        const QDateTime viejo = QDateTime::currentDateTimeUtc().addDays(-14);
        for (const auto &[id, suelto] : sueltos)
            if (!alcanzados.vistos.count(id) && QFileInfo(suelto.archivo).lastModified().toUTC() < viejo &&
                QFile::remove(suelto.archivo))
                ++quitados;
    }
    if (!JuntarPaquetes(repo_, alcanzados, parar))
        return fallo();
    git_odb_refresh(odbRepo.get());
    return quitados;
}

QByteArray Repositorio::Ultima() const {
    git_oid id;
    if (!repo_ || git_reference_name_to_id(&id, repo_, "HEAD") < 0)
        return {};
    return Hex(id);
}

QString Repositorio::Rama() const {
    Reference ref;
    if (!repo_ || Tomar(ref, git_reference_lookup, repo_, "HEAD") < 0)
        return QStringLiteral("main");
    const char *destino = git_reference_symbolic_target(ref.get());
    const QString nombre = destino ? QString::fromUtf8(destino) : QString();
    return nombre.startsWith(QLatin1String("refs/heads/")) ? nombre.mid(11) : QStringLiteral("main");
}

QStringList Repositorio::CategoriasPresentes() const { return CategoriasDe(carpeta_); }

QString Repositorio::RutaRegistros(const QByteArray &nombre) const {
    // A name of our own making: nothing the tree holds reaches the path.
    return QFile::decodeName(git_repository_path(repo_)) + QStringLiteral("rutinero-registros-") +
           QString::fromLatin1(QCryptographicHash::hash(nombre, QCryptographicHash::Sha1).toHex());
}

std::optional<mezcla::Registros> Repositorio::RegistrosGuardados(const QByteArray &nombre,
                                                                 const QByteArray &id) const {
    const QString ruta = RutaRegistros(nombre);
    if (!QFileInfo::exists(ruta))
        return std::nullopt;
    QByteArray datos;
    QString error;
    if (!archivos::Leer(ruta, datos, &error)) {
        qCWarning(lcHistorial) << "cannot read the kept records" << ruta << error;
        return std::nullopt;
    }
    auto r = mezcla::Registros::DeGuardado(datos, id);
    if (!r)
        qCInfo(lcHistorial) << "kept records of" << nombre
                            << "are of another version or damaged; the blob is read";
    return r;
}

void Repositorio::GuardarRegistros(const QByteArray &nombre, const QByteArray &id,
                                   const mezcla::Registros &registros) const {
    // Only a cache, so not synced to the disk: a file cut short by a crash fails its checks, and a
    // failure costs the next version a read of the blob, nothing else. Written under a new name and
    // renamed, so a link or a folder standing in its place is replaced or refused, never followed.
    const QString ruta = RutaRegistros(nombre);
    QTemporaryFile f(ruta + QStringLiteral(".XXXXXX"));
    const QByteArray datos = registros.guardable(id);
    if (!f.open() || f.write(datos) != datos.size() || !f.flush() ||
        ::rename(QFile::encodeName(f.fileName()).constData(), QFile::encodeName(ruta).constData()) != 0) {
        qCWarning(lcHistorial) << "cannot keep the records of" << nombre << f.errorString()
                               << strerror(errno);
        return;
    }
    f.setAutoRemove(false);
}

bool Repositorio::Confirmar(const QStringList &archivos, QString *mensaje, QString *error,
                            const QString &mensajeDado) {
    if (mensaje)
        mensaje->clear();
    auto fallar = [&] {
        if (error)
            *error = UltimoError();
        return false;
    };
    if (!repo_) {
        if (error)
            *error = QStringLiteral("no hay repositorio");
        return false;
    }
    escritos_.Para(carpeta_);
    Commit padre;
    Tree arbol;
    const bool hayPadre = Cabeza(repo_, padre, arbol);
    TreeBuilder tb;
    if (Tomar(tb, git_treebuilder_new, repo_, arbol.get()) < 0)
        return fallar();

    QVector<mezcla::CambioArchivo> cambios;
    QVector<std::pair<QByteArray, git_oid>> agregados;
    QVector<QByteArray> quitados;
    QSet<QString> vistos;
    // The records each changed file had in the last version, for the message: the summary kept from
    // the version that recorded them when there is one, read back from the history otherwise.
    QVector<std::optional<mezcla::Registros>> previos;
    QVector<std::shared_future<mezcla::Registros>> nuevos; // of the files that are there now
    bool hayQuitados = false;
    for (const QString &archivo : archivos) {
        if (archivo.isEmpty() || vistos.contains(archivo))
            continue;
        vistos.insert(archivo);
        const QByteArray nombre = NombreGit(carpeta_, archivo, arbol.get());
        // Gone, though a file whose name differs in case stands beside where it was.
        const bool ido = nombre != NombreGit(carpeta_, archivo);
        QString ilegible;
        QByteArray escrito;
        mezcla::CambioArchivo c{archivo, std::nullopt,
                                ido ? std::nullopt
                                : escritos_.Tomar(archivo, escrito)
                                    ? std::optional<QByteArray>(escrito)
                                    : LeerArchivo(carpeta_ + QLatin1Char('/') + archivo, &ilegible)};
        if (!ilegible.isEmpty()) {
            qCWarning(lcHistorial) << "cannot read" << archivo << ilegible;
            if (error)
                *error = QStringLiteral("no se pudo leer la categoría %1: %2").arg(mezcla::Categoria(archivo), ilegible);
            return false;
        }
        const QByteArray idAntes = IdEn(arbol.get(), nombre);
        if (c.despues) {
            // A big file's records are read on another core while its blob is compressed on this one;
            // only their names and digests are kept, all the message needs.
            auto registros =
                std::async(mensajeDado.isEmpty() && c.despues->size() >= kResumenDesde ? std::launch::async
                                                                                     : std::launch::deferred,
                           [datos = *c.despues] { return mezcla::Registros(datos).ligeros(); })
                    .share();
            git_oid id;
            if (EscribirBlob(repo_, *c.despues, &id, !hayPadre) < 0)
                return fallar();
            if (Id(&id) == idAntes)
                continue; // the same bytes as the last version
            nuevos.append(registros);
            if (git_treebuilder_insert(nullptr, tb.get(), nombre.constData(), &id, GIT_FILEMODE_BLOB) < 0)
                return fallar();
            agregados.append({nombre, id});
        } else {
            if (idAntes.isEmpty())
                continue;
            if (git_treebuilder_remove(tb.get(), nombre.constData()) < 0)
                return fallar();
            quitados.append(nombre);
            hayQuitados = true;
            nuevos.append(std::shared_future<mezcla::Registros>());
        }
        const auto guardado = ultimos_.constFind(nombre);
        std::optional<mezcla::Registros> enDisco;
        if (!idAntes.isEmpty() && c.despues && guardado != ultimos_.cend() && guardado->first == idAntes)
            previos.append(guardado->second);
        else if (!idAntes.isEmpty() && c.despues && mensajeDado.isEmpty() &&
                 (enDisco = RegistrosGuardados(nombre, idAntes)))
            previos.append(std::move(enDisco));
        else {
            if (!idAntes.isEmpty())
                c.antes = BlobEn(repo_, arbol.get(), nombre);
            previos.append(std::nullopt);
        }
        cambios.append(std::move(c));
    }
    if (cambios.isEmpty())
        return true;

    // Each file's part of the message on its own, unless a file went: it may have been renamed to one
    // that came, which only the whole set of changes tells.
    QString texto = mensajeDado;
    QHash<QByteArray, std::pair<QByteArray, mezcla::Registros>> resumenes;
    if (texto.isEmpty() && hayQuitados) {
        for (int i = 0; i < cambios.size(); ++i)
            if (previos[i])
                cambios[i].antes = BlobEn(repo_, arbol.get(), NombreGit(carpeta_, cambios[i].archivo, arbol.get()));
        texto = mezcla::Mensaje(cambios);
    } else if (texto.isEmpty()) {
        QStringList partes;
        for (int i = 0; i < cambios.size(); ++i) {
            const mezcla::CambioArchivo &c = cambios[i];
            const QByteArray nombre = NombreGit(carpeta_, c.archivo, arbol.get());
            const mezcla::Registros &registros = nuevos[i].get();
            if (previos[i])
                partes << mezcla::Modificada(c.archivo, *previos[i], registros);
            else if (c.antes)
                partes << mezcla::Modificada(c.archivo, mezcla::Registros(*c.antes), registros);
            else
                partes << mezcla::Mensaje({c});
            // Only big files are worth keeping a summary of: reading back a small one costs little.
            if (c.despues->size() >= kResumenDesde)
                for (const auto &[n, id] : agregados)
                    if (n == nombre)
                        resumenes.insert(nombre, {Id(&id), registros});
        }
        texto = partes.join(QStringLiteral("; "));
    }
    git_oid idArbol, idCommit;
    Tree nuevo;
    if (git_treebuilder_write(&idArbol, tb.get()) < 0 || Tomar(nuevo, git_tree_lookup, repo_, &idArbol) < 0)
        return fallar();
    const Signature firma = Firma(repo_);
    const git_commit *padres[] = {padre.get()};
    const QByteArray utf8 = texto.toUtf8();
    if (git_commit_create(&idCommit, repo_, "HEAD", firma.get(), firma.get(), nullptr, utf8.constData(),
                          nuevo.get(), hayPadre ? 1 : 0, padres) < 0) {
        const QString motivo = UltimoError();
        qCWarning(lcHistorial) << "The version could not be recorded:" << motivo;
        DevolverRama(repo_, hayPadre ? git_commit_id(padre.get()) : nullptr);
        if (error)
            *error = motivo;
        return false;
    }

    // The index follows, so that git tools see these files as recorded. The version is made
    // already; an index that cannot be written only makes them look changed to such tools.
    Index indice;
    if (Tomar(indice, git_repository_index, repo_) == 0) {
        for (const auto &[nombre, id] : agregados) {
            git_index_entry e{};
            e.mode = GIT_FILEMODE_BLOB;
            e.id = id;
            e.path = nombre.constData();
            git_index_add(indice.get(), &e);
        }
        for (const QByteArray &nombre : quitados)
            git_index_remove_bypath(indice.get(), nombre.constData());
        git_index_write(indice.get());
    }
    for (const QByteArray &nombre : quitados) {
        ultimos_.remove(nombre);
        QFile::remove(RutaRegistros(nombre));
    }
    for (const auto &[nombre, id] : agregados)
        ultimos_.remove(nombre);
    for (auto it = resumenes.cbegin(); it != resumenes.cend(); ++it) {
        ultimos_.insert(it.key(), it.value());
        GuardarRegistros(it.key(), it.value().first, it.value().second);
    }
    if (mensaje)
        *mensaje = texto;
    return true;
}

QStringList Repositorio::Pendientes() const {
    QStringList r;
    if (!repo_)
        return r;
    Commit padre;
    Tree arbol;
    Cabeza(repo_, padre, arbol);
    QSet<QString> presentes;
    for (const QString &archivo : CategoriasDe(carpeta_)) {
        presentes.insert(archivo);
        const QString ruta = carpeta_ + QLatin1Char('/') + archivo;
        struct stat st;
        if (::stat(archivos::Nativa(ruta).constData(), &st) != 0)
            continue;
        const Sello actual{qint64(st.st_ino), qint64(st.st_size),
                           qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, {}};
        Sello &sello = sellos_[archivo];
        if (sello.inodo != actual.inodo || sello.tamano != actual.tamano || sello.tiempo != actual.tiempo) {
            const std::optional<QByteArray> datos = LeerArchivo(ruta);
            if (!datos) {
                sellos_.remove(archivo);
                continue;
            }
            git_oid id;
            git_odb_hash(&id, datos->constData(), size_t(datos->size()), GIT_OBJECT_BLOB);
            sello = actual;
            sello.id = Id(&id);
        }
        if (IdEn(arbol.get(), NombreGit(carpeta_, archivo)) != sello.id)
            r << archivo;
    }
    if (arbol)
        for (size_t i = 0; i < git_tree_entrycount(arbol.get()); ++i) {
            const git_tree_entry *e = git_tree_entry_byindex(arbol.get(), i);
            const QString archivo = DeRuta(git_tree_entry_name(e));
            if (archivo.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive) && !presentes.contains(archivo) &&
                !ExisteTal(carpeta_ + QLatin1Char('/') + archivo))
                r << archivo;
        }
    return r;
}

namespace {
// Walks the first-parent line back from the last version, each commit with its tree and its
// parent's tree (null for the first commit). `visitar` returns false to stop.
template <typename F> void Recorrer(git_repository *repo, F visitar) {
    Revwalk rw;
    if (!repo || Tomar(rw, git_revwalk_new, repo) < 0 || git_revwalk_push_head(rw.get()) < 0)
        return;
    git_revwalk_simplify_first_parent(rw.get());
    git_oid id;
    while (git_revwalk_next(&id, rw.get()) == 0) {
        Commit c;
        Tree arbol;
        if (!ArbolDeCommit(repo, id, c, arbol))
            return;
        Commit padre;
        Tree arbolPadre;
        if (git_commit_parentcount(c.get()) > 0 && Tomar(padre, git_commit_parent, c.get(), 0) == 0)
            Tomar(arbolPadre, git_commit_tree, padre.get());
        if (!visitar(c.get(), arbol.get(), arbolPadre.get()))
            return;
    }
}
} // namespace

namespace {
// The name a file that came in a version had before it: one that version removed, with the same
// bytes or, renamed and changed at once (a merge), with much the same records. Empty when none.
QByteArray Renombrada(git_repository *repo, const git_tree *padre, const git_tree *arbol, const QByteArray &nombre,
                      const QByteArray &id) {
    QList<QByteArray> idos;
    for (size_t i = 0; i < git_tree_entrycount(padre); ++i) {
        const git_tree_entry *e = git_tree_entry_byindex(padre, i);
        if (!IdEn(arbol, git_tree_entry_name(e)).isEmpty())
            continue;
        if (Id(git_tree_entry_id(e)) == id)
            return git_tree_entry_name(e);
        if (QByteArray(git_tree_entry_name(e)).endsWith(".rtn"))
            idos << git_tree_entry_name(e);
    }
    if (idos.isEmpty() || !nombre.endsWith(".rtn"))
        return {};
    const mezcla::Registros nuevo(BlobEn(repo, arbol, nombre).value_or(QByteArray()));
    for (const QByteArray &ido : idos)
        if (mezcla::Parecidas(mezcla::Registros(BlobEn(repo, padre, ido).value_or(QByteArray())), nuevo))
            return ido;
    return {};
}
} // namespace

QVector<Version> Repositorio::Versiones(const QString &archivo) const {
    QVector<Version> r;
    QByteArray nombre = NombreGit(carpeta_, archivo);
    Recorrer(repo_, [&](const git_commit *c, const git_tree *arbol, const git_tree *padre) {
        const QByteArray id = IdEn(arbol, nombre);
        if (id.isEmpty())
            return true; // not there in this version (deleted later, or made again since)
        const QByteArray antes = IdEn(padre, nombre);
        if (id != antes) {
            r.append({Hex(*git_commit_id(c)), Fecha(c), mezcla::SinMarcas(QString::fromUtf8(git_commit_message(c))),
                      DeRuta(nombre.constData())});
            // Come with the same bytes as a file this version removed: a rename, followed back.
            if (antes.isEmpty() && padre) {
                const QByteArray viejo = Renombrada(repo_, padre, arbol, nombre, id);
                if (!viejo.isEmpty())
                    nombre = viejo;
            }
        }
        return true;
    });
    return r;
}

QStringList Repositorio::Mensajes() const {
    QStringList r;
    Recorrer(repo_, [&](const git_commit *c, const git_tree *, const git_tree *) {
        r << mezcla::SinMarcas(QString::fromUtf8(git_commit_message(c)));
        return true;
    });
    return r;
}

std::optional<QByteArray> Repositorio::Contenido(const QByteArray &commit, const QString &archivo) const {
    git_oid id;
    Commit c;
    Tree arbol;
    if (!repo_ || !DeHex(commit, &id) || !ArbolDeCommit(repo_, id, c, arbol))
        return std::nullopt;
    return BlobEn(repo_, arbol.get(), NombreGit(carpeta_, archivo));
}

QVector<Eliminada> Repositorio::Eliminadas() const {
    QVector<Eliminada> r;
    QSet<QByteArray> vistas;
    QSet<QByteArray> actuales; // what the last version holds, under any name
    bool primero = true;
    Recorrer(repo_, [&](const git_commit *c, const git_tree *arbol, const git_tree *padre) {
        if (primero) {
            for (size_t i = 0; i < git_tree_entrycount(arbol); ++i)
                actuales.insert(Id(git_tree_entry_id(git_tree_entry_byindex(arbol, i))));
            primero = false;
        }
        if (!padre || git_oid_equal(git_tree_id(arbol), git_tree_id(padre)))
            return true;
        // What came in this version: a file gone that one come was renamed from is not deleted.
        QSet<QByteArray> renombradas;
        for (size_t i = 0; i < git_tree_entrycount(arbol); ++i) {
            const git_tree_entry *e = git_tree_entry_byindex(arbol, i);
            if (IdEn(padre, git_tree_entry_name(e)).isEmpty())
                renombradas.insert(Renombrada(repo_, padre, arbol, git_tree_entry_name(e), Id(git_tree_entry_id(e))));
        }
        for (size_t i = 0; i < git_tree_entrycount(padre); ++i) {
            const git_tree_entry *e = git_tree_entry_byindex(padre, i);
            const QByteArray nombre = git_tree_entry_name(e), id = Id(git_tree_entry_id(e));
            if (!nombre.endsWith(".rtn") || vistas.contains(nombre) || !IdEn(arbol, nombre).isEmpty() ||
                renombradas.contains(nombre))
                continue;
            vistas.insert(nombre);
            // Brought back already (under its name or another): nothing to offer.
            if (!actuales.contains(id))
                r.append({DeRuta(nombre.constData()), Hex(*git_commit_parent_id(c, 0)), Fecha(c)});
        }
        return true;
    });
    return r;
}

} // namespace git
