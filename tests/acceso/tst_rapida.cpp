// The quick search window driven by the keyboard on the real main window and index; fill-in fields on
// every path that copies a code; a second real process with --buscar bringing the window up.
#include "Ayudas.h"
#include "search/Indexador.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/frmCampos.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlInicio.h"
#include "ui/tools/frmBuscarBiblioteca.h"
#include "ui/tools/frmBusquedaRapida.h"

#include <QProcess>
#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::ui;

const QString kDebounce = "function d() {\n  return \"x\";\n}";

struct Rapida {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    std::unique_ptr<frmBusquedaRapida> r; // after the window: goes first, while the index exists
    QStringList abiertos;

    // Made over its library; `mostrarla`: the quick window shown too, with the focus in its text.
    explicit Rapida(bool mostrarla = true) {
        c.categoria("JavaScript",
                    Registro("Debounce", "Funci\xf3n de espera", "function d() {\r\n  return *RTN*x*RTN*;\r\n}", "1") +
                        Registro("Eventos", "Escucha clics", "el.onclick = f;", "2") +
                        Registro("Saludo", "Con campos", "hola(*RTN*${nombre:Ana}*RTN*, ${veces});\r\n$${no}", "1"));
        c.categoria("Canci\xf3n", Registro("Debounce lento", "d", "setTimeout(f, 500);", "9") +
                                      Registro("Otro", "d", "debounce();", "99"));
        crear();
        if (mostrarla)
            mostrar();
    }
    void crear() {
        w = ayudas::PrincipalConPreferencias(c);
        w->IniciarIndice();
        r = std::make_unique<frmBusquedaRapida>(*w->indexador(), c.estado.carpetaCategorias(),
                                                [this](const biblioteca::Hallazgo &h) {
                                                    abiertos << h.nombre;
                                                    w->AbrirScript(h);
                                                });
    }
    void mostrar() {
        r->Mostrar();
        QVERIFY(r->isVisible());
        QTRY_VERIFY(r->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), r->txtBuscar);
    }
    // Types as the user does, and waits for the results of the whole text.
    void escribir(const QString &texto) {
        QTest::keyClick(r->txtBuscar, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(r->txtBuscar, Qt::Key_Backspace);
        QSignalSpy listos(r.get(), &frmBusquedaRapida::listos);
        QTest::keyClicks(r->txtBuscar, texto);
        // Each key asks again: on a machine loaded by a sanitizer build the last answer can take a while.
        QTRY_VERIFY_WITH_TIMEOUT(!listos.isEmpty(), 30000);
    }
    void tecla(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(r->txtBuscar, k, m); }
    QStringList nombres() const { return ayudas::Textos(r->lstResultados); }
    QString elegido() const { return r->actual() ? r->actual()->nombre : QString(); }
};

// The fields form that opens next gets these values typed into its boxes, then the key.
void AlPedirCampos(const QStringList &valores, Qt::Key tecla, QStringList *vistos = nullptr) {
    ayudas::AlAbrirseModal([=](QWidget *v) {
        auto *f = qobject_cast<frmCampos *>(v);
        QVERIFY2(f, "se esperaba el formulario de campos");
        for (int i = 0; i < f->txtCampos.size(); ++i) {
            if (vistos)
                *vistos << f->txtCampos[i]->accessibleName() + QLatin1Char('=') + f->txtCampos[i]->text();
            if (i < valores.size()) {
                f->txtCampos[i]->selectAll();
                QTest::keyClicks(f->txtCampos[i], valores[i]);
            }
        }
        QTest::keyClick(f->txtCampos.value(0, nullptr) ? static_cast<QWidget *>(f->txtCampos[0]) : f, tecla);
    });
}
} // namespace

