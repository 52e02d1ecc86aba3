#pragma once
#include "format/DuenoCarpeta.h"
#include "history/Mezcla.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

struct git_repository;

// The history of the Categorias folder, kept by git: the category files stay exactly as they are,
// and the folder is an ordinary git working tree that any git tool can read.
// One object is used by one thread at a time; two objects on the same folder may live in two threads.
namespace git {

// A version of one category: the commit that changed it, under the name it had then.
struct Version {
    QByteArray commit; // hex id
    QDateTime fecha;
    QString mensaje;
    QString archivo;
};

// A category that the last version no longer holds.
struct Eliminada {
    QString archivo;
    QByteArray commit; // hex id of the last version that held it
    QDateTime fecha;   // when it was deleted
};

class Repositorio {
public:
    Repositorio();
    ~Repositorio();
    Repositorio(const Repositorio &) = delete;
    Repositorio &operator=(const Repositorio &) = delete;

    // Opens the repository of the folder itself (never one of a parent folder). When there is none
    // and `crear`, makes one; *creado then says so.
    bool Abrir(const QString &carpeta, bool crear, bool *creado = nullptr, QString *error = nullptr);
    bool abierto() const { return repo_ != nullptr; }
    QString carpeta() const { return carpeta_; }
    static bool Existe(const QString &carpeta);
    // An empty bare repository in the folder (made if missing), for machines to sync through.
    static bool CrearRemoto(const QString &carpeta, QString *error = nullptr);

    // The files as they are now, recorded as one version that holds only these changes; the rest of
    // the last version is kept as it was. When no file differs, nothing is recorded and *mensaje is
    // empty; otherwise *mensaje says what changed.
    bool Confirmar(const QStringList &archivos, QString *mensaje, QString *error,
                   const QString &mensajeDado = QString());
    // The category files (*.rtn) that differ from the last version, deleted ones included.
    QStringList Pendientes() const;
    QStringList CategoriasPresentes() const;

    // The versions of a category, newest first, following it back through renames.
    QVector<Version> Versiones(const QString &archivo) const;
    std::optional<QByteArray> Contenido(const QByteArray &commit, const QString &archivo) const;
    // Deleted categories, most recently deleted first, each once.
    QVector<Eliminada> Eliminadas() const;
    // The messages of the versions, newest first.
    QStringList Mensajes() const;
    // The last version's commit, hex; empty when there is none yet.
    QByteArray Ultima() const;
    // Whether the repository is damaged: an object of it was found damaged, or the last version
    // cannot be read (a file a power cut truncated, or one that is missing). *motivo says what.
    bool Danado(QString *motivo = nullptr) const;
    // Closes the repository and moves its .git folder aside, whole, under a name that says it is
    // damaged (*apartado); nothing of it is deleted. The folder is left with no history.
    bool Apartar(QString *apartado, QString *error);
    QString Rama() const;

    // Each version adds whole copies of the files it records, one file each ("loose" objects): a
    // big category saved a hundred times is a hundred copies. These are counted, and gathered into
    // one pack where versions of a file are stored as differences, as git's own housekeeping does.
    struct Sueltos {
        int objetos = 0;
        qint64 bytes = 0;
        qint64 empaquetados = 0; // the bytes of the packs, for scale
    };
    Sueltos ContarSueltos() const;
    // Packs the loose objects that anything reaches: refs, HEAD and git's other heads, reflogs, the
    // git index (staged files and its cache tree), stashes; in batches of a bounded size, the loose
    // files of each batch removed once its pack is written. A loose object nothing reaches is kept
    // for two weeks, and for good when one of those could not be read. When the packs are many,
    // the smaller ones are packed into one. Gives how many loose objects went, or -1 when a pack
    // could not be made (the batches written before it stay). `parar`, asked now and then, gives it
    // up when the program is closing: the next housekeeping goes on from the batches already kept.
    int Compactar(QString *error = nullptr, const std::function<bool()> &parar = {});
    // The loose bytes of one batch (for tests; 0 puts back the normal 32 MB).
    static void LimitarLote(qint64 bytes);
    // Compacts once the loose objects are many, or take more than half the room of the packs: the
    // repository then stays within one and a half times its packed size. A few kilobytes of them
    // are left for later, so that a small library is not packed again at every version.
    static bool HaceFaltaCompactar(const Sueltos &s) {
        return s.objetos > 2000 || (s.bytes > 128 * 1024 && s.bytes * 2 > s.empaquetados);
    }

    git_repository *crudo() const { return repo_; }

private:
    git_repository *repo_ = nullptr;
    QString carpeta_;
    std::shared_ptr<std::atomic_bool> danado_ = std::make_shared<std::atomic_bool>(false);
    // The id of each category file as last hashed, with the file's inode, size and time then:
    // looking for changes reads only the files that were touched since.
    struct Sello {
        qint64 inodo = -1, tamano = -1, tiempo = -1;
        QByteArray id;
    };
    mutable QHash<QString, Sello> sellos_;
    // The records of the big files as this object last recorded them (by name in the tree, with the
    // blob's id): the next version's message compares with them instead of reading the blob back.
    static constexpr qsizetype kResumenDesde = 1 << 20;
    QHash<QByteArray, std::pair<QByteArray, mezcla::Registros>> ultimos_;
    // The same records kept in the repository's folder, for the next object that opens it: the
    // program started again, or another program's rewrite of the file, needs not read the blob back.
    QString RutaRegistros(const QByteArray &nombre) const;
    std::optional<mezcla::Registros> RegistrosGuardados(const QByteArray &nombre, const QByteArray &id) const;
    void GuardarRegistros(const QByteArray &nombre, const QByteArray &id,
                          const mezcla::Registros &registros) const;
    // The bytes the program has just written, handed by the folder's owner: a version needs not read
    // them back.
    LectorEscritos escritos_;
};

} // namespace git
