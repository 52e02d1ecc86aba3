#include "history/Historial.h"
#include "history/Repositorio.h"
#include "core/Archivos.h"
#include "core/Registro.h"
#include "history/Mezcla.h"

#include <QDir>

#include <exception>
#include <new>

namespace {
// A slot's exception would end the program from the history thread (and at every start, while its
// cause stays): it becomes a failure told like any other. `hacer` gives the reason.
template <typename F> bool Protegido(F &&hacer, QString *motivo) {
    try {
        hacer();
        return true;
    } catch (const std::exception &e) {
        qCWarning(lcHistorial) << "history step given up:" << e.what();
        *motivo = dynamic_cast<const std::bad_alloc *>(&e)
                      ? QStringLiteral("no hay memoria suficiente")
                      : QStringLiteral("error interno: %1").arg(QString::fromLocal8Bit(e.what()));
        return false;
    }
}

// Takes out of `archivos` those too big for any read, and gives them: a version leaves them as they
// were (their last version, if any), rather than fail and hold back every other file.
QStringList SinGrandes(const QString &carpeta, QStringList &archivos) {
    QStringList grandes;
    for (auto it = archivos.begin(); it != archivos.end();) {
        if (archivos::IdentidadDe(carpeta + QLatin1Char('/') + *it).tamano > archivos::kMayorLectura) {
            grandes << *it;
            it = archivos.erase(it);
        } else {
            ++it;
        }
    }
    return grandes;
}

// `uno` and `varios` say what is not done with them ("no se guarda", "no se guardan").
QString AvisoGrandes(const QStringList &grandes, const QString &uno, const QString &varios) {
    QStringList nombres;
    for (const QString &a : grandes)
        nombres << mezcla::Categoria(a);
    return nombres.size() == 1
               ? QStringLiteral("La categoría %1 %2: %3.").arg(nombres.first(), archivos::RazonDemasiadoGrande(), uno)
               : QStringLiteral("Las categorías %1 ocupan cada una más de %2 MB y no se abren: %3.")
                     .arg(nombres.join(QStringLiteral(", ")))
                     .arg(archivos::kMayorLectura >> 20)
                     .arg(varios);
}
QString AvisoVersion(const QStringList &grandes) {
    return AvisoGrandes(grandes, QStringLiteral("no se guarda en el historial"),
                        QStringLiteral("no se guardan en el historial"));
}
} // namespace

Interlocutor::Interlocutor(Avance avance, Preguntar preguntar)
    : avance_(std::move(avance)), preguntar_(std::move(preguntar)) {}

void Interlocutor::MostrarAvance(const QString &texto, int valor, int maximo) {
    const std::lock_guard<std::mutex> l(m_);
    if (!cerrado_ && avance_)
        avance_(texto, valor, maximo);
}

std::optional<Interlocutor::Respuesta> Interlocutor::Esperar(std::unique_lock<std::mutex> &l,
                                                            const std::function<void(quint64)> &hacer) {
    pregunta_ = ++ultima_;
    respuesta_.reset();
    hacer(pregunta_);
    cv_.wait(l, [this] { return cerrado_ || respuesta_.has_value(); });
    pregunta_ = 0;
    std::optional<Respuesta> r = std::exchange(respuesta_, std::nullopt);
    if (cerrado_)
        return std::nullopt;
    return r;
}

bool Interlocutor::PedirClave(const QString &url, bool rechazada, git::Clave *clave) {
    std::unique_lock<std::mutex> l(m_);
    if (cerrado_ || !preguntar_ || pregunta_ != 0)
        return false;
    std::optional<Respuesta> r = Esperar(l, [&](quint64 n) { preguntar_(n, url, clave->usuario, rechazada); });
    if (!r || !*r)
        return false;
    *clave = std::move(**r);
    return true;
}

void Interlocutor::setAceptada(Aceptada a) {
    const std::lock_guard<std::mutex> l(m_);
    aceptada_ = std::move(a);
}

void Interlocutor::ClaveAceptada(const QString &url) {
    const std::lock_guard<std::mutex> l(m_);
    if (!cerrado_ && aceptada_)
        aceptada_(url);
}

void Interlocutor::setConfirmacion(Confirmacion c) {
    const std::lock_guard<std::mutex> l(m_);
    confirmacion_ = std::move(c);
}

bool Interlocutor::Confirmar(const QString &texto) {
    std::unique_lock<std::mutex> l(m_);
    if (cerrado_ || !confirmacion_ || pregunta_ != 0)
        return false;
    const std::optional<Respuesta> r = Esperar(l, [&](quint64 n) { confirmacion_(n, texto); });
    return r && *r;
}

void Interlocutor::Responder(quint64 pregunta, Respuesta respuesta) {
    {
        const std::lock_guard<std::mutex> l(m_);
        // An answer to a question nobody waits for any more (the sync ended, the window closed).
        if (cerrado_ || pregunta == 0 || pregunta != pregunta_)
            return;
        respuesta_ = std::move(respuesta);
    }
    cv_.notify_all();
}

