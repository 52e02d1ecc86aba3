#pragma once
#include "core/Huella.h"

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

// "Todas" and "(Ninguna)" stand for every category and for none in lists and headings: a category
// under either name could not be told apart from them.
bool EsSeudonimo(const QString &nombre);
QString AvisoSeudonimo(const QString &nombre);

// Copies a received category file to `destino` as a new file of the user's own, with the
// permissions any new file gets: a read-only source would otherwise make every later save fail.
// Never over an existing file; on failure *error says why.
// Only a regular file is copied, whole through the one writer.
bool CopiarArchivo(const QString &origen, const QString &destino, QString *error = nullptr);

// True when the category file is no longer what `antes` printed: another program rewrote it (other
// size or other bytes), removed it or made it unreadable; or, with no print, a file is there now.
// A file written again with the very same bytes is not a change.
bool CambiadaEnDisco(const QString &ruta, const Huella &antes);

} // namespace categorias
