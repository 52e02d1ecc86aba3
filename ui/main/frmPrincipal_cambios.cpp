// Pending changes: the open category is edited in the list and reaches its file only on saving.
#include "store/mdlScriptsVista.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

void frmPrincipal::setGuardarHabilitado(bool habilitado) {
    botonMenu(5)->setEnabled(habilitado);
    mnuGuardar->setEnabled(habilitado);
}

void frmPrincipal::MarcarCambios() {
    estado.HayCambios = true;
    estado.CategoriaActual = lblMenu3->text();
    setGuardarHabilitado(true);
}

bool frmPrincipal::Preguntar() {
    const bool si = mensajes::Preguntar(
        this, QStringLiteral("¿Guardar cambios realizados a %1?").arg(estado.CategoriaActual), estado.TituloApp);
    if (si && !mdlScripts::GuardarCategoria(*this, lstScripts, estado.rutaCategoria(estado.CategoriaActual),
                                            barProgreso)) {
        // Nothing is reported as saved that was not: the changes stay pending.
        estado.HayCambios = true;
        setGuardarHabilitado(true);
        return false;
    }
    if (si)
        estado.sesion.AnunciarEscritos({estado.CategoriaActual + QStringLiteral(".rtn")});
    estado.HayCambios = false;
    setGuardarHabilitado(false);
    return true;
}

void frmPrincipal::Limpiar() {
    lstScripts->clear();
    lblMenu3->setText(QStringLiteral("(Ninguna)"));
    mdlSistema::ActualizarBotones(*this);
    botonScript(1)->setEnabled(false);
    panelEstado[0]->setText(QString());
    ControlarCat();
}

void frmPrincipal::ControlarCat() {
    const bool hay = lstCat->topLevelItemCount() > 0;
    mnuAgregar->setEnabled(true);
    mnuImportar->setEnabled(true);
    mnuEliminar->setEnabled(hay);
    mnuRenombrar->setEnabled(hay);
    entradaCategorias(2)->setEnabled(hay);
    entradaCategorias(3)->setEnabled(hay);
}

QString frmPrincipal::textoCategoriaSeleccionada() const {
    const QTreeWidgetItem *i = lstCat->currentItem();
    return i ? i->text(0) : QString();
}

bool frmPrincipal::hayCategoriaAbierta() const { return lblMenu3->text() != QLatin1String("(Ninguna)"); }

void frmPrincipal::ActualizarLineaEstado() {
    panelEstado[0]->setText(QStringLiteral("Categoría: %1 / Scripts: %2")
                                .arg(textoCategoriaSeleccionada())
                                .arg(lstScripts->topLevelItemCount()));
}
