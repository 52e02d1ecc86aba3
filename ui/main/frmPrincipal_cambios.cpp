// Pending changes: the open category is edited in the list and reaches its file only on saving.
// Which category is open and whether it has changes is held by the document; this file only shows it.
#include "core/Archivos.h"
#include "core/Registro.h"
#include "core/Senales.h"
#include "format/Categorias.h"
#include "format/DuenoCarpeta.h"
#include "format/Recuperacion.h"
#include "format/mdlScripts.h"
#include "ui/mdlScriptsVista.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/editor/frmScript.h"
#include <QApplication>
#include "ui/mdlSistemaVista.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTreeWidget>
#include <optional>

void frmPrincipal::setGuardarHabilitado(bool habilitado) {
    btnGuardar->setEnabled(habilitado);
    mnuGuardar->setEnabled(habilitado);
}

void frmPrincipal::MostrarDocumento() {
    const CategoriaAbierta &d = categoria_;
    lblMenu3->setText(d.hayAbierta() ? d.nombre() : QStringLiteral("(Ninguna)"));
    setGuardarHabilitado(d.hayCambios());
    // The heading, the status line and the title all follow the open category, whatever closed it.
    ActualizarLineaEstado();
    setWindowModified(d.hayCambios());
}

bool frmPrincipal::GuardarPendientes() {
    const QString categoria = categoria_.nombre();
    const QString ruta = categoria_.ruta();
    // Another program (an editor, a sync) may have rewritten the file since it was read: its work is
    // not overwritten without the user's word. The folder is held from the check to the write, so a
    // sync writing now is waited for (the status bar says so) and cannot slip in between; it is let
    // go before any box waits for the user, and what changed meanwhile is asked about again.
    // A file that is gone, or no longer a file, holds no such work; the write says what is in its way.
    DuenoCarpeta &dueno = DuenoCarpeta::De(estado.carpetaCategorias());
    // A stop signal heard from the check to the write waits for the write: the changes end up
    // either saved or put aside for the next start, never both.
    std::optional<senales::Aplazar> aplazar(std::in_place);
    QString error;
    auto toma = dueno.Tomar(&error);
    Huella vista = categoria_.huella();
    while (toma && QFileInfo(ruta).isFile() && categorias::CambiadaEnDisco(ruta, vista)) {
        vista = Huella::DeArchivo(ruta);
        toma.reset();
        aplazar.reset();
        const auto respuesta = mensajes::Mostrar(
            this,
            QStringLiteral("Otro programa ha cambiado el archivo de la categoría %1 desde que se abrió.\n\n"
                           "«Sobrescribir» lo reemplaza por la lista que se ve; «Conservar ambas» guarda la "
                           "lista como una categoría nueva y deja el archivo como está.")
                .arg(categoria),
            estado.TituloApp, QMessageBox::Warning, QMessageBox::Save | QMessageBox::SaveAll | QMessageBox::Cancel);
        if (respuesta == QMessageBox::SaveAll)
            return GuardarComoNueva();
        if (respuesta != QMessageBox::Save)
            return false;
        aplazar.emplace();
        toma = dueno.Tomar(&error);
    }
    // Nothing is reported as saved that was not: on failure the changes stay pending.
    const bool ok = toma && mdlScripts::EscribirCategoria(categoria_, ruta, barProgreso, &error);
    toma.reset();
    aplazar.reset();
    if (!ok)
        mdlScripts::AvisarNoGuardada(this, ruta, error);
    return ok;
}

bool frmPrincipal::GuardarComoNueva() {
    const QString abierta = categoria_.nombre();
    QString nombre = abierta + QStringLiteral(" copia");
    for (int n = 2; archivos::Existe(estado.rutaCategoria(nombre)); ++n)
        nombre = abierta + QStringLiteral(" copia %1").arg(n);
    const QString ruta = estado.rutaCategoria(nombre);
    QString error;
    {
        const senales::Aplazar aplazar;
        if (mdlScripts::EscribirCategoria(categoria_, ruta, barProgreso, &error)) {
            // The list now is the new category; the other program's file stays as it left it.
            CategoriaAgregada(nombre, true);
            return true;
        }
    }
    mdlScripts::AvisarNoGuardada(this, ruta, error);
    return false;
}

