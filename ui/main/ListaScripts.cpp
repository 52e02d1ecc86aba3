#include "ui/main/ListaScripts.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <numeric>

ItemScript::ItemScript(const Script &s) : QTreeWidgetItem(QTreeWidgetItem::UserType) {
    setText(vista::ColNombre, s.Nombre);
    setText(vista::ColDescripcion, s.Descripcion);
    setText(vista::ColCodigo, s.Codigo);
    setText(vista::ColPuntaje, s.Puntaje);
    static const QIcon icono = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    setIcon(vista::ColNombre, icono);
    setFlags(flags() | Qt::ItemIsDragEnabled);
}

bool ItemScript::operator<(const QTreeWidgetItem &otro) const {
    const int c = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (c == vista::ColNombre && otro.type() == QTreeWidgetItem::UserType)
        return nombre_.compare(static_cast<const ItemScript &>(otro).nombre_, Qt::CaseInsensitive) < 0;
    return vista::Campo(this, c).compare(vista::Campo(&otro, c), Qt::CaseInsensitive) < 0;
}

void ItemScript::setData(int columna, int rol, const QVariant &valor) {
    QTreeWidgetItem::setData(columna, rol, valor);
    if (columna == vista::ColNombre && (rol == Qt::DisplayRole || rol == Qt::EditRole))
        nombre_ = QTreeWidgetItem::data(columna, Qt::EditRole).toString();
}

QVariant ItemScript::data(int columna, int rol) const {
    constexpr int kVisible = 1000;
    if (rol == Qt::DisplayRole && columna != vista::ColCodigo) {
        const QVariant v = QTreeWidgetItem::data(columna, Qt::EditRole);
        const QString t = v.toString();
        if (t.size() > kVisible)
            return QVariant(t.left(kVisible) + QChar(0x2026));
        return v;
    }
    return QTreeWidgetItem::data(columna, rol);
}

namespace vista {

QTreeWidgetItem *NuevoItem(const Script &s) { return new ItemScript(s); }

QTreeWidgetItem *Seleccionado(const QTreeWidget *lista) {
    return lista->currentItem() ? lista->currentItem() : lista->topLevelItem(0);
}

QString Campo(const QTreeWidgetItem *item, int columna) {
    return item ? item->data(columna, Qt::EditRole).toString() : QString();
}

Script ScriptDe(const QTreeWidgetItem *item) {
    if (!item)
        return {};
    return {Campo(item, ColNombre), Campo(item, ColDescripcion), Campo(item, ColCodigo), Campo(item, ColPuntaje)};
}

QVector<Script> Scripts(const QTreeWidget *lista) {
    QVector<Script> r;
    const int n = lista->topLevelItemCount();
    r.reserve(n);
    for (int i = 0; i < n; ++i)
        r.append(ScriptDe(lista->topLevelItem(i)));
    return r;
}

void Anexar(QTreeWidget *lista, const QVector<Script> &scripts) {
    if (scripts.isEmpty())
        return;
    const bool ordenar = lista->isSortingEnabled();
    // Rows made in name order lie in memory in that order: the list's own sort then walks them in
    // sequence instead of jumping across the heap, which costs more than the comparisons.
    QVector<int> orden(scripts.size());
    std::iota(orden.begin(), orden.end(), 0);
    if (ordenar && lista->topLevelItemCount() == 0 && lista->sortColumn() == ColNombre)
        std::stable_sort(orden.begin(), orden.end(), [&scripts](int a, int b) {
            return scripts.at(a).Nombre.compare(scripts.at(b).Nombre, Qt::CaseInsensitive) < 0;
        });
    QList<QTreeWidgetItem *> items;
    items.reserve(scripts.size());
    for (int i : orden)
        items.append(new ItemScript(scripts.at(i)));
    lista->setUpdatesEnabled(false);
    lista->setSortingEnabled(false);
    lista->addTopLevelItems(items);
    if (ordenar)
        lista->setSortingEnabled(true);
    lista->setUpdatesEnabled(true);
}

void Ordenar(QTreeWidget *lista, bool ordenar) {
    if (ordenar)
        lista->header()->setSortIndicator(ColNombre, Qt::AscendingOrder);
    lista->setSortingEnabled(ordenar);
    lista->header()->setSectionsClickable(false);
}

void PrepararColumnas(QTreeWidget *lista) {
    lista->setColumnCount(4);
    lista->setHeaderLabels({QStringLiteral("Nombre"), QStringLiteral("Descripción"), QStringLiteral("Código"),
                            QStringLiteral("P")});
    lista->setColumnHidden(ColCodigo, true);
    lista->setRootIsDecorated(false);
    lista->setUniformRowHeights(true);
    lista->setAllColumnsShowFocus(true);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->sortByColumn(ColNombre, Qt::AscendingOrder);
}

} // namespace vista

namespace {
// Draws a dashed frame around the drop-highlighted row, visible with or without the selection.
class DelegadoResaltado : public QStyledItemDelegate {
public:
    explicit DelegadoResaltado(ListaScripts *lista) : QStyledItemDelegate(lista), lista_(lista) {}
    void paint(QPainter *p, const QStyleOptionViewItem &op, const QModelIndex &indice) const override {
        QStyleOptionViewItem o(op);
        // Compared by index: looking the row up by item would cost a scan of the list per painted row.
        const bool marcado = lista_->filaResaltada() == indice.row() && !indice.parent().isValid();
        if (marcado && !(o.state & QStyle::State_Selected))
            p->fillRect(o.rect, QColor(255, 236, 160));
        QStyledItemDelegate::paint(p, o, indice);
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

ListaScripts::ListaScripts(QWidget *padre) : QTreeWidget(padre) {
    vista::PrepararColumnas(this);
    setItemDelegate(new DelegadoResaltado(this));
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    connect(this, &QTreeWidget::itemClicked, this, [this] { setResaltado(nullptr); });
}

void ListaScripts::setResaltado(QTreeWidgetItem *item) {
    resaltado_ = item ? QPersistentModelIndex(indexFromItem(item)) : QPersistentModelIndex();
    viewport()->update();
}

void ListaScripts::startDrag(Qt::DropActions) {
    if (!currentItem())
        return;
    auto *drag = new QDrag(this);
    auto *datos = new QMimeData;
    datos->setText(QString()); // the payload is empty: the move dialog works on the selected row
    drag->setMimeData(datos);
    drag->exec(Qt::CopyAction | Qt::MoveAction);
}
