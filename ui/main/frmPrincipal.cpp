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

frmPrincipal::frmPrincipal(Estado &e, QWidget *padre) : QMainWindow(padre), Principal(e) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    crearMenus();
    crearBarras();
    crearControles();
    // A category name still being typed in place is settled before any command acts: the command
    // must see the panel and the open category as they will be.
    for (QAction *a : findChildren<QAction *>())
        connect(a, &QAction::triggered, this, &frmPrincipal::TerminarEdicionCategoria);
    for (QToolButton *b : {cmdM1, cmdM2, cmdM3, cmdM4, cmdMCat})
        connect(b, &QToolButton::pressed, this, &frmPrincipal::TerminarEdicionCategoria);
    conectarPanel();
    conectarLista();
    conectarComandos();
    conectarDisposicion();
    Form_Load();
    conectarHistorial();
    conectarCodigo();
    conectarDocumento();
    // Where the user left it, maximised or not; the designed size otherwise. A place on a screen that
    // is gone is brought back onto one that is there.
    if (!estado.Geometria.isEmpty() && !restoreGeometry(estado.Geometria))
        qCWarning(lcArchivos) << "the window's saved size and place could not be used";
}

frmPrincipal::~frmPrincipal() {
    // The application-wide key filter goes first: events sent while the children are destroyed
    // must not reach a window that is half gone.
    delete findChild<QObject *>(QStringLiteral("vigia"), Qt::FindDirectChildrenOnly);
    // Hiding the children as the base class goes resizes the list's columns: no slot of this
    // window may run by then.
    disconnect(lstScripts->header(), nullptr, this, nullptr);
    // The list empties its model as it goes, which the code pane listens to.
    disconnect(lstScripts->model(), nullptr, this, nullptr);
    disconnect(lstScripts, nullptr, this, nullptr);
    disconnect(&categoria_, nullptr, this, nullptr);
    // The list's model reads the document, which goes before the base class deletes the children.
    delete lstScripts;
    lstScripts = nullptr;
}

QIcon Principal::Imagen(int n) {
    QStyle *s = QApplication::style();
    switch (n) {
    case 1:
        return s->standardIcon(QStyle::SP_FileIcon);
    case 7:
        return s->standardIcon(QStyle::SP_DirIcon);
    default:
        return {};
    }
}

