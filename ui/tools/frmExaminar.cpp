#include "ui/tools/frmExaminar.h"
#include "format/DuenoCarpeta.h"
#include "core/Archivos.h"
#include "format/Categorias.h"
#include "format/Herramientas.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/Principal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/Dialogos.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>

frmExaminar::frmExaminar(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
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
    dirCarpeta->installEventFilter(this);
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

bool frmExaminar::eventFilter(QObject *objeto, QEvent *evento) {
    // Enter opens the folder and ends there: passed on, it would press "Aceptar" and import every file
    // of the folder just opened.
    if (objeto == dirCarpeta && evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(evento)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
            if (QListWidgetItem *item = dirCarpeta->currentItem())
                setCarpeta(QDir(carpeta_).absoluteFilePath(item->text()));
            return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
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
    QStringList carpetas = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    herramientas::OrdenarNombres(carpetas);
    for (const QString &d : carpetas)
        dirCarpeta->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_DirIcon), d));
    flbArchivos->clear();
    // Files only: a folder named like a category file is not one.
    QStringList recibidos = archivos::Listar(carpeta_, QStringLiteral(".rtn"));
    herramientas::OrdenarNombres(recibidos);
    flbArchivos->addItems(recibidos);
    cmdAceptar->setEnabled(flbArchivos->count() > 0);
    for (int i = 0; i < drvCarpeta->count(); ++i)
        if (QStorageInfo(carpeta_).rootPath() == drvCarpeta->itemData(i).toString())
            drvCarpeta->setCurrentIndex(i);
}

void frmExaminar::cmdAceptar_Click() {
    QStringList fallidos, reservados, copiados;
    const QDir origen(carpeta_);
    QDir().mkpath(p_.estado.carpetaCategorias());
    for (int i = 0; i < flbArchivos->count(); ++i) {
        const QString archivo = flbArchivos->item(i)->text();
        const QString nombre = herramientas::NombreImportado(archivo);
        // The listing ignores case, the category is opened as <name>.rtn: the copy takes that extension.
        const QString destino =
            p_.estado.carpetaCategorias() + QLatin1Char('/') + archivo.chopped(4) + QStringLiteral(".rtn");
        // An existing category is never overwritten; a name without a category part cannot be one.
        if (nombre.isEmpty() || QFileInfo::exists(destino))
            continue;
        if (categorias::EsSeudonimo(nombre)) {
            reservados.append(archivo);
            continue;
        }
        QString error;
        if (!DuenoCarpeta::De(p_.estado.carpetaCategorias())
                 .Copiar(origen.filePath(archivo), QFileInfo(destino).fileName(), &error)) {
            fallidos.append(QStringLiteral("%1: %2").arg(archivo, error));
            continue;
        }
        copiados.append(QFileInfo(destino).fileName());
        p_.panel().CategoriaAgregada(nombre, false);
    }
    p_.panel().ImportacionTerminada();
    if (!fallidos.isEmpty())
        mensajes::Aviso(this,
                        QStringLiteral("No se pudieron importar estos archivos:\n%1").arg(fallidos.join(QLatin1Char('\n'))),
                        QStringLiteral("Importar"));
    if (!reservados.isEmpty())
        mensajes::Aviso(this,
                        QStringLiteral("Estos archivos no se importaron porque su nombre está reservado para el "
                                       "programa (\"Todas\" y \"(Ninguna)\"):\n%1")
                            .arg(reservados.join(QLatin1Char('\n'))),
                        QStringLiteral("Importar"));
    if (!copiados.isEmpty())
    accept();
}
