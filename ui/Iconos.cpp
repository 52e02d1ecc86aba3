#include "ui/Iconos.h"

#include <QFile>

QIcon IconoIncluido(const char *nombre) {
    QIcon icono;
    for (int n : {24, 48}) {
        const QString ruta = QStringLiteral(":/iconos/%1-%2.png").arg(QLatin1String(nombre)).arg(n);
        if (QFile::exists(ruta))
            icono.addFile(ruta, QSize(n, n));
    }
    return icono;
}

QIcon Icono(const char *nombre) { return QIcon::fromTheme(QLatin1String(nombre), IconoIncluido(nombre)); }
