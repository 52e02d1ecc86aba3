#pragma once
#include <QIcon>

// The application icon, from the PNG sizes in the resources (no SVG plug-in needed).
inline QIcon IconoApp() {
    QIcon icono;
    for (int n : {16, 32, 48, 64, 128, 256})
        icono.addFile(QStringLiteral(":/icons/rutinero-%1.png").arg(n), QSize(n, n));
    return icono;
}

// An envelope for the mail command, drawn at each size: the style's own images have none, and its
// network-drive image comes only in a small size, so it stood out shrunk among the other buttons.
QIcon IconoCorreo();
