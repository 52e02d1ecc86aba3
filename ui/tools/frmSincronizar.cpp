#include "ui/tools/frmSincronizar.h"
#include "core/Estado.h"
#include "core/Cp1252.h"
#include "history/Repositorio.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

frmSincronizar::frmSincronizar(Estado &estado, QWidget *padre) : QDialog(padre), estado_(estado) {
    setObjectName(QStringLiteral("frmSincronizar"));
    setWindowTitle(QStringLiteral("Configurar sincronización"));
    setWindowIcon(IconoApp());
    Label1 = new QLabel(QStringLiteral("Dirección del repositorio remoto:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtRemoto = new QLineEdit(estado_.Remoto, this);
    txtRemoto->setObjectName(QStringLiteral("txtRemoto"));
    txtRemoto->setAccessibleName(QStringLiteral("Dirección del repositorio remoto"));
    txtRemoto->setMinimumWidth(380);
    Label1->setBuddy(txtRemoto);
    lblAyuda = new QLabel(QStringLiteral("Un repositorio git vacío en un disco compartido "
                                         "(/media/usb/rutinero.git), por SSH (usuario@servidor:rutinero.git) "
                                         "o por HTTPS. La clave no se guarda: SSH usa su agente y una clave se "
                                         "pide en cada sincronización."),
                          this);
    lblAyuda->setObjectName(QStringLiteral("lblAyuda"));
    lblAyuda->setWordWrap(true);
    cheAutomatico = new QCheckBox(QStringLiteral("Guardar una versión en el historial con cada cambio"), this);
    cheAutomatico->setObjectName(QStringLiteral("cheAutomatico"));
    cheAutomatico->setChecked(estado_.HistorialAutomatico != 0);
    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Aceptar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *todo = new QVBoxLayout(this);
    todo->addWidget(Label1);
    todo->addWidget(txtRemoto);
    todo->addWidget(lblAyuda);
    todo->addSpacing(8);
    todo->addWidget(cheAutomatico);
    todo->addLayout(dialogos::FilaBotones({cmdAceptar, cmdCancelar}));
    connect(cmdAceptar, &QPushButton::clicked, this, &frmSincronizar::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSincronizar::cmdAceptar_Click() {
    const QString direccion = txtRemoto->text().trimmed();
    const QString titulo = QStringLiteral("Configurar sincronización");
    if (!QUrl(direccion).password().isEmpty()) {
        mensajes::Aviso(this,
                        QStringLiteral("La dirección no debe llevar la clave: se pide en cada sincronización y "
                                       "nunca se guarda."),
                        titulo);
        return;
    }
    if (!cp1252::Representable(direccion)) {
        mensajes::Aviso(this,
                        QStringLiteral("La dirección tiene caracteres (%1) que el archivo de preferencias no puede "
                                       "guardar.")
                            .arg(cp1252::NoRepresentables(direccion)),
                        titulo);
        return;
    }
    // A folder on a disk that holds nothing yet becomes the repository the machines share.
    const QString local = direccion.startsWith(QLatin1String("file://")) ? QUrl(direccion).toLocalFile() : direccion;
    if (local.startsWith(QLatin1Char('/')) &&
        (!QFileInfo::exists(local) || (QFileInfo(local).isDir() && QDir(local).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                                                      QDir::Hidden)))) {
        if (!mensajes::Preguntar(this,
                                 QStringLiteral("La carpeta %1 no tiene un repositorio. ¿Desea crear uno vacío allí "
                                                "para sincronizar?")
                                     .arg(QDir::toNativeSeparators(local)),
                                 titulo))
            return;
        QString error;
        if (!git::Repositorio::CrearRemoto(local, &error)) {
            mensajes::Aviso(this, QStringLiteral("No se pudo crear el repositorio en %1: %2").arg(local, error), titulo);
            return;
        }
    }
    estado_.Remoto = direccion;
    estado_.HistorialAutomatico = cheAutomatico->isChecked() ? 1 : 0;
    accept();
}

bool frmSincronizar::PedirClave(QWidget *padre, const QString &url, QString *usuario, QString *clave) {
    QDialog dlg(padre);
    dlg.setObjectName(QStringLiteral("frmClave"));
    dlg.setWindowTitle(QStringLiteral("Sincronizar"));
    auto *texto = new QLabel(QStringLiteral("El repositorio %1 pide usuario y clave:").arg(url), &dlg);
    texto->setWordWrap(true);
    auto *txtUsuario = new QLineEdit(*usuario, &dlg);
    txtUsuario->setObjectName(QStringLiteral("txtUsuario"));
    auto *txtClave = new QLineEdit(&dlg);
    txtClave->setObjectName(QStringLiteral("txtClave"));
    txtClave->setEchoMode(QLineEdit::Password);
    auto *campos = new QFormLayout;
    campos->addRow(QStringLiteral("Usuario:"), txtUsuario);
    campos->addRow(QStringLiteral("Clave:"), txtClave);
    auto *aceptar = dialogos::Boton(&dlg, "cmdAceptar", QStringLiteral("Aceptar"), true);
    auto *cancelar = dialogos::Boton(&dlg, "cmdCancelar", QStringLiteral("Cancelar"), false);
    connect(aceptar, &QPushButton::clicked, &dlg, &QDialog::accept);
    connect(cancelar, &QPushButton::clicked, &dlg, &QDialog::reject);
    auto *todo = new QVBoxLayout(&dlg);
    todo->addWidget(texto);
    todo->addLayout(campos);
    todo->addLayout(dialogos::FilaBotones({aceptar, cancelar}));
    if (!usuario->isEmpty())
        txtClave->setFocus();
    if (mensajes::Ejecutar(dlg) != QDialog::Accepted)
        return false;
    *usuario = txtUsuario->text();
    *clave = txtClave->text();
    txtClave->clear();
    return true;
}
