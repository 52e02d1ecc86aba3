#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// The framing of the language server protocol on a byte stream: a header block of `Name: value`
// lines, each ended by CR LF, an empty line, then exactly Content-Length bytes of JSON. The bytes
// come from the editor, which may send anything: what is kept is bounded, and a message that cannot
// be framed is dropped without stopping the ones after it.
namespace lsp {

// A header block longer than this is no header.
constexpr qsizetype kMayorCabecera = 8 * 1024;
// A message longer than this is skipped unread (a document of that size is none to complete in).
constexpr qint64 kMayorMensaje = 64LL << 20;

class Lector {
public:
    void Agregar(QByteArrayView bytes);
    // The body of the next complete message, or none until more bytes come.
    std::optional<QByteArray> Siguiente();
    // Messages dropped so far: a header without a usable Content-Length, or a body too long.
    int descartados() const { return descartados_; }
    // Bytes held waiting for the rest of a message.
    qsizetype retenidos() const { return pendiente_.size(); }

private:
    // After a header that frames nothing, the bytes up to the next header are not a message.
    void Resincronizar();
    bool Cabecera(qsizetype fin);

    QByteArray pendiente_;
    qint64 largo_ = -1;  // the body now being read, or -1 while reading a header
    qint64 saltar_ = 0;  // bytes of a dropped body still to come
    bool perdido_ = false;
    int descartados_ = 0;
};

// A body with its header, ready to write.
QByteArray Enmarcar(const QByteArray &cuerpo);

} // namespace lsp
