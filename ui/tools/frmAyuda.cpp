#include "ui/tools/frmAyuda.h"
#include "core/Soporte.h"
#include "core/Cp1252.h"
#include "ui/Iconos.h"
#include "ui/Principal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/tools/Enlace.h"

#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

// The resources live in a static library: naming them here makes sure the linker keeps them.
static void CargarRecursos() {
    Q_INIT_RESOURCE(rutinero);
}

QString frmAyuda::TextoRecurso(const QString &nombre) {
    CargarRecursos();
    QFile f(QStringLiteral(":/ayuda/") + nombre);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return cp1252::Decodificar(f.readAll());
}

frmAyuda::frmAyuda(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmAyuda"));
    setWindowIcon(IconoApp());

    picAyuda = new QLabel(this);
    picAyuda->setObjectName(QStringLiteral("picAyuda"));
    picAyuda->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
    lblTitulo = new QLabel(this);
    lblTitulo->setObjectName(QStringLiteral("lblTitulo"));
    lblTitulo->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(IconoApp().pixmap(48, 48));

    txtTexto = new QPlainTextEdit(this);
    txtTexto->setObjectName(QStringLiteral("txtTexto"));
    txtTexto->setReadOnly(true);
    txtTexto->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtTexto->setAccessibleName(QStringLiteral("Texto de ayuda"));

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::HLine);
    Shape1->setFrameShadow(QFrame::Sunken);
    Label4 = new QLabel(QStringLiteral("Visite la Comunidad Rutinero en Internet:"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    lblLink = new Enlace(soporte::Comunidad(), this);
    lblLink->setObjectName(QStringLiteral("lblLink"));

    cmdCancelar = new QPushButton(QStringLiteral("Cerrar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    // "Cerrar" is both the default and the Escape button: the window has no other action.
    cmdCancelar->setDefault(true);

    auto *cabecera = new QHBoxLayout;
    cabecera->addWidget(picAyuda);
    cabecera->addWidget(lblTitulo, 1);
    cabecera->addWidget(Picture1);
    auto *abajo = new QHBoxLayout;
    auto *enlace = new QVBoxLayout;
    enlace->addWidget(Label4);
    enlace->addWidget(lblLink);
    abajo->addLayout(enlace, 1);
    abajo->addWidget(cmdCancelar, 0, Qt::AlignBottom);
    auto *todo = new QVBoxLayout(this);
    todo->addLayout(cabecera);
    todo->addWidget(txtTexto, 1);
    todo->addWidget(Shape1);
    todo->addLayout(abajo);
    resize(440, 250);

    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(lblLink, &Enlace::clicked, this, &frmAyuda::lblLink_Click);
    Form_Load();
}

void frmAyuda::Form_Load() {
    // Any mode other than exactly "Ayuda" is the update text.
    const bool ayuda = p_.estado.TemaAyuda == QLatin1String("Ayuda");
    setWindowTitle(ayuda ? QStringLiteral("Ayuda") : QStringLiteral("Actualizar"));
    lblTitulo->setText((ayuda ? QStringLiteral("Soporte ") : QStringLiteral("Actualizar ")) +
                       p_.estado.TituloApp);
    txtTexto->setPlainText(TextoRecurso(ayuda ? QStringLiteral("AYUDA") : QStringLiteral("ACTUALIZAR")));
}

void frmAyuda::lblLink_Click() {
    mdlSistema::Ejecutar(QStringLiteral("open"), lblLink->text());
}
