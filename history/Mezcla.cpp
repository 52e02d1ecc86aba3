#include "history/Mezcla.h"
#include "core/Cp1252.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <zlib.h>

namespace mezcla {

Registros::Registros(const QByteArray &datos) : datos_(datos), tipo_(codificacion::De(datos)) {
    scripts_ = mdlScripts::Analizar(datos_, tramos_);
    for (int i = 0; i < scripts_.size(); ++i) {
        const mdlScripts::Tramo &t = tramos_[i];
        QByteArray utf8;
        if (t.inicio < 0)
            utf8 = mdlScripts::SinComillas(scripts_[i].Codigo, true).toUtf8();
        else if (tipo_ == codificacion::Tipo::Cp1252 &&
                 std::any_of(datos_.constData() + t.inicio, datos_.constData() + t.inicio + t.largo,
                             [](char c) { return uchar(c) >= 0x80; }))
            utf8 = codificacion::AUtf8(tipo_, QByteArrayView(datos_.constData() + t.inicio, t.largo));
        if (utf8.isNull())
            continue; // the file's bytes are the UTF-8 bytes
        if (codificados_.isEmpty())
            codificados_.resize(scripts_.size());
        codificados_[i] = utf8;
    }
}

QByteArrayView Registros::codigo(int i) const {
    const mdlScripts::Tramo &t = tramos_[i];
    if (!codificados_.isEmpty() && !codificados_[i].isNull())
        return QByteArrayView(codificados_[i]);
    if (t.inicio >= 0)
        return QByteArrayView(datos_.constData() + t.inicio, t.largo);
    return QByteArrayView(codificados_[i]);
}

std::pair<size_t, size_t> Registros::texto(int i) const {
    if (ligero_)
        return textos_[i];
    const Script &s = scripts_[i];
    return {qHashMulti(1, s.Descripcion, s.Puntaje, codigo(i)), qHashMulti(2, s.Descripcion, s.Puntaje, codigo(i))};
}

Registros Registros::ligeros() const {
    Registros r;
    r.ligero_ = true;
    r.scripts_.reserve(scripts_.size());
    r.hashes_.reserve(scripts_.size());
    r.textos_.reserve(scripts_.size());
    for (int i = 0; i < size(); ++i) {
        Script s;
        s.Nombre = scripts_[i].Nombre;
        r.scripts_.append(s);
        r.hashes_.append(hash(i));
        r.textos_.append(texto(i));
    }
    return r;
}

namespace {
constexpr char kGuardado[] = "rutinero-registros 1";
// The digests come from Qt's hash, which may differ between builds and processors: a file made by
// another one must not be compared with these.
size_t Sonda() {
    return qHashMulti(3, QStringLiteral("sonda"), QByteArrayView("sonda"));
}
quint32 Suma(QByteArrayView d) {
    return quint32(crc32_z(0, reinterpret_cast<const Bytef *>(d.data()), size_t(d.size())));
}
} // namespace

QByteArray Registros::guardable(const QByteArray &clave) const {
    QByteArray r;
    QDataStream out(&r, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << QByteArray(kGuardado) << clave << quint64(Sonda()) << qint32(size());
    for (int i = 0; i < size(); ++i) {
        const auto [a, b] = texto(i);
        out << scripts_[i].Nombre << quint64(hash(i)) << quint64(a) << quint64(b);
    }
    out << Suma(r);
    return r;
}

std::optional<Registros> Registros::DeGuardado(const QByteArray &datos, const QByteArray &clave) {
    if (datos.size() < 4)
        return std::nullopt;
    const QByteArrayView cuerpo(datos.constData(), datos.size() - 4);
    QDataStream in(datos);
    in.setVersion(QDataStream::Qt_6_4);
    in.skipRawData(int(cuerpo.size()));
    quint32 suma = 0;
    in >> suma;
    if (suma != Suma(cuerpo))
        return std::nullopt;
    in.device()->seek(0);
    QByteArray marca, suya;
    quint64 sonda = 0;
    qint32 n = -1;
    in >> marca >> suya >> sonda >> n;
    // Each record takes at least 28 bytes: a count past that is a lie, not an allocation to make.
    if (in.status() != QDataStream::Ok || marca != kGuardado || suya != clave || sonda != quint64(Sonda()) ||
        n < 0 || n > cuerpo.size() / 28)
        return std::nullopt;
    Registros r;
    r.ligero_ = true;
    r.scripts_.resize(n);
    r.hashes_.resize(n);
    r.textos_.resize(n);
    for (int i = 0; i < n; ++i) {
        quint64 h = 0, a = 0, b = 0;
        in >> r.scripts_[i].Nombre >> h >> a >> b;
        r.hashes_[i] = size_t(h);
        r.textos_[i] = {size_t(a), size_t(b)};
    }
    if (in.status() != QDataStream::Ok || in.device()->pos() != cuerpo.size())
        return std::nullopt;
    return r;
}

bool Registros::igual(int i, const Registros &otro, int j) const {
    const Script &a = scripts_[i], &b = otro.scripts_[j];
    if (ligero_ || otro.ligero_)
        return a.Nombre == b.Nombre && texto(i) == otro.texto(j);
    return a.Nombre == b.Nombre && a.Descripcion == b.Descripcion && a.Puntaje == b.Puntaje &&
           codigo(i) == otro.codigo(j);
}

bool Registros::mismoTexto(int i, const Registros &otro, int j) const {
    if (ligero_ || otro.ligero_)
        return texto(i) == otro.texto(j);
    const Script &a = scripts_[i], &b = otro.scripts_[j];
    return a.Descripcion == b.Descripcion && a.Puntaje == b.Puntaje && codigo(i) == otro.codigo(j);
}

QByteArray Registros::huella(int i) const {
    const Script &s = scripts_[i];
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (const QString &campo : {s.Nombre, s.Descripcion, s.Puntaje}) {
        h.addData(campo.toUtf8());
        h.addData(QByteArrayView("\0", 1));
    }
    h.addData(codigo(i));
    return h.result();
}

size_t Registros::hash(int i) const {
    if (ligero_)
        return hashes_[i];
    const Script &s = scripts_[i];
    return qHashMulti(0, s.Nombre, s.Descripcion, s.Puntaje, codigo(i));
}

void Registros::agregarA(QByteArray &salida, int i, const QString &otroNombre, codificacion::Tipo tipo) const {
    Script s = scripts_[i];
    if (!otroNombre.isNull())
        s.Nombre = otroNombre;
    const QByteArrayView utf8 = codigo(i);
    // ASCII code reads the same in both encodings; other code is written in the file's own bytes
    // only when the file has the encoding being written.
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) < 0x80; });
    if (tipo == codificacion::Tipo::Utf8 || ascii) {
        mdlScripts::AgregarRegistro(salida, s, utf8, tipo);
    } else if (tipo_ == tipo && tramos_[i].inicio >= 0) {
        mdlScripts::AgregarRegistro(salida, s, QByteArrayView(datos_.constData() + tramos_[i].inicio, tramos_[i].largo),
                                    tipo);
    } else {
        s.Codigo = QString::fromUtf8(utf8);
        mdlScripts::AgregarRegistro(salida, s, {}, tipo);
    }
}

