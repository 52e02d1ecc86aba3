#pragma once
#include "history/Sincronizacion.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <memory>

class Historial;
class Interlocutor;
class QPushButton;
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
    void pedirClave(quint64 pregunta, const QString &url, const QString &usuario);

    Principal &p_;
    // Not owned when closing finds it stuck inside the kernel (a folder that stopped answering):
    // the process ends without it.
    QThread *hilo_ = nullptr;
    QPushButton *cancelar_ = nullptr;
    Historial *motor_ = nullptr;
    std::shared_ptr<Interlocutor> enlace_;
    bool sincronizando_ = false;
    QString urlSincronizacion_;
    int guardadas_ = 0;
    QString ultimoMensaje_;
    QString ultimoFallo_;
};

// The summary the user reads at the end of a sync.
QString TextoInforme(const git::Informe &informe, const QString &url);
