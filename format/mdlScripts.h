#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>
#include <array>

#include "core/Cp1252.h"

class QIODevice;

// One snippet. In Codigo every double quote is held as the token "*RTN*"; names and descriptions
// hold no double quote, so the file format needs no escaping.
struct Script {
    QString Nombre;
    QString Descripcion;
    QString Codigo;
    QString Puntaje;
    bool operator==(const Script &o) const {
        return Nombre == o.Nombre && Descripcion == o.Descripcion && Codigo == o.Codigo && Puntaje == o.Puntaje;
    }
    bool operator!=(const Script &o) const { return !(*this == o); }
};

namespace mdlScripts {

inline const QString kTokenComilla = QStringLiteral("*RTN*");
constexpr int kCampos = 4;

// The category file: four quoted fields per script, each followed by CR LF, Windows-1252, or UTF-8
// when the file begins with the byte order mark (codificacion::De); the reader picks it from the bytes.
// The reader also takes unquoted fields and fields separated by commas on one line.
QVector<Script> Analizar(const QByteArray &datos);

// Where a record's code lies in the file's bytes, when it was left there undecoded.
struct Tramo {
    qsizetype inicio = -1; // -1: the code was decoded into the record
    qsizetype largo = 0;
};
// Like Analizar, but the code of every quoted record stays in `datos` and its place goes to
// `codigos` (one entry per record), with the record's Codigo empty. A list that opens a big category
// then neither decodes nor doubles the code, which is almost all of the file.
QVector<Script> Analizar(const QByteArray &datos, QVector<Tramo> &codigos);
// A field's bytes in the file, undecoded; an unquoted field is trimmed, and decoding takes out a
// stray quote it may carry.
struct Campo {
    qsizetype inicio = 0;
    qsizetype largo = 0;
    bool comillas = false;
};
using Registro = std::array<Campo, kCampos>;
// The same records as Analizar, left undecoded: what tells a record from another costs no decoding.
QVector<Registro> Registros(const QByteArray &datos);
// A record of `datos` decoded, as Analizar gives it.
Script Decodificar(const QByteArray &datos, const Registro &r);
// The code a Tramo of `datos` holds, decoded in the file's encoding.
QString Codigo(const QByteArray &datos, Tramo t);
// A whole file in the given encoding, with the byte order mark first when UTF-8.
QByteArray Componer(const QVector<Script> &scripts, codificacion::Tipo tipo = codificacion::Tipo::Cp1252);
// Appends one record. `codigoCrudo`, when not null, is the code as the bytes it was read from
// (Analizar's Tramo), in the same encoding: written back as it is, it needs neither decoding nor
// encoding.
void AgregarRegistro(QByteArray &salida, const Script &s, QByteArrayView codigoCrudo = {},
                     codificacion::Tipo tipo = codificacion::Tipo::Cp1252);

// Device versions, so a test can hand in a device that fails. On failure *error holds the reason.
bool Leer(QIODevice &dispositivo, QVector<Script> &scripts, QString *error = nullptr);
bool Escribir(QIODevice &dispositivo, const QVector<Script> &scripts, QString *error = nullptr);

// Whole-file versions. Writing goes through a temporary file renamed over the old one, so the
// category on disk is either as it was or completely new.
// *tipo, when given, gets the file's encoding.
bool LeerArchivo(const QString &ruta, QVector<Script> &scripts, QString *error = nullptr,
                 codificacion::Tipo *tipo = nullptr);
// The file's bytes, for Analizar with code left in place.
bool LeerBytes(const QString &ruta, QByteArray &datos, QString *error = nullptr);
bool GuardarArchivo(const QString &ruta, const QVector<Script> &scripts, QString *error = nullptr,
                    codificacion::Tipo tipo = codificacion::Tipo::Cp1252);

// A stored field never holds a double quote: in the code it becomes the token, elsewhere a space.
// The writer applies this so that no record can break the file's structure.
QString SinComillas(const QString &campo, bool esCodigo);

// The progress bar's rule while a category is read: it rests at 0 of 200, and after record k the
// value becomes k + 1 while below the maximum, and the maximum grows by 200 when reached.
struct Progreso {
    int minimo = 0;
    int maximo = 200;
    int valor = 0;
    void trasRegistro(int k) {
        if (valor < maximo)
            valor = k + 1;
        else if (valor == maximo)
            maximo += 200;
    }
    void reposo() {
        minimo = 0;
        maximo = 200;
        valor = minimo;
    }
};

} // namespace mdlScripts
