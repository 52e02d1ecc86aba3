#include "format/Rotulos.h"

namespace rotulos {

bool EsLetra(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'+' || c == u'.' || c.isMark();
}

namespace {
// The length of the tag's name that starts at `desde`, sentence dots left out.
qsizetype Largo(QStringView t, qsizetype desde) {
    qsizetype fin = desde;
    while (fin < t.size() && EsLetra(t[fin]))
        ++fin;
    while (fin > desde && t[fin - 1] == u'.')
        --fin;
    return fin - desde;
}
} // namespace

QVector<Rotulo> De(QStringView texto) {
    QVector<Rotulo> r;
    for (qsizetype i = texto.indexOf(u'#'); i >= 0; i = texto.indexOf(u'#', i + 1)) {
        if (i > 0 && !texto[i - 1].isSpace())
            continue;
        const qsizetype largo = Largo(texto, i + 1);
        if (largo > 0)
            r.append({int(i), int(largo + 1), texto.mid(i + 1, largo).toString()});
    }
    return r;
}

QStringList Nombres(QStringView texto) {
    QStringList r, claves;
    for (const Rotulo &t : De(texto)) {
        const QString clave = t.nombre.toCaseFolded();
        if (!claves.contains(clave)) {
            claves << clave;
            r << t.nombre;
        }
    }
    return r;
}

bool EsTermino(QStringView palabra, QString *nombre) {
    if (palabra.size() < 2 || palabra[0] != u'#')
        return false;
    const qsizetype largo = Largo(palabra, 1);
    if (largo == 0 || (largo + 1 < palabra.size() && palabra.mid(largo + 1).count(u'.') != palabra.size() - largo - 1))
        return false;
    if (nombre)
        *nombre = palabra.mid(1, largo).toString();
    return true;
}

bool Tiene(QStringView plegado, QStringView nombre) {
    if (nombre.isEmpty())
        return false;
    for (qsizetype i = plegado.indexOf(nombre); i >= 0; i = plegado.indexOf(nombre, i + 1)) {
        if (i == 0 || plegado[i - 1] != u'#' || (i > 1 && !plegado[i - 2].isSpace()))
            continue;
        if (Largo(plegado, i) == nombre.size())
            return true;
    }
    return false;
}

} // namespace rotulos
