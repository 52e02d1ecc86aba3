#include "store/Indexador.h"
#include "store/IndiceBiblioteca.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>
#include <atomic>

using biblioteca::Indice;
using biblioteca::Respuesta;

struct Indexador::Hilos {
    QString carpeta, ruta;
    QMutex m;
    QWaitCondition hayPasada, hayConsulta;
    std::atomic<bool> salir{false};

    // The writer.
    bool pasada = false;
    QStringList forzados;
    std::atomic<bool> cancelarPasada{false};
    std::atomic<bool> rehacer{false};
    // Raised each time the writer opens the file anew, so the searcher opens it again too.
    std::atomic<int> epoca{0};
    Indice *escritor = nullptr;

    // The searcher.
    bool consultaPendiente = false;
    QString consulta;
    int limite = 0;
    quint64 numero = 0;
    std::atomic<bool> cancelarConsulta{false};
    Indice *lector = nullptr;

    QThread *hiloIndice = nullptr, *hiloBusqueda = nullptr;

    void Indexar(Indexador *dueno);
    void Revisar(Indexador *dueno, Indice &indice, QStringList &antes);
    void Buscar(Indexador *dueno);
};

namespace {
// Runs `f` on the owner's thread. The owner outlives the threads (its destructor waits for them), and
// what is still queued when it goes is dropped with it.
template <typename F> void EnDueno(Indexador *dueno, F &&f) {
    QMetaObject::invokeMethod(dueno, std::forward<F>(f), Qt::QueuedConnection);
}
} // namespace

void Indexador::Hilos::Revisar(Indexador *dueno, Indice &indice, QStringList &antes) {
    // A file still being written when it was read, or written in place before it was watched, differs
    // from what was indexed: one more pass shortly. What stays different (a file that cannot be read)
    // does not keep passes coming.
    QStringList pendientes;
    const QMap<QString, biblioteca::Sello> hechas = indice.Indexadas();
    const QMap<QString, biblioteca::Sello> disco = biblioteca::Archivos(carpeta);
    for (auto it = disco.cbegin(); it != disco.cend(); ++it)
        if (hechas.value(it.key()) != it.value())
            pendientes.append(it.key());
    if (indice.abierto() && !pendientes.isEmpty() && pendientes != antes)
        EnDueno(dueno, [d = dueno] { QTimer::singleShot(300, d, &Indexador::Actualizar); });
    antes = pendientes;
}

void Indexador::Hilos::Indexar(Indexador *dueno) {
    Indice indice(ruta);
    QStringList pendientes;
    {
        QMutexLocker l(&m);
        escritor = &indice;
    }
    for (;;) {
        QStringList estos;
        {
            QMutexLocker l(&m);
            while (!salir && !pasada)
                hayPasada.wait(&m);
            if (salir)
                break;
            pasada = false;
            estos.swap(forzados);
        }
        // A damaged file is made anew once per pass; one that fails again waits for the next.
        for (int intento = 0; intento < 2; ++intento) {
            if (rehacer.exchange(false) || indice.danado()) {
                indice.Rehacer();
                ++epoca;
            } else if (!indice.abierto()) {
                indice.AbrirParaEscribir();
                ++epoca;
            }
            const QStringList hechas = indice.Actualizar(
                carpeta, estos,
                [dueno](qint64 hecho, qint64 total) {
                    EnDueno(dueno, [d = dueno, hecho, total] { emit d->avance(hecho, total); });
                },
                &cancelarPasada);
            if (!indice.danado() || salir) {
                Revisar(dueno, indice, pendientes);
                EnDueno(dueno, [d = dueno, hechas] { emit d->actualizado(hechas); });
                break;
            }
        }
    }
    QMutexLocker l(&m);
    escritor = nullptr;
}

