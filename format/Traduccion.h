#pragma once
#include "format/Gramatica.h"

#include <QMap>
#include <QString>
#include <QStringList>

// Between the program's fill-in fields (Campos.h) and the editors' snippet grammar (Gramatica.h):
// a field is a tab stop, a choice a choice, and a field named as an editor's variable that variable.
namespace traduccion {

// Whether a text can be a field's name as it stands: not empty, no spaces around it, none of the
// characters that end a name or mark a choice.
bool NombreValido(const QString &nombre);

struct Opciones {
    // Fields named as an editor's variable are written as that variable (a file for the editor);
    // otherwise every field is a tab stop (the protocol's completions).
    bool variables = false;
    // The fields' names in the order of their tab stops, when that is not their order of appearance
    // (kept from an import); taken only when it names exactly the code's tab-stop fields.
    QStringList orden;
};
struct Fragmento {
    QString cuerpo;           // in the snippet grammar
    QMap<int, QString> nombres; // tab stops whose field's name an import would not find in the text
    QList<int> valores;         // tab stops whose text is also their field's default, not only its name
};
// A code with fill-in fields as a snippet: each distinct field one tab stop, numbered from 1 in the
// order of appearance; its first place carries its default (or, having none, its name as the text
// to type over; a field numbered as an import names a bare one, "campo 3"), the others repeat its number;
// a choice is a choice when the grammar can say it (no empty text, its first text offered). Text
// is escaped as the grammar requires. A code whose fields are not read (more than campos::kMaximo)
// is all text.
Fragmento AFragmento(const QString &codigo, const Opciones &opciones = {});

struct Campos {
    QString codigo;           // with fill-in fields
    QStringList orden;        // the tab-stop fields' names in the order of their numbers (unknown variables last)
    bool ordenPropio = false; // that order is not their order of appearance
    QStringList notas;        // what could not be kept as it was, in Spanish
};
// A snippet as a code with fill-in fields: each tab stop one field, named after its placeholder's
// text (`${1:mensaje}` is `${mensaje}`), as "campo N" when it has none or one no name can be, or as
// `nombres` says; a default only when the text is not the name (or `valores` says it is one too). A choice is a field offering its
// texts, a variable a field named after it, `$0` is left out. A placeholder whose text no field can
// hold (a line break, a `}`) is imported as that text, and a note says so.
Campos ACampos(const gramatica::Arbol &arbol, const QMap<int, QString> &nombres = {}, const QList<int> &valores = {});

} // namespace traduccion
