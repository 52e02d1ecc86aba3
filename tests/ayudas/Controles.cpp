#include "Controles.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/main/VistaScripts.h"
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

QAction *PorClave(const QWidget *w, const QString &clave) {
    for (QAction *a : w->actions())
        if (a->objectName() == clave)
            return a;
    return nullptr;
}
} // namespace

Controles::Controles(const QWidget *ventana) {
#define AYUDAS_HALLAR(tipo, nombre) nombre = Hallar<tipo>(ventana, #nombre);
    AYUDAS_CONTROLES(AYUDAS_HALLAR)
#undef AYUDAS_HALLAR
    for (int i = 0; i < 5; ++i)
        panelEstado[i] = Hallar<QLabel>(ventana, qPrintable(QStringLiteral("panelEstado%1").arg(i + 1)));
}

QAction *Controles::botonMenu(const QString &clave) const {
    return PorClave(barMenu, clave);
}
QAction *Controles::botonScript(const QString &clave) const {
    return PorClave(barScript, clave);
}
QAction *Controles::entradaCategorias(const QString &clave) const {
    return PorClave(menuBotonCategorias, clave);
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
