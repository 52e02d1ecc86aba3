#pragma once
#include <QString>

// The preview page written by the editor's export.
namespace exportar {
// The page text for the editor's code (real double quotes, \n between lines), with CR LF between
// lines. tag 0: the code unchanged. Any other tag: the code inside a minimal page and a pre element,
// with "<", ">" and the double quote written as entities, in that order; "&" is left as it is.
QString Pagina(const QString &codigo, int tag);
// The extension when it is one to ten letters and digits; anything else (a dot, a slash, a
// space) would reach the path, so it gives "html".
QString ExtensionValida(const QString &extension);
// Exportar/Temp.<extension> beneath the application folder (through ExtensionValida).
QString RutaVistaPrevia(const QString &carpetaExportar, const QString &extension);
} // namespace exportar
