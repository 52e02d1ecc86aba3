#include "ui/tools/frmEliminarDup.h"
#include "store/Herramientas.h"
#include "ui/Iconos.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/Principal.h"
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
    if (p_.filas()->topLevelItemCount() == 0)
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
    QTreeWidget *lista = p_.filas();
    const int n = lista->topLevelItemCount();
    HayDuplicados = false;
    if (n > 0)
        barMover->setRange(0, n);
    barMover->setValue(0);

    QVector<QPair<QString, QString>> claves;
    claves.reserve(n);
    for (int i = 0; i < n; ++i) {
        const QTreeWidgetItem *item = lista->topLevelItem(i);
        claves.append({vista::Campo(item, vista::ColNombre), vista::Campo(item, vista::ColDescripcion)});
    }
    const QVector<bool> vive = herramientas::Sobrevivientes(claves, [this](int k) { barMover->setValue(k); });
    const int quedan = int(std::count(vive.begin(), vive.end(), true));
    if (quedan == n)
        return;

    // One rebuild of the list instead of one removal per duplicate; the survivors keep their order.
    HayDuplicados = true;
    lista->setUpdatesEnabled(false);
    QTreeWidgetItem *actual = lista->currentItem();
    const int filaActual = lista->indexOfTopLevelItem(actual);
    int quedanAntes = 0; // survivors before the current row: where the selection lands if it goes
    const QList<QTreeWidgetItem *> todos = lista->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> sobreviven;
    sobreviven.reserve(quedan);
    for (int i = 0; i < todos.size(); ++i) {
        if (vive.at(i)) {
            sobreviven.append(todos.at(i));
            if (i < filaActual)
                ++quedanAntes;
        } else {
            if (todos.at(i) == actual)
                actual = nullptr;
            delete todos.at(i);
        }
    }
    // Rows added to a sorted list go in one by one: added as they are, they are already in order.
    const bool ordenada = lista->isSortingEnabled();
    lista->setSortingEnabled(false);
    lista->addTopLevelItems(sobreviven);
    lista->setSortingEnabled(ordenada);
    if (actual)
        lista->setCurrentItem(actual);
    else if (filaActual >= 0)
        vista::SeleccionarCercana(lista, quedanAntes);
    lista->setUpdatesEnabled(true);
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
    p_.MarcarCambios();
    p_.ActualizarLineaEstado();
}
