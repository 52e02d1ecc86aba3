#pragma once
#include "store/mdlScripts.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class frmPrincipal;

// Moves the selected script of the open category to the end of another category's file.
// One move per opening.
class frmMover : public QDialog {
    Q_OBJECT
public:
    explicit frmMover(frmPrincipal &principal, QWidget *padre = nullptr);

    QLabel *lblCopiar = nullptr;
    QFrame *Frame1 = nullptr;
    QComboBox *cboImagen = nullptr;
    QPushButton *cmdPegar = nullptr;
    QPushButton *cmdCancelar = nullptr;
    QProgressBar *barMover = nullptr;
    QTreeWidget *lstMover = nullptr; // never shown: the target category while it is rewritten

    void cmdPegar_Click();

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    // The row the dialog was opened for, if it is still in the open category unchanged.
    QTreeWidgetItem *FilaNombrada() const;
    frmPrincipal &p_;
    QTreeWidgetItem *fila_ = nullptr;
    Script script_;
    QString categoria_;
};
