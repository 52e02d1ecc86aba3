#include "ui/main/Disposicion.h"

#include <algorithm>

namespace disposicion {

namespace {
constexpr int kBoton = 225, kAltoBoton = 215; // the small header buttons
constexpr int kHolgura = 30;                  // between the header text and its first button

// A negative length is refused and the area keeps the one it had.
void Ancho(QRect &r, int w) {
    if (w >= 0)
        r.setWidth(w);
}
void Alto(QRect &r, int h) {
    if (h >= 0)
        r.setHeight(h);
}
void Arriba(QRect &r, int y) { r.moveTop(y); }
void Izquierda(QRect &r, int x) { r.moveLeft(x); }

// The header of the options section follows the bottom of the category section.
void SeguirPanel1(Areas &a) {
    const int h = a.Panel1.height();
    Arriba(a.lbl2, h + 120);
    Arriba(a.cmdM2, h + 130);
    Arriba(a.lstOp, h + 435);
}
} // namespace

Areas Diseno() {
    Areas a;
    a.barMenu = {0, 0, 8715, 570};
    a.barEstado = {0, 5910, 8715, 270};
    a.picPaneles = {0, 640, 2475, 5205};
    a.Panel1 = {0, 0, 2415, 3255};
    a.lbl1 = {120, 120, 2175, 220};
    a.cmdMCat = {1840, 130, kBoton, kAltoBoton};
    a.cmdM1 = {2070, 130, kBoton, kAltoBoton};
    a.cboCat = {130, 430, 2150, 315};
    a.lstCat = {120, 780, 2175, 2385};
    a.Panel2 = {0, 3260, 2415, 1890};
    a.lbl2 = {120, 3360, 2175, 220};
    a.cmdM2 = {2070, 3370, kBoton, kAltoBoton};
    a.lstOp = {120, 3675, 2175, 1365};
    a.picMenu3 = {2520, 640, 6195, 5235};
    a.Panel3 = {0, 0, 6135, 5175};
    a.lblMenu3 = {180, 120, 4095, 220};
    a.lblMenu3a = {120, 120, 5895, 220};
    a.cmdM3 = {5560, 135, kBoton, kAltoBoton};
    a.cmdM4 = {5790, 135, kBoton, kAltoBoton};
    a.fraMenu4 = {120, 360, 5895, 855};
    a.barScript = {120, 210, 5655, 540};
    a.fraMenu3 = {120, 1200, 5895, 3830};
    a.lstScripts = {120, 240, 5655, 3450};
    a.lin2 = {0, 590, 8805, 15};
    a.lin1 = {0, 600, 8805, 15};
    return a;
}

Areas Calcular(const Entrada &e, const Areas &previa) {
    Areas a = previa;
    if (e.minimizada)
        return a;

    a.verEHabilitado = !e.maximizada;
    a.colNombre = e.maximizada ? 2300 : 1700;
    a.colDescripcion = e.maximizada ? 5500 : 3200;
    a.colCodigo = 0;
    a.colPuntaje = 400;

    a.barMenu = {0, 0, e.ancho, e.altoBarra};
    a.barEstado = {0, e.alto - e.altoEstado, e.ancho, e.altoEstado};

    // The etched rule runs under the toolbar and the panels start below it, wherever the toolbar's
    // real height puts its bottom edge (570 as designed: lines at 590 and 600, panels at 640).
    Arriba(a.lin2, e.altoBarra + 20);
    Arriba(a.lin1, e.altoBarra + 30);
    Izquierda(a.lin2, 0);
    Izquierda(a.lin1, 0);
    Ancho(a.lin2, e.ancho);
    Ancho(a.lin1, e.ancho);

    // Left panel: its width never changes.
    Alto(a.picPaneles, e.alto - (e.altoEstado + e.altoBarra + 60));
    Izquierda(a.picPaneles, 0);
    Arriba(a.picPaneles, e.altoBarra + 70);
    Izquierda(a.picMenu3, a.picPaneles.width());
    Arriba(a.picMenu3, a.picPaneles.top());

    if (e.izquierda)
        Alto(a.Panel1, a.picPaneles.height() - 60);
    else
        Alto(a.Panel1, a.picPaneles.height() - (a.Panel2.height() + 60));
    Alto(a.lstCat, a.Panel1.height() - 910);
    Arriba(a.Panel2, a.Panel1.height());
    SeguirPanel1(a);
    Alto(a.lstOp, 1300);

    // Right panel: takes the rest of the width.
    Ancho(a.picMenu3, e.ancho - a.picPaneles.width());
    Alto(a.picMenu3, a.picPaneles.height());
    Alto(a.Panel3, a.picMenu3.height() - 60);
    Ancho(a.Panel3, a.picMenu3.width() - 60);
    Ancho(a.fraMenu3, a.Panel3.width() - 240);
    Ancho(a.fraMenu4, a.Panel3.width() - 240);
    Ancho(a.barScript, a.fraMenu4.width() - 240);
    Arriba(a.fraMenu3, e.topFraMenu3);
    Alto(a.fraMenu3, a.Panel3.height() - (a.fraMenu3.top() + 140));
    Alto(a.lstScripts, a.fraMenu3.height() - 400);
    Ancho(a.lstScripts, a.fraMenu3.width() - 240);
    Ancho(a.lblMenu3a, a.fraMenu3.width());
    Izquierda(a.cmdM3, a.fraMenu3.width() - 310);
    Izquierda(a.cmdM4, a.fraMenu3.width() - 90);
    // The open category's name runs up to the header's buttons, never under them.
    Ancho(a.lblMenu3, a.cmdM3.x() - kHolgura - a.lblMenu3.x());
    return a;
}

Partido ConCodigo(const QRect &lista) {
    // The code takes two fifths of the height, the list the rest: a script's first lines and about
    // a dozen rows stay in view at the designed size.
    constexpr int kHueco = 60;
    const int codigo = lista.height() * 2 / 5;
    Partido p;
    p.lista = {lista.x(), lista.y(), lista.width(), std::max(0, lista.height() - codigo - kHueco)};
    p.codigo = {lista.x(), lista.y() + p.lista.height() + kHueco, lista.width(), std::max(0, codigo)};
    return p;
}

Areas VerOpciones(const Areas &actual, bool mostrar) {
    Areas a = actual;
    // This command keeps 930 between the section and its list where the resize rule keeps 910.
    if (mostrar) {
        Alto(a.Panel1, a.picPaneles.height() - (a.Panel2.height() + 60));
        Alto(a.lstCat, a.Panel1.height() - 930);
        Arriba(a.Panel2, a.Panel1.height());
    } else {
        Alto(a.Panel1, a.picPaneles.height() - 60);
        Alto(a.lstCat, a.Panel1.height() - 930);
    }
    SeguirPanel1(a);
    return a;
}

Areas BarraScripts(const Areas &actual, bool mostrar) {
    Areas a = actual;
    if (mostrar) {
        Alto(a.lstScripts, a.lstScripts.height() - 840);
        Arriba(a.fraMenu3, 1200);
        Alto(a.fraMenu3, a.Panel3.height() - 1340);
    } else {
        Alto(a.lstScripts, a.lstScripts.height() + 840);
        Arriba(a.fraMenu3, 360);
        Alto(a.fraMenu3, a.fraMenu3.height() + 840);
    }
    return a;
}

} // namespace disposicion
