#include "ui/tools/Llavero.h"
#include "core/Registro.h"

#include <QTimer>
#include <QUrl>
#include <atomic>
#include <memory>
#include <qt6keychain/keychain.h>

namespace llavero {
namespace {
std::atomic_int limiteMs{10000};

// The keyring's own words (English, from the library or the service) go to the log; the user reads
// what they mean.
QString Motivo(QKeychain::Error error, const QString &detalle) {
    qCWarning(lcLlavero) << "keyring:" << int(error) << detalle;
    switch (error) {
    case QKeychain::NoBackendAvailable:
        return QStringLiteral("no hay ningún llavero del escritorio en esta sesión (un servicio Secret Service, "
                              "como gnome-keyring, o KWallet)");
    case QKeychain::AccessDenied:
        return QStringLiteral("el llavero del escritorio está bloqueado o no dio permiso");
    default:
        return QStringLiteral("no se pudo hablar con el llavero del escritorio (no hay un servicio Secret Service, "
                              "como gnome-keyring, o KWallet en marcha en esta sesión, o no respondió bien)");
    }
}

QString Agotado() {
    const int segundos = qMax(1, (limiteMs.load() + 999) / 1000);
    return segundos == 1 ? QStringLiteral("el llavero del escritorio no respondió en 1 segundo")
                         : QStringLiteral("el llavero del escritorio no respondió en %1 segundos").arg(segundos);
}

// Starts the job and calls `fin` once: with the job when it finished, with none when the time ran
// out. A job given up on is left to end (and delete itself) whenever it does: deleting it earlier
// would leave the keyring's callback a dangling pointer.
void Correr(QKeychain::Job *job, QObject *contexto, std::function<void(QKeychain::Job *)> fin) {
    job->setAutoDelete(true);
    auto hecho = std::make_shared<bool>(false);
    auto *reloj = new QTimer(contexto);
    reloj->setSingleShot(true);
    QObject::connect(job, &QKeychain::Job::finished, contexto, [hecho, reloj, fin](QKeychain::Job *j) {
        if (std::exchange(*hecho, true))
            return;
        reloj->deleteLater();
        fin(j);
    });
    QObject::connect(reloj, &QTimer::timeout, contexto, [hecho, reloj, fin] {
        if (std::exchange(*hecho, true))
            return;
        reloj->deleteLater();
        qCWarning(lcLlavero) << "keyring gave no answer within" << limiteMs.load() << "ms";
        fin(nullptr);
    });
    reloj->start(limiteMs.load());
    job->start();
}
} // namespace

QString Nombre(const QString &url) {
    const QUrl u(url.trimmed());
    QString nombre = u.scheme().toLower() + QStringLiteral("://") + u.host().toLower();
    if (u.port() > 0)
        nombre += QLatin1Char(':') + QString::number(u.port());
    return nombre;
}

void Leer(QObject *contexto, const QString &url, std::function<void(const Leido &)> hecho) {
    auto *job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kServicio));
    job->setKey(Nombre(url));
    Correr(job, contexto, [hecho](QKeychain::Job *j) {
        Leido l;
        if (!j) {
            l.error = Agotado();
        } else if (j->error() == QKeychain::NoError) {
            // The user name on the first line, the token after it.
            QString datos = static_cast<QKeychain::ReadPasswordJob *>(j)->textData();
            const qsizetype salto = datos.indexOf(QLatin1Char('\n'));
            l.hay = salto > 0 && salto + 1 < datos.size();
            if (l.hay) {
                l.usuario = datos.left(salto);
                l.clave = datos.mid(salto + 1);
            } else {
                qCWarning(lcLlavero) << "a kept entry of another shape is left out";
            }
            datos.fill(QChar(0));
        } else if (j->error() != QKeychain::EntryNotFound) {
            l.error = Motivo(j->error(), j->errorString());
        }
        hecho(l);
        l.clave.fill(QChar(0));
    });
}

void Guardar(QObject *contexto, const QString &url, const QString &usuario, const QString &clave,
             std::function<void(const QString &error)> hecho) {
    auto *job = new QKeychain::WritePasswordJob(QString::fromLatin1(kServicio));
    job->setKey(Nombre(url));
    QString datos = usuario + QLatin1Char('\n') + clave;
    job->setTextData(datos);
    datos.fill(QChar(0));
    Correr(job, contexto, [hecho](QKeychain::Job *j) {
        if (!j)
            hecho(Agotado());
        else
            hecho(j->error() == QKeychain::NoError ? QString() : Motivo(j->error(), j->errorString()));
    });
}

void Olvidar(QObject *contexto, const QString &url, std::function<void(const QString &error)> hecho) {
    auto *job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kServicio));
    job->setKey(Nombre(url));
    Correr(job, contexto, [hecho](QKeychain::Job *j) {
        if (!j)
            hecho(Agotado());
        else if (j->error() == QKeychain::NoError || j->error() == QKeychain::EntryNotFound)
            hecho(QString());
        else
            hecho(Motivo(j->error(), j->errorString()));
    });
}

int LimiteMs() { return limiteMs.load(); }
void setLimiteMs(int ms) { limiteMs = ms; }

} // namespace llavero
