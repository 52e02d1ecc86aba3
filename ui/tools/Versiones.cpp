#include "ui/tools/Versiones.h"

#include <QApplication>
#include <QTimer>
#include "core/Hilos.h"
#include "core/Registro.h"
#include "history/Historial.h"
#include "history/Red.h"
#include "ui/Mensajes.h"
#include "ui/Principal.h"
#include "ui/tools/frmEliminadas.h"
#include "ui/tools/frmHistorial.h"
#include "ui/tools/Llavero.h"
#include "ui/tools/frmSincronizar.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <chrono>
#include <future>

namespace {
// How long a history window waits for versions being recorded before it opens anyway.
constexpr int kEsperaMs = 3000;
// How long closing waits for the history thread: for the versions asked for, and for a sync whose
// remote is a folder (which can hang inside the kernel, past any cancel).
constexpr int kCierreMs = 60000;
constexpr int kCierreCarpetaMs = 1500;
} // namespace

Versiones::Versiones(Principal &principal, QObject *padre) : QObject(padre), p_(principal) {
    setObjectName(QStringLiteral("versiones"));
    hilo_ = new QThread;
    hilo_->setObjectName(QStringLiteral("historial"));
    hilos::Seguir(hilo_);
    motor_ = new Historial(p_.estado.carpetaCategorias());
    // What the thread asks of this window goes through the link, which this window closes first
    // when it goes; what it hands over runs here, and is dropped if this window is gone by then.
    enlace_ = std::make_shared<Interlocutor>(
        [this](const QString &texto, int valor, int maximo) {
            QMetaObject::invokeMethod(
                this, [this, texto, valor, maximo] { p_.MostrarEnEstado(texto, 0, valor, maximo); },
                Qt::QueuedConnection);
        },
        [this](quint64 pregunta, const QString &url, const QString &usuario, bool rechazada) {
            QMetaObject::invokeMethod(
                this, [this, pregunta, url, usuario, rechazada] { pedirClave(pregunta, url, usuario, rechazada); },
                Qt::QueuedConnection);
        });
    // Handed over before the sync's end, so the end finds it.
    enlace_->setAceptada([this](const QString &) {
        QMetaObject::invokeMethod(this, [this] { claveAceptada(); }, Qt::QueuedConnection);
    });
    enlace_->setConfirmacion([this](quint64 pregunta, const QString &texto) {
        QMetaObject::invokeMethod(this, [this, pregunta, texto] { confirmar(pregunta, texto); }, Qt::QueuedConnection);
    });
    motor_->setInterlocutor(enlace_);
    motor_->moveToThread(hilo_);
    connect(motor_, &Historial::guardado, this, &Versiones::alGuardar);
    connect(motor_, &Historial::fallo, this, &Versiones::alFallar);
    connect(motor_, &Historial::sincronizado, this, &Versiones::alSincronizar);
    connect(&p_.estado.escritos, &Escritos::archivosEscritos, this,
            [this](const QStringList &a, const QString &mensaje) { Guardar(a, mensaje); });
    // Every other command is off during a sync: this one stays reachable.
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"));
    cancelar_->setObjectName(QStringLiteral("cmdCancelarSincronizacion"));
    cancelar_->setAccessibleName(QStringLiteral("Cancelar la sincronización"));
    cancelar_->hide();
    p_.AgregarAlEstado(cancelar_);
    connect(cancelar_, &QPushButton::clicked, this, &Versiones::CancelarSincronizacion);
    reloj_ = new QTimer(this);
    reloj_->setSingleShot(true);
    connect(reloj_, &QTimer::timeout, this, &Versiones::SincronizarSola);
    ProgramarAutomatica();
    hilo_->start();
    if (p_.estado.HistorialAutomatico)
        QMetaObject::invokeMethod(motor_, &Historial::Preparar, Qt::QueuedConnection);
}

