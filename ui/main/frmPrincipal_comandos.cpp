// Menus, the main toolbar, the panel header buttons and category management.
#include "core/Archivos.h"
#include "core/mdlSistema.h"
#include "format/Categorias.h"
#include "ui/frmCategoria.h"
#include "ui/Mensajes.h"
#include "ui/main/Disposicion.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "format/DuenoCarpeta.h"
#include <QFileInfo>

#include <QAbstractItemDelegate>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <utility>

namespace {
// While a category's label is being edited, its item keeps the name it had before.
constexpr int kNombreAnterior = Qt::UserRole + 41;

// The end of an in-place edit of lstCat: the file follows the new name, or nothing changes.
void TerminarRenombre(frmPrincipal &w, QTreeWidgetItem *item, const QString &viejo) {
    const QString nuevo = categorias::LimpiarRenombre(item->text(0));
    auto mostrar = [&](const QString &texto) {
        const QSignalBlocker bloqueo(item->treeWidget());
        item->setText(0, texto);
    };
    const QString titulo = QStringLiteral("Renombrar");
    if (nuevo.isEmpty()) {
        mostrar(viejo);
        mensajes::Aviso(&w, QStringLiteral("El nombre de la categoría no puede quedar vacío."), titulo);
        return;
    }
    if (categorias::EsSeudonimo(nuevo)) {
        mostrar(viejo);
        mensajes::Aviso(&w, categorias::AvisoSeudonimo(nuevo), titulo);
        return;
    }
    // What the add dialog would not let through (control characters above all) is refused here too.
    if (categorias::Filtrar(nuevo) != nuevo) {
        mostrar(viejo);
        mensajes::Aviso(&w, QStringLiteral("El nombre de la categoría no debe contener caracteres especiales."), titulo);
        return;
    }
    // The window is reset after a rename: changes made meanwhile are offered first, and a save that
    // fails keeps the old name so that they stay where they belong.
    if (w.categoria().hayCambios() && !w.Preguntar()) {
        mostrar(viejo);
        return;
    }
    const QString origen = w.estado.rutaCategoria(viejo), destino = w.estado.rutaCategoria(nuevo);
    QString error;
    switch (DuenoCarpeta::De(w.estado.carpetaCategorias())
                .Renombrar(QFileInfo(origen).fileName(), QFileInfo(destino).fileName(), &error)) {
    case categorias::Renombre::MismoNombre:
        mostrar(nuevo);
        return;
    case categorias::Renombre::Hecho:
        mostrar(nuevo);
        w.Limpiar();
        return;
    case categorias::Renombre::DestinoExiste:
        mostrar(viejo);
        mensajes::Aviso(&w,
                        QStringLiteral("Ya existe una categoría llamada %1. La categoría %2 no se ha renombrado.")
                            .arg(nuevo, viejo),
                        titulo);
        return;
    case categorias::Renombre::FaltaOrigen:
        mostrar(viejo);
        mensajes::Aviso(&w,
                        QStringLiteral("No se encuentra el archivo de la categoría %1 (%2); no se ha renombrado.")
                            .arg(viejo, QDir::toNativeSeparators(origen)),
                        titulo);
        return;
    case categorias::Renombre::NombreVacio:
    case categorias::Renombre::Fallo:
        mostrar(viejo);
        mensajes::Aviso(&w,
                        QStringLiteral("No se pudo renombrar la categoría %1 a %2: %3").arg(viejo, nuevo, error),
                        titulo);
        return;
    }
}

// Ends the editing state of an entry; gives the name it had before, or nothing if it was not edited.
QVariant SoltarEdicion(QTreeWidget *lista, QTreeWidgetItem *item) {
    if (lista->indexOfTopLevelItem(item) < 0)
        return {};
    const QVariant viejo = item->data(0, kNombreAnterior);
    if (viejo.isValid()) {
        const QSignalBlocker bloqueo(lista);
        item->setData(0, kNombreAnterior, QVariant());
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    return viejo;
}

// A checkable action has already flipped its mark when it reports the trigger; the command itself
// flips it, so the mark is put back first.
void ConectarMarcada(frmPrincipal *w, QAction *a, void (frmPrincipal::*orden)()) {
    QObject::connect(a, &QAction::triggered, w, [w, a, orden](bool marcada) {
        a->setChecked(!marcada);
        (w->*orden)();
    });
}
} // namespace

void frmPrincipal::conectarComandos() {
    const std::pair<QAction *, void (frmPrincipal::*)()> menus[] = {
        {mnuEnviar, &frmPrincipal::mnuEnviar_Click},
        {mnuOutlookConfig, &frmPrincipal::mnuOutlookConfig_Click},
        {mnuOpciones, &frmPrincipal::mnuOpciones_Click},
        {mnuSalir, &frmPrincipal::mnuSalir_Click},
        {mnuAgregar, &frmPrincipal::mnuAgregar_Click},
        {mnuEliminar, &frmPrincipal::mnuEliminar_Click},
        {mnuRenombrar, &frmPrincipal::mnuRenombrar_Click},
        {mnuImportar, &frmPrincipal::mnuImportar_Click},
        {mnuExportarEditores, &frmPrincipal::mnuExportarEditores_Click},
        {mnuMarkdown, &frmPrincipal::mnuMarkdown_Click},
        {mnuMarkdownBiblioteca, &frmPrincipal::mnuMarkdownBiblioteca_Click},
        {mnuCodBuscarBiblioteca, &frmPrincipal::mnuCodBuscarBiblioteca_Click},
        {mnuLinkJS, &frmPrincipal::mnuLinkJS_Click},
        {mnuLinkASP, &frmPrincipal::mnuLinkASP_Click},
        {mnuLinkPHP, &frmPrincipal::mnuLinkPHP_Click},
        {mnuLinkVB, &frmPrincipal::mnuLinkVB_Click},
        {mnuActualizar, &frmPrincipal::mnuActualizar_Click},
        {mnuAcerca, &frmPrincipal::mnuAcerca_Click},
    };
    for (const auto &[accion, orden] : menus)
        connect(accion, &QAction::triggered, this, orden);
    connect(mnuGuardar, &QAction::triggered, this, &frmPrincipal::GuardarCambios);
    ConectarMarcada(this, mnuVerOp, &frmPrincipal::mnuVerOp_Click);
    ConectarMarcada(this, mnuVerE, &frmPrincipal::mnuVerE_Click);

    // The toolbar and its drop-down entries, each wired to its command.
    const std::pair<QAction *, void (frmPrincipal::*)()> botones[] = {
        {btnImportar, &frmPrincipal::mnuImportar_Click},
        {btnExportar, &frmPrincipal::mnuOpciones_Click},
        {btnGuardar, &frmPrincipal::GuardarCambios},
        {btnCategorias, &frmPrincipal::mnuAgregar_Click},
        {entAgregarCat, &frmPrincipal::mnuAgregar_Click},
        {entEliminarCat, &frmPrincipal::mnuEliminar_Click},
        {entRenombrarCat, &frmPrincipal::mnuRenombrar_Click},
        {btnOutlook, &frmPrincipal::mnuOutlookConfig_Click},
        {btnAcerca, &frmPrincipal::mnuAcerca_Click},
        {entJS, &frmPrincipal::mnuLinkJS_Click},
        {entASP, &frmPrincipal::mnuLinkASP_Click},
        {entPHP, &frmPrincipal::mnuLinkPHP_Click},
        {entVB, &frmPrincipal::mnuLinkVB_Click},
    };
    for (const auto &[accion, orden] : botones)
        connect(accion, &QAction::triggered, this, orden);
    connect(btnAyuda, &QAction::triggered, this, [this] {
        estado.TemaAyuda = QStringLiteral("Ayuda");
        MostrarAyuda();
    });

    connect(cmdM1, &QToolButton::clicked, this, [this] {
        mnuVerOp_Click();
        lstCat->setFocus();
    });
    connect(cmdM2, &QToolButton::clicked, this, &frmPrincipal::mnuVerOp_Click);
    connect(cmdMCat, &QToolButton::clicked, this, &frmPrincipal::cmdMCat_Click);
    connect(cmdM3, &QToolButton::clicked, this, &frmPrincipal::cmdM3_Click);
    connect(cmdM4, &QToolButton::clicked, this, &frmPrincipal::cmdM4_Click);

    // The rename runs once the editor has closed: a message shown while it is still open would take
    // its focus and make it commit the raw text a second time.
    connect(lstCat, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int columna) {
        if (columna != 0)
            return;
        const QVariant viejo = SoltarEdicion(lstCat, item);
        if (!viejo.isValid())
            return;
        renombre_ = {item, viejo.toString()};
        QTimer::singleShot(0, this, &frmPrincipal::RenombrarPendiente);
    });
}

