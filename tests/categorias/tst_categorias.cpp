// Adding, replacing, renaming and deleting categories; the menus, the main toolbar and the header
// buttons; the main window's layout as the user resizes it. Driven through the real main window.
#include "Ayudas.h"
#include "ui/Mensajes.h"
#include "ui/frmCategoria.h"
#include "ui/Twips.h"
#include "ui/main/Disposicion.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Textos;
using ayudas::ui;
using disposicion::Areas;
using disposicion::Leer;

// While it lives, answers every message box that opens, in turn with the given buttons (then with No,
// or OK where there is no No), and keeps what each said. Any other dialog is noted by its class and
// handed to `dialogo`, or closed when there is none.
class Mensajes {
public:
    explicit Mensajes(QList<QMessageBox::StandardButton> respuestas = {}, std::function<void(QDialog *)> dialogo = {})
        : respuestas_(std::move(respuestas)), dialogo_(std::move(dialogo)) {
        anterior_ = mensajes::SinRespuesta([this](QWidget *w) {
            if (auto *caja = qobject_cast<QMessageBox *>(w)) {
                textos << caja->text();
                const auto b = respuestas_.isEmpty() ? QMessageBox::No : respuestas_.takeFirst();
                return int(caja->button(b) ? b : QMessageBox::Ok);
            }
            auto *modal = qobject_cast<QDialog *>(w);
            dialogos << QString::fromLatin1(w->metaObject()->className());
            if (dialogo_ && modal)
                dialogo_(modal);
            return mensajes::kSuResultado;
        });
    }
    ~Mensajes() { mensajes::SinRespuesta(anterior_); }
    QStringList textos, dialogos;

private:
    QList<QMessageBox::StandardButton> respuestas_;
    std::function<void(QDialog *)> dialogo_;
    mensajes::Respuesta anterior_;
};

// Types a name into the add dialog and accepts it with Enter.
void Nombrar(QDialog *d, const QString &nombre) {
    auto *f = qobject_cast<frmCategoria *>(d);
    QVERIFY(f);
    QTest::keyClicks(f->txtACat, nombre);
    QTest::keyClick(f->txtACat, Qt::Key_Return);
}

// What the user can see of the categories: the list, the files, the open one.
using Vista = std::tuple<QStringList, QStringList, QString>;

// The main window over its own folder, holding the given categories.
struct Ventana : ayudas::VentanaPrincipal {
    explicit Ventana(std::initializer_list<std::pair<QString, QByteArray>> categorias = {},
                     std::function<void(Estado &)> antes = {})
        : VentanaPrincipal(PorCrear{}) {
        c.estado.Reemplazar = 1;
        c.estado.MostrarTodas = 0; // the preference as it is by default
        for (const auto &[nombre, datos] : categorias)
            c.categoria(nombre, datos);
        if (antes)
            antes(c.estado);
        crear();
    }
    QString abierta() const { return ui(w)->lblMenu3->text(); }
    Vista vista() const { return {Textos(ui(w)->lstCat), archivos(), abierta()}; }
    QString ruta(const QString &nombre) const { return c.estado.rutaCategoria(nombre); }
    QByteArray bytes(const QString &nombre) const { return ayudas::LeerBytes(ruta(nombre)); }
    QStringList archivos() const { return QDir(c.estado.carpetaCategorias()).entryList(QDir::Files, QDir::Name); }
    // Which category commands are on: the menu's Agregar, Eliminar, Renombrar, Importar, the toolbar's
    // drop-down entries eliminar and renombrar, and the toolbar button itself.
    QVector<bool> comandos() const {
        return {ui(w)->mnuAgregar->isEnabled(),           ui(w)->mnuEliminar->isEnabled(),
                ui(w)->mnuRenombrar->isEnabled(),         ui(w)->mnuImportar->isEnabled(),
                ui(w)->entradaCategorias("eliminar")->isEnabled(), ui(w)->entradaCategorias("renombrar")->isEnabled(),
                ui(w)->botonMenu("categorias")->isEnabled()};
    }
};
const QVector<bool> kConLista{1, 1, 1, 1, 1, 1, 1}, kSinLista{1, 0, 0, 1, 0, 0, 1};
const QByteArray kAjax = Registro("Menu", "desplegable", "<ul>*RTN*</ul>", "5") + Registro("Tabla", "", "x", "");

