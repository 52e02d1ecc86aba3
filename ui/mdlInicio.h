#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QSystemTrayIcon;
class frmBusquedaRapida;
class QLockFile;
class QWidget;
class frmPrincipal;

namespace mdlInicio {
// The one-instance lock of an application folder, held while this lives.
class Instancia {
public:
    explicit Instancia(int descriptor);
    explicit Instancia(std::unique_ptr<QLockFile> archivo);
    ~Instancia();
    Instancia(const Instancia &) = delete;
    Instancia &operator=(const Instancia &) = delete;

private:
    int fd_;
    std::unique_ptr<QLockFile> archivo_; // where the folder cannot be locked
};

// Takes the one-instance lock of the application folder: an advisory lock on the folder itself, so
// two starts on one library always meet, whatever their temporary folders, and taking it needs no
// free space. Null when another instance holds it (*error empty) or when the folder cannot be
// opened (*error holds the reason, in Spanish). A crashed run holds nothing.
std::unique_ptr<Instancia> TomarInstancia(const QString &carpeta, QString *error = nullptr);

// The running instance's ear: a second start of the same application folder calls `alLlamar` with
// what it was asked (empty: show yourself). What is done then is the caller's business.
// The channel is the user's own: a socket file in the user's runtime folder when that folder is
// theirs alone, an abstract socket otherwise; either way a connection from another user is closed
// unread, and a call reaches only a listener of the caller's own user.
class Presencia : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaximo = 64 * 1024; // a longer message is no start of ours: dropped
    // A message ends with this byte (no argument can hold it); the listener answers kRecibido once
    // it has read a whole one.
    static constexpr char kFin = '\0';
    static constexpr char kRecibido[] = "recibido\n";
    explicit Presencia(QObject *padre = nullptr);
    ~Presencia() override;
    // Callers hold the folder's instance lock. False when nothing could listen (logged): the
    // program goes on without being called.
    bool Escuchar(const QString &carpeta, std::function<void(const QByteArray &mensaje)> alLlamar);
    bool Escuchar(const QString &carpeta, std::function<void()> alLlamar);
    // From a second start: hands the instance of the folder `mensaje` (empty: show yourself); true
    // only when the instance answered that it read it. Otherwise `razon` says why, in Spanish.
    static bool Llamar(const QString &carpeta, const QByteArray &mensaje = QByteArray(), QString *razon = nullptr);

    // The channel's name for a folder (from its path), used as is for the abstract socket.
    static QString Clave(const QString &carpeta);
    // The socket file for a folder in $XDG_RUNTIME_DIR; empty when that folder is missing, not the
    // user's or open to others (mode other than 0700).
    static QString Ruta(const QString &carpeta);

private:
    void atender(QLocalSocket *s);
    std::unique_ptr<QLocalServer> servidor_;
    std::function<void(const QByteArray &)> alLlamar_;
};

// What a start was asked on its command line: `--buscar [TEXTO]` brings up the quick search with
// TEXTO typed.
struct Pedido {
    bool buscar = false;
    QString texto;
    bool sincronizar = false; // `--sincronizar`, handed to the running window
};
Pedido LeerPedido(const QStringList &argumentos);
// The message a second start hands the running one, and back.
QByteArray Mensaje(const Pedido &pedido);
Pedido DeMensaje(const QByteArray &mensaje);

// What the running instance does when a second start calls: the quick search comes up with the
// text asked, or the main window comes to the front.
void Atender(const QByteArray &mensaje, frmBusquedaRapida &rapida, const std::function<void()> &abrirPrincipal,
             const std::function<void()> &sincronizar = {});
// `rutinero --sincronizar`: one sync of the data folder's library without a window, its summary on
// the terminal; 0 when it synced. A window open on the library is asked to do it instead.
int SincronizarSinVentana(int argc, char **argv);

// The tray icon where the desktop has a tray: a click opens the quick search, its menu the main
// window too. Null where there is no tray.
std::unique_ptr<QSystemTrayIcon> IconoBandeja(frmBusquedaRapida &rapida, std::function<void()> abrirPrincipal);

// Shows the window (restored if minimised), raises it and gives it the focus; a modal dialog open
// over it comes up too.
void TraerAlFrente(QWidget *ventana);

// The program told to stop (a signal) or the desktop session ending closes the window as the close
// box does, asking where the session allows it and keeping pending changes for the next start
// where it does not.
void ConectarFin(frmPrincipal &principal);

// The program's entry.
int Main(int argc, char **argv);
} // namespace mdlInicio
