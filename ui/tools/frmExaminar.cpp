#include "ui/tools/frmExaminar.h"
#include "store/Herramientas.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/Dialogos.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>

frmExaminar::frmExaminar(frmPrincipal &principal, QWidget *padre)
    : QDialog(padre ? padre : &principal), p_(principal) {
    setObjectName(QStringLiteral("frmExaminar"));
    setWindowTitle(QStringLiteral("Importar (.rtn)"));
    setWindowIcon(IconoApp());

    Label1 = new QLabel(
        QStringLiteral("Seleccione la carpeta en donde se encuentran los archivos que desea importar:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    drvCarpeta = new QComboBox(this);
    drvCarpeta->setObjectName(QStringLiteral("drvCarpeta"));
    drvCarpeta->setAccessibleName(QStringLiteral("Unidad"));
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady())
            drvCarpeta->addItem(v.rootPath(), v.rootPath());
    lblCarpeta = new QLabel(this);
    lblCarpeta->setObjectName(QStringLiteral("lblCarpeta"));
    dirCarpeta = new QListWidget(this);
    dirCarpeta->setObjectName(QStringLiteral("dirCarpeta"));
    dirCarpeta->setAccessibleName(QStringLiteral("Carpetas"));
    flbArchivos = new QListWidget(this);
    flbArchivos->setObjectName(QStringLiteral("flbArchivos"));
    flbArchivos->setAccessibleName(QStringLiteral("Archivos"));
    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Aceptar"), true);
    cmdAceptar->setEnabled(false);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *rejilla = new QGridLayout(this);
    rejilla->addWidget(Label1, 0, 0, 1, 2);
    rejilla->addWidget(drvCarpeta, 1, 0);
    rejilla->addWidget(lblCarpeta, 2, 0, 1, 2);
    rejilla->addWidget(dirCarpeta, 3, 0);
    rejilla->addWidget(flbArchivos, 3, 1);
    auto *botones = dialogos::FilaBotones({cmdAceptar, cmdCancelar});
    rejilla->addLayout(botones, 4, 0, 1, 2);
    resize(460, 320);

    connect(drvCarpeta, &QComboBox::activated, this, [this](int i) { setCarpeta(drvCarpeta->itemData(i).toString()); });
    connect(dirCarpeta, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        setCarpeta(QDir(carpeta_).absoluteFilePath(item->text()));
    });
    connect(flbArchivos, &QListWidget::itemDoubleClicked, this, [this] {
        if (flbArchivos->count() > 0)
            cmdAceptar_Click();
    });
    connect(cmdAceptar, &QPushButton::clicked, this, &frmExaminar::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);

    setCarpeta(p_.estado.carpeta);
}

void frmExaminar::setCarpeta(const QString &ruta) {
    QDir dir(ruta);
    // A folder that cannot be listed keeps the one shown before.
    if (!dir.exists() || !QFileInfo(ruta).isReadable())
        return;
    carpeta_ = QDir::cleanPath(dir.absolutePath());
    lblCarpeta->setText(QDir::toNativeSeparators(carpeta_));
    dirCarpeta->clear();
    if (!dir.isRoot())
        dirCarpeta->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_DirIcon), QStringLiteral("..")));
    for (const QString &d : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        dirCarpeta->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_DirIcon), d));
    flbArchivos->clear();
    // Files only: a folder named like a category file is not one.
    flbArchivos->addItems(dir.entryList({QStringLiteral("*.rtn")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    cmdAceptar->setEnabled(flbArchivos->count() > 0);
    for (int i = 0; i < drvCarpeta->count(); ++i)
        if (QStorageInfo(carpeta_).rootPath() == drvCarpeta->itemData(i).toString())
            drvCarpeta->setCurrentIndex(i);
}

void frmExaminar::cmdAceptar_Click() {
    QStringList fallidos, copiados;
    const QDir origen(carpeta_);
    QDir().mkpath(p_.estado.carpetaCategorias());
    for (int i = 0; i < flbArchivos->count(); ++i) {
        const QString archivo = flbArchivos->item(i)->text();
        const QString nombre = herramientas::NombreImportado(archivo);
        const QString destino = p_.estado.carpetaCategorias() + QLatin1Char('/') + archivo;
        // An existing category is never overwritten; a name without a category part cannot be one.
        if (nombre.isEmpty() || QFileInfo::exists(destino))
            continue;
        if (!QFile::copy(origen.filePath(archivo), destino)) {
            fallidos.append(archivo);
            continue;
        }
        copiados << archivo;
        auto *item = new QTreeWidgetItem(p_.lstCat, {nombre});
        item->setIcon(0, frmPrincipal::Imagen(7));
    }
    if (!copiados.isEmpty())
        p_.estado.sesion.AnunciarEscritos(copiados);
    p_.lstScripts->clear();
    p_.lblMenu3->setText(QStringLiteral("(Ninguna)"));
    mdlSistema::ActualizarBotones(p_);
    p_.botonScript(1)->setEnabled(false);
    if (p_.lstCat->topLevelItemCount() == 0) {
        for (QAction *a : {p_.mnuEliminar, p_.mnuRenombrar, p_.mnuImportar, p_.entradaCategorias(2),
                           p_.entradaCategorias(3)})
            if (a)
                a->setEnabled(false);
    }
    if (!fallidos.isEmpty())
        mensajes::Aviso(this,
                        QStringLiteral("No se pudieron importar estos archivos:\n%1").arg(fallidos.join(QLatin1Char('\n'))),
                        QStringLiteral("Importar"));
    accept();
}
