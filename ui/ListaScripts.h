#pragma once
#include "format/mdlScripts.h"

#include <QCollatorSortKey>
#include <QTreeWidget>
#include <QVector>
#include <optional>

// A row of a list of scripts that is not the open category (a version of the history, a move's
// destination): text = Nombre, sub-items 1..3 = Descripcion, Codigo, Puntaje.
// Sorting by name follows the Spanish order (herramientas::ClaveOrden); other columns compare without
// regard to letter case.
// The row holds its script's fields itself, shared with the parsed records, instead of in the base
// item's per-role tables: opening tens of thousands of rows then costs two allocations per row, not
// eight, and closing frees as few. A row read from a file may keep its code as the file's bytes
// (shared by all rows of that file) and decode it only when asked.
class ItemScript : public QTreeWidgetItem {
public:
    explicit ItemScript(const Script &s);
    ItemScript(const Script &s, const QByteArray &archivo, mdlScripts::Tramo codigo);
    bool operator<(const QTreeWidgetItem &otro) const override;
    // What is shown of a very long name or description is cut: laying out megabytes of text for one
    // row would freeze the window. The stored field stays whole (vista::Campo).
    QVariant data(int columna, int rol) const override;
    void setData(int columna, int rol, const QVariant &valor) override;
    QString campo(int columna) const;
    // The code as the file's bytes it was read from, or null once it is held as text.
    QByteArrayView codigoCrudo() const;
    // The encoding of those bytes.
    codificacion::Tipo codificacionCruda() const;
    // The name folded once, so that sorting compares plain text: a case-blind comparison folds every
    // letter on every call, and sorting a big category makes half a million of them.
    QStringView clave() const { return clave_.isNull() ? QStringView(corta_, largoCorta_) : QStringView(clave_); }
    // The name's sort key, made when first needed or handed over by a batch that made it already.
    const QCollatorSortKey &claveOrden() const;
    // A batch sorted its rows already: each keeps its key and its place in that batch, and two rows
    // of one batch compare by place, without reaching for their keys.
    void setOrden(QCollatorSortKey clave, quint32 tanda, quint32 puesto) {
        orden_.emplace(std::move(clave));
        tanda_ = tanda;
        puesto_ = puesto;
    }

private:
    void plegarNombre();

    QString campos_[mdlScripts::kCampos];
    // A short folded name is kept inside the row itself: searching and sorting read every row's
    // name, and one more heap block per row, scattered, costs a cache miss each.
    static constexpr int kCorta = 48;
    char16_t corta_[kCorta];
    quint8 largoCorta_ = 0;
    QString clave_; // the folded name when it is longer than kCorta
    mutable std::optional<QCollatorSortKey> orden_;
    quint32 tanda_ = 0, puesto_ = 0; // 0: in no sorted batch
    QByteArray archivo_;
    mdlScripts::Tramo codigo_;
};

namespace vista {
enum Columna { ColNombre = 0, ColDescripcion = 1, ColCodigo = 2, ColPuntaje = 3 };
QTreeWidgetItem *NuevoItem(const Script &s);
// What a row shows of a field: a very long one is cut, since laying out megabytes for one row would
// freeze the window.
QString Mostrado(const QString &campo);
// A field as stored, whole; item->text() gives what the row shows.
QString Campo(const QTreeWidgetItem *item, int columna);
// A script row's name folded (herramientas::Plegar), as it sorts and is searched.
QStringView Clave(const QTreeWidgetItem *item);
Script ScriptDe(const QTreeWidgetItem *item);
// Appends all rows in one batch: no repaint per row, and sorting (if on) applied once at the end.
void Anexar(QTreeWidget *lista, const QVector<Script> &scripts);
// The same for records whose code was left in the file's bytes (mdlScripts::Analizar).
void Anexar(QTreeWidget *lista, const QVector<Script> &scripts, const QByteArray &archivo,
            const QVector<mdlScripts::Tramo> &codigos);
// Keeps the list sorted by name, ascending without regard to case, or leaves the rows as they are.
// One sort, and the headers do not re-sort by another column when clicked.
void Ordenar(QTreeWidget *lista, bool ordenar);
// Sets up the four columns "Nombre", "Descripción", "Código" (always 0 wide) and "P".
void PrepararColumnas(QTreeWidget *lista);
} // namespace vista