Versiones::~Versiones() {
    // First, nothing of the thread reaches this window any more: a password asked for is answered
    // "no", progress goes nowhere. Then the sync under way stops: its connections are cut at once.
    enlace_->Cerrar();
    motor_->Cancelar();
    QMetaObject::invokeMethod(motor_, [h = hilo_] { h->quit(); }, Qt::QueuedConnection);
    // Versions asked for are still recorded, and a sync over the network ends as soon as its
    // connections are cut: the thread is waited for. What no cancel can reach is a read stuck inside
    // the kernel (a shared folder or a network disk that stopped answering): after a while the
    // thread is left to the end of the process, deliberately never deleted. Nothing it can still
    // touch belongs to this window: the link is closed and its signals' receivers are gone.
    const bool carpetaRemota = sincronizando_ && !git::red::EsDeRed(urlSincronizacion_);
    if (!hilos::EsperarHilo(hilo_, QDeadlineTimer(carpetaRemota ? kCierreCarpetaMs : kCierreMs))) {
        qCWarning(lcSincronizacion) << "The history thread is stuck (a folder that does not answer): the program "
                                       "ends without it";
        // Kept where the leak checker finds them.
        static auto *abandonados = new QList<QObject *>;
        abandonados->append(motor_);
        abandonados->append(hilo_);
        return;
    }
    delete motor_;
    delete hilo_;
}

void Versiones::Guardar(const QStringList &archivos, const QString &mensaje) {
    if (!p_.estado.HistorialAutomatico || archivos.isEmpty())
        return;
    QMetaObject::invokeMethod(
        motor_, [m = motor_, archivos, mensaje] { m->Guardar(archivos, mensaje); }, Qt::QueuedConnection);
}

bool Versiones::Esperar(int limiteMs) {
    // During a sync the thread may be waiting for this one (a password): it is not waited for.
    if (sincronizando_)
        return false;
    auto hecho = std::make_shared<std::promise<void>>();
    std::future<void> futuro = hecho->get_future();
    QMetaObject::invokeMethod(motor_, [hecho] { hecho->set_value(); }, Qt::QueuedConnection);
    if (limiteMs < 0)
        futuro.wait();
    else if (futuro.wait_for(std::chrono::milliseconds(limiteMs)) != std::future_status::ready) {
        qCWarning(lcHistorial) << "The history thread is still busy after" << limiteMs << "ms";
        return false;
    }
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return true;
}

bool Versiones::esperandoClave() const { return enlace_->preguntando(); }

void Versiones::CancelarSincronizacion() {
    if (!sincronizando_)
        return;
    motor_->CancelarSincronizacion();
    cancelar_->setEnabled(false);
    p_.MostrarEnEstado(QStringLiteral("Sincronizar: cancelando"));
}

void Versiones::alGuardar(const QString &mensaje) {
    ++guardadas_;
    ultimoMensaje_ = mensaje;
    p_.AvisoBiblioteca(QStringLiteral("historial"), {}); // versions are recorded again
}

void Versiones::alFallar(const QString &motivo) {
    // The file itself is saved: this is a note, not a question that would stop the user.
    ultimoFallo_ = motivo;
    p_.MostrarEnEstado(motivo, 15000);
    p_.AvisoBiblioteca(QStringLiteral("historial"), QStringLiteral("Sin historial: %1").arg(motivo));
}

void Versiones::pedirClave(quint64 pregunta, const QString &url, const QString &usuario, bool rechazada) {
    // The keyring answers later, in this thread, within its time limit; the sync's thread waits for
    // the answer through the link meanwhile, and the window goes on.
    if (rechazada && clave_.guardada) {
        const QString kept = clave_.usuario;
        olvidarClave();
        llavero::Olvidar(this, url, [this, pregunta, url, kept](const QString &error) {
            const QString aviso =
                error.isEmpty()
                    ? QStringLiteral("El servidor no aceptó la clave guardada en el llavero para %1 (puede que el "
                                     "token se haya revocado o haya caducado); se ha quitado del llavero.")
                          .arg(llavero::Nombre(url))
                    : QStringLiteral("El servidor no aceptó la clave guardada en el llavero para %1, y no se pudo "
                                     "quitar de él: %2.")
                          .arg(llavero::Nombre(url), error);
            preguntarClave(pregunta, url, kept, aviso, error);
        });
        return;
    }
    llavero::Leer(this, url, [this, pregunta, url, usuario](const llavero::Leido &l) {
        if (l.hay) {
            olvidarClave();
            clave_ = {url, l.usuario, l.clave, false, true};
            enlace_->Responder(pregunta, git::Clave{l.usuario, l.clave, true});
            return;
        }
        preguntarClave(pregunta, url, usuario, QString(), l.error);
    });
}

