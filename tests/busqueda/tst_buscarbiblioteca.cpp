// The library search window on the real main window: typing, results, opening, copying, keyboard.
#include "Ayudas.h"
#include "core/Archivos.h"
#include "search/IndiceBiblioteca.h"
#include "search/Indexador.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscarBiblioteca.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;

// The search answers from its own thread; under the sanitizers on a loaded machine an answer can
// take longer than QtTest's five seconds.
constexpr int kEspera = 30000;

struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    frmBuscarBiblioteca *dlg = nullptr;

    Ventana() {
        c.categoria("JavaScript", Registro("Debounce", "Funci\xf3n debounce", "function d() {\r\n  return *RTN*x*RTN*;\r\n}", "1") +
                                      Registro("Eventos", "Escucha clics", "el.onclick = f;", "2"));
        c.categoria("CSS", Registro("Botones", "Estilo de botones", "button { color: red; } /* rebounce */", "1"));
        c.categoria("PHP", Registro("Formulario", "Valida el formulario", "<?php echo 1; ?>", "1"));
    }
    void abrir() { w = ayudas::PrincipalConPreferencias(c); }
    // The command as the user gives it: its shortcut on the main window.
    void buscarEnBiblioteca() {
        w->activateWindow(); // as the user's click on it
        QTRY_VERIFY(w->isActiveWindow());
        QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        dlg = w->findChild<frmBuscarBiblioteca *>();
        QVERIFY(dlg && dlg->isVisible());
        QVERIFY(!dlg->isModal()); // the main window stays in use
        QTRY_VERIFY(dlg->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), dlg->txtBuscar);
    }
    void abrirYBuscar() {
        abrir();
        buscarEnBiblioteca();
    }
    void escribir(const QString &texto) {
        dlg->txtBuscar->clear();
        QTest::keyClicks(dlg->txtBuscar, texto);
    }
    // Types the query and waits for the scripts it finds, by name.
    void buscar(const QString &texto, const QStringList &nombres) {
        escribir(texto);
        QTRY_COMPARE_WITH_TIMEOUT(columna(1), nombres, kEspera);
    }
    QStringList columna(int c) const {
        QStringList r;
        for (int i = 0; i < dlg->lstResultados->topLevelItemCount(); ++i)
            r << dlg->lstResultados->topLevelItem(i)->text(c);
        return r;
    }
    QString seleccionado() const {
        const ListaScripts *l = ui(w)->lstScripts;
        return l->filaSeleccionada() >= 0 ? l->currentIndex().data().toString() : QString();
    }
};
} // namespace

class tst_buscarbiblioteca : public QObject {
    Q_OBJECT
private slots:
    // Names, descriptions and code, any part of a word, without case or accents; names first.
    void resultadosAlEscribir() {
        Ventana v;
        v.abrirYBuscar();
        v.buscar(QString::fromUtf8("BOÚNC"), {"Debounce", "Botones"});
        QCOMPARE(v.columna(0), (QStringList{"JavaScript", "CSS"}));
        QCOMPARE(v.columna(2), (QStringList{QString::fromUtf8("Función debounce"), "Estilo de botones"}));
        QCOMPARE(v.columna(3), (QStringList{"", "button { color: red; } /* rebounce */"}));
        const QTreeWidgetItem *css = v.dlg->lstResultados->topLevelItem(1);
        QCOMPARE(css->data(3, Qt::UserRole + 1).value<QList<int>>(), (QList<int>{28, 5}));
        QCOMPARE(v.dlg->lblMas->text(), QString());
        // Every word must be found, each in any field.
        v.buscar("return deb", {"Debounce"});
        QCOMPARE(v.columna(3), QStringList{"return \"x\";"});
        v.escribir("return php");
        QTRY_COMPARE_WITH_TIMEOUT(v.dlg->lblMas->text(), "Ningún script contiene return php", kEspera);
        QCOMPARE(v.dlg->lstResultados->topLevelItemCount(), 0);
        QVERIFY(!v.dlg->cmdAbrir->isEnabled() && !v.dlg->cmdCopiar->isEnabled());
    }