// Lengths read back from the window are good to a pixel.
#define CERCA(a, b)                                                                                          \
    QVERIFY2(qAbs((a) - (b)) <= twips::ATwips(1), qPrintable(QStringLiteral("%1 != %2").arg(a).arg(b)))

const QString kLargo = QStringLiteral("Una categoría con un nombre bastante largo para la cabecera");

// The widths of the list's columns: name, description, code, score.
QVector<int> Columnas(const frmPrincipal &w) {
    const QHeaderView *h = ui(w)->lstScripts->header();
    return {h->sectionSize(vista::ColNombre), h->sectionSize(vista::ColDescripcion),
            h->sectionSize(vista::ColCodigo), h->sectionSize(vista::ColPuntaje)};
}

// The areas do not overlap, each shows whole inside the central area above the status bar, and the
// controls sit inside their sections.
void ComprobarDisposicion(const frmPrincipal &w, const char *cuando) {
    auto en = [&w](const QWidget *c) { return QRect(c->mapTo(&w, QPoint(0, 0)), c->size()); };
    const QRect centro = en(w.centralWidget()), izq = en(ui(w)->picPaneles), der = en(ui(w)->picMenu3);
    const QRect p1 = en(ui(w)->Panel1), p2 = en(ui(w)->Panel2), p3 = en(ui(w)->Panel3),
                marco = en(ui(w)->fraMenu3);
    QVERIFY2(!izq.intersects(der) && izq.left() == centro.left() && der.right() == centro.right(), cuando);
    QVERIFY2(centro.contains(p1) && centro.contains(p3), cuando);
    if (ui(w)->Panel2->isVisible())
        QVERIFY2(centro.contains(p2) && !p1.intersects(p2) && p2.contains(en(ui(w)->lstOp)), cuando);
    if (ui(w)->barEstado->isVisible())
        QVERIFY2(p3.bottom() < en(ui(w)->barEstado).top(), cuando);
    QVERIFY2(p1.contains(en(ui(w)->lstCat)) && en(ui(w)->cboCat).bottom() < en(ui(w)->lstCat).top(), cuando);
    QVERIFY2(p3.contains(marco) && marco.contains(en(ui(w)->lstScripts)), cuando);
    QVERIFY2(en(ui(w)->lblMenu3a).bottom() < marco.top() && en(ui(w)->lin1).bottom() < izq.top(), cuando);
    if (ui(w)->fraMenu4->isVisible())
        QVERIFY2(en(ui(w)->fraMenu4).bottom() <= marco.top() + 1, cuando);
    // The header's text box ends before its buttons; both buttons show in the header.
    const QRect m3 = en(ui(w)->cmdM3), m4 = en(ui(w)->cmdM4);
    QVERIFY2(en(ui(w)->lblMenu3).right() < m3.left() && m3.right() <= m4.left() && p3.contains(m4), cuando);
}
} // namespace

