#pragma once
#include "format/mdlScripts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Snippet files of code editors: the JSON a `.code-snippets` file or a per-language `.json` file
// holds, one object per snippet under its name, with `prefix`, `body` (a text or a list of lines)
// and `description`. Read and written here, with no window.
namespace editores {

// The text with the comments (// and /* */) and the trailing commas that editor accepts turned into
// spaces, so that a strict JSON reader takes it; strings are left exactly as they are. Line breaks
// stay where they were. A comment that never ends is an error: *error says so and the result is empty.
QByteArray SinComentarios(const QByteArray &texto, QString *error = nullptr);

// One snippet as the editor sees it: its code with real double quotes and \n between lines.
struct Fragmento {
    QString nombre;
    QString descripcion;
    QString codigo;
};

struct Lectura {
    QVector<Fragmento> fragmentos; // in the order of their names
    QStringList noFragmentos;      // entries without a body: not snippets
};
// Reads a snippet file. False (with *error in Spanish) when it is not JSON or not an object of
// snippets; true with no snippets for an empty object.
bool Leer(const QByteArray &datos, Lectura &lectura, QString *error = nullptr);

// A snippet as the category file holds it, or why it cannot be held: a character outside the
// category's encoding, a double quote or a line break in the name or the description, an empty name,
// or the quote token in the code. Empty when it can.
QString PorQueNoCabe(const Fragmento &f);
Script AScript(const Fragmento &f);

// A snippet file as a new category: the scripts it can hold, in the file's order, and each one it
// cannot ("Nombre: motivo"), entries that are no snippets included. False (with *error) when the
// file is no snippet file at all.
struct Importacion {
    QVector<Script> scripts;
    QStringList rechazados;
};
bool Importar(const QByteArray &datos, Importacion &importacion, QString *error = nullptr);
// Whether a file name is one of the editor's snippet files: `.code-snippets`, or `.json` (per language).
bool EsArchivoDeFragmentos(const QString &archivo);

// The prefix typed in the editor to bring the snippet: the name in small letters without accents,
// with a hyphen between words ("Abrir ventana" gives "abrir-ventana").
QString Prefijo(const QString &nombre);

// A category's scripts as a `.code-snippets` file (UTF-8). Each script's name is its key (a name seen
// before gets " (2)", " (3)"... since keys are unique), its code the lines of `body` with `$` and `\`
// escaped so that the editor inserts them as they are, and `scope` the language the program
// highlights it in, when it knows one.
QByteArray CodeSnippets(const QVector<Script> &scripts, const QString &categoria);

// Markdown of categories, each a level-one heading; each script a level-two heading, its description
// and its code in a fence longer than any run of backticks in it, tagged with the language the editor
// highlights it in. UTF-8 with LF line ends.
struct CategoriaMarkdown {
    QString nombre;
    QVector<Script> scripts;
};
QByteArray Markdown(const QVector<CategoriaMarkdown> &categorias);
// The fence for a code: backticks, one more than its longest run and at least three.
QString Cerca(const QString &codigo);

} // namespace editores