frmPrincipal::Guardado frmPrincipal::PreguntarGuardar() {
    // Esc and the close box are Cancelar: the command that asked does not run and nothing is lost.
    const auto respuesta = mensajes::Mostrar(
        this, QStringLiteral("¿Guardar cambios realizados a %1?").arg(categoria_.nombre()), estado.TituloApp,
        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (respuesta == QMessageBox::Yes)
        return GuardarPendientes() ? Guardado::Seguir : Guardado::Fallido;
    if (respuesta != QMessageBox::No)
        return Guardado::Cancelado;
    // What the list shows is what is stored: the declined changes leave it, so that no later save
    // can write them.
    Recargar();
    return Guardado::Seguir;
}

bool frmPrincipal::Preguntar() { return PreguntarGuardar() == Guardado::Seguir; }

void frmPrincipal::GuardarCambios() {
    if (!categoria_.hayCambios())
        return;
    // The user asked to save: No and Esc only leave the changes as they are, pending.
    if (mensajes::Preguntar(this,
                            QStringLiteral("¿Guardar cambios realizados a %1?").arg(categoria_.nombre()),
                            estado.TituloApp))
        GuardarPendientes();
}

bool frmPrincipal::PuedeCerrar() {
    if (!categoria_.hayCambios())
        return true;
    switch (PreguntarGuardar()) {
    case Guardado::Seguir:
        return true;
    case Guardado::Cancelado:
        return false;
    case Guardado::Fallido:
        break;
    }
    for (;;) {
        const auto respuesta = mensajes::Mostrar(
            this,
            QStringLiteral("No se pudieron guardar los cambios realizados a %1.\n\n¿Desea intentarlo de nuevo, "
                           "salir sin guardarlos o volver al programa?")
                .arg(categoria_.nombre()),
            estado.TituloApp, QMessageBox::Warning,
            QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel);
        if (respuesta == QMessageBox::Retry) {
            if (GuardarPendientes())
                return true;
            continue;
        }
        if (respuesta == QMessageBox::Discard) {
            categoria_.Cerrar();
            return true;
        }
        return false;
    }
}

void frmPrincipal::Limpiar() {
    categoria_.Cerrar();
    ActualizarBotones();
    btnAgregarS->setEnabled(false);
    panelEstado[0]->setText(QString());
    ControlarCat();
}

void frmPrincipal::ControlarCat() {
    const bool hay = lstCat->topLevelItemCount() > 0;
    mnuAgregar->setEnabled(true);
    mnuImportar->setEnabled(true);
    mnuEliminar->setEnabled(hay);
    mnuRenombrar->setEnabled(hay);
    entEliminarCat->setEnabled(hay);
    entRenombrarCat->setEnabled(hay);
}

QString frmPrincipal::textoCategoriaSeleccionada() const {
    const QTreeWidgetItem *i = lstCat->currentItem();
    return i ? i->text(0) : QString();
}

bool frmPrincipal::hayCategoriaAbierta() const { return categoria_.hayAbierta(); }

void frmPrincipal::ActualizarLineaEstado() {
    // The line names the category whose scripts are shown, whatever entry of the panel is selected.
    if (!categoria_.hayAbierta()) {
        panelEstado[0]->setText(QString());
        return;
    }
    panelEstado[0]->setText(QStringLiteral("Categoría: %1 / Scripts: %2")
                                .arg(categoria_.nombre())
                                .arg(categoria_.cantidad()));
}

bool frmPrincipal::FinDeSesion(bool preguntar) {
    TerminarEdicionCategoria();
    if (preguntar) {
        if (!PuedeCerrar())
            return false;
    } else if (!GuardarParaRecuperar()) {
        return false;
    }
    Form_Unload(false);
    return true;
}

bool frmPrincipal::GuardarParaRecuperar() {
    ++avisosDeFin_;
    // Nobody can be asked: the list's changes, with what an open editor holds typed and not yet
    // accepted, wait outside Categorias for the next start.
    QVector<frmScript *> editores;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *e = qobject_cast<frmScript *>(w); e && e->isVisible())
            editores.append(e);
    QVector<Script> lista = categoria_.scripts();
    bool guardar = categoria_.hayCambios();
    for (frmScript *e : editores)
        if (const std::optional<Script> s = e->Tipeado()) {
            const int fila = filaActual();
            if (!e->agregando() && fila >= 0 && fila < lista.size())
                lista[fila] = *s;
            else
                lista.append(*s);
            guardar = true;
        }
    const QString categoria = categoria_.hayCambios() ? categoria_.nombre() : categoria_.nombre();
    if (guardar && !categoria.isEmpty()) {
        QString error;
        if (!recuperacion::Guardar(estado, categoria, CategoriaAbierta::Componer(lista, categoria_.codificacion()),
                                   &error)) {
            qCWarning(lcSenales) << "pending changes could not be kept for recovery:" << error;
            // The changes stay here, and so does the program, until they are saved or the user leaves;
            // only a second request to end goes through, keeping what it could.
            if (avisosDeFin_ < 2) {
                const QString texto =
                    QStringLiteral("Se pidió cerrar el programa, pero los cambios pendientes de %1 no se pudieron "
                                   "guardar aparte: %2. El programa sigue abierto para que pueda guardarlos o "
                                   "copiarlos.")
                        .arg(categoria, error);
                MostrarEnEstado(texto);
                mensajes::AvisoSinEsperar(this, texto, estado.TituloApp);
                return false;
            }
        }
        categoria_.Cerrar();
    }
    for (frmScript *e : editores)
        e->Abandonar();
    return true;
}

