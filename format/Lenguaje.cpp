#include "format/Lenguaje.h"

#include <QRegularExpression>

namespace lenguaje {

namespace {
// Enough to see what a snippet is; scanning a pasted megabyte on every change would not be.
constexpr qsizetype kMirar = 64 * 1024;

bool Hay(QStringView texto, const QRegularExpression &re) { return re.match(texto).hasMatch(); }

QRegularExpression Patron(const char *p) {
    return QRegularExpression(QString::fromLatin1(p), QRegularExpression::CaseInsensitiveOption |
                                                          QRegularExpression::MultilineOption);
}
} // namespace

QString Nombre(Lenguaje l) {
    switch (l) {
    case Lenguaje::Html:
        return QStringLiteral("HTML");
    case Lenguaje::Css:
        return QStringLiteral("CSS");
    case Lenguaje::JavaScript:
        return QStringLiteral("JavaScript");
    case Lenguaje::Php:
        return QStringLiteral("PHP");
    case Lenguaje::Asp:
        return QStringLiteral("ASP");
    case Lenguaje::Sql:
        return QStringLiteral("SQL");
    case Lenguaje::Shell:
        return QStringLiteral("Shell");
    case Lenguaje::Ninguno:
        break;
    }
    return QStringLiteral("Ninguno");
}

Lenguaje DelCodigo(QStringView codigo, bool fuertes) {
    static const QRegularExpression php = Patron(R"(<\?(php\b|=)|\A\s*<\?(?!xml))");
    static const QRegularExpression asp = Patron(R"(<%)");
    static const QRegularExpression shebang = Patron(R"(\A#!\s*\S*(sh|bash)\b)");
    static const QRegularExpression html = Patron(
        R"(<(!doctype|html|head|body|div|span|p|a|table|tr|td|th|ul|ol|li|form|input|img|script|style|link|)"
        R"(meta|br|hr|h[1-6]|iframe|select|option|textarea|button|label|center|font|b|i|u|strong|em|nav)[\s>/])");
    static const QRegularExpression sql = Patron(
        R"(^\s*(select\s[\s\S]+?\sfrom\s|insert\s+into\s|update\s+\S+\s+set\s|delete\s+from\s|)"
        R"(create\s+(table|index|view|database|procedure|function|trigger)\s|alter\s+table\s|drop\s+(table|view|index|database)\s))");
    static const QRegularExpression css = Patron(R"(^\s*[.#@:*a-z\[][^{};=()]*\{\s*[-a-z]+\s*:[^{}]*\})");
    static const QRegularExpression phpDebil = Patron(R"(\$[a-z_]\w*\s*(=[^=]|->))");
    static const QRegularExpression js = Patron(
        R"(\b(function\s*\w*\s*\(|var\s+\w|let\s+\w|const\s+\w|document\.|window\.|alert\s*\(|console\.))");
    static const QRegularExpression shell = Patron(
        R"(^\s*(sudo|apt|apt-get|ls|cd|grep|echo|chmod|chown|tar|mkdir|export|find|rm|cp|mv)\s)");

    const QStringView t = codigo.left(kMirar);
    if (Hay(t, php))
        return Lenguaje::Php;
    if (Hay(t, asp))
        return Lenguaje::Asp;
    if (Hay(t, shebang))
        return Lenguaje::Shell;
    if (Hay(t, html))
        return Lenguaje::Html;
    if (Hay(t, sql))
        return Lenguaje::Sql;
    if (fuertes)
        return Lenguaje::Ninguno;
    if (Hay(t, css))
        return Lenguaje::Css;
    if (Hay(t, phpDebil))
        return Lenguaje::Php;
    if (Hay(t, js))
        return Lenguaje::JavaScript;
    if (Hay(t, shell))
        return Lenguaje::Shell;
    return Lenguaje::Ninguno;
}

Lenguaje DeCategoria(const QString &categoria) {
    struct Regla {
        const char *patron;
        Lenguaje l;
    };
    static const Regla reglas[] = {
        {R"(php)", Lenguaje::Php},
        {R"(\basp\b|asp\.?net)", Lenguaje::Asp},
        {R"(javascript|jquery|\bjs\b|ecmascript)", Lenguaje::JavaScript},
        {R"(css|estilos)", Lenguaje::Css},
        {R"(x?html?\b|web)", Lenguaje::Html},
        {R"(sql|base(s)? de datos|\bbd\b)", Lenguaje::Sql},
        {R"(linux|bash|shell|unix|consola|terminal|\bsh\b)", Lenguaje::Shell},
    };
    for (const Regla &r : reglas)
        if (Hay(categoria, Patron(r.patron)))
            return r.l;
    return Lenguaje::Ninguno;
}

Lenguaje Elegir(QStringView codigo, const QString &categoria) {
    const Lenguaje fuerte = DelCodigo(codigo, true);
    if (fuerte != Lenguaje::Ninguno)
        return fuerte;
    const Lenguaje cat = DeCategoria(categoria);
    if (cat != Lenguaje::Ninguno)
        return cat;
    return DelCodigo(codigo, false);
}

} // namespace lenguaje
