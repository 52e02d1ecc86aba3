#include "ui/mdlInicio.h"
#include "ui/Pantalla.h"
#include "core/Senales.h"
#include "core/Version.h"
#include "ui/frmSplash.h"
#include "core/Archivos.h"
#include "core/mdlINI.h"
#include "core/mdlSistema.h"
#include "history/Historial.h"
#include "core/Registro.h"
#include "ui/Iconos.h"
#include "ui/Traducciones.h"
#include "ui/EstiloFoco.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/Llavero.h"
#include "ui/tools/Versiones.h"
#include "ui/tools/frmBusquedaRapida.h"
#include "core/Registro.h"

#include <QApplication>
#include <QSessionManager>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QFile>
#include <QLockFile>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <unistd.h>

namespace mdlInicio {

namespace {
// Who is at the other end of a local socket: true when it is this user. `uid` is theirs, when known.
bool DelUsuario(qintptr descriptor, uid_t *uid) {
    ucred cred{};
    socklen_t largo = sizeof cred;
    if (descriptor < 0 || ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &largo) != 0 ||
        largo != sizeof cred) {
        const int numeroError = errno;
        qCWarning(lcInstancia) << "No se pudo saber de quién es el otro extremo del canal:" << numeroError;
        return false;
    }
    *uid = cred.uid;
    return cred.uid == ::getuid();
}
} // namespace

// The folder itself names the instance: its canonical path, hashed to a short name.
QString Presencia::Clave(const QString &carpeta) {
    const QString canonica = QDir(carpeta).canonicalPath();
    const QByteArray hash =
        QCryptographicHash::hash((canonica.isEmpty() ? carpeta : canonica).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("rutinero-") + QString::fromLatin1(hash.toHex().left(16));
}

QString Presencia::Ruta(const QString &carpeta) {
    const QByteArray privada = qgetenv("XDG_RUNTIME_DIR");
    if (privada.isEmpty())
        return {};
    // Only a folder that is this user's alone: in any other, someone else could take the name first
    // or reach the socket.
    struct stat st {};
    if (!privada.startsWith('/') || ::lstat(privada.constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid() || (st.st_mode & 07777) != 0700) {
        qCWarning(lcInstancia) << "XDG_RUNTIME_DIR no es una carpeta sólo del usuario; el canal usa un nombre abstracto:"
                               << privada;
        return {};
    }
    return QFile::decodeName(privada) + QLatin1Char('/') + Clave(carpeta);
}

Instancia::Instancia(int descriptor) : fd_(descriptor) {}

Instancia::Instancia(std::unique_ptr<QLockFile> archivo) : fd_(-1), archivo_(std::move(archivo)) {}

Instancia::~Instancia() {
    if (fd_ >= 0)
        ::close(fd_); // the lock goes with the descriptor
}

std::unique_ptr<Instancia> TomarInstancia(const QString &carpeta, QString *error) {
    if (error)
        error->clear();
    // An advisory lock on the folder itself: nothing is written, so a full disk or a folder the user
    // may only read still starts, and the lock ends with the process however it ends. Not inherited
    // by the programs this one starts (mail, browser), which would otherwise keep it.
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int numeroError = errno;
        qCWarning(lcInstancia) << "No se pudo abrir la carpeta para el bloqueo" << carpeta << numeroError;
        if (error)
            *error = archivos::Razon(numeroError);
        return nullptr;
    }
    int r = -1;
    do
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r == 0)
        return std::unique_ptr<Instancia>(new Instancia(fd));
    const int numeroError = errno;
    ::close(fd);
    if (numeroError == EWOULDBLOCK)
        return nullptr; // another instance holds it
    if (numeroError == ENOLCK || numeroError == EOPNOTSUPP || numeroError == EINVAL) {
        // A file system that keeps no such locks (some network shares): a lock file there instead.
        qCWarning(lcInstancia) << "La carpeta no admite bloqueos; se usa un archivo de bloqueo" << carpeta
                               << numeroError;
        auto archivo = std::make_unique<QLockFile>(carpeta + QStringLiteral("/rutinero.lock"));
        archivo->setStaleLockTime(0);
        errno = 0;
        if (archivo->tryLock(0))
            return std::unique_ptr<Instancia>(new Instancia(std::move(archivo)));
        const int otroError = errno;
        if (archivo->error() == QLockFile::LockFailedError)
            return nullptr;
        qCWarning(lcInstancia) << "No se pudo crear el archivo de bloqueo" << carpeta << otroError;
        if (error)
            *error = otroError != 0 ? archivos::Razon(otroError) : archivos::Razon(QFileDevice::OpenError);
        return nullptr;
    }
    qCWarning(lcInstancia) << "No se pudo bloquear la carpeta" << carpeta << numeroError;
    if (error)
        *error = archivos::Razon(numeroError);
    return nullptr;
}

