#include "Ayudas.h"
#include "core/mdlINI.h"
#include "format/mdlScripts.h"
#include "ui/editor/frmScript.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlInicio.h"
#include "ui/frmCategoria.h"
#include "ui/tools/frmEliminarDup.h"

#include "ui/main/VistaScripts.h"
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace ayudas {

namespace {
// A window that nobody answers fails the test at once instead of waiting for a user.
const bool kSinRespuesta = [] {
    mensajes::SinRespuesta([](QWidget *w) {
        const auto *caja = qobject_cast<QMessageBox *>(w);
        const QString texto = QStringLiteral("Ventana sin respuesta preparada: %1 %2")
                                  .arg(QString::fromLatin1(w->metaObject()->className()),
                                       caja ? caja->text() : w->windowTitle());
        QTest::qFail(texto.toUtf8().constData(), __FILE__, __LINE__);
        return int(QDialog::Rejected);
    });
    return true;
}();
} // namespace

void AlAbrirseModal(std::function<void(QWidget *)> accion) {
    (void)kSinRespuesta;
    mensajes::Encolar([accion](QWidget *w) {
        accion(w);
        return mensajes::kSuResultado;
    });
}

namespace {
void Anotar(Mensaje &m, const QMessageBox &caja) {
    m.texto = caja.text();
    m.titulo = caja.windowTitle();
    m.icono = caja.icon();
    m.visto = true;
    m.porDefecto = caja.standardButton(caja.defaultButton());
    m.conCancelar = caja.button(QMessageBox::Cancel) != nullptr;
}

void Responder(QMessageBox::StandardButton boton, std::shared_ptr<Mensaje> registro) {
    mensajes::Encolar([boton, registro](QWidget *w) {
        auto *caja = qobject_cast<QMessageBox *>(w);
        if (!caja) {
            QTest::qFail(qPrintable(QStringLiteral("Se esperaba un mensaje y se abrió %1")
                                        .arg(QString::fromLatin1(w->metaObject()->className()))),
                         __FILE__, __LINE__);
            return int(QDialog::Rejected);
        }
        if (registro)
            Anotar(*registro, *caja);
        return int(boton);
    });
}
} // namespace

void ContestarMensaje(QMessageBox::StandardButton boton, Mensaje *registro) {
    Responder(boton, std::shared_ptr<Mensaje>(registro, [](Mensaje *) {}));
}

// The queue keeps the record alive until the box is answered, whether or not the test still does.
std::shared_ptr<Mensaje> Contestar(QMessageBox::StandardButton boton) {
    auto registro = std::make_shared<Mensaje>();
    Responder(boton, registro);
    return registro;
}

std::shared_ptr<Mensaje> Responder(Gesto gesto) {
    auto registro = std::make_shared<Mensaje>();
    AlAbrirseModal([registro, gesto](QWidget *w) {
        auto *caja = qobject_cast<QMessageBox *>(w);
        QVERIFY2(caja, w->metaObject()->className());
        Anotar(*registro, *caja);
        switch (gesto) {
        case Gesto::Si: caja->button(QMessageBox::Yes)->click(); break;
        case Gesto::No: caja->button(QMessageBox::No)->click(); break;
        case Gesto::Intro: QTest::keyClick(caja, Qt::Key_Return); break;
        case Gesto::Esc: QTest::keyClick(caja, Qt::Key_Escape); break;
        case Gesto::Cerrar: caja->close(); break;
        }
    });
    return registro;
}

void ElegirArchivo(const QString &ruta) {
    AlAbrirseModal([ruta](QWidget *w) {
        auto *d = qobject_cast<QFileDialog *>(w);
        QVERIFY2(d, w->metaObject()->className());
        if (d->fileMode() == QFileDialog::Directory)
            d->setDirectory(ruta);
        else
            d->selectFile(ruta);
        QMetaObject::invokeMethod(d, "accept");
    });
}

Navegador::Navegador(bool archivos) : esquemas_{QStringLiteral("https"), QStringLiteral("http")} {
    if (archivos)
        esquemas_ << QStringLiteral("file");
    for (const QString &e : std::as_const(esquemas_))
        QDesktopServices::setUrlHandler(e, this, "abrir");
}

Navegador::~Navegador() {
    for (const QString &e : std::as_const(esquemas_))
        QDesktopServices::unsetUrlHandler(e);
}

QStringList Textos(const QTreeWidget *lista) {
    QStringList r;
    for (int i = 0; i < lista->topLevelItemCount(); ++i)
        r << lista->topLevelItem(i)->text(0);
    return r;
}

QTreeWidgetItem *Buscar(QTreeWidget *lista, const QString &texto) {
    for (int i = 0; i < lista->topLevelItemCount(); ++i)
        if (lista->topLevelItem(i)->text(0) == texto)
            return lista->topLevelItem(i);
    return nullptr;
}

void Clic(QTreeWidget *lista, QTreeWidgetItem *fila, Qt::MouseButton boton) {
    QVERIFY(fila);
    lista->scrollToItem(fila);
    QTest::mouseClick(lista->viewport(), boton, {}, lista->visualItemRect(fila).center());
}

QStringList Textos(const ListaScripts *lista) {
    QStringList r;
    for (int i = 0; i < lista->model()->rowCount(); ++i)
        r << lista->model()->index(i, 0).data().toString();
    return r;
}

QModelIndex Buscar(const ListaScripts *lista, const QString &texto) {
    for (int i = 0; i < lista->model()->rowCount(); ++i)
        if (lista->model()->index(i, 0).data().toString() == texto)
            return lista->model()->index(i, 0);
    return {};
}

void Clic(ListaScripts *lista, const QModelIndex &fila, Qt::MouseButton boton) {
    QVERIFY(fila.isValid());
    lista->scrollTo(fila);
    QTest::mouseClick(lista->viewport(), boton, {}, lista->visualRect(fila).center());
}

Script Fila(const frmPrincipal &w, int i) { return const_cast<frmPrincipal &>(w).categoria().script(i); }

bool HayCambios(const frmPrincipal &w) { return const_cast<frmPrincipal &>(w).categoria().hayCambios(); }

void Cambiar(frmPrincipal &w) {
    CategoriaAbierta &d = w.categoria();
    if (!d.hayAbierta())
        return;
    if (d.cantidad() == 0) {
        d.FijarCodificacion(codificacion::Tipo::Utf8);
        return;
    }
    const Script primero = d.script(0);
    QVERIFY(d.Eliminar(0) && d.Agregar(primero, 0));
}

void Elegir(QComboBox *lista, const QString &texto) {
    const int i = lista->findText(texto);
    QVERIFY2(i >= 0, qPrintable(texto));
    lista->setCurrentIndex(i);
    emit lista->activated(i);
}

QLineEdit *EditorDeNombre(const frmPrincipal &w) {
    const QTreeWidget *l = ui(w)->lstCat;
    for (int i = 0; i < l->topLevelItemCount(); ++i)
        if (auto *e = qobject_cast<QLineEdit *>(l->indexWidget(l->indexFromItem(l->topLevelItem(i)))))
            return e;
    return nullptr;
}

QLineEdit *EmpezarRenombre(frmPrincipal &w, const QString &texto) {
    ui(w)->mnuRenombrar->trigger();
    QLineEdit *editor = nullptr;
    if (!QTest::qWaitFor([&] { return (editor = EditorDeNombre(w)) != nullptr; })) {
        QTest::qFail("El editor del nombre no se abrió", __FILE__, __LINE__);
        return nullptr;
    }
    editor->selectAll();
    QTest::keyClicks(editor, texto);
    return editor;
}

void Renombrar(frmPrincipal &w, const QString &texto, Qt::Key tecla) {
    QLineEdit *editor = EmpezarRenombre(w, texto);
    if (!editor)
        return;
    QTest::keyClick(editor, tecla);
    QTRY_VERIFY(!EditorDeNombre(w));
    // The editor hands its text over once the key's event is done, the rename after it.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void AgregarCategoria(frmPrincipal &w, const QString &nombre, const std::function<void()> &antes) {
    AlAbrirseModal([nombre, antes](QWidget *ventana) {
        auto *d = qobject_cast<frmCategoria *>(ventana);
        QVERIFY(d);
        QTest::keyClicks(d->txtACat, nombre);
        if (antes)
            antes();
        QTest::keyClick(d->txtACat, Qt::Key_Return);
    });
    ui(w)->mnuAgregar->trigger();
}

void EliminarDuplicados(frmPrincipal &w) {
    AlAbrirseModal([](QWidget *ventana) {
        auto *d = qobject_cast<frmEliminarDup *>(ventana);
        QVERIFY(d);
        QTest::mouseClick(d->cmdEliminar, Qt::LeftButton);
        QTest::mouseClick(d->cmdCancelar, Qt::LeftButton);
    });
    w.setOpcionMarcada(4, true);
}

VentanaPrincipal::VentanaPrincipal(PorCrear p) {
    c.estado.Ruta = QStringLiteral("Categorias");
    c.estado.Mostrar = p.filtro;
    c.estado.MostrarTodas = p.filtro == QLatin1String("Todas") ? 1 : 0;
    QDir().mkpath(c.estado.carpetaCategorias());
}

VentanaPrincipal::VentanaPrincipal(const QList<QPair<QString, QByteArray>> &categorias)
    : VentanaPrincipal(PorCrear{}) {
    for (const auto &[nombre, datos] : categorias)
        c.categoria(nombre, datos);
    crear();
}

void VentanaPrincipal::crear(const QStringList &entradas) {
    w = std::make_unique<frmPrincipal>(c.estado);
    w->setEntradasPanel(entradas, c.estado.Mostrar);
    w->LlenarCat();
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("La ventana principal no se mostró");
}

VentanaPrincipal::~VentanaPrincipal() = default;

void VentanaPrincipal::seleccionar(const QString &nombre) {
    QVERIFY2(Buscar(ui(w)->lstCat, nombre), qPrintable(nombre));
    Clic(ui(w)->lstCat, Buscar(ui(w)->lstCat, nombre));
}

void VentanaPrincipal::abrir(const QString &nombre) {
    seleccionar(nombre);
    QTreeWidgetItem *item = Buscar(ui(w)->lstCat, nombre);
    QVERIFY2(item, qPrintable(nombre));
    QTest::mouseDClick(ui(w)->lstCat->viewport(), Qt::LeftButton, {},
                       ui(w)->lstCat->visualItemRect(item).center());
}

void VentanaPrincipal::seleccionarScript(const QString &nombre) {
    QVERIFY2(Buscar(ui(w)->lstScripts, nombre).isValid(), qPrintable(nombre));
    Clic(ui(w)->lstScripts, Buscar(ui(w)->lstScripts, nombre));
}

QStringList VentanaPrincipal::scripts() const {
    return Textos(ui(w)->lstScripts);
}

QStringList VentanaPrincipal::enArchivo(const QString &categoria) const {
    QVector<Script> registros;
    mdlScripts::LeerArchivo(c.estado.rutaCategoria(categoria), registros);
    QStringList nombres;
    for (const Script &s : registros)
        nombres << s.Nombre;
    return nombres;
}

std::unique_ptr<frmPrincipal> PrincipalConPreferencias(Carpeta &c, bool mostrar) {
    mdlINI::CargarPreferencias(c.estado);
    c.estado.HistorialAutomatico = 0;
    auto w = std::make_unique<frmPrincipal>(c.estado);
    w->setEntradasPanel({QStringLiteral("Todas")}, c.estado.Mostrar);
    w->LlenarCat();
    w->setOpcionMarcada(1, false);
    if (mostrar) {
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            QTest::qFail("La ventana principal no se mostró", __FILE__, __LINE__);
    }
    return w;
}

VentanaConPreferencias::VentanaConPreferencias(const QList<QPair<QString, QByteArray>> &categorias,
                                               const QString &abierta, bool mostrar) {
    for (const auto &[nombre, datos] : categorias)
        c.categoria(nombre, datos);
    w = PrincipalConPreferencias(c, mostrar);
    if (!abierta.isEmpty())
        abrir(abierta);
}

VentanaConPreferencias::~VentanaConPreferencias() = default;

void VentanaConPreferencias::abrir(const QString &categoria) {
    ui(w)->lstCat->setCurrentItem(Buscar(ui(w)->lstCat, categoria));
    w->AbrirCategoria();
}

Script VentanaConPreferencias::fila(int i) const { return Fila(*w, i); }

void VentanaConPreferencias::seleccionar(int i) { ui(w)->lstScripts->Seleccionar(i); }

std::unique_ptr<frmScript> VentanaConPreferencias::editor(const QString &modo, const QStringList &campos) {
    c.estado.ModoScript = modo;
    auto e = std::make_unique<frmScript>(*w);
    e->show();
    e->activateWindow(); // keys and shortcuts reach the window the user works in
    if (!QTest::qWaitForWindowActive(e.get()))
        qWarning("El editor no se activó");
    if (!campos.isEmpty()) {
        e->txtNombre->setText(campos.value(0));
        e->txtDes->setText(campos.value(1));
        e->txtPuntaje->setText(campos.value(2));
        e->ponerCodigo(campos.value(3));
    }
    return e;
}

QByteArray VentanaConPreferencias::guardar(const QString &categoria) {
    ContestarMensaje(QMessageBox::Yes);
    w->Preguntar();
    return archivo(categoria);
}

QByteArray VentanaConPreferencias::archivo(const QString &categoria) const {
    return LeerBytes(c.estado.rutaCategoria(categoria));
}

void Pulsar(frmScript &e, int posicion) {
    QWidget *b = e.barMenu->widgetForAction(e.boton(posicion));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

std::unique_ptr<frmPrincipal> PrincipalParaElFin(Estado &estado, const QString &categoria, const QString &script) {
    const QStringList panel = mdlINI::CargarPreferencias(estado);
    auto w = std::make_unique<frmPrincipal>(estado);
    w->setEntradasPanel(panel, estado.Mostrar);
    w->setOpcionMarcada(1, false);
    w->show();
    ui(w)->lstCat->setCurrentItem(Buscar(ui(w)->lstCat, categoria));
    w->AbrirCategoria();
    ui(w)->lstScripts->Seleccionar(Buscar(ui(w)->lstScripts, script).row());
    QObject::connect(w.get(), &frmPrincipal::terminado, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    mdlInicio::ConectarFin(*w);
    return w;
}

QString TerminarSegundoProceso(const char *variable, const QString &carpeta) {
    QProcess hijo;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QString::fromLatin1(variable), carpeta);
    hijo.setProcessEnvironment(entorno);
    hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hijo.start(QCoreApplication::applicationFilePath(), {});
    if (!hijo.waitForStarted())
        return QStringLiteral("no arrancó");
    if (!hijo.waitForReadyRead(30000) || hijo.readLine().trimmed() != "listo")
        return QStringLiteral("no dijo «listo»");
    hijo.terminate();
    if (!hijo.waitForFinished(30000))
        return QStringLiteral("no terminó");
    if (hijo.exitStatus() != QProcess::NormalExit || hijo.exitCode() != 0)
        return QStringLiteral("terminó mal: estado %1, código %2").arg(hijo.exitStatus()).arg(hijo.exitCode());
    return {};
}

} // namespace ayudas
