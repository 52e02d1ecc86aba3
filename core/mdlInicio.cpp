#include "core/mdlInicio.h"
#include "core/frmSplash.h"
#include "ui/Iconos.h"
#include "ui/Traducciones.h"
#include "ui/main/frmPrincipal.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>

namespace mdlInicio {

std::unique_ptr<QLockFile> TomarInstancia(const QString &carpeta) {
    // The lock lives in the temporary folder: the application folder may be read-only.
    const QByteArray clave =
        QCryptographicHash::hash(QDir(carpeta).canonicalPath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    auto bloqueo = std::make_unique<QLockFile>(QDir::temp().filePath(QStringLiteral("rutinero-%1.lock")
                                                                         .arg(QString::fromLatin1(clave))));
    bloqueo->setStaleLockTime(0);
    if (!bloqueo->tryLock(0))
        return nullptr;
    return bloqueo;
}

int Main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rutinero"));
    QApplication::setWindowIcon(IconoApp());
    CargarTraducciones();
    QApplication::setQuitOnLastWindowClosed(false);
    Estado estado;
    estado.carpeta = QCoreApplication::applicationDirPath();
    const auto instancia = TomarInstancia(estado.carpeta);
    if (!instancia)
        return 0;
    auto *splash = new frmSplash(estado);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->Startup();
    std::unique_ptr<frmPrincipal> principal(splash->principal());
    QObject::connect(principal.get(), &frmPrincipal::terminado, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return app.exec();
}

} // namespace mdlInicio
