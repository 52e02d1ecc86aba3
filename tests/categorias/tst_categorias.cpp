// Adding, replacing, renaming and deleting categories; the menus, the main toolbar and the header
// buttons; the main window's layout as the user resizes it. Driven through the real main window.
#include "Ayudas.h"
#include "store/frmCategoria.h"
#include "store/mdlScriptsVista.h"
#include "ui/Twips.h"
#include "ui/main/Disposicion.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

using ayudas::Registro;

namespace {
using ayudas::Buscar;
using ayudas::Textos;
// Polls for a window of class T becoming the active modal one, then runs `accion` on it. Armed
// before the call that opens the window and blocks.
template <class T> void AlAbrirse(std::function<void(T *)> accion) {
    auto *timer = new QTimer(qApp);
    auto reloj = std::make_shared<QElapsedTimer>();
    reloj->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, reloj, accion] {
        T *w = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!w) {
            if (reloj->elapsed() > 10000)
                timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        accion(w);
    });
    timer->start();
}

// While it lives, answers every message box that opens, in turn with the given buttons (then with
// No, or OK where there is no No), and keeps what each one said.
class Mensajes {
public:
    explicit Mensajes(QList<QMessageBox::StandardButton> respuestas = {}) : respuestas_(std::move(respuestas)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *caja = qobject_cast<QMessageBox *>(modal);
            if (!caja && cerrarDialogos && qobject_cast<QDialog *>(modal)) {
                dialogos << QString::fromLatin1(modal->metaObject()->className());
                static_cast<QDialog *>(modal)->reject();
                return;
            }
            if (!caja || caja->property("contestada").toBool())
                return;
            caja->setProperty("contestada", true);
            vistos.append({caja->text(), caja->windowTitle(), caja->icon(), true});
            QMessageBox::StandardButton b = respuestas_.isEmpty() ? QMessageBox::No : respuestas_.takeFirst();
            if (!caja->button(b))
                b = QMessageBox::Ok;
            if (QAbstractButton *boton = caja->button(b))
                boton->click();
            else
                caja->reject();
        });
        timer_.start();
    }
    QStringList textos() const {
        QStringList r;
        for (const auto &m : vistos)
            r << m.texto;
        return r;
    }
    QList<ayudas::Mensaje> vistos;
    // When set, any other dialog that opens is noted by its class and closed.
    bool cerrarDialogos = false;
    QStringList dialogos;

private:
    QList<QMessageBox::StandardButton> respuestas_;
    QTimer timer_;
};

struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    Ventana() {
        c.estado.Ruta = QStringLiteral("Categorias");
        c.estado.Mostrar = QStringLiteral("Todas");
        c.estado.Reemplazar = 1;
        QDir().mkpath(c.estado.carpetaCategorias());
    }
    void crear() {
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setEntradasPanel({"Todas"}, c.estado.Mostrar);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void seleccionar(const QString &nombre) {
        QTreeWidgetItem *item = Buscar(w->lstCat, nombre);
        QVERIFY(item);
        QTest::mouseClick(w->lstCat->viewport(), Qt::LeftButton, {}, w->lstCat->visualItemRect(item).center());
        QCOMPARE(w->lstCat->currentItem(), item);
    }
    void abrir(const QString &nombre) {
        seleccionar(nombre);
        QTest::mouseDClick(w->lstCat->viewport(), Qt::LeftButton, {},
                           w->lstCat->visualItemRect(w->lstCat->currentItem()).center());
        QCOMPARE(w->lblMenu3->text(), nombre);
    }
    QString ruta(const QString &nombre) const { return c.estado.rutaCategoria(nombre); }
    QByteArray bytes(const QString &nombre) const { return ayudas::LeerBytes(ruta(nombre)); }
    QStringList archivos() const {
        return QDir(c.estado.carpetaCategorias()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The in-place editor of the category being renamed.
    QLineEdit *editor() const {
        return qobject_cast<QLineEdit *>(w->lstCat->indexWidget(w->lstCat->currentIndex()));
    }
    // Renames the selected category as a user does: the command, the new text, Enter.
    void renombrar(const QString &texto) {
        w->mnuRenombrar->trigger();
        QLineEdit *ed = nullptr;
        QTRY_VERIFY((ed = editor()));
        ed->selectAll();
        QTest::keyClicks(ed, texto);
        QTest::keyClick(ed, Qt::Key_Return);
        QTRY_VERIFY(!editor());
        // The rename runs once the editor has gone.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

const QByteArray kAjax = Registro("Menu", "desplegable", "<ul>*RTN*</ul>", "5") + Registro("Tabla", "", "x", "");

// The lengths of the window in twips, read back from its widgets.
disposicion::Areas Medidas(const frmPrincipal &w) { return disposicion::Leer(w); }
// One pixel, in twips: lengths read back from the window are good to a pixel.
int UnPixel() { return twips::ATwips(1); }
#define CERCA(a, b) QVERIFY2(qAbs((a) - (b)) <= UnPixel(), qPrintable(QStringLiteral("%1 != %2").arg(a).arg(b)))

// The rectangle of a widget in the main window's coordinates.
QRect EnVentana(const QWidget *w, const QWidget *ventana) { return QRect(w->mapTo(ventana, QPoint(0, 0)), w->size()); }
} // namespace

class tst_categorias : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    // ---- Adding and replacing ----

    void agregarDesdeElMenuYReemplazar() {
        Ventana v;
        v.c.categoria("Ajax", kAjax);
        v.c.categoria("Zeta", {});
        v.crear();
        v.abrir("Ajax");
        v.w->MarcarCambios();

        // Pending changes are offered for saving before the dialog opens; No keeps the file.
        QStringList visto;
        auto mensajes = std::make_unique<Mensajes>(QList{QMessageBox::No, QMessageBox::No});
        AlAbrirse<frmCategoria>([&](frmCategoria *d) {
            visto << d->windowTitle() << d->Label1->text() << d->lblCopiar->text() << d->cheCatRe->text()
                  << d->cmdAceptar->text() << d->cmdCancelar->text();
            QVERIFY(d->cheCatRe->isChecked());
            QVERIFY(d->cmdAceptar->isDefault());
            QCOMPARE(d->focusWidget(), d->txtACat);
            QTest::keyClicks(d->txtACat, "Ajax");
            QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
        });
        v.w->mnuAgregar->trigger();
        QCOMPARE(visto, (QStringList{"Agregar categoría", "Nombre de la categoría:",
                                     "El nombre de la categoría no debe contener caracteres especiales.",
                                     "Preguntar antes de reemplazar", "Aceptar", "Cancelar"}));
        QCOMPARE(mensajes->textos(), (QStringList{"¿Guardar cambios realizados a Ajax?",
                                                  "La categoría Ajax ya existe. ¿Desea reemplazarla?"}));
        QCOMPARE(mensajes->vistos[1].titulo, v.c.estado.TituloApp);
        QCOMPARE(mensajes->vistos[1].icono, QMessageBox::Question);
        mensajes.reset();
        // No to the replace question: the file, the list and the open category stay.
        QCOMPARE(v.bytes("Ajax"), kAjax);
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Ajax", "Zeta"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Ajax"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 2);
        QVERIFY(!v.c.estado.HayCambios);
        QVERIFY(!QApplication::activeModalWidget());

        // Yes: an empty category takes its place, listed once, last and selected; nothing is open.
        Mensajes si({QMessageBox::Yes});
        AlAbrirse<frmCategoria>([&](frmCategoria *d) {
            QTest::keyClicks(d->txtACat, "  Ajax ");
            QTest::keyClick(d->txtACat, Qt::Key_Return);
        });
        v.w->mnuAgregar->trigger();
        QCOMPARE(si.textos(), QStringList{"La categoría Ajax ya existe. ¿Desea reemplazarla?"});
        QVERIFY(QFileInfo::exists(v.ruta("Ajax")));
        QCOMPARE(QFileInfo(v.ruta("Ajax")).size(), 0);
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Zeta", "Ajax"}));
        QCOMPARE(v.w->lstCat->currentItem(), v.w->lstCat->topLevelItem(1));
        QVERIFY(v.w->lstCat->currentItem()->isSelected());
        QVERIFY(!v.w->lstCat->topLevelItem(1)->icon(0).isNull());
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);
        QVERIFY(v.w->panelEstado[0]->text().isEmpty());
        QVERIFY(!v.w->botonScript(1)->isEnabled());
        QCOMPARE(v.archivos(), (QStringList{"Ajax.rtn", "Zeta.rtn"}));
    }

    void sinPreguntaYReemplazarQuedaEnLaPreferencia() {
        Ventana v;
        v.c.categoria("Ajax", kAjax);
        v.crear();
        Mensajes mensajes;
        {
            frmCategoria d(*v.w);
            d.show();
            QVERIFY(d.cheCatRe->isChecked());
            QTest::mouseClick(d.cheCatRe, Qt::LeftButton);
            QTest::keyClicks(d.txtACat, "Ajax");
            QTest::mouseClick(d.cmdAceptar, Qt::LeftButton);
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QVERIFY(mensajes.vistos.isEmpty());
        QCOMPARE(QFileInfo(v.ruta("Ajax")).size(), 0);
        QCOMPARE(Textos(v.w->lstCat), QStringList{"Ajax"});
        QCOMPARE(v.c.estado.Reemplazar, 0);

        // The next dialog starts from the preference; closing it by Escape keeps the box's state.
        frmCategoria d(*v.w);
        d.show();
        QVERIFY(!d.cheCatRe->isChecked());
        d.cheCatRe->setChecked(true);
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(v.c.estado.Reemplazar, 1);
        QCOMPARE(Textos(v.w->lstCat), QStringList{"Ajax"});
    }

    void agregarNombreOcultoPorElFiltroYNombresVacios() {
        Ventana v;
        v.c.categoria("menus", kAjax);
        v.c.categoria("Ajax", kAjax);
        v.c.estado.MostrarTodas = 0;
        v.c.estado.Mostrar = QStringLiteral("me");
        v.crear();
        QCOMPARE(Textos(v.w->lstCat), QStringList{"menus"});
        Mensajes mensajes({QMessageBox::Yes});
        frmCategoria d(*v.w);
        d.show();
        // Empty or spaces only: refused silently, the dialog stays.
        QTest::keyClicks(d.txtACat, "   ");
        QTest::mouseClick(d.cmdAceptar, Qt::LeftButton);
        QVERIFY(d.isVisible());
        QCOMPARE(d.txtACat->text(), QString());
        QCOMPARE(v.archivos(), (QStringList{"Ajax.rtn", "menus.rtn"}));
        // A file the filter hides: no entry is removed, one is appended.
        QTest::keyClicks(d.txtACat, "Ajax");
        QTest::mouseClick(d.cmdAceptar, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(mensajes.vistos.size(), 1);
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"menus", "Ajax"}));
        QCOMPARE(v.w->lstCat->currentItem()->text(0), QStringLiteral("Ajax"));
        QCOMPARE(QFileInfo(v.ruta("Ajax")).size(), 0);
        QCOMPARE(v.bytes("menus"), kAjax);
        QVERIFY(v.w->mnuEliminar->isEnabled() && v.w->mnuRenombrar->isEnabled() && v.w->mnuImportar->isEnabled());
        QVERIFY(v.w->entradaCategorias(2)->isEnabled() && v.w->entradaCategorias(3)->isEnabled());
    }

    void agregarConLaListaVaciaHabilitaLosComandos() {
        Ventana v;
        v.crear();
        QVERIFY(!v.w->mnuEliminar->isEnabled() && !v.w->entradaCategorias(3)->isEnabled());
        frmCategoria d(*v.w);
        d.show();
        QTest::keyClicks(d.txtACat, "Nueva-1 ");
        QTest::sendKeyEvent(QTest::Click, d.txtACat, Qt::Key_unknown, QStringLiteral("ñandú"), Qt::NoModifier);
        QTest::keyClick(d.txtACat, Qt::Key_Enter);
        QCOMPARE(v.archivos(), QStringList{"Nueva-1 ñandú.rtn"});
        QCOMPARE(Textos(v.w->lstCat), QStringList{"Nueva-1 ñandú"});
        QVERIFY(v.w->mnuEliminar->isEnabled() && v.w->mnuRenombrar->isEnabled());
        QVERIFY(v.w->entradaCategorias(2)->isEnabled() && v.w->entradaCategorias(3)->isEnabled());
    }

    void caracteresRechazadosAlEscribirYAlPegar() {
        Ventana v;
        v.crear();
        frmCategoria d(*v.w);
        d.show();
        QLineEdit *t = d.txtACat;
        QTest::keyClicks(t, "a.b");
        QCOMPARE(t->text(), QStringLiteral("ab"));

        // Every printable ASCII character typed in turn: only the listed ones are refused.
        t->clear();
        QString esperado;
        for (char c = 32; c < 127; ++c) {
            QTest::keyClick(t, c);
            const bool rechazado = (c >= 33 && c <= 47 && c != '-') || (c >= 58 && c <= 64) ||
                                   (c >= 91 && c <= 94) || (c >= 123 && c <= 125);
            if (!rechazado)
                esperado += QLatin1Char(c);
        }
        QCOMPARE(t->text(), esperado);
        QVERIFY(esperado.contains(QLatin1String(" -0123456789")));
        QVERIFY(esperado.endsWith(QLatin1String("_`abcdefghijklmnopqrstuvwxyz~")));
        t->clear();
        QTest::sendKeyEvent(QTest::Click, t, Qt::Key_unknown, QStringLiteral("é€ñ"), Qt::NoModifier);
        QCOMPARE(t->text(), QStringLiteral("é€ñ"));
        QTest::keyClick(t, Qt::Key_Backspace);
        QCOMPARE(t->text(), QStringLiteral("é€"));

        // Pasted text goes through the same filter, wherever the cursor is.
        for (auto [pegado, queda] : {std::pair{"../x", "x"}, {"a/b", "ab"}, {"a\\b", "ab"},
                                     {"..\\..\\etc/passwd", "etcpasswd"}, {"tab\tfin\nlinea", "tabfinlinea"}}) {
            t->clear();
            QGuiApplication::clipboard()->setText(QString::fromLatin1(pegado));
            QTest::keyClick(t, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(t->text(), QString::fromLatin1(queda));
        }
        t->setText(QStringLiteral("ac"));
        t->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("/b:"));
        t->paste();
        QCOMPARE(t->text(), QStringLiteral("abc"));
        QCOMPARE(t->cursorPosition(), 2);

        // What is pasted never reaches a path outside the category folder.
        t->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("../fuera"));
        t->paste();
        QTest::mouseClick(d.cmdAceptar, Qt::LeftButton);
        QCOMPARE(v.archivos(), QStringList{"fuera.rtn"});
        QVERIFY(!QFileInfo::exists(v.c.ruta("fuera.rtn")));
    }

    // ---- Renaming ----

    void renombrar() {
        Ventana v;
        const QByteArray viejo = Registro("V", "d", "c", "1");
        v.c.categoria("Viejo", viejo);
        v.c.categoria("Foo", kAjax);
        v.crear();
        // A click on an entry only selects it.
        v.seleccionar("Viejo");
        QTest::mouseClick(v.w->lstCat->viewport(), Qt::LeftButton, {},
                          v.w->lstCat->visualItemRect(v.w->lstCat->currentItem()).center());
        QTest::qWait(0);
        QVERIFY(!v.editor());

        Mensajes mensajes;
        v.abrir("Viejo");
        v.renombrar("Nue/vo?");
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Foo", "Nuevo"}));
        QCOMPARE(v.archivos(), (QStringList{"Foo.rtn", "Nuevo.rtn"}));
        QCOMPARE(v.bytes("Nuevo"), viejo);
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);
        QVERIFY(!(v.w->lstCat->currentItem()->flags() & Qt::ItemIsEditable));

        // The same name, or one that differs only by removed characters: nothing happens at all.
        v.abrir("Nuevo");
        v.renombrar("Nuevo");
        v.renombrar(" Nue.vo* ");
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Foo", "Nuevo"}));
        QCOMPARE(v.archivos(), (QStringList{"Foo.rtn", "Nuevo.rtn"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Nuevo"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 1);

        // Case matters.
        v.seleccionar("Foo");
        v.renombrar("foo");
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"foo", "Nuevo"}));
        QCOMPARE(v.archivos(), (QStringList{"Nuevo.rtn", "foo.rtn"}));
        QCOMPARE(v.bytes("foo"), kAjax);
        QVERIFY(mensajes.vistos.isEmpty());

        // Escape gives up: the entry and the files stay, and the entry is not editable by a click.
        v.w->mnuRenombrar->trigger();
        QTRY_VERIFY(v.editor());
        QTest::keyClicks(v.editor(), "Otro");
        QTest::keyClick(v.editor(), Qt::Key_Escape);
        QTRY_VERIFY(!v.editor());
        QCoreApplication::processEvents();
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"foo", "Nuevo"}));
        QCOMPARE(v.archivos(), (QStringList{"Nuevo.rtn", "foo.rtn"}));
        QVERIFY(!(v.w->lstCat->currentItem()->flags() & Qt::ItemIsEditable));
        QVERIFY(mensajes.vistos.isEmpty());
    }

    void renombrarSinDestruirNada() {
        Ventana v;
        v.c.categoria("Uno", kAjax);
        v.c.categoria("Dos", Registro("D", "", "", ""));
        v.crear();
        Mensajes mensajes;

        // Onto an existing category: never overwritten, the entry keeps its name, the user is told.
        v.abrir("Uno");
        v.renombrar("Dos");
        QTRY_COMPARE(mensajes.vistos.size(), 1);
        QCOMPARE(mensajes.vistos[0].texto, QStringLiteral("Ya existe una categoría llamada Dos. La categoría Uno no se ha renombrado."));
        QCOMPARE(mensajes.vistos[0].icono, QMessageBox::Warning);
        QCOMPARE(v.bytes("Uno"), kAjax);
        QCOMPARE(v.bytes("Dos"), Registro("D", "", "", ""));
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Dos", "Uno"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Uno"));

        // A name made only of removed characters.
        v.renombrar(" ./?* ");
        QTRY_COMPARE(mensajes.vistos.size(), 2);
        QCOMPARE(mensajes.vistos[1].texto, QStringLiteral("El nombre de la categoría no puede quedar vacío."));
        QCOMPARE(v.archivos(), (QStringList{"Dos.rtn", "Uno.rtn"}));
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Dos", "Uno"}));

        // The file has gone meanwhile.
        QVERIFY(QFile::remove(v.ruta("Uno")));
        v.renombrar("Tres");
        QTRY_COMPARE(mensajes.vistos.size(), 3);
        QVERIFY(mensajes.vistos[2].texto.startsWith(QStringLiteral("No se encuentra el archivo de la categoría Uno")));
        QCOMPARE(v.archivos(), QStringList{"Dos.rtn"});
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Dos", "Uno"}));

        // Path characters never leave the folder.
        v.seleccionar("Dos");
        v.renombrar("../../Fuera");
        QCOMPARE(v.archivos(), QStringList{"Fuera.rtn"});
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"Fuera", "Uno"}));
        QCOMPARE(mensajes.vistos.size(), 3);
    }

    void renombrarPreguntaAntesPorLosCambios() {
        Ventana v;
        v.c.categoria("Uno", kAjax);
        v.crear();
        v.abrir("Uno");
        v.w->lstScripts->takeTopLevelItem(0);
        v.w->MarcarCambios();
        {
            Mensajes mensajes({QMessageBox::Yes});
            v.renombrar("Otro");
            QCOMPARE(mensajes.textos(), QStringList{"¿Guardar cambios realizados a Uno?"});
        }
        // Saved first, then renamed: the file under its new name holds the saved list.
        QCOMPARE(v.archivos(), QStringList{"Otro.rtn"});
        QCOMPARE(v.bytes("Otro"), Registro("Tabla", "", "x", ""));
        QVERIFY(!v.c.estado.HayCambios);
        QVERIFY(!v.w->mnuGuardar->isEnabled());
    }

    // ---- Deleting ----

    void eliminar() {
        Ventana v;
        v.c.categoria("A", kAjax);
        v.c.categoria("B", {});
        v.crear();
        v.abrir("A");
        {
            Mensajes no;
            v.w->mnuEliminar->trigger();
            QCOMPARE(no.textos(), QStringList{"¿Desea eliminar la categoría A?"});
            QCOMPARE(no.vistos[0].titulo, v.c.estado.TituloApp);
            QCOMPARE(no.vistos[0].icono, QMessageBox::Question);
        }
        QCOMPARE(v.bytes("A"), kAjax);
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"A", "B"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("A"));
        QCOMPARE(v.w->focusWidget(), v.w->lstCat);
        {
            Mensajes si({QMessageBox::Yes});
            v.w->mnuEliminar->trigger();
            QCOMPARE(si.vistos.size(), 1);
        }
        QCOMPARE(v.archivos(), QStringList{"B.rtn"});
        QCOMPARE(Textos(v.w->lstCat), QStringList{"B"});
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);

        // A file already gone: the entry goes without a question; an empty list turns the commands off.
        QVERIFY(QFile::remove(v.ruta("B")));
        v.seleccionar("B");
        Mensajes ninguno;
        v.w->mnuEliminar->trigger();
        QVERIFY(ninguno.vistos.isEmpty());
        QCOMPARE(v.w->lstCat->topLevelItemCount(), 0);
        QVERIFY(!v.w->mnuEliminar->isEnabled() && !v.w->mnuRenombrar->isEnabled());
        QVERIFY(!v.w->entradaCategorias(2)->isEnabled() && !v.w->entradaCategorias(3)->isEnabled());
        QVERIFY(v.w->mnuAgregar->isEnabled() && v.w->mnuImportar->isEnabled() && v.w->botonMenu(7)->isEnabled());
    }

    void eliminarConCambiosPendientes() {
        Ventana v;
        v.c.categoria("A", kAjax);
        v.c.categoria("B", kAjax);
        v.crear();
        v.abrir("A");
        v.seleccionar("B");
        v.w->lstScripts->clear();
        v.w->MarcarCambios();
        Mensajes mensajes({QMessageBox::No, QMessageBox::Yes});
        v.w->mnuEliminar->trigger();
        QCOMPARE(mensajes.textos(), (QStringList{"¿Guardar cambios realizados a A?", "¿Desea eliminar la categoría B?"}));
        QCOMPARE(v.bytes("A"), kAjax);
        QCOMPARE(v.archivos(), QStringList{"A.rtn"});
        QVERIFY(!v.c.estado.HayCambios);
    }

    // ---- Menus, toolbar, header buttons ----

    void arbolDeMenus() {
        Ventana v;
        v.crear();
        QStringList arbol;
        std::function<void(const QList<QAction *> &, const QString &)> recorrer =
            [&](const QList<QAction *> &acciones, const QString &sangria) {
                for (QAction *a : acciones) {
                    if (a->isSeparator()) {
                        arbol << sangria + a->objectName() + " —";
                        continue;
                    }
                    const QString nombre = a->menu() ? a->menu()->objectName() : a->objectName();
                    QString linea = sangria + nombre + " " + a->text();
                    if (!a->shortcut().isEmpty())
                        linea += " [" + a->shortcut().toString(QKeySequence::PortableText) + "]";
                    if (a->isCheckable())
                        linea += a->isChecked() ? " (marcada)" : " (sin marca)";
                    arbol << linea;
                    if (a->menu())
                        recorrer(a->menu()->actions(), sangria + "  ");
                }
            };
        recorrer(v.w->menuBar()->actions(), {});
        QCOMPARE(arbol, (QStringList{
                            "g001 &Archivo",
                            "  mnuGuardar &Guardar cambios [Ctrl+G]",
                            "  g010 —",
                            "  g013 Enviar",
                            "    mnuEnviar MS Outlook",
                            "    g019 —",
                            "    mnuOutlookConfig Configurar",
                            "  g012 Exportar",
                            "    mnuOpciones Opciones",
                            "  g015 —",
                            "  mnuSalir Salir [Ctrl+S]",
                            "g002 C&ategoría",
                            "  mnuAgregar Agregar",
                            "  mnuEliminar Eliminar",
                            "  mnuRenombrar Renombrar",
                            "  g009 —",
                            "  mnuImportar Importar [Ctrl+I]",
                            "mnuCodigo &Código",
                            "  mnuCodAgregar &Agregar [Ctrl+A]",
                            "  mnuCodEditar &Editar [Ctrl+E]",
                            "  mnuCodEliminar Eliminar",
                            "  mnuCodCopiar Copiar",
                            "  g003 —",
                            "  mnuCodBuscar &Buscar [Ctrl+B]",
                            "g004 &Ver",
                            "  mnuVerOp Opciones [Ctrl+O] (marcada)",
                            "  g021 —",
                            "  mnuVerE Barra de estado (marcada)",
                            "g007 Ay&uda",
                            "  g020 Soporte",
                            "    mnuLinkJS JavaScript",
                            "    mnuLinkASP ASP",
                            "    mnuLinkPHP PHP",
                            "    mnuLinkVB Visual Basic",
                            "  mnuActualizar Actualizar [F1]",
                            "  g006 —",
                            "  mnuAcerca Acerca de...",
                        }));
        // Nothing is saved or open at start.
        QVERIFY(!v.w->mnuGuardar->isEnabled() && !v.w->botonMenu(5)->isEnabled());
    }

    void barraPrincipalYBotonesDeCabecera() {
        Ventana v;
        v.crear();
        QStringList barra;
        for (int pos = 1; pos <= 14; ++pos) {
            QAction *a = v.w->botonMenu(pos);
            if (!a)
                barra << "-";
            else if (a->isSeparator())
                barra << "|";
            else {
                QString s = a->objectName() + " " + a->text();
                QVERIFY2(!a->icon().isNull(), qPrintable(s));
                if (a->menu())
                    for (QAction *e : a->menu()->actions())
                        s += " / " + e->objectName() + " " + e->text();
                barra << s;
            }
        }
        QCOMPARE(barra, (QStringList{"importar Importar", "|", "exportar Exportar", "|", "guardar Guardar", "|",
                                     "categorias Categoría / agregar Agregar / eliminar Eliminar / renombrar Renombrar",
                                     "|", "outlook E-mail", "|",
                                     "ayuda Ayuda / js Soporte JS / asp Soporte ASP / php Soporte PHP / vb Soporte VB",
                                     "|", "acerca Acerca de", "-"}));
        QCOMPARE(v.w->barMenu->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        for (int pos : {7, 11}) {
            auto *b = qobject_cast<QToolButton *>(v.w->barMenu->widgetForAction(v.w->botonMenu(pos)));
            QVERIFY(b);
            QCOMPARE(b->popupMode(), QToolButton::MenuButtonPopup);
        }
        QStringList consejos;
        for (QToolButton *b : {v.w->cmdM1, v.w->cmdM2, v.w->cmdMCat, v.w->cmdM3, v.w->cmdM4}) {
            consejos << b->objectName() + " " + b->toolTip();
            QVERIFY(!b->icon().isNull());
        }
        QCOMPARE(consejos, (QStringList{"cmdM1 Expandir", "cmdM2 Cerrar", "cmdMCat Configurar panel", "cmdM3 Expandir",
                                        "cmdM4 Cerrar"}));
    }

    void cadaBotonLlegaASuOrden() {
        Ventana v;
        v.c.categoria("A", kAjax);
        v.crear();
        v.abrir("A");
        ayudas::Navegador navegador;
        // Clicks a toolbar button and names what it opened: a dialog's class or a question.
        auto pulsar = [&](int pos) {
            Mensajes vigia; // answers a question with No
            vigia.cerrarDialogos = true;
            QWidget *b = v.w->barMenu->widgetForAction(v.w->botonMenu(pos));
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
            QCoreApplication::processEvents();
            return (vigia.dialogos + vigia.textos()).join(QLatin1Char('+'));
        };
        // The menu twins being disabled does not matter: the toolbar calls the commands itself.
        v.w->mnuImportar->setEnabled(false);
        v.w->mnuOpciones->setEnabled(false);
        v.w->mnuAgregar->setEnabled(false);
        QCOMPARE(pulsar(1), QStringLiteral("frmExaminar"));
        QCOMPARE(pulsar(3), QStringLiteral("frmExportar"));
        QCOMPARE(pulsar(7), QStringLiteral("frmCategoria"));
        QCOMPARE(pulsar(9), QStringLiteral("frmOutlook"));
        v.c.estado.TemaAyuda = QStringLiteral("Actualizar");
        QCOMPARE(pulsar(11), QStringLiteral("frmAyuda"));
        QCOMPARE(v.c.estado.TemaAyuda, QStringLiteral("Ayuda"));
        QCOMPARE(pulsar(13), QStringLiteral("frmAcerca"));
        QVERIFY(navegador.abiertas.isEmpty());
        // Saving, once there is something to save, always asks.
        QCOMPARE(pulsar(5), QString());
        v.w->MarcarCambios();
        QCOMPARE(pulsar(5), QStringLiteral("¿Guardar cambios realizados a A?"));
        QVERIFY(!v.w->botonMenu(5)->isEnabled() && !v.w->mnuGuardar->isEnabled());

        // The support entries of the drop-down open the same pages as their menu twins.
        for (auto [clave, menu] : {std::pair{"js", v.w->mnuLinkJS}, {"asp", v.w->mnuLinkASP},
                                   {"php", v.w->mnuLinkPHP}, {"vb", v.w->mnuLinkVB}}) {
            menu->trigger();
            v.w->menuBotonAyuda->findChild<QAction *>(QString::fromLatin1(clave))->trigger();
            QCOMPARE(navegador.abiertas.size(), 2);
            QCOMPARE(navegador.abiertas[0], navegador.abiertas[1]);
            QVERIFY(navegador.abiertas[0].toString().startsWith(QLatin1String("http")));
            navegador.abiertas.clear();
        }
        // An unknown key runs nothing.
        Mensajes nada;
        v.w->ejecutarBotonMenu(QStringLiteral("Importar"));
        v.w->ejecutarBotonMenu(QString());
        QCoreApplication::processEvents();
        QVERIFY(nada.vistos.isEmpty());
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("A"));
    }

    void cadaMenuLlegaASuOrden() {
        Ventana v;
        v.c.categoria("A", kAjax);
        v.crear();
        v.abrir("A");
        v.w->lstScripts->setCurrentItem(v.w->lstScripts->topLevelItem(0));
        // Chooses a menu entry and names what it opened: dialogs by class, then message texts.
        auto elegir = [&](QAction *a) {
            Mensajes vigia;
            vigia.cerrarDialogos = true;
            a->trigger();
            QCoreApplication::processEvents();
            return (vigia.dialogos + vigia.textos()).join(QLatin1Char('+'));
        };
        QCOMPARE(elegir(v.w->mnuOutlookConfig), QStringLiteral("frmOutlook"));
        QCOMPARE(elegir(v.w->mnuOpciones), QStringLiteral("frmExportar"));
        QCOMPARE(elegir(v.w->mnuAgregar), QStringLiteral("frmCategoria"));
        QCOMPARE(elegir(v.w->mnuImportar), QStringLiteral("frmExaminar"));
        QCOMPARE(elegir(v.w->mnuCodAgregar), QStringLiteral("frmScript"));
        QCOMPARE(elegir(v.w->mnuCodEditar), QStringLiteral("frmScript"));
        QCOMPARE(elegir(v.w->mnuCodBuscar), QStringLiteral("frmBuscar"));
        QCOMPARE(elegir(v.w->mnuCodCopiar), QStringLiteral("frmMover"));
        QCOMPARE(elegir(v.w->mnuActualizar), QStringLiteral("frmAyuda"));
        QCOMPARE(v.c.estado.TemaAyuda, QStringLiteral("Actualizar"));
        QCOMPARE(elegir(v.w->mnuAcerca), QStringLiteral("frmAcerca"));
        QCOMPARE(elegir(v.w->mnuCodEliminar), QString());
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 1);
        QVERIFY(v.c.estado.HayCambios);
        QCOMPARE(elegir(v.w->mnuGuardar), QStringLiteral("¿Guardar cambios realizados a A?"));
        QCOMPARE(v.bytes("A"), kAjax); // answered No

        // The shortcuts reach the same commands from the keyboard.
        v.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.w.get()));
        QTest::keyClick(v.w.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(!v.w->mnuVerOp->isChecked() && !v.w->Panel2->isVisible());
        QTest::keyClick(v.w.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(v.w->mnuVerOp->isChecked() && v.w->Panel2->isVisible());
        {
            Mensajes vigia;
            vigia.cerrarDialogos = true;
            QTest::keyClick(v.w.get(), Qt::Key_F1);
            QCoreApplication::processEvents();
            QCOMPARE(vigia.dialogos, QStringList{"frmAyuda"});
        }

        // Leaving: the window unloads, writes the preferences and ends the program.
        QSignalSpy fin(v.w.get(), &frmPrincipal::terminado);
        v.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.w.get()));
        QTest::keyClick(v.w.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fin.count(), 1);
        QVERIFY(!v.w->isVisible());
        QVERIFY(QFileInfo::exists(v.c.estado.rutaConfig()));
    }

    void desplegableDeCategorias() {
        Ventana v;
        v.c.categoria("A", kAjax);
        v.crear();
        auto *boton = qobject_cast<QToolButton *>(v.w->barMenu->widgetForAction(v.w->botonMenu(7)));
        // Opens the arrow's menu as a user does, notes which entries are enabled and picks one.
        auto elegir = [&](const QString &clave) {
            QStringList habilitadas;
            auto *timer = new QTimer(boton);
            timer->setInterval(5);
            QObject::connect(timer, &QTimer::timeout, [&, timer] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                timer->stop();
                for (QAction *e : menu->actions())
                    if (e->isEnabled())
                        habilitadas << e->objectName();
                QAction *e = menu->findChild<QAction *>(clave);
                if (e && e->isEnabled())
                    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(e).center());
                else
                    menu->close();
            });
            timer->start();
            QTest::mouseClick(boton, Qt::LeftButton, {}, QPoint(boton->width() - 4, boton->height() / 2));
            const bool elegido = QTest::qWaitFor([timer] { return !timer->isActive(); });
            delete timer;
            if (!elegido)
                habilitadas << QStringLiteral("(el menú no se abrió)");
            return habilitadas;
        };

        // The entry works although its menu twin is disabled.
        v.seleccionar("A");
        v.w->mnuRenombrar->setEnabled(false);
        QCOMPARE(elegir("renombrar"), (QStringList{"agregar", "eliminar", "renombrar"}));
        QTRY_VERIFY(v.editor());
        QTest::keyClick(v.editor(), Qt::Key_Escape);
        QTRY_VERIFY(!v.editor());

        v.w->mnuEliminar->setEnabled(false);
        {
            Mensajes si({QMessageBox::Yes});
            QCOMPARE(elegir("eliminar"), (QStringList{"agregar", "eliminar", "renombrar"}));
            QTRY_COMPARE(si.textos(), QStringList{"¿Desea eliminar la categoría A?"});
        }
        QCOMPARE(v.w->lstCat->topLevelItemCount(), 0);
        // With the list empty only "agregar" is offered; it opens the add dialog.
        bool abierto = false;
        AlAbrirse<frmCategoria>([&](frmCategoria *d) {
            abierto = true;
            d->reject();
        });
        QCOMPARE(elegir("agregar"), QStringList{"agregar"});
        QTRY_VERIFY(abierto);
    }

    void elDuplicados() {
        QComboBox cb;
        cb.addItems({"Todas", "ab", "Todas", "ab", "cd"});
        frmPrincipal::ElDuplicados(&cb);
        QStringList r;
        for (int i = 0; i < cb.count(); ++i)
            r << cb.itemText(i);
        QCOMPARE(r, (QStringList{"Todas", "ab", "cd"}));
        cb.clear();
        cb.addItems({"a", "A", "a", "a", "a ", "A"});
        frmPrincipal::ElDuplicados(&cb);
        r.clear();
        for (int i = 0; i < cb.count(); ++i)
            r << cb.itemText(i);
        QCOMPARE(r, (QStringList{"a", "A", "a "}));
        frmPrincipal::ElDuplicados(nullptr);
    }

    // ---- Showing and hiding sections ----

    void verOpciones() {
        Ventana v;
        v.crear();
        const disposicion::Areas antes = Medidas(*v.w);
        v.w->mnuVerOp->trigger();
        QVERIFY(!v.w->mnuVerOp->isChecked());
        for (QWidget *w : {static_cast<QWidget *>(v.w->Panel2), static_cast<QWidget *>(v.w->lbl2),
                           static_cast<QWidget *>(v.w->cmdM2), static_cast<QWidget *>(v.w->lstOp)})
            QVERIFY(!w->isVisible());
        QVERIFY(v.c.estado.Izquierda);
        disposicion::Areas a = Medidas(*v.w);
        CERCA(a.lstCat.height(), a.picPaneles.height() - 990);
        CERCA(a.Panel1.height(), a.picPaneles.height() - 60);

        // The close button of the section and the category header's button both toggle it back.
        QTest::mouseClick(v.w->cmdM1, Qt::LeftButton);
        QVERIFY(v.w->mnuVerOp->isChecked() && v.w->Panel2->isVisible() && v.w->lstOp->isVisible());
        QVERIFY(!v.c.estado.Izquierda);
        QCOMPARE(QApplication::focusWidget(), v.w->lstCat);
        a = Medidas(*v.w);
        CERCA(a.lstCat.height(), a.picPaneles.height() - (a.Panel2.height() + 990));
        CERCA(a.Panel2.y(), a.Panel1.height());
        CERCA(a.lstOp.y(), a.Panel1.height() + 435);
        CERCA(a.lstOp.height(), antes.lstOp.height());
        QTest::mouseClick(v.w->cmdM2, Qt::LeftButton);
        QVERIFY(!v.w->mnuVerOp->isChecked() && !v.w->Panel2->isVisible() && v.c.estado.Izquierda);

        // Resized while hidden: the category section keeps the whole panel (910 in this rule).
        v.w->resize(v.w->width() + 40, v.w->height() + 60);
        QTRY_COMPARE(Medidas(*v.w).picPaneles.height(), antes.picPaneles.height() + twips::ATwips(60));
        a = Medidas(*v.w);
        CERCA(a.Panel1.height(), a.picPaneles.height() - 60);
        CERCA(a.lstCat.height(), a.Panel1.height() - 910);
    }

    void arrancarConLasSeccionesOcultas() {
        Ventana v;
        v.c.estado.Izquierda = true;
        v.c.estado.Derecha = true;
        v.crear();
        QVERIFY(!v.w->mnuVerOp->isChecked() && v.w->mnuVerE->isChecked());
        QVERIFY(!v.w->Panel2->isVisible());
        QVERIFY(!v.w->fraMenu4->isVisible() && v.w->fraMenu3->isVisible());
        QVERIFY(v.w->cmdM3->isEnabled() && !v.w->cmdM4->isEnabled());
        const disposicion::Areas a = Medidas(*v.w);
        CERCA(a.fraMenu3.y(), 360);
        CERCA(a.Panel1.height(), a.picPaneles.height() - 60);
    }

    void barraDeScripts() {
        Ventana v;
        v.crear();
        auto uno = [&] { return v.w->cmdM3->isEnabled() != v.w->cmdM4->isEnabled(); };
        QVERIFY(!v.w->cmdM3->isEnabled() && v.w->cmdM4->isEnabled());
        const disposicion::Areas antes = Medidas(*v.w);
        CERCA(antes.fraMenu3.y(), 1200);

        QTest::mouseClick(v.w->cmdM4, Qt::LeftButton);
        QVERIFY(uno() && v.w->cmdM3->isEnabled());
        QVERIFY(!v.w->fraMenu4->isVisible() && v.w->lstScripts->isVisible() && v.w->fraMenu3->isVisible());
        QVERIFY(v.c.estado.Derecha);
        disposicion::Areas a = Medidas(*v.w);
        CERCA(a.fraMenu3.y(), 360);
        CERCA(a.fraMenu3.height(), antes.fraMenu3.height() + 840);
        CERCA(a.lstScripts.height(), antes.lstScripts.height() + 840);
        // A disabled button does nothing when clicked.
        QTest::mouseClick(v.w->cmdM4, Qt::LeftButton);
        CERCA(Medidas(*v.w).lstScripts.height(), a.lstScripts.height());

        // The list keeps the toolbar's place as the window grows.
        v.w->resize(v.w->width() + 30, v.w->height() + 45);
        QTRY_VERIFY(qAbs(Medidas(*v.w).lstScripts.height() - (a.lstScripts.height() + twips::ATwips(45))) <= UnPixel());
        CERCA(Medidas(*v.w).fraMenu3.y(), 360);
        QVERIFY(!v.w->fraMenu4->isVisible());

        QTest::mouseClick(v.w->cmdM3, Qt::LeftButton);
        QVERIFY(uno() && v.w->cmdM4->isEnabled());
        QVERIFY(v.w->fraMenu4->isVisible() && v.w->barScript->isVisible());
        QVERIFY(!v.c.estado.Derecha);
        a = Medidas(*v.w);
        CERCA(a.fraMenu3.y(), 1200);
        CERCA(a.fraMenu3.height(), a.Panel3.height() - 1340);
        CERCA(a.lstScripts.height(), a.fraMenu3.height() - 400);
        QVERIFY(EnVentana(v.w->fraMenu4, v.w.get()).bottom() <= EnVentana(v.w->fraMenu3, v.w.get()).top() + 1);
    }

    void barraDeEstado() {
        Ventana v;
        v.crear();
        const int alto = v.w->height();
        const int barra = v.w->barEstado->height();
        QVERIFY(barra > 0);
        const disposicion::Areas antes = Medidas(*v.w);
        v.w->mnuVerE->trigger();
        QVERIFY(!v.w->mnuVerE->isChecked() && !v.w->barEstado->isVisible());
        QTRY_COMPARE(v.w->height(), alto - barra);
        // The window shrank by the bar: the panels keep their size.
        QCOMPARE(Medidas(*v.w).picPaneles, antes.picPaneles);
        QCOMPARE(Medidas(*v.w).lstScripts, antes.lstScripts);
        v.w->mnuVerE->trigger();
        QVERIFY(v.w->mnuVerE->isChecked() && v.w->barEstado->isVisible());
        QTRY_COMPARE(v.w->height(), alto);
        QCOMPARE(Medidas(*v.w).picPaneles, antes.picPaneles);

        // The five panels: the progress bar over the second, the time in the last.
        QCOMPARE(v.w->barEstado->findChildren<QLabel *>(QRegularExpression("^panelEstado[1-5]$")).size(), 5);
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d$").match(v.w->panelEstado[4]->text()).hasMatch());
        const QRect panel = v.w->panelEstado[1]->geometry();
        const QRect progreso = v.w->barProgreso->geometry();
        QCOMPARE(v.w->barProgreso->parentWidget(), v.w->barEstado);
        QCOMPARE(progreso.x(), panel.x() + twips::APixeles(60));
        QCOMPARE(progreso.width(), twips::APixeles(900));
        QVERIFY(v.w->barEstado->rect().contains(progreso));
        QVERIFY(v.w->barProgreso->isVisible());
        QCOMPARE(v.w->barProgreso->minimum(), 0);
        QCOMPARE(v.w->barProgreso->maximum(), 200);
        QCOMPARE(v.w->barProgreso->value(), 0);
    }

    void maximizadaYRestaurada() {
        Ventana v;
        v.crear();
        auto columnas = [&] {
            const QHeaderView *h = v.w->lstScripts->header();
            return QVector<int>{h->sectionSize(vista::ColNombre), h->sectionSize(vista::ColDescripcion),
                                h->sectionSize(vista::ColCodigo), h->sectionSize(vista::ColPuntaje)};
        };
        auto px = [](int a, int b, int c) { return QVector<int>{twips::APixeles(a), twips::APixeles(b), 0, twips::APixeles(c)}; };
        QCOMPARE(columnas(), px(1700, 3200, 400));
        QVERIFY(v.w->mnuVerE->isEnabled());

        v.w->showMaximized();
        QTRY_VERIFY(v.w->isMaximized());
        QTRY_COMPARE(columnas(), px(2300, 5500, 400));
        QVERIFY(!v.w->mnuVerE->isEnabled());
        // The status bar command is ignored while maximized, whoever calls it.
        const QSize tam = v.w->size();
        v.w->mnuVerE_Click();
        QVERIFY(v.w->mnuVerE->isChecked() && v.w->barEstado->isVisible());
        QCOMPARE(v.w->size(), tam);

        // Minimized, nothing is laid out; restored, everything is again.
        v.w->showMinimized();
        QTRY_VERIFY(v.w->isMinimized());
        v.w->showNormal();
        QTRY_VERIFY(!v.w->isMaximized() && !v.w->isMinimized());
        QTRY_COMPARE(columnas(), px(1700, 3200, 400));
        QVERIFY(v.w->mnuVerE->isEnabled());
        v.w->mnuVerE->trigger();
        QVERIFY(!v.w->mnuVerE->isChecked());
    }

    void nadaSeSaleNiSeSolapaAlCambiarDeTamano() {
        Ventana v;
        v.c.categoria("Una categoría con un nombre bastante largo para la cabecera", kAjax);
        v.crear();
        v.abrir("Una categoría con un nombre bastante largo para la cabecera");
        frmPrincipal *w = v.w.get();
        auto comprobar = [&](const char *cuando) {
            const QRect centro = EnVentana(w->centralWidget(), w);
            const QRect izq = EnVentana(w->picPaneles, w), der = EnVentana(w->picMenu3, w);
            QVERIFY2(!izq.intersects(der), cuando);
            QVERIFY2(izq.left() == centro.left() && der.right() == centro.right(), cuando);
            const QRect p1 = EnVentana(w->Panel1, w), p2 = EnVentana(w->Panel2, w), p3 = EnVentana(w->Panel3, w);
            // Every panel shows whole inside the central area, above the status bar.
            for (const QRect &p : {p1, p3})
                QVERIFY2(centro.contains(p), cuando);
            if (w->Panel2->isVisible()) {
                QVERIFY2(centro.contains(p2), cuando);
                QVERIFY2(!p1.intersects(p2), cuando);
                QVERIFY2(p2.contains(EnVentana(w->lstOp, w)), cuando);
            }
            if (w->barEstado->isVisible())
                QVERIFY2(p3.bottom() < EnVentana(w->barEstado, w).top(), cuando);
            QVERIFY2(p1.contains(EnVentana(w->lstCat, w)) && p1.contains(EnVentana(w->cboCat, w)), cuando);
            QVERIFY2(EnVentana(w->cboCat, w).bottom() < EnVentana(w->lstCat, w).top(), cuando);
            const QRect marco = EnVentana(w->fraMenu3, w), lista = EnVentana(w->lstScripts, w);
            QVERIFY2(p3.contains(marco) && marco.contains(lista), cuando);
            QVERIFY2(EnVentana(w->lblMenu3a, w).bottom() < marco.top(), cuando);
            // The header's text box ends before its buttons; both buttons show in the header.
            const QRect titulo = EnVentana(w->lblMenu3, w), m3 = EnVentana(w->cmdM3, w), m4 = EnVentana(w->cmdM4, w);
            QVERIFY2(titulo.right() < m3.left() && m3.right() <= m4.left() && p3.contains(m4), cuando);
            QVERIFY2(EnVentana(w->lin1, w).bottom() < izq.top(), cuando);
        };
        comprobar("como se diseñó");
        v.w->resize(1000, 700);
        QTRY_COMPARE(v.w->size(), QSize(1000, 700));
        comprobar("1000 x 700");
        // Wider: the header's text box takes the room there is, so a long name shows more.
        QVERIFY(v.w->lblMenu3->width() > twips::APixeles(4095));
        v.w->resize(twips::APixeles(7400), v.w->height());
        QTRY_COMPARE(v.w->width(), twips::APixeles(7400));
        comprobar("7400 twips de ancho");
        v.w->mnuVerOp->trigger();
        QTest::mouseClick(v.w->cmdM4, Qt::LeftButton);
        v.w->resize(1100, 800);
        QTRY_COMPARE(v.w->size(), QSize(1100, 800));
        comprobar("sin opciones ni barra de scripts");
        v.w->mnuVerE->trigger();
        QTRY_VERIFY(!v.w->barEstado->isVisible());
        comprobar("sin barra de estado");
        v.w->showMaximized();
        QTRY_VERIFY(v.w->isMaximized());
        QTest::qWait(0);
        comprobar("maximizada");

        // Far too small: nothing breaks, and growing back lays everything out again.
        v.w->showNormal();
        v.w->resize(60, 40);
        QTest::qWait(0);
        for (QWidget *c : {static_cast<QWidget *>(w->lstCat), static_cast<QWidget *>(w->lstScripts),
                           static_cast<QWidget *>(w->Panel3), static_cast<QWidget *>(w->fraMenu3)})
            QVERIFY(c->width() >= 0 && c->height() >= 0);
        v.w->resize(900, 650);
        QTRY_COMPARE(v.w->size(), QSize(900, 650));
        comprobar("de vuelta a 900 x 650");
    }
};

QTEST_MAIN(tst_categorias)
#include "tst_categorias.moc"
