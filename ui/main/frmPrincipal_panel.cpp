// Category panel: lstCat, cboCat and the options list lstOp.
#include "core/Archivos.h"
#include "core/mdlSistema.h"
#include "format/Herramientas.h"
#include "ui/mdlScriptsVista.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"

#include <QAction>
#include <algorithm>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidget>

namespace {
const QString kImportarCategoria = QStringLiteral("Importar categoría");
const QString kImportarScripts = QStringLiteral("Importar scripts");

void Colorear(QLabel *l, bool resaltado) {
    QPalette p = l->palette();
    if (resaltado) {
        p.setColor(QPalette::Window, l->style()->standardPalette().color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::WindowText,
                   l->style()->standardPalette().color(QPalette::Active, QPalette::HighlightedText));
    } else {
        p.setColor(QPalette::Window, QColor(128, 128, 128));
        p.setColor(QPalette::WindowText, Qt::white);
    }
    l->setPalette(p);
}

// With the selection hidden, an unfocused lstCat paints its selected row like any other.
void SeleccionInactivaVisible(QTreeWidget *lista, bool visible) {
    QPalette p = lista->palette();
    const QPalette base = lista->style()->standardPalette();
    for (auto rol : {QPalette::Highlight, QPalette::HighlightedText}) {
        const QColor activo = base.color(QPalette::Active, rol);
        const QColor oculto = base.color(QPalette::Inactive, rol == QPalette::Highlight ? QPalette::Base : QPalette::Text);
        p.setColor(QPalette::Inactive, rol, visible ? activo : oculto);
    }
    lista->setPalette(p);
}

// A script dragged out of lstScripts carries an empty plain text and nothing else.
bool EsScriptArrastrado(const QMimeData *datos, const QObject *origen, const QObject *lista) {
    // A drop synthesised without a drag in progress has no source; its empty text still tells it apart.
    return datos && datos->hasText() && (origen == lista || (!origen && datos->text().isEmpty()));
}
} // namespace

void frmPrincipal::conectarPanel() {
    SeleccionInactivaVisible(lstCat, false);
    for (QObject *o : {static_cast<QObject *>(lstCat), static_cast<QObject *>(lstCat->viewport()),
                       static_cast<QObject *>(lstOp), static_cast<QObject *>(cboCat),
                       static_cast<QObject *>(cboCat->lineEdit())})
        o->installEventFilter(this);

    connect(lstCat, &QTreeWidget::itemClicked, this, [this] {
        // Cancelar, or a save that failed, keeps the changes pending and the open category selected.
        if (categoria_.hayCambios() && !Preguntar())
            SeleccionarAbierta();
    });
    connect(lstCat, &QTreeWidget::itemDoubleClicked, this, [this] { AbrirCategoria(); });

    connect(cboCat, qOverload<int>(&QComboBox::activated), this, [this](int indice) {
        if (categoria_.hayCambios() && !Preguntar()) {
            // The filter stays; so does its name in the box, which is what the preferences keep.
            setEntradasPanel(entradasPanel(), estado.Mostrar);
            return;
        }
        const QString texto = cboCat->itemText(indice);
        cboCat->setEditText(texto);
        if (texto == QLatin1String("Todas")) {
            estado.MostrarTodas = 1;
            estado.Mostrar = QStringLiteral("Todas");
        } else {
            estado.MostrarTodas = 0;
            estado.Mostrar = texto;
        }
        LlenarCat();
        Limpiar();
    });

    connect(lstOp, &QTreeWidget::itemChanged, this, &frmPrincipal::OpcionCambiada);
}

