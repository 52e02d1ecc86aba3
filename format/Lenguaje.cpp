#include "format/Lenguaje.h"
#include "format/Editores.h"
#include "format/Rotulos.h"

#include <QJsonDocument>
#include <QRegularExpression>

#include <vector>

namespace lenguaje {

namespace {
// Enough to see what a snippet is; scanning a pasted megabyte on every change would not be.
constexpr qsizetype kMirar = 64 * 1024;

bool Hay(QStringView texto, const QRegularExpression &re) { return re.match(texto).hasMatch(); }

QRegularExpression Patron(const char *p) {
    return QRegularExpression(QString::fromUtf8(p), QRegularExpression::CaseInsensitiveOption |
                                                          QRegularExpression::MultilineOption);
}

// One row per language, in the order of the enumeration. `etiquetas`: the tag first, then its
// aliases, separated by spaces.
struct Fila {
    Lenguaje l;
    const char *nombre;
    const char *etiquetas;
    const char *markdown;
    const char *alcance;
    const char *extension;
};
const Fila kFilas[kCuantos] = {
    {Lenguaje::Ninguno, "Ninguno", "", "", "", ""},
    {Lenguaje::Html, "HTML", "html htm xhtml", "html", "html", "html"},
    {Lenguaje::Css, "CSS", "css", "css", "css", "css"},
    {Lenguaje::JavaScript, "JavaScript", "javascript js jsx node nodejs ecmascript", "javascript", "javascript", "js"},
    {Lenguaje::Php, "PHP", "php", "php", "php", "php"},
    {Lenguaje::Asp, "ASP", "asp", "asp", "", "asp"},
    {Lenguaje::Sql, "SQL", "sql mysql postgresql postgres sqlite plsql tsql", "sql", "sql", "sql"},
    {Lenguaje::Shell, "Shell", "bash sh shell zsh", "sh", "shellscript", "sh"},
    {Lenguaje::Python, "Python", "python py python3", "python", "python", "py"},
    {Lenguaje::C, "C", "c", "c", "c", "c"},
    {Lenguaje::Cpp, "C++", "cpp c++ cxx cc hpp", "cpp", "cpp", "cpp"},
    {Lenguaje::CSharp, "C#", "csharp cs dotnet", "csharp", "csharp", "cs"},
    {Lenguaje::Java, "Java", "java", "java", "java", "java"},
    {Lenguaje::Go, "Go", "go golang", "go", "go", "go"},
    {Lenguaje::Rust, "Rust", "rust rs", "rust", "rust", "rs"},
    {Lenguaje::Batch, "Batch", "batch bat cmd", "batch", "bat", "bat"},
    {Lenguaje::PowerShell, "PowerShell", "powershell ps1 pwsh", "powershell", "powershell", "ps1"},
    {Lenguaje::Perl, "Perl", "perl pl", "perl", "perl", "pl"},
    {Lenguaje::Ruby, "Ruby", "ruby rb", "ruby", "ruby", "rb"},
    {Lenguaje::Lua, "Lua", "lua", "lua", "lua", "lua"},
    {Lenguaje::Json, "JSON", "json jsonc", "json", "json", "json"},
    {Lenguaje::Yaml, "YAML", "yaml yml", "yaml", "yaml", "yaml"},
    {Lenguaje::Xml, "XML", "xml xsl xslt svg", "xml", "xml", "xml"},
    {Lenguaje::Markdown, "Markdown", "markdown md", "markdown", "markdown", "md"},
    {Lenguaje::Makefile, "Makefile", "makefile make mk", "makefile", "makefile", "mk"},
    {Lenguaje::CMake, "CMake", "cmake", "cmake", "cmake", "cmake"},
    {Lenguaje::Diff, "Diff", "diff patch", "diff", "diff", "diff"},
    {Lenguaje::Ini, "INI", "ini properties conf cfg toml", "ini", "ini", "ini"},
    {Lenguaje::TeX, "TeX", "tex latex", "latex", "latex", "tex"},
    {Lenguaje::TypeScript, "TypeScript", "typescript ts tsx", "typescript", "typescript", "ts"},
};

const Fila &De(Lenguaje l) {
    const int i = int(l);
    return kFilas[i >= 0 && i < kCuantos ? i : 0];
}
} // namespace

QString Nombre(Lenguaje l) { return QString::fromUtf8(De(l).nombre); }
QString Markdown(Lenguaje l) { return QString::fromLatin1(De(l).markdown); }
QString Alcance(Lenguaje l) { return QString::fromLatin1(De(l).alcance); }
QString Extension(Lenguaje l) { return QString::fromLatin1(De(l).extension); }

QStringList Etiquetas(Lenguaje l) {
    return QString::fromLatin1(De(l).etiquetas).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString Etiqueta(Lenguaje l) {
    const QStringList todas = Etiquetas(l);
    return todas.isEmpty() ? QString() : todas.first();
}

Lenguaje DeEtiqueta(QStringView etiqueta) {
    const QString buscada = etiqueta.toString().toLower();
    for (const Fila &f : kFilas)
        if (Etiquetas(f.l).contains(buscada))
            return f.l;
    return Lenguaje::Ninguno;
}

Lenguaje DeAlcance(QStringView alcance) {
    const QString a = alcance.trimmed().toString().toLower();
    if (a.isEmpty())
        return Lenguaje::Ninguno;
    for (const Fila &f : kFilas)
        if (a == QLatin1String(f.alcance))
            return f.l;
    // The ids of editors' language modes that are another's variant.
    if (a == QLatin1String("javascriptreact"))
        return Lenguaje::JavaScript;
    if (a == QLatin1String("typescriptreact"))
        return Lenguaje::TypeScript;
    if (a == QLatin1String("jsonc"))
        return Lenguaje::Json;
    if (a == QLatin1String("tex"))
        return Lenguaje::TeX;
    return Lenguaje::Ninguno;
}

Lenguaje DeDescripcion(QStringView descripcion) {
    for (const rotulos::Rotulo &r : rotulos::De(descripcion)) {
        const Lenguaje l = DeEtiqueta(r.nombre);
        if (l != Lenguaje::Ninguno)
            return l;
    }
    return Lenguaje::Ninguno;
}

QString ConLenguaje(const QString &descripcion, Lenguaje l) {
    editores::Nota nota;
    QString texto = editores::SinNota(descripcion, &nota);
    const QString nueva = l == Lenguaje::Ninguno ? QString() : QLatin1Char('#') + Etiqueta(l);
    bool puesta = nueva.isEmpty();
    const QVector<rotulos::Rotulo> todos = rotulos::De(texto);
    // From the last, so that the places of those before stay good.
    int primera = -1;
    for (int i = int(todos.size()) - 1; i >= 0; --i)
        if (DeEtiqueta(todos[i].nombre) != Lenguaje::Ninguno)
            primera = i;
    for (int i = int(todos.size()) - 1; i >= 0; --i) {
        const rotulos::Rotulo &r = todos[i];
        if (DeEtiqueta(r.nombre) == Lenguaje::Ninguno)
            continue;
        if (i == primera && !nueva.isEmpty()) {
            texto.replace(r.inicio, r.largo, nueva);
            puesta = true;
            continue;
        }
        // The tag goes with one space beside it: the words around it stay one space apart.
        int inicio = r.inicio, largo = r.largo;
        if (inicio > 0 && texto[inicio - 1] == QLatin1Char(' '))
            --inicio, ++largo;
        else if (inicio + largo < texto.size() && texto[inicio + largo] == QLatin1Char(' '))
            ++largo;
        texto.remove(inicio, largo);
    }
    if (!puesta)
        texto += (texto.isEmpty() || texto.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ")) + nueva;
    return editores::ConNota(texto, nota);
}

namespace {
// JSON: an object or an array that a JSON reader takes whole.
bool EsJson(QStringView t) {
    const QStringView x = t.trimmed();
    if (x.size() < 2 || t.size() > kMirar)
        return false;
    const bool forma = (x.front() == u'{' && x.back() == u'}') || (x.front() == u'[' && x.back() == u']');
    if (!forma)
        return false;
    QJsonParseError error;
    QJsonDocument::fromJson(x.toUtf8(), &error);
    return error.error == QJsonParseError::NoError;
}

// YAML: a document start, or keys and list items that make most of its lines, and none of the braces
// and semicolons that code and style sheets are made of.
bool EsYaml(QStringView t) {
    static const QRegularExpression inicio = Patron(R"(\A(\s*#[^\n]*\n)*\s*(---|%YAML)(\s|$))");
    if (Hay(t, inicio))
        return true;
    static const QRegularExpression clave(QStringLiteral(R"(^\s*(- +)?[A-Za-z_][\w.-]*:(\s|$))"));
    static const QRegularExpression elemento(QStringLiteral(R"(^\s*- \S)"));
    int claves = 0, propias = 0, lineas = 0;
    for (QStringView linea : t.split(u'\n')) {
        const QStringView l = linea.trimmed();
        if (l.isEmpty() || l.startsWith(u'#'))
            continue;
        if (l.contains(u';') || l.contains(u'{') || l.contains(u'}') || l.contains(u'(') || l.contains(u'='))
            return false;
        ++lineas;
        if (Hay(linea, clave)) {
            ++claves;
            ++propias;
        } else if (Hay(linea, elemento)) {
            ++propias;
        }
    }
    return claves >= 2 && propias * 4 >= lineas * 3;
}
} // namespace

Lenguaje DelCodigo(QStringView codigo, bool fuertes) {
    static const QRegularExpression php = Patron(R"(<\?(php\b|=)|\A\s*<\?(?!xml))");
    static const QRegularExpression asp = Patron(R"(<%)");
    static const QRegularExpression shebang = Patron(R"(\A#!\s*(\S*/)?(env\s+)?([a-z]+))");
    static const QRegularExpression xml = Patron(R"(\A\s*<\?xml\b)");
    static const QRegularExpression html = Patron(
        R"(<(!doctype|html|head|body|div|span|p|a|table|tr|td|th|ul|ol|li|form|input|img|script|style|link|)"
        R"(meta|br|hr|h[1-6]|iframe|select|option|textarea|button|label|center|font|b|i|u|strong|em|nav)[\s>/])");
    static const QRegularExpression sql = Patron(
        R"(^\s*(select\s[\s\S]+?\sfrom\s|insert\s+into\s|update\s+\S+\s+set\s|delete\s+from\s|)"
        R"(create\s+(table|index|view|database|procedure|function|trigger)\s|alter\s+table\s|drop\s+(table|view|index|database)\s))");
    static const QRegularExpression diff = Patron(R"(\A(diff --git |--- \S.*\n\+\+\+ \S|Index: ))");
    static const QRegularExpression css = Patron(R"(^\s*[.#@:*a-z\[][^{};=()]*\{\s*[-a-z]+\s*:[^{}]*\})");
    static const QRegularExpression phpDebil = Patron(R"(\$[a-z_]\w*\s*(=[^=]|->))");
    static const QRegularExpression js = Patron(
        R"(\b(function\s*\w*\s*\(|var\s+\w|let\s+\w|const\s+\w|document\.|window\.|alert\s*\(|console\.))");
    static const QRegularExpression shell = Patron(
        R"(^\s*(sudo|apt|apt-get|ls|cd|grep|echo|chmod|chown|tar|mkdir|export|find|rm|cp|mv)\s)");
    static const QRegularExpression python = Patron(
        R"(^\s*(def \w+\(.*\):|from [\w.]+ import |import \w+(\.\w+)*\s*$|if __name__ ==|print\())");
    static const QRegularExpression cpp = Patron(R"(^\s*(#include\s*<(iostream|vector|string|map|memory)>|std::|template\s*<|namespace \w+))");
    static const QRegularExpression c = Patron(R"(^\s*#include\s*[<"])");
    static const QRegularExpression go = Patron(R"(^\s*(package \w+\s*$|func (\(\w+ \*?\w+\) )?\w+\(.*\).*\{))");
    static const QRegularExpression rust = Patron(R"(^\s*(fn \w+(<.*>)?\(|let mut |use std::|impl\b|pub fn ))");
    static const QRegularExpression java = Patron(R"(^\s*(public (static )?(class|void|interface) |System\.out\.print|import java\.))");
    static const QRegularExpression batch = Patron(R"(^\s*(@echo off|rem |set /[ap] |goto :?\w+|%~dp0))");
    static const QRegularExpression powershell = Patron(R"(\b(Get|Set|New|Remove|Write|Invoke)-[A-Z]\w+|^\s*param\s*\()");

    const QStringView t = codigo.left(kMirar);
    if (Hay(t, php))
        return Lenguaje::Php;
    if (Hay(t, asp))
        return Lenguaje::Asp;
    if (const QRegularExpressionMatch m = shebang.match(t); m.hasMatch()) {
        static const struct {
            const char *programa;
            Lenguaje l;
        } programas[] = {{"sh", Lenguaje::Shell},    {"bash", Lenguaje::Shell},     {"zsh", Lenguaje::Shell},
                         {"dash", Lenguaje::Shell},  {"ksh", Lenguaje::Shell},      {"python", Lenguaje::Python},
                         {"perl", Lenguaje::Perl},   {"ruby", Lenguaje::Ruby},      {"node", Lenguaje::JavaScript},
                         {"lua", Lenguaje::Lua},     {"pwsh", Lenguaje::PowerShell}, {"make", Lenguaje::Makefile}};
        const QString programa = m.captured(3).toLower();
        for (const auto &p : programas)
            if (programa == QLatin1String(p.programa))
                return p.l;
    }
    if (Hay(t, xml))
        return Lenguaje::Xml;
    if (Hay(t, html))
        return Lenguaje::Html;
    if (EsJson(t))
        return Lenguaje::Json;
    if (Hay(t, diff))
        return Lenguaje::Diff;
    if (Hay(t, sql))
        return Lenguaje::Sql;
    if (EsYaml(t))
        return Lenguaje::Yaml;
    if (fuertes)
        return Lenguaje::Ninguno;
    if (Hay(t, css))
        return Lenguaje::Css;
    if (Hay(t, phpDebil))
        return Lenguaje::Php;
    if (Hay(t, python))
        return Lenguaje::Python;
    if (Hay(t, go))
        return Lenguaje::Go;
    if (Hay(t, rust))
        return Lenguaje::Rust;
    if (Hay(t, java))
        return Lenguaje::Java;
    if (Hay(t, cpp))
        return Lenguaje::Cpp;
    if (Hay(t, c))
        return Lenguaje::C;
    if (Hay(t, powershell))
        return Lenguaje::PowerShell;
    if (Hay(t, batch))
        return Lenguaje::Batch;
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
        {R"(typescript|\bts\b)", Lenguaje::TypeScript},
        {R"(javascript|jquery|\bjs\b|ecmascript|node\.?js)", Lenguaje::JavaScript},
        {R"(css|estilos)", Lenguaje::Css},
        {R"(x?html?\b|web)", Lenguaje::Html},
        {R"(sql|base(s)? de datos|\bbd\b)", Lenguaje::Sql},
        {R"(python|\bpy\b)", Lenguaje::Python},
        {R"(c\+\+|\bcpp\b)", Lenguaje::Cpp},
        {R"(c#|csharp|\.net\b)", Lenguaje::CSharp},
        {R"(\bjava\b)", Lenguaje::Java},
        {R"(\bgo\b|golang)", Lenguaje::Go},
        {R"(\brust\b)", Lenguaje::Rust},
        {R"(powershell)", Lenguaje::PowerShell},
        {R"(\bbatch\b|\bbat\b|\bcmd\b|archivos? por lotes)", Lenguaje::Batch},
        {R"(\bperl\b)", Lenguaje::Perl},
        {R"(\bruby\b|rails)", Lenguaje::Ruby},
        {R"(\blua\b)", Lenguaje::Lua},
        {R"(\bjson\b)", Lenguaje::Json},
        {R"(\bya?ml\b)", Lenguaje::Yaml},
        {R"(\bxml\b)", Lenguaje::Xml},
        {R"(markdown)", Lenguaje::Markdown},
        {R"(cmake)", Lenguaje::CMake},
        {R"(makefile)", Lenguaje::Makefile},
        {R"(\bdiff\b|parches)", Lenguaje::Diff},
        {R"(\bini\b|configuraci[oó]n)", Lenguaje::Ini},
        {R"(latex|\btex\b)", Lenguaje::TeX},
        {R"(linux|bash|shell|unix|consola|terminal|\bsh\b)", Lenguaje::Shell},
        {R"(^c$|\blenguaje c\b)", Lenguaje::C},
    };
    // Compiled once: every script of an export asks for its category's language.
    static const std::vector<std::pair<QRegularExpression, Lenguaje>> compiladas = [] {
        std::vector<std::pair<QRegularExpression, Lenguaje>> v;
        for (const Regla &r : reglas)
            v.emplace_back(Patron(r.patron), r.l);
        return v;
    }();
    for (const auto &[patron, l] : compiladas)
        if (Hay(categoria, patron))
            return l;
    return Lenguaje::Ninguno;
}

Lenguaje Elegir(QStringView descripcion, QStringView codigo, const QString &categoria) {
    const Lenguaje etiqueta = DeDescripcion(descripcion);
    if (etiqueta != Lenguaje::Ninguno)
        return etiqueta;
    const Lenguaje fuerte = DelCodigo(codigo, true);
    if (fuerte != Lenguaje::Ninguno)
        return fuerte;
    const Lenguaje cat = DeCategoria(categoria);
    if (cat != Lenguaje::Ninguno)
        return cat;
    return DelCodigo(codigo, false);
}

} // namespace lenguaje
