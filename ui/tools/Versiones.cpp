#include "ui/tools/Versiones.h"
#include "core/Hilos.h"
#include "core/Registro.h"
#include "history/Historial.h"
#include "history/Red.h"
#include "ui/Mensajes.h"
#include "ui/Principal.h"
#include "ui/tools/frmEliminadas.h"
#include "ui/tools/frmHistorial.h"
#include "ui/tools/frmSincronizar.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QStatusBar>
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
        [this](quint64 pregunta, const QString &url, const QString &usuario) {
            QMetaObject::invokeMethod(
                this, [this, pregunta, url, usuario] { pedirClave(pregunta, url, usuario); }, Qt::QueuedConnection);
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

void Versiones::pedirClave(quint64 pregunta, const QString &url, const QString &usuario) {
    // The box runs its own loop: the link is held here, so the answer reaches the thread (or finds
    // it gone) whatever happened meanwhile.
    const std::shared_ptr<Interlocutor> enlace = enlace_;
    QString u = usuario, c;
    const bool ok = frmSincronizar::PedirClave(p_.ventana(), url, &u, &c);
    enlace->Responder(pregunta, ok ? Interlocutor::Respuesta(std::pair(u, c)) : std::nullopt);
    c.fill(QChar(0));
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

bool Versiones::Configurar() {
    const bool antes = p_.estado.HistorialAutomatico != 0;
    frmSincronizar dlg(p_.estado, p_.ventana());
    if (mensajes::Ejecutar(dlg) != QDialog::Accepted)
        return false;
    if (!antes && p_.estado.HistorialAutomatico)
        QMetaObject::invokeMethod(motor_, &Historial::Preparar, Qt::QueuedConnection);
    return true;
}

void Versiones::Sincronizar() {
    if (sincronizando_)
        return;
    if (p_.estado.Remoto.trimmed().isEmpty() && !Configurar())
        return;
    const QString url = p_.estado.Remoto.trimmed();
    if (url.isEmpty())
        return;
    // What is only in the window is not in the files: the save question comes first.
    if (p_.categoria().hayCambios() && !p_.Preguntar())
        return;
    sincronizando_ = true;
    urlSincronizacion_ = url;
    motor_->NuevaSincronizacion();
    cancelar_->setEnabled(true);
    cancelar_->show();
    p_.setComandosHabilitados(false);
    p_.MostrarEnEstado(QStringLiteral("Sincronizar: preparando"));
    QMetaObject::invokeMethod(motor_, [m = motor_, url] { m->Sincronizar(url); }, Qt::QueuedConnection);
}

void Versiones::alSincronizar(const git::Informe &informe) {
    sincronizando_ = false;
    cancelar_->hide();
    p_.TerminarAvance();
    p_.setComandosHabilitados(true);
    p_.historia().ReleerCategorias(informe.escritos);
    const QString texto = TextoInforme(informe, p_.estado.Remoto.trimmed());
    if (informe.ok)
        mensajes::Informacion(p_.ventana(), texto, QStringLiteral("Sincronizar"));
    else
        mensajes::Aviso(p_.ventana(), texto, QStringLiteral("Sincronizar"));
    emit sincronizacionTerminada(informe);
}

QString TextoInforme(const git::Informe &informe, const QString &url) {
    if (!informe.ok)
        return QStringLiteral("No se pudo sincronizar.\n\n%1").arg(informe.error);
    constexpr int kLineas = 12;
    QStringList partes;
    auto seccion = [&](const QString &titulo, const QStringList &lineas) {
        if (lineas.isEmpty())
            return;
        QStringList l = lineas.mid(0, kLineas);
        if (lineas.size() > kLineas)
            l << QStringLiteral("… y %1 más").arg(lineas.size() - kLineas);
        partes << titulo + QStringLiteral("\n• ") + l.join(QStringLiteral("\n• "));
    };
    seccion(QStringLiteral("Recibido:"), informe.recibido);
    seccion(QStringLiteral("Enviado:"), informe.enviado);
    seccion(QStringLiteral("Atención:"), informe.avisos);
    if (partes.isEmpty())
        return QStringLiteral("Las categorías ya estaban al día con %1.").arg(url);
    return QStringLiteral("Sincronización terminada con %1.\n\n%2").arg(url, partes.join(QStringLiteral("\n\n")));
}