void Versiones::preguntarClave(quint64 pregunta, const QString &url, const QString &usuario, const QString &aviso,
                               const QString &sinLlavero) {
    // The box runs its own loop: the link is held here, so the answer reaches the thread (or finds
    // it gone) whatever happened meanwhile.
    const std::shared_ptr<Interlocutor> enlace = enlace_;
    if (silenciosa_) {
        lefaltoAlgo_ = true;
        enlace->Responder(pregunta, std::nullopt);
        return;
    }
    frmSincronizar::Clave c{usuario, QString(), false};
    if (!frmSincronizar::PedirClave(p_.ventana(), url, aviso, sinLlavero, &c)) {
        enlace->Responder(pregunta, std::nullopt);
        return;
    }
    olvidarClave();
    clave_ = {url, c.usuario, c.clave, c.recordar, false};
    enlace->Responder(pregunta, git::Clave{c.usuario, c.clave, false});
    c.clave.fill(QChar(0));
}

void Versiones::claveAceptada() {
    if (!clave_.recordar || clave_.guardada || clave_.clave.isEmpty())
        return;
    clave_.recordar = false;
    guardando_ = true;
    llavero::Guardar(this, clave_.url, clave_.usuario, clave_.clave, [this](const QString &error) {
        guardando_ = false;
        if (!error.isEmpty())
            avisoLlavero_ = QStringLiteral("La clave no se guardó en el llavero: %1. Se le volverá a preguntar en la "
                                           "próxima sincronización.")
                                .arg(error);
        if (informeEnEspera_)
            alSincronizar(*std::exchange(informeEnEspera_, std::nullopt));
    });
}

void Versiones::olvidarClave() {
    clave_.clave.fill(QChar(0));
    clave_ = Clave();
}

