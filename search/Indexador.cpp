#include "search/Indexador.h"
#include "search/IndiceBiblioteca.h"
#include "core/VigiaCarpeta.h"
#include "core/Archivos.h"
#include "core/Registro.h"
#include "core/Hilos.h"

#include <QDir>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>
#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <new>

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
    // Raised at the end of each pass, so the searcher loads what changed before it is asked.
    std::atomic<int> pasadas{0};
    // Raised on every notice that files changed, once the folder is watched (0 before): between two,
    // searches need not look at every file.
    std::atomic<quint64> vista{0};
    Indice *escritor = nullptr;
    // Why the index cannot be used now, as the searcher tells the user; empty when it can.
    QString aviso;
    // The writer asks the searcher to close its connection before it removes or makes the file anew.
    bool pedirCierre = false, lectorCerrado = false;
    QWaitCondition cierre;

    // The searcher. Each asker (a window) has at most one query waiting, its latest; askers are
    // answered in the order they asked, so one typing on never starves another.
    struct Consulta {
        const QObject *quien = nullptr;
        QString texto;
        int limite = 0;
        quint64 numero = 0;
        biblioteca::SinGuardar sinGuardar;
        bool etiquetas = false; // the library's tags, not a search
    };
    QList<Consulta> pendientes;
    // Whose query runs now, if one does: only a newer query of the same asker stops it.
    bool buscando = false;
    const QObject *buscandoPara = nullptr;
    quint64 numero = 0;
    std::atomic<bool> cancelarConsulta{false};
    Indice *lector = nullptr;

    QThread *hiloIndice = nullptr, *hiloBusqueda = nullptr;

    void Indexar(Indexador *dueno);
    void Pasada(Indexador *dueno, Indice &indice, const QStringList &estos, QStringList &pendientes);
    // The searcher's connection closed, so that the file can be removed under no one.
    void CerrarLector();
    void AbrirLector();
    void Avisar(Indexador *dueno, const QString &texto);
    void Revisar(Indexador *dueno, Indice &indice, QStringList &antes);
    void Buscar(Indexador *dueno);
};

namespace {
// How long closing waits for the writer to stop at the end of a category before interrupting it.
constexpr int kEsperaEscritorMs = 2000;

// Runs `f` on the owner's thread. The owner outlives the threads (its destructor waits for them), and
// what is still queued when it goes is dropped with it.
template <typename F> void EnDueno(Indexador *dueno, F &&f) {
    QMetaObject::invokeMethod(dueno, std::forward<F>(f), Qt::QueuedConnection);
}

// What the user is told of an exception that gave up a pass or a search.
QString Razon(const std::exception &e) {
    return dynamic_cast<const std::bad_alloc *>(&e) ? QStringLiteral("no hay memoria suficiente")
                                                    : QStringLiteral("error interno: %1").arg(QString::fromLocal8Bit(e.what()));
}

// Categories the index leaves out for their size, by name: searches do not look in them either.
QString AvisoGrandes(const QStringList &grandes) {
    if (grandes.isEmpty())
        return {};
    return grandes.size() == 1
               ? QStringLiteral("La categoría %1 %2: no se busca en ella.")
                     .arg(grandes.first(), archivos::RazonDemasiadoGrande())
               : QStringLiteral("Las categorías %1 ocupan cada una más de %2 MB y no se abren: no se busca en ellas.")
                     .arg(grandes.join(QStringLiteral(", ")))
                     .arg(archivos::kMayorLectura >> 20);
}
} // namespace

void Indexador::Hilos::Avisar(Indexador *dueno, const QString &texto) {
    {
        QMutexLocker l(&m);
        if (aviso == texto)
            return;
        aviso = texto;
    }
    EnDueno(dueno, [d = dueno, texto] { emit d->aviso(texto); });
}

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
                hilos::Esperar(hayPasada, m);
            if (salir)
                break;
            pasada = false;
            estos.swap(forzados);
        }
        // An exception here would end the program, at every start while its cause stays: the pass is
        // given up instead, its connection closed (its transaction with it), and the next one starts
        // from what the file holds.
        try {
            Pasada(dueno, indice, estos, pendientes);
        } catch (const std::exception &e) {
            qCWarning(lcIndice) << "indexing pass given up:" << e.what();
            indice.Cerrar();
            Avisar(dueno, QStringLiteral("No se pudo poner al día el índice de búsqueda (%1): las categorías que le "
                                         "faltan se leen una por una.")
                              .arg(Razon(e)));
            EnDueno(dueno, [d = dueno] { emit d->actualizado({}); });
        }
    }
    QMutexLocker l(&m);
    escritor = nullptr;
}

