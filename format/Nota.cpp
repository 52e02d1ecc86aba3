// The note a snippet file's extras leave at the end of a script's description (Editores.h).
#include "format/Editores.h"

namespace editores {

namespace {

const QString kAbre = QStringLiteral(" «editores: ");
const QChar kCierra = QChar(0xBB); // »

QString Escapar(const QString &valor) {
    QString r;
    for (QChar c : valor) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';') || c == kCierra)
            r += QLatin1Char('\\');
        r += c;
    }
    return r;
}

QString Lista(const QStringList &valores) {
    QStringList r;
    for (const QString &v : valores)
        r << Escapar(v);
    return r.join(QLatin1Char(','));
}

// The note's inside, `clave=valor; clave=a,b`: false when it is not one this program writes.
bool Leer(QStringView texto, Nota &nota) {
    QStringList valores; // the current entry's values, unescaped
    QString clave, valor;
    bool enValor = false;
    const auto cerrar = [&]() {
        if (!enValor)
            return false;
        valores << valor;
        if (clave == QLatin1String("prefijo") && nota.prefijos.isEmpty())
            nota.prefijos = valores;
        else if (clave == QStringLiteral("ámbito") && nota.ambito.isEmpty() && valores.size() == 1)
            nota.ambito = valores.first();
        else if (clave == QLatin1String("orden") && nota.orden.isEmpty())
            nota.orden = valores;
        else
            return false;
        valores.clear();
        clave.clear();
        valor.clear();
        enValor = false;
        return true;
    };
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c == QLatin1Char('\\') && i + 1 < texto.size()) {
            (enValor ? valor : clave) += texto[++i];
        } else if (!enValor && c == QLatin1Char('=')) {
            enValor = true;
        } else if (enValor && c == QLatin1Char(',')) {
            valores << valor;
            valor.clear();
        } else if (c == QLatin1Char(';')) {
            if (!cerrar() || i + 1 >= texto.size() || texto[i + 1] != QLatin1Char(' '))
                return false;
            ++i;
        } else if (c == kCierra) {
            return false;
        } else {
            (enValor ? valor : clave) += c;
        }
    }
    return cerrar();
}

} // namespace

QString SinNota(const QString &descripcion, Nota *nota) {
    if (nota)
        *nota = Nota();
    if (!descripcion.endsWith(kCierra))
        return descripcion;
    // The last opening whose inside reads as a note: a description may hold the marks itself. At the
    // very start the space may be gone (the editor trims descriptions).
    QVector<qsizetype> aperturas;
    if (descripcion.startsWith(kAbre.mid(1)))
        aperturas << -1;
    for (qsizetype i = descripcion.indexOf(kAbre); i >= 0; i = descripcion.indexOf(kAbre, i + 1))
        aperturas << i;
    for (qsizetype k = aperturas.size() - 1; k >= 0; --k) {
        const qsizetype i = aperturas[k], desde = i + kAbre.size();
        Nota leida;
        if (Leer(QStringView(descripcion).mid(desde, descripcion.size() - 1 - desde), leida)) {
            if (nota)
                *nota = leida;
            return descripcion.left(std::max<qsizetype>(i, 0));
        }
    }
    return descripcion;
}

QString ConNota(const QString &descripcion, const Nota &nota) {
    if (nota.vacia())
        return descripcion;
    QStringList partes;
    if (!nota.prefijos.isEmpty())
        partes << QStringLiteral("prefijo=") + Lista(nota.prefijos);
    if (!nota.ambito.isEmpty())
        partes << QStringLiteral("ámbito=") + Escapar(nota.ambito);
    if (!nota.orden.isEmpty())
        partes << QStringLiteral("orden=") + Lista(nota.orden);
    const QString abre = descripcion.isEmpty() ? kAbre.mid(1) : kAbre;
    return descripcion + abre + partes.join(QStringLiteral("; ")) + kCierra;
}

} // namespace editores
