#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class Principal;

// Removes from the open category every script that repeats an earlier one (same name and description).
class frmEliminarDup : public QDialog {
    Q_OBJECT
public:
    explicit frmEliminarDup(Principal &principal, QWidget *padre = nullptr);

    QLabel *lblDup = nullptr;
    QFrame *Frame1 = nullptr;
    QProgressBar *barMover = nullptr;
    QPushButton *cmdEliminar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    bool HayDuplicados = false;

private:
    void Comenzar();
    void BuscarDuplicados();
    void SinDuplicados();
    void DuplicadosEliminados();
    Principal &p_;
};
