#pragma once
#include <QDialog>
#include <QFont>
#include <QStringList>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPrinter;
class QToolBar;
class frmPrincipal;

// Adds, edits or views one script of the main window's list. The mode is the main window's
// ModoScript when the window is created: "Agregar" and "Editar" are shown modally, "Ver" is a new
// modeless window each time that keeps the script as it was when it opened.
class frmScript : public QDialog {
    Q_OBJECT
public:
    explicit frmScript(frmPrincipal &principal, QWidget *padre = nullptr);

    QMenuBar *barraMenus = nullptr;
    QWidget *area = nullptr; // the inner area the layout rules place controls in
    QToolBar *barMenu = nullptr;
    QFrame *lin[2] = {};
    QLineEdit *Parar = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit *txtNombre = nullptr;
    QLineEdit *txtDes = nullptr;
    QLineEdit *txtPuntaje = nullptr;
    QPlainTextEdit *txtCodigo = nullptr;
    QCheckBox *cheIncluir = nullptr;

    QMenu *mnuCodigoMenu = nullptr, *mnuOpcionesMenu = nullptr, *mnuFuenteMenu = nullptr;
    QAction *mnuCopiar = nullptr, *mnuImprimir = nullptr, *mnuExportar = nullptr, *mnuTags = nullptr;
    QAction *mnuFuente[6] = {};

    // Toolbar positions 1..11; separators at even positions.
    QAction *boton(int posicion) const;
    void barMenu_ButtonClick(int posicion);

    void Agregar();
    void Editar();
    void mnuFuente_Click(int indice);
    void cheIncluir_Click();
    void mnuTags_Click();

    // The code field's text with \n between lines, exactly as typed.
    QString textoCodigo() const;
    void ponerCodigo(const QString &texto);
    const QString &tagsPrincipales() const { return TagsPrincipales; }

    // The lines a print job gets, and printing them on the given printer (the command uses the
    // default printer). Gives the lines handed to the painter; none when the printer cannot start.
    QStringList lineasImpresion() const;
    QStringList ImprimirEn(QPrinter &impresora);

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    void keyPressEvent(QKeyEvent *evento) override;

private:
    void crearControles();
    void crearMenus();
    void crearBarra();
    void Form_Load();
    void Form_Resize();
    void CargarScript();
    void LimpiarFuentes();
    void CopiarCodigo();
    void ImprimirScript();
    void ExportarScript();
    // Before a commit: the fields must fit the category file's code page.
    bool Representables(const QString &titulo);
    void Normalizar();

    frmPrincipal &p_;
    QString TagsPrincipales;
    QFont fuenteDisenada_;
    QVector<QAction *> botones_;
};
