#pragma once
// Every connection libgit2 opens (git://, http://, https:// through its TLS layer, ssh://) goes
// through a socket of ours: a server that stops answering is given up after a time limit per
// step, and a sync can be cancelled at any moment, whatever the network does.
#include <QString>
#include <functional>
#include <memory>

namespace git::red {

// Puts the bounded socket in place of libgit2's own; once per process, any thread.
void Instalar();

// Whether the address is reached through a socket (ssh://, git://, http(s)://, user@host:path),
// which a cancel cuts at once, rather than a folder, whose reads can hang inside the kernel.
bool EsDeRed(const QString &url);

// How long one step (connecting, or waiting for the next bytes either way) may take, in ms.
int LimiteMs();
void setLimiteMs(int ms);

// While one lives, the connections its thread opens stop when `cancelado` says so, or when the
// other side stays silent longer than the limit. A watch thread also cuts the connections that
// libssh2 reads by itself, without going through the socket's functions.
class Guardia {
public:
    explicit Guardia(std::function<bool()> cancelado);
    ~Guardia();
    Guardia(const Guardia &) = delete;
    Guardia &operator=(const Guardia &) = delete;

    bool agotado() const;   // a step ran out of time
    bool cancelado() const; // the connections were cut because the sync was cancelled

    struct Datos;

private:
    std::shared_ptr<Datos> d_;
};

} // namespace git::red
