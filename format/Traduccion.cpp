#include "format/Traduccion.h"
#include "format/Campos.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace traduccion {

using gramatica::Arbol;
using gramatica::Nodo;

namespace {

QString Numerado(int n) { return QStringLiteral("campo %1").arg(n); }
bool EsNumerado(const QString &nombre) {
    static const QRegularExpression numerado(QStringLiteral("^campo [0-9]+$"));
    return numerado.match(nombre).hasMatch();
}

// A text with each run of dollars replaced by as many as `cuantos(k, llave, alFinal)` gives for a run
// of k: `llave` when a `{` follows it, `alFinal` when it ends the text.
template <typename Cuantos>
QString CambiarDolares(QStringView texto, Cuantos cuantos) {
    QString r;
    r.reserve(texto.size() + 8);
    for (qsizetype i = 0; i < texto.size();) {
        if (texto[i] != QLatin1Char('$')) {
            r += texto[i++];
            continue;
        }
        qsizetype j = i;
        while (j < texto.size() && texto[j] == QLatin1Char('$'))
            ++j;
        r += QString(cuantos(j - i, j < texto.size() && texto[j] == QLatin1Char('{'), j == texto.size()), QLatin1Char('$'));
        i = j;
    }
    return r;
}

// A run of dollars in a text with no fields: before a `{` each pair stands for one; at the end of a
// text that a field follows, every one of them is in a pair.
QString Literal(QStringView texto, bool sigueCampo) {
    return CambiarDolares(texto, [sigueCampo](qsizetype k, bool llave, bool alFinal) {
        return llave ? k / 2 + k % 2 : alFinal && sigueCampo ? k / 2 : k;
    });
}

// The reverse: a text written so that the field reader takes every character as it is.
QString Codificar(QStringView texto, bool sigueCampo) {
    return CambiarDolares(texto, [sigueCampo](qsizetype k, bool llave, bool alFinal) {
        return llave || (alFinal && sigueCampo) ? 2 * k : k;
    });
}

// The code with fill-in fields, built from texts and fields, each text written for what follows it.
class Escritor {
public:
    void Texto(const QString &t) {
        if (t.isEmpty())
            return;
        if (!piezas_.isEmpty() && !piezas_.last().campo)
            piezas_.last().texto += t;
        else
            piezas_.append({false, t});
    }
    void Campo(const QString &marca) { piezas_.append({true, marca}); }
    QString Hecho() const {
        QString r;
        for (int i = 0; i < piezas_.size(); ++i)
            r += piezas_[i].campo ? piezas_[i].texto
                                  : Codificar(piezas_[i].texto, i + 1 < piezas_.size() && piezas_[i + 1].campo);
        return r;
    }

private:
    struct Pieza {
        bool campo;
        QString texto;
    };
    QVector<Pieza> piezas_;
};

// Whether `marca` reads back as one whole field of that name, default and choices.
bool UnCampo(const QString &marca, const QString &nombre, const QString &valor, const QStringList &opciones) {
    const QVector<campos::Lugar> l = campos::Lugares(marca);
    return l.size() == 1 && l[0].inicio == 0 && l[0].largo == marca.size() && l[0].nombre == nombre &&
           l[0].valor == valor && l[0].opciones == opciones;
}

// Which tab stops a snippet has, in order of first appearance, the node that gives each its value,
// and the names of its variables.
struct Paradas {
    QVector<int> orden;
    QSet<int> vistas;
    QHash<int, const Nodo *> definicion;
    QSet<QString> variables;
    void Recorrer(const Arbol &a) {
        for (const Nodo &n : a) {
            if (n.tipo == Nodo::Tipo::Variable)
                variables.insert(n.texto);
            const bool parada = n.tipo == Nodo::Tipo::Parada || n.tipo == Nodo::Tipo::Eleccion;
            if (parada && n.numero != 0) {
                if (!vistas.contains(n.numero)) {
                    vistas.insert(n.numero);
                    orden.append(n.numero);
                }
                const bool da = n.tipo == Nodo::Tipo::Eleccion || (n.conValor && !n.hijos.isEmpty());
                if (da && !definicion.contains(n.numero))
                    definicion.insert(n.numero, &n);
            }
            Recorrer(n.hijos);
        }
    }
};

// The name each tab stop's field gets: as `dados` says, else its placeholder's text, else numbered;
// never one taken already (by a variable or another tab stop).
QHash<int, QString> Nombres(const Paradas &p, const QMap<int, QString> &dados) {
    QHash<int, QString> r;
    QSet<QString> usados = p.variables;
    // Unknown variables (numbered below zero) keep their own names.
    for (int n : p.orden)
        if (n > 0 && dados.contains(n) && NombreValido(dados[n]) && !usados.contains(dados[n])) {
            r.insert(n, dados[n]);
            usados.insert(dados[n]);
        }
    for (int n : p.orden) {
        if (n < 0 || r.contains(n))
            continue;
        const Nodo *d = p.definicion.value(n);
        QString nombre = d && d->tipo == Nodo::Tipo::Parada ? gramatica::Insertado(d->hijos) : QString();
        if (!NombreValido(nombre))
            nombre = Numerado(n);
        const QString base = nombre;
        // An editor's variable's name would make the field that variable on export.
        for (int k = 2; usados.contains(nombre) || gramatica::EsVariable(nombre); ++k)
            nombre = QStringLiteral("%1 (%2)").arg(base).arg(k);
        usados.insert(nombre);
        r.insert(n, nombre);
    }
    return r;
}

class Importador {
public:
    // Read from the snippet as an editor fills it: an unknown variable is a placeholder named after
    // it, and each tab stop's value is at its first place.
    Importador(const Arbol &a, const QMap<int, QString> &dados, const QList<int> &valores) : valores_(valores) {
        QHash<int, QString> desconocidas;
        arbol_ = gramatica::Colocado(gramatica::Desconocidas(a, desconocidas));
        paradas_.Recorrer(arbol_);
        for (auto it = desconocidas.cbegin(); it != desconocidas.cend(); ++it)
            paradas_.variables.insert(it.value());
        nombres_ = Nombres(paradas_, dados);
        nombres_.insert(desconocidas);
    }
    Campos Hacer() {
        Escritor e;
        Emitir(arbol_, e);
        Campos r;
        r.codigo = e.Hecho();
        r.notas = notas_;
        // The tab order: the numbered stops by number, then the unknown variables' placeholders as
        // they appear (an export numbers them so); only those that came in as fields.
        QVector<int> numeros, desconocidas;
        for (int n : paradas_.orden)
            (n > 0 ? numeros : desconocidas).append(n);
        std::sort(numeros.begin(), numeros.end());
        const QVector<campos::Campo> distintos = campos::Distintos(r.codigo);
        QSet<QString> enCodigo;
        for (const campos::Campo &c : distintos)
            enCodigo.insert(c.nombre);
        for (int n : numeros + desconocidas)
            if (!comoTexto_.contains(n) && enCodigo.contains(nombres_.value(n)))
                r.orden.append(nombres_.value(n));
        const QSet<QString> deParadas(r.orden.cbegin(), r.orden.cend());
        QStringList porAparicion;
        for (const campos::Campo &c : distintos)
            if (deParadas.contains(c.nombre))
                porAparicion.append(c.nombre);
        r.ordenPropio = r.orden != porAparicion;
        return r;
    }

private:
    void Emitir(const Arbol &a, Escritor &e) {
        for (const Nodo &n : a) {
            switch (n.tipo) {
            case Nodo::Tipo::Texto:
                e.Texto(n.texto);
                break;
            case Nodo::Tipo::Variable:
                Variable(n, e);
                break;
            case Nodo::Tipo::Parada:
            case Nodo::Tipo::Eleccion:
                if (n.numero == 0) {
                    if (n.conValor)
                        Emitir(n.hijos, e); // the final cursor's place goes; its text stays
                } else {
                    Parada(n, e);
                }
                break;
            }
        }
    }

