// The main window's resize rules as a plain function from the window's size and state to its areas.
#include "ui/main/Disposicion.h"

#include <QtTest>

using disposicion::Areas;
using disposicion::Entrada;

namespace {
Entrada Tamano(int ancho, int alto) {
    Entrada e;
    e.ancho = ancho;
    e.alto = alto;
    return e;
}

// Every area of the window with its name, for checks that run over all of them.
QVector<QPair<const char *, QRect>> Todas(const Areas &a) {
    return {{"barMenu", a.barMenu},     {"barEstado", a.barEstado}, {"picPaneles", a.picPaneles},
            {"Panel1", a.Panel1},       {"Panel2", a.Panel2},       {"lbl1", a.lbl1},
            {"cmdMCat", a.cmdMCat},     {"cmdM1", a.cmdM1},         {"cboCat", a.cboCat},
            {"lstCat", a.lstCat},       {"lbl2", a.lbl2},           {"cmdM2", a.cmdM2},
            {"lstOp", a.lstOp},         {"picMenu3", a.picMenu3},   {"Panel3", a.Panel3},
            {"lblMenu3", a.lblMenu3},   {"lblMenu3a", a.lblMenu3a}, {"cmdM3", a.cmdM3},
            {"cmdM4", a.cmdM4},         {"fraMenu4", a.fraMenu4},   {"barScript", a.barScript},
            {"fraMenu3", a.fraMenu3},   {"lstScripts", a.lstScripts}, {"lin2", a.lin2},
            {"lin1", a.lin1}};
}

// Right and bottom edges as lengths add up (QRect's right() is one less).
int Der(const QRect &r) { return r.x() + r.width(); }
int Abajo(const QRect &r) { return r.y() + r.height(); }

bool Dentro(const QRect &hijo, int anchoPadre, int altoPadre) {
    return hijo.x() >= 0 && hijo.y() >= 0 && Der(hijo) <= anchoPadre && Abajo(hijo) <= altoPadre;
}

// What a person sees at a size where everything fits: nothing negative, every area inside the one
// that holds it, neighbours apart, and the panels clear of the toolbar's rule and of the status bar.
void ComprobarOrden(const Entrada &e, const Areas &a) {
    for (const auto &[nombre, r] : Todas(a))
        QVERIFY2(r.width() >= 0 && r.height() >= 0, nombre);
    QVERIFY(Abajo(a.lin1) <= a.picPaneles.y());
    QCOMPARE(a.picMenu3.x(), Der(a.picPaneles));
    QCOMPARE(Der(a.picMenu3), e.ancho);
    // The panels' visible backgrounds end above the status bar.
    QVERIFY(a.picPaneles.y() + Abajo(a.Panel1) <= e.alto - e.altoEstado);
    QVERIFY(a.picMenu3.y() + Abajo(a.Panel3) <= e.alto - e.altoEstado);

    // Left panel: the category section above the options section, each inside its background.
    QVERIFY(Dentro(a.Panel1, a.picPaneles.width(), a.picPaneles.height()));
    for (const QRect &r : {a.lbl1, a.cmdMCat, a.cmdM1, a.cboCat, a.lstCat})
        QVERIFY(Dentro(r, a.Panel1.width(), a.Panel1.height()));
    QVERIFY(Abajo(a.cboCat) <= a.lstCat.y());
    QVERIFY(Der(a.cmdMCat) <= a.cmdM1.x());
    if (!e.izquierda) {
        QCOMPARE(a.Panel2.y(), Abajo(a.Panel1));
        QVERIFY(a.picPaneles.y() + Abajo(a.Panel2) <= e.alto - e.altoEstado);
        QVERIFY(Dentro(a.Panel2, a.picPaneles.width(), a.picPaneles.height()));
        for (const QRect &r : {a.lbl2, a.cmdM2, a.lstOp})
            QVERIFY(Dentro(r.translated(0, -a.Panel2.y()), a.Panel2.width(), a.Panel2.height()));
        QVERIFY(Abajo(a.lbl2) <= a.lstOp.y());
    }

    // Right panel: header, toolbar frame (while shown), list frame, list inside it.
    QVERIFY(Dentro(a.Panel3, a.picMenu3.width(), a.picMenu3.height()));
    for (const QRect &r : {a.lblMenu3a, a.lblMenu3, a.fraMenu3})
        QVERIFY(Dentro(r, a.Panel3.width(), a.Panel3.height()));
    QVERIFY(Dentro(a.cmdM4, a.Panel3.width(), a.Panel3.height()));
    QVERIFY(Der(a.lblMenu3) <= a.cmdM3.x());
    QVERIFY(Abajo(a.lblMenu3a) <= a.fraMenu3.y());
    if (e.topFraMenu3 == 1200) {
        QVERIFY(Dentro(a.fraMenu4, a.Panel3.width(), a.Panel3.height()));
        QVERIFY(Dentro(a.barScript, a.fraMenu4.width(), a.fraMenu4.height()));
        QVERIFY(Abajo(a.lblMenu3a) <= a.fraMenu4.y());
    }
    QVERIFY(Dentro(a.lstScripts, a.fraMenu3.width(), a.fraMenu3.height()));
}
} // namespace

