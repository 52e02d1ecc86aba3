// Library tools: search, move to another category, duplicate removal, import.
#include "core/mdlSistema.h"
#include "ui/mdlScriptsVista.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/tools/frmBuscar.h"
#include "ui/tools/frmEliminarDup.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

void frmPrincipal::BuscarS() {
    frmBuscar dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::CopiarS() {
    QTreeWidgetItem *sel = lstScripts->currentItem();
    if (!estado.sesion.hayAbierta() || !sel || !sel->isSelected())
        return;
    frmMover dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::MoverPorArrastre() {
    QTreeWidgetItem *sel = lstScripts->currentItem();
    if (!estado.sesion.hayAbierta() || !sel)
        return;
    // Not modal: the user may pick another script while it is open; the dialog moves the script it
    // names, the one selected when it opened.
    auto *dlg = new frmMover(*this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->show();
}

void frmPrincipal::AbrirEliminarDuplicados() {
    frmEliminarDup dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::mnuImportar_Click() {
    // A save that failed keeps the changes pending: clearing or refilling the list now would lose them.
    if (estado.sesion.HayCambios() && !Preguntar())
        return;
    if (opcionMarcada(3)) {
        frmExaminar dlg(*this);
        mensajes::Ejecutar(dlg);
        return;
    }
    if (!estado.sesion.hayAbierta()) {
        mensajes::Aviso(this, QStringLiteral("No ha seleccionado ninguna categoría"), QStringLiteral("Importar"));
        return;
    }
    Importar();
}

void frmPrincipal::Importar() {
    const QString ruta = mdlSistema::AbrirArchivo(this, QStringLiteral("Rutinero (*.rtn)|*.rtn"),
                                                  QStringLiteral("Importar"), QDir::currentPath());
    // A folder is not a category file, even when it is named like one.
    if (!ruta.isEmpty() && mdlSistema::ExisteArchivo(ruta) && QFileInfo(ruta).isFile()) {
        // A file that cannot be read has already been reported and changes nothing.
        if (estado.sesion.hayAbierta() && mdlScripts::LeerCategoria(lstScripts, ruta, barProgreso, this))
            MarcarCambios();
    }
    ActualizarLineaEstado();
    ActualizarBotones();
}