void Indexador::Hilos::Pasada(Indexador *dueno, Indice &indice, const QStringList &estos, QStringList &pendientes) {
    {
        // A damaged file is made anew once per pass; one that fails again waits for the next.
        for (int intento = 0; intento < 2; ++intento) {
            if (rehacer.exchange(false) || indice.danado()) {
                CerrarLector();
                indice.Rehacer();
                ++epoca;
                AbrirLector();
            } else if (!indice.abierto()) {
                CerrarLector();
                indice.AbrirParaEscribir();
                ++epoca;
                AbrirLector();
            }
            if (!indice.abierto()) {
                Avisar(dueno, indice.ocupado()
                           ? QStringLiteral("Otro programa está usando el índice de búsqueda: se leen las categorías "
                                            "una por una, y la búsqueda es más lenta.")
                           : QStringLiteral("No se pudo preparar el índice de búsqueda: se leen las categorías una "
                                            "por una, y la búsqueda es más lenta."));
                qCWarning(lcIndice) << "no index; searches read the files";
                // Another try in a while: the other program may let go.
                EnDueno(dueno, [d = dueno] { QTimer::singleShot(30000, d, &Indexador::Actualizar); });
                break;
            }
            const QStringList hechas = indice.Actualizar(
                carpeta, estos,
                [dueno](qint64 hecho, qint64 total) {
                    EnDueno(dueno, [d = dueno, hecho, total] { emit d->avance(hecho, total); });
                },
                &cancelarPasada);
            if (indice.sinEspacio()) {
                Avisar(dueno, QStringLiteral("El disco está casi lleno: el índice de búsqueda espera a que haya espacio, y "
                                      "mientras tanto las categorías que le faltan se leen una por una."));
                EnDueno(dueno, [d = dueno] { QTimer::singleShot(60000, d, &Indexador::Actualizar); });
                EnDueno(dueno, [d = dueno, hechas] { emit d->actualizado(hechas); });
                break;
            }
            if (!indice.danado())
                Avisar(dueno, AvisoGrandes(indice.Grandes()));
            if (!indice.danado() || salir) {
                ++pasadas;
                hayConsulta.wakeAll();
                Revisar(dueno, indice, pendientes);
                EnDueno(dueno, [d = dueno, hechas] { emit d->actualizado(hechas); });
                break;
            }
        }
    }
}

