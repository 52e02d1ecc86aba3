// The command line, run as a shell or an editor runs it: the real program, copied into an
// application folder of the test's own, as a child process; its output, messages and exit codes.
#include "AyudasNucleo.h"
#include "../editores/Programa.h"

namespace {
QByteArray Registro(const char *nombre, const char *codigo) {
    return ayudas::Registro(nombre, "d", codigo, "5");
}
} // namespace

class tst_ordenes : public QObject {
    Q_OBJECT
    prueba::Aplicacion app_;

  private slots:
    void initTestCase() {
        QVERIFY(QFileInfo::exists(app_.programa));
        const QString cat = app_.categorias() + '/';
        // Windows-1252 names and code, as the files are.
        ayudas::EscribirBytes(cat + "Categoría Ñ.rtn",
                              Registro("Cami\xf3n", "echo *RTN*hola*RTN*\r\necho adi\xf3s") +
                                  Registro("a/b con barra", "ruta"));
        ayudas::EscribirBytes(cat + "Menus.rtn", Registro("debounce", "setTimeout(f, 100)") +
                                                                     Registro("Otra", "x"));
    }

    // Without an index, --lista reads the files. How --codigo matches names (a slash in one, a
    // category that is not there) is tst_lineadeordenes'.
    void ordenes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QString>("salida");
        QTest::addColumn<QString>("errores"); // a part of the message, or empty for none
        QTest::newRow("lista entera") << QStringList{"--lista"} << 0
                                      << QString::fromUtf8("Categoría Ñ\tCamión\nCategoría Ñ\ta/b con barra\n"
                                                           "Menus\tdebounce\nMenus\tOtra\n")
                                      << QString();
        QTest::newRow("lista sin coincidencias") << QStringList{"--lista", "zzzz"} << 1 << QString() << QString();
        QTest::newRow("código con comillas y líneas")
            << QStringList{QString::fromUtf8("--codigo"), QString::fromUtf8("Categoría Ñ/Camión")} << 0
            << QString::fromUtf8("echo \"hola\"\necho adiós\n") << QString();
        QTest::newRow("script que no existe") << QStringList{"--codigo", "Menus/Nadie"} << 1 << QString()
                                              << QString::fromUtf8("no tiene un script llamado «Nadie»");
        QTest::newRow("sin barra") << QStringList{"--codigo", "Menus"} << 2 << QString()
                                   << QString::fromUtf8("\"Categoría/Nombre\"");
    }
    void ordenes() {
        QFETCH(QStringList, args);
        QFETCH(int, codigo);
        QFETCH(QString, salida);
        QFETCH(QString, errores);
        const auto antes = app_.Todo();
        const prueba::Resultado r = prueba::Correr(app_.programa, args);
        QCOMPARE(r.codigo, codigo);
        QCOMPARE(r.salida, salida);
        if (errores.isEmpty())
            QCOMPARE(r.errores, QString());
        else
            QVERIFY2(r.errores.contains(errores), qPrintable(r.errores));
        // Only read: nothing written, no lock left.
        QCOMPARE(app_.Todo(), antes);
    }

    void ayudaEnEspanol_data() {
        QTest::addColumn<QString>("orden");
        QTest::newRow("--ayuda") << "--ayuda";
        QTest::newRow("--help") << "--help";
    }
    void ayudaEnEspanol() {
        QFETCH(QString, orden);
        const prueba::Resultado r = prueba::Correr(app_.programa, {orden});
        QCOMPARE(r.codigo, 0);
        QVERIFY2(r.salida.contains("--lista") && r.salida.contains("--codigo"), qPrintable(r.salida));
        QVERIFY2(r.salida.contains("Biblioteca en uso: " + app_.categorias()), qPrintable(r.salida));
    }

    // A program whose folder has no library says so, in Spanish, and ends with 1.
    void sinCarpetaDeCategorias() {
        QTemporaryDir otro;
        const QString programa = otro.path() + "/rutinero";
        QVERIFY(QFile::copy(app_.programa, programa));
        const prueba::Resultado r = prueba::Correr(programa, {"--lista"});
        QCOMPARE(r.codigo, 1);
        QCOMPARE(r.salida, QString());
        QVERIFY2(r.errores.contains("no existe la carpeta de categorías"), qPrintable(r.errores));
    }
};

QTEST_GUILESS_MAIN(tst_ordenes)
#include "tst_ordenes.moc"
