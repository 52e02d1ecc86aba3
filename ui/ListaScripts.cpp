#include "ui/ListaScripts.h"
#include "core/Cp1252.h"
#include "format/Herramientas.h"

#include <QApplication>
#include <QHeaderView>
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