void Indexador::Hilos::Buscar(Indexador *dueno) {
    Indice indice(ruta);
    int abiertaEn = -1, cargadaEn = -1;
    int reintentos = 0; // of the query asked again last
    {
        QMutexLocker l(&m);
        lector = &indice;
    }
    for (;;) {
        Consulta c;
        {
            QMutexLocker l(&m);
            while (!salir && (pedirCierre || pendientes.isEmpty())) {
                if (pedirCierre && !lectorCerrado) {
                    indice.Cerrar();
                    abiertaEn = -1;
                    lectorCerrado = true;
                    cierre.wakeAll();
                }
                // While nothing is asked, the index is opened and its names loaded: the first search
                // of a session, and the first after a pass, find them ready. Exit or a query stops it.
                // Only once the writer has opened the file: what it may make anew is not loaded twice.
                if (!pedirCierre && epoca > 0 && (abiertaEn != epoca || cargadaEn != pasadas)) {
                    const int paso = pasadas;
                    cancelarConsulta = false; // a query asked from now on stops the loading
                    l.unlock();
                    if (abiertaEn != epoca) {
                        abiertaEn = epoca;
                        indice.AbrirParaLeer();
                    }
                    qCDebug(lcIndice) << "loading index names";
                    bool cargado = false;
                    try {
                        cargado = indice.Calentar(carpeta, &cancelarConsulta);
                    } catch (const std::exception &e) {
                        // What was loaded goes with the connection; a query opens it again.
                        qCWarning(lcIndice) << "loading the index's names failed:" << e.what();
                        indice.Cerrar();
                        abiertaEn = -1;
                    }
                    cargadaEn = paso; // given up for a query, that query loads it
                    if (cargado)
                        qCDebug(lcIndice) << "index names loaded";
                    else if (indice.abierto())
                        qCDebug(lcIndice) << "loading the index's names given up";
                    EnDueno(dueno, [d = dueno, cargado] { emit d->listo(cargado); });
                    l.relock();
                    continue;
                }
                hilos::Esperar(hayConsulta, m);
            }
            if (salir)
                break;
            c = pendientes.takeFirst();
            buscando = true;
            buscandoPara = c.quien;
            cancelarConsulta = false;
        }
        const quint64 n = c.numero;
        if (abiertaEn != epoca) {
            abiertaEn = epoca;
            indice.AbrirParaLeer(); // without it, the files are read
        }
        indice.setVista(vista);
        Respuesta r;
        QString fallo;
        try {
            if (c.etiquetas) {
                r = indice.Etiquetas(carpeta, &cancelarConsulta);
                if (!r.interrumpida)
                    biblioteca::SuperponerEtiquetas(r, c.sinGuardar, carpeta);
            } else {
                // The open category's unsaved scripts stand for its file: the index is asked for as many
                // more results as the file has matches, which then give way to the scripts'.
                const QStringList palabras =
                    c.sinGuardar.categoria.isEmpty() ? QStringList() : biblioteca::Palabras(c.texto);
                const int enArchivo =
                    palabras.isEmpty() ? 0 : biblioteca::CoincidenEnArchivo(carpeta, c.sinGuardar.categoria, palabras);
                const int limite = c.limite > INT_MAX - enArchivo ? INT_MAX : c.limite + enArchivo;
                r = indice.Buscar(carpeta, c.texto, limite, &cancelarConsulta, [&](const Respuesta &primeros) {
                    Respuesta a = primeros;
                    biblioteca::Superponer(a, c.sinGuardar, palabras, c.limite, enArchivo);
                    QMutexLocker l(&m);
                    a.aviso = aviso;
                    EnDueno(dueno, [d = dueno, n, a = std::move(a)] { emit d->adelanto(n, a); });
                });
                if (!r.interrumpida)
                    biblioteca::Superponer(r, c.sinGuardar, palabras, c.limite, enArchivo);
            }
        } catch (const std::exception &e) {
            // The search is answered, with none found and why: the window does not wait for it.
            qCWarning(lcIndice) << "search given up:" << e.what();
            r = Respuesta();
            fallo = QStringLiteral("No se pudo terminar la búsqueda: %1.").arg(Razon(e));
            indice.Cerrar();
            abiertaEn = -1;
        }
        {
            // Why the index is not (all) in use now, while it is so.
            QMutexLocker l(&m);
            r.aviso = fallo.isEmpty() || aviso.isEmpty() ? fallo + aviso : fallo + QLatin1Char('\n') + aviso;
        }
        {
            // Given up only so that the writer could make the file anew: asked again once it has,
            // first, unless its asker has asked something newer meanwhile.
            QMutexLocker l(&m);
            buscando = false;
            buscandoPara = nullptr;
            const bool hayOtra = std::any_of(pendientes.cbegin(), pendientes.cend(),
                                             [&c](const Consulta &p) { return p.quien == c.quien; });
            // Stopped though no one asked it to stop (neither a newer query of its asker nor the writer):
            // asked again, a few times at most, rather than leave its window waiting for ever.
            const bool pedida = cancelarConsulta && !pedirCierre;
            if (r.interrumpida && !hayOtra && !salir && (pedirCierre || (!pedida && ++reintentos <= 3))) {
                if (!pedirCierre)
                    qCWarning(lcIndice) << "a search stopped by itself; asked again";
                pendientes.prepend(c);
            } else
                reintentos = 0;
        }
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

void Indexador::Hilos::CerrarLector() {
    QMutexLocker l(&m);
    if (!lector)
        return;
    pedirCierre = true;
    lectorCerrado = false;
    cancelarConsulta = true;
    lector->Interrumpir();
    hayConsulta.wakeAll();
    while (!lectorCerrado && !salir && lector)
        hilos::Esperar(cierre, m);
}

void Indexador::Hilos::AbrirLector() {
    QMutexLocker l(&m);
    pedirCierre = false;
    hayConsulta.wakeAll();
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
    hilos::Seguir(h_->hiloIndice);
    hilos::Seguir(h_->hiloBusqueda);
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
        if (h_->lector)
            h_->lector->Interrumpir();
        h_->hayPasada.wakeAll();
        h_->hayConsulta.wakeAll();
        h_->cierre.wakeAll();
    }
    // The writer, asked to stop, ends the category it is storing and keeps those stored before it.
    // Interrupted, SQLite would roll back the whole batch, and every start cut short would lose what
    // it had indexed and do it again at the next. Only a statement that runs on is interrupted.
    if (!h_->hiloIndice->wait(QDeadlineTimer(kEsperaEscritorMs))) {
        QMutexLocker l(&h_->m);
        if (h_->escritor)
            h_->escritor->Interrumpir();
    }
    for (QThread *t : {h_->hiloIndice, h_->hiloBusqueda}) {
        hilos::EsperarHilo(t);
        delete t;
    }
}

void Indexador::Iniciar() {
    if (vigia_)
        return;
    // One watch for the folder: its notices name the file, which is then read again even when
    // another program kept its size and time.
    vigia_ = new VigiaCarpeta(h_->carpeta, this);
    h_->vista = 1;
    connect(vigia_, &VigiaCarpeta::cambiados, this, [this](const QStringList &archivos, bool todo) {
        if (todo)
            Actualizar();
        else
            ArchivosEscritos(archivos);
    });
    Actualizar();
}

void Indexador::Actualizar() {
    QMutexLocker l(&h_->m);
    if (h_->vista)
        ++h_->vista;
    h_->pasada = true;
    h_->hayPasada.wakeAll();
}

void Indexador::ArchivosEscritos(const QStringList &archivos) {
    QMutexLocker l(&h_->m);
    if (h_->vista)
        ++h_->vista;
    h_->forzados += archivos;
    h_->pasada = true;
    h_->hayPasada.wakeAll();
}

quint64 Indexador::Etiquetas(const QObject *quien) {
    return Pedir(quien, QString(), 0, true, sinGuardar_ ? sinGuardar_() : biblioteca::SinGuardar());
}

quint64 Indexador::Buscar(const QString &consulta, int limite, const QObject *quien) {
    biblioteca::SinGuardar sinGuardar = sinGuardar_ ? sinGuardar_() : biblioteca::SinGuardar();
    return Pedir(quien, consulta, limite, false, std::move(sinGuardar));
}

quint64 Indexador::Pedir(const QObject *quien, const QString &consulta, int limite, bool etiquetas,
                         biblioteca::SinGuardar sinGuardar) {
    QMutexLocker l(&h_->m);
    const quint64 n = ++h_->numero;
    // The asker's older query, if still waiting, is given up; it takes its place behind the others.
    auto &p = h_->pendientes;
    p.erase(std::remove_if(p.begin(), p.end(), [quien](const Hilos::Consulta &c) { return c.quien == quien; }),
            p.end());
    p.append({quien, consulta, limite, n, std::move(sinGuardar), etiquetas});
    // What runs is stopped only when it is this asker's own query, or the loading of the names
    // (which any query stops): the answer another window waits for is never thrown away. The flag
    // alone stops it, the index watching it while SQLite works.
    if (!h_->buscando || h_->buscandoPara == quien)
        h_->cancelarConsulta = true;
    h_->hayConsulta.wakeAll();
    return n;
}
