#pragma once
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Principal;

// Collects the recipient and the sender for sending the open category; keeps them for the run.
class frmOutlook : public QDialog {
    Q_OBJECT
  public:
    explicit frmOutlook(Principal &principal, QWidget *padre = nullptr);

    QGroupBox *Frame1 = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtPara = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtDe = nullptr;
    QLabel *lblArchivo = nullptr;
    QLineEdit *txtAdjunto = nullptr;
    QCheckBox *cheEmail = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void cmdAceptar_Click();

  private:
    void Form_Load();
    // However the dialog closes, what was typed stays for the rest of the run.
    void Form_Unload();
    Principal &p_;
    QString categoria_; // the category the window was opened for
};
