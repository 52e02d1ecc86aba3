#include "core/mdlInicio.h"
#include "core/Senales.h"
#include "core/Version.h"
#include "core/frmSplash.h"
#include "core/Archivos.h"
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
#include <QLockFile>

#include <cerrno>

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

std::unique_ptr<QLockFile> TomarInstancia(const QString &carpeta, QString *error) {
    if (error)
        error->clear();
    auto bloqueo = std::make_unique<QLockFile>(carpeta + QStringLiteral("/rutinero.lock"));
    bloqueo->setStaleLockTime(0);
    errno = 0;
    if (bloqueo->tryLock(0))
        return bloqueo;
    const int numeroError = errno;
    if (bloqueo->error() != QLockFile::LockFailedError && error)
        *error = numeroError != 0 ? archivos::Razon(numeroError)
                 : bloqueo->error() == QLockFile::PermissionError ? archivos::Razon(EACCES)
                                                                  : archivos::Razon(QFileDevice::OpenError);
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
                        QStringLiteral("No se puede iniciar el programa: no se pudo crear el archivo de bloqueo "
                                       "en %1: %2.")
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
