#include "ui/tools/frmEliminadas.h"
#include "format/DuenoCarpeta.h"
#include "core/Archivos.h"
#include "history/Mezcla.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/Principal.h"
#include "ui/tools/Versiones.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmEliminadas::frmEliminadas(Principal &principal, Versiones &versiones)
    : QDialog(principal.ventana()), p_(principal), versiones_(versiones) {
    setObjectName(QStringLiteral("frmEliminadas"));
    setWindowTitle(QStringLiteral("Categorías eliminadas"));
    setWindowIcon(IconoApp());
    Label1 = new QLabel(QStringLiteral("Categorías que se eliminaron y que el historial conserva:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lstEliminadas = new QTreeWidget(this);
    lstEliminadas->setObjectName(QStringLiteral("lstEliminadas"));
    lstEliminadas->setAccessibleName(QStringLiteral("Categorías eliminadas"));
    lstEliminadas->setHeaderLabels({QStringLiteral("Categoría"), QStringLiteral("Eliminada"), QStringLiteral("Scripts")});
    lstEliminadas->setRootIsDecorated(false);
    Label1->setBuddy(lstEliminadas);
    lblEstado = new QLabel(this);
    lblEstado->setObjectName(QStringLiteral("lblEstado"));
    lblEstado->setWordWrap(true);
    cmdRecuperar = dialogos::Boton(this, "cmdRecuperar", QStringLiteral("Recuperar"), true);
    cmdCerrar = dialogos::Boton(this, "cmdCerrar", QStringLiteral("Cerrar"), false);
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(Label1);
    todo->addWidget(lstEliminadas, 1);
    todo->addWidget(lblEstado);
    todo->addLayout(dialogos::FilaBotones({cmdRecuperar, cmdCerrar}));
    resize(520, 360);
    connect(cmdRecuperar, &QPushButton::clicked, this, &frmEliminadas::cmdRecuperar_Click);
    connect(cmdCerrar, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstEliminadas, &QTreeWidget::itemDoubleClicked, this, [this] { cmdRecuperar_Click(); });

    if (repo_.Abrir(p_.estado.carpetaCategorias(), false))
        eliminadas_ = repo_.Eliminadas();
    for (const git::Eliminada &e : eliminadas_) {
        const std::optional<QByteArray> datos = repo_.Contenido(e.commit, e.archivo);
        new QTreeWidgetItem(lstEliminadas, {mezcla::Categoria(e.archivo),
                                            e.fecha.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                                            QString::number(datos ? mezcla::Registros(*datos).size() : 0)});
    }
    lstEliminadas->header()->resizeSection(0, 240);
    lstEliminadas->header()->resizeSection(
        1, lstEliminadas->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00")) + 16);
    if (eliminadas_.isEmpty())
        lblEstado->setText(QStringLiteral("El historial no tiene categorías eliminadas."));
    else
        lstEliminadas->setCurrentItem(lstEliminadas->topLevelItem(0));
    cmdRecuperar->setEnabled(!eliminadas_.isEmpty());
}

void frmEliminadas::cmdRecuperar_Click() {
    QTreeWidgetItem *item = lstEliminadas->currentItem();
    const int i = lstEliminadas->indexOfTopLevelItem(item);
    if (i < 0)
        return;
    const git::Eliminada e = eliminadas_[i];
    const std::optional<QByteArray> datos = repo_.Contenido(e.commit, e.archivo);
    const QString titulo = QStringLiteral("Categorías eliminadas");
    const QString nombre = mezcla::Categoria(e.archivo);
    if (!datos) {
        mensajes::Aviso(this, QStringLiteral("El historial no tiene el contenido de la categoría %1.").arg(nombre),
                        titulo);
        return;
    }
    // Brought back beside a category of the same name, never over it.
    QString destino = nombre;
    for (int k = 1; archivos::Existe(p_.estado.rutaCategoria(destino)); ++k)
        destino = k == 1 ? QStringLiteral("%1 (recuperada)").arg(nombre)
                         : QStringLiteral("%1 (recuperada %2)").arg(nombre).arg(k);
    const QString ruta = p_.estado.rutaCategoria(destino);
    QString error;
    const QString mensaje = destino == nombre ? QStringLiteral("%1: categoría recuperada").arg(nombre)
                                              : QStringLiteral("%1: categoría %2 recuperada con otro nombre")
                                                    .arg(destino, nombre);
    if (!DuenoCarpeta::De(p_.estado.carpetaCategorias())
             .Guardar(destino + QStringLiteral(".rtn"), *datos, &error, mensaje)) {
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo recuperar la categoría %1 en %2: %3")
                            .arg(nombre, QDir::toNativeSeparators(ruta), error),
                        titulo);
        return;
    }
    p_.historia().ReleerCategorias({});
    eliminadas_.removeAt(i);
    delete item;
    cmdRecuperar->setEnabled(!eliminadas_.isEmpty());
    lblEstado->setText(destino == nombre
                           ? QStringLiteral("Se recuperó la categoría %1.").arg(nombre)
                           : QStringLiteral("Se recuperó la categoría %1 como %2, porque ya existe una categoría %1.")
                                 .arg(nombre, destino));
}
