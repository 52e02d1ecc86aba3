#include "ui/Dialogos.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace dialogos {

QPushButton *Boton(QWidget *padre, const char *nombre, const QString &texto, bool porDefecto) {
    auto *b = new QPushButton(texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    if (porDefecto)
        b->setDefault(true);
    else
        b->setAutoDefault(false);
    return b;
}

QHBoxLayout *FilaBotones(std::initializer_list<QWidget *> botones) {
    auto *fila = new QHBoxLayout;
    fila->addStretch(1);
    for (QWidget *b : botones)
        fila->addWidget(b);
    return fila;
}

} // namespace dialogos
