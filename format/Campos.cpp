#include "format/Campos.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace campos {

namespace {
// A field's name stops at these; a name holding them would be code, not a field.
bool CortaNombre(QChar c) {
    return c == QLatin1Char('}') || c == QLatin1Char(':') || c == QLatin1Char('{') || c == QLatin1Char('$') ||
           c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool FinDeLinea(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); }

// A field or a `$${` where it is written; positions only, so that a code of millions of fields
// costs no more than a few words for each.
struct Trozo {
    bool escape = false;
    int inicio = 0;
    int largo = 0;
    int nombre = 0, largoNombre = 0; // trimmed
    int valor = -1, largoValor = 0;  // -1: no default written
    int opciones = -1, largoOpciones = 0; // a choice's texts between its bars, -1: none
};

// `nombre|uno,dos|` names a choice: where its texts lie, or -1. The name before the bars is trimmed
// and not empty.
int Opciones(QStringView nombre, int &largoNombre, int &largoOpciones) {
    if (nombre.size() < 3 || !nombre.endsWith(QLatin1Char('|')))
        return -1;
    const int barra = int(nombre.indexOf(QLatin1Char('|')));
    if (barra >= nombre.size() - 1 || nombre.left(barra).trimmed().isEmpty())
        return -1;
    largoNombre = int(nombre.left(barra).trimmed().size());
    largoOpciones = int(nombre.size()) - barra - 2;
    return barra + 1;
}

// What one reading of a code found.
struct Lectura {
    QVector<Trozo> fuera; // outermost fields and escapes, in order
    QVector<Campo> distintos;
    bool demasiados = false;
};

// Reads the code once, left to right. `${nombre:` opens a field and the next `}` closes the
// innermost one open; a line end drops every field still open (their `${` are plain text, and what
// was complete inside them stands on its own). Stops as soon as more than kMaximo distinct names are
// complete: every complete field is one, whatever happens to those around it.
Lectura Leer(const QString &c) {
    Lectura r;
    struct Abierto {
        int inicio, nombre, largoNombre, valor;
        int opciones, largoOpciones;
        QVector<Trozo> dentro; // complete inside it, dropped with it at a line end
    };
    QVector<Abierto> abiertos;
    struct Visto {
        int primero;  // where it is first written
        int conValor; // where its first non-empty default is written, or -1
        QString valor;
        int conOpciones = -1; // where its first choice is written, or -1
        QString opciones;
    };
    QHash<QStringView, Visto> vistos;
    const int n = int(c.size());
    const auto completo = [&](const Trozo &t) {
        if (!t.escape) {
            const QStringView nombre = QStringView(c).mid(t.nombre, t.largoNombre);
            auto it = vistos.find(nombre);
            if (it == vistos.end()) {
                if (vistos.size() >= kMaximo) {
                    r.demasiados = true;
                    return;
                }
                it = vistos.insert(nombre, {t.inicio, -1, {}, -1, {}});
            }
            it->primero = std::min(it->primero, t.inicio);
            if (t.largoValor > 0 && (it->conValor < 0 || t.inicio < it->conValor)) {
                it->conValor = t.inicio;
                it->valor = c.mid(t.valor, t.largoValor);
            }
            if (t.opciones >= 0 && (it->conOpciones < 0 || t.inicio < it->conOpciones)) {
                it->conOpciones = t.inicio;
                it->opciones = c.mid(t.opciones, t.largoOpciones);
            }
        }
        (abiertos.isEmpty() ? r.fuera : abiertos.last().dentro).append(t);
    };
    const auto soltar = [&] {
        QVector<Trozo> sueltos;
        for (const Abierto &a : abiertos)
            sueltos += a.dentro;
        abiertos.clear();
        std::sort(sueltos.begin(), sueltos.end(), [](const Trozo &a, const Trozo &b) { return a.inicio < b.inicio; });
        r.fuera += sueltos;
    };
    int i = 0;
    while (i < n && !r.demasiados) {
        const QChar x = c[i];
        int dolares = 0;
        if (x == QLatin1Char('$'))
            while (i + dolares < n && c[i + dolares] == QLatin1Char('$'))
                ++dolares;
        if (dolares >= 2) {
            // Pairs before a `{` are escapes, each for one `$`; elsewhere dollars are plain text.
            if (i + dolares < n && c[i + dolares] == QLatin1Char('{')) {
                Trozo t;
                t.escape = true;
                t.inicio = i;
                t.largo = dolares / 2 * 2;
                completo(t);
                i += t.largo;
            } else {
                i += dolares;
            }
        } else if (x == QLatin1Char('$') && i + 1 < n && c[i + 1] == QLatin1Char('{') &&
                   abiertos.size() < kProfundidad) {
            int j = i + 2;
            while (j < n && !CortaNombre(c[j]))
                ++j;
            // The name's characters hold nothing that opens or closes: reading goes on at its end.
            const QStringView nombre = QStringView(c).mid(i + 2, j - i - 2).trimmed();
            const int inicioNombre = nombre.isEmpty() ? i + 2 : int(nombre.data() - c.constData());
            if (j < n && !nombre.isEmpty() && c[j] == QLatin1Char('}')) {
                Trozo t;
                t.inicio = i;
                t.largo = j + 1 - i;
                t.nombre = inicioNombre;
                t.largoNombre = int(nombre.size());
                const int opciones = Opciones(nombre, t.largoNombre, t.largoOpciones);
                if (opciones >= 0)
                    t.opciones = inicioNombre + opciones;
                completo(t);
                i = j + 1;
            } else if (j < n && !nombre.isEmpty() && c[j] == QLatin1Char(':')) {
                // A choice may have a default written after it: the name is the same either way.
                int largoNombre = int(nombre.size()), largoOpciones = 0;
                const int opciones = Opciones(nombre, largoNombre, largoOpciones);
                abiertos.append({i, inicioNombre, largoNombre, j + 1,
                                 opciones >= 0 ? inicioNombre + opciones : -1, largoOpciones, {}});
                i = j + 1;
            } else {
                i = j; // plain text up to what stopped the name, which is read for itself
            }
        } else if (x == QLatin1Char('}') && !abiertos.isEmpty()) {
            const Abierto a = abiertos.takeLast();
            Trozo t;
            t.inicio = a.inicio;
            t.largo = i + 1 - a.inicio;
            t.nombre = a.nombre;
            t.largoNombre = a.largoNombre;
            t.valor = a.valor;
            t.largoValor = i - a.valor;
            t.opciones = a.opciones;
            t.largoOpciones = a.largoOpciones;
            completo(t);
            ++i;
        } else {
            if (FinDeLinea(x))
                soltar();
            ++i;
        }
    }
    if (r.demasiados) {
        r.fuera.clear();
        return r;
    }
    soltar();
    QVector<std::pair<int, Campo>> orden;
    orden.reserve(vistos.size());
    for (auto it = vistos.cbegin(); it != vistos.cend(); ++it) {
        Campo campo{it.key().toString(), it->valor, {}};
        if (it->conOpciones >= 0) {
            campo.opciones = it->opciones.split(QLatin1Char(','));
            if (it->conValor < 0)
                campo.valor = campo.opciones.first();
        }
        orden.append({it->primero, campo});
    }
    std::sort(orden.begin(), orden.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &o : orden)
        r.distintos.append(o.second);
    return r;
}

// Fills in a code (or a default) with the values of its fields. Every character it makes counts
// against one budget, so defaults that name each other cannot grow past it.
class Relleno {
public:
    Relleno(const QMap<QString, QString> &valores, const QVector<Campo> &distintos, qsizetype limite)
        : valores_(valores), limite_(limite) {
        for (const Campo &d : distintos)
            porOmision_.insert(d.nombre, d.valor);
    }
    bool agotado() const { return hecho_ > limite_; }

