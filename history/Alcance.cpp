#include "history/Alcance.h"

#include <QCryptographicHash>
#include <cstring>

namespace git::alcance {

namespace {
constexpr int kId = 20;

bool EsHex(const char *p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i)
        if (!((p[i] >= '0' && p[i] <= '9') || (p[i] >= 'a' && p[i] <= 'f') || (p[i] >= 'A' && p[i] <= 'F')))
            return false;
    return true;
}
bool EsCero(const QByteArray &id) { return id.count('\0') == id.size(); }

// A cursor over untrusted bytes: every read is checked against the end.
struct Lector {
    const unsigned char *p, *fin;
    bool ok = true;
    qsizetype queda() const { return fin - p; }
    bool Saltar(qsizetype n) {
        if (!ok || n < 0 || n > queda())
            return ok = false;
        p += n;
        return true;
    }
    quint32 U32() {
        if (!ok || queda() < 4) {
            ok = false;
            return 0;
        }
        const quint32 v = quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
        p += 4;
        return v;
    }
    quint16 U16() {
        if (!ok || queda() < 2) {
            ok = false;
            return 0;
        }
        const quint16 v = quint16(p[0] << 8 | p[1]);
        p += 2;
        return v;
    }
    QByteArray Id() {
        if (!ok || queda() < kId) {
            ok = false;
            return {};
        }
        QByteArray id(reinterpret_cast<const char *>(p), kId);
        p += kId;
        return id;
    }
    // The bytes up to the next NUL, which is passed; its length in *n.
    const unsigned char *HastaNulo(qsizetype *n) {
        const void *nulo = ok ? memchr(p, 0, size_t(queda())) : nullptr;
        if (!nulo) {
            ok = false;
            return nullptr;
        }
        const unsigned char *inicio = p;
        *n = static_cast<const unsigned char *>(nulo) - p;
        p += *n + 1;
        return inicio;
    }
    // The offset varint of version 4 paths (each continuation byte adds one before shifting).
    quint64 Varint() {
        if (!ok || queda() < 1) {
            ok = false;
            return 0;
        }
        unsigned char c = *p++;
        quint64 v = c & 127;
        while (c & 128) {
            if (queda() < 1 || v >= (quint64(1) << 56)) {
                ok = false;
                return 0;
            }
            c = *p++;
            v = ((v + 1) << 7) | (c & 127);
        }
        return v;
    }
};

bool Fallo(QString *error, const QString &que) {
    if (error)
        *error = que;
    return false;
}

// A decimal integer up to `tope` (one byte past it is the byte that ended it).
bool Entero(Lector &l, char tope, qint64 *v) {
    bool negativo = false;
    if (l.queda() > 0 && *l.p == '-') {
        negativo = true;
        l.Saltar(1);
    }
    qint64 n = 0;
    int cifras = 0;
    while (l.ok && l.queda() > 0 && *l.p >= '0' && *l.p <= '9' && cifras < 10) {
        n = n * 10 + (*l.p - '0');
        ++cifras;
        l.Saltar(1);
    }
    if (!cifras || l.queda() < 1 || *l.p != tope)
        return false;
    l.Saltar(1);
    *v = negativo ? -n : n;
    return true;
}

// The cache tree: a path, "<entries> <subtrees>\n" and, unless the entry count is -1 (a tree that
// is no longer valid), the tree's id; the subtrees follow each in turn.
bool ArbolesEnCache(Lector l, QVector<QByteArray> *arboles) {
    while (l.ok && l.queda() > 0) {
        qsizetype n = 0;
        qint64 entradas = 0, subarboles = 0;
        if (!l.HastaNulo(&n) || !Entero(l, ' ', &entradas) || !Entero(l, '\n', &subarboles) || entradas < -1 ||
            subarboles < 0)
            return false;
        if (entradas >= 0) {
            const QByteArray id = l.Id();
            if (!l.ok)
                return false;
            arboles->append(id);
        }
    }
    return l.ok;
}

// Resolved conflicts kept to be undone: a path, three octal modes, an id for each mode not zero.
bool Deshacer(Lector l, QVector<QByteArray> *blobs) {
    while (l.ok && l.queda() > 0) {
        qsizetype n = 0;
        if (!l.HastaNulo(&n))
            return false;
        bool conId[3];
        for (bool &c : conId) {
            const unsigned char *modo = l.HastaNulo(&n);
            if (!modo || n < 1 || n > 7)
                return false;
            quint32 v = 0;
            for (qsizetype i = 0; i < n; ++i) {
                if (modo[i] < '0' || modo[i] > '7')
                    return false;
                v = v * 8 + quint32(modo[i] - '0');
            }
            c = v != 0;
        }
        for (bool c : conId)
            if (c) {
                const QByteArray id = l.Id();
                if (!l.ok)
                    return false;
                blobs->append(id);
            }
    }
    return l.ok;
}
} // namespace