class tst_disposicion : public QObject {
    Q_OBJECT
private slots:
    void tamanoDeDiseno() {
        const Entrada e;
        const Areas a = disposicion::Calcular(e);
        // Left panel: 6180 - (270 + 570 + 60); the options section takes 1890 + 60 of it.
        QCOMPARE(a.picPaneles, QRect(0, 640, 2475, 5280));
        QCOMPARE(a.Panel1, QRect(0, 0, 2415, 3330));
        QCOMPARE(a.lstCat, QRect(120, 780, 2175, 2420));
        QCOMPARE(a.Panel2.y(), 3330);
        QCOMPARE(a.lbl2.y(), 3450);
        QCOMPARE(a.cmdM2.y(), 3460);
        QCOMPARE(a.lstOp, QRect(120, 3765, 2175, 1300));
        // Right panel: the rest of the width.
        QCOMPARE(a.picMenu3, QRect(2475, 640, 6240, 5280));
        QCOMPARE(a.Panel3.size(), QSize(6180, 5220));
        QCOMPARE(a.fraMenu4.width(), 5940);
        QCOMPARE(a.barScript.width(), 5700);
        QCOMPARE(a.fraMenu3, QRect(120, 1200, 5940, 3880));
        QCOMPARE(a.lstScripts, QRect(120, 240, 5700, 3480));
        QCOMPARE(a.lblMenu3a.width(), 5940);
        QCOMPARE(a.cmdM3.x(), 5630);
        QCOMPARE(a.cmdM4.x(), 5850);
        QCOMPARE(a.lin2, QRect(0, 590, 8715, 15));
        QCOMPARE(a.lin1, QRect(0, 600, 8715, 15));
        QCOMPARE((QVector<int>{a.colNombre, a.colDescripcion, a.colCodigo, a.colPuntaje}),
                 (QVector<int>{1700, 3200, 0, 400}));
        QVERIFY(a.verEHabilitado);
        ComprobarOrden(e, a);
    }

    void maximizadaYRestaurada() {
        Entrada e = Tamano(19200, 11400);
        e.maximizada = true;
        const Areas max = disposicion::Calcular(e);
        QCOMPARE((QVector<int>{max.colNombre, max.colDescripcion, max.colCodigo, max.colPuntaje}),
                 (QVector<int>{2300, 5500, 0, 400}));
        QVERIFY(!max.verEHabilitado);
        ComprobarOrden(e, max);
        e = Entrada();
        const Areas normal = disposicion::Calcular(e, max);
        QCOMPARE((QVector<int>{normal.colNombre, normal.colDescripcion, normal.colCodigo, normal.colPuntaje}),
                 (QVector<int>{1700, 3200, 0, 400}));
        QVERIFY(normal.verEHabilitado);
        // Nothing of the big layout stays behind.
        QCOMPARE(normal.picMenu3, disposicion::Calcular(Entrada()).picMenu3);
        QCOMPARE(normal.lstScripts, disposicion::Calcular(Entrada()).lstScripts);
    }

