#include "core/Archivos.h"
#include "core/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <new>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archivos {

QString Razon(int numeroError) {
    switch (numeroError) {
    case ENOSPC:
        return QStringLiteral("el disco está lleno");
    case EDQUOT:
        return QStringLiteral("se ha superado la cuota de disco");
    case EFBIG:
        return QStringLiteral("el archivo supera el tamaño máximo permitido");
    case EACCES:
    case EPERM:
        return QStringLiteral("no tiene permiso");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case ENOENT:
        return QStringLiteral("no existe el archivo o la carpeta");
    case ENOTDIR:
        return QStringLiteral("una parte de la ruta no es una carpeta");
    case EISDIR:
        return QStringLiteral("es una carpeta, no un archivo");
    case ENAMETOOLONG:
        return QStringLiteral("el nombre es demasiado largo");
    case ELOOP:
        return QStringLiteral("hay demasiados enlaces simbólicos encadenados");
    case EEXIST:
        return QStringLiteral("ya existe un archivo con ese nombre");
    case EIO:
        return QStringLiteral("error de lectura o escritura en el disco");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("el archivo está en uso");
    case EAGAIN:
        return QStringLiteral("el archivo está bloqueado por otro programa");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("hay demasiados archivos abiertos");
    case ENOMEM:
        return QStringLiteral("no hay memoria suficiente");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("no es un archivo normal");
    case EXDEV:
        return QStringLiteral("el destino está en otro disco");
    case EINVAL:
        return QStringLiteral("el nombre no es válido");
    case EOVERFLOW:
        return QStringLiteral("el archivo es demasiado grande");
    case ESTALE:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
        return QStringLiteral("se perdió la conexión con el disco de red");
    default:
        return QStringLiteral("error del sistema n.º %1").arg(numeroError);
    }
}

QString Razon(QFileDevice::FileError error) {
    switch (error) {
    case QFileDevice::NoError:
        return QString();
    case QFileDevice::ReadError:
        return QStringLiteral("no se pudo leer");
    case QFileDevice::WriteError:
        return QStringLiteral("no se pudo escribir");
    case QFileDevice::ResourceError:
        return QStringLiteral("no hay espacio ni recursos suficientes");
    case QFileDevice::OpenError:
        return QStringLiteral("no se pudo abrir");
    case QFileDevice::PermissionsError:
        return QStringLiteral("no tiene permiso");
    case QFileDevice::RenameError:
        return QStringLiteral("no se pudo reemplazar el archivo");
    case QFileDevice::RemoveError:
        return QStringLiteral("no se pudo eliminar");
    case QFileDevice::CopyError:
        return QStringLiteral("no se pudo copiar");
    default:
        return QStringLiteral("error desconocido");
    }
}

namespace {
bool Fallo(QString *error, const QString &razon) {
    if (error)
        *error = razon;
    return false;
}

// Right after a Qt call failed, errno is the system's reason; Qt's own code stands in when the
// failure was not a system call.
QString RazonTras(int numeroError, QFileDevice::FileError e) {
    return numeroError != 0 ? Razon(numeroError) : Razon(e);
}

QString Tipo(mode_t modo) {
    if (S_ISDIR(modo))
        return Razon(EISDIR);
    if (S_ISCHR(modo) || S_ISBLK(modo))
        return QStringLiteral("es un dispositivo, no un archivo");
    if (S_ISFIFO(modo))
        return QStringLiteral("es una tubería con nombre, no un archivo");
    if (S_ISSOCK(modo))
        return QStringLiteral("es un socket, no un archivo");
    return Razon(ENXIO);
}

bool EsUtf8(QByteArrayView bytes) {
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignorado = d.decode(bytes);
    return !d.hasError();
}

// The folder the final file of a link lies in; empty when it cannot be told.
QString CarpetaFinal(const QString &ruta) {
    const QFileInfo info(ruta);
    const QString canonica = info.canonicalFilePath();
    if (!canonica.isEmpty())
        return QFileInfo(canonica).path();
    // A dangling link: where its target would be made.
    return QFileInfo(QFileInfo(info.symLinkTarget()).path()).canonicalFilePath();
}

bool EscribirTodo(int fd, const QByteArray &datos, int &numeroError) {
    const char *p = datos.constData();
    qsizetype falta = datos.size();
    while (falta > 0) {
        const ssize_t n = ::write(fd, p, size_t(falta));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing and reports nothing is still a short write.
            numeroError = n < 0 ? errno : EIO;
            return false;
        }
        p += n;
        falta -= n;
    }
    if (::fsync(fd) != 0) {
        numeroError = errno;
        return false;
    }
    return true;
}
} // namespace

