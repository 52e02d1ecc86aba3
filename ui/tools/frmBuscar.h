#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class Principal;

// Finds the open category's scripts whose name holds a word, and selects the chosen one.
class frmBuscar : public QDialog {
    Q_OBJECT
public:
    explicit frmBuscar(Principal &principal, QWidget *padre = nullptr);

    QLabel *lblBuscar = nullptr;
    QLineEdit *txtBuscar = nullptr;
    QPushButton *cmdBuscar = nullptr;
    QTreeWidget *lstBuscar = nullptr;
    QPushButton *cmdCerrar = nullptr;

    void cmdBuscar_Click();
    void lstBuscar_DblClick();

private:
    Principal &p_;
};
