#pragma once
#include "core/Estado.h"
#include "format/mdlScripts.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// Pending changes kept when the program cannot ask about them (the session ends, the program is told
// to stop): one file per category in Preferencias/Recuperacion, named after the category, in the
// category file format. It lies outside Categorias, so it is never listed as a category.
namespace recuperacion {

QString Carpeta(const Estado &estado);
// Writes the category's pending rows (the bytes of a category file), replacing an earlier recovery
// of the same category. The folder is made. On failure *error holds the reason.
bool Guardar(const Estado &estado, const QString &categoria, const QByteArray &datos, QString *error = nullptr);

struct Pendiente {
    QString categoria;
    QString ruta; // the recovery file
    QVector<Script> scripts;
    codificacion::Tipo codificacion = codificacion::Tipo::Cp1252; // the list's, kept with it
};
// Every recovery waiting to be offered, by category name; unreadable ones are left out.
QVector<Pendiente> Pendientes(const Estado &estado);
// The recovery of the category was restored or declined.
bool Descartar(const Estado &estado, const QString &categoria, QString *error = nullptr);

// Removes the temporary files killed saves left in the program's folders (exactly the writer's
// pattern beside the files it writes there). Run once at start, before anything is read.
QStringList LimpiarRestos(const Estado &estado);

} // namespace recuperacion
