#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>

// Which language a script's code is written in: for the editor's highlighting, the Markdown fence,
// the snippet files' scope, the language server and the preview's extension. Decided by a language
// tag in the description ("#python"), else by what the code says of itself, else by the category's
// name, else by the code's weaker hints.
namespace lenguaje {

enum class Lenguaje {
    Ninguno, Html, Css, JavaScript, Php, Asp, Sql, Shell,
    Python, C, Cpp, CSharp, Java, Go, Rust, Batch, PowerShell, Perl, Ruby, Lua,
    Json, Yaml, Xml, Markdown, Makefile, CMake, Diff, Ini, TeX, TypeScript,
};
constexpr int kCuantos = 30;

// The name the editor's menu shows ("Ninguno", "HTML", "C++", ...).
QString Nombre(Lenguaje l);
// The tag that names it in a description, without '#' ("python", "cpp"); empty for Ninguno.
QString Etiqueta(Lenguaje l);
// Every tag that names it: Etiqueta first, then its aliases ("py", "python3").
QStringList Etiquetas(Lenguaje l);
// The language a tag names (without '#', any case); Ninguno when none.
Lenguaje DeEtiqueta(QStringView etiqueta);
// The info string of a Markdown fence, the scope of a code editor's snippet, the preview file's
// extension; empty where there is none.
QString Markdown(Lenguaje l);
QString Alcance(Lenguaje l);
QString Extension(Lenguaje l);
// The language of a code editor's scope or languageId ("python", "shellscript", "javascriptreact");
// Ninguno for one it has no language for.
Lenguaje DeAlcance(QStringView alcance);

// The first language tag of a description; Ninguno when it has none.
Lenguaje DeDescripcion(QStringView descripcion);
// The description with its language tags replaced by the one of `l` (where the first was, or at the
// end before a snippet file's note); Ninguno takes them out. Every other word stays as it was.
QString ConLenguaje(const QString &descripcion, Lenguaje l);

// From the code alone; `fuertes` only: what no category name could contradict (a shebang, `<?php`,
// a document type, a JSON or YAML shape, an SQL statement at the start of a line). Only the first
// part of a big code is looked at.
Lenguaje DelCodigo(QStringView codigo, bool fuertes);
// From a category's name ("PHP", "Scripts de Linux"); Ninguno when it names none.
Lenguaje DeCategoria(const QString &categoria);
// The description's tag, then the code's marks, then the category, then the code's weaker hints.
Lenguaje Elegir(QStringView descripcion, QStringView codigo, const QString &categoria);

} // namespace lenguaje
