// A sync against a server that stops answering: a real socket on this machine that takes the
// connection and never says a word. Each step has a time limit, "Cancelar" ends the sync at once,
// and closing the program ends it too, whatever the network does.
#include "Maquina.h"
#include "Programa.h"
#include "ServidorParado.h"
#include "history/Red.h"

#include <QElapsedTimer>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};

// A real git server (git daemon, one process a connection, as inetd runs it) behind a relay that
// passes its answers on a few bytes at a time, a pause between each: slow, never silent for long.
// Once `callarDesde` bytes went it passes nothing more, as a server that falls silent mid-answer.
struct Goteo {
    static constexpr int kTrozo = 16;
    Remoto remoto;
    const int pasoMs;
    const qint64 callarDesde;
    int escucha = -1;
    int puerto = 0;
    std::atomic_bool fin{false};
    std::atomic<qint64> pasados{0};
    std::atomic_int pasos{0}; // how many times bytes were passed on
    std::thread hilo;

    explicit Goteo(int paso, qint64 callar = -1) : pasoMs(paso), callarDesde(callar) {
        escucha = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        QVERIFY(::bind(escucha, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(escucha, 8) == 0 &&
                ::getsockname(escucha, reinterpret_cast<sockaddr *>(&a), &n) == 0);
        puerto = ntohs(a.sin_port);
        hilo = std::thread([this] { Servir(); });
    }
    ~Goteo() {
        fin = true;
        if (hilo.joinable())
            hilo.join();
        ::close(escucha);
    }
    QString url() const { return QStringLiteral("git://127.0.0.1:%1/biblioteca.git").arg(puerto); }

    void Servir() {
        // A daemon that ended early makes writing to it fail, not end the test.
        sigset_t tubo;
        sigemptyset(&tubo);
        sigaddset(&tubo, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &tubo, nullptr);
        while (!fin) {
            pollfd p{escucha, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int cliente = ::accept4(escucha, nullptr, nullptr, SOCK_CLOEXEC);
            if (cliente >= 0) {
                Pasar(cliente);
                ::close(cliente);
            }
        }
    }
    // One connection: what the client says goes to the daemon at once; the daemon's answer goes
    // back kTrozo bytes a step, one step each pasoMs.
    void Pasar(int cliente) {
        int entrada[2], salida[2];
        if (::pipe2(entrada, O_CLOEXEC) != 0 || ::pipe2(salida, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t acciones;
        posix_spawn_file_actions_init(&acciones);
        posix_spawn_file_actions_adddup2(&acciones, entrada[0], 0);
        posix_spawn_file_actions_adddup2(&acciones, salida[1], 1);
        QByteArray base = "--base-path=" + QFile::encodeName(remoto.dir.path());
        QByteArray args[] = {"git", "daemon", "--inetd", "--export-all", "--enable=receive-pack", base};
        char *argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                        args[5].data(), nullptr};
        pid_t pid = -1;
        const bool lanzado = ::posix_spawnp(&pid, "git", &acciones, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&acciones);
        ::close(entrada[0]);
        ::close(salida[1]);
        QByteArray pendiente;
        bool finDaemon = !lanzado;
        QElapsedTimer ultimo; // since bytes were last passed on
        ultimo.start();
        char buf[65536];
        while (!fin && !(finDaemon && pendiente.isEmpty())) {
            pollfd p[2] = {{cliente, POLLIN, 0}, {finDaemon ? -1 : salida[0], POLLIN, 0}};
            ::poll(p, 2, pasoMs);
            if (p[0].revents) {
                const ssize_t n = ::read(cliente, buf, sizeof buf);
                if (n <= 0)
                    break; // the client is gone
                for (ssize_t hecho = 0; hecho < n;) {
                    const ssize_t w = ::write(entrada[1], buf + hecho, size_t(n - hecho));
                    if (w <= 0)
                        break;
                    hecho += w;
                }
            }
            if (p[1].revents) {
                const ssize_t n = ::read(salida[0], buf, sizeof buf);
                if (n <= 0)
                    finDaemon = true;
                else
                    pendiente.append(buf, n);
            }
            const bool callado = callarDesde >= 0 && pasados >= callarDesde;
            if (!pendiente.isEmpty() && !callado && ultimo.hasExpired(pasoMs)) {
                const ssize_t w = ::send(cliente, pendiente.constData(), size_t(std::min<qsizetype>(kTrozo, pendiente.size())),
                                         MSG_NOSIGNAL);
                if (w <= 0)
                    break;
                pendiente.remove(0, w);
                pasados += w;
                ++pasos;
                ultimo.restart();
            }
        }
        ::close(entrada[1]);
        ::close(salida[0]);
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

// The schemes whose transports read the socket each in their own way; libssh2 reads it by itself,
// so only the watch can cut it.
void Esquemas() {
    QTest::addColumn<QString>("esquema");
    for (const char *e : {"http", "git", "ssh"})
        QTest::newRow(e) << QString::fromLatin1(e);
}

QPushButton *BotonCancelar(Maquina &m) {
    return m.w->findChild<QPushButton *>("cmdCancelarSincronizacion");
}
} // namespace

class tst_red : public QObject {
    Q_OBJECT
private slots:
    void init() { QCOMPARE(QApplication::activeModalWidget(), nullptr); }
    void cleanup() {
        git::red::setLimiteMs(30000);
        QCOMPARE(mensajes::Pendientes(), 0);
    }

    // A server that takes the connection and never answers: the sync ends with the time limit
    // said in Spanish, nothing changed here, and every command comes back.
    void servidorMudoAgotaElTiempo_data() { Esquemas(); }
    void servidorMudoAgotaElTiempo() {
        QFETCH(QString, esquema);
        Servidor mudo(Servidor::Mudo);
        git::red::setLimiteMs(300);
        Maquina m({{"Menus", kMenus}}, mudo.url(esquema));
        ayudas::Mensaje resumen;
        const git::Informe inf = m.sincronizar(&resumen);
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("el servidor no respondió a tiempo"), qPrintable(inf.error));
        QVERIFY2(resumen.texto.contains("el servidor no respondió a tiempo"), qPrintable(resumen.texto));
        QVERIFY(mudo.conexiones() > 0);
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
        QVERIFY(m.w->menuBar()->isEnabled());
        QVERIFY(!BotonCancelar(m)->isVisible());
    }

    // A server that answers a few bytes at a time, for many times the silence limit in all but
    // never silent for as long as it: the sync is not cut, and the remote gets the version.
    void remotoLentoPeroConstanteNoAgota() {
        if (QStandardPaths::findExecutable("git").isEmpty())
            QSKIP("git is not installed here to serve a real repository");
        constexpr int kLimite = 600, kPaso = 100;
        Goteo goteo(kPaso);
        git::red::setLimiteMs(kLimite);
        Maquina m({{"Menus", kMenus}}, goteo.url());
        const git::Informe inf = m.sincronizar();
        QVERIFY2(inf.ok, qPrintable(inf.error));
        // It did take longer than the limit: more steps than fit in it, twice over.
        QVERIFY2(goteo.pasos * kPaso > 2 * kLimite, qPrintable(QString::number(goteo.pasos)));
        QVERIFY(QFileInfo::exists(goteo.remoto.dir.filePath("biblioteca.git/refs/heads/main")));
    }

    // The same server falling silent once it has begun to answer: cut at the limit.
    void remotoQueSeCallaAgota() {
        if (QStandardPaths::findExecutable("git").isEmpty())
            QSKIP("git is not installed here to serve a real repository");
        Goteo goteo(100, 3 * Goteo::kTrozo);
        git::red::setLimiteMs(600);
        Maquina m({{"Menus", kMenus}}, goteo.url());
        const git::Informe inf = m.sincronizar();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("el servidor no respondió a tiempo"), qPrintable(inf.error));
        QVERIFY(goteo.pasados >= 3 * Goteo::kTrozo); // it had begun to answer
    }

    // "Cancelar" in the status bar, while the sync waits for the silent server: it ends at once
    // (the limit is far longer than the test waits) and says it was cancelled.
    void cancelarTerminaLaSincronizacion() {
        Servidor mudo(Servidor::Mudo);
        git::red::setLimiteMs(3600 * 1000);
        Maquina m({{"Menus", kMenus}}, mudo.url("http"));
        QSignalSpy fin(&m.versiones(), &Versiones::sincronizacionTerminada);
        ui(m.w)->mnuSincronizar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones() > 0, 30000);
        QPushButton *cancelar = BotonCancelar(m);
        QVERIFY(cancelar && cancelar->isVisible() && cancelar->isEnabled());
        QVERIFY(!m.w->menuBar()->isEnabled());
        ayudas::Mensaje resumen;
        ayudas::ContestarMensaje(QMessageBox::Ok, &resumen);
        cancelar->click();
        QVERIFY(fin.wait(30000) || !fin.isEmpty());
        const auto inf = fin.first().first().value<git::Informe>();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("se canceló"), qPrintable(inf.error));
        QVERIFY(resumen.texto.contains("se canceló"));
        QVERIFY(!cancelar->isVisible());
        QVERIFY(m.w->menuBar()->isEnabled());
    }

