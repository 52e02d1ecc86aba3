// Any text as an editor's snippet and as a code with fill-in fields: the snippet writer writes what
// its reader reads; a snippet brought in as fields and sent out again is the same snippet to an
// editor (unless the import said what it could not keep); a code sent out and brought back asks for
// the same fields and fills in the same.
#include "format/Campos.h"
#include "format/Traduccion.h"

#include <QHash>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {
// Choices the editors' grammar cannot say (an empty text, or a default other than the first text)
// go out as their default.
bool Decibles(const QVector<campos::Campo> &c) {
    return std::none_of(c.cbegin(), c.cend(), [](const campos::Campo &x) {
        return !x.opciones.isEmpty() && (x.opciones.contains(QString()) || x.valor != x.opciones.first());
    });
}
// What the copy gives with the defaults, and with every field given its own name.
QStringList Copias(const QString &codigo, const QVector<campos::Campo> &distintos, bool &excedido) {
    QMap<QString, QString> valores;
    for (const campos::Campo &c : distintos)
        valores.insert(c.nombre, QStringLiteral("«%1»").arg(c.nombre));
    bool a = false, b = false;
    QStringList r{campos::Llenar(codigo, {}, &a), campos::Llenar(codigo, valores, &b)};
    excedido = a || b;
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QString texto = QString::fromUtf8(reinterpret_cast<const char *>(datos), qsizetype(largo));
    const gramatica::Arbol arbol = gramatica::Analizar(texto);
    if (gramatica::Analizar(gramatica::Escribir(arbol)) != arbol)
        __builtin_trap();

    const traduccion::Campos entrada = traduccion::ACampos(arbol);
    if (entrada.notas.isEmpty()) {
        const traduccion::Fragmento salida =
            traduccion::AFragmento(entrada.codigo, {true, entrada.ordenPropio ? entrada.orden : QStringList()});
        if (gramatica::Normal(gramatica::Analizar(salida.cuerpo)) != gramatica::Normal(arbol))
            __builtin_trap();
    }

    const traduccion::Fragmento ida = traduccion::AFragmento(texto, {true, {}});
    const traduccion::Campos vuelta = traduccion::ACampos(gramatica::Analizar(ida.cuerpo), ida.nombres, ida.valores);
    // The same copy, and no field asked for that was not (a field written only inside a default its
    // field never uses is asked for by the program, and goes with that default).
    const QVector<campos::Campo> antes = campos::Distintos(texto), despues = campos::Distintos(vuelta.codigo);
    QHash<QString, campos::Campo> porNombre;
    for (const campos::Campo &c : antes)
        porNombre.insert(c.nombre, c);
    const bool opciones = Decibles(antes);
    for (const campos::Campo &c : despues)
        if (!porNombre.contains(c.nombre) || (opciones && porNombre.value(c.nombre).opciones != c.opciones))
            __builtin_trap();
    bool excedidoAntes = false, excedidoDespues = false;
    const QStringList a = Copias(texto, antes, excedidoAntes), d = Copias(vuelta.codigo, antes, excedidoDespues);
    if (!excedidoAntes && !excedidoDespues && a != d)
        __builtin_trap();
    return 0;
}