    void minimizadaNoCambiaNada() {
        const Areas antes = disposicion::Calcular(Tamano(12000, 9000));
        Entrada e = Tamano(0, 0);
        e.minimizada = true;
        const Areas a = disposicion::Calcular(e, antes);
        for (int i = 0; i < Todas(a).size(); ++i)
            QCOMPARE(Todas(a)[i].second, Todas(antes)[i].second);
        QCOMPARE(a.verEHabilitado, antes.verEHabilitado);
    }

    void masAnchaEnMil() {
        const Areas a = disposicion::Calcular(Entrada());
        const Areas b = disposicion::Calcular(Tamano(8715 + 1000, 6180), a);
        for (auto [x, y] : {std::pair{a.picMenu3, b.picMenu3}, {a.Panel3, b.Panel3}, {a.fraMenu3, b.fraMenu3},
                            {a.fraMenu4, b.fraMenu4}, {a.barScript, b.barScript}, {a.lstScripts, b.lstScripts},
                            {a.lblMenu3a, b.lblMenu3a}}) {
            QCOMPARE(y.width(), x.width() + 1000);
            QCOMPARE(y.x(), x.x());
            QCOMPARE(y.height(), x.height());
        }
        QCOMPARE(b.cmdM3.x(), a.cmdM3.x() + 1000);
        QCOMPARE(b.cmdM4.x(), a.cmdM4.x() + 1000);
        QCOMPARE(b.picPaneles, a.picPaneles);
        QCOMPARE(b.Panel1, a.Panel1);
        QCOMPARE(b.lstCat, a.lstCat);
        QCOMPARE(Der(b.lin1), 9715);
        // Taller by 1000: both panels and both lists grow by as much, the options list keeps 1300.
        const Areas c = disposicion::Calcular(Tamano(8715, 7180), a);
        QCOMPARE(c.picPaneles.height(), a.picPaneles.height() + 1000);
        QCOMPARE(c.lstCat.height(), a.lstCat.height() + 1000);
        QCOMPARE(c.lstOp.y(), a.lstOp.y() + 1000);
        QCOMPARE(c.lstOp.height(), 1300);
        QCOMPARE(c.lstScripts.height(), a.lstScripts.height() + 1000);
    }

    void opcionesOcultas() {
        Entrada e;
        e.izquierda = true;
        const Areas a = disposicion::Calcular(e);
        QCOMPARE(a.Panel1.height(), a.picPaneles.height() - 60);
        QCOMPARE(a.lstCat.height(), a.Panel1.height() - 910);
        ComprobarOrden(e, a);

        // The command keeps 930 where the resize rule keeps 910; the next resize puts 910 back.
        const Areas visto = disposicion::Calcular(Entrada());
        const Areas oculto = disposicion::VerOpciones(visto, false);
        QCOMPARE(oculto.lstCat.height(), visto.picPaneles.height() - 990);
        const Areas otraVez = disposicion::VerOpciones(oculto, true);
        QCOMPARE(otraVez.lstCat.height(), visto.picPaneles.height() - (visto.Panel2.height() + 990));
        QCOMPARE(otraVez.Panel2.y(), otraVez.Panel1.height());
        QCOMPARE(otraVez.lbl2.y(), otraVez.Panel1.height() + 120);
        QCOMPARE(otraVez.cmdM2.y(), otraVez.Panel1.height() + 130);
        QCOMPARE(otraVez.lstOp.y(), otraVez.Panel1.height() + 435);
        QCOMPARE(disposicion::Calcular(Entrada(), otraVez).lstCat, visto.lstCat);
    }

    void barraDeEstadoOculta() {
        Entrada e;
        e.altoEstado = 0;
        e.alto = 6180 - 270; // the window shrinks by the bar
        const Areas a = disposicion::Calcular(e);
        const Areas con = disposicion::Calcular(Entrada());
        QCOMPARE(a.picPaneles, con.picPaneles);
        QCOMPARE(a.lstScripts, con.lstScripts);
        // Same window height, no bar: the panels reach down to 60 above the bottom edge.
        e.alto = 6180;
        const Areas b = disposicion::Calcular(e);
        QCOMPARE(b.picPaneles.height(), 6180 - 570 - 60);
        QCOMPARE(b.Panel3.height(), b.picPaneles.height() - 60);
        ComprobarOrden(e, b);
    }

