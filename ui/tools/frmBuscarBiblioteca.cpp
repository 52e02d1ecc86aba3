#include "ui/tools/frmBuscarBiblioteca.h"
#include "search/Indexador.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/frmCampos.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QStatusBar>
#include <QTreeWidget>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
enum Columna { ColCategoria, ColNombre, ColDescripcion, ColCodigo };
// Where the words are in a cell's text: start and length, one pair after another.
constexpr int kRolMarcas = DelegadoMarcas::kRol;

QList<int> Plano(const QVector<biblioteca::Marca> &marcas) {
    QList<int> r;
    for (const biblioteca::Marca &m : marcas)
        r << m.inicio << m.largo;
    return r;
}
} // namespace

void DelegadoMarcas::paint(QPainter *p, const QStyleOptionViewItem &opcion, const QModelIndex &indice) const {
    QStyleOptionViewItem o = opcion;
    initStyleOption(&o, indice);
    const QString texto = o.text;
    o.text.clear();
    const QWidget *w = o.widget;
    QStyle *estilo = w ? w->style() : QApplication::style();
    estilo->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
    const QRect r = estilo->subElementRect(QStyle::SE_ItemViewItemText, &o, w).adjusted(2, 0, -2, 0);
    const QString visible = o.fontMetrics.elidedText(texto, Qt::ElideRight, r.width());
    // Past an elision the text shown is shorter: marks beyond it go.
    const int corte = visible == texto ? int(texto.size()) : int(visible.size()) - 1;
    QList<QTextLayout::FormatRange> rangos;
    const QList<int> marcas = indice.data(kRolMarcas).value<QList<int>>();
    for (int i = 0; i + 1 < marcas.size(); i += 2) {
        const int inicio = marcas[i], fin = std::min(marcas[i] + marcas[i + 1], corte);
        if (inicio >= fin)
            continue;
        QTextLayout::FormatRange f;
        f.start = inicio;
        f.length = fin - inicio;
        f.format.setBackground(QColor(255, 214, 102));
        f.format.setForeground(QColor(Qt::black));
        rangos << f;
    }
    QTextLayout capa(visible, o.font);
    capa.setFormats(rangos);
    capa.beginLayout();
    QTextLine linea = capa.createLine();
    linea.setLineWidth(1e6);
    capa.endLayout();
    p->save();
    p->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    p->setClipRect(r);
    capa.draw(p, QPointF(r.left(), r.top() + (r.height() - linea.height()) / 2));
    p->restore();
}

QVariant DelegadoMarcas::Marcas(const QVector<biblioteca::Marca> &marcas) { return QVariant::fromValue(Plano(marcas)); }

QString CategoriaMostrada(const biblioteca::Hallazgo &h) {
    return h.sinGuardar ? h.categoria + QStringLiteral(" (sin guardar)") : h.categoria;
}

QTreeWidget *ListaResultados(QWidget *padre, const QStringList &columnas) {
    auto *lista = new QTreeWidget(padre);
    lista->setObjectName(QStringLiteral("lstResultados"));
    lista->setAccessibleName(QStringLiteral("Resultados"));
    lista->setRootIsDecorated(false);
    lista->setUniformRowHeights(true);
    lista->setAllColumnsShowFocus(true);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->setHeaderLabels(columnas);
    lista->setItemDelegate(new DelegadoMarcas(lista));
    lista->header()->setStretchLastSection(true);
    return lista;
}

