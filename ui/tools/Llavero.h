#pragma once
// The sync's user names and tokens for HTTP(S) servers, kept in the desktop's keyring (the Secret
// Service of GNOME and others, or KWallet) through QtKeychain, and never in a file of the program.
// Every call answers once, in the caller's thread, within a time limit: a keyring that does not
// answer (locked behind a prompt nobody sees, a service that hangs) is given up, and the window
// never waits for it.
#include <QObject>
#include <QString>
#include <functional>

namespace llavero {

// The service the entries are kept under, as seahorse and secret-tool show it.
inline constexpr char kServicio[] = "Rutinero";

// The entry's name for an address: its scheme, server and port ("https://servidor:8443"), as a
// token belongs to an account on one server, whatever the repository.
QString Nombre(const QString &url);

struct Leido {
    bool hay = false; // an entry was found
    QString usuario, clave;
    QString error; // why the keyring cannot be used, in Spanish; empty when it can
};
// `hecho` runs in `contexto`'s thread, and not at all once `contexto` is gone.
void Leer(QObject *contexto, const QString &url, std::function<void(const Leido &)> hecho);
// `hecho` gets why it could not be done, in Spanish; empty when done.
void Guardar(QObject *contexto, const QString &url, const QString &usuario, const QString &clave,
             std::function<void(const QString &error)> hecho);
// An entry that is not there is no error.
void Olvidar(QObject *contexto, const QString &url, std::function<void(const QString &error)> hecho);

// How long one call may take, in ms.
int LimiteMs();
void setLimiteMs(int ms);

} // namespace llavero
