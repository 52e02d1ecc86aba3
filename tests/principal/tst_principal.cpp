// The main window's category panel and script list, driven through the real widgets.
#include "Ayudas.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Textos;
using ayudas::ui;

const QByteArray kTres = Registro("beta", "b", "cb", "2") + Registro("Alfa", "a", "ca", "1") +
                         Registro("gamma", "g", "c*RTN*g", "3");
const QStringList kSiete{"a", "B", "c", "Imagenes", "me", "menus", "x"};

struct Ventana : ayudas::VentanaPrincipal {
    Ventana() : VentanaPrincipal(PorCrear{}) {}
    void crear() { VentanaPrincipal::crear({"Todas", "me"}); }
    // The panel listed again by the letters, as the preferences leave them.
    void filtrar(const QString &letras) {
        c.estado.MostrarTodas = 0;
        c.estado.Mostrar = letras;
        w->LlenarCat();
    }
    // Seven categories, every one listed: a, B, c, Imagenes, me, menus (three scripts), and x (from
    // x.y.rtn); a folder named like a category file beside them.
    void panelDeSiete() {
        for (const char *n : {"c", "B", "a", "me", "Imagenes"})
            c.categoria(QString::fromLatin1(n), {});
        c.categoria("menus", kTres);
        ayudas::EscribirBytes(c.estado.carpetaCategorias() + "/x.y.rtn", Registro("n", "", "", ""));
        QDir().mkpath(c.estado.carpetaCategorias() + "/carpeta.rtn");
        c.estado.MostrarTodas = 1;
        crear();
    }
    // Menus, three scripts stored out of order, opened as the options leave it (sorted).
    void abrirMenus() {
        c.categoria("Menus", kTres);
        crear();
        abrir("Menus");
    }
    // The category L of three scripts, opened in the file's order.
    void abrirL() {
        c.categoria("L", Registro("A", "da", "ca", "1") + Registro("B", "db", "c*RTN*b", "2") +
                             Registro("C", "", "", ""));
        crear();
        w->setOpcionMarcada(1, false);
        abrir("L");
    }
};

} // namespace