QString Legible(const QByteArray &nombre) {
    if (EsUtf8(nombre))
        return QString::fromUtf8(nombre);
    QString r;
    const qsizetype n = nombre.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(nombre[i]);
        const int largo = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                                      : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
        if (largo > 0 && i + largo <= n) {
            const QByteArrayView tramo(nombre.constData() + i, largo);
            if (EsUtf8(tramo)) {
                r += QString::fromUtf8(tramo);
                i += largo;
                continue;
            }
        }
        r += cp1252::Decodificar(nombre.constData() + i, 1);
        ++i;
    }
    return r;
}

QByteArray Nativa(const QString &ruta) {
    const QByteArray plana = QFile::encodeName(ruta);
    struct stat st;
    if (::lstat(plana.constData(), &st) == 0)
        return plana;
    const qsizetype barra = ruta.lastIndexOf(QLatin1Char('/'));
    const QByteArray carpeta = barra < 0 ? QByteArray(".") : barra == 0 ? QByteArray("/") : plana.left(plana.lastIndexOf('/'));
    const QString nombre = ruta.mid(barra + 1);
    DIR *d = ::opendir(carpeta.constData());
    if (!d)
        return plana;
    // A file brought from a system that ignores case may have its ending in capitals ("Menus.RTN"):
    // it is listed as the category it names, so it must be found by that name too.
    const qsizetype punto = nombre.lastIndexOf(QLatin1Char('.'));
    const QStringView tronco = QStringView(nombre).left(punto + 1);
    auto mismaTerminacion = [&](const QString &otro) {
        return punto > 0 && otro.size() == nombre.size() && otro.startsWith(tronco) &&
               QStringView(otro).mid(punto).compare(QStringView(nombre).mid(punto), Qt::CaseInsensitive) == 0;
    };
    QByteArray encontrada = plana;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray bytes(e->d_name);
        const QString legible = Legible(bytes);
        if ((!EsUtf8(bytes) && legible == nombre) || mismaTerminacion(legible)) {
            encontrada = (carpeta == "/" ? QByteArray() : carpeta) + '/' + bytes;
            break;
        }
    }
    ::closedir(d);
    return encontrada;
}

