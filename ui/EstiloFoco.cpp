#include "ui/EstiloFoco.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QStyleOption>

void EstiloFoco::Instalar() {
    if (!qobject_cast<EstiloFoco *>(QApplication::style()))
        QApplication::setStyle(new EstiloFoco(QApplication::style()->name()));
}

QColor EstiloFoco::Color(const QPalette &paleta) {
    const QColor resalte = paleta.color(QPalette::Active, QPalette::Highlight);
    const QColor fondo = paleta.color(QPalette::Active, QPalette::Window);
    // Lightness apart by less than a quarter is lost against the window.
    return std::abs(resalte.lightnessF() - fondo.lightnessF()) >= 0.25 ? resalte
                                                                        : paleta.color(QPalette::Active, QPalette::WindowText);
}

void EstiloFoco::polish(QWidget *w) {
    QProxyStyle::polish(w);
    // A list repaints only its rows when the focus comes and goes: its frame is asked for here.
    if (qobject_cast<QAbstractItemView *>(w))
        w->installEventFilter(this);
}

void EstiloFoco::unpolish(QWidget *w) {
    if (qobject_cast<QAbstractItemView *>(w))
        w->removeEventFilter(this);
    QProxyStyle::unpolish(w);
}

bool EstiloFoco::eventFilter(QObject *objeto, QEvent *evento) {
    if (evento->type() == QEvent::FocusIn || evento->type() == QEvent::FocusOut)
        static_cast<QWidget *>(objeto)->update();
    return QProxyStyle::eventFilter(objeto, evento);
}

void EstiloFoco::drawControl(ControlElement elemento, const QStyleOption *opcion, QPainter *p, const QWidget *w) const {
    QProxyStyle::drawControl(elemento, opcion, p, w);
    const bool lista = elemento == CE_ShapedFrame && qobject_cast<const QAbstractItemView *>(w);
    const bool boton = elemento == CE_PushButton && qobject_cast<const QAbstractButton *>(w);
    if (!(lista || boton) || !(opcion->state & State_HasFocus) || !w->isEnabled())
        return;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(QPen(Color(opcion->palette), 2));
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRectF(opcion->rect).adjusted(1, 1, -1, -1));
    p->restore();
}
