#include "ui/frmCampos.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"

#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <limits>

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
    // A hundred boxes do not fit on a screen: they scroll.
    auto *zona = new QScrollArea(this);
    zona->setObjectName(QStringLiteral("zonaCampos"));
    zona->setWidgetResizable(true);
    zona->setFrameShape(QFrame::NoFrame);
    auto *cajas = new QWidget(zona);
    auto *formulario = new QFormLayout(cajas);
    for (int i = 0; i < campos_.size(); ++i) {
        QWidget *caja = nullptr;
        QLineEdit *t = nullptr;
        if (!campos_[i].opciones.isEmpty()) {
            // A choice offers its texts, and still takes one typed.
            auto *lista = new QComboBox(cajas);
            lista->setEditable(true);
            lista->setInsertPolicy(QComboBox::NoInsert);
            lista->addItems(campos_[i].opciones);
            lista->setObjectName(QStringLiteral("cboCampo%1").arg(i));
            lista->setAccessibleName(campos_[i].nombre);
            t = lista->lineEdit();
            caja = lista;
        } else {
            t = new QLineEdit(cajas);
            caja = t;
        }
        t->setMaxLength(std::numeric_limits<int>::max()); // a long default is offered whole, not cut
        t->setText(campos_[i].valor);
        t->setObjectName(QStringLiteral("txtCampo%1").arg(i));
        t->setAccessibleName(campos_[i].nombre);
        caja->setMinimumWidth(260);
        auto *etiqueta = new QLabel(campos_[i].nombre.toHtmlEscaped() + QLatin1Char(':'), cajas);
        etiqueta->setTextFormat(Qt::RichText); // escaped: a name is shown as written, never as markup
        etiqueta->setBuddy(caja);
        formulario->addRow(etiqueta, caja);
        txtCampos << t;
    }
    zona->setWidget(cajas);
    // As wide as its boxes: only the height scrolls.
    zona->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    zona->setMinimumWidth(cajas->sizeHint().width() + zona->verticalScrollBar()->sizeHint().width());
    todo->addWidget(zona);
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
    const QString titulo = QStringLiteral("Campos del código");
    bool demasiados = false;
    const QVector<campos::Campo> distintos = campos::Distintos(codigo, &demasiados);
    if (demasiados) {
        // More boxes than anyone fills in (or a form that would never come up): copied as written.
        mensajes::Informacion(padre,
                              QStringLiteral("El código tiene más de %1 campos distintos para rellenar, más de los "
                                             "que se piden: se copia tal como está escrito, sin llenar ninguno.")
                                  .arg(campos::kMaximo),
                              titulo);
        return codigo;
    }
    if (distintos.isEmpty())
        return campos::Llenar(codigo, {}); // a `$${` still becomes `${`
    frmCampos dlg(distintos, padre);
    if (mensajes::Ejecutar(dlg) != QDialog::Accepted)
        return std::nullopt;
    bool excedido = false;
    const QString lleno = campos::Llenar(codigo, dlg.valores(), &excedido);
    if (excedido)
        mensajes::Informacion(padre,
                              QStringLiteral("Con los campos llenos el código crecería en más de %1 caracteres (sus "
                                             "valores por omisión se nombran unos a otros): se copia tal como está "
                                             "escrito, sin llenar ninguno.")
                                  .arg(QLocale(QLocale::Spanish).toString(qlonglong(campos::kCrecimiento))),
                              titulo);
    return lleno;
}

bool Copiar(QWidget *padre, const QString &codigo) {
    const std::optional<QString> texto = Preparar(padre, codigo);
    if (!texto)
        return false;
    QGuiApplication::clipboard()->setText(*texto);
    return true;
}

QString Copiado(const QString &nombre) {
    return nombre.trimmed().isEmpty() ? QStringLiteral("Código copiado al portapapeles.")
                                      : QStringLiteral("Código de %1 copiado al portapapeles.").arg(nombre);
}

} // namespace portapapeles