Script Registros::completo(int i) const {
    Script s = scripts_[i];
    if (tramos_[i].inicio >= 0)
        s.Codigo = mdlScripts::Codigo(datos_, tramos_[i]);
    return s;
}

namespace {
// Indices of records by a key, handed out in order, each once.
template <typename Clave> class Reparto {
public:
    void poner(const Clave &k, int i) { grupos_[k].indices.append(i); }
    // The first index not yet taken of the key's group that `sirve` accepts.
    template <typename F> int tomar(const Clave &k, const QVector<bool> &tomado, F sirve) {
        auto it = grupos_.find(k);
        if (it == grupos_.end())
            return -1;
        Grupo &g = *it;
        while (g.inicio < g.indices.size() && tomado[g.indices[g.inicio]])
            ++g.inicio;
        for (qsizetype p = g.inicio; p < g.indices.size(); ++p) {
            const int i = g.indices[p];
            if (!tomado[i] && sirve(i))
                return i;
        }
        return -1;
    }

private:
    struct Grupo {
        QVector<int> indices;
        qsizetype inicio = 0;
    };
    QHash<Clave, Grupo> grupos_;
};
} // namespace

QVector<int> Emparejar(const Registros &base, const Registros &lado) {
    QVector<int> m(base.size(), -1);
    QVector<bool> tomado(lado.size(), false);
    Reparto<size_t> porRegistro;
    for (int j = 0; j < lado.size(); ++j)
        porRegistro.poner(lado.hash(j), j);
    for (int i = 0; i < base.size(); ++i) {
        const int j = porRegistro.tomar(base.hash(i), tomado, [&](int j) { return base.igual(i, lado, j); });
        if (j >= 0) {
            m[i] = j;
            tomado[j] = true;
        }
    }
    Reparto<QString> porNombre;
    for (int j = 0; j < lado.size(); ++j)
        if (!tomado[j])
            porNombre.poner(lado.nombre(j), j);
    for (int i = 0; i < base.size(); ++i) {
        if (m[i] >= 0)
            continue;
        const int j = porNombre.tomar(base.nombre(i), tomado, [](int) { return true; });
        if (j >= 0) {
            m[i] = j;
            tomado[j] = true;
        }
    }
    return m;
}

