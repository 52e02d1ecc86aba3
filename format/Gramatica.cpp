#include "format/Gramatica.h"

#include <algorithm>

#include <QHash>
#include <QSet>

namespace gramatica {

namespace {

bool EsDigito(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool EmpiezaNombre(QChar c) {
    return c == QLatin1Char('_') || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}
bool SigueNombre(QChar c) { return EmpiezaNombre(c) || EsDigito(c); }
// A tab stop's number as editors read it; longer runs of digits are text.
constexpr int kCifras = 9;

void AgregarTexto(Arbol &r, const QString &texto) {
    if (texto.isEmpty())
        return;
    if (!r.isEmpty() && r.last().tipo == Nodo::Tipo::Texto)
        r.last().texto += texto;
    else
        r.append(Nodo{Nodo::Tipo::Texto, texto, -1, false, {}, {}, {}});
}

// Reads left to right; a construct that does not close is given up and its `$` read as text. Where
// one was given up is remembered, so that a text full of unclosed `${` costs no more than once each.
class Lector {
public:
    explicit Lector(QStringView s) : s_(s), n_(int(s.size())) {}

    // Nodes up to the end or, `dentro` a construct, up to its closing `}` (left unread). False when
    // `dentro` and the end comes first.
    bool Nodos(Arbol &r, bool dentro, int profundidad) {
        QString texto;
        while (i_ < n_) {
            const QChar c = s_[i_];
            if (c == QLatin1Char('\\') && i_ + 1 < n_ && QStringView(u"$}\\").contains(s_[i_ + 1])) {
                texto += s_[i_ + 1];
                i_ += 2;
            } else if (c == QLatin1Char('}') && dentro) {
                AgregarTexto(r, texto);
                return true;
            } else if (c == QLatin1Char('$')) {
                Nodo nodo;
                if (Construccion(nodo, profundidad)) {
                    AgregarTexto(r, texto);
                    texto.clear();
                    r.append(std::move(nodo));
                } else {
                    texto += c;
                    ++i_;
                }
            } else {
                texto += c;
                ++i_;
            }
        }
        AgregarTexto(r, texto);
        return !dentro;
    }

private:
    int Numero() {
        const int inicio = i_;
        while (i_ < n_ && EsDigito(s_[i_]))
            ++i_;
        return i_ - inicio <= kCifras ? s_.mid(inicio, i_ - inicio).toInt() : -1;
    }
    QString Nombre() {
        const int inicio = i_;
        while (i_ < n_ && SigueNombre(s_[i_]))
            ++i_;
        return s_.mid(inicio, i_ - inicio).toString();
    }

    // At a `$`: true, past it, when a construct starts there; false and unmoved otherwise.
    bool Construccion(Nodo &nodo, int profundidad) {
        const int inicio = i_;
        if (i_ + 1 >= n_)
            return false;
        const QChar d = s_[i_ + 1];
        ++i_;
        if (EsDigito(d)) {
            nodo.tipo = Nodo::Tipo::Parada;
            nodo.numero = Numero();
            if (nodo.numero >= 0)
                return true;
        } else if (EmpiezaNombre(d)) {
            nodo.tipo = Nodo::Tipo::Variable;
            nodo.texto = Nombre();
            return true;
        } else if (d == QLatin1Char('{') && profundidad < kProfundidad &&
                   !fallidos_.contains(qint64(inicio) * kProfundidad + profundidad)) {
            ++i_;
            if (Llaves(nodo, profundidad))
                return true;
            fallidos_.insert(qint64(inicio) * kProfundidad + profundidad);
        }
        i_ = inicio;
        nodo = Nodo();
        return false;
    }

    // After `${`: the rest of the construct up to and with its `}`.
    bool Llaves(Nodo &nodo, int profundidad) {
        if (i_ >= n_)
            return false;
        if (EsDigito(s_[i_])) {
            nodo.tipo = Nodo::Tipo::Parada;
            nodo.numero = Numero();
            if (nodo.numero < 0 || i_ >= n_)
                return false;
            if (s_[i_] == QLatin1Char('|'))
                return Eleccion(nodo);
        } else if (EmpiezaNombre(s_[i_])) {
            nodo.tipo = Nodo::Tipo::Variable;
            nodo.texto = Nombre();
            if (i_ >= n_)
                return false;
        } else {
            return false;
        }
        const QChar c = s_[i_++];
        if (c == QLatin1Char('}'))
            return true;
        if (c == QLatin1Char(':')) {
            nodo.conValor = true;
            if (!Nodos(nodo.hijos, true, profundidad + 1))
                return false;
            ++i_; // the `}`
            return true;
        }
        if (c == QLatin1Char('/')) {
            --i_;
            return Transformacion(nodo);
        }
        return false;
    }

    // After `${1`, at the `|`: texts separated by commas, then `|}`; an empty one is no choice.
    bool Eleccion(Nodo &nodo) {
        nodo.tipo = Nodo::Tipo::Eleccion;
        ++i_;
        for (;;) {
            QString opcion;
            while (i_ < n_ && s_[i_] != QLatin1Char(',') && s_[i_] != QLatin1Char('|')) {
                if (s_[i_] == QLatin1Char('\\') && i_ + 1 < n_ && QStringView(u",|\\").contains(s_[i_ + 1]))
                    ++i_;
                opcion += s_[i_++];
            }
            if (i_ >= n_ || opcion.isEmpty())
                return false;
            nodo.opciones.append(opcion);
            if (s_[i_++] == QLatin1Char(','))
                continue;
            if (i_ < n_ && s_[i_] == QLatin1Char('}')) {
                ++i_;
                return true;
            }
            return false;
        }
    }

    // At the `/` of `/regex/formato/opciones}`: kept as written. The format's `${1:...}` may hold
    // slashes of its own.
    bool Transformacion(Nodo &nodo) {
        const int inicio = i_;
        ++i_;
        for (int parte = 0; parte < 2; ++parte) {
            while (i_ < n_ && s_[i_] != QLatin1Char('/')) {
                if (s_[i_] == QLatin1Char('\\'))
                    ++i_;
                else if (parte == 1 && s_[i_] == QLatin1Char('$') && i_ + 1 < n_ && s_[i_ + 1] == QLatin1Char('{'))
                    while (i_ < n_ && s_[i_] != QLatin1Char('}'))
                        i_ += s_[i_] == QLatin1Char('\\') ? 2 : 1;
                ++i_;
            }
            if (i_ >= n_)
                return false;
            ++i_;
        }
        while (i_ < n_ && s_[i_] != QLatin1Char('}'))
            ++i_;
        if (i_ >= n_)
            return false;
        nodo.transformacion = s_.mid(inicio, i_ - inicio).toString();
        ++i_;
        return true;
    }

    QStringView s_;
    int n_;
    int i_ = 0;
    QSet<qint64> fallidos_;
};

// The final tab stop left out, its placeholder's text in its place.
Arbol SinFinal(const Arbol &a) {
    Arbol r;
    for (const Nodo &n : a) {
        if ((n.tipo == Nodo::Tipo::Parada || n.tipo == Nodo::Tipo::Eleccion) && n.numero == 0) {
            for (const Nodo &h : SinFinal(n.conValor ? n.hijos : Arbol()))
                h.tipo == Nodo::Tipo::Texto ? AgregarTexto(r, h.texto) : r.append(h);
            continue;
        }
        Nodo m = n;
        m.hijos = SinFinal(n.hijos);
        if (m.tipo == Nodo::Tipo::Texto)
            AgregarTexto(r, m.texto);
        else
            r.append(m);
    }
    return r;
}

} // namespace

Arbol Desconocidas(const Arbol &a, QHash<int, QString> &nombres) {
    Arbol r;
    for (const Nodo &n : a) {
        Nodo m = n;
        m.hijos = Desconocidas(n.hijos, nombres);
        if (n.tipo == Nodo::Tipo::Variable && n.transformacion.isEmpty() && !EsVariable(n.texto)) {
            int numero = nombres.key(n.texto, 0);
            if (numero == 0) {
                numero = -1 - int(nombres.size());
                nombres.insert(numero, n.texto);
            }
            m.tipo = Nodo::Tipo::Parada;
            m.numero = numero;
            m.texto.clear();
            m.conValor = n.conValor && !m.hijos.isEmpty();
            if (!m.conValor)
                m.hijos.clear();
        }
        r.append(m);
    }
    return r;
}

namespace {

// An unknown variable's placeholder that no default gave a value has its name as text, at its
// first place.
void ConNombres(Arbol &a, const QHash<int, QString> &nombres, QSet<int> &vistos) {
    for (Nodo &n : a) {
        if (n.tipo == Nodo::Tipo::Parada && nombres.contains(n.numero) && !vistos.contains(n.numero)) {
            vistos.insert(n.numero);
            if (!n.conValor) {
                n.conValor = true;
                n.hijos = {Nodo{Nodo::Tipo::Texto, nombres.value(n.numero), -1, false, {}, {}, {}}};
            }
        }
        ConNombres(n.hijos, nombres, vistos);
    }
}

// What Normal needs: each tab stop's value (the first placeholder or choice that gives one, in
// reading order) and the rewriting itself.
class Normalizador {
public:
    explicit Normalizador(const Arbol &a) { Valores(a); }
    // Each tab stop's value at its first place, the numbers as they were.
    Arbol Colocar(const Arbol &a) { return Emitir(a); }
    Arbol Hacer(const Arbol &a) {
        Arbol r = Emitir(a);
        Numerar(r);
        return r;
    }

private:
    void Valores(const Arbol &a) {
        for (const Nodo &n : a) {
            const bool da = (n.tipo == Nodo::Tipo::Parada && n.conValor && !n.hijos.isEmpty()) ||
                            n.tipo == Nodo::Tipo::Eleccion;
            if (da && !valores_.contains(n.numero))
                valores_.insert(n.numero, &n);
            Valores(n.hijos);
        }
    }
    Arbol Emitir(const Arbol &a) {
        Arbol r;
        for (const Nodo &n : a) {
            if (n.tipo == Nodo::Tipo::Texto) {
                AgregarTexto(r, n.texto);
                continue;
            }
            if (n.tipo == Nodo::Tipo::Variable) {
                Nodo v = n;
                v.hijos = Emitir(n.hijos);
                v.conValor = n.conValor && !v.hijos.isEmpty();
                r.append(v);
                continue;
            }
            if (n.numero == 0) {
                for (const Nodo &h : Emitir(n.conValor ? n.hijos : Arbol()))
                    h.tipo == Nodo::Tipo::Texto ? AgregarTexto(r, h.texto) : r.append(h);
                continue;
            }
            Nodo p{Nodo::Tipo::Parada, {}, n.numero, false, {}, {}, n.transformacion};
            const Nodo *valor = valores_.value(n.numero);
            if (valor && !emitidos_.contains(n.numero)) {
                emitidos_.insert(n.numero);
                if (valor->tipo == Nodo::Tipo::Eleccion) {
                    p.tipo = Nodo::Tipo::Eleccion;
                    p.opciones = valor->opciones;
                } else {
                    p.hijos = Emitir(valor->hijos);
                    p.conValor = !p.hijos.isEmpty();
                }
            }
            r.append(p);
        }
        return r;
    }
    void Numerar(Arbol &a) {
        for (Nodo &n : a) {
            if (n.tipo == Nodo::Tipo::Parada || n.tipo == Nodo::Tipo::Eleccion) {
                if (!numeros_.contains(n.numero))
                    numeros_.insert(n.numero, int(numeros_.size()) + 1);
                n.numero = numeros_.value(n.numero);
            }
            Numerar(n.hijos);
        }
    }
    QHash<int, const Nodo *> valores_;
    QSet<int> emitidos_;
    QHash<int, int> numeros_;
};

} // namespace

Arbol Analizar(QStringView fragmento) {
    Arbol r;
    Lector(fragmento).Nodos(r, false, 0);
    return r;
}

QString Escapar(QStringView texto) {
    const auto especial = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('$') || c == QLatin1Char('}'); };
    // Sized once and written in place: a whole library's code goes through here on export.
    QString r(texto.size() + std::count_if(texto.begin(), texto.end(), especial), Qt::Uninitialized);
    QChar *o = r.data();
    for (QChar c : texto) {
        if (especial(c))
            *o++ = QLatin1Char('\\');
        *o++ = c;
    }
    return r;
}

QString EscaparOpcion(QStringView opcion) {
    QString r;
    for (QChar c : opcion) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char('|'))
            r += QLatin1Char('\\');
        r += c;
    }
    return r;
}

