#pragma once
// What keeps an object of a repository alive besides its branches: the files git itself writes
// (the index, the reflogs, HEAD and the other heads at the top of the git folder), read by us with
// the same care as any data from outside. Housekeeping removes nothing these name.
#include <QByteArray>
#include <QString>
#include <QVector>

namespace git::alcance {

// The objects a git index names: its entries' blobs (and the trees of a sparse index), the blobs a
// resolved conflict can be undone to, and the trees of its cache tree. Ids are raw, 20 bytes.
struct DelIndice {
    QVector<QByteArray> blobs;
    QVector<QByteArray> arboles;
    QByteArray compartido; // hex id of the shared index, for an index split in two; else empty
};

// Reads an index file's bytes (versions 2, 3 and 4). False, with *error, when they are not a whole,
// well-formed index: its checksum differs, it ends too soon, or it holds what this reader does not
// know and cannot safely skip.
bool LeerIndice(const QByteArray &datos, DelIndice *r, QString *error);

// The ids a head file (HEAD, ORIG_HEAD, FETCH_HEAD, MERGE_HEAD…) or a loose ref names, raw: one per
// line that starts with one; "ref: …" lines name a ref, not an object. False on any other line.
bool LeerCabeza(const QByteArray &datos, QVector<QByteArray> *ids);

// The ids of a reflog's entries, old and new (the zero id left out). False on a line that is not
// an entry.
bool LeerReflog(const QByteArray &datos, QVector<QByteArray> *ids);

} // namespace git::alcance
