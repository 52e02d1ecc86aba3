// The index's names loaded in the background at start: ending the real program meanwhile (SIGTERM,
// as a shutdown does) stops the loading and the program ends cleanly, without waiting for it.
#include "../historial/Programa.h"
#include "search/IndiceBiblioteca.h"
#include "search/Indexador.h"

#include <QtTest>
#include <atomic>
#include <cstdio>

namespace {
using ayudas::Registro;

// Enough scripts that loading their names takes a while, and their index.
void Biblioteca(ayudas::Carpeta &c, const QString &rutaIndice) {
    for (int k = 0; k < 300; ++k) {
        QByteArray datos;
        for (int i = 0; i < 400; ++i)
            datos += Registro("nombre " + QByteArray::number(k * 1000 + i), "una descripcion de prueba", "x", "1");
        c.categoria(QStringLiteral("Cat%1").arg(k), datos);
    }
    biblioteca::Indice indice(rutaIndice);
    QVERIFY(indice.AbrirParaEscribir());
    QCOMPARE(indice.Actualizar(c.estado.carpetaCategorias()).size(), 300);
}

// What the index's threads log, heard as they log it.
std::atomic<int> cargas{0}, abandonos{0};
QtMessageHandler anterior = nullptr;
void Oir(QtMsgType tipo, const QMessageLogContext &contexto, const QString &texto) {
    if (texto.contains(QLatin1String("loading index names")))
        ++cargas;
    if (texto.contains(QLatin1String("loading the index's names given up")))
        ++abandonos;
    anterior(tipo, contexto, texto);
}
} // namespace

class tst_indice_calentamiento : public QObject {
    Q_OBJECT
private slots:
    // The index's owner going (as the main window does on closing) while the names load: the
    // loading stops and the threads end, on the real index.
    void cerrarDuranteLaCargaLaDetiene() {
        ayudas::Carpeta c;
        const QString ruta = c.estado.carpetaPreferencias() + "/indice.db";
        Biblioteca(c, ruta);
        if (QTest::currentTestFailed())
            return;
        QLoggingCategory::setFilterRules("rutinero.indice.debug=true");
        anterior = qInstallMessageHandler(Oir);
        const auto restaurar = qScopeGuard([] {
            qInstallMessageHandler(anterior);
            QLoggingCategory::setFilterRules(QString());
        });
        cargas = abandonos = 0;
        {
            Indexador ix(c.estado.carpetaCategorias(), ruta);
            ix.Iniciar();
            QTRY_VERIFY_WITH_TIMEOUT(cargas > 0, 60000);
        }
        QCOMPARE(abandonos.load(), 1);
    }

    void terminarDuranteLaCargaTerminaLimpio() {
        programa::Programa p;
        QVERIFY(!QTest::currentTestFailed());
        // Enough scripts that loading their names takes a while; the index made beforehand, so that
        // the program has only to load it.
        const QString carpeta = p.c.estado.carpetaCategorias();
        Biblioteca(p.c, p.c.estado.carpetaPreferencias() + "/indice-biblioteca.db");
        if (QTest::currentTestFailed())
            return;
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
        // Written beside first and put in place together, so that one pass reads them all.
        for (int k = 0; k < 300; ++k) {
            const QString ruta = carpeta + QStringLiteral("/Cat%1.rtn").arg(k);
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::ReadOnly));
            ayudas::EscribirBytes(ruta + ".tmp", f.readAll());
        }
        for (int k = 0; k < 300; ++k) {
            const QByteArray ruta = QFile::encodeName(carpeta + QStringLiteral("/Cat%1.rtn").arg(k));
            QVERIFY(::rename((ruta + ".tmp").constData(), ruta.constData()) == 0);
        }
        salida.clear();
        QVERIFY2(hasta("loading index names"), salida.constData());
        p.p.terminate();
        QVERIFY(p.p.waitForFinished(30000));
        salida += p.p.readAll();
        QCOMPARE(p.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.p.exitCode(), 0);
        QVERIFY2(!salida.contains("QThread: Destroyed"), salida.constData());
    }
};

PROGRAMA_MAIN(tst_indice_calentamiento)
#include "tst_indice_calentamiento.moc"