QStringList Listar(const QString &carpeta, const QString &sufijo) {
    QStringList nombres;
    const QByteArray base = QFile::encodeName(carpeta);
    DIR *d = ::opendir(base.constData());
    if (!d)
        return nombres;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray bytes(e->d_name);
        const QString nombre = Legible(bytes);
        if (!nombre.endsWith(sufijo, Qt::CaseInsensitive) || nombre.size() == sufijo.size())
            continue;
        struct stat st;
        if (::stat((base + '/' + bytes).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        nombres.append(nombre);
    }
    ::closedir(d);
    std::sort(nombres.begin(), nombres.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    // A file whose name is not UTF-8 beside its UTF-8 namesake is the same category: one entry.
    nombres.erase(std::unique(nombres.begin(), nombres.end()), nombres.end());
    return nombres;
}

QString RazonDemasiadoGrande() {
    return QStringLiteral("ocupa más de %1 MB y no se abre").arg(kMayorLectura >> 20);
}

bool Leer(const QString &ruta, QByteArray &datos, QString *error) {
    datos.clear();
    // Non-blocking, so that opening a named pipe returns at once instead of waiting for a writer.
    const int fd = ::open(Nativa(ruta).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Fallo(error, Razon(errno));
    // The type of what was opened, not of what the name pointed to a moment before.
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return Fallo(error, Razon(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Fallo(error, Tipo(st.st_mode));
    }
    if (st.st_size > kMayorLectura) {
        ::close(fd);
        return Fallo(error, RazonDemasiadoGrande());
    }
    qsizetype hecho = 0;
    int numeroError = 0;
    bool grande = false;
    try {
        datos.resize(qsizetype(st.st_size));
        for (;;) {
            char extra[65536];
            // Past the size the file had, it may have grown: read on until the end, or the limit.
            const bool lleno = hecho == datos.size();
            char *destino = lleno ? extra : datos.data() + hecho;
            const size_t pedido = lleno ? sizeof extra : size_t(datos.size() - hecho);
            const ssize_t n = ::read(fd, destino, pedido);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                numeroError = errno;
                break;
            }
            if (n == 0)
                break;
            if (hecho + n > kMayorLectura) {
                grande = true;
                break;
            }
            if (lleno)
                datos.append(extra, n);
            hecho += n;
        }
    } catch (const std::bad_alloc &) {
        numeroError = ENOMEM;
    }
    ::close(fd);
    if (numeroError != 0 || grande) {
        datos = QByteArray();
        return Fallo(error, grande ? RazonDemasiadoGrande() : Razon(numeroError));
    }
    datos.resize(hecho);
    return true;
}

namespace {
Identidad De(const struct stat &st) {
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}
} // namespace

Identidad IdentidadDe(const QString &ruta) {
    struct stat st;
    if (::stat(Nativa(ruta).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return De(st);
}

bool Guardar(const QString &ruta, const QByteArray &datos, QString *error, const QString &dentroDe,
             Identidad *escrito) {
    if (escrito)
        *escrito = {};
    const QByteArray nativa = Nativa(ruta);
    // A name that is not UTF-8 cannot be handed to Qt: the file is written under its readable name
    // and then renamed over the real one.
    const bool otroNombre = nativa != QFile::encodeName(ruta);
    struct stat st;
    const bool existe = ::lstat(nativa.constData(), &st) == 0;
    if (existe && S_ISLNK(st.st_mode) && !dentroDe.isEmpty()) {
        const QString carpeta = QFileInfo(dentroDe).canonicalFilePath();
        if (otroNombre || carpeta.isEmpty() || CarpetaFinal(ruta) != carpeta)
            return Fallo(error, QStringLiteral("es un enlace a un archivo fuera de la carpeta %1")
                                    .arg(QFileInfo(dentroDe).fileName()));
    }
    // Never replace a folder, a device or a pipe (nor what a link points to of that kind).
    if (existe && ::stat(nativa.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return Fallo(error, Tipo(st.st_mode));

    QSaveFile f(ruta);
    errno = 0;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Fallo(error, RazonTras(errno, f.error()));
    // Written past Qt's buffer straight to the file, so that every failure is seen here, before
    // commit() renames: Qt 6.4 renames even when its last buffered flush failed.
    int numeroError = 0;
    if (otroNombre && existe)
        ::fchmod(f.handle(), st.st_mode & 07777);
    if (!EscribirTodo(f.handle(), datos, numeroError)) {
        f.cancelWriting();
        return Fallo(error, Razon(numeroError));
    }
    // The written file as it was before the rename: only the time of its inode may still change.
    struct stat antes;
    const bool visto = escrito && ::fstat(f.handle(), &antes) == 0;
    errno = 0;
    if (!f.commit())
        return Fallo(error, RazonTras(errno, f.error()));
    if (otroNombre && ::rename(QFile::encodeName(ruta).constData(), nativa.constData()) != 0) {
        const int e = errno;
        ::unlink(QFile::encodeName(ruta).constData());
        return Fallo(error, Razon(e));
    }
    if (visto) {
        const Identidad ahora = IdentidadDe(ruta);
        Identidad esperada = De(antes);
        esperada.cambiado = ahora.cambiado;
        if (ahora == esperada)
            *escrito = ahora;
    }
    return true;
}

bool Existe(const QString &ruta) {
    struct stat st;
    return !ruta.isEmpty() && ::lstat(Nativa(ruta).constData(), &st) == 0;
}

bool Eliminar(const QString &ruta, QString *error) {
    if (::unlink(Nativa(ruta).constData()) != 0)
        return Fallo(error, Razon(errno));
    return true;
}

QStringList LimpiarTemporales(const QString &carpeta, const QString &nombre) {
    const QRegularExpression patron(QStringLiteral("^(?:%1)\\.[A-Za-z]{6}$").arg(nombre));
    QStringList borrados;
    QDir dir(carpeta);
    for (const QString &a : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (patron.match(a).hasMatch() && dir.remove(a))
            borrados.append(a);
    }
    return borrados;
}

} // namespace archivos