Presencia::Presencia(QObject *padre) : QObject(padre) {}
Presencia::~Presencia() {
    // A call still open when the program ends is dropped: closing its socket must not run the
    // handlers, which would read a socket being destroyed and act on a program ending.
    if (servidor_)
        for (QLocalSocket *s : servidor_->findChildren<QLocalSocket *>())
            s->disconnect();
}

bool Presencia::Escuchar(const QString &carpeta, std::function<void()> alLlamar) {
    return Escuchar(carpeta, [alLlamar = std::move(alLlamar)](const QByteArray &) {
        if (alLlamar)
            alLlamar();
    });
}

bool Presencia::Escuchar(const QString &carpeta, std::function<void(const QByteArray &)> alLlamar) {
    alLlamar_ = std::move(alLlamar);
    const auto escuchar = [this](const QString &nombre, QLocalServer::SocketOptions opciones) {
        servidor_ = std::make_unique<QLocalServer>();
        servidor_->setSocketOptions(opciones);
        connect(servidor_.get(), &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *s = servidor_->nextPendingConnection()) {
                uid_t otro = uid_t(-1);
                if (DelUsuario(s->socketDescriptor(), &otro)) {
                    atender(s);
                    continue;
                }
                // Another user on this machine: nothing it says is read, nothing is shown.
                qCWarning(lcInstancia) << "Llamada de otro usuario (uid" << otro << ") cerrada sin leerla";
                s->abort();
                s->deleteLater();
            }
        });
        if (servidor_->listen(nombre))
            return true;
        qCWarning(lcInstancia) << "No se pudo abrir el canal" << nombre << ":" << servidor_->errorString();
        servidor_.reset();
        return false;
    };
    // In the user's own runtime folder a file of the same name, one left by a crash, is replaced:
    // only this user can have put it there, and the folder's lock says no instance of ours runs.
    const QString ruta = Ruta(carpeta);
    if (!ruta.isEmpty() && escuchar(ruta, QLocalServer::UserAccessOption))
        return true;
    if (escuchar(Clave(carpeta), QLocalServer::AbstractNamespaceOption))
        return true;
    qCWarning(lcInstancia) << "Sin canal: otro arranque de esta biblioteca no podrá llamar a este programa";
    return false;
}

void Presencia::atender(QLocalSocket *s) {
    // The caller writes its message and its end mark, and waits for the answer.
    struct Llamada {
        QByteArray datos;
        bool hecha = false;
    };
    auto llamada = std::make_shared<Llamada>();
    const auto leer = [this, s, llamada] {
        if (llamada->hecha)
            return;
        if (s->isOpen())
            llamada->datos += s->readAll();
        const qsizetype fin = llamada->datos.indexOf(kFin);
        if (fin < 0 || fin > kMaximo) {
            if (llamada->datos.size() > kMaximo) {
                qCWarning(lcInstancia) << "Mensaje de otro arranque demasiado largo: se descarta";
                llamada->hecha = true;
                s->abort();
                s->deleteLater();
            }
            return;
        }
        llamada->hecha = true;
        const QByteArray mensaje = llamada->datos.left(fin);
        // Answered before acting: what was asked may take a while, and the caller waits.
        s->write(kRecibido);
        s->flush();
        s->disconnectFromServer();
        if (alLlamar_)
            alLlamar_(mensaje);
    };
    connect(s, &QLocalSocket::readyRead, this, leer);
    connect(s, &QLocalSocket::disconnected, this, [s, llamada, leer] {
        leer();
        if (!llamada->hecha) {
            qCWarning(lcInstancia) << "Otro arranque colgó sin terminar su mensaje: se descarta";
            llamada->hecha = true;
        }
        s->deleteLater();
    });
    // One that neither speaks nor hangs up is let go.
    QTimer::singleShot(3000, s, [s, llamada] {
        if (llamada->hecha)
            return;
        qCWarning(lcInstancia) << "Otro arranque no terminó su mensaje a tiempo: se descarta";
        llamada->hecha = true;
        s->abort();
        s->deleteLater();
    });
    if (s->bytesAvailable() > 0)
        leer();
    if (s->state() == QLocalSocket::UnconnectedState && !llamada->hecha) {
        leer();
        llamada->hecha = true;
        s->deleteLater();
    }
}

