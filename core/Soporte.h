#pragma once
#include <QString>

// The addresses of the support community and of the program's site. Every link of the program is
// built here, so moving the community means changing this file only.
namespace soporte {
// The community's home page.
inline QString Comunidad() {
    return QStringLiteral("https://rutinero.example.org/comunidad/");
}
// One of the community's forums, chosen by its number.
inline QString Foro(int id) {
    return Comunidad() + QStringLiteral("foro.php?id=%1").arg(id);
}
// The maker's site.
inline QString Autor() {
    return QStringLiteral("https://rutinero.example.org/autor/");
}

// The forums the help menu reaches.
constexpr int ForoJS = 13;
constexpr int ForoASP = 15;
constexpr int ForoPHP = 18;
constexpr int ForoVB = 14;
} // namespace soporte
