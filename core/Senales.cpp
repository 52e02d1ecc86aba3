#include "core/Senales.h"
#include "core/Registro.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QVector>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace senales {

namespace {
int tubo[2] = {-1, -1};
int aplazando = 0;                       // sections alive
QVector<std::function<void()>> aplazadas; // the stop heard meanwhile (several count as one)

// Only async-signal-safe work here: one byte through the pair, read by the event loop.
void AlRecibir(int) {
    const char b = 1;
    [[maybe_unused]] const auto n = ::write(tubo[0], &b, 1);
}
} // namespace

Aplazar::Aplazar() { ++aplazando; }

Aplazar::~Aplazar() {
    if (--aplazando > 0 || aplazadas.isEmpty())
        return;
    // After the command: whatever called it finishes first, then the stop is acted on.
    for (std::function<void()> &f : aplazadas)
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
    aplazadas.clear();
}

bool AlTerminar(QObject *contexto, std::function<void()> accion) {
    if (tubo[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tubo) != 0)
        return false;
    auto *notificador = new QSocketNotifier(tubo[1], QSocketNotifier::Read, contexto);
    QObject::connect(notificador, &QSocketNotifier::activated, contexto, [notificador, accion] {
        char b;
        [[maybe_unused]] const auto n = ::read(tubo[1], &b, 1);
        if (aplazando > 0) {
            qCDebug(lcSenales) << "stop signal heard during a command: acted on when it ends";
            if (aplazadas.isEmpty())
                aplazadas.append([notificador = QPointer<QSocketNotifier>(notificador), accion] {
                    if (!notificador)
                        return;
                    notificador->setEnabled(false);
                    accion();
                    if (notificador)
                        notificador->setEnabled(true);
                });
            return;
        }
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
