// Sync through a real smart-HTTP git server on this machine (lighttpd and git http-backend, with
// basic authentication), over HTTP and over TLS; the user name and token asked once, and kept in a
// real Secret Service keyring when the user says so.
#include "../historial/Maquina.h"
#include "Instalado.h"
#include "PreguntaClave.h"
#include "ServidorHttp.h"

#include "ui/Mensajes.h"
#include "ui/tools/Llavero.h"

#include <QStatusBar>

#include <csignal>

// The server `s` started (see Servidor): skipped when a package is missing, a failure otherwise.
#define SERVIDOR(s, ...)                                                                                        \
    const auto s = Servidor(__VA_ARGS__);                                                                       \
    if (!s) {                                                                                                   \
        if (sinServidor_.falta)                                                                                 \
            QSKIP(qPrintable(sinServidor_.porQue));                                                             \
        QFAIL(qPrintable(sinServidor_.porQue));                                                                 \
    }

using servidores::kUsuario;
using servidores::Modo;
using servidores::ResponderClave;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
const QString kToken = QStringLiteral("glpat-Prueba7f3c9e1d");

// The rows of a test tried over plain HTTP and over TLS.
void ConYSinTls() {
    QTest::addColumn<bool>("tls");
    QTest::newRow("HTTP") << false;
    QTest::newRow("HTTPS") << true;
}
} // namespace

class tst_https : public QObject {
    Q_OBJECT

    servidores::Llavero llavero_;
    servidores::Autoridad autoridad_, ajena_;
    servidores::Arranque sinServidor_; // why no server can start here: then every test ends at once

    // The server, over TLS when `tls` (its certificate signed by the authority the test trusts, or
    // by another when `ajena`).
    std::unique_ptr<servidores::Http> Servidor(bool tls, bool ajena = false) {
        auto s = std::make_unique<servidores::Http>();
        if (!sinServidor_.porQue.isEmpty() ||
            !s->Iniciar(kUsuario, kToken, tls ? (ajena ? &ajena_ : &autoridad_) : nullptr)) {
            if (sinServidor_.porQue.isEmpty())
                sinServidor_ = *s;
            return nullptr;
        }
        return s;
    }
    QString nombre(const servidores::Http &s) const { return llavero::Nombre(s.url()); }

private slots:
    void initTestCase() {
        // The keyring first: HOME, the XDG folders and the session bus of the whole program are its.
        if (!llavero_.Iniciar())
            sinServidor_ = llavero_;
        else if (!autoridad_.Crear("Autoridad de la prueba"))
            sinServidor_ = autoridad_;
        else if (!ajena_.Crear("Autoridad ajena"))
            sinServidor_ = ajena_;
        // The trust store of this test: its own authority and no other (git's own variable, which
        // the program reads first, may name the system's).
        qunsetenv("GIT_SSL_CAINFO");
        qputenv("SSL_CERT_FILE", autoridad_.certificado.toLocal8Bit());
    }
    // Every answer queued was taken: no question came that was not expected, nor one too few.
    void cleanup() {
        const int pendientes = mensajes::Pendientes();
        mensajes::VaciarCola();
        if (sinServidor_.porQue.isEmpty())
            llavero_.Vaciar();
        QCOMPARE(pendientes, 0);
    }

    // The token is asked once per sync (the fetch's and the push's connections share it), and the
    // second library gets what the first sent.
    void dosBibliotecasIntercambian_data() { ConYSinTls(); }
    void dosBibliotecasIntercambian() {
        QFETCH(bool, tls);
        SERVIDOR(s, tls);
        Maquina a({{"Menus", kMenus}}, s->url());
        const auto pa = ResponderClave(kToken);
        const git::Informe enviado = a.sincronizar();
        QVERIFY2(enviado.ok, qPrintable(enviado.error));
        QVERIFY(pa->vista);
        QVERIFY2(pa->texto.contains("El repositorio " + s->raiz()), qPrintable(pa->texto));
        QVERIFY2(pa->texto.contains("Cancelar, Esc o cerrar: no se sincroniza"), qPrintable(pa->texto));
        Maquina b({}, s->url());
        ResponderClave(kToken);
        const git::Informe recibido = b.sincronizar();
        QVERIFY2(recibido.ok, qPrintable(recibido.error));
        QCOMPARE(b.bytes("Menus"), a.bytes("Menus"));
        // Not asked to keep it: nothing kept.
        QVERIFY(!llavero_.Buscar(nombre(*s)));
    }

