#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

// The tags of a script: words of its description that begin with '#' ("#fetch #async"). The category
// file has no field for them, and a copy of the program that knows nothing of tags shows them as part
// of the description. A tag is '#' at the start of the description or after a space, then letters,
// digits, '-', '_', '+' and '.'; dots that end it belong to the sentence ("#fetch." is "fetch").
namespace rotulos {

// Whether the character can be part of a tag's name.
bool EsLetra(QChar c);

struct Rotulo {
    int inicio = 0; // where its '#' is
    int largo = 0;  // with the '#'
    QString nombre; // without the '#', as typed
};
// The tags of a text in order, repeats included.
QVector<Rotulo> De(QStringView texto);
// Their names, without the '#', each once by the name folded as `clave` gives it; as first typed.
QStringList Nombres(QStringView texto);

// Whether a query's word is a tag term: '#' and a name ("#css", "#c++"); a bare "#" or "#=" is not.
// `nombre` gets the name with the dots that would end a sentence left out.
bool EsTermino(QStringView palabra, QString *nombre = nullptr);
// Whether a text whose case and accents are folded holds the tag named `nombre` (folded too).
bool Tiene(QStringView plegado, QStringView nombre);

} // namespace rotulos
