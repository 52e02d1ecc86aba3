// Another local user's program, for the channel's tests (run as another user through setpriv).
//   intruso ocupar NOMBRE         listens on NOMBRE (a path, or an abstract name) before the owner does;
//                                 prints "escuchando", and once its standard input closes, one line
//                                 "llamada HEX" per connection it took, with the bytes it was sent.
//   intruso llamar NOMBRE TEXTO   connects to NOMBRE and sends a quick-search call for TEXTO, as a
//                                 second start does; prints "sin conexion", "respuesta HEX" or "cerrada".
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
void Decir(const QByteArray &linea) {
    std::fputs((linea + '\n').constData(), stdout);
    std::fflush(stdout);
}

int Ocupar(const QString &nombre) {
    QLocalServer servidor;
    if (!nombre.startsWith(QLatin1Char('/')))
        servidor.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!servidor.listen(nombre)) {
        Decir("no pudo escuchar " + servidor.errorString().toUtf8());
        return 2;
    }
    std::vector<std::pair<QLocalSocket *, std::shared_ptr<QByteArray>>> llamadas;
    const auto tomar = [&] {
        while (QLocalSocket *s = servidor.nextPendingConnection()) {
            auto datos = std::make_shared<QByteArray>();
            QObject::connect(s, &QLocalSocket::readyRead, s, [s, datos] { *datos += s->readAll(); });
            llamadas.emplace_back(s, datos);
        }
    };
    QObject::connect(&servidor, &QLocalServer::newConnection, &servidor, tomar);
    QSocketNotifier entrada(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&entrada, &QSocketNotifier::activated, &entrada, [&] {
        char c[64];
        if (::read(STDIN_FILENO, c, sizeof c) > 0)
            return;
        entrada.setEnabled(false);
        // What is still queued is taken and read before the count is told.
        bool agotado = false;
        while (servidor.waitForNewConnection(0, &agotado) && !agotado)
            tomar();
        for (auto &[s, datos] : llamadas) {
            while (s->state() == QLocalSocket::ConnectedState && s->waitForReadyRead(200))
                *datos += s->readAll();
            *datos += s->readAll();
            Decir("llamada " + datos->toHex());
        }
        QCoreApplication::quit();
    });
    Decir("escuchando");
    return QCoreApplication::exec();
}

int Llamar(const QString &nombre, const QString &texto) {
    QLocalSocket s;
    if (!nombre.startsWith(QLatin1Char('/')))
        s.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    s.connectToServer(nombre);
    if (!s.waitForConnected(5000)) {
        Decir("sin conexion");
        return 0;
    }
    s.write("buscar\n" + texto.toUtf8() + '\0');
    s.waitForBytesWritten(5000);
    // Done speaking, still listening: a listener that waits for the hang-up hears the end too.
    ::shutdown(int(s.socketDescriptor()), SHUT_WR);
    QByteArray respuesta;
    while (s.state() == QLocalSocket::ConnectedState && s.waitForReadyRead(5000))
        respuesta += s.readAll();
    respuesta += s.readAll();
    Decir(respuesta.isEmpty() ? QByteArray("cerrada") : "respuesta " + respuesta.toHex());
    return 0;
}
} // namespace

int main(int argc, char **argv) {
    std::signal(SIGPIPE, SIG_IGN); // a peer that hangs up is an answer, not a reason to die
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() == 3 && a[1] == QLatin1String("ocupar"))
        return Ocupar(a[2]);
    if (a.size() == 4 && a[1] == QLatin1String("llamar"))
        return Llamar(a[2], a[3]);
    std::fputs("uso: intruso ocupar NOMBRE | intruso llamar NOMBRE TEXTO\n", stderr);
    return 64;
}