Cambios Comparar(const Registros &antes, const Registros &despues) {
    Cambios c;
    const QVector<int> m = Emparejar(antes, despues);
    int emparejados = 0, anterior = -1;
    bool enOrden = true;
    for (int i = 0; i < m.size(); ++i) {
        if (m[i] < 0) {
            ++c.eliminados;
            continue;
        }
        ++emparejados;
        if (!antes.igual(i, despues, m[i]))
            ++c.modificados;
        enOrden = enOrden && m[i] > anterior;
        anterior = m[i];
    }
    c.agregados = despues.size() - emparejados;
    c.reordenados = !enOrden;
    return c;
}

QString Describir(const Cambios &c) {
    QStringList partes;
    auto parte = [&](int n, const char *singular, const char *plural) {
        if (n <= 0)
            return;
        const QString palabra = QString::fromUtf8(n == 1 ? singular : plural);
        const QString sustantivo = partes.isEmpty() ? QString::fromLatin1(n == 1 ? "script " : "scripts ") : QString();
        partes << QStringLiteral("%1 %2%3").arg(n).arg(sustantivo, palabra);
    };
    parte(c.agregados, "agregado", "agregados");
    parte(c.modificados, "modificado", "modificados");
    parte(c.eliminados, "eliminado", "eliminados");
    if (partes.isEmpty() && c.reordenados)
        return QStringLiteral("scripts reordenados");
    return partes.join(QStringLiteral(", "));
}

QString Categoria(const QString &archivo) {
    return archivo.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive) ? archivo.chopped(4) : archivo;
}

QStringList Resumen(const QVector<CambioArchivo> &cambios) {
    // A file gone and another come with the same bytes, in one command, is a rename.
    QHash<int, int> renombrado; // index of the old name -> index of the new one
    QSet<int> destinos;
    for (int i = 0; i < cambios.size(); ++i) {
        if (!cambios[i].antes || cambios[i].despues)
            continue;
        for (int j = 0; j < cambios.size(); ++j)
            if (!cambios[j].antes && cambios[j].despues && !destinos.contains(j) &&
                *cambios[j].despues == *cambios[i].antes) {
                renombrado.insert(i, j);
                destinos.insert(j);
                break;
            }
    }
    // Then one come with much the same records as one gone (renamed, and changed in the same
    // version, as a merge may do).
    for (int i = 0; i < cambios.size(); ++i) {
        if (!cambios[i].antes || cambios[i].despues || renombrado.contains(i))
            continue;
        const Registros viejo(*cambios[i].antes);
        for (int j = 0; j < cambios.size(); ++j)
            if (!cambios[j].antes && cambios[j].despues && !destinos.contains(j) &&
                Parecidas(viejo, Registros(*cambios[j].despues))) {
                renombrado.insert(i, j);
                destinos.insert(j);
                break;
            }
    }
    QStringList partes;
    for (int i = 0; i < cambios.size(); ++i) {
        const CambioArchivo &c = cambios[i];
        const QString nombre = Categoria(c.archivo);
        if (destinos.contains(i))
            continue;
        if (renombrado.contains(i)) {
            const CambioArchivo &nuevo = cambios[renombrado[i]];
            const QString d = *nuevo.despues == *c.antes
                                  ? QString()
                                  : Describir(Comparar(Registros(*c.antes), Registros(*nuevo.despues)));
            partes << (d.isEmpty() ? QStringLiteral("%1: renombrada a %2").arg(nombre, Categoria(nuevo.archivo))
                                   : QStringLiteral("%1: renombrada a %2, %3").arg(nombre, Categoria(nuevo.archivo), d));
        } else if (!c.antes && c.despues) {
            const int n = Registros(*c.despues).size();
            partes << (n == 0 ? QStringLiteral("%1: categoría nueva").arg(nombre)
                              : QStringLiteral("%1: categoría nueva con %2 %3")
                                    .arg(nombre)
                                    .arg(n)
                                    .arg(n == 1 ? QStringLiteral("script") : QStringLiteral("scripts")));
        } else if (c.antes && !c.despues) {
            partes << QStringLiteral("%1: categoría eliminada").arg(nombre);
        } else if (c.antes && c.despues && *c.antes != *c.despues) {
            partes << Modificada(c.archivo, Registros(*c.antes), Registros(*c.despues));
        }
    }
    return partes;
}

