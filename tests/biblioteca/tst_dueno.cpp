// The folder's one writer (one operation at a time, every write announced, nothing outside the
// folder), and the single instance.
#include "AyudasNucleo.h"
#include "format/DuenoCarpeta.h"
#include "ui/mdlInicio.h"

#include <QtTest>
#include <atomic>

class tst_dueno : public QObject {
    Q_OBJECT
  private slots:
    // A save waits for another thread's hold on the folder (the sync's write step), never interleaved.
    void guardarEsperaALaToma() {
        QTemporaryDir dir;
        DuenoCarpeta &d = DuenoCarpeta::De(dir.path());
        std::atomic<bool> tomada{false}, soltar{false};
        QStringList orden;
        QMutex m;
        const std::unique_ptr<QThread> sincronizacion(QThread::create([&] {
            const auto toma = d.Tomar();
            tomada = true;
            d.Guardar("A.rtn", "1");
            while (!soltar)
                QThread::msleep(5);
            QMutexLocker l(&m);
            orden << "sincronización";
        }));
        sincronizacion->start();
        QTRY_VERIFY(tomada.load());
        const std::unique_ptr<QThread> guardado(QThread::create([&] {
            d.Guardar("B.rtn", "2");
            QMutexLocker l(&m);
            orden << "guardar";
        }));
        guardado->start();
        QTest::qWait(200);
        {
            QMutexLocker l(&m);
            QVERIFY(orden.isEmpty()); // the save is still waiting
        }
        soltar = true;
        QVERIFY(sincronizacion->wait(10000) && guardado->wait(10000));
        QCOMPARE(orden, (QStringList{"sincronización", "guardar"}));
    }

    // Every operation is announced once, with the names it touched; those under one hold, together.
    void cadaEscrituraSeAnuncia() {
        QTemporaryDir dir;
        DuenoCarpeta &d = DuenoCarpeta::De(dir.path());
        QSignalSpy escritos(&d, &DuenoCarpeta::escritos);
        QVERIFY(d.Guardar("A.rtn", "1"));
        QCOMPARE(d.Renombrar("A.rtn", "B.rtn"), categorias::Renombre::Hecho);
        ayudas::EscribirBytes(dir.path() + "/../fuera.rtn", "x");
        QVERIFY(d.Copiar(dir.path() + "/../fuera.rtn", "C.rtn"));
        QVERIFY(d.Eliminar("B.rtn"));
        {
            const auto toma = d.Tomar();
            QVERIFY(d.Guardar("D.rtn", "4"));
            QVERIFY(d.Guardar("E.rtn", "5"));
        }
        QList<QStringList> anunciados;
        for (const auto &a : escritos)
            anunciados << a.at(0).toStringList();
        QCOMPARE(anunciados,
                 (QList<QStringList>{{"A.rtn"}, {"A.rtn", "B.rtn"}, {"C.rtn"}, {"B.rtn"}, {"D.rtn", "E.rtn"}}));
        QFile::remove(dir.path() + "/../fuera.rtn");
    }

    // A name that would leave the folder is refused, and nothing is written or announced.
    void nombreQueSaleDeLaCarpetaSeRechaza_data() {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("subir") << "../x.rtn";
        QTest::newRow("subcarpeta") << "a/x.rtn";
        QTest::newRow("vacío") << QString();
    }
    void nombreQueSaleDeLaCarpetaSeRechaza() {
        QFETCH(QString, nombre);
        QTemporaryDir raiz;
        const QString carpeta = raiz.path() + "/Categorias";
        QDir().mkpath(carpeta);
        DuenoCarpeta &d = DuenoCarpeta::De(carpeta);
        QSignalSpy escritos(&d, &DuenoCarpeta::escritos);
        QString error;
        QVERIFY(!d.Guardar(nombre, "x", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(raiz.path() + "/x.rtn"));
        QCOMPARE(escritos.count(), 0);
    }

    // A lock file a crash on another computer left does not keep the program out.
    void bloqueoDeOtraMaquinaNoImpideArrancar() {
        QTemporaryDir dir;
        ayudas::EscribirBytes(dir.path() + "/rutinero.lock", "999999\nrutinero\notra-maquina\n");
        QString error;
        const auto instancia = mdlInicio::TomarInstancia(dir.path(), &error);
        QVERIFY2(instancia, qPrintable(error));
    }

    // A second start whose library is held by a program that does not answer says so.
    void instanciaMudaSeDice() {
        QTemporaryDir dir;
        const QString programa = dir.path() + "/rutinero";
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero"), programa));
        QVERIFY(QFile::copy(QStringLiteral(RUTINERO_CONSTRUCCION "/rutinero-ventana"), programa + "-ventana"));
        QDir().mkpath(dir.path() + "/Categorias");
        QString error;
        const auto instancia = mdlInicio::TomarInstancia(dir.path(), &error); // held here, never answered
        QVERIFY2(instancia, qPrintable(error));
        QProcess segundo;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        segundo.setProcessEnvironment(e);
        segundo.start(programa, {});
        QByteArray salida;
        // The box it shows waits for a person: the test reads its warning and ends it.
        for (int i = 0; i < 100 && !salida.contains("does not answer") && segundo.state() != QProcess::NotRunning; ++i) {
            segundo.waitForReadyRead(200);
            salida += segundo.readAllStandardError();
        }
        segundo.kill();
        segundo.waitForFinished(5000);
        QVERIFY2(salida.contains("does not answer"), salida.constData());
    }
};

QTEST_GUILESS_MAIN(tst_dueno)
#include "tst_dueno.moc"
