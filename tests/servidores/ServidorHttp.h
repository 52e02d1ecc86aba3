#pragma once
// A real smart-HTTP git server on 127.0.0.1 for the sync's tests: lighttpd running git's own
// http-backend as a CGI, behind HTTP basic authentication, over plain HTTP or over TLS with a
// certificate of an authority the test makes with openssl. And a desktop keyring of the test's own:
// a session bus and gnome-keyring's Secret Service, in folders of the test, so that the user's
// keyring and home are never read or written.
#include "ServidorSsh.h"
#include "AyudasNucleo.h"
#include "history/Repositorio.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace servidores {

inline constexpr char kBackend[] = "/usr/lib/git-core/git-http-backend";

// A certificate authority made by openssl, and the server certificates it signs.
class Autoridad : public Arranque {
public:
    QTemporaryDir dir;
    QString certificado; // PEM

    bool Crear(const QString &nombre) {
        if (Programa("openssl").isEmpty())
            return Falta("no está instalado openssl");
        certificado = dir.filePath("autoridad.pem");
        if (!Correr(Programa("openssl"),
                    {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir.filePath("autoridad.key"),
                     "-out", certificado, "-days", "2", "-subj", "/CN=" + nombre, "-addext",
                     "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"}))
            return Fallo("openssl no pudo crear la autoridad");
        return true;
    }
    // The certificate and key of 127.0.0.1, signed by this authority, in `carpeta`. The address goes
    // in as a DNS name too: mbedTLS, which libgit2 uses on Debian, matches names only.
    bool Firmar(const QString &carpeta, QString *cert, QString *clave) {
        *cert = carpeta + "/servidor.pem";
        *clave = carpeta + "/servidor.key";
        const QString pedido = carpeta + "/servidor.csr", extensiones = carpeta + "/extensiones";
        if (!Escribir(extensiones, "subjectAltName=DNS:127.0.0.1,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                                   "extendedKeyUsage=serverAuth\n"))
            return false;
        return Correr(Programa("openssl"), {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", *clave, "-out", pedido,
                                            "-subj", "/CN=127.0.0.1"}) &&
               Correr(Programa("openssl"),
                      {"x509", "-req", "-in", pedido, "-CA", certificado, "-CAkey", dir.filePath("autoridad.key"),
                       "-CAcreateserial", "-out", *cert, "-days", "2", "-extfile", extensiones});
    }
};

// lighttpd with git http-backend under /git, every request behind basic authentication with one
// user and token. http-backend takes pushes from an authenticated user (REMOTE_USER set), as
// GitHub, GitLab or Gitea do over HTTPS.
class Http : public Arranque {
public:
    QTemporaryDir dir;
    int puerto = 0;
    bool tls = false;
    QProcess lighttpd;

    bool Iniciar(const QString &usuario, const QString &token, Autoridad *autoridad = nullptr) {
        if (Programa("lighttpd").isEmpty() || !QFileInfo(QString::fromLatin1(kBackend)).isExecutable())
            return Falta("no están instalados lighttpd y git (git-http-backend)");
        tls = autoridad != nullptr;
        if (tls && !QFileInfo::exists("/usr/lib/lighttpd/mod_openssl.so"))
            return Falta("no está instalado lighttpd-mod-openssl");
        QString cert, clave;
        if (tls && !autoridad->Firmar(dir.path(), &cert, &clave))
            return Fallo("openssl no pudo firmar el certificado del servidor");
        if (!git::Repositorio::CrearRemoto(dir.filePath("repos/biblioteca.git")) ||
            !Escribir(dir.filePath("usuarios"), (usuario + ':' + token + '\n').toUtf8()))
            return false;
        puerto = PuertoLibre();
        QString config = QStringLiteral(
                             "server.modules = (\"mod_auth\", \"mod_authn_file\", \"mod_cgi\", \"mod_setenv\", "
                             "\"mod_alias\"%1)\n"
                             "server.document-root = \"%2\"\nserver.bind = \"127.0.0.1\"\nserver.port = %3\n"
                             "server.errorlog = \"%2/error.log\"\n"
                             "alias.url = (\"/git\" => \"%4\")\n"
                             "$HTTP[\"url\"] =~ \"^/git\" {\n  cgi.assign = (\"\" => \"\")\n"
                             "  setenv.add-environment = (\"GIT_PROJECT_ROOT\" => \"%2/repos\", "
                             "\"GIT_HTTP_EXPORT_ALL\" => \"1\")\n}\n"
                             "auth.backend = \"plain\"\nauth.backend.plain.userfile = \"%2/usuarios\"\n"
                             "auth.require = (\"/git\" => (\"method\" => \"basic\", \"realm\" => \"Rutinero\", "
                             "\"require\" => \"valid-user\"))\n")
                             .arg(tls ? ", \"mod_openssl\"" : "", dir.path())
                             .arg(puerto)
                             .arg(QString::fromLatin1(kBackend));
        if (tls)
            config += QStringLiteral("ssl.engine = \"enable\"\nssl.pemfile = \"%1\"\nssl.privkey = \"%2\"\n").arg(cert, clave);
        if (!Escribir(dir.filePath("lighttpd.conf"), config.toUtf8()))
            return false;
        lighttpd.setProcessChannelMode(QProcess::ForwardedChannels);
        lighttpd.start(Programa("lighttpd"), {"-D", "-f", dir.filePath("lighttpd.conf")});
        if (!lighttpd.waitForStarted() || !Escucha(puerto))
            return Fallo("lighttpd no arrancó: " + QString::fromUtf8(ayudas::LeerBytes(dir.filePath("error.log"))));
        return true;
    }
    ~Http() { Parar(lighttpd); }
    QString raiz() const { return QStringLiteral("%1://127.0.0.1:%2").arg(tls ? "https" : "http").arg(puerto); }
    QString url() const { return raiz() + "/git/biblioteca.git"; }
    QString repositorio() const { return dir.filePath("repos/biblioteca.git"); }
};

// A session bus and gnome-keyring's Secret Service of the test's own, unlocked with a password given
// on standard input; HOME and the XDG folders of the whole test program point into its folder.
class Llavero : public Arranque {
public:
    QTemporaryDir dir;
    QProcess bus, llavero;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();

    bool Iniciar() {
        for (const char *p : {"dbus-daemon", "gnome-keyring-daemon", "secret-tool", "dbus-send"})
            if (Programa(p).isEmpty())
                return Falta("no están instalados dbus, gnome-keyring y libsecret-tools");
        for (const char *d : {"casa", "datos", "config", "cache", "run"})
            QDir().mkpath(dir.filePath(d));
        QFile::setPermissions(dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString direccion = "unix:path=" + dir.filePath("bus");
        if (!Escribir(dir.filePath("bus.conf"),
                      QStringLiteral("<busconfig><type>session</type><listen>%1</listen><auth>EXTERNAL</auth>"
                                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                          .arg(direccion)
                          .toUtf8()))
            return false;
        const std::pair<const char *, QString> variables[] = {
            {"HOME", dir.filePath("casa")},         {"XDG_DATA_HOME", dir.filePath("datos")},
            {"XDG_CONFIG_HOME", dir.filePath("config")}, {"XDG_CACHE_HOME", dir.filePath("cache")},
            {"XDG_RUNTIME_DIR", dir.filePath("run")},    {"DBUS_SESSION_BUS_ADDRESS", direccion}};
        for (const auto &[nombre, valor] : variables) {
            entorno.insert(nombre, valor);
            qputenv(nombre, valor.toLocal8Bit());
        }
        // The desktop decides which keyring QtKeychain asks: none named, the Secret Service.
        for (const char *v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"}) {
            entorno.remove(v);
            qunsetenv(v);
        }
        bus.setProcessEnvironment(entorno);
        bus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bus.start(Programa("dbus-daemon"), {"--nofork", "--config-file=" + dir.filePath("bus.conf")});
        if (!bus.waitForStarted() || !Esperar([&] { return QFileInfo::exists(dir.filePath("bus")); }))
            return Fallo("dbus-daemon no arrancó");
        llavero.setProcessEnvironment(entorno);
        llavero.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        llavero.start(Programa("gnome-keyring-daemon"), {"--foreground", "--unlock", "--components=secrets"});
        if (!llavero.waitForStarted())
            return Fallo("gnome-keyring-daemon no arrancó");
        llavero.write("clave-del-llavero");
        llavero.closeWriteChannel();
        if (!Esperar([&] {
                const auto r = Correr(Programa("dbus-send"),
                                      {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                                       "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"},
                                      entorno);
                return r && r->contains("boolean true");
            }))
            return Fallo("gnome-keyring-daemon no ofreció el servicio de secretos");
        return true;
    }
    ~Llavero() {
        Parar(llavero);
        Parar(bus);
    }
    // What secret-tool finds for the attributes (QtKeychain's: "server" is the service, "user" the
    // entry's name); no value when it finds nothing.
    std::optional<QByteArray> Buscar(const QString &nombre) const {
        return SecretTool({"lookup", "server", "Rutinero", "user", nombre});
    }
    bool Guardar(const QString &nombre, const QByteArray &secreto) const {
        return SecretTool({"store", "--label=prueba", "server", "Rutinero", "user", nombre, "type", "plaintext"},
                          secreto)
            .has_value();
    }
    // Nothing of the program's left (secret-tool says 1 when there was nothing to clear).
    void Vaciar() const { SecretTool({"clear", "server", "Rutinero"}); }

private:
    // secret-tool in the keyring's environment, given `entrada`: its output, none when it failed.
    std::optional<QByteArray> SecretTool(const QStringList &args, const QByteArray &entrada = {}) const {
        QProcess p;
        p.setProcessEnvironment(entorno);
        p.start(Programa("secret-tool"), args);
        p.write(entrada);
        p.closeWriteChannel();
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return std::nullopt;
        return p.readAllStandardOutput();
    }
};

// Whether any file under `carpeta` holds `texto`.
inline QStringList ArchivosCon(const QString &carpeta, const QByteArray &texto) {
    QStringList con;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        QFile f(ruta);
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(texto))
            con << ruta;
    }
    return con;
}

} // namespace servidores
