// Other programs at work on the library while the program runs: a category rewritten behind its
// back while changes are pending, and files appearing in and disappearing from Categorias.
#include "Ayudas.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;
const QByteArray kMenus = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2");
const QByteArray kDeOtro = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2") +
                           Registro("del otro programa", "d", "x", "3");

// Menus opened, "dos" deleted and pending; then another program rewrites the file.
struct Escena : ayudas::VentanaPrincipal {
    Escena() : VentanaPrincipal({{"Menus", kMenus}, {"Otra", {}}}) {
        w->setOpcionMarcada(1, false);
        abrir("Menus");
        seleccionarScript("dos");
        w->EliminarS();
        QTest::qWait(20); // another time stamp, as a real editor's save would have
        ayudas::EscribirBytes(c.estado.rutaCategoria("Menus"), kDeOtro);
    }
};
} // namespace

class tst_otros : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    // Cancelar at the question: the other program's file stays, the changes stay pending.
    void cambiadaEnDiscoCancelarNoEscribe() {
        Escena e;
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::Cancel, &aviso);
        ui(e.w)->mnuGuardar->trigger();
        QVERIFY(aviso.texto.startsWith("Otro programa ha cambiado el archivo de la categoría Menus"));
        QCOMPARE(ayudas::LeerBytes(e.c.estado.rutaCategoria("Menus")), kDeOtro);
        QVERIFY(e.c.estado.sesion.HayCambios() && ui(e.w)->mnuGuardar->isEnabled());
    }

    // Sobrescribir: the list replaces the file, as the user chose.
    void cambiadaEnDiscoSobrescribir() {
        Escena e;
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::Save);
        ui(e.w)->mnuGuardar->trigger();
        QCOMPARE(e.enArchivo("Menus"), QStringList{"uno"});
        QVERIFY(!e.c.estado.sesion.HayCambios());
    }

    // Conservar ambas: the list becomes a new category and the other program's file is kept.
    void cambiadaEnDiscoConservarAmbas() {
        Escena e;
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::SaveAll);
        ui(e.w)->mnuGuardar->trigger();
        QCOMPARE(ayudas::LeerBytes(e.c.estado.rutaCategoria("Menus")), kDeOtro);
        QCOMPARE(e.enArchivo("Menus copia"), QStringList{"uno"});
        QCOMPARE(ui(e.w)->lblMenu3->text(), QStringLiteral("Menus copia"));
        QVERIFY(!e.c.estado.sesion.HayCambios());
        QVERIFY(ayudas::Buscar(ui(e.w)->lstCat, "Menus copia"));
    }

    // Our own save followed by another of ours asks nothing: only a foreign change counts.
    void guardarDosVecesNoPregunta() {
        ayudas::VentanaPrincipal v({{"Menus", kMenus}});
        v.w->setOpcionMarcada(1, false);
        v.abrir("Menus");
        for (const char *nombre : {"dos", "uno"}) {
            v.seleccionarScript(nombre);
            v.w->EliminarS();
            ayudas::ContestarMensaje(QMessageBox::Yes);
            ui(v.w)->mnuGuardar->trigger();
        }
        QVERIFY(v.enArchivo("Menus").isEmpty());
    }

    // Files added and removed by another program appear and go from the panel by themselves; the
    // selected entry and the open category stay as they were.
    void elPanelSigueALaCarpeta() {
        ayudas::VentanaPrincipal v({{"Menus", kMenus}, {"Zeta", {}}});
        v.abrir("Menus");
        v.seleccionar("Zeta");
        ayudas::EscribirBytes(v.c.estado.rutaCategoria("Nueva"), kMenus);
        QTRY_COMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Nueva", "Zeta"}));
        QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), QStringLiteral("Zeta"));
        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("Zeta")));
        QTRY_COMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Nueva"}));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(v.scripts().size(), 2);
    }
};

QTEST_MAIN(tst_otros)
#include "tst_otros.moc"
