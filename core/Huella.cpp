#include "core/Huella.h"
#include "core/Archivos.h"

#include <QCryptographicHash>
#include <QFileInfo>

Huella Huella::DeArchivo(const QString &ruta) {
    // Read as a category is: a link to a device or a pipe gives no print instead of hanging.
    QByteArray bytes;
    if (!archivos::Leer(ruta, bytes))
        return {};
    return DeBytes(ruta, bytes);
}

Huella Huella::DeBytes(const QString &ruta, const QByteArray &bytes) {
    Huella h;
    const QFileInfo i(ruta);
    h.tamano = bytes.size();
    h.modificado = i.lastModified();
    h.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
    return h;
}
