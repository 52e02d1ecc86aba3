// History and sync: the menu entries, and the little the history windows need of the main window.
#include "core/mdlSistema.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlSistemaVista.h"
#include "ui/tools/Versiones.h"

#include <QAction>
#include <QHash>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

static size_t qHash(const Script &s, size_t semilla = 0) {
    return qHashMulti(semilla, s.Nombre, s.Descripcion, s.Codigo, s.Puntaje);
}

void frmPrincipal::conectarHistorial() {
    versiones_ = new Versiones(*this, this);
    connect(mnuHistorial, &QAction::triggered, versiones_, &Versiones::MostrarHistorial);
    connect(mnuEliminadas, &QAction::triggered, versiones_, &Versiones::MostrarEliminadas);
    connect(mnuSincronizar, &QAction::triggered, versiones_, &Versiones::Sincronizar);
    connect(mnuSincronizarConfig, &QAction::triggered, versiones_, [this] { versiones_->Configurar(); });
}

QString frmPrincipal::categoriaAbierta() const { return categoria_.nombre(); }

int frmPrincipal::AgregarPendientes(const QVector<Script> &scripts, bool soloLosQueFaltan) {
    QVector<Script> nuevos;
    if (soloLosQueFaltan) {
        QHash<Script, int> presentes; // how many rows hold each script as it is
        for (const Script &s : categoria_.scripts())
            ++presentes[s];
        for (const Script &s : scripts) {
            auto it = presentes.find(s);
            if (it != presentes.end() && *it > 0)
                --*it;
            else
                nuevos.append(s);
        }
    } else {
        nuevos = scripts;
    }
    if (nuevos.isEmpty())
        return 0;
    categoria_.Importar(nuevos, nuevos.size() == 1 ? QStringLiteral("recuperar «%1»").arg(nuevos.first().Nombre)
                                                   : QStringLiteral("recuperar %1 scripts").arg(nuevos.size()));
    // The last script brought back is the one shown, wherever sorting put it.
    for (int i = categoria_.cantidad() - 1; i >= 0; --i)
        if (categoria_.script(i) == nuevos.last()) {
            lstScripts->Seleccionar(i);
            break;
        }
    return int(nuevos.size());
}

void frmPrincipal::ReleerCategorias(const QStringList &archivos) {
    SeguirCarpeta();
    // What the list shows is what the file holds now. Changes still pending stay as they are: their
    // save finds the file changed and asks before writing over it.
    if (categoria_.hayAbierta() && !categoria_.hayCambios() &&
        archivos.contains(categoria_.nombre() + QStringLiteral(".rtn")))
        Recargar();
}

void frmPrincipal::MostrarEnEstado(const QString &texto, int duracionMs, int valor, int maximo) {
    barEstado->showMessage(texto, duracionMs);
    if (maximo > 0) {
        barProgreso->setRange(0, maximo);
        barProgreso->setValue(valor);
    }
}

void frmPrincipal::AvisoBiblioteca(const QString &area, const QString &texto) {
    if (texto.isEmpty())
        avisosBiblioteca_.remove(area);
    else
        avisosBiblioteca_.insert(area, texto);
    if (!lblAvisoBiblioteca) {
        lblAvisoBiblioteca = new QLabel(barEstado);
        lblAvisoBiblioteca->setObjectName(QStringLiteral("lblAvisoBiblioteca"));
        lblAvisoBiblioteca->setWordWrap(false);
        barEstado->addPermanentWidget(lblAvisoBiblioteca);
    }
    const QStringList textos = avisosBiblioteca_.values();
    lblAvisoBiblioteca->setText(textos.join(QStringLiteral(" · ")));
    lblAvisoBiblioteca->setToolTip(textos.join(QLatin1Char('\n')));
    lblAvisoBiblioteca->setVisible(!textos.isEmpty());
}

void frmPrincipal::TerminarAvance() {
    barEstado->clearMessage();
    barProgreso->setRange(0, 200);
    barProgreso->setValue(0);
}

void frmPrincipal::setComandosHabilitados(bool habilitados) {
    menuBar()->setEnabled(habilitados);
    barMenu->setEnabled(habilitados);
    centralWidget()->setEnabled(habilitados);
}

void frmPrincipal::AgregarAlEstado(QWidget *control) { barEstado->addPermanentWidget(control); }
