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
    for (const QString &p : Plegar(consulta).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        if (!r.contains(p))
            r.append(p);
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

void Adornar(Hallazgo &h, const QStringList &palabras) {
    h.enNombre = Marcas(Plegar(h.nombre), palabras);
    h.enDescripcion = Marcas(Plegar(h.descripcion), palabras);
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
    for (int i = 0; i < scripts.size(); ++i) {
        if (cancelar && (i & 255) == 0 && cancelar->load())
            return true;
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
    return true;
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
    res.total = r.total();
    for (auto &[clave, h] : r.Mejores()) {
        Adornar(h, palabras);
        res.hallazgos.append(std::move(h));
    }
    return res;
}

} // namespace biblioteca