    // Checked "Recordar": the token is in the keyring, under the program's service and the server's
    // name, in no file; the next sync takes it from there without a question.
    void tokenGuardadoEnElLlavero_data() { ConYSinTls(); }
    void tokenGuardadoEnElLlavero() {
        QFETCH(bool, tls);
        SERVIDOR(s, tls);
        Maquina a({{"Menus", kMenus}}, s->url());
        const auto p = ResponderClave(kToken, true);
        const git::Informe primero = a.sincronizar();
        QVERIFY2(primero.ok, qPrintable(primero.error));
        QVERIFY(p->recordarPosible);
        QCOMPARE(llavero_.Buscar(nombre(*s)), (kUsuario + '\n' + kToken).toUtf8());
        QVERIFY(a.c.estado.Remoto == s->url());
        // Neither the program's folder (config.ini, the categories, their history) nor the test's
        // home hold it; the keyring's own file is encrypted.
        QCOMPARE(servidores::ArchivosCon(a.c.dir.path(), kToken.toUtf8()), QStringList());
        QCOMPARE(servidores::ArchivosCon(llavero_.dir.path(), kToken.toUtf8()), QStringList());
        a.abrir("Menus");
        a.editar("a", "cambiado");
        a.guardar();
        const git::Informe segundo = a.sincronizar(); // a question would find no answer, and fail
        QVERIFY2(segundo.ok, qPrintable(segundo.error));
        QCOMPARE(segundo.enviado.size(), 1);
    }

    // A kept token the server refuses (revoked) is taken out of the keyring before the question;
    // the answer syncs, and Esc or the close box do not sync and lose nothing.
    void tokenRechazadoSeQuitaYSePregunta_data() {
        QTest::addColumn<int>("modo");
        QTest::newRow("otro token") << int(Modo::Aceptar);
        QTest::newRow("Esc") << int(Modo::Esc);
        QTest::newRow("cerrar") << int(Modo::Cerrar);
    }
    void tokenRechazadoSeQuitaYSePregunta() {
        QFETCH(int, modo);
        SERVIDOR(s, true);
        QVERIFY(llavero_.Guardar(nombre(*s), (kUsuario + "\nrevocado").toUtf8()));
        Maquina a({{"Menus", kMenus}}, s->url());
        const auto p = ResponderClave(kToken, false, Modo(modo), [&] { return llavero_.Buscar(nombre(*s)); });
        const git::Informe informe = a.sincronizar();
        QVERIFY(p->vista);
        QVERIFY2(p->texto.startsWith("El servidor no aceptó la clave guardada en el llavero para " + nombre(*s)),
                 qPrintable(p->texto));
        QVERIFY(!p->enLlaveroAlPreguntar);
        QVERIFY(!llavero_.Buscar(nombre(*s)));
        git::Repositorio remoto;
        QVERIFY(remoto.Abrir(s->repositorio(), false));
        if (Modo(modo) == Modo::Aceptar) {
            QVERIFY2(informe.ok, qPrintable(informe.error));
            QCOMPARE(remoto.Mensajes().size(), 1);
        } else {
            QVERIFY(!informe.ok);
            QVERIFY2(informe.error.contains("se canceló. No se ha cambiado nada."), qPrintable(informe.error));
            QVERIFY(remoto.Mensajes().isEmpty());
            QCOMPARE(a.bytes("Menus"), Bytes(kMenus));
        }
    }