class tst_rapida : public QObject {
    Q_OBJECT
    QString programa_;

private slots:
    void init() { QGuiApplication::clipboard()->setText("antes"); }
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); mensajes::VaciarCola(); }

    // Found as typed, matches marked: name, category and the first line of code on each row.
    void resultadosAlEscribirConMarcas() {
        Rapida v;
        v.escribir("bounc");
        QCOMPARE(v.nombres(), (QStringList{"Debounce lento", "Debounce", "Otro"}));
        const QTreeWidgetItem *fila = v.r->lstResultados->topLevelItem(1);
        QCOMPARE(fila->text(1), "JavaScript");
        QCOMPARE(fila->text(3), "function d() {");
        QCOMPARE(fila->data(0, DelegadoMarcas::kRol).value<QList<int>>(), (QList<int>{2, 5}));
        // Found in the code only: the line that holds the word, marked there.
        const QTreeWidgetItem *otro = v.r->lstResultados->topLevelItem(2);
        QCOMPARE(otro->text(3), "debounce();");
        QCOMPARE(otro->data(3, DelegadoMarcas::kRol).value<QList<int>>(), (QList<int>{2, 5}));
    }

    // Down and Up choose; Enter copies with real quotes and LF line ends and hides, Ctrl+Enter copies
    // and stays, Esc hides without copying.
    void teclasSobreLoElegido_data() {
        QTest::addColumn<int>("tecla");
        QTest::addColumn<bool>("control");
        QTest::addColumn<bool>("copia");
        QTest::addColumn<bool>("sigue"); // still shown
        QTest::newRow("Intro copia y oculta") << int(Qt::Key_Return) << false << true << false;
        QTest::newRow("Ctrl+Intro copia y se queda") << int(Qt::Key_Enter) << true << true << true;
        QTest::newRow("Esc oculta sin copiar") << int(Qt::Key_Escape) << false << false << false;
    }
    void teclasSobreLoElegido() {
        QFETCH(int, tecla);
        QFETCH(bool, control);
        QFETCH(bool, copia);
        QFETCH(bool, sigue);
        Rapida v;
        v.escribir("debounce");
        QCOMPARE(v.elegido(), "Debounce lento");
        v.tecla(Qt::Key_Down);
        QCOMPARE(v.elegido(), "Debounce");
        v.tecla(Qt::Key_Down);
        v.tecla(Qt::Key_Up);
        QCOMPARE(v.elegido(), "Debounce");
        v.tecla(Qt::Key(tecla), control ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copia ? kDebounce : QStringLiteral("antes"));
        QCOMPARE(v.r->isVisible(), sigue);
        if (sigue)
            QCOMPARE(v.r->lblEstado->text(), "Código de Debounce copiado al portapapeles.");
    }

    // Shift+Enter opens the script in the main window, selected, and copies nothing.
    void mayusIntroAbreEnLaVentanaPrincipal() {
        Rapida v;
        v.escribir("eventos");
        v.tecla(Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(!v.r->isVisible());
        QCOMPARE(v.abiertos, QStringList{"Eventos"});
        QCOMPARE(v.w->categoria().nombre(), "JavaScript");
        QCOMPARE(ui(v.w)->lstScripts->currentIndex().data().toString(), "Eventos");
        QCOMPARE(QGuiApplication::clipboard()->text(), "antes");
    }

    // Another window taking the focus hides it; in the first moment after it came up the focus going
    // back is the window manager's doing, and the window takes it again.
    void ocultaAlPerderElFoco() {
        Rapida v;
        v.w->activateWindow();
        QTRY_VERIFY(v.r->isActiveWindow());
        QVERIFY(v.r->isVisible());
        QTest::qWait(500); // the user moves on later
        v.w->activateWindow();
        QTRY_VERIFY(!v.r->isVisible());
    }

    // Among equal matches, the higher score first; a script just copied before both.
    void empatesPorPuntajeYRecientes() {
        Rapida v;
        v.escribir("debounce");
        // "Otro" has the highest score but matches in its code only: the match comes first.
        QCOMPARE(v.nombres(), (QStringList{"Debounce lento", "Debounce", "Otro"}));
        v.tecla(Qt::Key_Down);
        v.tecla(Qt::Key_Return, Qt::ControlModifier);
        v.escribir("debounce");
        QCOMPARE(v.nombres(), (QStringList{"Debounce", "Debounce lento", "Otro"}));
        QCOMPARE(v.r->recientes().lista(), QStringList{"JavaScript/Debounce"});
    }

    // One box per distinct field, in order, with its default; Enter copies the code filled, the
    // escaped `${` left as written.
    void camposLlenosAlCopiar() {
        Rapida v;
        v.escribir("saludo");
        QStringList vistos;
        AlPedirCampos({"", "3"}, Qt::Key_Return, &vistos);
        v.tecla(Qt::Key_Return);
        QCOMPARE(vistos, (QStringList{"nombre=Ana", "veces="}));
        QCOMPARE(QGuiApplication::clipboard()->text(), "hola(\"Ana\", 3);\n${no}");
        QVERIFY(!v.r->isVisible());
        // The stored file keeps the fields as written.
        QVERIFY(ayudas::LeerBytes(v.c.estado.rutaCategoria("JavaScript")).contains("${nombre:Ana}"));
    }

    void escEnLosCamposNoCopiaNada() {
        Rapida v;
        v.escribir("saludo");
        AlPedirCampos({"Luis"}, Qt::Key_Escape);
        v.tecla(Qt::Key_Return);
        QCOMPARE(QGuiApplication::clipboard()->text(), "antes");
        QVERIFY(v.r->isVisible()); // another script may still be chosen
        QVERIFY(v.r->recientes().lista().isEmpty());
    }

    void copiarCodigoDeLaBusquedaEnLaBibliotecaPideCampos() {
        Rapida v(false);
        v.w->mnuCodBuscarBiblioteca_Click();
        auto *dlg = v.w->findChild<frmBuscarBiblioteca *>();
        QVERIFY(dlg);
        QTest::keyClicks(dlg->txtBuscar, "saludo");
        QTRY_VERIFY(dlg->actual() != nullptr);
        AlPedirCampos({"Eva", "2"}, Qt::Key_Return);
        dlg->cmdCopiar->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), "hola(\"Eva\", 2);\n${no}");
        AlPedirCampos({}, Qt::Key_Escape);
        QGuiApplication::clipboard()->setText("antes");
        dlg->cmdCopiar->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), "antes");
    }

    void copiarDelEditorPideCamposYLosMarca() {
        Rapida v(false);
        frmScript e(*v.w);
        e.show();
        e.ponerCodigo("x = ${n:1}; y = $${n}; z = ${n}");
        QCOMPARE(e.txtCodigo->camposMarcados(), (QStringList{"${n:1}", "${n}"}));
        AlPedirCampos({"5"}, Qt::Key_Return);
        e.mnuCopiar->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), "x = 5; y = ${n}; z = 5");
        AlPedirCampos({}, Qt::Key_Escape);
        QGuiApplication::clipboard()->setText("antes");
        e.mnuCopiar->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), "antes");
        // A code without fields copies at once, as before: no form is queued for it.
        e.ponerCodigo("sin campos");
        QVERIFY(e.txtCodigo->camposMarcados().isEmpty());
        e.mnuCopiar->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), "sin campos");
    }

    // More distinct fields than are asked for: no form (a hundred thousand boxes would take
    // gigabytes), a note that says why, and the code copied as written; at the limit, the form.
    void camposDeMasSeCopianComoEstanConUnAviso() {
        Rapida v(false);
        frmScript e(*v.w);
        e.show();
        QString codigo = "$${x}";
        for (int i = 0; i < 100000; ++i)
            codigo += QString(" ${c%1}").arg(i);
        e.ponerCodigo(codigo);
        const auto aviso = ayudas::Contestar(QMessageBox::Ok);
        e.mnuCopiar->trigger();
        QVERIFY(aviso->visto);
        QVERIFY2(aviso->texto.contains("más de 100 campos distintos"), qPrintable(aviso->texto));
        QCOMPARE(aviso->icono, QMessageBox::Information);
        QCOMPARE(QGuiApplication::clipboard()->text(), codigo);
        codigo.truncate(codigo.indexOf(" ${c100}"));
        e.ponerCodigo(codigo);
        QStringList vistos;
        AlPedirCampos({}, Qt::Key_Return, &vistos);
        e.mnuCopiar->trigger();
        QCOMPARE(vistos.size(), 100);
        QCOMPARE(vistos.last(), "c99=");
    }

    // The real program started again with --buscar calls the running one (here: this test, holding
    // the folder's lock and answering as the program does), whose quick window comes up with the text
    // typed; without --buscar it is the main window that is called.
    void buscarDesdeOtroArranqueTraeLaVentana() {
        Rapida v(false);
        const QString programa = v.c.dir.filePath("rutinero");
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero"), programa));
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero-ventana"), programa + "-ventana"));
        const auto bloqueo = mdlInicio::TomarInstancia(v.c.estado.carpeta);
        QVERIFY(bloqueo);
        int principales = 0;
        mdlInicio::Presencia presencia;
        QVERIFY(presencia.Escuchar(v.c.estado.carpeta, [&](const QByteArray &mensaje) {
            mdlInicio::Atender(mensaje, *v.r, [&] { ++principales; });
        }));
        const auto arrancar = [&](const QStringList &args) {
            QProcess p;
            p.start(programa, args);
            if (!p.waitForStarted(30000))
                return -1;
            // This event loop must run meanwhile: it answers the call.
            if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000))
                return -2;
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
        };
        QVERIFY(!v.r->isVisible());
        QCOMPARE(arrancar({"--buscar", "débounce", "lento"}), 0);
        QTRY_VERIFY(v.r->isVisible());
        QTRY_VERIFY(v.r->isActiveWindow());
        QCOMPARE(v.r->txtBuscar->text(), "débounce lento");
        QTRY_COMPARE(v.nombres(), QStringList{"Debounce lento"});
        QCOMPARE(principales, 0);
        v.tecla(Qt::Key_Return);
        QCOMPARE(QGuiApplication::clipboard()->text(), "setTimeout(f, 500);");
        QCOMPARE(arrancar({}), 0);
        QTRY_COMPARE(principales, 1);
        QVERIFY(!v.r->isVisible());
    }

    // Nothing runs on the folder: --buscar starts the program, which then answers the next start.
    void buscarSinProgramaEnMarchaLoInicia() {
        ayudas::Carpeta c;
        c.categoria("JavaScript", Registro("Debounce", "d", "x", "1"));
        const QString programa = c.dir.filePath("rutinero");
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero"), programa));
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero-ventana"), programa + "-ventana"));
        QProcess p;
        p.start(programa, {"--buscar", "debounce"});
        QVERIFY(p.waitForStarted(30000));
        // Running: it answers a call and holds the folder's lock (tried only then: taking it before
        // the program does would make the program the second start).
        QTRY_VERIFY_WITH_TIMEOUT(
            mdlInicio::Presencia::Llamar(c.estado.carpeta, mdlInicio::Mensaje({true, "otra"})), 30000);
        QVERIFY(!mdlInicio::TomarInstancia(c.estado.carpeta));
        QCOMPARE(p.state(), QProcess::Running);
        // Told to stop as a session end does, the call just answered still open: nothing pending, it ends.
        p.terminate();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // The message between two starts: --buscar with its words, or a plain call.
    void pedidoDeLaLineaDeOrdenes_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("buscar");
        QTest::addColumn<QString>("texto");
        QTest::newRow("sin orden") << QStringList() << false << "";
        QTest::newRow("sin texto") << QStringList{"--buscar"} << true << "";
        QTest::newRow("salto de línea") << QStringList{"--buscar", "a\nb"} << true << "a\nb";
    }
    void pedidoDeLaLineaDeOrdenes() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, buscar);
        QFETCH(QString, texto);
        const mdlInicio::Pedido p = mdlInicio::DeMensaje(mdlInicio::Mensaje(mdlInicio::LeerPedido(argumentos)));
        QCOMPARE(p.buscar, buscar);
        QCOMPARE(p.texto, texto);
    }
};

QTEST_MAIN(tst_rapida)
#include "tst_rapida.moc"
