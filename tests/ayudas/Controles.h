#pragma once
#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;
class ListaScripts;
class frmPrincipal;

namespace ayudas {

// The main window's controls as a test reaches them: found by their object names, the way a user's
// assistive tool finds them, since the window keeps them private.
struct Controles {
    explicit Controles(const QWidget *ventana);

    QToolBar *barMenu;
    QMenu *menuBotonCategorias, *menuBotonAyuda;
    QWidget *picPaneles;
    QFrame *Panel1, *Panel2;
    QLabel *lbl1, *lbl2;
    QToolButton *cmdM1, *cmdM2, *cmdMCat;
    QComboBox *cboCat;
    QTreeWidget *lstCat, *lstOp;
    QWidget *picMenu3;
    QFrame *Panel3;
    QLabel *lblMenu3, *lblMenu3a;
    QToolButton *cmdM3, *cmdM4;
    QFrame *fraMenu4, *fraMenu3;
    QToolBar *barScript;
    ListaScripts *lstScripts;
    QFrame *lin1, *lin2;
    QStatusBar *barEstado;
    QLabel *panelEstado[5]; // 1 status line, 2 progress bar's place, 3 Num Lock, 4 Caps Lock, 5 time
    QProgressBar *barProgreso;
    QMenu *g001, *g002, *g004, *g007, *g012, *g013, *g020, *mnuCodigo;
    QAction *mnuGuardar, *mnuEnviar, *mnuOutlookConfig, *mnuOpciones, *mnuSalir, *mnuAgregar, *mnuEliminar,
        *mnuRenombrar, *mnuImportar, *mnuCodAgregar, *mnuCodEditar, *mnuCodEliminar, *mnuCodCopiar,
        *mnuCodBuscar, *mnuCodBuscarBiblioteca, *mnuVerOp, *mnuVerE, *mnuLinkJS, *mnuLinkASP, *mnuLinkPHP,
        *mnuLinkVB, *mnuActualizar, *mnuAcerca, *mnuSincronizar, *mnuSincronizarConfig, *mnuHistorial,
        *mnuEliminadas;

    // The toolbars' entries by position, separators counted (1 importar … 13 acerca; 1 agregar …
    // 11 buscar), and the entries of the Categoría button's drop-down (1 agregar, 2 eliminar, 3 renombrar).
    QAction *botonMenu(int posicion) const;
    QAction *botonScript(int posicion) const;
    QAction *entradaCategorias(int posicion) const;
};

// The controls of a main window, looked up once while it lives.
const Controles *ui(const frmPrincipal *ventana);
inline const Controles *ui(const frmPrincipal &ventana) {
    return ui(&ventana);
}
inline const Controles *ui(const std::unique_ptr<frmPrincipal> &ventana) {
    return ui(ventana.get());
}

} // namespace ayudas
