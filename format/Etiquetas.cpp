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
    QString t = almacenado;
    t.replace(mdlScripts::kTokenComilla, QStringLiteral("\""));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

QString AAlmacen(const QString &editor) {
    QString t = editor;
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    t.replace(QLatin1Char('"'), mdlScripts::kTokenComilla);
    return t;
}

} // namespace etiquetas
