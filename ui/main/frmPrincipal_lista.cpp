// Script list and its toolbar barScript.
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>

void frmPrincipal::conectarLista() {}
bool frmPrincipal::filtrarLista(QObject *, QEvent *) { return false; }
void frmPrincipal::LScripts() {}
void frmPrincipal::HabilitarS() {}
void frmPrincipal::inHabilitarS() {
    if (lstScripts->topLevelItemCount() == 0)
        for (int pos : {1, 3, 5, 7, 9, 11})
            botonScript(pos)->setEnabled(false);
}
void frmPrincipal::EliminarS() {}
void frmPrincipal::SubirS() {}
void frmPrincipal::BajarS() {}
void frmPrincipal::ejecutarBotonScript(const QString &) {}
