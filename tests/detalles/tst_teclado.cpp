// The keyboard on the real main window: every menu reached by its letter, shortcuts for the commands
// that had none without taking a key of another, and the focus seen on lists and buttons.
#include "Ayudas.h"
#include "ui/EstiloFoco.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmSincronizar.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::ui;

// The letter after the "&" of a text, lowered; none when it has no mnemonic.
QChar Letra(const QString &texto) {
    for (int i = 0; i + 1 < texto.size(); ++i)
        if (texto[i] == '&' && texto[i + 1] != '&')
            return texto[i + 1].toLower();
    return {};
}

// The pixels of the widget's outer two-pixel ring that are the focus frame's colour.
int EnElMarco(QWidget *w) {
    const QImage imagen = w->grab().toImage();
    const QColor color = EstiloFoco::Color(w->palette());
    int n = 0;
    for (int y = 0; y < imagen.height(); ++y)
        for (int x = 0; x < imagen.width(); ++x) {
            const bool borde = x < 2 || y < 2 || x >= imagen.width() - 2 || y >= imagen.height() - 2;
            if (borde && imagen.pixelColor(x, y) == color)
                ++n;
        }
    return n;
}

QPalette Oscura() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 45));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}
} // namespace

class tst_teclado : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { EstiloFoco::Instalar(); } // as the program's start does

    // Every menu of the main window and every entry in it has its letter, none twice in one menu.
    // The undo pair names what it undoes, from the undo stack, and is reached by Ctrl+Z and Ctrl+Y.
    void cadaMenuConSusLetras() {
        ayudas::VentanaConPreferencias v({{"Menus", {}}, {"Otra", {}}});
        QList<QMenu *> menus;
        for (QAction *a : v.w->menuBar()->actions())
            if (a->menu())
                menus << a->menu();
        for (int i = 0; i < menus.size(); ++i) {
            QMenu *m = menus[i];
            QVERIFY2(!Letra(m->title()).isNull(), qPrintable(m->title()));
            QSet<QChar> usadas;
            for (QAction *a : m->actions()) {
                if (a->isSeparator() || a == ui(v.w)->mnuDeshacer || a == ui(v.w)->mnuRehacer)
                    continue;
                if (a->menu())
                    menus << a->menu();
                const QChar l = Letra(a->text());
                QVERIFY2(!l.isNull(), qPrintable(m->title() + " / " + a->text()));
                QVERIFY2(!usadas.contains(l), qPrintable(m->title() + " / " + a->text()));
                usadas.insert(l);
            }
        }
        QCOMPARE(menus.size(), 8); // the five of the bar and three sub-menus
    }

    void atajosSinRepetir_data() {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QKeySequence>("atajo");
        QTest::newRow("Sincronizar") << "mnuSincronizar" << QKeySequence(Qt::Key_F5);
        QTest::newRow("Historial") << "mnuHistorial" << QKeySequence(QStringLiteral("Ctrl+H"));
    }
    // The key works on the window, and no other command of it has that key.
    void atajosSinRepetir() {
        QFETCH(QString, orden);
        QFETCH(QKeySequence, atajo);
        ayudas::VentanaConPreferencias v({{"Menus", {}}, {"Otra", {}}});
        auto *accion = v.w->findChild<QAction *>(orden);
        QVERIFY(accion);
        QCOMPARE(accion->shortcut(), atajo);
        for (const QAction *otra : v.w->findChildren<QAction *>())
            if (otra != accion)
                QVERIFY2(!otra->shortcuts().contains(atajo), qPrintable(otra->objectName()));
        // Pressed on the window, it runs the command; what that opens is closed again.
        QSignalSpy dada(accion, &QAction::triggered);
        mensajes::Encolar([](QWidget *) { return int(QDialog::Rejected); });
        v.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.w.get()));
        QTest::keySequence(v.w.get(), atajo);
        QCOMPARE(dada.count(), 1);
        mensajes::VaciarCola();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != v.w.get() && w->isVisible())
                w->close();
    }

    void focoVisible_data() {
        QTest::addColumn<bool>("oscura");
        QTest::addColumn<bool>("boton"); // the sync dialog's Aceptar, else the category list
        for (bool oscura : {false, true}) {
            const QString paleta = oscura ? " oscura" : " clara";
            QTest::newRow(qPrintable("lista de categorías" + paleta)) << oscura << false;
            QTest::newRow(qPrintable("botón" + paleta)) << oscura << true;
        }
    }
    // With the focus a list or a button shows a frame of its own colour; without it, none.
    void focoVisible() {
        QFETCH(bool, oscura);
        QFETCH(bool, boton);
        const QPalette antes = QApplication::palette();
        const auto restaurar = qScopeGuard([antes] { QApplication::setPalette(antes); });
        if (oscura)
            QApplication::setPalette(Oscura());
        ayudas::VentanaConPreferencias v({{"Menus", {}}, {"Otra", {}}});
        frmSincronizar dlg(v.c.estado, v.w.get());
        if (boton)
            dlg.show();
        QWidget *ventana = boton ? static_cast<QWidget *>(&dlg) : v.w.get();
        QWidget *w = boton ? static_cast<QWidget *>(dlg.cmdAceptar) : ui(v.w)->lstCat;
        QWidget *otro = boton ? static_cast<QWidget *>(dlg.txtRemoto) : ui(v.w)->lstOp;
        ventana->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ventana));
        otro->setFocus();
        QTRY_VERIFY(!w->hasFocus());
        const int sin = EnElMarco(w);
        w->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(w->hasFocus());
        const int con = EnElMarco(w);
        // Most of the ring: its four sides.
        const int anillo = 2 * (w->width() + w->height());
        QVERIFY2(con > anillo / 2, qPrintable(QString("%1 de %2").arg(con).arg(anillo)));
        QVERIFY2(sin < anillo / 10, qPrintable(QString("%1 de %2").arg(sin).arg(anillo)));
    }
};

QTEST_MAIN(tst_teclado)
#include "tst_teclado.moc"
