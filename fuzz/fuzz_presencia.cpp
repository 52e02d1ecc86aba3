// Any text and any word: what a script's marks say of a word is never wrong. A text that holds the
// word has every mark the word asks for, and a word whose marks settle it is held whenever they are
// there. The first bytes choose the common trigrams, the rest is split into the text and the word.
#include "search/Busqueda.h"
#include "search/Trigramas.h"

#include <QByteArrayList>
#include <QRegularExpression>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo) {
    const QByteArray todo(reinterpret_cast<const char *>(datos), qsizetype(largo));
    const qsizetype corte = todo.indexOf('\0');
    if (corte < 0)
        return 0;
    const QString texto = biblioteca::Plegar(QString::fromUtf8(todo.left(corte)));
    const QByteArray u = texto.toUtf8();
    // Common trigrams: every trigram of the text whose first byte is even, so that both kinds occur.
    QByteArrayList lista;
    const QString plegadoUtf8 = QString::fromUtf8(u);
    for (qsizetype i = 0; i + 3 <= plegadoUtf8.size(); ++i) {
        const QByteArray t = plegadoUtf8.mid(i, 3).toUtf8();
        if (!t.isEmpty() && (static_cast<unsigned char>(t[0]) & 1) == 0)
            lista.append(t);
    }
    const biblioteca::Comunes comunes(lista);
    std::vector<uint64_t> marcas(size_t(biblioteca::Presencia::Ancho(comunes)), 0);
    biblioteca::TrigramasDe(u, comunes, marcas.data());
    for (const QString &palabra : biblioteca::Palabras(QString::fromUtf8(todo.mid(corte + 1)))) {
        const biblioteca::Presencia p(palabra, comunes);
        const bool esta = texto.contains(palabra);
        if (esta && !p.Cumple(marcas.data()))
            __builtin_trap();
        if (p.exacta() && p.Cumple(marcas.data()) && !esta)
            __builtin_trap();
    }
    return 0;
}
