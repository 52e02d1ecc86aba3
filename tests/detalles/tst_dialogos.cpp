// The dialogs and messages a new user meets, on the real main window: the import and sync dialogs'
// folders, what copying and exporting say, and the window's name.
#include "Ayudas.h"
#include "core/Version.h"
#include "ui/Mensajes.h"
#include "ui/editor/frmScript.h"
#include "ui/frmSplash.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmSincronizar.h"

#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;

QString Mensaje(const frmPrincipal &w) { return ui(w)->barEstado->currentMessage(); }
} // namespace

class tst_dialogos : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QCOMPARE(mensajes::Pendientes(), 0);
        mensajes::VaciarCola();
    }

    // The import dialog names what it imports, and takes a folder typed or pasted: Enter there opens
    // the folder and imports nothing; a folder that is not there is said.
    void importarConRutaEscrita() {
        ayudas::VentanaConPreferencias v({{"Menus", {}}}, QString());
        ayudas::EscribirBytes(v.c.ruta("fuera/Ajax.rtn"), ayudas::Solos({"a"}));
        ayudas::EscribirBytes(v.c.ruta("fuera/vs.code-snippets"), R"({"Log": {"prefix": "log", "body": "x"}})");
        QString titulo;
        QStringList listados;
        std::shared_ptr<ayudas::Mensaje> falta;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *d = qobject_cast<frmExaminar *>(w);
            QVERIFY(d);
            titulo = d->windowTitle();
            d->txtCarpeta->setFocus();
            d->txtCarpeta->setText(v.c.ruta("no-esta"));
            falta = ayudas::Contestar(QMessageBox::Ok);
            QTest::keyClick(d->txtCarpeta, Qt::Key_Return);
            QVERIFY(d->isVisible());
            d->txtCarpeta->setText(v.c.ruta("fuera") + "/");
            QTest::keyClick(d->txtCarpeta, Qt::Key_Return);
            QVERIFY(d->isVisible()); // Enter in the field opened the folder, imported nothing
            QVERIFY(!QFileInfo::exists(v.c.estado.rutaCategoria("Ajax")));
            QCOMPARE(d->carpeta(), v.c.ruta("fuera"));
            for (int i = 0; i < d->flbArchivos->count(); ++i)
                listados << d->flbArchivos->item(i)->text();
            QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
        });
        ui(v.w)->mnuImportar->trigger();
        QCOMPARE(titulo, "Importar categorías");
        QVERIFY(falta && falta->visto);
        QVERIFY(falta->texto.startsWith("No se puede abrir la carpeta " + v.c.ruta("no-esta")));
        QCOMPARE(listados, (QStringList{"Ajax.rtn", "vs.code-snippets"}));
        QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Ajax", "vs"}));
    }

    // Every file of the folder already a category: nothing is copied and the dialog still closes.
    void importarSinNadaNuevoCierra() {
        ayudas::VentanaConPreferencias v({{"Menus", {}}}, QString());
        ayudas::EscribirBytes(v.c.ruta("fuera/Menus.rtn"), ayudas::Solos({"otro"}));
        bool abiertoTras = true;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *d = qobject_cast<frmExaminar *>(w);
            QVERIFY(d);
            d->setCarpeta(v.c.ruta("fuera"));
            QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
            abiertoTras = d->isVisible();
        });
        ui(v.w)->mnuImportar->trigger();
        QVERIFY(!abiertoTras);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), QByteArray());
    }

    // "Examinar…" puts the folder picked in the address.
    void sincronizacionExaminaUnaCarpeta() {
        ayudas::Carpeta c;
        QVERIFY(QDir().mkpath(c.ruta("usb/rutinero.git")));
        frmSincronizar dlg(c.estado);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.cmdExaminar->text(), QStringLiteral("E&xaminar…"));
        ayudas::ElegirArchivo(c.ruta("usb/rutinero.git"));
        QTest::mouseClick(dlg.cmdExaminar, Qt::LeftButton);
        QCOMPARE(dlg.txtRemoto->text(), c.ruta("usb/rutinero.git"));
        // Cancelled, the address stays.
        mensajes::Encolar([](QWidget *) { return int(QDialog::Rejected); });
        QTest::mouseClick(dlg.cmdExaminar, Qt::LeftButton);
        QCOMPARE(dlg.txtRemoto->text(), c.ruta("usb/rutinero.git"));
    }

    // A script without a name is copied all the same, and said so without one (tst_editor has the
    // named one).
    void copiarSinNombreDiceQueCopio() {
        ayudas::VentanaConPreferencias v({{"Menus", Registro("", "d", "x();", "1")}});
        v.seleccionar(0);
        auto e = v.editor(QStringLiteral("Ver"));
        ayudas::Pulsar(*e, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), "x();");
        QCOMPARE(Mensaje(*v.w), "Código copiado al portapapeles.");
    }

    void exportarDiceQueYDonde_data() {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("dice");
        QTest::newRow("editores") << "mnuExportarEditores" << "Menus.code-snippets"
                                  << "Exportar para editores: 2 scripts de la categoría Menus escritos en %1.";
        QTest::newRow("categoría") << "mnuMarkdown" << "Menus.md"
                                   << "Categoría en Markdown: 2 scripts de la categoría Menus escritos en %1.";
        QTest::newRow("biblioteca") << "mnuMarkdownBiblioteca" << "Rutinero.md"
                                    << "Biblioteca en Markdown: 3 scripts de 2 categorías escritos en %1.";
    }
    void exportarDiceQueYDonde() {
        QFETCH(QString, orden);
        QFETCH(QString, archivo);
        QFETCH(QString, dice);
        ayudas::VentanaConPreferencias v({{"Menus", ayudas::Solos({"a", "b"})}, {"Otra", ayudas::Solos({"c"})}});
        const QString ruta = v.c.ruta(archivo);
        ayudas::ElegirArchivo(ruta);
        v.w->findChild<QAction *>(orden)->trigger();
        QVERIFY(QFileInfo(ruta).size() > 0);
        QCOMPARE(Mensaje(*v.w), dice.arg(ruta));
    }

    void ventanaConservaSuNombre_data() {
        QTest::addColumn<bool>("minimizada");
        QTest::newRow("a la vista") << false;
        QTest::newRow("minimizada, como la deja --buscar") << true;
    }
    // An assistive tool reads the main window by its title, also while it waits minimised.
    void ventanaConservaSuNombre() {
        QFETCH(bool, minimizada);
        ayudas::Carpeta c;
        auto *splash = new frmSplash(c.estado);
        splash->Cargar(); // what a start for the quick search runs
        std::unique_ptr<frmPrincipal> w(splash->principal());
        delete splash;
        if (minimizada)
            w->showMinimized();
        else
            w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()) || minimizada);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w.get());
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), version::Titulo());
    }
};

QTEST_MAIN(tst_dialogos)
#include "tst_dialogos.moc"
