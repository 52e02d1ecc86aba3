#pragma once
// Shared by the history and sync code only: owning handles for libgit2 objects and a few helpers.
#include "core/Archivos.h"

#include <git2.h>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace git {

template <typename T, void (*Liberar)(T *)> struct Liberador {
    void operator()(T *p) const { Liberar(p); }
};
template <typename T, void (*Liberar)(T *)> using Propio = std::unique_ptr<T, Liberador<T, Liberar>>;

using Commit = Propio<git_commit, git_commit_free>;
using Tree = Propio<git_tree, git_tree_free>;
using Blob = Propio<git_blob, git_blob_free>;
using Index = Propio<git_index, git_index_free>;
using Reference = Propio<git_reference, git_reference_free>;
using Revwalk = Propio<git_revwalk, git_revwalk_free>;
using Signature = Propio<git_signature, git_signature_free>;
using TreeBuilder = Propio<git_treebuilder, git_treebuilder_free>;
using Remote = Propio<git_remote, git_remote_free>;
using Odb = Propio<git_odb, git_odb_free>;

// Calls a libgit2 function that gives a new object through its first argument, and owns it at once
// (before anything after the call in the same expression runs).
template <typename P, typename F, typename... A> int Tomar(P &propio, F funcion, A... argumentos) {
    typename P::pointer crudo = nullptr;
    const int r = funcion(&crudo, argumentos...);
    propio.reset(crudo);
    return r;
}

// Who a version is by: the user's git identity, or the program's when none is set.
inline Signature Firma(git_repository *repo) {
    Signature s;
    if (Tomar(s, git_signature_default, repo) < 0)
        Tomar(s, git_signature_now, "Rutinero", "rutinero@localhost");
    return s;
}

// The last libgit2 error of this thread, as text.
inline QString UltimoError() {
    const git_error *e = git_error_last();
    return e && e->message ? QString::fromUtf8(e->message).trimmed() : QStringLiteral("error desconocido");
}

// Something is at the path under exactly this name, not only a file whose name differs in case that
// the file layer would find for it ("Uno.RTN" for "Uno.rtn").
inline bool ExisteTal(const QString &ruta) {
    const QByteArray nativa = archivos::Nativa(ruta);
    struct stat st;
    return ::lstat(nativa.constData(), &st) == 0 &&
           archivos::Legible(nativa.mid(nativa.lastIndexOf('/') + 1)) == ruta.mid(ruta.lastIndexOf(QLatin1Char('/')) + 1);
}

inline QByteArray Ruta(const QString &archivo) { return QFile::encodeName(archivo); }
// A name in a tree as the user reads it (names that are not UTF-8 read as Windows-1252).
inline QString DeRuta(const char *ruta) { return archivos::Legible(QByteArray(ruta)); }
inline QByteArray Hex(const git_oid &id) {
    char texto[GIT_OID_HEXSZ + 1] = {};
    git_oid_tostr(texto, sizeof texto, &id);
    return QByteArray(texto);
}
inline QByteArray Id(const git_oid *id) { return QByteArray(reinterpret_cast<const char *>(id->id), GIT_OID_RAWSZ); }
inline bool DeHex(const QByteArray &hex, git_oid *id) { return git_oid_fromstrn(id, hex.constData(), size_t(hex.size())) == 0; }

inline QDateTime Fecha(const git_commit *c) {
    return QDateTime::fromSecsSinceEpoch(git_commit_time(c), Qt::OffsetFromUTC, git_commit_time_offset(c) * 60);
}

// The blob's bytes, copied.
inline QByteArray Contenido(const git_blob *b) {
    return QByteArray(static_cast<const char *>(git_blob_rawcontent(b)), qsizetype(git_blob_rawsize(b)));
}

// The id of the entry called `archivo` in a tree, or empty.
inline QByteArray IdEn(const git_tree *arbol, const QByteArray &archivo) {
    if (!arbol)
        return {};
    const git_tree_entry *e = git_tree_entry_byname(arbol, archivo.constData());
    return e && git_tree_entry_type(e) == GIT_OBJECT_BLOB ? Id(git_tree_entry_id(e)) : QByteArray();
}

} // namespace git