void frmPrincipal::OpcionCambiada(QTreeWidgetItem *item, int columna) {
    if (columna != 0)
        return;
    const int posicion = lstOp->indexOfTopLevelItem(item) + 1;
    const bool marcada = item->checkState(0) == Qt::Checked;
    switch (posicion) {
    case 1:
        categoria_.setOrdenado(marcada);
        {
            // The indicator only shows the order: the document is sorted already.
            const QSignalBlocker bloqueo(lstScripts->header());
            lstScripts->header()->setSortIndicator(vista::ColNombre, Qt::AscendingOrder);
        }
        lstScripts->header()->setSortIndicatorShown(marcada);
        btnSubirS->setEnabled(!marcada);
        btnBajarS->setEnabled(!marcada);
        break;
    case 2:
        // The list view shows names only.
        lstScripts->setHeaderHidden(!marcada);
        lstScripts->setColumnHidden(vista::ColDescripcion, !marcada);
        lstScripts->setColumnHidden(vista::ColPuntaje, !marcada);
        break;
    case 3: {
        const QSignalBlocker bloqueo(lstOp);
        item->setText(0, marcada ? kImportarCategoria : kImportarScripts);
        break;
    }
    case 4: {
        if (!marcada)
            break;
        auto desmarcar = [this, item] {
            const QSignalBlocker bloqueo(lstOp);
            item->setCheckState(0, Qt::Unchecked);
        };
        const QString titulo = QStringLiteral("Eliminar duplicados");
        if (!categoria_.hayAbierta()) {
            mensajes::Aviso(this, QStringLiteral("Primero debe seleccionar una categoría"), titulo);
            desmarcar();
            return;
        }
        if (categoria_.cantidad() == 0) {
            mensajes::Aviso(this, QStringLiteral("La categoría se encuentra vacía"), titulo);
            desmarcar();
            return;
        }
        AbrirEliminarDuplicados();
        desmarcar();
        break;
    }
    default:
        return;
    }
    lstOp->setCurrentItem(item);
}

