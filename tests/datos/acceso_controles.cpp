// Built by the suite twice, never run: code outside the main window may use its commands, and must
// not compile when it reaches for one of its controls.
#include "ui/main/frmPrincipal.h"

#include <QTreeWidget>

void Alcanzar(frmPrincipal &w) {
#ifdef ALCANZAR_CONTROL
    w.lstCat->clear();
#else
    w.LlenarCat();
#endif
}
