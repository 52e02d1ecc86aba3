#pragma once
// One machine of the history and sync tests: an application folder of its own with the real main
// window over it, versions on.
#include "Ayudas.h"
#include "history/Repositorio.h"
#include "ui/editor/frmScript.h"
#include "ui/frmCategoria.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/Versiones.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>
#include <memory>

inline Script Rec(const QString &nombre, const QString &codigo) {
    return {nombre, "d", codigo, "5"};
}
inline QByteArray Bytes(const QVector<Script> &v) { return mdlScripts::Componer(v); }

// A bare repository in a folder of its own, and its address.
struct Remoto {
    QTemporaryDir dir;
    QString url;
    Remoto() {
        QVERIFY(git::Repositorio::CrearRemoto(dir.filePath("biblioteca.git")));
        url = QUrl::fromLocalFile(dir.filePath("biblioteca.git")).toString();
    }
};

struct Maquina {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;

    explicit Maquina(const QList<std::pair<QString, QVector<Script>>> &categorias = {}, const QString &remoto = {},
                     int automatico = 1, const std::function<void(Estado &)> &antes = {}) {
        Estado &e = c.estado;
        e.Ruta = "Categorias";
        e.Mostrar = "Todas";
        e.MostrarTodas = 1;
        e.Reemplazar = 1;
        e.Extension = "html";
        e.HistorialAutomatico = automatico;
        e.Remoto = remoto;
        QDir().mkpath(e.carpetaCategorias());
        for (const auto &[nombre, scripts] : categorias)
            c.categoria(nombre, Bytes(scripts));
        if (antes)
            antes(e);
        abrirVentana();
    }
    void abrirVentana() {
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setEntradasPanel({"Todas"}, c.estado.Mostrar);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        esperar(); // the first version holds the library as it was at the start
    }
    Versiones &versiones() const { return *w->versiones(); }
    void esperar() const { versiones().Esperar(); }
    QString categorias() const { return c.estado.carpetaCategorias(); }
    QByteArray bytes(const QString &nombre) const { return ayudas::LeerBytes(c.estado.rutaCategoria(nombre)); }
    QStringList archivos() const {
        return QDir(categorias()).entryList({"*.rtn"}, QDir::Files, QDir::Name);
    }

    void seleccionarCategoria(const QString &nombre) {
        QTreeWidgetItem *item = ayudas::Buscar(ayudas::ui(w)->lstCat, nombre);
        QVERIFY2(item, qPrintable(nombre));
        ayudas::ui(w)->lstCat->setCurrentItem(item);
    }
    void abrir(const QString &nombre) {
        seleccionarCategoria(nombre);
        w->AbrirCategoria();
        QCOMPARE(w->categoriaAbierta(), nombre);
    }
    // "Agregar" categoría with the name typed; `reemplazar` answers Yes to replacing one that exists.
    void agregarCategoria(const QString &nombre, bool reemplazar = false) {
        ayudas::AlAbrirseModal([=](QWidget *m) {
            auto *d = qobject_cast<frmCategoria *>(m);
            QVERIFY(d);
            d->txtACat->setText(nombre);
            if (reemplazar)
                ayudas::ContestarMensaje(QMessageBox::Yes);
            d->cmdAceptar->click();
        });
        ayudas::ui(w)->mnuAgregar->trigger();
    }
    // "Renombrar" as the user does it: the new name typed in the list's editor, then Enter.
    void renombrarCategoria(const QString &viejo, const QString &nuevo) {
        seleccionarCategoria(viejo);
        ayudas::Renombrar(*w, nuevo);
        QTRY_VERIFY(QFile::exists(c.estado.rutaCategoria(nuevo)));
    }
    void seleccionarScript(const QString &nombre) {
        const QModelIndex item = ayudas::Buscar(ayudas::ui(w)->lstScripts, nombre);
        QVERIFY2(item.isValid(), qPrintable(nombre));
        ayudas::ui(w)->lstScripts->Seleccionar(item.row());
    }
    // The script's code changed in the real editor.
    void editar(const QString &nombre, const QString &codigo) {
        seleccionarScript(nombre);
        ayudas::AlAbrirseModal([codigo](QWidget *m) {
            auto *e = qobject_cast<frmScript *>(m);
            QVERIFY(e);
            e->ponerCodigo(codigo);
            e->barMenu_ButtonClick(7);
        });
        w->EditarS();
        QVERIFY(ayudas::HayCambios(*w));
    }
    void eliminarScript(const QString &nombre) {
        seleccionarScript(nombre);
        w->EliminarS();
        QVERIFY(!ayudas::Buscar(ayudas::ui(w)->lstScripts, nombre).isValid());
    }
    // "Guardar cambios", answered Yes; then the version it asked for is recorded.
    void guardar() {
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ui(w)->mnuGuardar->trigger();
        QVERIFY(!ayudas::HayCambios(*w));
        esperar();
    }
    void eliminarCategoria(const QString &nombre) {
        seleccionarCategoria(nombre);
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ui(w)->mnuEliminar->trigger();
        QVERIFY(!QFile::exists(c.estado.rutaCategoria(nombre)));
        esperar();
    }
    // "Sincronizar" (its save question, if any, answered Yes), and its summary answered; what it did.
    git::Informe sincronizar(ayudas::Mensaje *resumen = nullptr) {
        QSignalSpy fin(&versiones(), &Versiones::sincronizacionTerminada);
        if (ayudas::HayCambios(*w))
            ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::ui(w)->mnuSincronizar->trigger();
        // The summary comes once the sync's thread is done, so it is answered from here on.
        ayudas::ContestarMensaje(QMessageBox::Ok, resumen);
        if (!fin.wait(60000) && fin.isEmpty())
            return {};
        return fin.first().first().value<git::Informe>();
    }
    // The versions' messages, newest first, and the bytes the last one holds of a file.
    QStringList mensajes() const {
        git::Repositorio r;
        return r.Abrir(categorias(), false) ? r.Mensajes() : QStringList();
    }
    std::optional<QByteArray> enUltima(const QString &archivo) const {
        git::Repositorio r;
        if (!r.Abrir(categorias(), false))
            return std::nullopt;
        return r.Contenido(r.Ultima(), archivo);
    }
};
