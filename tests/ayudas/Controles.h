#pragma once
#include <QString>
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
class EditorCodigo;
class frmPrincipal;

namespace ayudas {

// Every control of the main window a test reaches, by type and object name.
// clang-format off
#define AYUDAS_CONTROLES(X)                                                                                    \
    X(QToolBar, barMenu) X(QMenu, menuBotonCategorias) X(QMenu, menuBotonAyuda) X(QWidget, picPaneles)        \
    X(QFrame, Panel1) X(QFrame, Panel2) X(QLabel, lbl1) X(QLabel, lbl2) X(QToolButton, cmdM1)                 \
    X(QToolButton, cmdM2) X(QToolButton, cmdMCat) X(QComboBox, cboCat) X(QTreeWidget, lstCat)                 \
    X(QTreeWidget, lstOp) X(QWidget, picMenu3) X(QFrame, Panel3) X(QLabel, lblMenu3) X(QLabel, lblMenu3a)     \
    X(QToolButton, cmdM3) X(QToolButton, cmdM4) X(QFrame, fraMenu4) X(QFrame, fraMenu3) X(QToolBar, barScript) \
    X(ListaScripts, lstScripts) X(QFrame, lin1) X(QFrame, lin2) X(QStatusBar, barEstado)                      \
    X(QProgressBar, barProgreso) X(QMenu, g001) X(QMenu, g002) X(QMenu, g004) X(QMenu, g007) X(QMenu, g012)  \
    X(QMenu, g013) X(QMenu, g020) X(QMenu, mnuCodigo) X(QAction, mnuGuardar) X(QAction, mnuEnviar)            \
    X(QAction, mnuOutlookConfig) X(QAction, mnuOpciones) X(QAction, mnuSalir) X(QAction, mnuAgregar)          \
    X(QAction, mnuEliminar) X(QAction, mnuRenombrar) X(QAction, mnuImportar) X(QAction, mnuCodAgregar)        \
    X(QAction, mnuCodEditar) X(QAction, mnuCodEliminar) X(QAction, mnuCodCopiar) X(QAction, mnuCodBuscar)     \
    X(QAction, mnuCodBuscarBiblioteca) X(QAction, mnuVerOp) X(QAction, mnuVerE) X(QAction, mnuLinkJS)         \
    X(QAction, mnuLinkASP) X(QAction, mnuLinkPHP) X(QAction, mnuLinkVB) X(QAction, mnuActualizar)             \
    X(QAction, mnuAcerca) X(QAction, mnuSincronizar) X(QAction, mnuSincronizarConfig) X(QAction, mnuHistorial) \
    X(QAction, mnuEliminadas) X(EditorCodigo, txtVista) X(QAction, mnuVerCodigo)     \
    X(QAction, mnuDeshacer) X(QAction, mnuRehacer)
// clang-format on

// The main window's controls as a test reaches them: found by their object names, the way a user's
// assistive tool finds them, since the window keeps them private.
struct Controles {
    explicit Controles(const QWidget *ventana);

#define AYUDAS_DECLARAR(tipo, nombre) tipo *nombre;
    AYUDAS_CONTROLES(AYUDAS_DECLARAR)
#undef AYUDAS_DECLARAR
    QLabel *panelEstado[5]; // 1 status line, 2 progress bar's place, 3 Num Lock, 4 Caps Lock, 5 time

    // The toolbars' buttons and the Categoría button's drop-down entries by their keys ("guardar",
    // "subir", "renombrar"); null when there is none.
    QAction *botonMenu(const QString &clave) const;
    QAction *botonScript(const QString &clave) const;
    QAction *entradaCategorias(const QString &clave) const;
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
