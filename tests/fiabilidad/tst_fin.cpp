// The program ended from outside: a real SIGTERM to a real second process, and the end of the
// desktop session with and without leave to ask. Pending changes are never lost: asked about, or
// kept in a recovery file (never a category) and offered at the next start.
#include "Ayudas.h"
#include "format/Recuperacion.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <unistd.h>

namespace {
using ayudas::Registro;
using ayudas::ui;
const QByteArray kMenus = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2") + Registro("tres", "d", "c3", "3");
const char *const kHijo = "RUTINERO_PRUEBA_FIN";

// The second process: the real main window over the folder, a script deleted and left pending,
// wired for the end as the program's entry wires it; then it waits.
int Hijo(const QString &carpeta, int argc, char **argv) {
    QApplication app(argc, argv);
    Estado estado;
    estado.carpeta = carpeta;
    const auto w = ayudas::PrincipalParaElFin(estado, QStringLiteral("Menus"), QStringLiteral("dos"));
    w->EliminarS();
    // Nobody answers a box in this process: one would be a fault, and ends it with a mark.
    mensajes::SinRespuesta([](QWidget *) {
        ::_exit(3);
        return 0;
    });
    std::fputs("listo\n", stdout);
    std::fflush(stdout);
    return app.exec();
}
} // namespace

class tst_fin : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    // kill (SIGTERM) on a running program with a pending deletion: the file stays as it was, the
    // pending list waits in a recovery file outside Categorias, and the preferences are written.
    void sigtermGuardaLosCambiosParaRecuperar() {
        ayudas::Carpeta c;
        c.categoria("Menus", kMenus);
        const QString fallo = ayudas::TerminarSegundoProceso(kHijo, c.dir.path());
        QVERIFY2(fallo.isEmpty(), qPrintable(fallo));

        QCOMPARE(ayudas::LeerBytes(c.estado.rutaCategoria("Menus")), kMenus);
        QVERIFY(QFileInfo::exists(c.estado.rutaConfig()));
        const auto pendientes = recuperacion::Pendientes(c.estado);
        QCOMPARE(pendientes.size(), 1);
        QCOMPARE(pendientes.first().categoria, QStringLiteral("Menus"));
        const QByteArray sinDos = Registro("uno", "d", "c1", "1") + Registro("tres", "d", "c3", "3");
        QCOMPARE(pendientes.first().scripts, mdlScripts::Analizar(sinDos));
        QCOMPARE(QDir(c.estado.carpetaCategorias()).entryList(QDir::Files), QStringList{"Menus.rtn"});
    }

    // At the next start the recovered changes are offered; Sí puts them back as pending changes of
    // their category, and saving writes them.
    void recuperacionSeOfreceAlArrancar() {
        ayudas::VentanaPrincipal v({{"Menus", kMenus}});
        QVERIFY(recuperacion::Guardar(v.c.estado, "Menus", Registro("uno", "d", "c1", "1")));
        ayudas::Mensaje oferta;
        ayudas::ContestarMensaje(QMessageBox::Yes, &oferta);
        v.w->OfrecerRecuperacion();
        QVERIFY(oferta.texto.contains("Menus"));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Menus"));
        QCOMPARE(v.scripts(), QStringList{"uno"});
        QVERIFY(ayudas::HayCambios(*v.w));
        QVERIFY(recuperacion::Pendientes(v.c.estado).isEmpty());
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(v.enArchivo("Menus"), QStringList{"uno"});
    }

    // A recovery of a category deleted meanwhile makes it again; No drops the recovery.
    void recuperacionDeCategoriaBorradaORechazada() {
        ayudas::VentanaPrincipal v({{"Otra", kMenus}});
        QVERIFY(recuperacion::Guardar(v.c.estado, "Perdida", Registro("uno", "d", "c1", "1")));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        v.w->OfrecerRecuperacion();
        QCOMPARE(v.enArchivo("Perdida"), QStringList{"uno"});
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Perdida"));

        ayudas::VentanaPrincipal otra({{"Menus", kMenus}});
        QVERIFY(recuperacion::Guardar(otra.c.estado, "Menus", Registro("uno", "d", "c1", "1")));
        ayudas::ContestarMensaje(QMessageBox::No);
        otra.w->OfrecerRecuperacion();
        QVERIFY(recuperacion::Pendientes(otra.c.estado).isEmpty());
        QVERIFY(!ayudas::HayCambios(*otra.w));
        QCOMPARE(otra.enArchivo("Menus"), (QStringList{"uno", "dos", "tres"}));
    }

    // The session ends and the desktop lets the program ask: the save question runs and Sí saves.
    // (Without leave to ask it is what SIGTERM does, above.)
    void finDeSesionPreguntaSiPuede() {
        ayudas::VentanaPrincipal v({{"Menus", kMenus}});
        v.w->setOpcionMarcada(1, false);
        v.abrir("Menus");
        v.seleccionarScript("dos");
        v.w->EliminarS();
        ayudas::ContestarMensaje(QMessageBox::Yes);
        QVERIFY(v.w->FinDeSesion(true));
        QCOMPARE(v.enArchivo("Menus"), (QStringList{"uno", "tres"}));
        QVERIFY(QFileInfo::exists(v.c.estado.rutaConfig()));
        QVERIFY(recuperacion::Pendientes(v.c.estado).isEmpty());
    }
};

RUTINERO_MAIN_CON_HIJO(tst_fin, kHijo, Hijo)

#include "tst_fin.moc"
