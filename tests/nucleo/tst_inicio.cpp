// Start and shutdown: folders made, preferences read once and written once, one instance. (A failed
// save that stays pending is tried on closing the real window in tst_caminos.)
#include "Ayudas.h"
#include "ui/frmSplash.h"
#include "core/mdlINI.h"
#include "ui/mdlInicio.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

using ayudas::ui;

class tst_inicio : public QObject {
    Q_OBJECT
private slots:
    void arranqueYCierreSinArchivos() {
        ayudas::Carpeta c;
        frmSplash splash(c.estado);
        splash.Startup();
        frmPrincipal *w = splash.principal();
        QVERIFY(w && !w->isVisible() && QFileInfo(c.estado.carpetaCategorias()).isDir()); // folders made first
        QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 5000);
        QVERIFY(!splash.isVisible());
        QCOMPARE(w->entradasPanel(), QStringList{"Todas"});
        QVERIFY(!ui(w)->lstCat->topLevelItemCount() && !ui(w)->mnuGuardar->isEnabled() &&
                ui(w)->lblMenu3->text() == "(Ninguna)");
        QSignalSpy fin(w, &frmPrincipal::terminado);
        w->close();
        QCOMPARE(fin.count(), 1);
        QVERIFY(ayudas::LeerBytes(c.estado.rutaConfig()).endsWith("[Panel]\r\nCategor\xed" "as=1\r\nNombre0=Todas\r\n"));
        delete w;
    }

    void preferenciasAlArrancar() {
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(),
                              "[Categor\xed" "a]\r\nMostrar=me\r\nMostrarTodas=0\r\n[Panel]\r\nCategor\xed" "as=2\r\n"
                              "Nombre0=Todas\r\nNombre1=me\r\n");
        c.categoria(QStringLiteral("Menus"), {});
        c.categoria(QStringLiteral("Imagenes"), {});
        const QStringList panel = mdlINI::CargarPreferencias(c.estado);
        frmPrincipal w(c.estado);
        w.setEntradasPanel(panel, c.estado.Mostrar);
        QCOMPARE(ui(w)->cboCat->currentText(), QStringLiteral("me"));
        QCOMPARE(ayudas::Textos(ui(w)->lstCat), QStringList{"Menus"});
        w.close();
        QVERIFY(ayudas::LeerBytes(c.estado.rutaConfig()).contains("Mostrar=me\r\n"));
    }

    void unaSolaInstancia() {
        QTemporaryDir dir, otra;
        auto primera = mdlInicio::TomarInstancia(dir.path());
        QVERIFY(primera);
        QVERIFY(!mdlInicio::TomarInstancia(dir.path()));
        QVERIFY(mdlInicio::TomarInstancia(otra.path())); // another application folder is another program
        primera.reset();
        QVERIFY(mdlInicio::TomarInstancia(dir.path()));
    }
};

QTEST_MAIN(tst_inicio)
#include "tst_inicio.moc"
