#pragma once
#include <QStyledItemDelegate>

// Item delegate that shows a row's whole text as a tooltip when the column is too narrow for it: the
// panels have fixed widths, and a long category or option name would otherwise stay cut.
class DelegadoTextoCortado : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent *evento, QAbstractItemView *vista, const QStyleOptionViewItem &opcion,
                   const QModelIndex &indice) override;
};
