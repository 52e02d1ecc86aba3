#pragma once
#include "search/Busqueda.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace biblioteca {

// The full-text index of the library: an SQLite file beside the preferences, with a trigram index
// over folded copies of names, descriptions and code, and the originals to show. It is only a cache:
// the category files stay the truth, and a category the index does not hold as its file is now is
// read from the file when searching.
// One object is one connection, used by one thread; each thread opens its own.
// Whether indexing `porIndexar` more bytes of categories leaves the disk holding the index its
// reserve (64 MB, or a tenth of a small disk) for the user's own saves.
bool HayEspacio(const QString &rutaIndice, qint64 porIndexar);

class Indice {
public:
    explicit Indice(const QString &ruta);
    ~Indice();
    Indice(const Indice &) = delete;
    Indice &operator=(const Indice &) = delete;

    // For the thread that writes: opens the index, or makes it anew when it is missing, damaged,
    // locked by another program or of an older format. False when no index can be had at all.
    bool AbrirParaEscribir();
    // For a thread that only searches: opens the index as it is; false when there is none usable.
    // `unaVez`: for a single question (the command line), the file is read, not mapped: mapping
    // costs more in page faults and the unmapping at the end than one query gains from it.
    bool AbrirParaLeer(bool unaVez = false);
    bool abierto() const;
    void Cerrar();
    // Removes the index file and makes an empty one.
    bool Rehacer();
    // From any thread: the statement running now gives up.
    void Interrumpir();
    // An operation met a damaged file: it must be made anew.
    bool danado() const;
    // Another program holds the file locked: it is neither written nor made anew meanwhile.
    bool ocupado() const;
    // The last pass stopped short because the disk is nearly full.
    bool sinEspacio() const;
    // The categories the last pass left out because their files are bigger than any file the
    // program reads (archivos::kMayorLectura).
    QStringList Grandes() const;

    // Brings the index up to the folder: categories whose file size or time changed (and those in
    // `forzados`, just written by the program) are read again, and within them only the scripts that
    // changed are indexed again; removed files leave. `avance` hears bytes done of bytes to do.
    // Gives the categories read again. A category that cannot be indexed stays as it was.
    QStringList Actualizar(const QString &carpeta, const QStringList &forzados = {},
                           const std::function<void(qint64, qint64)> &avance = {},
                           const std::atomic<bool> *cancelar = nullptr);

    // Answers from the index for every category it holds as its file is now and reads the files of
    // the others; without an index, reads every file. When the best results are known before the
    // count, `adelanto` hears them first (with `contando` set), and the answer adds the count.
    Respuesta Buscar(const QString &carpeta, const QString &consulta, int limite,
                     const std::atomic<bool> *cancelar = nullptr,
                     const std::function<void(const Respuesta &)> &adelanto = {});
    // One query from a connection that searches only once (the command line): only the rows of the
    // scripts the index points at are read, not every name, and the code only where a word must be
    // confirmed in it. Every match, best first, without its code; what Buscar finds. A query the
    // index cannot narrow (words of one or two letters, or only of trigrams it leaves out) is
    // answered by Buscar.
    Respuesta BuscarUnaVez(const QString &carpeta, const QString &consulta);
    // The library's tags with how many scripts carry each: from the index for the categories it holds
    // as their files are now, from the files for the others; without an index, from every file.
    Respuesta Etiquetas(const QString &carpeta, const std::atomic<bool> *cancelar = nullptr);
    // Loads what searching keeps in memory (every script's name and description), so that the first
    // search of a session costs no more than the next. False when cancelled or without an index.
    bool Calentar(const QString &carpeta, const std::atomic<bool> *cancelar = nullptr);

    // Whoever watches the folder raises `vista` whenever a file in it may have changed: while it stays
    // the same, searches take the folder as last looked at instead of looking at every file again.
    // 0 (the default) looks every time.
    void setVista(quint64 vista);

    // The categories the index holds, with how their files looked when indexed.
    QMap<QString, Sello> Indexadas();

private:
    struct Datos;
    std::unique_ptr<Datos> d_;
};

} // namespace biblioteca
