#include "ui/frmSplash.h"
#include "core/Version.h"
#include "core/mdlINI.h"
#include "format/Recuperacion.h"
#include "ui/Iconos.h"
#include "ui/main/frmPrincipal.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

frmSplash::frmSplash(Estado &estado, QWidget *padre)
    : QWidget(padre, Qt::SplashScreen | Qt::WindowStaysOnTopHint), estado_(estado) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Inicio"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *caja = new QVBoxLayout(this);
    caja->setContentsMargins(24, 24, 24, 24);
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(IconoApp().pixmap(96, 96));
    Picture1->setAlignment(Qt::AlignCenter);
    Label1 = new QLabel(version::Titulo(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(QStringLiteral("Biblioteca de scripts para programadores y desarrolladores web"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    caja->addWidget(Picture1);
    caja->addWidget(Label1);
    caja->addWidget(Label2);
    Timer1.setInterval(1000);
    Timer1.setSingleShot(false);
    connect(&Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

frmSplash::~frmSplash() = default;

void frmSplash::Startup() {
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Cargar();
    Timer1.start();
}

void frmSplash::Cargar() {
    // What a killed save left behind goes before anything is read.
    recuperacion::LimpiarRestos(estado_);
    const QStringList panel = mdlINI::CargarPreferencias(estado_);
    // The main window loads here, hidden, with the preference values already in memory.
    principal_ = new frmPrincipal(estado_);
    principal_->setEntradasPanel(panel, estado_.Mostrar);
}

void frmSplash::Timer1_Timer() {
    Timer1.stop();
    principal_->show();
    close();
    // Changes a previous run could not ask about are offered once the window is up.
    QTimer::singleShot(0, principal_, [p = principal_] {
        p->AvisarSiDiscoLleno();
        p->OfrecerRecuperacion();
    });
}
