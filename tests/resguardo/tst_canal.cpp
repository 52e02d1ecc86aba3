// The channel through which a second start calls the running program, against a real `nobody`
// process (the helper `intruso`, through setpriv) that takes its name first or calls it.
#include "AyudasNucleo.h"
#include "search/Indexador.h"
#include "ui/mdlInicio.h"
#include "ui/tools/frmBusquedaRapida.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// The helper, copied where the other user can run it (the build folder may be closed to others).
QString gIntruso;

QProcessEnvironment Entorno() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    e.insert("QT_FORCE_STDERR_LOGGING", "1");
    return e;
}

// The helper run as `nobody`, with no runtime folder of its own.
struct Intruso {
    QProcess p;
    explicit Intruso(const QStringList &argumentos) {
        QProcessEnvironment e = Entorno();
        e.remove("XDG_RUNTIME_DIR");
        e.insert("HOME", "/");
        p.setProcessEnvironment(e);
        p.start("setpriv", QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", gIntruso} + argumentos);
    }
    ~Intruso() {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(10000);
        }
    }
    // Its next line, the event loop running meanwhile (this process may be the one it talks to).
    QByteArray linea() {
        (void)QTest::qWaitFor([this] { return p.canReadLine() || p.state() == QProcess::NotRunning; }, 30000);
        return p.readLine().trimmed();
    }
    // `ocupar`: told to stop, the bytes each connection it took was sent.
    QList<QByteArray> llamadas() {
        p.closeWriteChannel();
        (void)QTest::qWaitFor([this] { return p.state() == QProcess::NotRunning; }, 30000);
        QList<QByteArray> r;
        for (const QByteArray &l : p.readAllStandardOutput().split('\n'))
            if (l.startsWith("llamada"))
                r << QByteArray::fromHex(l.mid(8));
        return r;
    }
};

struct Resultado {
    int codigo = -100;
    QString errores;
};
} // namespace

class tst_canal : public QObject {
    Q_OBJECT
    std::unique_ptr<ayudas::Carpeta> c_;
    QString programa_;
    QByteArray xdg_;
    bool habiaXdg_ = false;
    QTemporaryDir herramientas_;

    // The real program of the test's folder, started again with `argumentos`: its exit and what it said.
    Resultado arrancar(const QStringList &argumentos) {
        QProcess p;
        p.setProcessEnvironment(Entorno());
        p.start(programa_, argumentos);
        if (!p.waitForStarted(30000))
            return {};
        // This event loop must run meanwhile: this process may be the one that answers.
        if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000))
            return {-2, {}};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3, QString::fromUtf8(p.readAllStandardError())};
    }
    QString carpeta() const { return c_->estado.carpeta; }