bool Presencia::Llamar(const QString &carpeta, const QByteArray &mensaje, QString *razon) {
    const auto noContesta = [razon](const QString &detalle) {
        qCWarning(lcInstancia) << "El programa en marcha no contesta:" << detalle;
        if (razon)
            *razon = QStringLiteral("no contesta. Espere a que termine lo que está haciendo, o ciérrelo, y vuelva "
                                    "a intentarlo");
        return false;
    };
    QLocalSocket s;
    // Where this user's instance listens: the runtime folder first, then the abstract name (an
    // instance started without that folder in its environment).
    const QString ruta = Ruta(carpeta);
    bool conectado = false;
    if (!ruta.isEmpty()) {
        s.connectToServer(ruta);
        conectado = s.waitForConnected(2000);
        if (!conectado)
            s.abort();
    }
    if (!conectado) {
        s.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        s.connectToServer(Clave(carpeta));
        conectado = s.waitForConnected(2000);
    }
    if (!conectado)
        return noContesta(s.errorString());
    uid_t otro = uid_t(-1);
    if (!DelUsuario(s.socketDescriptor(), &otro)) {
        // Someone else took the name first: what this user asked never leaves for them.
        qCWarning(lcInstancia) << "El canal de la biblioteca es de otro usuario (uid" << otro << "): no se le envía nada";
        s.abort();
        if (razon)
            *razon = QStringLiteral("su canal lo tiene otro usuario de este equipo (uid %1), y a ese no se le "
                                    "envía nada. Cierre Rutinero y vuelva a abrirlo")
                         .arg(otro == uid_t(-1) ? QStringLiteral("desconocido") : QString::number(otro));
        return false;
    }
    s.write(mensaje + kFin);
    if (!s.waitForBytesWritten(2000) && s.bytesToWrite() > 0)
        return noContesta(s.errorString());
    // Only the answer says the message was read whole; a hang-up or silence is no delivery.
    const QByteArray esperado(kRecibido);
    QByteArray respuesta;
    QDeadlineTimer plazo(5000);
    while (respuesta.size() < esperado.size() && !plazo.hasExpired()) {
        respuesta += s.readAll();
        if (respuesta.size() >= esperado.size() || s.state() != QLocalSocket::ConnectedState)
            break;
        s.waitForReadyRead(int(qMax<qint64>(1, plazo.remainingTime())));
    }
    respuesta += s.readAll();
    if (!respuesta.startsWith(esperado))
        return noContesta(QStringLiteral("no confirmó el mensaje"));
    s.disconnectFromServer();
    return true;
}

Pedido LeerPedido(const QStringList &argumentos) {
    Pedido p;
    const int i = int(argumentos.indexOf(QStringLiteral("--buscar")));
    if (i < 0)
        return p;
    p.buscar = true;
    p.texto = argumentos.mid(i + 1).join(QLatin1Char(' '));
    return p;
}

QByteArray Mensaje(const Pedido &pedido) {
    if (pedido.sincronizar)
        return QByteArrayLiteral("sincronizar");
    return pedido.buscar ? QByteArrayLiteral("buscar\n") + pedido.texto.toUtf8() : QByteArray();
}

Pedido DeMensaje(const QByteArray &mensaje) {
    Pedido p;
    if (mensaje == "sincronizar") {
        p.sincronizar = true;
    } else if (mensaje == "buscar" || mensaje.startsWith("buscar\n")) {
        p.buscar = true;
        p.texto = QString::fromUtf8(mensaje.mid(7));
    } else if (!mensaje.isEmpty()) {
        qCWarning(lcInstancia) << "Mensaje de otro arranque que no se entiende: se toma por una llamada";
    }
    return p;
}