frmBuscarBiblioteca::frmBuscarBiblioteca(Indexador &indexador, Abrir abrir, QWidget *padre)
    : QDialog(padre), indexador_(indexador), abrir_(std::move(abrir)) {
    setObjectName(QStringLiteral("frmBuscarBiblioteca"));
    setWindowTitle(QStringLiteral("Buscar en la biblioteca"));
    setWindowIcon(IconoApp());
    setModal(false);

    lblBuscar = new QLabel(QStringLiteral("&Buscar en nombres, descripciones y código de todas las categorías:"), this);
    lblBuscar->setObjectName(QStringLiteral("lblBuscar"));
    txtBuscar = new QLineEdit(this);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    txtBuscar->setAccessibleName(QStringLiteral("Buscar en la biblioteca"));
    txtBuscar->setClearButtonEnabled(true);
    txtBuscar->installEventFilter(this);
    lblBuscar->setBuddy(txtBuscar);

    lstResultados = ListaResultados(
        this, {QStringLiteral("Categoría"), QStringLiteral("Nombre"), QStringLiteral("Descripción"), QStringLiteral("Código")});
    lstResultados->setColumnWidth(ColCategoria, 110);
    lstResultados->setColumnWidth(ColNombre, 170);
    lstResultados->setColumnWidth(ColDescripcion, 230);

    lblEtiquetas = new QLabel(QStringLiteral("&Etiquetas:"), this);
    lblEtiquetas->setObjectName(QStringLiteral("lblEtiquetas"));
    lstEtiquetas = new QListWidget(this);
    lstEtiquetas->setObjectName(QStringLiteral("lstEtiquetas"));
    lstEtiquetas->setAccessibleName(QStringLiteral("Etiquetas"));
    lstEtiquetas->setToolTip(QStringLiteral("Un clic agrega la etiqueta a la búsqueda"));
    lblEtiquetas->setBuddy(lstEtiquetas);

    lblMas = new QLabel(this);
    lblMas->setObjectName(QStringLiteral("lblMas"));
    lblAviso = new QLabel(this);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setWordWrap(true);
    lblAviso->hide();

    cmdAbrir = dialogos::Boton(this, "cmdAbrir", QStringLiteral("&Abrir"), true);
    cmdAbrir->setToolTip(QStringLiteral("Abre la categoría con el script seleccionado (Intro)"));
    cmdCopiar = dialogos::Boton(this, "cmdCopiar", QStringLiteral("&Copiar código"), false);
    cmdCopiar->setToolTip(QStringLiteral("Copia el código del script al portapapeles"));
    cmdCerrar = dialogos::Boton(this, "cmdCerrar", QStringLiteral("Cerrar"), false);

    auto *todo = new QVBoxLayout(this);
    todo->addWidget(lblBuscar);
    todo->addWidget(txtBuscar);
    auto *centro = new QHBoxLayout;
    centro->addWidget(lstResultados, 1);
    auto *lado = new QVBoxLayout;
    lado->addWidget(lblEtiquetas);
    lado->addWidget(lstEtiquetas, 1);
    centro->addLayout(lado);
    lstEtiquetas->setMaximumWidth(180);
    todo->addLayout(centro, 1);
    todo->addWidget(lblMas);
    todo->addWidget(lblAviso);
    todo->addLayout(dialogos::FilaBotones({cmdAbrir, cmdCopiar, cmdCerrar}));
    barEstado = new QStatusBar(this);
    barEstado->setObjectName(QStringLiteral("barEstado"));
    barEstado->setSizeGripEnabled(false);
    todo->addWidget(barEstado);
    setTabOrder(txtBuscar, lstResultados);
    setTabOrder(lstResultados, lstEtiquetas);
    setTabOrder(lstEtiquetas, cmdAbrir);
    setTabOrder(cmdAbrir, cmdCopiar);
    setTabOrder(cmdCopiar, cmdCerrar);
    resize(820, 420);

    connect(txtBuscar, &QLineEdit::textChanged, this, &frmBuscarBiblioteca::Consultar);
    connect(&indexador_, &Indexador::hallados, this, &frmBuscarBiblioteca::Recibir);
    connect(&indexador_, &Indexador::adelanto, this, &frmBuscarBiblioteca::Recibir);
    connect(&indexador_, &Indexador::hallados, this, &frmBuscarBiblioteca::RecibirEtiquetas);
    // After a pass the results and counts may have changed (an answer given while the index was
    // still being filled found only what it held then): while shown, both are asked for again; the
    // list is left as it is when the answer is the same.
    connect(&indexador_, &Indexador::actualizado, this, &frmBuscarBiblioteca::Refrescar);
    connect(lstEtiquetas, &QListWidget::itemClicked, this, &frmBuscarBiblioteca::lstEtiquetas_Click);
    connect(lstEtiquetas, &QListWidget::itemActivated, this, &frmBuscarBiblioteca::lstEtiquetas_Click);
    connect(lstResultados, &QTreeWidget::itemDoubleClicked, this, &frmBuscarBiblioteca::cmdAbrir_Click);
    connect(lstResultados, &QTreeWidget::currentItemChanged, this, [this] {
        const bool hay = actual() != nullptr;
        cmdAbrir->setEnabled(hay);
        cmdCopiar->setEnabled(hay);
    });
    connect(cmdAbrir, &QPushButton::clicked, this, &frmBuscarBiblioteca::cmdAbrir_Click);
    connect(cmdCopiar, &QPushButton::clicked, this, &frmBuscarBiblioteca::cmdCopiar_Click);
    connect(cmdCerrar, &QPushButton::clicked, this, &QDialog::reject);
    cmdAbrir->setEnabled(false);
    cmdCopiar->setEnabled(false);
}

