// Library tools: search, move to another category, duplicate removal, import.
#include "ui/main/frmPrincipal.h"

void frmPrincipal::BuscarS() {}
void frmPrincipal::CopiarS() {}
void frmPrincipal::MoverPorArrastre() {}
void frmPrincipal::AbrirEliminarDuplicados() {}
void frmPrincipal::mnuImportar_Click() {}
