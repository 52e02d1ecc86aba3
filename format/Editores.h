#pragma once
#include "core/Cp1252.h"
#include "format/Lenguaje.h"
#include "format/mdlScripts.h"

#include <QByteArray>
#include <QMap>
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

// One snippet as the file holds it. `cuerpo` is in the editors' snippet grammar (Gramatica.h), with
// real double quotes and \n between lines.
struct Fragmento {
    QString nombre;
    QString descripcion;
    QString cuerpo;
    QStringList prefijos; // as written, a single prefix as a list of one; none when absent
    QString alcance;      // `scope`, as written
    // What this program writes beside a snippet (the key "rutinero") and reads back: the score, the
    // script's name when the key is not it, and the names of fields an import would not find.
    QString puntaje = QStringLiteral("0");
    QString nombrePropio;
    QMap<int, QString> campos;
    QList<int> valores; // tab stops whose text is also their field's default
};

// What reading found, and each kind of entry that is no snippet, under its own heading.
struct Lectura {
    QVector<Fragmento> fragmentos; // in the file's order, a repeated key each time it is written
    QStringList repetidos;         // keys written more than once (each kept), "Nombre" or "Nombre: clave"
    QStringList sinCuerpo;         // entries without `body`
    QStringList cuerpoRaro;        // a `body` that is neither a text nor a list of texts
    QStringList noFragmentos;      // entries that are no object, or with an odd description, prefix or scope
};
// Reads a snippet file, keeping its order. False (with *error in Spanish) when it is not JSON or not
// an object of snippets; true with no snippets for an empty object.
bool Leer(const QByteArray &datos, Lectura &lectura, QString *error = nullptr);

// Why a script cannot be kept in a category file: a double quote or a line break in the name or the
// description, an empty name, or the quote token in the code (given as the editor shows it). Empty
// when it can.
QString PorQueNoCabe(const QString &nombre, const QString &descripcion, const QString &codigo);

// A snippet file as a new category named `categoria`: the scripts, in the file's order, and what did
// not come in or not whole, each under its heading. The category is UTF-8 when a script holds a
// character Windows-1252 has not. False (with *error) when the file is no snippet file at all.
struct Importacion {
    QVector<Script> scripts;
    codificacion::Tipo tipo = codificacion::Tipo::Cp1252;
    QStringList rechazados; // "Nombre: motivo", scripts the category cannot hold
    QStringList cambiados;  // "Nombre: motivo", imported without something the program cannot keep
    QStringList repetidos, sinCuerpo, cuerpoRaro, noFragmentos; // as Lectura's
};
bool Importar(const QByteArray &datos, Importacion &importacion, QString *error = nullptr,
              const QString &categoria = QString());
// Whether a file name is one of the editor's snippet files: `.code-snippets`, or `.json` (per language).
bool EsArchivoDeFragmentos(const QString &archivo);

// The prefix typed in the editor to bring the snippet: the name in small letters without accents,
// with a hyphen between words ("Abrir ventana" gives "abrir-ventana").
QString Prefijo(const QString &nombre);

// A category's scripts as a `.code-snippets` file (UTF-8), in their order. Each script's name is its
// key (a name seen before gets " (2)", " (3)"... since keys are unique; the name itself goes beside
// it), its code the lines of `body` with its fill-in fields as tab stops (a field named as an editor's
// variable as that variable) and all else escaped, `prefix` and `scope` those its description's
// note keeps, else its prefix and the language the program highlights it in; its score goes beside.
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
// Markdown punctuation escaped, so that a text shows as written.
QString EscaparMarkdown(const QString &texto);

// What a snippet file says of a snippet beyond its name, description, code and score, kept at the
// end of the script's description (the category file has no other place for it, and a copy of the
// program that knows nothing of it shows it as part of the description):
//   Descripción «editores: prefijo=abrir,ventana; ámbito=javascript; orden=url,destino»
// `prefijo` the snippet's prefixes, `ámbito` its scope as written, `orden` its fields in the order
// of their tab stops when that is not the order in which they appear; `\` escapes `\`, `,`, `;`
// and `»` in the values.
struct Nota {
    QStringList prefijos;
    QString ambito;
    QStringList orden;
    bool vacia() const { return prefijos.isEmpty() && ambito.isEmpty() && orden.isEmpty(); }
    bool operator==(const Nota &o) const { return prefijos == o.prefijos && ambito == o.ambito && orden == o.orden; }
};
// The description without its note; *nota gets the note (empty when there is none).
QString SinNota(const QString &descripcion, Nota *nota = nullptr);
// The description with the note at its end (as it was when the note is empty).
QString ConNota(const QString &descripcion, const Nota &nota);

} // namespace editores
