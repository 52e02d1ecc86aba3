// Paths through the real main window that once lost scripts or wrote them to the wrong file: a
// rename left pending, a save that fails on closing, declined changes, windows that stay open while
// the user works, duplicate removal, the pop-up menu and reserved names.
#include "Ayudas.h"
#include "core/Correo.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"
#include "ui/tools/frmOutlook.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::EditorDeNombre;
using ayudas::Registro;
using ayudas::ui;
using ayudas::VentanaPrincipal;

// The names s01, s02, ... up to n, but those in `sin`.
QStringList Nombres(int n, const QStringList &sin = {}) {
    QStringList r;
    for (int i = 1; i <= n; ++i) {
        const QString nombre = QStringLiteral("s%1").arg(i, 2, 10, QLatin1Char('0'));
        if (!sin.contains(nombre))
            r << nombre;
    }
    return r;
}

// A category of n scripts named s01, s02, ...
QByteArray Numerados(int n) {
    return ayudas::Solos(Nombres(n));
}

// Records the hand-off instead of starting a mail program.
struct Correos : correo::Envio {
    QStringList adjuntos;
    void Enviar(const correo::Mensaje &m) override { adjuntos << QFileInfo(m.adjunto).fileName(); }
};

// Menus opened and the mail window shown for it (it always shows: MSOutlook), addresses typed.
frmOutlook *AbrirCorreo(VentanaPrincipal &v, const std::shared_ptr<Correos> &correos) {
    v.w->setEnvioCorreo(correos);
    v.c.estado.MSOutlook = 1;
    v.abrir("Menus");
    ui(v.w)->mnuEnviar->trigger();
    auto *dlg = v.w->findChild<frmOutlook *>();
    if (dlg) {
        dlg->txtPara->setText("a@b.c");
        dlg->txtDe->setText("Yo");
    }
    return dlg;
}
// Alfa, Menus and Metas (each holding `datos`) under the filter "me", which hides Alfa.
void BajoElFiltro(VentanaPrincipal &v, const QByteArray &datos = {}) {
    for (const char *n : {"Alfa", "Menus", "Metas"})
        v.c.categoria(n, datos);
    v.crear({"Todas", "me"});
}
} // namespace

