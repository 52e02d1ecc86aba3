// Paths through the real main window that once lost scripts or wrote them to the wrong file: a
// rename left pending, a save that fails on closing, declined changes, windows that stay open while
// the user works, duplicate removal, the pop-up menu and reserved names.
#include "Ayudas.h"
#include "core/Correo.h"
#include "ui/frmCategoria.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmEliminarDup.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"
#include "ui/tools/frmOutlook.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;
using ayudas::VentanaPrincipal;

// A category of n scripts named s01, s02, ...
QByteArray Numerados(int n) {
    QByteArray r;
    for (int i = 1; i <= n; ++i) {
        const QByteArray nombre = QByteArray("s") + (i < 10 ? "0" : "") + QByteArray::number(i);
        r += Registro(nombre, "desc " + nombre, "code " + nombre, "1");
    }
    return r;
}

QStringList Nombres(int n, const QStringList &sin = {}) {
    QStringList r;
    for (int i = 1; i <= n; ++i) {
        const QString nombre = QStringLiteral("s%1").arg(i, 2, 10, QLatin1Char('0'));
        if (!sin.contains(nombre))
            r << nombre;
    }
    return r;
}

// The in-place editor of the category being renamed, once the command has opened it.
QLineEdit *EditorDeNombre(frmPrincipal &w) {
    for (int i = 0; i < ui(w)->lstCat->topLevelItemCount(); ++i)
        if (auto *e = qobject_cast<QLineEdit *>(
                ui(w)->lstCat->indexWidget(ui(w)->lstCat->indexFromItem(ui(w)->lstCat->topLevelItem(i)))))
            return e;
    return nullptr;
}

// Starts renaming the selected category and types a new name without pressing Enter.
void EmpezarRenombre(VentanaPrincipal &v, const QString &nombre) {
    ui(v.w)->mnuRenombrar->trigger();
    QTRY_VERIFY(EditorDeNombre(*v.w));
    EditorDeNombre(*v.w)->selectAll();
    QTest::keyClicks(EditorDeNombre(*v.w), nombre);
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
// Answers the next question as a user who does not want to choose: Esc, or the box's close button.
// Records what it asked and whether it offered Cancelar.
struct SinElegir {
    ayudas::Mensaje pregunta;
    bool conCancelar = false;
    void responder(bool tecla) {
        ayudas::AlAbrirseModal([this, tecla](QWidget *w) {
            auto *caja = qobject_cast<QMessageBox *>(w);
            QVERIFY2(caja, w->metaObject()->className());
            pregunta.texto = caja->text();
            pregunta.visto = true;
            conCancelar = caja->button(QMessageBox::Cancel) != nullptr;
            if (tecla)
                QTest::keyClick(caja, Qt::Key_Escape);
            else
                caja->close();
        });
    }
};

// Menus (6 scripts) open with s01 deleted and not saved, and Otra beside it.
void ConCambioPendiente(VentanaPrincipal &v) {
    v.abrir("Menus");
    v.seleccionarScript("s01");
    v.w->EliminarS();
    QVERIFY(v.c.estado.sesion.HayCambios());
}

// Chooses the destination in the move dialog as a click in its list does.
void ElegirDestino(frmMover *dlg, const QString &destino) {
    dlg->cboImagen->setCurrentIndex(dlg->cboImagen->findText(destino));
    emit dlg->cboImagen->activated(dlg->cboImagen->currentIndex());
}

// Adds a category through the add dialog, typed and accepted with Enter; `antes` runs before Enter.
void AgregarCategoria(VentanaPrincipal &v, const QString &nombre, const std::function<void()> &antes = {}) {
    ayudas::AlAbrirseModal([nombre, antes](QWidget *w) {
        auto *d = qobject_cast<frmCategoria *>(w);
        QVERIFY(d);
        QTest::keyClicks(d->txtACat, nombre);
        if (antes)
            antes();
        QTest::keyClick(d->txtACat, Qt::Key_Return);
    });
    ui(v.w)->mnuAgregar->trigger();
}

// Alfa, Menus and Metas (each holding `datos`) under the filter "me", which hides Alfa.
void BajoElFiltro(VentanaPrincipal &v, const QByteArray &datos = {}) {
    for (const char *n : {"Alfa", "Menus", "Metas"})
        v.c.categoria(n, datos);
    v.crear({"Todas", "me"});
}

// A right click on a row of a list, as the user gives it.
void ClicDerecho(QTreeWidget *lista, QTreeWidgetItem *item) {
    lista->scrollToItem(item);
    QTest::mouseClick(lista->viewport(), Qt::RightButton, {}, lista->visualItemRect(item).center());
}
} // namespace