QString Modificada(const QString &archivo, const Registros &antes, const Registros &despues) {
    const QString d = Describir(Comparar(antes, despues));
    return QStringLiteral("%1: %2").arg(Categoria(archivo), d.isEmpty() ? QStringLiteral("archivo reescrito") : d);
}

QString Mensaje(const QVector<CambioArchivo> &cambios) { return Resumen(cambios).join(QStringLiteral("; ")); }

QString NombreCopia(const QString &nombre, const QSet<QString> &usados) {
    const QString base = QStringLiteral("%1 (otra copia").arg(nombre).trimmed();
    QString n = base + QLatin1Char(')');
    for (int k = 2; usados.contains(n); ++k)
        n = QStringLiteral("%1 %2)").arg(base).arg(k);
    return n;
}

QString NombreOriginal(QString nombre) {
    static const QRegularExpression copia(QStringLiteral("^(.*) \\(otra copia(?: [0-9]+)?\\)$"));
    for (QRegularExpressionMatch m = copia.match(nombre); m.hasMatch(); m = copia.match(nombre))
        nombre = m.captured(1);
    return nombre;
}

namespace {
// A merge of a UTF-8 and a Windows-1252 file is UTF-8: it holds every character of both.
codificacion::Tipo Comun(const Registros &l, const Registros &r) {
    return l.codificacion() == codificacion::Tipo::Utf8 || r.codificacion() == codificacion::Tipo::Utf8
               ? codificacion::Tipo::Utf8
               : codificacion::Tipo::Cp1252;
}
QByteArray Marca(codificacion::Tipo t) {
    return t == codificacion::Tipo::Utf8 ? QByteArray(codificacion::kBom, codificacion::kLargoBom) : QByteArray();
}
} // namespace

