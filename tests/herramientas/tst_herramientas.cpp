// Library tools on the real main window: search, move to another category, duplicate removal and
// both kinds of import.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "store/Herramientas.h"
#include "store/mdlScriptsVista.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscar.h"
#include "ui/tools/frmEliminarDup.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {
using ayudas::Registro;

// A main window over its own folder, with the category `abierta` open as a double click leaves it.
struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    void abrir(const QString &abierta = {}) {
        mdlINI::CargarPreferencias(c.estado);
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setEntradasPanel({"Todas"}, c.estado.Mostrar);
        w->LlenarCat();
        if (abierta.isEmpty())
            return;
        // In file order, so positions in the tests are the file's.
        w->setOpcionMarcada(1, false);
        for (int i = 0; i < w->lstCat->topLevelItemCount(); ++i)
            if (w->lstCat->topLevelItem(i)->text(0) == abierta)
                w->lstCat->setCurrentItem(w->lstCat->topLevelItem(i));
        w->AbrirCategoria();
        QCOMPARE(w->lblMenu3->text(), abierta);
    }
    QStringList nombres() const {
        QStringList r;
        for (int i = 0; i < w->lstScripts->topLevelItemCount(); ++i)
            r << w->lstScripts->topLevelItem(i)->text(0);
        return r;
    }
    void seleccionar(int fila) { w->lstScripts->setCurrentItem(w->lstScripts->topLevelItem(fila)); }
};

void dobleClic(QTreeWidget *lista, QTreeWidgetItem *item) {
    lista->setCurrentItem(item);
    const QPoint p = lista->visualItemRect(item).center();
    // A double click counts only on the row the button went down on, as a real one does.
    QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, p);
}

void elegir(QComboBox *cb, const QString &texto) {
    const int i = cb->findText(texto);
    QVERIFY(i >= 0);
    cb->setCurrentIndex(i);
    emit cb->activated(i);
}
} // namespace

class tst_herramientas : public QObject {
    Q_OBJECT
private slots:
    void buscar() {
        Ventana v;
        v.c.categoria("Menus", Registro("Formulario", "a", "c", "1") + Registro("Tabla", "un form", "form", "2") +
                                   Registro("mi form", "", "", "") + Registro("Validar FORMULARIO", "", "", "") +
                                   Registro("\xc1rbol", "", "", "") + Registro("mi form", "otro", "", ""));
        v.abrir("Menus");
        frmBuscar dlg(*v.w);
        dlg.show();
        QCOMPARE(dlg.lblBuscar->text(), QStringLiteral("Buscar en Menus:"));
        QTest::keyClicks(dlg.txtBuscar, "FORM");
        QTest::keyClick(dlg.txtBuscar, Qt::Key_Return);
        QStringList hallados, posiciones;
        for (int i = 0; i < dlg.lstBuscar->topLevelItemCount(); ++i) {
            hallados << dlg.lstBuscar->topLevelItem(i)->text(0);
            posiciones << dlg.lstBuscar->topLevelItem(i)->text(1);
        }
        QCOMPARE(hallados, (QStringList{"Formulario", "mi form", "Validar FORMULARIO", "mi form"}));
        QCOMPARE(posiciones, (QStringList{"1", "3", "4", "6"}));

        // Accented capitals are lowered too.
        dlg.txtBuscar->setText(QStringLiteral("ÁRB"));
        QTest::mouseClick(dlg.cmdBuscar, Qt::LeftButton);
        QCOMPARE(dlg.lstBuscar->topLevelItemCount(), 1);

        // Spaces are part of the word: " form" is not at the start of "Formulario".
        dlg.txtBuscar->setText(QStringLiteral(" form"));
        QTest::keyClick(dlg.txtBuscar, Qt::Key_Return);
        QCOMPARE(dlg.lstBuscar->topLevelItemCount(), 3);

        // The second of two equal names selects the second of them in the main list.
        QCOMPARE(dlg.lstBuscar->topLevelItem(2)->text(0), QStringLiteral("mi form"));
        dobleClic(dlg.lstBuscar, dlg.lstBuscar->topLevelItem(2));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(v.w->lstScripts->currentItem(), v.w->lstScripts->topLevelItem(5));
        QVERIFY(v.w->lstScripts->currentItem()->isSelected());
    }