private slots:
    void initTestCase() {
        habiaXdg_ = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        xdg_ = qgetenv("XDG_RUNTIME_DIR");
        QVERIFY2(::getuid() == 0, "the other user is made with setpriv, which needs root");
        QVERIFY(herramientas_.isValid());
        gIntruso = herramientas_.filePath("intruso");
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero_intruso"), gIntruso));
        QCOMPARE(::chmod(QFile::encodeName(herramientas_.path()).constData(), 0755), 0);
        Intruso prueba({});
        QVERIFY(prueba.p.waitForFinished(30000));
        QVERIFY2(prueba.p.exitCode() == 64, "nobody cannot run the helper: is the temporary folder open to others?");
    }
    void init() {
        qunsetenv("XDG_RUNTIME_DIR");
        c_ = std::make_unique<ayudas::Carpeta>();
        c_->categoria("JavaScript", ayudas::Registro("Debounce", "d", "x", "1"));
        programa_ = c_->ruta("rutinero");
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero"), programa_));
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero-ventana"), programa_ + "-ventana"));
    }
    void cleanup() {
        c_.reset();
        if (habiaXdg_)
            qputenv("XDG_RUNTIME_DIR", xdg_);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

    // The program that finds its channel taken logs it and works on, holding the library.
    void canalOcupadoSeRegistraYElProgramaSigue() {
        Intruso intruso({"ocupar", mdlInicio::Presencia::Clave(carpeta())});
        QCOMPARE(intruso.linea(), "escuchando");
        QProcess p;
        p.setProcessEnvironment(Entorno());
        p.start(programa_, {});
        QVERIFY(p.waitForStarted(30000));
        QByteArray errores;
        QTRY_VERIFY_WITH_TIMEOUT((errores += p.readAllStandardError()).contains("Sin canal") ||
                                     p.state() == QProcess::NotRunning,
                                 30000);
        QVERIFY2(errores.contains("No se pudo abrir el canal"), errores.constData());
        QCOMPARE(p.state(), QProcess::Running);
        QVERIFY(!mdlInicio::TomarInstancia(carpeta()));
        p.terminate();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(intruso.llamadas(), QList<QByteArray>());
    }

    // A second start whose text nothing received never reports success: it says so in Spanish and
    // ends with 1, whether nothing listens or another user took the name first (the call sees whose
    // the listener is before it sends a byte).
    void buscarSinQuienLoRecibaFalla_data() {
        QTest::addColumn<bool>("otroEscucha");
        QTest::addColumn<QString>("dice");
        QTest::newRow("nadie escucha") << false << "pero no contesta";
        QTest::newRow("otro usuario escucha") << true << "otro usuario de este equipo";
    }
    void buscarSinQuienLoRecibaFalla() {
        QFETCH(bool, otroEscucha);
        QFETCH(QString, dice);
        std::unique_ptr<Intruso> intruso;
        if (otroEscucha) {
            intruso = std::make_unique<Intruso>(QStringList{"ocupar", mdlInicio::Presencia::Clave(carpeta())});
            QCOMPARE(intruso->linea(), "escuchando");
        }
        const auto bloqueo = mdlInicio::TomarInstancia(carpeta()); // a running instance, without its channel
        QVERIFY(bloqueo);
        const Resultado r = arrancar({"--buscar", "secreto"});
        QCOMPARE(r.codigo, 1);
        QVERIFY2(r.errores.contains(dice), qPrintable(r.errores));
        QVERIFY2(r.errores.contains("La búsqueda rápida no se abrió"), qPrintable(r.errores));
        if (intruso) // reached, and refused
            QCOMPARE(intruso->llamadas(), QList<QByteArray>{QByteArray()});
    }

    // Another user cannot call the running program: through the abstract name its connection is
    // closed unread; the socket file in a private folder it cannot even reach.
    void otroUsuarioNoPuedeLlamar_data() {
        QTest::addColumn<bool>("conCarpetaPrivada");
        QTest::addColumn<QByteArray>("oye");
        QTest::newRow("nombre abstracto") << false << QByteArray("cerrada");
        QTest::newRow("archivo en la carpeta privada") << true << QByteArray("sin conexion");
    }
    void otroUsuarioNoPuedeLlamar() {
        QFETCH(bool, conCarpetaPrivada);
        QFETCH(QByteArray, oye);
        const QTemporaryDir privada; // a runtime folder of this user's, mode 0700
        if (conCarpetaPrivada)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(privada.path()));
        Indexador indexador(c_->estado.carpetaCategorias(), c_->ruta("indice.db"));
        frmBusquedaRapida rapida(indexador, c_->estado.carpetaCategorias(), [](const biblioteca::Hallazgo &) {});
        int llamadas = 0;
        mdlInicio::Presencia presencia;
        QVERIFY(presencia.Escuchar(carpeta(), [&](const QByteArray &mensaje) {
            ++llamadas;
            mdlInicio::Atender(mensaje, rapida, {});
        }));
        const QString nombre = conCarpetaPrivada ? mdlInicio::Presencia::Ruta(carpeta()) : mdlInicio::Presencia::Clave(carpeta());
        if (!conCarpetaPrivada)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Llamada de otro usuario .*65534.* cerrada sin leerla"));
        Intruso intruso({"llamar", nombre, "texto del intruso"});
        QCOMPARE(intruso.linea(), oye);
        QTest::qWait(0);
        QCOMPARE(llamadas, 0);
        QVERIFY(!rapida.isVisible());
    }

    // The owner's own calls arrive: through the socket file when the runtime folder is the user's
    // alone, else through the abstract name, no file left behind.
    void elMismoUsuarioLlama_data() {
        QTest::addColumn<QString>("carpetaPrivada"); // how XDG_RUNTIME_DIR is
        QTest::addColumn<bool>("conArchivo");
        QTest::newRow("carpeta del usuario, 0700") << "propia" << true;
        QTest::newRow("sin XDG_RUNTIME_DIR") << "ninguna" << false;
        QTest::newRow("carpeta abierta a otros, 0755") << "abierta" << false;
        QTest::newRow("carpeta de otro usuario") << "ajena" << false;
    }
    void elMismoUsuarioLlama() {
        QFETCH(QString, carpetaPrivada);
        QFETCH(bool, conArchivo);
        const QTemporaryDir privada;
        if (carpetaPrivada != "ninguna")
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(privada.path()));
        if (carpetaPrivada == "abierta")
            QCOMPARE(::chmod(QFile::encodeName(privada.path()).constData(), 0755), 0);
        if (carpetaPrivada == "ajena")
            QCOMPARE(::chown(QFile::encodeName(privada.path()).constData(), 65534, 65534), 0);
        const auto bloqueo = mdlInicio::TomarInstancia(carpeta());
        QVERIFY(bloqueo);
        QList<QByteArray> recibidos;
        {
            mdlInicio::Presencia presencia;
            QVERIFY(presencia.Escuchar(carpeta(), [&](const QByteArray &m) { recibidos << m; }));
            struct stat st {};
            const QByteArray archivo = QFile::encodeName(privada.path() + "/" + mdlInicio::Presencia::Clave(carpeta()));
            QCOMPARE(::lstat(archivo.constData(), &st) == 0 && S_ISSOCK(st.st_mode), conArchivo);
            const Resultado r = arrancar({"--buscar", "hola", "mundo"});
            QVERIFY2(r.codigo == 0, qPrintable(r.errores));
            QCOMPARE(recibidos, QList<QByteArray>{mdlInicio::Mensaje({true, "hola mundo"})});
        }
        // Closed, the channel leaves no file behind.
        QCOMPARE(QDir(privada.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList());
    }
};

QTEST_MAIN(tst_canal)
#include "tst_canal.moc"
