#include "ui/tools/frmOutlook.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/Principal.h"
#include "ui/Dialogos.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmOutlook::frmOutlook(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmOutlook"));
    setWindowTitle(QStringLiteral("Enviar archivo"));
    setWindowIcon(IconoApp());

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Picture1 = new QLabel(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(Icono("mail-send").pixmap(32, 32));

    auto campo = [this](const char *nombre, QLabel *etiqueta) {
        auto *t = new QLineEdit(Frame1);
        t->setObjectName(QString::fromLatin1(nombre));
        t->setAccessibleName(etiqueta->text().chopped(1));
        etiqueta->setBuddy(t);
        return t;
    };
    Label2 = new QLabel(QStringLiteral("Para (E-mail):"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtPara = campo("txtPara", Label2);
    Label3 = new QLabel(QStringLiteral("De (Nombre):"), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    txtDe = campo("txtDe", Label3);
    lblArchivo = new QLabel(QStringLiteral("Archivo adjunto:"), Frame1);
    lblArchivo->setObjectName(QStringLiteral("lblArchivo"));
    txtAdjunto = campo("txtAdjunto", lblArchivo);
    txtAdjunto->setReadOnly(true);

    cheEmail = new QCheckBox(QStringLiteral("Siempre mostrar esta ventana antes de enviar un e-mail"), this);
    cheEmail->setObjectName(QStringLiteral("cheEmail"));
    Label1 =
        new QLabel(QStringLiteral("Para enviar un e-mail desde Rutinero, es necesario tener instalado el "
                                  "programa MS Outlook."),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Enviar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *formulario = new QFormLayout;
    formulario->addRow(Label2, txtPara);
    formulario->addRow(Label3, txtDe);
    formulario->addRow(lblArchivo, txtAdjunto);
    auto *marco = new QHBoxLayout(Frame1);
    marco->addWidget(Picture1, 0, Qt::AlignTop);
    marco->addLayout(formulario, 1);
    auto *botones = dialogos::FilaBotones({cmdAceptar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(Frame1);
    todo->addWidget(cheEmail);
    todo->addWidget(Label1);
    todo->addLayout(botones);
    resize(420, sizeHint().height());

    setTabOrder(txtPara, txtDe);
    setTabOrder(txtDe, txtAdjunto);
    setTabOrder(txtAdjunto, cheEmail);
    setTabOrder(cheEmail, cmdAceptar);
    setTabOrder(cmdAceptar, cmdCancelar);

    connect(cmdAceptar, &QPushButton::clicked, this, &frmOutlook::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &frmOutlook::Form_Unload);
    Form_Load();
}

void frmOutlook::Form_Load() {
    txtPara->setText(p_.estado.MailPara);
    txtDe->setText(p_.estado.MailDe);
    cheEmail->setChecked(p_.estado.MSOutlook == 1);
    categoria_ = p_.categoria().nombre();
    txtAdjunto->setText(categoria_.isEmpty() ? QString() : categoria_ + QStringLiteral(".rtn"));
}

void frmOutlook::Form_Unload() {
    p_.estado.MailPara = txtPara->text();
    p_.estado.MailDe = txtDe->text();
    p_.estado.MSOutlook = cheEmail->isChecked() ? 1 : 0;
}

void frmOutlook::cmdAceptar_Click() {
    if (txtPara->text().isEmpty() || txtDe->text().isEmpty())
        return;
    const QString titulo = QStringLiteral("Enviar archivo");
    // The window stays open while the user works: the attachment must still be the open category.
    const QString abierta = p_.categoria().nombre();
    if (abierta != categoria_) {
        categoria_ = abierta;
        txtAdjunto->setText(abierta.isEmpty() ? QString() : abierta + QStringLiteral(".rtn"));
        mensajes::Aviso(this,
                        abierta.isEmpty()
                            ? QStringLiteral("Ya no hay ninguna categoría abierta: no hay nada que enviar.")
                            : QStringLiteral("La categoría abierta ha cambiado. El archivo adjunto es ahora %1; "
                                             "pulse Enviar de nuevo para enviarlo.")
                                  .arg(txtAdjunto->text()),
                        titulo);
        return;
    }
    if (categoria_.isEmpty())
        return;
    // The attachment is the file on disk: changes made since the window opened are offered first.
    if (p_.categoria().hayCambios() && !p_.Preguntar())
        return;
    Form_Unload();
    if (!p_.panel().EnviarMail(categoria_)) {
        mensajes::Aviso(this,
                        QStringLiteral("No se encuentra el archivo de la categoría %1; no se ha enviado nada.")
                            .arg(categoria_),
                        titulo);
        return;
    }
    accept();
}
