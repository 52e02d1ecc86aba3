#include "Controles.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace ayudas {

namespace {
// A control the window does not have fails the test that looks for it, not a later dereference.
template <typename T> T *Hallar(const QWidget *ventana, const char *nombre) {
    T *c = ventana->findChild<T *>(QString::fromLatin1(nombre));
    if (!c)
        qFatal("La ventana principal no tiene el control %s", nombre);
    return c;
}

QAction *EnPosicion(const QWidget *w, int posicion) {
    const auto acciones = w->actions();
    return posicion >= 1 && posicion <= acciones.size() ? acciones[posicion - 1] : nullptr;
}
} // namespace

#define HALLAR(control) control = Hallar<std::remove_pointer_t<decltype(control)>>(ventana, #control)

Controles::Controles(const QWidget *ventana) {
    HALLAR(barMenu);
    HALLAR(menuBotonCategorias);
    HALLAR(menuBotonAyuda);
    HALLAR(picPaneles);
    HALLAR(Panel1);
    HALLAR(Panel2);
    HALLAR(lbl1);
    HALLAR(lbl2);
    HALLAR(cmdM1);
    HALLAR(cmdM2);
    HALLAR(cmdMCat);
    HALLAR(cboCat);
    HALLAR(lstCat);
    HALLAR(lstOp);
    HALLAR(picMenu3);
    HALLAR(Panel3);
    HALLAR(lblMenu3);
    HALLAR(lblMenu3a);
    HALLAR(cmdM3);
    HALLAR(cmdM4);
    HALLAR(fraMenu4);
    HALLAR(fraMenu3);
    HALLAR(barScript);
    HALLAR(lstScripts);
    HALLAR(lin1);
    HALLAR(lin2);
    HALLAR(barEstado);
    for (int i = 0; i < 5; ++i)
        panelEstado[i] = Hallar<QLabel>(ventana, qPrintable(QStringLiteral("panelEstado%1").arg(i + 1)));
    HALLAR(barProgreso);
    HALLAR(g001);
    HALLAR(g002);
    HALLAR(g004);
    HALLAR(g007);
    HALLAR(g012);
    HALLAR(g013);
    HALLAR(g020);
    HALLAR(mnuCodigo);
    HALLAR(mnuGuardar);
    HALLAR(mnuEnviar);
    HALLAR(mnuOutlookConfig);
    HALLAR(mnuOpciones);
    HALLAR(mnuSalir);
    HALLAR(mnuAgregar);
    HALLAR(mnuEliminar);
    HALLAR(mnuRenombrar);
    HALLAR(mnuImportar);
    HALLAR(mnuCodAgregar);
    HALLAR(mnuCodEditar);
    HALLAR(mnuCodEliminar);
    HALLAR(mnuCodCopiar);
    HALLAR(mnuCodBuscar);
    HALLAR(mnuCodBuscarBiblioteca);
    HALLAR(mnuVerOp);
    HALLAR(mnuVerE);
    HALLAR(mnuLinkJS);
    HALLAR(mnuLinkASP);
    HALLAR(mnuLinkPHP);
    HALLAR(mnuLinkVB);
    HALLAR(mnuActualizar);
    HALLAR(mnuAcerca);
    HALLAR(mnuSincronizar);
    HALLAR(mnuSincronizarConfig);
    HALLAR(mnuHistorial);
    HALLAR(mnuEliminadas);
}

#undef HALLAR

QAction *Controles::botonMenu(int posicion) const {
    return EnPosicion(barMenu, posicion);
}
QAction *Controles::botonScript(int posicion) const {
    return EnPosicion(barScript, posicion);
}
QAction *Controles::entradaCategorias(int posicion) const {
    return EnPosicion(menuBotonCategorias, posicion);
}

const Controles *ui(const frmPrincipal *ventana) {
    static QHash<const QObject *, std::shared_ptr<const Controles>> conocidas;
    auto it = conocidas.find(ventana);
    if (it == conocidas.end()) {
        it = conocidas.insert(ventana, std::make_shared<const Controles>(ventana));
        QObject::connect(ventana, &QObject::destroyed, [ventana] { conocidas.remove(ventana); });
    }
    return it->get();
}

} // namespace ayudas
