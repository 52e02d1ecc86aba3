#pragma once
// A loopback server for syncs that must not finish: it serves from a thread of its own, so that it
// keeps serving while the window's thread is busy (closing, or waiting for the sync).
#include <QString>
#include <QtTest>

#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A server on 127.0.0.1 in a thread of its own (the window's thread is busy closing while it
// serves). It takes every connection and, as its mode says, never answers, answers the first
// request partway and stalls, or asks every request for a user name and password.
class Servidor {
  public:
    enum Modo { Mudo, AMedias, PideClave };
    explicit Servidor(Modo modo) : modo_(modo) {
        escucha_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        QVERIFY(::bind(escucha_, reinterpret_cast<sockaddr *>(&a), n) == 0 && ::listen(escucha_, 8) == 0 &&
                ::getsockname(escucha_, reinterpret_cast<sockaddr *>(&a), &n) == 0 &&
                ::pipe2(fin_, O_CLOEXEC) == 0);
        puerto_ = ntohs(a.sin_port);
        hilo_ = std::thread([this] { Atender(); });
    }
    ~Servidor() {
        [[maybe_unused]] const auto n = ::write(fin_[1], "x", 1);
        hilo_.join();
        for (const Cliente &c : clientes_)
            ::close(c.fd);
        ::close(escucha_);
        ::close(fin_[0]);
        ::close(fin_[1]);
    }
    QString url(const QString &esquema) const {
        return QStringLiteral("%1://127.0.0.1:%2/biblioteca.git").arg(esquema).arg(puerto_);
    }
    int conexiones() const { return conexiones_; }
    int cerradas() const { return cerradas_; } // by the other side
    int respuestas() const { return respuestas_; }
    bool conClave() const { return conClave_; } // a request came with credentials

  private:
    struct Cliente {
        int fd;
        QByteArray leido;
    };
    void Atender() {
        for (;;) {
            std::vector<pollfd> p{{fin_[0], POLLIN, 0}, {escucha_, POLLIN, 0}};
            for (const Cliente &c : clientes_)
                p.push_back({c.fd, POLLIN, 0});
            if (::poll(p.data(), p.size(), -1) < 0)
                continue;
            if (p[0].revents)
                return;
            if (p[1].revents) {
                const int fd = ::accept4(escucha_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    clientes_.push_back({fd, {}});
                    ++conexiones_;
                }
            }
            for (size_t i = 2; i < p.size(); ++i)
                if (p[i].revents)
                    Leer(clientes_[i - 2]);
            for (auto it = clientes_.begin(); it != clientes_.end();)
                if (it->fd < 0)
                    it = clientes_.erase(it);
                else
                    ++it;
        }
    }
    void Leer(Cliente &c) {
        char b[4096];
        const ssize_t n = ::recv(c.fd, b, sizeof b, 0);
        if (n <= 0) {
            ::close(c.fd);
            c.fd = -1;
            ++cerradas_;
            return;
        }
        c.leido.append(b, int(n));
        if (modo_ == Mudo || !c.leido.contains("\r\n\r\n"))
            return;
        conClave_ = conClave_ || c.leido.contains("\nAuthorization:");
        c.leido.clear();
        const QByteArray respuesta =
            modo_ == PideClave
                ? QByteArray("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"biblioteca\"\r\n"
                             "Content-Length: 0\r\n\r\n")
                : QByteArray(
                      "HTTP/1.1 200 OK\r\nContent-Type: application/x-git-upload-pack-advertisement\r\n"
                      "Content-Length: 4096\r\n\r\n001e# service=git-upload-pack\n0000");
        if (modo_ == AMedias && respuestas_ > 0)
            return;
        [[maybe_unused]] const auto e =
            ::send(c.fd, respuesta.constData(), size_t(respuesta.size()), MSG_NOSIGNAL);
        ++respuestas_;
    }

    const Modo modo_;
    int escucha_ = -1;
    int fin_[2] = {-1, -1};
    int puerto_ = 0;
    std::vector<Cliente> clientes_; // the server's thread only
    std::atomic_int conexiones_{0}, cerradas_{0}, respuestas_{0};
    std::atomic_bool conClave_{false};
    std::thread hilo_;
};
