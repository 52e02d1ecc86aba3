#include "ui/tools/frmHistorial.h"
#include "history/Mezcla.h"
#include "ui/Dialogos.h"
#include "ui/Iconos.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

frmHistorial::frmHistorial(Principal &principal, const QString &categoria)
    : QDialog(principal.ventana()), p_(principal), categoria_(categoria) {
    setObjectName(QStringLiteral("frmHistorial"));
    setWindowTitle(QStringLiteral("Historial de %1").arg(categoria));
    setWindowIcon(IconoApp());

    lblVersiones = new QLabel(QStringLiteral("Versiones:"), this);
    lblVersiones->setObjectName(QStringLiteral("lblVersiones"));
    lstVersiones = new QTreeWidget(this);
    lstVersiones->setObjectName(QStringLiteral("lstVersiones"));
    lstVersiones->setAccessibleName(QStringLiteral("Versiones"));
    lstVersiones->setHeaderLabels({QStringLiteral("Fecha"), QStringLiteral("Cambios")});
    lstVersiones->setRootIsDecorated(false);
    lstVersiones->setUniformRowHeights(true);
    lblVersiones->setBuddy(lstVersiones);
    lblScripts = new QLabel(QStringLiteral("Scripts de la versión:"), this);
    lblScripts->setObjectName(QStringLiteral("lblScripts"));
    lstVersion = new QTreeWidget(this);
    lstVersion->setObjectName(QStringLiteral("lstVersion"));
    lstVersion->setAccessibleName(QStringLiteral("Scripts de la versión"));
    vista::PrepararColumnas(lstVersion);
    lstVersion->setRootIsDecorated(false);
    lblScripts->setBuddy(lstVersion);
    txtCodigo = new QPlainTextEdit(this);
    txtCodigo->setObjectName(QStringLiteral("txtCodigo"));
    txtCodigo->setAccessibleName(QStringLiteral("Código"));
    txtCodigo->setReadOnly(true);
    txtCodigo->setLineWrapMode(QPlainTextEdit::NoWrap);
    lblEstado = new QLabel(this);
    lblEstado->setObjectName(QStringLiteral("lblEstado"));
    lblEstado->setWordWrap(true);
    cmdRecuperar = dialogos::Boton(this, "cmdRecuperar", QStringLiteral("Recuperar script"), false);
    cmdRecuperarVersion = dialogos::Boton(this, "cmdRecuperarVersion", QStringLiteral("Recuperar versión"), false);
    cmdCerrar = dialogos::Boton(this, "cmdCerrar", QStringLiteral("Cerrar"), true);

    auto *izquierda = new QWidget(this);
    auto *li = new QVBoxLayout(izquierda);
    li->setContentsMargins(0, 0, 0, 0);
    li->addWidget(lblVersiones);
    li->addWidget(lstVersiones);
    auto *derecha = new QWidget(this);
    auto *ld = new QVBoxLayout(derecha);
    ld->setContentsMargins(0, 0, 0, 0);
    ld->addWidget(lblScripts);
    ld->addWidget(lstVersion, 3);
    ld->addWidget(txtCodigo, 2);
    auto *division = new QSplitter(this);
    division->addWidget(izquierda);
    division->addWidget(derecha);
    division->setStretchFactor(0, 2);
    division->setStretchFactor(1, 3);
    division->setSizes({400, 600});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(division, 1);
    todo->addWidget(lblEstado);
    todo->addLayout(dialogos::FilaBotones({cmdRecuperar, cmdRecuperarVersion, cmdCerrar}));
    resize(1000, 560);
    lstVersion->header()->resizeSection(vista::ColNombre, 220);
    lstVersion->header()->resizeSection(vista::ColDescripcion, 250);

    connect(lstVersiones, &QTreeWidget::currentItemChanged, this, [this] { MostrarVersion(); });
    connect(lstVersion, &QTreeWidget::currentItemChanged, this, [this] { MostrarScript(); });
    connect(lstVersion, &QTreeWidget::itemDoubleClicked, this, [this] { cmdRecuperar_Click(); });
    connect(cmdRecuperar, &QPushButton::clicked, this, &frmHistorial::cmdRecuperar_Click);
    connect(cmdRecuperarVersion, &QPushButton::clicked, this, &frmHistorial::cmdRecuperarVersion_Click);
    connect(cmdCerrar, &QPushButton::clicked, this, &QDialog::accept);

    if (repo_.Abrir(p_.estado.carpetaCategorias(), false))
        versiones_ = repo_.Versiones(categoria + QStringLiteral(".rtn"));
    for (const git::Version &v : versiones_) {
        auto *item = new QTreeWidgetItem(
            lstVersiones, {v.fecha.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                           v.mensaje.section(QLatin1Char('\n'), 0, 0)});
        item->setToolTip(1, v.mensaje);
    }
    lstVersiones->header()->resizeSection(
        0, lstVersiones->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 16);
    cmdRecuperar->setEnabled(false);
    cmdRecuperarVersion->setEnabled(false);
    if (versiones_.isEmpty())
        lblEstado->setText(QStringLiteral("La categoría %1 no tiene versiones guardadas.").arg(categoria));
    else
        lstVersiones->setCurrentItem(lstVersiones->topLevelItem(0));
}