void frmPrincipal::OfrecerRecuperacion() {
    for (const recuperacion::Pendiente &p : recuperacion::Pendientes(estado)) {
        // The list holds one category's changes at a time; the others wait for a later start.
        if (categoria_.hayCambios())
            return;
        // Esc and the close box keep the changes for the next start: only No throws them away.
        const auto respuesta = mensajes::Mostrar(
            this,
            QStringLiteral("El programa terminó sin poder preguntar por los cambios de la categoría %1 (%2 "
                           "scripts). ¿Desea recuperarlos? Quedarán pendientes de guardar.")
                .arg(p.categoria)
                .arg(p.scripts.size()),
            estado.TituloApp, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (respuesta == QMessageBox::Cancel)
            return;
        if (respuesta != QMessageBox::Yes) {
            recuperacion::Descartar(estado, p.categoria);
            continue;
        }
        const QString ruta = estado.rutaCategoria(p.categoria);
        if (!QFileInfo(ruta).isFile()) {
            // The category is gone: the recovered scripts make it again.
            QString error;
            if (!mdlScripts::GuardarArchivo(ruta, p.scripts, &error, p.codificacion)) {
                mensajes::Aviso(this,
                                QStringLiteral("No se pudo crear la categoría %1 (%2): %3")
                                    .arg(p.categoria, QDir::toNativeSeparators(ruta), error),
                                estado.TituloApp);
                continue;
            }
            LlenarCat();
        }
        if (!Abrir(p.categoria))
            continue;
        if (p.codificacion == codificacion::Tipo::Utf8)
            categoria_.FijarCodificacion(p.codificacion);
        categoria_.Restaurar(p.scripts, QStringLiteral("recuperar los cambios"));
        recuperacion::Descartar(estado, p.categoria);
    }
}

void frmPrincipal::AvisarSiDiscoLleno() {
    // Said once per run: every save that fails says so again with its own reason.
    if (avisadoDiscoLleno_)
        return;
    const QStorageInfo disco(estado.carpeta);
    constexpr qint64 kMinimo = 64 * 1024; // less than a small category takes
    if (!disco.isValid() || disco.bytesAvailable() >= kMinimo)
        return;
    avisadoDiscoLleno_ = true;
    qCWarning(lcArchivos) << "Disco lleno al iniciar:" << estado.carpeta << disco.bytesAvailable() << "bytes libres";
    mensajes::Aviso(this,
                    QStringLiteral("El disco donde está la biblioteca (%1) está lleno. Puede abrir, ver, buscar y "
                                   "copiar scripts, pero los cambios no se podrán guardar hasta que libere espacio.")
                        .arg(QDir::toNativeSeparators(estado.carpeta)),
                    estado.TituloApp);
}