    void buscarSinResultado() {
        Ventana v;
        v.c.categoria("Menus", Registro("Tabla", "un form", "form", "2"));
        v.abrir("Menus");
        ayudas::Mensaje m;
        ayudas::AlAbrirseModal([&m](QWidget *w) {
            auto *dlg = qobject_cast<frmBuscar *>(w);
            QVERIFY(dlg);
            QTest::keyClick(dlg->txtBuscar, Qt::Key_Return); // empty word: nothing
            QTest::keyClicks(dlg->txtBuscar, "Form");
            ayudas::ContestarMensaje(QMessageBox::Ok, &m);
            QTest::keyClick(dlg->txtBuscar, Qt::Key_Return);
            QVERIFY(dlg->isVisible()); // stays open for another try
            dlg->cmdCerrar->click();
        });
        v.w->BuscarS();
        QVERIFY(m.visto);
        QCOMPARE(m.texto, QStringLiteral("No se encontró la palabra Form"));
        QCOMPARE(m.titulo, QStringLiteral("Buscar"));
        QCOMPARE(m.icono, QMessageBox::Information);
    }

    void mover() {
        Ventana v;
        const QByteArray a = Registro("S1", "d1", "x *RTN*y", "1") + Registro("S2", "d2", "c2", "2");
        v.c.categoria("A", a);
        v.c.categoria("B", Registro("X", "", "", ""));
        v.c.categoria("C", {});
        v.abrir("A");
        v.seleccionar(1);
        frmMover dlg(*v.w);
        dlg.show();
        QCOMPARE(dlg.lblCopiar->text(),
                 QStringLiteral("Seleccione la categoría a la cual desea copiar el script: S2"));
        QCOMPARE(dlg.cboImagen->count(), 3); // the categories the panel lists, the open one included
        QVERIFY(!dlg.cmdPegar->isEnabled());
        QTest::keyClick(dlg.cboImagen, Qt::Key_C); // typing chooses nothing
        QCOMPARE(dlg.cboImagen->currentIndex(), -1);
        elegir(dlg.cboImagen, "B");
        QVERIFY(dlg.cmdPegar->isEnabled());
        QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("B")),
                 Registro("X", "", "", "") + Registro("S2", "d2", "c2", "2"));
        QCOMPARE(v.nombres(), QStringList{"S1"});
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("A")), a); // until A is saved
        QVERIFY(v.c.estado.HayCambios);
        QCOMPARE(v.c.estado.CategoriaActual, QStringLiteral("A"));
        QVERIFY(v.w->mnuGuardar->isEnabled());
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: A / Scripts: 1"));
        QVERIFY(!dlg.cmdPegar->isEnabled());
        QCOMPARE(dlg.cmdCancelar->text(), QStringLiteral("Cerrar"));
        QVERIFY(dlg.isVisible());
    }

    void moverSinEfecto() {
        Ventana v;
        v.c.categoria("A", Registro("S1", "", "", ""));
        v.c.categoria("B", {});
        v.abrir("A");
        v.seleccionar(0);
        for (const char *destino : {"A", "B"}) {
            if (QByteArray(destino) == "B") // deleted after the dialog opened
                QFile::remove(v.c.estado.rutaCategoria("B"));
            frmMover dlg(*v.w);
            dlg.show();
            elegir(dlg.cboImagen, destino);
            QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
            QVERIFY(!dlg.isVisible());
            QCOMPARE(v.nombres(), QStringList{"S1"});
            QVERIFY(!v.c.estado.HayCambios);
        }
        QVERIFY(!QFileInfo::exists(v.c.estado.rutaCategoria("B")));
    }

    void moverDestinoIlegible() {
        // The target's file turned into a folder: the script must not leave the open category.
        Ventana v;
        v.c.categoria("A", Registro("S1", "", "", "") + Registro("S2", "", "", ""));
        v.c.categoria("B", {});
        v.abrir("A");
        v.seleccionar(0);
        QFile::remove(v.c.estado.rutaCategoria("B"));
        QVERIFY(QDir().mkdir(v.c.estado.rutaCategoria("B")));
        frmMover dlg(*v.w);
        dlg.show();
        elegir(dlg.cboImagen, "B");
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        QVERIFY(m.visto);
        QCOMPARE(m.titulo, QStringLiteral("Copiar"));
        QVERIFY(m.texto.contains(QStringLiteral("sigue en la categoría abierta")));
        QCOMPARE(v.nombres(), (QStringList{"S1", "S2"}));
        QVERIFY(!v.c.estado.HayCambios);
        QVERIFY(!v.w->mnuGuardar->isEnabled());
        QVERIFY(QFileInfo(v.c.estado.rutaCategoria("B")).isDir());
    }

    void duplicados() {
        Ventana v;
        v.c.categoria("A", Registro("A", "d", "1", "") + Registro("B", "d", "", "") + Registro("A", "d", "2", "9") +
                               Registro("C", "d", "", "") + Registro("A", "d", "3", "") +
                               Registro("A", "otra", "", "") + Registro("a", "d", "", "") +
                               Registro("T", "", "", "") + Registro("T", "", "", "") + Registro("T", "", "", "") +
                               Registro("A ", "d", "", ""));
        v.abrir("A");
        frmEliminarDup dlg(*v.w);
        dlg.show();
        QCOMPARE(dlg.lblDup->text(), QStringLiteral("Haga click en Eliminar para comenzar"));
        QVERIFY(dlg.cmdEliminar->isEnabled() && dlg.cmdCancelar->isEnabled());
        QTest::mouseClick(dlg.cmdEliminar, Qt::LeftButton);
        QCOMPARE(v.nombres(), (QStringList{"A", "B", "C", "A", "a", "T", "A "}));
        QCOMPARE(v.w->lstScripts->topLevelItem(0)->text(vista::ColCodigo), QStringLiteral("1")); // the first survives
        QCOMPARE(dlg.lblDup->text(), QStringLiteral("Los duplicados han sido eliminados"));
        QVERIFY(dlg.cmdEliminar->isEnabled());
        QCOMPARE(dlg.barMover->value(), dlg.barMover->maximum());
        QVERIFY(v.c.estado.HayCambios);
        QVERIFY(v.w->mnuGuardar->isEnabled());
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: A / Scripts: 7"));
        v.c.estado.HayCambios = false;
        QTest::mouseClick(dlg.cmdEliminar, Qt::LeftButton);
        QCOMPARE(dlg.lblDup->text(), QStringLiteral("No se encontraron duplicados"));
        QVERIFY(!dlg.cmdEliminar->isEnabled());
        QVERIFY(!v.c.estado.HayCambios);
    }

    void duplicadosEnListaOrdenada() {
        Ventana v;
        v.c.categoria("O", Registro("b", "", "", "") + Registro("\xd1u", "", "", "") + Registro("A", "", "", "") +
                               Registro("b", "", "", "") + Registro("a", "", "", "") + Registro("\xe1", "", "", ""));
        v.abrir("O");
        v.w->setOpcionMarcada(1, true);
        QCOMPARE(v.nombres(), (QStringList{"A", "a", "b", "b", "á", "Ñu"}));
        frmEliminarDup(*v.w).cmdEliminar->click();
        // The survivors stay in order, and a script added afterwards still goes to its place.
        QCOMPARE(v.nombres(), (QStringList{"A", "a", "b", "á", "Ñu"}));
        QVERIFY(v.w->lstScripts->isSortingEnabled());
        v.w->lstScripts->addTopLevelItem(vista::NuevoItem({"B", "", "", ""}));
        QCOMPARE(v.nombres(), (QStringList{"A", "a", "b", "B", "á", "Ñu"}));
        QCOMPARE(herramientas::Plegar(QStringLiteral("ÁRBOL Ñu")), QStringLiteral("árbol ñu"));
    }

    void sinDuplicados() {
        Ventana v;
        v.c.categoria("A", Registro("Uno", "", "", ""));
        v.abrir("A");
        {
            frmEliminarDup dlg(*v.w);
            QTest::mouseClick(dlg.cmdEliminar, Qt::LeftButton);
            QCOMPARE(dlg.lblDup->text(), QStringLiteral("No se encontraron duplicados"));
            QVERIFY(!dlg.cmdEliminar->isEnabled());
            QVERIFY(!v.c.estado.HayCambios);
        }
        v.w->lstScripts->clear();
        frmEliminarDup vacio(*v.w); // an empty list goes straight to the last state
        QCOMPARE(vacio.lblDup->text(), QStringLiteral("No se encontraron duplicados"));
        QVERIFY(!vacio.cmdEliminar->isEnabled());
    }

    void duplicadosEnUnaPasada() {
        QVector<QPair<QString, QString>> claves;
        for (int i = 0; i < 32767; ++i)
            claves.append({QString::number(i % 100), QStringLiteral("d")});
        int visto = 0;
        const QVector<bool> vive = herramientas::Sobrevivientes(claves, [&visto](int k) { visto = k; });
        QCOMPARE(int(std::count(vive.begin(), vive.end(), true)), 100);
        QVERIFY(vive.at(99) && !vive.at(100));
        QCOMPARE(visto, 32767);
        QCOMPARE(herramientas::NombreImportado("x.y.rtn"), QStringLiteral("x"));
    }

    void importarCategorias() {
        Ventana v;
        const QByteArray viejo = Registro("Mio", "", "", "");
        v.c.categoria("Menus", viejo);
        v.c.categoria("Abierta", Registro("S", "", "", ""));
        const QString origen = v.c.ruta("recibidos");
        QDir().mkpath(origen + "/z.rtn"); // a folder is not a category file
        ayudas::EscribirBytes(origen + "/Ajax.rtn", Registro("Aj", "", "", ""));
        ayudas::EscribirBytes(origen + "/Menus.rtn", Registro("Ajeno", "", "", ""));
        ayudas::EscribirBytes(origen + "/x.y.rtn", Registro("X", "", "", ""));
        ayudas::EscribirBytes(origen + "/Vacia.rtn", {});
        QDir().mkpath(v.c.ruta("nada"));
        v.abrir("Abierta");
        v.w->setOpcionMarcada(3, true);
        QStringList listados;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmExaminar *>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->carpeta(), QDir(v.c.dir.path()).absolutePath());
            dlg->setCarpeta(v.c.ruta("nada"));
            QVERIFY(!dlg->cmdAceptar->isEnabled());
            dlg->setCarpeta(origen);
            for (int i = 0; i < dlg->flbArchivos->count(); ++i)
                listados << dlg->flbArchivos->item(i)->text();
            QVERIFY(dlg->cmdAceptar->isEnabled());
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        });
        v.w->mnuImportar_Click();
        QCOMPARE(listados, (QStringList{"Ajax.rtn", "Menus.rtn", "Vacia.rtn", "x.y.rtn"}));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), viejo); // never overwritten
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Ajax")), Registro("Aj", "", "", ""));
        QVERIFY(QFileInfo::exists(v.c.estado.carpetaCategorias() + "/x.y.rtn"));
        QVERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Vacia")));
        QStringList cats;
        for (int i = 0; i < v.w->lstCat->topLevelItemCount(); ++i)
            cats << v.w->lstCat->topLevelItem(i)->text(0);
        QCOMPARE(cats, (QStringList{"Abierta", "Menus", "Ajax", "Vacia", "x"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);
        QVERIFY(!v.c.estado.HayCambios);
    }

    void importarScripts() {
        Ventana v;
        v.c.categoria("Menus", Registro("M1", "", "", "") + Registro("M2", "", "", "") + Registro("M3", "", "", ""));
        const QString archivo = v.c.ruta("otro.rtn");
        ayudas::EscribirBytes(archivo, Registro("N1", "", "", "") + Registro("N2", "", "", ""));
        v.abrir("Menus");
        v.w->setOpcionMarcada(3, false);
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<QFileDialog *>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->windowTitle(), QStringLiteral("Importar"));
            dlg->selectFile(archivo);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        v.w->mnuImportar_Click();
        QCOMPARE(v.nombres(), (QStringList{"M1", "M2", "M3", "N1", "N2"}));
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 5"));
        QVERIFY(v.c.estado.HayCambios);
        QCOMPARE(v.c.estado.CategoriaActual, QStringLiteral("Menus"));
        QVERIFY(v.w->mnuGuardar->isEnabled());
    }

    void importarSinCategoria() {
        Ventana v;
        v.abrir();
        v.w->setOpcionMarcada(3, false);
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        v.w->mnuImportar_Click();
        QVERIFY(m.visto);
        QCOMPARE(m.texto, QStringLiteral("No ha seleccionado ninguna categoría"));
        QCOMPARE(m.titulo, QStringLiteral("Importar"));
        QCOMPARE(m.icono, QMessageBox::Warning);
    }
};

QTEST_MAIN(tst_herramientas)
#include "tst_herramientas.moc"
