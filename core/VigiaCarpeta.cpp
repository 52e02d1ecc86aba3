#include "core/VigiaCarpeta.h"
#include "core/Archivos.h"
#include "core/Registro.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

VigiaCarpeta::VigiaCarpeta(const QString &carpeta, QObject *padre) : QObject(padre), carpeta_(carpeta) {
    junta_ = new QTimer(this);
    junta_->setSingleShot(true);
    junta_->setInterval(100);
    connect(junta_, &QTimer::timeout, this, [this] {
        QStringList archivos(pendientes_.cbegin(), pendientes_.cend());
        archivos.sort();
        const bool todo = todo_;
        pendientes_.clear();
        todo_ = false;
        if (wd_ < 0)
            vigilar(); // the folder went and may be back
        emit cambiados(archivos, todo);
    });
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        qCWarning(lcArchivos) << "inotify_init1:" << std::strerror(errno);
        return;
    }
    aviso_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(aviso_, &QSocketNotifier::activated, this, &VigiaCarpeta::leer);
    vigilar();
}

VigiaCarpeta::~VigiaCarpeta() {
    if (fd_ >= 0)
        ::close(fd_);
}

void VigiaCarpeta::vigilar() {
    if (fd_ < 0)
        return;
    wd_ = ::inotify_add_watch(fd_, QFile::encodeName(carpeta_).constData(),
                              IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                  IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (wd_ < 0)
        qCWarning(lcArchivos) << "cannot watch" << carpeta_ << std::strerror(errno);
}

void VigiaCarpeta::leer() {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buffer + i);
            if (e->mask & IN_Q_OVERFLOW) {
                todo_ = true;
            } else if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                todo_ = true;
                if (e->wd == wd_) {
                    ::inotify_rm_watch(fd_, wd_);
                    wd_ = -1;
                }
            } else if (e->len > 0) {
                pendientes_.insert(archivos::Legible(QByteArray(e->name)));
            }
            i += ssize_t(sizeof(inotify_event)) + e->len;
        }
    }
    if (!junta_->isActive())
        junta_->start();
}