class tst_caminos : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    // Deleting a script while another category's new name is still being typed: the rename is
    // settled first, so nothing is deleted from a list the rename then clears, and Menus keeps its 12.
    void eliminarConRenombrePendienteNoVaciaLaCategoria() {
        VentanaPrincipal v({{"Menus", Numerados(12)}, {"Otra", Numerados(2)}});
        v.abrir("Menus");
        v.seleccionar("Otra");
        EmpezarRenombre(v, "Nueva");
        ui(v.w)->botonScript("eliminar")->trigger();
        QVERIFY(!v.c.estado.sesion.HayCambios() && !ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(v.enArchivo("Menus"), Nombres(12));
        QVERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Nueva")));
    }

    // Adding a script with a rename pending: no script goes to a list that belongs to no category,
    // and no file is named after the heading's "(Ninguna)".
    void agregarConRenombrePendienteNoCreaArchivoNinguna() {
        VentanaPrincipal v({{"Menus", Numerados(12)}, {"Otra", Numerados(2)}});
        v.abrir("Menus");
        v.seleccionar("Otra");
        EmpezarRenombre(v, "Nueva");
        ui(v.w)->mnuCodAgregar->trigger(); // the editor must not open: nothing answers it
        QVERIFY(!v.c.estado.sesion.HayCambios());
        QCOMPARE(ui(v.w)->lstScripts->topLevelItemCount(), 0);
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files),
                 (QStringList{"Menus.rtn", "Nueva.rtn"}));
    }

    // Closing with a save that fails: the window stays open and the changes pending; once the file
    // can be written again, closing saves them.
    void guardadoFallidoAlCerrarNoCierra() {
        VentanaPrincipal v({{"Menus", Numerados(12)}});
        v.abrir("Menus");
        v.seleccionarScript("s03");
        v.w->EliminarS();
        const QString ruta = v.c.estado.rutaCategoria("Menus");
        QVERIFY(QFile::remove(ruta) && QDir().mkpath(ruta));
        ayudas::Mensaje pregunta, fallo, opciones;
        ayudas::ContestarMensaje(QMessageBox::Yes, &pregunta);
        ayudas::ContestarMensaje(QMessageBox::Ok, &fallo);
        ayudas::ContestarMensaje(QMessageBox::Cancel, &opciones);
        QVERIFY(!v.w->close());
        QVERIFY(v.w->isVisible() && v.c.estado.sesion.HayCambios() && ui(v.w)->mnuGuardar->isEnabled());
        QVERIFY(opciones.texto.contains("Menus"));
        QCOMPARE(v.scripts(), Nombres(12, {"s03"}));

        QVERIFY(QDir(ruta).removeRecursively());
        ayudas::ContestarMensaje(QMessageBox::Yes);
        QVERIFY(v.w->close());
        QCOMPARE(v.enArchivo("Menus"), Nombres(12, {"s03"}));
    }

    // After the failure, Reintentar saves once the obstacle is gone, and "Salir sin guardar" leaves
    // the file as it was.
    void guardadoFallidoAlCerrarReintentaOSaleSinGuardar() {
        VentanaPrincipal v({{"Menus", Numerados(4)}});
        v.abrir("Menus");
        v.seleccionarScript("s01");
        v.w->EliminarS();
        const QString ruta = v.c.estado.rutaCategoria("Menus");
        const QByteArray antes = ayudas::LeerBytes(ruta);
        QVERIFY(QFile::remove(ruta) && QDir().mkpath(ruta));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::Ok);
        mensajes::Encolar([&](QWidget *) {
            QDir(ruta).removeRecursively();
            return int(QMessageBox::Retry);
        });
        QVERIFY(v.w->close());
        QCOMPARE(v.enArchivo("Menus"), Nombres(4, {"s01"}));

        VentanaPrincipal otra({{"Menus", antes}});
        otra.abrir("Menus");
        otra.seleccionarScript("s02");
        otra.w->EliminarS();
        const QString ruta2 = otra.c.estado.rutaCategoria("Menus");
        QVERIFY(QFile::remove(ruta2) && QDir().mkpath(ruta2));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ContestarMensaje(QMessageBox::Ok);
        ayudas::ContestarMensaje(QMessageBox::Discard);
        QVERIFY(otra.w->close());
        QVERIFY(QFileInfo(ruta2).isDir());
    }

    // "No" at the question asked before adding a category: the list shows the file again, and a
    // later save of another change does not write the declined deletion.
    void noAntesDeAgregarCategoriaNoGuardaLoRechazado() {
        VentanaPrincipal v({{"Menus", Numerados(6)}});
        v.abrir("Menus");
        v.seleccionarScript("s01");
        v.w->EliminarS();
        ayudas::ContestarMensaje(QMessageBox::No);
        ayudas::AlAbrirseModal([](QWidget *d) { QVERIFY(qobject_cast<frmCategoria *>(d)); });
        ui(v.w)->mnuAgregar->trigger();
        v.abrir("Menus");
        QCOMPARE(v.scripts(), Nombres(6));
        v.seleccionarScript("s05");
        v.w->EliminarS();
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(v.enArchivo("Menus"), Nombres(6, {"s05"}));
    }

    // "No" at the question asked by the script import: the import goes on over the file as stored.
    void noAntesDeImportarMuestraElArchivo() {
        VentanaPrincipal v({{"Menus", Numerados(3)}});
        const QString ajeno = v.c.ruta("fuera/Ajeno.rtn");
        ayudas::EscribirBytes(ajeno, Registro("ajeno", "", "", ""));
        v.w->setOpcionMarcada(3, false); // scripts into the open category
        v.abrir("Menus");
        v.seleccionarScript("s02");
        v.w->EliminarS();
        ayudas::ContestarMensaje(QMessageBox::No);
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<QFileDialog *>(w);
            QVERIFY2(dlg, w->metaObject()->className());
            dlg->selectFile(ajeno);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        ui(v.w)->mnuImportar->trigger();
        QCOMPARE(v.scripts(), (QStringList{"ajeno", "s01", "s02", "s03"}));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(v.enArchivo("Menus"), (QStringList{"ajeno", "s01", "s02", "s03"}));
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
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        QVERIFY(aviso.texto.contains("Otra.rtn"));
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
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        QVERIFY(aviso.texto.contains("ninguna categoría abierta"));
        QVERIFY(correos->adjuntos.isEmpty());
        QVERIFY(dlg->txtAdjunto->text().isEmpty());
    }

    // The move window opened by a drop names one script and moves that one, even when the user has
    // selected another meanwhile.
    void moverPorArrastreMueveElScriptNombrado() {
        VentanaPrincipal v({{"Menus", Numerados(8)}, {"Otra", {}}});
        v.abrir("Menus");
        v.seleccionarScript("s03");
        v.w->MoverPorArrastre();
        auto *dlg = v.w->findChild<frmMover *>();
        QVERIFY(dlg && dlg->lblCopiar->text().endsWith("s03"));
        v.seleccionarScript("s07");
        ElegirDestino(dlg, "Otra");
        QTest::mouseClick(dlg->cmdPegar, Qt::LeftButton);
        QCOMPARE(v.enArchivo("Otra"), QStringList{"s03"});
        QCOMPARE(v.scripts(), Nombres(8, {"s03"}));
    }

    // A named script moved up the list while the dialog stays open is still the one that moves.
    void moverPorArrastreSigueAlScriptQueSube() {
        VentanaPrincipal v({{"Menus", Numerados(5)}, {"Otra", {}}});
        v.w->setOpcionMarcada(1, false); // the file's order, so that Subir moves rows
        v.abrir("Menus");
        v.seleccionarScript("s03");
        v.w->MoverPorArrastre();
        auto *dlg = v.w->findChild<frmMover *>();
        QVERIFY(dlg);
        v.w->SubirS();
        QCOMPARE(v.scripts(), (QStringList{"s01", "s03", "s02", "s04", "s05"}));
        ElegirDestino(dlg, "Otra");
        QTest::mouseClick(dlg->cmdPegar, Qt::LeftButton);
        QCOMPARE(v.enArchivo("Otra"), QStringList{"s03"});
        QCOMPARE(v.scripts(), (QStringList{"s01", "s02", "s04", "s05"}));
    }

    // A named script that is gone when Copiar is clicked is reported, and nothing moves.
    void moverPorArrastreSinElScriptNoMueveOtro() {
        VentanaPrincipal v({{"Menus", Numerados(4)}, {"Otra", {}}});
        v.abrir("Menus");
        v.seleccionarScript("s02");
        v.w->MoverPorArrastre();
        auto *dlg = v.w->findChild<frmMover *>();
        QVERIFY(dlg);
        v.w->EliminarS();
        ElegirDestino(dlg, "Otra");
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        QTest::mouseClick(dlg->cmdPegar, Qt::LeftButton);
        QVERIFY(aviso.texto.contains("s02"));
        QVERIFY(v.enArchivo("Otra").isEmpty());
        QCOMPARE(v.scripts(), Nombres(4, {"s02"}));
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
        ui(v.w)->lstScripts->setCurrentItem(ui(v.w)->lstScripts->topLevelItem(2)); // the second "a"
        ayudas::EliminarDuplicados(*v.w);
        QCOMPARE(v.scripts(), (QStringList{"a", "b", "c", "d"}));
        QTreeWidgetItem *sel = ui(v.w)->lstScripts->currentItem();
        QVERIFY(sel && sel->isSelected());
        QCOMPARE(sel->text(0), QStringLiteral("c"));
        v.w->EliminarS();
        QCOMPARE(v.scripts(), (QStringList{"a", "b", "d"}));
    }

    // Eliminar with no row selected does nothing and marks nothing.
    void eliminarSinFilaSeleccionadaNoHaceNada() {
        VentanaPrincipal v({{"Menus", Numerados(3)}});
        v.abrir("Menus");
        ui(v.w)->lstScripts->setCurrentItem(nullptr);
        ui(v.w)->lstScripts->clearSelection();
        v.w->EliminarS();
        QCOMPARE(v.scripts(), Nombres(3));
        QVERIFY(!v.c.estado.sesion.HayCambios());
    }

    // A right click selects the category under the pointer, so the pop-up's Eliminar asks about it.
    void clicDerechoSeleccionaLaCategoria() {
        VentanaPrincipal v({{"Alfa", Numerados(1)}, {"Beta", Numerados(1)}});
        v.seleccionar("Alfa");
        QTreeWidgetItem *beta = ayudas::Buscar(ui(v.w)->lstCat, "Beta");
        QTest::mouseClick(ui(v.w)->lstCat->viewport(), Qt::RightButton, {},
                          ui(v.w)->lstCat->visualItemRect(beta).center());
        QTRY_VERIFY(ui(v.w)->g002->isVisible());
        ui(v.w)->g002->hide();
        QCOMPARE(ui(v.w)->lstCat->currentItem(), beta);
        ayudas::Mensaje pregunta;
        ayudas::ContestarMensaje(QMessageBox::No, &pregunta);
        ui(v.w)->mnuEliminar->trigger();
        QCOMPARE(pregunta.texto, QStringLiteral("¿Desea eliminar la categoría Beta?"));
        QVERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Alfa")));
    }


    // ---- Esc never discards ----

    // At Guardar's own question No and Esc leave the changes pending: the list keeps them, the file
    // is untouched, and a later Sí saves them.
    void guardarConNoOEscConservaLosCambios_data() {
        QTest::addColumn<QString>("respuesta");
        QTest::newRow("No") << "no";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("cierre de la pregunta") << "cierre";
    }
    void guardarConNoOEscConservaLosCambios() {
        QFETCH(QString, respuesta);
        VentanaPrincipal v({{"Menus", Numerados(6)}, {"Otra", Numerados(2)}});
        ConCambioPendiente(v);
        SinElegir esc;
        if (respuesta == "no")
            ayudas::ContestarMensaje(QMessageBox::No, &esc.pregunta);
        else
            esc.responder(respuesta == "esc");
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(esc.pregunta.texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        QCOMPARE(v.scripts(), Nombres(6, {"s01"}));
        QCOMPARE(v.enArchivo("Menus"), Nombres(6));
        QVERIFY(v.c.estado.sesion.HayCambios() && ui(v.w)->mnuGuardar->isEnabled() &&
                ui(v.w)->botonMenu("guardar")->isEnabled());
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->botonMenu("guardar")->trigger();
        QCOMPARE(v.enArchivo("Menus"), Nombres(6, {"s01"}));
        QVERIFY(!v.c.estado.sesion.HayCambios() && !ui(v.w)->mnuGuardar->isEnabled());
    }

    // Every command that asks before it clears or refills the list offers Cancelar; Esc and the
    // question's close box are Cancelar: the command does not run, Menus stays open with its change
    // pending, shown and counted, and nothing is written.
    void escEnLaPreguntaNoEjecutaLaOrden_data() {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<bool>("tecla");
        for (const char *orden : {"clic", "abrir", "clic derecho", "filtro", "cerrar", "salir", "agregar categoría",
                                  "renombrar categoría", "eliminar categoría", "importar", "correo", "configurar panel"}) {
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
        ConCambioPendiente(v);
        const QByteArray antes = ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus"));
        QTreeWidget *lstCat = ui(v.w)->lstCat;
        QTreeWidgetItem *otra = ayudas::Buscar(lstCat, "Otra");
        if (orden.contains("categoría"))
            lstCat->setCurrentItem(otra); // chosen with the keyboard: a click would ask already
        SinElegir esc;
        esc.responder(tecla);
        if (orden == "clic") {
            v.seleccionar("Otra");
        } else if (orden == "abrir") {
            lstCat->setCurrentItem(otra);
            QTest::keyClick(lstCat, Qt::Key_Return);
        } else if (orden == "clic derecho") {
            ClicDerecho(lstCat, otra);
        } else if (orden == "filtro") {
            ui(v.w)->cboCat->setCurrentIndex(1);
            emit ui(v.w)->cboCat->activated(1);
        } else if (orden == "cerrar") {
            QVERIFY(!v.w->close());
        } else if (orden == "salir") {
            ui(v.w)->mnuSalir->trigger();
        } else if (orden == "agregar categoría") {
            ui(v.w)->mnuAgregar->trigger();
        } else if (orden == "renombrar categoría") {
            ui(v.w)->mnuRenombrar->trigger();
            QCoreApplication::processEvents();
            QVERIFY(!EditorDeNombre(*v.w));
        } else if (orden == "eliminar categoría") {
            ui(v.w)->mnuEliminar->trigger();
        } else if (orden == "importar") {
            ui(v.w)->mnuImportar->trigger();
        } else if (orden == "correo") {
            ui(v.w)->mnuEnviar->trigger();
            QVERIFY(!v.w->findChild<frmOutlook *>());
        } else if (orden == "configurar panel") {
            QTest::mouseClick(ui(v.w)->cmdMCat, Qt::LeftButton);
        }
        QVERIFY(esc.pregunta.visto);
        QCOMPARE(esc.pregunta.texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        QVERIFY(esc.conCancelar);
        QVERIFY(v.w->isVisible());
        QCOMPARE(v.c.estado.sesion.abierta(), QStringLiteral("Menus"));
        QVERIFY(v.c.estado.sesion.HayCambios() && ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(v.scripts(), Nombres(6, {"s01"}));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 5"));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), antes);
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files), (QStringList{"Menus.rtn", "Otra.rtn"}));
        QCOMPARE(ayudas::Textos(lstCat), (QStringList{"Menus", "Otra"}));
        if (orden == "clic" || orden == "clic derecho" || orden == "abrir")
            QCOMPARE(lstCat->currentItem()->text(0), QStringLiteral("Menus"));
        QVERIFY(!ui(v.w)->g002->isVisible());
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(v.enArchivo("Menus"), Nombres(6, {"s01"}));
    }

    // After No at a click on another category, what is shown is the open category read again, and
    // the heading and the status line name and count it, not the clicked entry.
    void noEnClicNombraLaCategoriaMostrada() {
        VentanaPrincipal v({{"Menus", Numerados(6)}, {"Otra", Numerados(2)}});
        ConCambioPendiente(v);
        ayudas::ContestarMensaje(QMessageBox::No);
        v.seleccionar("Otra");
        QCOMPARE(v.scripts(), Nombres(6));
        QVERIFY(!v.c.estado.sesion.HayCambios() && !ui(v.w)->mnuGuardar->isEnabled());
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 6"));
    }

    // A right click on a script row selects it: the pop-up's Eliminar deletes that row.
    void clicDerechoSeleccionaElScript() {
        VentanaPrincipal v({{"Menus", Numerados(6)}});
        v.abrir("Menus");
        v.seleccionarScript("s02");
        ClicDerecho(ui(v.w)->lstScripts, ayudas::Buscar(ui(v.w)->lstScripts, "s05"));
        QTRY_VERIFY(ui(v.w)->mnuCodigo->isVisible());
        ui(v.w)->mnuCodigo->hide();
        ui(v.w)->mnuCodEliminar->trigger();
        QCOMPARE(v.scripts(), Nombres(6, {"s05"}));
    }

    // ---- The panel keeps the program's own changes when it follows the folder ----

    // A category added while the filter would hide it is listed last and selected, and the refill
    // that follows the new file keeps it there.
    void agregarBajoElFiltroSeMuestraYSeSelecciona() {
        VentanaPrincipal v(VentanaPrincipal::PorCrear{"me"});
        BajoElFiltro(v);
        QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Metas"}));
        AgregarCategoria(v, "Zeta");
        QVERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Zeta")));
        for (int refill = 0; refill < 2; ++refill) {
            QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Metas", "Zeta"}));
            QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), QStringLiteral("Zeta"));
            v.w->SeguirCarpeta(); // what the folder watcher runs
        }
    }

    // Files another program adds come in at their sorted place when the filter shows them; a file
    // it removes takes its entry along; the program's own entry at the end stays there, selected.
    void elPanelSigueAOtroProgramaSinReordenar() {
        VentanaPrincipal v(VentanaPrincipal::PorCrear{"me"});
        BajoElFiltro(v);
        AgregarCategoria(v, "Zeta");
        v.c.categoria("Mesa", {});
        v.c.categoria("Beta", {});
        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("Metas")));
        v.w->SeguirCarpeta();
        QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Mesa", "Zeta"}));
        QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), QStringLiteral("Zeta"));
    }

    // A replaced category is listed once, last and selected, also after the refill.
    void reemplazarLaDejaAlFinal() {
        VentanaPrincipal v({{"Ajax", Numerados(2)}, {"Beta", {}}, {"Menus", {}}});
        v.c.estado.Reemplazar = 1;
        AgregarCategoria(v, "Ajax", [] { ayudas::ContestarMensaje(QMessageBox::Yes); });
        QVERIFY(v.enArchivo("Ajax").isEmpty());
        for (int refill = 0; refill < 2; ++refill) {
            QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Beta", "Menus", "Ajax"}));
            QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), QStringLiteral("Ajax"));
            v.w->SeguirCarpeta();
        }
    }

    // A category renamed while the filter would hide its new name stays in its place with the
    // cleaned name, also after the refill.
    void renombrarBajoElFiltroSigueEnLaLista() {
        VentanaPrincipal v(VentanaPrincipal::PorCrear{"me"});
        BajoElFiltro(v);
        v.seleccionar("Menus");
        EmpezarRenombre(v, "Nue/vo?");
        QTest::keyClick(EditorDeNombre(*v.w), Qt::Key_Return);
        QTRY_VERIFY(QFileInfo::exists(v.c.estado.rutaCategoria("Nuevo")));
        QCoreApplication::processEvents();
        for (int refill = 0; refill < 2; ++refill) {
            QCOMPARE(ayudas::Textos(ui(v.w)->lstCat), (QStringList{"Nuevo", "Metas"}));
            v.w->SeguirCarpeta();
        }
    }

    // Imported categories are listed at the end even under the filter, not selected; the status
    // line stays as it was; the refill keeps them there.
    void importarListaAlFinalYConservaLaLinea() {
        VentanaPrincipal v(VentanaPrincipal::PorCrear{"me"});
        BajoElFiltro(v, Numerados(3));
        v.abrir("Menus");
        const QString linea = ui(v.w)->panelEstado[0]->text();
        QCOMPARE(linea, QStringLiteral("Categoría: Menus / Scripts: 3"));
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
            QCOMPARE(ui(v.w)->panelEstado[0]->text(), linea);
            v.w->SeguirCarpeta();
        }
    }

    // A file named like the no-category marker is an ordinary category: it opens, takes a script and
    // saves to its own file.
    void categoriaLlamadaNingunaFuncionaComoOtra() {
        VentanaPrincipal v({{"(Ninguna)", Numerados(2)}});
        v.abrir("(Ninguna)");
        QVERIFY(v.c.estado.sesion.hayAbierta());
        QCOMPARE(v.scripts(), Nombres(2));
        QVERIFY(ui(v.w)->mnuCodAgregar->isEnabled());
        v.seleccionarScript("s01");
        v.w->EliminarS();
        QVERIFY(v.c.estado.sesion.HayCambios());
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(v.enArchivo("(Ninguna)"), QStringList{"s02"});
    }

    // The reserved names are refused by rename, with a Spanish message, and nothing is renamed.
    void renombrarATodasSeRechaza_data() {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("Todas") << "Todas";
        QTest::newRow("(Ninguna)") << "(Ninguna)";
        QTest::newRow("todas") << "todas";
    }
    void renombrarATodasSeRechaza() {
        QFETCH(QString, nombre);
        VentanaPrincipal v({{"Menus", Numerados(1)}});
        v.seleccionar("Menus");
        EmpezarRenombre(v, nombre);
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        QTest::keyClick(EditorDeNombre(*v.w), Qt::Key_Return);
        QTRY_VERIFY(aviso.visto);
        QVERIFY(aviso.texto.contains("reservado"));
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files), QStringList{"Menus.rtn"});
    }

    // Adding a category called Todas is refused the same way; nothing is created.
    void agregarTodasSeRechaza() {
        VentanaPrincipal v;
        ayudas::Mensaje aviso;
        AgregarCategoria(v, "Todas", [&aviso] { ayudas::ContestarMensaje(QMessageBox::Ok, &aviso); });
        QVERIFY(aviso.texto.contains("reservado"));
        QVERIFY(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(tst_caminos)
#include "tst_caminos.moc"
