#include "ui/tools/frmMover.h"
#include "core/Registro.h"
#include "core/Senales.h"
#include "core/mdlSistema.h"
#include "format/mdlScripts.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"
#include "ui/Dialogos.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

frmMover::frmMover(Principal &principal, QWidget *padre) : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmMover"));
    setWindowTitle(QStringLiteral("Copiar"));
    setWindowIcon(IconoApp());

    // The dialog moves the script it names, whatever the user selects while it stays open.
    fila_ = p_.filaActual();
    if (fila_ >= 0)
        script_ = p_.categoria().script(fila_);
    categoria_ = p_.categoria().nombre();
    lblCopiar = new QLabel(QStringLiteral("Seleccione la categoría a la cual desea copiar el script: ") +
                               (fila_ >= 0 ? vista::Mostrado(script_.Nombre) : QString()),
                           this);
    lblCopiar->setObjectName(QStringLiteral("lblCopiar"));
    lblCopiar->setWordWrap(true);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    cboImagen = new QComboBox(Frame1);
    cboImagen->setObjectName(QStringLiteral("cboImagen"));
    cboImagen->setAccessibleName(QStringLiteral("Categoría"));
    cboImagen->setEditable(false);
    cboImagen->installEventFilter(this);
    auto *marco = new QVBoxLayout(Frame1);
    marco->addWidget(cboImagen);
    barMover = new QProgressBar(this);
    barMover->setObjectName(QStringLiteral("barMover"));
    barMover->setTextVisible(false);
    barMover->setRange(0, 200);
    barMover->setValue(0);
    lstMover = new QTreeWidget(this);
    lstMover->setObjectName(QStringLiteral("lstMover"));
    vista::PrepararColumnas(lstMover);
    lstMover->hide();

    cmdPegar = dialogos::Boton(this, "cmdPegar", QStringLiteral("Copiar"), true);
    cmdPegar->setEnabled(false);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *botones = dialogos::FilaBotones({cmdPegar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(lblCopiar);
    todo->addWidget(Frame1);
    todo->addWidget(barMover);
    todo->addLayout(botones);
    resize(400, 170);

    const QIcon icono = Principal::Imagen(7);
    for (const QString &categoria : p_.panel().categoriasListadas())
        cboImagen->addItem(icono, categoria);
    cboImagen->setCurrentIndex(-1);

    connect(cboImagen, &QComboBox::activated, this, [this] {
        cmdPegar->setEnabled(true);
        cmdPegar->setFocus();
    });
    connect(cmdPegar, &QPushButton::clicked, this, &frmMover::cmdPegar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmMover::eventFilter(QObject *objeto, QEvent *evento) {
    // Typing in the combo would pick a category by its first letter behind the user's back; the keys
    // that leave it (Tab) or answer the dialog (Esc, Enter) go through.
    if (objeto == cboImagen && evento->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(evento)->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return false;
        default:
            return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

void frmMover::cmdPegar_Click() {
    const QString destino = cboImagen->currentText();
    const QString ruta = p_.estado.rutaCategoria(destino);
    if (cboImagen->currentIndex() < 0 || !mdlSistema::ExisteArchivo(ruta)) {
        reject();
        return;
    }
    const int sel = FilaNombrada();
    if (sel < 0) {
        mensajes::Aviso(this,
                        QStringLiteral("El script %1 ya no está en la categoría abierta; no se ha copiado nada.")
                            .arg(script_.Nombre),
                        QStringLiteral("Copiar"));
        reject();
        return;
    }
    if (categoria_ == destino) {
        reject();
        return;
    }
    cboImagen->hide();
    repaint();

    // The target is written before the script leaves the open list: if the write fails the script
    // must still be there, or saving the open category would lose it.
    QVector<Script> scripts;
    QString error;
    std::optional<senales::Aplazar> aplazar;
    barMover->setRange(0, 200);
    barMover->setValue(0);
    codificacion::Tipo tipo = codificacion::Tipo::Cp1252;
    bool ok = mdlScripts::LeerArchivo(ruta, scripts, &error, &tipo);
    if (ok) {
        // A character the target's encoding cannot hold is refused by name: nothing is written, and
        // the script stays where it is.
        const QString malos = codificacion::NoRepresentables(
            tipo, script_.Nombre + script_.Descripcion + script_.Codigo + script_.Puntaje);
        if (!malos.isEmpty()) {
            qCWarning(lcArchivos) << "script not moved: the target category cannot hold" << malos;
            lstMover->clear();
            cboImagen->show();
            mensajes::Aviso(this,
                            QStringLiteral("No se pudo copiar el script %1 a la categoría %2: estos caracteres no se "
                                           "pueden guardar en el archivo de esa categoría: %3\n\nEl script sigue en la "
                                           "categoría abierta y no se ha modificado nada.")
                                .arg(vista::Mostrado(script_.Nombre), destino, malos),
                            QStringLiteral("Copiar"));
            barMover->setValue(0);
            reject();
            return;
        }
        vista::Anexar(lstMover, scripts);
        scripts.append(script_);
        auto *fila = vista::NuevoItem(scripts.last());
        fila->setIcon(0, Principal::Imagen(1));
        lstMover->addTopLevelItem(fila);
        barMover->setRange(0, int(scripts.size()));
        barMover->setValue(int(scripts.size()) / 2);
        // From the target's write to the open category's mark the move is one step: a stop signal
        // heard meanwhile is acted on after it, so the script is never both written and not marked.
        aplazar.emplace();
        ok = mdlScripts::GuardarArchivo(ruta, scripts, &error, tipo);
    }
    barMover->setRange(0, 200);
    barMover->setValue(ok ? 200 : 0);
    if (!ok) {
        aplazar.reset();
        lstMover->clear();
        cboImagen->show();
        mensajes::Aviso(
            this,
            QStringLiteral("No se pudo copiar el script %1 a la categoría %2 (%3): %4\n\nEl script "
                           "sigue en la categoría abierta y no se ha modificado nada.")
                .arg(vista::Mostrado(script_.Nombre), destino, QDir::toNativeSeparators(ruta), error),
            QStringLiteral("Copiar"));
        reject();
        return;
    }

    // No event runs between the row leaving and the mark (both windows repaint afterwards).
    p_.categoria().MoverA({sel}, destino);
    aplazar.reset();
    // The dialog rests on what it did: the target shown but no longer offered, the bar back at rest,
    // and Enter or Esc closing it.
    lblCopiar->setText(QStringLiteral("El script %1 pasó a la categoría %2.").arg(vista::Mostrado(script_.Nombre), destino));
    cboImagen->setEnabled(false);
    cboImagen->show();
    barMover->setValue(0);
    cmdPegar->setEnabled(false);
    cmdCancelar->setText(QStringLiteral("Cerrar"));
    cmdCancelar->setDefault(true);
    cmdCancelar->setFocus();
}

int frmMover::FilaNombrada() const {
    if (fila_ < 0 || categoria_.isEmpty() || p_.categoria().nombre() != categoria_)
        return -1;
    // Rows may have come, gone or moved meanwhile: the script is looked for where it was, then by
    // its name among the others; a row holding something else is never taken for it.
    const int n = p_.categoria().cantidad();
    if (fila_ < n && p_.categoria().script(fila_) == script_)
        return fila_;
    for (int i = 0; i < n; ++i)
        if (p_.categoria().script(i).Nombre == script_.Nombre && p_.categoria().script(i) == script_)
            return i;
    return -1;
}
