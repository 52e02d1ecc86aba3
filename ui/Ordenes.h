#pragma once
#include <optional>

// The command line for shells and editors: list scripts, print one's code, help. Runs without a
// display and without the single-instance lock, and only reads the library, so it works while the
// window is open. Gives the exit code when the arguments were one of these commands, and no value
// when the program is to start as usual.
namespace ordenes {
std::optional<int> Ejecutar(int argc, char **argv);
}
