#include "format/Editores.h"
#include "core/Hilos.h"
#include "core/Registro.h"
#include "format/Etiquetas.h"
#include "format/Traduccion.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringTokenizer>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <set>

namespace editores {

// Keys in the file's order: an editor's file is read and written as the person left it.
using json = nlohmann::ordered_json;

QByteArray SinComentarios(const QByteArray &texto, QString *error) {
    QByteArray r = texto;
    // A byte-order mark some editors write first is no JSON.
    if (r.startsWith("\xEF\xBB\xBF"))
        r.replace(0, 3, "   ");
    const qsizetype n = r.size();
    qsizetype ultimo = -1; // the last byte that is neither space nor comment: a comma to drop, maybe
    for (qsizetype i = 0; i < n; ++i) {
        const char c = r.at(i);
        if (c == '"') {
            // A string runs to the next quote not escaped by a backslash; nothing inside it counts.
            ++i;
            while (i < n && r.at(i) != '"') {
                if (r.at(i) == '\\')
                    ++i;
                ++i;
            }
            ultimo = i;
            continue;
        }
        if (c == '/' && i + 1 < n && r.at(i + 1) == '/') {
            while (i < n && r.at(i) != '\n')
                r[i++] = ' ';
            --i;
            continue;
        }
        if (c == '/' && i + 1 < n && r.at(i + 1) == '*') {
            const qsizetype fin = r.indexOf("*/", i + 2);
            if (fin < 0) {
                qCWarning(lcArchivos) << "Comentario sin cerrar en un archivo de fragmentos, en el byte" << i;
                if (error)
                    *error = QStringLiteral("tiene un comentario /* que no se cierra");
                return QByteArray();
            }
            for (qsizetype j = i; j < fin + 2; ++j)
                if (r.at(j) != '\n' && r.at(j) != '\r')
                    r[j] = ' ';
            i = fin + 1;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        if ((c == '}' || c == ']') && ultimo >= 0 && r.at(ultimo) == ',')
            r[ultimo] = ' ';
        ultimo = i;
    }
    return r;
}

namespace {

// Deeper than this, a file is no snippet file (and reading it would cost for nothing).
constexpr int kProfundidad = 64;
struct Hondo {};

QString Q(const std::string &s) { return codificacion::DeUtf8(QByteArrayView(s.data(), qsizetype(s.size()))); }
std::string S(const QString &s) { return s.toStdString(); }

// A text, or a list of texts joined by line breaks (the two forms `body` and `description` take).
bool Texto(const json &v, QString &texto) {
    if (v.is_string()) {
        texto = Q(v.get<std::string>());
        return true;
    }
    if (!v.is_array())
        return false;
    QStringList lineas;
    for (const json &l : v) {
        if (!l.is_string())
            return false;
        lineas.append(Q(l.get<std::string>()));
    }
    texto = lineas.join(QLatin1Char('\n'));
    return true;
}

// The top level of the file, entry by entry and in order, a key written twice included (a JSON
// object would keep one). Inner keys written twice go to `repetidas`.
struct Entrada {
    QString clave;
    json valor;
    QStringList repetidas;
};
bool Entradas(const QByteArray &limpio, QVector<Entrada> &entradas, QString *error) {
    using E = json::parse_event_t;
    bool objeto = false;
    std::string clave;
    std::set<std::string> dentro;
    QStringList repetidas;
    const auto oir = [&](int hondo, E e, json &v) {
        if (hondo > kProfundidad)
            throw Hondo{};
        if (hondo == 0 && e == E::object_start)
            objeto = true;
        if (!objeto || hondo == 0)
            return true;
        if (hondo == 1 && e == E::key) {
            clave = v.get<std::string>();
            dentro.clear();
            repetidas.clear();
        } else if (hondo == 2 && e == E::key && !dentro.insert(v.get<std::string>()).second) {
            repetidas << Q(v.get<std::string>());
        } else if (hondo == 1 && (e == E::value || e == E::object_end || e == E::array_end)) {
            entradas.append({Q(clave), std::move(v), repetidas});
            return false; // kept here, not in the object
        }
        return true;
    };
    try {
        const json todo = json::parse(limpio.cbegin(), limpio.cend(), oir);
        if (!todo.is_object()) {
            qCWarning(lcArchivos) << "Archivo de fragmentos sin un objeto de fragmentos";
            if (error)
                *error = QStringLiteral("no contiene fragmentos");
            return false;
        }
    } catch (const json::parse_error &e) {
        qCWarning(lcArchivos) << "Archivo de fragmentos que no es JSON:" << e.what();
        if (error)
            *error = QStringLiteral("no es JSON válido (byte %1)").arg(qulonglong(e.byte));
        return false;
    } catch (const json::exception &e) {
        // A number no double holds, and the like.
        qCWarning(lcArchivos) << "Archivo de fragmentos que no se puede leer:" << e.what();
        if (error)
            *error = QStringLiteral("no es JSON válido (%1)").arg(QString::fromUtf8(e.what()));
        return false;
    } catch (const Hondo &) {
        qCWarning(lcArchivos) << "Archivo de fragmentos anidado más de" << kProfundidad << "niveles";
        if (error)
            *error = QStringLiteral("anida más de %1 niveles").arg(kProfundidad);
        return false;
    }
    return true;
}

// What this program wrote beside a snippet: its score, its name, its fields' names.
void Propio(const json &o, Fragmento &f) {
    const auto p = o.find("rutinero");
    if (p == o.end() || !p->is_object())
        return;
    static const QRegularExpression cifras(QStringLiteral("^[0-9]{0,9}$"));
    if (const auto v = p->find("puntaje"); v != p->end() && v->is_string() && cifras.match(Q(*v)).hasMatch())
        f.puntaje = Q(*v);
    if (const auto v = p->find("nombre"); v != p->end() && v->is_string())
        f.nombrePropio = Q(*v);
    if (const auto v = p->find("valores"); v != p->end() && v->is_array())
        for (const json &n : *v)
            if (n.is_number_integer() && n.get<qint64>() > 0 && n.get<qint64>() <= INT_MAX)
                f.valores.append(int(n.get<qint64>()));
    if (const auto v = p->find("campos"); v != p->end() && v->is_object())
        for (auto it = v->begin(); it != v->end(); ++it) {
            bool ok = false;
            const int n = Q(it.key()).toInt(&ok);
            if (ok && n > 0 && it.value().is_string())
                f.campos.insert(n, Q(it.value()));
        }
}

// One entry as a snippet, or under the heading of what is wrong with it.
void Leer(const Entrada &e, Lectura &l) {
    Fragmento f;
    f.nombre = e.clave;
    if (!e.valor.is_object()) {
        l.noFragmentos << QStringLiteral("%1: no es un objeto").arg(f.nombre);
        return;
    }
    const json &o = e.valor;
    for (const QString &r : e.repetidas)
        l.repetidos << QStringLiteral("%1: «%2»").arg(f.nombre, r);
    const auto cuerpo = o.find("body");
    if (cuerpo == o.end()) {
        l.sinCuerpo << f.nombre;
        return;
    }
    if (!Texto(*cuerpo, f.cuerpo)) {
        l.cuerpoRaro << f.nombre;
        return;
    }
    if (const auto d = o.find("description"); d != o.end() && !d->is_null()) {
        if (!Texto(*d, f.descripcion)) {
            l.noFragmentos << QStringLiteral("%1: la descripción no es un texto").arg(f.nombre);
            return;
        }
        // A script's description is one line: the lines of a list come joined.
        if (d->is_array())
            f.descripcion.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    if (const auto p = o.find("prefix"); p != o.end() && !p->is_null()) {
        QString uno;
        if (p->is_string())
            f.prefijos << Q(*p);
        else if (!p->is_array() || !Texto(*p, uno) || p->empty()) {
            l.noFragmentos << QStringLiteral("%1: el prefijo no es un texto ni una lista de textos").arg(f.nombre);
            return;
        } else {
            for (const json &x : *p)
                f.prefijos << Q(x);
        }
    }
    if (const auto a = o.find("scope"); a != o.end() && !a->is_null()) {
        if (!a->is_string()) {
            l.noFragmentos << QStringLiteral("%1: el ámbito («scope») no es un texto").arg(f.nombre);
            return;
        }
        f.alcance = Q(*a);
    }
    Propio(o, f);
    l.fragmentos.append(f);
}

} // namespace

bool Leer(const QByteArray &datos, Lectura &lectura, QString *error) {
    lectura = Lectura();
    QString motivo;
    const QByteArray limpio = SinComentarios(datos, &motivo);
    if (!motivo.isEmpty()) {
        if (error)
            *error = motivo;
        return false;
    }
    QVector<Entrada> entradas;
    if (!Entradas(limpio, entradas, error))
        return false;
    QHash<QString, int> veces;
    for (const Entrada &e : std::as_const(entradas))
        if (++veces[e.clave] == 2)
            lectura.repetidos << e.clave;
    for (const Entrada &e : std::as_const(entradas))
        Leer(e, lectura);
    return true;
}

QString PorQueNoCabe(const QString &nombre, const QString &descripcion, const QString &codigo) {
    if (nombre.trimmed().isEmpty())
        return QStringLiteral("no tiene nombre");
    const auto fueraDeLinea = [](const QString &t) {
        for (QChar c : t)
            if (c.unicode() < 32 || c == QLatin1Char('"'))
                return true;
        return false;
    };
    if (fueraDeLinea(nombre))
        return QStringLiteral("el nombre tiene comillas o saltos de línea");
    if (fueraDeLinea(descripcion))
        return QStringLiteral("la descripción (o su prefijo o su ámbito) tiene comillas o saltos de línea");
    // The file holds each double quote of the code as this very text: one already there would come
    // back as a quote.
    if (codigo.contains(mdlScripts::kTokenComilla))
        return QStringLiteral("el código contiene el texto %1").arg(mdlScripts::kTokenComilla);
    return QString();
}

namespace {
// One snippet as a script of `categoria`, its code as the editor shows it; what could not be kept as
// it was goes to *cambios.
Script AScript(const Fragmento &f, const QString &categoria, QStringList *cambios) {
    const traduccion::Campos c = traduccion::ACampos(gramatica::Analizar(f.cuerpo), f.campos, f.valores);
    // The category file keeps CR LF between lines; a lone CR of another system is a line end too.
    QString codigo = c.codigo;
    codigo.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString nombre = f.nombrePropio.isEmpty() ? f.nombre : f.nombrePropio;
    Nota nota;
    // Only what an export would not write again by itself. A scope of one language the program knows
    // becomes its tag, one it knows not stays in the note as written.
    QString descripcion = f.descripcion;
    if (!f.prefijos.isEmpty() && f.prefijos != QStringList{Prefijo(nombre)})
        nota.prefijos = f.prefijos;
    const lenguaje::Lenguaje delAlcance = lenguaje::DeAlcance(f.alcance);
    if (!f.alcance.isEmpty() && f.alcance != lenguaje::Alcance(lenguaje::Elegir(descripcion, codigo, categoria))) {
        if (delAlcance != lenguaje::Lenguaje::Ninguno && f.alcance.trimmed() == lenguaje::Alcance(delAlcance))
            descripcion = lenguaje::ConLenguaje(descripcion, delAlcance);
        else
            nota.ambito = f.alcance;
    }
    if (c.ordenPropio)
        nota.orden = c.orden;
    if (cambios)
        for (const QString &n : c.notas)
            cambios->append(nombre + QStringLiteral(": ") + n);
    return Script{nombre, ConNota(descripcion, nota), codigo, f.puntaje};
}
} // namespace

bool Importar(const QByteArray &datos, Importacion &importacion, QString *error, const QString &categoria) {
    importacion = Importacion();
    Lectura lectura;
    if (!Leer(datos, lectura, error))
        return false;
    importacion.repetidos = lectura.repetidos;
    importacion.sinCuerpo = lectura.sinCuerpo;
    importacion.cuerpoRaro = lectura.cuerpoRaro;
    importacion.noFragmentos = lectura.noFragmentos;
    QString todo;
    for (const Fragmento &f : std::as_const(lectura.fragmentos)) {
        QStringList cambios;
        Script s = AScript(f, categoria, &cambios);
        const QString motivo = PorQueNoCabe(s.Nombre, s.Descripcion, s.Codigo);
        if (!motivo.isEmpty()) {
            importacion.rechazados.append(s.Nombre + QStringLiteral(": ") + motivo);
            continue;
        }
        importacion.cambiados += cambios;
        todo += s.Nombre + s.Descripcion + s.Codigo;
        s.Codigo = etiquetas::AAlmacen(s.Codigo);
        importacion.scripts.append(s);
    }
    // What Windows-1252 has not (an emoji, Greek) makes the category UTF-8, as the program writes it.
    if (!cp1252::NoRepresentables(todo).isEmpty())
        importacion.tipo = codificacion::Tipo::Utf8;
    const int avisos = int(importacion.rechazados.size() + importacion.repetidos.size() + importacion.sinCuerpo.size() +
                           importacion.cuerpoRaro.size() + importacion.noFragmentos.size());
    if (avisos > 0)
        qCWarning(lcArchivos) << "Archivo de fragmentos con" << avisos << "entradas que no se importan como son";
    return true;
}

bool EsArchivoDeFragmentos(const QString &archivo) {
    return archivo.endsWith(QLatin1String(".code-snippets"), Qt::CaseInsensitive) ||
           archivo.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

QString Prefijo(const QString &nombre) {
    const QString descompuesto = nombre.normalized(QString::NormalizationForm_D);
    QString r;
    bool guion = false;
    for (QChar c : descompuesto) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c.isLetterOrNumber()) {
            if (guion && !r.isEmpty())
                r.append(QLatin1Char('-'));
            guion = false;
            r.append(c.toLower());
        } else {
            guion = true;
        }
    }
    return r.isEmpty() ? QStringLiteral("rutinero") : r;
}

namespace {
// Writes JSON laid out as the library's dump(2) lays it out, without building the tree first (at a
// whole library that tree cost more than all the rest); the library still spells every string.
class Escritor {
public:
    Escritor(std::string &r, int nivel) : r_(r), nivel_(nivel) {}
    void Abrir(char c) {
        r_ += c;
        vacios_.push_back(true);
    }
    void Cerrar(char c) {
        const bool vacio = vacios_.back();
        vacios_.pop_back();
        if (!vacio) {
            r_ += '\n';
            Sangria();
        }
        r_ += c;
    }
    void Clave(const char *clave) {
        Siguiente();
        r_ += '"';
        r_ += clave;
        r_ += "\": ";
    }
    void Elemento() { Siguiente(); }
    void Cadena(QStringView s) {
        // ASCII is escaped here as the library escapes it, byte for byte (most code is ASCII, and
        // the library's way costs a copy and a check of every byte); anything else goes through it.
        const bool ascii = std::all_of(s.begin(), s.end(), [](QChar c) {
            return (c.unicode() >= 0x20 && c.unicode() < 0x7f) || c == QLatin1Char('\t');
        });
        if (!ascii) {
            r_ += json(S(s.toString())).dump(-1, ' ', false, json::error_handler_t::replace);
            return;
        }
        r_ += '"';
        for (QChar c : s) {
            const char b = char(c.unicode());
            if (b == '"' || b == '\\')
                r_ += '\\';
            else if (b == '\t') {
                r_ += "\\t";
                continue;
            }
            r_ += b;
        }
        r_ += '"';
    }
    void Numero(int n) { r_ += std::to_string(n); }

private:
    void Siguiente() {
        if (!vacios_.back())
            r_ += ',';
        vacios_.back() = false;
        r_ += '\n';
        Sangria();
    }
    void Sangria() { r_.append(size_t(2 * (nivel_ + int(vacios_.size()))), ' '); }
    std::string &r_;
    const int nivel_;
    std::vector<bool> vacios_;
};

// One snippet of a category, its key already unique, as the value of that key one level in.
void Entrada(Escritor &e, const Script &s, const QString &clave, const QString &categoria) {
    Nota nota;
    const QString descripcion = SinNota(s.Descripcion, &nota);
    const QString codigo = etiquetas::AEditor(s.Codigo);
    const traduccion::Fragmento f = traduccion::AFragmento(codigo, {true, nota.orden});
    e.Abrir('{');
    const QStringList prefijos = nota.prefijos.isEmpty() ? QStringList{Prefijo(s.Nombre)} : nota.prefijos;
    e.Clave("prefix");
    if (prefijos.size() == 1) {
        e.Cadena(prefijos.first());
    } else {
        e.Abrir('[');
        for (const QString &p : prefijos) {
            e.Elemento();
            e.Cadena(p);
        }
        e.Cerrar(']');
    }
    e.Clave("body");
    e.Abrir('[');
    for (const QStringView linea : QStringTokenizer(f.cuerpo, QLatin1Char('\n'))) {
        e.Elemento();
        e.Cadena(linea);
    }
    e.Cerrar(']');
    e.Clave("description");
    e.Cadena(descripcion);
    const QString alcance =
        nota.ambito.isEmpty() ? lenguaje::Alcance(lenguaje::Elegir(descripcion, codigo, categoria)) : nota.ambito;
    if (!alcance.isEmpty()) {
        e.Clave("scope");
        e.Cadena(alcance);
    }
    // What the editor has no place for, read back by an import.
    e.Clave("rutinero");
    e.Abrir('{');
    e.Clave("puntaje");
    e.Cadena(s.Puntaje);
    if (clave != s.Nombre) {
        e.Clave("nombre");
        e.Cadena(s.Nombre);
    }
    if (!f.valores.isEmpty()) {
        e.Clave("valores");
        e.Abrir('[');
        for (int n : f.valores) {
            e.Elemento();
            e.Numero(n);
        }
        e.Cerrar(']');
    }
    if (!f.nombres.isEmpty()) {
        e.Clave("campos");
        e.Abrir('{');
        for (auto it = f.nombres.cbegin(); it != f.nombres.cend(); ++it) {
            e.Clave(std::to_string(it.key()).c_str());
            e.Cadena(it.value());
        }
        e.Cerrar('}');
    }
    e.Cerrar('}');
    e.Cerrar('}');
}
} // namespace

QByteArray CodeSnippets(const QVector<Script> &scripts, const QString &categoria) {
    if (scripts.isEmpty())
        return QByteArrayLiteral("{}\n");
    std::vector<QString> claves;
    claves.reserve(size_t(scripts.size()));
    QSet<QString> usados;
    for (const Script &s : scripts) {
        QString clave = s.Nombre;
        for (int n = 2; usados.contains(clave); ++n)
            clave = QStringLiteral("%1 (%2)").arg(s.Nombre).arg(n);
        usados.insert(clave);
        claves.push_back(clave);
    }
    // Each snippet composed on its own, on every core, as a member of the top object: its key and
    // its value one level in.
    std::vector<std::string> partes(claves.size());
    hilos::EnParalelo(int(scripts.size()), [&](int i) {
        std::string &r = partes[size_t(i)];
        r.reserve(size_t(scripts[i].Codigo.size() + scripts[i].Descripcion.size()) + 256);
        Escritor e(r, 1);
        r = "  ";
        e.Cadena(claves[size_t(i)]);
        r += ": ";
        Entrada(e, scripts[i], claves[size_t(i)], categoria);
    });
    qsizetype largo = 4;
    for (const std::string &p : partes)
        largo += qsizetype(p.size()) + 2;
    QByteArray r;
    r.reserve(largo);
    r += "{\n";
    for (size_t i = 0; i < partes.size(); ++i) {
        r += QByteArrayView(partes[i].data(), qsizetype(partes[i].size()));
        r += i + 1 < partes.size() ? ",\n" : "\n";
    }
    r += "}\n";
    return r;
}

} // namespace editores
