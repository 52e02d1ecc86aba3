#pragma once
#include <QString>

class QProgressBar;
class QTreeWidget;
class QWidget;

// Moves a category between its file and a list view, showing progress on the main window's bar.
namespace mdlScripts {
// Appends the file's scripts after the rows already in the list. A file that cannot be read adds
// nothing, says so to the user and gives false.
bool LeerCategoria(QTreeWidget *lista, const QString &archivo, QProgressBar *barra, QWidget *padre = nullptr);
// Replaces the file by the list's rows. On failure tells the
// user, leaves the file as it was and the save commands as they were, and gives false.
bool GuardarCategoria(QWidget *padre, QTreeWidget *lista, const QString &archivo, QProgressBar *barra);
// Its two halves, for a caller that holds the folder while it writes and must let it go before a
// box waits for the user: the write (no box; the reason in *error) and the refusal it shows.
bool EscribirCategoria(QTreeWidget *lista, const QString &archivo, QProgressBar *barra, QString *error);
void AvisarNoGuardada(QWidget *padre, const QString &archivo, const QString &error);
// The same format without progress and without touching any command.
bool GuardarLW(QTreeWidget *Lw, const QString &Fname, QString *error = nullptr);
} // namespace mdlScripts