QString Escribir(const Arbol &arbol) {
    QString r;
    for (int i = 0; i < arbol.size(); ++i) {
        const Nodo &n = arbol[i];
        switch (n.tipo) {
        case Nodo::Tipo::Texto:
            r += Escapar(n.texto);
            break;
        case Nodo::Tipo::Parada: {
            const QString numero = QString::number(n.numero);
            if (!n.transformacion.isEmpty())
                r += QStringLiteral("${") + numero + n.transformacion + QLatin1Char('}');
            else if (n.conValor)
                r += QStringLiteral("${") + numero + QLatin1Char(':') + Escribir(n.hijos) + QLatin1Char('}');
            else if (i + 1 < arbol.size() && arbol[i + 1].tipo == Nodo::Tipo::Texto &&
                     !arbol[i + 1].texto.isEmpty() && EsDigito(arbol[i + 1].texto.front()))
                r += QStringLiteral("${") + numero + QLatin1Char('}'); // `$12` would be another stop
            else
                r += QLatin1Char('$') + numero;
            break;
        }
        case Nodo::Tipo::Eleccion: {
            QStringList opciones;
            for (const QString &o : n.opciones)
                opciones.append(EscaparOpcion(o));
            r += QStringLiteral("${%1|").arg(n.numero) + opciones.join(QLatin1Char(',')) + QStringLiteral("|}");
            break;
        }
        case Nodo::Tipo::Variable:
            r += QStringLiteral("${") + n.texto;
            if (!n.transformacion.isEmpty())
                r += n.transformacion;
            else if (n.conValor)
                r += QLatin1Char(':') + Escribir(n.hijos);
            r += QLatin1Char('}');
            break;
        }
    }
    return r;
}

