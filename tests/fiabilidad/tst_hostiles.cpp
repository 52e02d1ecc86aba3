// Files from other users and faults on disk: never a crash or a hang, never another file changed,
// and a category on disk is always either as it was or completely new.
#include "Ayudas.h"
#include "format/mdlScripts.h"

#include <QProcess>
#include <QtTest>
#include <csignal>
#include <cstdio>

using namespace mdlScripts;

namespace {
QVector<Script> Muchos(int n) {
    QVector<Script> v;
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
    // Read as it is, stored again without loss, and the file beside it untouched.
    void archivosRaros() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, registros);
        ayudas::Carpeta c;
        const QByteArray otra = ayudas::Registro("o", "", "", "");
        c.categoria(QStringLiteral("Raro"), bytes);
        c.categoria(QStringLiteral("Otra"), otra);
        QVector<Script> v;
        QVERIFY(LeerArchivo(c.estado.rutaCategoria(QStringLiteral("Raro")), v));
        QCOMPARE(v.size(), registros);
        QCOMPARE(Analizar(Componer(v)), v);
        QCOMPARE(ayudas::LeerBytes(c.estado.rutaCategoria(QStringLiteral("Otra"))), otra);
    }

    // A folder, a link to itself and a file without read permission: reading fails with a reason
    // and gives nothing; saving over the folder fails and leaves it be.
    void noSonArchivos() {
        ayudas::Carpeta c;
        const QString carpeta = c.estado.rutaCategoria(QStringLiteral("Carpeta"));
        const QString bucle = c.estado.rutaCategoria(QStringLiteral("Bucle"));
        const QString cerrada = c.estado.rutaCategoria(QStringLiteral("Cerrada"));
        QDir().mkpath(carpeta);
        QFile::link(bucle, bucle);
        c.categoria(QStringLiteral("Cerrada"), "\"a\"\r\n");
        QFile::setPermissions(cerrada, QFileDevice::WriteOwner);
        for (const QString &ruta : {carpeta, bucle, cerrada}) {
            if (ruta == cerrada && QFileInfo(cerrada).isReadable())
                continue; // running as a user that ignores file permissions
            QVector<Script> v;
            QString error;
            QVERIFY2(!LeerArchivo(ruta, v, &error) && !error.isEmpty() && v.isEmpty(), qPrintable(ruta));
        }
        QVERIFY(!GuardarArchivo(carpeta, Muchos(2)));
        QVERIFY(QFileInfo(carpeta).isDir());
    }

    // A big category saved and read back whole (no 16-bit limit), then a save killed half-way.
    void cienMilYMatadoAMitadDeGuardar() {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("Grande.rtn"));
        const QVector<Script> grande = Muchos(100000), viejo = Muchos(1000);
        QVector<Script> v;
        QVERIFY(GuardarArchivo(ruta, grande) && LeerArchivo(ruta, v));
        QCOMPARE(v, grande);
        QVERIFY(GuardarArchivo(ruta, viejo));
        qputenv("RUTINERO_HIJO_GUARDAR", ruta.toLocal8Bit());
        QProcess hijo;
        hijo.start(QCoreApplication::applicationFilePath(), {});
        // Once the child saves in a loop, a kill lands in the middle of a save almost every time.
        QVERIFY(hijo.waitForStarted() && hijo.waitForReadyRead(60000));
        QTest::qWait(150);
        QVERIFY(::kill(pid_t(hijo.processId()), SIGKILL) == 0 && hijo.waitForFinished());
        // Either the old file whole, or a complete new one.
        v.clear();
        QVERIFY(LeerArchivo(ruta, v));
        if (v.size() != viejo.size())
            QCOMPARE(v.size(), 100000);
        else
            QCOMPARE(v, viejo);
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
