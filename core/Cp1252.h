#pragma once
#include <QByteArray>
#include <QString>
#include <QVector>

// Windows-1252, the encoding of every file the program reads and writes. A table of our own: it is
// exact for all 256 bytes (the five bytes that the code page leaves undefined map to the C1 controls
// and back, so any file reads and writes back byte for byte) and much faster than a general codec.
namespace cp1252 {
QString Decodificar(const char *datos, qsizetype largo);
inline QString Decodificar(const QByteArray &datos) { return Decodificar(datos.constData(), datos.size()); }
// Appends the encoded text; characters the code page cannot hold become '?'.
void CodificarEn(const QString &texto, QByteArray &salida);
QByteArray Codificar(const QString &texto);
// True when every character of the text can be stored as it is.
bool Representable(const QString &texto);
// The distinct characters of the text that cannot be stored, in order of appearance.
QString NoRepresentables(const QString &texto);

// A character that cannot be stored, with the line (from 1, lines split at \n) of its first appearance.
struct Rechazado {
    char32_t caracter;
    int linea;
};
// Each distinct such character once, in order of appearance.
QVector<Rechazado> Rechazados(const QString &texto);
// Whether a character shows nothing by itself (format marks, unusual spaces, controls): a person can
// find it only by its code.
bool EsInvisible(char32_t c);
// Zero-width spaces and byte-order marks: pasted along with text, they can go without changing it.
bool EsQuitable(char32_t c);
QString SinQuitables(const QString &texto);
} // namespace cp1252
