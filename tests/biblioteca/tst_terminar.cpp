// Ending when nobody can be asked (SIGTERM, the session's end) with a script typed in an open editor
// and not yet accepted: the real program in a process of its own.
#include "../historial/Programa.h"
#include "DiscoLleno.h"
#include "format/Recuperacion.h"
#include "format/mdlScripts.h"

namespace {
const QByteArray kMenus = ayudas::Registro("a", "d", "1", "5");
const char *const kEspacioPropio = "RUTINERO_PRUEBA_TERMINAR_ESPACIO";
} // namespace

class tst_terminar : public QObject {
    Q_OBJECT
  private slots:
    // The typed script is kept for the next start, and the program ends without waiting on the
    // discard question.
    void sigtermGuardaLoTipeado() {
        programa::Programa p;
        p.c.categoria("Menus", kMenus);
        QVERIFY(p.Iniciar(false, "Menus"));
        QVERIFY(p.Terminar());
        QCOMPARE(ayudas::LeerBytes(p.c.estado.rutaCategoria("Menus")), kMenus);
        const auto pendientes = recuperacion::Pendientes(p.c.estado);
        QCOMPARE(pendientes.size(), 1);
        QCOMPARE(pendientes.first().categoria, "Menus");
        QCOMPARE(pendientes.first().scripts,
                 (mdlScripts::Analizar(kMenus) << Script{"tipeado", "sin aceptar", "echo *RTN*hola*RTN*", "5"}));
    }

    // On a full disk the typed script cannot be put aside: the program stays with it rather than drop
    // it, until a second SIGTERM.
    void sigtermConElDiscoLlenoNoLoPierde() {
        RUTINERO_MONTAR(montaje, 8 << 20, kEspacioPropio);
        programa::Programa p;
        p.c.categoria("Menus", kMenus);
        // The preferences (where recovery files go) on the full disk.
        const QString preferencias = p.c.estado.carpetaPreferencias();
        QVERIFY(QDir(preferencias).removeRecursively());
        QVERIFY(QFile::link(montaje.dir.path(), preferencias));
        QString error;
        QVERIFY2(mdlINI::GuardarPreferencias(p.c.estado, {}, {"Todas"}, &error), qPrintable(error));
        QVERIFY(p.Iniciar(false, "Menus"));
        ayudas::Llenar(montaje.dir.path());
        p.p.terminate();
        QVERIFY(!p.p.waitForFinished(3000)); // it stays, holding the script
        QVERIFY(recuperacion::Pendientes(p.c.estado).isEmpty());
        p.p.terminate();
        QVERIFY(p.p.waitForFinished(30000));
        QCOMPARE(p.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.p.exitCode(), 0);
    }
};

PROGRAMA_MAIN(tst_terminar)
#include "tst_terminar.moc"
