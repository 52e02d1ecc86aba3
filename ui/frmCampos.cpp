#include "ui/frmCampos.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmCampos::frmCampos(const QVector<campos::Campo> &campos, QWidget *padre) : QDialog(padre), campos_(campos) {
    setObjectName(QStringLiteral("frmCampos"));
    setWindowTitle(QStringLiteral("Campos del código"));
    setWindowIcon(IconoApp());
    auto *todo = new QVBoxLayout(this);
    auto *explica = new QLabel(QStringLiteral("Escriba el valor de cada campo. Intro copia el código con los campos "
                                              "llenos; Esc cierra sin copiar nada."),
                               this);
    explica->setWordWrap(true);
    todo->addWidget(explica);
    auto *formulario = new QFormLayout;
    for (int i = 0; i < campos_.size(); ++i) {
        auto *t = new QLineEdit(campos_[i].valor, this);
        t->setObjectName(QStringLiteral("txtCampo%1").arg(i));
        t->setAccessibleName(campos_[i].nombre);
        t->setMinimumWidth(260);
        auto *etiqueta = new QLabel(campos_[i].nombre.toHtmlEscaped() + QLatin1Char(':'), this);
        etiqueta->setTextFormat(Qt::RichText); // escaped: a name is shown as written, never as markup
        etiqueta->setBuddy(t);
        formulario->addRow(etiqueta, t);
        txtCampos << t;
    }
    todo->addLayout(formulario);
    cmdCopiar = dialogos::Boton(this, "cmdCopiar", QStringLiteral("&Copiar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);
    cmdCancelar->setToolTip(QStringLiteral("Cierra sin copiar nada (Esc)"));
    todo->addLayout(dialogos::FilaBotones({cmdCopiar, cmdCancelar}));
    connect(cmdCopiar, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
    if (!txtCampos.isEmpty()) {
        txtCampos.first()->setFocus();
        txtCampos.first()->selectAll();
    }
}

QMap<QString, QString> frmCampos::valores() const {
    QMap<QString, QString> r;
    for (int i = 0; i < campos_.size(); ++i)
        r.insert(campos_[i].nombre, txtCampos[i]->text());
    return r;
}

namespace portapapeles {

std::optional<QString> Preparar(QWidget *padre, const QString &codigo) {
    const QVector<campos::Campo> distintos = campos::Distintos(codigo);
    if (distintos.isEmpty())
        return campos::Llenar(codigo, {}); // a `$${` still becomes `${`
    frmCampos dlg(distintos, padre);
    if (mensajes::Ejecutar(dlg) != QDialog::Accepted)
        return std::nullopt;
    return campos::Llenar(codigo, dlg.valores());
}

bool Copiar(QWidget *padre, const QString &codigo) {
    const std::optional<QString> texto = Preparar(padre, codigo);
    if (!texto)
        return false;
    QGuiApplication::clipboard()->setText(*texto);
    return true;
}

} // namespace portapapeles