    // A token the user typed and the server refused is not asked again in that sync: it ends, and
    // says why; nothing is kept.
    void tokenEscritoRechazadoTermina() {
        SERVIDOR(s, false);
        Maquina a({{"Menus", kMenus}}, s->url());
        ResponderClave("equivocado", true);
        const git::Informe informe = a.sincronizar(); // a second question would find no answer
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains("el servidor no aceptó el usuario o la clave"), qPrintable(informe.error));
        QVERIFY(!llavero_.Buscar(nombre(*s)));
    }

    // A server that lets the user read but not write (git's own switch for pushes over HTTP): the
    // user is told that, not that the token is wrong, and the token is kept.
    void sinPermisoParaEscribirSeDice() {
        SERVIDOR(s, false);
        QVERIFY(servidores::Correr(servidores::Programa("git"), {"-C", s->repositorio(), "config", "http.receivepack", "false"}));
        Maquina a({{"Menus", kMenus}}, s->url());
        ResponderClave(kToken, true);
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains("el servidor no aceptó el envío: puede que no le dé permiso para escribir en ese repositorio"), qPrintable(informe.error));
    }

    // The timer's sync takes a kept token too; one the server refuses is taken out, and the quiet
    // sync, which asks nothing, says in the status bar that it needs an answer.
    void automaticaTomaElTokenGuardado_data() {
        QTest::addColumn<QString>("guardado");
        QTest::addColumn<bool>("acepta");
        QTest::newRow("vigente") << kToken << true;
        QTest::newRow("revocado") << "revocado" << false;
    }
    void automaticaTomaElTokenGuardado() {
        QFETCH(QString, guardado);
        QFETCH(bool, acepta);
        SERVIDOR(s, false);
        QVERIFY(llavero_.Guardar(nombre(*s), (kUsuario + '\n' + guardado).toUtf8()));
        Maquina a({{"Menus", kMenus}}, s->url(), 1, [](Estado &e) { e.SincronizarCada = 5; });
        QSignalSpy fin(&a.versiones(), &Versiones::sincronizacionTerminada);
        QVERIFY(a.versiones().SincronizarSola());
        QVERIFY(fin.wait(60000));
        QCOMPARE(fin.first().first().value<git::Informe>().ok, acepta);
        QCOMPARE(llavero_.Buscar(nombre(*s)).has_value(), acepta);
        if (!acepta)
            QVERIFY2(a.w->statusBar()->currentMessage().startsWith(
                         "Sincronización automática sin hacer: hace falta una respuesta suya"),
                     qPrintable(a.w->statusBar()->currentMessage()));
    }

    // From a terminal (a systemd timer), nobody to ask: a kept token syncs; none, or one the server
    // refuses (then taken out of the keyring), ends the sync saying what to do.
    void terminalTomaElTokenGuardado_data() {
        QTest::addColumn<QString>("guardado");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QString>("dice");
        QTest::newRow("vigente") << kToken << 0 << "Sincronización terminada";
        QTest::newRow("revocado") << "revocado" << 1 << "no aceptó la clave guardada en el llavero";
        QTest::newRow("ninguno") << QString() << 1 << "No hay una clave guardada en el llavero";
    }
    void terminalTomaElTokenGuardado() {
        QFETCH(QString, guardado);
        QFETCH(int, codigo);
        QFETCH(QString, dice);
        SERVIDOR(s, false);
        if (!guardado.isEmpty())
            QVERIFY(llavero_.Guardar(nombre(*s), (kUsuario + '\n' + guardado).toUtf8()));
        servidores::Instalado i(s->url());
        ayudas::EscribirBytes(i.estado.rutaCategoria("Menus"), Bytes(kMenus));
        QByteArray salida, errores;
        QCOMPARE(i.sincronizar(&salida, &errores, llavero_.entorno), codigo);
        const QString dicho = QString::fromUtf8(codigo == 0 ? salida : errores);
        QVERIFY2(dicho.contains(dice), qPrintable(dicho));
        QCOMPARE(llavero_.Buscar(nombre(*s)).has_value(), codigo == 0);
    }

    // A keyring that does not answer (its service stopped here) is given up after the time limit:
    // the question comes all the same, says why nothing can be kept, and the sync goes on.
    void llaveroQueNoRespondeSeDejaDeEsperar() {
        SERVIDOR(s, false);
        struct Reanudar {
            qint64 pid;
            int limite = llavero::LimiteMs();
            ~Reanudar() {
                ::kill(pid_t(pid), SIGCONT);
                llavero::setLimiteMs(limite);
            }
        } reanudar{llavero_.llavero.processId()};
        llavero::setLimiteMs(1000);
        QCOMPARE(::kill(pid_t(reanudar.pid), SIGSTOP), 0);
        Maquina a({{"Menus", kMenus}}, s->url());
        const auto p = ResponderClave(kToken, true);
        const git::Informe informe = a.sincronizar();
        QVERIFY2(informe.ok, qPrintable(informe.error));
        QVERIFY(p->vista);
        QVERIFY(!p->recordarPosible);
        QVERIFY2(p->llavero.contains("no se puede guardar: el llavero del escritorio no respondió en 1 segundo"),
                 qPrintable(p->llavero));
    }

    // A certificate of an authority this machine does not trust: refused before anything is sent,
    // no token asked, the server named.
    void certificadoAjenoSeRechaza() {
        SERVIDOR(s, true, true);
        Maquina a({{"Menus", kMenus}}, s->url());
        const git::Informe informe = a.sincronizar(); // a question would find no answer, and fail
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains("el certificado del servidor 127.0.0.1 no es de confianza en este equipo"),
                 qPrintable(informe.error));
    }
};

QTEST_MAIN(tst_https)
#include "tst_https.moc"
