// Any bytes may arrive as a category file from another user: the reader must never crash or hang.
#include "store/mdlScripts.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(datos), qsizetype(largo));
    const QVector<Script> scripts = mdlScripts::Analizar(bytes);
    for (const Script &s : scripts)
        if (s.Nombre.contains(QLatin1Char('"')) || s.Descripcion.contains(QLatin1Char('"')) ||
            s.Codigo.contains(QLatin1Char('"')) || s.Puntaje.contains(QLatin1Char('"')))
            __builtin_trap(); // a stored field never holds a double quote
    return 0;
}
