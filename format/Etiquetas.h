#pragma once
#include <QString>

// The tag skeleton a new script starts with, and the two forms of a script's code: as the list and
// the category files hold it (double quotes as the token, CR LF between lines) and as the editor's
// code field shows it (real double quotes, \n between lines).
namespace etiquetas {
// The skeleton for an export extension, lines joined by CR LF with no break after the last one.
// Only "html", "asp" and "php" (exactly, case-sensitive) have one; any other gives the empty text.
QString Principales(const QString &extension);

// Stored form -> editor: every token becomes a double quote, every CR LF a \n.
QString AEditor(const QString &almacenado);
// Editor -> stored form: every \n becomes CR LF, every double quote the token.
QString AAlmacen(const QString &editor);
} // namespace etiquetas
