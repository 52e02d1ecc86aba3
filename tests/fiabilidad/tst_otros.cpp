// Another program rewrites a category behind the program's back while changes are pending.
#include "Ayudas.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;
const QByteArray kMenus = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2");
const QByteArray kDeOtro = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2") +
                           Registro("del otro programa", "d", "x", "3");
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
        // Menus opened, "dos" deleted and pending; then another program rewrites the file.
        ayudas::VentanaPrincipal e({{"Menus", kMenus}, {"Otra", {}}});
        e.w->setOpcionMarcada(1, false);
        e.abrir("Menus");
        e.seleccionarScript("dos");
        e.w->EliminarS();
        QTest::qWait(20); // another time stamp, as a real editor's save would have
        ayudas::EscribirBytes(e.c.estado.rutaCategoria("Menus"), kDeOtro);
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
};

QTEST_MAIN(tst_otros)
#include "tst_otros.moc"
