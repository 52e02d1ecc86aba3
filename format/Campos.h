#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// Fill-in fields of a code: `${nombre}` or `${nombre:valor por omisión}` stand for a part the user
// types when copying, and `${nombre|uno,dos,tres|}` for one chosen among those texts (the first is
// offered, or the default written after them: `${nombre|uno,dos|:dos}`). Before a `{`, each `$$` is one literal `$` and a `$` left over opens the field: `$${` is
// a literal `${`, `$$${x}` a `$` and the field x. A default may hold fields of its own
// (`${a:${b}}`): left as offered, it is filled in with their values. Stored files keep the text as
// written; only a copy is filled.
namespace campos {

// A code asks for at most this many distinct fields; one with more (a shared category can carry any
// number) is copied as written, and reading it stops at the first field past the limit.
constexpr int kMaximo = 100;
// Fields inside defaults nest at most this deep; a `${` deeper still is plain text.
constexpr int kProfundidad = 16;
// Filling in grows a code by at most this many characters (defaults that name other fields can
// double at each step); past it the code is copied as written.
constexpr qsizetype kCrecimiento = 8 * 1024 * 1024;

// One field where it is written: the whole `${...}` and its parts.
struct Lugar {
    int inicio = 0; // of the `$`
    int largo = 0;  // up to and with the `}`
    QString nombre;
    QString valor;     // the default as written, empty when none is written
    bool conValor = false;
    QStringList opciones; // a choice's texts, empty for a field to type
};

// A field to ask for: its name and the default it is prefilled with (the first one written for it).
struct Campo {
    Campo(QString n = {}, QString v = {}, QStringList o = {})
        : nombre(std::move(n)), valor(std::move(v)), opciones(std::move(o)) {}
    QString nombre;
    QString valor;
    QStringList opciones; // the texts to choose from (the first one written for it), or none
    bool operator==(const Campo &o) const {
        return nombre == o.nombre && valor == o.valor && opciones == o.opciones;
    }
};

// The outermost fields of the code, in order (a field inside a default is part of it). A `${`
// without its `}` on the same line, or with an empty name, is plain text. None when the code has
// more than kMaximo distinct fields.
QVector<Lugar> Lugares(const QString &codigo);
// The distinct fields, those inside defaults too, in order of first appearance; a choice offers its
// first text unless a default is written for it. None when there are
// more than kMaximo, and then *demasiados says so.
QVector<Campo> Distintos(const QString &codigo, bool *demasiados = nullptr);
// The code with each field replaced by its value and each `$$` before a `{` made `$`. A field's value is the
// text given in `valores`, taken as given; a field missing there, or given exactly its default,
// takes its default with the fields inside it filled in the same way (a field met again inside its
// own default is empty there). The code as written, when it has more than kMaximo distinct fields or
// filling it in would grow it by more than kCrecimiento characters (then *excedido says so).
QString Llenar(const QString &codigo, const QMap<QString, QString> &valores, bool *excedido = nullptr);

} // namespace campos
