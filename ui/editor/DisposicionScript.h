#pragma once
#include <QRect>

// The editor's controls placed from the size of its inner area (below the menu bar), without
// touching a widget. All lengths are twips.
namespace disposicionScript {

struct Areas {
    QRect barMenu, lin0, lin1, Parar;
    QRect Label1, txtNombre, Label3, txtPuntaje;
    QRect Label2, txtDes;
    QRect txtCodigo, cheIncluir;
};

// The designed inner size and places.
constexpr int kAncho = 9000, kAlto = 6300;
Areas Diseno();

// The resize rule for an inner area of ancho x alto. A width or height that would come out negative
// is 0, so no control ever gets a negative size however small the window is made.
Areas Calcular(int ancho, int alto);

} // namespace disposicionScript
