// Undo and redo in the main window: the keys and the script menu reach the open category's steps,
// name them, and the save commands, the title and the close question follow the saved point.
#include "Ayudas.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

using namespace ayudas;

namespace {
const QByteArray kMenus = Registro("Debounce", "espera", "a", "1") + Registro("Throttle", "limita", "b", "2") +
                          Registro("Fetch", "pide", "c", "3");

// The list has the keyboard, as after a click on it; a key goes where the user's would.
void Tecla(const frmPrincipal &w, QKeySequence atajo) {
    ui(w)->lstScripts->setFocus();
    QTest::keySequence(ui(w)->lstScripts, atajo);
}

QStringList Nombres(const VentanaConPreferencias &v) { return Textos(ui(v.w)->lstScripts); }

bool Guardable(const frmPrincipal &w) { return ui(w)->mnuGuardar->isEnabled() && ui(w)->botonMenu("guardar")->isEnabled(); }
} // namespace

class tst_deshacer : public QObject {
    Q_OBJECT
private slots:
    // Delete, then Ctrl+Z: the script is back in its place, selected, and nothing is pending; Ctrl+Y
    // and Ctrl+Shift+Z remove it again.
    void eliminarSeDeshaceConLaTecla() {
        VentanaConPreferencias v({{"Menus", kMenus}});
        QVERIFY(v.w->windowTitle().endsWith("[*]")); // where the title shows the unsaved-changes marker
        v.seleccionar(0);
        Tecla(*v.w, Qt::Key_Delete);
        QCOMPARE(Nombres(v), (QStringList{"Throttle", "Fetch"}));
        QVERIFY(Guardable(*v.w) && v.w->isWindowModified());
        QCOMPARE(ui(v.w)->mnuDeshacer->text(), QStringLiteral("Deshacer eliminar «Debounce»"));

        Tecla(*v.w, QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(Nombres(v), (QStringList{"Debounce", "Throttle", "Fetch"}));
        QCOMPARE(ui(v.w)->lstScripts->filaActual(), 0);
        QVERIFY(!Guardable(*v.w) && !v.w->isWindowModified());
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 3"));
        QCOMPARE(ui(v.w)->mnuRehacer->text(), QStringLiteral("Rehacer eliminar «Debounce»"));

        Tecla(*v.w, QKeySequence(QStringLiteral("Ctrl+Y")));
        QCOMPARE(Nombres(v), (QStringList{"Throttle", "Fetch"}));
        Tecla(*v.w, QKeySequence(QStringLiteral("Ctrl+Z")));
        Tecla(*v.w, QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
        QCOMPARE(Nombres(v), (QStringList{"Throttle", "Fetch"}));
        QVERIFY(Guardable(*v.w));
    }

    // Duplicates scattered through a long list go as one change of it: a row stays selected, and the
    // commands on it stay at hand, as after a removal row by row; the undo brings every one back.
    void eliminarMuchosDuplicadosDejaUnaFilaElegida() {
        QByteArray muchos;
        for (int i = 0; i < 300; ++i)
            muchos += i % 3 == 2 ? Registro(QByteArray::number(i - 2), "d", "otro", "1")
                                 : Registro(QByteArray::number(i), "d", "c", "1");
        VentanaConPreferencias v({{"Menus", muchos}});
        v.seleccionar(7);
        EliminarDuplicados(*v.w);
        QCOMPARE(Nombres(v).size(), 200);
        QCOMPARE(ui(v.w)->lstScripts->filaActual(), 7);
        QVERIFY(ui(v.w)->mnuCodEditar->isEnabled());
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 200"));
        ui(v.w)->mnuDeshacer->trigger();
        QCOMPARE(Nombres(v).size(), 300);
        QVERIFY(!Guardable(*v.w));
    }

    // Undo after a save makes the category changed again; closing then asks, and Esc stays.
    void deshacerTrasGuardarVuelveAPreguntar() {
        VentanaConPreferencias v({{"Menus", kMenus}});
        v.seleccionar(1);
        Tecla(*v.w, Qt::Key_Delete);
        v.guardar();
        QVERIFY(!Guardable(*v.w) && !v.w->isWindowModified());
        ui(v.w)->mnuDeshacer->trigger();
        QVERIFY(Guardable(*v.w) && v.w->isWindowModified());
        const auto pregunta = Contestar(QMessageBox::Cancel);
        QVERIFY(!v.w->PuedeCerrar());
        QCOMPARE(pregunta->texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        QCOMPARE(Nombres(v), (QStringList{"Debounce", "Throttle", "Fetch"}));
        // Back at the saved point nothing is pending: closing asks nothing.
        ui(v.w)->mnuRehacer->trigger();
        QVERIFY(!Guardable(*v.w));
        QVERIFY(v.w->PuedeCerrar());
    }

    // The pop-up menu of the list offers the same two commands as the script menu.
    void elMenuEmergenteOfreceDeshacer() {
        VentanaConPreferencias v({{"Menus", kMenus}});
        const QList<QAction *> acciones = ui(v.w)->mnuCodigo->actions();
        QVERIFY(acciones.contains(ui(v.w)->mnuDeshacer) && acciones.contains(ui(v.w)->mnuRehacer));
        QVERIFY(!ui(v.w)->mnuDeshacer->isEnabled() && !ui(v.w)->mnuRehacer->isEnabled());
    }

    // Opening another category ends the steps of the one before: nothing of it can be undone there.
    void cambiarDeCategoriaTerminaLosPasos() {
        VentanaConPreferencias v({{"Menus", kMenus}, {"Otra", Registro("Uno", "d", "c", "1")}});
        v.seleccionar(0);
        Tecla(*v.w, Qt::Key_Delete);
        ContestarMensaje(QMessageBox::No);
        v.abrir("Otra");
        QCOMPARE(Nombres(v), QStringList{"Uno"});
        QVERIFY(!ui(v.w)->mnuDeshacer->isEnabled());
        Tecla(*v.w, QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(Nombres(v), QStringList{"Uno"});
        QCOMPARE(v.archivo("Menus"), kMenus); // No threw the removal away
    }
};

QTEST_MAIN(tst_deshacer)
#include "tst_deshacer.moc"
