#include "core/Huella.h"
#include "core/Archivos.h"

#include <QFileInfo>
#include <QHash>

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
    // Prints are compared only with prints of this run, so Qt's own hash does, twice over with two
    // seeds for 128 bits: MD5 took as long as reading and decoding a big category again.
    const size_t partes[2] = {qHash(QByteArrayView(bytes), size_t(0x9e3779b97f4a7c15)),
                              qHash(QByteArrayView(bytes), size_t(0x632be59bd9b4e019))};
    h.hash = QByteArray(reinterpret_cast<const char *>(partes), sizeof partes);
    return h;
}
