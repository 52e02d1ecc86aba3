// The command line as a shell runs it, on the real program: --lista answers through the index with
// the library search's rule, --codigo finds a category however it is written when only one fits,
// the commands make no folder, and a window without a display is a Spanish line and exit code 1.
#include "AyudasNucleo.h"
#include "Programa.h"
#include "search/Busqueda.h"

#include <climits>

using prueba::Correr;
using prueba::Guion;
using prueba::Resultado;

class tst_lineadeordenes : public QObject {
    Q_OBJECT
    prueba::Aplicacion app_;

private slots:
    void initTestCase() {
        QVERIFY(app_.Categoria("Categoría Ñ", {Guion("Camión", "d", "echo \"hola\""), Guion("a/b con barra", "d", "ruta")}));
        QVERIFY(app_.Categoria("Menús", {Guion("debounce", "retrasa", "setTimeout(f, 100)"), Guion("Otra", "d", "x")}));
        QVERIFY(app_.Categoria("MENUS", {Guion("Mayúsculas", "d", "y")}));
        QVERIFY(app_.Indexar());
    }

    void listaComoLaBusqueda_data() {
        QTest::addColumn<QString>("texto");
        QTest::newRow("un trozo") << "bounce";
        QTest::newRow("sin acentos") << "camion";
        QTest::newRow("en el código") << "settimeout";
        QTest::newRow("dos palabras") << "ot d";
        QTest::newRow("ninguno") << "zzzz";
    }
    void listaComoLaBusqueda() {
        QFETCH(QString, texto);
        const biblioteca::Respuesta r = biblioteca::BuscarEnArchivos(app_.categorias(), texto, INT_MAX);
        QString esperado;
        for (const biblioteca::Hallazgo &h : r.hallazgos)
            esperado += h.categoria + '\t' + h.nombre + '\n';
        const Resultado x = Correr(app_.programa, {"--lista", texto});
        QCOMPARE(x.salida, esperado);
        QCOMPARE(x.codigo, r.hallazgos.isEmpty() ? 1 : 0);
        QCOMPARE(x.errores, QString());
    }

    // The answer comes from the index: a file another program changed keeping its size and time to
    // the nanosecond is answered as the index holds it.
    void listaLeeElIndice() {
        const QString ruta = app_.categorias() + "/Menús.rtn";
        const QByteArray antes = ayudas::LeerBytes(ruta);
        QByteArray cambiado = antes;
        cambiado.replace("debounce", "DEBOUNCE");
        QVERIFY(ayudas::ReescribirComoOtroPrograma(ruta, cambiado, false));
        const Resultado x = Correr(app_.programa, {"--lista", "bounce"});
        QVERIFY(ayudas::ReescribirComoOtroPrograma(ruta, antes, false));
        QCOMPARE(x.salida, QString::fromUtf8("Menús\tdebounce\n"));
    }

    void codigoSinMayusculasNiAcentos_data() {
        QTest::addColumn<QString>("camino");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QString>("salida");
        QTest::addColumn<QString>("error"); // part of the message
        QTest::newRow("exacta") << "Categoría Ñ/Camión" << 0 << "echo \"hola\"\n" << "";
        QTest::newRow("sin acentos") << "categoria n/Camión" << 0 << "echo \"hola\"\n" << "";
        QTest::newRow("en mayúsculas") << "CATEGORÍA Ñ/a/b con barra" << 0 << "ruta\n" << "";
        QTest::newRow("exacta entre parecidas") << "MENUS/Mayúsculas" << 0 << "y\n" << "";
        QTest::newRow("dos parecidas") << "menus/debounce" << 1 << "" << "cualquiera de estas categorías: MENUS, Menús";
        QTest::newRow("ninguna") << "Nada/x" << 1 << "" << "no existe la categoría «Nada»";
    }
    void codigoSinMayusculasNiAcentos() {
        QFETCH(QString, camino);
        QFETCH(int, codigo);
        QFETCH(QString, salida);
        QFETCH(QString, error);
        const Resultado x = Correr(app_.programa, {"--codigo", camino});
        QCOMPARE(x.codigo, codigo);
        QCOMPARE(x.salida, salida);
        QVERIFY2(x.errores.contains(error), qPrintable(x.errores));
    }

    // An installed program keeps its library in the user's data folder; help, the version and the
    // language server do not make it (the server reads the starter library meanwhile).
    void ordenesQueNoCreanNada_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("codigo");
        QTest::newRow("--version") << QStringList{"--version"} << 0;
        QTest::newRow("--ayuda") << QStringList{"--ayuda"} << 0;
        QTest::newRow("--help") << QStringList{"--help"} << 0;
        QTest::newRow("--lsp") << QStringList{"--lsp"} << 1;
    }
    void ordenesQueNoCreanNada() {
        QFETCH(QStringList, args);
        QFETCH(int, codigo);
        QTemporaryDir dir;
        const QString programa = dir.path() + "/usr/bin/rutinero";
        QVERIFY(QDir().mkpath(dir.path() + "/usr/bin") && QDir().mkpath(dir.path() + "/datos"));
        QVERIFY(QFile::copy(app_.programa, programa));
        ayudas::EscribirBytes(dir.path() + "/usr/share/rutinero/Categorias/Inicio.rtn", ayudas::Registro("Hola", "d", "hola", "0"));
        QProcessEnvironment e = prueba::SinPantalla();
        e.insert("XDG_DATA_HOME", dir.path() + "/datos");
        e.insert("HOME", dir.path() + "/datos");
        const Resultado x = Correr(programa, args, e);
        QCOMPARE(x.codigo, codigo);
        QCOMPARE(QDir(dir.path() + "/datos").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // The window is a program of its own: without it the command line still works, and the window
    // is refused in words.
    void sinElProgramaDeLaVentana() {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(app_.programa, dir.path() + "/rutinero"));
        const Resultado ventana = Correr(dir.path() + "/rutinero", {});
        QCOMPARE(ventana.codigo, 1);
        QVERIFY2(ventana.errores.contains("no se encuentra el programa de la ventana"), qPrintable(ventana.errores));
        QCOMPARE(Correr(dir.path() + "/rutinero", {"--version"}).codigo, 0);
    }

    void ventanaSinPantalla_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("la ventana") << QStringList();
        QTest::newRow("la búsqueda rápida") << QStringList{"--buscar", "debounce"};
    }
    void ventanaSinPantalla() {
        QFETCH(QStringList, args);
        const Resultado x = Correr(app_.programa, args);
        QCOMPARE(x.codigo, 1);
        QVERIFY2(x.errores.contains("no hay una pantalla gráfica disponible"), qPrintable(x.errores));
        QVERIFY2(!x.errores.contains("This application failed"), qPrintable(x.errores));
    }
};

QTEST_GUILESS_MAIN(tst_lineadeordenes)
#include "tst_lineadeordenes.moc"
