#include "ui/Mensajes.h"

#include <QAbstractButton>

namespace mensajes {

QMessageBox::StandardButton Mostrar(QWidget *padre, const QString &texto, const QString &titulo,
                                    QMessageBox::Icon icono, QMessageBox::StandardButtons botones) {
    QMessageBox caja(icono, titulo, texto, botones, padre);
    caja.setObjectName(QStringLiteral("mensaje"));
    if (botones & QMessageBox::Yes)
        caja.setDefaultButton(QMessageBox::Yes);
    if (botones & QMessageBox::No)
        caja.setEscapeButton(QMessageBox::No);
    if (auto *si = caja.button(QMessageBox::Yes))
        si->setText(QStringLiteral("&Sí"));
    if (auto *no = caja.button(QMessageBox::No))
        no->setText(QStringLiteral("&No"));
    if (auto *ok = caja.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("Aceptar"));
    return QMessageBox::StandardButton(caja.exec());
}

bool Preguntar(QWidget *padre, const QString &texto, const QString &titulo) {
    return Mostrar(padre, texto, titulo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void Aviso(QWidget *padre, const QString &texto, const QString &titulo) {
    Mostrar(padre, texto, titulo, QMessageBox::Warning);
}

void Informacion(QWidget *padre, const QString &texto, const QString &titulo) {
    Mostrar(padre, texto, titulo, QMessageBox::Information);
}

} // namespace mensajes
