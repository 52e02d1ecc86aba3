// Around the editor: the program's keys in the main window and the dialogs, Qt's own Spanish, the
// Spanish order of names, the command pictures and a dark desktop theme, on the real windows.
#include "Ayudas.h"
#include "ui/Traducciones.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"
#include "ui/tools/frmVerCat.h"

#include <Qsci/qscilexer.h>
#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Textos;
using ayudas::ui;

// A shown main window over its own folder, listing every category.
struct Ventana : ayudas::VentanaPrincipal {
    explicit Ventana(const QMap<QString, QByteArray> &categorias) : VentanaPrincipal(PorCrear{}) {
        for (auto it = categorias.cbegin(); it != categorias.cend(); ++it)
            c.categoria(it.key(), it.value());
        crear({"Todas", "b"});
    }
};

// The contrast ratio of two colours, from their relative luminance.
double Contraste(QRgb a, QRgb b) {
    const auto luminancia = [](QRgb c) {
        const auto canal = [](int v) {
            const double x = v / 255.0;
            return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * canal(qRed(c)) + 0.7152 * canal(qGreen(c)) + 0.0722 * canal(qBlue(c));
    };
    const double x = luminancia(a), y = luminancia(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// How far the text of a widget's area stands out from its background: the contrast ratio between
// the most common colour of the picture (the background) and the colour farthest from it.
double ContrasteTexto(QWidget *w, const QRect &zona) {
    const QImage img = w->grab(zona).toImage().convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> cuenta;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ++cuenta[img.pixel(x, y)];
    const QRgb fondo = std::max_element(cuenta.cbegin(), cuenta.cend()).key(); // the most common
    double mejor = 1.0;
    for (auto it = cuenta.cbegin(); it != cuenta.cend(); ++it)
        mejor = std::max(mejor, Contraste(fondo, it.key()));
    return mejor;
}

// A dark desktop theme: light text on dark grey, as Qt derives it from the buttons' colour.
QPalette PaletaOscura() {
    QPalette p(QColor(53, 53, 53));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}
} // namespace

class tst_entorno : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(CargarTraducciones(), 2); }

    void enterAbreLaCategoria() {
        Ventana v({{"Menus", Registro("uno", "d", "c", "1") + Registro("dos", "d", "c", "2")}, {"Otra", {}}});
        ui(v.w)->lstCat->setFocus();
        ui(v.w)->lstCat->setCurrentItem(ayudas::Buscar(ui(v.w)->lstCat, "Menus"));
        QTest::keyClick(ui(v.w)->lstCat, Qt::Key_Return);
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), 2);
    }

    void flechasElijenElFiltro() {
        Ventana v({{"alfa", {}}, {"beta", {}}});
        ui(v.w)->cboCat->setFocus();
        QTest::keyClick(ui(v.w)->cboCat->lineEdit(), Qt::Key_Down);
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("b"));
        QCOMPARE(Textos(ui(v.w)->lstCat), QStringList{"beta"});
        QTest::keyClick(ui(v.w)->cboCat->lineEdit(), Qt::Key_Up);
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("Todas"));
    }

    void laRuedaCambiaElFiltroSoloConFoco() {
        Ventana v({{"alfa", {}}, {"beta", {}}});
        auto rueda = [&] {
            const QPointF centro = ui(v.w)->cboCat->rect().center();
            QWheelEvent e(centro, ui(v.w)->cboCat->mapToGlobal(centro), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(ui(v.w)->cboCat, &e);
        };
        ui(v.w)->lstCat->setFocus();
        rueda();
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("Todas"));
        ui(v.w)->cboCat->setFocus();
        rueda();
        QCOMPARE(ui(v.w)->cboCat->currentText(), QStringLiteral("b"));
    }

    void moverDejaSalirConElTeclado_data() {
        QTest::addColumn<int>("tecla");
        QTest::addColumn<bool>("abierto");
        QTest::addColumn<bool>("fuera"); // the focus left the box
        QTest::newRow("Esc cierra") << int(Qt::Key_Escape) << false << true;
        QTest::newRow("Tab sigue") << int(Qt::Key_Tab) << true << true;
        QTest::newRow("una letra no elige") << int(Qt::Key_O) << true << false;
    }
    void moverDejaSalirConElTeclado() {
        QFETCH(int, tecla);
        QFETCH(bool, abierto);
        QFETCH(bool, fuera);
        Ventana v({{"Menus", Registro("uno", "d", "c", "1")}, {"Otra", {}}});
        v.abrir("Menus");
        frmMover d(*v.w);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.activateWindow();
        d.cboImagen->setFocus();
        QTest::keyClick(d.cboImagen, Qt::Key(tecla));
        QCOMPARE(d.isVisible(), abierto);
        QCOMPARE(d.cboImagen->currentIndex(), -1);
        if (abierto)
            QCOMPARE(!d.cboImagen->hasFocus(), fuera);
    }

    void moverEnterCopiaLoElegido() {
        Ventana v({{"Menus", Registro("uno", "d", "c", "1")}, {"Otra", {}}});
        v.abrir("Menus");
        frmMover d(*v.w);
        d.show();
        d.cboImagen->setCurrentIndex(d.cboImagen->findText("Otra"));
        emit d.cboImagen->activated(d.cboImagen->currentIndex());
        d.cboImagen->setFocus();
        QTest::keyClick(d.cboImagen, Qt::Key_Return);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Otra")), Registro("uno", "d", "c", "1"));
    }

    void enterEnLasCarpetasNoImporta() {
        Ventana v({{"Menus", {}}});
        const QString otra = v.c.ruta("Otra");
        for (const char *n : {"a.rtn", "b.rtn"})
            ayudas::EscribirBytes(otra + '/' + n, Registro("x", "", "", ""));
        frmExaminar d(*v.w);
        d.show();
        d.dirCarpeta->setFocus();
        d.dirCarpeta->setCurrentItem(d.dirCarpeta->findItems("Otra", Qt::MatchExactly).value(0));
        QTest::keyClick(d.dirCarpeta, Qt::Key_Return);
        QCOMPARE(d.carpeta(), QDir::cleanPath(otra));
        d.dirCarpeta->setCurrentRow(0); // ".."
        QTest::keyClick(d.dirCarpeta, Qt::Key_Enter);
        QCOMPARE(d.carpeta(), QDir::cleanPath(v.c.dir.path()));
        QVERIFY(d.isVisible());
        QVERIFY(!QFileInfo::exists(v.c.estado.rutaCategoria("a")));
    }

    // Qt's own windows and menus speak Spanish.
    void textosDeQtEnEspanol() {
        QFileDialog d(nullptr, QString(), QDir::tempPath());
        d.setOption(QFileDialog::DontUseNativeDialog);
        d.show();
        const auto *caja = d.findChild<QDialogButtonBox *>();
        QVERIFY(caja);
        QCOMPARE(caja->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
        QCOMPARE(caja->button(QDialogButtonBox::Open)->text(), QStringLiteral("&Abrir"));
        QLineEdit campo;
        std::unique_ptr<QMenu> menu(campo.createStandardContextMenu());
        QCOMPARE(menu->actions().first()->text().section(QLatin1Char('\t'), 0, 0), QStringLiteral("&Deshacer"));
    }

    void ordenEspanol() {
        QMap<QString, QByteArray> cats;
        QByteArray scripts;
        for (const char *letras : {"Zeta", "Ñandú", "nube", "Oso", "árbol", "Avión", "Nabo"}) {
            const QString n = QString::fromUtf8(letras);
            cats.insert(n, {});
            scripts += Registro(n.toLatin1(), "d", "c", "1");
        }
        cats.insert("Menus", scripts);
        Ventana v(cats);
        const QStringList orden{"árbol", "Avión", "Nabo", "nube", "Ñandú", "Oso", "Zeta"};
        QStringList categorias = Textos(ui(v.w)->lstCat);
        categorias.removeOne("Menus");
        QCOMPARE(categorias, orden);
        v.w->setOpcionMarcada(1, true);
        v.abrir("Menus");
        QCOMPARE(Textos(ui(v.w)->lstScripts), orden);
    }

    // Every command of the toolbars and of the editor shows a picture, the bundled one where the
    // desktop has no theme: a name missing from the resources leaves a blank button.
    void cadaOrdenConSuDibujo() {
        Ventana v({{"Menus", Registro("uno", "d", "c", "1")}});
        v.c.estado.ModoScript = QStringLiteral("Ver");
        v.abrir("Menus");
        frmScript e(*v.w);
        for (QWidget *barra : {static_cast<QWidget *>(ui(v.w)->barMenu), static_cast<QWidget *>(ui(v.w)->barScript),
                               static_cast<QWidget *>(e.barMenu)}) {
            QVERIFY(barra->actions().size() >= 5);
            for (const QAction *a : barra->actions())
                if (!a->isSeparator())
                    QVERIFY2(!a->icon().pixmap(24).isNull(), qPrintable(barra->objectName() + ' ' + a->objectName()));
        }
    }

    void textosLegiblesConTemaOscuro() {
        const QPalette antes = QApplication::palette();
        const auto restaurar = qScopeGuard([&] { QApplication::setPalette(antes); });
        QApplication::setPalette(PaletaOscura());
        Ventana v({{"Menus", Registro("uno", "d", "<p class=\"x\">hola</p>", "1") + Registro("dos", "d", "c", "2")}});
        v.w->setOpcionMarcada(1, false);
        v.abrir("Menus");
        // The panel configuration's filter box, with letters typed in it.
        frmVerCat d(*v.w);
        d.show();
        d.txtPanel->setEnabled(true);
        d.txtPanel->setText(QStringLiteral("abcdef"));
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY2(ContrasteTexto(d.txtPanel, d.txtPanel->rect().adjusted(4, 4, -4, -4)) >= 3.0, "filtro del panel");
        // The row just moved, with its drop mark, and the highlighted code of a view window.
        ui(v.w)->lstScripts->Seleccionar(1);
        v.w->SubirS();
        ui(v.w)->lstScripts->Seleccionar(-1);
        const QRect fila = ui(v.w)->lstScripts->visualRect(ui(v.w)->lstScripts->model()->index(0, 0));
        QVERIFY2(ContrasteTexto(ui(v.w)->lstScripts->viewport(), fila) >= 3.0, "fila marcada");
        v.c.estado.ModoScript = QStringLiteral("Ver");
        ui(v.w)->lstScripts->Seleccionar(ayudas::Buscar(ui(v.w)->lstScripts, "uno").row());
        frmScript e(*v.w);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(e.txtCodigo->lexer());
        const QWidget *vista = e.txtCodigo->viewport();
        const int margen = e.txtCodigo->marginWidth(0);
        QVERIFY2(ContrasteTexto(e.txtCodigo->viewport(), QRect(margen + 2, 0, vista->width() - margen - 4, 20)) >= 4.5,
                 "código resaltado");
        const QsciLexer *lexico = e.txtCodigo->lexer();
        for (int estilo = 0; estilo < 128; ++estilo) {
            if (!lexico->description(estilo).isEmpty())
                QVERIFY2(Contraste(lexico->color(estilo).rgb(), lexico->paper(estilo).rgb()) >= 4.5,
                         qPrintable(lexico->description(estilo)));
        }
    }
};

QTEST_MAIN(tst_entorno)
#include "tst_entorno.moc"