void Atender(const QByteArray &mensaje, frmBusquedaRapida &rapida, const std::function<void()> &abrirPrincipal,
             const std::function<void()> &sincronizar) {
    const Pedido p = DeMensaje(mensaje);
    if (p.sincronizar) {
        if (sincronizar)
            sincronizar();
    } else if (p.buscar)
        rapida.Mostrar(p.texto, !p.texto.isEmpty());
    else if (abrirPrincipal)
        abrirPrincipal();
}

std::unique_ptr<QSystemTrayIcon> IconoBandeja(frmBusquedaRapida &rapida, std::function<void()> abrirPrincipal) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    auto icono = std::make_unique<QSystemTrayIcon>(IconoApp());
    icono->setToolTip(QStringLiteral("Rutinero"));
    auto *menu = new QMenu; // owned by the icon below
    QObject::connect(icono.get(), &QObject::destroyed, menu, &QObject::deleteLater);
    QObject::connect(menu->addAction(QStringLiteral("Búsqueda rápida")), &QAction::triggered, &rapida,
                     [&rapida] { rapida.Mostrar(); });
    QObject::connect(menu->addAction(QStringLiteral("Abrir Rutinero")), &QAction::triggered, &rapida,
                     std::move(abrirPrincipal));
    icono->setContextMenu(menu);
    QObject::connect(icono.get(), &QSystemTrayIcon::activated, &rapida, [&rapida](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            rapida.Mostrar();
    });
    icono->show();
    return icono;
}

