// The library's search: the index kept beside the preferences, its window, and opening what it found.
#include "core/mdlSistema.h"
#include "format/Etiquetas.h"
#include "search/Indexador.h"
#include "ui/mdlScriptsVista.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscarBiblioteca.h"

#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

void frmPrincipal::IniciarIndice() {
    if (indexador_)
        return;
    indexador_ = new Indexador(estado.carpetaCategorias(),
                               estado.carpetaPreferencias() + QStringLiteral("/indice-biblioteca.db"), this);
    connect(&estado.escritos, &Escritos::archivosEscritos, indexador_, &Indexador::ArchivosEscritos);
    connect(indexador_, &Indexador::aviso, this,
            [this](const QString &texto) { AvisoBiblioteca(QStringLiteral("indice"), texto); });
    barEstado->insertPermanentWidget(1, new AvisoIndice(*indexador_, barEstado)); // after the status line
    // Searches find the open category as the list shows it, not as its file was last saved.
    indexador_->setSinGuardar([this] {
        return categoria_.hayCambios() ? biblioteca::SinGuardar{categoria_.nombre(), categoria_.scripts()}
                                       : biblioteca::SinGuardar();
    });
    indexador_->Iniciar();
}

void frmPrincipal::mnuCodBuscarBiblioteca_Click() {
    IniciarIndice();
    if (!buscarBiblioteca_) {
        buscarBiblioteca_ = new frmBuscarBiblioteca(
            *indexador_, [this](const biblioteca::Hallazgo &h) { AbrirScript(h); }, this);
        // The window may stay open while the list changes: its results follow.
        for (auto senal : {&CategoriaAbierta::filasInsertadas, &CategoriaAbierta::filasQuitadas,
                           &CategoriaAbierta::filasCambiadas, &CategoriaAbierta::filaMovida})
            connect(&categoria_, senal, buscarBiblioteca_, &frmBuscarBiblioteca::Refrescar);
        connect(&categoria_, &CategoriaAbierta::reiniciada, buscarBiblioteca_, &frmBuscarBiblioteca::Refrescar);
        connect(&categoria_, &CategoriaAbierta::cambiado, buscarBiblioteca_, &frmBuscarBiblioteca::Refrescar);
    }
    buscarBiblioteca_->Mostrar();
}

namespace {
bool EsElScript(const CategoriaAbierta &d, int fila, const biblioteca::Hallazgo &h) {
    if (fila < 0 || fila >= d.cantidad())
        return false;
    const Script &s = d.script(fila);
    return s.Nombre == h.nombre && s.Descripcion == h.descripcion && etiquetas::AEditor(s.Codigo) == h.codigo;
}
} // namespace

void frmPrincipal::AbrirScript(const biblioteca::Hallazgo &h) {
    const QString titulo = QStringLiteral("Buscar en la biblioteca");
    if (!mdlSistema::ExisteArchivo(estado.rutaCategoria(h.categoria))) {
        mensajes::Aviso(this, QStringLiteral("La categoría %1 ya no existe.").arg(h.categoria), titulo);
        return;
    }
    // A script of the open category with changes pending is looked for where it is: opening the
    // category again would ask to save them, or drop them.
    if (!categoria_.hayCambios() || categoria_.nombre() != h.categoria) {
        const auto enPanel = [this, &h]() -> QTreeWidgetItem * {
            const auto hallados = lstCat->findItems(h.categoria, Qt::MatchExactly | Qt::MatchCaseSensitive);
            return hallados.isEmpty() ? nullptr : hallados.first();
        };
        QTreeWidgetItem *item = enPanel();
        if (!item) {
            // The panel's filter hides it: the panel shows every category, as choosing "Todas" does.
            if (categoria_.hayCambios() && !Preguntar())
                return;
            estado.MostrarTodas = 1;
            estado.Mostrar = QStringLiteral("Todas");
            MostrarEnPanel(estado.Mostrar);
            LlenarCat();
            Limpiar();
            if (!(item = enPanel()))
                return;
        }
        lstCat->setCurrentItem(item);
        AbrirCategoria();
        if (categoria_.nombre() != h.categoria)
            return; // the pending changes could not be saved: the list still holds them
    }
    // The file may have changed since it was indexed, and a sorted list is not in file order: the row
    // is the one at the script's place if it still holds it, or else the first with its content.
    int fila = h.posicion;
    if (!EsElScript(categoria_, fila, h)) {
        fila = -1;
        for (int i = 0; i < categoria_.cantidad() && fila < 0; ++i)
            if (EsElScript(categoria_, i, h))
                fila = i;
    }
    if (fila < 0) {
        mensajes::Aviso(this,
                        QStringLiteral("El script %1 ya no está en la categoría %2.").arg(h.nombre, h.categoria),
                        titulo);
        return;
    }
    lstScripts->Seleccionar(fila, QAbstractItemView::PositionAtCenter);
    LScripts();
    activateWindow();
    raise();
}