    // How a note names a tab stop: by its number, or an unknown variable by its own name.
    QString Llamado(int numero) const {
        return numero > 0 ? QString::number(numero) : QLatin1Char('$') + nombres_.value(numero);
    }

    void Variable(const Nodo &n, Escritor &e) {
        const QString simple = QStringLiteral("${") + n.texto + QLatin1Char('}');
        if (!n.transformacion.isEmpty())
            notas_.append(QStringLiteral("la transformación de $%1 no se conserva").arg(n.texto));
        if (variables_.contains(n.texto))
            notas_.append(QStringLiteral("$%1 está dentro de su propio valor, donde queda vacío").arg(n.texto));
        if (n.transformacion.isEmpty() && n.conValor && !n.hijos.isEmpty()) {
            Escritor sub;
            variables_.insert(n.texto);
            Emitir(n.hijos, sub);
            variables_.remove(n.texto);
            const QString marca = QStringLiteral("${") + n.texto + QLatin1Char(':') + sub.Hecho() + QLatin1Char('}');
            if (UnCampo(marca, n.texto, sub.Hecho(), {})) {
                e.Campo(marca);
                return;
            }
            notas_.append(QStringLiteral("el valor de $%1 no cabe en un campo y no se conserva").arg(n.texto));
        }
        e.Campo(simple);
    }

