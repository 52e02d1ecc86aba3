// A save asked for while a real sync holds the folder for its write step waits, says so, and then
// asks about the file the sync rewrote instead of writing over what it brought in.
#include "../historial/Maquina.h"
#include "format/DuenoCarpeta.h"
#include "ui/Mensajes.h"

#include <QStatusBar>
#include <atomic>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
} // namespace

class tst_guardarsincronizando : public QObject {
    Q_OBJECT
private slots:
    void guardarDuranteLaSincronizacionEsperaYPregunta() {
        Remoto remoto;
        Maquina a{{{"Menus", kMenus}}, remoto.url};
        Maquina b{{}, remoto.url};
        QVERIFY(a.sincronizar().ok);
        QVERIFY(b.sincronizar().ok);
        a.abrir("Menus");
        a.editar("b", "2A");
        a.guardar();
        QVERIFY(a.sincronizar().ok);
        b.abrir("Menus");

        // The sync's thread stops once it holds the folder, until the save is seen waiting for it.
        std::atomic<bool> tomada{false};
        QSemaphore seguir;
        DuenoCarpeta &dueno = DuenoCarpeta::De(b.categorias());
        auto enlace = connect(
            &dueno, &DuenoCarpeta::tomada, &dueno,
            [&] {
                if (QThread::currentThread() == qApp->thread())
                    return;
                tomada = true;
                seguir.acquire();
            },
            Qt::DirectConnection);
        bool esperoConAviso = false;
        connect(ui(b.w)->barEstado, &QStatusBar::messageChanged, this, [&](const QString &texto) {
            if (texto.startsWith("Esperando a que la sincronización") && !esperoConAviso) {
                esperoConAviso = true;
                seguir.release();
            }
        });

        QSignalSpy fin(&b.versiones(), &Versiones::sincronizacionTerminada);
        ui(b.w)->mnuSincronizar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(tomada.load(), 60000);
        // A script brought back by the history window while the sync runs: a change of the open category.
        b.w->AgregarPendientes({Rec("n", "nuevo")}, false);
        QVERIFY(ayudas::HayCambios(*b.w));

        // The save question, the changed-on-disk question and the sync's summary come in an order that
        // depends on when the sync's thread ends: each is answered by what it says.
        QString cambiado;
        for (int i = 0; i < 3; ++i)
            mensajes::Encolar([&](QWidget *w) {
                const QString texto = qobject_cast<QMessageBox *>(w) ? qobject_cast<QMessageBox *>(w)->text() : QString();
                if (texto.startsWith("¿Guardar cambios"))
                    return int(QMessageBox::Yes);
                if (texto.contains("ha cambiado el archivo")) {
                    cambiado = texto;
                    return int(QMessageBox::SaveAll); // Conservar ambas
                }
                return int(QMessageBox::Ok);
            });
        ui(b.w)->mnuGuardar->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!fin.isEmpty(), 60000);
        disconnect(enlace);
        QCOMPARE(mensajes::Pendientes(), 0);

        QVERIFY(esperoConAviso);
        QVERIFY2(cambiado.contains("ha cambiado el archivo de la categoría Menus"), qPrintable(cambiado));
        // What the sync brought stays; the user's list is kept beside it, nothing lost.
        QCOMPARE(b.bytes("Menus"), Bytes({Rec("a", "1"), Rec("b", "2A")}));
        QCOMPARE(b.bytes("Menus copia"), Bytes({Rec("a", "1"), Rec("b", "2"), Rec("n", "nuevo")}));
        QVERIFY(!ayudas::HayCambios(*b.w));
    }

    // A file rewritten behind the window (as a sync's write step does) is shown again when the list
    // has no change of its own; with one, the list keeps the user's change until its save is decided.
    void releerRespetaLosCambiosPendientes() {
        Maquina m{{{"Menus", kMenus}}};
        m.abrir("Menus");
        ayudas::EscribirBytes(m.c.estado.rutaCategoria("Menus"), Bytes({Rec("a", "1"), Rec("b", "2A")}));
        m.w->ReleerCategorias({"Menus.rtn"});
        QCOMPARE(ayudas::Buscar(ui(m.w)->lstScripts, "b").siblingAtColumn(vista::ColCodigo).data(Qt::EditRole).toString(), "2A");

        m.w->AgregarPendientes({Rec("n", "nuevo")}, false);
        ayudas::EscribirBytes(m.c.estado.rutaCategoria("Menus"), Bytes({Rec("a", "1"), Rec("b", "2B")}));
        m.w->ReleerCategorias({"Menus.rtn"});
        QVERIFY(ayudas::Buscar(ui(m.w)->lstScripts, "n").isValid());
        QVERIFY(ayudas::HayCambios(*m.w));
    }
};

QTEST_MAIN(tst_guardarsincronizando)
#include "tst_guardarsincronizando.moc"
