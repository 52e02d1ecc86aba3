// Script list and its toolbar barScript.
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlScriptsVista.h"
#include "ui/mdlSistemaVista.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>

void frmPrincipal::conectarLista() {
    lstScripts->viewport()->installEventFilter(this);
    lstScripts->installEventFilter(this);
    connect(lstScripts, &QTreeWidget::itemDoubleClicked, this, [this] { VerS(); });
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
            (tecla->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && lstScripts->currentItem()) {
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
        if (QTreeWidgetItem *bajo = lstScripts->itemAt(raton->position().toPoint())) {
            lstScripts->setCurrentItem(bajo);
            bajo->setSelected(true);
        }
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
    if (lstScripts->topLevelItemCount() == 0)
        for (QAction *a : barScript->actions())
            a->setEnabled(false);
}

void frmPrincipal::EliminarS() {
    // Only the row the user sees selected is deleted, never one guessed for them.
    QTreeWidgetItem *sel = lstScripts->currentItem();
    if (!estado.sesion.hayAbierta() || !sel || !sel->isSelected())
        return;
    vista::Quitar(lstScripts, sel);
    MarcarCambios();
    ActualizarLineaEstado();
    ActualizarBotones();
}

namespace {
// Moves the selected row by one place (-1 up, +1 down) keeping all its fields; the row that moved,
// or the one that could not, is selected and carries the drop highlight.
void Mover(ListaScripts *lista, int paso) {
    QTreeWidgetItem *sel = vista::Seleccionado(lista);
    const int p = lista->indexOfTopLevelItem(sel);
    const int destino = p + paso;
    if (destino >= 0 && destino < lista->topLevelItemCount()) {
        const bool ordenar = lista->isSortingEnabled();
        lista->setSortingEnabled(false);
        lista->takeTopLevelItem(p);
        lista->insertTopLevelItem(destino, sel);
        lista->setSortingEnabled(ordenar);
    }
    lista->setCurrentItem(sel);
    lista->scrollToItem(sel);
    lista->setResaltado(sel);
}
} // namespace

void frmPrincipal::SubirS() {
    if (lstScripts->topLevelItemCount() == 0 || !estado.sesion.hayAbierta())
        return;
    MarcarCambios();
    Mover(lstScripts, -1);
}

void frmPrincipal::BajarS() {
    if (lstScripts->topLevelItemCount() == 0 || !estado.sesion.hayAbierta())
        return;
    MarcarCambios();
    Mover(lstScripts, +1);
}

// The script commands follow the list: with rows, the selected (or nearest) one is current and the
// commands that act on a row are on; without rows only Agregar is, and only for an open category.
void frmPrincipal::ActualizarBotones() {
    if (lstScripts->topLevelItemCount() > 0) {
        QTreeWidgetItem *actual = vista::Seleccionado(lstScripts);
        lstScripts->setCurrentItem(actual);
        HabilitarBotones(true);
        lstScripts->scrollToItem(actual);
    } else {
        HabilitarBotones(false);
    }
}

void frmPrincipal::HabilitarBotones(bool conFilas) {
    btnAgregarS->setEnabled(true);
    for (QAction *a : {btnEditarS, btnEliminarS, btnBuscarS})
        a->setEnabled(conFilas);
    mnuCodAgregar->setEnabled(conFilas || estado.sesion.hayAbierta());
    for (QAction *a : {mnuCodEditar, mnuCodEliminar, mnuCodCopiar, mnuCodBuscar})
        a->setEnabled(conFilas);
}

// ---- The rows, as the library tools reach them ----

int frmPrincipal::filasCuantas() const {
    return lstScripts->topLevelItemCount();
}

Script frmPrincipal::fila(int posicion) const {
    return vista::ScriptDe(lstScripts->topLevelItem(posicion));
}

QString frmPrincipal::campoFila(int posicion, int columna) const {
    return vista::Campo(lstScripts->topLevelItem(posicion), columna);
}

QStringView frmPrincipal::claveFila(int posicion) const {
    return vista::Clave(lstScripts->topLevelItem(posicion));
}

int frmPrincipal::filaActual() const {
    return lstScripts->indexOfTopLevelItem(lstScripts->currentItem());
}

void frmPrincipal::SeleccionarFila(int posicion) {
    QTreeWidgetItem *item = lstScripts->topLevelItem(posicion);
    if (!item)
        return;
    lstScripts->clearSelection();
    lstScripts->setCurrentItem(item);
    item->setSelected(true);
    lstScripts->scrollToItem(item);
}

void frmPrincipal::AgregarFila(const Script &s) {
    // Appended at the end first; sorting, if on, is applied afterwards and keeps equal names in order.
    lstScripts->setSortingEnabled(false);
    QTreeWidgetItem *item = vista::NuevoItem(s);
    lstScripts->addTopLevelItem(item);
    ActualizarLineaEstado();
    if (opcionMarcada(1)) {
        lstScripts->sortByColumn(vista::ColNombre, Qt::AscendingOrder);
        lstScripts->setSortingEnabled(true);
        // Among equal names the first one is selected, as a search for the name would find it.
        for (int i = 0; i < lstScripts->topLevelItemCount(); ++i)
            if (vista::Campo(lstScripts->topLevelItem(i), vista::ColNombre) == s.Nombre) {
                item = lstScripts->topLevelItem(i);
                break;
            }
    }
    lstScripts->setCurrentItem(item);
    lstScripts->scrollToItem(item);
}

void frmPrincipal::ReemplazarFila(int posicion, const Script &s) {
    if (!lstScripts->topLevelItem(posicion))
        return;
    lstScripts->setSortingEnabled(false);
    QTreeWidgetItem *nuevo = vista::NuevoItem(s);
    lstScripts->insertTopLevelItem(posicion + 1, nuevo);
    delete lstScripts->takeTopLevelItem(posicion);
    lstScripts->setCurrentItem(nuevo);
    // An edited script moves to its sorted place, still selected.
    if (opcionMarcada(1)) {
        lstScripts->sortByColumn(vista::ColNombre, Qt::AscendingOrder);
        lstScripts->setSortingEnabled(true);
    }
    lstScripts->scrollToItem(nuevo);
}

void frmPrincipal::QuitarFila(int posicion) {
    vista::Quitar(lstScripts, lstScripts->topLevelItem(posicion));
}

void frmPrincipal::QuedarseConFilas(const QVector<bool> &quedan) {
    // One rebuild of the list instead of one removal per row; the rows left keep their order.
    QTreeWidget *lista = lstScripts;
    lista->setUpdatesEnabled(false);
    QTreeWidgetItem *actual = lista->currentItem();
    const int filaActual = lista->indexOfTopLevelItem(actual);
    int antes = 0; // rows left before the current one: where the selection lands if it goes
    const QList<QTreeWidgetItem *> todos = lista->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> siguen;
    for (int i = 0; i < todos.size(); ++i) {
        if (quedan.value(i, true)) {
            siguen.append(todos.at(i));
            if (i < filaActual)
                ++antes;
        } else {
            if (todos.at(i) == actual)
                actual = nullptr;
            delete todos.at(i);
        }
    }
    // Rows added to a sorted list go in one by one: added as they are, they are already in order.
    const bool ordenada = lista->isSortingEnabled();
    lista->setSortingEnabled(false);
    lista->addTopLevelItems(siguen);
    lista->setSortingEnabled(ordenada);
    if (actual)
        lista->setCurrentItem(actual);
    else if (filaActual >= 0)
        vista::SeleccionarCercana(lista, antes);
    lista->setUpdatesEnabled(true);
}

bool frmPrincipal::GuardarFilasEn(const QString &ruta, QString *error) {
    return mdlScripts::GuardarLW(lstScripts, ruta, error);
}

codificacion::Tipo frmPrincipal::codificacionFilas() const { return vista::Codificacion(lstScripts); }

void frmPrincipal::FijarCodificacionFilas(codificacion::Tipo tipo) { vista::FijarCodificacion(lstScripts, tipo); }
