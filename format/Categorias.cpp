#include "format/Categorias.h"
#include "core/Archivos.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace categorias {

bool Rechazado(QChar c) {
    const char16_t u = c.unicode();
    if (u < 32)
        return true;
    return (u >= 33 && u <= 47 && u != 45) || (u >= 58 && u <= 64) || (u >= 91 && u <= 94) ||
           (u >= 123 && u <= 125);
}

QString Filtrar(const QString &texto) {
    QString r;
    r.reserve(texto.size());
    for (QChar c : texto)
        if (!Rechazado(c))
            r.append(c);
    return r;
}

QString LimpiarRenombre(const QString &texto) {
    QString r = texto;
    for (QChar c : {u'"', u'*', u'.', u'/', u':', u'<', u'>', u'?', u'\\', u'|'})
        r.remove(c);
    // Only spaces are trimmed, as the name is otherwise kept exactly as typed.
    qsizetype i = 0, j = r.size();
    while (i < j && r.at(i) == QLatin1Char(' '))
        ++i;
    while (j > i && r.at(j - 1) == QLatin1Char(' '))
        --j;
    return r.mid(i, j - i);
}

Renombre RenombrarArchivo(const QString &origen, const QString &destino, QString *error) {
    if (origen == destino)
        return Renombre::MismoNombre;
    if (!archivos::Existe(origen))
        return Renombre::FaltaOrigen;
    const QFileInfo o(origen), d(destino);
    // Only the same file under another case may be "replaced" (a case-insensitive disk).
    const bool mismoArchivo =
        o.canonicalFilePath() == d.canonicalFilePath() && origen.compare(destino, Qt::CaseInsensitive) == 0;
    if (archivos::Existe(destino) && !mismoArchivo)
        return Renombre::DestinoExiste;
    const QByteArray viejo = archivos::Nativa(origen), nuevo = QFile::encodeName(destino);
    // Never over an existing file, even one made since the check above.
    int r = mismoArchivo ? ::rename(viejo.constData(), nuevo.constData())
                         : ::renameat2(AT_FDCWD, viejo.constData(), AT_FDCWD, nuevo.constData(), RENAME_NOREPLACE);
    int e = r != 0 ? errno : 0;
    if ((e == EINVAL || e == ENOSYS) && !archivos::Existe(destino)) {
        // A file system without the no-replace flag.
        r = ::rename(viejo.constData(), nuevo.constData());
        e = r != 0 ? errno : 0;
    }
    if (e == EEXIST)
        return Renombre::DestinoExiste;
    if (e != 0) {
        if (error)
            *error = archivos::Razon(e);
        return Renombre::Fallo;
    }
    return Renombre::Hecho;
}

bool EsSeudonimo(const QString &nombre) {
    return nombre.compare(QLatin1String("Todas"), Qt::CaseInsensitive) == 0 ||
           nombre.compare(QLatin1String("(Ninguna)"), Qt::CaseInsensitive) == 0;
}

QString AvisoSeudonimo(const QString &nombre) {
    return QStringLiteral("El nombre %1 está reservado: el programa lo usa para referirse a todas las categorías o "
                          "a ninguna. Elija otro nombre.")
        .arg(nombre);
}

bool CopiarArchivo(const QString &origen, const QString &destino, QString *error) {
    if (archivos::Existe(destino)) {
        if (error)
            *error = archivos::Razon(EEXIST);
        return false;
    }
    QByteArray datos;
    return archivos::Leer(origen, datos, error) &&
           archivos::Guardar(destino, datos, error, QFileInfo(destino).path());
}

bool CambiadaEnDisco(const QString &ruta, const Huella &antes) {
    if (!antes.valida())
        return archivos::Existe(ruta);
    // Same size and time to the nanosecond: nobody wrote it, and a big file need not be read again.
    const QFileInfo i(ruta);
    if (i.exists() && i.size() == antes.tamano && antes.modificado.isValid() && i.lastModified() == antes.modificado)
        return false;
    QByteArray bytes;
    if (!archivos::Leer(ruta, bytes))
        return true;
    const Huella ahora = Huella::DeBytes(ruta, bytes);
    return ahora.tamano != antes.tamano || ahora.hash != antes.hash;
}

} // namespace categorias
