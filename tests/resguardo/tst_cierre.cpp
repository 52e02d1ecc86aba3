// Closing the real main window while its sync is stuck on a real server of this machine that takes
// the connection and then stalls, or waits for a password: the history thread is waited for and
// ends, nothing of it outlives the window (run under AddressSanitizer too), and the password it
// asked for is answered "no" by the closing itself, before any box could wait on it.
#include "../historial/Maquina.h"
#include "history/Historial.h"
#include "history/Red.h"
#include "ui/Mensajes.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};

// A server on 127.0.0.1 in a thread of its own (the window's thread is busy closing while it
// serves). It takes every connection and, as its mode says, never answers, answers the first
// request partway and stalls, or asks every request for a user name and password.
class Servidor {
public:
    enum Modo { Mudo, AMedias, PideClave };
    explicit Servidor(Modo modo) : modo_(modo) {
        escucha_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        QVERIFY(::bind(escucha_, reinterpret_cast<sockaddr *>(&a), n) == 0 && ::listen(escucha_, 8) == 0 &&
                ::getsockname(escucha_, reinterpret_cast<sockaddr *>(&a), &n) == 0 && ::pipe2(fin_, O_CLOEXEC) == 0);
        puerto_ = ntohs(a.sin_port);
        hilo_ = std::thread([this] { Atender(); });
    }
    ~Servidor() {
        [[maybe_unused]] const auto n = ::write(fin_[1], "x", 1);
        hilo_.join();
        for (const Cliente &c : clientes_)
            ::close(c.fd);
        ::close(escucha_);
        ::close(fin_[0]);
        ::close(fin_[1]);
    }
    QString url(const QString &esquema) const {
        return QStringLiteral("%1://127.0.0.1:%2/biblioteca.git").arg(esquema).arg(puerto_);
    }
    int conexiones() const { return conexiones_; }
    int cerradas() const { return cerradas_; } // by the other side
    int respuestas() const { return respuestas_; }
    bool conClave() const { return conClave_; } // a request came with credentials

private:
    struct Cliente {
        int fd;
        QByteArray leido;
    };
    void Atender() {
        for (;;) {
            std::vector<pollfd> p{{fin_[0], POLLIN, 0}, {escucha_, POLLIN, 0}};
            for (const Cliente &c : clientes_)
                p.push_back({c.fd, POLLIN, 0});
            if (::poll(p.data(), p.size(), -1) < 0)
                continue;
            if (p[0].revents)
                return;
            if (p[1].revents) {
                const int fd = ::accept4(escucha_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    clientes_.push_back({fd, {}});
                    ++conexiones_;
                }
            }
            for (size_t i = 2; i < p.size(); ++i)
                if (p[i].revents)
                    Leer(clientes_[i - 2]);
            for (auto it = clientes_.begin(); it != clientes_.end();)
                if (it->fd < 0)
                    it = clientes_.erase(it);
                else
                    ++it;
        }
    }
    void Leer(Cliente &c) {
        char b[4096];
        const ssize_t n = ::recv(c.fd, b, sizeof b, 0);
        if (n <= 0) {
            ::close(c.fd);
            c.fd = -1;
            ++cerradas_;
            return;
        }
        c.leido.append(b, int(n));
        if (modo_ == Mudo || !c.leido.contains("\r\n\r\n"))
            return;
        conClave_ = conClave_ || c.leido.contains("\nAuthorization:");
        c.leido.clear();
        const QByteArray respuesta =
            modo_ == PideClave
                ? QByteArray("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"biblioteca\"\r\n"
                             "Content-Length: 0\r\n\r\n")
                : QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/x-git-upload-pack-advertisement\r\n"
                             "Content-Length: 4096\r\n\r\n001e# service=git-upload-pack\n0000");
        if (modo_ == AMedias && respuestas_ > 0)
            return;
        [[maybe_unused]] const auto e = ::send(c.fd, respuesta.constData(), size_t(respuesta.size()), MSG_NOSIGNAL);
        ++respuestas_;
    }

    const Modo modo_;
    int escucha_ = -1;
    int fin_[2] = {-1, -1};
    int puerto_ = 0;
    std::vector<Cliente> clientes_; // the server's thread only
    std::atomic_int conexiones_{0}, cerradas_{0}, respuestas_{0};
    std::atomic_bool conClave_{false};
    std::thread hilo_;
};

// The threads of this process with that name (QThread names its thread after its object).
int Hilos(const QByteArray &nombre) {
    int n = 0;
    const QDir tareas(QStringLiteral("/proc/self/task"));
    for (const QString &t : tareas.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tareas.filePath(t + "/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == nombre)
            ++n;
    }
    return n;
}
} // namespace

