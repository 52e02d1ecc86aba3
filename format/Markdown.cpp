// The Markdown export of categories (Editores.h).
#include "format/Editores.h"
#include "format/Etiquetas.h"

#include <algorithm>

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

QByteArray Markdown(const QVector<CategoriaMarkdown> &categorias) {
    QString r;
    for (const CategoriaMarkdown &c : categorias) {
        if (!r.isEmpty())
            r += QLatin1Char('\n');
        r += QStringLiteral("# ") + EscaparMarkdown(c.nombre) + QStringLiteral("\n");
        for (const Script &s : c.scripts) {
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
    }
    return r.toUtf8();
}

} // namespace editores
