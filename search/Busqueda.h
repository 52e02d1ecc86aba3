#pragma once
#include "format/Rotulos.h"
#include "format/mdlScripts.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <vector>

// Search over every category of the library: names, descriptions and code, without regard to case or
// accents. These are the rules of a match and of the order of the results, and the search that reads
// every category file; the index (IndiceBiblioteca) answers the same faster.
namespace biblioteca {

// The text with case and accents folded away, one UTF-16 unit for each unit of the text, so that a
// place found in the folded text is the same place in the original.
QString Plegar(QStringView texto);
// The words of a query, folded, without repeats. A script matches when every word is part of one of
// its fields (any part of a word: "bounc" is in "debounce"), and every tag term ("#css", kept as
// '#' and the name) is one of its description's tags.
QStringList Palabras(const QString &consulta);
// Whether a word of Palabras is a tag term.
inline bool EsEtiqueta(QStringView palabra) { return rotulos::EsTermino(palabra); }
// Whether a folded description holds a word of Palabras that is a tag term.
inline bool TieneEtiqueta(QStringView descripcion, QStringView palabra) {
    return rotulos::Tiene(descripcion, palabra.mid(1));
}

struct Marca {
    int inicio = 0;
    int largo = 0;
    bool operator==(const Marca &o) const { return inicio == o.inicio && largo == o.largo; }
};
// Where the words are in a folded text, overlapping finds joined, in order.
QVector<Marca> Marcas(QStringView plegado, const QStringList &palabras);

struct Hallazgo {
    QString categoria;
    int posicion = 0; // record number in the category file, from 0
    QString nombre;
    QString descripcion;
    QString codigo; // as the editor shows it: real double quotes, \n between lines
    // The first line of the code that holds a word, cut around it when long, or empty.
    QString linea;
    QVector<Marca> enNombre, enDescripcion, enLinea;
    bool sinGuardar = false; // found among the open category's unsaved scripts, not in its file
    QString puntaje;         // the score of such a script, which its file does not hold
};
// Fills the line and the marks of a found script.
void Adornar(Hallazgo &h, const QStringList &palabras);

// A tag of the library and how many scripts carry it.
struct Etiqueta {
    QString nombre; // as first met, without the '#'
    int scripts = 0;
    bool operator==(const Etiqueta &o) const { return nombre == o.nombre && scripts == o.scripts; }
};
// Counts the tags of one script's description, each once, by its folded name.
class CuentaEtiquetas {
public:
    void Contar(QStringView descripcion);
    // The most used first, then by name without regard to case.
    QVector<Etiqueta> Lista() const;

private:
    QHash<QString, Etiqueta> cuentas_;
};

struct Respuesta {
    QVector<Hallazgo> hallazgos; // best first, at most the limit asked for
    QVector<Etiqueta> etiquetas; // when the library's tags were asked for
    int total = 0;               // every script that matches
    bool contando = false;       // the results are final, the total only what was seen so far
    bool interrumpida = false;   // given up for a newer query: means nothing
    QStringList ilegibles;       // categories whose file could not be read: not searched
    QString aviso;               // why the answer is slower or partial, for the user; empty when all is well
};

// How a match ranks: more words in the name first, then more in the description, then by category
// and by place in the file.
struct Clave {
    int enNombre = 0;
    int enDescripcion = 0;
    int categoria = 0; // the category's place among all, by name
    int posicion = 0;
};
bool Antes(const Clave &a, const Clave &b);
// The order of categories in results: by name without regard to case.
bool CategoriaAntes(const QString &a, const QString &b);
// Each category's place in that order.
QMap<QString, int> OrdenCategorias(const QStringList &nombres);

// For a script whose fields are folded: false unless every word is in one of them; otherwise how
// many words are in the name and how many in the description. The code is asked for only when a word
// is in neither, since folding it costs most.
template <typename Codigo>
bool Coincide(const QStringList &palabras, QStringView nombre, QStringView descripcion, Codigo &&codigo,
              Clave &clave) {
    clave.enNombre = clave.enDescripcion = 0;
    for (const QString &p : palabras) {
        if (EsEtiqueta(p)) {
            if (!TieneEtiqueta(descripcion, p))
                return false;
            ++clave.enDescripcion;
            continue;
        }
        const bool n = nombre.contains(p), d = descripcion.contains(p);
        clave.enNombre += n;
        clave.enDescripcion += d;
        if (!n && !d && !codigo().contains(p))
            return false;
    }
    return true;
}

// Gathers matches: counts them all and keeps the best `limite` with what is needed to show them.
class Recolector {
public:
    explicit Recolector(int limite) : limite_(limite) {}
    int total() const { return total_; }
    bool entra(const Clave &c) const;
    // `hallazgo` is only called when the match is kept.
    template <typename Hacer> void Agregar(const Clave &c, Hacer &&hallazgo) {
        ++total_;
        if (entra(c))
            Guardar(c, hallazgo());
    }
    void Contar(int cuantos) { total_ += cuantos; }
    void Guardar(const Clave &c, Hallazgo h);
    // The kept matches, best first.
    std::vector<std::pair<Clave, Hallazgo>> Mejores();

private:
    int limite_;
    int total_ = 0;
    std::vector<std::pair<Clave, Hallazgo>> mejores_; // a heap with the worst on top
};

// Reads one category file and gathers its matches. False when the file cannot be read.
bool BuscarEnCategoria(const QString &ruta, const QString &nombre, int orden, const QStringList &palabras,
                       Recolector &r, const std::atomic<bool> *cancelar = nullptr);
// The same over scripts in memory, in their order.
void BuscarEnScripts(const QVector<Script> &scripts, const QString &nombre, int orden, const QStringList &palabras,
                     Recolector &r, const std::atomic<bool> *cancelar = nullptr);

// The open category while its scripts differ from its file: what the user sees is what is searched.
struct SinGuardar {
    QString categoria; // empty when nothing is pending
    QVector<Script> scripts;
};
// How many scripts of the category's file match: what an answer from the files or the index counted
// for it. 0 when the file cannot be read.
int CoincidenEnArchivo(const QString &carpeta, const QString &categoria, const QStringList &palabras);
// The answer as it is with the unsaved scripts in place of their category's file, which matched
// `enArchivo` times; they are marked. `r` was asked for `limite` + `enArchivo` results, so that the best
// `limite` of the other categories are in it whatever the file's matches were.
void Superponer(Respuesta &r, const SinGuardar &s, const QStringList &palabras, int limite, int enArchivo);
// The library's tags with the unsaved scripts counted in place of their category's file.
void SuperponerEtiquetas(Respuesta &r, const SinGuardar &s, const QString &carpeta);

// What a category file looked like when it was read.
struct Sello {
    qint64 tamano = -1;
    qint64 modificado = 0; // ms since the epoch
    bool operator==(const Sello &o) const { return tamano == o.tamano && modificado == o.modificado; }
    bool operator!=(const Sello &o) const { return !(*this == o); }
};
// The category files of a folder (name without ".rtn" -> how it looks now). Only files the program can
// open as a category count: "Menus.rtn" (or "Menus.RTN" where no "Menus.rtn" is), not "a.b.rtn".
QMap<QString, Sello> Archivos(const QString &carpeta);

// Counts the tags of a category file's scripts; false when it cannot be read.
bool ContarEnCategoria(const QString &ruta, CuentaEtiquetas &cuenta);
// The library's tags, read from every file (unreadable ones in `ilegibles`).
Respuesta EtiquetasEnArchivos(const QString &carpeta);

// The search that reads every file: the answer whenever there is no index, and its yardstick.
Respuesta BuscarEnArchivos(const QString &carpeta, const QString &consulta, int limite,
                           const std::atomic<bool> *cancelar = nullptr);

} // namespace biblioteca
