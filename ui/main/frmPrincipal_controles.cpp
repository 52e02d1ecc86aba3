// The main window's controls, menus and toolbars, made once by the constructor; nothing here runs
// afterwards.
#include "ui/main/frmPrincipal.h"
#include "ui/Iconos.h"
#include "ui/TextoCortado.h"
#include "core/Version.h"
#include "core/mdlINI.h"
#include "core/mdlSistema.h"
#include "core/Registro.h"
#include "format/DuenoCarpeta.h"
#include "format/Herramientas.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/mdlSistemaVista.h"
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <QFileSystemWatcher>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <vector>

namespace {
QLabel *Cabecera(QWidget *padre, const QString &nombre, const QString &texto, const QString &accesible) {
    auto *l = new QLabel(texto, padre);
    l->setObjectName(nombre);
    l->setAccessibleName(accesible);
    l->setFocusPolicy(Qt::NoFocus);
    l->setAutoFillBackground(true);
    return l;
}

QToolButton *BotonCabecera(QWidget *padre, const QString &nombre, const QString &consejo, QStyle::StandardPixmap img) {
    auto *b = new QToolButton(padre);
    b->setObjectName(nombre);
    b->setToolTip(consejo);
    b->setAccessibleName(consejo);
    b->setIcon(QApplication::style()->standardIcon(img));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QFrame *Marco(QWidget *padre, const QString &nombre, QFrame::Shape forma = QFrame::NoFrame) {
    auto *f = new QFrame(padre);
    f->setObjectName(nombre);
    f->setFrameShape(forma);
    return f;
}

// A toolbar button named by its key, its icon by the freedesktop name; the separators between
// buttons are only drawn, never counted.
QAction *BotonDeBarra(QToolBar *barra, const char *clave, const QString &texto, const char *icono) {
    if (!barra->actions().isEmpty())
        barra->addSeparator();
    QAction *a = barra->addAction(Icono(icono), texto);
    a->setObjectName(QString::fromLatin1(clave));
    return a;
}
} // namespace

namespace {
// A menu entry, also kept by the window so that its key works with the menu bar hidden.
QAction *Entrada(QWidget *ventana, QMenu *menu, const char *nombre, const QString &texto, const QKeySequence &atajo) {
    QAction *a = menu->addAction(texto);
    a->setObjectName(QString::fromLatin1(nombre));
    if (!atajo.isEmpty()) {
        a->setShortcut(atajo);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    ventana->addAction(a);
    return a;
}

QMenu *Menu(QMenu *padre, QMenuBar *barra, const char *nombre, const QString &texto) {
    QMenu *m = padre ? padre->addMenu(texto) : barra->addMenu(texto);
    m->setObjectName(QString::fromLatin1(nombre));
    return m;
}
} // namespace

void frmPrincipal::crearMenus() {
    QMenuBar *barra = menuBar();
    const auto accion = [this](QMenu *m, const char *nombre, const QString &texto, const QKeySequence &atajo = {}) {
        return Entrada(this, m, nombre, texto, atajo);
    };
    const auto menu = Menu;

    g001 = menu(nullptr, barra, "g001", QStringLiteral("&Archivo"));
    mnuGuardar = accion(g001, "mnuGuardar", QStringLiteral("&Guardar cambios"), QKeySequence(QStringLiteral("Ctrl+G")));
    g001->addSeparator()->setObjectName(QStringLiteral("g010"));
    g013 = menu(g001, barra, "g013", QStringLiteral("&Enviar"));
    mnuEnviar = accion(g013, "mnuEnviar", QStringLiteral("MS &Outlook"));
    g013->addSeparator()->setObjectName(QStringLiteral("g019"));
    mnuOutlookConfig = accion(g013, "mnuOutlookConfig", QStringLiteral("&Configurar"));
    g012 = menu(g001, barra, "g012", QStringLiteral("E&xportar"));
    mnuOpciones = accion(g012, "mnuOpciones", QStringLiteral("&Opciones"));
    g012->addSeparator()->setObjectName(QStringLiteral("g024"));
    mnuExportarEditores = accion(g012, "mnuExportarEditores", QStringLiteral("Exportar para &editores"));
    mnuMarkdown = accion(g012, "mnuMarkdown", QStringLiteral("&Categoría en Markdown"));
    mnuMarkdownBiblioteca = accion(g012, "mnuMarkdownBiblioteca", QStringLiteral("&Biblioteca en Markdown"));
    g001->addSeparator()->setObjectName(QStringLiteral("g015"));
    mnuSincronizar = accion(g001, "mnuSincronizar", QStringLiteral("S&incronizar"), QKeySequence(Qt::Key_F5));
    mnuSincronizarConfig = accion(g001, "mnuSincronizarConfig", QStringLiteral("C&onfigurar sincronización"));
    g001->addSeparator()->setObjectName(QStringLiteral("g023"));
    mnuSalir = accion(g001, "mnuSalir", QStringLiteral("&Salir"), QKeySequence(QStringLiteral("Ctrl+S")));

    g002 = menu(nullptr, barra, "g002", QStringLiteral("C&ategoría"));
    mnuAgregar = accion(g002, "mnuAgregar", QStringLiteral("&Agregar"));
    mnuEliminar = accion(g002, "mnuEliminar", QStringLiteral("&Eliminar"));
    mnuRenombrar = accion(g002, "mnuRenombrar", QStringLiteral("&Renombrar"));
    g002->addSeparator()->setObjectName(QStringLiteral("g009"));
    mnuImportar = accion(g002, "mnuImportar", QStringLiteral("&Importar"), QKeySequence(QStringLiteral("Ctrl+I")));
    g002->addSeparator()->setObjectName(QStringLiteral("g022"));
    mnuHistorial = accion(g002, "mnuHistorial", QStringLiteral("&Historial"), QKeySequence(QStringLiteral("Ctrl+H")));
    mnuEliminadas = accion(g002, "mnuEliminadas", QStringLiteral("Categorías eli&minadas"));

    mnuCodigo = menu(nullptr, barra, "mnuCodigo", QStringLiteral("&Código"));
    mnuCodAgregar = accion(mnuCodigo, "mnuCodAgregar", QStringLiteral("&Agregar"), QKeySequence(QStringLiteral("Ctrl+A")));
    mnuCodEditar = accion(mnuCodigo, "mnuCodEditar", QStringLiteral("&Editar"), QKeySequence(QStringLiteral("Ctrl+E")));
    mnuCodEliminar = accion(mnuCodigo, "mnuCodEliminar", QStringLiteral("E&liminar"));
    mnuCodCopiar = accion(mnuCodigo, "mnuCodCopiar", QStringLiteral("&Copiar"));
    mnuCodigo->addSeparator()->setObjectName(QStringLiteral("g025"));
    // Each names what it would undo or redo ("Deshacer eliminar «Debounce»"), as the stack says.
    mnuDeshacer = categoria_.pila()->createUndoAction(mnuCodigo, QStringLiteral("Deshacer"));
    mnuDeshacer->setObjectName(QStringLiteral("mnuDeshacer"));
    mnuDeshacer->setShortcut(QKeySequence::Undo);
    mnuRehacer = categoria_.pila()->createRedoAction(mnuCodigo, QStringLiteral("Rehacer"));
    mnuRehacer->setObjectName(QStringLiteral("mnuRehacer"));
    mnuRehacer->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    mnuCodigo->addActions({mnuDeshacer, mnuRehacer});
    mnuCodigo->addSeparator()->setObjectName(QStringLiteral("g003"));
    mnuCodBuscar = accion(mnuCodigo, "mnuCodBuscar", QStringLiteral("&Buscar"), QKeySequence(QStringLiteral("Ctrl+B")));
    mnuCodBuscarBiblioteca = accion(mnuCodigo, "mnuCodBuscarBiblioteca", QStringLiteral("Buscar en la bibl&ioteca"),
                                    QKeySequence(QStringLiteral("Ctrl+Shift+F")));

    g004 = menu(nullptr, barra, "g004", QStringLiteral("&Ver"));
    mnuVerOp = accion(g004, "mnuVerOp", QStringLiteral("&Opciones"), QKeySequence(QStringLiteral("Ctrl+O")));
    mnuVerOp->setCheckable(true);
    g004->addSeparator()->setObjectName(QStringLiteral("g021"));
    mnuVerE = accion(g004, "mnuVerE", QStringLiteral("&Barra de estado"));
    mnuVerE->setCheckable(true);
    mnuVerCodigo = accion(g004, "mnuVerCodigo", QStringLiteral("Ver &código del script"), QKeySequence(Qt::Key_F9));
    mnuVerCodigo->setCheckable(true);

    g007 = menu(nullptr, barra, "g007", QStringLiteral("Ay&uda"));
    g020 = menu(g007, barra, "g020", QStringLiteral("&Soporte"));
    mnuLinkJS = accion(g020, "mnuLinkJS", QStringLiteral("&JavaScript"));
    mnuLinkASP = accion(g020, "mnuLinkASP", QStringLiteral("A&SP"));
    mnuLinkPHP = accion(g020, "mnuLinkPHP", QStringLiteral("&PHP"));
    mnuLinkVB = accion(g020, "mnuLinkVB", QStringLiteral("&Visual Basic"));
    mnuActualizar = accion(g007, "mnuActualizar", QStringLiteral("A&ctualizar"), QKeySequence(Qt::Key_F1));
    g007->addSeparator()->setObjectName(QStringLiteral("g006"));
    mnuAcerca = accion(g007, "mnuAcerca", QStringLiteral("&Acerca de..."));
}

void frmPrincipal::crearBarras() {
    barMenu = new QToolBar(QStringLiteral("Barra principal"), this);
    barMenu->setObjectName(QStringLiteral("barMenu"));
    barMenu->setMovable(false);
    barMenu->setFloatable(false);
    barMenu->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    barMenu->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    addToolBar(Qt::TopToolBarArea, barMenu);

    btnImportar = BotonDeBarra(barMenu, "importar", QStringLiteral("Importar"), "document-open");
    btnExportar = BotonDeBarra(barMenu, "exportar", QStringLiteral("Exportar"), "document-send");
    btnGuardar = BotonDeBarra(barMenu, "guardar", QStringLiteral("Guardar"), "document-save");
    btnCategorias = BotonDeBarra(barMenu, "categorias", QStringLiteral("Categoría"), "folder-new");
    btnOutlook = BotonDeBarra(barMenu, "outlook", QStringLiteral("E-mail"), "mail-send");
    btnAyuda = BotonDeBarra(barMenu, "ayuda", QStringLiteral("Ayuda"), "help-browser");
    btnAcerca = BotonDeBarra(barMenu, "acerca", QStringLiteral("Acerca de"), "help-about");

    auto entrada = [](QMenu *menu, const char *clave, const QString &texto) {
        QAction *a = menu->addAction(texto);
        a->setObjectName(QString::fromLatin1(clave));
        return a;
    };
    menuBotonCategorias = new QMenu(this);
    menuBotonCategorias->setObjectName(QStringLiteral("menuBotonCategorias"));
    entAgregarCat = entrada(menuBotonCategorias, "agregar", QStringLiteral("Agregar"));
    entEliminarCat = entrada(menuBotonCategorias, "eliminar", QStringLiteral("Eliminar"));
    entRenombrarCat = entrada(menuBotonCategorias, "renombrar", QStringLiteral("Renombrar"));
    menuBotonAyuda = new QMenu(this);
    menuBotonAyuda->setObjectName(QStringLiteral("menuBotonAyuda"));
    entJS = entrada(menuBotonAyuda, "js", QStringLiteral("Soporte JS"));
    entASP = entrada(menuBotonAyuda, "asp", QStringLiteral("Soporte ASP"));
    entPHP = entrada(menuBotonAyuda, "php", QStringLiteral("Soporte PHP"));
    entVB = entrada(menuBotonAyuda, "vb", QStringLiteral("Soporte VB"));
    for (auto [accion, menu] : {std::pair{btnCategorias, menuBotonCategorias}, std::pair{btnAyuda, menuBotonAyuda}}) {
        accion->setMenu(menu);
        if (auto *b = qobject_cast<QToolButton *>(barMenu->widgetForAction(accion)))
            b->setPopupMode(QToolButton::MenuButtonPopup);
    }

}

void frmPrincipal::crearControles() {
    auto *centro = new QWidget(this);
    centro->setObjectName(QStringLiteral("centro"));
    setCentralWidget(centro);

    lin2 = Marco(centro, QStringLiteral("lin2"), QFrame::HLine);
    lin1 = Marco(centro, QStringLiteral("lin1"), QFrame::HLine);

    picPaneles = new QWidget(centro);
    picPaneles->setObjectName(QStringLiteral("picPaneles"));
    Panel1 = Marco(picPaneles, QStringLiteral("Panel1"), QFrame::StyledPanel);
    Panel2 = Marco(picPaneles, QStringLiteral("Panel2"), QFrame::StyledPanel);
    lbl1 = Cabecera(Panel1, QStringLiteral("lbl1"), QStringLiteral(" Categorías"), QStringLiteral("Categorías"));
    cmdMCat = BotonCabecera(Panel1, QStringLiteral("cmdMCat"), QStringLiteral("Configurar panel"),
                            QStyle::SP_FileDialogDetailedView);
    cmdM1 = BotonCabecera(Panel1, QStringLiteral("cmdM1"), QStringLiteral("Expandir"), QStyle::SP_TitleBarMaxButton);
    cboCat = new QComboBox(Panel1);
    cboCat->setObjectName(QStringLiteral("cboCat"));
    cboCat->setAccessibleName(QStringLiteral("Filtro del panel"));
    // The combo shows any text (Mostrar need not be an entry) but cannot be typed in.
    cboCat->setEditable(true);
    cboCat->lineEdit()->setReadOnly(true);
    cboCat->setInsertPolicy(QComboBox::NoInsert);
    lstCat = new QTreeWidget(Panel1);
    lstCat->setObjectName(QStringLiteral("lstCat"));
    lstCat->setAccessibleName(QStringLiteral("Categorías"));
    lstCat->setColumnCount(1);
    lstCat->setHeaderLabels({QStringLiteral("Categorías")});
    lstCat->setRootIsDecorated(false);
    lstCat->setUniformRowHeights(true);
    lstCat->setSelectionMode(QAbstractItemView::SingleSelection);
    lstCat->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstCat->setItemDelegate(new DelegadoTextoCortado(lstCat));
    lstCat->setAcceptDrops(true);
    lstCat->viewport()->setAcceptDrops(true);
    lstCat->setDragDropMode(QAbstractItemView::DropOnly);

    crearOpciones();
    crearPanelScripts(centro);
}

void frmPrincipal::crearOpciones() {
    lbl2 = Cabecera(Panel2, QStringLiteral("lbl2"), QStringLiteral(" Opciones"), QStringLiteral("Opciones"));
    cmdM2 = BotonCabecera(Panel2, QStringLiteral("cmdM2"), QStringLiteral("Cerrar"), QStyle::SP_TitleBarCloseButton);
    lstOp = new QTreeWidget(Panel2);
    lstOp->setObjectName(QStringLiteral("lstOp"));
    lstOp->setAccessibleName(QStringLiteral("Opciones"));
    lstOp->setColumnCount(1);
    lstOp->setHeaderLabels({QStringLiteral("Opciones")});
    lstOp->setRootIsDecorated(false);
    lstOp->setSelectionMode(QAbstractItemView::SingleSelection);
    lstOp->setItemDelegate(new DelegadoTextoCortado(lstOp));

}

void frmPrincipal::crearPanelScripts(QWidget *centro) {
    picMenu3 = new QWidget(centro);
    picMenu3->setObjectName(QStringLiteral("picMenu3"));
    Panel3 = Marco(picMenu3, QStringLiteral("Panel3"), QFrame::StyledPanel);
    lblMenu3a = Cabecera(Panel3, QStringLiteral("lblMenu3a"), QString(), QStringLiteral("Cabecera de scripts"));
    lblMenu3 = Cabecera(Panel3, QStringLiteral("lblMenu3"), QStringLiteral("(Ninguna)"), QString());
    // A label whose text changes is read by that text; its role goes in the description.
    lblMenu3->setAccessibleDescription(QStringLiteral("Categoría abierta"));
    cmdM3 = BotonCabecera(Panel3, QStringLiteral("cmdM3"), QStringLiteral("Expandir"), QStyle::SP_TitleBarUnshadeButton);
    cmdM4 = BotonCabecera(Panel3, QStringLiteral("cmdM4"), QStringLiteral("Cerrar"), QStyle::SP_TitleBarShadeButton);
    cmdM3->setEnabled(false);
    crearListaScripts();
}

void frmPrincipal::crearListaScripts() {
    fraMenu4 = Marco(Panel3, QStringLiteral("fraMenu4"), QFrame::StyledPanel);
    barScript = new QToolBar(QStringLiteral("Barra de scripts"), fraMenu4);
    barScript->setObjectName(QStringLiteral("barScript"));
    barScript->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnAgregarS = BotonDeBarra(barScript, "agregar", QStringLiteral("  Agregar  "), "list-add");
    btnEditarS = BotonDeBarra(barScript, "editar", QStringLiteral("  Editar  "), "accessories-text-editor");
    btnEliminarS = BotonDeBarra(barScript, "eliminar", QStringLiteral("  Eliminar  "), "edit-delete");
    btnSubirS = BotonDeBarra(barScript, "subir", QStringLiteral("  Subir  "), "go-up");
    btnBajarS = BotonDeBarra(barScript, "bajar", QStringLiteral("  Bajar  "), "go-down");
    btnBuscarS = BotonDeBarra(barScript, "buscar", QStringLiteral("  Buscar  "), "edit-find");

    fraMenu3 = Marco(Panel3, QStringLiteral("fraMenu3"), QFrame::StyledPanel);
    lstScripts = new ListaScripts(categoria_, fraMenu3);
    lstScripts->setObjectName(QStringLiteral("lstScripts"));
    lstScripts->setAccessibleName(QStringLiteral("Scripts"));
    crearBarraEstado();
}

void frmPrincipal::crearBarraEstado() {
    barEstado = new QStatusBar(this);
    barEstado->setObjectName(QStringLiteral("barEstado"));
    barEstado->setSizeGripEnabled(false);
    setStatusBar(barEstado);
    const int anchos[5] = {0, 1000, 500, 500, 700};
    for (int i = 0; i < 5; ++i) {
        panelEstado[i] = new QLabel(barEstado);
        panelEstado[i]->setObjectName(QStringLiteral("panelEstado%1").arg(i + 1));
        if (i == 0)
            barEstado->addWidget(panelEstado[i], 1);
        else {
            panelEstado[i]->setMinimumWidth(anchos[i] / 15);
            panelEstado[i]->setAlignment(Qt::AlignCenter);
            barEstado->addPermanentWidget(panelEstado[i]);
        }
    }
    panelEstado[0]->setAccessibleDescription(QStringLiteral("Línea de estado"));
    barProgreso = new QProgressBar(barEstado);
    barProgreso->setObjectName(QStringLiteral("barProgreso"));
    barProgreso->setTextVisible(false);
}
