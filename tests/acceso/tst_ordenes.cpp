// The command line, run as a shell or an editor runs it: the real program, copied into an
// application folder of the test's own, as a child process; its output, messages and exit codes.
#include "AyudasNucleo.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

namespace {

QByteArray Registro(const char *nombre, const char *codigo) {
    return ayudas::Registro(nombre, "d", codigo, "5");
}

// Every file of the folder with its bytes.
QMap<QString, QByteArray> Todo(const QString &carpeta) {
    QMap<QString, QByteArray> r;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        r.insert(ruta, ayudas::LeerBytes(ruta));
    }
    return r;
}

struct Resultado {
    int codigo = -1;
    QByteArray salida, errores;
};

} // namespace

class tst_ordenes : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString programa_;

    Resultado Ejecutar(const QStringList &args, const QString &programa = {}) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove("DISPLAY"); // no display is needed
        e.remove("WAYLAND_DISPLAY");
        e.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(e);
        p.start(programa.isEmpty() ? programa_ : programa, args);
        if (!p.waitForFinished(30000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        programa_ = dir_.path() + "/app/rutinero";
        QVERIFY(QDir().mkpath(dir_.path() + "/app/Categorias"));
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero"), programa_));
        const QString cat = dir_.path() + "/app/Categorias/";
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
        QTest::newRow("lista con texto") << QStringList{"--lista", "bounce"} << 0 << "Menus\tdebounce\n"
                                         << QString();
        QTest::newRow("lista sin acentos") << QStringList{"--lista", "camion"} << 0
                                           << QString::fromUtf8("Categoría Ñ\tCamión\n") << QString();
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
        const auto antes = Todo(dir_.path() + "/app");
        const Resultado r = Ejecutar(args);
        QCOMPARE(r.codigo, codigo);
        QCOMPARE(QString::fromUtf8(r.salida), salida);
        if (errores.isEmpty())
            QCOMPARE(r.errores, QByteArray());
        else
            QVERIFY2(QString::fromUtf8(r.errores).contains(errores), r.errores.constData());
        // Only read: nothing written, no lock left.
        QCOMPARE(Todo(dir_.path() + "/app"), antes);
    }

    void ayudaEnEspanol_data() {
        QTest::addColumn<QString>("orden");
        QTest::newRow("--ayuda") << "--ayuda";
        QTest::newRow("--help") << "--help";
    }
    void ayudaEnEspanol() {
        QFETCH(QString, orden);
        const Resultado r = Ejecutar({orden});
        QCOMPARE(r.codigo, 0);
        const QString texto = QString::fromUtf8(r.salida);
        QVERIFY2(texto.contains("--lista") && texto.contains("--codigo"), r.salida);
        QVERIFY2(texto.contains("Biblioteca en uso: " + dir_.path() + "/app/Categorias"),
                 r.salida);
    }

    // A program whose folder has no library says so, in Spanish, and ends with 1.
    void sinCarpetaDeCategorias() {
        QTemporaryDir otro;
        const QString programa = otro.path() + "/rutinero";
        QVERIFY(QFile::copy(programa_, programa));
        const Resultado r = Ejecutar({"--lista"}, programa);
        QCOMPARE(r.codigo, 1);
        QCOMPARE(r.salida, QByteArray());
        QVERIFY2(QString::fromUtf8(r.errores).contains("no existe la carpeta de categorías"),
                 r.errores.constData());
    }
};

QTEST_GUILESS_MAIN(tst_ordenes)
#include "tst_ordenes.moc"
