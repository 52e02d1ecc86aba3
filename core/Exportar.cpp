#include "core/Exportar.h"

#include <QRegularExpression>

namespace exportar {

QString Pagina(const QString &codigo, int tag) {
    const QString crlf = QStringLiteral("\r\n");
    QString t = codigo;
    t.replace(QLatin1Char('\n'), crlf);
    if (tag == 0)
        return t;
    // "&" first, or the entities written next would be shown as the characters they stand for.
    t.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    t.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    t.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    t.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
    return QStringLiteral("<html><body><pre>") + crlf + t + crlf + QStringLiteral("</pre></body></html>");
}

std::optional<codificacion::Tipo> Declarada(const QString &pagina) {
    // A browser looks for the declaration in the first 1024 bytes; a little more is read here.
    const QString inicio = pagina.left(4096);
    static const QRegularExpression xml(QStringLiteral("^\\s*<\\?xml\\b([^>]*)\\?>"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression codificacionXml(QStringLiteral("encoding\\s*=\\s*[\"']([^\"']*)[\"']"),
                                                    QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression meta(
        QStringLiteral("<meta\\b[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:\\-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString nombre;
    if (const auto m = xml.match(inicio); m.hasMatch()) {
        const auto c = codificacionXml.match(m.captured(1));
        nombre = c.hasMatch() ? c.captured(1) : QStringLiteral("utf-8");
    } else if (const auto c = meta.match(inicio); c.hasMatch()) {
        nombre = c.captured(1);
    } else {
        return std::nullopt;
    }
    nombre = nombre.trimmed().toLower();
    if (nombre == QLatin1String("utf-8") || nombre == QLatin1String("utf8"))
        return codificacion::Tipo::Utf8;
    static const QStringList occidental = {QStringLiteral("windows-1252"), QStringLiteral("cp1252"),
                                           QStringLiteral("x-cp1252"),     QStringLiteral("iso-8859-1"),
                                           QStringLiteral("iso8859-1"),    QStringLiteral("latin1"),
                                           QStringLiteral("l1"),           QStringLiteral("us-ascii"),
                                           QStringLiteral("ascii"),        QStringLiteral("iso_8859-1")};
    if (occidental.contains(nombre))
        return codificacion::Tipo::Cp1252;
    return std::nullopt;
}

QByteArray Bytes(const QString &pagina, codificacion::Tipo categoria, bool html) {
    const std::optional<codificacion::Tipo> declarada = Declarada(pagina);
    const codificacion::Tipo tipo = declarada.value_or(categoria);
    if (tipo == codificacion::Tipo::Utf8)
        return declarada ? codificacion::Codificar(tipo, pagina) : codificacion::CodificarArchivo(tipo, pagina);
    if (cp1252::Representable(pagina))
        return cp1252::Codificar(pagina);
    if (!html && !declarada)
        return codificacion::CodificarArchivo(codificacion::Tipo::Utf8, pagina);
    // Each character the code page cannot hold as a reference the browser shows as that character.
    QString t;
    t.reserve(pagina.size() + 64);
    for (qsizetype i = 0; i < pagina.size(); ++i) {
        const QChar c = pagina[i];
        if (cp1252::Representable(QString(c))) {
            t += c;
            continue;
        }
        char32_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < pagina.size() && pagina[i + 1].isLowSurrogate())
            u = QChar::surrogateToUcs4(c, pagina[++i]);
        t += QStringLiteral("&#%1;").arg(uint(u));
    }
    return cp1252::Codificar(t);
}

QString ExtensionValida(const QString &extension) {
    static const QRegularExpression valida(QStringLiteral("^[A-Za-z0-9]{1,10}$"));
    return valida.match(extension).hasMatch() ? extension : QStringLiteral("html");
}

QString RutaVistaPrevia(const QString &carpetaExportar, const QString &extension) {
    return carpetaExportar + QStringLiteral("/Temp.") + ExtensionValida(extension);
}

} // namespace exportar
