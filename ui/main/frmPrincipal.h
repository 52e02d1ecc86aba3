#pragma once
#include "core/Estado.h"
#include "ui/Principal.h"

#include <QMainWindow>
#include <QVector>
#include <memory>

class EditorCodigo;

class QAction;
class QComboBox;
class QFileSystemWatcher;
class QFrame;
class QTimer;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class ListaScripts;
class Indexador;
class frmBuscarBiblioteca;
namespace biblioteca {
struct Hallazgo;
}
class Versiones;
namespace correo {
class Envio;
}
namespace disposicion {
struct Acceso;
}

// The main window. Its controls are its own: dialogs reach it through Principal, and tests find the
// controls by their object names, which are the names used here.
// The code is split by concern:
//   frmPrincipal.cpp             controls, load and unload
//   frmPrincipal_cambios.cpp     pending changes: MarcarCambios, Preguntar, Limpiar, ControlarCat
//   frmPrincipal_panel.cpp       category panel: lstCat, cboCat, lstOp
//   frmPrincipal_lista.cpp       script list, barScript, and the rows as the dialogs reach them
//   frmPrincipal_comandos.cpp    menus, barMenu, header buttons, category management
//   frmPrincipal_disposicion.cpp resize and paint rules, status bar panels
//   frmPrincipal_editor.cpp      editor and export commands
//   frmPrincipal_herramientas.cpp search, move, duplicates, import
//   frmPrincipal_ayuda.cpp       mail, panel configuration, help, about, support links
//   frmPrincipal_biblioteca.cpp  the library's search index and its window
//   frmPrincipal_historial.cpp   history and sync: what their windows need of this one
class frmPrincipal : public QMainWindow,
                     public Principal,
                     public PanelCategorias,
                     public Historia {
    Q_OBJECT
public:
    explicit frmPrincipal(Estado &estado, QWidget *padre = nullptr);
    ~frmPrincipal() override;

    // The narrow sides the dialogs see.
    QWidget *ventana() override { return this; }
    CategoriaAbierta &categoria() override { return categoria_; }
    PanelCategorias &panel() override { return *this; }
    Historia &historia() override { return *this; }
    int filaActual() const override;
    void SeleccionarFila(int posicion) override;
    void AgregarAlEstado(QWidget *control) override;
    QStringList categoriasListadas() const override;
    void CategoriaAgregada(const QString &nombre, bool seleccionar) override;
    void CategoriaQuitada(const QString &nombre) override;
    QString textoPanel() const override;
    void MostrarEnPanel(const QString &texto) override;
    void AgregarEntradaPanel(const QString &entrada) override;
    void QuitarEntradaPanel(int posicion) override;
    void VaciarCategorias() override;
    void ImportacionTerminada() override;
    void ActualizarBotones();

    // The entries of cboCat, in order.
    QStringList entradasPanel() const override;
    void setEntradasPanel(const QStringList &entradas, const QString &texto);

    // Pending changes (frmPrincipal_cambios.cpp).
    // Asks Sí, No or Cancelar before a command that would clear or refill the list. True when the
    // command may go on: saved on Sí, or declined on No (the list is read again from the file, so
    // declined changes can never be saved later). False on Cancelar, Esc or the close box, and when
    // the save failed: the open category and its pending changes stay.
    bool Preguntar() override;
    // The save command (Guardar): Sí saves; No and Esc leave the changes pending.
    void GuardarCambios();
    // Writes the pending changes without asking; false when the save failed or was given up.
    bool GuardarPendientes();
    // Saves the list as a new category beside the open one ("Nombre copia"), which becomes the open one.
    bool GuardarComoNueva();
    // The panel again after other programs added or removed files, keeping the selection.
    void SeguirCarpeta();
    // The close box's question: true when the window may go (saved, nothing pending, or the user
    // chose to leave without saving after a failed save).
    bool PuedeCerrar();
    // The program is told to stop (a signal) or the desktop session ends. Where the user can be asked
    // (`preguntar`), the close box's question runs and false means they chose to stay; otherwise the
    // pending changes go to a recovery file, offered at the next start. Preferences are written.
    bool FinDeSesion(bool preguntar);
    // Keeps the pending changes and every open editor's typed script in a recovery file and closes
    // the editors without asking. False when the file could not be written and this is the first
    // request to end: the program then stays, and says why.
    bool GuardarParaRecuperar();
    // At start: a disk with no room left is told once, before a save fails.
    void AvisarSiDiscoLleno();
    // Offers the changes a previous run kept in a recovery file.
    void OfrecerRecuperacion();
    // Reads the open category's file into the list again, keeping the selected row's place.
    void Recargar();
    // Settles a category name being typed in place (the rename runs now) before another command acts.
    void TerminarEdicionCategoria();
    void Limpiar() override;
    void ControlarCat();
    void setGuardarHabilitado(bool habilitado);
    // "Categoría: " + selected entry of lstCat + " / Scripts: " + count.
    void ActualizarLineaEstado();
    QString textoCategoriaSeleccionada() const;
    bool hayCategoriaAbierta() const;

    // Category panel (frmPrincipal_panel.cpp).
    void LlenarCat() override;
    // The categories of the listed folder, ascending, and whether the panel's filter shows a name.
    QStringList NombresEnCarpeta() const;
    bool PasaFiltro(const QString &nombre) const;
    // The open category becomes the selected entry again (a command that asked was cancelled).
    void SeleccionarAbierta();
    void LlenarOp();
    bool opcionMarcada(int posicion) const;
    void setOpcionMarcada(int posicion, bool marcada);
    void AbrirCategoria(); // double click on lstCat
    // Reads the category `nombre` into the list; false when its file cannot be read.
    bool Abrir(const QString &nombre);
    void ResaltarPanel(int panel); // 1 categories, 2 options, 3 scripts

    // Script list (frmPrincipal_lista.cpp).
    void LScripts();
    void HabilitarS();
    void inHabilitarS();
    void EliminarS();
    void SubirS();
    void BajarS();

    // Commands (frmPrincipal_comandos.cpp).
    void mnuAgregar_Click();
    void mnuEliminar_Click();
    void mnuRenombrar_Click();
    void mnuSalir_Click();
    void mnuVerOp_Click();
    void mnuVerE_Click();
    void cmdM3_Click();
    void cmdM4_Click();
    static void ElDuplicados(QComboBox *cb);

    // Editor (frmPrincipal_editor.cpp).
    void AgregarS();
    void EditarS();
    void VerS();
    void mnuOpciones_Click();

    // Library tools (frmPrincipal_herramientas.cpp).
    void BuscarS();
    void CopiarS();
    void MoverPorArrastre();
    void AbrirEliminarDuplicados();
    void mnuImportar_Click();
    // The open category as a code editor's snippet file, or as Markdown; the whole library as Markdown.
    void mnuExportarEditores_Click();
    void mnuMarkdown_Click();
    void mnuMarkdownBiblioteca_Click();

    // Mail, panel configuration, help (frmPrincipal_ayuda.cpp).
    void mnuEnviar_Click();
    void mnuOutlookConfig_Click();
    void cmdMCat_Click();
    void MostrarAyuda();
    void mnuActualizar_Click();
    void mnuAcerca_Click();
    void mnuLinkJS_Click();
    void mnuLinkASP_Click();
    void mnuLinkPHP_Click();
    void mnuLinkVB_Click();
    // Sends the category's file by e-mail to MailPara, from MailDe; false (nothing handed over) when
    // that category is not the open one or its file is missing.
    bool EnviarMail(const QString &categoria) override;
    // Where EnviarMail hands the message: the desktop's mail composer unless another is given.
    void setEnvioCorreo(std::shared_ptr<correo::Envio> envio) { envioCorreo_ = std::move(envio); }

    // The library's search (frmPrincipal_biblioteca.cpp). The index is kept from the start of the run.
    void IniciarIndice();
    Indexador *indexador() const override { return indexador_; }
    void mnuCodBuscarBiblioteca_Click();
    // Opens the found script's category as a double click on it does, and selects the script.
    void AbrirScript(const biblioteca::Hallazgo &h);

    // Layout (frmPrincipal_disposicion.cpp).
    void Disponer();
    void ColocarProgreso();

    // Library tools, script import (frmPrincipal_herramientas.cpp).
    void Importar();

    // History and sync (frmPrincipal_historial.cpp).
    Versiones *versiones() const { return versiones_; }
    // The open category's name; empty when none is open.
    QString categoriaAbierta() const;
    int AgregarPendientes(const QVector<Script> &scripts, bool soloLosQueFaltan) override;
    void ReleerCategorias(const QStringList &archivos) override;
    // A note in the status bar (for a while, or until the next one), with a long task's progress.
    void MostrarEnEstado(const QString &texto, int duracionMs = 0, int valor = 0, int maximo = 0) override;
    // What keeps the library unversioned or unsearchable, by area ("historial", "indice"), shown in
    // the status bar until that area says it is well again (an empty text).
    void AvisoBiblioteca(const QString &area, const QString &texto) override;
    void TerminarAvance() override;
    void setComandosHabilitados(bool habilitados) override;

signals:
    // The window has unloaded: the program ends.
    void terminado();

protected:
    void closeEvent(QCloseEvent *evento) override;
    void resizeEvent(QResizeEvent *evento) override;
    void changeEvent(QEvent *evento) override;
    void paintEvent(QPaintEvent *evento) override;
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    // frmPrincipal_controles.cpp
    void crearControles();
    void crearOpciones();
    void crearPanelScripts(QWidget *centro);
    void crearListaScripts();
    void crearBarraEstado();
    void crearMenus();
    void crearBarras();
    void Form_Load();
    void Form_Unload(bool preguntar = true);
    // One per file, run by the constructor: each concern connects its own signals.
    void conectarPanel();
    void conectarLista();
    void conectarComandos();
    void conectarDisposicion();
    void conectarHistorial();
    void conectarCodigo();
    // Shows the current script's code in the pane; `luego` waits for the list's changes to end.
    void MostrarCodigo();
    void MostrarCodigoLuego();
  public:
    void setVerCodigo(bool ver);
  private:
    bool filtrarPanel(QObject *objeto, QEvent *evento);
    // An option of lstOp ticked or unticked: its effect on the list and the commands.
    void OpcionCambiada(QTreeWidgetItem *item, int columna);
    bool filtrarLista(QObject *objeto, QEvent *evento);

    void MostrarDocumento();
    // The window follows the open category: rows that come, go or change, and its pending changes.
    void conectarDocumento();
    enum class Guardado { Seguir, Cancelado, Fallido };
    Guardado PreguntarGuardar();
    // The script commands on (the list has rows) or off but Agregar.
    void HabilitarBotones(bool conFilas);
    // A rename typed in place, committed by the editor and not yet carried out.
    struct RenombrePendiente {
        QTreeWidgetItem *item = nullptr;
        QString viejo;
    } renombre_;
    void RenombrarPendiente();

    // The list that shows it is deleted first, by the destructor.
    CategoriaAbierta categoria_;
    bool descargado_ = false;
    int avisosDeFin_ = 0; // requests to end without asking (signals, the session's end)
    bool avisadoDiscoLleno_ = false;
    // The script list's columns the user dragged keep their width; the name column takes the rest.
    bool columnasArrastradas_ = false;
    bool ajustandoColumnas_ = false;
    // Top of fraMenu3 in twips: 1200 with the script toolbar shown, 360 hidden.
    int topFraMenu3_ = 1200;
    std::shared_ptr<correo::Envio> envioCorreo_;
    QFileSystemWatcher *vigilante_ = nullptr;
    QTimer *refresco_ = nullptr;
    Indexador *indexador_ = nullptr;
    frmBuscarBiblioteca *buscarBiblioteca_ = nullptr;
    Versiones *versiones_ = nullptr;
    // The layout rules (frmPrincipal_disposicion.cpp) measure and place these controls.
    friend struct disposicion::Acceso;

    // Main toolbar; each action's object name is its key (importar … acerca).
    QToolBar *barMenu = nullptr;
    QAction *btnImportar = nullptr, *btnExportar = nullptr, *btnGuardar = nullptr, *btnCategorias = nullptr,
            *btnOutlook = nullptr, *btnAyuda = nullptr, *btnAcerca = nullptr;
    QMenu *menuBotonCategorias = nullptr; // drop-down of "categorias"
    QAction *entAgregarCat = nullptr, *entEliminarCat = nullptr, *entRenombrarCat = nullptr;
    QMenu *menuBotonAyuda = nullptr; // drop-down of "ayuda"
    QAction *entJS = nullptr, *entASP = nullptr, *entPHP = nullptr, *entVB = nullptr;

    // Left panel.
    QWidget *picPaneles = nullptr;
    QFrame *Panel1 = nullptr;
    QFrame *Panel2 = nullptr;
    QLabel *lbl1 = nullptr;
    QLabel *lbl2 = nullptr;
    QToolButton *cmdM1 = nullptr;
    QToolButton *cmdM2 = nullptr;
    QToolButton *cmdMCat = nullptr;
    QComboBox *cboCat = nullptr;
    QTreeWidget *lstCat = nullptr;
    QTreeWidget *lstOp = nullptr;

    // Right panel.
    QWidget *picMenu3 = nullptr;
    QFrame *Panel3 = nullptr;
    QLabel *lblMenu3 = nullptr;
    QLabel *lblMenu3a = nullptr;
    QToolButton *cmdM3 = nullptr;
    QToolButton *cmdM4 = nullptr;
    QFrame *fraMenu4 = nullptr;
    // Script toolbar; object names agregar, editar, eliminar, subir, bajar, buscar.
    QToolBar *barScript = nullptr;
    QAction *btnAgregarS = nullptr, *btnEditarS = nullptr, *btnEliminarS = nullptr, *btnSubirS = nullptr,
            *btnBajarS = nullptr, *btnBuscarS = nullptr;
    QFrame *fraMenu3 = nullptr;
    ListaScripts *lstScripts = nullptr;
    // The selected script's code, read-only, below the list (frmPrincipal_codigo.cpp).
    EditorCodigo *txtVista = nullptr;
    QAction *mnuVerCodigo = nullptr;
    bool codigoPendiente_ = false;

    QFrame *lin1 = nullptr;
    QFrame *lin2 = nullptr;
    QStatusBar *barEstado = nullptr;
    QLabel *lblAvisoBiblioteca = nullptr;
    QMap<QString, QString> avisosBiblioteca_;
    QLabel *panelEstado[5] = {}; // 1 status line, 2 progress bar's place, 3 Num Lock, 4 Caps Lock, 5 time
    QProgressBar *barProgreso = nullptr;

    // Menus.
    QMenu *g001 = nullptr, *g013 = nullptr, *g012 = nullptr, *g002 = nullptr, *mnuCodigo = nullptr,
          *g004 = nullptr, *g007 = nullptr, *g020 = nullptr;
    QAction *mnuGuardar = nullptr, *mnuEnviar = nullptr, *mnuOutlookConfig = nullptr, *mnuOpciones = nullptr,
            *mnuSalir = nullptr, *mnuAgregar = nullptr, *mnuEliminar = nullptr, *mnuRenombrar = nullptr,
            *mnuImportar = nullptr, *mnuCodAgregar = nullptr, *mnuCodEditar = nullptr,
            *mnuCodEliminar = nullptr, *mnuCodCopiar = nullptr, *mnuCodBuscar = nullptr,
            *mnuCodBuscarBiblioteca = nullptr, *mnuVerOp = nullptr, *mnuVerE = nullptr, *mnuLinkJS = nullptr,
            *mnuLinkASP = nullptr, *mnuLinkPHP = nullptr, *mnuLinkVB = nullptr, *mnuActualizar = nullptr,
            *mnuAcerca = nullptr;
    QAction *mnuDeshacer = nullptr, *mnuRehacer = nullptr;
    QAction *mnuExportarEditores = nullptr, *mnuMarkdown = nullptr, *mnuMarkdownBiblioteca = nullptr;
    QAction *mnuSincronizar = nullptr, *mnuSincronizarConfig = nullptr, *mnuHistorial = nullptr,
            *mnuEliminadas = nullptr;

  public:
    int topFraMenu3() const { return topFraMenu3_; }
    void setTopFraMenu3(int tw) { topFraMenu3_ = tw; }
};
