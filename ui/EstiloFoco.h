#pragma once
#include <QProxyStyle>

// The platform's style with the keyboard focus made plain: the list or button that has it carries a
// two-pixel frame in the highlight colour (or the text colour, where the highlight would not stand
// out from the background), in light and dark palettes alike.
class EstiloFoco : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;
    // Puts the style on the application, over the one it has.
    static void Instalar();
    // The frame's colour for a palette.
    static QColor Color(const QPalette &paleta);

    void polish(QWidget *w) override;
    void unpolish(QWidget *w) override;
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    void drawControl(ControlElement elemento, const QStyleOption *opcion, QPainter *p,
                     const QWidget *w = nullptr) const override;
};
