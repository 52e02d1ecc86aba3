#pragma once
#include "lsp/Biblioteca.h"
#include "lsp/Documentos.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The language server: JSON-RPC 2.0 messages in, replies out, with the library's scripts as
// completions. It answers initialize, shutdown, textDocument/completion and completionItem/resolve,
// follows the documents through didOpen, didChange (whole or by ranges) and didClose, and stops at
// exit. A message that is no JSON gets a parse error, one that is no request an invalid-request
// error, an unknown method (or wrong parameters) its error; an unknown notification is dropped.
namespace lsp {

class Servidor {
public:
    Servidor(const QString &carpetaCategorias, const QString &rutaIndice);
    // One message's body: the replies to send, each a body to frame (none for a notification).
    QVector<QByteArray> Atender(const QByteArray &cuerpo);
    // `exit` came: the process ends, with 0 when `shutdown` came first.
    bool terminado() const { return terminado_; }
    int codigoSalida() const { return apagado_ ? 0 : 1; }

private:
    struct Estado;
    bool iniciado_ = false, apagado_ = false, terminado_ = false;
    Documentos documentos_;
    Biblioteca biblioteca_;
    friend struct Metodos;
};

// Serves on standard input and output until `exit` or the end of the input; the exit code.
int Ejecutar(const QString &carpetaCategorias, const QString &rutaIndice);

} // namespace lsp
