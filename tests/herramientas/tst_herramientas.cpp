// Library tools on the real main window: search, move to another category, duplicate removal and
// both kinds of import.
#include "Ayudas.h"
#include "format/Herramientas.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscar.h"
#include "ui/tools/frmEliminarDup.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Solos;
using ayudas::ui;

// Its rows in the file's order, so that positions in the tests are the file's.
using Ventana = ayudas::VentanaConPreferencias;
QStringList Scripts(const Ventana &v) { return ayudas::Textos(ui(v.w)->lstScripts); }
} // namespace

class tst_herramientas : public QObject {
    Q_OBJECT
private slots:
    void buscar() {
        Ventana v({{"Menus", Registro("Formulario", "a", "c", "1") + Registro("Tabla", "un form", "form", "2") +
                                 Solos({"mi form", "Validar FORMULARIO", "árbol"}) + Registro("mi form", "otro", "", "")}},
                  "Menus");
        frmBuscar dlg(*v.w);
        dlg.show();
        // Name and position of each find, after Enter in the word.
        const auto hallados = [&dlg](const QString &palabra) {
            dlg.txtBuscar->setText(palabra);
            QTest::keyClick(dlg.txtBuscar, Qt::Key_Return);
            QStringList r;
            for (int i = 0; i < dlg.lstBuscar->topLevelItemCount(); ++i)
                r << dlg.lstBuscar->topLevelItem(i)->text(0) + '@' + dlg.lstBuscar->topLevelItem(i)->text(1);
            return r;
        };
        const QStringList form{"Formulario@1", "mi form@3", "Validar FORMULARIO@4", "mi form@6"};
        QCOMPARE(hallados("FORM"), form);
        QCOMPARE(hallados(""), form); // an empty word does nothing
        QCOMPARE(hallados(QStringLiteral("ÁRB")), QStringList{"árbol@5"}); // accented capitals are lowered too

        const auto m = ayudas::Contestar(QMessageBox::Ok);
        QCOMPARE(hallados("Forma"), QStringList{});
        QCOMPARE(m->texto, QStringLiteral("No se encontró la palabra Forma"));
        QVERIFY(dlg.isVisible()); // open for another try

        // Spaces are part of the word: " form" is not at the start of "Formulario".
        QCOMPARE(hallados(" form"), form.mid(1));
        // The second of two equal names selects the second of them in the main list.
        dlg.lstBuscar->setCurrentItem(dlg.lstBuscar->topLevelItem(2));
        emit dlg.lstBuscar->itemDoubleClicked(dlg.lstBuscar->currentItem(), 0);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(ui(v.w)->lstScripts->filaActual(), 5);
        QVERIFY((ui(v.w)->lstScripts->filaSeleccionada() >= 0));

        // Renamed rows are found by their new names, short or long, and no longer by the old ones.
        const QString largo = QString(60, 'x') + "FORM";
        const auto renombrar = [&v](int fila, const QString &nombre) {
            Script s = v.w->categoria().script(fila);
            s.Nombre = nombre;
            v.w->categoria().Reemplazar(fila, s);
        };
        renombrar(1, largo);
        renombrar(0, "Otro");
        dlg.show();
        QCOMPARE(hallados("form"), QStringList({largo + "@2"}) + form.mid(1));
        renombrar(1, "Tabla");
        ayudas::ContestarMensaje(QMessageBox::Ok);
        QCOMPARE(hallados("xform"), QStringList{});
    }

