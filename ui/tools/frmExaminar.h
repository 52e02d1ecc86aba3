#pragma once
#include <QDialog>
#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class frmPrincipal;

// Picks a folder and imports every category file in it as a new category. Existing categories are
// never overwritten.
class frmExaminar : public QDialog {
    Q_OBJECT
public:
    explicit frmExaminar(frmPrincipal &principal, QWidget *padre = nullptr);

    QLabel *Label1 = nullptr;
    QComboBox *drvCarpeta = nullptr;  // mounted volumes
    QLabel *lblCarpeta = nullptr;     // the folder being shown
    QListWidget *dirCarpeta = nullptr; // ".." and the sub-folders
    QListWidget *flbArchivos = nullptr; // the category files of the folder: all are imported
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    QString carpeta() const { return carpeta_; }
    void setCarpeta(const QString &ruta);
    void cmdAceptar_Click();

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    frmPrincipal &p_;
    QString carpeta_;
};
