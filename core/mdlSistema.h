#pragma once
#include <QString>

// Platform services that need no window. The ones that touch widgets are in ui/mdlSistemaVista.h.
namespace mdlSistema {
// True when a file or folder exists at the path; a path with wildcards (* ?) is true when anything
// in its folder matches. The empty text and invalid paths are false.
bool ExisteArchivo(const QString &archivo);
// Writes the text converted to Windows-1252 followed by one CR LF, whole or not at all
// (archivos::Guardar). On failure *error gets the reason.
bool GuardarTexto(const QString &archivo, const QString &texto, QString *error = nullptr);
} // namespace mdlSistema
