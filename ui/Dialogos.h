#pragma once
#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The pieces every dialog of the program builds alike.
namespace dialogos {
// A push button named as the code calls it. The default button answers Enter; the others never
// take Enter from it.
QPushButton *Boton(QWidget *padre, const char *nombre, const QString &texto, bool porDefecto);
// The buttons in a row on the right.
QHBoxLayout *FilaBotones(std::initializer_list<QWidget *> botones);
} // namespace dialogos
