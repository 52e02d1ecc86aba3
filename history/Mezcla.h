#pragma once
#include "format/mdlScripts.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

// Category files compared and merged by script, never by line: a category is a list of records, and
// two people who change different scripts of it have not changed the same thing.
namespace mezcla {

// A category file's records, with the code left in the file's bytes: comparing and merging big
// categories then neither decodes nor copies their code.
class Registros {
public:
    Registros() = default;
    explicit Registros(const QByteArray &datos);
    int size() const { return int(scripts_.size()); }
    const QString &nombre(int i) const { return scripts_[i].Nombre; }
    // The code as UTF-8 bytes, whatever the file's encoding: records of a UTF-8 and of a
    // Windows-1252 file compare by their text. ASCII code, almost all code, is the file's own bytes.
    QByteArrayView codigo(int i) const;
    codificacion::Tipo codificacion() const { return tipo_; }
    bool igual(int i, const Registros &otro, int j) const;
    // The same description, code and score, whatever the names.
    bool mismoTexto(int i, const Registros &otro, int j) const;
    size_t hash(int i) const;
    // A digest of the record's four fields, to look it up among many read earlier.
    QByteArray huella(int i) const;
    // Appends record i in the file's format and the given encoding, under another name when one is given.
    void agregarA(QByteArray &salida, int i, const QString &otroNombre = QString(),
                  codificacion::Tipo tipo = codificacion::Tipo::Cp1252) const;
    Script completo(int i) const;
    // The same records without their bytes: the names and a digest of each record, enough for
    // Comparar against a later version at a small part of the memory. Nothing else reads them.
    Registros ligeros() const;
    // Light records as bytes to keep on disk, tied to `clave` (what they describe), and read back:
    // nothing when the bytes are not whole, are of another key, or were digested by another build's
    // hash, so a damaged or foreign file is never believed.
    QByteArray guardable(const QByteArray &clave) const;
    static std::optional<Registros> DeGuardado(const QByteArray &datos, const QByteArray &clave);

private:
    // Two independent 64-bit digests of the description, score and code.
    std::pair<size_t, size_t> texto(int i) const;

