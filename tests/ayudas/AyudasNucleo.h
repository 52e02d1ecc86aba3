#pragma once
#include "core/Estado.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Test helpers that need no window: files, folders and records as the format stores them.
namespace ayudas {

QByteArray LeerBytes(const QString &ruta);
void EscribirBytes(const QString &ruta, const QByteArray &datos);

// An application folder of its own, with a state object pointing at it.
struct Carpeta {
    QTemporaryDir dir;
    Estado estado;
    Carpeta();
    QString ruta(const QString &relativa) const { return dir.path() + QLatin1Char('/') + relativa; }
    // Writes Categorias/<nombre>.rtn with the given bytes (the folder is made).
    void categoria(const QString &nombre, const QByteArray &datos);
};

// The bytes of every file below the folder, hidden ones too.
qint64 TamanoDeLaCarpeta(const QString &carpeta);

// The bytes of one record as the file stores it.
QByteArray Registro(const QByteArray &nombre, const QByteArray &desc, const QByteArray &codigo,
                    const QByteArray &puntaje);
// Records with a name only, one after another.
QByteArray Solos(const QStringList &nombres);

// Another program (a real process) puts `datos`, of the file's own size, in the file and gives it back
// its modification time to the nanosecond: written in place, or as a new file renamed over it. False
// when the file's size and time did not come out as they were.
bool ReescribirComoOtroPrograma(const QString &ruta, const QByteArray &datos, bool renombrando);

} // namespace ayudas
