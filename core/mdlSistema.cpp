#include "core/mdlSistema.h"
#include "core/Archivos.h"
#include "core/Cp1252.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace mdlSistema
