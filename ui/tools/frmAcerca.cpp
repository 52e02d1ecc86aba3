#include "ui/tools/frmAcerca.h"
#include "core/Soporte.h"
#include "ui/Iconos.h"
#include "ui/Principal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/tools/Enlace.h"
#include "ui/Dialogos.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmAcerca::frmAcerca(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmAcerca"));
    setWindowTitle(QStringLiteral("Acerca de Rutinero"));
    setWindowIcon(IconoApp());

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(IconoApp().pixmap(64, 64));
    Picture1->setAccessibleName(QStringLiteral("Logotipo de Rutinero"));
    lblTitulo = new QLabel(this);
    lblTitulo->setObjectName(QStringLiteral("lblTitulo"));
    lblTitulo->setFont(QFont(QStringLiteral("Arial"), 16, QFont::Bold));
    Label2 = new QLabel(QStringLiteral("Programado por el equipo de Rutinero. Versión 1.0 terminada el 10 de "
                                       "febrero de 2002."),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    lblCarpeta = new QLabel(QStringLiteral("Carpeta de datos: %1").arg(QDir::toNativeSeparators(p_.estado.carpeta)), this);
    lblCarpeta->setObjectName(QStringLiteral("lblCarpeta"));
    lblCarpeta->setWordWrap(true);
    lblCarpeta->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label1 = new Enlace(soporte::Autor(), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Frame1 = new QGroupBox(QStringLiteral("Agradecimientos"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Text1 = new QPlainTextEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAccessibleName(QStringLiteral("Agradecimientos"));
    Text1->setPlainText(QStringLiteral(
        "Gracias a todos los que aportaron sus scripts a la biblioteca de Rutinero, a la Comunidad Rutinero "
        "por su apoyo constante y a quienes probaron el programa y enviaron sus comentarios.\n\n"
        "Rutinero se distribuye libremente y en forma gratuita.\n\n"
        "Versión 1.0 terminada el 10 de febrero de 2002.\n\n"
        "Lo invitamos a intercambiar sus scripts con otros usuarios a través de la Comunidad Rutinero."));
    auto *marco = new QVBoxLayout(Frame1);
    marco->addWidget(Text1);

    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cerrar"), true);

    auto *textos = new QVBoxLayout;
    textos->addWidget(lblTitulo);
    textos->addWidget(Label2);
    textos->addWidget(lblCarpeta);
    textos->addWidget(Label1);
    auto *cabecera = new QHBoxLayout;
    cabecera->addWidget(Picture1, 0, Qt::AlignTop);
    cabecera->addLayout(textos, 1);
    auto *abajo = new QHBoxLayout;
    abajo->addStretch(1);
    abajo->addWidget(cmdCancelar);
    auto *todo = new QVBoxLayout(this);
    todo->addLayout(cabecera);
    todo->addWidget(Frame1, 1);
    todo->addLayout(abajo);
    resize(440, 380);

    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(Label1, &Enlace::clicked, this, &frmAcerca::Label1_Click);
    lblTitulo->setText(p_.estado.TituloApp);
}

void frmAcerca::Label1_Click() {
    mdlSistema::Ejecutar(QStringLiteral("open"), Label1->text());
}
