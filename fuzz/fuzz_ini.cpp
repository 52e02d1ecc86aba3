// A broken config.ini must load (with defaults where needed), and writing keys must keep it readable.
#include "core/mdlINI.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(datos), qsizetype(largo));
    mdlINI::Ini ini;
    ini.cargarBytes(bytes);
    const QString claves[] = {QStringLiteral("Reemplazar"), QStringLiteral("Mostrar"), QStringLiteral("Tipo"),
                              QStringLiteral("Derecha"), QStringLiteral("Categor\u00edas"), QStringLiteral("Nombre0")};
    for (const QString &seccion : {QStringLiteral("Categor\u00eda"), QStringLiteral("Ventana"), QStringLiteral("Panel")})
        for (const QString &clave : claves) {
            const QString v = ini.leer(seccion, clave, QStringLiteral("d"));
            if (v.size() > 254)
                __builtin_trap();
            int n = 0;
            bool b = false;
            mdlINI::AEntero(v, n);
            mdlINI::ABooleano(v, b);
            mdlINI::Val(v);
            if (n < -32768 || n > 32767)
                __builtin_trap();
        }
    ini.escribir(QStringLiteral("Panel"), QStringLiteral("Nombre0"), QStringLiteral("valor"));
    mdlINI::Ini otra;
    otra.cargarBytes(ini.bytes());
    if (otra.leer(QStringLiteral("Panel"), QStringLiteral("Nombre0"), QString()) != QStringLiteral("valor"))
        __builtin_trap();
    return 0;
}
