#pragma once
// A real OpenSSH server on 127.0.0.1 for the sync's tests: its own host key, a port of its own, the
// keys of a real ssh-agent authorised; and a home folder of the test's own, so that the user's
// ~/.ssh is never read or written.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace servidores {

inline QString Programa(const QString &nombre) {
    for (const QString &d : {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin")})
        if (QFileInfo(d + QLatin1Char('/') + nombre).isExecutable())
            return d + QLatin1Char('/') + nombre;
    return QStandardPaths::findExecutable(nombre);
}

// Runs a program to its end; its standard output, or no value when it failed.
inline std::optional<QByteArray> Correr(const QString &programa, const QStringList &args,
                                        const QProcessEnvironment &entorno = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(entorno);
    p.start(programa, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << programa << args << p.readAllStandardError();
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

inline int PuertoLibre() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// Waits up to ten seconds for `listo` to hold, events running.
template <typename F> bool Esperar(F &&listo) {
    for (int i = 0; i < 200; ++i) {
        if (listo())
            return true;
        QTest::qWait(50);
    }
    return false;
}

inline bool Escucha(int puerto) {
    return Esperar([puerto] {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, quint16(puerto));
        return s.waitForConnected(100);
    });
}

inline bool Escribir(const QString &ruta, const QByteArray &datos) {
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(datos) == datos.size();
}

inline void Parar(QProcess &p) {
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(3000))
        p.kill();
    p.waitForFinished(1000);
}

inline QString Usuario() {
    const passwd *pw = ::getpwuid(::getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QStringLiteral("root");
}

// Why a server of the test could not start; `falta` when a package is not installed, the only
// reason to skip.
struct Arranque {
    QString porQue;
    bool falta = false;
    bool Falta(const QString &paquetes) {
        falta = true;
        return Fallo(paquetes);
    }
    bool Fallo(const QString &motivo) {
        porQue = motivo;
        return false;
    }
};

// A key pair made by ssh-keygen; `publica` is the .pub line.
struct Par {
    QString privada;
    QByteArray publica;
};
inline std::optional<Par> Generar(const QString &ruta, const QString &tipo) {
    if (!Correr(Programa("ssh-keygen"), {"-q", "-t", tipo, "-N", "", "-C", "prueba", "-f", ruta}))
        return std::nullopt;
    QFile f(ruta + ".pub");
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Par{ruta, f.readAll().trimmed()};
}
// The key's SHA256 fingerprint as ssh-keygen -l prints it ("SHA256:…").
inline QString HuellaDe(const QString &publica) {
    const auto r = Correr(Programa("ssh-keygen"), {"-l", "-E", "sha256", "-f", publica});
    return r ? QString::fromLatin1(r->split(' ').value(1)) : QString();
}

class Ssh : public Arranque {
public:
    QTemporaryDir dir;
    QString home; // the test's HOME
    int puerto = 0;
    QString hostPublica; // the server's key, .pub
    QProcess sshd, agente;

    // `tipoCliente`: the agent's key ("ed25519", "rsa"); `tipoHost`: the server's.
    // `extra`: more lines for the server's configuration.
    bool Iniciar(const QString &tipoCliente = "ed25519", const QString &tipoHost = "ed25519", const QString &extra = {}) {
        if (Programa("sshd").isEmpty() || Programa("ssh-agent").isEmpty() || Programa("ssh-keygen").isEmpty())
            return Falta("no están instalados openssh-server y openssh-client");
        // The server's privilege separation needs its empty folder, as the package's service makes it.
        if (::getuid() == 0)
            QDir().mkpath("/run/sshd");
        home = dir.filePath("casa");
        QDir().mkpath(home + "/.ssh");
        const auto host = Generar(dir.filePath("clave_servidor"), tipoHost);
        const auto cliente = Generar(dir.filePath("clave_cliente"), tipoCliente);
        if (!host || !cliente)
            return Fallo("ssh-keygen no pudo crear las claves");
        hostPublica = host->privada + ".pub";
        const QString autorizadas = dir.filePath("authorized_keys"), config = dir.filePath("sshd_config");
        puerto = PuertoLibre();
        if (!Escribir(autorizadas, cliente->publica + '\n') ||
            !Escribir(config, QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2\nPidFile %3\n"
                                             "AuthorizedKeysFile %4\nStrictModes no\nUsePAM no\n"
                                             "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                             "PubkeyAuthentication yes\nPermitRootLogin yes\nLogLevel ERROR\n%5")
                                  .arg(puerto)
                                  .arg(host->privada, dir.filePath("sshd.pid"), autorizadas, extra)
                                  .toUtf8()))
            return Fallo("no se pudo escribir la configuración de sshd");
        sshd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sshd.start(Programa("sshd"), {"-D", "-e", "-f", config});
        if (!sshd.waitForStarted() || !Escucha(puerto))
            return Fallo("sshd no arrancó");
        const QString socket = dir.filePath("agente");
        agente.start(Programa("ssh-agent"), {"-D", "-a", socket});
        Esperar([&] { return QFileInfo::exists(socket); });
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("SSH_AUTH_SOCK", socket);
        if (!Correr(Programa("ssh-add"), {"-q", cliente->privada}, e))
            return Fallo("ssh-add no pudo dar la clave al agente");
        // What the program reads: the agent, and a home of the test's own.
        qputenv("SSH_AUTH_SOCK", socket.toLocal8Bit());
        qputenv("HOME", home.toLocal8Bit());
        return true;
    }
    ~Ssh() {
        Parar(sshd);
        Parar(agente);
    }
    QString knownHosts() const { return home + "/.ssh/known_hosts"; }
    // The address of a bare repository in the server's folder (made by the caller).
    QString url(const QString &ruta) const {
        return QStringLiteral("ssh://%1@127.0.0.1:%2%3").arg(Usuario()).arg(puerto).arg(ruta);
    }
    // Plain ssh, strict about host keys and reading only the test's known hosts: whether it gets in.
    bool sshEntra() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("HOME", home);
        return Correr(Programa("ssh"), {"-o", "BatchMode=yes", "-o", "StrictHostKeyChecking=yes", "-o",
                                        "UserKnownHostsFile=" + knownHosts(), "-o", "GlobalKnownHostsFile=/dev/null",
                                        "-F", "/dev/null", "-p", QString::number(puerto), Usuario() + "@127.0.0.1",
                                        "true"},
                      e)
            .has_value();
    }
};

} // namespace servidores
