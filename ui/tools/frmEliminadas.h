#pragma once
#include "history/Repositorio.h"

#include <QDialog>
#include <QVector>

class QLabel;
class QPushButton;
class QTreeWidget;
class Versiones;
class Principal;

// The categories the history holds and the folder no longer does. One is brought back as a new
// file, as it was when it was deleted; an existing category is never replaced.
class frmEliminadas : public QDialog {
    Q_OBJECT
public:
    frmEliminadas(Principal &principal, Versiones &versiones);

    QLabel *Label1 = nullptr;
    QTreeWidget *lstEliminadas = nullptr; // "Categoría", "Eliminada", "Scripts"
    QLabel *lblEstado = nullptr;
    QPushButton *cmdRecuperar = nullptr;
    QPushButton *cmdCerrar = nullptr;

    void cmdRecuperar_Click();

private:
    Principal &p_;
    Versiones &versiones_;
    git::Repositorio repo_;
    QVector<git::Eliminada> eliminadas_;
};
