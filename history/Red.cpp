#include "history/Red.h"
#include "core/Registro.h"

#include <QRegularExpression>
#include <git2.h>
#include <git2/sys/stream.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace git::red {

namespace {
std::atomic_int limite{30000};
// How often a wait looks at the cancel flag: short enough that closing the program is not felt.
constexpr int kPasoMs = 100;

qint64 Ahora() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

int LimiteMs() { return limite.load(); }

bool EsDeRed(const QString &url) {
    static const QRegularExpression red(QStringLiteral("^(ssh|git|https?|ssh\\+git|git\\+ssh)://"),
                                        QRegularExpression::CaseInsensitiveOption);
    // user@host:path, as ssh and git write it
    static const QRegularExpression scp(QStringLiteral("^[^/:]+@?[^/:]*:"));
    const QString u = url.trimmed();
    if (red.match(u).hasMatch())
        return true;
    return !u.contains(QLatin1String("://")) && !u.startsWith(QLatin1Char('/')) && !u.startsWith(QLatin1Char('.')) &&
           scp.match(u).hasMatch();
}

void setLimiteMs(int ms) { limite = std::max(1, ms); }

struct Guardia::Datos {
    std::function<bool()> cancelar;
    std::atomic_bool agotado{false}, cancelado{false};
    bool fin = false; // under m
    struct Conexion {
        int fd;
        const std::atomic<qint64> *actividad;
    };
    std::mutex m;
    std::condition_variable cv;
    std::vector<Conexion> conexiones; // under m
    std::thread vigia;

