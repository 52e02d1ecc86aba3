#include "ui/tools/frmBusquedaRapida.h"
#include "core/Registro.h"
#include "search/Indexador.h"
#include "ui/Iconos.h"
#include "ui/frmCampos.h"
#include "ui/tools/frmBuscarBiblioteca.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Columna { ColNombre, ColCategoria, ColDescripcion, ColCodigo };

// A line that only opens PHP, ASP, a script or a style says nothing of what the code does.
bool SoloAbre(QStringView linea) {
    static const QRegularExpression etiqueta(
        QStringLiteral("^(<\\?(php|=)?|<%[@=]?|<(script|style)\\b[^>]*>)$"), QRegularExpression::CaseInsensitiveOption);
    return etiqueta.match(linea).hasMatch();
}

// The first line of the code that says something, for scripts found by name or description: not
// empty, and not a bare opening tag unless the code holds nothing else.
QString PrimeraLinea(const QString &codigo) {
    QStringView primera;
    for (QStringView l : QStringView(codigo).split(QLatin1Char('\n'))) {
        const QStringView t = l.trimmed();
        if (t.isEmpty())
            continue;
        if (!SoloAbre(t))
            return t.left(200).toString();
        if (primera.isEmpty())
            primera = t;
    }
    return primera.left(200).toString();
}
} // namespace

frmBusquedaRapida::frmBusquedaRapida(Indexador &indexador, const QString &carpetaCategorias, Abrir abrir,
                                     QWidget *padre)
    : QFrame(padre, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), indexador_(indexador),
      abrir_(std::move(abrir)), puntajes_(carpetaCategorias) {
    setObjectName(QStringLiteral("frmBusquedaRapida"));
    setWindowTitle(QStringLiteral("Búsqueda rápida"));
    setAccessibleName(QStringLiteral("Búsqueda rápida"));
    setWindowIcon(IconoApp());
    // No title bar: a frame of its own tells it from what lies behind.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);

    txtBuscar = new QLineEdit(this);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    txtBuscar->setAccessibleName(QStringLiteral("Buscar un script"));
    txtBuscar->setPlaceholderText(QStringLiteral("Buscar un script por nombre, descripción o código…"));
    QFont grande = txtBuscar->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.3);
    txtBuscar->setFont(grande);
    txtBuscar->installEventFilter(this);

    lstResultados =
        ListaResultados(this, {QStringLiteral("Nombre"), QStringLiteral("Categoría"), QStringLiteral("Descripción"),
                               QStringLiteral("Código")});
    lstResultados->setHeaderHidden(true);
    lstResultados->setColumnWidth(ColNombre, 200);
    lstResultados->setColumnWidth(ColCategoria, 110);
    lstResultados->setColumnWidth(ColDescripcion, 210);
    lstResultados->installEventFilter(this);
    // The query keeps the focus: the list is chosen in with the arrows sent to it.
    lstResultados->setFocusPolicy(Qt::NoFocus);

    lblEstado = new QLabel(this);
    lblEstado->setObjectName(QStringLiteral("lblEstado"));
    lblEstado->setWordWrap(true);
    lblTeclas = new QLabel(QStringLiteral("Intro: copiar · Ctrl+Intro: copiar sin cerrar · Mayús+Intro: abrir en "
                                          "Rutinero · Esc: cerrar"),
                           this);
    lblTeclas->setObjectName(QStringLiteral("lblTeclas"));
    lblTeclas->setEnabled(false); // the dimmed text of a hint

    auto *todo = new QVBoxLayout(this);
    todo->setContentsMargins(8, 8, 8, 6);
    todo->addWidget(txtBuscar);
    todo->addWidget(lstResultados, 1);
    todo->addWidget(lblEstado);
    todo->addWidget(lblTeclas);
    resize(820, 380);

    connect(txtBuscar, &QLineEdit::textChanged, this, &frmBusquedaRapida::Consultar);
    connect(&indexador_, &Indexador::hallados, this, &frmBusquedaRapida::Recibir);
    connect(&indexador_, &Indexador::adelanto, this, &frmBusquedaRapida::Recibir);
    connect(lstResultados, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (Copiar())
            hide();
    });
}

void frmBusquedaRapida::Centrar() {
    QScreen *pantalla = QGuiApplication::screenAt(QCursor::pos());
    if (!pantalla)
        pantalla = QGuiApplication::primaryScreen();
    if (!pantalla)
        return;
    const QRect zona = pantalla->availableGeometry();
    QRect r(QPoint(), size().boundedTo(zona.size()));
    r.moveCenter(zona.center());
    setGeometry(r);
}

void frmBusquedaRapida::Mostrar(const QString &texto, bool conTexto) {
    mostrada_.start();
    Centrar();
    show();
    raise();
    activateWindow();
    txtBuscar->setFocus();
    lblEstado->clear();
    if (conTexto && texto != txtBuscar->text()) {
        txtBuscar->setText(texto); // asks through textChanged
        return;
    }
    if (!conTexto)
        txtBuscar->selectAll();
    Consultar(); // the library may have changed since the last time
}

void frmBusquedaRapida::Consultar() {
    if (biblioteca::Palabras(txtBuscar->text()).isEmpty()) {
        esperada_ = 0;
        hallazgos_.clear();
        lstResultados->clear();
        lblEstado->clear();
        emit listos();
        return;
    }
    esperada_ = indexador_.Buscar(txtBuscar->text(), kLimite, this);
}

