#include "ui/tools/frmEliminarDup.h"
#include "format/Herramientas.h"
#include "ui/Iconos.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"
#include "ui/Dialogos.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

frmEliminarDup::frmEliminarDup(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmEliminarDup"));
    setWindowTitle(QStringLiteral("Eliminar duplicados"));
    setWindowIcon(IconoApp());

    lblDup = new QLabel(QStringLiteral("Haga click en Eliminar para comenzar"), this);
    lblDup->setObjectName(QStringLiteral("lblDup"));
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    barMover = new QProgressBar(Frame1);
    barMover->setObjectName(QStringLiteral("barMover"));
    barMover->setTextVisible(false);
    (new QVBoxLayout(Frame1))->addWidget(barMover);
    cmdEliminar = dialogos::Boton(this, "cmdEliminar", QStringLiteral("Eliminar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cerrar"), false);

    auto *botones = dialogos::FilaBotones({cmdEliminar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(lblDup);
    todo->addWidget(Frame1);
    todo->addLayout(botones);
    resize(380, 140);

    connect(cmdEliminar, &QPushButton::clicked, this, &frmEliminarDup::Comenzar);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);

    HayDuplicados = false;
    barMover->setRange(0, 200);
    barMover->setValue(0);
    if (p_.categoria().cantidad() == 0)
        SinDuplicados();
}

void frmEliminarDup::Comenzar() {
    BuscarDuplicados();
    if (HayDuplicados)
        DuplicadosEliminados();
    else
        SinDuplicados();
}

void frmEliminarDup::BuscarDuplicados() {
    const int n = p_.categoria().cantidad();
    HayDuplicados = false;
    if (n > 0)
        barMover->setRange(0, n);
    barMover->setValue(0);

    QVector<QPair<QString, QString>> claves;
    claves.reserve(n);
    for (int i = 0; i < n; ++i)
        claves.append({p_.categoria().script(i).Nombre, p_.categoria().script(i).Descripcion});
    const QVector<bool> vive = herramientas::Sobrevivientes(claves, [this](int k) { barMover->setValue(k); });
    const int quedan = int(std::count(vive.begin(), vive.end(), true));
    if (quedan == n)
        return;
    HayDuplicados = true;
    p_.categoria().EliminarDuplicados();
    barMover->setRange(0, quedan);
    barMover->setValue(quedan);
}

void frmEliminarDup::SinDuplicados() {
    barMover->setValue(barMover->maximum());
    lblDup->setText(QStringLiteral("No se encontraron duplicados"));
    cmdEliminar->setEnabled(false);
    cmdCancelar->setDefault(true);
}

void frmEliminarDup::DuplicadosEliminados() {
    lblDup->setText(QStringLiteral("Los duplicados han sido eliminados"));
}
