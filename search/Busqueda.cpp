#include "search/Busqueda.h"
#include "core/Archivos.h"
#include "core/Cp1252.h"
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"
#include "core/Registro.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

namespace biblioteca {

namespace {
// One unit for one unit: the base letter of a canonical decomposition (repeated, for letters with two
// marks), then lowered. Letters without a single-unit lower case or base stay as they are.
char16_t PlegarUnidad(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    if (QChar::isSurrogate(c))
        return c;
    char32_t u = c;
    while (QChar::decompositionTag(u) == QChar::Canonical) {
        const QString d = QChar(char16_t(u)).decomposition();
        if (d.isEmpty() || d.at(0).isSurrogate())
            break;
        u = d.at(0).unicode();
    }
    u = QChar::toLower(u);
    return u > 0xFFFF || QChar::isSurrogate(u) ? c : char16_t(u);
}

const std::array<char16_t, 0x10000> &Tabla() {
    static const auto tabla = [] {
        std::array<char16_t, 0x10000> t{};
        for (int c = 0; c < 0x10000; ++c)
            t[c] = PlegarUnidad(char16_t(c));
        return t;
    }();
    return tabla;
}

constexpr int kLargoLinea = 160; // what a result shows of a long line
constexpr int kAntes = 40;       // of it, before the first find
} // namespace

QString Plegar(QStringView texto) {
    const auto &t = Tabla();
    QString r(texto.size(), Qt::Uninitialized);
    const char16_t *o = reinterpret_cast<const char16_t *>(texto.data());
    char16_t *d = reinterpret_cast<char16_t *>(r.data());
    for (qsizetype i = 0; i < texto.size(); ++i)
        d[i] = t[o[i]];
    return r;
}

QStringList Palabras(const QString &consulta) {
    QStringList r;
    for (QString p : Plegar(consulta).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        QString nombre;
        if (rotulos::EsTermino(p, &nombre))
            p = QLatin1Char('#') + nombre; // "#css." ends a sentence: the tag is "css"
        if (!r.contains(p))
            r.append(p);
    }
    return r;
}

QVector<Marca> Marcas(QStringView plegado, const QStringList &palabras) {
    QVector<Marca> todas;
    for (const QString &p : palabras)
        for (qsizetype i = plegado.indexOf(p); i >= 0; i = plegado.indexOf(p, i + 1))
            todas.append({int(i), int(p.size())});
    std::sort(todas.begin(), todas.end(), [](const Marca &a, const Marca &b) { return a.inicio < b.inicio; });
    QVector<Marca> r;
    for (const Marca &m : todas) {
        if (!r.isEmpty() && m.inicio <= r.last().inicio + r.last().largo)
            r.last().largo = std::max(r.last().largo, m.inicio + m.largo - r.last().inicio);
        else
            r.append(m);
    }
    return r;
}

void Adornar(Hallazgo &h, const QStringList &consulta) {
    // A tag is found in the description only; there its '#' and name are marked.
    QStringList palabras;
    for (const QString &p : consulta)
        if (!EsEtiqueta(p))
            palabras << p;
    h.enNombre = Marcas(Plegar(h.nombre), palabras);
    h.enDescripcion = Marcas(Plegar(h.descripcion), consulta);
    h.linea.clear();
    h.enLinea.clear();
    const QString codigo = Plegar(h.codigo);
    qsizetype primero = -1;
    for (const QString &p : palabras) {
        const qsizetype i = codigo.indexOf(p);
        if (i >= 0 && (primero < 0 || i < primero))
            primero = i;
    }
    if (primero < 0)
        return;
    const qsizetype inicio = codigo.lastIndexOf(QLatin1Char('\n'), primero) + 1;
    qsizetype fin = codigo.indexOf(QLatin1Char('\n'), primero);
    if (fin < 0)
        fin = codigo.size();
    if (fin > inicio && codigo.at(fin - 1) == QLatin1Char('\r'))
        --fin;
    // Indentation is not shown; a long line is shown around its first find.
    qsizetype desde = inicio;
    while (desde < primero && codigo.at(desde).isSpace())
        ++desde;
    QString antes, despues;
    if (fin - desde > kLargoLinea) {
        if (primero - desde > kAntes) {
            desde = primero - kAntes;
            antes = QStringLiteral("…");
        }
        if (fin - desde > kLargoLinea) {
            fin = desde + kLargoLinea;
            despues = QStringLiteral("…");
        }
    }
    h.linea = antes + h.codigo.mid(desde, fin - desde) + despues;
    h.enLinea = Marcas(QStringView(codigo).mid(desde, fin - desde), palabras);
    for (Marca &m : h.enLinea)
        m.inicio += int(antes.size());
}

bool Antes(const Clave &a, const Clave &b) {
    if (a.enNombre != b.enNombre)
        return a.enNombre > b.enNombre;
    if (a.enDescripcion != b.enDescripcion)
        return a.enDescripcion > b.enDescripcion;
    if (a.categoria != b.categoria)
        return a.categoria < b.categoria;
    return a.posicion < b.posicion;
}

bool CategoriaAntes(const QString &a, const QString &b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QMap<QString, int> OrdenCategorias(const QStringList &nombres) {
    QStringList orden = nombres;
    std::sort(orden.begin(), orden.end(), CategoriaAntes);
    QMap<QString, int> r;
    for (int i = 0; i < orden.size(); ++i)
        r.insert(orden[i], i);
    return r;
}

namespace {
bool PeorArriba(const std::pair<Clave, Hallazgo> &a, const std::pair<Clave, Hallazgo> &b) {
    return Antes(a.first, b.first);
}
} // namespace

bool Recolector::entra(const Clave &c) const {
    if (limite_ <= 0)
        return false;
    return int(mejores_.size()) < limite_ || Antes(c, mejores_.front().first);
}

void Recolector::Guardar(const Clave &c, Hallazgo h) {
    if (!entra(c))
        return;
    if (int(mejores_.size()) >= limite_) {
        std::pop_heap(mejores_.begin(), mejores_.end(), PeorArriba);
        mejores_.pop_back();
    }
    mejores_.emplace_back(c, std::move(h));
    std::push_heap(mejores_.begin(), mejores_.end(), PeorArriba);
}

std::vector<std::pair<Clave, Hallazgo>> Recolector::Mejores() {
    std::vector<std::pair<Clave, Hallazgo>> r = std::move(mejores_);
    mejores_.clear();
    std::sort(r.begin(), r.end(), PeorArriba);
    return r;
}

void CuentaEtiquetas::Contar(QStringView descripcion) {
    for (const QString &n : rotulos::Nombres(descripcion)) {
        Etiqueta &e = cuentas_[Plegar(n)];
        if (e.nombre.isEmpty())
            e.nombre = n;
        ++e.scripts;
    }
}

namespace {
// The most used first, then by name without regard to case.
QVector<Etiqueta> EnOrden(const QHash<QString, Etiqueta> &cuentas) {
    QVector<Etiqueta> r;
    r.reserve(cuentas.size());
    for (const Etiqueta &e : cuentas)
        if (e.scripts > 0)
            r.append(e);
    std::sort(r.begin(), r.end(), [](const Etiqueta &a, const Etiqueta &b) {
        if (a.scripts != b.scripts)
            return a.scripts > b.scripts;
        return CategoriaAntes(a.nombre, b.nombre);
    });
    return r;
}
} // namespace

QVector<Etiqueta> CuentaEtiquetas::Lista() const { return EnOrden(cuentas_); }

bool ContarEnCategoria(const QString &ruta, CuentaEtiquetas &cuenta) {
    QByteArray datos;
    QString error;
    if (!mdlScripts::LeerBytes(ruta, datos, &error)) {
        qCWarning(lcIndice) << "tags not counted in" << ruta << ":" << error;
        return false;
    }
    QVector<mdlScripts::Tramo> tramos; // the code is not needed: left undecoded
    for (const Script &s : mdlScripts::Analizar(datos, tramos))
        cuenta.Contar(s.Descripcion);
    return true;
}

Respuesta EtiquetasEnArchivos(const QString &carpeta) {
    Respuesta r;
    CuentaEtiquetas cuenta;
    const QMap<QString, Sello> archivos = Archivos(carpeta);
    for (auto it = archivos.cbegin(); it != archivos.cend(); ++it)
        if (!ContarEnCategoria(carpeta + QLatin1Char('/') + it.key() + QStringLiteral(".rtn"), cuenta))
            r.ilegibles << it.key();
    r.etiquetas = cuenta.Lista();
    return r;
}

bool BuscarEnCategoria(const QString &ruta, const QString &nombre, int orden, const QStringList &palabras,
                       Recolector &r, const std::atomic<bool> *cancelar) {
    QByteArray datos;
    if (!mdlScripts::LeerBytes(ruta, datos))
        return false;
    QVector<Script> scripts;
    try {
        scripts = mdlScripts::Analizar(datos);
    } catch (const std::bad_alloc &) {
        // Under the limit, yet more than the memory holds decoded: one category not searched.
        qCWarning(lcIndice) << "no memory to search" << nombre;
        return false;
    }
    BuscarEnScripts(scripts, nombre, orden, palabras, r, cancelar);
    return true;
}

void BuscarEnScripts(const QVector<Script> &scripts, const QString &nombre, int orden, const QStringList &palabras,
                     Recolector &r, const std::atomic<bool> *cancelar) {
    for (int i = 0; i < scripts.size(); ++i) {
        if (cancelar && (i & 255) == 0 && cancelar->load())
            return;
        const Script &s = scripts[i];
        QString codigo;
        bool plegado = false;
        const auto codigoPlegado = [&]() -> const QString & {
            if (!plegado) {
                codigo = Plegar(etiquetas::AEditor(s.Codigo));
                plegado = true;
            }
            return codigo;
        };
        Clave c;
        c.categoria = orden;
        c.posicion = i;
        if (!Coincide(palabras, Plegar(s.Nombre), Plegar(s.Descripcion), codigoPlegado, c))
            continue;
        r.Agregar(c, [&] {
            Hallazgo h;
            h.categoria = nombre;
            h.posicion = i;
            h.nombre = s.Nombre;
            h.descripcion = s.Descripcion;
            h.codigo = etiquetas::AEditor(s.Codigo);
            return h;
        });
    }
}

int CoincidenEnArchivo(const QString &carpeta, const QString &categoria, const QStringList &palabras) {
    Recolector r(0); // counts, keeps none
    if (!BuscarEnCategoria(carpeta + QLatin1Char('/') + categoria + QStringLiteral(".rtn"), categoria, 0, palabras, r))
        return 0;
    return r.total();
}

void SuperponerEtiquetas(Respuesta &r, const SinGuardar &s, const QString &carpeta) {
    if (s.categoria.isEmpty())
        return;
    // Without the file's own count the index's cannot be corrected: the tags stay as saved (the
    // failed read is logged where it happens).
    CuentaEtiquetas enArchivo, enPantalla;
    if (!ContarEnCategoria(carpeta + QLatin1Char('/') + s.categoria + QStringLiteral(".rtn"), enArchivo))
        return;
    r.ilegibles.removeAll(s.categoria);
    for (const Script &x : s.scripts)
        enPantalla.Contar(x.Descripcion);
    QHash<QString, Etiqueta> todas;
    for (const Etiqueta &e : std::as_const(r.etiquetas))
        todas.insert(Plegar(e.nombre), e);
    for (const Etiqueta &e : enArchivo.Lista()) {
        const auto it = todas.find(Plegar(e.nombre));
        if (it != todas.end())
            it->scripts -= e.scripts;
    }
    for (const Etiqueta &e : enPantalla.Lista()) {
        Etiqueta &t = todas[Plegar(e.nombre)];
        if (t.nombre.isEmpty() || t.scripts <= 0)
            t.nombre = e.nombre;
        t.scripts = std::max(t.scripts, 0) + e.scripts;
    }
    r.etiquetas = EnOrden(todas);
}

void Superponer(Respuesta &r, const SinGuardar &s, const QStringList &palabras, int limite, int enArchivo) {
    if (s.categoria.isEmpty() || palabras.isEmpty())
        return;
    r.ilegibles.removeAll(s.categoria); // its file is not what is searched
    // The results are ranked again together: the order of their categories among those present is
    // their order among all.
    QStringList nombres{s.categoria};
    for (const Hallazgo &h : std::as_const(r.hallazgos))
        if (!nombres.contains(h.categoria))
            nombres.append(h.categoria);
    const QMap<QString, int> orden = OrdenCategorias(nombres);
    Recolector juntos(limite);
    BuscarEnScripts(s.scripts, s.categoria, orden.value(s.categoria), palabras, juntos);
    const int pendientes = juntos.total();
    for (Hallazgo &h : r.hallazgos) {
        if (h.categoria == s.categoria)
            continue;
        Clave c;
        c.categoria = orden.value(h.categoria);
        c.posicion = h.posicion;
        const QString nombre = Plegar(h.nombre), descripcion = Plegar(h.descripcion);
        for (const QString &p : palabras) {
            c.enNombre += nombre.contains(p);
            c.enDescripcion += descripcion.contains(p);
        }
        juntos.Guardar(c, std::move(h));
    }
    r.hallazgos.clear();
    for (auto &[clave, h] : juntos.Mejores()) {
        if (h.categoria == s.categoria) {
            h.sinGuardar = true;
            h.puntaje = s.scripts.value(h.posicion).Puntaje;
            Adornar(h, palabras);
        }
        r.hallazgos.append(std::move(h));
    }
    r.total = std::max(r.total - enArchivo, 0) + pendientes;
}

QMap<QString, Sello> Archivos(const QString &carpeta) {
    // Every search looks at every file, so the folder is read as the system gives it: QDir and
    // QFileInfo would cost several times the look itself (their local-time conversions most).
    QMap<QString, Sello> r;
    DIR *d = ::opendir(QFile::encodeName(carpeta).constData());
    if (!d)
        return r;
    while (const dirent *e = ::readdir(d)) {
        // The program names a category by what comes before the first dot and opens name + ".rtn",
        // which finds "name.RTN" too when no "name.rtn" is there.
        const char *punto = std::strchr(e->d_name, '.');
        if (!punto || punto == e->d_name || ::strcasecmp(punto, ".rtn") != 0)
            continue;
        const QString nombre = archivos::Legible(QByteArray(e->d_name, int(punto - e->d_name)));
        const bool exacto = std::strcmp(punto, ".rtn") == 0;
        if (!exacto && r.contains(nombre))
            continue;
        struct stat info;
        if (::fstatat(::dirfd(d), e->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        r.insert(nombre,
                 {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000});
    }
    ::closedir(d);
    return r;
}

Respuesta BuscarEnArchivos(const QString &carpeta, const QString &consulta, int limite,
                           const std::atomic<bool> *cancelar) {
    Respuesta res;
    const QStringList palabras = Palabras(consulta);
    if (palabras.isEmpty())
        return res;
    const QMap<QString, int> orden = OrdenCategorias(Archivos(carpeta).keys());
    Recolector r(limite);
    for (auto it = orden.cbegin(); it != orden.cend(); ++it) {
        if (cancelar && cancelar->load()) {
            res.interrumpida = true;
            return res;
        }
        if (!BuscarEnCategoria(carpeta + QLatin1Char('/') + it.key() + QStringLiteral(".rtn"), it.key(),
                               it.value(), palabras, r, cancelar))
            res.ilegibles << it.key();
    }
    // Stopped inside a category (the scan gives up without a word): what was found is not all.
    if (cancelar && cancelar->load()) {
        res.interrumpida = true;
        return res;
    }
    res.total = r.total();
    for (auto &[clave, h] : r.Mejores()) {
        Adornar(h, palabras);
        res.hallazgos.append(std::move(h));
    }
    return res;
}

} // namespace biblioteca
