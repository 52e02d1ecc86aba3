// The find bar under the code.
#include "ui/Iconos.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

void frmScript::crearBuscar() {
    fraBuscar = new QFrame(area);
    fraBuscar->setObjectName(QStringLiteral("fraBuscar"));
    fraBuscar->setFrameShape(QFrame::StyledPanel);
    auto *etiqueta = new QLabel(QStringLiteral("Buscar:"), fraBuscar);
    txtBuscar = new QLineEdit(fraBuscar);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    txtBuscar->setAccessibleName(QStringLiteral("Buscar en el código"));
    txtBuscar->installEventFilter(this);
    etiqueta->setBuddy(txtBuscar);
    auto boton = [this](const char *nombre, const QString &consejo, const char *icono) {
        auto *b = new QToolButton(fraBuscar);
        b->setObjectName(QString::fromLatin1(nombre));
        b->setToolTip(consejo);
        b->setAccessibleName(consejo);
        b->setIcon(Icono(icono));
        b->setAutoRaise(true);
        return b;
    };
    cmdAnterior = boton("cmdAnterior", QStringLiteral("Anterior (Mayús+F3)"), "go-up");
    cmdSiguiente = boton("cmdSiguiente", QStringLiteral("Siguiente (F3)"), "go-down");
    cmdCerrarBuscar = boton("cmdCerrarBuscar", QStringLiteral("Cerrar la búsqueda"), "window-close");
    lblBuscar = new QLabel(fraBuscar);
    lblBuscar->setObjectName(QStringLiteral("lblBuscar"));
    auto *fila = new QHBoxLayout(fraBuscar);
    fila->setContentsMargins(4, 2, 4, 2);
    fila->addWidget(etiqueta);
    fila->addWidget(txtBuscar, 1);
    fila->addWidget(cmdAnterior);
    fila->addWidget(cmdSiguiente);
    fila->addWidget(lblBuscar);
    fila->addWidget(cmdCerrarBuscar);
    fraBuscar->hide();
    setTabOrder(cheIncluir, txtBuscar);
    connect(cmdAnterior, &QToolButton::clicked, this, [this] { BuscarCodigo(false); });
    connect(cmdSiguiente, &QToolButton::clicked, this, [this] { BuscarCodigo(true); });
    connect(cmdCerrarBuscar, &QToolButton::clicked, this, [this] {
        fraBuscar->hide();
        Form_Resize();
        txtCodigo->setFocus();
    });
    // Typing searches at once, from where the current match starts, so a longer word keeps its place.
    connect(txtBuscar, &QLineEdit::textEdited, this, [this] {
        int l1 = 0, i1 = 0, l2 = 0, i2 = 0;
        txtCodigo->getSelection(&l1, &i1, &l2, &i2);
        if (l1 >= 0)
            txtCodigo->setCursorPosition(l1, i1);
        BuscarCodigo(true);
    });
}

void frmScript::MostrarBuscar() {
    const QString elegido = txtCodigo->selectedText();
    if (!elegido.isEmpty() && !elegido.contains(QLatin1Char('\n')))
        txtBuscar->setText(elegido);
    fraBuscar->show();
    Form_Resize();
    txtBuscar->setFocus();
    txtBuscar->selectAll();
}

bool frmScript::BuscarCodigo(bool adelante) {
    const QString palabra = txtBuscar->text();
    if (palabra.isEmpty())
        return false;
    bool hallado;
    if (adelante) {
        hallado = txtCodigo->findFirst(palabra, false, false, false, true, true);
    } else {
        // Backwards from the start of the current match, or it would be found again.
        int l1 = -1, i1 = -1, l2 = 0, i2 = 0;
        txtCodigo->getSelection(&l1, &i1, &l2, &i2);
        if (l1 < 0)
            txtCodigo->getCursorPosition(&l1, &i1);
        hallado = txtCodigo->findFirst(palabra, false, false, false, true, false, l1, i1);
    }
    lblBuscar->setText(hallado ? QString() : QStringLiteral("No se encontró"));
    return hallado;
}
