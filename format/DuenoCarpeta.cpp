#include "format/DuenoCarpeta.h"
#include "core/Archivos.h"
#include "core/Hilos.h"
#include "core/Registro.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QMutex>
#include <QThread>

DuenoCarpeta &DuenoCarpeta::De(const QString &carpeta) {
    static QMutex m;
    // They live as long as the process, and so does the table: never destroyed at exit, it keeps
    // them reachable, not lost, for whatever still runs then (and for the leak checker).
    static auto *duenos = new QHash<QString, DuenoCarpeta *>;
    const QString clave = QDir::cleanPath(QDir(carpeta).absolutePath());
    QMutexLocker l(&m);
    DuenoCarpeta *&d = (*duenos)[clave];
    if (!d) {
        d = new DuenoCarpeta(clave);
        // Announcements reach objects of the interface thread through its event loop.
        if (QCoreApplication::instance())
            d->moveToThread(QCoreApplication::instance()->thread());
    }
    return *d;
}

DuenoCarpeta::DuenoCarpeta(const QString &carpeta) : carpeta_(carpeta) {}

bool DuenoCarpeta::Valido(const QString &archivo, QString *error) const {
    if (archivo.isEmpty() || archivo.contains(QLatin1Char('/')) || archivo == QLatin1String(".") ||
        archivo == QLatin1String("..")) {
        qCWarning(lcArchivos) << "refused name in" << carpeta_ << archivo;
        if (error)
            *error = QStringLiteral("«%1» no es un nombre de archivo dentro de la carpeta").arg(archivo);
        return false;
    }
    return true;
}

bool DuenoCarpeta::Entrar(QString *error) {
    if (hilos::IntentarTomar(m_))
        return true;
    // Another thread holds the folder (the sync's write step, a few files). Other threads wait for
    // it; the interface thread waits too, processing nothing meanwhile, up to a bound far past what
    // that step takes: its command then fails, with nothing changed, rather than freeze the window.
    const bool interfaz = QCoreApplication::instance() && QThread::currentThread() == qApp->thread();
    if (!interfaz) {
        hilos::IntentarTomar(m_, -1); // a negative wait has no end
        return true;
    }
    if (alEsperar_)
        alEsperar_(true);
    const int limite = limiteEsperaMs_;
    const bool ok = hilos::IntentarTomar(m_, limite);
    if (alEsperar_)
        alEsperar_(false);
    if (!ok) {
        qCWarning(lcArchivos) << "the folder is still held by another thread after" << limite << "ms:" << carpeta_;
        if (error)
            *error = QStringLiteral("la sincronización sigue escribiendo en la carpeta de las categorías después de "
                                    "%1 segundos; no se ha cambiado nada. Vuelva a intentarlo cuando termine")
                         .arg((limite + 999) / 1000);
    }
    return ok;
}

void DuenoCarpeta::Salir(const QStringList &hechos, const QString &mensaje) {
    QStringList contar;
    if (profundidad_ > 0)
        juntos_ += hechos;
    else
        contar = hechos;
    hilos::Soltar(m_);
    if (!contar.isEmpty())
        emit escritos(contar, mensaje);
}

bool DuenoCarpeta::Guardar(const QString &archivo, const QByteArray &datos, QString *error, const QString &mensaje) {
    if (!Valido(archivo, error) || !Entrar(error))
        return false;
    archivos::Identidad identidad;
    const bool ok = archivos::Guardar(carpeta_ + QLatin1Char('/') + archivo, datos, error, carpeta_, &identidad);
    if (!ok)
        qCWarning(lcArchivos) << "cannot write" << archivo << (error ? *error : QString());
    // Kept before the announcement, which is what sends the index to read the file.
    Retener(archivo, ok ? datos : QByteArray(), identidad);
    Salir(ok ? QStringList{archivo} : QStringList(), mensaje);
    return ok;
}

bool DuenoCarpeta::Eliminar(const QString &archivo, QString *error) {
    if (!Valido(archivo, error) || !Entrar(error))
        return false;
    Retener(archivo, {}, {});
    const bool ok = archivos::Eliminar(carpeta_ + QLatin1Char('/') + archivo, error);
    if (!ok)
        qCWarning(lcArchivos) << "cannot remove" << archivo << (error ? *error : QString());
    Salir(ok ? QStringList{archivo} : QStringList());
    return ok;
}

categorias::Renombre DuenoCarpeta::Renombrar(const QString &de, const QString &a, QString *error) {
    if (!Valido(de, error) || !Valido(a, error) || !Entrar(error))
        return categorias::Renombre::Fallo;
    Retener(de, {}, {});
    Retener(a, {}, {});
    const auto r = categorias::RenombrarArchivo(carpeta_ + QLatin1Char('/') + de, carpeta_ + QLatin1Char('/') + a, error);
    Salir(r == categorias::Renombre::Hecho ? QStringList{de, a} : QStringList());
    return r;
}

