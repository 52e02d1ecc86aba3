#pragma once
#include "core/Sesion.h"

#include <QString>

// Rules and file operations of category management that need no window.
namespace categorias {

// A character the name of a new category may not hold: punctuation that has a meaning in paths or
// in the file format (the hyphen is allowed), and control characters, which could only end up in a
// file name.
bool Rechazado(QChar c);
// The text without the refused characters.
QString Filtrar(const QString &texto);
// A name entered by renaming: without " * . / : < > ? \ | and trimmed.
QString LimpiarRenombre(const QString &texto);

enum class Renombre {
    Hecho,
    MismoNombre,   // nothing to do
    NombreVacio,   // the cleaned name is empty
    FaltaOrigen,   // the old file is missing
    DestinoExiste, // a file of the new name exists: it is never replaced
    Fallo,         // the system refused; *error says why
};
// Renames the file `origen` to `destino`, never over an existing file.
Renombre RenombrarArchivo(const QString &origen, const QString &destino, QString *error = nullptr);

// Copies a category file received from elsewhere to `destino` as it is, through the one writer.
// Only a regular file is copied; on failure *error holds the reason and nothing was written.
bool Importar(const QString &origen, const QString &destino, QString *error = nullptr);

// True when the category file is no longer what `antes` printed: another program rewrote it (other
// size or other bytes), removed it or made it unreadable; or, with no print, a file is there now.
// A file written again with the very same bytes is not a change.
bool CambiadaEnDisco(const QString &ruta, const Huella &antes);

} // namespace categorias