void TraerAlFrente(QWidget *ventana) {
    if (!ventana)
        return;
    ventana->setWindowState(ventana->windowState() & ~Qt::WindowMinimized);
    ventana->show();
    ventana->raise();
    ventana->activateWindow();
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

namespace {
// A refusal at start: on the terminal that started it, and in a box where there is a screen to show
// one (a box on a platform that shows nothing would wait for nobody).
void Decir(const QString &texto) {
    std::fputs((texto + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
    const QString plataforma = QGuiApplication::platformName();
    if (plataforma != QLatin1String("offscreen") && plataforma != QLatin1String("minimal"))
        mensajes::Aviso(nullptr, texto, version::Titulo());
}
} // namespace

namespace {
std::atomic<Historial *> sincronizandoSinVentana{nullptr};
void AlInterrumpir(int) {
    // Only an atomic store: the sync sees it and cuts its connections.
    if (Historial *h = sincronizandoSinVentana.load())
        h->Cancelar();
}
void Linea(FILE *salida, const QString &texto) {
    std::fputs((texto + QLatin1Char('\n')).toUtf8().constData(), salida);
    std::fflush(salida);
}
} // namespace

namespace {
// A sync without a window is given the user and token kept in the keyring, as the window gives
// them; nobody is there to type one, so a missing or refused one ends the sync, saying why.
void DarClaveGuardada(QObject *contexto, Interlocutor &enlace, quint64 pregunta, const QString &url, bool rechazada,
                      QString *sinClave) {
    const QString servidor = llavero::Nombre(url);
    if (rechazada) {
        llavero::Olvidar(contexto, url, [&enlace, pregunta, servidor, sinClave](const QString &error) {
            *sinClave = QStringLiteral("El servidor no aceptó la clave guardada en el llavero para %1 (puede que el "
                                       "token se haya revocado o haya caducado)%2; sincronice desde la ventana para "
                                       "escribir otra.")
                            .arg(servidor, error.isEmpty() ? QStringLiteral(", y se ha quitado del llavero")
                                                           : QStringLiteral(", y no se pudo quitar de él: ") + error);
            enlace.Responder(pregunta, std::nullopt);
        });
        return;
    }
    llavero::Leer(contexto, url, [&enlace, pregunta, servidor, sinClave](const llavero::Leido &l) {
        if (l.hay) {
            enlace.Responder(pregunta, git::Clave{l.usuario, l.clave, true});
            return;
        }
        *sinClave = l.error.isEmpty()
                        ? QStringLiteral("No hay una clave guardada en el llavero para %1: sincronice una vez desde la "
                                         "ventana y marque «Recordar en este equipo».")
                              .arg(servidor)
                        : QStringLiteral("No se pudo leer el llavero (%1), y sin ventana nadie puede escribir la clave "
                                         "de %2.")
                              .arg(l.error, servidor);
        enlace.Responder(pregunta, std::nullopt);
    });
}
} // namespace

int SincronizarSinVentana(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Estado estado;
    QString error;
    if (!mdlSistema::PrepararCarpetaDatos(mdlSistema::CarpetaDelPrograma(QCoreApplication::applicationDirPath()),
                                          estado.carpeta, &error)) {
        Linea(stderr, QStringLiteral("rutinero: no se puede sincronizar: %1.").arg(error));
        return 1;
    }
    mdlINI::CargarPreferencias(estado);
    const QString url = estado.Remoto.trimmed();
    if (url.isEmpty()) {
        Linea(stderr, QStringLiteral("rutinero: no hay un repositorio con el que sincronizar; elíjalo en \"Archivo\" → "
                                     "\"Configurar sincronización\"."));
        return 2;
    }
    const auto instancia = TomarInstancia(estado.carpeta, &error);
    if (!instancia) {
        QString razon;
        if (error.isEmpty() && Presencia::Llamar(estado.carpeta, QByteArrayLiteral("sincronizar"), &razon)) {
            Linea(stdout, QStringLiteral("Rutinero está abierto con esta biblioteca: sincroniza su ventana, que "
                                         "muestra el resumen."));
            return 0;
        }
        Linea(stderr, QStringLiteral("rutinero: no se puede sincronizar la biblioteca de %1: %2.")
                          .arg(QDir::toNativeSeparators(estado.carpeta), error.isEmpty() ? razon : error));
        return 1;
    }
    // Held for the whole sync: a window started meanwhile hands its call to nobody, and says so.
    // The sync runs on a thread of its own, as in the window: this one answers its questions.
    QThread hilo;
    Historial historial(estado.carpetaCategorias());
    QString sinClave;
    std::shared_ptr<Interlocutor> enlace;
    enlace = std::make_shared<Interlocutor>(
        [](const QString &, int, int) {},
        [&app, &enlace, &sinClave](quint64 pregunta, const QString &u, const QString &, bool rechazada) {
            // On the sync's thread, under the link's lock: only handed over to this one.
            QMetaObject::invokeMethod(
                &app, [&app, &enlace, &sinClave, pregunta, u, rechazada] {
                    DarClaveGuardada(&app, *enlace, pregunta, u, rechazada, &sinClave);
                },
                Qt::QueuedConnection);
        });
    historial.setInterlocutor(enlace);
    historial.moveToThread(&hilo);
    git::Informe informe;
    QObject::connect(&historial, &Historial::sincronizado, &app, [&informe, &app](const git::Informe &i) {
        informe = i;
        app.quit();
    });
    sincronizandoSinVentana = &historial;
    const auto antesInt = std::signal(SIGINT, AlInterrumpir);
    const auto antesTerm = std::signal(SIGTERM, AlInterrumpir);
    hilo.start();
    QMetaObject::invokeMethod(&historial, [&historial, url] { historial.Sincronizar(url); }, Qt::QueuedConnection);
    app.exec();
    enlace->Cerrar();
    hilo.quit();
    hilo.wait();
    std::signal(SIGINT, antesInt);
    std::signal(SIGTERM, antesTerm);
    sincronizandoSinVentana = nullptr;
    QString texto = git::TextoInforme(informe, url);
    if (!informe.ok && !sinClave.isEmpty())
        texto += QLatin1Char('\n') + sinClave;
    Linea(informe.ok ? stdout : stderr, texto);
    return informe.ok ? 0 : 1;
}

int Main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--sincronizar") == 0)
            return SincronizarSinVentana(argc, argv);
    auto sinPantalla = std::make_unique<pantalla::Guardia>();
    QApplication app(argc, argv);
    sinPantalla.reset();
    QApplication::setApplicationName(QStringLiteral("Rutinero"));
    QApplication::setWindowIcon(IconoApp());
    CargarTraducciones();
    EstiloFoco::Instalar();
    QApplication::setQuitOnLastWindowClosed(false);
    Estado estado;
    const Pedido pedido = LeerPedido(QCoreApplication::arguments().mid(1));
    QString error;
    // An installed program keeps the library in the user's data folder; one in a folder of the
    // user's own keeps it beside itself.
    if (!mdlSistema::PrepararCarpetaDatos(mdlSistema::CarpetaDelPrograma(QCoreApplication::applicationDirPath()),
                                          estado.carpeta, &error)) {
        mensajes::Aviso(nullptr, QStringLiteral("No se puede iniciar el programa: %1.").arg(error), version::Titulo());
        return 1;
    }
    const auto instancia = TomarInstancia(estado.carpeta, &error);
    if (!instancia) {
        if (error.isEmpty()) {
            // Another instance runs on this library: it does what was asked instead.
            QString razon;
            if (Presencia::Llamar(estado.carpeta, Mensaje(pedido), &razon))
                return 0;
            // It holds the library but did not take the call (busy, stopped in a debugger, or its
            // channel taken by someone else): never a silent exit, never a success.
            qCWarning(lcInstancia) << "the running instance holds the lock but does not answer:" << estado.carpeta;
            QString texto = QStringLiteral("Rutinero ya está abierto con la biblioteca de %1, pero %2.")
                                .arg(QDir::toNativeSeparators(estado.carpeta), razon);
            if (pedido.buscar)
                texto += QStringLiteral(" La búsqueda rápida no se abrió.");
            Decir(texto);
            return 1;
        }
        mensajes::Aviso(nullptr,
                        QStringLiteral("No se puede iniciar el programa: no se pudo abrir la carpeta %1: %2.")
                            .arg(QDir::toNativeSeparators(estado.carpeta), error),
                        version::Titulo());
        return 1;
    }
    auto *splash = new frmSplash(estado);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    // A start for the quick search skips the splash: the search window is what comes up.
    if (pedido.buscar)
        splash->Cargar();
    else
        splash->Startup();
    std::unique_ptr<frmPrincipal> principal(splash->principal());
    if (pedido.buscar)
        splash->deleteLater();
    // A stop signal is heard before the index's threads start: one during their first work ends the
    // program cleanly instead of killing it.
    ConectarFin(*principal);
    principal->IniciarIndice();
    // The main window of a start for the quick search shows when first asked for; the changes a
    // previous run could not ask about are offered then.
    bool principalVista = !pedido.buscar;
    const auto abrirPrincipal = [&principal, &principalVista] {
        TraerAlFrente(principal.get());
        if (!principalVista) {
            principalVista = true;
            QTimer::singleShot(0, principal.get(), &frmPrincipal::OfrecerRecuperacion);
        }
    };
    // Declared after the main window: it goes first, while the index it asks still exists.
    auto rapida = std::make_unique<frmBusquedaRapida>(
        *principal->indexador(), estado.carpetaCategorias(), [&principal, abrirPrincipal](const biblioteca::Hallazgo &h) {
            abrirPrincipal();
            principal->AbrirScript(h);
        });
    const auto bandeja = IconoBandeja(*rapida, abrirPrincipal);
    if (pedido.buscar && !bandeja)
        // Without a tray nothing would lead back to a hidden window: it waits minimised.
        QObject::connect(rapida.get(), &frmBusquedaRapida::ocultada, principal.get(), [&principal, &principalVista] {
            if (principalVista)
                return;
            principalVista = true;
            principal->showMinimized();
            QTimer::singleShot(0, principal.get(), &frmPrincipal::OfrecerRecuperacion);
        }, Qt::SingleShotConnection);
    QObject::connect(principal.get(), &frmPrincipal::terminado, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Answered only once a stop signal is heard too: whoever finds it answering may also stop it.
    Presencia presencia;
    presencia.Escuchar(estado.carpeta, [&rapida, &principal, abrirPrincipal](const QByteArray &mensaje) {
        Atender(mensaje, *rapida, abrirPrincipal, [&principal] {
            // Queued: the caller gets its confirmation before the sync's questions, if any.
            QTimer::singleShot(0, principal.get(), [&principal] { principal->versiones()->Sincronizar(); });
        });
    });
    if (pedido.buscar)
        rapida->Mostrar(pedido.texto, !pedido.texto.isEmpty());
    return app.exec();
}

void ConectarFin(frmPrincipal &principal) {
    senales::AlTerminar(&principal, [&principal] { principal.FinDeSesion(false); });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &principal, [&principal](QSessionManager &sesion) {
        if (!principal.FinDeSesion(sesion.allowsInteraction()))
            sesion.cancel();
        sesion.release();
    });
}

} // namespace mdlInicio
