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

// The folder of the program the user starts (rutinero): the window's program's own folder, or, for
// one installed in <prefix>/libexec/rutinero, <prefix>/bin.
QString CarpetaDelPrograma(const QString &carpetaPropia);
// The starter library an installed program carries: <prefix>/share/rutinero/Categorias for a program
// in <prefix>/bin. Empty when there is none.
QString BibliotecaDeInicio(const QString &carpetaPrograma);
// The folder that holds Categorias, Preferencias, Exportar and the lock for a program in
// `carpetaPrograma`: that folder itself when the user may write there (a program built or unpacked
// in the user's own folder), else $XDG_DATA_HOME/rutinero (~/.local/share/rutinero by default). An
// installed program (one that carries its starter library) always uses the latter, also for root.
QString CarpetaDatos(const QString &carpetaPrograma);
// CarpetaDatos, made if missing; at the first start in a data folder of the user's own (no
// Categorias and no Preferencias there yet) the starter library is copied into it, whole or not at
// all. False with *error (Spanish) when the folder cannot be made or the copy fails.
bool PrepararCarpetaDatos(const QString &carpetaPrograma, QString &carpeta, QString *error = nullptr);
} // namespace mdlSistema
