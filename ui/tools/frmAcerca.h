#pragma once
#include <QDialog>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Enlace;
class Principal;

// The program's title, credits and acknowledgements, with a link to the maker's site.
class frmAcerca : public QDialog {
    Q_OBJECT
  public:
    explicit frmAcerca(Principal &principal, QWidget *padre = nullptr);

    QLabel *Picture1 = nullptr;
    QLabel *lblTitulo = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblCarpeta = nullptr; // the folder that holds the library and the preferences
    Enlace *Label1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void Label1_Click();

  private:
    Principal &p_;
};
