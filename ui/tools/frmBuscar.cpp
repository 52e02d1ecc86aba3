#include "ui/tools/frmBuscar.h"
#include "format/Herramientas.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"
#include "ui/Dialogos.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// A found script: its name as the main list shows it and its position there, kept as they are and
// turned into text only when a row is painted, so that listing thousands of finds stays cheap.
class FilaHallada : public QTreeWidgetItem {
public:
  FilaHallada(const QString &nombre, int posicion) : nombre_(vista::Mostrado(nombre)), posicion_(posicion) {}
  QVariant data(int columna, int rol) const override {
      if (rol == Qt::DisplayRole || rol == Qt::EditRole) {
          if (columna == 0)
              return nombre_;
          if (columna == 1)
              return QString::number(posicion_);
      }
      if (rol == Qt::DecorationRole && columna == 0) {
          static const QIcon icono = Principal::Imagen(1);
          return icono;
      }
      return QTreeWidgetItem::data(columna, rol);
    }

private:
    QString nombre_;
    int posicion_;
};
} // namespace

frmBuscar::frmBuscar(Principal &principal, QWidget *padre) : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmBuscar"));
    setWindowTitle(QStringLiteral("Buscar"));
    setWindowIcon(IconoApp());

    lblBuscar = new QLabel(QStringLiteral("Buscar en %1:").arg(p_.categoria().hayAbierta() ? p_.categoria().nombre() : QStringLiteral("(Ninguna)")), this);
    lblBuscar->setObjectName(QStringLiteral("lblBuscar"));
    txtBuscar = new QLineEdit(this);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    txtBuscar->setAccessibleName(lblBuscar->text());
    lblBuscar->setBuddy(txtBuscar);
    cmdBuscar = new QPushButton(this);
    cmdBuscar->setObjectName(QStringLiteral("cmdBuscar"));
    cmdBuscar->setIcon(Icono("edit-find"));
    cmdBuscar->setToolTip(QStringLiteral("Buscar"));
    cmdBuscar->setAccessibleName(QStringLiteral("Buscar"));
    // Enter in the word starts the search.
    cmdBuscar->setDefault(true);
    cmdBuscar->setAutoDefault(true);

    lstBuscar = new QTreeWidget(this);
    lstBuscar->setObjectName(QStringLiteral("lstBuscar"));
    lstBuscar->setAccessibleName(QStringLiteral("Resultados"));
    lstBuscar->setRootIsDecorated(false);
    lstBuscar->setUniformRowHeights(true); // thousands of results lay out without measuring each row
    lstBuscar->setColumnCount(2);
    lstBuscar->setHeaderLabels({QStringLiteral("Nombre"), QStringLiteral("Index")});
    lstBuscar->setColumnHidden(1, true);
    lstBuscar->header()->setStretchLastSection(true);

    cmdCerrar = dialogos::Boton(this, "cmdCerrar", QStringLiteral("Cerrar"), false);

    auto *fila = new QHBoxLayout;
    fila->addWidget(txtBuscar, 1);
    fila->addWidget(cmdBuscar);
    auto *abajo = new QHBoxLayout;
    abajo->addStretch(1);
    abajo->addWidget(cmdCerrar);
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(lblBuscar);
    todo->addLayout(fila);
    todo->addWidget(lstBuscar, 1);
    todo->addLayout(abajo);
    resize(360, 320);

    connect(cmdBuscar, &QPushButton::clicked, this, &frmBuscar::cmdBuscar_Click);
    connect(cmdCerrar, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstBuscar, &QTreeWidget::itemDoubleClicked, this, [this] { lstBuscar_DblClick(); });
}

void frmBuscar::cmdBuscar_Click() {
    const QString palabra = txtBuscar->text();
    if (palabra.isEmpty())
        return;
    lstBuscar->clear();
    // Names are searched folded, as the library's search does.
    QStringList plegados;
    plegados.reserve(p_.categoria().cantidad());
    for (const Script &s : p_.categoria().scripts())
        plegados.append(herramientas::Plegar(s.Nombre));
    const auto clave = [&plegados](int i) { return QStringView(plegados.at(i)); };
    QList<QTreeWidgetItem *> filas;
    for (int i : herramientas::Buscar(p_.categoria().cantidad(), clave, palabra))
        filas.append(new FilaHallada(p_.categoria().script(i).Nombre, i + 1));
    lstBuscar->addTopLevelItems(filas);
    if (filas.isEmpty())
        mensajes::Informacion(this, QStringLiteral("No se encontró la palabra ") + palabra, QStringLiteral("Buscar"));
}

void frmBuscar::lstBuscar_DblClick() {
    if (lstBuscar->topLevelItemCount() == 0)
        return;
    if (QTreeWidgetItem *r = lstBuscar->currentItem()) {
        bool ok = false;
        const int p = r->text(1).toInt(&ok);
        // The main list cannot change while this modal window is open, but a stale position is
        // ignored rather than trusted.
        if (ok && p >= 1 && p <= p_.categoria().cantidad())
            p_.SeleccionarFila(p - 1);
    }
    accept();
}
