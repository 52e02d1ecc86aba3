#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Enlace;
class Principal;

// Help, in two modes chosen by TemaAyuda: "Ayuda" shows the support text, anything else the update text.
class frmAyuda : public QDialog {
    Q_OBJECT
  public:
    explicit frmAyuda(Principal &principal, QWidget *padre = nullptr);

    QLabel *picAyuda = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *lblTitulo = nullptr;
    QPlainTextEdit *txtTexto = nullptr;
    QFrame *Shape1 = nullptr;
    QLabel *Label4 = nullptr;
    Enlace *lblLink = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void lblLink_Click();

    // The text of a help resource ("AYUDA" or "ACTUALIZAR"), decoded from Windows-1252.
    static QString TextoRecurso(const QString &nombre);

  private:
    void Form_Load();
    Principal &p_;
};