void Indexador::Hilos::Buscar(Indexador *dueno) {
    Indice indice(ruta);
    int abiertaEn = -1;
    {
        QMutexLocker l(&m);
        lector = &indice;
    }
    for (;;) {
        QString texto;
        int cuantos;
        quint64 n;
        {
            QMutexLocker l(&m);
            while (!salir && !consultaPendiente)
                hayConsulta.wait(&m);
            if (salir)
                break;
            consultaPendiente = false;
            cancelarConsulta = false;
            texto = consulta;
            cuantos = limite;
            n = numero;
        }
        if (abiertaEn != epoca) {
            abiertaEn = epoca;
            indice.AbrirParaLeer(); // without it, the files are read
        }
        Respuesta r = indice.Buscar(carpeta, texto, cuantos, &cancelarConsulta);
        if (indice.danado()) {
            indice.Cerrar();
            rehacer = true;
            EnDueno(dueno, [d = dueno] { d->Actualizar(); });
        }
        if (!r.interrumpida)
            EnDueno(dueno, [d = dueno, n, r = std::move(r)] { emit d->hallados(n, r); });
    }
    QMutexLocker l(&m);
    lector = nullptr;
}

Indexador::Indexador(const QString &carpetaCategorias, const QString &rutaIndice, QObject *padre)
    : QObject(padre), h_(std::make_shared<Hilos>()) {
    qRegisterMetaType<biblioteca::Respuesta>();
    h_->carpeta = carpetaCategorias;
    h_->ruta = rutaIndice;
    Indexador *yo = this;
    h_->hiloIndice = QThread::create([h = h_, yo] { h->Indexar(yo); });
    h_->hiloBusqueda = QThread::create([h = h_, yo] { h->Buscar(yo); });
    h_->hiloIndice->setObjectName(QStringLiteral("indice"));
    h_->hiloBusqueda->setObjectName(QStringLiteral("busqueda"));
    // Indexing gives way to searching and to the window on a busy machine.
    h_->hiloIndice->start(QThread::LowPriority);
    h_->hiloBusqueda->start();
}

Indexador::~Indexador() {
    {
        QMutexLocker l(&h_->m);
        h_->salir = true;
        h_->cancelarPasada = true;
        h_->cancelarConsulta = true;
        for (Indice *i : {h_->escritor, h_->lector})
            if (i)
                i->Interrumpir();
        h_->hayPasada.wakeAll();
        h_->hayConsulta.wakeAll();
    }
    for (QThread *t : {h_->hiloIndice, h_->hiloBusqueda}) {
        t->wait();
        delete t;
    }
}

void Indexador::Iniciar() {
    if (vigia_)
        return;
    vigia_ = new QFileSystemWatcher(this);
    connect(vigia_, &QFileSystemWatcher::directoryChanged, this, [this] {
        Vigilar();
        Actualizar();
    });
    connect(vigia_, &QFileSystemWatcher::fileChanged, this, [this] {
        Vigilar();
        Actualizar();
    });
    Vigilar();
    Actualizar();
}

void Indexador::Vigilar() {
    // The folder tells of files added, removed and renamed; each file of changes written in place.
    // A file replaced by a rename is a new file and must be watched again.
    if (!vigia_->directories().contains(h_->carpeta) && QDir(h_->carpeta).exists())
        vigia_->addPath(h_->carpeta);
    QStringList nuevos;
    const QStringList vigilados = vigia_->files();
    for (const QString &a : QDir(h_->carpeta).entryList({QStringLiteral("*.rtn")}, QDir::Files)) {
        const QString ruta = h_->carpeta + QLatin1Char('/') + a;
        if (!vigilados.contains(ruta))
            nuevos.append(ruta);
    }
    if (!nuevos.isEmpty())
        vigia_->addPaths(nuevos);
}

void Indexador::Actualizar() {
    QMutexLocker l(&h_->m);
    h_->pasada = true;
    h_->hayPasada.wakeAll();
}

void Indexador::ArchivosEscritos(const QStringList &archivos) {
    QMutexLocker l(&h_->m);
    h_->forzados += archivos;
    h_->pasada = true;
    h_->hayPasada.wakeAll();
}

quint64 Indexador::Buscar(const QString &consulta, int limite) {
    QMutexLocker l(&h_->m);
    h_->consulta = consulta;
    h_->limite = limite;
    const quint64 n = ++h_->numero;
    h_->consultaPendiente = true;
    h_->cancelarConsulta = true;
    if (h_->lector)
        h_->lector->Interrumpir();
    h_->hayConsulta.wakeAll();
    return n;
}