QString Insertado(const Arbol &arbol) {
    QString r;
    for (const Nodo &n : arbol) {
        if (n.tipo == Nodo::Tipo::Texto)
            r += n.texto;
        else if (n.tipo == Nodo::Tipo::Eleccion)
            r += n.opciones.value(0);
        else if (n.conValor)
            r += Insertado(n.hijos);
    }
    return r;
}

bool EsVariable(const QString &nombre) {
    static const QSet<QString> v = {
        "TM_SELECTED_TEXT", "TM_CURRENT_LINE", "TM_CURRENT_WORD", "TM_LINE_INDEX", "TM_LINE_NUMBER",
        "TM_FILENAME", "TM_FILENAME_BASE", "TM_DIRECTORY", "TM_FILEPATH", "RELATIVE_FILEPATH", "CLIPBOARD",
        "WORKSPACE_NAME", "WORKSPACE_FOLDER", "CURSOR_INDEX", "CURSOR_NUMBER", "CURRENT_YEAR",
        "CURRENT_YEAR_SHORT", "CURRENT_MONTH", "CURRENT_MONTH_NAME", "CURRENT_MONTH_NAME_SHORT",
        "CURRENT_DATE", "CURRENT_DAY_NAME", "CURRENT_DAY_NAME_SHORT", "CURRENT_HOUR", "CURRENT_MINUTE",
        "CURRENT_SECOND", "CURRENT_SECONDS_UNIX", "CURRENT_TIMEZONE_OFFSET", "RANDOM", "RANDOM_HEX", "UUID",
        "BLOCK_COMMENT_START", "BLOCK_COMMENT_END", "LINE_COMMENT"};
    return v.contains(nombre);
}

Arbol Colocado(const Arbol &arbol) {
    const Arbol sinFinal = SinFinal(arbol);
    return Normalizador(sinFinal).Colocar(sinFinal);
}

Arbol Normal(const Arbol &arbol) {
    QHash<int, QString> nombres;
    Arbol a = Colocado(Desconocidas(arbol, nombres));
    QSet<int> vistos;
    ConNombres(a, nombres, vistos);
    return Normalizador(a).Hacer(a);
}

} // namespace gramatica
