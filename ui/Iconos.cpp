#include "ui/Iconos.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon IconoCorreo() {
    QIcon icono;
    for (int n : {16, 24, 32, 48, 64}) {
        QPixmap p(n, n);
        p.fill(Qt::transparent);
        QPainter g(&p);
        g.setRenderHint(QPainter::Antialiasing);
        const qreal m = n / 16.0; // one sixteenth of the image
        const QRectF sobre(m * 1, m * 3.5, m * 14, m * 9);
        QPen borde(QColor(60, 80, 120));
        borde.setWidthF(qMax(1.0, m * 0.9));
        borde.setJoinStyle(Qt::RoundJoin);
        g.setPen(borde);
        g.setBrush(QColor(250, 248, 235));
        g.drawRoundedRect(sobre, m * 0.8, m * 0.8);
        QPainterPath solapa;
        solapa.moveTo(sobre.topLeft() + QPointF(m * 0.5, m * 0.5));
        solapa.lineTo(sobre.center().x(), sobre.top() + sobre.height() * 0.58);
        solapa.lineTo(sobre.topRight() + QPointF(-m * 0.5, m * 0.5));
        g.setBrush(Qt::NoBrush);
        g.drawPath(solapa);
        g.end();
        icono.addPixmap(p);
    }
    return icono;
}
