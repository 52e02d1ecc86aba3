#include "ui/main/ListaScripts.h"
#include "core/Registro.h"
#include "core/Cp1252.h"
#include "format/Herramientas.h"
#include "ui/TextoCortado.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <numeric>

ItemScript::ItemScript(const Script &s)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), campos_{s.Nombre, s.Descripcion, s.Codigo, s.Puntaje} {
    plegarNombre();
    setFlags(flags() | Qt::ItemIsDragEnabled);
}

void ItemScript::plegarNombre() {
    const QString plegado = herramientas::Plegar(campos_[vista::ColNombre]);
    if (plegado.size() <= kCorta) {
        std::copy_n(reinterpret_cast<const char16_t *>(plegado.constData()), plegado.size(), corta_);
        largoCorta_ = quint8(plegado.size());
        clave_ = QString();
    } else {
        clave_ = plegado;
    }
}

ItemScript::ItemScript(const Script &s, const QByteArray &archivo, mdlScripts::Tramo codigo) : ItemScript(s) {
    if (codigo.inicio >= 0) {
        archivo_ = archivo;
        codigo_ = codigo;
    }
}

codificacion::Tipo ItemScript::codificacionCruda() const { return codificacion::De(archivo_); }

QByteArrayView ItemScript::codigoCrudo() const {
    return codigo_.inicio >= 0 ? QByteArrayView(archivo_.constData() + codigo_.inicio, codigo_.largo)
                               : QByteArrayView();
}

QString ItemScript::campo(int columna) const {
    if (columna == vista::ColCodigo && codigo_.inicio >= 0)
        return mdlScripts::Codigo(archivo_, codigo_);
    return campos_[columna];
}

const QCollatorSortKey &ItemScript::claveOrden() const {
    if (!orden_)
        orden_.emplace(herramientas::ClaveOrden(campos_[vista::ColNombre]));
    return *orden_;
}

