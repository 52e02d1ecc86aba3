// The open category in view: the selected script's code below the list, and the score column sorted
// as numbers by a click on its header.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/main/Disposicion.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

using namespace ayudas;

namespace {
// The first code holds a double quote, stored as the file's token.
const QByteArray kTres = Registro("Uno", "primero", "alert(*RTN*uno*RTN*);", "10") +
                         Registro("Dos", "segundo", "<b>dos</b>", "6") + Registro("Tres", "tercero", "SELECT 3;", "");
} // namespace

class tst_vistacodigo : public QObject {
    Q_OBJECT
private slots:
    // The pane shows the current row's code, and follows the keyboard from row to row at once.
    void elPanelSigueLaFilaActual() {
        VentanaConPreferencias v({{"Menus", kTres}});
        const Controles *c = ui(*v.w);
        QVERIFY(c->txtVista->isVisible());
        QVERIFY(c->txtVista->isReadOnly());
        v.seleccionar(0);
        QCOMPARE(c->txtVista->texto(), QStringLiteral("alert(\"uno\");"));
        c->lstScripts->setFocus();
        QTest::keyClick(c->lstScripts, Qt::Key_Down);
        QCOMPARE(c->txtVista->texto(), QStringLiteral("<b>dos</b>"));
        QTest::keyClick(c->lstScripts, Qt::Key_End);
        QCOMPARE(c->txtVista->texto(), QStringLiteral("SELECT 3;"));
    }

    // A row removed leaves the pane showing the row that is current now, not the one that went.
    void filaEliminadaNoSeQuedaEnElPanel() {
        VentanaConPreferencias v({{"Menus", kTres}});
        const Controles *c = ui(*v.w);
        v.seleccionar(0);
        const QString ido = v.fila(0).Codigo;
        v.w->categoria().Restaurar({});
        QTRY_COMPARE(c->txtVista->texto(), QString());
        QVERIFY(c->txtVista->texto() != ido);
    }

    // F9 hides the pane and gives its room back to the list: the areas are those of a window that
    // never had it. F9 again shows it.
    void f9OcultaYMuestraElPanel() {
        VentanaConPreferencias v({{"Menus", kTres}});
        const Controles *c = ui(*v.w);
        const QRect conPanel = c->lstScripts->geometry().united(c->txtVista->geometry());
        const QRect area = disposicion::Leer(*v.w).lstScripts;
        QTest::keyClick(v.w.get(), Qt::Key_F9);
        QVERIFY(!c->txtVista->isVisible());
        QVERIFY(!c->mnuVerCodigo->isChecked());
        QCOMPARE(c->lstScripts->geometry(), conPanel);
        QCOMPARE(disposicion::Leer(*v.w).lstScripts, area);
        QTest::keyClick(v.w.get(), Qt::Key_F9);
        QVERIFY(c->txtVista->isVisible());
        QVERIFY(c->mnuVerCodigo->isChecked());
        QCOMPARE(c->lstScripts->geometry().united(c->txtVista->geometry()), conPanel);
        QVERIFY(c->txtVista->geometry().top() > c->lstScripts->geometry().bottom());
    }

    // Maximised and back, the list and the pane keep sharing the list's area without overlap.
    void alMaximizarSeReparten() {
        VentanaConPreferencias v({{"Menus", kTres}});
        const Controles *c = ui(*v.w);
        const QRect area = disposicion::Leer(*v.w).lstScripts;
        v.w->showMaximized();
        QTRY_VERIFY(v.w->isMaximized());
        QTRY_VERIFY(c->txtVista->geometry().top() > c->lstScripts->geometry().bottom());
        QVERIFY(c->txtVista->geometry().bottom() < c->fraMenu3->height());
        v.w->showNormal();
        QTRY_VERIFY(!v.w->isMaximized());
        QTRY_COMPARE(disposicion::Leer(*v.w).lstScripts, area);
    }

    // The choice is kept in config.ini, in a section of its own, and the next window starts so.
    void elPanelOcultoSeRecuerda() {
        Carpeta carpeta;
        QVERIFY(QDir().mkpath(carpeta.estado.carpetaPreferencias()));
        carpeta.estado.VerCodigo = false;
        QVERIFY(mdlINI::GuardarPreferencias(carpeta.estado, "Todas", {"Todas"}));
        QVERIFY(LeerBytes(carpeta.estado.rutaConfig()).contains("\r\n[Vista]\r\nCodigo=False\r\n"));
        carpeta.estado.VerCodigo = true;
        mdlINI::CargarPreferencias(carpeta.estado);
        QVERIFY(!carpeta.estado.VerCodigo);
        frmPrincipal w(carpeta.estado);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!ui(w)->txtVista->isVisible());
        // The list alone takes the area the list and the pane share in a window that shows it.
        carpeta.estado.VerCodigo = true;
        frmPrincipal conPanel(carpeta.estado);
        conPanel.resize(w.size());
        conPanel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&conPanel));
        QVERIFY(ui(conPanel)->txtVista->isVisible());
        QCOMPARE(ui(w)->lstScripts->geometry(),
                 ui(conPanel)->lstScripts->geometry().united(ui(conPanel)->txtVista->geometry()));
    }

    // A click on "P" sorts the scores as numbers: 6 before 10, an empty score last.
    void puntajeSeOrdenaComoNumero() {
        VentanaPrincipal v({{"Menus", kTres}});
        v.abrir("Menus");
        QHeaderView *cabecera = ui(*v.w)->lstScripts->header();
        QTest::mouseClick(cabecera->viewport(), Qt::LeftButton, {},
                          QPoint(cabecera->sectionViewportPosition(vista::ColPuntaje) + 4, cabecera->height() / 2));
        QCOMPARE(ui(*v.w)->lstScripts->header()->sortIndicatorSection(), int(vista::ColPuntaje));
        const QStringList orden = Textos(ui(*v.w)->lstScripts);
        QCOMPARE(orden, cabecera->sortIndicatorOrder() == Qt::AscendingOrder ? (QStringList{"Dos", "Uno", "Tres"})
                                                                             : (QStringList{"Tres", "Uno", "Dos"}));
    }
};

QTEST_MAIN(tst_vistacodigo)
#include "tst_vistacodigo.moc"
