// Start and shutdown: folders made first, the window shown, the preferences written once on closing.
// (A failed save that stays pending is tried on closing the real window in tst_caminos.)
#include "Ayudas.h"
#include "ui/frmSplash.h"
#include "ui/main/VistaScripts.h"
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
};

QTEST_MAIN(tst_inicio)
#include "tst_inicio.moc"
