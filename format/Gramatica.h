#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

// The snippet grammar that code editors and the language server protocol share: tab stops `$1` and
// `${1}`, placeholders `${1:texto}`, choices `${1|uno,dos|}`, variables `$NOMBRE`, `${NOMBRE}`,
// `${NOMBRE:texto}` and transforms `${NOMBRE/regex/formato/opciones}`. A backslash escapes `$`, `}`
// and `\` (in a choice, `,`, `|` and `\`); any other backslash is itself. What the fill-in fields make
// of it is in Traduccion.h.
namespace gramatica {

struct Nodo {
    enum class Tipo { Texto, Parada, Eleccion, Variable };
    Tipo tipo = Tipo::Texto;
    QString texto;          // Texto: the text, unescaped; Variable: its name
    int numero = -1;        // Parada and Eleccion
    bool conValor = false;  // `${1:...}` or `${NOMBRE:...}`: `hijos` is what follows the colon
    QVector<Nodo> hijos;
    QStringList opciones;   // Eleccion
    QString transformacion; // `${X/.../.../...}`: what lies between the X and the closing `}`
    bool operator==(const Nodo &o) const {
        return tipo == o.tipo && texto == o.texto && numero == o.numero && conValor == o.conValor &&
               hijos == o.hijos && opciones == o.opciones && transformacion == o.transformacion;
    }
    bool operator!=(const Nodo &o) const { return !(*this == o); }
};
using Arbol = QVector<Nodo>;

// Constructs nest at most this deep; a `${` deeper still is text.
constexpr int kProfundidad = 16;

// Reads a snippet as the editors do: whatever opens no construct that closes is text (a lone `$`, a
// `${1:` without its `}`). Adjacent texts come as one node.
Arbol Analizar(QStringView fragmento);
// Writes a snippet: texts with every `$`, `}` and `\` escaped, constructs as the grammar spells
// them (a variable always with braces, so that no letter after it joins its name).
QString Escribir(const Arbol &arbol);
// A text as it must be written inside a snippet, and one of a choice's texts.
QString Escapar(QStringView texto);
QString EscaparOpcion(QStringView opcion);
// What the snippet inserts when no tab stop is typed into: placeholders give their text, choices
// their first option, variables their default.
QString Insertado(const Arbol &arbol);

// The snippet as an editor fills it in: the final tab stop `$0` left out (a placeholder of it becomes
// its text), and every tab stop's value (that of its first placeholder or choice, in reading order)
// at its first place, its other places bare.
Arbol Colocado(const Arbol &arbol);

// Unknown variables (none of EsVariable's, without a transform) as the placeholders editors make of
// them: one tab stop per name, numbered -1, -2... (below every real one); `nombres` gets each name.
Arbol Desconocidas(const Arbol &arbol, QHash<int, QString> &nombres);

// Whether a name is one of the variables editors fill in themselves ($TM_FILENAME, $CLIPBOARD,
// $CURRENT_YEAR...). Editors make any other variable a placeholder with its name as text.
bool EsVariable(const QString &nombre);

// The same snippet for an editor, written one way: adjacent texts joined, the final tab stop `$0`
// left out (a placeholder of it becomes its text), an unknown variable the placeholder editors make
// of it (one per name), every occurrence of a tab stop carrying the value its first placeholder (or
// choice) gives it, tab stops numbered 1, 2... by first appearance, and `${1:}` taken as `$1`. Two
// snippets are equivalent when their normal forms are equal.
Arbol Normal(const Arbol &arbol);

} // namespace gramatica
