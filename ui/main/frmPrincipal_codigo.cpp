// The code pane: the selected script's code below the list, read-only, highlighted as the editor
// would, so that a script can be read without opening it.
#include "format/Etiquetas.h"
#include "format/Lenguaje.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QFrame>
#include <QTimer>

void frmPrincipal::conectarCodigo() {
    txtVista = new EditorCodigo(fraMenu3);
    txtVista->hide(); // until setVerCodigo below: the list holds the whole area until then
    txtVista->setObjectName(QStringLiteral("txtVista"));
    txtVista->setAccessibleName(QStringLiteral("Código del script"));
    txtVista->setReadOnly(true);
    txtVista->setCaretLineVisible(false);
    txtVista->setBraceMatching(QsciScintilla::NoBraceMatch);
    // Moving through the list shows each script's code at once; a change of the list (a load, an
    // edit, a removal) shows it once the change is over.
    connect(lstScripts, &ListaScripts::actualCambiado, this, &frmPrincipal::MostrarCodigo);
    QAbstractItemModel *modelo = lstScripts->model();
    for (auto senal : {&QAbstractItemModel::rowsRemoved, &QAbstractItemModel::rowsInserted})
        connect(modelo, senal, this, &frmPrincipal::MostrarCodigoLuego);
    connect(modelo, &QAbstractItemModel::modelReset, this, &frmPrincipal::MostrarCodigoLuego);
    connect(modelo, &QAbstractItemModel::dataChanged, this, &frmPrincipal::MostrarCodigoLuego);
    connect(mnuVerCodigo, &QAction::toggled, this, &frmPrincipal::setVerCodigo);
    mnuVerCodigo->setChecked(estado.VerCodigo);
    setVerCodigo(estado.VerCodigo);
}

void frmPrincipal::setVerCodigo(bool ver) {
    estado.VerCodigo = ver;
    if (mnuVerCodigo->isChecked() != ver)
        mnuVerCodigo->setChecked(ver);
    // The list and the pane share one area: it is handed from one to the other whole.
    if (ver && !txtVista->isVisibleTo(this))
        txtVista->setGeometry(lstScripts->geometry());
    else if (!ver && txtVista->isVisibleTo(this))
        lstScripts->setGeometry(lstScripts->geometry().united(txtVista->geometry()));
    txtVista->setVisible(ver);
    if (ver)
        MostrarCodigo();
    Disponer();
}

void frmPrincipal::MostrarCodigoLuego() {
    if (codigoPendiente_ || !txtVista->isVisibleTo(this))
        return;
    codigoPendiente_ = true;
    QTimer::singleShot(0, this, [this] {
        codigoPendiente_ = false;
        MostrarCodigo();
    });
}

void frmPrincipal::MostrarCodigo() {
    if (!txtVista || !txtVista->isVisibleTo(this))
        return; // hidden, it costs nothing: shown again, it reads the current row
    const int fila = lstScripts->filaActual();
    // As the editor shows it: the stored form's quote token back to a quote.
    const QString codigo = fila >= 0 ? etiquetas::AEditor(categoria_.script(fila).Codigo) : QString();
    // The description may name another language for the same code.
    txtVista->setLenguaje(fila >= 0 ? lenguaje::Elegir(categoria_.script(fila).Descripcion, codigo, categoria_.nombre())
                                    : lenguaje::Lenguaje::Ninguno);
    if (codigo == txtVista->texto())
        return;
    txtVista->ponerTexto(codigo);
}