    void barraDeScripts() {
        const Areas a = disposicion::Calcular(Entrada());
        const Areas oculta = disposicion::BarraScripts(a, false);
        QCOMPARE(oculta.fraMenu3.y(), 360);
        QCOMPARE(oculta.fraMenu3.height(), a.fraMenu3.height() + 840);
        QCOMPARE(oculta.lstScripts.height(), a.lstScripts.height() + 840);
        Entrada e;
        e.topFraMenu3 = 360;
        // The resize rule agrees with the command, and keeps the frame in the toolbar's place.
        const Areas b = disposicion::Calcular(e, oculta);
        QCOMPARE(b.fraMenu3, oculta.fraMenu3);
        QCOMPARE(b.lstScripts, oculta.lstScripts);
        ComprobarOrden(e, b);
        const Areas vuelta = disposicion::BarraScripts(oculta, true);
        QCOMPARE(vuelta.fraMenu3, a.fraMenu3);
        QCOMPARE(vuelta.lstScripts, a.lstScripts);
    }

    void sinBarraPrincipal() {
        Entrada e;
        e.altoBarra = 0;
        const Areas a = disposicion::Calcular(e);
        QCOMPARE(a.picPaneles.height(), 6180 - 270 - 60);
        ComprobarOrden(e, a);
    }

    void muchosTamanos() {
        // From a little over the smallest size that holds every area up to a wall of screens, with
        // every combination of state, the areas stay in order.
        for (int ancho : {7400, 8715, 9000, 12345, 28800, 96000})
            for (int alto : {4400, 6180, 7001, 16200, 64000})
                for (int estado : {0, 270, 345})
                    for (bool izquierda : {false, true})
                        for (int top : {1200, 360}) {
                            Entrada e = Tamano(ancho, alto);
                            e.altoEstado = estado;
                            e.izquierda = izquierda;
                            e.topFraMenu3 = top;
                            e.maximizada = ancho > 20000;
                            ComprobarOrden(e, disposicion::Calcular(e));
                            if (QTest::currentTestFailed())
                                qWarning("%d x %d, barra de estado %d, izquierda %d, fraMenu3 %d", ancho, alto,
                                         estado, izquierda, top);
                            if (QTest::currentTestFailed())
                                return;
                        }
    }

    void diminutaNoDaLongitudesNegativas() {
        // A window smaller than its areas: a length that would be negative is not applied, the area
        // keeps what it had, and the rest still follows the window.
        const Areas previa = disposicion::Calcular(Entrada());
        for (auto [ancho, alto] : {std::pair{0, 0}, {100, 100}, {2475, 1000}, {3000, 1500}, {1, 7000}, {8715, 2000}}) {
            const Areas a = disposicion::Calcular(Tamano(ancho, alto), previa);
            for (const auto &[nombre, r] : Todas(a))
                QVERIFY2(r.width() >= 0 && r.height() >= 0, nombre);
            QCOMPARE(a.picPaneles.width(), 2475);
            QCOMPARE(a.picMenu3.x(), 2475);
            QCOMPARE(a.Panel2.y(), a.Panel1.height());
            QVERIFY(Abajo(a.cboCat) <= a.lstCat.y());
            QVERIFY(a.fraMenu3.y() >= Abajo(a.lblMenu3a));
        }
        const Areas a = disposicion::Calcular(Tamano(100, 100), previa);
        QCOMPARE(a.picPaneles.height(), previa.picPaneles.height());
        QCOMPARE(a.picMenu3.width(), previa.picMenu3.width());
        QCOMPARE(a.lstScripts, previa.lstScripts);
        // Only the height is too small here: the widths still follow the window.
        const Areas b = disposicion::Calcular(Tamano(10000, 2000), previa);
        QCOMPARE(b.picMenu3.width(), 10000 - 2475);
        QCOMPARE(b.picPaneles.height(), 2000 - 900);
        QCOMPARE(b.Panel1.height(), previa.Panel1.height()); // 1100 - 1950 is refused
        QCOMPARE(b.lstScripts.width(), 10000 - 2475 - 60 - 240 - 240);
    }
};

QTEST_GUILESS_MAIN(tst_disposicion)
#include "tst_disposicion.moc"
