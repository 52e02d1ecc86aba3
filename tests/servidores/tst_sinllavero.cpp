// Sync over HTTP where no desktop keyring can be reached (no session bus, as on a server or in a
// container): the token is asked at every sync, and the question says why it cannot be kept. A
// program of its own: the keyring library settles on its service once per process.
#include "../historial/Maquina.h"
#include "PreguntaClave.h"
#include "ServidorHttp.h"

#include "ui/Mensajes.h"

using servidores::kUsuario;
using servidores::ResponderClave;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
const QString kToken = QStringLiteral("ghp_Prueba0a1b2c3d4e");
} // namespace

class tst_sinllavero : public QObject {
    Q_OBJECT

    QTemporaryDir casa_;

private slots:
    void initTestCase() {
        // A home of the test's own, and a session bus address where nothing listens.
        qputenv("HOME", casa_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", casa_.filePath("config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", casa_.filePath("datos").toLocal8Bit());
        qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + casa_.filePath("sin-bus")).toLocal8Bit());
        for (const char *v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
            qunsetenv(v);
    }
    void cleanup() { mensajes::VaciarCola(); }

    // Each of two syncs asks, says why nothing is kept, and keeps nothing anywhere.
    void sinLlaveroSePreguntaCadaVez() {
        servidores::Http s;
        if (!s.Iniciar(kUsuario, kToken)) {
            if (s.falta)
                QSKIP(qPrintable(s.porQue));
            QFAIL(qPrintable(s.porQue));
        }
        Maquina a({{"Menus", kMenus}}, s.url());
        for (int i = 0; i < 2; ++i) {
            if (i > 0) {
                a.abrir("Menus");
                a.editar("a", QStringLiteral("cambiado %1").arg(i));
                a.guardar();
            }
            const auto p = ResponderClave(kToken, true); // "Recordar" disabled: no effect
            const git::Informe informe = a.sincronizar();
            QVERIFY2(informe.ok, qPrintable(informe.error));
            QVERIFY(p->vista);
            QVERIFY(!p->recordarPosible);
            QVERIFY2(p->llavero.startsWith("Recordar en este equipo: no se puede guardar: no se pudo hablar con el "
                                           "llavero del escritorio"),
                     qPrintable(p->llavero));
            QVERIFY2(p->llavero.endsWith("Se preguntará en cada sincronización."), qPrintable(p->llavero));
        }
        QCOMPARE(mensajes::Pendientes(), 0);
        QCOMPARE(servidores::ArchivosCon(a.c.dir.path(), kToken.toUtf8()), QStringList());
        QCOMPARE(servidores::ArchivosCon(casa_.path(), kToken.toUtf8()), QStringList());
    }
};

QTEST_MAIN(tst_sinllavero)
#include "tst_sinllavero.moc"