void Interlocutor::Cerrar() {
    Avance avance;
    Preguntar preguntar;
    Confirmacion confirmacion;
    Aceptada aceptada;
    {
        const std::lock_guard<std::mutex> l(m_);
        cerrado_ = true;
        // What they hold of the window is let go here, not whenever the last holder goes.
        avance = std::move(avance_);
        preguntar = std::move(preguntar_);
        confirmacion = std::move(confirmacion_);
        aceptada = std::move(aceptada_);
        aceptada_ = nullptr;
        avance_ = nullptr;
        preguntar_ = nullptr;
        confirmacion_ = nullptr;
    }
    cv_.notify_all();
}

bool Interlocutor::cerrado() const {
    const std::lock_guard<std::mutex> l(m_);
    return cerrado_;
}

bool Interlocutor::preguntando() const {
    const std::lock_guard<std::mutex> l(m_);
    return pregunta_ != 0;
}

Historial::Historial(const QString &carpetaCategorias, QObject *padre)
    : QObject(padre), carpeta_(carpetaCategorias) {
    qRegisterMetaType<git::Informe>();
}

Historial::~Historial() = default;

bool Historial::primeraVersion(git::Repositorio &repo, QString *error) {
    // The library as it was before it had a history is its first version.
    QStringList presentes = repo.CategoriasPresentes();
    const QStringList grandes = SinGrandes(carpeta_, presentes);
    if (!grandes.isEmpty()) {
        qCWarning(lcHistorial) << "too big for a version, left out:" << grandes;
        emit fallo(AvisoVersion(grandes));
    }
    QString mensaje;
    if (!presentes.isEmpty() &&
        !repo.Confirmar(presentes, &mensaje, error,
                        QStringLiteral("Primera versión de la biblioteca: %1 %2")
                            .arg(presentes.size())
                            .arg(presentes.size() == 1 ? QStringLiteral("categoría") : QStringLiteral("categorías")))) {
        qCWarning(lcHistorial) << "Could not record the first version:" << *error;
        pendientes_ += presentes;
        return false;
    }
    return true;
}

// Moves the damaged .git aside and says where; empty when it could not be moved.
QString Historial::apartar(git::Repositorio &repo, const QString &motivo, QString *error) {
    QString apartado, e;
    if (!repo.Apartar(&apartado, &e)) {
        *error = QStringLiteral("el historial de las categorías está dañado (%1) y no se pudo dejar aparte: %2")
                     .arg(motivo, e);
        return {};
    }
    const QString ruta = QDir::toNativeSeparators(carpeta_ + QLatin1Char('/') + apartado);
    qCWarning(lcHistorial) << "Damaged history moved aside to" << ruta << "because:" << motivo;
    return QStringLiteral("El historial de las categorías estaba dañado (%1). Se dejó aparte, sin borrar nada, en "
                          "%2, y se empezó un historial nuevo con las categorías como están ahora.")
        .arg(motivo, ruta);
}

bool Historial::abrir(QString *error) {
    if (repo_ && repo_->abierto())
        return true;
    auto repo = std::make_unique<git::Repositorio>();
    bool creado = false;
    if (!repo->Abrir(carpeta_, true, &creado, error))
        return false;
    QString motivo, aviso;
    if (!creado && repo->Danado(&motivo)) {
        aviso = apartar(*repo, motivo, error);
        if (aviso.isEmpty() || !repo->Abrir(carpeta_, true, &creado, error))
            return false;
    }
    // A repository with no version yet: made by a first start that was cut short.
    if (creado || repo->Ultima().isEmpty())
        primeraVersion(*repo, error);
    repo_ = std::move(repo);
    if (!aviso.isEmpty())
        emit fallo(aviso);
    return true;
}

bool Historial::recuperarSiDanado(QString *aviso) {
    QString motivo, error;
    if (!repo_ || !repo_->Danado(&motivo))
        return false;
    *aviso = apartar(*repo_, motivo, &error);
    repo_.reset();
    if (aviso->isEmpty()) {
        *aviso = QStringLiteral("No se pudo guardar la versión en el historial: %1.").arg(error);
        return true;
    }
    pendientes_.clear(); // the new history's first version holds every file as it is now
    if (!abrir(&error))
        *aviso += QStringLiteral(" No se pudo empezar el historial nuevo: %1.").arg(error);
    return true;
}

void Historial::Preparar() {
    QString motivo;
    if (!Protegido([this] { preparar(); }, &motivo)) {
        repo_.reset(); // opened again from the disk at the next step
        emit fallo(QStringLiteral("No se pudo preparar el historial de las categorías: %1").arg(motivo));
    }
}

void Historial::preparar() {
    QString error;
    if (!abrir(&error))
        emit fallo(QStringLiteral("No se pudo preparar el historial de las categorías: %1").arg(error));
    else
        compactarSiHaceFalta();
}