    // A category another program adds while the answer is shown: the index's pass brings it into
    // the results without a key pressed.
    void resultadosSiguenAlIndice() {
        Ventana v;
        v.abrirYBuscar();
        v.buscar("deb", {"Debounce"});
        v.c.categoria("Python", Registro("Depurar", "debug con pdb", "import pdb", "1"));
        QTRY_COMPARE_WITH_TIMEOUT(v.columna(1), (QStringList{"Debounce", "Depurar"}), kEspera);
        QCOMPARE(v.dlg->txtBuscar->text(), QStringLiteral("deb"));
    }

    void masDeLosQueSeMuestran() {
        Ventana v;
        QByteArray muchos;
        for (int i = 0; i < frmBuscarBiblioteca::kLimite + 7; ++i)
            muchos += Registro("tabla " + QByteArray::number(i), "", "", "");
        v.c.categoria("Tablas", muchos);
        v.abrirYBuscar();
        QTest::keyClicks(v.dlg->txtBuscar, "tab");
        QTRY_COMPARE_WITH_TIMEOUT(v.dlg->lblMas->text(), "y 7 más", kEspera);
        QCOMPARE(v.dlg->lstResultados->topLevelItemCount(), frmBuscarBiblioteca::kLimite);
    }

    void abrirConIntro_data() {
        QTest::addColumn<bool>("ordenada");
        QTest::addColumn<QString>("filtro");
        QTest::newRow("en orden del archivo") << false << "Todas";
        QTest::newRow("ordenada por nombre") << true << "Todas";
        QTest::newRow("oculta por el filtro del panel") << false << "P";
    }
    // Enter opens the category of the chosen result and selects the script there.
    void abrirConIntro() {
        QFETCH(bool, ordenada);
        QFETCH(QString, filtro);
        Ventana v;
        // Sorted, the list holds another script at the file's place of this one.
        v.c.categoria("JavaScript", Registro("Zeta", "", "", "") + Registro("Alfa", "", "", "") +
                                        Registro("Debounce", "d", "c", ""));
        v.abrir();
        v.w->setOpcionMarcada(1, ordenada);
        v.c.estado.Mostrar = filtro;
        v.c.estado.MostrarTodas = filtro == "Todas";
        v.w->LlenarCat();
        v.buscarEnBiblioteca();
        QTest::keyClicks(v.dlg->txtBuscar, "debounce");
        QTRY_COMPARE_WITH_TIMEOUT(v.columna(0), QStringList{"JavaScript"}, kEspera);
        QTest::keyClick(v.dlg->txtBuscar, Qt::Key_Return);
        QVERIFY(!v.dlg->isVisible());
        QCOMPARE(ui(v.w)->lblMenu3->text(), "JavaScript");
        QCOMPARE(v.seleccionado(), "Debounce");
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), "Categoría: JavaScript / Scripts: 3");
        QCOMPARE(v.w->textoCategoriaSeleccionada(), "JavaScript");
    }

    void abrirConCambiosPendientes_data() {
        QTest::addColumn<int>("respuesta");
        QTest::newRow("sí") << int(QMessageBox::Yes);
        QTest::newRow("no") << int(QMessageBox::No);
    }
    // Opening with the open category changed asks the save question first, like every command.
    void abrirConCambiosPendientes() {
        QFETCH(int, respuesta);
        Ventana v;
        v.abrir();
        ui(v.w)->lstCat->setCurrentItem(ayudas::Buscar(ui(v.w)->lstCat, "PHP"));
        v.w->AbrirCategoria();
        ui(v.w)->lstScripts->Seleccionar(0);
        v.w->EliminarS();
        QVERIFY(ayudas::HayCambios(*v.w));
        v.buscarEnBiblioteca();
        v.buscar("clics", {"Eventos"});
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::StandardButton(respuesta), &m);
        const QPoint p = v.dlg->lstResultados->visualItemRect(v.dlg->lstResultados->topLevelItem(0)).center();
        QTest::mouseClick(v.dlg->lstResultados->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(v.dlg->lstResultados->viewport(), Qt::LeftButton, {}, p);
        QTRY_VERIFY(m.visto);
        QCOMPARE(m.texto, "¿Guardar cambios realizados a PHP?");
        QCOMPARE(ui(v.w)->lblMenu3->text(), "JavaScript");
        QCOMPARE(v.seleccionado(), "Eventos");
        QVERIFY(!ayudas::HayCambios(*v.w));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("PHP")).isEmpty(), respuesta == QMessageBox::Yes);
    }

    // Enter opens the first result of the query typed, never a result of an earlier query left chosen.
    void otraConsultaEligeSuPrimerResultado() {
        Ventana v;
        v.abrirYBuscar();
        v.buscar("bounce", {"Debounce", "Botones"});
        v.dlg->lstResultados->setCurrentItem(v.dlg->lstResultados->topLevelItem(1));
        v.dlg->txtBuscar->selectAll();
        QTest::keyClicks(v.dlg->txtBuscar, "clics");
        // Before the answer, Enter opens nothing.
        QVERIFY(!v.dlg->lstResultados->currentItem() || !v.dlg->cmdAbrir->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(v.columna(1), QStringList{"Eventos"}, kEspera);
        QTRY_COMPARE(v.dlg->lstResultados->currentItem(), v.dlg->lstResultados->topLevelItem(0));
    }

    // The code goes to the clipboard as the editor shows it, the window's status line says so, and
    // nothing is opened.
    void copiarCodigo() {
        Ventana v;
        v.abrirYBuscar();
        v.buscar("debounce", {"Debounce"});
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(v.dlg->txtBuscar, Qt::Key_C, Qt::AltModifier); // the button's mnemonic
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), "function d() {\n  return \"x\";\n}", kEspera);
        QCOMPARE(v.dlg->barEstado->currentMessage(),
                 QStringLiteral("Código de Debounce copiado al portapapeles."));
        QVERIFY(v.dlg->isVisible());
        QCOMPARE(ui(v.w)->lblMenu3->text(), "(Ninguna)");
    }

    // The keyboard alone: arrows from the query move through the results, Escape closes, and the
    // command brings back the last query ready to be typed over, with the row chosen.
    void teclado() {
        Ventana v;
        v.abrirYBuscar();
        QTest::keyClicks(v.dlg->txtBuscar, "o");
        QTRY_VERIFY(v.dlg->lstResultados->topLevelItemCount() >= 3);
        QCOMPARE(v.dlg->lstResultados->currentItem(), v.dlg->lstResultados->topLevelItem(0));
        QTest::keyClick(v.dlg->txtBuscar, Qt::Key_Down);
        QTest::keyClick(v.dlg->txtBuscar, Qt::Key_Down);
        QCOMPARE(v.dlg->lstResultados->currentItem(), v.dlg->lstResultados->topLevelItem(2));
        QCOMPARE(QApplication::focusWidget(), v.dlg->txtBuscar);
        const QString nombre = v.dlg->lstResultados->currentItem()->text(1);
        QTest::keyClick(v.dlg->txtBuscar, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), v.dlg->lstResultados);
        QTest::keyClick(v.dlg->lstResultados, Qt::Key_Escape);
        QVERIFY(!v.dlg->isVisible());
        v.buscarEnBiblioteca();
        QCOMPARE(v.dlg->txtBuscar->text(), "o");
        QCOMPARE(v.dlg->txtBuscar->selectedText(), "o");
        // The row chosen before is still chosen, and Enter opens it.
        QTRY_VERIFY(v.dlg->lstResultados->topLevelItemCount() >= 3);
        QCOMPARE(v.dlg->lstResultados->currentItem()->text(1), nombre);
        QTest::keyClick(v.dlg->lstResultados, Qt::Key_Return);
        QVERIFY(!v.dlg->isVisible());
        QCOMPARE(v.seleccionado(), nombre);
    }

    // A script gone from its file since the search is not selected in its place; the user is told.
    void scriptQueYaNoEsta() {
        Ventana v;
        v.abrirYBuscar();
        v.buscar("formulario", {"Formulario"});
        v.c.categoria("PHP", Registro("Otro", "", "", ""));
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        v.dlg->cmdAbrir->click();
        QTRY_VERIFY(m.visto);
        QCOMPARE(m.texto, "El script Formulario ya no está en la categoría PHP.");
        QCOMPARE(ui(v.w)->lblMenu3->text(), "PHP");
    }

    // The status bar tells how far the first build of a big library has gone.
    void avanceEnLaBarraDeEstado() {
        Ventana v;
        v.abrir();
        v.w->IniciarIndice(); // the start of the run does it
        auto *aviso = ui(v.w)->barEstado->findChild<AvisoIndice *>("lblIndice");
        QVERIFY(aviso);
        QSignalSpy fin(v.w->indexador(), &Indexador::actualizado);
        QTRY_COMPARE_WITH_TIMEOUT(fin.size(), 1, kEspera);
        QVERIFY(!aviso->isVisible()); // too small to be told
        aviso->umbral = 1000;
        QStringList vistos;
        connect(v.w->indexador(), &Indexador::avance, aviso,
                [&] { vistos << (aviso->isVisible() ? aviso->text() : QString()); });
        // Written whole and renamed into place, as the program writes.
        QVERIFY(archivos::Guardar(v.c.estado.rutaCategoria("Grande"),
                                         Registro("uno", "", QByteArray(4000, 'x'), "") + Registro("dos", "", "", "")));
        const auto indexada = [&] {
            return std::any_of(fin.cbegin(), fin.cend(), [](const QList<QVariant> &p) {
                return p.at(0).toStringList().contains("Grande");
            });
        };
        QTRY_VERIFY(indexada());
        QCOMPARE(vistos, (QStringList{"Indexando la biblioteca: 0 %", "Indexando la biblioteca: 100 %"}));
        QVERIFY(!aviso->isVisible());
    }

    // A category the program wrote is read again even when its size and time look unchanged.
    void escrituraDelPrograma() {
        Ventana v;
        const QString ruta = v.c.estado.rutaCategoria("PHP");
        {
            biblioteca::Indice indice(v.c.estado.carpetaPreferencias() + "/indice-biblioteca.db");
            QVERIFY(indice.AbrirParaEscribir());
            QCOMPARE(indice.Actualizar(v.c.estado.carpetaCategorias()).size(), 3);
        }
        const QDateTime antes = QFileInfo(ruta).lastModified();
        v.c.categoria("PHP", ayudas::LeerBytes(ruta).replace("Formulario", "Formulazio"));
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(antes, QFileDevice::FileModificationTime));
        f.close();
        v.abrir();
        v.w->IniciarIndice();
        QSignalSpy pasadas(v.w->indexador(), &Indexador::actualizado);
        QTRY_COMPARE_WITH_TIMEOUT(pasadas.size(), 1, kEspera);
        QCOMPARE(pasadas[0][0].toStringList(), QStringList{}); // it looks as it did
        v.c.estado.escritos.AnunciarEscritos({"PHP.rtn"});
        QTRY_COMPARE_WITH_TIMEOUT(pasadas.size(), 2, kEspera);
        QCOMPARE(pasadas[1][0].toStringList(), QStringList{"PHP"});
        v.buscarEnBiblioteca();
        v.buscar("formulaz", {"Formulazio"});
    }

    // Without a place for the index the search still answers, reading the files.
    void sinIndice() {
        Ventana v;
        ayudas::EscribirBytes(v.c.estado.carpetaPreferencias(), "no es una carpeta");
        v.abrirYBuscar();
        v.buscar("valida", {"Formulario"});
    }
};

QTEST_MAIN(tst_buscarbiblioteca)
#include "tst_buscarbiblioteca.moc"
