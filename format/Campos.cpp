#include "format/Campos.h"

namespace campos {

namespace {
// A field's name stops at these; a name holding them would be code, not a field.
bool CortaNombre(QChar c) {
    return c == QLatin1Char('}') || c == QLatin1Char(':') || c == QLatin1Char('{') || c == QLatin1Char('$') ||
           c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Walks the code once: `escapado` hears each `$${`, `campo` each field.
template <typename Escapado, typename Hallado>
void Recorrer(const QString &codigo, Escapado &&escapado, Hallado &&campo) {
    const int n = int(codigo.size());
    for (int i = 0; i + 1 < n; ++i) {
        if (codigo[i] != QLatin1Char('$'))
            continue;
        if (codigo[i + 1] == QLatin1Char('$') && i + 2 < n && codigo[i + 2] == QLatin1Char('{')) {
            escapado(i);
            i += 2;
            continue;
        }
        if (codigo[i + 1] != QLatin1Char('{'))
            continue;
        int j = i + 2;
        while (j < n && !CortaNombre(codigo[j]))
            ++j;
        if (j == i + 2 || j >= n)
            continue;
        Lugar l;
        l.inicio = i;
        l.nombre = codigo.mid(i + 2, j - i - 2).trimmed();
        if (l.nombre.isEmpty())
            continue;
        if (codigo[j] == QLatin1Char(':')) {
            int k = j + 1;
            while (k < n && codigo[k] != QLatin1Char('}') && codigo[k] != QLatin1Char('\n') &&
                   codigo[k] != QLatin1Char('\r'))
                ++k;
            if (k >= n || codigo[k] != QLatin1Char('}'))
                continue;
            l.valor = codigo.mid(j + 1, k - j - 1);
            l.conValor = true;
            j = k;
        } else if (codigo[j] != QLatin1Char('}')) {
            continue;
        }
        l.largo = j + 1 - i;
        campo(l);
        i = j;
    }
}
} // namespace

QVector<Lugar> Lugares(const QString &codigo) {
    QVector<Lugar> r;
    Recorrer(codigo, [](int) {}, [&r](const Lugar &l) { r.append(l); });
    return r;
}

QVector<Campo> Distintos(const QString &codigo) {
    QVector<Campo> r;
    QMap<QString, int> vistos;
    for (const Lugar &l : Lugares(codigo)) {
        const auto it = vistos.constFind(l.nombre);
        if (it == vistos.cend()) {
            vistos.insert(l.nombre, int(r.size()));
            r.append({l.nombre, l.valor});
        } else if (r[*it].valor.isEmpty() && l.conValor) {
            // `${a}` first and `${a:x}` later: the default is still worth offering.
            r[*it].valor = l.valor;
        }
    }
    return r;
}

QString Llenar(const QString &codigo, const QMap<QString, QString> &valores) {
    const QVector<Campo> distintos = Distintos(codigo);
    QMap<QString, QString> porOmision;
    for (const Campo &c : distintos)
        porOmision.insert(c.nombre, c.valor);
    QString r;
    r.reserve(codigo.size());
    int hecho = 0;
    Recorrer(
        codigo,
        [&](int i) {
            r += QStringView(codigo).mid(hecho, i - hecho);
            r += QStringLiteral("${");
            hecho = i + 3;
        },
        [&](const Lugar &l) {
            r += QStringView(codigo).mid(hecho, l.inicio - hecho);
            const auto v = valores.constFind(l.nombre);
            r += v != valores.cend() ? *v : porOmision.value(l.nombre);
            hecho = l.inicio + l.largo;
        });
    r += QStringView(codigo).mid(hecho);
    return r;
}

} // namespace campos
