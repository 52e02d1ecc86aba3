// Whatever the reader accepts, the writer stores, and reading that back gives the same records, in
// either encoding.
#include "format/mdlScripts.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(datos), qsizetype(largo));
    const QVector<Script> primera = mdlScripts::Analizar(bytes);
    // Written in the encoding it was read in: UTF-8 when it begins with the byte order mark.
    const QByteArray escrito = mdlScripts::Componer(primera, codificacion::De(bytes));
    if (mdlScripts::Analizar(escrito) != primera)
        __builtin_trap();
    if (mdlScripts::Componer(mdlScripts::Analizar(escrito), codificacion::De(escrito)) != escrito)
        __builtin_trap();
    return 0;
}
