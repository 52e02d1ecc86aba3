#include "lsp/Servidor.h"
#include "core/Cp1252.h"
#include "core/Registro.h"
#include "core/Version.h"
#include "format/Editores.h"
#include "format/Traduccion.h"
#include "lsp/Canal.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace lsp {

using json = nlohmann::json;

namespace {

// JSON-RPC's error codes, and the protocol's own.
constexpr int kJsonRoto = -32700;
constexpr int kPeticionInvalida = -32600;
constexpr int kMetodoDesconocido = -32601;
constexpr int kParametrosInvalidos = -32602;
constexpr int kSinIniciar = -32002;
// Deeper JSON than this is no message of the protocol.
constexpr int kProfundidad = 64;
constexpr int kSnippet = 15, kFormatoSnippet = 2, kCambiosPorRangos = 2;

struct Fallo {
    int codigo;
    QString mensaje;
};
struct Hondo {};

std::string S(const QString &s) { return s.toStdString(); }
QString Q(const std::string &s) { return codificacion::DeUtf8(QByteArrayView(s.data(), qsizetype(s.size()))); }

const json &Campo(const json &o, const char *clave) {
    if (!o.is_object() || !o.contains(clave))
        throw Fallo{kParametrosInvalidos, QStringLiteral("falta «%1» en los parámetros").arg(QLatin1String(clave))};
    return o[clave];
}
QString Texto(const json &o, const char *clave) {
    const json &v = Campo(o, clave);
    if (!v.is_string())
        throw Fallo{kParametrosInvalidos, QStringLiteral("«%1» no es un texto").arg(QLatin1String(clave))};
    return Q(v.get<std::string>());
}
int Entero(const json &o, const char *clave) {
    const json &v = Campo(o, clave);
    if (!v.is_number_integer() || v.get<qint64>() < 0 || v.get<qint64>() > INT_MAX)
        throw Fallo{kParametrosInvalidos, QStringLiteral("«%1» no es un número válido").arg(QLatin1String(clave))};
    return int(v.get<qint64>());
}
Posicion LeerPosicion(const json &o) { return {Entero(o, "line"), Entero(o, "character")}; }
json Escribir(Posicion p) { return {{"line", p.linea}, {"character", p.caracter}}; }

json Respuesta(const json &id, json resultado) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(resultado)}};
}
json Error(const json &id, int codigo, const QString &mensaje) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", codigo}, {"message", S(mensaje)}}}};
}
QByteArray Cuerpo(const json &j) {
    return QByteArray::fromStdString(j.dump(-1, ' ', false, json::error_handler_t::replace));
}

// What an editor shows beside the item: the description, then the code in a Markdown block.
QString Documentacion(const biblioteca::Hallazgo &h) {
    const QString cerca = editores::Cerca(h.codigo);
    QString r;
    if (!h.descripcion.isEmpty())
        r = editores::EscaparMarkdown(editores::SinNota(h.descripcion)) + QStringLiteral("\n\n");
    r += cerca + lenguaje::Markdown(lenguaje::Elegir(h.descripcion, h.codigo, h.categoria)) + QLatin1Char('\n') + h.codigo;
    if (!h.codigo.endsWith(QLatin1Char('\n')))
        r += QLatin1Char('\n');
    return r + cerca;
}

} // namespace

// The methods, apart from the framing of requests and replies.
struct Metodos {
    static json Iniciar() {
        return {{"capabilities",
                 {{"positionEncoding", "utf-16"},
                  {"textDocumentSync", {{"openClose", true}, {"change", kCambiosPorRangos}}},
                  {"completionProvider", {{"resolveProvider", true}}}}},
                {"serverInfo", {{"name", "rutinero"}, {"version", S(QStringLiteral("%1.%2").arg(version::Mayor).arg(version::Menor))}}}};
    }

