#pragma once
#include "history/Sincronizacion.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace git {
class Repositorio;
}

// What a sync asks of the window that started it (a user name and password, showing progress),
// through an object both sides hold: the window closes it before it goes, and a call that comes
// later from the history thread finds it closed and gets no answer, instead of reaching a window
// that no longer exists.
class Interlocutor {
public:
    using Respuesta = std::optional<git::Clave>; // a user name and password; any value is a yes
    // Both run on the history thread under the lock, so closing waits for them; they only hand the
    // work to the window's thread. The question is answered through Responder with its number.
    using Avance = std::function<void(const QString &texto, int valor, int maximo)>;
    // `rechazada`: the server refused the kept password the window gave before.
    using Preguntar =
        std::function<void(quint64 pregunta, const QString &url, const QString &usuario, bool rechazada)>;
    Interlocutor(Avance avance, Preguntar preguntar);

    // A yes/no question, answered through Responder too: any answer with a value is yes.
    using Confirmacion = std::function<void(quint64 pregunta, const QString &texto)>;
    void setConfirmacion(Confirmacion c);
    // The server took the password the window gave (on the history thread, under the lock too).
    using Aceptada = std::function<void(const QString &url)>;
    void setAceptada(Aceptada a);

    void MostrarAvance(const QString &texto, int valor, int maximo);
    // Waits for the answer to the question; false when none was given or the window closed.
    bool PedirClave(const QString &url, bool rechazada, git::Clave *clave);
    void ClaveAceptada(const QString &url);
    bool Confirmar(const QString &texto);
    void Responder(quint64 pregunta, Respuesta respuesta);
    // From here on nothing reaches the window; a question waiting is answered "no". Any thread.
    void Cerrar();
    bool cerrado() const;
    // A question is waiting for its answer.
    bool preguntando() const;

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    Avance avance_;
    Preguntar preguntar_;
    Confirmacion confirmacion_;
    Aceptada aceptada_;
    bool cerrado_ = false;
    quint64 ultima_ = 0;
    quint64 pregunta_ = 0; // the question waiting, 0 when none
    std::optional<Respuesta> respuesta_;
    // Hands the question to the window with its number and waits under the lock; no value when
    // nothing answered.
    std::optional<Respuesta> Esperar(std::unique_lock<std::mutex> &l, const std::function<void(quint64)> &hacer);
};

// Keeps the versions of the Categorias folder and syncs it. Lives in a thread of its own: saving a
// big category is not slowed by recording it, and the window does not wait for the network. Its
// slots run one at a time, in the order they were asked for.
class Historial : public QObject {
    Q_OBJECT
public:
    explicit Historial(const QString &carpetaCategorias, QObject *padre = nullptr);
    ~Historial() override;

    // How a sync asks for a password and shows its progress; set before the object is moved.
    // Without one a sync asks nobody and its progress goes out as `avance`.
    void setInterlocutor(std::shared_ptr<Interlocutor> i) { interlocutor_ = std::move(i); }
    // The program is closing: a sync under way stops at once (its connections are cut), one not
    // yet begun does not begin, a compaction gives up. Any thread.
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
    std::shared_ptr<Interlocutor> interlocutor_;
};
