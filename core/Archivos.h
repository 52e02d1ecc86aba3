#pragma once
#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

// The file layer every part of the program goes through: one writer, one reader of regular files,
// and one place that turns a system error into a reason the user can read.
namespace archivos {

// The reason for a system error number, in Spanish, to follow a colon ("el disco está lleno").
QString Razon(int numeroError);
// The same for Qt's coarse error, when no error number is known.
QString Razon(QFileDevice::FileError error);

// What a file is on disk, to tell later whether it still holds the same write: its inode, size and
// the times of its content and of its inode. Any later write, rename over it or touch changes one.
struct Identidad {
    quint64 dispositivo = 0, inodo = 0;
    qint64 tamano = -1; // -1: unknown, equal to nothing
    qint64 modificado = 0, cambiado = 0; // ns
    bool valida() const { return tamano >= 0; }
    bool operator==(const Identidad &o) const {
        return valida() && dispositivo == o.dispositivo && inodo == o.inodo && tamano == o.tamano &&
               modificado == o.modificado && cambiado == o.cambiado;
    }
};
// The identity of the file at the path, following links; not valida() when it cannot be looked at.
Identidad IdentidadDe(const QString &ruta);

// Writes the bytes whole through a temporary file renamed over the old one. Every byte is written
// and synced before the rename, so a full disk, a quota or a short write leaves the old file exactly
// as it was. With `dentroDe` set, a path that is a link leading out of that folder is refused.
// On failure *error holds the reason (Razon) and false is returned. `escrito`, when given, gets the
// identity of the file just written (not valida() if another program replaced it at once).
bool Guardar(const QString &ruta, const QByteArray &datos, QString *error = nullptr,
             const QString &dentroDe = QString(), Identidad *escrito = nullptr);

// The largest file the program reads whole: a category (or any file) past it is refused by name
// instead of read, so that a sparse file of a terabyte, or one another program keeps filling, can
// neither take the memory nor end the program. Whoever reads a category goes through Leer.
constexpr qint64 kMayorLectura = qint64(512) << 20;
// Leer's reason for a file past kMayorLectura, to follow a colon ("ocupa más de 512 MB ...").
QString RazonDemasiadoGrande();

// Reads a regular file whole, following links. Folders, devices, pipes and sockets are refused
// without waiting on them, so a link to /dev/zero or a named pipe can neither fill the memory nor
// freeze the program; so is a file bigger than kMayorLectura, also one that grows past it while it
// is read (RazonDemasiadoGrande), and one there is no memory for.
bool Leer(const QString &ruta, QByteArray &datos, QString *error = nullptr);

// True when something exists at the path (a dangling link counts), under its readable name too.
bool Existe(const QString &ruta);
// Removes the file at the path. On failure *error holds the reason.
bool Eliminar(const QString &ruta, QString *error = nullptr);

// A file name's bytes as a person can read them: valid UTF-8 as it is, any other byte as the
// Windows-1252 character it is in the files other users send.
QString Legible(const QByteArray &nombre);
// The path's bytes on disk. A path built from a readable name (Legible) of a file whose name is not
// valid UTF-8 gives that file's real bytes; any other path its plain encoding.
QByteArray Nativa(const QString &ruta);
// Names (readable form) of the regular files in the folder whose name ends with the suffix, without
// regard to case; links are followed. Sorted without regard to case.
QStringList Listar(const QString &carpeta, const QString &sufijo);

// Removes the temporary files a killed save leaves beside `nombre` files: exactly the name followed
// by a dot and six letters, as the writer makes them. `nombre` is a pattern (regular expression)
// for the names of the files the program writes in that folder. Gives the names removed.
QStringList LimpiarTemporales(const QString &carpeta, const QString &nombre);

} // namespace archivos