void Versiones::confirmar(quint64 pregunta, const QString &texto) {
    const std::shared_ptr<Interlocutor> enlace = enlace_;
    if (silenciosa_) {
        lefaltoAlgo_ = true;
        enlace->Responder(pregunta, std::nullopt);
        return;
    }
    // Trusting a server is never the default: Enter, Esc and the close box all say no.
    const bool si = mensajes::Mostrar(p_.ventana(), texto, QStringLiteral("Sincronizar"), QMessageBox::Question,
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    enlace->Responder(pregunta, si ? Interlocutor::Respuesta(git::Clave()) : std::nullopt);
}

void Versiones::MostrarHistorial() {
    const QString categoria = p_.categoria().nombre();
    if (categoria.isEmpty()) {
        mensajes::Aviso(p_.ventana(), QStringLiteral("No ha seleccionado ninguna categoría"), QStringLiteral("Historial"));
        return;
    }
    // What was just saved is shown once recorded; a history still busy after a moment is shown as
    // it is, never by freezing the window.
    Esperar(kEsperaMs);
    frmHistorial dlg(p_, categoria);
    mensajes::Ejecutar(dlg);
}

void Versiones::MostrarEliminadas() {
    Esperar(kEsperaMs);
    frmEliminadas dlg(p_, *this);
    mensajes::Ejecutar(dlg);
}

void Versiones::ProgramarAutomatica() {
    const int espera = esperaAutomatica();
    if (espera > 0)
        reloj_->start(espera);
    else
        reloj_->stop();
}

int Versiones::esperaAutomatica() const {
    const int minutos = p_.estado.SincronizarCada;
    if (minutos <= 0 || p_.estado.Remoto.trimmed().isEmpty())
        return 0;
    return minutos * 60000 * (1 << fallosSeguidos_);
}

bool Versiones::SincronizarSola() {
    const QString url = p_.estado.Remoto.trimmed();
    if (url.isEmpty() || p_.estado.SincronizarCada <= 0)
        return false;
    // Changes not saved, a dialog open or a sync under way: tried again in a minute.
    if (sincronizando_ || p_.categoria().hayCambios() || QApplication::activeModalWidget()) {
        reloj_->start(60000);
        return false;
    }
    silenciosa_ = true;
    empezar(url);
    return true;
}

bool Versiones::Configurar() {
    const bool antes = p_.estado.HistorialAutomatico != 0;
    frmSincronizar dlg(p_.estado, p_.ventana());
    if (mensajes::Ejecutar(dlg) != QDialog::Accepted)
        return false;
    fallosSeguidos_ = 0;
    ProgramarAutomatica();
    if (!antes && p_.estado.HistorialAutomatico)
        QMetaObject::invokeMethod(motor_, &Historial::Preparar, Qt::QueuedConnection);
    return true;
}

void Versiones::Sincronizar() {
    if (sincronizando_)
        return;
    silenciosa_ = false;
    if (p_.estado.Remoto.trimmed().isEmpty() && !Configurar())
        return;
    const QString url = p_.estado.Remoto.trimmed();
    if (url.isEmpty())
        return;
    // What is only in the window is not in the files: the save question comes first.
    if (p_.categoria().hayCambios() && !p_.Preguntar())
        return;
    empezar(url);
}

void Versiones::empezar(const QString &url) {
    sincronizando_ = true;
    lefaltoAlgo_ = false;
    olvidarClave();
    avisoLlavero_.clear();
    urlSincronizacion_ = url;
    motor_->NuevaSincronizacion();
    cancelar_->setEnabled(true);
    cancelar_->show();
    p_.setComandosHabilitados(false);
    p_.MostrarEnEstado(QStringLiteral("Sincronizar: preparando"));
    QMetaObject::invokeMethod(motor_, [m = motor_, url] { m->Sincronizar(url); }, Qt::QueuedConnection);
}

void Versiones::alSincronizar(const git::Informe &recibido) {
    // The password the user asked to keep is being written: the sync ends once it is kept (or the
    // keyring's time ran out), so the next one finds it.
    if (guardando_) {
        informeEnEspera_ = recibido;
        return;
    }
    olvidarClave();
    git::Informe informe = recibido;
    if (!avisoLlavero_.isEmpty())
        informe.avisos << std::exchange(avisoLlavero_, QString());
    sincronizando_ = false;
    cancelar_->hide();
    p_.TerminarAvance();
    p_.setComandosHabilitados(true);
    p_.historia().ReleerCategorias(informe.escritos);
    if (std::exchange(silenciosa_, false)) {
        // Nobody asked for it: one line in the status bar, and a longer wait after a failure.
        fallosSeguidos_ = informe.ok ? 0 : std::min(fallosSeguidos_ + 1, 4);
        QString linea;
        if (informe.ok)
            linea = informe.recibido.isEmpty() && informe.enviado.isEmpty()
                        ? QStringLiteral("Sincronización automática: las categorías ya estaban al día.")
                        : QStringLiteral("Sincronización automática: %1 recibido, %2 enviado.")
                              .arg(informe.recibido.size())
                              .arg(informe.enviado.size());
        else if (lefaltoAlgo_)
            linea = QStringLiteral("Sincronización automática sin hacer: hace falta una respuesta suya; use "
                                   "\"Sincronizar\" del menú.");
        else
            linea = QStringLiteral("Sincronización automática sin hacer: %1").arg(informe.error);
        p_.MostrarEnEstado(linea, 0);
        ProgramarAutomatica();
        emit sincronizacionTerminada(informe);
        return;
    }
    const QString texto = git::TextoInforme(informe, p_.estado.Remoto.trimmed());
    if (informe.ok)
        mensajes::Informacion(p_.ventana(), texto, QStringLiteral("Sincronizar"));
    else
        mensajes::Aviso(p_.ventana(), texto, QStringLiteral("Sincronizar"));
    emit sincronizacionTerminada(informe);
}