bool frmPrincipal::filtrarPanel(QObject *objeto, QEvent *evento) {
    const QEvent::Type tipo = evento->type();
    if (objeto == cboCat || (cboCat && objeto == cboCat->lineEdit())) {
        if (tipo == QEvent::KeyPress || tipo == QEvent::KeyRelease || tipo == QEvent::ShortcutOverride) {
            // Nothing can be typed; Tab still moves on, and Up and Down choose an entry as a click does.
            const int tecla = static_cast<QKeyEvent *>(evento)->key();
            return tecla != Qt::Key_Tab && tecla != Qt::Key_Backtab && tecla != Qt::Key_Up && tecla != Qt::Key_Down;
        }
        // Scrolling the panel past the box must not change the filter (and close the open category).
        if (tipo == QEvent::Wheel && !cboCat->hasFocus())
            return true;
        return false;
    }
    if (objeto == lstCat && tipo == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(evento)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) { // as a double click
            AbrirCategoria();
            return true;
        }
        return false;
    }
    if (objeto == lstCat && tipo == QEvent::FocusOut) {
        Colorear(lbl1, false);
        return false;
    }
    if (objeto == lstOp) {
        if (tipo == QEvent::FocusIn)
            ResaltarPanel(2);
        else if (tipo == QEvent::FocusOut)
            Colorear(lbl2, false);
        return false;
    }
    if (objeto != lstCat->viewport())
        return false;
    switch (tipo) {
    case QEvent::MouseButtonPress: {
        auto *raton = static_cast<QMouseEvent *>(evento);
        ResaltarPanel(1);
        if (raton->button() == Qt::RightButton) {
            // The pop-up's commands act on the row under the pointer, as the user sees it.
            if (QTreeWidgetItem *bajo = lstCat->itemAt(raton->position().toPoint()))
                lstCat->setCurrentItem(bajo);
            if (categoria_.hayCambios()) {
                if (!Preguntar())
                    SeleccionarAbierta();
            } else
                g002->popup(raton->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *arrastre = static_cast<QDragMoveEvent *>(evento);
        if (EsScriptArrastrado(arrastre->mimeData(), arrastre->source(), lstScripts))
            arrastre->acceptProposedAction();
        else
            arrastre->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *suelta = static_cast<QDropEvent *>(evento);
        if (!EsScriptArrastrado(suelta->mimeData(), suelta->source(), lstScripts))
            return true;
        // The drag's own event loop is still running: the dialog opens once it has ended.
        suelta->setDropAction(Qt::CopyAction);
        suelta->accept();
        QMetaObject::invokeMethod(this, &frmPrincipal::MoverPorArrastre, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

QStringList frmPrincipal::NombresEnCarpeta() const {
    // Names that are not UTF-8 are listed by their readable form; the file layer finds them again.
    QStringList nombres = archivos::Listar(estado.carpetaListado(), QStringLiteral(".rtn"));
    herramientas::OrdenarNombres(nombres);
    QStringList r;
    r.reserve(nombres.size());
    for (const QString &a : std::as_const(nombres)) {
        const QString nombre = a.section(QLatin1Char('.'), 0, 0);
        // "Menus.rtn" and "Menus.RTN" name one category, the first file.
        if (!a.endsWith(QLatin1String(".rtn")) && nombres.contains(nombre + QLatin1String(".rtn")))
            continue;
        r.append(nombre);
    }
    return r;
}

bool frmPrincipal::PasaFiltro(const QString &nombre) const {
    if (estado.MostrarTodas != 0)
        return true;
    const int largo = int(estado.Mostrar.size());
    return nombre.size() >= largo && nombre.left(largo).toLower() == estado.Mostrar.toLower();
}

void frmPrincipal::LlenarCat() {
    lstCat->setUpdatesEnabled(false);
    lstCat->clear();
    const QIcon icono = Imagen(7);
    QList<QTreeWidgetItem *> items;
    for (const QString &nombre : NombresEnCarpeta()) {
        if (!PasaFiltro(nombre))
            continue;
        auto *item = new QTreeWidgetItem({nombre});
        item->setIcon(0, icono);
        items.append(item);
    }
    lstCat->addTopLevelItems(items);
    lstCat->setUpdatesEnabled(true);
    ControlarCat();
}

void frmPrincipal::SeleccionarAbierta() {
    if (!categoria_.hayAbierta())
        return;
    const auto hallados = lstCat->findItems(categoria_.nombre(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (hallados.isEmpty())
        return;
    const QSignalBlocker bloqueo(lstCat);
    lstCat->setCurrentItem(hallados.first());
}

void frmPrincipal::LlenarOp() {
    const QSignalBlocker bloqueo(lstOp);
    lstOp->clear();
    for (const QString &t : {QStringLiteral("Orden ascendente"), QStringLiteral("Mostrar detalles"), kImportarCategoria,
                             QStringLiteral("Eliminar duplicados")}) {
        auto *item = new QTreeWidgetItem(lstOp, {t});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
}

bool frmPrincipal::opcionMarcada(int posicion) const {
    const QTreeWidgetItem *i = lstOp->topLevelItem(posicion - 1);
    return i && i->checkState(0) == Qt::Checked;
}

void frmPrincipal::setOpcionMarcada(int posicion, bool marcada) {
    if (QTreeWidgetItem *i = lstOp->topLevelItem(posicion - 1))
        i->setCheckState(0, marcada ? Qt::Checked : Qt::Unchecked);
}

void frmPrincipal::AbrirCategoria() {
    if (lstCat->topLevelItemCount() == 0)
        return;
    // Opening replaces the list: if the save failed or was cancelled, the unsaved scripts stay on
    // screen, and so does the open category's entry.
    if (categoria_.hayCambios() && !Preguntar()) {
        SeleccionarAbierta();
        return;
    }
    const QTreeWidgetItem *sel = lstCat->currentItem();
    if (!sel)
        return;
    Abrir(sel->text(0));
}

bool frmPrincipal::Abrir(const QString &nombre) {
    const QString ruta = estado.rutaCategoria(nombre);
    if (!mdlSistema::ExisteArchivo(ruta))
        return false;
    SeleccionInactivaVisible(lstCat, true);

    const bool ordenar = opcionMarcada(1);
    const bool leida = mdlScripts::LeerCategoria(categoria_, ruta, barProgreso, this);
    btnSubirS->setEnabled(!ordenar);
    btnBajarS->setEnabled(!ordenar);
    if (!leida) {
        // An unreadable file is not opened: saving an empty list over it would destroy it.
        Limpiar();
        return false;
    }
    lstScripts->Seleccionar(categoria_.cantidad() > 0 ? 0 : -1);
    ActualizarBotones();
    return true;
}

void frmPrincipal::Recargar() {
    if (!categoria_.hayAbierta())
        return;
    const int fila = lstScripts->filaActual();
    if (!Abrir(categoria_.nombre())) {
        Limpiar();
        return;
    }
    if (fila >= 0)
        lstScripts->SeleccionarCercana(fila);
}

void frmPrincipal::ResaltarPanel(int panel) {
    switch (panel) {
    case 1:
        Colorear(lbl1, true);
        break;
    case 2:
        Colorear(lbl2, true);
        break;
    default:
        break;
    }
    for (QLabel *l : {lblMenu3, lblMenu3a})
        Colorear(l, panel == 3);
}