void frmBuscarBiblioteca::Mostrar() {
    show();
    raise();
    activateWindow();
    txtBuscar->setFocus();
    txtBuscar->selectAll();
    Consultar(); // the library may have changed since the last time
    PedirEtiquetas();
}

void frmBuscarBiblioteca::PedirEtiquetas() { etiquetasEsperadas_ = indexador_.Etiquetas(lstEtiquetas); }

void frmBuscarBiblioteca::RecibirEtiquetas(quint64 numero, const biblioteca::Respuesta &r) {
    if (numero != etiquetasEsperadas_)
        return;
    lstEtiquetas->clear();
    for (const biblioteca::Etiqueta &e : r.etiquetas) {
        auto *fila = new QListWidgetItem(QStringLiteral("#%1 (%2)").arg(e.nombre).arg(e.scripts), lstEtiquetas);
        fila->setData(Qt::UserRole, QString(QLatin1Char('#') + e.nombre));
    }
}

void frmBuscarBiblioteca::lstEtiquetas_Click(QListWidgetItem *fila) {
    if (!fila)
        return;
    const QString etiqueta = fila->data(Qt::UserRole).toString();
    // Already asked for, it is not added twice.
    if (biblioteca::Palabras(txtBuscar->text()).contains(biblioteca::Plegar(etiqueta)))
        return;
    const QString t = txtBuscar->text();
    txtBuscar->setText(t.trimmed().isEmpty() ? etiqueta : t.trimmed() + QLatin1Char(' ') + etiqueta);
    txtBuscar->setFocus();
    txtBuscar->end(false);
}

void frmBuscarBiblioteca::Refrescar() {
    if (isVisible()) {
        Consultar();
        PedirEtiquetas(); // counted as the open category is now
    }
}

void frmBuscarBiblioteca::Consultar() {
    // Another query: no result of the earlier one stays chosen, so Enter opens nothing until the
    // new answer arrives, and then its first result.
    if (txtBuscar->text() != consultaMostrada_)
        lstResultados->setCurrentItem(nullptr);
    if (biblioteca::Palabras(txtBuscar->text()).isEmpty()) {
        esperada_ = 0;
        hallazgos_.clear();
        lstResultados->clear();
        lblMas->clear();
        return;
    }
    esperada_ = indexador_.Buscar(txtBuscar->text(), kLimite, this);
}

