#include "core/mdlSistema.h"
#include "core/Archivos.h"
#include "core/Cp1252.h"

#include "core/Registro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <unistd.h>

namespace mdlSistema {

bool ExisteArchivo(const QString &archivo) {
    if (archivo.isEmpty())
        return false;
    if (archivo.contains(QLatin1Char('*')) || archivo.contains(QLatin1Char('?'))) {
        const QFileInfo info(archivo);
        const QDir carpeta = info.dir();
        return !carpeta.entryList({info.fileName()}, QDir::AllEntries | QDir::Hidden | QDir::System |
                                                         QDir::NoDotAndDotDot)
                    .isEmpty();
    }
    return archivos::Existe(archivo);
}

bool GuardarTexto(const QString &archivo, const QString &texto, QString *error) {
    QByteArray datos = cp1252::Codificar(texto);
    datos.append("\r\n");
    return archivos::Guardar(archivo, datos, error);
}

QString BibliotecaDeInicio(const QString &carpetaPrograma) {
    if (QDir(carpetaPrograma).dirName() != QLatin1String("bin"))
        return QString();
    const QString ruta = QDir::cleanPath(carpetaPrograma + QStringLiteral("/../share/rutinero/Categorias"));
    return QFileInfo(ruta).isDir() ? ruta : QString();
}

QString CarpetaDelPrograma(const QString &carpetaPropia) {
    const QString instalado = QStringLiteral("/libexec/rutinero");
    const QString limpia = QDir::cleanPath(carpetaPropia);
    return limpia.endsWith(instalado) ? limpia.chopped(instalado.size()) + QStringLiteral("/bin") : limpia;
}

QString CarpetaDatos(const QString &carpetaPrograma) {
    // access() asks the kernel, so ownership, groups and a read-only mount all count.
    const bool escribible = ::access(QFile::encodeName(carpetaPrograma).constData(), W_OK | X_OK) == 0;
    if (escribible && BibliotecaDeInicio(carpetaPrograma).isEmpty())
        return carpetaPrograma;
    const QString datos = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (datos.isEmpty())
        return carpetaPrograma; // no home at all: the only folder left
    return datos + QStringLiteral("/rutinero");
}

bool PrepararCarpetaDatos(const QString &carpetaPrograma, QString &carpeta, QString *error) {
    carpeta = CarpetaDatos(carpetaPrograma);
    if (carpeta == carpetaPrograma)
        return true; // beside the program, as always: its starter library is put there by the setup
    if (!QDir().mkpath(carpeta)) {
        const int numeroError = errno;
        qCWarning(lcArchivos) << "No se pudo crear la carpeta de datos" << carpeta << numeroError;
        if (error)
            *error = QStringLiteral("no se pudo crear la carpeta %1: %2")
                         .arg(QDir::toNativeSeparators(carpeta), archivos::Razon(numeroError));
        return false;
    }
    const QString categorias = carpeta + QStringLiteral("/Categorias");
    // Only the first start copies: a user who later empties or removes the library keeps it so.
    if (archivos::Existe(categorias) || archivos::Existe(carpeta + QStringLiteral("/Preferencias")))
        return true;
    const QString origen = BibliotecaDeInicio(carpetaPrograma);
    if (origen.isEmpty()) {
        qCWarning(lcArchivos) << "No hay biblioteca de inicio junto al programa" << carpetaPrograma;
        return true;
    }
    // Copied into a folder of its own and renamed into place, so an interrupted copy leaves no half
    // library, and the next start copies again.
    QTemporaryDir temporal(carpeta + QStringLiteral("/.inicio-XXXXXX"));
    const auto fallo = [&](const QString &motivo) {
        qCWarning(lcArchivos) << "No se pudo copiar la biblioteca de inicio a" << carpeta << motivo;
        if (error)
            *error = QStringLiteral("no se pudo copiar la biblioteca de inicio a %1: %2")
                         .arg(QDir::toNativeSeparators(carpeta), motivo);
        return false;
    };
    if (!temporal.isValid())
        return fallo(temporal.errorString());
    for (const QString &nombre : archivos::Listar(origen, QStringLiteral(".rtn"))) {
        QByteArray datos;
        QString motivo;
        if (!archivos::Leer(origen + QLatin1Char('/') + nombre, datos, &motivo) ||
            !archivos::Guardar(temporal.path() + QLatin1Char('/') + nombre, datos, &motivo, temporal.path()))
            return fallo(nombre + QStringLiteral(": ") + motivo);
    }
    if (::rename(QFile::encodeName(temporal.path()).constData(), QFile::encodeName(categorias).constData()) != 0) {
        const int numeroError = errno;
        // Another start made it meanwhile: that library is the one.
        if (QFileInfo(categorias).isDir())
            return true;
        return fallo(archivos::Razon(numeroError));
    }
    temporal.setAutoRemove(false);
    return true;
}

} // namespace mdlSistema
