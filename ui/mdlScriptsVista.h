#pragma once
#include <QString>

class CategoriaAbierta;
class QProgressBar;
class QWidget;

// Moves the open category between its file and the document, showing progress on the main window's
// bar and telling the user what went wrong.
namespace mdlScripts {
// Opens the file in the document. A file that cannot be read changes nothing, says so to the user
// and gives false.
bool LeerCategoria(CategoriaAbierta &d, const QString &archivo, QProgressBar *barra, QWidget *padre);
// Brings the file's scripts in after those the document holds, as one step that can be undone.
bool ImportarCategoria(CategoriaAbierta &d, const QString &archivo, QProgressBar *barra, QWidget *padre);
// Writes the document to `archivo`, which becomes its file (no box; the reason in *error), for a
// caller that holds the folder while it writes and must let it go before a box waits for the user.
bool EscribirCategoria(CategoriaAbierta &d, const QString &archivo, QProgressBar *barra, QString *error);
// The refusal of a failed write: the changes stay pending and the file as it was.
void AvisarNoGuardada(QWidget *padre, const QString &archivo, const QString &error);
bool GuardarCategoria(QWidget *padre, CategoriaAbierta &d, const QString &archivo, QProgressBar *barra);
} // namespace mdlScripts
