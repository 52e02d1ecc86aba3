#include "ui/mdlInicio.h"

// The window, started by rutinero (main.cpp) when it is asked for no command.
int main(int argc, char **argv) { return mdlInicio::Main(argc, argv); }
