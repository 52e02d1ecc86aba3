#include "ui/tools/frmSincronizar.h"
#include "core/Estado.h"
#include "core/Cp1252.h"
#include "history/Repositorio.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/mdlSistemaVista.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

frmSincronizar::frmSincronizar(Estado &estado, QWidget *padre) : QDialog(padre), estado_(estado) {
    setObjectName(QStringLiteral("frmSincronizar"));
    setWindowTitle(QStringLiteral("Configurar sincronización"));
    setWindowIcon(IconoApp());
    Label1 = new QLabel(QStringLiteral("&Dirección del repositorio remoto:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtRemoto = new QLineEdit(estado_.Remoto, this);
    txtRemoto->setObjectName(QStringLiteral("txtRemoto"));
    txtRemoto->setAccessibleName(QStringLiteral("Dirección del repositorio remoto"));
    txtRemoto->setMinimumWidth(380);
    Label1->setBuddy(txtRemoto);
    cmdExaminar = dialogos::Boton(this, "cmdExaminar", QStringLiteral("E&xaminar…"), false);
    cmdExaminar->setToolTip(QStringLiteral("Elegir una carpeta de un disco compartido"));
    lblAyuda = new QLabel(QStringLiteral("Un repositorio git vacío en un disco compartido "
                                         "(/media/usb/rutinero.git), por SSH (usuario@servidor:rutinero.git) "
                                         "o por HTTPS. Ninguna clave se guarda en un archivo: SSH usa su agente, y "
                                         "el token HTTPS se pide al sincronizar y, si lo pide, se guarda en el "
                                         "llavero del escritorio."),
                          this);
    lblAyuda->setObjectName(QStringLiteral("lblAyuda"));
    lblAyuda->setWordWrap(true);
    cheAutomatico = new QCheckBox(QStringLiteral("Guardar una versión en el historial con cada cambio"), this);
    cheAutomatico->setObjectName(QStringLiteral("cheAutomatico"));
    cheAutomatico->setChecked(estado_.HistorialAutomatico != 0);
    cheCada = new QCheckBox(QStringLiteral("Sincronizar &automáticamente cada"), this);
    cheCada->setObjectName(QStringLiteral("cheCada"));
    cheCada->setChecked(estado_.SincronizarCada > 0);
    txtMinutos = new QSpinBox(this);
    txtMinutos->setObjectName(QStringLiteral("txtMinutos"));
    txtMinutos->setAccessibleName(QStringLiteral("Minutos entre sincronizaciones automáticas"));
    txtMinutos->setRange(1, 24 * 60);
    txtMinutos->setSuffix(QStringLiteral(" minutos"));
    txtMinutos->setValue(estado_.SincronizarCada > 0 ? estado_.SincronizarCada : 30);
    txtMinutos->setEnabled(cheCada->isChecked());
    connect(cheCada, &QCheckBox::toggled, txtMinutos, &QWidget::setEnabled);
    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Aceptar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *todo = new QVBoxLayout(this);
    todo->addWidget(Label1);
    auto *fila = new QHBoxLayout;
    fila->addWidget(txtRemoto, 1);
    fila->addWidget(cmdExaminar);
    todo->addLayout(fila);
    todo->addWidget(lblAyuda);
    todo->addSpacing(8);
    todo->addWidget(cheAutomatico);
    auto *cada = new QHBoxLayout;
    cada->addWidget(cheCada);
    cada->addWidget(txtMinutos);
    cada->addStretch(1);
    todo->addLayout(cada);
    todo->addLayout(dialogos::FilaBotones({cmdAceptar, cmdCancelar}));
    connect(cmdExaminar, &QPushButton::clicked, this, &frmSincronizar::cmdExaminar_Click);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmSincronizar::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSincronizar::cmdExaminar_Click() {
    // Starts where the address already points, when it is a folder that is there.
    const QString escrita = txtRemoto->text().trimmed();
    const QString local = escrita.startsWith(QLatin1String("file://")) ? QUrl(escrita).toLocalFile() : escrita;
    const QString inicial = local.startsWith(QLatin1Char('/')) && QFileInfo(local).isDir() ? local : QDir::homePath();
    const QString elegida =
        mdlSistema::ElegirCarpeta(this, QStringLiteral("Carpeta del repositorio compartido"), inicial);
    if (!elegida.isEmpty())
        txtRemoto->setText(QDir::cleanPath(elegida));
    txtRemoto->setFocus();
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
    estado_.SincronizarCada = cheCada->isChecked() ? txtMinutos->value() : 0;
    accept();
}

bool frmSincronizar::PedirClave(QWidget *padre, const QString &url, const QString &aviso,
                                const QString &sinLlavero, Clave *clave) {
    QDialog dlg(padre);
    dlg.setObjectName(QStringLiteral("frmClave"));
    dlg.setWindowTitle(QStringLiteral("Sincronizar"));
    QString pregunta = QStringLiteral("El repositorio %1 pide usuario y clave (en GitHub, GitLab o Gitea, la clave es "
                                      "un token de acceso personal).\n\nAceptar: sincroniza con ellos. Cancelar, Esc "
                                      "o cerrar: no se sincroniza, y no se pierde nada.")
                           .arg(url);
    if (!aviso.isEmpty())
        pregunta = aviso + QStringLiteral("\n\n") + pregunta;
    auto *texto = new QLabel(pregunta, &dlg);
    texto->setObjectName(QStringLiteral("lblPregunta"));
    texto->setWordWrap(true);
    auto *txtUsuario = new QLineEdit(clave->usuario, &dlg);
    txtUsuario->setObjectName(QStringLiteral("txtUsuario"));
    auto *txtClave = new QLineEdit(&dlg);
    txtClave->setObjectName(QStringLiteral("txtClave"));
    txtClave->setEchoMode(QLineEdit::Password);
    auto *campos = new QFormLayout;
    campos->addRow(QStringLiteral("&Usuario:"), txtUsuario);
    campos->addRow(QStringLiteral("C&lave o token:"), txtClave);
    auto *cheRecordar = new QCheckBox(QStringLiteral("&Recordar en este equipo (en el llavero del escritorio)"), &dlg);
    cheRecordar->setObjectName(QStringLiteral("cheRecordar"));
    auto *lblLlavero = new QLabel(&dlg);
    lblLlavero->setObjectName(QStringLiteral("lblLlavero"));
    lblLlavero->setWordWrap(true);
    if (sinLlavero.isEmpty()) {
        lblLlavero->hide();
    } else {
        // Nothing is ever kept anywhere else: without the keyring it is asked again next time.
        cheRecordar->setEnabled(false);
        lblLlavero->setText(
            QStringLiteral("Recordar en este equipo: no se puede guardar: %1. Se preguntará en cada sincronización.")
                .arg(sinLlavero));
    }
    auto *aceptar = dialogos::Boton(&dlg, "cmdAceptar", QStringLiteral("Aceptar"), true);
    auto *cancelar = dialogos::Boton(&dlg, "cmdCancelar", QStringLiteral("Cancelar"), false);
    connect(aceptar, &QPushButton::clicked, &dlg, &QDialog::accept);
    connect(cancelar, &QPushButton::clicked, &dlg, &QDialog::reject);
    auto *todo = new QVBoxLayout(&dlg);
    todo->addWidget(texto);
    todo->addLayout(campos);
    todo->addWidget(cheRecordar);
    todo->addWidget(lblLlavero);
    todo->addLayout(dialogos::FilaBotones({aceptar, cancelar}));
    if (!clave->usuario.isEmpty())
        txtClave->setFocus();
    if (mensajes::Ejecutar(dlg) != QDialog::Accepted) {
        txtClave->clear();
        return false;
    }
    clave->usuario = txtUsuario->text();
    clave->clave = txtClave->text();
    clave->recordar = cheRecordar->isEnabled() && cheRecordar->isChecked();
    txtClave->clear();
    return true;
}
