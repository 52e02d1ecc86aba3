#include "core/mdlINI.h"
#include "core/Archivos.h"
#include "core/mdlSistema.h"
#include "core/Cp1252.h"
#include "core/Exportar.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>

namespace mdlINI {
namespace {
constexpr int kLargoMaximo = 254;
// The largest panel list read back; a bigger count is treated as broken and gives no entries.
constexpr double kMaximoEntradas = 32767;

const QString kCategoria = QStringLiteral("Categor\u00eda");
const QString kEmail = QStringLiteral("Email");
const QString kScript = QStringLiteral("Script");
const QString kExportar = QStringLiteral("Exportar");
const QString kVentana = QStringLiteral("Ventana");
const QString kFuente = QStringLiteral("Fuente");
const QString kPanel = QStringLiteral("Panel");
const QString kHistorial = QStringLiteral("Historial");
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

void Ini::cargarBytes(const QByteArray &datos) {
    lineas_.clear();
    const QString texto = cp1252::Decodificar(datos);
    qsizetype inicio = 0;
    while (inicio < texto.size()) {
        qsizetype fin = inicio;
        while (fin < texto.size() && texto[fin] != QLatin1Char('\n') && texto[fin] != QLatin1Char('\r'))
            ++fin;
        lineas_.append(texto.mid(inicio, fin - inicio));
        if (fin < texto.size() && texto[fin] == QLatin1Char('\r') && fin + 1 < texto.size() &&
            texto[fin + 1] == QLatin1Char('\n'))
            ++fin;
        inicio = fin + 1;
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

QStringList CargarPreferencias(Estado &estado) {
    estado.sesion.Descartar();
    if (!mdlSistema::ExisteArchivo(estado.rutaConfig())) {
        estado.Mostrar = QStringLiteral("Todas");
        estado.MostrarTodas = 1;
        estado.Ruta = QStringLiteral("Categorias");
        estado.Reemplazar = 1;
        estado.MSOutlook = 1;
        estado.IncluirTags = 0;
        estado.Extension = QStringLiteral("html");
        estado.Tag = 0;
        estado.Derecha = false;
        estado.Izquierda = false;
        estado.Tipo = Estado::kFuenteFija;
        estado.Familia.clear();
        estado.HistorialAutomatico = 1;
        estado.Remoto.clear();
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
    AEntero(leer(kExportar, QStringLiteral("Tag"), QStringLiteral("0")), estado.Tag);
    ABooleano(leer(kVentana, QStringLiteral("Derecha"), QStringLiteral("False")), estado.Derecha);
    ABooleano(leer(kVentana, QStringLiteral("Izquierda"), QStringLiteral("False")), estado.Izquierda);
    // Code keeps its columns unless the user picked another font: the system's fixed-width one.
    AEntero(leer(kFuente, QStringLiteral("Tipo"), QString::number(Estado::kFuenteFija)), estado.Tipo);
    estado.Familia = leer(kFuente, QStringLiteral("Familia"), QString());
    estado.Geometria = QByteArray::fromBase64(leer(kVentana, QStringLiteral("Geometria"), QString()).toLatin1());
    AEntero(leer(kHistorial, QStringLiteral("Automatico"), QStringLiteral("1")), estado.HistorialAutomatico);
    estado.Remoto = leer(kSincronizar, QStringLiteral("Remoto"), QString());

    QStringList panel;
    const double n = std::floor(Val(leer(kPanel, kCategorias, QStringLiteral("0"))));
    if (n > 0 && n <= kMaximoEntradas) {
        QStringList claves;
        claves.reserve(int(n));
        for (int i = 0; i < int(n); ++i)
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
    ini.escribir(kExportar, QStringLiteral("Tag"), n(estado.Tag));
    ini.escribir(kVentana, QStringLiteral("Derecha"), DeBooleano(estado.Derecha));
    ini.escribir(kVentana, QStringLiteral("Izquierda"), DeBooleano(estado.Izquierda));
    if (!estado.Geometria.isEmpty())
        ini.escribir(kVentana, QStringLiteral("Geometria"), QString::fromLatin1(estado.Geometria.toBase64()));
    ini.escribir(kFuente, QStringLiteral("Tipo"), n(estado.Tipo));
    ini.escribir(kFuente, QStringLiteral("Familia"), estado.Familia);
    ini.escribir(kHistorial, QStringLiteral("Automatico"), n(estado.HistorialAutomatico));
    ini.escribir(kSincronizar, QStringLiteral("Remoto"), estado.Remoto);
    QVector<QPair<QString, QString>> pares;
    pares.reserve(panel.size() + 1);
    pares.append({kCategorias, n(int(panel.size()))});
    for (int i = 0; i < panel.size(); ++i)
        pares.append({QStringLiteral("Nombre%1").arg(i), panel[i]});
    ini.escribirVarias(kPanel, pares);
    return ini.guardar(estado.rutaConfig(), error);
}

} // namespace mdlINI
