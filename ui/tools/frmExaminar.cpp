#include "ui/tools/frmExaminar.h"
#include "format/DuenoCarpeta.h"
#include "core/Archivos.h"
#include "core/Registro.h"
#include "format/Categorias.h"
#include "format/Herramientas.h"
#include "format/Editores.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"
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

#include <utility>

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
    // The code editors' snippet files come in as categories too; a `.json` file only when it is one.
    recibidos += archivos::Listar(carpeta_, QStringLiteral(".code-snippets"));
    for (const QString &json : archivos::Listar(carpeta_, QStringLiteral(".json"))) {
        QByteArray datos;
        editores::Lectura lectura;
        if (QFileInfo(dir.filePath(json)).size() <= kMayorJson && archivos::Leer(dir.filePath(json), datos) &&
            editores::Leer(datos, lectura) && !lectura.fragmentos.isEmpty())
            recibidos.append(json);
    }
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
    QStringList noCaben;
    for (int i = 0; i < flbArchivos->count(); ++i) {
        const QString archivo = flbArchivos->item(i)->text();
        const QString nombre = herramientas::NombreImportado(archivo);
        if (editores::EsArchivoDeFragmentos(archivo)) {
            if (ImportarFragmentos(archivo, fallidos, reservados, noCaben))
                copiados.append(nombre + QStringLiteral(".rtn"));
            continue;
        }
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
    if (!noCaben.isEmpty())
        mensajes::Aviso(this,
                        QStringLiteral("Estos fragmentos no se importaron porque el archivo de la categoría no puede "
                                       "guardarlos tal como son:\n%1")
                            .arg(noCaben.join(QLatin1Char('\n'))),
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

bool frmExaminar::ImportarFragmentos(const QString &archivo, QStringList &fallidos, QStringList &reservados,
                                     QStringList &noCaben) {
    const QString nombre = herramientas::NombreImportado(archivo);
    const QString destino = nombre + QStringLiteral(".rtn");
    // The same rule as a category file: an existing category is never replaced.
    if (nombre.isEmpty() || QFileInfo::exists(p_.estado.carpetaCategorias() + QLatin1Char('/') + destino))
        return false;
    if (categorias::EsSeudonimo(nombre)) {
        reservados.append(archivo);
        return false;
    }
    // The name becomes a file name: it must be one a category may have.
    if (categorias::Filtrar(nombre) != nombre) {
        qCWarning(lcArchivos) << "Archivo de fragmentos con un nombre que no puede ser una categoría:" << archivo;
        fallidos.append(QStringLiteral("%1: el nombre de la categoría, «%2», tiene caracteres que no se admiten")
                            .arg(archivo, nombre));
        return false;
    }
    const QString origen = QDir(carpeta_).filePath(archivo);
    QByteArray datos;
    QString error;
    editores::Importacion importacion;
    if (QFileInfo(origen).size() > kMayorJson) {
        qCWarning(lcArchivos) << "Archivo de fragmentos demasiado grande:" << origen;
        fallidos.append(QStringLiteral("%1: es demasiado grande para ser un archivo de fragmentos").arg(archivo));
        return false;
    }
    if (!archivos::Leer(origen, datos, &error) || !editores::Importar(datos, importacion, &error)) {
        qCWarning(lcArchivos) << "No se pudo importar el archivo de fragmentos" << origen << error;
        fallidos.append(QStringLiteral("%1: %2").arg(archivo, error));
        return false;
    }
    for (const QString &r : std::as_const(importacion.rechazados))
        noCaben.append(QStringLiteral("%1 / %2").arg(nombre, r));
    if (importacion.scripts.isEmpty()) {
        fallidos.append(QStringLiteral("%1: no tiene ningún fragmento que se pueda guardar").arg(archivo));
        return false;
    }
    if (!DuenoCarpeta::De(p_.estado.carpetaCategorias())
             .Guardar(destino, mdlScripts::Componer(importacion.scripts), &error)) {
        qCWarning(lcArchivos) << "No se pudo escribir la categoría importada" << destino << error;
        fallidos.append(QStringLiteral("%1: %2").arg(archivo, error));
        return false;
    }
    p_.panel().CategoriaAgregada(nombre, false);
    return true;
}
