#include "ui/editor/DisposicionScript.h"

#include <algorithm>

namespace disposicionScript {

namespace {
constexpr int kIzquierdaCampos = 1290;
int NoNegativo(int n) { return std::max(0, n); }
} // namespace

Areas Diseno() {
    Areas a;
    a.barMenu = {0, 0, kAncho, 570};
    a.lin0 = {0, 590, kAncho, 15};
    a.lin1 = {0, 600, kAncho, 15};
    a.Parar = {30, 30, 30, 30}; // behind the toolbar: it only holds the focus in "Ver"
    a.Label1 = {75, 780, 1185, 255};
    a.txtPuntaje = {kAncho - 515, 720, 375, 315};
    a.Label3 = {a.txtPuntaje.left() - 750, 780, 700, 255};
    a.txtNombre = {kIzquierdaCampos, 720, a.Label3.left() - 1400, 315};
    a.Label2 = {75, 1200, 1185, 255};
    a.txtDes = {kIzquierdaCampos, 1140, a.txtPuntaje.left() - kIzquierdaCampos + 375, 315};
    a.txtCodigo = {120, 1620, kAncho - 250, kAlto - 2120};
    a.cheIncluir = {120, kAlto - 360, 5400, 255};
    return a;
}

Areas Calcular(int ancho, int alto) {
    Areas a = Diseno();
    a.barMenu.setWidth(NoNegativo(ancho));
    a.lin0.setRight(NoNegativo(ancho) - 1);
    a.lin1.setRight(NoNegativo(ancho) - 1);
    a.txtPuntaje.moveLeft(ancho - (a.txtPuntaje.width() + 140));
    a.Label3.moveLeft(a.txtPuntaje.left() - 750);
    a.txtNombre.setWidth(NoNegativo(a.Label3.left() - 1400));
    a.txtDes.setWidth(NoNegativo(a.txtPuntaje.left() - a.txtDes.left() + 375));
    a.txtCodigo.setWidth(NoNegativo(ancho - 250));
    a.txtCodigo.setHeight(NoNegativo(alto - (a.txtCodigo.top() + 500)));
    a.cheIncluir.moveTop(alto - 360);
    return a;
}

} // namespace disposicionScript