class tst_categorias : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void agregarDesdeElMenuYReemplazar() {
        const QString reemplazar = QStringLiteral("La categoría Ajax ya existe. ¿Desea reemplazarla?");
        Ventana v({{"Ajax", kAjax}, {"Zeta", {}}});
        v.abrir("Ajax");
        ayudas::Cambiar(*v.w);
        // Pending changes are offered for saving before the dialog opens; No to both keeps everything.
        bool preguntar = false;
        {
            Mensajes no({}, [&](QDialog *d) {
                preguntar = qobject_cast<frmCategoria *>(d)->cheCatRe->isChecked();
                Nombrar(d, "Ajax");
            });
            ui(v.w)->mnuAgregar->trigger();
            QCOMPARE(no.textos, (QStringList{"¿Guardar cambios realizados a Ajax?", reemplazar}));
        }
        QVERIFY(preguntar && !ayudas::HayCambios(*v.w));
        QCOMPARE(v.bytes("Ajax"), kAjax);
        QCOMPARE(v.vista(), (Vista{{"Ajax", "Zeta"}, {"Ajax.rtn", "Zeta.rtn"}, "Ajax"}));
        // Yes: an empty category takes its place, listed once, last and selected, also after the panel
        // follows the folder; nothing is open.
        {
            Mensajes si({QMessageBox::Yes}, [](QDialog *d) { Nombrar(d, "  Ajax "); });
            ui(v.w)->mnuAgregar->trigger();
            QCOMPARE(si.textos, QStringList{reemplazar});
        }
        QCOMPARE(v.bytes("Ajax"), QByteArray());
        for (int refill = 0; refill < 2; ++refill) {
            QCOMPARE(v.vista(), (Vista{{"Zeta", "Ajax"}, {"Ajax.rtn", "Zeta.rtn"}, "(Ninguna)"}));
            QCOMPARE(ui(v.w)->lstCat->currentItem(), ui(v.w)->lstCat->topLevelItem(1));
            v.w->SeguirCarpeta();
        }
    }

    void agregarConLaListaVaciaONombresOcultosYSinPregunta() {
        Ventana v({{"menus", kAjax}, {"Ajax", kAjax}}, [](Estado &e) { e.Mostrar = QStringLiteral("zz"); });
        // The filter hides every file: the list is empty and its commands are off.
        QCOMPARE(v.comandos(), kSinLista);
        Mensajes mensajes({QMessageBox::Yes});
        {
            frmCategoria d(*v.w);
            d.show();
            // Empty or spaces only: refused silently, the dialog stays.
            Nombrar(&d, "   ");
            QVERIFY(d.isVisible());
            QCOMPARE(v.vista(), (Vista{{}, {"Ajax.rtn", "menus.rtn"}, "(Ninguna)"}));
            // A file the filter hides: replaced after the question, and listed.
            Nombrar(&d, "Ajax");
            QVERIFY(!d.isVisible());
        }
        QCOMPARE(mensajes.textos.size(), 1);
        QCOMPARE(v.comandos(), kConLista);
        // Without the question the file is replaced at once, and the choice stays in the preference.
        {
            frmCategoria d(*v.w);
            d.show();
            QTest::mouseClick(d.cheCatRe, Qt::LeftButton);
            Nombrar(&d, "menus");
        }
        QCOMPARE(mensajes.textos.size(), 1);
        QCOMPARE(v.bytes("Ajax") + v.bytes("menus"), QByteArray());
        QCOMPARE(v.vista(), (Vista{{"Ajax", "menus"}, {"Ajax.rtn", "menus.rtn"}, "(Ninguna)"}));
        QCOMPARE(v.c.estado.Reemplazar, 0);
        // The next dialog starts from the preference; closing it by Escape keeps the box's state.
        frmCategoria d(*v.w);
        d.show();
        QVERIFY(!d.cheCatRe->isChecked());
        d.cheCatRe->setChecked(true);
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(v.c.estado.Reemplazar, 1);
    }

    void caracteresRechazadosAlEscribirYAlPegar() {
        Ventana v;
        frmCategoria d(*v.w);
        d.show();
        QLineEdit *t = d.txtACat;
        // Every printable ASCII character typed in turn: only the listed ones are refused.
        QString esperado;
        for (char c = 32; c < 127; ++c) {
            QTest::keyClick(t, c);
            if (!((c >= 33 && c <= 47 && c != '-') || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) ||
                  (c >= 123 && c <= 125)))
                esperado += QLatin1Char(c);
        }
        QCOMPARE(t->text(), esperado);

        // Pasted text goes through the same filter, wherever the cursor is.
        for (auto [antes, pegado, queda] :
             {std::tuple{"", "../x", "x"}, {"", "a/b", "ab"}, {"", "a\\b", "ab"}, {"", "..\\..\\etc/passwd", "etcpasswd"},
              {"", "tab\tfin\nlinea", "tabfinlinea"}, {"ac", "/b:", "abc"}}) {
            t->setText(QString::fromLatin1(antes));
            t->setCursorPosition(1);
            QGuiApplication::clipboard()->setText(QString::fromLatin1(pegado));
            QTest::keyClick(t, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(t->text(), QString::fromLatin1(queda));
        }
        // What is pasted never reaches a path outside the category folder; other letters make the name.
        t->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("../fuera"));
        t->paste();
        QTest::sendKeyEvent(QTest::Click, t, Qt::Key_unknown, QStringLiteral(" ñandú€"), Qt::NoModifier);
        QTest::keyClick(t, Qt::Key_Backspace);
        QTest::mouseClick(d.cmdAceptar, Qt::LeftButton);
        QCOMPARE(v.vista(), (Vista{{"fuera ñandú"}, {"fuera ñandú.rtn"}, "(Ninguna)"}));
    }

    void renombrar() {
        Ventana v({{"Viejo", kAjax}, {"Foo", kAjax}});
        // A click on a selected entry does not start editing it.
        v.seleccionar("Viejo");
        v.seleccionar("Viejo");
        QTest::qWait(0);
        QVERIFY(!ayudas::EditorDeNombre(*v.w));
        // Pending changes are saved first, then the file is renamed with what was saved; it is closed.
        v.abrir("Viejo");
        v.w->categoria().Eliminar(0);
        ayudas::Cambiar(*v.w);
        {
            Mensajes si({QMessageBox::Yes});
            ayudas::Renombrar(*v.w, "Nue/vo?");
            QCOMPARE(si.textos, QStringList{"¿Guardar cambios realizados a Viejo?"});
        }
        QCOMPARE(v.vista(), (Vista{{"Foo", "Nuevo"}, {"Foo.rtn", "Nuevo.rtn"}, "(Ninguna)"}));
        QCOMPARE(v.bytes("Nuevo"), Registro("Tabla", "", "x", ""));
        QVERIFY(!ayudas::HayCambios(*v.w) && !ui(v.w)->mnuGuardar->isEnabled() &&
                ui(v.w)->lstScripts->cantidad() == 0);
        // The same name, or one that differs only by removed characters: nothing happens at all.
        Mensajes mensajes;
        v.abrir("Nuevo");
        ayudas::Renombrar(*v.w, "Nuevo");
        ayudas::Renombrar(*v.w, " Nue.vo* ");
        QCOMPARE(v.vista(), (Vista{{"Foo", "Nuevo"}, {"Foo.rtn", "Nuevo.rtn"}, "Nuevo"}));
        // Case matters.
        v.seleccionar("Foo");
        ayudas::Renombrar(*v.w, "foo");
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"foo", "Nuevo"}));
        QCOMPARE(v.archivos(), (QStringList{"Nuevo.rtn", "foo.rtn"}));
        QCOMPARE(v.bytes("foo"), kAjax);
        // Escape gives up: the entry and the files stay, and the entry is not editable by a click.
        ayudas::Renombrar(*v.w, "Otro", Qt::Key_Escape);
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"foo", "Nuevo"}));
        QCOMPARE(v.archivos(), (QStringList{"Nuevo.rtn", "foo.rtn"}));
        QVERIFY(!(ui(v.w)->lstCat->currentItem()->flags() & Qt::ItemIsEditable));
        QVERIFY(mensajes.textos.isEmpty());
    }

    void renombrarSinDestruirNada() {
        const QByteArray dos = Registro("D", "", "", "");
        Ventana v({{"Uno", kAjax}, {"Dos", dos}});
        Mensajes mensajes;
        // Onto an existing category, or to a name made only of removed characters: never overwritten,
        // the entry keeps its name, the user is told.
        v.abrir("Uno");
        ayudas::Renombrar(*v.w, "Dos");
        QTRY_COMPARE(mensajes.textos.size(), 1);
        ayudas::Renombrar(*v.w, " ./?* ");
        QTRY_COMPARE(mensajes.textos.size(), 2);
        QCOMPARE(v.vista(), (Vista{{"Dos", "Uno"}, {"Dos.rtn", "Uno.rtn"}, "Uno"}));
        QCOMPARE(v.bytes("Uno") + v.bytes("Dos"), kAjax + dos);
        // The file has gone meanwhile.
        QVERIFY(QFile::remove(v.ruta("Uno")));
        ayudas::Renombrar(*v.w, "Tres");
        QTRY_COMPARE(mensajes.textos.size(), 3);
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"Dos", "Uno"}));
        QCOMPARE(v.archivos(), (QStringList{"Dos.rtn"}));
        QCOMPARE(mensajes.textos.mid(0, 2),
                 (QStringList{"Ya existe una categoría llamada Dos. La categoría Uno no se ha renombrado.",
                              "El nombre de la categoría no puede quedar vacío."}));
        QVERIFY(mensajes.textos[2].startsWith(QStringLiteral("No se encuentra el archivo de la categoría Uno")));
        // Path characters never leave the folder.
        v.seleccionar("Dos");
        ayudas::Renombrar(*v.w, "../../Fuera");
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"Fuera", "Uno"}));
        QCOMPARE(v.archivos(), (QStringList{"Fuera.rtn"}));
        QCOMPARE(mensajes.textos.size(), 3);
    }

    void eliminar() {
        Ventana v({{"A", kAjax}, {"B", {}}});
        // Pending changes of the open category are offered for saving before the question; No keeps both.
        v.abrir("A");
        v.seleccionar("B");
        v.w->categoria().Restaurar({});
        ayudas::Cambiar(*v.w);
        {
            Mensajes no;
            ui(v.w)->mnuEliminar->trigger();
            QCOMPARE(no.textos, (QStringList{"¿Guardar cambios realizados a A?", "¿Desea eliminar la categoría B?"}));
        }
        QVERIFY(!ayudas::HayCambios(*v.w));
        for (auto [respuesta, queda, bytes] :
             {std::tuple{QMessageBox::No, Vista{{"A", "B"}, {"A.rtn", "B.rtn"}, "A"}, kAjax},
              {QMessageBox::Yes, Vista{{"B"}, {"B.rtn"}, "(Ninguna)"}, QByteArray()}}) {
            v.abrir("A");
            Mensajes m({respuesta});
            ui(v.w)->mnuEliminar->trigger();
            QCOMPARE(m.textos, QStringList{"¿Desea eliminar la categoría A?"});
            QCOMPARE(v.vista(), queda);
            QCOMPARE(v.bytes("A"), bytes);
        }
        // A file already gone: the entry goes without a question; an empty list turns the commands off.
        QVERIFY(QFile::remove(v.ruta("B")));
        v.seleccionar("B");
        Mensajes ninguno;
        ui(v.w)->mnuEliminar->trigger();
        QVERIFY(ninguno.textos.isEmpty());
        QCOMPARE(ui(v.w)->lstCat->topLevelItemCount(), 0);
        QCOMPARE(v.comandos(), kSinLista);
    }

    // Each menu command and toolbar button opens its own window. The toolbar calls the commands
    // itself: its menu twins being disabled does not matter. With nothing to save, "guardar" does nothing.
    // (The commands other tests open their windows with are not repeated here.)
    void cadaOrdenAbreSuVentana_data() {
        QTest::addColumn<QString>("orden"); // an action's name, or "barra:" and a toolbar button's key
        QTest::addColumn<QString>("ventana");
        const char *filas[][2] = {{"mnuOpciones", "frmExportar"},    {"mnuCodAgregar", "frmScript"},
                                  {"mnuCodEditar", "frmScript"},     {"mnuCodBuscar", "frmBuscar"},
                                  {"mnuActualizar", "frmAyuda"},     {"barra:importar", "frmExaminar"},
                                  {"barra:exportar", "frmExportar"}, {"barra:guardar", ""},
                                  {"barra:categorias", "frmCategoria"}};
        for (const auto &[orden, ventana] : filas)
            QTest::newRow(orden) << orden << ventana;
    }
    void cadaOrdenAbreSuVentana() {
        QFETCH(QString, orden);
        QFETCH(QString, ventana);
        Ventana v({{"A", kAjax}});
        v.abrir("A");
        ui(v.w)->lstScripts->Seleccionar(0);
        ayudas::Navegador navegador;
        Mensajes vigia;
        if (orden.startsWith("barra:")) {
            for (QAction *a : {ui(v.w)->mnuImportar, ui(v.w)->mnuOpciones, ui(v.w)->mnuAgregar})
                a->setEnabled(false);
            QWidget *b = ui(v.w)->barMenu->widgetForAction(ui(v.w)->botonMenu(orden.mid(6)));
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
        } else {
            v.w->findChild<QAction *>(orden)->trigger();
        }
        QCoreApplication::processEvents();
        QCOMPARE(vigia.dialogos, ventana.isEmpty() ? QStringList() : QStringList{ventana});
        QCOMPARE(vigia.textos, QStringList());
        QVERIFY(navegador.abiertas.isEmpty());
    }

    // Ctrl+O hides the options section; Ctrl+S leaves: the window unloads, writes the preferences and
    // ends the program.
    void atajosDesdeElTeclado() {
        Ventana v;
        v.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.w.get()));
        QTest::keyClick(v.w.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(!ui(v.w)->mnuVerOp->isChecked() && !ui(v.w)->Panel2->isVisible());
        QSignalSpy fin(v.w.get(), &frmPrincipal::terminado);
        QTest::keyClick(v.w.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fin.count(), 1);
        QVERIFY(!v.w->isVisible());
        QVERIFY(QFileInfo::exists(v.c.estado.rutaConfig()));
    }

    void desplegableDeCategorias() {
        Ventana v({{"A", kAjax}});
        QCOMPARE(ui(v.w)->botonMenu("categorias")->menu(), ui(v.w)->menuBotonCategorias);
        // The entries work although their menu twins are disabled.
        v.seleccionar("A");
        ui(v.w)->mnuRenombrar->setEnabled(false);
        ui(v.w)->mnuEliminar->setEnabled(false);
        ui(v.w)->entradaCategorias("renombrar")->trigger();
        QTRY_VERIFY(ayudas::EditorDeNombre(*v.w));
        QTest::keyClick(ayudas::EditorDeNombre(*v.w), Qt::Key_Escape);
        QTRY_VERIFY(!ayudas::EditorDeNombre(*v.w));
        {
            Mensajes si({QMessageBox::Yes});
            ui(v.w)->entradaCategorias("eliminar")->trigger();
            QCOMPARE(si.textos, QStringList{"¿Desea eliminar la categoría A?"});
        }
        // With the list empty only "agregar" is on; it opens the add dialog.
        QCOMPARE(v.comandos(), kSinLista);
        QVERIFY(ui(v.w)->entradaCategorias("agregar")->isEnabled());
        Mensajes vigia;
        ui(v.w)->entradaCategorias("agregar")->trigger();
        QCOMPARE(vigia.dialogos, QStringList{"frmCategoria"});
    }

    void disposicionComoSeDiseno() {
        Ventana v({{kLargo, kAjax}});
        v.abrir(kLargo);
        ComprobarDisposicion(*v.w, "como se diseñó");
        // Wider: the header's text box takes the room there is, so a long name shows more.
        QVERIFY(ui(v.w)->lblMenu3->width() > twips::APixeles(4095));
    }

    // The status bar's last panel shows the time.
    void barraDeEstado() {
        Ventana v;
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d$").match(ui(v.w)->panelEstado[4]->text()).hasMatch());
    }

    // The menu hides the options section; the category header's button and the section's own toggle
    // it. The window follows the rule each time.
    void seccionDeOpciones() {
        Ventana v({{kLargo, kAjax}});
        frmPrincipal *w = v.w.get();
        const Areas diseno = Leer(*w);
        ui(w)->mnuVerOp->trigger();
        QVERIFY(!ui(w)->mnuVerOp->isChecked() && !ui(w)->Panel2->isVisible() && v.c.estado.Izquierda);
        CERCA(Leer(*w).lstCat.height(), disposicion::VerOpciones(diseno, false).lstCat.height());
        QTest::mouseClick(ui(w)->cmdM1, Qt::LeftButton);
        QVERIFY(ui(w)->mnuVerOp->isChecked() && ui(w)->Panel2->isVisible() && !v.c.estado.Izquierda);
        QCOMPARE(QApplication::focusWidget(), ui(w)->lstCat);
        CERCA(Leer(*w).lstOp.y(), diseno.lstOp.y());
        QTest::mouseClick(ui(w)->cmdM2, Qt::LeftButton);
        QVERIFY(!ui(w)->mnuVerOp->isChecked() && !ui(w)->Panel2->isVisible() && v.c.estado.Izquierda);
        ComprobarDisposicion(*w, "sin opciones");
    }

    // One header button hides the script toolbar, the other shows it; only one works at a time.
    void barraDeScripts() {
        Ventana v({{kLargo, kAjax}});
        frmPrincipal *w = v.w.get();
        const Areas diseno = Leer(*w);
        QVERIFY(!ui(w)->cmdM3->isEnabled() && ui(w)->cmdM4->isEnabled());
        QTest::mouseClick(ui(w)->cmdM4, Qt::LeftButton);
        QVERIFY(ui(w)->cmdM3->isEnabled() && !ui(w)->cmdM4->isEnabled() && !ui(w)->fraMenu4->isVisible() &&
                v.c.estado.Derecha);
        CERCA(Leer(*w).lstScripts.height(), disposicion::BarraScripts(diseno, false).lstScripts.height());
        ComprobarDisposicion(*w, "sin barra de scripts");
        QTest::mouseClick(ui(w)->cmdM3, Qt::LeftButton);
        QVERIFY(!ui(w)->cmdM3->isEnabled() && ui(w)->cmdM4->isEnabled() && ui(w)->fraMenu4->isVisible() &&
                !v.c.estado.Derecha);
        CERCA(Leer(*w).fraMenu3.y(), diseno.fraMenu3.y());
    }

    // Resized with both sections hidden, the resize rule keeps them so.
    void redimensionarSinSecciones() {
        Ventana v({{kLargo, kAjax}});
        frmPrincipal *w = v.w.get();
        ui(w)->mnuVerOp->trigger();
        QTest::mouseClick(ui(w)->cmdM4, Qt::LeftButton);
        w->resize(twips::APixeles(7400), 700);
        QTRY_COMPARE(w->width(), twips::APixeles(7400));
        const Areas a = Leer(*w);
        CERCA(a.lstCat.height(), a.picPaneles.height() - 970); // the resize rule's gap, not the command's
        CERCA(a.fraMenu3.y(), 360);
        ComprobarDisposicion(*w, "7400 twips de ancho, sin secciones");
        QTest::mouseClick(ui(w)->cmdM3, Qt::LeftButton);
        QTest::mouseClick(ui(w)->cmdM1, Qt::LeftButton);
        ComprobarDisposicion(*w, "7400 twips de ancho");
    }

    // Hidden, the status bar's room leaves the window, the panels keep their size; shown, it comes back.
    void ocultarLaBarraDeEstado() {
        Ventana v({{kLargo, kAjax}});
        frmPrincipal *w = v.w.get();
        const int alto = w->height(), barra = ui(w)->barEstado->height();
        const QRect paneles = Leer(*w).picPaneles;
        for (bool visible : {false, true}) {
            ui(w)->mnuVerE->trigger();
            QCOMPARE(ui(w)->mnuVerE->isChecked(), visible);
            QCOMPARE(ui(w)->barEstado->isVisible(), visible);
            QTRY_COMPARE(w->height(), visible ? alto : alto - barra);
            QCOMPARE(Leer(*w).picPaneles, paneles);
            ComprobarDisposicion(*w, visible ? "con barra de estado" : "sin barra de estado");
        }
    }

    // Maximized: wider columns, and the status bar command is ignored, whoever calls it. Minimized,
    // nothing is laid out; restored, everything is again, also after far too small.
    void maximizarYMinimizar() {
        Ventana v({{kLargo, kAjax}});
        frmPrincipal *w = v.w.get();
        ui(w)->mnuVerE->trigger();
        const QVector<int> normales = Columnas(*w);
        w->showMaximized();
        QTRY_VERIFY(Columnas(*w)[1] > normales[1]);
        QVERIFY(Columnas(*w)[0] >= normales[0]);
        QVERIFY(!ui(w)->mnuVerE->isEnabled());
        const QSize tam = w->size();
        w->mnuVerE_Click();
        QVERIFY(!ui(w)->barEstado->isVisible());
        QCOMPARE(w->size(), tam);
        ComprobarDisposicion(*w, "maximizada");
        w->showMinimized();
        QTRY_VERIFY(w->isMinimized());
        w->showNormal();
        QTRY_COMPARE(Columnas(*w), normales);
        w->resize(60, 40);
        QTest::qWait(0);
        w->resize(900, 650);
        QTRY_COMPARE(w->size(), QSize(900, 650));
        ComprobarDisposicion(*w, "de vuelta a 900 x 650");
    }

    // A window starts with the sections as they were left.
    void empiezaConLasSeccionesComoQuedaron() {
        Ventana otra({}, [](Estado &e) { e.Izquierda = e.Derecha = true; });
        QVERIFY(!ui(otra.w)->mnuVerOp->isChecked() && !ui(otra.w)->Panel2->isVisible() &&
                !ui(otra.w)->fraMenu4->isVisible());
        QVERIFY(ui(otra.w)->cmdM3->isEnabled() && !ui(otra.w)->cmdM4->isEnabled());
        ComprobarDisposicion(*otra.w, "empezada sin secciones");
    }
};

QTEST_MAIN(tst_categorias)
#include "tst_categorias.moc"
