#include "core/mdlINI.h"
#include "core/Archivos.h"
#include "core/mdlSistema.h"
#include "core/Cp1252.h"
#include "core/Exportar.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <optional>

namespace mdlINI {
namespace {
constexpr int kLargoMaximo = 254;
// The largest panel list read back whole, empty entries included. A bigger count is broken (an
// editor's slip, a damaged file): the entries that are there are read, so the list saved at the next
// exit is the one the file held, not an empty one.
constexpr int kMaximoEntradas = 32767;

const QString kCategoria = QStringLiteral("Categor\u00eda");
const QString kEmail = QStringLiteral("Email");
const QString kScript = QStringLiteral("Script");
const QString kExportar = QStringLiteral("Exportar");
const QString kVentana = QStringLiteral("Ventana");
const QString kFuente = QStringLiteral("Fuente");
const QString kPanel = QStringLiteral("Panel");
const QString kHistorial = QStringLiteral("Historial");
const QString kVista = QStringLiteral("Vista");
const QString kSincronizar = QStringLiteral("Sincronizar");
const QString kCategorias = QStringLiteral("Categor\u00edas");

bool EsSeccion(const QString &linea, QString *nombre) {
    const QString t = linea.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    if (nombre) {
        const qsizetype cierre = t.indexOf(QLatin1Char(']'));
        *nombre = (cierre < 0 ? t.mid(1) : t.mid(1, cierre - 1)).trimmed();
    }
    return true;
}

bool Iguales(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The value of a key line whose equals sign is at `igual`.
QString Valor(const QString &linea, qsizetype igual) {
    QString v = linea.mid(igual + 1).trimmed();
    // The profile functions drop one pair of enclosing quotes.
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

QString Plegada(const QString &clave) { return clave.toCaseFolded(); }

// A value on one line: line breaks would make new lines in the file.
QString UnaLinea(QString v) {
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return v;
}
} // namespace

namespace {
// The lines of the file's bytes; CR, LF and CR LF end a line, the same bytes in both encodings.
QVector<QByteArrayView> Lineas(QByteArrayView datos) {
    QVector<QByteArrayView> r;
    qsizetype inicio = 0;
    while (inicio < datos.size()) {
        qsizetype fin = inicio;
        while (fin < datos.size() && datos[fin] != '\n' && datos[fin] != '\r')
            ++fin;
        r.append(datos.sliced(inicio, fin - inicio));
        if (fin < datos.size() && datos[fin] == '\r' && fin + 1 < datos.size() && datos[fin + 1] == '\n')
            ++fin;
        inicio = fin + 1;
    }
    return r;
}

// One line as UTF-8, or nothing when its bytes are not UTF-8.
std::optional<QString> ComoUtf8(QByteArrayView linea) {
    // A U+FEFF inside the text is the user's: only the file's own mark was taken off.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString texto = utf8.decode(linea);
    if (utf8.hasError())
        return std::nullopt;
    return texto;
}

// A file without the mark is taken as UTF-8 only when nothing else fits: every line is UTF-8, and one
// of our own names with "í" ([Categoría], Categorías=) is spelt with its two UTF-8 bytes, which no file
// the program wrote ever holds (it writes the one Windows-1252 byte, which is not UTF-8).
bool EsUtf8SinMarca(const QVector<QByteArrayView> &lineas) {
    bool nombrePropio = false;
    for (const QByteArrayView l : lineas) {
        if (std::all_of(l.begin(), l.end(), [](char c) { return uchar(c) < 0x80; }))
            continue;
        const std::optional<QString> texto = ComoUtf8(l);
        if (!texto)
            return false;
        if (nombrePropio)
            continue;
        QString nombre;
        if (EsSeccion(*texto, &nombre))
            nombrePropio = Iguales(nombre, kCategoria);
        else if (const qsizetype igual = texto->indexOf(QLatin1Char('=')); igual >= 0)
            nombrePropio = Iguales(texto->left(igual).trimmed(), kCategorias);
    }
    return nombrePropio;
}
} // namespace

void Ini::cargarBytes(const QByteArray &datos) {
    lineas_.clear();
    // The file is Windows-1252, as the program writes it. A text editor may have saved it as UTF-8:
    // with the mark, each line is read as UTF-8 (a line that is not, as Windows-1252); without it,
    // only when the whole file can be nothing else. It is written back in Windows-1252 either way.
    QByteArrayView texto(datos);
    const bool marca = codificacion::De(datos) == codificacion::Tipo::Utf8;
    if (marca)
        texto = texto.sliced(codificacion::kLargoBom);
    const QVector<QByteArrayView> lineas = Lineas(texto);
    const bool utf8 = marca || EsUtf8SinMarca(lineas);
    lineas_.reserve(lineas.size());
    for (const QByteArrayView l : lineas) {
        std::optional<QString> leida;
        if (utf8)
            leida = ComoUtf8(l);
        lineas_.append(leida ? std::move(*leida) : cp1252::Decodificar(l.data(), l.size()));
    }
}

void Ini::cargar(const QString &ruta) {
    QByteArray datos;
    if (archivos::Leer(ruta, datos))
        cargarBytes(datos);
    else
        lineas_.clear();
}

QByteArray Ini::bytes() const {
    QByteArray salida;
    for (const QString &l : lineas_) {
        cp1252::CodificarEn(l, salida);
        salida.append("\r\n");
    }
    return salida;
}

bool Ini::guardar(const QString &ruta, QString *error) const {
    return archivos::Guardar(ruta, bytes(), error);
}

int Ini::buscarSeccion(const QString &seccion) const {
    QString nombre;
    for (int i = 0; i < lineas_.size(); ++i)
        if (EsSeccion(lineas_[i], &nombre) && Iguales(nombre, seccion))
            return i;
    return -1;
}

int Ini::finSeccion(int inicio) const {
    int i = inicio + 1;
    while (i < lineas_.size() && !EsSeccion(lineas_[i], nullptr))
        ++i;
    return i;
}

int Ini::buscarClave(int inicio, int fin, const QString &clave, QString *valor) const {
    for (int i = inicio + 1; i < fin; ++i) {
        const QString &l = lineas_[i];
        const qsizetype igual = l.indexOf(QLatin1Char('='));
        if (igual < 0 || !Iguales(l.left(igual).trimmed(), clave))
            continue;
        if (valor)
            *valor = Valor(l, igual);
        return i;
    }
    return -1;
}

bool Ini::existe(const QString &seccion, const QString &clave) const {
    const int s = buscarSeccion(seccion);
    return s >= 0 && buscarClave(s, finSeccion(s), clave, nullptr) >= 0;
}

QString Ini::leer(const QString &seccion, const QString &clave, const QString &porDefecto) const {
    QString valor = porDefecto;
    const int s = buscarSeccion(seccion);
    if (s >= 0)
        buscarClave(s, finSeccion(s), clave, &valor);
    return valor.left(kLargoMaximo);
}

void Ini::escribir(const QString &seccion, const QString &clave, const QString &valor) {
    const QString linea = UnaLinea(clave) + QLatin1Char('=') + UnaLinea(valor);
    const int s = buscarSeccion(seccion);
    if (s < 0) {
        if (!lineas_.isEmpty() && !lineas_.back().trimmed().isEmpty())
            lineas_.append(QString());
        lineas_.append(QLatin1Char('[') + UnaLinea(seccion) + QLatin1Char(']'));
        lineas_.append(linea);
        return;
    }
    const int fin = finSeccion(s);
    const int k = buscarClave(s, fin, clave, nullptr);
    if (k >= 0) {
        lineas_[k] = linea;
        return;
    }
    // A new key goes after the section's last non-blank line.
    int despues = fin;
    while (despues - 1 > s && lineas_[despues - 1].trimmed().isEmpty())
        --despues;
    lineas_.insert(despues, linea);
}

QStringList Ini::leerVarias(const QString &seccion, const QStringList &claves, const QString &porDefecto) const {
    QHash<QString, QString> valores;
    const int s = buscarSeccion(seccion);
    if (s >= 0) {
        const int fin = finSeccion(s);
        for (int i = s + 1; i < fin; ++i) {
            const qsizetype igual = lineas_[i].indexOf(QLatin1Char('='));
            if (igual < 0)
                continue;
            const QString clave = Plegada(lineas_[i].left(igual).trimmed());
            if (!valores.contains(clave))
                valores.insert(clave, Valor(lineas_[i], igual));
        }
    }
    QStringList r;
    r.reserve(claves.size());
    for (const QString &c : claves)
        r.append(valores.value(Plegada(c), porDefecto).left(kLargoMaximo));
    return r;
}

void Ini::escribirVarias(const QString &seccion, const QVector<QPair<QString, QString>> &pares) {
    if (pares.isEmpty())
        return;
    int s = buscarSeccion(seccion);
    if (s < 0) {
        escribir(seccion, pares.front().first, pares.front().second);
        s = buscarSeccion(seccion);
    }
    const int fin = finSeccion(s);
    // Where each key is: its line, or (negative) its place among the lines still to be added.
    QHash<QString, int> lugar;
    for (int i = fin - 1; i > s; --i) {
        const qsizetype igual = lineas_[i].indexOf(QLatin1Char('='));
        if (igual >= 0)
            lugar.insert(Plegada(lineas_[i].left(igual).trimmed()), i); // the first one wins
    }
    QStringList nuevas;
    for (const auto &[clave, valor] : pares) {
        const QString linea = UnaLinea(clave) + QLatin1Char('=') + UnaLinea(valor);
        const QString k = Plegada(clave);
        const auto it = lugar.constFind(k);
        if (it == lugar.cend()) {
            lugar.insert(k, -1 - int(nuevas.size()));
            nuevas.append(linea);
        } else if (*it >= 0) {
            lineas_[*it] = linea;
        } else {
            nuevas[-1 - *it] = linea;
        }
    }
    // New keys go after the section's last non-blank line, in order.
    int despues = fin;
    while (despues - 1 > s && lineas_[despues - 1].trimmed().isEmpty())
        --despues;
    lineas_ = lineas_.mid(0, despues) + nuevas + lineas_.mid(despues);
}

QStringList Ini::claves(const QString &seccion) const {
    QStringList r;
    const int s = buscarSeccion(seccion);
    if (s < 0)
        return r;
    const int fin = finSeccion(s);
    for (int i = s + 1; i < fin; ++i)
        if (const qsizetype igual = lineas_[i].indexOf(QLatin1Char('=')); igual >= 0)
            r.append(lineas_[i].left(igual).trimmed());
    return r;
}

QString TextoHasta(const QString &texto, const QString &separador) {
    const qsizetype i = texto.indexOf(separador);
    return i < 0 ? texto : texto.left(i);
}

QString LeerINI(const QString &ruta, const QString &seccion, const QString &clave, const QString &porDefecto) {
    Ini ini;
    ini.cargar(ruta);
    return TextoHasta(ini.leer(seccion, clave, porDefecto), QString(QChar(0)));
}

bool EscribirINI(const QString &ruta, const QString &seccion, const QString &clave, const QString &valor) {
    Ini ini;
    ini.cargar(ruta);
    ini.escribir(seccion, clave, valor);
    return ini.guardar(ruta);
}

bool AEntero(const QString &texto, int &valor) {
    static const QRegularExpression numero(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString t = texto.trimmed();
    if (!numero.match(t).hasMatch())
        return false;
    // nearbyint rounds a half to the even neighbour in the default rounding mode.
    const double d = std::nearbyint(t.toDouble());
    if (!(d >= -32768.0 && d <= 32767.0))
        return false;
    valor = int(d);
    return true;
}

bool ABooleano(const QString &texto, bool &valor) {
    static const QRegularExpression numero(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString t = texto.trimmed();
    if (Iguales(t, QStringLiteral("True"))) {
        valor = true;
        return true;
    }
    if (Iguales(t, QStringLiteral("False"))) {
        valor = false;
        return true;
    }
    if (!numero.match(t).hasMatch())
        return false;
    valor = t.toDouble() != 0.0;
    return true;
}

double Val(const QString &texto) {
    static const QRegularExpression numero(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const auto m = numero.match(texto);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

QString DeBooleano(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

namespace {
// One past the last "Nombre" + index key of the panel (the index in decimal as the program writes
// it, below the largest list), or 0 when there is none.
int EntradasPresentes(const Ini &ini) {
    const QString prefijo = QStringLiteral("Nombre");
    int n = 0;
    for (const QString &clave : ini.claves(kPanel)) {
        if (clave.size() <= prefijo.size() || !Iguales(clave.left(prefijo.size()), prefijo))
            continue;
        const QString cifras = clave.mid(prefijo.size());
        bool ok = false;
        const int i = cifras.toInt(&ok);
        if (ok && i >= 0 && i < kMaximoEntradas && QString::number(i) == cifras)
            n = std::max(n, i + 1);
    }
    return n;
}
} // namespace

QStringList CargarPreferencias(Estado &estado) {
    if (!mdlSistema::ExisteArchivo(estado.rutaConfig())) {
        estado.Mostrar = QStringLiteral("Todas");
        estado.MostrarTodas = 1;
        estado.Ruta = QStringLiteral("Categorias");
        estado.Reemplazar = 1;
        estado.MSOutlook = 1;
        estado.IncluirTags = 0;
        estado.Extension = QStringLiteral("html");
        estado.ExtensionElegida = 0;
        estado.Tag = 0;
        estado.Derecha = false;
        estado.Izquierda = false;
        estado.Tipo = Estado::kFuenteFija;
        estado.Familia.clear();
        estado.HistorialAutomatico = 1;
        estado.Remoto.clear();
        estado.SincronizarCada = 0;
        return {estado.Mostrar};
    }
    Ini ini;
    ini.cargar(estado.rutaConfig());
    auto leer = [&](const QString &s, const QString &k, const QString &d) {
        return TextoHasta(ini.leer(s, k, d), QString(QChar(0)));
    };
    AEntero(leer(kCategoria, QStringLiteral("Reemplazar"), QStringLiteral("1")), estado.Reemplazar);
    estado.Mostrar = leer(kCategoria, QStringLiteral("Mostrar"), QStringLiteral("Todas"));
    AEntero(leer(kCategoria, QStringLiteral("MostrarTodas"), QStringLiteral("1")), estado.MostrarTodas);
    estado.Ruta = leer(kCategoria, QStringLiteral("Ruta"), QStringLiteral("Categorias"));
    AEntero(leer(kEmail, QStringLiteral("MSOutlook"), QStringLiteral("1")), estado.MSOutlook);
    AEntero(leer(kScript, QStringLiteral("IncluirTags"), QStringLiteral("0")), estado.IncluirTags);
    estado.Extension = exportar::ExtensionValida(leer(kExportar, QStringLiteral("Extension"), QStringLiteral("html")));
    // A file from before the key: an extension other than the first one was the user's choice.
    estado.ExtensionElegida = estado.Extension != QLatin1String("html");
    AEntero(leer(kExportar, QStringLiteral("ExtensionElegida"), QString::number(estado.ExtensionElegida)),
            estado.ExtensionElegida);
    AEntero(leer(kExportar, QStringLiteral("Tag"), QStringLiteral("0")), estado.Tag);
    ABooleano(leer(kVentana, QStringLiteral("Derecha"), QStringLiteral("False")), estado.Derecha);
    ABooleano(leer(kVentana, QStringLiteral("Izquierda"), QStringLiteral("False")), estado.Izquierda);
    // Code keeps its columns unless the user picked another font: the system's fixed-width one.
    AEntero(leer(kFuente, QStringLiteral("Tipo"), QString::number(Estado::kFuenteFija)), estado.Tipo);
    estado.Familia = leer(kFuente, QStringLiteral("Familia"), QString());
    estado.Geometria = QByteArray::fromBase64(leer(kVentana, QStringLiteral("Geometria"), QString()).toLatin1());
    AEntero(leer(kHistorial, QStringLiteral("Automatico"), QStringLiteral("1")), estado.HistorialAutomatico);
    estado.Remoto = leer(kSincronizar, QStringLiteral("Remoto"), QString());
    AEntero(leer(kSincronizar, QStringLiteral("Cada"), QStringLiteral("0")), estado.SincronizarCada);
    // A hand-edited value out of range is off, not a sync every minute or a timer that overflows.
    if (estado.SincronizarCada < 0 || estado.SincronizarCada > 24 * 60)
        estado.SincronizarCada = 0;
    ABooleano(leer(kVista, QStringLiteral("Codigo"), QStringLiteral("True")), estado.VerCodigo);

    QStringList panel;
    const double cuenta = std::floor(Val(leer(kPanel, kCategorias, QStringLiteral("0"))));
    const int n = cuenta > kMaximoEntradas ? EntradasPresentes(ini) : int(std::max(cuenta, 0.0));
    if (n > 0) {
        QStringList claves;
        claves.reserve(n);
        for (int i = 0; i < n; ++i)
            claves.append(QStringLiteral("Nombre%1").arg(i));
        panel = ini.leerVarias(kPanel, claves, QString());
        for (QString &p : panel)
            p = TextoHasta(p, QString(QChar(0)));
    }
    return panel;
}

bool GuardarPreferencias(const Estado &estado, const QString &textoPanel, const QStringList &panel,
                         QString *error) {
    Ini ini;
    ini.cargar(estado.rutaConfig());
    const auto n = [](int v) { return QString::number(v); };
    ini.escribir(kCategoria, QStringLiteral("Reemplazar"), n(estado.Reemplazar));
    ini.escribir(kCategoria, QStringLiteral("Mostrar"), textoPanel);
    ini.escribir(kCategoria, QStringLiteral("MostrarTodas"), n(estado.MostrarTodas));
    ini.escribir(kCategoria, QStringLiteral("Ruta"), estado.Ruta);
    ini.escribir(kEmail, QStringLiteral("MSOutlook"), n(estado.MSOutlook));
    ini.escribir(kScript, QStringLiteral("IncluirTags"), n(estado.IncluirTags));
    ini.escribir(kExportar, QStringLiteral("Extension"), estado.Extension);
    if (estado.ExtensionElegida) // a file where it is not chosen stays as it was
        ini.escribir(kExportar, QStringLiteral("ExtensionElegida"), n(estado.ExtensionElegida));
    ini.escribir(kExportar, QStringLiteral("Tag"), n(estado.Tag));
    ini.escribir(kVentana, QStringLiteral("Derecha"), DeBooleano(estado.Derecha));
    ini.escribir(kVentana, QStringLiteral("Izquierda"), DeBooleano(estado.Izquierda));
    if (!estado.Geometria.isEmpty())
        ini.escribir(kVentana, QStringLiteral("Geometria"), QString::fromLatin1(estado.Geometria.toBase64()));
    ini.escribir(kFuente, QStringLiteral("Tipo"), n(estado.Tipo));
    ini.escribir(kFuente, QStringLiteral("Familia"), estado.Familia);
    ini.escribir(kHistorial, QStringLiteral("Automatico"), n(estado.HistorialAutomatico));
    ini.escribir(kSincronizar, QStringLiteral("Remoto"), estado.Remoto);
    // Written once chosen: the files of those who never chose it stay as they were.
    if (estado.SincronizarCada > 0 || !ini.leer(kSincronizar, QStringLiteral("Cada"), QString()).isEmpty())
        ini.escribir(kSincronizar, QStringLiteral("Cada"), n(estado.SincronizarCada));
    ini.escribir(kVista, QStringLiteral("Codigo"), DeBooleano(estado.VerCodigo));
    QVector<QPair<QString, QString>> pares;
    pares.reserve(panel.size() + 1);
    pares.append({kCategorias, n(int(panel.size()))});
    for (int i = 0; i < panel.size(); ++i)
        pares.append({QStringLiteral("Nombre%1").arg(i), panel[i]});
    ini.escribirVarias(kPanel, pares);
    return ini.guardar(estado.rutaConfig(), error);
}

} // namespace mdlINI
