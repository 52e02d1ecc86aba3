#include "ui/TextoCortado.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

bool DelegadoTextoCortado::helpEvent(QHelpEvent *evento, QAbstractItemView *vista, const QStyleOptionViewItem &opcion,
                                     const QModelIndex &indice) {
    if (!evento || !vista || evento->type() != QEvent::ToolTip || indice.data(Qt::ToolTipRole).isValid())
        return QStyledItemDelegate::helpEvent(evento, vista, opcion, indice);
    const QRect celda = vista->visualRect(indice);
    QStyleOptionViewItem o(opcion);
    initStyleOption(&o, indice);
    if (o.text.isEmpty() || sizeHint(o, indice).width() <= celda.width()) {
        QToolTip::hideText();
        return true; // nothing cut: no tooltip
    }
    QToolTip::showText(evento->globalPos(), o.text, vista->viewport(), celda);
    return true;
}
