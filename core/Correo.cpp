#include "core/Correo.h"

#include <QProcess>

namespace correo {

Mensaje Componer(const QString &para, const QString &de, const QString &categoria,
                 const QString &rutaAdjunto) {
    const QString crlf = QStringLiteral("\r\n");
    Mensaje m;
    m.para = para;
    m.asunto = QStringLiteral("Archivo de Rutinero enviado por ") + de;
    // The version in the body names the format of the attachment, not the running program.
    m.cuerpo = QStringLiteral("El siguiente e-mail ha sido enviado por ") + de +
               QStringLiteral(" utilizando el programa Rutinero v1.0") + crlf;
    m.cuerpo +=
        QStringLiteral("Archivo adjunto: Categoría de Rutinero ") + categoria + QStringLiteral(".rtn");
    m.cuerpo += crlf + crlf;
    m.adjunto = rutaAdjunto;
    return m;
}

QStringList ArgumentosXdgEmail(const Mensaje &m) {
    // xdg-email writes every line end of the body as CR LF itself: given CR LF it would double the CR.
    QString cuerpo = m.cuerpo;
    cuerpo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // The texts are handed over as UTF-8 whatever the locale says.
    QStringList args{QStringLiteral("--utf8"),
                     QStringLiteral("--subject"),
                     m.asunto,
                     QStringLiteral("--body"),
                     cuerpo,
                     QStringLiteral("--attach"),
                     m.adjunto};
    const bool simple = m.para.contains(QLatin1Char('@')) && !m.para.startsWith(QLatin1Char('-')) &&
                        !m.para.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
    if (simple)
        args << m.para;
    else if (!m.para.isEmpty())
        args << QStringLiteral("--to") << m.para;
    return args;
}

void EnvioEscritorio::Enviar(const Mensaje &m) {
    QProcess::startDetached(QStringLiteral("xdg-email"), ArgumentosXdgEmail(m));
}

} // namespace correo
