#pragma once
#include "history/Sincronizacion.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace git {
class Repositorio;
}

// Keeps the versions of the Categorias folder and syncs it. Lives in a thread of its own: saving a
// big category is not slowed by recording it, and the window does not wait for the network. Its
// slots run one at a time, in the order they were asked for.
class Historial : public QObject {
    Q_OBJECT
public:
    explicit Historial(const QString &carpetaCategorias, QObject *padre = nullptr);
    ~Historial() override;

    // How a sync asks the user for a user name and password; set before the object is moved.
    void setPedirClave(std::function<bool(const QString &url, QString *usuario, QString *clave)> f) {
        pedirClave_ = std::move(f);
    }
    // The program is closing: a sync under way stops at once, a compaction gives up. Any thread.
    void Cancelar() { cancelado_ = true; }
    // Stops the sync under way, or the one asked for and not yet begun. Any thread.
    void CancelarSincronizacion() { sincronizacionCancelada_ = true; }
    // A sync is asked for: an earlier CancelarSincronizacion no longer applies. Any thread.
    void NuevaSincronizacion() { sincronizacionCancelada_ = false; }

public slots:
    // Opens the folder's repository, or makes it at the first start with a first version of the
    // categories that are there; so does a repository left with no version (a first start cut
    // short). A damaged repository is moved aside, kept, and a new history begins.
    void Preparar();
    // Records the files as one version. When that fails they wait, and go with the next version.
    void Guardar(const QStringList &archivos, const QString &mensaje = QString());
    void Sincronizar(const QString &url);

signals:
    void guardado(const QString &mensaje);
    void fallo(const QString &motivo);
    void avance(const QString &texto, int valor, int maximo);
    void sincronizado(const git::Informe &informe);

private:
    // The slots' work; the slots turn an exception into a failure.
    void preparar();
    void guardar(const QStringList &archivos, const QString &mensaje);
    void sincronizar(const QString &url);
    bool abrir(QString *error);
    bool primeraVersion(git::Repositorio &repo, QString *error);
    // When the repository is damaged: moved aside and a new history begun; *aviso says so.
    bool recuperarSiDanado(QString *aviso);
    QString apartar(git::Repositorio &repo, const QString &motivo, QString *error);
    void compactarSiHaceFalta();

    QString carpeta_;
    std::unique_ptr<git::Repositorio> repo_;
    QStringList pendientes_;
    QStringList grandes_; // left out of the version being recorded: too big to read
    std::atomic_bool cancelado_{false};
    std::atomic_bool sincronizacionCancelada_{false};
    std::function<bool(const QString &, QString *, QString *)> pedirClave_;
};
