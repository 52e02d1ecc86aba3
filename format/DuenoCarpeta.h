#pragma once
#include "format/Categorias.h"

#include "core/Archivos.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

// The one writer of a Categorias folder: every write, rename and delete of a category file goes
// through here, one at a time whatever the thread (the window's saves, moves and imports, history
// restores, recovery, the sync's write step), and each is announced the same way, so that history
// and index see every change.
class DuenoCarpeta : public QObject {
    Q_OBJECT
public:
    // The owner of the folder, the same object for the same folder in the whole process.
    static DuenoCarpeta &De(const QString &carpeta);
    QString carpeta() const { return carpeta_; }

    // Names are file names inside the folder ("Menus.rtn"); anything else is refused.
    // `mensaje`, when given, is the history's words for the change.
    bool Guardar(const QString &archivo, const QByteArray &datos, QString *error = nullptr,
                 const QString &mensaje = QString());
    bool Eliminar(const QString &archivo, QString *error = nullptr);
    categorias::Renombre Renombrar(const QString &de, const QString &a, QString *error = nullptr);
    // A file from elsewhere copied in as a new category of the user's own.
    bool Copiar(const QString &origen, const QString &archivo, QString *error = nullptr);

    // Several operations as one: while the returned object lives the folder is this thread's, and
    // the others' operations wait. Its writes are announced together when it goes. Null only in the
    // interface thread, when another thread held the folder past the wait's bound (*error says so).
    class Toma {
    public:
        ~Toma();
        Toma(const Toma &) = delete;
        Toma &operator=(const Toma &) = delete;

    private:
        friend class DuenoCarpeta;
        explicit Toma(DuenoCarpeta &d) : d_(d) {}
        DuenoCarpeta &d_;
    };
    std::unique_ptr<Toma> Tomar(QString *error = nullptr);

    // Whoever reads back what the program has just written (the index, the history) takes the bytes
    // from here instead of from the disk. While readers are registered, the last write of each file
    // is kept until each of them has taken it, within a bound on memory.
    // Gives the reader's number (-1 when there are too many readers).
    int RetenerEscritos();
    void SoltarEscritos(int lector);
    // The bytes of the program's last write of `archivo`, when the file on disk is still exactly that
    // write (same inode, size and times); false otherwise. Once per reader and write.
    bool TomarEscrito(int lector, const QString &archivo, QByteArray &datos);

    // Told in the interface thread when it starts and ends waiting for another thread's hold (the
    // window says so). The wait processes no events: a timer or a stop signal handled in the middle
    // of a command would act on half of it.
    void setAlEsperar(std::function<void(bool esperando)> f) { alEsperar_ = std::move(f); }
    // How long the interface thread waits for another thread's hold before its operation fails
    // (other threads wait as long as it takes). The sync's write step takes far less.
    void setLimiteEspera(int ms) { limiteEsperaMs_ = ms; }
    int limiteEspera() const { return limiteEsperaMs_; }

signals:
    // Files written, renamed or removed (names inside the folder). May come from any thread.
    void escritos(const QStringList &archivos, const QString &mensaje);
    // A thread took the folder for several operations; sent from that thread while it holds it.
    void tomada();

private:
    explicit DuenoCarpeta(const QString &carpeta);
    bool Valido(const QString &archivo, QString *error) const;
    bool Entrar(QString *error);
    void Salir(const QStringList &hechos, const QString &mensaje = QString());

    QString carpeta_;
    QRecursiveMutex m_;
    int profundidad_ = 0;  // nested operations of the thread that holds it
    QStringList juntos_;   // what a Toma wrote, told when it goes
    std::function<void(bool)> alEsperar_;
    std::atomic_int limiteEsperaMs_{20000};

    struct Escrito {
        QByteArray datos;
        archivos::Identidad identidad;
        quint32 faltan = 0; // readers that have not taken it yet
        QElapsedTimer desde;
    };
    void Retener(const QString &archivo, const QByteArray &datos, const archivos::Identidad &identidad);
    QMutex mEscritos_; // the kept writes are taken from other threads
    quint32 lectores_ = 0; // one bit per registered reader
    qint64 retenido_ = 0; // bytes kept
    QHash<QString, Escrito> escritos_;
};

// One reader of the program's own writes to a folder, registered with its owner while it lives.
class LectorEscritos {
public:
    LectorEscritos() = default;
    ~LectorEscritos() { Para(QString()); }
    LectorEscritos(const LectorEscritos &) = delete;
    LectorEscritos &operator=(const LectorEscritos &) = delete;
    // Takes the writes made to `carpeta` from now on (those of the folder of the last call only).
    void Para(const QString &carpeta);
    // DuenoCarpeta::TomarEscrito for this reader, from any thread.
    bool Tomar(const QString &archivo, QByteArray &datos) const {
        return dueno_ && dueno_->TomarEscrito(numero_, archivo, datos);
    }

private:
    DuenoCarpeta *dueno_ = nullptr;
    int numero_ = -1;
};
