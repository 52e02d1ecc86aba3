#include "core/Cp1252.h"

#include <QStringDecoder>

#include <algorithm>

namespace {
// Bytes 0x80..0x9F; the undefined ones keep their C1 control code.
const char16_t kAlto[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int ByteDe(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kAlto[i] == c)
            return 0x80 + i;
    return -1;
}
} // namespace

namespace cp1252 {

QString Decodificar(const char *datos, qsizetype largo) {
    const auto *b = reinterpret_cast<const unsigned char *>(datos);
    qsizetype i = 0;
    while (i < largo && (b[i] < 0x80 || b[i] >= 0xA0))
        ++i;
    if (i == largo)
        return QString::fromLatin1(datos, largo);
    QString texto = QString::fromLatin1(datos, largo);
    char16_t *d = reinterpret_cast<char16_t *>(texto.data());
    for (; i < largo; ++i)
        if (b[i] >= 0x80 && b[i] < 0xA0)
            d[i] = kAlto[b[i] - 0x80];
    return texto;
}

void CodificarEn(const QString &texto, QByteArray &salida) {
    const char16_t *c = reinterpret_cast<const char16_t *>(texto.constData());
    const qsizetype n = texto.size();
    const qsizetype inicio = salida.size();
    salida.resize(inicio + n);
    char *d = salida.data() + inicio;
    qsizetype j = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = c[i];
        if (u < 0x80) {
            d[j++] = char(u);
            continue;
        }
        const int b = ByteDe(u);
        d[j++] = b < 0 ? '?' : char(b);
        // A character outside the basic plane is two code units but one '?'.
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(c[i + 1]))
            ++i;
    }
    salida.resize(inicio + j);
}

QByteArray Codificar(const QString &texto) {
    QByteArray salida;
    CodificarEn(texto, salida);
    return salida;
}

bool Representable(const QString &texto) {
    for (QChar c : texto)
        if (ByteDe(c.unicode()) < 0)
            return false;
    return true;
}

QString NoRepresentables(const QString &texto) {
    QString malos;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        QString uno(texto[i]);
        if (texto[i].isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate())
            uno += texto[++i];
        else if (ByteDe(texto[i].unicode()) >= 0)
            continue;
        if (!malos.contains(uno))
            malos += uno;
    }
    return malos;
}

QVector<Rechazado> Rechazados(const QString &texto) {
    QVector<Rechazado> r;
    int linea = 1;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c == QLatin1Char('\n')) {
            ++linea;
            continue;
        }
        if (ByteDe(c.unicode()) >= 0)
            continue;
        char32_t uno = c.unicode();
        if (c.isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate())
            uno = QChar::surrogateToUcs4(c, texto[++i]);
        if (std::none_of(r.cbegin(), r.cend(), [uno](const Rechazado &x) { return x.caracter == uno; }))
            r.append({uno, linea});
    }
    return r;
}

bool EsInvisible(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Other_Control:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Other_Surrogate:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

bool EsQuitable(char32_t c) { return c == 0x200B || c == 0xFEFF; }

QString SinQuitables(const QString &texto) {
    QString t = texto;
    t.remove(QChar(0x200B));
    t.remove(QChar(0xFEFF));
    return t;
}

} // namespace cp1252

namespace codificacion {

Tipo De(const char *datos, qsizetype largo) {
    return largo >= kLargoBom && std::equal(kBom, kBom + kLargoBom, datos) ? Tipo::Utf8 : Tipo::Cp1252;
}

QString Decodificar(Tipo t, const char *datos, qsizetype largo) {
    if (t == Tipo::Cp1252)
        return cp1252::Decodificar(datos, largo);
    // The file's own mark is already skipped: a U+FEFF that begins a field is the user's text, kept
    // as it is (QString::fromUtf8 would drop it).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(datos, largo));
}

QString DecodificarArchivo(const QByteArray &datos) {
    const Tipo t = De(datos);
    return Decodificar(t, datos.constData() + Inicio(t), datos.size() - Inicio(t));
}

void CodificarEn(Tipo t, const QString &texto, QByteArray &salida) {
    if (t == Tipo::Utf8)
        salida.append(texto.toUtf8());
    else
        cp1252::CodificarEn(texto, salida);
}

QByteArray Codificar(Tipo t, const QString &texto) {
    QByteArray salida;
    CodificarEn(t, texto, salida);
    return salida;
}

QByteArray CodificarArchivo(Tipo t, const QString &texto) {
    QByteArray salida;
    if (t == Tipo::Utf8)
        salida.append(kBom, kLargoBom);
    CodificarEn(t, texto, salida);
    return salida;
}

QVector<cp1252::Rechazado> Rechazados(Tipo t, const QString &texto) {
    if (t == Tipo::Cp1252)
        return cp1252::Rechazados(texto);
    QVector<cp1252::Rechazado> r;
    int linea = 1;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c == QLatin1Char('\n'))
            ++linea;
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const char32_t uno = c.unicode();
        if (std::none_of(r.cbegin(), r.cend(), [uno](const cp1252::Rechazado &x) { return x.caracter == uno; }))
            r.append({uno, linea});
    }
    return r;
}

bool Representable(Tipo t, const QString &texto) {
    return t == Tipo::Cp1252 ? cp1252::Representable(texto) : Rechazados(t, texto).isEmpty();
}

QString NoRepresentables(Tipo t, const QString &texto) {
    if (t == Tipo::Cp1252)
        return cp1252::NoRepresentables(texto);
    QString malos;
    for (const cp1252::Rechazado &r : Rechazados(t, texto))
        malos += QString::fromUcs4(&r.caracter, 1);
    return malos;
}

QByteArray AUtf8(Tipo t, QByteArrayView datos) {
    if (t == Tipo::Utf8 || std::all_of(datos.begin(), datos.end(), [](char c) { return uchar(c) < 0x80; }))
        return datos.toByteArray();
    return cp1252::Decodificar(datos.data(), datos.size()).toUtf8();
}

QString DeUtf8(QByteArrayView datos) {
    QStringDecoder d(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return d(datos);
}

} // namespace codificacion