    void Parada(const Nodo &n, Escritor &e) {
        const QString nombre = nombres_.value(n.numero);
        if (!n.transformacion.isEmpty())
            notas_.append(QStringLiteral("la transformación del campo %1 no se conserva").arg(Llamado(n.numero)));
        if (const auto t = comoTexto_.constFind(n.numero); t != comoTexto_.cend()) {
            e.Texto(*t);
            return;
        }
        if (emitidos_.contains(n.numero)) {
            if (definiendo_.contains(n.numero))
                notas_.append(QStringLiteral("el campo %1 está dentro de su propio valor, donde queda vacío").arg(Llamado(n.numero)));
            e.Campo(QStringLiteral("${") + nombre + QLatin1Char('}'));
            return;
        }
        const QSet<int> antes = emitidos_;
        emitidos_.insert(n.numero);
        definiendo_.insert(n.numero);
        const QString marca = Definir(n.numero, nombre);
        definiendo_.remove(n.numero);
        if (!marca.isEmpty()) {
            e.Campo(marca);
            return;
        }
        // No field holds its text: the text it inserts stays, and the tab stops inside it are read
        // again where they come next.
        emitidos_ = antes;
        const Nodo *d = paradas_.definicion.value(n.numero);
        const QString texto = d->tipo == Nodo::Tipo::Eleccion ? d->opciones.value(0) : gramatica::Insertado(d->hijos);
        comoTexto_.insert(n.numero, texto);
        notas_.append(QStringLiteral("el campo %1 no cabe en un campo del programa y queda como texto").arg(Llamado(n.numero)));
        e.Texto(texto);
    }

    // The field of a tab stop where it is first written, or empty when no field can hold it.
    QString Definir(int numero, const QString &nombre) {
        const Nodo *d = paradas_.definicion.value(numero);
        const QString abre = QStringLiteral("${") + nombre;
        if (!d)
            return abre + QLatin1Char('}');
        if (d->tipo == Nodo::Tipo::Eleccion) {
            const QString marca = abre + QLatin1Char('|') + d->opciones.join(QLatin1Char(',')) + QStringLiteral("|}");
            if (UnCampo(marca, nombre, {}, d->opciones))
                return marca;
            const QString valor = Codificar(d->opciones.value(0), false);
            const QString sola = abre + QLatin1Char(':') + valor + QLatin1Char('}');
            if (!UnCampo(sola, nombre, valor, {}))
                return {};
            notas_.append(QStringLiteral("las opciones del campo %1 no caben en un campo: se ofrece la primera").arg(Llamado(numero)));
            return sola;
        }
        // The text is the name: a field without default says it (a numbered name would say a bare stop).
        if (d->hijos.size() == 1 && d->hijos[0].tipo == Nodo::Tipo::Texto && d->hijos[0].texto == nombre &&
            !EsNumerado(nombre) && !valores_.contains(numero))
            return abre + QLatin1Char('}');
        Escritor sub;
        Emitir(d->hijos, sub);
        const QString valor = sub.Hecho();
        const QString marca = abre + QLatin1Char(':') + valor + QLatin1Char('}');
        return UnCampo(marca, nombre, valor, {}) ? marca : QString();
    }

    Arbol arbol_;
    Paradas paradas_;
    QList<int> valores_;
    QHash<int, QString> nombres_;
    QSet<int> emitidos_, definiendo_;
    QSet<QString> variables_; // those whose default is being written
    QHash<int, QString> comoTexto_;
    QStringList notas_;
};

// Whether the editors' grammar can say a field's choice: it has no empty text, and a choice offers its
// first text. Otherwise the field goes as its default.
bool EsEleccion(const campos::Campo &c) {
    return !c.opciones.isEmpty() && c.valor == c.opciones.first() &&
           std::none_of(c.opciones.cbegin(), c.opciones.cend(), [](const QString &o) { return o.isEmpty(); });
}

class Exportador {
public:
    Exportador(const QString &codigo, const Opciones &o) : variables_(o.variables) {
        const QVector<campos::Campo> distintos = campos::Distintos(codigo);
        QStringList paradas;
        for (const campos::Campo &c : distintos) {
            campos_.insert(c.nombre, c);
            if (!(variables_ && gramatica::EsVariable(c.nombre)))
                paradas.append(c.nombre);
        }
        if (o.orden.size() == paradas.size() && QSet<QString>(o.orden.cbegin(), o.orden.cend()) ==
                                                    QSet<QString>(paradas.cbegin(), paradas.cend()))
            paradas = o.orden;
        for (int i = 0; i < paradas.size(); ++i)
            numeros_.insert(paradas[i], i + 1);
    }
    QList<int> valores() const { return valores_; }
    QHash<int, QString> nombres() const {
        QHash<int, QString> r;
        for (auto it = numeros_.cbegin(); it != numeros_.cend(); ++it)
            r.insert(it.value(), it.key());
        return r;
    }

