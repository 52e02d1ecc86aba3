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
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>

#include <utility>

frmExaminar::frmExaminar(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmExaminar"));
    // Category files and code editors' snippet files alike become categories.
    setWindowTitle(QStringLiteral("Importar categorías"));
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
    lblCarpeta = new QLabel(QStringLiteral("&Carpeta:"), this);
    lblCarpeta->setObjectName(QStringLiteral("lblCarpeta"));
    txtCarpeta = new QLineEdit(this);
    txtCarpeta->setObjectName(QStringLiteral("txtCarpeta"));
    txtCarpeta->setAccessibleName(QStringLiteral("Carpeta"));
    txtCarpeta->setToolTip(QStringLiteral("Escriba o pegue la ruta de una carpeta y pulse Intro"));
    txtCarpeta->installEventFilter(this);
    lblCarpeta->setBuddy(txtCarpeta);
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
    auto *ruta = new QHBoxLayout;
    ruta->addWidget(lblCarpeta);
    ruta->addWidget(txtCarpeta, 1);
    rejilla->addLayout(ruta, 2, 0, 1, 2);
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
    if (objeto == txtCarpeta && evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(evento)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
            txtCarpeta_Intro();
            return true;
        }
    }
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
    txtCarpeta->setText(QDir::toNativeSeparators(carpeta_));
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

void frmExaminar::txtCarpeta_Intro() {
    QString ruta = txtCarpeta->text().trimmed();
    // Pasted from a file manager, a folder may come as an address.
    if (ruta.startsWith(QLatin1String("file://")))
        ruta = QUrl(ruta).toLocalFile();
    if (ruta == QLatin1String("~") || ruta.startsWith(QLatin1String("~/")))
        ruta = QDir::homePath() + ruta.mid(1);
    if (!ruta.isEmpty() && QDir::isRelativePath(ruta))
        ruta = QDir(carpeta_).absoluteFilePath(ruta);
    const QFileInfo info(ruta);
    if (ruta.isEmpty() || !info.isDir() || !info.isReadable()) {
        mensajes::Aviso(this,
                        QStringLiteral("No se puede abrir la carpeta %1: no existe o no se puede leer.")
                            .arg(QDir::toNativeSeparators(ruta.isEmpty() ? txtCarpeta->text() : ruta)),
                        windowTitle());
        txtCarpeta->setFocus();
        return;
    }
    setCarpeta(ruta);
    txtCarpeta->selectAll();
}

void frmExaminar::cmdAceptar_Click() {
    QStringList fallidos, reservados;
    const QDir origen(carpeta_);
    QDir().mkpath(p_.estado.carpetaCategorias());
    QStringList avisos;
    for (int i = 0; i < flbArchivos->count(); ++i) {
        const QString archivo = flbArchivos->item(i)->text();
        const QString nombre = herramientas::NombreImportado(archivo);
        if (editores::EsArchivoDeFragmentos(archivo)) {
            ImportarFragmentos(archivo, fallidos, reservados, avisos);
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
        p_.panel().CategoriaAgregada(nombre, false);
    }
    p_.panel().ImportacionTerminada();
    if (!fallidos.isEmpty())
        mensajes::Aviso(this,
                        QStringLiteral("No se pudieron importar estos archivos:\n%1").arg(fallidos.join(QLatin1Char('\n'))),
                        QStringLiteral("Importar"));
    if (!avisos.isEmpty())
        mensajes::Aviso(this, avisos.join(QLatin1Char('\n')), QStringLiteral("Importar"));
    if (!reservados.isEmpty())
        mensajes::Aviso(this,
                        QStringLiteral("Estos archivos no se importaron porque su nombre está reservado para el "
                                       "programa (\"Todas\" y \"(Ninguna)\"):\n%1")
                            .arg(reservados.join(QLatin1Char('\n'))),
                        QStringLiteral("Importar"));
    accept();
}

namespace {
// What a snippet file brought in other than whole, each kind under its heading.
void Avisar(const QString &categoria, const editores::Importacion &i, QStringList &avisos) {
    const std::pair<QString, const QStringList *> secciones[] = {
        {QStringLiteral("Claves repetidas en el archivo (se importan todas, en su orden):"), &i.repetidos},
        {QStringLiteral("Fragmentos sin código («body»), que no se importaron:"), &i.sinCuerpo},
        {QStringLiteral("Fragmentos cuyo código («body») no es un texto ni una lista de textos, que no se "
                        "importaron:"),
         &i.cuerpoRaro},
        {QStringLiteral("Entradas que no son fragmentos, que no se importaron:"), &i.noFragmentos},
        {QStringLiteral("Fragmentos que el archivo de la categoría no puede guardar tal como son, que no se "
                        "importaron:"),
         &i.rechazados},
        {QStringLiteral("Fragmentos importados sin algo que el programa no conserva:"), &i.cambiados},
    };
    for (const auto &[titulo, lista] : secciones) {
        if (lista->isEmpty())
            continue;
        if (!avisos.isEmpty())
            avisos << QString();
        avisos << titulo;
        for (const QString &x : *lista)
            avisos << QStringLiteral("  %1 / %2").arg(categoria, x);
    }
}
} // namespace

bool frmExaminar::ImportarFragmentos(const QString &archivo, QStringList &fallidos, QStringList &reservados,
                                     QStringList &avisos) {
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
    if (!archivos::Leer(origen, datos, &error) || !editores::Importar(datos, importacion, &error, nombre)) {
        qCWarning(lcArchivos) << "No se pudo importar el archivo de fragmentos" << origen << error;
        fallidos.append(QStringLiteral("%1: %2").arg(archivo, error));
        return false;
    }
    Avisar(nombre, importacion, avisos);
    if (importacion.scripts.isEmpty()) {
        fallidos.append(QStringLiteral("%1: no tiene ningún fragmento que se pueda guardar").arg(archivo));
        return false;
    }
    if (!DuenoCarpeta::De(p_.estado.carpetaCategorias())
             .Guardar(destino, mdlScripts::Componer(importacion.scripts, importacion.tipo), &error)) {
        qCWarning(lcArchivos) << "No se pudo escribir la categoría importada" << destino << error;
        fallidos.append(QStringLiteral("%1: %2").arg(archivo, error));
        return false;
    }
    p_.panel().CategoriaAgregada(nombre, false);
    return true;
}
