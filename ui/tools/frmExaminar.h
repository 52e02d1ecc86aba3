#pragma once
#include <QDialog>
#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Principal;

// Picks a folder and imports every category file in it as a new category, and every snippet file of
// the code editors (.code-snippets, and .json files that hold snippets). Existing categories are
// never overwritten.
class frmExaminar : public QDialog {
    Q_OBJECT
public:
    explicit frmExaminar(Principal &principal, QWidget *padre = nullptr);

    QLabel *Label1 = nullptr;
    QComboBox *drvCarpeta = nullptr;  // mounted volumes
    QLabel *lblCarpeta = nullptr;     // "Carpeta:", the field's label
    QLineEdit *txtCarpeta = nullptr;  // the folder being shown; a path typed or pasted there, with Enter, is opened
    QListWidget *dirCarpeta = nullptr; // ".." and the sub-folders
    QListWidget *flbArchivos = nullptr; // the category files of the folder: all are imported
    QPushButton *cmdAceptar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    QString carpeta() const { return carpeta_; }
    void setCarpeta(const QString &ruta);
    void cmdAceptar_Click();
    // Opens the folder typed in the field; says so when there is none such.
    void txtCarpeta_Intro();

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    // A snippet file bigger than this is no snippet file: it is neither read to list it nor imported.
    static constexpr qint64 kMayorJson = 16 * 1024 * 1024;
    // Imports a code editor's snippet file as a new category, adding to the lists what went wrong.
    bool ImportarFragmentos(const QString &archivo, QStringList &fallidos, QStringList &reservados,
                            QStringList &avisos);

    Principal &p_;
    QString carpeta_;
};