    void mover() {
        const QByteArray a = Registro("S1", "d1", "x *RTN*y", "1") + Registro("S2", "d2", "c2", "2");
        Ventana v({{"A", a}, {"B", Solos({"X"})}, {"C", {}}}, "A");
        v.seleccionar(1);
        frmMover dlg(*v.w);
        dlg.show();
        QVERIFY(dlg.lblCopiar->text().endsWith(QStringLiteral("copiar el script: S2")));
        QVERIFY(dlg.cboImagen->count() == 3 && !dlg.cmdPegar->isEnabled()); // all the panel lists, the open one too
        ayudas::Elegir(dlg.cboImagen, "B");
        QVERIFY(dlg.cmdPegar->isEnabled());
        QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("B")),
                 Solos({"X"}) + Registro("S2", "d2", "c2", "2"));
        QCOMPARE(Scripts(v), QStringList{"S1"});
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("A")), a); // until A is saved
        QVERIFY(ayudas::HayCambios(*v.w) && ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: A / Scripts: 1"));
        // The dialog rests on what it did: the target still shown, not offered again, the bar at
        // rest, and Enter closes it.
        QVERIFY(dlg.isVisible() && !dlg.cmdPegar->isEnabled());
        QCOMPARE(dlg.lblCopiar->text(), QStringLiteral("El script S2 pasó a la categoría B."));
        QVERIFY(dlg.cboImagen->isVisible() && !dlg.cboImagen->isEnabled());
        QCOMPARE(dlg.cboImagen->currentText(), QStringLiteral("B"));
        QCOMPARE(dlg.barMover->value(), dlg.barMover->minimum());
        QCOMPARE(dlg.cmdCancelar->text(), QStringLiteral("Cerrar"));
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
    }

    void moverSinEfecto_data() {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<int>("cambio"); // to B after the dialog opened: 0 none, 1 deleted, 2 a folder instead
        QTest::newRow("la abierta") << "A" << 0;
        QTest::newRow("borrada") << "B" << 1;
        QTest::newRow("ilegible") << "B" << 2;
    }
    void moverSinEfecto() {
        QFETCH(QString, destino);
        QFETCH(int, cambio);
        Ventana v({{"A", Solos({"S1", "S2"})}, {"B", {}}}, "A");
        v.seleccionar(0);
        frmMover dlg(*v.w);
        dlg.show();
        const QString b = v.c.estado.rutaCategoria("B");
        if (cambio > 0)
            QVERIFY(QFile::remove(b) && (cambio == 1 || QDir().mkdir(b)));
        ayudas::Elegir(dlg.cboImagen, destino);
        ayudas::Mensaje m;
        if (cambio == 2)
            ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        // An unreadable target is reported: the script must not leave the open category.
        QCOMPARE(m.visto, cambio == 2);
        if (m.visto)
            QVERIFY(m.titulo == "Copiar" && m.texto.contains(QStringLiteral("sigue en la categoría abierta")));
        QCOMPARE(Scripts(v), (QStringList{"S1", "S2"}));
        QVERIFY(!dlg.isVisible() && !ayudas::HayCambios(*v.w) && !ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(QFileInfo::exists(b), cambio != 1); // nothing written where B was
        QCOMPARE(QFileInfo(b).isDir(), cambio == 2);
    }

    void duplicados() {
        Ventana v({{"A", Registro("A", "d", "1", "") + Registro("B", "d", "", "") + Registro("A", "d", "2", "9") +
                              Registro("C", "d", "", "") + Registro("A", "d", "3", "") + Registro("A", "otra", "", "") +
                              Registro("a", "d", "", "") + Solos({"T", "T", "T"}) + Registro("A ", "d", "", "")}},
                  "A");
        frmEliminarDup dlg(*v.w);
        dlg.show();
        QTest::mouseClick(dlg.cmdEliminar, Qt::LeftButton);
        QCOMPARE(Scripts(v), (QStringList{"A", "B", "C", "A", "a", "T", "A "}));
        QCOMPARE(v.w->categoria().script(0).Codigo, QStringLiteral("1")); // the first survives
        QCOMPARE(dlg.lblDup->text(), QStringLiteral("Los duplicados han sido eliminados"));
        QVERIFY(dlg.cmdEliminar->isEnabled() && ayudas::HayCambios(*v.w) &&
                ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: A / Scripts: 7"));
        QVERIFY(v.w->GuardarPendientes());
        QTest::mouseClick(dlg.cmdEliminar, Qt::LeftButton);
        QCOMPARE(dlg.lblDup->text(), QStringLiteral("No se encontraron duplicados"));
        QVERIFY(!dlg.cmdEliminar->isEnabled() && !ayudas::HayCambios(*v.w));
        v.w->categoria().Restaurar({});
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
    }

    void importarCategorias() {
        const QByteArray viejo = Solos({"Mio"});
        Ventana v({{"Menus", viejo}, {"Abierta", Solos({"S"})}}, "Abierta");
        const QString origen = v.c.ruta("recibidos");
        QDir().mkpath(origen + "/z.rtn"); // a folder is not a category file
        ayudas::EscribirBytes(origen + "/Ajax.rtn", Solos({"Aj"}));
        ayudas::EscribirBytes(origen + "/Menus.rtn", Solos({"Ajeno"}));
        ayudas::EscribirBytes(origen + "/x.y.rtn", Solos({"X"}));
        ayudas::EscribirBytes(origen + "/Vacia.rtn", {});
        v.w->setOpcionMarcada(3, true);
        QStringList listados;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmExaminar *>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->carpeta(), QDir(v.c.dir.path()).absolutePath());
            dlg->setCarpeta(origen + "/z.rtn"); // no category files in it
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
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Ajax")), Solos({"Aj"}));
        QVERIFY(QFileInfo::exists(v.c.estado.carpetaCategorias() + "/x.y.rtn") &&
                QFileInfo::exists(v.c.estado.rutaCategoria("Vacia")));
        QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Abierta", "Menus", "Ajax", "Vacia", "x"}));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("(Ninguna)")); // the open category was closed
        QVERIFY(ui(v.w)->lstScripts->cantidad() == 0 && !ayudas::HayCambios(*v.w));
    }

    void importarScripts() {
        Ventana v({{"Menus", Solos({"M1", "M2", "M3"})}}, {});
        const QString archivo = v.c.ruta("otro.rtn");
        ayudas::EscribirBytes(archivo, Solos({"N1", "N2"}));
        // With no category open, there is nothing to import into.
        v.w->setOpcionMarcada(3, false);
        const auto m = ayudas::Contestar(QMessageBox::Ok);
        v.w->mnuImportar_Click();
        QCOMPARE(m->texto, QStringLiteral("No ha seleccionado ninguna categoría"));

        v.abrir("Menus");
        ayudas::ElegirArchivo(archivo);
        v.w->mnuImportar_Click();
        QCOMPARE(Scripts(v), (QStringList{"M1", "M2", "M3", "N1", "N2"}));
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 5"));
        QVERIFY(ayudas::HayCambios(*v.w) && ui(v.w)->mnuGuardar->isEnabled());
    }
};

QTEST_MAIN(tst_herramientas)
#include "tst_herramientas.moc"
