#pragma once
#include <QIcon>

// The application icon, from the PNG sizes in the resources (no SVG plug-in needed).
inline QIcon IconoApp() {
    QIcon icono;
    for (int n : {16, 32, 48, 64, 128, 256})
        icono.addFile(QStringLiteral(":/icons/rutinero-%1.png").arg(n), QSize(n, n));
    return icono;
}

// A command's picture by its freedesktop name ("document-save"), from the desktop's icon theme; where
// the theme has none, the copy bundled from the Adwaita theme (resources/iconos).
QIcon Icono(const char *nombre);
// The bundled copy alone, as the program shows it without a desktop theme.
QIcon IconoIncluido(const char *nombre);