    // The snippet of a text with fields, as a tree: the grammar's writer spells it (a repeated stop
    // before a digit needs its braces).
    Arbol Hacer(const QString &texto) {
        Arbol r;
        int hecho = 0;
        for (const campos::Lugar &l : campos::Lugares(texto)) {
            Texto(r, Literal(QStringView(texto).mid(hecho, l.inicio - hecho), true));
            Campo(l, r);
            hecho = l.inicio + l.largo;
        }
        Texto(r, Literal(QStringView(texto).mid(hecho), false));
        return r;
    }

private:
    static void Texto(Arbol &r, const QString &t) {
        if (t.isEmpty())
            return;
        if (!r.isEmpty() && r.last().tipo == Nodo::Tipo::Texto)
            r.last().texto += t;
        else
            r.append(Nodo{Nodo::Tipo::Texto, t, -1, false, {}, {}, {}});
    }

    void Campo(const campos::Lugar &l, Arbol &r) {
        if (variables_ && gramatica::EsVariable(l.nombre)) {
            r.append(Nodo{Nodo::Tipo::Variable, l.nombre, -1, l.conValor, l.conValor ? Hacer(l.valor) : Arbol(), {}, {}});
            return;
        }
        // Met again inside its own default (where the copy leaves it empty), or elsewhere once
        // written: its number alone.
        Nodo p{Nodo::Tipo::Parada, {}, numeros_.value(l.nombre), false, {}, {}, {}};
        if (enCurso_.contains(l.nombre) || hechos_.contains(l.nombre)) {
            r.append(p);
            return;
        }
        const campos::Campo &c = campos_[l.nombre];
        enCurso_.insert(l.nombre);
        if (EsEleccion(c)) {
            p.tipo = Nodo::Tipo::Eleccion;
            p.opciones = c.opciones;
        } else if (!c.valor.isEmpty()) {
            p.conValor = true;
            p.hijos = Hacer(c.valor);
            // Its default is its name: the text alone would come back as the name only.
            if (p.hijos.size() == 1 && p.hijos[0].tipo == Nodo::Tipo::Texto && p.hijos[0].texto == c.nombre)
                valores_.append(p.numero);
        } else if (!EsNumerado(c.nombre)) { // a numbered one is a bare tab stop, as it came
            p.conValor = true;
            p.hijos = {Nodo{Nodo::Tipo::Texto, c.nombre, -1, false, {}, {}, {}}};
        }
        enCurso_.remove(l.nombre);
        hechos_.insert(l.nombre);
        r.append(p);
    }

    bool variables_;
    QList<int> valores_;
    QHash<QString, campos::Campo> campos_;
    QHash<QString, int> numeros_;
    QSet<QString> enCurso_, hechos_;
};

} // namespace

bool NombreValido(const QString &nombre) {
    // Trimmed as the field reader trims (QStringView's rule, which takes U+FEFF for a space too).
    if (nombre.isEmpty() || QStringView(nombre).trimmed() != QStringView(nombre))
        return false;
    for (QChar c : nombre)
        if (QStringView(u"{}:$\n\r").contains(c))
            return false;
    // Shaped as the field reader's choice (Campos.cpp), it would be read as one.
    const qsizetype barra = nombre.indexOf(QLatin1Char('|'));
    return !(nombre.size() >= 3 && nombre.endsWith(QLatin1Char('|')) && barra < nombre.size() - 1 &&
             !nombre.left(barra).trimmed().isEmpty());
}

Fragmento AFragmento(const QString &codigo, const Opciones &opciones) {
    // Most code has no field: with no `${` every character goes as it is, escaped, and the four
    // passes below would give just that.
    if (!codigo.contains(QStringView(u"${")))
        return {gramatica::Escapar(codigo), {}, {}};
    bool demasiados = false;
    campos::Distintos(codigo, &demasiados);
    if (demasiados)
        return {gramatica::Escapar(codigo), {}, {}};
    Exportador x(codigo, opciones);
    Fragmento r{gramatica::Escribir(x.Hacer(codigo)), {}, x.valores()};
    // Names the import would not find again travel beside the snippet.
    Paradas p;
    const Arbol arbol = gramatica::Analizar(r.cuerpo);
    p.Recorrer(arbol);
    const QHash<int, QString> hallados = Nombres(p, {}), propios = x.nombres();
    for (auto it = propios.cbegin(); it != propios.cend(); ++it)
        if (hallados.value(it.key()) != it.value())
            r.nombres.insert(it.key(), it.value());
    return r;
}

Campos ACampos(const Arbol &arbol, const QMap<int, QString> &nombres, const QList<int> &valores) {
    return Importador(arbol, nombres, valores).Hacer();
}

} // namespace traduccion
