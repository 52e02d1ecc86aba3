#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Principal;

// Which categories the panel lists, and the quick-access list of letters filters. The dialog's combo
// mirrors the main window's entry for entry, so a position in one is the same entry in the other.
class frmVerCat : public QDialog {
    Q_OBJECT
  public:
    explicit frmVerCat(Principal &principal, QWidget *padre = nullptr);

    QGroupBox *fraOpciones = nullptr;
    QCheckBox *cheVerCat = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtPanel = nullptr;
    QGroupBox *fraCategorias = nullptr;
    QComboBox *cboCat = nullptr;
    QPushButton *cmdElCat = nullptr;
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    void cheVerCat_Click();
    void cboCat_Click();
    void cmdElCat_Click();
    void cmdAceptar_Click();
    void cmdCancelar_Click();

    // "Cancelar", Escape and the close box.
    void reject() override;

  protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

  private:
    void Form_Load();
    // Sets the text the main window's combo shows, selecting the entry when there is one.
    void MostrarEnPanel(const QString &texto);
    Principal &p_;
};
