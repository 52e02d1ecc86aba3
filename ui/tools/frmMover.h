#pragma once
#include "format/mdlScripts.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class Principal;

// Moves the selected script of the open category to the end of another category's file.
// One move per opening.
class frmMover : public QDialog {
    Q_OBJECT
public:
    explicit frmMover(Principal &principal, QWidget *padre = nullptr);

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
  // Where the script the dialog was opened for is now in the open category, unchanged; -1 when it
  // is no longer there.
  int FilaNombrada() const;
  Principal &p_;
  int fila_ = -1; // its place when the dialog opened
  Script script_;
  QString categoria_;
};
