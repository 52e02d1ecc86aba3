#pragma once
#include <functional>

class QObject;

// The process told to stop (SIGTERM from a shutdown or `kill`, SIGHUP when its terminal or session
// goes): `accion` runs on the event loop's thread, where windows and files can be handled safely,
// instead of the program ending at once. Installed once per process; `contexto` owns the notifier.
namespace senales {
bool AlTerminar(QObject *contexto, std::function<void()> accion);
}
