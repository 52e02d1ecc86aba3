#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct Estado;

// Where the library is synced to, set once, and whether each change is kept as a version.
// No password is ever kept in a file: SSH goes through the user's agent, and an HTTPS user name and
// token are asked for, and kept in the desktop's keyring when the user says so (see Llavero.h).
class frmSincronizar : public QDialog {
    Q_OBJECT
public:
    explicit frmSincronizar(Estado &estado, QWidget *padre = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *txtRemoto = nullptr;
    QPushButton *cmdExaminar = nullptr; // a folder on a shared disk, picked instead of typed
    QLabel *lblAyuda = nullptr;
    QCheckBox *cheAutomatico = nullptr;
    QCheckBox *cheCada = nullptr; // sync on its own every txtMinutos minutes
    QSpinBox *txtMinutos = nullptr;
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void cmdAceptar_Click();
    void cmdExaminar_Click();

    // What the user answered to the question for a user name and password.
    struct Clave {
        QString usuario, clave;
        bool recordar = false; // "Recordar en este equipo" was checked
    };
    // Asks for a user name and a password (or token) for the address; false when cancelled.
    // `aviso`: a line above the fields (why it is asked again); `sinLlavero`: why the keyring cannot
    // keep them, in which case the check box is off and the question says why.
    static bool PedirClave(QWidget *padre, const QString &url, const QString &aviso, const QString &sinLlavero,
                           Clave *clave);

private:
    Estado &estado_;
};
