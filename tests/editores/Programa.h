#pragma once
// The real program, copied beside a library of the test's own, as an editor or a shell starts it;
// and a language server talked to with framed messages.
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"
#include "search/IndiceBiblioteca.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace prueba {

inline Script Guion(const QString &nombre, const QString &descripcion, const QString &codigo,
                    const QString &puntaje = QStringLiteral("0")) {
    return Script{nombre, descripcion, etiquetas::AAlmacen(codigo), puntaje};
}

struct Aplicacion {
    QTemporaryDir dir;
    QString programa;
    Aplicacion() {
        programa = dir.path() + QStringLiteral("/app/rutinero");
        QDir().mkpath(dir.path() + QStringLiteral("/app/Categorias"));
        QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero"), programa);
        QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero-ventana"), programa + QStringLiteral("-ventana"));
    }
    QString ruta(const QString &relativa) const { return dir.path() + QStringLiteral("/app/") + relativa; }
    QString categorias() const { return ruta(QStringLiteral("Categorias")); }
    bool Categoria(const QString &nombre, const QVector<Script> &scripts) const {
        return mdlScripts::GuardarArchivo(categorias() + QLatin1Char('/') + nombre + QStringLiteral(".rtn"), scripts);
    }
    // The search index as the program keeps it, brought up to the library's files.
    bool Indexar() const {
        biblioteca::Indice indice(ruta(QStringLiteral("Preferencias/indice-biblioteca.db")));
        return indice.AbrirParaEscribir() && !indice.Actualizar(categorias()).isEmpty();
    }
    // Every file of the application folder with its bytes.
    QMap<QString, QByteArray> Todo() const {
        QMap<QString, QByteArray> r;
        QDirIterator it(ruta(QString()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            QFile a(f);
            r.insert(f, a.open(QIODevice::ReadOnly) ? a.readAll() : QByteArray("(ilegible)"));
        }
        return r;
    }
};

inline QProcessEnvironment SinPantalla() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("DISPLAY"));
    e.remove(QStringLiteral("WAYLAND_DISPLAY"));
    e.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return e;
}

struct Resultado {
    int codigo = -1;
    QString salida, errores;
};

// Runs the program to its end, as a shell does, with nothing on its input.
inline Resultado Correr(const QString &programa, const QStringList &args,
                        const QProcessEnvironment &entorno = SinPantalla()) {
    QProcess p;
    p.setProcessEnvironment(entorno);
    p.start(programa, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, QStringLiteral("no terminó")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

inline QByteArray Marco(const QByteArray &cuerpo) {
    return "Content-Length: " + QByteArray::number(cuerpo.size()) + "\r\n\r\n" + cuerpo;
}

class Servidor {
public:
    explicit Servidor(const QString &programa) {
        p_.setProcessEnvironment(SinPantalla());
        p_.start(programa, {QStringLiteral("--lsp")});
        p_.waitForStarted(10000);
    }
    ~Servidor() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(10000);
        }
    }
    QProcess &proceso() { return p_; }
    void Bytes(const QByteArray &b) { p_.write(b); }
    void Notificar(const QString &metodo, const QJsonObject &parametros = {}) {
        Bytes(Marco(QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"method", metodo}, {"params", parametros}}).toJson()));
    }
    int Pedir(const QString &metodo, const QJsonValue &parametros = QJsonObject()) {
        const int id = siguiente_++;
        Bytes(Marco(QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}, {"params", parametros}})
                        .toJson(QJsonDocument::Compact)));
        return id;
    }
    // The next message the server writes, or none within the time.
    std::optional<QJsonObject> Leer(int ms = 20000) {
        QDeadlineTimer plazo(ms);
        for (;;) {
            const qsizetype fin = salida_.indexOf("\r\n\r\n");
            if (fin >= 0) {
                const QByteArray cabecera = salida_.left(fin);
                const int largo = cabecera.mid(cabecera.indexOf(':') + 1).trimmed().toInt();
                if (salida_.size() >= fin + 4 + largo) {
                    const QByteArray cuerpo = salida_.mid(fin + 4, largo);
                    salida_.remove(0, fin + 4 + largo);
                    return QJsonDocument::fromJson(cuerpo).object();
                }
            }
            if (plazo.hasExpired() || !p_.waitForReadyRead(int(plazo.remainingTime())))
                return std::nullopt;
            salida_ += p_.readAllStandardOutput();
        }
    }
    // The reply to request `id`.
    QJsonObject Respuesta(int id) {
        while (const std::optional<QJsonObject> m = Leer())
            if (m->value("id").toInt(-1) == id)
                return *m;
        return {};
    }
    QJsonObject Iniciar() {
        const QJsonObject r = Respuesta(Pedir(QStringLiteral("initialize"), QJsonObject{{"capabilities", QJsonObject()}}));
        Notificar(QStringLiteral("initialized"));
        return r;
    }
    void Abrir(const QString &uri, const QString &lenguaje, const QString &texto) {
        Notificar(QStringLiteral("textDocument/didOpen"),
                  {{"textDocument", QJsonObject{{"uri", uri}, {"languageId", lenguaje}, {"version", 1}, {"text", texto}}}});
    }
    QJsonObject Completar(const QString &uri, int linea, int caracter) {
        return Respuesta(Pedir(QStringLiteral("textDocument/completion"),
                               QJsonObject{{"textDocument", QJsonObject{{"uri", uri}}},
                                           {"position", QJsonObject{{"line", linea}, {"character", caracter}}}}))
            .value("result")
            .toObject();
    }

private:
    QProcess p_;
    QByteArray salida_;
    int siguiente_ = 1;
};

inline QStringList Etiquetas(const QJsonObject &lista) {
    QStringList r;
    for (const QJsonValue &i : lista.value("items").toArray())
        r << i.toObject().value("label").toString();
    return r;
}

} // namespace prueba
