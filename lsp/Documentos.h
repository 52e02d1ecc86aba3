#pragma once
#include <QHash>
#include <QString>
#include <QVector>

// The documents the editor has open, as the protocol keeps them in step: whole on opening, then
// changed whole or by ranges. Positions are lines and UTF-16 units within a line, as the protocol
// counts by default and as QString stores text. What is kept is bounded: a document past the limit is
// forgotten (completing in it then finds no word) rather than letting the editor fill the memory.
namespace lsp {

constexpr int kMayorDocumentos = 1000;
constexpr qsizetype kMayorTexto = 128LL << 20; // UTF-16 units over all documents

struct Posicion {
    int linea = 0;
    int caracter = 0;
};

struct Cambio {
    bool entero = true; // no range: the new text is the whole document
    Posicion desde, hasta;
    QString texto;
};

struct Documento {
    QString lenguaje; // the editor's languageId
    QString texto;
};

class Documentos {
public:
    // False when the document is not kept (too big, too many).
    bool Abrir(const QString &uri, const QString &lenguaje, const QString &texto);
    // False when it is not open or stops being kept.
    bool Cambiar(const QString &uri, const QVector<Cambio> &cambios);
    void Cerrar(const QString &uri);
    const Documento *Buscar(const QString &uri) const;
    qsizetype total() const { return total_; }

private:
    QHash<QString, Documento> abiertos_;
    qsizetype total_ = 0;
};

// Where a position falls in a text: past the end of its line it is the line's end, past the last
// line the text's end. Lines end with LF, CR LF or CR.
qsizetype Desplazamiento(const QString &texto, Posicion p);
// The word that ends at a position: letters, digits and underscores just before it (none when
// nothing of a word comes before). *inicio gets the unit in the line where it starts.
QString PalabraAntes(const QString &texto, Posicion p, int *inicio = nullptr);

} // namespace lsp
