#include "ui/tools/frmMover.h"
#include "core/mdlSistema.h"
#include "store/mdlScripts.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/Dialogos.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmMover::frmMover(frmPrincipal &principal, QWidget *padre) : QDialog(padre ? padre : &principal), p_(principal) {
    setObjectName(QStringLiteral("frmMover"));
    setWindowTitle(QStringLiteral("Copiar"));
    setWindowIcon(IconoApp());

    const QTreeWidgetItem *sel = p_.lstScripts->currentItem();
    lblCopiar = new QLabel(QStringLiteral("Seleccione la categoría a la cual desea copiar el script: ") +
                               (sel ? sel->text(vista::ColNombre) : QString()),
                           this);
    lblCopiar->setObjectName(QStringLiteral("lblCopiar"));
    lblCopiar->setWordWrap(true);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    cboImagen = new QComboBox(Frame1);
    cboImagen->setObjectName(QStringLiteral("cboImagen"));
    cboImagen->setAccessibleName(QStringLiteral("Categoría"));
    cboImagen->setEditable(false);
    cboImagen->installEventFilter(this);
    auto *marco = new QVBoxLayout(Frame1);
    marco->addWidget(cboImagen);
    barMover = new QProgressBar(this);
    barMover->setObjectName(QStringLiteral("barMover"));
    barMover->setTextVisible(false);
    barMover->setRange(0, 200);
    barMover->setValue(0);
    lstMover = new QTreeWidget(this);
    lstMover->setObjectName(QStringLiteral("lstMover"));
    vista::PrepararColumnas(lstMover);
    lstMover->hide();

    cmdPegar = dialogos::Boton(this, "cmdPegar", QStringLiteral("Copiar"), true);
    cmdPegar->setEnabled(false);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *botones = dialogos::FilaBotones({cmdPegar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(lblCopiar);
    todo->addWidget(Frame1);
    todo->addWidget(barMover);
    todo->addLayout(botones);
    resize(400, 170);

    const QIcon icono = frmPrincipal::Imagen(7);
    for (int i = 0; i < p_.lstCat->topLevelItemCount(); ++i)
        cboImagen->addItem(icono, p_.lstCat->topLevelItem(i)->text(0));
    cboImagen->setCurrentIndex(-1);

    connect(cboImagen, &QComboBox::activated, this, [this] {
        cmdPegar->setEnabled(true);
        cmdPegar->setFocus();
    });
    connect(cmdPegar, &QPushButton::clicked, this, &frmMover::cmdPegar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmMover::eventFilter(QObject *objeto, QEvent *evento) {
    // Typing in the combo would pick a category by its first letter behind the user's back.
    if (objeto == cboImagen && evento->type() == QEvent::KeyPress)
        return true;
    return QDialog::eventFilter(objeto, evento);
}

void frmMover::cmdPegar_Click() {
    const QString destino = cboImagen->currentText();
    const QString ruta = p_.estado.rutaCategoria(destino);
    if (cboImagen->currentIndex() < 0 || !mdlSistema::ExisteArchivo(ruta)) {
        reject();
        return;
    }
    QTreeWidgetItem *sel = p_.lstScripts->currentItem();
    if (!sel || !sel->isSelected()) {
        reject();
        return;
    }
    if (p_.lblMenu3->text() == destino) {
        reject();
        return;
    }
    cboImagen->hide();
    repaint();

    // The target is written before the script leaves the open list: if the write fails the script
    // must still be there, or saving the open category would lose it.
    QVector<Script> scripts;
    QString error;
    barMover->setRange(0, 200);
    barMover->setValue(0);
    bool ok = mdlScripts::LeerArchivo(ruta, scripts, &error);
    if (ok) {
        vista::Anexar(lstMover, scripts);
        scripts.append(vista::ScriptDe(sel));
        auto *fila = vista::NuevoItem(scripts.last());
        fila->setIcon(0, frmPrincipal::Imagen(1));
        lstMover->addTopLevelItem(fila);
        barMover->setRange(0, int(scripts.size()));
        barMover->setValue(int(scripts.size()) / 2);
        ok = mdlScripts::GuardarArchivo(ruta, scripts, &error);
    }
    barMover->setRange(0, 200);
    barMover->setValue(ok ? 200 : 0);
    if (!ok) {
        lstMover->clear();
        cboImagen->show();
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo copiar el script %1 a la categoría %2 (%3): %4\n\nEl script "
                                       "sigue en la categoría abierta y no se ha modificado nada.")
                            .arg(sel->text(vista::ColNombre), destino, QDir::toNativeSeparators(ruta), error),
                        QStringLiteral("Copiar"));
        reject();
        return;
    }

    p_.estado.sesion.AnunciarEscritos({destino + QStringLiteral(".rtn")});
    delete sel;
    p_.ActualizarLineaEstado();
    QApplication::processEvents();
    p_.MarcarCambios();
    cmdPegar->setEnabled(false);
    cmdCancelar->setText(QStringLiteral("Cerrar"));
}
