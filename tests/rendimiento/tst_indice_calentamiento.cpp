// The index's names loaded in the background at start: ending the real program meanwhile (SIGTERM,
// as a shutdown does) stops the loading and the program ends cleanly, without waiting for it.
#include "../historial/Programa.h"
#include "store/IndiceBiblioteca.h"

#include <QtTest>
#include <cstdio>

namespace {
using ayudas::Registro;
}

class tst_indice_calentamiento : public QObject {
    Q_OBJECT
private slots:
    void terminarDuranteLaCargaTerminaLimpio() {
        programa::Programa p;
        QVERIFY(!QTest::currentTestFailed());
        // Enough scripts that loading their names takes a while; the index made beforehand, so that
        // the program has only to load it.
        const QString carpeta = p.c.estado.carpetaCategorias();
        for (int k = 0; k < 300; ++k) {
            QByteArray datos;
            for (int i = 0; i < 400; ++i)
                datos += Registro("nombre " + QByteArray::number(k * 1000 + i), "una descripcion de prueba",
                                  "x", "1");
            p.c.categoria(QStringLiteral("Cat%1").arg(k), datos);
        }
        {
            biblioteca::Indice indice(p.c.estado.carpetaPreferencias() + "/indice-biblioteca.db");
            QVERIFY(indice.AbrirParaEscribir());
            QCOMPARE(indice.Actualizar(carpeta).size(), 300);
        }
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QString::fromLatin1(programa::kHijo), "1");
        e.insert("QT_LOGGING_RULES", "rutinero.indice.debug=true");
        p.p.setProcessEnvironment(e);
        p.p.setProcessChannelMode(QProcess::MergedChannels);
        p.p.start(p.ejecutable, {});
        QVERIFY(p.p.waitForStarted());
        QByteArray salida;
        const auto hasta = [&](const QByteArray &texto) {
            while (p.p.waitForReadyRead(60000) || p.p.canReadLine())
                while (p.p.canReadLine()) {
                    const QByteArray linea = p.p.readLine();
                    salida += linea;
                    if (linea.contains(texto))
                        return true;
                }
            return false;
        };
        QVERIFY2(hasta("listo"), salida.constData());
        // Every category written again, as another program would: once the index has read them, the
        // search loads every name again, with the program running. The signal goes as that begins.
        for (int k = 0; k < 300; ++k) {
            const QString ruta = carpeta + QStringLiteral("/Cat%1.rtn").arg(k);
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::ReadOnly));
            ayudas::EscribirBytes(ruta + ".tmp", f.readAll());
            QVERIFY(::rename(QFile::encodeName(ruta + ".tmp").constData(), QFile::encodeName(ruta).constData()) == 0);
        }
        salida.clear();
        QVERIFY2(hasta("loading index names"), salida.constData());
        p.p.terminate();
        QVERIFY(p.p.waitForFinished(30000));
        salida += p.p.readAll();
        QCOMPARE(p.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.p.exitCode(), 0);
        QVERIFY2(!salida.contains("QThread: Destroyed"), salida.constData());
        if (salida.contains("index names loaded") && !salida.contains("loading the index's names given up"))
            QSKIP("the names were loaded before the signal arrived: the loading was not stopped this time");
        QVERIFY2(salida.contains("loading the index's names given up"), salida.constData());
    }
};

int main(int argc, char **argv) {
    if (programa::EsHijo())
        return programa::Hijo(argc, argv);
    QApplication app(argc, argv);
    tst_indice_calentamiento t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_indice_calentamiento.moc"