    bool ligero_ = false;
    QVector<size_t> hashes_;                      // when light: hash(i) of the full record
    QVector<std::pair<size_t, size_t>> textos_; // when light: texto(i) of the full record
    QByteArray datos_;
    QVector<Script> scripts_;
    QVector<mdlScripts::Tramo> tramos_;
    QVector<QByteArray> codificados_; // the code of records not kept as the file's UTF-8 or ASCII bytes
    codificacion::Tipo tipo_ = codificacion::Tipo::Cp1252;
};

// For each record of `base`, the record of `lado` that is the same script, or -1 when the side no
// longer has it. A record with the same four fields is the same script; of the rest, records with
// the same name pair up in order (the k-th left of a name with the k-th).
QVector<int> Emparejar(const Registros &base, const Registros &lado);

struct Cambios {
    int agregados = 0;
    int modificados = 0;
    int eliminados = 0;
    bool reordenados = false;
};
Cambios Comparar(const Registros &antes, const Registros &despues);
// "2 scripts agregados, 1 modificado"; "scripts reordenados"; empty when nothing changed.
QString Describir(const Cambios &c);
// The part of a version's message for a category file that changed: "Menus: 1 script modificado".
QString Modificada(const QString &archivo, const Registros &antes, const Registros &despues);

// A file as it was in the last version and as it is now; no value when absent.
struct CambioArchivo {
    QString archivo; // relative to Categorias: "Menus.rtn"
    std::optional<QByteArray> antes;
    std::optional<QByteArray> despues;
};
// What a set of written files changed, by category, in one line:
// "Menus: 2 scripts agregados, 1 modificado; Ajax: categoría nueva con 3 scripts". Empty when
// nothing changed.
QString Mensaje(const QVector<CambioArchivo> &cambios);
// The same, one entry per category.
QStringList Resumen(const QVector<CambioArchivo> &cambios);

// The name given to the other side's version of a script changed on both sides.
QString NombreCopia(const QString &nombre, const QSet<QString> &usados);
// The name a copy was made from: "a (otra copia 2)" -> "a".
QString NombreOriginal(QString nombre);

struct MezclaCategoria {
    QByteArray datos;
    QStringList copias;      // names of the scripts changed on both sides (their copy is beside them)
    QStringList comoCopia;   // the name each of their copies got, in the same order
    int conservados = 0;     // scripts deleted on one side and changed on the other: kept
};
// Three-way merge of one category. The result holds our records in our order, with their changes
// applied; what only they added follows the record it followed on their side. A script changed on
// both sides is kept twice, theirs as "Nombre (otra copia)"; a script deleted on one side and
// changed on the other is kept. Nothing of either side is lost, and nothing is kept twice: a copy
// with the same text as a script of ours of that name (or of a copy of it) is not made.
MezclaCategoria Mezclar(const Registros &base, const Registros &nuestros, const Registros &suyos);

// Everything one side's history ever held: each category file by name and contents, and each record.
struct Historia {
    QSet<QByteArray> archivos; // Clave(archivo, id)
    QSet<QByteArray> registros; // Registros::huella
    static QByteArray Clave(const QString &archivo, const QByteArray &id) { return archivo.toUtf8() + '\0' + id; }
    // A version of a category file; false when it was seen already (its records are then known).
    bool agregarArchivo(const QString &archivo, const QByteArray &id);
    void agregarRegistros(const QByteArray &datos);
};
// The common version of a category that two sides with no common history have both: what one side
// has now and the other had once is older than the other's, so only the other changed it. A script
// changed on both, or that neither ever had as the other has it, has none.
QByteArray BaseSinHistoria(const Registros &nuestros, const Registros &suyos, const Historia &nuestra,
                           const Historia &suya);

// The same category under another name: the same bytes, or at least half of the records the same.
bool Parecidas(const Registros &a, const Registros &b);

// A folder of files by name, each with an id of its contents (equal ids, equal bytes).
using Arbol = QMap<QString, QByteArray>;
enum class Lado { Base, Nuestro, Suyo };
using Lector = std::function<QByteArray(Lado, const QString &archivo)>;

struct ResultadoArchivo {
    std::optional<QByteArray> datos; // no value: the file goes
    QStringList copias;
    QStringList comoCopia;
    int conservados = 0;
    QString renombradaDesde; // the changes of one side to this name were made under that name
    bool renombradaAlli = false; // they renamed it (our changes follow), or else we did (theirs follow)
    bool conservada = false; // we deleted it and they changed it: it comes back
};
// Merges two sides' folders against their common one. Only files whose result differs from ours
// are given. A renamed category (gone under one name, come under another with much the same
// records) takes the other side's changes made under its old name.
// Two sides with no common history have an empty base and give their histories: then a category
// one side has as the other once had it was left (deleted or renamed) by the other, and each
// category both have is merged against BaseSinHistoria.
QMap<QString, ResultadoArchivo> MezclarArboles(const Arbol &base, const Arbol &nuestro, const Arbol &suyo,
                                               const Lector &leer, const Historia *nuestra = nullptr,
                                               const Historia *suya = nullptr);

// A script a merge kept twice: its name, and the name its other version got.
struct Copia {
    QString archivo; // the category file it is in: "Menus.rtn"
    QString script;
    QString copia;
    bool operator==(const Copia &o) const { return archivo == o.archivo && script == o.script && copia == o.copia; }
};
QVector<Copia> Copias(const QMap<QString, ResultadoArchivo> &mezcla);
// A merge's message ends with one line per script it kept twice ("Rutinero-Copia: " and the three
// names, each percent-encoded), so that the machine that receives the merge can tell its user.
inline constexpr char kMarcaCopia[] = "Rutinero-Copia";
QString Marcas(const QVector<Copia> &copias);
std::optional<Copia> LeerMarca(const QString &valor);
// The message without those lines, for people.
QString SinMarcas(const QString &mensaje);

// "Menus.rtn" -> "Menus"
QString Categoria(const QString &archivo);

} // namespace mezcla
