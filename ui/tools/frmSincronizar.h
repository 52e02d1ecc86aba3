#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct Estado;

// Where the library is synced to, set once, and whether each change is kept as a version.
// No password is ever stored: SSH goes through the user's agent, and a password is asked for at
// each sync that needs one.
class frmSincronizar : public QDialog {
    Q_OBJECT
public:
    explicit frmSincronizar(Estado &estado, QWidget *padre = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *txtRemoto = nullptr;
    QLabel *lblAyuda = nullptr;
    QCheckBox *cheAutomatico = nullptr;
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void cmdAceptar_Click();

    // Asks for a user name and a password for the address; false when cancelled. Nothing is kept.
    static bool PedirClave(QWidget *padre, const QString &url, QString *usuario, QString *clave);

private:
    Estado &estado_;
};