class tst_caminos : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    // Adding a script with a rename pending: no script goes to a list that belongs to no category,
    // and no file is named after the heading's "(Ninguna)".
    void agregarConRenombrePendienteNoCreaArchivoNinguna() {
        VentanaPrincipal v({{"Menus", Numerados(12)}, {"Otra", Numerados(2)}});
        v.abrir("Menus");
        v.seleccionar("Otra");
        ayudas::EmpezarRenombre(*v.w, "Nueva");
        ui(v.w)->mnuCodAgregar->trigger(); // the editor must not open: nothing answers it
        QVERIFY(!ayudas::HayCambios(*v.w));
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), 0);
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files),
                 (QStringList{"Menus.rtn", "Nueva.rtn"}));
    }

    // Closing with a save that fails: Cancelar keeps the window open and the changes pending (a later
    // close saves them once the file can be written), Reintentar saves once the obstacle is gone, and
    // "Salir sin guardar" leaves the file as it was.
    void guardadoFallidoAlCerrar_data() {
        QTest::addColumn<int>("respuesta");
        QTest::newRow("Cancelar") << int(QMessageBox::Cancel);
        QTest::newRow("Reintentar") << int(QMessageBox::Retry);
        QTest::newRow("Salir sin guardar") << int(QMessageBox::Discard);
    }
    void guardadoFallidoAlCerrar() {
        QFETCH(int, respuesta);
        VentanaPrincipal v({{"Menus", Numerados(4)}});
        v.abrir("Menus");
        v.seleccionarScript("s01");
        v.w->EliminarS();
        const QString ruta = v.c.estado.rutaCategoria("Menus");
        QVERIFY(QFile::remove(ruta) && QDir().mkpath(ruta));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::Ok);
        QString opciones;
        mensajes::Encolar([&](QWidget *caja) {
            if (auto *m = qobject_cast<QMessageBox *>(caja))
                opciones = m->text();
            if (respuesta == QMessageBox::Retry)
                QDir(ruta).removeRecursively();
            return respuesta;
        });
        QCOMPARE(v.w->close(), respuesta != QMessageBox::Cancel);
        QVERIFY(opciones.contains("Menus"));
        if (respuesta == QMessageBox::Discard) {
            QVERIFY(QFileInfo(ruta).isDir());
            return;
        }
        if (respuesta == QMessageBox::Cancel) {
            QVERIFY(v.w->isVisible() && ayudas::HayCambios(*v.w) && ui(v.w)->mnuGuardar->isEnabled());
            QCOMPARE(v.scripts(), Nombres(4, {"s01"}));
            QVERIFY(QDir(ruta).removeRecursively());
            ayudas::ContestarMensaje(QMessageBox::Yes);
            QVERIFY(v.w->close());
        }
        QCOMPARE(v.enArchivo("Menus"), Nombres(4, {"s01"}));
    }

    // The mail window names the category it was opened for; if another is open when Enviar is
    // clicked, it says so and shows the new attachment instead of sending something else.
    void correoSigueALaCategoriaAbierta() {
        VentanaPrincipal v({{"Menus", Numerados(2)}, {"Otra", Numerados(1)}});
        auto correos = std::make_shared<Correos>();
        frmOutlook *dlg = AbrirCorreo(v, correos);
        QVERIFY(dlg && dlg->isVisible());
        QCOMPARE(dlg->txtAdjunto->text(), QStringLiteral("Menus.rtn"));
        v.abrir("Otra");
        const auto aviso = ayudas::Contestar(QMessageBox::Ok);
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        QVERIFY(aviso->texto.contains("Otra.rtn"));
        QVERIFY(correos->adjuntos.isEmpty() && dlg->isVisible());
        QCOMPARE(dlg->txtAdjunto->text(), QStringLiteral("Otra.rtn"));
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        QCOMPARE(correos->adjuntos, QStringList{"Otra.rtn"});
    }

    // With no category open any more, Enviar says so and hands nothing over.
    void correoSinCategoriaAbiertaNoEnvia() {
        VentanaPrincipal v({{"Menus", Numerados(2)}, {"Otra", Numerados(1)}});
        auto correos = std::make_shared<Correos>();
        frmOutlook *dlg = AbrirCorreo(v, correos);
        QVERIFY(dlg);
        v.seleccionar("Otra");
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuEliminar->trigger(); // deleting a category closes the open one
        const auto aviso = ayudas::Contestar(QMessageBox::Ok);
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        QVERIFY(aviso->texto.contains("ninguna categoría abierta"));
        QVERIFY(correos->adjuntos.isEmpty());
        QVERIFY(dlg->txtAdjunto->text().isEmpty());
    }

    // The dialog opened for s03 moves s03 when Copiar is clicked, though it went up the list meanwhile;
    // when it is gone by then, that is reported and nothing moves.
    void moverPorArrastreSigueAlScriptNombrado_data() {
        QTest::addColumn<bool>("eliminado");
        QTest::addColumn<QStringList>("enOtra");
        QTest::addColumn<QStringList>("quedan");
        QTest::newRow("subido") << false << QStringList{"s03"} << QStringList{"s01", "s02", "s04", "s05"};
        QTest::newRow("eliminado") << true << QStringList{} << Nombres(5, {"s03"});
    }
    void moverPorArrastreSigueAlScriptNombrado() {
        QFETCH(bool, eliminado);
        QFETCH(QStringList, enOtra);
        QFETCH(QStringList, quedan);
        VentanaPrincipal v({{"Menus", Numerados(5)}, {"Otra", {}}});
        v.w->setOpcionMarcada(1, false); // the file's order, so that Subir moves rows
        v.abrir("Menus");
        v.seleccionarScript("s03");
        v.w->MoverPorArrastre();
        auto *dlg = v.w->findChild<frmMover *>();
        QVERIFY(dlg);
        std::shared_ptr<ayudas::Mensaje> aviso;
        if (eliminado) {
            v.w->EliminarS();
            aviso = ayudas::Contestar(QMessageBox::Ok);
        } else {
            v.w->SubirS();
            QCOMPARE(v.scripts(), (QStringList{"s01", "s03", "s02", "s04", "s05"}));
        }
        ayudas::Elegir(dlg->cboImagen, "Otra");
        QTest::mouseClick(dlg->cmdPegar, Qt::LeftButton);
        if (aviso)
            QVERIFY(aviso->texto.contains("s03"));
        QCOMPARE(v.enArchivo("Otra"), enOtra);
        QCOMPARE(v.scripts(), quedan);
    }

    // Duplicate removal that takes away the selected row leaves the nearest row selected, and
    // Eliminar deletes that one, never silently the first.
    void eliminarTrasDuplicadosActuaSobreLaFilaCercana() {
        const QByteArray datos = Registro("a", "x", "1", "") + Registro("b", "x", "2", "") + Registro("a", "x", "3", "") +
                                 Registro("c", "x", "4", "") + Registro("d", "x", "5", "");
        VentanaPrincipal v({{"Dup", datos}});
        v.w->setOpcionMarcada(1, false); // the file's order
        v.abrir("Dup");
        QCOMPARE(v.scripts(), (QStringList{"a", "b", "a", "c", "d"}));
        ui(v.w)->lstScripts->Seleccionar(2); // the second "a"
        ayudas::EliminarDuplicados(*v.w);
        QCOMPARE(v.scripts(), (QStringList{"a", "b", "c", "d"}));
        QVERIFY(ui(v.w)->lstScripts->filaSeleccionada() >= 0);
        QCOMPARE(ui(v.w)->lstScripts->currentIndex().data().toString(), QStringLiteral("c"));
        v.w->EliminarS();
        QCOMPARE(v.scripts(), (QStringList{"a", "b", "d"}));
    }

    // Eliminar with no row selected does nothing and marks nothing.
    void eliminarSinFilaSeleccionadaNoHaceNada() {
        VentanaPrincipal v({{"Menus", Numerados(3)}});
        v.abrir("Menus");
        ui(v.w)->lstScripts->Seleccionar(-1);
        ui(v.w)->lstScripts->clearSelection();
        v.w->EliminarS();
        QCOMPARE(v.scripts(), Nombres(3));
        QVERIFY(!ayudas::HayCambios(*v.w));
    }

    // A right click on the panel asks about the pending changes before its menu shows; then it
    // selects the category under the pointer, so the menu's Eliminar asks about it, and the menu comes
    // with the panel's header highlighted.
    void clicDerechoSeleccionaLaCategoria() {
        VentanaPrincipal v({{"Alfa", Numerados(1)}, {"Beta", Numerados(1)}});
        v.abrir("Alfa");
        ayudas::Cambiar(*v.w);
        QTreeWidgetItem *beta = ayudas::Buscar(ui(v.w)->lstCat, "Beta");
        const auto guardar = ayudas::Contestar(QMessageBox::No);
        ayudas::Clic(ui(v.w)->lstCat, beta, Qt::RightButton);
        QVERIFY(guardar->visto && !ui(v.w)->g002->isVisible() && !ayudas::HayCambios(*v.w));
        ayudas::Clic(ui(v.w)->lstCat, beta, Qt::RightButton);
        QTRY_VERIFY(ui(v.w)->g002->isVisible());
        ui(v.w)->g002->hide();
        QCOMPARE(ui(v.w)->lbl1->palette().color(QPalette::Window), v.w->style()->standardPalette().color(QPalette::Highlight));
        QCOMPARE(ui(v.w)->lblMenu3->palette().color(QPalette::Window), QColor(128, 128, 128));
        QCOMPARE(ui(v.w)->lstCat->currentItem(), beta);
        const auto pregunta = ayudas::Contestar(QMessageBox::No);
        ui(v.w)->mnuEliminar->trigger();
        QCOMPARE(pregunta->texto, QStringLiteral("¿Desea eliminar la categoría Beta?"));
        QVERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Alfa")));
    }

    // ---- Esc never discards ----

    // Every command that asks before it clears or refills the list offers Cancelar; Esc and the
    // question's close box are Cancelar: the command does not run, Menus stays open with its change
    // pending, shown and counted, and nothing is written. (The filter, closing, quitting, adding a
    // category and importing are driven the same way by tst_modelo, which checks all of that.)
    void escEnLaPreguntaNoEjecutaLaOrden_data() {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<bool>("tecla");
        for (const char *orden : {"clic", "abrir", "clic derecho", "renombrar categoría", "eliminar categoría", "correo",
                                  "configurar panel"}) {
            QTest::addRow("%s, Esc", orden) << QString::fromUtf8(orden) << true;
            QTest::addRow("%s, cierre", orden) << QString::fromUtf8(orden) << false;
        }
    }
    void escEnLaPreguntaNoEjecutaLaOrden() {
        QFETCH(QString, orden);
        QFETCH(bool, tecla);
        VentanaPrincipal v({{"Menus", Numerados(6)}, {"Otra", Numerados(2)}});
        v.w->AgregarEntradaPanel("O");
        v.w->setEnvioCorreo(std::make_shared<Correos>());
        v.c.estado.MSOutlook = 1;
        v.abrir("Menus");
        v.seleccionarScript("s01");
        v.w->EliminarS(); // Menus open with s01 deleted and not saved
        const QByteArray antes = ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus"));
        QTreeWidget *lstCat = ui(v.w)->lstCat;
        QTreeWidgetItem *otra = ayudas::Buscar(lstCat, "Otra");
        if (orden.contains("categoría"))
            lstCat->setCurrentItem(otra); // chosen with the keyboard: a click would ask already
        const auto esc = ayudas::Responder(tecla ? ayudas::Gesto::Esc : ayudas::Gesto::Cerrar);
        if (orden == "clic") {
            v.seleccionar("Otra");
        } else if (orden == "abrir") {
            lstCat->setCurrentItem(otra);
            QTest::keyClick(lstCat, Qt::Key_Return);
        } else if (orden == "clic derecho") {
            ayudas::Clic(lstCat, otra, Qt::RightButton);
        } else if (orden == "renombrar categoría") {
            ui(v.w)->mnuRenombrar->trigger();
            QCoreApplication::processEvents();
            QVERIFY(!EditorDeNombre(*v.w));
        } else if (orden == "eliminar categoría") {
            ui(v.w)->mnuEliminar->trigger();
        } else if (orden == "correo") {
            ui(v.w)->mnuEnviar->trigger();
            QVERIFY(!v.w->findChild<frmOutlook *>());
        } else if (orden == "configurar panel") {
            QTest::mouseClick(ui(v.w)->cmdMCat, Qt::LeftButton);
        }
        QCOMPARE(esc->texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        QVERIFY(esc->conCancelar);
        QVERIFY(v.w->isVisible());
        QCOMPARE(v.w->categoria().nombre(), QStringLiteral("Menus"));
        QVERIFY(ayudas::HayCambios(*v.w) && ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(v.scripts(), Nombres(6, {"s01"}));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 5"));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), antes);
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files), (QStringList{"Menus.rtn", "Otra.rtn"}));
        QCOMPARE(ayudas::Textos(lstCat), (QStringList{"Menus", "Otra"}));
        if (orden == "clic" || orden == "clic derecho" || orden == "abrir")
            QCOMPARE(lstCat->currentItem()->text(0), QStringLiteral("Menus"));
        QVERIFY(!ui(v.w)->g002->isVisible());
    }

    // ---- The panel keeps the program's own changes when it follows the folder ----

    // Files another program adds come in by themselves, at the end, when the filter shows them; a
    // file it removes takes its entry along; the program's own entry at the end stays there, and the
    // selected entry and the open category stay as they were.
    void elPanelSigueAOtroProgramaSinReordenar() {
        VentanaPrincipal v(VentanaPrincipal::PorCrear{"me"});
        BajoElFiltro(v, Numerados(2));
        ayudas::AgregarCategoria(*v.w, "Zeta");
        v.abrir("Menus");
        v.seleccionar("Zeta");
        v.c.categoria("Mesa", {});
        v.c.categoria("Beta", {});
        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("Metas")));
        QTRY_COMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Zeta", "Mesa"}));
        QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), QStringLiteral("Zeta"));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(v.scripts(), Nombres(2));
    }

    // Imported categories are listed at the end even under the filter, not selected; the category
    // that was open is closed, and the status line no longer names it; the refill keeps them there.
    void importarListaAlFinalYCierraLaAbierta() {
        VentanaPrincipal v(VentanaPrincipal::PorCrear{"me"});
        BajoElFiltro(v, Numerados(3));
        v.abrir("Menus");
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 3"));
        ayudas::EscribirBytes(v.c.ruta("fuera/Ajax.rtn"), Numerados(1));
        ayudas::EscribirBytes(v.c.ruta("fuera/Mesa.rtn"), Numerados(1));
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *d = qobject_cast<frmExaminar *>(w);
            QVERIFY(d);
            d->setCarpeta(v.c.ruta("fuera"));
            QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
        });
        ui(v.w)->mnuImportar->trigger();
        QVERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Ajax")));
        for (int refill = 0; refill < 2; ++refill) {
            QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Metas", "Ajax", "Mesa"}));
            // Nothing is open afterwards: neither the heading nor the status line names Menus.
            QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("(Ninguna)"));
            QCOMPARE(ui(v.w)->panelEstado[0]->text(), QString());
            v.w->SeguirCarpeta();
        }
    }

    // A file named like the no-category marker is an ordinary category: it opens, takes a script and
    // saves to its own file.
    void categoriaLlamadaNingunaFuncionaComoOtra() {
        VentanaPrincipal v({{"(Ninguna)", Numerados(2)}});
        v.abrir("(Ninguna)");
        QCOMPARE(v.scripts(), Nombres(2));
        QVERIFY(ui(v.w)->mnuCodAgregar->isEnabled());
        v.seleccionarScript("s01");
        v.w->EliminarS();
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(v.enArchivo("(Ninguna)"), QStringList{"s02"});
    }

    // The reserved names are refused by rename and by adding, with a Spanish message, and no file is
    // renamed or made.
    void nombreReservadoSeRechaza_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("agregar");
        QTest::newRow("renombrar a Todas") << "Todas" << false;
        QTest::newRow("renombrar a (Ninguna)") << "(Ninguna)" << false;
        QTest::newRow("renombrar a todas") << "todas" << false;
        QTest::newRow("agregar Todas") << "Todas" << true;
    }
    void nombreReservadoSeRechaza() {
        QFETCH(QString, nombre);
        QFETCH(bool, agregar);
        VentanaPrincipal v({{"Menus", Numerados(1)}});
        ayudas::Mensaje aviso;
        if (agregar) {
            ayudas::AgregarCategoria(*v.w, nombre, [&aviso] { ayudas::ContestarMensaje(QMessageBox::Ok, &aviso); });
        } else {
            v.seleccionar("Menus");
            ayudas::EmpezarRenombre(*v.w, nombre);
            ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
            QTest::keyClick(EditorDeNombre(*v.w), Qt::Key_Return);
            QTRY_VERIFY(aviso.visto);
        }
        QVERIFY(aviso.texto.contains("reservado"));
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files), QStringList{"Menus.rtn"});
    }
};

QTEST_MAIN(tst_caminos)
#include "tst_caminos.moc"
