// Sync through a real OpenSSH server on this machine: two libraries exchange scripts with the keys of
// a real ssh-agent, and the server's key is checked the way ssh checks it, in the same file.
#include "../historial/Maquina.h"
#include "ServidorSsh.h"

#include "ui/Mensajes.h"

#include <QMessageBox>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};

// How the user answers the question about an unknown server; what it said in the result.
using Modo = ayudas::Gesto;
const auto ResponderServidor = ayudas::Responder;

// The server, a bare repository in its folder, and the repository's address.
struct Escena {
    servidores::Ssh ssh;
    QString url;
    bool iniciar(const QString &tipoCliente = "ed25519", const QString &extra = {}) {
        if (!ssh.Iniciar(tipoCliente, "ed25519", extra))
            return false;
        const QString ruta = ssh.dir.filePath("biblioteca.git");
        if (!git::Repositorio::CrearRemoto(ruta))
            return false;
        url = ssh.url(ruta);
        return true;
    }
    QString nombre() const { return QStringLiteral("[127.0.0.1]:%1").arg(ssh.puerto); }
};
} // namespace

// The scene `e` started (with the default keys unless told), or the test skipped with the reason it
// could not start.
#define ESCENA(...)                                                                                          \
    Escena e;                                                                                                \
    if (!e.iniciar(__VA_ARGS__))                                                                             \
    QSKIP(qPrintable(e.ssh.porQue))

