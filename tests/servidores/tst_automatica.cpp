// Syncs nobody asked for: the window's timer, and `--sincronizar` from a terminal or a systemd timer.
#include "../historial/Maquina.h"
#include "Instalado.h"
#include "core/mdlINI.h"
#include "ui/mdlInicio.h"
#include "ui/Mensajes.h"
#include "ui/tools/frmSincronizar.h"

#include <QCheckBox>
#include <QProcess>
#include <QSpinBox>
#include <QStatusBar>

using ayudas::ui;
using servidores::Instalado;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
} // namespace

class tst_automatica : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { mensajes::VaciarCola(); }

    // Off unless chosen; the preference is kept in config.ini, and a broken value is off.
    void cadaNMinutosSeGuarda_data() {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<int>("leido");
        QTest::newRow("15") << "15" << 15;
        QTest::newRow("negativo") << "-3" << 0;
        QTest::newRow("enorme") << "99999999" << 0;
        QTest::newRow("texto") << "mucho" << 0;
    }
    void cadaNMinutosSeGuarda() {
        QFETCH(QString, escrito);
        QFETCH(int, leido);
        ayudas::Carpeta c;
        QDir().mkpath(c.estado.carpetaPreferencias());
        ayudas::EscribirBytes(c.estado.rutaConfig(), "[Sincronizar]\r\nRemoto=/x\r\nCada=" + escrito.toUtf8() + "\r\n");
        mdlINI::CargarPreferencias(c.estado);
        QCOMPARE(c.estado.SincronizarCada, leido);
    }

    // Chosen in "Configurar sincronización", the timer is set at once.
    void elegidoEnElDialogo() {
        Remoto remoto;
        Maquina a({{"Menus", kMenus}}, remoto.url);
        QCOMPARE(a.versiones().esperaAutomatica(), 0);
        ayudas::AlAbrirseModal([](QWidget *w) {
            auto *d = qobject_cast<frmSincronizar *>(w);
            QVERIFY(d);
            QVERIFY(!d->cheCada->isChecked());
            QVERIFY(!d->txtMinutos->isEnabled());
            d->cheCada->setChecked(true);
            d->txtMinutos->setValue(15);
            d->cmdAceptar->click();
        });
        QVERIFY(a.versiones().Configurar());
        QCOMPARE(a.c.estado.SincronizarCada, 15);
        QCOMPARE(a.versiones().esperaAutomatica(), 15 * 60000);
    }

    // The timer's sync waits while a change is not saved, then runs without a single question.
    void automaticaEsperaLoPendienteYNoPregunta() {
        Remoto remoto;
        Maquina a({{"Menus", kMenus}}, remoto.url, 1, [](Estado &e) { e.SincronizarCada = 5; });
        QCOMPARE(a.versiones().esperaAutomatica(), 5 * 60000);
        a.abrir("Menus");
        a.editar("a", "cambiado");
        QVERIFY(!a.versiones().SincronizarSola());
        QVERIFY(a.mensajes().size() >= 1);
        a.guardar();
        QSignalSpy fin(&a.versiones(), &Versiones::sincronizacionTerminada);
        QVERIFY(a.versiones().SincronizarSola());
        QVERIFY(fin.wait(60000));
        QVERIFY(fin.first().first().value<git::Informe>().ok);
        QCOMPARE(mensajes::Pendientes(), 0); // no box was shown (one would have taken the catch-all)
        QVERIFY2(a.w->statusBar()->currentMessage().startsWith("Sincronización automática"),
                 qPrintable(a.w->statusBar()->currentMessage()));
        git::Repositorio r;
        QVERIFY(r.Abrir(remoto.dir.filePath("biblioteca.git"), false));
        QVERIFY(!r.Mensajes().isEmpty());
    }

    // A failing remote makes the next try wait longer, and says so in one quiet line.
    void automaticaQueFallaEsperaMas() {
        QTemporaryDir vacia;
        Maquina a({{"Menus", kMenus}}, vacia.filePath("no-existe.git"), 1, [](Estado &e) { e.SincronizarCada = 2; });
        QSignalSpy fin(&a.versiones(), &Versiones::sincronizacionTerminada);
        QVERIFY(a.versiones().SincronizarSola());
        QVERIFY(fin.wait(60000));
        QVERIFY(!fin.first().first().value<git::Informe>().ok);
        QCOMPARE(a.versiones().esperaAutomatica(), 2 * 2 * 60000);
        QVERIFY2(a.w->statusBar()->currentMessage().startsWith("Sincronización automática sin hacer: No se encuentra"),
                 qPrintable(a.w->statusBar()->currentMessage()));
    }

    // From a terminal with no display: the summary in Spanish, 0 on success, the reason otherwise.
    void sincronizarDesdeLaTerminal() {
        Remoto remoto;
        Instalado i(remoto.url);
        ayudas::EscribirBytes(i.estado.rutaCategoria("Menus"), Bytes(kMenus));
        QByteArray salida, errores;
        QCOMPARE(i.sincronizar(&salida, &errores), 0);
        QVERIFY2(salida.startsWith("Sincronización terminada con " + remoto.url.toUtf8()), salida.constData());
        git::Repositorio r;
        QVERIFY(r.Abrir(remoto.dir.filePath("biblioteca.git"), false));
        QVERIFY(!r.Mensajes().isEmpty());
    }
    // With the window open on the library, the terminal hands the sync to it: the window does it.
    void sincronizarConLaVentanaAbierta() {
        Remoto remoto;
        Instalado i(remoto.url);
        ayudas::EscribirBytes(i.estado.rutaCategoria("Menus"), Bytes(kMenus));
        QProcess ventana;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        ventana.setProcessEnvironment(e);
        ventana.start(i.programa, {"--buscar"});
        QVERIFY(ventana.waitForStarted(30000));
        // Up once it answers a call (a plain call only brings its window to the front).
        QTRY_VERIFY_WITH_TIMEOUT(mdlInicio::Presencia::Llamar(i.estado.carpeta), 30000);
        QByteArray salida, errores;
        QCOMPARE(i.sincronizar(&salida, &errores), 0);
        QVERIFY2(salida.startsWith("Rutinero está abierto con esta biblioteca"), salida.constData());
        git::Repositorio r;
        QVERIFY(r.Abrir(remoto.dir.filePath("biblioteca.git"), false));
        QTRY_VERIFY_WITH_TIMEOUT(!r.Mensajes().isEmpty(), 60000);
        QCOMPARE(ventana.state(), QProcess::Running);
        ventana.terminate();
        QVERIFY(ventana.waitForFinished(30000));
    }
    void sincronizarDesdeLaTerminalSinRemoto() {
        QTemporaryDir vacia;
        Instalado i(vacia.filePath("no-existe.git"));
        QByteArray salida, errores;
        QCOMPARE(i.sincronizar(&salida, &errores), 1);
        QVERIFY2(errores.contains("No se pudo sincronizar.") && errores.contains("No se encuentra la carpeta compartida"),
                 errores.constData());
    }
};

QTEST_MAIN(tst_automatica)
#include "tst_automatica.moc"
