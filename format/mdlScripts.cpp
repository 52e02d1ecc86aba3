#include "format/mdlScripts.h"
#include "format/DuenoCarpeta.h"
#include "core/Archivos.h"
#include "core/Cp1252.h"

#include <QFileInfo>
#include <QIODevice>
#include <cerrno>
#include <cstring>
#include <new>

namespace mdlScripts {
namespace {

struct Lector {
    const char *b;
    qsizetype n;
    codificacion::Tipo tipo;
    qsizetype p = codificacion::Inicio(tipo);

    bool esFinDeLinea(char c) const { return c == '\r' || c == '\n'; }

    void consumirDelimitador() {
        if (p >= n)
            return;
        if (b[p] == ',') {
            ++p;
        } else if (b[p] == '\r') {
            ++p;
            if (p < n && b[p] == '\n')
                ++p;
        } else if (b[p] == '\n') {
            ++p;
        }
    }

    // Only blanks and line ends remain: no further record (a trailing empty line is not a script).
    bool soloBlancos() const {
        for (qsizetype i = p; i < n; ++i)
            if (b[i] != ' ' && b[i] != '\t' && !esFinDeLinea(b[i]))
                return false;
        return true;
    }

    void saltarBlancos() {
        while (p < n && (b[p] == ' ' || b[p] == '\t'))
            ++p;
    }

    // A quoted field: its bytes' place, consumed with what follows up to the delimiter.
    Tramo entreComillas() {
        const qsizetype inicio = ++p;
        const void *q = std::memchr(b + p, '"', size_t(n - p));
        const qsizetype cierre = q ? static_cast<const char *>(q) - b : n;
        p = q ? cierre + 1 : n;
        while (p < n && b[p] != ',' && !esFinDeLinea(b[p]))
            ++p;
        consumirDelimitador();
        return {inicio, cierre - inicio};
    }

    // The next field's bytes, undecoded, consumed with what follows up to the delimiter.
    Campo crudo() {
        saltarBlancos();
        if (p < n && b[p] == '"') {
            const Tramo t = entreComillas();
            return {t.inicio, t.largo, true};
        }
        const qsizetype inicio = p;
        while (p < n && b[p] != ',' && !esFinDeLinea(b[p]))
            ++p;
        qsizetype fin = p;
        while (fin > inicio && (b[fin - 1] == ' ' || b[fin - 1] == '\t'))
            --fin;
        consumirDelimitador();
        return {inicio, fin - inicio, false};
    }

    QString texto(Campo c, bool esCodigo) const {
        const QString t = codificacion::Decodificar(tipo, b + c.inicio, c.largo);
        // An unquoted field may carry a stray quote that the writer could not store back.
        return !c.comillas && t.contains(QLatin1Char('"')) ? SinComillas(t, esCodigo) : t;
    }

    // The code field left in place when quoted; otherwise decoded into *texto.
    Tramo codigo(QString *texto) {
        const Campo c = crudo();
        if (c.comillas)
            return {c.inicio, c.largo};
        *texto = this->texto(c, true);
        return {};
    }