class tst_ssh : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { mensajes::VaciarCola(); }

    // Accepted once, the server is known: the second library syncs without a question.
    // RSA through the agent: libssh2 1.10 signs with SHA-1, which the server must allow (as servers
    // set up before OpenSSH 8.8 do); the next test covers a server that does not.
    void dosBibliotecasPorSsh_data() {
        QTest::addColumn<QString>("tipoCliente");
        QTest::addColumn<QString>("servidor");
        QTest::newRow("ed25519") << "ed25519" << "";
        QTest::newRow("rsa") << "rsa" << "PubkeyAcceptedAlgorithms +ssh-rsa\n";
    }
    void dosBibliotecasPorSsh() {
        QFETCH(QString, tipoCliente);
        QFETCH(QString, servidor);
        ESCENA(tipoCliente, servidor);
        Maquina a({{"Menus", kMenus}}, e.url);
        ResponderServidor(Modo::Si);
        const git::Informe enviado = a.sincronizar();
        QVERIFY2(enviado.ok, qPrintable(enviado.error));
        Maquina b({}, e.url);
        const git::Informe recibido = b.sincronizar();
        QVERIFY2(recibido.ok, qPrintable(recibido.error));
        QCOMPARE(b.bytes("Menus"), a.bytes("Menus"));
        QCOMPARE(mensajes::Pendientes(), 0);
    }

    // A server that refuses the agent's RSA signature: the user is told why, and what to do.
    void rsaRechazadaSeExplica() {
        ESCENA("rsa");
        Maquina a({{"Menus", kMenus}}, e.url);
        ResponderServidor(Modo::Si);
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        // Debian 12's libssh2 is 1.10.
        QVERIFY2(informe.error.contains("el servidor no aceptó la clave RSA del agente SSH: la biblioteca SSH de este "
                                        "sistema (libssh2 1.10"),
                 qPrintable(informe.error));
    }

    // An agent without keys is named as the cause.
    void agenteSinClavesSeExplica() {
        ESCENA();
        QVERIFY(servidores::Correr(servidores::Programa("ssh-add"), {"-q", "-D"}));
        Maquina a({{"Menus", kMenus}}, e.url);
        ResponderServidor(Modo::Si);
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains("el agente SSH no tiene ninguna clave; añada la suya con «ssh-add»"),
                 qPrintable(informe.error));
    }

    // The question shows the key as ssh does; yes writes it where plain ssh then accepts it.
    void servidorDesconocidoAceptado() {
        ESCENA();
        QVERIFY(!e.ssh.sshEntra());
        Maquina a({{"Menus", kMenus}}, e.url);
        const auto r = ResponderServidor(Modo::Si);
        const git::Informe informe = a.sincronizar();
        QVERIFY2(informe.ok, qPrintable(informe.error));
        QVERIFY(r->visto);
        QVERIFY2(r->texto.contains("Este equipo no conoce el servidor " + e.nombre()), qPrintable(r->texto));
        QVERIFY2(r->texto.contains("Su clave ED25519 tiene la huella\n" + servidores::HuellaDe(e.ssh.hostPublica)),
                 qPrintable(r->texto));
        QCOMPARE(r->porDefecto, QMessageBox::No);
        QVERIFY(e.ssh.sshEntra());
    }

    // No, Esc and the close box: nothing is sent, nothing is written to the known hosts.
    void servidorDesconocidoSinAceptar_data() {
        QTest::addColumn<int>("modo");
        QTest::newRow("No") << int(Modo::No);
        QTest::newRow("Esc") << int(Modo::Esc);
        QTest::newRow("cerrar") << int(Modo::Cerrar);
    }
    void servidorDesconocidoSinAceptar() {
        QFETCH(int, modo);
        ESCENA();
        Maquina a({{"Menus", kMenus}}, e.url);
        ResponderServidor(Modo(modo));
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains("no se aceptó la clave del servidor " + e.nombre()), qPrintable(informe.error));
        QVERIFY(!QFile::exists(e.ssh.knownHosts()));
        git::Repositorio remoto;
        QVERIFY(remoto.Abrir(e.ssh.dir.filePath("biblioteca.git"), false));
        QVERIFY(remoto.Mensajes().isEmpty());
    }

    // A key other than the one remembered is refused without a question, naming both.
    void claveCambiadaSeRechaza() {
        ESCENA();
        const auto otra = servidores::Generar(e.ssh.dir.filePath("otra"), "ed25519");
        QVERIFY(otra);
        const QByteArray recordada = e.nombre().toUtf8() + ' ' + otra->publica.left(otra->publica.lastIndexOf(' ')) + '\n';
        ayudas::EscribirBytes(e.ssh.knownHosts(), "# de otro día\n" + recordada);
        Maquina a({{"Menus", kMenus}}, e.url);
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains("¡la clave del servidor " + e.nombre() + " ha cambiado!"), qPrintable(informe.error));
        QVERIFY2(informe.error.contains("ED25519 " + servidores::HuellaDe(otra->privada + ".pub")), qPrintable(informe.error));
        QVERIFY2(informe.error.contains("ED25519 " + servidores::HuellaDe(e.ssh.hostPublica)), qPrintable(informe.error));
        QCOMPARE(ayudas::LeerBytes(e.ssh.knownHosts()), "# de otro día\n" + recordada);
        QVERIFY(!e.ssh.sshEntra());
    }

    // A line added by ssh itself (hashed names, other hosts, no final line break) is read as ssh
    // reads it, and kept when the program adds its own.
    void archivoDeSshSeRespeta() {
        ESCENA();
        const QByteArray antes = "|1|F1E1KeoE/eEWhi10WpGv4OdiO6Y=|3988QV0VE8wmZL7suNrYQLITLCg= ssh-rsa AAAAB3NzaC1yc2EAAAADAQABAAABAQ\n"
                                 "@cert-authority *.ejemplo ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIA\n"
                                 "otro.ejemplo ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIKq";
        ayudas::EscribirBytes(e.ssh.knownHosts(), antes);
        Maquina a({{"Menus", kMenus}}, e.url);
        ResponderServidor(Modo::Si);
        const git::Informe informe = a.sincronizar();
        QVERIFY2(informe.ok, qPrintable(informe.error));
        QVERIFY(ayudas::LeerBytes(e.ssh.knownHosts()).startsWith(antes + '\n'));
        QVERIFY(e.ssh.sshEntra());
    }

    // What the server gave as the reason of a refused push is what the user reads.
    void envioRechazadoDiceLaCausa_data() {
        QTest::addColumn<QString>("averia");
        QTest::addColumn<QString>("causa");
        QTest::newRow("gancho") << "gancho"
                                << "el servidor lo rechazó: una comprobación suya (un «hook» pre-receive) no lo "
                                   "aceptó (el servidor dijo: «no se admiten cambios hoy»)";
        QTest::newRow("rama bloqueada") << "bloqueo" << "el servidor lo rechazó: la rama está bloqueada";
        QTest::newRow("otro envía antes cada vez")
            << "carrera"
            << "rechazó los cambios de este equipo tres veces seguidas (el servidor lo rechazó: no es un avance "
               "rápido sobre lo que tiene";
    }
    void envioRechazadoDiceLaCausa() {
        QFETCH(QString, averia);
        QFETCH(QString, causa);
        ESCENA();
        const QString repo = e.ssh.dir.filePath("biblioteca.git");
        Maquina a({{"Menus", kMenus}}, e.url);
        ResponderServidor(Modo::Si);
        QVERIFY(a.sincronizar().ok);
        const QString gancho = repo + "/hooks/pre-receive";
        if (averia == "gancho") {
            ayudas::EscribirBytes(gancho, "#!/bin/sh\necho 'no se admiten cambios hoy' >&2\nexit 1\n");
        } else if (averia == "carrera") {
            // Another machine's push lands while each of ours is on its way: the branch has moved
            // by the time the server updates it, at every round.
            ayudas::EscribirBytes(gancho, "#!/bin/sh\n"
                                          "unset GIT_QUARANTINE_PATH GIT_OBJECT_DIRECTORY GIT_ALTERNATE_OBJECT_DIRECTORIES\n"
                                          "export GIT_AUTHOR_NAME=otro GIT_AUTHOR_EMAIL=otro@equipo\n"
                                          "export GIT_COMMITTER_NAME=otro GIT_COMMITTER_EMAIL=otro@equipo\n"
                                          "padre=$(git rev-parse refs/heads/main) || exit 1\n"
                                          "nuevo=$(git commit-tree \"$padre^{tree}\" -p \"$padre\" -m otro) || exit 1\n"
                                          "git update-ref refs/heads/main \"$nuevo\" \"$padre\"\n");
        } else {
            ayudas::EscribirBytes(repo + "/refs/heads/main.lock", "");
        }
        if (QFile::exists(gancho))
            QVERIFY(QFile::setPermissions(gancho, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        a.abrir("Menus");
        a.editar("a", "cambiado");
        a.guardar();
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.contains(causa), qPrintable(informe.error));
        if (averia != "carrera")
            QVERIFY2(!informe.error.contains("tres veces"), qPrintable(informe.error));
    }

    // A broken address is said to be one before anything connects (no server needed).
    void direccionMalEscrita_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("falta");
        QTest::newRow("IPv6 sin cerrar") << "https://[::1" << "un corchete «[» de una dirección IPv6 no se cierra";
        QTest::newRow("sin servidor") << "https:///biblioteca.git" << "falta el nombre del servidor";
        QTest::newRow("sin ruta") << "ssh://servidor.ejemplo" << "falta la ruta del repositorio en el servidor";
        QTest::newRow("espacio") << "https://servidor ejemplo/b.git" << "no se entiende como dirección";
    }
    void direccionMalEscrita() {
        QFETCH(QString, url);
        QFETCH(QString, falta);
        Maquina a({{"Menus", kMenus}}, url);
        const git::Informe informe = a.sincronizar();
        QVERIFY(!informe.ok);
        QVERIFY2(informe.error.startsWith("La dirección del repositorio remoto está mal escrita: " + url + " (" + falta),
                 qPrintable(informe.error));
    }
};

QTEST_MAIN(tst_ssh)
#include "tst_ssh.moc"
