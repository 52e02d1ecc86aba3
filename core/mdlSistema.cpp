#include "core/mdlSistema.h"
#include "store/Cp1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

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
    return QFileInfo::exists(archivo);
}

bool GuardarBytes(const QString &archivo, const QByteArray &datos, QString *error) {
    QSaveFile f(archivo);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (f.write(datos) != datos.size()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool GuardarTexto(const QString &archivo, const QString &texto) {
    QByteArray datos = cp1252::Codificar(texto);
    datos.append("\r\n");
    return GuardarBytes(archivo, datos);
}

} // namespace mdlSistema
