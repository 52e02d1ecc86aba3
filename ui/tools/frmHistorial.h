#pragma once
#include "history/Repositorio.h"
#include "format/mdlScripts.h"

#include <QDialog>
#include <QVector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class Principal;

// The versions of the open category, newest first. Choosing one shows its scripts; a script, or
// every script of the version the category does not hold as it is, comes back into the open
// category as a pending change, which the save question then keeps or drops as usual.
class frmHistorial : public QDialog {
    Q_OBJECT
public:
    frmHistorial(Principal &principal, const QString &categoria);

    QLabel *lblVersiones = nullptr;
    QTreeWidget *lstVersiones = nullptr; // "Fecha", "Cambios"
    QLabel *lblScripts = nullptr;
    QTreeWidget *lstVersion = nullptr; // the chosen version's scripts
    QPlainTextEdit *txtCodigo = nullptr;
    QLabel *lblEstado = nullptr;
    QPushButton *cmdRecuperar = nullptr;
    QPushButton *cmdRecuperarVersion = nullptr;
    QPushButton *cmdCerrar = nullptr;

    void cmdRecuperar_Click();
    void cmdRecuperarVersion_Click();

private:
    void MostrarVersion();
    void MostrarScript();

    Principal &p_;
    QString categoria_;
    git::Repositorio repo_;
    QVector<git::Version> versiones_;
    QVector<Script> scripts_;
};
