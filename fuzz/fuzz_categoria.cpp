// Any bytes may arrive as a category file from another user: the reader must never crash or hang.
#include "core/Cp1252.h"
#include "format/mdlScripts.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(datos), qsizetype(largo));
    const QVector<Script> scripts = mdlScripts::Analizar(bytes);
    for (const Script &s : scripts)
        if (s.Nombre.contains(QLatin1Char('"')) || s.Descripcion.contains(QLatin1Char('"')) ||
            s.Codigo.contains(QLatin1Char('"')) || s.Puntaje.contains(QLatin1Char('"')))
            __builtin_trap(); // a stored field never holds a double quote
    // Left undecoded, the records are the same ones.
    const QVector<mdlScripts::Registro> registros = mdlScripts::Registros(bytes);
    if (registros.size() != scripts.size())
        __builtin_trap();
    for (int i = 0; i < scripts.size(); ++i)
        if (mdlScripts::Decodificar(bytes, registros.at(i)) != scripts.at(i))
            __builtin_trap();
    // Code left in the file's bytes, decoded when asked, is what the eager reader gives; written
    // back as it is, it makes the same bytes as the decoded record.
    QVector<mdlScripts::Tramo> tramos;
    const QVector<Script> perezosos = mdlScripts::Analizar(bytes, tramos);
    if (perezosos.size() != scripts.size() || tramos.size() != scripts.size())
        __builtin_trap();
    // A file that begins with the byte order mark is UTF-8, and is written back so.
    const codificacion::Tipo tipo = codificacion::De(bytes);
    QByteArray crudo, decodificado;
    for (int i = 0; i < scripts.size(); ++i) {
        const mdlScripts::Tramo t = tramos.at(i);
        Script s = perezosos.at(i);
        if (t.inicio >= 0) {
            if (t.inicio + t.largo > bytes.size())
                __builtin_trap();
            s.Codigo = mdlScripts::Codigo(bytes, t);
            mdlScripts::AgregarRegistro(crudo, perezosos.at(i), QByteArrayView(bytes.constData() + t.inicio, t.largo),
                                        tipo);
        } else {
            mdlScripts::AgregarRegistro(crudo, s, {}, tipo);
        }
        if (s != scripts.at(i))
            __builtin_trap();
        mdlScripts::AgregarRegistro(decodificado, scripts.at(i), {}, tipo);
    }
    // Bytes that are not UTF-8 stay as they came when the code is written back unread; decoded,
    // they are the replacement character. Both read back as the same records.
    const QByteArray marca = tipo == codificacion::Tipo::Utf8 ? QByteArray(codificacion::kBom) : QByteArray();
    if (crudo != decodificado &&
        (tipo == codificacion::Tipo::Cp1252 || mdlScripts::Analizar(marca + crudo) != mdlScripts::Analizar(marca + decodificado)))
        __builtin_trap();
    return 0;
}
