#pragma once
#include <QString>
#include <memory>

class QLockFile;

namespace mdlInicio {
// Takes the one-instance lock of the application folder; null when another instance holds it.
// A lock left by a crashed run is taken over.
std::unique_ptr<QLockFile> TomarInstancia(const QString &carpeta);
// The program's entry.
int Main(int argc, char **argv);
} // namespace mdlInicio
