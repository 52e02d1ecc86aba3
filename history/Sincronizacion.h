#pragma once
#include "history/Mezcla.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <functional>

namespace git {

class Repositorio;

// What a sync did, in Spanish, for the summary the user reads at the end.
struct Informe {
    bool ok = false;
    QString error;        // why it stopped; empty when it did not
    QStringList recibido; // what came into this machine's categories, one entry per category
    QStringList enviado;  // what the remote repository got
    QStringList avisos;   // the same thing changed on both sides, and what was kept
    QStringList escritos; // files the sync wrote or removed here, relative to Categorias
    QVector<mezcla::Copia> copias;          // scripts this machine's merge kept twice
    QVector<mezcla::Copia> copiasRecibidas; // and those that merges made elsewhere kept, in what came
};

struct Llamadas {
    // Progress for the status bar; maximo 0 when the amount is not known.
    std::function<void(const QString &texto, int valor, int maximo)> avance;
    // Asks for a user name and password for the address; false when the user gave none.
    // Nothing asked is ever stored.
    std::function<bool(const QString &url, QString *usuario, QString *clave)> clave;
    std::function<bool()> cancelado;
};

// The library merged with the one at `url` (any git address: a bare repository on a disk, SSH,
// HTTPS): this machine's changes are recorded, the remote's fetched and merged category by category,
// script by script, and the result sent back. A remote that cannot be reached leaves everything here
// as it was.
Informe Sincronizar(Repositorio &repo, const QString &url, const Llamadas &llamadas);

// For tests only (the program never sets it): called by the sync's write step in the sync's thread,
// with the folder already held, just before it looks at the files it is about to replace.
namespace prueba {
void AntesDeEscribir(std::function<void(const QString &carpeta)> f);
} // namespace prueba

} // namespace git

Q_DECLARE_METATYPE(git::Informe)
