// The Markdown export of categories (Editores.h).
#include "format/Editores.h"
#include "format/Etiquetas.h"
#include "core/Hilos.h"

#include <algorithm>
#include <vector>

namespace editores {

QString EscaparMarkdown(const QString &texto) {
    static const QString especiales = QStringLiteral("\\`*_[]<>#|~");
    QString r;
    r.reserve(texto.size());
    for (QChar c : texto) {
        // A paragraph starting with one of these would become a list or a heading's underline.
        const bool alPrincipio = r.isEmpty() && QStringLiteral("-+=").contains(c);
        if (alPrincipio || especiales.contains(c))
            r.append(QLatin1Char('\\'));
        r.append(c);
    }
    return r;
}

QString Cerca(const QString &codigo) {
    int mayor = 0, corrida = 0;
    for (QChar c : codigo) {
        corrida = c == QLatin1Char('`') ? corrida + 1 : 0;
        mayor = std::max(mayor, corrida);
    }
    return QString(std::max(3, mayor + 1), QLatin1Char('`'));
}

namespace {
// Scripts composed together: enough to be worth a core, few enough to share a category's work.
constexpr int kTramo = 256;

struct Tramo {
    const CategoriaMarkdown *categoria;
    int desde, hasta;
};

// A piece of the text: the category's heading with its first scripts, or more of its scripts.
QByteArray Componer(const Tramo &t, bool primera) {
    const CategoriaMarkdown &c = *t.categoria;
    QString r;
    if (t.desde == 0)
        r += (primera ? QString() : QStringLiteral("\n")) + QStringLiteral("# ") + EscaparMarkdown(c.nombre) +
             QStringLiteral("\n");
    for (int i = t.desde; i < t.hasta; ++i) {
        const Script &s = c.scripts[i];
        const QString codigo = etiquetas::AEditor(s.Codigo);
        const QString cerca = Cerca(codigo);
        r += QStringLiteral("\n## ") + EscaparMarkdown(s.Nombre) + QStringLiteral("\n\n");
        if (!SinNota(s.Descripcion).isEmpty())
            r += EscaparMarkdown(SinNota(s.Descripcion)) + QStringLiteral("\n\n");
        r += cerca + lenguaje::Markdown(lenguaje::Elegir(s.Descripcion, codigo, c.nombre)) + QLatin1Char('\n') + codigo;
        if (!codigo.isEmpty() && !codigo.endsWith(QLatin1Char('\n')))
            r += QLatin1Char('\n');
        r += cerca + QLatin1Char('\n');
    }
    return r.toUtf8();
}
} // namespace

QByteArray Markdown(const QVector<CategoriaMarkdown> &categorias) {
    // A whole library is composed on every core, in pieces joined in their order.
    std::vector<Tramo> tramos;
    for (const CategoriaMarkdown &c : categorias)
        for (int desde = 0; desde == 0 || desde < c.scripts.size(); desde += kTramo)
            tramos.push_back({&c, desde, int(std::min<qsizetype>(c.scripts.size(), desde + kTramo))});
    std::vector<QByteArray> partes(tramos.size());
    hilos::EnParalelo(int(tramos.size()), [&](int i) { partes[size_t(i)] = Componer(tramos[size_t(i)], i == 0); });
    qsizetype largo = 0;
    for (const QByteArray &p : partes)
        largo += p.size();
    QByteArray r;
    r.reserve(largo);
    for (const QByteArray &p : partes)
        r += p;
    return r;
}

} // namespace editores