void frmHistorial::MostrarVersion() {
    lstVersion->clear();
    txtCodigo->clear();
    scripts_.clear();
    const int i = lstVersiones->indexOfTopLevelItem(lstVersiones->currentItem());
    if (i < 0 || i >= versiones_.size())
        return;
    const git::Version &v = versiones_[i];
    const std::optional<QByteArray> datos = repo_.Contenido(v.commit, v.archivo);
    scripts_ = datos ? mdlScripts::Analizar(*datos) : QVector<Script>();
    vista::Anexar(lstVersion, scripts_);
    lblScripts->setText(v.archivo == categoria_ + QStringLiteral(".rtn")
                            ? QStringLiteral("Scripts de la versión (%1):").arg(scripts_.size())
                            : QStringLiteral("Scripts de la versión, cuando se llamaba %1 (%2):")
                                  .arg(mezcla::Categoria(v.archivo))
                                  .arg(scripts_.size()));
    if (lstVersion->topLevelItemCount() > 0)
        lstVersion->setCurrentItem(lstVersion->topLevelItem(0));
    cmdRecuperarVersion->setEnabled(!scripts_.isEmpty());
    cmdRecuperar->setEnabled(!scripts_.isEmpty());
}

void frmHistorial::MostrarScript() {
    const QTreeWidgetItem *item = lstVersion->currentItem();
    txtCodigo->setPlainText(item ? vista::Campo(item, vista::ColCodigo)
                                       .replace(mdlScripts::kTokenComilla, QStringLiteral("\""))
                                       .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                 : QString());
}

void frmHistorial::cmdRecuperar_Click() {
    const QTreeWidgetItem *item = lstVersion->currentItem();
    if (!item)
        return;
    const Script s = vista::ScriptDe(item);
    // A script of that name still in the category gets the old text back: the same script, not a
    // second one beside it.
    int fila = -1;
    for (int i = 0; i < p_.categoria().cantidad() && fila < 0; ++i)
        if (p_.categoria().script(i).Nombre == s.Nombre)
            fila = i;
    if (fila < 0) {
        p_.historia().AgregarPendientes({s}, false);
        lblEstado->setText(QStringLiteral("«%1» se agregó a la categoría %2. Guarde los cambios para conservarlo.")
                               .arg(s.Nombre, categoria_));
        return;
    }
    if (p_.categoria().script(fila) == s) {
        lblEstado->setText(QStringLiteral("«%1» ya está así en la categoría %2.").arg(s.Nombre, categoria_));
        return;
    }
    p_.categoria().Reemplazar(fila, s);
    p_.SeleccionarFila(p_.categoria().script(fila) == s ? fila : [&] {
        for (int i = 0; i < p_.categoria().cantidad(); ++i)
            if (p_.categoria().script(i) == s)
                return i;
        return -1;
    }());
    lblEstado->setText(QStringLiteral("«%1» volvió a esta versión en la categoría %2. Guarde los cambios para "
                                      "conservarlo.")
                           .arg(s.Nombre, categoria_));
}

void frmHistorial::cmdRecuperarVersion_Click() {
    const int n = p_.historia().AgregarPendientes(scripts_, true);
    if (n == 0)
        lblEstado->setText(QStringLiteral("La categoría %1 ya tiene todos los scripts de esta versión.").arg(categoria_));
    else
        lblEstado->setText(QStringLiteral("%1 de esta versión se %2 a la categoría %3. Guarde los cambios para "
                                          "conservarlos.")
                               .arg(n == 1 ? QStringLiteral("1 script") : QStringLiteral("%1 scripts").arg(n),
                                    n == 1 ? QStringLiteral("agregó") : QStringLiteral("agregaron"), categoria_));
}
