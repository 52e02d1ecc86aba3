#include "ui/mdlInicio.h"
#include "core/Senales.h"
#include "core/Version.h"
#include "ui/frmSplash.h"
#include "core/Archivos.h"
#include "core/mdlSistema.h"
#include "core/Registro.h"
#include "ui/Iconos.h"
#include "ui/Traducciones.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBusquedaRapida.h"
#include "core/Registro.h"

#include <QApplication>
#include <QSessionManager>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QFile>
#include <QLockFile>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mdlInicio {

namespace {
// The folder itself names the instance: its canonical path, hashed to a short name.
QString Clave(const QString &carpeta) {
    const QString canonica = QDir(carpeta).canonicalPath();
    const QByteArray hash =
        QCryptographicHash::hash((canonica.isEmpty() ? carpeta : canonica).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("rutinero-") + QString::fromLatin1(hash.toHex().left(16));
}
} // namespace

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
    servidor_ = std::make_unique<QLocalServer>();
    // An abstract name: no socket file to leave behind, and no temporary folder involved.
    servidor_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(servidor_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *s = servidor_->nextPendingConnection()) {
            // The caller writes its message and hangs up; the message is whole when it has gone.
            struct Llamada {
                QByteArray datos;
                bool hecha = false;
            };
            auto llamada = std::make_shared<Llamada>();
            const auto leer = [s, llamada] {
                if (s->isOpen())
                    llamada->datos += s->readAll();
                if (llamada->datos.size() > kMaximo && !llamada->hecha) {
                    qCWarning(lcInstancia) << "Mensaje de otro arranque demasiado largo: se descarta";
                    llamada->hecha = true;
                    s->abort();
                }
            };
            const auto fin = [this, s, llamada, leer] {
                if (llamada->hecha)
                    return;
                leer();
                if (llamada->hecha)
                    return;
                llamada->hecha = true;
                s->deleteLater();
                if (alLlamar_)
                    alLlamar_(llamada->datos);
            };
            connect(s, &QLocalSocket::readyRead, s, leer);
            connect(s, &QLocalSocket::disconnected, this, fin);
            // Anything on this machine may connect: one that neither speaks nor hangs up is let go.
            QTimer::singleShot(3000, s, [s, llamada] {
                if (llamada->hecha)
                    return;
                qCWarning(lcInstancia) << "Otro arranque no terminó su mensaje a tiempo: se descarta";
                llamada->hecha = true;
                s->abort();
                s->deleteLater();
            });
            if (s->state() == QLocalSocket::UnconnectedState)
                fin();
        }
    });
    return servidor_->listen(Clave(carpeta));
}

bool Presencia::Llamar(const QString &carpeta, const QByteArray &mensaje) {
    QLocalSocket s;
    s.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    s.connectToServer(Clave(carpeta));
    if (!s.waitForConnected(2000)) {
        qCWarning(lcInstancia) << "El programa en marcha no contesta:" << s.errorString();
        return false;
    }
    if (!mensaje.isEmpty()) {
        s.write(mensaje);
        if (!s.waitForBytesWritten(2000)) {
            qCWarning(lcInstancia) << "No se pudo hablar con el programa en marcha:" << s.errorString();
            return false;
        }
    }
    s.disconnectFromServer();
    if (s.state() != QLocalSocket::UnconnectedState)
        s.waitForDisconnected(2000);
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
    return pedido.buscar ? QByteArrayLiteral("buscar\n") + pedido.texto.toUtf8() : QByteArray();
}

Pedido DeMensaje(const QByteArray &mensaje) {
    Pedido p;
    if (mensaje == "buscar" || mensaje.startsWith("buscar\n")) {
        p.buscar = true;
        p.texto = QString::fromUtf8(mensaje.mid(7));
    } else if (!mensaje.isEmpty()) {
        qCWarning(lcInstancia) << "Mensaje de otro arranque que no se entiende: se toma por una llamada";
    }
    return p;
}

void Atender(const QByteArray &mensaje, frmBusquedaRapida &rapida, const std::function<void()> &abrirPrincipal) {
    const Pedido p = DeMensaje(mensaje);
    if (p.buscar)
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

int Main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rutinero"));
    QApplication::setWindowIcon(IconoApp());
    CargarTraducciones();
    QApplication::setQuitOnLastWindowClosed(false);
    Estado estado;
    const Pedido pedido = LeerPedido(QCoreApplication::arguments().mid(1));
    QString error;
    // An installed program keeps the library in the user's data folder; one in a folder of the
    // user's own keeps it beside itself.
    if (!mdlSistema::PrepararCarpetaDatos(QCoreApplication::applicationDirPath(), estado.carpeta, &error)) {
        mensajes::Aviso(nullptr, QStringLiteral("No se puede iniciar el programa: %1.").arg(error), version::Titulo());
        return 1;
    }
    const auto instancia = TomarInstancia(estado.carpeta, &error);
    if (!instancia) {
        if (error.isEmpty()) {
            // Another instance runs on this library: it does what was asked instead.
            if (Presencia::Llamar(estado.carpeta, Mensaje(pedido)))
                return 0;
            // It holds the library but does not answer (busy, or stopped in a debugger): never a
            // silent exit.
            qCWarning(lcInstancia) << "the running instance holds the lock but does not answer:" << estado.carpeta;
            mensajes::Aviso(nullptr,
                            QStringLiteral("Rutinero ya está abierto con la biblioteca de %1, pero no contesta. "
                                           "Espere a que termine lo que está haciendo, o ciérrelo, y vuelva a "
                                           "intentarlo.")
                                .arg(QDir::toNativeSeparators(estado.carpeta)),
                            version::Titulo());
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
    presencia.Escuchar(estado.carpeta, [&rapida, abrirPrincipal](const QByteArray &mensaje) {
        Atender(mensaje, *rapida, abrirPrincipal);
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