void Historial::compactarSiHaceFalta() {
    // Counting is a look at every object folder, a few milliseconds: done after every version, since
    // one version of a big category can be more than the whole pack.
    if (git::Repositorio::HaceFaltaCompactar(repo_->ContarSueltos()))
        repo_->Compactar(nullptr, [this] { return cancelado_.load(); }); // a failure leaves it as it was
}

void Historial::Guardar(const QStringList &archivos, const QString &mensaje) {
    QString motivo;
    grandes_.clear();
    if (!Protegido([&] { guardar(archivos, mensaje); }, &motivo)) {
        repo_.reset();
        emit fallo(QStringLiteral("No se pudo guardar la versión en el historial: %1. Se guardará con el próximo "
                                  "cambio.")
                       .arg(motivo));
    }
    // Said after the version of the others, which would otherwise clear it at once.
    if (!grandes_.isEmpty())
        emit fallo(AvisoVersion(grandes_));
}

void Historial::guardar(const QStringList &archivos, const QString &mensaje) {
    for (const QString &a : archivos)
        if (!pendientes_.contains(a))
            pendientes_ << a;
    grandes_ = SinGrandes(carpeta_, pendientes_);
    if (!grandes_.isEmpty())
        qCWarning(lcHistorial) << "too big for a version, left out:" << grandes_;
    if (pendientes_.isEmpty())
        return;
    QString error, hecho;
    // A message given for these files does not describe others still waiting from a failed version.
    const QString dado = pendientes_.size() == archivos.size() ? mensaje : QString();
    if (!abrir(&error) || !repo_->Confirmar(pendientes_, &hecho, &error, dado)) {
        QString aviso;
        if (recuperarSiDanado(&aviso)) {
            emit fallo(aviso);
            return;
        }
        qCWarning(lcHistorial) << "Could not record a version:" << error;
        emit fallo(QStringLiteral("No se pudo guardar la versión en el historial: %1. Se guardará con el próximo "
                                  "cambio.")
                       .arg(error));
        return;
    }
    pendientes_.clear();
    // A damaged object read on the way (the last version of a file) makes this version unsure.
    QString aviso;
    if (recuperarSiDanado(&aviso)) {
        emit fallo(aviso);
        return;
    }
    if (!hecho.isEmpty()) {
        emit guardado(hecho);
        compactarSiHaceFalta();
    }
}

void Historial::Sincronizar(const QString &url) {
    QString motivo;
    if (!Protegido([&] { sincronizar(url); }, &motivo)) {
        repo_.reset();
        git::Informe informe;
        informe.error = QStringLiteral("No se pudo sincronizar: %1.").arg(motivo);
        emit sincronizado(informe);
    }
}

void Historial::sincronizar(const QString &url) {
    git::Informe informe;
    QString error;
    // Asked for just before the program closed: nothing is begun.
    if (cancelado_) {
        informe.error = QStringLiteral("Se canceló: el programa se está cerrando. No se ha cambiado nada.");
        emit sincronizado(informe);
        return;
    }
    if (!abrir(&error)) {
        informe.error = QStringLiteral("No se pudo preparar el historial de las categorías: %1").arg(error);
        emit sincronizado(informe);
        return;
    }
    git::Llamadas ll;
    if (interlocutor_) {
        ll.avance = [i = interlocutor_](const QString &t, int v, int m) { i->MostrarAvance(t, v, m); };
        ll.clave = [i = interlocutor_](const QString &u, bool rechazada, git::Clave *clave) {
            return i->PedirClave(u, rechazada, clave);
        };
        ll.aceptada = [i = interlocutor_](const QString &u) { i->ClaveAceptada(u); };
        ll.confirmar = [i = interlocutor_](const QString &texto) { return i->Confirmar(texto); };
    } else {
        ll.avance = [this](const QString &t, int v, int m) { emit avance(t, v, m); };
    }
    ll.cancelado = [this] { return cancelado_.load() || sincronizacionCancelada_.load(); };
    informe = git::Sincronizar(*repo_, url, ll);
    // What the sync could not read is not sent, and is said so.
    QStringList presentes = repo_->CategoriasPresentes();
    QStringList grandes = SinGrandes(carpeta_, presentes);
    if (informe.ok && !grandes.isEmpty())
        informe.avisos << AvisoGrandes(grandes, QStringLiteral("no se sincroniza"), QStringLiteral("no se sincronizan"));
    QString aviso;
    if (!informe.ok && recuperarSiDanado(&aviso)) {
        informe.error = aviso;
        emit sincronizado(informe);
        return;
    }
    // The sync records every change waiting here before it merges.
    const QStringList siguen = repo_->Pendientes();
    QStringList quedan;
    for (const QString &a : pendientes_)
        if (siguen.contains(a))
            quedan << a;
    pendientes_ = quedan;
    emit sincronizado(informe);
}