class tst_cierre : public QObject {
    Q_OBJECT
private slots:
    void init() {
        git::red::setLimiteMs(3600 * 1000); // only closing can end these syncs
        // Closing never leaves a thread that a cancel can reach.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("history thread is stuck")));
    }
    void cleanup() {
        git::red::setLimiteMs(30000);
        QCOMPARE(mensajes::Pendientes(), 0);
    }

    // The sync waits on a server that stalls (silent from the start, or after part of its answer):
    // closing cuts its connections and waits for the thread, which ends.
    void cerrarConElServidorParadoTerminaElHilo_data() {
        QTest::addColumn<QString>("esquema");
        QTest::addColumn<int>("modo");
        QTest::newRow("http mudo") << "http" << int(Servidor::Mudo);
        QTest::newRow("git mudo") << "git" << int(Servidor::Mudo);
        QTest::newRow("ssh mudo") << "ssh" << int(Servidor::Mudo);
        QTest::newRow("http a medias") << "http" << int(Servidor::AMedias);
    }
    void cerrarConElServidorParadoTerminaElHilo() {
        QFETCH(QString, esquema);
        QFETCH(int, modo);
        Servidor servidor{Servidor::Modo(modo)};
        const int antes = Hilos("historial");
        Maquina m({{"Menus", kMenus}}, servidor.url(esquema));
        QCOMPARE(Hilos("historial"), antes + 1);
        ui(m.w)->mnuSincronizar->trigger();
        if (modo == Servidor::AMedias)
            QTRY_VERIFY_WITH_TIMEOUT(servidor.respuestas() > 0, 30000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(servidor.conexiones() > 0, 30000);
        QVERIFY(m.versiones().sincronizando());
        m.w.reset();
        QTRY_COMPARE(Hilos("historial"), antes);
        QTRY_COMPARE(servidor.cerradas(), servidor.conexiones());
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
    }

    // The server asks for a password and the thread waits for it; the window closes before the box
    // could show: the wait is answered "no" by the closing, no credentials leave, the thread ends,
    // and no box opens afterwards for a window that is gone.
    void cerrarConLaClavePedidaLaCancela() {
        Servidor servidor(Servidor::PideClave);
        const int antes = Hilos("historial");
        Maquina m({{"Menus", kMenus}}, servidor.url("http"));
        int cajas = 0;
        const auto sinRespuesta = mensajes::SinRespuesta([&cajas](QWidget *) {
            ++cajas;
            return int(QDialog::Rejected);
        });
        ui(m.w)->mnuSincronizar->trigger();
        // Waited for here without running any event: the box asking for it cannot come up.
        const QDeadlineTimer limite(30000);
        while (!m.versiones().esperandoClave() && !limite.hasExpired())
            QThread::msleep(5);
        QVERIFY(m.versiones().esperandoClave());
        m.w.reset();
        QTRY_COMPARE(Hilos("historial"), antes);
        QCoreApplication::processEvents();
        mensajes::SinRespuesta(sinRespuesta);
        QCOMPARE(cajas, 0);
        QCOMPARE(servidor.respuestas(), 1);
        QVERIFY(!servidor.conClave());
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
    }

    // The link between the thread and the window, on real threads: a question asked after it
    // closed is "no" at once and reaches nobody; one waiting when it closes is woken with "no",
    // and a late answer to it is dropped.
    void enlaceCerradoDiceQueNo() {
        std::atomic_int preguntas{0}, avances{0};
        std::atomic<quint64> numero{0};
        Interlocutor enlace([&](const QString &, int, int) { ++avances; },
                            [&](quint64 n, const QString &, const QString &, bool) {
                                ++preguntas;
                                numero = n;
                            });
        bool respuesta = true;
        std::thread esperando([&] {
            git::Clave clave;
            respuesta = enlace.PedirClave("http://x", false, &clave);
        });
        const QDeadlineTimer limite(30000);
        while (!enlace.preguntando() && !limite.hasExpired())
            QThread::msleep(1);
        QVERIFY(enlace.preguntando());
        enlace.Cerrar();
        esperando.join();
        QVERIFY(!respuesta);
        enlace.Responder(numero, git::Clave{QStringLiteral("u"), QStringLiteral("c"), false});

        std::thread tarde([&] {
            git::Clave clave;
            respuesta = enlace.PedirClave("http://x", false, &clave);
            enlace.MostrarAvance("tarde", 1, 2);
        });
        tarde.join();
        QVERIFY(!respuesta);
        QCOMPARE(preguntas.load(), 1);
        QCOMPARE(avances.load(), 0);
    }
};

QTEST_MAIN(tst_cierre)
#include "tst_cierre.moc"
