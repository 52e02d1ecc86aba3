// The library's searches on the real main window and index, as a new user meets them: the open
// category's unsaved scripts found as the list shows them, and the quick search's rows.
#include "Ayudas.h"
#include "search/Indexador.h"
#include "ui/Mensajes.h"
#include "ui/editor/frmScript.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscarBiblioteca.h"
#include "ui/tools/frmBusquedaRapida.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;

struct Busquedas {
    ayudas::VentanaConPreferencias v;
    std::unique_ptr<frmBusquedaRapida> rapida; // declared after the window: gone first, while the index exists

    explicit Busquedas(const QList<QPair<QString, QByteArray>> &categorias, const QString &abierta = "JavaScript")
        : v(categorias, abierta) {
        v.w->IniciarIndice();
        rapida = std::make_unique<frmBusquedaRapida>(*v.w->indexador(), v.c.estado.carpetaCategorias(),
                                                     [this](const biblioteca::Hallazgo &h) { v.w->AbrirScript(h); });
    }

    // A script changed at `fila`, or one added, in the editor as the user does it, accepted with its button.
    void aceptar(const QStringList &campos, int fila = -1) {
        if (fila >= 0)
            v.seleccionar(fila);
        ayudas::Pulsar(*v.editor(fila >= 0 ? QStringLiteral("Editar") : QStringLiteral("Agregar"), campos), 7);
    }
    frmBuscarBiblioteca *biblioteca() {
        v.w->activateWindow();
        QTest::keyClick(v.w.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        auto *d = v.w->findChild<frmBuscarBiblioteca *>();
        return d && QTest::qWaitForWindowActive(d) ? d : nullptr;
    }
    // The rows of the window that searched `texto`, once its answer is listed: name and category.
    QStringList buscar(const QString &ventana, const QString &texto) {
        // What was typed before goes first, so that the answer waited for is the one to this text.
        if (auto *antes = v.w->findChild<frmBuscarBiblioteca *>())
            antes->txtBuscar->clear();
        rapida->txtBuscar->clear();
        QTreeWidget *lista = rapida->lstResultados;
        int nombre = 0, categoria = 1;
        if (ventana == "biblioteca") {
            frmBuscarBiblioteca *d = biblioteca();
            if (!d)
                return {"sin ventana"};
            // The window also asks for the library's tags when it opens: the answer waited for is
            // the one that fills the list, or says that nothing matched.
            d->txtBuscar->setText(texto);
            if (!QTest::qWaitFor([&] { return d->lstResultados->topLevelItemCount() > 0 || !d->lblMas->text().isEmpty(); }))
                return {"sin respuesta"};
            lista = d->lstResultados;
            std::swap(nombre, categoria);
        } else {
            rapida->Mostrar();
            QSignalSpy listos(rapida.get(), &frmBusquedaRapida::listos);
            rapida->txtBuscar->setText(texto);
            if (!QTest::qWaitFor([&] { return !listos.isEmpty(); }))
                return {"sin respuesta"};
        }
        QStringList r;
        for (int i = 0; i < lista->topLevelItemCount(); ++i)
            r << lista->topLevelItem(i)->text(nombre) + " · " + lista->topLevelItem(i)->text(categoria);
        return r;
    }
};

const QList<QPair<QString, QByteArray>> kBiblioteca = {
    {"JavaScript", Registro("Debounce", "Espera", "setTimeout(f, 300);", "1") +
                       Registro("Eventos", "Escucha clics", "el.onclick = f;", "2")},
    {"PHP", Registro("Debounce en PHP", "d", "usleep(300);", "1")},
};
} // namespace

