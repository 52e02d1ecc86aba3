// Menus, the main toolbar, the panel header buttons and category management.
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QComboBox>

void frmPrincipal::conectarComandos() {
    connect(mnuSalir, &QAction::triggered, this, &frmPrincipal::mnuSalir_Click);
}
void frmPrincipal::ejecutarBotonMenu(const QString &) {}
void frmPrincipal::mnuAgregar_Click() {}
void frmPrincipal::mnuEliminar_Click() {}
void frmPrincipal::mnuRenombrar_Click() {}
void frmPrincipal::mnuSalir_Click() { close(); }
void frmPrincipal::mnuVerOp_Click() {}
void frmPrincipal::mnuVerE_Click() {}
void frmPrincipal::cmdM3_Click() {}
void frmPrincipal::cmdM4_Click() {}
void frmPrincipal::ElDuplicados(QComboBox *) {}
