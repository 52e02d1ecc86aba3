// Start and close under real conditions: one instance per application folder whatever the
// temporary folder, a lock that cannot be made is told, a second start calls the first to the front,
// a long panel list in config.ini and a hostile export extension.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "ui/mdlInicio.h"
#include "ui/editor/frmScript.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

using namespace ayudas;

namespace {
// This test program again as a second start on `carpeta`; `env` adds to its environment.
int SegundoArranque(const QString &carpeta, const QStringList &env = {}, QString *salida = nullptr) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("RUTINERO_HIJO_INSTANCIA", carpeta);
    for (const QString &par : env)
        e.insert(par.section('=', 0, 0), par.section('=', 1));
    p.setProcessEnvironment(e);
    p.start(QCoreApplication::applicationFilePath(), {});
    // The parent's event loop runs meanwhile: it may have to answer the child's call.
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000))
        return -1;
    if (salida)
        *salida = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return p.exitCode();
}

// Child: what a start does with the lock. 0 took it, 1 another instance runs (and it was called to
// the front: 2 if nobody answered), 3 the lock could not be made (the reason on stdout).
int HijoInstancia(int argc, char **argv, const QString &carpeta) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("RUTINERO_COMO_NADIE") &&
        (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0))
        return 9;
    QString error;
    const auto bloqueo = mdlInicio::TomarInstancia(carpeta, &error);
    if (bloqueo)
        return 0;
    if (!error.isEmpty()) {
        std::fputs(error.toUtf8().constData(), stdout);
        return 3;
    }
    return mdlInicio::Presencia::Llamar(carpeta) ? 1 : 2;
}
} // namespace

