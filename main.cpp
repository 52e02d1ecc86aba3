#include "ui/Ordenes.h"

int main(int argc, char **argv) {
    // A command for the shell or an editor answers here, with no window's library loaded; anything
    // else is the window's program.
    if (const auto codigo = ordenes::Ejecutar(argc, argv))
        return *codigo;
    return ordenes::AbrirVentana(argc, argv);
}
