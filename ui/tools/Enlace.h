#pragma once
#include <QLabel>

// A label that works as a web link: blue, underlined, a hand pointer, and a click (or Enter and
// Space when it has the focus) reports itself; whoever owns it decides what to open.
class Enlace : public QLabel {
    Q_OBJECT
  public:
    explicit Enlace(const QString &texto, QWidget *padre = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent *evento) override;
    void keyPressEvent(QKeyEvent *evento) override;
};
