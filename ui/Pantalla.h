#pragma once
#include <QtGlobal>

// A window needs a display. Qt, finding none, prints English lines and aborts (exit 134); while this
// guard lives (around the application's construction) its platform messages are held back, and a
// fatal one becomes one Spanish line on standard error and exit code 1.
namespace pantalla {

class Guardia {
public:
    Guardia();
    ~Guardia(); // what was held back, when the display was found after all, goes out as usual
    Guardia(const Guardia &) = delete;
    Guardia &operator=(const Guardia &) = delete;
};

// The line said when there is no display.
const char *SinPantalla();

} // namespace pantalla
