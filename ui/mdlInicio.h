#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
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

// The running instance's ear: a second start of the same application folder calls `alLlamar`.
// What is done then (bringing the window to the front) is the caller's business.
class Presencia : public QObject {
    Q_OBJECT
public:
    explicit Presencia(QObject *padre = nullptr);
    ~Presencia() override;
    bool Escuchar(const QString &carpeta, std::function<void()> alLlamar);
    // From a second start: asks the instance of the folder to show itself; false when none answers.
    static bool Llamar(const QString &carpeta);

private:
    std::unique_ptr<QLocalServer> servidor_;
    std::function<void()> alLlamar_;
};

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