    QString campo(bool esCodigo) { return texto(crudo(), esCodigo); }
};

void AgregarCampo(QByteArray &salida, const QString &campo, bool esCodigo, codificacion::Tipo tipo) {
    salida.append('"');
    if (campo.contains(QLatin1Char('"')))
        codificacion::CodificarEn(tipo, SinComillas(campo, esCodigo), salida);
    else
        codificacion::CodificarEn(tipo, campo, salida);
    salida.append("\"\r\n");
}

} // namespace

QString SinComillas(const QString &campo, bool esCodigo) {
    QString t = campo;
    return esCodigo ? t.replace(QLatin1Char('"'), kTokenComilla) : t.replace(QLatin1Char('"'), QLatin1Char(' '));
}

namespace {
QVector<Script> Analizar(const QByteArray &datos, QVector<Tramo> *codigos) {
    QVector<Script> scripts;
    Lector l{datos.constData(), datos.size(), codificacion::De(datos)};
    while (l.p < l.n && !l.soloBlancos()) {
        Script s;
        Tramo t;
        // A last record with fewer than four fields gets empty ones.
        s.Nombre = l.campo(false);
        if (l.p < l.n)
            s.Descripcion = l.campo(false);
        if (l.p < l.n) {
            if (codigos)
                t = l.codigo(&s.Codigo);
            else
                s.Codigo = l.campo(true);
        }
        if (l.p < l.n)
            s.Puntaje = l.campo(false);
        scripts.append(std::move(s));
        if (codigos)
            codigos->append(t);
    }
    return scripts;
}
} // namespace

QVector<Script> Analizar(const QByteArray &datos) { return Analizar(datos, nullptr); }

QVector<Registro> Registros(const QByteArray &datos) {
    QVector<Registro> registros;
    Lector l{datos.constData(), datos.size(), codificacion::De(datos)};
    while (l.p < l.n && !l.soloBlancos()) {
        Registro r{};
        for (int k = 0; k < kCampos && (k == 0 || l.p < l.n); ++k)
            r[size_t(k)] = l.crudo();
        registros.append(r);
    }
    return registros;
}

Script Decodificar(const QByteArray &datos, const Registro &r) {
    const Lector l{datos.constData(), datos.size(), codificacion::De(datos)};
    return {l.texto(r[0], false), l.texto(r[1], false), l.texto(r[2], true), l.texto(r[3], false)};
}

QVector<Script> Analizar(const QByteArray &datos, QVector<Tramo> &codigos) {
    codigos.clear();
    return Analizar(datos, &codigos);
}

void AgregarRegistro(QByteArray &salida, const Script &s, QByteArrayView codigoCrudo, codificacion::Tipo tipo) {
    AgregarCampo(salida, s.Nombre, false, tipo);
    AgregarCampo(salida, s.Descripcion, false, tipo);
    if (codigoCrudo.isNull()) {
        AgregarCampo(salida, s.Codigo, true, tipo);
    } else {
        salida.append('"');
        salida.append(codigoCrudo);
        salida.append("\"\r\n");
    }
    AgregarCampo(salida, s.Puntaje, false, tipo);
}

QByteArray Componer(const QVector<Script> &scripts, codificacion::Tipo tipo) {
    qsizetype total = 0;
    for (const Script &s : scripts)
        total += s.Nombre.size() + s.Descripcion.size() + s.Codigo.size() + s.Puntaje.size() + 16;
    QByteArray salida;
    salida.reserve(total);
    if (tipo == codificacion::Tipo::Utf8)
        salida.append(codificacion::kBom, codificacion::kLargoBom);
    for (const Script &s : scripts)
        AgregarRegistro(salida, s, {}, tipo);
    return salida;
}

namespace {
// Bounded as a file read is: a device that claims, or turns out to hold, more than the limit is
// refused rather than held.
bool LeerTodo(QIODevice &dispositivo, QByteArray &datos, QString *error) {
    const auto fallo = [&](const QString &razon) {
        datos = QByteArray();
        if (error)
            *error = razon;
        return false;
    };
    datos.clear();
    if (!dispositivo.isSequential() && dispositivo.size() - dispositivo.pos() > archivos::kMayorLectura)
        return fallo(archivos::RazonDemasiadoGrande());
    try {
        for (;;) {
            char trozo[65536];
            const qint64 n = dispositivo.read(trozo, sizeof trozo);
            if (n < 0) {
                const auto *archivo = qobject_cast<const QFileDevice *>(&dispositivo);
                return fallo(archivos::Razon(archivo && archivo->error() != QFileDevice::NoError ? archivo->error()
                                                                                                 : QFileDevice::ReadError));
            }
            if (n == 0)
                break;
            if (datos.size() + n > archivos::kMayorLectura)
                return fallo(archivos::RazonDemasiadoGrande());
            datos.append(trozo, qsizetype(n));
        }
    } catch (const std::bad_alloc &) {
        return fallo(archivos::Razon(ENOMEM));
    }
    const auto *archivo = qobject_cast<const QFileDevice *>(&dispositivo);
    if (archivo && archivo->error() != QFileDevice::NoError)
        return fallo(archivos::Razon(archivo->error()));
    return true;
}
} // namespace

bool Leer(QIODevice &dispositivo, QVector<Script> &scripts, QString *error) {
    QByteArray datos;
    if (!LeerTodo(dispositivo, datos, error))
        return false;
    scripts += Analizar(datos);
    return true;
}

bool Escribir(QIODevice &dispositivo, const QVector<Script> &scripts, QString *error) {
    const QByteArray datos = Componer(scripts);
    if (dispositivo.write(datos) != datos.size()) {
        const auto *archivo = qobject_cast<const QFileDevice *>(&dispositivo);
        if (error)
            *error = archivos::Razon(archivo && archivo->error() != QFileDevice::NoError ? archivo->error()
                                                                                          : QFileDevice::WriteError);
        return false;
    }
    return true;
}

bool LeerBytes(const QString &ruta, QByteArray &datos, QString *error) { return archivos::Leer(ruta, datos, error); }

bool LeerArchivo(const QString &ruta, QVector<Script> &scripts, QString *error, codificacion::Tipo *tipo) {
    QByteArray datos;
    if (!LeerBytes(ruta, datos, error))
        return false;
    scripts += Analizar(datos);
    if (tipo)
        *tipo = codificacion::De(datos);
    return true;
}

bool GuardarArchivo(const QString &ruta, const QVector<Script> &scripts, QString *error, codificacion::Tipo tipo) {
    const QFileInfo i(ruta);
    return DuenoCarpeta::De(i.path()).Guardar(i.fileName(), Componer(scripts, tipo), error);
}

QString Codigo(const QByteArray &datos, Tramo t) {
    return codificacion::Decodificar(codificacion::De(datos), datos.constData() + t.inicio, t.largo);
}

} // namespace mdlScripts
