#pragma once
#include <QString>

// The preview page written by the editor's export.
namespace exportar {
// The page text for the editor's code (real double quotes, \n between lines), with CR LF between
// lines. tag 0: the code unchanged. Any other tag: the code inside a minimal page and a pre element,
// with "<", ">" and the double quote written as entities, in that order; "&" is left as it is.
QString Pagina(const QString &codigo, int tag);
// Exportar/Temp.<extension> beneath the application folder.
QString RutaVistaPrevia(const QString &carpetaExportar, const QString &extension);
} // namespace exportar
