#include "core/Senales.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace senales {

namespace {
int tubo[2] = {-1, -1};

// Only async-signal-safe work here: one byte through the pair, read by the event loop.
void AlRecibir(int) {
    const char b = 1;
    [[maybe_unused]] const auto n = ::write(tubo[0], &b, 1);
}
} // namespace

bool AlTerminar(QObject *contexto, std::function<void()> accion) {
    if (tubo[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tubo) != 0)
        return false;
    auto *notificador = new QSocketNotifier(tubo[1], QSocketNotifier::Read, contexto);
    QObject::connect(notificador, &QSocketNotifier::activated, contexto, [notificador, accion] {
        char b;
        [[maybe_unused]] const auto n = ::read(tubo[1], &b, 1);
        // A second signal while the first is handled adds nothing; one after it (the program stayed
        // to keep changes it could not put aside) is heard again.
        notificador->setEnabled(false);
        accion();
        notificador->setEnabled(true);
    });
    struct sigaction sa = {};
    sa.sa_handler = AlRecibir;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGHUP, &sa, nullptr) == 0;
}

} // namespace senales
