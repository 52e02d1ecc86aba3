// Script list and its toolbar barScript.
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlScriptsVista.h"
#include "ui/mdlSistemaVista.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>
#include <memory>

void frmPrincipal::conectarLista() {
    lstScripts->viewport()->installEventFilter(this);
    lstScripts->installEventFilter(this);
    connect(lstScripts, &QAbstractItemView::doubleClicked, this, [this] { VerS(); });
    // The toolbar's commands act on the list, which takes the focus first.
    const std::pair<QAction *, void (frmPrincipal::*)()> botones[] = {
        {btnAgregarS, &frmPrincipal::AgregarS}, {btnEditarS, &frmPrincipal::EditarS},
        {btnEliminarS, &frmPrincipal::EliminarS}, {btnSubirS, &frmPrincipal::SubirS},
        {btnBajarS, &frmPrincipal::BajarS},       {btnBuscarS, &frmPrincipal::BuscarS},
    };
    for (const auto &[accion, orden] : botones)
        connect(accion, &QAction::triggered, this, [this, orden = orden] {
            lstScripts->setFocus();
            ResaltarPanel(3);
            (this->*orden)();
        });
    connect(mnuCodAgregar, &QAction::triggered, this, [this] {
        LScripts();
        AgregarS();
    });
    connect(mnuCodEditar, &QAction::triggered, this, [this] {
        LScripts();
        EditarS();
    });
    connect(mnuCodEliminar, &QAction::triggered, this, &frmPrincipal::EliminarS);
    connect(mnuCodCopiar, &QAction::triggered, this, &frmPrincipal::CopiarS);
    connect(mnuCodBuscar, &QAction::triggered, this, &frmPrincipal::BuscarS);
}

bool frmPrincipal::filtrarLista(QObject *objeto, QEvent *evento) {
    if (objeto == lstScripts && evento->type() == QEvent::KeyPress) {
        auto *tecla = static_cast<QKeyEvent *>(evento);
        if (tecla->key() == Qt::Key_Delete && tecla->modifiers() == Qt::NoModifier &&
            btnEliminarS->isEnabled()) {
            EliminarS();
            return true;
        }
        // Enter opens the row for viewing, as a double click does.
        if ((tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter) &&
            (tecla->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && lstScripts->filaActual() >= 0) {
            VerS();
            return true;
        }
        return false;
    }
    if (objeto != lstScripts->viewport() || evento->type() != QEvent::MouseButtonPress)
        return false;
    auto *raton = static_cast<QMouseEvent *>(evento);
    ResaltarPanel(3);
    if (raton->button() == Qt::RightButton) {
        // The pop-up's commands act on the row under the pointer, as the user sees it.
        if (const QModelIndex bajo = lstScripts->indexAt(raton->position().toPoint()); bajo.isValid())
            lstScripts->Seleccionar(bajo.row());
        mnuCodigo->popup(raton->globalPosition().toPoint());
        return true;
    }
    return false;
}

void frmPrincipal::LScripts() {
    ResaltarPanel(3);
    lstScripts->setFocus();
}

void frmPrincipal::HabilitarS() {
    for (QAction *a : {btnAgregarS, btnEditarS, btnEliminarS, btnBuscarS})
        a->setEnabled(true);
    if (!opcionMarcada(1))
        for (QAction *a : {btnSubirS, btnBajarS})
            a->setEnabled(true);
}

void frmPrincipal::inHabilitarS() {
    if (categoria_.cantidad() == 0)
        for (QAction *a : barScript->actions())
            a->setEnabled(false);
}

void frmPrincipal::EliminarS() {
    // Only the row the user sees selected is deleted, never one guessed for them.
    const int fila = lstScripts->filaSeleccionada();
    if (!categoria_.hayAbierta() || fila < 0)
        return;
    categoria_.Eliminar(fila);
    lstScripts->SeleccionarCercana(fila);
}

namespace {
// Moves the row commands act on by one place (-1 up, +1 down); the row that moved, or the one that
// could not, is selected and carries the drop highlight.
void Mover(CategoriaAbierta &d, ListaScripts *lista, int paso) {
    int fila = std::max(lista->filaActual(), 0);
    if (paso < 0 ? d.Subir(fila) : d.Bajar(fila))
        fila += paso;
    lista->Seleccionar(fila);
    lista->setResaltado(fila);
}
} // namespace

void frmPrincipal::SubirS() {
    if (categoria_.cantidad() > 0)
        Mover(categoria_, lstScripts, -1);
}

void frmPrincipal::BajarS() {
    if (categoria_.cantidad() > 0)
        Mover(categoria_, lstScripts, +1);
}

// The script commands follow the list: with rows, the selected (or nearest) one is current and the
// commands that act on a row are on; without rows only Agregar is, and only for an open category.
void frmPrincipal::ActualizarBotones() {
    if (categoria_.cantidad() > 0) {
        if (lstScripts->filaActual() < 0)
            lstScripts->Seleccionar(0);
        HabilitarBotones(true);
        lstScripts->scrollTo(lstScripts->currentIndex());
    } else {
        HabilitarBotones(false);
    }
}

void frmPrincipal::HabilitarBotones(bool conFilas) {
    btnAgregarS->setEnabled(true);
    for (QAction *a : {btnEditarS, btnEliminarS, btnBuscarS})
        a->setEnabled(conFilas);
    mnuCodAgregar->setEnabled(conFilas || categoria_.hayAbierta());
    for (QAction *a : {mnuCodEditar, mnuCodEliminar, mnuCodCopiar, mnuCodBuscar})
        a->setEnabled(conFilas);
}

int frmPrincipal::filaActual() const { return lstScripts->filaActual(); }

void frmPrincipal::SeleccionarFila(int posicion) {
    if (posicion >= 0 && posicion < categoria_.cantidad())
        lstScripts->Seleccionar(posicion);
}

void frmPrincipal::conectarDocumento() {
    connect(&categoria_, &CategoriaAbierta::cambiado, this, &frmPrincipal::MostrarDocumento);
    connect(&categoria_, &CategoriaAbierta::renombrada, this, &frmPrincipal::MostrarDocumento);
    // A change of the whole list (hundreds of scattered rows at once, a version restored) keeps a
    // row selected where one was, as a removal row by row does; opening a category picks its own.
    auto filaAntes = std::make_shared<int>(-1);
    connect(&categoria_, &CategoriaAbierta::porReiniciar, this,
            [this, filaAntes] { *filaAntes = lstScripts->filaActual(); });
    connect(&categoria_, &CategoriaAbierta::reiniciada, this, [this, filaAntes] {
        if (*filaAntes >= 0 && lstScripts->filaActual() < 0)
            lstScripts->SeleccionarCercana(*filaAntes);
        MostrarDocumento();
        ActualizarBotones();
    });
    // A script that comes back (an undone removal, a redone addition) is the one selected.
    connect(&categoria_, &CategoriaAbierta::filasInsertadas, this, [this](int primera) {
        lstScripts->Seleccionar(primera);
        ActualizarLineaEstado();
        ActualizarBotones();
    });
    connect(&categoria_, &CategoriaAbierta::filasQuitadas, this, [this](int primera) {
        if (lstScripts->filaActual() < 0)
            lstScripts->SeleccionarCercana(primera);
        ActualizarLineaEstado();
        ActualizarBotones();
    });
}
