// Commands that open the script editor and the export options.
#include "ui/editor/frmExportar.h"
#include "ui/editor/frmScript.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

namespace {
// The script the editor will read: the selected row, or the first when none is (a list that holds
// scripts always has one selected).
bool SeleccionarDeNuevo(ListaScripts *lista) {
    if (lista->cantidad() == 0)
        return false;
    lista->Seleccionar(std::max(lista->filaActual(), 0));
    return true;
}
} // namespace

void frmPrincipal::AgregarS() {
    // A script is added to the open category; without one there is no file it could go to.
    if (!categoria_.hayAbierta())
        return;
    estado.ModoScript = QStringLiteral("Agregar");
    frmScript editor(*this);
    mensajes::Ejecutar(editor);
}

void frmPrincipal::EditarS() {
    if (!categoria_.hayAbierta() || !SeleccionarDeNuevo(lstScripts))
        return;
    estado.ModoScript = QStringLiteral("Editar");
    frmScript editor(*this);
    mensajes::Ejecutar(editor);
}

void frmPrincipal::VerS() {
    if (!SeleccionarDeNuevo(lstScripts))
        return;
    estado.ModoScript = QStringLiteral("Ver");
    // Each view is a window of its own that lives until it is closed.
    auto *ver = new frmScript(*this);
    ver->setAttribute(Qt::WA_DeleteOnClose);
    ver->show();
}

void frmPrincipal::mnuOpciones_Click() {
    frmExportar dlg(*this);
    mensajes::Ejecutar(dlg);
}