void frmPrincipal::crearMenus() {
    QMenuBar *barra = menuBar();
    auto accion = [this](QMenu *menu, const char *nombre, const QString &texto, const QKeySequence &atajo = {}) {
        QAction *a = menu->addAction(texto);
        a->setObjectName(QString::fromLatin1(nombre));
        if (!atajo.isEmpty()) {
            a->setShortcut(atajo);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        addAction(a);
        return a;
    };
    auto menu = [](QMenu *padre, QMenuBar *barra, const char *nombre, const QString &texto) {
        QMenu *m = padre ? padre->addMenu(texto) : barra->addMenu(texto);
        m->setObjectName(QString::fromLatin1(nombre));
        return m;
    };

    g001 = menu(nullptr, barra, "g001", QStringLiteral("&Archivo"));
    mnuGuardar = accion(g001, "mnuGuardar", QStringLiteral("&Guardar cambios"), QKeySequence(QStringLiteral("Ctrl+G")));
    g001->addSeparator()->setObjectName(QStringLiteral("g010"));
    g013 = menu(g001, barra, "g013", QStringLiteral("Enviar"));
    mnuEnviar = accion(g013, "mnuEnviar", QStringLiteral("MS Outlook"));
    g013->addSeparator()->setObjectName(QStringLiteral("g019"));
    mnuOutlookConfig = accion(g013, "mnuOutlookConfig", QStringLiteral("Configurar"));
    g012 = menu(g001, barra, "g012", QStringLiteral("Exportar"));
    mnuOpciones = accion(g012, "mnuOpciones", QStringLiteral("Opciones"));
    g012->addSeparator()->setObjectName(QStringLiteral("g024"));
    mnuExportarEditores = accion(g012, "mnuExportarEditores", QStringLiteral("Exportar para editores"));
    mnuMarkdown = accion(g012, "mnuMarkdown", QStringLiteral("Categoría en Markdown"));
    mnuMarkdownBiblioteca = accion(g012, "mnuMarkdownBiblioteca", QStringLiteral("Biblioteca en Markdown"));
    g001->addSeparator()->setObjectName(QStringLiteral("g015"));
    mnuSincronizar = accion(g001, "mnuSincronizar", QStringLiteral("Sincronizar"));
    mnuSincronizarConfig = accion(g001, "mnuSincronizarConfig", QStringLiteral("Configurar sincronización"));
    g001->addSeparator()->setObjectName(QStringLiteral("g023"));
    mnuSalir = accion(g001, "mnuSalir", QStringLiteral("Salir"), QKeySequence(QStringLiteral("Ctrl+S")));

    g002 = menu(nullptr, barra, "g002", QStringLiteral("C&ategoría"));
    mnuAgregar = accion(g002, "mnuAgregar", QStringLiteral("Agregar"));
    mnuEliminar = accion(g002, "mnuEliminar", QStringLiteral("Eliminar"));
    mnuRenombrar = accion(g002, "mnuRenombrar", QStringLiteral("Renombrar"));
    g002->addSeparator()->setObjectName(QStringLiteral("g009"));
    mnuImportar = accion(g002, "mnuImportar", QStringLiteral("Importar"), QKeySequence(QStringLiteral("Ctrl+I")));
    g002->addSeparator()->setObjectName(QStringLiteral("g022"));
    mnuHistorial = accion(g002, "mnuHistorial", QStringLiteral("Historial"));
    mnuEliminadas = accion(g002, "mnuEliminadas", QStringLiteral("Categorías eliminadas"));

    mnuCodigo = menu(nullptr, barra, "mnuCodigo", QStringLiteral("&Código"));
    mnuCodAgregar = accion(mnuCodigo, "mnuCodAgregar", QStringLiteral("&Agregar"), QKeySequence(QStringLiteral("Ctrl+A")));
    mnuCodEditar = accion(mnuCodigo, "mnuCodEditar", QStringLiteral("&Editar"), QKeySequence(QStringLiteral("Ctrl+E")));
    mnuCodEliminar = accion(mnuCodigo, "mnuCodEliminar", QStringLiteral("Eliminar"));
    mnuCodCopiar = accion(mnuCodigo, "mnuCodCopiar", QStringLiteral("Copiar"));
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
    mnuCodBuscarBiblioteca = accion(mnuCodigo, "mnuCodBuscarBiblioteca", QStringLiteral("Buscar en la biblioteca"),
                                    QKeySequence(QStringLiteral("Ctrl+Shift+F")));

    g004 = menu(nullptr, barra, "g004", QStringLiteral("&Ver"));
    mnuVerOp = accion(g004, "mnuVerOp", QStringLiteral("Opciones"), QKeySequence(QStringLiteral("Ctrl+O")));
    mnuVerOp->setCheckable(true);
    g004->addSeparator()->setObjectName(QStringLiteral("g021"));
    mnuVerE = accion(g004, "mnuVerE", QStringLiteral("Barra de estado"));
    mnuVerE->setCheckable(true);
    mnuVerCodigo = accion(g004, "mnuVerCodigo", QStringLiteral("Ver &código del script"), QKeySequence(Qt::Key_F9));
    mnuVerCodigo->setCheckable(true);

    g007 = menu(nullptr, barra, "g007", QStringLiteral("Ay&uda"));
    g020 = menu(g007, barra, "g020", QStringLiteral("Soporte"));
    mnuLinkJS = accion(g020, "mnuLinkJS", QStringLiteral("JavaScript"));
    mnuLinkASP = accion(g020, "mnuLinkASP", QStringLiteral("ASP"));
    mnuLinkPHP = accion(g020, "mnuLinkPHP", QStringLiteral("PHP"));
    mnuLinkVB = accion(g020, "mnuLinkVB", QStringLiteral("Visual Basic"));
    mnuActualizar = accion(g007, "mnuActualizar", QStringLiteral("Actualizar"), QKeySequence(Qt::Key_F1));
    g007->addSeparator()->setObjectName(QStringLiteral("g006"));
    mnuAcerca = accion(g007, "mnuAcerca", QStringLiteral("Acerca de..."));
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

QStringList frmPrincipal::categoriasListadas() const {
    QStringList r;
    for (int i = 0; i < lstCat->topLevelItemCount(); ++i)
        r.append(lstCat->topLevelItem(i)->text(0));
    return r;
}

void frmPrincipal::CategoriaAgregada(const QString &nombre, bool seleccionar) {
    auto *item = new QTreeWidgetItem(lstCat, {nombre});
    item->setIcon(0, Imagen(7));
    if (seleccionar) {
        lstCat->setCurrentItem(item);
        lstCat->scrollToItem(item);
    }
    ControlarCat();
}

void frmPrincipal::CategoriaQuitada(const QString &nombre) {
    for (int i = 0; i < lstCat->topLevelItemCount(); ++i)
        if (lstCat->topLevelItem(i)->text(0) == nombre) {
            delete lstCat->takeTopLevelItem(i);
            break;
        }
    ControlarCat();
}

QString frmPrincipal::textoPanel() const { return cboCat->currentText(); }

void frmPrincipal::MostrarEnPanel(const QString &texto) {
    // Programmatic: the panel must not take this for the user choosing a filter.
    const QSignalBlocker bloqueo(cboCat);
    const int i = cboCat->findText(texto, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0)
        cboCat->setCurrentIndex(i);
    cboCat->setEditText(texto);
}

void frmPrincipal::AgregarEntradaPanel(const QString &entrada) {
    // The entry keeps the letters as typed; a repeated one is held once.
    const QSignalBlocker bloqueo(cboCat);
    const QString texto = cboCat->currentText();
    cboCat->addItem(entrada);
    ElDuplicados(cboCat);
    cboCat->setEditText(texto);
}

void frmPrincipal::QuitarEntradaPanel(int posicion) {
    // Removing the shown entry would make the combo show another one.
    const QSignalBlocker bloqueo(cboCat);
    const QString texto = cboCat->currentText();
    cboCat->removeItem(posicion);
    cboCat->setEditText(texto);
}

void frmPrincipal::ImportacionTerminada() {
    // Nothing is open afterwards, but the status line is left as it was.
    const QString linea = panelEstado[0]->text();
    Limpiar();
    panelEstado[0]->setText(linea);
    if (lstCat->topLevelItemCount() == 0)
        for (QAction *a : {mnuEliminar, mnuRenombrar, mnuImportar, entEliminarCat, entRenombrarCat})
            a->setEnabled(false);
}

void frmPrincipal::VaciarCategorias() {
    lstCat->clear();
    ControlarCat();
}

QStringList frmPrincipal::entradasPanel() const {
    QStringList r;
    for (int i = 0; i < cboCat->count(); ++i)
        r.append(cboCat->itemText(i));
    return r;
}

void frmPrincipal::setEntradasPanel(const QStringList &entradas, const QString &texto) {
    const QSignalBlocker bloqueo(cboCat);
    cboCat->clear();
    cboCat->addItems(entradas);
    const int i = entradas.indexOf(texto);
    if (i >= 0)
        cboCat->setCurrentIndex(i);
    cboCat->setEditText(texto);
}

void frmPrincipal::Form_Load() {
    estado.TituloApp = version::Titulo();
    // "[*]" is where Qt shows that there are unsaved changes (setWindowModified).
    setWindowTitle(estado.TituloApp + QStringLiteral("[*]"));
    if (!mdlSistema::ExisteArchivo(estado.carpetaCategorias()))
        QDir().mkpath(estado.carpetaCategorias());
    inHabilitarS();
    LlenarOp();
    if (estado.Mostrar == QLatin1String("Todas"))
        estado.MostrarTodas = 1;
    LlenarCat();
    ActualizarBotones();
    btnAgregarS->setEnabled(false);
    setGuardarHabilitado(false);
    mnuVerOp->setChecked(true);
    mnuVerE->setChecked(true);
    for (int i = 1; i <= 3; ++i)
        setOpcionMarcada(i, true);
    if (estado.Izquierda)
        mnuVerOp_Click();
    if (estado.Derecha)
        cmdM4_Click();
    barProgreso->setRange(0, 200);
    barProgreso->setValue(0);

    // Files other programs add to or remove from the listed folder show up without a manual refill;
    // a burst of changes (a sync, our own saves) is taken once.
    // Every write to the folder, whoever makes it, reaches history and index through the session.
    DuenoCarpeta &dueno = DuenoCarpeta::De(estado.carpetaCategorias());
    connect(&dueno, &DuenoCarpeta::escritos, this,
            [this](const QStringList &a, const QString &mensaje) { estado.escritos.AnunciarEscritos(a, mensaje); });
    dueno.setAlEsperar([yo = QPointer<frmPrincipal>(this)](bool esperando) {
        if (!yo)
            return;
        yo->MostrarEnEstado(esperando ? QStringLiteral("Esperando a que la sincronización termine de escribir las "
                                                       "categorías para guardar…")
                                      : QString());
        // Painted now: no event is processed while the command waits.
        yo->barEstado->repaint();
    });
    vigilante_ = new QFileSystemWatcher(this);
    vigilante_->addPath(estado.carpetaListado());
    refresco_ = new QTimer(this);
    refresco_->setSingleShot(true);
    refresco_->setInterval(250);
    connect(vigilante_, &QFileSystemWatcher::directoryChanged, refresco_, qOverload<>(&QTimer::start));
    connect(refresco_, &QTimer::timeout, this, &frmPrincipal::SeguirCarpeta);
}

void frmPrincipal::SeguirCarpeta() {
    // A name being typed in place would lose its editor: the refill waits until it is settled.
    if (lstCat->indexWidget(lstCat->currentIndex()) || renombre_.item) {
        refresco_->start();
        return;
    }
    // The list is followed, not rebuilt: entries whose files are gone leave, files new to it come in
    // at their sorted place when the filter shows them, and every other entry keeps its place. What
    // the program itself just added, replaced, renamed or imported stays where it was put, shown
    // even where the filter would hide it, until the panel is filled again.
    const QStringList enCarpeta = NombresEnCarpeta();
    const QSet<QString> hay(enCarpeta.cbegin(), enCarpeta.cend());
    QTreeWidgetItem *seleccionada = lstCat->currentItem();
    bool seFue = false; // the selected entry's file left the folder
    const int arriba = lstCat->verticalScrollBar()->value();
    const QSignalBlocker bloqueo(lstCat);
    QSet<QString> listadas;
    for (int i = lstCat->topLevelItemCount() - 1; i >= 0; --i) {
        const QString nombre = lstCat->topLevelItem(i)->text(0);
        if (hay.contains(nombre) && !listadas.contains(nombre)) {
            listadas.insert(nombre);
            continue;
        }
        QTreeWidgetItem *item = lstCat->takeTopLevelItem(i);
        if (item == seleccionada) {
            seleccionada = nullptr;
            seFue = true;
        }
        delete item;
    }
    const QIcon icono = Imagen(7);
    std::vector<QCollatorSortKey> claves; // of the entries, made once
    int desde = 0;
    for (const QString &nombre : enCarpeta) {
        if (listadas.contains(nombre) || !PasaFiltro(nombre))
            continue;
        if (claves.empty()) {
            claves.reserve(size_t(lstCat->topLevelItemCount()));
            for (int i = 0; i < lstCat->topLevelItemCount(); ++i)
                claves.push_back(herramientas::ClaveOrden(lstCat->topLevelItem(i)->text(0)));
        }
        // Before the first entry that sorts after it; entries put at the end by the program stay last.
        const QCollatorSortKey clave = herramientas::ClaveOrden(nombre);
        int i = desde;
        while (i < int(claves.size()) && claves[size_t(i)].compare(clave) <= 0)
            ++i;
        auto *item = new QTreeWidgetItem({nombre});
        item->setIcon(0, icono);
        lstCat->insertTopLevelItem(i, item);
        claves.insert(claves.begin() + i, clave);
        desde = i + 1;
    }
    if (seleccionada) {
        lstCat->setCurrentItem(seleccionada);
    } else if (seFue) {
        // Removing the row moved the selection to a neighbour: a command given now ("Eliminar")
        // would act on a category the user never chose. The panel keeps no selection instead.
        lstCat->setCurrentItem(nullptr);
        lstCat->clearSelection();
    }
    lstCat->verticalScrollBar()->setValue(arriba);
    ControlarCat();
}

void frmPrincipal::Form_Unload(bool preguntar) {
    if (descargado_)
        return;
    descargado_ = true;
    if (preguntar && categoria_.hayCambios())
        Preguntar();
    if (!mdlSistema::ExisteArchivo(estado.carpetaPreferencias()))
        QDir().mkpath(estado.carpetaPreferencias());
    estado.Geometria = saveGeometry();
    QString error;
    if (!mdlINI::GuardarPreferencias(estado, cboCat->currentText(), entradasPanel(), &error)) {
        const QString texto = QStringLiteral("No se pudieron guardar las preferencias en %1: %2")
                                  .arg(QDir::toNativeSeparators(estado.rutaConfig()), error);
        qCWarning(lcArchivos) << texto;
        // Ending without a person to answer never waits on a box.
        if (preguntar)
            mensajes::Aviso(this, texto, estado.TituloApp);
    }
    // Every other window goes, most recent first.
    const auto ventanas = QApplication::topLevelWidgets();
    for (auto it = ventanas.crbegin(); it != ventanas.crend(); ++it)
        if (*it != this && (*it)->isVisible())
            (*it)->close();
    emit terminado();
}

void frmPrincipal::closeEvent(QCloseEvent *evento) {
    TerminarEdicionCategoria();
    // A save that fails keeps the window open with its changes, unless the user chooses to leave.
    if (!descargado_ && !PuedeCerrar()) {
        evento->ignore();
        return;
    }
    Form_Unload();
    evento->accept();
}

bool frmPrincipal::eventFilter(QObject *objeto, QEvent *evento) {
    if (filtrarPanel(objeto, evento) || filtrarLista(objeto, evento))
        return true;
    return QMainWindow::eventFilter(objeto, evento);
}
