// Any bytes given as a code editor's snippet file: the comment and trailing-comma pass never reads
// outside the text and keeps every line break, and whatever came in comes back the same after a trip
// through the category file and the editor's format, score and name included.
#include "format/Editores.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(datos), qsizetype(largo));
    QString error;
    const QByteArray limpio = editores::SinComentarios(bytes, &error);
    if (error.isEmpty() && (limpio.size() != bytes.size() || limpio.count('\n') != bytes.count('\n')))
        __builtin_trap();
    editores::Importacion ida;
    const QString categoria = QStringLiteral("Fuzz");
    if (!editores::Importar(bytes, ida, &error, categoria))
        return 0;
    const QVector<Script> guardados = mdlScripts::Analizar(mdlScripts::Componer(ida.scripts, ida.tipo));
    editores::Importacion vuelta;
    if (!editores::Importar(editores::CodeSnippets(guardados, categoria), vuelta, &error, categoria))
        __builtin_trap();
    if (!vuelta.rechazados.isEmpty() || vuelta.scripts.size() != guardados.size())
        __builtin_trap();
    if (vuelta.scripts != guardados)
        __builtin_trap();
    return 0;
}
