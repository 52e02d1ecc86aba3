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

// A category file is Windows-1252 unless it begins with the UTF-8 byte order mark; every reader and
// writer of categories picks the encoding here, so a file keeps the one it has, byte for byte.
namespace codificacion {
enum class Tipo { Cp1252, Utf8 };
inline constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr qsizetype kLargoBom = 3;
// Utf8 when the bytes begin with the byte order mark.
Tipo De(const char *datos, qsizetype largo);
inline Tipo De(const QByteArray &datos) { return De(datos.constData(), datos.size()); }
// Where the text begins: after the byte order mark of a UTF-8 file.
inline qsizetype Inicio(Tipo t) { return t == Tipo::Utf8 ? kLargoBom : 0; }
QString Decodificar(Tipo t, const char *datos, qsizetype largo);
inline QString Decodificar(Tipo t, const QByteArray &datos) { return Decodificar(t, datos.constData(), datos.size()); }
// The text of a whole file: the mark is not part of it.
QString DecodificarArchivo(const QByteArray &datos);
void CodificarEn(Tipo t, const QString &texto, QByteArray &salida);
QByteArray Codificar(Tipo t, const QString &texto);
// A whole file: the mark first when UTF-8.
QByteArray CodificarArchivo(Tipo t, const QString &texto);
// The characters that cannot be stored: for UTF-8 only halves of a pair that lost the other half.
QVector<cp1252::Rechazado> Rechazados(Tipo t, const QString &texto);
bool Representable(Tipo t, const QString &texto);
QString NoRepresentables(Tipo t, const QString &texto);
// The same text as UTF-8 bytes, from bytes in the given encoding; ASCII needs no conversion.
QByteArray AUtf8(Tipo t, QByteArrayView datos);
// UTF-8 taken as it is, a byte order mark at the start a character like any other (QString::fromUtf8
// drops it): for a JSON string, which is text, not a file.
QString DeUtf8(QByteArrayView datos);
} // namespace codificacion
