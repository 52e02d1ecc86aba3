#include "ui/mdlInicio.h"

int main(int argc, char **argv) { return mdlInicio::Main(argc, argv); }