MezclaCategoria Mezclar(const Registros &b, const Registros &l, const Registros &r) {
    MezclaCategoria res;
    const codificacion::Tipo tipo = Comun(l, r);
    res.datos = Marca(tipo);
    const QVector<int> mL = Emparejar(b, l), mR = Emparejar(b, r);
    QVector<int> deL(l.size(), -1), deR(r.size(), -1);
    for (int i = 0; i < b.size(); ++i) {
        if (mL[i] >= 0)
            deL[mL[i]] = i;
        if (mR[i] >= 0)
            deR[mR[i]] = i;
    }
    QSet<QString> usados;
    for (int j = 0; j < l.size(); ++j)
        usados.insert(l.nombre(j));
    for (int j = 0; j < r.size(); ++j)
        usados.insert(r.nombre(j));

    // What stands at each of our records' places, and what follows it (tras[0]: before the first).
    struct Pieza {
        const Registros *lado = nullptr; // none: the record goes
        int i = -1;
        QString nombre; // another name, for the other side's copy
        QString de;     // for a copy, the name of the script it is a copy of
    };
    QVector<Pieza> puesto(l.size());
    for (int j = 0; j < l.size(); ++j)
        puesto[j] = {&l, j, {}, {}};
    QVector<QVector<Pieza>> tras(l.size() + 1);
    QVector<bool> enConflicto(b.size(), false);
    auto copia = [&](int j) {
        const QString n = NombreCopia(r.nombre(j), usados);
        usados.insert(n);
        return Pieza{&r, j, n, r.nombre(j)};
    };

    for (int i = 0; i < b.size(); ++i) {
        const int li = mL[i], ri = mR[i];
        if (li < 0)
            continue; // what we deleted comes back, if at all, on the walk through theirs
        if (ri >= 0) {
            if (l.igual(li, r, ri) || r.igual(ri, b, i))
                continue;
            if (l.igual(li, b, i))
                puesto[li] = {&r, ri, {}, {}};
            else
                enConflicto[i] = true;
        } else if (l.igual(li, b, i)) {
            puesto[li] = {};
        } else {
            ++res.conservados; // changed here, deleted there
        }
    }

    // Records we added, for what they added alike.
    Reparto<size_t> nuevosPorRegistro;
    Reparto<QString> nuevosPorNombre;
    QVector<bool> nuevoTomado(l.size(), false);
    for (int j = 0; j < l.size(); ++j)
        if (deL[j] < 0) {
            nuevosPorRegistro.poner(l.hash(j), j);
            nuevosPorNombre.poner(l.nombre(j), j);
        }

    int ancla = -1; // our record after which their next record of their own goes
    for (int j = 0; j < r.size(); ++j) {
        const int i = deR[j];
        if (i >= 0) {
            const int li = mL[i];
            if (li >= 0) {
                ancla = li;
                if (enConflicto[i])
                    tras[li + 1].append(copia(j));
            } else if (!r.igual(j, b, i)) {
                tras[ancla + 1].append({&r, j, {}, {}});
                ++res.conservados; // deleted here, changed there
            }
            continue;
        }
        const int igual =
            nuevosPorRegistro.tomar(r.hash(j), nuevoTomado, [&](int k) { return l.igual(k, r, j); });
        if (igual >= 0) {
            nuevoTomado[igual] = true;
            ancla = igual;
            continue;
        }
        const int mismoNombre = nuevosPorNombre.tomar(r.nombre(j), nuevoTomado, [](int) { return true; });
        if (mismoNombre >= 0) {
            nuevoTomado[mismoNombre] = true;
            ancla = mismoNombre;
            tras[mismoNombre + 1].append(copia(j));
            continue;
        }
        tras[ancla + 1].append({&r, j, {}, {}});
    }

    // A copy whose text a script of that name (or a copy of it) already has would be the same script
    // twice: it is not made.
    auto repetida = [&](const Pieza &c) {
        const QString original = NombreOriginal(c.de);
        for (const Pieza &p : puesto)
            if (p.lado && NombreOriginal(p.lado->nombre(p.i)) == original && p.lado->mismoTexto(p.i, *c.lado, c.i))
                return true;
        return false;
    };
    auto poner = [&](const Pieza &p) {
        if (!p.lado)
            return;
        if (!p.nombre.isNull()) {
            if (repetida(p))
                return;
            res.copias << p.de;
            res.comoCopia << p.nombre;
        }
        p.lado->agregarA(res.datos, p.i, p.nombre, tipo);
    };
    for (const Pieza &p : tras[0])
        poner(p);
    for (int j = 0; j < l.size(); ++j) {
        poner(puesto[j]);
        for (const Pieza &p : tras[j + 1])
            poner(p);
    }
    return res;
}

bool Historia::agregarArchivo(const QString &archivo, const QByteArray &id) {
    const QByteArray clave = Clave(archivo, id);
    if (archivos.contains(clave))
        return false;
    archivos.insert(clave);
    return true;
}

void Historia::agregarRegistros(const QByteArray &datos) {
    const Registros r(datos);
    for (int i = 0; i < r.size(); ++i)
        registros.insert(r.huella(i));
}

QByteArray BaseSinHistoria(const Registros &l, const Registros &r, const Historia &hl, const Historia &hr) {
    const codificacion::Tipo tipo = Comun(l, r);
    QByteArray base = Marca(tipo);
    const QVector<int> m = Emparejar(l, r);
    QVector<bool> emparejado(r.size(), false);
    for (int i = 0; i < l.size(); ++i) {
        const int j = m[i];
        const bool suyoAntes = hr.registros.contains(l.huella(i)); // ours is a version they once had
        if (j < 0) {
            if (suyoAntes)
                l.agregarA(base, i, {}, tipo); // they had it and let it go
            continue;
        }
        emparejado[j] = true;
        const bool nuestroAntes = hl.registros.contains(r.huella(j));
        if (l.igual(i, r, j) || (suyoAntes && !nuestroAntes))
            l.agregarA(base, i, {}, tipo);
        else if (nuestroAntes && !suyoAntes)
            r.agregarA(base, j, {}, tipo);
    }
    for (int j = 0; j < r.size(); ++j)
        if (!emparejado[j] && hl.registros.contains(r.huella(j)))
            r.agregarA(base, j, {}, tipo);
    return base;
}

