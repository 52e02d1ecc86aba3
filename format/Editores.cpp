#include "format/Editores.h"
#include "core/Registro.h"
#include "core/Cp1252.h"
#include "format/Etiquetas.h"
#include "format/Lenguaje.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace editores {

QByteArray SinComentarios(const QByteArray &texto, QString *error) {
    QByteArray r = texto;
    // A byte-order mark some editors write first is no JSON.
    if (r.startsWith("\xEF\xBB\xBF"))
        r.replace(0, 3, "   ");
    const qsizetype n = r.size();
    qsizetype ultimo = -1; // the last byte that is neither space nor comment: a comma to drop, maybe
    for (qsizetype i = 0; i < n; ++i) {
        const char c = r.at(i);
        if (c == '"') {
            // A string runs to the next quote not escaped by a backslash; nothing inside it counts.
            ++i;
            while (i < n && r.at(i) != '"') {
                if (r.at(i) == '\\')
                    ++i;
                ++i;
            }
            ultimo = i;
            continue;
        }
        if (c == '/' && i + 1 < n && r.at(i + 1) == '/') {
            while (i < n && r.at(i) != '\n')
                r[i++] = ' ';
            --i;
            continue;
        }
        if (c == '/' && i + 1 < n && r.at(i + 1) == '*') {
            const qsizetype fin = r.indexOf("*/", i + 2);
            if (fin < 0) {
                qCWarning(lcArchivos) << "Comentario sin cerrar en un archivo de fragmentos, en el byte" << i;
                if (error)
                    *error = QStringLiteral("tiene un comentario /* que no se cierra");
                return QByteArray();
            }
            for (qsizetype j = i; j < fin + 2; ++j)
                if (r.at(j) != '\n' && r.at(j) != '\r')
                    r[j] = ' ';
            i = fin + 1;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        if ((c == '}' || c == ']') && ultimo >= 0 && r.at(ultimo) == ',')
            r[ultimo] = ' ';
        ultimo = i;
    }
    return r;
}

namespace {

// The editor reads `$` as the start of a field and `\` as an escape: written as `\$` and `\\` they
// come back as typed. Reading undoes exactly those two, and `\}`, and leaves any other backslash.
QString Escapar(const QString &linea) {
    QString r;
    r.reserve(linea.size());
    for (QChar c : linea) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('$'))
            r.append(QLatin1Char('\\'));
        r.append(c);
    }
    return r;
}

QString Desescapar(const QString &texto) {
    QString r;
    r.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c == QLatin1Char('\\') && i + 1 < texto.size()) {
            const QChar d = texto.at(i + 1);
            if (d == QLatin1Char('\\') || d == QLatin1Char('$') || d == QLatin1Char('}')) {
                r.append(d);
                ++i;
                continue;
            }
        }
        r.append(c);
    }
    return r;
}

// A text, or a list of texts joined by line breaks (the two forms `body` and `description` take).
bool Texto(const QJsonValue &v, QString &texto) {
    if (v.isString()) {
        texto = v.toString();
        return true;
    }
    if (!v.isArray())
        return false;
    QStringList lineas;
    for (const QJsonValue &l : v.toArray()) {
        if (!l.isString())
            return false;
        lineas.append(l.toString());
    }
    texto = lineas.join(QLatin1Char('\n'));
    return true;
}

// How each language is named by the code editor's snippet scopes and by Markdown's fences; the
// editor has no scope of its own for ASP pages.
struct Nombres {
    lenguaje::Lenguaje lenguaje;
    const char *alcance;
    const char *markdown;
};
constexpr Nombres kNombres[] = {
    {lenguaje::Lenguaje::Html, "html", "html"},       {lenguaje::Lenguaje::Css, "css", "css"},
    {lenguaje::Lenguaje::JavaScript, "javascript", "javascript"}, {lenguaje::Lenguaje::Php, "php", "php"},
    {lenguaje::Lenguaje::Asp, "", "asp"},            {lenguaje::Lenguaje::Sql, "sql", "sql"},
    {lenguaje::Lenguaje::Shell, "shellscript", "sh"},
};

QString Alcance(lenguaje::Lenguaje l) {
    for (const Nombres &n : kNombres)
        if (n.lenguaje == l)
            return QString::fromLatin1(n.alcance);
    return QString();
}

// The info string of a Markdown fence, as the common highlighters name the languages.
QString EtiquetaMarkdown(lenguaje::Lenguaje l) {
    for (const Nombres &n : kNombres)
        if (n.lenguaje == l)
            return QString::fromLatin1(n.markdown);
    return QString();
}

// Markdown punctuation in a heading or a paragraph, escaped so that it shows as written.
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

} // namespace

bool Leer(const QByteArray &datos, Lectura &lectura, QString *error) {
    lectura = Lectura();
    QString motivo;
    const QByteArray limpio = SinComentarios(datos, &motivo);
    if (!motivo.isEmpty()) {
        if (error)
            *error = motivo;
        return false;
    }
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(limpio, &e);
    if (e.error != QJsonParseError::NoError) {
        qCWarning(lcArchivos) << "Archivo de fragmentos que no es JSON:" << e.errorString() << "en el byte" << e.offset;
        if (error)
            *error = QStringLiteral("no es JSON válido (byte %1)").arg(e.offset);
        return false;
    }
    if (!doc.isObject()) {
        qCWarning(lcArchivos) << "Archivo de fragmentos sin un objeto de fragmentos";
        if (error)
            *error = QStringLiteral("no contiene fragmentos");
        return false;
    }
    const QJsonObject todo = doc.object();
    for (auto it = todo.constBegin(); it != todo.constEnd(); ++it) {
        Fragmento f;
        f.nombre = it.key();
        const QJsonObject o = it.value().toObject();
        QString cuerpo;
        if (!it.value().isObject() || !Texto(o.value(QLatin1String("body")), cuerpo)) {
            lectura.noFragmentos.append(f.nombre);
            continue;
        }
        f.codigo = Desescapar(cuerpo);
        const QJsonValue d = o.value(QLatin1String("description"));
        if (!d.isUndefined() && !d.isNull() && !Texto(d, f.descripcion)) {
            lectura.noFragmentos.append(f.nombre);
            continue;
        }
        lectura.fragmentos.append(f);
    }
    return true;
}

