// Any bytes given as a code editor's snippet file: the comment and trailing-comma pass never reads
// outside the text and keeps every line break, and whatever a category can hold comes back the same
// after a trip through the category file and the editor's format.
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
    if (!editores::Importar(bytes, ida, &error))
        return 0;
    const QVector<Script> guardados = mdlScripts::Analizar(mdlScripts::Componer(ida.scripts));
    editores::Importacion vuelta;
    if (!editores::Importar(editores::CodeSnippets(guardados, QStringLiteral("Fuzz")), vuelta, &error))
        __builtin_trap();
    if (!vuelta.rechazados.isEmpty() || vuelta.scripts.size() != guardados.size())
        __builtin_trap();
    // The names are a JSON object's keys, so unique: the same scripts come back in the same order.
    for (qsizetype i = 0; i < guardados.size(); ++i) {
        const Script &a = guardados.at(i), &b = vuelta.scripts.at(i);
        if (a.Nombre != b.Nombre || a.Descripcion != b.Descripcion || a.Codigo != b.Codigo)
            __builtin_trap();
    }
    return 0;
}
