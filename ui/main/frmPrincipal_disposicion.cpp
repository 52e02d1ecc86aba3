// Layout: the areas are placed by fixed rules from the window's size (ui/main/Disposicion.h), and the
// status bar shows the progress bar, the lock keys and the time.
#include "ui/Twips.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/main/Disposicion.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <vector>

namespace {

// How an area's coordinates relate to its widget's parent.
enum Marco {
    Directo,  // the same origin
    Interior, // the window's inner area; the widget lives in the central widget, below the toolbar
    EnPanel2, // picPaneles; the widget lives in Panel2
};

struct Enlace {
    QRect disposicion::Areas::*area;
    QWidget *control;
    Marco marco;
};

} // namespace

// The layout's view of the window's own controls.
struct disposicion::Acceso {
    static std::vector<Enlace> Enlaces(const frmPrincipal &w) {
        using A = disposicion::Areas;
        return {
            {&A::picPaneles, w.picPaneles, Interior},
            {&A::Panel1, w.Panel1, Directo},
            {&A::Panel2, w.Panel2, Directo},
            {&A::lbl1, w.lbl1, Directo},
            {&A::cmdMCat, w.cmdMCat, Directo},
            {&A::cmdM1, w.cmdM1, Directo},
            {&A::cboCat, w.cboCat, Directo},
            {&A::lstCat, w.lstCat, Directo},
            {&A::lbl2, w.lbl2, EnPanel2},
            {&A::cmdM2, w.cmdM2, EnPanel2},
            {&A::lstOp, w.lstOp, EnPanel2},
            {&A::picMenu3, w.picMenu3, Interior},
            {&A::Panel3, w.Panel3, Directo},
            {&A::lblMenu3a, w.lblMenu3a, Directo},
            {&A::lblMenu3, w.lblMenu3, Directo},
            {&A::cmdM3, w.cmdM3, Directo},
            {&A::cmdM4, w.cmdM4, Directo},
            {&A::fraMenu4, w.fraMenu4, Directo},
            {&A::barScript, w.barScript, Directo},
            {&A::fraMenu3, w.fraMenu3, Directo},
            {&A::lstScripts, w.lstScripts, Directo},
            {&A::lin2, w.lin2, Interior},
            {&A::lin1, w.lin1, Interior},
        };
    }
    static QLabel *panelEstado(const frmPrincipal &w, int n) { return w.panelEstado[n - 1]; }
    static const QStatusBar *barEstado(const frmPrincipal &w) { return w.barEstado; }
    static const QHeaderView *cabecera(const frmPrincipal &w) { return w.lstScripts->header(); }
    // The code pane while it is shown, else null.
    static QWidget *codigo(const frmPrincipal &w) {
        return w.txtVista && w.txtVista->isVisibleTo(&w) ? static_cast<QWidget *>(w.txtVista) : nullptr;
    }
    static QWidget *lista(const frmPrincipal &w) { return w.lstScripts; }
    static bool verEHabilitado(const frmPrincipal &w) { return w.mnuVerE->isEnabled(); }
    static int altoPanel2(const frmPrincipal &w) { return w.Panel2->y(); }
};

namespace {

// The window's frame as it stands, in pixels: the toolbar above the central widget, the status bar.
struct Marcos {
    int barra = 0, estado = 0, ancho = 0, alto = 0;
};

Marcos Medir(const frmPrincipal &w) {
    Marcos m;
    const QWidget *centro = w.centralWidget();
    const QWidget *menu = w.menuWidget();
    const int arriba = menu && menu->isVisibleTo(&w) ? menu->geometry().bottom() + 1 : 0;
    m.barra = qMax(0, centro->y() - arriba);
    const QStatusBar *estado = disposicion::Acceso::barEstado(w);
    m.estado = estado->isVisibleTo(&w) ? estado->height() : 0;
    m.ancho = centro->width();
    m.alto = m.barra + centro->height() + m.estado;
    return m;
}

// Edges are converted, not sizes, so areas that meet in twips meet in pixels.
QRect APixeles(const QRect &r) {
    const int x = twips::APixeles(r.x()), y = twips::APixeles(r.y());
    return {x, y, twips::APixeles(r.x() + r.width()) - x, twips::APixeles(r.y() + r.height()) - y};
}
QRect ATwips(const QRect &r) {
    const int x = twips::ATwips(r.x()), y = twips::ATwips(r.y());
    return {x, y, twips::ATwips(r.x() + r.width()) - x, twips::ATwips(r.y() + r.height()) - y};
}

// Places the progress bar over panel 2 and keeps the lock-key panels current.
class Vigia : public QObject {
public:
    explicit Vigia(frmPrincipal &w) : QObject(&w), w_(w) { setObjectName(QStringLiteral("vigia")); }

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override {
        const QEvent::Type t = evento->type();
        if (objeto == disposicion::Acceso::panelEstado(w_, 2) && (t == QEvent::Move || t == QEvent::Resize))
            w_.ColocarProgreso();
        else if (objeto == w_.centralWidget() && t == QEvent::Resize)
            w_.Disponer(); // also when a bar appears or goes without the window changing size
        else if ((t == QEvent::KeyPress || t == QEvent::KeyRelease) && objeto->isWidgetType())
            Teclas(static_cast<QKeyEvent *>(evento));
        return false;
    }

private:
    // Only the X11 platform hands over the lock state, with every key event; elsewhere the two
    // panels stay empty rather than guess.
    void Teclas(const QKeyEvent *k) {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        const quint32 estado = k->nativeModifiers();
        constexpr quint32 kMayusculas = 0x02, kNumerico = 0x10; // LockMask, Mod2Mask
        disposicion::Acceso::panelEstado(w_, 3)->setText(estado & kNumerico ? QStringLiteral("NUM")
                                                                            : QString());
        disposicion::Acceso::panelEstado(w_, 4)->setText(estado & kMayusculas ? QStringLiteral("MAYÚS")
                                                                              : QString());
    }
    frmPrincipal &w_;
};

} // namespace

