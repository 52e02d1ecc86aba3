#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>

// Which language a script's code is written in, for the editor's highlighting. Decided from the code
// itself where it carries clear marks, else from the category's name, else from weaker hints.
namespace lenguaje {

enum class Lenguaje { Ninguno, Html, Css, JavaScript, Php, Asp, Sql, Shell };
constexpr int kCuantos = 8;

// The name the editor's menu shows ("Ninguno", "HTML", "CSS", ...).
QString Nombre(Lenguaje l);
// From the code alone; `fuertes` only: what no category name could contradict (tags, a shebang,
// an SQL statement at the start of a line). Only the first part of a big code is looked at.
Lenguaje DelCodigo(QStringView codigo, bool fuertes);
// From a category's name ("PHP", "Scripts de Linux"); Ninguno when it names none.
Lenguaje DeCategoria(const QString &categoria);
// Code marks first, then the category, then the code's weaker hints.
Lenguaje Elegir(QStringView codigo, const QString &categoria);

} // namespace lenguaje
