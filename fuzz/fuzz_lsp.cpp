// Any bytes as what an editor sends the language server, cut into reads of any size: the reader
// holds no more than one message and its header, and every reply is a JSON object.
#include "lsp/Canal.h"
#include "lsp/Servidor.h"

#include <QJsonDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    if (largo == 0)
        return 0;
    // The first byte sets the size of the reads.
    const size_t trozo = datos[0] % 64 + 1;
    lsp::Servidor servidor(QStringLiteral("/nonexistent/Categorias"), QStringLiteral("/nonexistent/indice.db"));
    lsp::Lector lector;
    for (size_t i = 1; i < largo && !servidor.terminado(); i += trozo) {
        lector.Agregar(QByteArrayView(reinterpret_cast<const char *>(datos) + i, qsizetype(std::min(trozo, largo - i))));
        while (const std::optional<QByteArray> m = lector.Siguiente())
            for (const QByteArray &r : servidor.Atender(*m))
                if (!QJsonDocument::fromJson(r).isObject())
                    __builtin_trap();
        if (lector.retenidos() > lsp::kMayorMensaje + lsp::kMayorCabecera + qsizetype(trozo))
            __builtin_trap();
    }
    return 0;
}
