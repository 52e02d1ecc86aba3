#pragma once
#include <QMap>
#include <QString>
#include <QVector>

// Fill-in fields of a code: `${nombre}` or `${nombre:valor por omisión}` stand for a part the user
// types when copying, and `$${` is a literal `${`. Stored files keep the text as written; only a copy
// is filled.
namespace campos {

// One field where it is written: the whole `${...}` and its parts.
struct Lugar {
    int inicio = 0; // of the `$`
    int largo = 0;  // up to and with the `}`
    QString nombre;
    QString valor;     // the default, empty when none is written
    bool conValor = false;
};

// A field to ask for: its name and the default it is prefilled with (the first one written for it).
struct Campo {
    QString nombre;
    QString valor;
    bool operator==(const Campo &o) const { return nombre == o.nombre && valor == o.valor; }
};

// Every field in the code, in order. A `${` without its `}` on the same line, or with an empty name,
// is plain text.
QVector<Lugar> Lugares(const QString &codigo);
// The distinct fields, in order of first appearance.
QVector<Campo> Distintos(const QString &codigo);
// The code with each field replaced by its value (a field missing from `valores` takes its default)
// and each `$${` made `${`.
QString Llenar(const QString &codigo, const QMap<QString, QString> &valores);

} // namespace campos
