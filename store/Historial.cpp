#include "store/Historial.h"
#include "store/Repositorio.h"

Historial::Historial(const QString &carpetaCategorias, QObject *padre)
    : QObject(padre), carpeta_(carpetaCategorias) {
    qRegisterMetaType<git::Informe>();
}

Historial::~Historial() = default;

bool Historial::abrir(QString *error) {
    if (repo_ && repo_->abierto())
        return true;
    auto repo = std::make_unique<git::Repositorio>();
    bool creado = false;
    if (!repo->Abrir(carpeta_, true, &creado, error))
        return false;
    if (creado) {
        // The library as it was before it had a history is its first version.
        const QStringList presentes = repo->CategoriasPresentes();
        QString mensaje;
        if (!presentes.isEmpty() &&
            !repo->Confirmar(presentes, &mensaje, error,
                             QStringLiteral("Primera versión de la biblioteca: %1 %2")
                                 .arg(presentes.size())
                                 .arg(presentes.size() == 1 ? QStringLiteral("categoría")
                                                            : QStringLiteral("categorías"))))
            pendientes_ += presentes;
    }
    repo_ = std::move(repo);
    return true;
}

void Historial::Preparar() {
    QString error;
    if (!abrir(&error))
        emit fallo(QStringLiteral("No se pudo preparar el historial de las categorías: %1").arg(error));
    else
        compactarSiHaceFalta();
}

void Historial::compactarSiHaceFalta() {
    // Counting is a look at every object folder: done at the start and every few versions.
    versionesSinMirar_ = 0;
    if (git::Repositorio::HaceFaltaCompactar(repo_->ContarSueltos()))
        repo_->Compactar(nullptr, [this] { return cancelado_.load(); }); // a failure leaves it as it was
}

void Historial::Guardar(const QStringList &archivos, const QString &mensaje) {
    for (const QString &a : archivos)
        if (!pendientes_.contains(a))
            pendientes_ << a;
    QString error, hecho;
    // A message given for these files does not describe others still waiting from a failed version.
    const QString dado = pendientes_.size() == archivos.size() ? mensaje : QString();
    if (!abrir(&error) || !repo_->Confirmar(pendientes_, &hecho, &error, dado)) {
        emit fallo(QStringLiteral("No se pudo guardar la versión en el historial: %1. Se guardará con el próximo "
                                  "cambio.")
                       .arg(error));
        return;
    }
    pendientes_.clear();
    if (!hecho.isEmpty()) {
        emit guardado(hecho);
        if (++versionesSinMirar_ >= 16)
            compactarSiHaceFalta();
    }
}

void Historial::Sincronizar(const QString &url) {
    git::Informe informe;
    QString error;
    if (!abrir(&error)) {
        informe.error = QStringLiteral("No se pudo preparar el historial de las categorías: %1").arg(error);
        emit sincronizado(informe);
        return;
    }
    git::Llamadas ll;
    ll.avance = [this](const QString &t, int v, int m) { emit avance(t, v, m); };
    ll.clave = pedirClave_;
    ll.cancelado = [this] { return cancelado_.load(); };
    informe = git::Sincronizar(*repo_, url, ll);
    // The sync records every change waiting here before it merges.
    const QStringList siguen = repo_->Pendientes();
    QStringList quedan;
    for (const QString &a : pendientes_)
        if (siguen.contains(a))
            quedan << a;
    pendientes_ = quedan;
    emit sincronizado(informe);
}
