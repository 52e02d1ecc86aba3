#include "ui/main/VistaScripts.h"
#include "format/CategoriaAbierta.h"
#include "ui/TextoCortado.h"
#include "ui/ListaScripts.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QStyle>

ModeloScripts::ModeloScripts(CategoriaAbierta &d, QObject *padre) : QAbstractTableModel(padre), d_(d) {
    connect(&d, &CategoriaAbierta::filasPorInsertar, this, [this](int a, int b) { beginInsertRows({}, a, b); });
    connect(&d, &CategoriaAbierta::filasInsertadas, this, [this] { endInsertRows(); });
    connect(&d, &CategoriaAbierta::filasPorQuitar, this, [this](int a, int b) { beginRemoveRows({}, a, b); });
    connect(&d, &CategoriaAbierta::filasQuitadas, this, [this] { endRemoveRows(); });
    connect(&d, &CategoriaAbierta::filaPorMover, this,
            [this](int f, int destino) { beginMoveRows({}, f, f, {}, destino); });
    connect(&d, &CategoriaAbierta::filaMovida, this, [this] { endMoveRows(); });
    connect(&d, &CategoriaAbierta::filasCambiadas, this,
            [this](int a, int b) { emit dataChanged(index(a, 0), index(b, mdlScripts::kCampos - 1)); });
    connect(&d, &CategoriaAbierta::porReiniciar, this, [this] { beginResetModel(); });
    connect(&d, &CategoriaAbierta::reiniciada, this, [this] { endResetModel(); });
}

int ModeloScripts::rowCount(const QModelIndex &p) const { return p.isValid() ? 0 : d_.cantidad(); }

int ModeloScripts::columnCount(const QModelIndex &p) const { return p.isValid() ? 0 : mdlScripts::kCampos; }

QVariant ModeloScripts::data(const QModelIndex &i, int rol) const {
    if (!i.isValid() || i.row() >= d_.cantidad())
        return {};
    const Script &s = d_.script(i.row());
    const QString *campo[] = {&s.Nombre, &s.Descripcion, &s.Codigo, &s.Puntaje};
    const QString &t = *campo[i.column()];
    switch (rol) {
    case Qt::EditRole:
        return t;
    case Qt::DisplayRole:
        // Laying out megabytes of text for one row would freeze the window.
        return i.column() == vista::ColCodigo ? t : vista::Mostrado(t);
    case Qt::DecorationRole:
        if (i.column() == vista::ColNombre) {
            static const QIcon icono = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
            return icono;
        }
        return {};
    default:
        return {};
    }
}

QVariant ModeloScripts::headerData(int seccion, Qt::Orientation orientacion, int rol) const {
    if (orientacion != Qt::Horizontal || rol != Qt::DisplayRole || seccion < 0 || seccion >= mdlScripts::kCampos)
        return {};
    static const char *const kTitulos[] = {"Nombre", "Descripción", "Código", "P"};
    return QString::fromUtf8(kTitulos[seccion]);
}

Qt::ItemFlags ModeloScripts::flags(const QModelIndex &i) const {
    return i.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled : Qt::NoItemFlags;
}

void ModeloScripts::sort(int columna, Qt::SortOrder orden) { d_.Ordenar(columna, orden); }

QStringList ModeloScripts::mimeTypes() const { return {QStringLiteral("text/plain")}; }

QMimeData *ModeloScripts::mimeData(const QModelIndexList &) const {
    auto *datos = new QMimeData;
    datos->setText(QString());
    return datos;
}

namespace {
// Draws a dashed frame around the drop-highlighted row, visible with or without the selection.
class DelegadoResaltado : public DelegadoTextoCortado {
public:
    explicit DelegadoResaltado(ListaScripts *lista) : DelegadoTextoCortado(lista), lista_(lista) {}
    void paint(QPainter *p, const QStyleOptionViewItem &op, const QModelIndex &indice) const override {
        QStyleOptionViewItem o(op);
        const bool marcado = lista_->filaResaltada() == indice.row();
        if (marcado && !(o.state & QStyle::State_Selected)) {
            p->fillRect(o.rect, QColor(255, 236, 160));
            // Dark text on the light mark, whatever the desktop's theme gives the list.
            for (auto grupo : {QPalette::Active, QPalette::Inactive})
                o.palette.setColor(grupo, QPalette::Text, Qt::black);
        }
        DelegadoTextoCortado::paint(p, o, indice);
        if (marcado) {
            p->save();
            QPen lapiz(QColor(200, 110, 0));
            lapiz.setWidth(2);
            lapiz.setStyle(Qt::DashLine);
            p->setPen(lapiz);
            p->drawLine(o.rect.topLeft(), o.rect.topRight());
            p->drawLine(o.rect.bottomLeft(), o.rect.bottomRight());
            p->restore();
        }
    }

private:
    ListaScripts *lista_;
};
} // namespace

ListaScripts::ListaScripts(CategoriaAbierta &d, QWidget *padre) : QTreeView(padre), modelo_(d) {
    setModel(&modelo_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setColumnHidden(vista::ColCodigo, true);
    setItemDelegate(new DelegadoResaltado(this));
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    // The document is empty now: turning sorting on sorts nothing. From here on only a click on a
    // header sorts; the document keeps its own order otherwise.
    header()->setSortIndicator(vista::ColNombre, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this] { header()->setSortIndicatorShown(true); });
    connect(this, &QTreeView::clicked, this, [this] { setResaltado(-1); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &ListaScripts::actualCambiado);
    connect(&modelo_, &QAbstractItemModel::modelReset, this, &ListaScripts::actualCambiado);
    connect(&modelo_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &a, const QModelIndex &b) {
        const int f = filaActual();
        if (f >= a.row() && f <= b.row())
            emit actualCambiado();
    });
}

int ListaScripts::cantidad() const { return modelo_.rowCount(); }

int ListaScripts::filaActual() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

int ListaScripts::filaSeleccionada() const {
    const QModelIndex i = currentIndex();
    return i.isValid() && selectionModel()->isRowSelected(i.row(), {}) ? i.row() : -1;
}

void ListaScripts::Seleccionar(int fila, ScrollHint donde) {
    if (fila < 0 || fila >= cantidad()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex i = modelo_.index(fila, vista::ColNombre);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(i, donde);
}

void ListaScripts::SeleccionarCercana(int fila) {
    const int n = cantidad();
    Seleccionar(n == 0 || fila < 0 ? -1 : std::min(fila, n - 1));
}

void ListaScripts::setResaltado(int fila) {
    resaltado_ = fila >= 0 ? QPersistentModelIndex(modelo_.index(fila, 0)) : QPersistentModelIndex();
    viewport()->update();
}

void ListaScripts::startDrag(Qt::DropActions) {
    if (filaActual() < 0)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(modelo_.mimeData({}));
    drag->exec(Qt::CopyAction | Qt::MoveAction);
}
