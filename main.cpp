#include "ui/Ordenes.h"
#include "ui/mdlInicio.h"

int main(int argc, char **argv) {
    // A command for the shell answers and ends here, before any window or lock.
    if (const auto codigo = ordenes::Ejecutar(argc, argv))
        return *codigo;
    return mdlInicio::Main(argc, argv);
}
