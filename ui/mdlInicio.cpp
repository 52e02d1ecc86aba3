#include "ui/mdlInicio.h"
#include "core/Senales.h"
#include "core/Version.h"
#include "ui/frmSplash.h"
#include "core/Archivos.h"
#include "core/Registro.h"
#include "ui/Iconos.h"
#include "ui/Traducciones.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"

#include <QApplication>
#include <QSessionManager>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QFile>
#include <QLockFile>

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
Presencia::~Presencia() = default;

bool Presencia::Escuchar(const QString &carpeta, std::function<void()> alLlamar) {
    alLlamar_ = std::move(alLlamar);
    servidor_ = std::make_unique<QLocalServer>();
    // An abstract name: no socket file to leave behind, and no temporary folder involved.
    servidor_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(servidor_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *s = servidor_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            s->disconnectFromServer();
            if (alLlamar_)
                alLlamar_();
        }
    });
    return servidor_->listen(Clave(carpeta));
}

bool Presencia::Llamar(const QString &carpeta) {
    QLocalSocket s;
    s.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    s.connectToServer(Clave(carpeta));
    if (!s.waitForConnected(2000))
        return false;
    s.disconnectFromServer();
    return true;
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
    estado.carpeta = QCoreApplication::applicationDirPath();
    QString error;
    const auto instancia = TomarInstancia(estado.carpeta, &error);
    if (!instancia) {
        if (error.isEmpty()) {
            // Another instance runs on this library: it comes to the front instead.
            Presencia::Llamar(estado.carpeta);
            return 0;
        }
        mensajes::Aviso(nullptr,
                        QStringLiteral("No se puede iniciar el programa: no se pudo abrir la carpeta %1: %2.")
                            .arg(QDir::toNativeSeparators(estado.carpeta), error),
                        version::Titulo());
        return 1;
    }
    auto *splash = new frmSplash(estado);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->Startup();
    std::unique_ptr<frmPrincipal> principal(splash->principal());
    Presencia presencia;
    presencia.Escuchar(estado.carpeta, [&principal] { TraerAlFrente(principal.get()); });
    principal->IniciarIndice();
    QObject::connect(principal.get(), &frmPrincipal::terminado, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    ConectarFin(*principal);
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
