#include "format/Etiquetas.h"
#include "format/mdlScripts.h"

#include <QStringList>

namespace etiquetas {

QString Principales(const QString &extension) {
    const QString crlf = QStringLiteral("\r\n");
    if (extension == QLatin1String("html"))
        return QStringList{QStringLiteral("<html>"), QStringLiteral("<head>"),
                           QStringLiteral("<!-- Copiar dentro del tag HEAD -->"), QString(),
                           QStringLiteral("</head>"), QString(), QStringLiteral("<body>"),
                           QStringLiteral("<!-- Copiar dentro del tag BODY -->"), QString(),
                           QStringLiteral("</body>"), QStringLiteral("</html>")}
            .join(crlf);
    const bool asp = extension == QLatin1String("asp");
    if (asp || extension == QLatin1String("php"))
        return QStringList{QStringLiteral("<html>"),
                           QStringLiteral("<head>"),
                           QString(),
                           QStringLiteral("</head>"),
                           QStringLiteral("<body>"),
                           asp ? QStringLiteral("<%") : QStringLiteral("<?"),
                           QString(),
                           asp ? QStringLiteral("%>") : QStringLiteral("?>"),
                           QStringLiteral("</body>"),
                           QStringLiteral("</html>")}
            .join(crlf);
    return {};
}

QString AEditor(const QString &almacenado) {
    // One pass, in place of two replaces: exports and searches put whole libraries through here.
    const QStringView token = mdlScripts::kTokenComilla;
    QString t(almacenado.size(), Qt::Uninitialized);
    QChar *o = t.data();
    const QChar *p = almacenado.constBegin(), *fin = almacenado.constEnd();
    while (p < fin) {
        if (*p == QLatin1Char('\r') && p + 1 < fin && p[1] == QLatin1Char('\n')) {
            *o++ = QLatin1Char('\n');
            p += 2;
        } else if (*p == token.front() && fin - p >= token.size() && QStringView(p, token.size()) == token) {
            *o++ = QLatin1Char('"');
            p += token.size();
        } else {
            *o++ = *p++;
        }
    }
    t.truncate(o - t.constData());
    return t;
}

QString AAlmacen(const QString &editor) {
    QString t = editor;
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    t.replace(QLatin1Char('"'), mdlScripts::kTokenComilla);
    return t;
}

} // namespace etiquetas
