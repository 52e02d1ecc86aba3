#pragma once
#include "format/Lenguaje.h"
#include "format/mdlScripts.h"

#include <optional>
#include <QDialog>
#include <QFont>
#include <QStringList>

class EditorCodigo;
class QAction;
class QActionGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPrinter;
class QToolBar;
class QToolButton;
class Principal;

// Adds, edits or views one script of the main window's list. The mode is the main window's
// ModoScript when the window is created: "Agregar" and "Editar" are shown modally, "Ver" is a new
// modeless window each time that keeps the script as it was when it opened.
class frmScript : public QDialog {
    Q_OBJECT
public:
    explicit frmScript(Principal &principal, QWidget *padre = nullptr);

    QMenuBar *barraMenus = nullptr;
    QWidget *area = nullptr; // the inner area the layout rules place controls in
    QToolBar *barMenu = nullptr;
    QFrame *lin[2] = {};
    QLineEdit *Parar = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit *txtNombre = nullptr;
    QLineEdit *txtDes = nullptr;
    QLineEdit *txtPuntaje = nullptr;
    EditorCodigo *txtCodigo = nullptr;
    QCheckBox *cheIncluir = nullptr;
    // The find bar under the code (Ctrl+F, F3, Mayús+F3).
    QFrame *fraBuscar = nullptr;
    QLineEdit *txtBuscar = nullptr;
    QToolButton *cmdAnterior = nullptr, *cmdSiguiente = nullptr, *cmdCerrarBuscar = nullptr;
    QLabel *lblBuscar = nullptr;

    QMenu *mnuCodigoMenu = nullptr, *mnuOpcionesMenu = nullptr, *mnuFuenteMenu = nullptr;
    QAction *mnuCopiar = nullptr, *mnuImprimir = nullptr, *mnuExportar = nullptr, *mnuTags = nullptr;
    QAction *mnuFuente[6] = {};
    // The fixed-width fonts installed: first the system's own, then each family by name.
    QAction *mnuFijaSistema = nullptr;
    QVector<QAction *> mnuFijas;
    // "Resaltado": 0 automatic (from the code and the category), then one entry per language, at
    // 1 + its number. Choosing one sets the description's language tag; "Ninguno" and "Automático"
    // take it out.
    QMenu *mnuResaltadoMenu = nullptr;
    QAction *mnuResaltado[1 + lenguaje::kCuantos] = {};

    // Toolbar positions 1..11; separators at even positions.
    QAction *boton(int posicion) const;
    void barMenu_ButtonClick(int posicion);

    void Agregar();
    void Editar();
    void mnuFuente_Click(int indice);
    // A fixed-width family from the menu; empty: the system's own fixed-width font.
    void mnuFija_Click(const QString &familia);
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

    // The find bar: shown with the selected text, or the next or previous match of its text.
    void MostrarBuscar();
    bool BuscarCodigo(bool adelante);
    // Whether the user changed any field since the window opened (never in "Ver").
    bool hayCambiosTipeados() const;
    // What was typed and not accepted, as the list would store it; no value when nothing was.
    std::optional<Script> Tipeado() const;
    bool agregando() const { return agregando_; }
    // Closes without the discard question: what was typed is kept elsewhere (the program is ending).
    void Abandonar();

public slots:
    // Cancelar, Esc and the close box: typed changes are dropped only when the user says so.
    void reject() override;

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    void keyPressEvent(QKeyEvent *evento) override;

private:
    void crearControles();
    void crearMenus();
    void crearBarra();
    void crearBuscar();
    void crearTeclas();
    void ElegirResaltado();
    // A menu entry chosen: the description's tag follows, where it may be edited.
    void mnuResaltado_Click(int indice);
    // The description's language tag was typed or removed.
    void DescripcionCambiada();
    void crearCompletarEtiquetas();
    void CompletarEtiqueta();
    void FiltrarPuntaje(const QString &nuevo);
    void RecordarCampos();
    QString categoriaAbierta() const;
    void Form_Load();
    void Form_Resize();
    void CargarScript();
    void LimpiarFuentes();
    void CopiarCodigo();
    void ImprimirScript();
    // No printer: the script may go to a PDF file instead.
    void ImprimirEnPdf();
    void ExportarScript();
public:
    // The preview file's extension: the one chosen in "Opciones de exportar", else the language's.
    QString ExtensionVistaPrevia() const;

private:
    // Before a commit: the fields must fit the category file's code page.
    bool Representables(const QString &titulo);
    void Normalizar();

    Principal &p_;
    QString TagsPrincipales;
    QFont fuenteDisenada_;
    QVector<QAction *> botones_;
    QActionGroup *grupoResaltado_ = nullptr;
    class QCompleter *completarEtiquetas_ = nullptr;
    quint64 pedidoEtiquetas_ = 0;
    QStringList campos_; // the fields as loaded, to tell typed changes
    QString puntaje_;    // the score before the last edit, to filter what a paste adds
    bool agregando_ = false;
    bool abandonado_ = false;
};
