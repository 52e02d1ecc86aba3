// The main window's resize rules as a plain function from the window's size and state to its areas.
#include "ui/main/Disposicion.h"

#include <QtTest>

using namespace disposicion; // Entrada{ancho, alto, altoBarra, altoEstado, izquierda, topFraMenu3, maximizada}

namespace {
// Every area of the window, for checks that run over all of them.
QVector<QRect> Rects(const Areas &a) {
    return {a.barMenu, a.barEstado, a.picPaneles, a.Panel1,   a.Panel2,    a.lbl1,       a.cmdMCat, a.cmdM1,
            a.cboCat,  a.lstCat,    a.lbl2,       a.cmdM2,    a.lstOp,     a.picMenu3,   a.Panel3,  a.lblMenu3,
            a.lblMenu3a, a.cmdM3,   a.cmdM4,      a.fraMenu4, a.barScript, a.fraMenu3,   a.lstScripts, a.lin2, a.lin1};
}
// What depends on the window being maximized: the list's columns, and whether the status bar command works.
QVector<int> Columnas(const Areas &a) {
    return {a.colNombre, a.colDescripcion, a.colCodigo, a.colPuntaje, a.verEHabilitado};
}
const Areas kDiseno = Calcular(Entrada());

// Right and bottom edges as lengths add up (QRect's right() is one less).
int Der(const QRect &r) { return r.x() + r.width(); }
int Abajo(const QRect &r) { return r.y() + r.height(); }

// What a person sees at a size where everything fits: every area that follows the window inside the
// one that holds it, and the panels clear of the toolbar's rule and of the status bar (the headers never move).
void ComprobarOrden(const Entrada &e, const Areas &a) {
    // {hijo, padre}; the options section's list is placed in picPaneles, so it is moved into Panel2.
    QVector<QPair<QRect, QRect>> dentro = {{a.Panel1, a.picPaneles}, {a.lstCat, a.Panel1},   {a.Panel3, a.picMenu3},
                                           {a.lblMenu3, a.Panel3},   {a.cmdM4, a.Panel3},    {a.fraMenu3, a.Panel3},
                                           {a.lstScripts, a.fraMenu3}};
    const int suelo = e.alto - e.altoEstado, sueloOpciones = e.izquierda ? suelo : a.picPaneles.y() + Abajo(a.Panel2);
    if (!e.izquierda) {
        QCOMPARE(a.Panel2.y(), Abajo(a.Panel1));
        dentro << std::pair{a.Panel2, a.picPaneles} << std::pair{a.lstOp.translated(0, -a.Panel2.y()), a.Panel2};
    }
    if (e.topFraMenu3 == 1200)
        dentro << std::pair{a.fraMenu4, a.Panel3} << std::pair{a.barScript, a.fraMenu4};
    for (const auto &[h, p] : dentro)
        QVERIFY(h.x() >= 0 && h.y() >= 0 && Der(h) <= p.width() && Abajo(h) <= p.height());
    QVERIFY(Abajo(a.lin1) <= a.picPaneles.y() && Der(a.lblMenu3) <= a.cmdM3.x() && sueloOpciones <= suelo);
    QVERIFY(a.picPaneles.y() + Abajo(a.Panel1) <= suelo && a.picMenu3.y() + Abajo(a.Panel3) <= suelo);
    QCOMPARE((QVector<int>{a.picMenu3.x(), Der(a.picMenu3)}), (QVector<int>{Der(a.picPaneles), e.ancho}));
}
} // namespace

class tst_disposicion : public QObject {
    Q_OBJECT
private slots:
    void tamanoDeDisenoYMasGrande() {
        // Left panel: 6180 - (270 + 570 + 60), the options section taking 1890 + 60; the right one the rest.
        QCOMPARE(Rects(kDiseno), (QVector<QRect>{
                               {0, 0, 8715, 570},       {0, 5910, 8715, 270},    {0, 640, 2475, 5280},
                               {0, 0, 2415, 3330},      {0, 3330, 2415, 1890},   {120, 120, 2175, 220},
                               {1840, 130, 225, 215},   {2070, 130, 225, 215},   {130, 430, 2150, 315},
                               {120, 780, 2175, 2420},  {120, 3450, 2175, 220},  {2070, 3460, 225, 215},
                               {120, 3765, 2175, 1300}, {2475, 640, 6240, 5280}, {0, 0, 6180, 5220},
                               {180, 120, 5420, 220},   {120, 120, 5940, 220},   {5630, 135, 225, 215},
                               {5850, 135, 225, 215},   {120, 360, 5940, 855},   {120, 210, 5700, 540},
                               {120, 1200, 5940, 3880}, {120, 240, 5700, 3480},  {0, 590, 8715, 15},
                               {0, 600, 8715, 15}}));
        QCOMPARE(Columnas(kDiseno), (QVector<int>{1700, 3200, 0, 400, true}));

        // Wider by 1000: the right panel and all on it take it, its buttons move; the left one stays.
        Areas ancha = kDiseno;
        for (QRect *r : {&ancha.barMenu, &ancha.barEstado, &ancha.lin2, &ancha.lin1, &ancha.picMenu3, &ancha.Panel3,
                         &ancha.lblMenu3, &ancha.lblMenu3a, &ancha.fraMenu4, &ancha.barScript, &ancha.fraMenu3,
                         &ancha.lstScripts})
            r->adjust(0, 0, 1000, 0);
        ancha.cmdM3.translate(1000, 0);
        ancha.cmdM4.translate(1000, 0);
        QCOMPARE(Rects(Calcular(Entrada{8715 + 1000, 6180}, kDiseno)), Rects(ancha));
        // Taller by 1000: both panels and both lists grow by as much, the options section moves down.
        Areas alta = kDiseno;
        for (QRect *r : {&alta.picPaneles, &alta.Panel1, &alta.lstCat, &alta.picMenu3, &alta.Panel3, &alta.fraMenu3,
                         &alta.lstScripts})
            r->adjust(0, 0, 0, 1000);
        for (QRect *r : {&alta.barEstado, &alta.Panel2, &alta.lbl2, &alta.cmdM2, &alta.lstOp})
            r->translate(0, 1000);
        QCOMPARE(Rects(Calcular(Entrada{8715, 7180}, kDiseno)), Rects(alta));
    }