    // A cancelled sync does not cancel the next one: it goes to the server again.
    void laSiguienteSincronizacionNoNaceCancelada() {
        Servidor mudo(Servidor::Mudo);
        git::red::setLimiteMs(3600 * 1000);
        Maquina m({{"Menus", kMenus}}, mudo.url("git"));
        QSignalSpy fin(&m.versiones(), &Versiones::sincronizacionTerminada);
        ui(m.w)->mnuSincronizar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones() == 1, 30000);
        ayudas::ContestarMensaje(QMessageBox::Ok);
        BotonCancelar(m)->click();
        QVERIFY(fin.wait(30000) || !fin.isEmpty());
        git::red::setLimiteMs(300);
        const git::Informe inf = m.sincronizar();
        QCOMPARE(mudo.conexiones(), 2);
        QVERIFY2(inf.error.contains("el servidor no respondió a tiempo"), qPrintable(inf.error));
    }

    // The real program, in a process of its own, syncing with the silent server: SIGTERM ends
    // it, cleanly, and the next start takes the library and shows its window.
    void sigtermDuranteLaSincronizacion_data() { Esquemas(); }
    void sigtermDuranteLaSincronizacion() {
        QFETCH(QString, esquema);
        Servidor mudo(Servidor::Mudo);
        programa::Programa prog(mudo.url(esquema));
        prog.c.categoria("Menus", Bytes(kMenus));
        QVERIFY(prog.Iniciar(true));
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones() > 0, 30000);
        QVERIFY(prog.Terminar());
        QVERIFY(!QFileInfo::exists(prog.c.ruta("rutinero.lock")) ||
                mdlInicio::TomarInstancia(prog.c.dir.path()));
        QVERIFY(prog.Iniciar(false));
        QVERIFY(prog.Terminar());
        QCOMPARE(ayudas::LeerBytes(prog.c.estado.rutaCategoria("Menus")), Bytes(kMenus));
    }

    // A shared folder that hangs inside the kernel (here: its config file is a pipe nobody
    // writes, so opening it never returns): nothing can interrupt that read, yet SIGTERM still
    // ends the program, and the next start works.
    void carpetaColgadaNoRetieneElCierre() {
        QTemporaryDir remoto;
        QVERIFY(git::Repositorio::CrearRemoto(remoto.path()));
        const QByteArray config = QFile::encodeName(remoto.filePath("config"));
        QVERIFY(QFile::remove(remoto.filePath("config")));
        QVERIFY(::mkfifo(config.constData(), 0600) == 0);
        programa::Programa prog(remoto.path());
        prog.c.categoria("Menus", Bytes(kMenus));
        QVERIFY(prog.Iniciar(true));
        // The sync's thread is inside the kernel, waiting on the pipe.
        QTRY_VERIFY_WITH_TIMEOUT(BloqueadoEnLaTuberia(prog.p.processId()), 30000);
        QVERIFY(prog.Terminar());
        QVERIFY(prog.Iniciar(false));
        QVERIFY(prog.Terminar());
    }

private:
    // Whether a thread of the process is blocked opening a pipe.
    static bool BloqueadoEnLaTuberia(qint64 pid) {
        const QDir tareas(QStringLiteral("/proc/%1/task").arg(pid));
        for (const QString &t : tareas.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile wchan(tareas.filePath(t + "/wchan"));
            const QByteArray donde = wchan.open(QIODevice::ReadOnly) ? wchan.readAll() : QByteArray();
            if (donde.contains("wait_for_partner") || donde.contains("fifo_open"))
                return true;
        }
        return false;
    }
};

PROGRAMA_MAIN(tst_red)

#include "tst_red.moc"
