#pragma once
#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QTreeView>

#include "ui/ListaScripts.h"

class CategoriaAbierta;

// The open category's scripts as the list shows them: one row per script, the columns "Nombre",
// "Descripción", "Código" (kept hidden) and "P". It holds nothing itself; the document's signals
// come already in a model's terms.
class ModeloScripts : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeloScripts(CategoriaAbierta &documento, QObject *padre = nullptr);
    int rowCount(const QModelIndex &padre = {}) const override;
    int columnCount(const QModelIndex &padre = {}) const override;
    // Display gives what a row shows of a field (a very long one cut); Edit the field whole.
    QVariant data(const QModelIndex &indice, int rol = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &indice) const override;
    // A click on a header sorts the scripts themselves: the order is the one saved.
    void sort(int columna, Qt::SortOrder orden = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indices) const override;

private:
    CategoriaAbierta &d_;
};

// The main window's script list. The row commands act on is the current one; a drag carries an
// empty plain text (the move dialog works on the selected row); one row may carry the drop highlight,
// drawn apart from the selection.
class ListaScripts : public QTreeView {
    Q_OBJECT
public:
    explicit ListaScripts(CategoriaAbierta &documento, QWidget *padre = nullptr);
    int cantidad() const;
    // The current row, or -1.
    int filaActual() const;
    // The current row when the user sees it selected, or -1.
    int filaSeleccionada() const;
    // Makes the row current and selected, in view; -1 clears both.
    void Seleccionar(int fila, QAbstractItemView::ScrollHint donde = EnsureVisible);
    // After rows went around `fila`, the nearest one left.
    void SeleccionarCercana(int fila);
    int filaResaltada() const { return resaltado_.isValid() ? resaltado_.row() : -1; }
    void setResaltado(int fila);

signals:
    // The current row changed, or the script in it did.
    void actualCambiado();

protected:
    void startDrag(Qt::DropActions acciones) override;

private:
    ModeloScripts modelo_;
    QPersistentModelIndex resaltado_; // follows the row as others move, and dies with it
};
