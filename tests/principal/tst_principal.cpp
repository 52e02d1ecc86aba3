// The main window's category panel and script list, driven through the real widgets.
#include "Ayudas.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using ayudas::Registro;

namespace {
using ayudas::Buscar;
using ayudas::Textos;
void DobleClic(QTreeWidget *l, QTreeWidgetItem *item) {
    const QPoint p = l->visualItemRect(item).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, p);
}

struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    Ventana() { c.estado.Ruta = QStringLiteral("Categorias"); }
    void crear() {
        QDir().mkpath(c.estado.carpetaCategorias());
        if (c.estado.Mostrar.isEmpty()) {
            c.estado.Mostrar = QStringLiteral("Todas");
        }
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setEntradasPanel({"Todas", "me"}, c.estado.Mostrar);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void abrir(const QString &nombre) {
        QTreeWidgetItem *item = Buscar(w->lstCat, nombre);
        QVERIFY(item);
        DobleClic(w->lstCat, item);
    }
    QStringList scripts() const { return Textos(w->lstScripts); }
};

const QByteArray kTres = Registro("beta", "b", "cb", "2") + Registro("Alfa", "a", "ca", "1") +
                         Registro("gamma", "g", "c*RTN*g", "3");
} // namespace

class tst_principal : public QObject {
    Q_OBJECT
private slots:
    void listadoYFiltroDeLetras() {
        Ventana v;
        for (const char *n : {"c", "B", "a", "menus", "me", "Imagenes"})
            v.c.categoria(QString::fromLatin1(n), {});
        ayudas::EscribirBytes(v.c.estado.carpetaCategorias() + "/x.y.rtn", Registro("n", "", "", ""));
        QDir().mkpath(v.c.estado.carpetaCategorias() + "/carpeta.rtn"); // a folder is no category
        v.c.estado.MostrarTodas = 1;
        v.crear();
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"a", "B", "c", "Imagenes", "me", "menus", "x"}));

        auto filtrar = [&](const QString &letras) {
            v.c.estado.MostrarTodas = 0;
            v.c.estado.Mostrar = letras;
            v.w->LlenarCat();
            return Textos(v.w->lstCat);
        };
        QCOMPARE(filtrar("ME"), (QStringList{"me", "menus"}));
        QCOMPARE(filtrar("men"), QStringList{"menus"});
        QCOMPARE(filtrar("Todas"), QStringList{});
        QVERIFY(!v.w->mnuEliminar->isEnabled());
        QCOMPARE(filtrar(""), (QStringList{"a", "B", "c", "Imagenes", "me", "menus", "x"}));
        QVERIFY(v.w->mnuEliminar->isEnabled());

        // x.y.rtn is listed as x, and x.rtn does not exist: nothing opens, silently.
        v.abrir("x");
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QVERIFY(v.w->panelEstado[0]->text().isEmpty());
    }

    void textoCortadoEnTooltip() {
        Ventana v;
        v.crear();
        QTreeWidget *op = v.w->lstOp;
        const auto pedir = [op](int fila) {
            QCoreApplication::processEvents(); // the column follows the new width
            const QPoint p = op->visualItemRect(op->topLevelItem(fila)).center();
            QHelpEvent e(QEvent::ToolTip, p, op->viewport()->mapToGlobal(p));
            QApplication::sendEvent(op->viewport(), &e);
        };
        op->setFixedWidth(60); // the fixed panel is too narrow for the option's name
        pedir(3);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Eliminar duplicados"));
        op->setFixedWidth(600);
        pedir(3);
        QTRY_VERIFY(!QToolTip::isVisible()); // shown whole: no tooltip
    }

    void elegirEnElCombo() {
        Ventana v;
        v.c.categoria("menus", kTres);
        v.c.categoria("Otra", {});
        v.c.estado.MostrarTodas = 0;
        v.c.estado.Mostrar = QStringLiteral("me");
        v.crear();
        QCOMPARE(Textos(v.w->lstCat), QStringList{"menus"});
        v.abrir("menus");
        QCOMPARE(v.scripts().size(), 3);

        // The combo cannot be typed in.
        QTest::keyClicks(v.w->cboCat, "xyz");
        QCOMPARE(v.w->cboCat->currentText(), QStringLiteral("me"));

        const int i = v.w->cboCat->findText("Todas");
        v.w->cboCat->setCurrentIndex(i);
        emit v.w->cboCat->activated(i);
        QCOMPARE(v.c.estado.MostrarTodas, 1);
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("Todas"));
        QCOMPARE(Textos(v.w->lstCat), (QStringList{"menus", "Otra"}));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QVERIFY(!v.w->botonScript(1)->isEnabled());
    }

    void abrirOrdenarYGuardarEnElOrdenVisto() {
        Ventana v;
        v.c.categoria("Menus", kTres);
        v.crear();
        QVERIFY(!v.w->botonScript(1)->isEnabled());
        v.abrir("Menus");
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(v.scripts(), (QStringList{"Alfa", "beta", "gamma"}));
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 3"));
        for (int pos : {1, 3, 5, 11})
            QVERIFY(v.w->botonScript(pos)->isEnabled());
        QVERIFY(!v.w->botonScript(7)->isEnabled() && !v.w->botonScript(9)->isEnabled());
        QVERIFY(!v.w->mnuGuardar->isEnabled());

        // Unticking keeps the alphabetical order; saving writes what the user sees.
        v.w->setOpcionMarcada(1, false);
        QCOMPARE(v.scripts(), (QStringList{"Alfa", "beta", "gamma"}));
        QVERIFY(v.w->botonScript(7)->isEnabled() && v.w->botonScript(9)->isEnabled());
        QCOMPARE(v.w->lstOp->currentItem(), v.w->lstOp->topLevelItem(0));
        v.w->MarcarCambios();
        QVERIFY(v.w->mnuGuardar->isEnabled());
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Yes, &m);
        v.w->mnuGuardar->trigger();
        QCOMPARE(m.texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")),
                 Registro("Alfa", "a", "ca", "1") + Registro("beta", "b", "cb", "2") + Registro("gamma", "g", "c*RTN*g", "3"));
        QVERIFY(!v.w->mnuGuardar->isEnabled());

        // Unsorted, a category opens in file order; the list view shows names only.
        v.abrir("Menus");
        QCOMPARE(v.scripts(), (QStringList{"Alfa", "beta", "gamma"}));
        v.w->setOpcionMarcada(2, false);
        QVERIFY(v.w->lstScripts->isHeaderHidden() && v.w->lstScripts->isColumnHidden(vista::ColDescripcion));
        v.w->setOpcionMarcada(2, true);
        QVERIFY(!v.w->lstScripts->isHeaderHidden() && !v.w->lstScripts->isColumnHidden(vista::ColDescripcion));
        v.w->setOpcionMarcada(3, false);
        QCOMPARE(v.w->lstOp->topLevelItem(2)->text(0), QStringLiteral("Importar scripts"));
        v.w->setOpcionMarcada(3, true);
        QCOMPARE(v.w->lstOp->topLevelItem(2)->text(0), QStringLiteral("Importar categoría"));
    }

    void subirBajarYEliminar() {
        Ventana v;
        v.c.categoria("L", Registro("A", "da", "ca", "1") + Registro("B", "db", "c*RTN*b", "2") + Registro("C", "", "", ""));
        v.crear();
        v.w->setOpcionMarcada(1, false);
        v.abrir("L");
        ListaScripts *l = v.w->lstScripts;
        l->setCurrentItem(l->topLevelItem(1));
        v.w->botonScript(7)->trigger();
        QCOMPARE(v.scripts(), (QStringList{"B", "A", "C"}));
        QCOMPARE(l->currentItem(), l->topLevelItem(0));
        QCOMPARE(l->resaltado(), l->topLevelItem(0));
        QCOMPARE(vista::ScriptDe(l->topLevelItem(0)), (Script{"B", "db", "c*RTN*b", "2"}));
        QVERIFY(!l->topLevelItem(0)->icon(0).isNull());
        QVERIFY(v.c.estado.HayCambios);

        // Already first: nothing moves, yet the category counts as changed.
        v.c.estado.HayCambios = false;
        v.w->setGuardarHabilitado(false);
        v.w->SubirS();
        QCOMPARE(v.scripts(), (QStringList{"B", "A", "C"}));
        QVERIFY(v.c.estado.HayCambios && v.w->mnuGuardar->isEnabled());

        v.w->BajarS();
        v.w->BajarS();
        QCOMPARE(v.scripts(), (QStringList{"A", "C", "B"}));
        QCOMPARE(l->currentItem(), l->topLevelItem(2));
        v.w->BajarS();
        QCOMPARE(v.scripts(), (QStringList{"A", "C", "B"}));
        QCOMPARE(l->resaltado(), l->topLevelItem(2));

        // A click anywhere in the list takes the drop highlight away.
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->topLevelItem(0)).center());
        QVERIFY(!l->resaltado());

        v.w->botonScript(5)->trigger();
        v.w->EliminarS();
        QCOMPARE(v.scripts(), QStringList{"B"});
        v.w->EliminarS();
        QCOMPARE(l->topLevelItemCount(), 0);
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: L / Scripts: 0"));
        for (int pos : {3, 5, 11})
            QVERIFY(!v.w->botonScript(pos)->isEnabled());
        QVERIFY(v.w->botonScript(1)->isEnabled() && v.w->mnuCodAgregar->isEnabled());
        QVERIFY(!v.w->mnuCodEditar->isEnabled() && !v.w->mnuCodBuscar->isEnabled());
        // Commands on the empty list do nothing.
        v.w->SubirS();
        v.w->BajarS();
        v.w->CopiarS();
        QCOMPARE(l->topLevelItemCount(), 0);
    }

    void clicDerechoYResaltado() {
        Ventana v;
        v.c.categoria("L", kTres);
        v.crear();
        v.abrir("L");
        const QPoint p = v.w->lstCat->visualItemRect(v.w->lstCat->topLevelItem(0)).center();
        v.w->MarcarCambios();
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::No, &m);
        QTest::mouseClick(v.w->lstCat->viewport(), Qt::RightButton, {}, p);
        QVERIFY(m.visto);
        QVERIFY(!v.w->g002->isVisible());
        QVERIFY(!v.c.estado.HayCambios);
        QTest::mouseClick(v.w->lstCat->viewport(), Qt::RightButton, {}, p);
        QTRY_VERIFY(v.w->g002->isVisible());
        v.w->g002->hide();
        QCOMPARE(v.w->lbl1->palette().color(QPalette::Window), v.w->style()->standardPalette().color(QPalette::Highlight));
        QCOMPARE(v.w->lblMenu3->palette().color(QPalette::Window), QColor(128, 128, 128));

        // The script list's pop-up menu shows even on an empty list.
        v.w->lstScripts->clear();
        QTest::mouseClick(v.w->lstScripts->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(v.w->mnuCodigo->isVisible());
        v.w->mnuCodigo->hide();
        QCOMPARE(v.w->lblMenu3a->palette().color(QPalette::Window),
                 v.w->style()->standardPalette().color(QPalette::Highlight));
    }

    void eliminarDuplicadosSeNiegaSinCategoria() {
        Ventana v;
        v.c.categoria("Vacia", {});
        v.crear();
        const QString titulo = QStringLiteral("Eliminar duplicados");
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        v.w->setOpcionMarcada(4, true);
        QCOMPARE(m.texto, QStringLiteral("Primero debe seleccionar una categoría"));
        QCOMPARE(m.titulo, titulo);
        QCOMPARE(m.icono, QMessageBox::Warning);
        QVERIFY(!v.w->opcionMarcada(4));

        v.abrir("Vacia");
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Vacia"));
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        v.w->setOpcionMarcada(4, true);
        QCOMPARE(m.texto, QStringLiteral("La categoría se encuentra vacía"));
        QVERIFY(!v.w->opcionMarcada(4));
    }

    void dobleClicSinCategoriasNoPregunta() {
        Ventana v;
        v.crear();
        v.w->MarcarCambios();
        v.w->AbrirCategoria(); // a question here would block the test
        QVERIFY(v.c.estado.HayCambios);
    }

    void guardadoFallidoNoCambiaDeCategoria() {
        Ventana v;
        v.c.categoria("A", kTres);
        v.c.categoria("B", Registro("otro", "", "", ""));
        v.crear();
        v.abrir("A");
        v.w->EliminarS();
        // The file's place is taken by a folder: the save cannot succeed.
        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("A")));
        QVERIFY(QDir().mkpath(v.c.estado.rutaCategoria("A")));
        ayudas::Mensaje aviso;
        ayudas::AlAbrirseModal([&aviso](QWidget *pregunta) {
            ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
            qobject_cast<QMessageBox *>(pregunta)->button(QMessageBox::Yes)->click();
        });
        v.w->lstCat->setCurrentItem(Buscar(v.w->lstCat, "B"));
        v.w->AbrirCategoria();
        QVERIFY(aviso.visto);
        QVERIFY(aviso.texto.startsWith(QStringLiteral("No se pudo guardar la categoría A")));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("A"));
        QCOMPARE(v.scripts().size(), 2);
        QVERIFY(v.c.estado.HayCambios && v.w->mnuGuardar->isEnabled());
    }

    // The save question writes to the category the changes belong to, whatever the heading shows.
    void guardarVaACategoriaActual() {
        Ventana v;
        v.c.categoria("A", kTres);
        v.c.categoria("B", Registro("b", "", "", ""));
        v.crear();
        v.abrir("A");
        v.w->EliminarS();
        v.w->lblMenu3->setText(QStringLiteral("B"));
        ayudas::ContestarMensaje(QMessageBox::No);
        v.w->mnuGuardar->trigger();
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("A")), kTres);
        QVERIFY(!v.c.estado.HayCambios && !v.w->mnuGuardar->isEnabled());

        v.c.estado.HayCambios = true;
        v.w->setGuardarHabilitado(true);
        ayudas::ContestarMensaje(QMessageBox::Yes);
        v.w->mnuGuardar->trigger();
        QVector<Script> leidos;
        QVERIFY(mdlScripts::LeerArchivo(v.c.estado.rutaCategoria("A"), leidos));
        QCOMPARE(leidos.size(), 2);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("B")), Registro("b", "", "", ""));
    }

    void soltarUnScriptAbreElDialogoDeMover() {
        Ventana v;
        v.c.categoria("A", kTres);
        v.crear();
        v.abrir("A");
        QMimeData datos;
        datos.setText(QString());
        const QPoint p = v.w->lstCat->viewport()->rect().center();
        QDragEnterEvent entra(p, Qt::CopyAction, &datos, Qt::LeftButton, {});
        QApplication::sendEvent(v.w->lstCat->viewport(), &entra);
        QVERIFY(entra.isAccepted());
        QDropEvent suelta(QPointF(p), Qt::CopyAction, &datos, Qt::LeftButton, {});
        QApplication::sendEvent(v.w->lstCat->viewport(), &suelta);
        QWidget *dialogo = nullptr;
        QTRY_VERIFY((dialogo = v.w->findChild<QWidget *>("frmMover")) && dialogo->isVisible());
        QVERIFY(!dialogo->isModal());
        dialogo->close();

        // Anything else dropped there is refused.
        QMimeData otro;
        otro.setText(QStringLiteral("texto de fuera"));
        QDragEnterEvent ajeno(p, Qt::CopyAction, &otro, Qt::LeftButton, {});
        QApplication::sendEvent(v.w->lstCat->viewport(), &ajeno);
        QVERIFY(!ajeno.isAccepted());
    }
};

QTEST_MAIN(tst_principal)
#include "tst_principal.moc"
