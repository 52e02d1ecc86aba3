// Closing the main window while its sync is stuck on a real server that stalls or asks for a
// password: the history thread ends, and nothing of it outlives the window (run under ASan too).
#include "../historial/Maquina.h"
#include "../historial/ServidorParado.h"
#include "history/Historial.h"
#include "history/Red.h"
#include "ui/Mensajes.h"

#include <thread>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};

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

    // On a server that stalls (silent, or after part of its answer) closing cuts the connections.
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

    // The window closes while the thread waits for a password, before the box could show: the
    // closing answers "no", no credentials leave, and no box opens afterwards for a window gone.
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

    // The link between the thread and the window, on real threads: once closed, a waiting question
    // is woken with "no", a late answer is dropped, and a new question is "no" at once.
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
