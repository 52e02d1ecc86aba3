#pragma once
#include "history/Sincronizacion.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <memory>
#include <optional>

class Historial;
class Interlocutor;
class QPushButton;
class QTimer;
class Principal;

// The main window's side of history and sync: records every change the program writes as a
// version (when the preference says so), opens the history windows and runs the sync with its
// progress in the status bar. The recording and the sync run in one thread of their own, in order.
class Versiones : public QObject {
    Q_OBJECT
public:
    Versiones(Principal &principal, QObject *padre);
    ~Versiones() override;

    void MostrarHistorial();  // "Historial" of the open category
    void MostrarEliminadas(); // "Categorías eliminadas"
    void Sincronizar();
    // The sync's address and the automatic versions; false when cancelled.
    bool Configurar();

    // Files the program wrote, recorded as one version (with this message, when given).
    void Guardar(const QStringList &archivos, const QString &mensaje = QString());
    // Returns once every version asked for so far is recorded (or has failed); false when that
    // took longer than `limiteMs` (no limit when negative) and it returned without it.
    bool Esperar(int limiteMs = -1);
    // The sync the program starts by itself every SincronizarCada minutes: set again after the
    // preference changes. Such a sync asks nothing and shows its end in the status bar only.
    void ProgramarAutomatica();
    // What the timer does when it fires: a quiet sync, unless something is pending here (changes
    // not saved, a dialog open, a sync under way); false when it did not begin.
    bool SincronizarSola();
    // Milliseconds until the next quiet sync; 0 when none is due. After failures it waits longer.
    int esperaAutomatica() const;
    // Stops the sync under way ("Cancelar" in the status bar).
    void CancelarSincronizacion();
    bool sincronizando() const { return sincronizando_; }
    // The sync's thread waits for a user name and password.
    bool esperandoClave() const;

    int guardadas() const { return guardadas_; }
    QString ultimoMensaje() const { return ultimoMensaje_; }
    QString ultimoFallo() const { return ultimoFallo_; }

signals:
    void sincronizacionTerminada(const git::Informe &informe);

private:
    void alGuardar(const QString &mensaje);
    void alFallar(const QString &motivo);
    void alSincronizar(const git::Informe &informe);
    // The thread's question number `pregunta`, asked in this window's thread.
    // A password kept in the keyring is given without a question; one the server refused is
    // forgotten there first.
    void pedirClave(quint64 pregunta, const QString &url, const QString &usuario, bool rechazada);
    void preguntarClave(quint64 pregunta, const QString &url, const QString &usuario, const QString &aviso,
                        const QString &sinLlavero);
    // The server took the password: kept in the keyring when the user asked for it.
    void claveAceptada();
    void olvidarClave();
    void confirmar(quint64 pregunta, const QString &texto);
    void empezar(const QString &url);

    Principal &p_;
    // Not owned when closing finds it stuck inside the kernel (a folder that stopped answering):
    // the process ends without it.
    QThread *hilo_ = nullptr;
    QPushButton *cancelar_ = nullptr;
    Historial *motor_ = nullptr;
    std::shared_ptr<Interlocutor> enlace_;
    bool sincronizando_ = false;
    bool silenciosa_ = false;    // the sync under way is the timer's: it asks nothing
    bool lefaltoAlgo_ = false;  // it needed an answer it could not ask for
    int fallosSeguidos_ = 0;    // of the timer's syncs, for the back-off
    // The password of the sync under way, until it ends.
    struct Clave {
        QString url, usuario, clave;
        bool recordar = false; // to be kept once the server takes it
        bool guardada = false; // it came from the keyring
    };
    Clave clave_;
    bool guardando_ = false; // the keyring is being written: the end of the sync waits for it
    std::optional<git::Informe> informeEnEspera_;
    QString avisoLlavero_; // why the keyring did not keep it, for the summary
    QTimer *reloj_ = nullptr;
    QString urlSincronizacion_;
    int guardadas_ = 0;
    QString ultimoMensaje_;
    QString ultimoFallo_;
};


