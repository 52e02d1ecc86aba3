#pragma once
// Qt synchronises its wait conditions and threads through futexes inside its own library, which
// ThreadSanitizer does not see (Debian's Qt is not built with it): a mutex released and taken again
// inside QWaitCondition::wait looks to it as never released, and what a finished thread did looks
// unordered with what follows QThread::wait. Under ThreadSanitizer these say what Qt did; elsewhere
// they are the plain calls.
#include <QDeadlineTimer>
#include <QMutex>
#include <QRecursiveMutex>
#include <QThread>
#include <QWaitCondition>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace hilos {

// QWaitCondition::wait: `m`, held by the caller, is released while waiting and held again after.
inline bool Esperar(QWaitCondition &c, QMutex &m, QDeadlineTimer plazo = QDeadlineTimer(QDeadlineTimer::Forever)) {
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_pre_unlock(&m, 0);
    __tsan_mutex_post_unlock(&m, 0);
#endif
    const bool despertado = c.wait(&m, plazo);
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_pre_lock(&m, 0);
    __tsan_mutex_post_lock(&m, 0, 0);
#endif
    return despertado;
}

// QRecursiveMutex locks and unlocks inside Qt, unlike QMutex whose inline calls say so themselves.
inline bool IntentarTomar(QRecursiveMutex &m, int esperaMs = 0) {
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_pre_lock(&m, __tsan_mutex_write_reentrant | __tsan_mutex_try_lock);
#endif
    const bool tomado = m.tryLock(esperaMs);
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_post_lock(&m, __tsan_mutex_write_reentrant | __tsan_mutex_try_lock |
                                   (tomado ? 0u : unsigned(__tsan_mutex_try_lock_failed)), 0);
#endif
    return tomado;
}

inline void Soltar(QRecursiveMutex &m) {
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_pre_unlock(&m, 0);
#endif
    m.unlock();
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_post_unlock(&m, 0);
#endif
}

// Before `t` starts: its end is then seen by EsperarHilo.
inline void Seguir(QThread *t) {
#if defined(__SANITIZE_THREAD__)
    // Emitted on the thread itself, after the last of its work.
    QObject::connect(t, &QThread::finished, t, [t] { __tsan_release(t); }, Qt::DirectConnection);
#else
    Q_UNUSED(t);
#endif
}

// QThread::wait for a thread given to Seguir: when it returns true, all the thread did is over.
inline bool EsperarHilo(QThread *t, QDeadlineTimer plazo = QDeadlineTimer(QDeadlineTimer::Forever)) {
    const bool termino = t->wait(plazo);
#if defined(__SANITIZE_THREAD__)
    if (termino)
        __tsan_acquire(t);
#endif
    return termino;
}

// f(i) for every i below n, spread over the machine's cores, each taking the next i still to do;
// returns when all are done. Plain threads, which ThreadSanitizer sees. Each f(i) must touch only
// what is its own.
template <typename F> void EnParalelo(int n, const F &f) {
    const int otros = std::min(n, int(std::max(1u, std::thread::hardware_concurrency()))) - 1;
    std::atomic<int> siguiente{0};
    const auto trabajar = [&] {
        for (int i; (i = siguiente.fetch_add(1, std::memory_order_relaxed)) < n;)
            f(i);
    };
    std::vector<std::thread> hilos;
    for (int k = 0; k < otros; ++k)
        hilos.emplace_back(trabajar);
    trabajar();
    for (std::thread &t : hilos)
        t.join();
}

} // namespace hilos