bool Parecidas(const Registros &a, const Registros &b) {
    const QVector<int> m = Emparejar(a, b);
    int iguales = 0;
    for (int i = 0; i < m.size(); ++i)
        if (m[i] >= 0 && a.igual(i, b, m[i]))
            ++iguales;
    return iguales > 0 && 2 * iguales >= std::max(a.size(), b.size());
}

namespace {
bool EsCategoria(const QString &archivo) { return archivo.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive); }

// Names gone from the base on one side and names come on it (and not on the other) that hold the
// same category.
QMap<QString, QString> Renombres(const Arbol &base, const Arbol &lado, const Arbol &otro, Lado cual,
                                 const Lector &leer) {
    QMap<QString, QString> r;
    QStringList venidos;
    for (auto it = lado.cbegin(); it != lado.cend(); ++it)
        if (EsCategoria(it.key()) && !base.contains(it.key()) && !otro.contains(it.key()))
            venidos << it.key();
    for (auto it = base.cbegin(); it != base.cend() && !venidos.isEmpty(); ++it) {
        if (!EsCategoria(it.key()) || lado.contains(it.key()))
            continue;
        std::optional<Registros> viejo;
        for (const QString &a : venidos) {
            bool mismo = lado.value(a) == it.value();
            if (!mismo) {
                if (!viejo)
                    viejo.emplace(leer(Lado::Base, it.key()));
                mismo = Parecidas(*viejo, Registros(leer(cual, a)));
            }
            if (mismo) {
                r.insert(it.key(), a);
                venidos.removeOne(a);
                break;
            }
        }
    }
    return r;
}
} // namespace