    static json Completar(Servidor &s, const json &p) {
        const QString uri = Texto(Campo(p, "textDocument"), "uri");
        const Posicion cursor = LeerPosicion(Campo(p, "position"));
        json lista = {{"isIncomplete", true}, {"items", json::array()}};
        const Documento *d = s.documentos_.Buscar(uri);
        int inicio = 0;
        const QString palabra = d ? PalabraAntes(d->texto, cursor, &inicio) : QString();
        // Without a word nothing is offered; the next letter typed asks again.
        if (palabra.isEmpty())
            return lista;
        const Biblioteca::Encontrados e = s.biblioteca_.Buscar(palabra, DeIdentificador(d->lenguaje));
        lista["isIncomplete"] = e.incompleto;
        const json rango = {{"start", Escribir({cursor.linea, inicio})},
                            {"end", Escribir({cursor.linea, inicio + int(palabra.size())})}};
        for (int i = 0; i < e.hallazgos.size(); ++i) {
            const biblioteca::Hallazgo &h = e.hallazgos[i];
            lista["items"].push_back(
                {{"label", S(h.nombre)},
                 {"kind", kSnippet},
                 {"detail", S(h.categoria)},
                 // The server has filtered already: the word leads, so that a client filtering
                 // again keeps what matched by its description.
                 {"filterText", S(palabra + QLatin1Char(' ') + h.nombre + QLatin1Char(' ') + h.descripcion)},
                 {"sortText", S(QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')))},
                 {"insertTextFormat", kFormatoSnippet},
                 {"textEdit", {{"range", rango}, {"newText", S(traduccion::AFragmento(h.codigo).cuerpo)}}},
                 {"data", {{"categoria", S(h.categoria)}, {"posicion", h.posicion}, {"nombre", S(h.nombre)}}}});
        }
        return lista;
    }

    static json Resolver(Servidor &s, const json &item) {
        if (!item.is_object())
            throw Fallo{kParametrosInvalidos, QStringLiteral("el elemento no es un objeto")};
        json r = item;
        const auto data = item.find("data");
        if (data == item.end() || !data->is_object())
            return r;
        try {
            if (const auto h = s.biblioteca_.Script(Texto(*data, "categoria"), Entero(*data, "posicion"),
                                                    Texto(*data, "nombre")))
                r["documentation"] = {{"kind", "markdown"}, {"value", S(Documentacion(*h))}};
        } catch (const Fallo &) {
            // Data of another server's item, or changed by the editor: nothing to add.
        }
        return r;
    }

    static void Abrir(Servidor &s, const json &p) {
        const json &t = Campo(p, "textDocument");
        s.documentos_.Abrir(Texto(t, "uri"), Texto(t, "languageId"), Texto(t, "text"));
    }

    static void Cambiar(Servidor &s, const json &p) {
        const QString uri = Texto(Campo(p, "textDocument"), "uri");
        const json &lista = Campo(p, "contentChanges");
        if (!lista.is_array())
            throw Fallo{kParametrosInvalidos, QStringLiteral("«contentChanges» no es una lista")};
        QVector<Cambio> cambios;
        for (const json &c : lista) {
            Cambio x;
            x.texto = Texto(c, "text");
            if (c.contains("range")) {
                x.entero = false;
                x.desde = LeerPosicion(Campo(c["range"], "start"));
                x.hasta = LeerPosicion(Campo(c["range"], "end"));
            }
            cambios.append(std::move(x));
        }
        if (!s.documentos_.Cambiar(uri, cambios))
            qCDebug(lcEditores) << "LSP: change to a document not held:" << uri.left(200);
    }

    static json Peticion(Servidor &s, const QString &metodo, const json &p) {
        if (metodo == QLatin1String("initialize")) {
            if (s.iniciado_)
                throw Fallo{kPeticionInvalida, QStringLiteral("el servidor ya está iniciado")};
            s.iniciado_ = true;
            return Iniciar();
        }
        if (!s.iniciado_)
            throw Fallo{kSinIniciar, QStringLiteral("el servidor aún no está iniciado")};
        if (s.apagado_)
            throw Fallo{kPeticionInvalida, QStringLiteral("el servidor se está cerrando")};
        if (metodo == QLatin1String("shutdown")) {
            s.apagado_ = true;
            return nullptr;
        }
        if (metodo == QLatin1String("textDocument/completion"))
            return Completar(s, p);
        if (metodo == QLatin1String("completionItem/resolve"))
            return Resolver(s, p);
        throw Fallo{kMetodoDesconocido, QStringLiteral("método desconocido: %1").arg(metodo.left(200))};
    }

    static void Notificacion(Servidor &s, const QString &metodo, const json &p) {
        if (metodo == QLatin1String("exit")) {
            s.terminado_ = true;
            return;
        }
        if (!s.iniciado_)
            return;
        if (metodo == QLatin1String("textDocument/didOpen"))
            Abrir(s, p);
        else if (metodo == QLatin1String("textDocument/didChange"))
            Cambiar(s, p);
        else if (metodo == QLatin1String("textDocument/didClose"))
            s.documentos_.Cerrar(Texto(Campo(p, "textDocument"), "uri"));
    }
};

Servidor::Servidor(const QString &carpeta, const QString &rutaIndice) : biblioteca_(carpeta, rutaIndice) {}

QVector<QByteArray> Servidor::Atender(const QByteArray &cuerpo) {
    json m;
    try {
        m = json::parse(cuerpo.cbegin(), cuerpo.cend(), [](int hondo, json::parse_event_t, json &) {
            if (hondo > kProfundidad)
                throw Hondo{};
            return true;
        });
    } catch (const json::exception &) {
        return {Cuerpo(Error(nullptr, kJsonRoto, QStringLiteral("el mensaje no es JSON válido")))};
    } catch (const Hondo &) {
        return {Cuerpo(Error(nullptr, kJsonRoto, QStringLiteral("el mensaje anida demasiado")))};
    }
    if (!m.is_object())
        return {Cuerpo(Error(nullptr, kPeticionInvalida, QStringLiteral("el mensaje no es un objeto")))};
    const auto id = m.find("id");
    const bool conId = id != m.end();
    if (conId && !id->is_string() && !id->is_number_integer() && !id->is_null())
        return {Cuerpo(Error(nullptr, kPeticionInvalida, QStringLiteral("identificador no válido")))};
    const json ident = conId ? *id : json();
    const auto metodo = m.find("method");
    if (metodo == m.end() || !metodo->is_string()) {
        // A reply to a request of ours: the server sends none, so there is nothing to match it to.
        if (conId && (m.contains("result") || m.contains("error")))
            return {};
        return {Cuerpo(Error(ident, kPeticionInvalida, QStringLiteral("el mensaje no tiene método")))};
    }
    const QString nombre = Q(metodo->get<std::string>());
    const json parametros = m.value("params", json::object());
    try {
        if (!conId) {
            Metodos::Notificacion(*this, nombre, parametros);
            return {};
        }
        return {Cuerpo(Respuesta(ident, Metodos::Peticion(*this, nombre, parametros)))};
    } catch (const Fallo &f) {
        if (!conId) {
            qCWarning(lcEditores) << "LSP: notification dropped:" << nombre.left(200) << f.mensaje;
            return {};
        }
        return {Cuerpo(Error(ident, f.codigo, f.mensaje))};
    } catch (const std::exception &e) {
        qCWarning(lcEditores) << "LSP: message failed:" << nombre.left(200) << e.what();
        if (!conId)
            return {};
        return {Cuerpo(Error(ident, kParametrosInvalidos, QString::fromUtf8(e.what())))};
    }
}

namespace {
bool EscribirTodo(const QByteArray &datos) {
    qsizetype hecho = 0;
    while (hecho < datos.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, datos.constData() + hecho, size_t(datos.size() - hecho));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        hecho += n;
    }
    return true;
}
} // namespace

int Ejecutar(const QString &carpeta, const QString &rutaIndice) {
    // An editor that goes away closes the pipe: the next write fails instead of killing the server.
    std::signal(SIGPIPE, SIG_IGN);
    Servidor servidor(carpeta, rutaIndice);
    Lector lector;
    QByteArray bloque(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, bloque.data(), size_t(bloque.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the editor is gone
        lector.Agregar(QByteArrayView(bloque.constData(), n));
        while (const std::optional<QByteArray> mensaje = lector.Siguiente()) {
            for (const QByteArray &r : servidor.Atender(*mensaje))
                if (!EscribirTodo(Enmarcar(r)))
                    return 1;
            if (servidor.terminado())
                return servidor.codigoSalida();
        }
    }
    return 1;
}

} // namespace lsp
