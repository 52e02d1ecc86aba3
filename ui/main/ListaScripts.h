#pragma once
#include "store/mdlScripts.h"

#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <QVector>

// A row of a script list: text = Nombre, sub-items 1..3 = Descripcion, Codigo, Puntaje.
// Sorting compares the sorted column without regard to letter case.
class ItemScript : public QTreeWidgetItem {
public:
    explicit ItemScript(const Script &s);
    bool operator<(const QTreeWidgetItem &otro) const override;
    // What is shown of a very long name or description is cut: laying out megabytes of text for one
    // row would freeze the window. The stored field stays whole (vista::Campo).
    QVariant data(int columna, int rol) const override;
    void setData(int columna, int rol, const QVariant &valor) override;

private:
    // The name, kept beside the item's own copy (shared, so it costs no memory): sorting compares it
    // directly, without a virtual call and a QVariant per comparison.
    QString nombre_;
};

namespace vista {
enum Columna { ColNombre = 0, ColDescripcion = 1, ColCodigo = 2, ColPuntaje = 3 };
QTreeWidgetItem *NuevoItem(const Script &s);
// The row commands act on: the current one, or the first when none is (a list that holds scripts
// always has one selected for them). None for an empty list.
QTreeWidgetItem *Seleccionado(const QTreeWidget *lista);
// A field as stored, whole; item->text() gives what the row shows.
QString Campo(const QTreeWidgetItem *item, int columna);
Script ScriptDe(const QTreeWidgetItem *item);
QVector<Script> Scripts(const QTreeWidget *lista);
// Appends all rows in one batch: no repaint per row, and sorting (if on) applied once at the end.
void Anexar(QTreeWidget *lista, const QVector<Script> &scripts);
// Keeps the list sorted by name, ascending without regard to case, or leaves the rows as they are.
// One sort, and the headers do not re-sort by another column when clicked.
void Ordenar(QTreeWidget *lista, bool ordenar);
// Sets up the four columns "Nombre", "Descripción", "Código" (always 0 wide) and "P".
void PrepararColumnas(QTreeWidget *lista);
} // namespace vista

// The main window's script list. Drags carry an empty plain text; one row may carry the drop
// highlight, drawn apart from the selection.
class ListaScripts : public QTreeWidget {
    Q_OBJECT
public:
    explicit ListaScripts(QWidget *padre = nullptr);
    QTreeWidgetItem *resaltado() const { return resaltado_.isValid() ? itemFromIndex(resaltado_) : nullptr; }
    void setResaltado(QTreeWidgetItem *item);
    int filaResaltada() const { return resaltado_.isValid() ? resaltado_.row() : -1; }

protected:
    void startDrag(Qt::DropActions acciones) override;

private:
    QPersistentModelIndex resaltado_; // follows the row as others move, and dies with it
};
