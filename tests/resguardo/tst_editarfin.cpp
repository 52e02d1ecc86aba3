// A real SIGTERM to a second process whose editor ("Editar") has changed code not yet accepted: the
// recovery, taken at the next start, replaces that script in place instead of adding a second one.
#include "Ayudas.h"
#include "format/Recuperacion.h"
#include "format/mdlScripts.h"
#include "ui/Mensajes.h"
#include "ui/editor/frmScript.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <unistd.h>

namespace {
using ayudas::Registro;
using ayudas::ui;
const QByteArray kMenus = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2", "2") + Registro("tres", "d", "c3", "3");
const QByteArray kEditado = Registro("uno", "d", "c1", "1") + Registro("dos", "d", "c2 editado", "2") +
                            Registro("tres", "d", "c3", "3");
const char *const kHijo = "RUTINERO_PRUEBA_EDITARFIN";

// The second process: the real main window over the folder, wired for the end as the program's
// entry wires it, with "Editar" open on "dos" and its code changed; it says "listo" and waits.
int Hijo(const QString &carpeta, int argc, char **argv) {
    QApplication app(argc, argv);
    Estado estado;
    estado.carpeta = carpeta;
    const auto w = ayudas::PrincipalParaElFin(estado, QStringLiteral("Menus"), QStringLiteral("dos"));
    // The editor runs as the user would see it until something closes it; any other box is a fault.
    mensajes::SinRespuesta([](QWidget *ventana) {
        auto *editor = qobject_cast<frmScript *>(ventana);
        if (!editor)
            ::_exit(3);
        editor->ponerCodigo(QStringLiteral("c2 editado"));
        std::fputs("listo\n", stdout);
        std::fflush(stdout);
        QEventLoop bucle;
        QObject::connect(editor, &QDialog::finished, &bucle, &QEventLoop::quit);
        if (editor->isVisible())
            bucle.exec();
        return mensajes::kSuResultado;
    });
    QTimer::singleShot(0, w.get(), [&w] { w->EditarS(); });
    return app.exec();
}
} // namespace

class tst_editarfin : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    void sigtermEnEditarConservaElLugar() {
        ayudas::VentanaPrincipal v(ayudas::VentanaPrincipal::PorCrear{});
        ayudas::Carpeta &c = v.c;
        c.categoria("Menus", kMenus);
        const QString fallo = ayudas::TerminarSegundoProceso(kHijo, c.dir.path());
        QVERIFY2(fallo.isEmpty(), qPrintable(fallo));

        // The category's file as it was; the recovery with the edited script where it stood.
        QCOMPARE(ayudas::LeerBytes(c.estado.rutaCategoria("Menus")), kMenus);
        const auto pendientes = recuperacion::Pendientes(c.estado);
        QCOMPARE(pendientes.size(), 1);
        QCOMPARE(pendientes.first().scripts, mdlScripts::Analizar(kEditado));

        // The next start: recovering puts the edited script in place, and saving writes it so.
        v.crear();
        v.w->setOpcionMarcada(1, false);
        ayudas::ContestarMensaje(QMessageBox::Yes);
        v.w->OfrecerRecuperacion();
        QCOMPARE(v.scripts(), (QStringList{"uno", "dos", "tres"}));
        QVERIFY(ayudas::HayCambios(*v.w));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuGuardar->trigger();
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), kEditado);
    }
};

RUTINERO_MAIN_CON_HIJO(tst_editarfin, kHijo, Hijo)

#include "tst_editarfin.moc"
