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
    void muchosTamanos() {
        // From a little over the smallest size that holds every area up to a wall of screens, with
        // every combination of state, the areas stay in order.
        for (int ancho : {7400, 8715, 12345, 96000})
            for (int alto : {4400, 6180, 64000})
                for (int caso = 0; caso < 24; ++caso) {
                    const Entrada e{ancho, alto,           caso & 1 ? 0 : 570,   QList{0, 270, 345}[caso / 8],
                                    bool(caso & 2), caso & 4 ? 360 : 1200, ancho > 20000};
                    ComprobarOrden(e, Calcular(e));
                    if (QTest::currentTestFailed())
                        QFAIL(qPrintable(QStringLiteral("%1 x %2, caso %3").arg(ancho).arg(alto).arg(caso)));
                }
    }

    void minimizadaNoCambiaNadaYRestaurarVuelveAlDiseno() {
        const Areas max = Calcular(Entrada{19200, 11400, 570, 270, false, 1200, true});
        const Areas min = Calcular(Entrada{0, 0, 570, 270, false, 1200, false, true}, max);
        QCOMPARE(Rects(min), Rects(max));
        QCOMPARE(Rects(Calcular(Entrada(), min)), Rects(kDiseno));
    }

    void diminutaNoDaLongitudesNegativas() {
        // A window smaller than its areas: a length that would be negative is not applied, the area
        // keeps what it had, and the rest still follows the window.
        for (auto [ancho, alto] : {std::pair{0, 0}, {100, 100}, {2475, 1000}, {3000, 1500}, {1, 7000}, {8715, 2000}})
            for (const QRect &r : Rects(Calcular(Entrada{ancho, alto}, kDiseno)))
                QVERIFY(r.width() >= 0 && r.height() >= 0);
    }
};

QTEST_GUILESS_MAIN(tst_disposicion)
#include "tst_disposicion.moc"