    bool cortado() const { return agotado || cancelado; }
    // Asked at every step too, not only by the watch: a sync cancelled a moment ago never opens a
    // connection or sends a request (the watch looks only every kPasoMs).
    bool cortar() {
        if (!cortado() && cancelar && cancelar())
            cancelado = true;
        return cortado();
    }
    void Agregar(int fd, const std::atomic<qint64> *actividad) {
        const std::lock_guard<std::mutex> l(m);
        conexiones.push_back({fd, actividad});
        // Cut already: a connection opened now would only wait for nothing.
        if (cortado())
            ::shutdown(fd, SHUT_RDWR);
    }
    // The descriptor is closed under the lock, so the watch never cuts a number reused meanwhile.
    void Cerrar(int fd) {
        const std::lock_guard<std::mutex> l(m);
        conexiones.erase(std::remove_if(conexiones.begin(), conexiones.end(),
                                        [fd](const Conexion &c) { return c.fd == fd; }),
                         conexiones.end());
        ::close(fd);
    }
    // How long the other side has been silent: what went through our functions, or what the
    // kernel saw go either way (libssh2 reads and writes the descriptor by itself).
    static qint64 Silencio(const Conexion &c, qint64 ahora) {
        qint64 s = ahora - c.actividad->load();
        tcp_info ti{};
        socklen_t n = sizeof ti;
        if (::getsockopt(c.fd, IPPROTO_TCP, TCP_INFO, &ti, &n) == 0 && ti.tcpi_state == TCP_ESTABLISHED)
            s = std::min({s, qint64(ti.tcpi_last_data_recv), qint64(ti.tcpi_last_data_sent)});
        return s;
    }
    void Vigilar() {
        std::unique_lock<std::mutex> l(m);
        while (!fin) {
            cv.wait_for(l, std::chrono::milliseconds(kPasoMs));
            if (fin || cortado())
                continue;
            if (cancelar && cancelar()) {
                cancelado = true;
            } else {
                const qint64 ahora = Ahora();
                for (const Conexion &c : conexiones)
                    if (Silencio(c, ahora) > limite.load())
                        agotado = true;
            }
            if (cortado()) {
                qCWarning(lcSincronizacion) << (cancelado ? "Sync cancelled: connections cut"
                                                          : "The server stayed silent past the time limit");
                for (const Conexion &c : conexiones)
                    ::shutdown(c.fd, SHUT_RDWR);
            }
        }
    }
};

namespace {
thread_local std::shared_ptr<Guardia::Datos> actual;

struct Estado {
    std::shared_ptr<Guardia::Datos> guardia;
    std::atomic<qint64> actividad{0};
};

// Begins as libgit2's own socket stream does (the stream, host, port, descriptor): its SSH
// transport takes the descriptor from there for libssh2.
struct Flujo {
    git_stream padre;
    char *host;
    char *port;
    int s;
    Estado *estado;
};

Flujo *De(git_stream *st) { return reinterpret_cast<Flujo *>(st); }

bool Cortado(const Flujo *f) { return f->estado->guardia && f->estado->guardia->cortar(); }

int Fallo(const Flujo *f, const char *texto) {
    const bool agotado = f->estado->guardia ? f->estado->guardia->agotado.load() : false;
    if (Cortado(f))
        git_error_set_str(GIT_ERROR_NET, agotado ? "el servidor no respondió a tiempo" : "se canceló");
    else
        git_error_set(GIT_ERROR_NET, "%s (%s): %s", texto, f->host, std::strerror(errno));
    return -1;
}

// Waits until the descriptor is ready for `eventos`; -1 when cut or failed, -2 when nothing came
// for the whole time limit.
int Esperar(Flujo *f, short eventos) {
    for (;;) {
        if (Cortado(f))
            return -1;
        pollfd p{f->s, eventos, 0};
        const int r = ::poll(&p, 1, kPasoMs);
        if (r > 0)
            return 0;
        if (r < 0 && errno != EINTR)
            return -1;
        if (r == 0 && Ahora() - f->estado->actividad.load() > limite.load()) {
            if (f->estado->guardia)
                f->estado->guardia->agotado = true;
            git_error_set_str(GIT_ERROR_NET, "el servidor no respondió a tiempo");
            qCWarning(lcSincronizacion) << "No answer from" << f->host << "within" << limite.load() << "ms";
            return -2;
        }
    }
}

void Soltar(Flujo *f) {
    if (f->s < 0)
        return;
    if (f->estado->guardia)
        f->estado->guardia->Cerrar(f->s);
    else
        ::close(f->s);
    f->s = -1;
}

int Conectar(git_stream *st) {
    Flujo *f = De(st);
    addrinfo pistas{};
    pistas.ai_socktype = SOCK_STREAM;
    pistas.ai_family = AF_UNSPEC;
    addrinfo *direcciones = nullptr;
    if (const int e = ::getaddrinfo(f->host, f->port, &pistas, &direcciones); e != 0) {
        git_error_set(GIT_ERROR_NET, "no se encontró el servidor %s: %s", f->host, ::gai_strerror(e));
        qCWarning(lcSincronizacion) << "Could not resolve" << f->host << ::gai_strerror(e);
        return -1;
    }
    int resultado = -1;
    for (addrinfo *a = direcciones; a && resultado < 0 && !Cortado(f); a = a->ai_next) {
        f->s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (f->s < 0)
            continue;
        f->estado->actividad = Ahora();
        if (f->estado->guardia)
            f->estado->guardia->Agregar(f->s, &f->estado->actividad);
        int error = 0, espera = 0;
        socklen_t n = sizeof error;
        if (::connect(f->s, a->ai_addr, a->ai_addrlen) == 0 ||
            (errno == EINPROGRESS && (espera = Esperar(f, POLLOUT)) == 0 &&
             ::getsockopt(f->s, SOL_SOCKET, SO_ERROR, &error, &n) == 0 && error == 0)) {
            resultado = 0;
            break;
        }
        if (error != 0)
            errno = error;
        const int guardado = errno;
        Soltar(f);
        errno = guardado;
        if (espera == -2) {
            resultado = -2;
            break;
        }
    }
    ::freeaddrinfo(direcciones);
    if (resultado < 0) {
        const int guardado = errno;
        qCWarning(lcSincronizacion) << "Could not connect to" << f->host << f->port << std::strerror(guardado);
        errno = guardado;
        // A step that ran out of time has its message set already.
        if (resultado == -1)
            Fallo(f, "no se pudo conectar con el servidor");
    }
    return resultado < 0 ? -1 : 0;
}

// One read or write of the socket, waiting (bounded, cancellable) while it would block.
template <typename Operacion> ssize_t Transferir(git_stream *st, short evento, Operacion operacion) {
    Flujo *f = De(st);
    for (;;) {
        if (Cortado(f))
            return Fallo(f, "");
        const ssize_t r = operacion(f->s);
        if (r >= 0) {
            f->estado->actividad = Ahora();
            return r;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return Fallo(f, "se perdió la conexión con el servidor");
        if (Esperar(f, evento) < 0)
            return Cortado(f) ? Fallo(f, "") : -1;
    }
}

ssize_t Leer(git_stream *st, void *datos, size_t n) {
    return Transferir(st, POLLIN, [&](int s) { return ::recv(s, datos, n, 0); });
}

ssize_t Escribir(git_stream *st, const char *datos, size_t n, int) {
    return Transferir(st, POLLOUT, [&](int s) { return ::send(s, datos, n, MSG_NOSIGNAL); });
}

int Cerrar(git_stream *st) {
    Soltar(De(st));
    return 0;
}

void Liberar(git_stream *st) {
    Flujo *f = De(st);
    Soltar(f);
    std::free(f->host);
    std::free(f->port);
    delete f->estado;
    delete f;
}

int Nuevo(git_stream **salida, const char *host, const char *port) {
    auto *f = new Flujo{};
    f->padre.version = GIT_STREAM_VERSION;
    f->padre.connect = Conectar;
    f->padre.read = Leer;
    f->padre.write = Escribir;
    f->padre.close = Cerrar;
    f->padre.free = Liberar;
    f->host = ::strdup(host);
    f->port = ::strdup(port ? port : "");
    f->s = -1;
    f->estado = new Estado;
    f->estado->guardia = actual;
    *salida = &f->padre;
    return 0;
}
} // namespace

void Instalar() {
    // libgit2 keeps a copy of the registration.
    git_stream_registration r{GIT_STREAM_VERSION, Nuevo, nullptr};
    if (git_stream_register(GIT_STREAM_STANDARD, &r) < 0)
        qCWarning(lcSincronizacion) << "Could not install the bounded socket:" << git_error_last()->message;
}

Guardia::Guardia(std::function<bool()> cancelado) : d_(std::make_shared<Datos>()) {
    d_->cancelar = std::move(cancelado);
    d_->vigia = std::thread([d = d_.get()] { d->Vigilar(); });
    actual = d_;
}

Guardia::~Guardia() {
    {
        const std::lock_guard<std::mutex> l(d_->m);
        d_->fin = true;
    }
    d_->cv.notify_all();
    d_->vigia.join();
    if (actual == d_)
        actual.reset();
}

bool Guardia::agotado() const { return d_->agotado; }
bool Guardia::cancelado() const { return d_->cancelado; }

} // namespace git::red
