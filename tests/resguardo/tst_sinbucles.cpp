// No event runs in the middle of a command: a save waiting for the folder another real thread holds
// (as the sync's write step does) runs no timer nor the stop signal until it is done.
#include "Ayudas.h"
#include "format/DuenoCarpeta.h"
#include "format/Recuperacion.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlInicio.h"
#include "ui/tools/frmMover.h"

#include <QtTest>
#include <QtWidgets>
#include <csignal>
#include <functional>
#include <future>
#include <thread>

using ayudas::Registro;
using ayudas::ui;

namespace {
const QByteArray kMenus = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2") + Registro("tres", "d", "c3", "3");
const QByteArray kSinDos = Registro("uno", "d", "c1", "1") + Registro("tres", "d", "c3", "3");

// Another thread holding the folder, as the sync's write step does. Once the save waits (Soltar), it
// runs `antes` and holds on for a write step's while, cut short by Basta, then lets go.
class Tenedor {
public:
    explicit Tenedor(DuenoCarpeta &d, std::function<void()> antes = {}) {
        hilo_ = std::thread([&d, this, antes] {
            const auto toma = d.Tomar();
            tomada_.release();
            soltar_.acquire();
            if (antes)
                antes();
            basta_.tryAcquire(1, 1000);
        });
        tomada_.acquire();
    }
    ~Tenedor() {
        Soltar();
        Basta();
        hilo_.join();
    }
    void Soltar() {
        if (!soltado_.exchange(true))
            soltar_.release();
    }
    void Basta() { basta_.release(); }

private:
    QSemaphore tomada_, soltar_, basta_;
    std::atomic_bool soltado_{false};
    std::thread hilo_;
};

// Menus open in file order with "dos" deleted, a change waiting to be saved; the folder's writer.
struct ConCambio : ayudas::VentanaPrincipal {
    DuenoCarpeta &dueno = DuenoCarpeta::De(c.estado.carpetaCategorias());
    ConCambio() : VentanaPrincipal({{"Menus", kMenus}}) {
        w->setOpcionMarcada(1, false);
        abrir("Menus");
        seleccionarScript("dos");
        w->EliminarS();
        QVERIFY(ayudas::HayCambios(*w));
    }
};

// Runs `f` in the window's thread when the save starts waiting for the folder (the status bar says
// so, from inside the save).
QMetaObject::Connection AlEsperar(frmPrincipal &w, std::function<void()> f) {
    return QObject::connect(ui(w)->barEstado, &QStatusBar::messageChanged, ui(w)->barEstado,
                            [f](const QString &texto) {
                                if (texto.startsWith(QStringLiteral("Esperando a que la sincronización")))
                                    f();
                            });
}
} // namespace

class tst_sinbucles : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    // A timer due while the save waits runs only after the save, and finds it done.
    void guardarEsperaSinQueCorraUnTemporizador() {
        ConCambio v;
        Tenedor tenedor(v.dueno);
        bool corrio = false, conCambios = true;
        AlEsperar(*v.w, [&] {
            QTimer::singleShot(0, v.w.get(), [&] {
                corrio = true;
                conCambios = ayudas::HayCambios(*v.w);
                tenedor.Basta();
            });
            tenedor.Soltar();
        });
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QVERIFY(!corrio);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), kSinDos);
        QTRY_VERIFY(corrio);
        QVERIFY(!conCambios);
    }

    // A real SIGTERM while the save waits is acted on after it: nothing is left to recover.
    void sigtermDuranteLaEsperaNoDejaRecuperacion() {
        ConCambio v;
        mdlInicio::ConectarFin(*v.w);
        QSignalSpy terminado(v.w.get(), &frmPrincipal::terminado);
        Tenedor tenedor(v.dueno, [] { ::raise(SIGTERM); });
        connect(v.w.get(), &frmPrincipal::terminado, this, [&tenedor] { tenedor.Basta(); });
        AlEsperar(*v.w, [&] { tenedor.Soltar(); });
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QVERIFY(terminado.isEmpty());
        QTRY_COMPARE(terminado.count(), 1);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), kSinDos);
        QVERIFY(recuperacion::Pendientes(v.c.estado).isEmpty());
    }

    // A sync that holds the folder too long: the save gives up at the bound, the change still pending.
    void esperaAcotadaFallaYDejaElCambio() {
        ConCambio v;
        const int limite = v.dueno.limiteEspera();
        v.dueno.setLimiteEspera(100);
        Tenedor tenedor(v.dueno);
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::Mensaje fallo;
        ayudas::ContestarMensaje(QMessageBox::Ok, &fallo);
        ui(v.w)->mnuGuardar->trigger();
        v.dueno.setLimiteEspera(limite);
        QVERIFY2(fallo.texto.contains("la sincronización sigue escribiendo"), qPrintable(fallo.texto));
        QVERIFY(fallo.texto.contains("Los cambios siguen pendientes"));
        QVERIFY(ayudas::HayCambios(*v.w));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), kMenus);
    }

    // A save that fails for real shows why with the folder let go, for a sync to take meanwhile.
    void falloSeMuestraConLaCarpetaLibre() {
        ConCambio v;
        const QString ruta = v.c.estado.rutaCategoria("Menus");
        QVERIFY(QFile::remove(ruta) && QDir().mkpath(ruta + "/dentro"));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        QString texto;
        bool libre = false;
        std::future<void> otro;
        mensajes::Encolar([&](QWidget *w) {
            texto = qobject_cast<QMessageBox *>(w)->text();
            otro = std::async(std::launch::async, [&v] { const auto toma = v.dueno.Tomar(); });
            libre = otro.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
            return int(QMessageBox::Ok);
        });
        ui(v.w)->mnuGuardar->trigger();
        otro.wait();
        QVERIFY2(texto.startsWith("No se pudo guardar la categoría Menus"), qPrintable(texto));
        QVERIFY(libre);
        QVERIFY(ayudas::HayCambios(*v.w));
    }

    // The move dialog: a timer due during the move runs after it, and finds the script gone from
    // the open list and the change marked, never one without the other.
    void moverMarcaSinQueCorraUnTemporizador() {
        ayudas::VentanaPrincipal v({{"Menus", kMenus}, {"Otra", Registro("x", "d", "cx", "1")}});
        v.w->setOpcionMarcada(1, false);
        v.abrir("Menus");
        v.seleccionarScript("dos");
        frmMover d(*v.w);
        d.show();
        ayudas::Elegir(d.cboImagen, "Otra");
        int corrio = 0;
        bool conCambios = false;
        QStringList filas;
        QTimer::singleShot(0, &d, [&] {
            ++corrio;
            conCambios = ayudas::HayCambios(*v.w);
            filas = v.scripts();
        });
        QTest::mouseClick(d.cmdPegar, Qt::LeftButton);
        QCOMPARE(corrio, 0);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Otra")),
                 Registro("x", "d", "cx", "1") + Registro("dos", "d", "c2", "2"));
        QTRY_COMPARE(corrio, 1);
        QCOMPARE(filas, (QStringList{"uno", "tres"}));
        QVERIFY(conCambios);
    }
};

QTEST_MAIN(tst_sinbucles)
#include "tst_sinbucles.moc"
