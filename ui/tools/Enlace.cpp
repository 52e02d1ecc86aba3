#include "ui/tools/Enlace.h"

#include <QKeyEvent>
#include <QMouseEvent>

Enlace::Enlace(const QString &texto, QWidget *padre) : QLabel(texto, padre) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    // The caption is plain text: the address is what gets opened, never interpreted as markup.
    setTextFormat(Qt::PlainText);
    setAccessibleName(texto);
    setAccessibleDescription(QStringLiteral("Enlace"));
}

void Enlace::mouseReleaseEvent(QMouseEvent *evento) {
    if (evento->button() == Qt::LeftButton && rect().contains(evento->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(evento);
}

void Enlace::keyPressEvent(QKeyEvent *evento) {
    if (evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter || evento->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(evento);
}