void frmPrincipal::RenombrarPendiente() {
    const RenombrePendiente r = std::exchange(renombre_, {});
    if (r.item && lstCat->indexOfTopLevelItem(r.item) >= 0)
        TerminarRenombre(*this, r.item, r.viejo);
}

void frmPrincipal::TerminarEdicionCategoria() {
    // An editor still open hands its text over as Enter would.
    for (int i = 0; i < lstCat->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = lstCat->topLevelItem(i);
        if (!item->data(0, kNombreAnterior).isValid())
            continue;
        QAbstractItemDelegate *delegado = lstCat->itemDelegateForIndex(lstCat->indexFromItem(item));
        if (QWidget *editor = lstCat->indexWidget(lstCat->indexFromItem(item))) {
            emit delegado->commitData(editor);
            emit delegado->closeEditor(editor, QAbstractItemDelegate::NoHint);
        } else {
            SoltarEdicion(lstCat, item);
        }
    }
    RenombrarPendiente();
}

void frmPrincipal::mnuAgregar_Click() {
    // A save that failed keeps its changes pending; the list they live in is not cleared.
    if (categoria_.hayCambios() && !Preguntar())
        return;
    frmCategoria dialogo(*this);
    mensajes::Ejecutar(dialogo);
}

void frmPrincipal::mnuEliminar_Click() {
    if (categoria_.hayCambios() && !Preguntar())
        return;
    // Only the entry the user sees chosen: the list's cursor may rest on one that is not selected.
    QTreeWidgetItem *item = lstCat->currentItem();
    lstCat->setFocus();
    if (!item || !item->isSelected())
        return;
    const QString nombre = item->text(0);
    const QString ruta = estado.rutaCategoria(nombre);
    if (mdlSistema::ExisteArchivo(ruta)) {
        if (!mensajes::Preguntar(this, QStringLiteral("¿Desea eliminar la categoría %1?").arg(nombre),
                                 estado.TituloApp))
            return;
        QString error;
        if (!DuenoCarpeta::De(estado.carpetaCategorias()).Eliminar(QFileInfo(ruta).fileName(), &error)) {
            mensajes::Aviso(this,
                            QStringLiteral("No se pudo eliminar la categoría %1 (%2): %3")
                                .arg(nombre, QDir::toNativeSeparators(ruta), error),
                            QStringLiteral("Eliminar"));
            return;
        }
    }
    // The question lets events run: a refill of the list (a sync's files seen arriving) may have
    // replaced the row meanwhile, so it is found again by its name.
    for (int i = 0; i < lstCat->topLevelItemCount(); ++i)
        if (lstCat->topLevelItem(i)->text(0) == nombre) {
            delete lstCat->takeTopLevelItem(i);
            break;
        }
    Limpiar();
}

