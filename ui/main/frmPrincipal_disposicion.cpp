// Layout: the areas are placed by fixed rules from the window's size.
#include "ui/main/frmPrincipal.h"

#include <QResizeEvent>

void frmPrincipal::conectarDisposicion() { resize(8715 / 15, 6180 / 15); }
void frmPrincipal::Disponer() {}
void frmPrincipal::ColocarProgreso() {}
void frmPrincipal::resizeEvent(QResizeEvent *evento) {
    QMainWindow::resizeEvent(evento);
    Disponer();
}
void frmPrincipal::changeEvent(QEvent *evento) { QMainWindow::changeEvent(evento); }
void frmPrincipal::paintEvent(QPaintEvent *evento) { QMainWindow::paintEvent(evento); }