void frmBuscarBiblioteca::Recibir(quint64 numero, const biblioteca::Respuesta &r) {
    if (numero != esperada_ || numero == 0)
        return; // an answer to what was typed before
    // A new query chooses its first result again; the count that follows the first results of the
    // same query leaves the list as it is.
    const bool mismaConsulta = txtBuscar->text() == consultaMostrada_;
    consultaMostrada_ = txtBuscar->text();
    const auto mismos = [&] {
        if (!mismaConsulta || r.hallazgos.size() != hallazgos_.size() || r.hallazgos.size() != lstResultados->topLevelItemCount())
            return false;
        for (int i = 0; i < r.hallazgos.size(); ++i)
            if (r.hallazgos[i].categoria != hallazgos_[i].categoria || r.hallazgos[i].posicion != hallazgos_[i].posicion ||
                r.hallazgos[i].nombre != hallazgos_[i].nombre || r.hallazgos[i].descripcion != hallazgos_[i].descripcion ||
                r.hallazgos[i].codigo != hallazgos_[i].codigo || r.hallazgos[i].sinGuardar != hallazgos_[i].sinGuardar)
                return false;
        return true;
    };
    if (!mismos()) {
        // The row the user is on stays chosen when it is still found for the same query.
        int elegida = 0;
        if (const biblioteca::Hallazgo *antes = mismaConsulta ? actual() : nullptr)
            for (int i = 0; i < r.hallazgos.size(); ++i)
                if (r.hallazgos[i].categoria == antes->categoria && r.hallazgos[i].posicion == antes->posicion)
                    elegida = i;
        hallazgos_ = r.hallazgos;
        lstResultados->clear();
        const QFont fija = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        QList<QTreeWidgetItem *> filas;
        for (const biblioteca::Hallazgo &h : hallazgos_) {
            // A tab is one character like a space: the marks keep their places.
            auto *f = new QTreeWidgetItem(
                {CategoriaMostrada(h), h.nombre, h.descripcion, QString(h.linea).replace('\t', ' ')});
            if (h.sinGuardar)
                f->setToolTip(ColCategoria, QStringLiteral("Cambios sin guardar de la categoría abierta"));
            f->setData(ColNombre, kRolMarcas, QVariant::fromValue(Plano(h.enNombre)));
            f->setData(ColDescripcion, kRolMarcas, QVariant::fromValue(Plano(h.enDescripcion)));
            f->setData(ColCodigo, kRolMarcas, QVariant::fromValue(Plano(h.enLinea)));
            f->setFont(ColCodigo, fija);
            f->setToolTip(ColDescripcion, h.descripcion);
            f->setToolTip(ColCodigo, h.linea);
            filas << f;
        }
        lstResultados->addTopLevelItems(filas);
        if (!filas.isEmpty())
            lstResultados->setCurrentItem(filas[elegida]);
    }
    if (r.contando)
        lblMas->setText(QStringLiteral("y más (contando…)"));
    else if (r.total == 0)
        lblMas->setText(QStringLiteral("Ningún script contiene %1").arg(txtBuscar->text().trimmed()));
    else if (r.total > hallazgos_.size())
        lblMas->setText(QStringLiteral("y %1 más").arg(r.total - hallazgos_.size()));
    else
        lblMas->clear();
    // What the answer could not look at is said, never left out in silence.
    QStringList aviso;
    if (!r.aviso.isEmpty())
        aviso << r.aviso;
    if (!r.ilegibles.isEmpty())
        aviso << QStringLiteral("No se pudo leer %1: %2.")
                     .arg(r.ilegibles.size() == 1 ? QStringLiteral("la categoría") : QStringLiteral("las categorías"),
                          r.ilegibles.join(QStringLiteral(", ")));
    lblAviso->setText(aviso.join(QLatin1Char('\n')));
    lblAviso->setVisible(!aviso.isEmpty());
}

const biblioteca::Hallazgo *frmBuscarBiblioteca::actual() const {
    const int fila = lstResultados->indexOfTopLevelItem(lstResultados->currentItem());
    return fila >= 0 && fila < hallazgos_.size() ? &hallazgos_[fila] : nullptr;
}

void frmBuscarBiblioteca::cmdAbrir_Click() {
    const biblioteca::Hallazgo *h = actual();
    if (!h)
        return;
    const biblioteca::Hallazgo elegido = *h; // opening may ask, and answers may arrive meanwhile
    hide();
    abrir_(elegido);
}

void frmBuscarBiblioteca::cmdCopiar_Click() {
    if (const biblioteca::Hallazgo *h = actual()) {
        const QString codigo = h->codigo; // the form may wait while answers arrive
        const QString nombre = h->nombre;
        if (portapapeles::Copiar(this, codigo))
            barEstado->showMessage(portapapeles::Copiado(nombre));
    }
}

bool frmBuscarBiblioteca::eventFilter(QObject *objeto, QEvent *evento) {
    // The arrows move through the results while the query keeps the focus.
    if (objeto == txtBuscar && evento->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(evento)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(lstResultados, evento);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

AvisoIndice::AvisoIndice(Indexador &indexador, QWidget *padre) : QLabel(padre) {
    setObjectName(QStringLiteral("lblIndice"));
    setAccessibleName(QStringLiteral("Índice de la biblioteca"));
    hide();
    connect(&indexador, &Indexador::avance, this, [this](qint64 hecho, qint64 total) {
        if (total < umbral)
            return;
        setText(QStringLiteral("Indexando la biblioteca: %1 %").arg(total > 0 ? hecho * 100 / total : 100));
        show();
    });
    connect(&indexador, &Indexador::actualizado, this, &QWidget::hide);
}
