#pragma once
#include "core/Cp1252.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The preview page written by the editor's export.
namespace exportar {
// The page text for the editor's code (real double quotes, \n between lines), with CR LF between
// lines. tag 0: the code unchanged. Any other tag: the code inside a minimal page and a pre element,
// with "<", ">" and the double quote written as entities, in that order; "&" is left as it is.
QString Pagina(const QString &codigo, int tag);
// The encoding a page declares for itself (<meta charset=…>, <meta http-equiv … charset=…>, or the
// XML declaration, whose default is UTF-8), when it is one the program writes: UTF-8, or
// Windows-1252 and the names a browser reads as it (ISO-8859-1, US-ASCII).
std::optional<codificacion::Tipo> Declarada(const QString &pagina);
// The preview's bytes: in the encoding the page declares, or else the category's. UTF-8 not declared
// by the page gets the byte order mark, which a browser reads before anything else. A character
// Windows-1252 cannot hold goes as a numeric character reference in a page (`html`: the wrapped code
// or a page that declares its encoding); other text that cannot be held goes as UTF-8 with the mark.
QByteArray Bytes(const QString &pagina, codificacion::Tipo categoria, bool html);
// The extension when it is one to ten letters and digits; anything else (a dot, a slash, a
// space) would reach the path, so it gives "html".
QString ExtensionValida(const QString &extension);
// Exportar/Temp.<extension> beneath the application folder (through ExtensionValida).
QString RutaVistaPrevia(const QString &carpetaExportar, const QString &extension);
} // namespace exportar
