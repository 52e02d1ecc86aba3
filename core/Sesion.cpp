#include "core/Sesion.h"
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

void Sesion::Abrir(const QString &nombre, const QString &ruta, const Huella &h) {
    abierta_ = nombre;
    ruta_ = ruta;
    huella_ = h;
    hayCambios_ = false;
    emit cambiado();
}

void Sesion::Cerrar() {
    // Nothing can be pending for a category that is no longer shown.
    hayCambios_ = false;
    abierta_.clear();
    ruta_.clear();
    huella_ = {};
    emit cambiado();
}

void Sesion::MarcarCambios() {
    hayCambios_ = true;
    categoriaActual_ = abierta_;
    emit cambiado();
}

void Sesion::Guardada(const Huella &h) {
    if (categoriaActual_ == abierta_)
        huella_ = h;
    hayCambios_ = false;
    emit cambiado();
}

void Sesion::Descartar() {
    hayCambios_ = false;
    emit cambiado();
}

void Sesion::Renombrada(const QString &nombre, const QString &ruta) {
    if (categoriaActual_ == abierta_)
        categoriaActual_ = nombre;
    abierta_ = nombre;
    ruta_ = ruta;
    emit cambiado();
}
