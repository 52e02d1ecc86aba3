#pragma once
#include <QRect>

class frmPrincipal;

// The main window's areas, computed from its size and state without touching a widget, so the rules
// can be checked on their own. All lengths are twips.
//
// Coordinates: picPaneles, picMenu3, lin1 and lin2 are placed in the window's inner area below the
// menu bar (barMenu runs along its top edge); the areas of the left panel, Panel2's header and list
// included, in picPaneles; Panel3 and everything on it in picMenu3; barScript in fraMenu4; lstScripts
// in fraMenu3.
namespace disposicion {

struct Entrada {
    int ancho = 8715; // the window's inner area, below the menu bar
    int alto = 6180;
    int altoBarra = 570;   // barMenu
    int altoEstado = 270;  // barEstado; 0 while it is hidden
    bool izquierda = false; // the options section is hidden
    int topFraMenu3 = 1200; // 1200 with the script toolbar shown, 360 hidden
    bool maximizada = false;
    bool minimizada = false;
};

struct Areas {
    QRect barMenu, barEstado; // placed by the window frame; given here for the record
    QRect picPaneles, Panel1, Panel2, lbl1, cmdMCat, cmdM1, cboCat, lstCat, lbl2, cmdM2, lstOp;
    QRect picMenu3, Panel3, lblMenu3, lblMenu3a, cmdM3, cmdM4, fraMenu4, barScript, fraMenu3, lstScripts;
    QRect lin2, lin1; // one pixel high: grey, then white
    // Columns of lstScripts; "Código" is always 0 wide.
    int colNombre = 1700, colDescripcion = 3200, colCodigo = 0, colPuntaje = 400;
    bool verEHabilitado = true; // mnuVerE works only while the window is not maximized
};

// The areas as designed for the inner area 8715 x 6180.
Areas Diseno();

// The resize rule. A length that comes out negative is not applied: that area keeps its size in
// `previa` (what the window shows now) and the remaining rules still run. Minimized: `previa` as is.
Areas Calcular(const Entrada &e, const Areas &previa = Diseno());

// The options section shown or hidden by its command, from the areas as they are now.
Areas VerOpciones(const Areas &actual, bool mostrar);

// The script toolbar shown or hidden by the header buttons: the list frame moves up into the
// toolbar's place or gives it back.
Areas BarraScripts(const Areas &actual, bool mostrar);

// The code pane shown: the list's area is shared, the list above and the code below it. Gives the
// two, in the list area's coordinates.
struct Partido {
    QRect lista, codigo;
};
Partido ConCodigo(const QRect &lista);

// The window's areas as they are now, and placing them (frmPrincipal_disposicion.cpp).
Areas Leer(const frmPrincipal &w);
void Aplicar(frmPrincipal &w, const Areas &a);

} // namespace disposicion
