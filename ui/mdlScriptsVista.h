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
// The same format without progress and without touching any command.
bool GuardarLW(QTreeWidget *Lw, const QString &Fname, QString *error = nullptr);
} // namespace mdlScripts
