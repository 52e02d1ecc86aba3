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

QString ExtensionValida(const QString &extension) {
    static const QRegularExpression valida(QStringLiteral("^[A-Za-z0-9]{1,10}$"));
    return valida.match(extension).hasMatch() ? extension : QStringLiteral("html");
}

QString RutaVistaPrevia(const QString &carpetaExportar, const QString &extension) {
    return carpetaExportar + QStringLiteral("/Temp.") + ExtensionValida(extension);
}

} // namespace exportar