void frmBusquedaRapida::Recibir(quint64 numero, const biblioteca::Respuesta &r) {
    if (numero != esperada_)
        return; // an answer to what was typed before, or to the library search window
    hallazgos_ = r.hallazgos;
    rapida::Ordenar(hallazgos_, txtBuscar->text(), recientes_, puntajes_);
    if (hallazgos_.size() > kFilas)
        hallazgos_.resize(kFilas);
    lstResultados->clear();
    const QFont fija = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QList<QTreeWidgetItem *> filas;
    for (const biblioteca::Hallazgo &h : hallazgos_) {
        const bool enCodigo = !h.linea.isEmpty();
        // A tab is one character like a space: the marks keep their places.
        const QString linea = QString(enCodigo ? h.linea : PrimeraLinea(h.codigo)).replace('\t', ' ');
        auto *f = new QTreeWidgetItem({h.nombre, CategoriaMostrada(h), h.descripcion, linea});
        f->setData(ColNombre, DelegadoMarcas::kRol, DelegadoMarcas::Marcas(h.enNombre));
        f->setData(ColDescripcion, DelegadoMarcas::kRol, DelegadoMarcas::Marcas(h.enDescripcion));
        f->setToolTip(ColDescripcion, h.descripcion);
        if (enCodigo)
            f->setData(ColCodigo, DelegadoMarcas::kRol, DelegadoMarcas::Marcas(h.enLinea));
        f->setFont(ColCodigo, fija);
        f->setToolTip(ColNombre, h.descripcion);
        filas << f;
    }
    lstResultados->addTopLevelItems(filas);
    if (!filas.isEmpty())
        lstResultados->setCurrentItem(filas.first());
    QStringList estado;
    if (r.total == 0)
        estado << QStringLiteral("Ningún script contiene %1").arg(txtBuscar->text().trimmed());
    if (!r.aviso.isEmpty())
        estado << r.aviso;
    if (!r.ilegibles.isEmpty())
        estado << QStringLiteral("No se pudo leer %1: %2.")
                      .arg(r.ilegibles.size() == 1 ? QStringLiteral("la categoría") : QStringLiteral("las categorías"),
                           r.ilegibles.join(QStringLiteral(", ")));
    lblEstado->setText(estado.join(QLatin1Char('\n')));
    emit listos();
}

const biblioteca::Hallazgo *frmBusquedaRapida::actual() const {
    const int fila = lstResultados->indexOfTopLevelItem(lstResultados->currentItem());
    return fila >= 0 && fila < hallazgos_.size() ? &hallazgos_[fila] : nullptr;
}

bool frmBusquedaRapida::Copiar() {
    const biblioteca::Hallazgo *h = actual();
    if (!h)
        return false;
    const biblioteca::Hallazgo elegido = *h; // answers may arrive while the form waits
    preguntando_ = true;
    const std::optional<QString> texto = portapapeles::Preparar(this, elegido.codigo);
    preguntando_ = false;
    if (!texto) {
        activateWindow();
        txtBuscar->setFocus();
        return false;
    }
    QGuiApplication::clipboard()->setText(*texto);
    recientes_.Agregar(elegido.categoria, elegido.nombre);
    lblEstado->setText(portapapeles::Copiado(elegido.nombre));
    return true;
}

void frmBusquedaRapida::AbrirActual() {
    const biblioteca::Hallazgo *h = actual();
    if (!h)
        return;
    const biblioteca::Hallazgo elegido = *h; // opening may ask, and answers may arrive meanwhile
    hide();
    if (abrir_)
        abrir_(elegido);
}

bool frmBusquedaRapida::Tecla(QKeyEvent *evento, bool enLista) {
    const Qt::KeyboardModifiers m = evento->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    switch (evento->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (enLista)
            return false; // the list moves itself
        QKeyEvent copia(evento->type(), evento->key(), evento->modifiers());
        QCoreApplication::sendEvent(lstResultados, &copia);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m == Qt::ShiftModifier)
            AbrirActual();
        else if (m == Qt::ControlModifier)
            Copiar();
        else if (m == Qt::NoModifier && Copiar())
            hide();
        return true;
    case Qt::Key_Escape:
        hide();
        return true;
    default:
        return false;
    }
}

bool frmBusquedaRapida::eventFilter(QObject *objeto, QEvent *evento) {
    if ((objeto == txtBuscar || objeto == lstResultados) && evento->type() == QEvent::KeyPress &&
        Tecla(static_cast<QKeyEvent *>(evento), objeto == lstResultados))
        return true;
    return QFrame::eventFilter(objeto, evento);
}

void frmBusquedaRapida::keyPressEvent(QKeyEvent *evento) {
    if (!Tecla(evento, false))
        QFrame::keyPressEvent(evento);
}

void frmBusquedaRapida::changeEvent(QEvent *evento) {
    QFrame::changeEvent(evento);
    if (evento->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() && !preguntando_)
        // Looked at once the change settles: focus passing between two of our own windows goes
        // through a moment with none active.
        QTimer::singleShot(100, this, &frmBusquedaRapida::OcultarSiSinFoco);
}

void frmBusquedaRapida::OcultarSiSinFoco() {
    if (!isVisible() || isActiveWindow() || preguntando_)
        return;
    // The window that had the focus before may get it back a moment after this one came up (the
    // window manager finishing an earlier change): that is no move of the user's.
    if (mostrada_.isValid() && mostrada_.elapsed() < 400) {
        activateWindow();
        return;
    }
    hide();
}

void frmBusquedaRapida::hideEvent(QHideEvent *evento) {
    QFrame::hideEvent(evento);
    emit ocultada();
}