    void barrasOcultas() {
        // The window shrinks by the status bar: all but the bar itself keeps its place and size.
        QCOMPARE(Rects(Calcular(Entrada{8715, 6180 - 270, 570, 0})).mid(2), Rects(kDiseno).mid(2));
        // Same window height, no status bar: the panels reach down to 60 above the bottom edge.
        const Areas b = Calcular(Entrada{8715, 6180, 570, 0});
        QCOMPARE((QVector<int>{b.picPaneles.height(), b.Panel3.height()}), (QVector<int>{6180 - 630, 6180 - 690}));
        // Without the main toolbar they take its height too.
        QCOMPARE(Calcular(Entrada{8715, 6180, 0}).picPaneles.height(), 6180 - 270 - 60);
    }

    void maximizadaMinimizadaYRestaurada() {
        const Areas max = Calcular(Entrada{19200, 11400, 570, 270, false, 1200, true});
        QCOMPARE(Columnas(max), (QVector<int>{2300, 5500, 0, 400, false}));
        // Minimized: nothing changes. Restored: nothing of the big layout stays behind.
        const Areas min = Calcular(Entrada{0, 0, 570, 270, false, 1200, false, true}, max);
        QCOMPARE(Rects(min), Rects(max));
        QCOMPARE(Columnas(min), Columnas(max));
        const Areas normal = Calcular(Entrada(), min);
        QCOMPARE(Rects(normal), Rects(kDiseno));
        QCOMPARE(Columnas(normal), Columnas(kDiseno));
    }

    void seccionesOcultas() {
        const Areas a = Calcular(Entrada{8715, 6180, 570, 270, true});
        QCOMPARE((QVector<int>{a.Panel1.height(), a.lstCat.height()}), (QVector<int>{5280 - 60, 5280 - 970}));
        // The command keeps 930 where the resize rule keeps 910; the next resize puts 910 back.
        const Areas oculto = VerOpciones(kDiseno, false), otra = VerOpciones(oculto, true);
        QCOMPARE((QVector<int>{oculto.lstCat.height(), otra.Panel1.height(), otra.lstCat.height(), otra.Panel2.y(),
                               otra.lbl2.y(), otra.cmdM2.y(), otra.lstOp.y()}),
                 (QVector<int>{5280 - 990, 3330, 3330 - 930, 3330, 3330 + 120, 3330 + 130, 3330 + 435}));
        QCOMPARE(Calcular(Entrada(), otra).lstCat, kDiseno.lstCat);

        // The script toolbar hidden: the list frame moves up into its place, and the resize rule agrees.
        const Areas sin = BarraScripts(kDiseno, false);
        QCOMPARE((QVector<QRect>{sin.fraMenu3, sin.lstScripts}),
                 (QVector<QRect>{{120, 360, 5940, 4720}, {120, 240, 5700, 4320}}));
        QCOMPARE(Rects(Calcular(Entrada{8715, 6180, 570, 270, false, 360}, sin)), Rects(sin));
        QCOMPARE(Rects(BarraScripts(sin, true)), Rects(kDiseno));
    }

    void muchosTamanos() {
        // From a little over the smallest size that holds every area up to a wall of screens, with
        // every combination of state, the areas stay in order.
        for (int ancho : {7400, 8715, 9000, 12345, 28800, 96000})
            for (int alto : {4400, 6180, 7001, 16200, 64000})
                for (int caso = 0; caso < 24; ++caso) {
                    const Entrada e{ancho, alto,           caso & 1 ? 0 : 570,   QList{0, 270, 345}[caso / 8],
                                    bool(caso & 2), caso & 4 ? 360 : 1200, ancho > 20000};
                    ComprobarOrden(e, Calcular(e));
                    if (QTest::currentTestFailed())
                        QFAIL(qPrintable(QStringLiteral("%1 x %2, caso %3").arg(ancho).arg(alto).arg(caso)));
                }
    }

    void diminutaNoDaLongitudesNegativas() {
        // A window smaller than its areas: a length that would be negative is not applied, the area
        // keeps what it had, and the rest still follows the window.
        for (auto [ancho, alto] : {std::pair{0, 0}, {100, 100}, {2475, 1000}, {3000, 1500}, {1, 7000}, {8715, 2000}})
            for (const QRect &r : Rects(Calcular(Entrada{ancho, alto}, kDiseno)))
                QVERIFY(r.width() >= 0 && r.height() >= 0);
        // Both panels and all on them keep what they had.
        QCOMPARE(Rects(Calcular(Entrada{100, 100}, kDiseno)).mid(2, 21), Rects(kDiseno).mid(2, 21));
        // Only the height is too small here: the widths still follow the window; Panel1's 1100 - 1950 is refused.
        const Areas b = Calcular(Entrada{10000, 2000}, kDiseno);
        QCOMPARE((QVector<int>{b.picMenu3.width(), b.picPaneles.height(), b.Panel1.height(), b.lstScripts.width()}),
                 (QVector<int>{10000 - 2475, 2000 - 900, kDiseno.Panel1.height(), 10000 - 2475 - 60 - 480}));
    }
};

QTEST_GUILESS_MAIN(tst_disposicion)
#include "tst_disposicion.moc"
