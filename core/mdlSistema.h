#pragma once
#include <QString>

// Platform services that need no window. The ones that touch widgets are in ui/mdlSistemaVista.h.
namespace mdlSistema {
// True when a file or folder exists at the path; a path with wildcards (* ?) is true when anything
// in its folder matches. The empty text and invalid paths are false.
bool ExisteArchivo(const QString &archivo);
// Writes the text converted to Windows-1252 followed by one CR LF, whole or not at all.
bool GuardarTexto(const QString &archivo, const QString &texto);
// Writes bytes whole through a temporary file renamed over the old one. On failure, *error gets the
// system's reason and the old file is untouched.
bool GuardarBytes(const QString &archivo, const QByteArray &datos, QString *error = nullptr);
} // namespace mdlSistema
