#include "ui/editor/frmExportar.h"
#include "core/Exportar.h"
#include "ui/Mensajes.h"
#include "ui/Iconos.h"
#include "ui/Principal.h"
#include "ui/Dialogos.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmExportar::frmExportar(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmExportar"));
    setWindowTitle(QStringLiteral("Opciones de exportar"));
    setWindowIcon(IconoApp());

    Label2 = new QLabel(QStringLiteral("Exportar archivos con la siguiente extensión:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    cboExt = new QComboBox(this);
    cboExt->setObjectName(QStringLiteral("cboExt"));
    cboExt->setAccessibleName(QStringLiteral("Extensión"));
    cboExt->setEditable(true);
    cboExt->setInsertPolicy(QComboBox::NoInsert);
    // The extension is kept as typed: no completion, and no folding onto a listed entry of another case.
    cboExt->setCompleter(nullptr);
    cboExt->addItems({QStringLiteral("html"), QStringLiteral("js"), QStringLiteral("asp"), QStringLiteral("php"),
                      QStringLiteral("txt")});
    Label2->setBuddy(cboExt);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    cheTag = new QCheckBox(QStringLiteral("Incluir el tag <pre> dentro del código fuente"), Frame1);
    cheTag->setObjectName(QStringLiteral("cheTag"));
    auto *marco = new QVBoxLayout(Frame1);
    marco->addWidget(cheTag);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    Label1 = new QLabel(QStringLiteral("La opción \"Exportar\" le permite ejecutar las rutinas de Rutinero en su "
                                       "navegador."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Aceptar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *info = new QHBoxLayout;
    info->addWidget(Picture1, 0, Qt::AlignTop);
    info->addWidget(Label1, 1);
    auto *botones = dialogos::FilaBotones({cmdAceptar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(Label2);
    todo->addWidget(cboExt);
    todo->addWidget(Frame1);
    todo->addLayout(info);
    todo->addLayout(botones);
    resize(380, sizeHint().height());

    const int i = cboExt->findText(p_.estado.Extension);
    if (i >= 0)
        cboExt->setCurrentIndex(i);
    cboExt->setEditText(p_.estado.Extension);
    cheTag->setChecked(p_.estado.Tag == 1);

    connect(cmdAceptar, &QPushButton::clicked, this, &frmExportar::cmdAceptar_Click);
    // Esc reaches reject(), as the cancel button does.
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void frmExportar::cmdAceptar_Click() {
    const QString ext = cboExt->currentText();
    if (ext.isEmpty())
        return;
    if (exportar::ExtensionValida(ext) != ext) {
        mensajes::Aviso(this, QStringLiteral("La extensión solo puede tener letras y números (hasta 10)."),
                        windowTitle());
        return;
    }
    p_.estado.Extension = ext;
    p_.estado.ExtensionElegida = 1;
    p_.estado.Tag = cheTag->isChecked() ? 1 : 0;
    accept();
}