void frmPrincipal::mnuRenombrar_Click() {
    if (categoria_.hayCambios() && !Preguntar())
        return;
    lstCat->setFocus();
    QTreeWidgetItem *item = lstCat->currentItem();
    if (!item || !item->isSelected())
        return;
    {
        const QSignalBlocker bloqueo(lstCat);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setData(0, kNombreAnterior, item->text(0));
    }
    // An edit given up with Escape leaves the entry as it was and not editable by a click.
    QAbstractItemDelegate *delegado = lstCat->itemDelegateForIndex(lstCat->currentIndex());
    connect(
        delegado, &QAbstractItemDelegate::closeEditor, this,
        [this, item] { SoltarEdicion(lstCat, item); },
        Qt::SingleShotConnection);
    // Opened once the event that asked for it is over: a menu that is still closing would take the
    // focus from the new editor and end the edit before the user typed.
    QTimer::singleShot(0, this, [this, item] {
        if (lstCat->indexOfTopLevelItem(item) >= 0)
            lstCat->editItem(item, 0);
    });
}

void frmPrincipal::mnuSalir_Click() { close(); }

void frmPrincipal::mnuVerOp_Click() {
    const bool mostrar = !mnuVerOp->isChecked();
    mnuVerOp->setChecked(mostrar);
    for (QWidget *w : {static_cast<QWidget *>(Panel2), static_cast<QWidget *>(lbl2),
                       static_cast<QWidget *>(cmdM2), static_cast<QWidget *>(lstOp)})
        w->setVisible(mostrar);
    disposicion::Aplicar(*this, disposicion::VerOpciones(disposicion::Leer(*this), mostrar));
    estado.Izquierda = !mostrar;
}

void frmPrincipal::mnuVerE_Click() {
    if (isMaximized())
        return;
    const bool mostrar = !mnuVerE->isChecked();
    mnuVerE->setChecked(mostrar);
    // The window grows or shrinks by the bar, so the panels keep their size.
    const int alto = barEstado->isVisibleTo(this) && barEstado->height() > 0 ? barEstado->height()
                                                                              : barEstado->sizeHint().height();
    barEstado->setVisible(mostrar);
    // The panels follow through the central area's resize.
    resize(width(), height() + (mostrar ? alto : -alto));
}

void frmPrincipal::cmdM3_Click() {
    Panel3->setUpdatesEnabled(false); // the toolbar and list frame move as a whole
    setTopFraMenu3(1200);
    disposicion::Aplicar(*this, disposicion::BarraScripts(disposicion::Leer(*this), true));
    cmdM4->setEnabled(true);
    cmdM3->setEnabled(false);
    estado.Derecha = false;
    fraMenu4->setVisible(true);
    Panel3->setUpdatesEnabled(true);
}

void frmPrincipal::cmdM4_Click() {
    Panel3->setUpdatesEnabled(false); // the toolbar and list frame move as a whole
    fraMenu4->setVisible(false);
    setTopFraMenu3(360);
    disposicion::Aplicar(*this, disposicion::BarraScripts(disposicion::Leer(*this), false));
    cmdM4->setEnabled(false);
    cmdM3->setEnabled(true);
    estado.Derecha = true;
    Panel3->setUpdatesEnabled(true);
}

void frmPrincipal::ElDuplicados(QComboBox *cb) {
    if (!cb)
        return;
    for (int i = 0; i < cb->count(); ++i)
        for (int j = cb->count() - 1; j > i; --j)
            if (cb->itemText(j) == cb->itemText(i))
                cb->removeItem(j);
}
