// Mail, panel configuration, help, about and the support links.
#include "core/Correo.h"
#include "core/Soporte.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/tools/frmAcerca.h"
#include "ui/tools/frmAyuda.h"
#include "ui/tools/frmOutlook.h"
#include "ui/tools/frmVerCat.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>

void frmPrincipal::mnuEnviar_Click() {
    if (categoria_.cantidad() == 0) {
        mensajes::Aviso(this, QStringLiteral("No se puede enviar un archivo vacío"),
                        QStringLiteral("Enviar e-mail"));
        return;
    }
    // The attachment is the file on disk; a save that failed would send something else than the
    // user sees, so nothing is sent then (the failure has been reported).
    if (categoria_.hayCambios() && !Preguntar())
        return;
    if (estado.MSOutlook != 1 && !estado.MailPara.isEmpty() && !estado.MailDe.isEmpty()) {
        EnviarMail(categoria_.nombre());
        return;
    }
    // Not modal. A dialog already open is brought forward rather than doubled.
    if (auto *abierto = findChild<frmOutlook *>(QString(), Qt::FindDirectChildrenOnly)) {
        abierto->raise();
        abierto->activateWindow();
        return;
    }
    auto *dlg = new frmOutlook(*this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->show();
}

void frmPrincipal::mnuOutlookConfig_Click() {
    if (auto *abierto = findChild<frmOutlook *>(QString(), Qt::FindDirectChildrenOnly)) {
        abierto->raise();
        abierto->activateWindow();
        return;
    }
    frmOutlook dlg(*this);
    mensajes::Ejecutar(dlg);
}

bool frmPrincipal::EnviarMail(const QString &categoria) {
    // Only a category that is open and whose file exists can be attached.
    if (categoria.isEmpty() || categoria != categoria_.nombre() ||
        !QFileInfo(estado.rutaCategoria(categoria)).isFile())
        return false;
    if (!envioCorreo_)
        envioCorreo_ = std::make_shared<correo::EnvioEscritorio>();
    envioCorreo_->Enviar(
        correo::Componer(estado.MailPara, estado.MailDe, categoria, estado.rutaCategoria(categoria)));
    return true;
}

void frmPrincipal::cmdMCat_Click() {
    // The dialog may close the open category: pending changes that could not be saved stay open.
    if (categoria_.hayCambios() && !Preguntar())
        return;
    {
        frmVerCat dlg(*this);
        mensajes::Ejecutar(dlg);
    }
    cboCat->setFocus();
}

void frmPrincipal::MostrarAyuda() {
    frmAyuda dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::mnuActualizar_Click() {
    estado.TemaAyuda = QStringLiteral("Actualizar");
    MostrarAyuda();
}

void frmPrincipal::mnuAcerca_Click() {
    frmAcerca dlg(*this);
    mensajes::Ejecutar(dlg);
}

namespace {
void AbrirForo(int id) {
    mdlSistema::Ejecutar(QStringLiteral("open"), soporte::Foro(id), QString(), QString(), 1);
}
} // namespace

void frmPrincipal::mnuLinkJS_Click() {
    AbrirForo(soporte::ForoJS);
}
void frmPrincipal::mnuLinkASP_Click() {
    AbrirForo(soporte::ForoASP);
}
void frmPrincipal::mnuLinkPHP_Click() {
    AbrirForo(soporte::ForoPHP);
}
void frmPrincipal::mnuLinkVB_Click() {
    AbrirForo(soporte::ForoVB);
}
