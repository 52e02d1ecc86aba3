#include "ui/frmCategoria.h"
#include "core/mdlSistema.h"
#include "format/Categorias.h"
#include "ui/mdlScriptsVista.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/Dialogos.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QValidator>
#include <QVBoxLayout>

namespace {
// Drops the refused characters from whatever reaches the field, typed or pasted, so a name such as
// "../x" can never become a path outside the category folder.
class ValidadorNombre : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &texto, int &pos) const override {
        const QString antes = texto.left(pos);
        texto = categorias::Filtrar(texto);
        pos = int(categorias::Filtrar(antes).size());
        return Acceptable;
    }
};
} // namespace

frmCategoria::frmCategoria(Principal &principal) : QDialog(principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmCategoria"));
    setWindowTitle(QStringLiteral("Agregar categoría"));
    setWindowIcon(IconoApp());
    setModal(true);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogNewFolder).pixmap(32, 32));
    Picture1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Label1 = new QLabel(QStringLiteral("Nombre de la categoría:"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtACat = new QLineEdit(Frame1);
    txtACat->setObjectName(QStringLiteral("txtACat"));
    txtACat->setAccessibleName(QStringLiteral("Nombre de la categoría"));
    txtACat->setValidator(new ValidadorNombre(txtACat));
    Label1->setBuddy(txtACat);
    lblCopiar = new QLabel(QStringLiteral("El nombre de la categoría no debe contener caracteres especiales."), Frame1);
    lblCopiar->setObjectName(QStringLiteral("lblCopiar"));
    lblCopiar->setWordWrap(true);
    cheCatRe = new QCheckBox(QStringLiteral("Preguntar antes de reemplazar"), Frame1);
    cheCatRe->setObjectName(QStringLiteral("cheCatRe"));
    cheCatRe->setChecked(p_.estado.Reemplazar != 0);

    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Aceptar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *marco = new QVBoxLayout(Frame1);
    marco->addWidget(Label1);
    marco->addWidget(txtACat);
    marco->addWidget(lblCopiar);
    marco->addSpacing(6);
    marco->addWidget(cheCatRe);
    auto *arriba = new QHBoxLayout;
    arriba->addWidget(Picture1);
    arriba->addWidget(Frame1, 1);
    auto *botones = dialogos::FilaBotones({cmdAceptar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addLayout(arriba);
    todo->addLayout(botones);
    setMinimumWidth(360);
    setTabOrder(txtACat, cheCatRe);
    setTabOrder(cheCatRe, cmdAceptar);
    setTabOrder(cmdAceptar, cmdCancelar);
    txtACat->setFocus();

    // Enter reaches Aceptar as the default button, once; the field itself runs nothing on Enter.
    connect(cmdAceptar, &QPushButton::clicked, this, &frmCategoria::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void frmCategoria::done(int resultado) {
    p_.estado.Reemplazar = cheCatRe->isChecked() ? 1 : 0;
    QDialog::done(resultado);
}

void frmCategoria::cmdAceptar_Click() {
    const QString nombre = txtACat->text().trimmed();
    txtACat->setText(nombre);
    if (nombre.isEmpty())
        return;
    if (categorias::EsSeudonimo(nombre)) {
        mensajes::Aviso(this, categorias::AvisoSeudonimo(nombre), QStringLiteral("Agregar categoría"));
        return;
    }
    const QString ruta = p_.estado.rutaCategoria(nombre);
    const bool existe = mdlSistema::ExisteArchivo(ruta);
    if (existe && cheCatRe->isChecked() &&
        !mensajes::Preguntar(this, QStringLiteral("La categoría %1 ya existe. ¿Desea reemplazarla?").arg(nombre),
                             p_.estado.TituloApp)) {
        reject();
        return;
    }

    // The open category's changes were offered for saving before this dialog opened.
    p_.panel().Limpiar();
    QString error;
    if (!mdlScripts::GuardarArchivo(ruta, {}, &error)) {
        // Nothing was created or emptied: the list of categories stays as it is and the dialog open.
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo crear la categoría %1 en %2: %3")
                            .arg(nombre, QDir::toNativeSeparators(ruta), error),
                        QStringLiteral("Agregar categoría"));
        return;
    }

    // A replaced category is listed once, last and selected.
    if (existe)
        p_.panel().CategoriaQuitada(nombre);
    p_.panel().CategoriaAgregada(nombre, true);
    accept();
}
