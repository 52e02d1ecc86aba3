#pragma once
#include "search/Busqueda.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class VigiaCarpeta;

Q_DECLARE_METATYPE(biblioteca::Respuesta)

// Keeps the library's index up to the category files and answers searches, both off the user
// interface thread: one thread writes the index, another searches, each with its own connection.
// Typing never waits for either; a newer query makes an older one of the same asker give up, while
// the queries of different askers (windows sharing the index) are each answered, in turn.
class Indexador : public QObject {
    Q_OBJECT
public:
    Indexador(const QString &carpetaCategorias, const QString &rutaIndice, QObject *padre = nullptr);
    ~Indexador() override;

    // Starts watching the folder and the first pass over it.
    void Iniciar();
    bool iniciado() const { return vigia_ != nullptr; }
    // Asks for a search for `quien` (the window asking; callers that name none are one asker); the
    // answer comes through `hallados` (and first `adelanto`) with the number given here, which is
    // never given twice, so each asker knows its latest answer among those of the others.
    quint64 Buscar(const QString &consulta, int limite, const QObject *quien = nullptr);
    // Where each search, when asked, takes the open category's unsaved scripts from, to search them
    // in place of its file (on the asker's thread, the one that owns them).
    void setSinGuardar(std::function<biblioteca::SinGuardar()> sinGuardar) { sinGuardar_ = std::move(sinGuardar); }
    // Asks for the library's tags with their counts, answered as a search is (Respuesta::etiquetas).
    quint64 Etiquetas(const QObject *quien);

public slots:
    // Files the program wrote, renamed, deleted or imported (names relative to the folder): indexed
    // again even when their size and time look the same.
    void ArchivosEscritos(const QStringList &archivos);
    // A pass over the folder: only categories whose file changed are read again.
    void Actualizar();

signals:
    void hallados(quint64 numero, const biblioteca::Respuesta &respuesta);
    // The final results of search `numero` before their count is done (`contando` set); `hallados`
    // follows with the count.
    void adelanto(quint64 numero, const biblioteca::Respuesta &respuesta);
    // What searching keeps in memory is loaded (at start and after a pass), or its loading was given up.
    void listo(bool cargado);
    // During a pass: bytes of category files indexed of those to index.
    void avance(qint64 hecho, qint64 total);
    // A pass ended; the categories it indexed again.
    void actualizado(const QStringList &categorias);
    // Why the index is not (all) in use, for the user; empty once it is again.
    void aviso(const QString &texto);

private:
    quint64 Pedir(const QObject *quien, const QString &consulta, int limite, bool etiquetas,
                  biblioteca::SinGuardar sinGuardar = {});
    struct Hilos;
    std::shared_ptr<Hilos> h_;
    VigiaCarpeta *vigia_ = nullptr;
    std::function<biblioteca::SinGuardar()> sinGuardar_;
};