class tst_principal : public QObject {
    Q_OBJECT
private slots:
  // Every category file is listed by the name before its first dot; a folder is no category. x.y.rtn
  // is listed as x, and x.rtn does not exist: nothing opens, silently.
  void panelListaCadaCategoria() {
      Ventana v;
      v.panelDeSiete();
      QCOMPARE(Textos(ui(v.w)->lstCat), kSiete);
      v.abrir("x");
      QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("(Ninguna)"));
      QCOMPARE(ui(v.w)->panelEstado[0]->text(), QString());
  }

  // Duplicate removal is refused with no category open, and on an empty one.
  void eliminarDuplicadosSinNadaQueRevisar_data() {
      QTest::addColumn<QString>("abierta");
      QTest::addColumn<QString>("aviso");
      QTest::newRow("sin categoría") << QString() << "Primero debe seleccionar una categoría";
      QTest::newRow("categoría vacía") << "a"
                                       << "La categoría se encuentra vacía";
  }
  void eliminarDuplicadosSinNadaQueRevisar() {
      QFETCH(QString, abierta);
      QFETCH(QString, aviso);
      Ventana v;
      v.panelDeSiete();
      if (!abierta.isEmpty())
          v.abrir(abierta);
      const auto m = ayudas::Contestar(QMessageBox::Ok);
      v.w->setOpcionMarcada(4, true);
      QCOMPARE(m->texto, aviso);
      QCOMPARE(m->titulo, QStringLiteral("Eliminar duplicados"));
      QCOMPARE(m->icono, QMessageBox::Warning);
      QVERIFY(!v.w->opcionMarcada(4));
  }

  // The filter lists the categories whose names start with its letters, in any case; "Todas" as
  // letters lists none (and there is nothing to delete), no letters list all.
  void filtroPorLetras_data() {
      QTest::addColumn<QString>("letras");
      QTest::addColumn<QStringList>("listadas");
      QTest::newRow("mayúsculas") << "ME" << QStringList{"me", "menus"};
      QTest::newRow("Todas como letras") << "Todas" << QStringList{};
      QTest::newRow("sin letras") << "" << kSiete;
      QTest::newRow("tres letras") << "men" << QStringList{"menus"};
  }
  void filtroPorLetras() {
      QFETCH(QString, letras);
      QFETCH(QStringList, listadas);
      Ventana v;
      v.panelDeSiete();
      v.filtrar(letras);
      QCOMPARE(Textos(ui(v.w)->lstCat), listadas);
      QCOMPARE(ui(v.w)->mnuEliminar->isEnabled(), !listadas.isEmpty());
  }

  // Choosing in the combo refills the panel and closes the open category; it cannot be typed in.
  void elegirEnElComboCierraLaCategoria() {
      Ventana v;
      v.panelDeSiete();
      v.filtrar(QStringLiteral("men"));
      v.abrir("menus");
      QCOMPARE(v.scripts().size(), 3);
      QTest::keyClicks(ui(v.w)->cboCat, "xyz");
      QCOMPARE(ui(v.w)->cboCat->currentText(), QStringLiteral("Todas"));
      emit ui(v.w)->cboCat->activated(ui(v.w)->cboCat->currentIndex());
      QCOMPARE(v.c.estado.MostrarTodas, 1);
      QCOMPARE(v.c.estado.Mostrar, QStringLiteral("Todas"));
      QCOMPARE(Textos(ui(v.w)->lstCat), kSiete);
      QCOMPARE(ui(v.w)->lstScripts->cantidad(), 0);
      QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("(Ninguna)"));
      QVERIFY(!ui(v.w)->botonScript("agregar")->isEnabled()); // nowhere to add a script
  }

    void textoCortadoEnTooltip() {
        Ventana v;
        v.crear();
        QTreeWidget *op = ui(v.w)->lstOp;
        const auto pedir = [op](int fila) {
            QCoreApplication::processEvents(); // the column follows the new width
            const QPoint p = op->visualItemRect(op->topLevelItem(fila)).center();
            QHelpEvent e(QEvent::ToolTip, p, op->viewport()->mapToGlobal(p));
            QApplication::sendEvent(op->viewport(), &e);
        };
        op->setFixedWidth(60); // the fixed panel is too narrow for the option's name
        pedir(3);
        QVERIFY(QToolTip::isVisible() && QToolTip::text() == "Eliminar duplicados");
        op->setFixedWidth(600);
        pedir(3);
        QTRY_VERIFY(!QToolTip::isVisible()); // shown whole: no tooltip

        // With no category open there is nothing to mark, and opening with none listed asks nothing.
        ayudas::Cambiar(*v.w);
        v.w->AbrirCategoria();
        QVERIFY(!ayudas::HayCambios(*v.w));
    }

    // A category opens sorted; the row commands are on, moving up and down and saving are not.
    void abrirOrdenada() {
        Ventana v;
        v.abrirMenus();
        QCOMPARE(v.scripts(), (QStringList{"Alfa", "beta", "gamma"}));
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 3"));
        for (const char *clave : {"agregar", "editar", "eliminar", "buscar"})
            QVERIFY(ui(v.w)->botonScript(clave)->isEnabled());
        QVERIFY(!ui(v.w)->botonScript("subir")->isEnabled());
        QVERIFY(!ui(v.w)->botonScript("bajar")->isEnabled());
        QVERIFY(!ui(v.w)->mnuGuardar->isEnabled());
    }

    // Unticking keeps the alphabetical order, and saving writes what the user sees; opened again
    // unsorted, the category shows the file's order.
    void guardarEnElOrdenVisto() {
        Ventana v;
        v.abrirMenus();
        v.w->setOpcionMarcada(1, false);
        QCOMPARE(v.scripts(), (QStringList{"Alfa", "beta", "gamma"}));
        QVERIFY(ui(v.w)->botonScript("subir")->isEnabled() && ui(v.w)->botonScript("bajar")->isEnabled());
        ayudas::Cambiar(*v.w);
        const auto m = ayudas::Contestar(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(m->texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")),
                 Registro("Alfa", "a", "ca", "1") + Registro("beta", "b", "cb", "2") + Registro("gamma", "g", "c*RTN*g", "3"));
        QVERIFY(!ui(v.w)->mnuGuardar->isEnabled());
        v.abrir("Menus");
        QCOMPARE(v.scripts(), (QStringList{"Alfa", "beta", "gamma"}));
    }

    // The list shows names only with "Mostrar detalles" off.
    void mostrarDetalles() {
        Ventana v;
        v.abrirMenus();
        for (bool marcada : {false, true}) {
            v.w->setOpcionMarcada(2, marcada);
            QCOMPARE(ui(v.w)->lstScripts->isHeaderHidden(), !marcada);
            QCOMPARE(ui(v.w)->lstScripts->isColumnHidden(vista::ColDescripcion), !marcada);
        }
    }

    // A script dropped on the panel opens the move dialog, not modal; anything else is refused.
    void soltarUnScriptEnElPanel() {
        Ventana v;
        v.abrirMenus();
        QMimeData datos;
        datos.setText(QString()); // what a script dragged from the list carries
        const QPoint p = ui(v.w)->lstCat->viewport()->rect().center();
        const auto entra = [&] {
            QDragEnterEvent e(p, Qt::CopyAction, &datos, Qt::LeftButton, {});
            QApplication::sendEvent(ui(v.w)->lstCat->viewport(), &e);
            return e.isAccepted();
        };
        QVERIFY(entra());
        QDropEvent suelta(QPointF(p), Qt::CopyAction, &datos, Qt::LeftButton, {});
        QApplication::sendEvent(ui(v.w)->lstCat->viewport(), &suelta);
        QWidget *dialogo = nullptr;
        QTRY_VERIFY((dialogo = v.w->findChild<QWidget *>("frmMover")) && dialogo->isVisible());
        QVERIFY(!dialogo->isModal());
        dialogo->close();
        datos.setText(QStringLiteral("texto de fuera"));
        QVERIFY(!entra());
    }

    // Subir and Bajar keep the moved row selected, whole, and marked as the dropped one; the last row
    // stays last; a click in the list takes the mark away. (The order itself: tst_categoriaabierta.)
    void moverResaltaLaFila_data() {
        QTest::addColumn<int>("desde");
        QTest::addColumn<QString>("boton");
        QTest::addColumn<int>("veces");
        QTest::addColumn<int>("hasta");
        QTest::addColumn<Script>("movido");
        QTest::newRow("subir") << 1 << "subir" << 1 << 0 << Script{"B", "db", "c*RTN*b", "2"};
        QTest::newRow("bajar hasta el final") << 0 << "bajar" << 3 << 2 << Script{"A", "da", "ca", "1"};
    }
    void moverResaltaLaFila() {
        QFETCH(int, desde);
        QFETCH(QString, boton);
        QFETCH(int, veces);
        QFETCH(int, hasta);
        QFETCH(Script, movido);
        Ventana v;
        v.abrirL();
        ListaScripts *l = ui(v.w)->lstScripts;
        l->Seleccionar(desde);
        for (int i = 0; i < veces; ++i)
            ui(v.w)->botonScript(boton)->trigger();
        QCOMPARE(ayudas::Fila(*v.w, hasta), movido);
        QCOMPARE(l->filaActual(), hasta);
        QCOMPARE(l->filaResaltada(), hasta);
        QVERIFY(!l->model()->index(hasta, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(ayudas::HayCambios(*v.w));
        ayudas::Clic(l, l->model()->index(1, 0));
        QCOMPARE(l->filaResaltada(), -1);
    }

    // Deleting every row leaves only the adding commands on; the row commands then do nothing.
    void eliminarHastaVaciar() {
        Ventana v;
        v.abrirL();
        ListaScripts *l = ui(v.w)->lstScripts;
        l->Seleccionar(0);
        ui(v.w)->botonScript("eliminar")->trigger();
        v.w->EliminarS();
        v.w->EliminarS();
        QCOMPARE(v.scripts(), QStringList{});
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: L / Scripts: 0"));
        QVERIFY(ui(v.w)->botonScript("agregar")->isEnabled());
        for (const char *clave : {"editar", "eliminar", "buscar"})
            QVERIFY(!ui(v.w)->botonScript(clave)->isEnabled());
        QVERIFY(ui(v.w)->mnuCodAgregar->isEnabled());
        QVERIFY(!ui(v.w)->mnuCodEditar->isEnabled() && !ui(v.w)->mnuCodBuscar->isEnabled());
        v.w->SubirS();
        v.w->BajarS();
        v.w->CopiarS();
        QCOMPARE(l->cantidad(), 0);
    }

    // The script list's pop-up menu shows even on an empty list.
    void menuDeScriptsEnListaVacia() {
        Ventana v;
        v.c.categoria("Vacia", {});
        v.crear();
        v.abrir("Vacia");
        QTest::mouseClick(ui(v.w)->lstScripts->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(ui(v.w)->mnuCodigo->isVisible());
        ui(v.w)->mnuCodigo->hide();
        const QColor resaltado = v.w->style()->standardPalette().color(QPalette::Highlight);
        QCOMPARE(ui(v.w)->lblMenu3a->palette().color(QPalette::Window), resaltado);
    }

    // Saving goes to the category the changes belong to, whatever the heading shows; when it fails,
    // the next category does not open and the changes stay pending.
    void guardarEnLaCategoriaActual() {
        Ventana v;
        v.c.categoria("A", kTres);
        v.c.categoria("B", Registro("b", "", "", ""));
        v.crear();
        v.abrir("A");
        v.w->EliminarS();
        ui(v.w)->lblMenu3->setText(QStringLiteral("B"));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("A")), Registro("beta", "b", "cb", "2") + Registro("gamma", "g", "c*RTN*g", "3"));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("B")), Registro("b", "", "", ""));

        // The file's place is taken by a folder: the save cannot succeed, and B does not open.
        ayudas::Cambiar(*v.w);
        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("A")) && QDir().mkpath(v.c.estado.rutaCategoria("A")));
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        ui(v.w)->lstCat->setCurrentItem(ayudas::Buscar(ui(v.w)->lstCat, "B"));
        v.w->AbrirCategoria();
        QVERIFY(aviso.texto.startsWith(QStringLiteral("No se pudo guardar la categoría A")));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("A"));
        QCOMPARE(v.scripts(), (QStringList{"beta", "gamma"}));
        QVERIFY(ayudas::HayCambios(*v.w) && ui(v.w)->mnuGuardar->isEnabled());
    }
};

QTEST_MAIN(tst_principal)
#include "tst_principal.moc"
