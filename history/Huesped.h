#pragma once
// The SSH servers this user trusts, in OpenSSH's own file (~/.ssh/known_hosts): what the program
// accepts, plain `ssh` accepts too, and the other way round.
#include <QByteArray>
#include <QString>

namespace git::huesped {

struct Clave {
    QByteArray crudo; // the key as the server sent it (SSH wire format)
    QString tipo;     // as `ssh` names it: "ED25519", "RSA", "ECDSA", "DSA"
    int mascara = 0;  // the key's type for libssh2's file of hosts
};
// The key type of a raw key, from the name it begins with; empty `tipo` when not one SSH uses.
Clave DeCrudo(const QByteArray &crudo);
// "SHA256:" and the key's hash in base64 without padding, the way `ssh` prints it.
QString Huella(const QByteArray &crudo);

// How OpenSSH names a host in its file: "host", or "[host]:puerto" off the usual port.
QString Nombre(const QString &host, int puerto);

enum class Veredicto { Conocido, Desconocido, Cambiado, Ilegible };
struct Resultado {
    Veredicto veredicto = Veredicto::Ilegible;
    QString tipoAnterior, huellaAnterior; // Cambiado: the key the file holds
    QString error;                        // Ilegible: why, in Spanish
};
// The host's key against the file. A missing file knows no host; one that cannot be read is an
// error (never "unknown": that would ask the user to trust a key without looking at the others).
// Lines that libssh2 cannot read (markers, key types it does not know) are skipped.
Resultado Comprobar(const QString &archivo, const QString &host, int puerto, const Clave &clave);
// Appends the host's line in OpenSSH's format, making the folder (0700) and the file if needed,
// flushed to the disk. False with the reason in Spanish.
bool Agregar(const QString &archivo, const QString &host, int puerto, const Clave &clave, QString *error);

// ~/.ssh/known_hosts
QString ArchivoDelUsuario();

// Why the SSH agent's keys may have been refused, when something can be said of it in Spanish: no
// agent, an agent with no keys, or only RSA keys (libssh2 before 1.11 signs them with SHA-1 through
// the agent, which OpenSSH servers refuse since 8.8). Empty when the keys look usable.
QString MotivoAgente();

} // namespace git::huesped