QString PorQueNoCabe(const Fragmento &f) {
    if (f.nombre.trimmed().isEmpty())
        return QStringLiteral("no tiene nombre");
    const auto fueraDeLinea = [](const QString &t) {
        for (QChar c : t)
            if (c.unicode() < 32 || c == QLatin1Char('"'))
                return true;
        return false;
    };
    if (fueraDeLinea(f.nombre))
        return QStringLiteral("el nombre tiene comillas o saltos de línea");
    if (fueraDeLinea(f.descripcion))
        return QStringLiteral("la descripción tiene comillas o saltos de línea");
    const QString fuera = cp1252::NoRepresentables(f.nombre + f.descripcion + f.codigo);
    if (!fuera.isEmpty()) {
        QStringList lista;
        for (char32_t c : fuera.toUcs4())
            lista << (cp1252::EsInvisible(c) ? QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper()
                                             : QString::fromUcs4(&c, 1));
        return QStringLiteral("tiene caracteres que la categoría no puede guardar: %1").arg(lista.join(QLatin1Char(' ')));
    }
    // The file holds each double quote of the code as this very text: one already there would come
    // back as a quote.
    if (f.codigo.contains(mdlScripts::kTokenComilla))
        return QStringLiteral("el código contiene el texto %1").arg(mdlScripts::kTokenComilla);
    return QString();
}

Script AScript(const Fragmento &f) {
    // The category file keeps CR LF between lines; a lone CR of another system is a line end too.
    QString codigo = f.codigo;
    codigo.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return Script{f.nombre, f.descripcion, etiquetas::AAlmacen(codigo), QStringLiteral("0")};
}

bool Importar(const QByteArray &datos, Importacion &importacion, QString *error) {
    importacion = Importacion();
    Lectura lectura;
    if (!Leer(datos, lectura, error))
        return false;
    for (const QString &n : lectura.noFragmentos)
        importacion.rechazados.append(QStringLiteral("%1: no es un fragmento (le falta el código, \"body\")").arg(n));
    for (const Fragmento &f : lectura.fragmentos) {
        const QString motivo = PorQueNoCabe(f);
        if (motivo.isEmpty())
            importacion.scripts.append(AScript(f));
        else
            importacion.rechazados.append(f.nombre + QStringLiteral(": ") + motivo);
    }
    if (!importacion.rechazados.isEmpty())
        qCWarning(lcArchivos) << "Fragmentos que la categoría no puede guardar:" << importacion.rechazados;
    return true;
}

bool EsArchivoDeFragmentos(const QString &archivo) {
    return archivo.endsWith(QLatin1String(".code-snippets"), Qt::CaseInsensitive) ||
           archivo.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

QString Prefijo(const QString &nombre) {
    const QString descompuesto = nombre.normalized(QString::NormalizationForm_D);
    QString r;
    bool guion = false;
    for (QChar c : descompuesto) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c.isLetterOrNumber()) {
            if (guion && !r.isEmpty())
                r.append(QLatin1Char('-'));
            guion = false;
            r.append(c.toLower());
        } else {
            guion = true;
        }
    }
    return r.isEmpty() ? QStringLiteral("rutinero") : r;
}

QByteArray CodeSnippets(const QVector<Script> &scripts, const QString &categoria) {
    QJsonObject todo;
    QSet<QString> usados;
    for (const Script &s : scripts) {
        QString clave = s.Nombre;
        for (int n = 2; usados.contains(clave); ++n)
            clave = QStringLiteral("%1 (%2)").arg(s.Nombre).arg(n);
        usados.insert(clave);
        const QString codigo = etiquetas::AEditor(s.Codigo);
        QJsonArray cuerpo;
        for (const QString &linea : codigo.split(QLatin1Char('\n')))
            cuerpo.append(Escapar(linea));
        QJsonObject f;
        f.insert(QLatin1String("prefix"), Prefijo(s.Nombre));
        f.insert(QLatin1String("body"), cuerpo);
        f.insert(QLatin1String("description"), s.Descripcion);
        const QString alcance = Alcance(lenguaje::Elegir(codigo, categoria));
        if (!alcance.isEmpty())
            f.insert(QLatin1String("scope"), alcance);
        todo.insert(clave, f);
    }
    return QJsonDocument(todo).toJson(QJsonDocument::Indented);
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
            if (!s.Descripcion.isEmpty())
                r += EscaparMarkdown(s.Descripcion) + QStringLiteral("\n\n");
            r += cerca + EtiquetaMarkdown(lenguaje::Elegir(codigo, c.nombre)) + QLatin1Char('\n') + codigo;
            if (!codigo.isEmpty() && !codigo.endsWith(QLatin1Char('\n')))
                r += QLatin1Char('\n');
            r += cerca + QLatin1Char('\n');
        }
    }
    return r.toUtf8();
}

} // namespace editores
