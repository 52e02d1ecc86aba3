// Other programs at work on the library while the program runs: a category rewritten behind its
// back while changes are pending, and files appearing in and disappearing from Categorias.
#include "Ayudas.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
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

    // The question names the category. Cancelar: the other program's file stays, the changes stay
    // pending. Sobrescribir: the list replaces the file. Conservar ambas: the list becomes a new
    // category, opened, and the other program's file is kept.
    void cambiadaEnDiscoPregunta_data() {
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<QString>("listaEn");   // the category that holds the list afterwards, if any
        QTest::addColumn<bool>("menusDelOtro"); // Menus still as the other program wrote it
        QTest::newRow("Cancelar") << int(QMessageBox::Cancel) << "" << true;
        QTest::newRow("Sobrescribir") << int(QMessageBox::Save) << "Menus" << false;
        QTest::newRow("Conservar ambas") << int(QMessageBox::SaveAll) << "Menus copia" << true;
    }
    void cambiadaEnDiscoPregunta() {
        QFETCH(int, respuesta);
        QFETCH(QString, listaEn);
        QFETCH(bool, menusDelOtro);
        Escena e;
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::StandardButton(respuesta), &aviso);
        ui(e.w)->mnuGuardar->trigger();
        QVERIFY(aviso.texto.startsWith("Otro programa ha cambiado el archivo de la categoría Menus"));
        QCOMPARE(ayudas::LeerBytes(e.c.estado.rutaCategoria("Menus")) == kDeOtro, menusDelOtro);
        QCOMPARE(ayudas::HayCambios(*e.w), listaEn.isEmpty());
        QCOMPARE(ui(e.w)->mnuGuardar->isEnabled(), listaEn.isEmpty());
        if (listaEn.isEmpty())
            return;
        QCOMPARE(e.enArchivo(listaEn), QStringList{"uno"});
        QCOMPARE(ui(e.w)->lblMenu3->text(), listaEn);
        QVERIFY(ayudas::Buscar(ui(e.w)->lstCat, listaEn));
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

    // Files added and removed by another program appear and go from the panel by themselves, one
    // added listed last wherever its name sorts; the selected entry and the open category stay as they were.
    void elPanelSigueALaCarpeta() {
        ayudas::VentanaPrincipal v({{"Menus", kMenus}, {"Zeta", {}}});
        v.abrir("Menus");
        v.seleccionar("Zeta");
        ayudas::EscribirBytes(v.c.estado.rutaCategoria("Ajax"), kMenus);
        ayudas::EscribirBytes(v.c.estado.rutaCategoria("Nueva"), kMenus);
        QTRY_COMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Zeta", "Ajax", "Nueva"}));
        QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), QStringLiteral("Zeta"));
        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("Zeta")));
        QTRY_COMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Ajax", "Nueva"}));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(v.scripts().size(), 2);
    }
};

QTEST_MAIN(tst_otros)
#include "tst_otros.moc"