QMap<QString, ResultadoArchivo> MezclarArboles(const Arbol &base, const Arbol &nuestro, const Arbol &suyo,
                                               const Lector &leer, const Historia *nuestra, const Historia *suya) {
    const bool sinBase = nuestra && suya;
    // Where each resulting name's three versions are read from: a name of the base, ours and theirs.
    struct Triple {
        QString b, l, r;
    };
    QMap<QString, Triple> triples;
    for (const Arbol *a : {&base, &nuestro, &suyo})
        for (auto it = a->cbegin(); it != a->cend(); ++it)
            triples.insert(it.key(), {});
    for (auto it = triples.begin(); it != triples.end(); ++it) {
        const QString &n = it.key();
        *it = {base.contains(n) ? n : QString(), nuestro.contains(n) ? n : QString(),
               suyo.contains(n) ? n : QString()};
    }
    QMap<QString, QString> renombradas; // new name -> old name
    QSet<QString> renombradasAlli; // new names they gave
    // Renamed on our side, changed under the old name on theirs: their changes follow the new name.
    const auto nuestros = Renombres(base, nuestro, suyo, Lado::Nuestro, leer);
    for (auto it = nuestros.cbegin(); it != nuestros.cend(); ++it)
        if (suyo.contains(it.key())) {
            triples[it.value()] = {it.key(), it.value(), it.key()};
            triples[it.key()] = {it.key(), QString(), QString()};
            renombradas.insert(it.value(), it.key());
        }
    const auto suyos = Renombres(base, suyo, nuestro, Lado::Suyo, leer);
    for (auto it = suyos.cbegin(); it != suyos.cend(); ++it)
        if (nuestro.contains(it.key()) && !renombradas.values().contains(it.key())) {
            triples[it.value()] = {it.key(), it.key(), it.value()};
            triples[it.key()] = {it.key(), QString(), QString()};
            renombradas.insert(it.value(), it.key());
            renombradasAlli.insert(it.value());
        }

    QMap<QString, ResultadoArchivo> salida;
    for (auto it = triples.cbegin(); it != triples.cend(); ++it) {
        const QString &n = it.key();
        const Triple &t = it.value();
        auto id = [](const Arbol &a, const QString &k) { return k.isEmpty() ? QByteArray() : a.value(k); };
        const QByteArray ib = id(base, t.b), il = id(nuestro, t.l), ir = id(suyo, t.r);
        const QByteArray actual = nuestro.value(n); // what stands under this name on our side now
        ResultadoArchivo res;
        res.renombradaDesde = renombradas.value(n);
        res.renombradaAlli = renombradasAlli.contains(n);
        // The result is one side's version (its name there and its id), or a merge of the records.
        QString de;
        Lado lado = Lado::Nuestro;
        QByteArray idResultado;
        bool mezclar = false;
        if (sinBase && ir.isEmpty() && suya->archivos.contains(Historia::Clave(t.l, il))) {
            // they had it as we have it, and left it
        } else if (sinBase && il.isEmpty() && nuestra->archivos.contains(Historia::Clave(t.r, ir))) {
            de = t.l; // we had it as they have it, and left it
        } else if (il == ir || ib == ir) {
            de = t.l, idResultado = il;
        } else if (ib == il || il.isEmpty()) {
            // Only they changed it; or we deleted what they changed, which is kept.
            de = t.r, lado = Lado::Suyo, idResultado = ir;
            res.conservada = il.isEmpty() && !ib.isEmpty();
        } else if (ir.isEmpty() || !EsCategoria(n)) {
            de = t.l, idResultado = il; // they deleted what we changed: kept
        } else {
            mezclar = true;
        }
        if (!mezclar) {
            if (idResultado == actual)
                continue;
            if (!idResultado.isEmpty())
                res.datos = leer(lado, de);
        } else {
            const Registros nuestros(leer(Lado::Nuestro, t.l)), suyos(leer(Lado::Suyo, t.r));
            const MezclaCategoria m =
                Mezclar(Registros(sinBase         ? BaseSinHistoria(nuestros, suyos, *nuestra, *suya)
                                  : ib.isEmpty() ? QByteArray()
                                                 : leer(Lado::Base, t.b)),
                        nuestros, suyos);
            if (!actual.isEmpty() && m.datos == leer(Lado::Nuestro, n))
                continue;
            res.datos = m.datos;
            res.copias = m.copias;
            res.comoCopia = m.comoCopia;
            res.conservados = m.conservados;
        }
        salida.insert(n, res);
    }
    return salida;
}

QVector<Copia> Copias(const QMap<QString, ResultadoArchivo> &mezcla) {
    QVector<Copia> r;
    for (auto it = mezcla.cbegin(); it != mezcla.cend(); ++it)
        for (int i = 0; i < it->copias.size(); ++i)
            r.append({it.key(), it->copias[i], it->comoCopia.value(i)});
    return r;
}

namespace {
QString Codificar(const QString &texto) { return QString::fromLatin1(QUrl::toPercentEncoding(texto)); }
QString Decodificar(const QString &texto) { return QString::fromUtf8(QByteArray::fromPercentEncoding(texto.toLatin1())); }
} // namespace

QString Marcas(const QVector<Copia> &copias) {
    QStringList lineas;
    for (const Copia &c : copias)
        lineas << QStringLiteral("%1: %2 %3 %4")
                      .arg(QLatin1String(kMarcaCopia), Codificar(c.archivo), Codificar(c.script), Codificar(c.copia));
    return lineas.join(QLatin1Char('\n'));
}

std::optional<Copia> LeerMarca(const QString &valor) {
    const QStringList p = valor.trimmed().split(QLatin1Char(' '));
    if (p.size() != 3)
        return std::nullopt;
    Copia c{Decodificar(p[0]), Decodificar(p[1]), Decodificar(p[2])};
    if (c.archivo.isEmpty() || c.script.isEmpty() || c.copia.isEmpty())
        return std::nullopt;
    return c;
}

QString SinMarcas(const QString &mensaje) {
    const QString prefijo = QLatin1String(kMarcaCopia) + QLatin1Char(':');
    QStringList quedan;
    for (const QString &l : mensaje.split(QLatin1Char('\n')))
        if (!l.startsWith(prefijo))
            quedan << l;
    return quedan.join(QLatin1Char('\n')).trimmed();
}

} // namespace mezcla
