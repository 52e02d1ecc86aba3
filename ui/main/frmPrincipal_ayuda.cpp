// Mail, panel configuration, help, about and the support links.
#include "ui/main/frmPrincipal.h"

void frmPrincipal::mnuEnviar_Click() {}
void frmPrincipal::mnuOutlookConfig_Click() {}
void frmPrincipal::cmdMCat_Click() {}
void frmPrincipal::MostrarAyuda() {}
void frmPrincipal::mnuActualizar_Click() {}
void frmPrincipal::mnuAcerca_Click() {}
void frmPrincipal::mnuLinkJS_Click() {}
void frmPrincipal::mnuLinkASP_Click() {}
void frmPrincipal::mnuLinkPHP_Click() {}
void frmPrincipal::mnuLinkVB_Click() {}
