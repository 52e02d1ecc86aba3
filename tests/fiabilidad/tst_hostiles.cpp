// Files from other users and faults on disk: never a crash or a hang, never another file changed,
// and a category on disk is always either as it was or completely new.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "store/mdlScripts.h"

#include <QProcess>
#include <QtTest>
#include <csignal>
#include <cstdio>

using namespace mdlScripts;

namespace {
QVector<Script> Muchos(int n) {
    QVector<Script> v;
    v.reserve(n);
    for (int i = 0; i < n; ++i)
        v.append({QStringLiteral("Script %1").arg(i), QStringLiteral("descripción"),
                  QStringLiteral("línea 1\r\nlínea *RTN*2*RTN*\r\n").repeated(8), QString::number(i % 10)});
    return v;
}

// A child copy of this program that saves a big category forever, to be killed in the middle.
int Hijo(const QString &ruta) {
    const QVector<Script> v = Muchos(100000);
    std::fputs("listo\n", stdout);
    std::fflush(stdout);
    for (;;)
        GuardarArchivo(ruta, v);
}
} // namespace

class tst_hostiles : public QObject {
    Q_OBJECT
private slots:
    void archivosRaros_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("registros");
        QTest::newRow("0 bytes") << QByteArray() << 0;
        QTest::newRow("comilla sin cerrar") << QByteArray("\"abc\r\ndef") << 1;
        QTest::newRow("NUL y 0x80-0x9F") << QByteArray("\"\0\x80\x9f\"\r\n\"\x81\"\r\n\"\"\r\n\"1\"\r\n", 18) << 1;
        QTest::newRow("campo de 50 MB") << ("\"" + QByteArray(50 * 1024 * 1024, 'x') + "\"\r\n") << 1;
        QTest::newRow("línea de 10 MB sin comillas") << QByteArray(10 * 1024 * 1024, 'y') << 1;
        QTest::newRow("CR solo") << QByteArray("\"a\"\r\"b\"\r\"c\"\r\"d\"\r") << 1;
        QTest::newRow("LF solo") << QByteArray("\"a\"\n\"b\"\n\"c\"\n\"d\"\n") << 1;
        QTest::newRow("sólo comas") << QByteArray(100000, ',') << 25000;
    }
    void archivosRaros() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, registros);
        ayudas::Carpeta c;
        c.categoria(QStringLiteral("Raro"), bytes);
        c.categoria(QStringLiteral("Otra"), "\"o\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n");
        QVector<Script> v;
        QVERIFY(LeerArchivo(c.estado.rutaCategoria(QStringLiteral("Raro")), v));
        QCOMPARE(v.size(), registros);
        QCOMPARE(Analizar(Componer(v)), v);
        QCOMPARE(ayudas::LeerBytes(c.estado.rutaCategoria(QStringLiteral("Otra"))),
                 QByteArray("\"o\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n"));
    }

    void cienMilRegistros() {
        ayudas::Carpeta c;
        const QVector<Script> v = Muchos(100000);
        QDir().mkpath(c.estado.carpetaCategorias());
        QVERIFY(GuardarArchivo(c.estado.rutaCategoria(QStringLiteral("Grande")), v));
        QVector<Script> leidos;
        QVERIFY(LeerArchivo(c.estado.rutaCategoria(QStringLiteral("Grande")), leidos));
        QCOMPARE(leidos.size(), 100000);
        QCOMPARE(leidos.back(), v.back());
    }

    void noSonArchivos() {
        ayudas::Carpeta c;
        QDir().mkpath(c.estado.rutaCategoria(QStringLiteral("Carpeta")));
        QVector<Script> v;
        QString error;
        QVERIFY(!LeerArchivo(c.estado.rutaCategoria(QStringLiteral("Carpeta")), v, &error));
        QVERIFY(!error.isEmpty());
        const QString bucle = c.estado.rutaCategoria(QStringLiteral("Bucle"));
        QFile::link(bucle, bucle);
        QVERIFY(!LeerArchivo(bucle, v, &error));
        QVERIFY(v.isEmpty());
        // Saving over a folder fails and leaves it be.
        QVERIFY(!GuardarArchivo(c.estado.rutaCategoria(QStringLiteral("Carpeta")), Muchos(2), &error));
        QVERIFY(QFileInfo(c.estado.rutaCategoria(QStringLiteral("Carpeta"))).isDir());
    }

    void sinPermisoDeLectura() {
        ayudas::Carpeta c;
        c.categoria(QStringLiteral("Cerrada"), "\"a\"\r\n");
        QFile::setPermissions(c.estado.rutaCategoria(QStringLiteral("Cerrada")), QFileDevice::WriteOwner);
        QVector<Script> v;
        const bool leyo = LeerArchivo(c.estado.rutaCategoria(QStringLiteral("Cerrada")), v);
        QFile::setPermissions(c.estado.rutaCategoria(QStringLiteral("Cerrada")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (leyo)
            QSKIP("Running as a user that ignores file permissions");
        QVERIFY(v.isEmpty());
    }

    void configRoto() {
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(),
                              "suelta=1\r\n[Panel]\r\nCategor\xed" "as=100000\r\n[Categor\xed" "a]\r\nsin igual\r\n"
                              "Reemplazar=-99999999999\r\nMostrar=a\r\n[Categor\xed" "a]\r\nMostrar=b\r\n"
                              "[Fuente]\r\nTipo=1e400\r\n[Ventana]\r\nDerecha=\r\n");
        const QStringList panel = mdlINI::CargarPreferencias(c.estado);
        QVERIFY(panel.isEmpty());
        QCOMPARE(c.estado.Mostrar, QStringLiteral("a"));
        QCOMPARE(c.estado.Reemplazar, 0);
        QCOMPARE(c.estado.Tipo, 0);
        QVERIFY(!c.estado.Derecha);
    }

    void matadoAMitadDeGuardar() {
        ayudas::Carpeta c;
        const QString ruta = c.estado.rutaCategoria(QStringLiteral("Grande"));
        const QVector<Script> viejo = Muchos(1000);
        QDir().mkpath(c.estado.carpetaCategorias());
        QVERIFY(GuardarArchivo(ruta, viejo));
        const QByteArray antes = ayudas::LeerBytes(ruta);
        QProcess hijo;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RUTINERO_HIJO_GUARDAR"), ruta);
        hijo.setProcessEnvironment(env);
        hijo.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(hijo.waitForStarted());
        // Once the child saves in a loop, a kill lands in the middle of a save almost every time.
        QVERIFY(hijo.waitForReadyRead(60000));
        QTest::qWait(150);
        ::kill(pid_t(hijo.processId()), SIGKILL);
        QVERIFY(hijo.waitForFinished());
        const QByteArray despues = ayudas::LeerBytes(ruta);
        // Either the old file whole, or a complete new one.
        if (despues != antes) {
            QVector<Script> v;
            QVERIFY(LeerArchivo(ruta, v));
            QCOMPARE(v.size(), 100000);
        } else {
            QCOMPARE(Analizar(despues), viejo);
        }
    }
};

int main(int argc, char **argv) {
    const QString hijo = qEnvironmentVariable("RUTINERO_HIJO_GUARDAR");
    if (!hijo.isEmpty())
        return Hijo(hijo);
    QApplication app(argc, argv);
    tst_hostiles t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_hostiles.moc"
