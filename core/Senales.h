#pragma once
#include <functional>

class QObject;

// The process told to stop (SIGTERM from a shutdown or `kill`, SIGHUP when its terminal or session
// goes): `accion` runs on the event loop's thread, where windows and files can be handled safely,
// instead of the program ending at once. Installed once per process; `contexto` owns the notifier.
namespace senales {
bool AlTerminar(QObject *contexto, std::function<void()> accion);

// While one lives (a command's steps that must not be cut in two, such as a save from its check to
// its last write), a stop signal heard waits, and is acted on from the event loop once the last one
// has gone. Interface thread only.
class Aplazar {
public:
    Aplazar();
    ~Aplazar();
    Aplazar(const Aplazar &) = delete;
    Aplazar &operator=(const Aplazar &) = delete;
};
} // namespace senales