bool LeerIndice(const QByteArray &datos, DelIndice *r, QString *error) {
    *r = {};
    if (datos.size() < 12 + kId)
        return Fallo(error, QStringLiteral("el índice está incompleto"));
    // The last 20 bytes are the checksum of the rest (all zero when git was told not to write it).
    const QByteArray suma = datos.right(kId);
    if (!EsCero(suma) &&
        QCryptographicHash::hash(QByteArrayView(datos).chopped(kId), QCryptographicHash::Sha1) != suma)
        return Fallo(error, QStringLiteral("la suma del índice no corresponde: está dañado"));
    const auto *inicio = reinterpret_cast<const unsigned char *>(datos.constData());
    Lector l{inicio, inicio + datos.size() - kId};
    if (memcmp(l.p, "DIRC", 4) != 0)
        return Fallo(error, QStringLiteral("no es un índice de git"));
    l.Saltar(4);
    const quint32 version = l.U32();
    if (version < 2 || version > 4)
        return Fallo(error, QStringLiteral("versión %1 del índice desconocida").arg(version));
    const quint32 cuantas = l.U32();
    qsizetype ruta = 0; // the previous entry's path length, which version 4 paths start from
    for (quint32 i = 0; i < cuantas && l.ok; ++i) {
        const unsigned char *entrada = l.p;
        l.Saltar(24); // ctime, mtime, dev, ino
        const quint32 modo = l.U32();
        l.Saltar(12); // uid, gid, size
        const QByteArray id = l.Id();
        const quint16 banderas = l.U16();
        if (banderas & 0x4000) {
            if (version < 3)
                return Fallo(error, QStringLiteral("una entrada del índice está dañada"));
            l.Saltar(2);
        }
        qsizetype n = 0;
        if (version == 4) {
            const quint64 quitar = l.Varint();
            if (!l.ok || quitar > quint64(ruta) || !l.HastaNulo(&n))
                return Fallo(error, QStringLiteral("una entrada del índice está dañada"));
            ruta = ruta - qsizetype(quitar) + n;
        } else {
            if (!l.HastaNulo(&n))
                return Fallo(error, QStringLiteral("una entrada del índice está dañada"));
            // Padded with NULs (the one read above included) to a multiple of 8 bytes.
            const qsizetype largo = ((l.p - 1 - entrada) + 8) & ~qsizetype(7);
            l.Saltar(largo - (l.p - entrada));
        }
        if (!l.ok)
            return Fallo(error, QStringLiteral("el índice está incompleto"));
        switch (modo & 0170000) {
        case 0160000: // a submodule's commit, of another repository
            break;
        case 0040000: // a folder left whole by a sparse index
            r->arboles.append(id);
            break;
        default:
            r->blobs.append(id);
        }
    }
    while (l.ok && l.queda() > 0) {
        if (l.queda() < 8)
            return Fallo(error, QStringLiteral("el índice está incompleto"));
        const QByteArray firma(reinterpret_cast<const char *>(l.p), 4);
        l.Saltar(4);
        const quint32 largo = l.U32();
        if (largo > quint64(l.queda()))
            return Fallo(error, QStringLiteral("el índice está incompleto"));
        const Lector datosExt{l.p, l.p + largo};
        l.Saltar(largo);
        if (firma == "TREE") {
            if (!ArbolesEnCache(datosExt, &r->arboles))
                return Fallo(error, QStringLiteral("el árbol guardado en el índice está dañado"));
        } else if (firma == "REUC") {
            if (!Deshacer(datosExt, &r->blobs))
                return Fallo(error, QStringLiteral("los conflictos resueltos del índice están dañados"));
        } else if (firma == "link") {
            if (largo < kId)
                return Fallo(error, QStringLiteral("el índice está dañado"));
            r->compartido = QByteArray(reinterpret_cast<const char *>(datosExt.p), kId).toHex();
            if (EsCero(QByteArray::fromHex(r->compartido)))
                r->compartido.clear();
        } else if (firma == "sdir") {
            // Only marks the index as sparse: its folder entries were read above.
        } else if (firma.at(0) < 'A' || firma.at(0) > 'Z') {
            // An extension git requires readers to understand: what it names is unknown.
            return Fallo(error, QStringLiteral("el índice tiene una extensión desconocida"));
        }
    }
    if (!l.ok)
        return Fallo(error, QStringLiteral("el índice está incompleto"));
    return true;
}

bool LeerCabeza(const QByteArray &datos, QVector<QByteArray> *ids) {
    for (const QByteArray &linea : datos.split('\n')) {
        if (linea.isEmpty() || linea.startsWith("ref: "))
            continue;
        if (linea.size() < 2 * kId || !EsHex(linea.constData(), 2 * kId) ||
            (linea.size() > 2 * kId && linea.at(2 * kId) != '\t' && linea.at(2 * kId) != ' '))
            return false;
        const QByteArray id = QByteArray::fromHex(linea.left(2 * kId));
        if (!EsCero(id))
            ids->append(id);
    }
    return true;
}

bool LeerReflog(const QByteArray &datos, QVector<QByteArray> *ids) {
    for (const QByteArray &linea : datos.split('\n')) {
        if (linea.isEmpty())
            continue;
        if (linea.size() < 4 * kId + 1 || !EsHex(linea.constData(), 2 * kId) || linea.at(2 * kId) != ' ' ||
            !EsHex(linea.constData() + 2 * kId + 1, 2 * kId))
            return false;
        for (const QByteArray &id :
             {QByteArray::fromHex(linea.left(2 * kId)), QByteArray::fromHex(linea.mid(2 * kId + 1, 2 * kId))})
            if (!EsCero(id))
                ids->append(id);
    }
    return true;
}

} // namespace git::alcance
