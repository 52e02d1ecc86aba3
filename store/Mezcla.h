#pragma once
#include "store/mdlScripts.h"

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
    // The code as the file stores it.
    QByteArrayView codigo(int i) const;
    bool igual(int i, const Registros &otro, int j) const;
    size_t hash(int i) const;
    // Appends record i in the file's format, under another name when one is given.
    void agregarA(QByteArray &salida, int i, const QString &otroNombre = QString()) const;
    Script completo(int i) const;

private:
    QByteArray datos_;
    QVector<Script> scripts_;
    QVector<mdlScripts::Tramo> tramos_;
    QVector<QByteArray> codificados_; // the code of records it was decoded for (unquoted fields)
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

struct MezclaCategoria {
    QByteArray datos;
    QStringList copias;  // names of the scripts changed on both sides (their copy is beside them)
    int conservados = 0; // scripts deleted on one side and changed on the other: kept
};
// Three-way merge of one category. The result holds our records in our order, with their changes
// applied; what only they added follows the record it followed on their side. A script changed on
// both sides is kept twice, theirs as "Nombre (otra copia)"; a script deleted on one side and
// changed on the other is kept. Nothing of either side is lost.
MezclaCategoria Mezclar(const Registros &base, const Registros &nuestros, const Registros &suyos);

// The same category under another name: the same bytes, or at least half of the records the same.
bool Parecidas(const Registros &a, const Registros &b);

// A folder of files by name, each with an id of its contents (equal ids, equal bytes).
using Arbol = QMap<QString, QByteArray>;
enum class Lado { Base, Nuestro, Suyo };
using Lector = std::function<QByteArray(Lado, const QString &archivo)>;

struct ResultadoArchivo {
    std::optional<QByteArray> datos; // no value: the file goes
    QStringList copias;
    int conservados = 0;
    QString renombradaDesde; // their changes to this name were made under that name
    bool conservada = false; // we deleted it and they changed it: it comes back
};
// Merges two sides' folders against their common one. Only files whose result differs from ours
// are given. A renamed category (gone under one name, come under another with much the same
// records) takes the other side's changes made under its old name.
QMap<QString, ResultadoArchivo> MezclarArboles(const Arbol &base, const Arbol &nuestro, const Arbol &suyo,
                                               const Lector &leer);

// "Menus.rtn" -> "Menus"
QString Categoria(const QString &archivo);

} // namespace mezcla
