// A library on a disk that is full before the program starts: the program starts, says once that
// changes cannot be saved, and a category opens. (Searching and viewing write nothing; their own
// tests are in tst_herramientas and tst_editor.) The disk is a real small tmpfs
// filled to the last byte (mounted as root, or inside a user namespace of the test's own).
#include "Ayudas.h"
#include "DiscoLleno.h"
#include "ui/Mensajes.h"
#include "ui/frmSplash.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlInicio.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>

using namespace ayudas;

namespace {
const char *const kEnEspacio = "RUTINERO_EN_ESPACIO";

QByteArray Tres() {
    return Registro("s01", "uno", "codigo uno", "1") + Registro("s02", "dos", "codigo dos", "1") +
           Registro("s03", "tres", "codigo tres", "1");
}
} // namespace

class tst_discoalinicio : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    void arrancaConElDiscoLlenoYSoloLee() {
        ::umask(022);
        RUTINERO_MONTAR(montaje, 8 << 20, kEnEspacio);
        const QString carpeta = montaje.dir.path();
        EscribirBytes(carpeta + "/Categorias/Menus.rtn", Tres());
        EscribirBytes(carpeta + "/Categorias/Otra.rtn", Registro("o1", "", "x", "1"));
        EscribirBytes(carpeta + "/Preferencias/config.ini", "[Categor\xed" "a]\r\nMostrar=Todas\r\n");
        Llenar(carpeta);
        if (QTest::currentTestFailed())
            return;

        // The lock needs no room.
        QString error;
        const auto instancia = mdlInicio::TomarInstancia(carpeta, &error);
        QVERIFY2(instancia, qPrintable(error));
        QVERIFY(error.isEmpty());

        // The start as the program makes it: the splash, then the main window and what follows it.
        Estado estado;
        estado.carpeta = carpeta;
        const auto aviso = Contestar(QMessageBox::Ok);
        auto *splash = new frmSplash(estado);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->Startup();
        std::unique_ptr<frmPrincipal> w(splash->principal());
        w->IniciarIndice(); // as the program does once the window exists
        QTRY_VERIFY(w->isVisible());
        QTRY_VERIFY(aviso->visto);
        QVERIFY2(aviso->texto.contains(QStringLiteral("está lleno")), qPrintable(aviso->texto));
        QVERIFY2(aviso->texto.contains(QStringLiteral("no se podrán guardar")), qPrintable(aviso->texto));
        QCOMPARE(aviso->icono, QMessageBox::Warning);

        // Open: the category's scripts are listed and counted.
        QCOMPARE(Textos(ui(w)->lstCat), (QStringList{"Menus", "Otra"}));
        QTreeWidgetItem *menus = Buscar(ui(w)->lstCat, "Menus");
        Clic(ui(w)->lstCat, menus);
        QTest::mouseDClick(ui(w)->lstCat->viewport(), Qt::LeftButton, {},
                           ui(w)->lstCat->visualItemRect(menus).center());
        QCOMPARE(Textos(ui(w)->lstScripts), (QStringList{"s01", "s02", "s03"}));
        QCOMPARE(ui(w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 3"));

        // Closing with nothing changed writes nothing the user must hear about but the preferences,
        // which cannot be written either: that is said, and the window still goes.
        ContestarMensaje(QMessageBox::Ok);
        QVERIFY(w->close());
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(tst_discoalinicio)
#include "tst_discoalinicio.moc"
