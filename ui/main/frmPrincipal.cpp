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
    // Its events stop reaching this window first: they come while it is half destroyed.
    lstScripts->viewport()->removeEventFilter(this);
    lstScripts->removeEventFilter(this);
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
    // Nothing is open afterwards, and the status line says so: it never names a category that is
    // no longer open.
    Limpiar();
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
    // A minimised window is named by its icon text (a start for the quick search leaves it so, with
    // no tray): without one it would have no name for the taskbar and assistive tools.
    setWindowIconText(estado.TituloApp);
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
    // at the end when the filter shows them, and every other entry keeps its place. What
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
    // What another program added comes in at the end, as a category the program adds does: the
    // entries the user is looking at keep their places.
    const QIcon icono = Imagen(7);
    for (const QString &nombre : enCarpeta) {
        if (listadas.contains(nombre) || !PasaFiltro(nombre))
            continue;
        auto *item = new QTreeWidgetItem(lstCat, {nombre});
        item->setIcon(0, icono);
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