bool ItemScript::operator<(const QTreeWidgetItem &otro) const {
    const int c = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (c == vista::ColNombre && otro.type() == QTreeWidgetItem::UserType) {
        const auto &o = static_cast<const ItemScript &>(otro);
        if (tanda_ != 0 && tanda_ == o.tanda_)
            return puesto_ < o.puesto_;
        return claveOrden().compare(o.claveOrden()) < 0;
    }
    const QString a = vista::Campo(this, c), b = vista::Campo(&otro, c);
    if (c == vista::ColPuntaje) {
        // Scores are numbers: 6 before 10. One that is not a number goes after those that are.
        bool okA = false, okB = false;
        const double x = a.trimmed().toDouble(&okA), y = b.trimmed().toDouble(&okB);
        if (okA != okB)
            return okA;
        if (okA && x != y)
            return x < y;
    }
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

void ItemScript::setData(int columna, int rol, const QVariant &valor) {
    if (columna >= 0 && columna < mdlScripts::kCampos && (rol == Qt::DisplayRole || rol == Qt::EditRole)) {
        campos_[columna] = valor.toString();
        if (columna == vista::ColCodigo) {
            archivo_ = QByteArray();
            codigo_ = {};
        }
        if (columna == vista::ColNombre) {
            plegarNombre();
            orden_.reset();
            tanda_ = 0;
        }
    }
    // The base item is told too: it tells the view, which repaints and keeps the order.
    QTreeWidgetItem::setData(columna, rol, valor);
}

QVariant ItemScript::data(int columna, int rol) const {
    if (columna >= 0 && columna < mdlScripts::kCampos) {
        if (rol == Qt::EditRole || (rol == Qt::DisplayRole && columna == vista::ColCodigo))
            return campo(columna);
        const QString &t = campos_[columna];
        if (rol == Qt::DisplayRole)
            return vista::Mostrado(t);
        if (rol == Qt::DecorationRole && columna == vista::ColNombre) {
            static const QIcon icono = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
            return icono;
        }
    }
    return QTreeWidgetItem::data(columna, rol);
}

namespace vista {

QTreeWidgetItem *NuevoItem(const Script &s) { return new ItemScript(s); }

QTreeWidgetItem *Seleccionado(const QTreeWidget *lista) {
    return lista->currentItem() ? lista->currentItem() : lista->topLevelItem(0);
}

void SeleccionarCercana(QTreeWidget *lista, int fila) {
    const int n = lista->topLevelItemCount();
    if (n == 0 || fila < 0) {
        lista->setCurrentItem(nullptr);
        return;
    }
    QTreeWidgetItem *cercana = lista->topLevelItem(std::min(fila, n - 1));
    lista->setCurrentItem(cercana);
    cercana->setSelected(true);
}

void Quitar(QTreeWidget *lista, QTreeWidgetItem *item) {
    const int fila = lista->indexOfTopLevelItem(item);
    if (fila < 0)
        return;
    delete lista->takeTopLevelItem(fila);
    SeleccionarCercana(lista, fila);
}

QString Mostrado(const QString &campo) {
    constexpr int kVisible = 1000;
    return campo.size() > kVisible ? campo.left(kVisible) + QChar(0x2026) : campo;
}

QString Campo(const QTreeWidgetItem *item, int columna) {
    if (item && item->type() == QTreeWidgetItem::UserType && columna >= 0 && columna < mdlScripts::kCampos)
        return static_cast<const ItemScript *>(item)->campo(columna);
    return item ? item->data(columna, Qt::EditRole).toString() : QString();
}

QStringView Clave(const QTreeWidgetItem *item) {
    // Only script rows are ever put in a script list.
    return item && item->type() == QTreeWidgetItem::UserType ? static_cast<const ItemScript *>(item)->clave()
                                                              : QStringView();
}

Script ScriptDe(const QTreeWidgetItem *item) {
    if (!item)
        return {};
    return {Campo(item, ColNombre), Campo(item, ColDescripcion), Campo(item, ColCodigo), Campo(item, ColPuntaje)};
}

namespace {
// The code's bytes as read, when they are already in the encoding being written.
QByteArrayView CodigoCrudo(const QTreeWidgetItem *item, codificacion::Tipo tipo) {
    if (item->type() != QTreeWidgetItem::UserType)
        return {};
    const auto *script = static_cast<const ItemScript *>(item);
    return script->codificacionCruda() == tipo ? script->codigoCrudo() : QByteArrayView();
}
const char *const kCodificacion = "codificacion";
} // namespace

codificacion::Tipo Codificacion(const QTreeWidget *lista) {
    return lista->property(kCodificacion).toBool() ? codificacion::Tipo::Utf8 : codificacion::Tipo::Cp1252;
}

void FijarCodificacion(QTreeWidget *lista, codificacion::Tipo tipo) {
    lista->setProperty(kCodificacion, tipo == codificacion::Tipo::Utf8);
}

QByteArray Componer(const QTreeWidget *lista) {
    codificacion::Tipo tipo = Codificacion(lista);
    const int n = lista->topLevelItemCount();
    // A row brought in from elsewhere (a version of the history, a recovery) may hold what
    // Windows-1252 cannot: the category is then written in UTF-8 rather than lose a character.
    for (int i = 0; i < n && tipo == codificacion::Tipo::Cp1252; ++i) {
        const QTreeWidgetItem *item = lista->topLevelItem(i);
        for (int c : {ColNombre, ColDescripcion, ColCodigo, ColPuntaje}) {
            if (c == ColCodigo && !CodigoCrudo(item, tipo).isNull())
                continue;
            if (!cp1252::Representable(Campo(item, c))) {
                qCWarning(lcArchivos) << "a script holds characters Windows-1252 cannot: the category is written in UTF-8";
                tipo = codificacion::Tipo::Utf8;
                break;
            }
        }
    }
    qsizetype total = 0;
    for (int i = 0; i < n; ++i) {
        const QTreeWidgetItem *item = lista->topLevelItem(i);
        const QByteArrayView crudo = CodigoCrudo(item, tipo);
        total += Campo(item, ColNombre).size() + Campo(item, ColDescripcion).size() + Campo(item, ColPuntaje).size() +
                 (crudo.isNull() ? Campo(item, ColCodigo).size() : crudo.size()) + 16;
    }
    QByteArray salida;
    salida.reserve(total + codificacion::Inicio(tipo));
    if (tipo == codificacion::Tipo::Utf8)
        salida.append(codificacion::kBom, codificacion::kLargoBom);
    for (int i = 0; i < n; ++i) {
        const QTreeWidgetItem *item = lista->topLevelItem(i);
        const QByteArrayView crudo = CodigoCrudo(item, tipo);
        mdlScripts::AgregarRegistro(salida,
                                    {Campo(item, ColNombre), Campo(item, ColDescripcion),
                                     crudo.isNull() ? Campo(item, ColCodigo) : QString(), Campo(item, ColPuntaje)},
                                    crudo, tipo);
    }
    return salida;
}

namespace {
// Appends `n` rows made by `nuevo(i)`; `nombre(i)` is row i's name.
template <class Nombre, class Nuevo> void AnexarFilas(QTreeWidget *lista, int n, Nombre nombre, Nuevo nuevo) {
    if (n == 0)
        return;
    const bool ordenar = lista->isSortingEnabled();
    QList<QTreeWidgetItem *> items;
    items.reserve(n);
    if (ordenar && lista->topLevelItemCount() == 0 && lista->sortColumn() == ColNombre) {
        // Rows made in name order lie in memory in that order: the list's own sort then walks them
        // in sequence instead of jumping across the heap, which costs more than the comparisons.
        // Each name's sort key is made once here and kept by its row for the list's own sort.
        std::vector<std::optional<QCollatorSortKey>> claves(static_cast<size_t>(n));
        // Collating is most of the cost of a sorted opening: a big list's keys are made in parts, one
        // per processor.
        const int partes = n >= 8192 ? std::max(1, QThread::idealThreadCount()) : 1;
        QVector<int> comienzos;
        for (int p = 0; p < partes; ++p)
            comienzos.append(int(qint64(n) * p / partes));
        QtConcurrent::blockingMap(comienzos, [&](int desde) {
            const int p = int(comienzos.indexOf(desde));
            const int hasta = p + 1 < partes ? comienzos.at(p + 1) : n;
            for (int i = desde; i < hasta; ++i)
                claves[i].emplace(herramientas::ClaveOrden(nombre(i)));
        });
        QVector<int> orden(n);
        std::iota(orden.begin(), orden.end(), 0);
        std::stable_sort(orden.begin(), orden.end(),
                         [&claves](int a, int b) { return claves[a]->compare(*claves[b]) < 0; });
        static quint32 tandas = 0;
        const quint32 tanda = ++tandas == 0 ? ++tandas : tandas;
        quint32 puesto = 0;
        for (int i : orden) {
            ItemScript *item = nuevo(i);
            item->setOrden(std::move(*claves[i]), tanda, puesto++);
            items.append(item);
        }
    } else {
        for (int i = 0; i < n; ++i)
            items.append(nuevo(i));
    }
    lista->setUpdatesEnabled(false);
    lista->setSortingEnabled(false);
    lista->addTopLevelItems(items);
    if (ordenar)
        lista->setSortingEnabled(true);
    lista->setUpdatesEnabled(true);
}
} // namespace

void Anexar(QTreeWidget *lista, const QVector<Script> &scripts) {
    AnexarFilas(
        lista, scripts.size(), [&](int i) { return scripts.at(i).Nombre; },
        [&](int i) { return new ItemScript(scripts.at(i)); });
}

void Anexar(QTreeWidget *lista, const QVector<Script> &scripts, const QByteArray &archivo,
            const QVector<mdlScripts::Tramo> &codigos) {
    AnexarFilas(
        lista, scripts.size(), [&](int i) { return scripts.at(i).Nombre; },
        [&](int i) { return new ItemScript(scripts.at(i), archivo, codigos.value(i)); });
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
class DelegadoResaltado : public DelegadoTextoCortado {
public:
    explicit DelegadoResaltado(ListaScripts *lista) : DelegadoTextoCortado(lista), lista_(lista) {}
    void paint(QPainter *p, const QStyleOptionViewItem &op, const QModelIndex &indice) const override {
        QStyleOptionViewItem o(op);
        // Compared by index: looking the row up by item would cost a scan of the list per painted row.
        const bool marcado = lista_->filaResaltada() == indice.row() && !indice.parent().isValid();
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
