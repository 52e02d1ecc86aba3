// Commands that open the script editor and the export options.
#include "ui/main/frmPrincipal.h"

void frmPrincipal::AgregarS() {}
void frmPrincipal::EditarS() {}
void frmPrincipal::VerS() {}
void frmPrincipal::mnuOpciones_Click() {}
