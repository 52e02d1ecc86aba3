#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class Principal;

// The two preferences of the preview: the file's extension and whether the code is shown as text
// inside a pre element.
class frmExportar : public QDialog {
    Q_OBJECT
public:
    explicit frmExportar(Principal &principal, QWidget *padre = nullptr);

    QLabel *Label2 = nullptr;
    QComboBox *cboExt = nullptr;
    QFrame *Frame1 = nullptr;
    QCheckBox *cheTag = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void cmdAceptar_Click();

private:
    Principal &p_;
};