namespace disposicion {

Areas Leer(const frmPrincipal &w) {
    Areas a = Diseno();
    const int barra = Medir(w).barra;
    const int panel2 = Acceso::altoPanel2(w);
    for (const Enlace &e : Acceso::Enlaces(w)) {
        QRect r = e.control->geometry();
        if (e.marco == Interior)
            r.translate(0, barra);
        else if (e.marco == EnPanel2)
            r.translate(0, panel2);
        a.*e.area = ATwips(r);
    }
    // The rules know one list area: with the code pane shown, the list and the pane together.
    if (const QWidget *codigo = Acceso::codigo(w))
        a.lstScripts = ATwips(Acceso::lista(w)->geometry().united(codigo->geometry()));
    const Marcos m = Medir(w);
    a.barMenu = ATwips({0, 0, m.ancho, m.barra});
    a.barEstado = ATwips({0, m.alto - m.estado, m.ancho, m.estado});
    const QHeaderView *cab = Acceso::cabecera(w);
    a.colNombre = twips::ATwips(cab->sectionSize(vista::ColNombre));
    a.colDescripcion = twips::ATwips(cab->sectionSize(vista::ColDescripcion));
    a.colPuntaje = twips::ATwips(cab->sectionSize(vista::ColPuntaje));
    a.verEHabilitado = Acceso::verEHabilitado(w);
    return a;
}

void Aplicar(frmPrincipal &w, const Areas &a) {
    const int barra = Medir(w).barra;
    const int panel2 = twips::APixeles(a.Panel2.y());
    for (const Enlace &e : Acceso::Enlaces(w)) {
        QRect r = APixeles(a.*e.area);
        if (e.marco == Interior)
            r.translate(0, -barra);
        else if (e.marco == EnPanel2)
            r.translate(0, -panel2);
        if (e.control->geometry() != r)
            e.control->setGeometry(r);
    }
    if (QWidget *codigo = Acceso::codigo(w)) {
        const Partido p = ConCodigo(a.lstScripts);
        for (auto [control, area] : {std::pair{Acceso::lista(w), p.lista}, std::pair{codigo, p.codigo}})
            if (control->geometry() != APixeles(area))
                control->setGeometry(APixeles(area));
    }
}

} // namespace disposicion

