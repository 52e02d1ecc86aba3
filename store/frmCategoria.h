#pragma once
#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class Principal;

// Adds a category, or replaces an existing one by an empty category.
class frmCategoria : public QDialog {
    Q_OBJECT
public:
    explicit frmCategoria(Principal &principal);

    QLabel *Picture1 = nullptr;
    QFrame *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtACat = nullptr;
    QLabel *lblCopiar = nullptr;
    QCheckBox *cheCatRe = nullptr;
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void cmdAceptar_Click();

protected:
    // Every way of closing keeps the replace question's state as the preference.
    void done(int resultado) override;

private:
    Principal &p_;
};