    // `trozos`: what Leer found in `texto`.
    QString llenar(const QString &texto, const QVector<Trozo> &trozos) {
        QString r;
        int hecho = 0;
        for (const Trozo &t : trozos) {
            if (!agregar(r, QStringView(texto).mid(hecho, t.inicio - hecho)))
                return {};
            if (!agregar(r, t.escape ? QStringView(QString(t.largo / 2, QLatin1Char('$')))
                                     : QStringView(valor(texto.mid(t.nombre, t.largoNombre)))))
                return {};
            hecho = t.inicio + t.largo;
        }
        return agregar(r, QStringView(texto).mid(hecho)) ? r : QString();
    }

private:
    bool agregar(QString &r, QStringView parte) {
        if (agotado())
            return false;
        hecho_ += parte.size();
        if (agotado())
            return false;
        r += parte;
        return true;
    }

    QString valor(const QString &nombre) {
        const auto dado = valores_.constFind(nombre);
        const QString omision = porOmision_.value(nombre);
        if (dado != valores_.cend() && *dado != omision)
            return *dado;
        if (const auto ya = hechos_.constFind(nombre); ya != hechos_.cend())
            return *ya;
        if (enCurso_.contains(nombre))
            return {}; // its own default names it again
        enCurso_.insert(nombre);
        const QString r = llenar(omision, Leer(omision).fuera);
        enCurso_.remove(nombre);
        hechos_.insert(nombre, r);
        return r;
    }

    const QMap<QString, QString> &valores_;
    QHash<QString, QString> porOmision_;
    QHash<QString, QString> hechos_;
    QSet<QString> enCurso_;
    qsizetype limite_;
    qsizetype hecho_ = 0;
};
} // namespace

QVector<Lugar> Lugares(const QString &codigo) {
    const Lectura l = Leer(codigo);
    QVector<Lugar> r;
    for (const Trozo &t : l.fuera) {
        if (t.escape)
            continue;
        Lugar x;
        x.inicio = t.inicio;
        x.largo = t.largo;
        x.nombre = codigo.mid(t.nombre, t.largoNombre);
        x.conValor = t.valor >= 0;
        if (x.conValor)
            x.valor = codigo.mid(t.valor, t.largoValor);
        if (t.opciones >= 0)
            x.opciones = codigo.mid(t.opciones, t.largoOpciones).split(QLatin1Char(','));
        r.append(x);
    }
    return r;
}

QVector<Campo> Distintos(const QString &codigo, bool *demasiados) {
    Lectura l = Leer(codigo);
    if (demasiados)
        *demasiados = l.demasiados;
    return l.demasiados ? QVector<Campo>() : l.distintos;
}

QString Llenar(const QString &codigo, const QMap<QString, QString> &valores, bool *excedido) {
    if (excedido)
        *excedido = false;
    const Lectura l = Leer(codigo);
    if (!l.demasiados) {
        Relleno relleno(valores, l.distintos, codigo.size() + kCrecimiento);
        const QString r = relleno.llenar(codigo, l.fuera);
        if (!relleno.agotado())
            return r;
    }
    if (excedido)
        *excedido = true;
    return codigo;
}

} // namespace campos
