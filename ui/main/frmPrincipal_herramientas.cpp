// Library tools: search, move to another category, duplicate removal, import.
#include "core/Archivos.h"
#include "core/Hilos.h"
#include "core/Registro.h"
#include "core/mdlSistema.h"
#include "search/Busqueda.h"
#include "format/Editores.h"
#include "ui/mdlScriptsVista.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/tools/frmBuscar.h"
#include "ui/tools/frmEliminarDup.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"
#include "format/Herramientas.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

void frmPrincipal::BuscarS() {
    frmBuscar dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::CopiarS() {
    if (!categoria_.hayAbierta() || lstScripts->filaSeleccionada() < 0)
        return;
    frmMover dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::MoverPorArrastre() {
    if (!categoria_.hayAbierta() || lstScripts->filaActual() < 0)
        return;
    // Not modal: the user may pick another script while it is open; the dialog moves the script it
    // names, the one selected when it opened.
    auto *dlg = new frmMover(*this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->show();
}

void frmPrincipal::AbrirEliminarDuplicados() {
    frmEliminarDup dlg(*this);
    mensajes::Ejecutar(dlg);
}

void frmPrincipal::mnuImportar_Click() {
    // A save that failed keeps the changes pending: clearing or refilling the list now would lose them.
    if (categoria_.hayCambios() && !Preguntar())
        return;
    if (opcionMarcada(3)) {
        frmExaminar dlg(*this);
        mensajes::Ejecutar(dlg);
        return;
    }
    if (!categoria_.hayAbierta()) {
        mensajes::Aviso(this, QStringLiteral("No ha seleccionado ninguna categoría"), QStringLiteral("Importar"));
        return;
    }
    Importar();
}

void frmPrincipal::Importar() {
    const QString ruta = mdlSistema::AbrirArchivo(this, QStringLiteral("Rutinero (*.rtn)|*.rtn"),
                                                  QStringLiteral("Importar"), QDir::currentPath());
    // A folder is not a category file, even when it is named like one.
    if (!ruta.isEmpty() && mdlSistema::ExisteArchivo(ruta) && QFileInfo(ruta).isFile()) {
        // A file that cannot be read has already been reported and changes nothing.
        if (categoria_.hayAbierta())
            mdlScripts::ImportarCategoria(categoria_, ruta, barProgreso, this);
    }
}

namespace {
// Writes an export where the user chose and says on the status line what went where (`que`: "3
// scripts de la categoría Menus"); a failure is said and logged.
void EscribirExportacion(Principal &p, const QString &ruta, const QByteArray &datos, const QString &titulo,
                         const QString &que) {
    QString error;
    if (archivos::Guardar(ruta, datos, &error)) {
        p.MostrarEnEstado(QStringLiteral("%1: %2 escritos en %3.").arg(titulo, que, QDir::toNativeSeparators(ruta)), 15000);
        return;
    }
    qCWarning(lcArchivos) << "No se pudo exportar a" << ruta << error;
    mensajes::Aviso(p.ventana(), QStringLiteral("No se pudo guardar %1: %2").arg(QDir::toNativeSeparators(ruta), error),
                    titulo);
}

QString Scripts(qsizetype n) {
    return n == 1 ? QStringLiteral("1 script") : QStringLiteral("%1 scripts").arg(n);
}

QString DeLaCategoria(const QVector<Script> &scripts, const QString &categoria) {
    return QStringLiteral("%1 de la categoría %2").arg(Scripts(scripts.size()), categoria);
}
} // namespace

void frmPrincipal::mnuExportarEditores_Click() {
    const QString titulo = QStringLiteral("Exportar para editores");
    if (!categoria_.hayAbierta()) {
        mensajes::Aviso(this, QStringLiteral("No ha seleccionado ninguna categoría"), titulo);
        return;
    }
    // What the list shows, pending changes included.
    const QString categoria = categoria_.nombre();
    const QVector<Script> &scripts = categoria_.scripts();
    const QString ruta = mdlSistema::GuardarArchivo(
        this, QStringLiteral("Fragmentos de editores (*.code-snippets)|*.code-snippets"), titulo,
        QDir::home().filePath(categoria + QStringLiteral(".code-snippets")));
    if (!ruta.isEmpty())
        EscribirExportacion(*this, ruta, editores::CodeSnippets(scripts, categoria), titulo,
                            DeLaCategoria(scripts, categoria));
}

void frmPrincipal::mnuMarkdown_Click() {
    const QString titulo = QStringLiteral("Categoría en Markdown");
    if (!categoria_.hayAbierta()) {
        mensajes::Aviso(this, QStringLiteral("No ha seleccionado ninguna categoría"), titulo);
        return;
    }
    editores::CategoriaMarkdown c{categoria_.nombre(), categoria_.scripts()};
    const QString ruta = mdlSistema::GuardarArchivo(this, QStringLiteral("Markdown (*.md)|*.md"), titulo,
                                                    QDir::home().filePath(c.nombre + QStringLiteral(".md")));
    if (!ruta.isEmpty())
        EscribirExportacion(*this, ruta, editores::Markdown({c}), titulo, DeLaCategoria(c.scripts, c.nombre));
}

void frmPrincipal::mnuMarkdownBiblioteca_Click() {
    const QString titulo = QStringLiteral("Biblioteca en Markdown");
    QStringList nombres = biblioteca::Archivos(estado.carpetaCategorias()).keys();
    herramientas::OrdenarNombres(nombres);
    QVector<editores::CategoriaMarkdown> todas(nombres.size());
    QStringList rutas, errores(nombres.size());
    for (const QString &nombre : std::as_const(nombres))
        rutas.append(estado.rutaCategoria(nombre));
    const QString abierta = categoria_.hayAbierta() ? categoria_.nombre() : QString();
    std::vector<char> leida(size_t(nombres.size()), 1);
    // The files are read on every core; the open category as the list shows it, pending changes
    // included.
    hilos::EnParalelo(int(nombres.size()), [&](int i) {
        todas[i].nombre = nombres.at(i);
        if (nombres.at(i) != abierta)
            leida[size_t(i)] = mdlScripts::LeerArchivo(rutas.at(i), todas[i].scripts, &errores[i]);
    });
    QStringList ilegibles;
    for (qsizetype i = 0; i < nombres.size(); ++i) {
        if (nombres[i] == abierta)
            todas[i].scripts = categoria_.scripts();
        else if (!leida[size_t(i)]) {
            qCWarning(lcArchivos) << "No se pudo leer la categoría para exportarla" << nombres[i] << errores[i];
            ilegibles.append(QStringLiteral("%1: %2").arg(nombres[i], errores[i]));
        }
    }
    // A library with a category missing is not the library: nothing is written.
    if (!ilegibles.isEmpty()) {
        mensajes::Aviso(this,
                        QStringLiteral("No se exportó la biblioteca porque no se pudieron leer estas categorías:\n%1")
                            .arg(ilegibles.join(QLatin1Char('\n'))),
                        titulo);
        return;
    }
    const QString ruta = mdlSistema::GuardarArchivo(this, QStringLiteral("Markdown (*.md)|*.md"), titulo,
                                                    QDir::home().filePath(QStringLiteral("Rutinero.md")));
    if (ruta.isEmpty())
        return;
    qsizetype scripts = 0;
    for (const editores::CategoriaMarkdown &c : std::as_const(todas))
        scripts += c.scripts.size();
    EscribirExportacion(*this, ruta, editores::Markdown(todas), titulo,
                        QStringLiteral("%1 de %2").arg(Scripts(scripts),
                                                       todas.size() == 1 ? QStringLiteral("1 categoría")
                                                                         : QStringLiteral("%1 categorías").arg(todas.size())));
}
