// A sync against a server that stops answering: a real socket on this machine that takes the
// connection and never says a word. Each step has a time limit, "Cancelar" ends the sync at once,
// and closing the program ends it too, whatever the network does.
#include "Maquina.h"
#include "Programa.h"
#include "history/Red.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <sys/stat.h>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};

// Listens on 127.0.0.1, takes every connection and keeps it open without ever answering.
struct Mudo {
    QTcpServer servidor;
    int conexiones = 0;
    Mudo() {
        QObject::connect(&servidor, &QTcpServer::newConnection, &servidor, [this] {
            while (servidor.nextPendingConnection())
                ++conexiones; // kept by the server (its child) until it goes
        });
        QVERIFY(servidor.listen(QHostAddress::LocalHost));
    }
    QString url(const QString &esquema) const {
        return QStringLiteral("%1://127.0.0.1:%2/biblioteca.git").arg(esquema).arg(servidor.serverPort());
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
        Mudo mudo;
        git::red::setLimiteMs(300);
        Maquina m({{"Menus", kMenus}}, mudo.url(esquema));
        ayudas::Mensaje resumen;
        const git::Informe inf = m.sincronizar(&resumen);
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("el servidor no respondió a tiempo"), qPrintable(inf.error));
        QVERIFY2(resumen.texto.contains("el servidor no respondió a tiempo"), qPrintable(resumen.texto));
        QVERIFY(mudo.conexiones > 0);
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
        QVERIFY(m.w->menuBar()->isEnabled());
        QVERIFY(!BotonCancelar(m)->isVisible());
    }

    // "Cancelar" in the status bar, while the sync waits for the silent server: it ends at once
    // (the limit is far longer than the test waits) and says it was cancelled.
    void cancelarTerminaLaSincronizacion() {
        Mudo mudo;
        git::red::setLimiteMs(3600 * 1000);
        Maquina m({{"Menus", kMenus}}, mudo.url("http"));
        QSignalSpy fin(&m.versiones(), &Versiones::sincronizacionTerminada);
        ui(m.w)->mnuSincronizar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones > 0, 30000);
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
        Mudo mudo;
        git::red::setLimiteMs(3600 * 1000);
        Maquina m({{"Menus", kMenus}}, mudo.url("git"));
        QSignalSpy fin(&m.versiones(), &Versiones::sincronizacionTerminada);
        ui(m.w)->mnuSincronizar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones == 1, 30000);
        ayudas::ContestarMensaje(QMessageBox::Ok);
        BotonCancelar(m)->click();
        QVERIFY(fin.wait(30000) || !fin.isEmpty());
        git::red::setLimiteMs(300);
        const git::Informe inf = m.sincronizar();
        QCOMPARE(mudo.conexiones, 2);
        QVERIFY2(inf.error.contains("el servidor no respondió a tiempo"), qPrintable(inf.error));
    }

    // Closing the window while the sync waits for the silent server: the window goes at once
    // (nothing waits for the network) and the library is as it was.
    void cerrarDuranteLaSincronizacion() {
        Mudo mudo;
        git::red::setLimiteMs(3600 * 1000);
        Maquina m({{"Menus", kMenus}}, mudo.url("http"));
        ui(m.w)->mnuSincronizar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones > 0, 30000);
        m.w.reset();
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
        QCOMPARE(m.mensajes().size(), 1);
    }

    // The real program, in a process of its own, syncing with the silent server: SIGTERM ends
    // it, cleanly, and the next start takes the library and shows its window.
    void sigtermDuranteLaSincronizacion_data() { Esquemas(); }
    void sigtermDuranteLaSincronizacion() {
        QFETCH(QString, esquema);
        Mudo mudo;
        programa::Programa prog(mudo.url(esquema));
        prog.c.categoria("Menus", Bytes(kMenus));
        QVERIFY(prog.Iniciar(true));
        QTRY_VERIFY_WITH_TIMEOUT(mudo.conexiones > 0, 30000);
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

int main(int argc, char **argv) {
    if (programa::EsHijo())
        return programa::Hijo(argc, argv);
    QApplication app(argc, argv);
    tst_red t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_red.moc"
