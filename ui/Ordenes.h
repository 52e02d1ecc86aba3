#pragma once
#include <QString>

#include <optional>

// The command line for shells and editors: list scripts, print one's code, serve completions to an
// editor (--lsp), version, help. Runs without a display and without the single-instance lock, and
// only reads the library (it makes no folder either), so it works while the window is open. Gives the exit code when the arguments were one of these commands, and no value
// when the program is to start as usual.
namespace ordenes {
std::optional<int> Ejecutar(int argc, char **argv);

// The window lives in a program of its own (rutinero-ventana, beside this one or in
// <prefix>/libexec/rutinero), so that a command loads none of its libraries: this replaces the
// process with it, with the same arguments. Returns only when it cannot, with 1 after saying why.
int AbrirVentana(int argc, char **argv);
// Where the window's program is for the program in `carpeta` (empty when it is in neither place).
QString ProgramaVentana(const QString &carpeta);
}