class tst_busquedas : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QCOMPARE(mensajes::Pendientes(), 0);
        mensajes::VaciarCola();
    }

    void sinGuardarSeEncuentraComoEnPantalla_data() {
        QTest::addColumn<QString>("ventana");
        QTest::newRow("Buscar en la biblioteca") << "biblioteca";
        QTest::newRow("búsqueda rápida") << "rapida";
    }
    // A script renamed and one added, neither saved: found as the list shows them and marked; the
    // name the file still holds is found no more. Saved, the mark goes.
    void sinGuardarSeEncuentraComoEnPantalla() {
        QFETCH(QString, ventana);
        Busquedas b(kBiblioteca);
        b.aceptar({"Throttle", "Espera", "1", "setTimeout(f, 300);"}, 0);
        b.aceptar({"Nuevo debounce", "otro", "1", "x();"});
        QVERIFY(ayudas::HayCambios(*b.v.w));
        QCOMPARE(b.buscar(ventana, "debounce"),
                 (QStringList{"Nuevo debounce · JavaScript (sin guardar)", "Debounce en PHP · PHP"}));
        QCOMPARE(b.buscar(ventana, "throttle"), QStringList{"Throttle · JavaScript (sin guardar)"});
        // The other categories keep their own rows, read from their files.
        QCOMPARE(b.buscar(ventana, "300"),
                 (QStringList{"Throttle · JavaScript (sin guardar)", "Debounce en PHP · PHP"}));
        b.v.guardar();
        QVERIFY(!ayudas::HayCambios(*b.v.w));
        QCOMPARE(b.buscar(ventana, "throttle"), QStringList{"Throttle · JavaScript"});
    }

    // The count past the rows listed is the library's with the unsaved scripts in place of the file.
    void sinGuardarCuentaComoEnPantalla() {
        QByteArray muchas;
        for (int i = 0; i < frmBuscarBiblioteca::kLimite + 7; ++i)
            muchas += Registro("tabla " + QByteArray::number(100 + i), "", "", "");
        Busquedas b({{"Tablas", muchas}, {"Otras", Registro("tabla suelta", "", "", "")}}, "Tablas");
        for (int i = 0; i < 5; ++i) {
            b.v.seleccionar(0);
            b.v.w->EliminarS();
        }
        QCOMPARE(b.v.w->categoria().cantidad(), frmBuscarBiblioteca::kLimite + 2);
        const QStringList filas = b.buscar("biblioteca", "tabla");
        QCOMPARE(filas.size(), frmBuscarBiblioteca::kLimite);
        QVERIFY(!filas.contains("tabla 100 · Tablas (sin guardar)")); // deleted, though still in the file
        QCOMPARE(filas.mid(0, 2), (QStringList{"tabla suelta · Otras", "tabla 105 · Tablas (sin guardar)"}));
        QCOMPARE(b.biblioteca()->lblMas->text(), "y 3 más");
    }

    // Opening an unsaved result selects it in the open category: nothing is asked, nothing is lost.
    void abrirUnSinGuardarNoPreguntaNiLoPierde() {
        Busquedas b(kBiblioteca);
        b.aceptar({"Nuevo debounce", "otro", "1", "x();"});
        QCOMPARE(b.buscar("biblioteca", "nuevo"), QStringList{"Nuevo debounce · JavaScript (sin guardar)"});
        QTest::keyClick(b.biblioteca()->txtBuscar, Qt::Key_Return);
        QVERIFY(ayudas::HayCambios(*b.v.w));
        QCOMPARE(b.v.w->categoria().cantidad(), 3);
        QCOMPARE(ui(b.v.w)->lstScripts->currentIndex().data().toString(), "Nuevo debounce");
    }

    // The library window left open follows the list: a change made meanwhile shows in its rows.
    void bibliotecaAbiertaSigueLosCambios() {
        Busquedas b(kBiblioteca);
        QCOMPARE(b.buscar("biblioteca", "eventos"), QStringList{"Eventos · JavaScript"});
        frmBuscarBiblioteca *d = b.biblioteca();
        b.aceptar({"Eventos del teclado", "Escucha teclas", "2", "el.onkeyup = f;"}, 1);
        // The change asks both the results and the tags again: the row is looked at once it changed.
        QTRY_VERIFY_WITH_TIMEOUT(d->lstResultados->topLevelItemCount() == 1 &&
                                     d->lstResultados->topLevelItem(0)->text(1) == "Eventos del teclado",
                                 30000);
        QCOMPARE(d->lstResultados->topLevelItem(0)->text(0), "JavaScript (sin guardar)");
    }

    // The tag list beside the results counts the open category as it is on screen too.
    void etiquetasCuentanComoEnPantalla() {
        Busquedas b({{"JavaScript", Registro("Debounce", "Espera #tiempo", "setTimeout(f, 300);", "1") +
                                        Registro("Eventos", "Escucha clics #dom", "el.onclick = f;", "2")},
                     {"PHP", Registro("Debounce en PHP", "d #tiempo", "usleep(300);", "1")}});
        b.aceptar({"Eventos", "Escucha teclas #teclado", "2", "el.onkeyup = f;"}, 1);
        frmBuscarBiblioteca *d = b.biblioteca();
        QVERIFY(d);
        const auto etiquetas = [d] {
            QStringList r;
            for (int i = 0; i < d->lstEtiquetas->count(); ++i)
                r << d->lstEtiquetas->item(i)->text();
            return r;
        };
        QTRY_COMPARE_WITH_TIMEOUT(etiquetas(), (QStringList{"#tiempo (2)", "#teclado (1)"}), 30000);
    }

    void rapidaMuestraDescripcionYLineaUtil_data() {
        QTest::addColumn<QByteArray>("codigo");
        QTest::addColumn<QString>("linea");
        QTest::newRow("PHP") << QByteArray("<?php\r\n  echo 1;\r\n?>") << "echo 1;";
        QTest::newRow("script") << QByteArray("\r\n<script>\r\nalert(1);\r\n</script>") << "alert(1);";
        QTest::newRow("style con atributo") << QByteArray("<STYLE type=*RTN*text/css*RTN*>\r\nbody {}") << "body {}";
        QTest::newRow("ASP") << QByteArray("<%\r\nResponse.Write 1") << "Response.Write 1";
        QTest::newRow("etiqueta con contenido") << QByteArray("<script>alert(2);</script>") << "<script>alert(2);</script>";
        QTest::newRow("otra etiqueta") << QByteArray("<div>\r\nx") << "<div>";
        QTest::newRow("sólo la etiqueta") << QByteArray("<?php\r\n\r\n") << "<?php";
    }
    // Found by its name: the row shows the description beside the name and category, and the first
    // line of code that says something.
    void rapidaMuestraDescripcionYLineaUtil() {
        QFETCH(QByteArray, codigo);
        QFETCH(QString, linea);
        Busquedas b({{"Web", Registro("Saludo", "Saluda al usuario", codigo, "1")}}, QString());
        QCOMPARE(b.buscar("rapida", "saludo"), QStringList{"Saludo · Web"});
        const QTreeWidgetItem *f = b.rapida->lstResultados->topLevelItem(0);
        QCOMPARE(f->text(2), "Saluda al usuario");
        QCOMPARE(f->text(3), linea);
    }
};

QTEST_MAIN(tst_busquedas)
#include "tst_busquedas.moc"