class tst_arranque : public QObject {
    Q_OBJECT
private slots:
    // The lock is a file in the application folder: a second start with another temporary folder,
    // or with one it cannot write, still finds the first.
    void unaInstanciaPorCarpeta_data() {
        QTest::addColumn<QString>("temporal");
        QTest::newRow("la misma carpeta temporal") << "";
        QTest::newRow("otra carpeta temporal") << "otra";
        QTest::newRow("carpeta temporal inexistente") << "/no/existe";
    }
    void unaInstanciaPorCarpeta() {
        QFETCH(QString, temporal);
        QTemporaryDir carpeta, otra;
        auto primera = mdlInicio::TomarInstancia(carpeta.path());
        QVERIFY(primera);
        // Nothing is written to take it.
        QVERIFY(QDir(carpeta.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
        const QString tmp = temporal == "otra" ? otra.path() : temporal;
        QCOMPARE(SegundoArranque(carpeta.path(), tmp.isEmpty() ? QStringList() : QStringList{"TMPDIR=" + tmp}), 2);
        // Another application folder is another library: it starts.
        QCOMPARE(SegundoArranque(otra.path(), {"TMPDIR=" + carpeta.path()}), 0);
        // Once the first instance has ended, a start takes the folder.
        primera.reset();
        QCOMPARE(SegundoArranque(carpeta.path()), 0);
    }

    // A folder the user may read but not write still starts: the lock writes nothing. One that cannot
    // be opened is a reason to tell, never taken for a running instance.
    void carpetaSinPermisos_data() {
        QTest::addColumn<bool>("legible");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("salida");
        QTest::newRow("de solo lectura") << true << 0 << "";
        QTest::newRow("ilegible") << false << 3 << "no tiene permiso";
    }
    void carpetaSinPermisos() {
        QFETCH(bool, legible);
        QFETCH(int, resultado);
        QFETCH(QString, salida);
        QTemporaryDir carpeta;
        // Root opens any folder: the start is made by the user nobody, and the owner's bits are root's.
        const bool root = ::geteuid() == 0;
        QFileDevice::Permissions permisos = root ? QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner | QFileDevice::ExeOther
                                                 : QFileDevice::ExeOwner;
        if (legible)
            permisos |= root ? QFileDevice::ReadOther : QFileDevice::ReadOwner;
        QVERIFY(QFile::setPermissions(carpeta.path(), permisos));
        QString dicho;
        QCOMPARE(SegundoArranque(carpeta.path(), root ? QStringList{"RUTINERO_COMO_NADIE=1"} : QStringList(), &dicho),
                 resultado);
        QFile::setPermissions(carpeta.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(dicho, salida);
    }

    // A second start calls the first, which brings its window to the front.
    void segundoArranqueTraeLaVentana() {
        Carpeta c;
        const auto primera = mdlInicio::TomarInstancia(c.dir.path());
        QVERIFY(primera);
        frmPrincipal w(c.estado);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showMinimized();
        QTRY_VERIFY(w.isMinimized());
        mdlInicio::Presencia presencia;
        int llamadas = 0;
        QVERIFY(presencia.Escuchar(c.dir.path(), [&] {
            ++llamadas;
            mdlInicio::TraerAlFrente(&w);
        }));
        QCOMPARE(SegundoArranque(c.dir.path()), 1);
        QTRY_COMPARE(llamadas, 1);
        QVERIFY(w.isVisible() && !w.isMinimized());
    }

    // The longest panel list the file can hold: read and written whole, and written once per key.
    void panelDe32767Entradas() {
        Carpeta c;
        QByteArray ini = "[Panel]\r\nCategor\xed" "as=32767\r\n";
        for (int i = 0; i < 32767; i += 2) // every other key missing: an empty entry
            ini += "nombre" + QByteArray::number(i) + "=e" + QByteArray::number(i) + "\r\n";
        EscribirBytes(c.estado.rutaConfig(), ini);
        const QStringList panel = mdlINI::CargarPreferencias(c.estado);
        QCOMPARE(panel.size(), 32767);
        QCOMPARE(panel.first(), QStringLiteral("e0"));
        QCOMPARE(panel[1], QString());
        QCOMPARE(panel.last(), QStringLiteral("e32766"));
        QVERIFY(mdlINI::GuardarPreferencias(c.estado, "Todas", panel));
        const QByteArray escrito = LeerBytes(c.estado.rutaConfig());
        // Each key once: the ones there replaced where they were, the missing ones after them.
        QCOMPARE(escrito.count("\r\nNombre"), 32767);
        QVERIFY(escrito.contains("\r\nNombre32766=e32766\r\nNombre1=\r\nNombre3=\r\n"));
        Estado otra;
        otra.carpeta = c.estado.carpeta;
        QCOMPARE(mdlINI::CargarPreferencias(otra), panel);
    }

    // Writing many keys at once gives the same file as writing them one by one, whatever the file
    // looked like: keys in another case, repeated keys, blank lines, other sections after it.
    void variasClavesComoUnaAUna_data() {
        QTest::addColumn<QByteArray>("inicial");
        QTest::newRow("sin archivo") << QByteArray();
        QTest::newRow("sin la sección") << QByteArray("[Otra]\r\nx=1\r\n");
        QTest::newRow("claves en otro caso y repetidas")
            << QByteArray("[panel]\r\nNOMBRE1=viejo\r\nnombre1=segundo\r\nNombre9=queda\r\n\r\n\r\n[Fuente]\r\nTipo=2\r\n");
        QTest::newRow("sección repetida") << QByteArray("[Panel]\r\nNombre0=a\r\n[Panel]\r\nNombre1=b\r\n");
    }
    void variasClavesComoUnaAUna() {
        QFETCH(QByteArray, inicial);
        const QVector<QPair<QString, QString>> pares = {
            {"Categor\u00edas", "3"}, {"Nombre0", "uno"}, {"Nombre1", "dos"}, {"Nombre2", ""}, {"nombre0", "otra vez"}};
        mdlINI::Ini una, varias;
        una.cargarBytes(inicial);
        varias.cargarBytes(inicial);
        for (const auto &[clave, valor] : pares)
            una.escribir("Panel", clave, valor);
        varias.escribirVarias("Panel", pares);
        QCOMPARE(varias.bytes(), una.bytes());
        QStringList claves;
        for (const auto &p : pares)
            claves << p.first;
        claves << "Nombre9" << "Falta";
        QStringList leidas;
        for (const QString &k : claves)
            leidas << una.leer("Panel", k, "?");
        QCOMPARE(varias.leerVarias("Panel", claves, "?"), leidas);
    }

    // The export extension comes from the file: only letters and digits reach the preview's path.
    void extensionDelArchivo_data() {
        QTest::addColumn<QByteArray>("valor");
        QTest::addColumn<QString>("extension");
        QTest::newRow("letras y cifras") << QByteArray("HTM5") << "HTM5";
        QTest::newRow("diez") << QByteArray("abcdefghij") << "abcdefghij";
        QTest::newRow("once") << QByteArray("abcdefghijk") << "html";
        QTest::newRow("ruta") << QByteArray("../../x") << "html";
        QTest::newRow("barra") << QByteArray("a/b") << "html";
        QTest::newRow("vacía") << QByteArray("") << "html";
        QTest::newRow("acento") << QByteArray("p\xe1g") << "html";
    }
    void extensionDelArchivo() {
        QFETCH(QByteArray, valor);
        QFETCH(QString, extension);
        Carpeta c;
        c.categoria("Menus", Registro("a", "d", "codigo", "1"));
        EscribirBytes(c.estado.rutaConfig(), "[Exportar]\r\nExtension=" + valor + "\r\n");
        mdlINI::CargarPreferencias(c.estado);
        QCOMPARE(c.estado.Extension, extension);
        // The preview goes where the valid extension says, and is opened from there.
        Navegador escritorio(true); // the desktop's handler of files too
        frmPrincipal w(c.estado);
        w.LlenarCat();
        ui(w)->lstCat->setCurrentItem(Buscar(ui(w)->lstCat, "Menus"));
        w.AbrirCategoria();
        ui(w)->lstScripts->Seleccionar(0);
        c.estado.ModoScript = QStringLiteral("Ver");
        frmScript editor(w);
        editor.show();
        editor.boton(5)->trigger();
        const QString ruta = c.estado.carpetaExportar() + "/Temp." + extension;
        QCOMPARE(escritorio.abiertas, QList<QUrl>{QUrl::fromLocalFile(ruta)});
        QCOMPARE(QDir(c.estado.carpetaExportar()).entryList(QDir::Files), QStringList{"Temp." + extension});
        QCOMPARE(QDir(c.dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{"Categorias", "Exportar", "Preferencias"}));
    }
};

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsSet("RUTINERO_HIJO_INSTANCIA"))
        return HijoInstancia(argc, argv, qEnvironmentVariable("RUTINERO_HIJO_INSTANCIA"));
    QApplication app(argc, argv);
    tst_arranque t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_arranque.moc"
