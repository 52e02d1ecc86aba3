// Category panel: lstCat, cboCat and the options list lstOp.
#include "core/mdlSistema.h"
#include "ui/main/frmPrincipal.h"

#include <QDir>
#include <QTreeWidget>

void frmPrincipal::conectarPanel() {}

bool frmPrincipal::filtrarPanel(QObject *, QEvent *) { return false; }

void frmPrincipal::LlenarCat() {
    lstCat->clear();
    const QStringList archivos =
        QDir(estado.carpetaListado()).entryList({QStringLiteral("*.rtn")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &a : archivos) {
        auto *item = new QTreeWidgetItem(lstCat, {a.section(QLatin1Char('.'), 0, 0)});
        item->setIcon(0, Imagen(7));
    }
    ControlarCat();
}

void frmPrincipal::LlenarOp() {
    lstOp->clear();
    for (const QString &t : {QStringLiteral("Orden ascendente"), QStringLiteral("Mostrar detalles"),
                             QStringLiteral("Importar categoría"), QStringLiteral("Eliminar duplicados")}) {
        auto *item = new QTreeWidgetItem(lstOp, {t});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
}

bool frmPrincipal::opcionMarcada(int posicion) const {
    const QTreeWidgetItem *i = lstOp->topLevelItem(posicion - 1);
    return i && i->checkState(0) == Qt::Checked;
}

void frmPrincipal::setOpcionMarcada(int posicion, bool marcada) {
    if (QTreeWidgetItem *i = lstOp->topLevelItem(posicion - 1))
        i->setCheckState(0, marcada ? Qt::Checked : Qt::Unchecked);
}

void frmPrincipal::AbrirCategoria() {}
void frmPrincipal::ResaltarPanel(int) {}
