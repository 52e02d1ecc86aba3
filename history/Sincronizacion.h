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

// A user name and password (or token) for an HTTP(S) server.
struct Clave {
    QString usuario, clave;
    bool guardada = false; // it came from where the window keeps them: nobody was asked
};

struct Llamadas {
    // Progress for the status bar; maximo 0 when the amount is not known.
    std::function<void(const QString &texto, int valor, int maximo)> avance;
    // A user name and password for the address (`clave->usuario` comes with the one the address
    // names, if any); false when none was given. `rechazada`: the server refused the kept one given
    // before, which is to be forgotten. A sync asks this at most once after a refusal: one the user
    // typed and the server refused ends the sync.
    std::function<bool(const QString &url, bool rechazada, Clave *clave)> clave;
    // The server took the last one `clave` gave (the window may keep it now).
    std::function<void(const QString &url)> aceptada;
    // A yes/no question (an SSH server this user does not know yet); true only for yes. Without
    // it nothing is asked, and the answer is no.
    std::function<bool(const QString &pregunta)> confirmar;
    std::function<bool()> cancelado;
};

// The library merged with the one at `url` (any git address: a bare repository on a disk, SSH,
// HTTPS): this machine's changes are recorded, the remote's fetched and merged category by category,
// script by script, and the result sent back. A remote that cannot be reached leaves everything here
// as it was.
Informe Sincronizar(Repositorio &repo, const QString &url, const Llamadas &llamadas);

// The summary the user reads at the end of a sync, in the window or on the terminal.
QString TextoInforme(const Informe &informe, const QString &url);

// For tests only (the program never sets it): called by the sync's write step in the sync's thread,
// with the folder already held, just before it looks at the files it is about to replace.
namespace prueba {
void AntesDeEscribir(std::function<void(const QString &carpeta)> f);
} // namespace prueba

} // namespace git

Q_DECLARE_METATYPE(git::Informe)