void frmPrincipal::conectarDisposicion() {
    // The name column takes whatever room the others leave: a wider window shows longer names.
    QHeaderView *cabecera = lstScripts->header();
    cabecera->setStretchLastSection(false);
    cabecera->setSectionResizeMode(vista::ColNombre, QHeaderView::Stretch);
    connect(cabecera, &QHeaderView::sectionResized, this, [this](int columna, int, int) {
        if (!ajustandoColumnas_ && (columna == vista::ColDescripcion || columna == vista::ColPuntaje))
            columnasArrastradas_ = true;
    });
    // Header text boxes start grey with white text; the panel in use takes the highlight later.
    for (QLabel *l : {lbl1, lbl2, lblMenu3, lblMenu3a}) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, QColor(128, 128, 128));
        p.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(p);
        l->setAutoFillBackground(true);
        l->setContentsMargins(0, 0, 0, 0);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // The etched rule under the toolbar: a grey pixel line over a white one.
    for (auto [linea, color] : {std::pair{lin2, QColor(128, 128, 128)}, std::pair{lin1, QColor(Qt::white)}}) {
        linea->setFrameShape(QFrame::NoFrame);
        QPalette p = linea->palette();
        p.setColor(QPalette::Window, color);
        linea->setPalette(p);
        linea->setAutoFillBackground(true);
    }
    const int lado = twips::APixeles(215) - 2;
    // The small buttons get a light face of their own: the style's title-bar images are grey and
    // would vanish on the grey header.
    for (QToolButton *b : {cmdM1, cmdM2, cmdM3, cmdM4, cmdMCat}) {
        b->setIconSize(QSize(lado, lado));
        b->setStyleSheet(QStringLiteral("QToolButton { background: palette(button); border: 1px solid palette(dark);"
                                        " padding: 0px; margin: 0px; }"
                                        " QToolButton:hover { background: palette(light); }"
                                        " QToolButton:pressed { background: palette(midlight); }"
                                        " QToolButton:disabled { background: palette(window); border-color: palette(mid); }"));
    }
    // The script toolbar has 540 twips of height: small images keep the captions inside it.
    barScript->setIconSize(QSize(16, 16));
    barScript->setStyleSheet(QStringLiteral("QToolBar { padding: 0px; border: none; } QToolButton { padding: 0px 1px; margin: 0px; }"));
    // A long status line is cut at the window's edge; as a label's minimum it would stop the window
    // from being made narrower than the text.
    panelEstado[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // "P" keeps its own width instead of stretching into the free space.
    lstScripts->header()->setStretchLastSection(false);

    disposicion::Aplicar(*this, disposicion::Diseno());

    auto *vigia = new Vigia(*this);
    panelEstado[1]->installEventFilter(vigia);
    centralWidget()->installEventFilter(vigia);
    qApp->installEventFilter(vigia);
    auto *reloj = new QTimer(this);
    reloj->setObjectName(QStringLiteral("reloj"));
    auto hora = [this] { panelEstado[4]->setText(QTime::currentTime().toString(QStringLiteral("HH:mm"))); };
    connect(reloj, &QTimer::timeout, this, hora);
    hora();
    reloj->start(1000);

    // The panels get their designed size; the toolbar, menu and status bar take what they need.
    const int barra = barMenu->sizeHint().height(), estado = barEstado->sizeHint().height();
    const int menu = menuBar()->sizeHint().height();
    resize(twips::APixeles(8715), menu + barra + twips::APixeles(6180 - 570 - 270) + estado);
}

void frmPrincipal::Disponer() {
    if (isMinimized())
        return;
    const Marcos m = Medir(*this);
    disposicion::Entrada e;
    e.ancho = twips::ATwips(m.ancho);
    e.alto = twips::ATwips(m.alto);
    e.altoBarra = twips::ATwips(m.barra);
    e.altoEstado = twips::ATwips(m.estado);
    e.izquierda = estado.Izquierda;
    e.topFraMenu3 = topFraMenu3();
    e.maximizada = isMaximized();
    const disposicion::Areas a = disposicion::Calcular(e, disposicion::Leer(*this));

    mnuVerE->setEnabled(a.verEHabilitado);
    lstScripts->setUpdatesEnabled(false);
    if (!columnasArrastradas_) {
        ajustandoColumnas_ = true;
        lstScripts->setColumnWidth(vista::ColDescripcion, twips::APixeles(a.colDescripcion));
        lstScripts->setColumnWidth(vista::ColPuntaje, twips::APixeles(a.colPuntaje));
        ajustandoColumnas_ = false;
    }
    lstScripts->setUpdatesEnabled(true);
    disposicion::Aplicar(*this, a);
    ColocarProgreso();
}

void frmPrincipal::ColocarProgreso() {
    // Over panel 2, 60 twips in; centred in the bar, whose height the style decides.
    const QRect panel = panelEstado[1]->geometry();
    const int alto = twips::APixeles(135);
    const QRect r(panel.x() + twips::APixeles(60), (barEstado->height() - alto) / 2, twips::APixeles(900), alto);
    if (barProgreso->geometry() != r)
        barProgreso->setGeometry(r);
    barProgreso->raise();
}

void frmPrincipal::resizeEvent(QResizeEvent *evento) {
    QMainWindow::resizeEvent(evento);
    Disponer();
}

void frmPrincipal::changeEvent(QEvent *evento) {
    QMainWindow::changeEvent(evento);
    if (evento->type() == QEvent::WindowStateChange)
        Disponer();
}

void frmPrincipal::paintEvent(QPaintEvent *evento) {
    QMainWindow::paintEvent(evento);
    ColocarProgreso();
}