bool DuenoCarpeta::Copiar(const QString &origen, const QString &archivo, QString *error) {
    if (!Valido(archivo, error) || !Entrar(error))
        return false;
    Retener(archivo, {}, {});
    const bool ok = categorias::CopiarArchivo(origen, carpeta_ + QLatin1Char('/') + archivo, error);
    Salir(ok ? QStringList{archivo} : QStringList());
    return ok;
}

namespace {
// A reader that does not come (an index given up) must not hold the library in memory: writes are
// kept up to this many bytes in all, and for this long at most. The bytes were in memory anyway
// when written, and each reader would otherwise read its own copy of them.
constexpr qint64 kMaximoRetenido = qint64(1) << 30;
constexpr qint64 kRetenidoMs = 120000;
} // namespace

int DuenoCarpeta::RetenerEscritos() {
    QMutexLocker l(&mEscritos_);
    for (int i = 0; i < 32; ++i)
        if (!(lectores_ & (1u << i))) {
            lectores_ |= 1u << i;
            return i;
        }
    return -1;
}

void DuenoCarpeta::SoltarEscritos(int lector) {
    if (lector < 0)
        return;
    QMutexLocker l(&mEscritos_);
    lectores_ &= ~(1u << lector);
    for (auto it = escritos_.begin(); it != escritos_.end();) {
        it->faltan &= ~(1u << lector);
        if (it->faltan == 0) {
            retenido_ -= it->datos.size();
            it = escritos_.erase(it);
        } else {
            ++it;
        }
    }
}

void DuenoCarpeta::Retener(const QString &archivo, const QByteArray &datos, const archivos::Identidad &identidad) {
    QMutexLocker l(&mEscritos_);
    const auto viejo = escritos_.constFind(archivo);
    if (viejo != escritos_.cend()) {
        retenido_ -= viejo->datos.size();
        escritos_.erase(viejo);
    }
    for (auto it = escritos_.begin(); it != escritos_.end();)
        if (it->desde.hasExpired(kRetenidoMs)) {
            retenido_ -= it->datos.size();
            it = escritos_.erase(it);
        } else {
            ++it;
        }
    if (lectores_ == 0 || !identidad.valida() || datos.size() > kMaximoRetenido)
        return;
    if (retenido_ + datos.size() > kMaximoRetenido) {
        escritos_.clear();
        retenido_ = 0;
    }
    QElapsedTimer desde;
    desde.start();
    escritos_.insert(archivo, {datos, identidad, lectores_, desde});
    retenido_ += datos.size();
}

bool DuenoCarpeta::TomarEscrito(int lector, const QString &archivo, QByteArray &datos) {
    if (lector < 0)
        return false;
    Escrito e;
    {
        QMutexLocker l(&mEscritos_);
        const auto it = escritos_.find(archivo);
        if (it == escritos_.end() || !(it->faltan & (1u << lector)))
            return false;
        e = *it;
        it->faltan &= ~(1u << lector);
        if (it->faltan == 0) {
            retenido_ -= it->datos.size();
            escritos_.erase(it);
        }
    }
    if (!(archivos::IdentidadDe(carpeta_ + QLatin1Char('/') + archivo) == e.identidad))
        return false;
    datos = e.datos;
    return true;
}

void LectorEscritos::Para(const QString &carpeta) {
    DuenoCarpeta *dueno = carpeta.isEmpty() ? nullptr : &DuenoCarpeta::De(carpeta);
    if (dueno == dueno_)
        return;
    if (dueno_)
        dueno_->SoltarEscritos(numero_);
    dueno_ = dueno;
    numero_ = dueno_ ? dueno_->RetenerEscritos() : -1;
}

std::unique_ptr<DuenoCarpeta::Toma> DuenoCarpeta::Tomar(QString *error) {
    if (!Entrar(error))
        return nullptr;
    ++profundidad_;
    std::unique_ptr<Toma> toma(new Toma(*this));
    emit tomada();
    return toma;
}

DuenoCarpeta::Toma::~Toma() {
    --d_.profundidad_;
    QStringList hechos;
    hechos.swap(d_.juntos_);
    d_.Salir({});
    if (!hechos.isEmpty())
        emit d_.escritos(hechos, QString());
}

// Its meta-object here rather than with the layer's others: a program that writes through the
// folder's owner needs no other class of the layer (the command line, which loads no Qt Gui).
#include "moc_DuenoCarpeta.cpp"
