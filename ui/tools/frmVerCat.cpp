#include "ui/tools/frmVerCat.h"
#include "ui/Iconos.h"
#include "ui/Principal.h"
#include "ui/Dialogos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

frmVerCat::frmVerCat(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana()), p_(principal) {
    setObjectName(QStringLiteral("frmVerCat"));
    setWindowTitle(QStringLiteral("Configurar panel"));
    setWindowIcon(IconoApp());

    fraOpciones = new QGroupBox(QStringLiteral("Opciones"), this);
    fraOpciones->setObjectName(QStringLiteral("fraOpciones"));
    cheVerCat = new QCheckBox(QStringLiteral("Mostrar todas las categorías"), fraOpciones);
    cheVerCat->setObjectName(QStringLiteral("cheVerCat"));
    Label2 = new QLabel(QStringLiteral("Mostrar únicamente las categorías que comiencen con las letras:"),
                        fraOpciones);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    txtPanel = new QLineEdit(fraOpciones);
    txtPanel->setObjectName(QStringLiteral("txtPanel"));
    txtPanel->setMaxLength(30);
    txtPanel->setAccessibleName(QStringLiteral("Letras del filtro"));
    Label2->setBuddy(txtPanel);
    txtPanel->installEventFilter(this);

    fraCategorias = new QGroupBox(QStringLiteral("Categorías: Acceso rápido"), this);
    fraCategorias->setObjectName(QStringLiteral("fraCategorias"));
    cboCat = new QComboBox(fraCategorias);
    cboCat->setObjectName(QStringLiteral("cboCat"));
    cboCat->setAccessibleName(QStringLiteral("Acceso rápido"));
    // Like the main window's combo: it shows any text but cannot be typed in.
    cboCat->setEditable(true);
    cboCat->lineEdit()->setReadOnly(true);
    cboCat->setInsertPolicy(QComboBox::NoInsert);
    cboCat->installEventFilter(this);
    cboCat->lineEdit()->installEventFilter(this);
    cmdElCat = new QPushButton(QStringLiteral("Remover del panel"), fraCategorias);
    cmdElCat->setObjectName(QStringLiteral("cmdElCat"));
    cmdElCat->setAutoDefault(false);
    cmdElCat->setEnabled(false);
    cmdElCat->setMinimumWidth(cmdElCat->sizeHint().width());

    cmdAceptar = dialogos::Boton(this, "cmdAceptar", QStringLiteral("Aceptar"), true);
    cmdCancelar = dialogos::Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), false);

    auto *opciones = new QVBoxLayout(fraOpciones);
    opciones->addWidget(cheVerCat);
    opciones->addWidget(Label2);
    opciones->addWidget(txtPanel);
    auto *categorias = new QHBoxLayout(fraCategorias);
    categorias->addWidget(cboCat, 1);
    categorias->addWidget(cmdElCat);
    auto *botones = dialogos::FilaBotones({cmdAceptar, cmdCancelar});
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(fraOpciones);
    todo->addWidget(fraCategorias);
    todo->addLayout(botones);
    resize(380, sizeHint().height());

    connect(cheVerCat, &QCheckBox::clicked, this, &frmVerCat::cheVerCat_Click);
    connect(cboCat, &QComboBox::activated, this, &frmVerCat::cboCat_Click);
    connect(cmdElCat, &QPushButton::clicked, this, &frmVerCat::cmdElCat_Click);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmVerCat::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmVerCat::cmdCancelar_Click);
    Form_Load();
}

void frmVerCat::Form_Load() {
    Estado &e = p_.estado;
    if (e.Mostrar == QLatin1String("Todas"))
        e.Mostrar.clear();
    txtPanel->setText(e.Mostrar);
    // Any value but 0 lists every category.
    cheVerCat->setChecked(e.MostrarTodas != 0);
    cheVerCat_Click();
    cboCat->addItems(p_.panel().entradasPanel());
    cboCat->setEditText(QStringLiteral("Todas"));
}

void frmVerCat::cheVerCat_Click() {
    const bool todas = cheVerCat->isChecked();
    txtPanel->setEnabled(!todas);
    if (todas)
        txtPanel->clear();
}

void frmVerCat::cboCat_Click() {
    const QString t = cboCat->currentText();
    cmdElCat->setEnabled(!t.isEmpty() && t != QLatin1String("Todas"));
}

void frmVerCat::MostrarEnPanel(const QString &texto) { p_.panel().MostrarEnPanel(texto); }

void frmVerCat::cmdAceptar_Click() {
    Estado &e = p_.estado;
    // Letters are needed when not every category is shown. Blank letters are none: they would file a
    // blank entry and label the panel "Todas" while it filtered on those letters. The filter state is
    // left as it was, so giving up with "Cancelar" afterwards really changes nothing.
    if (!cheVerCat->isChecked() && txtPanel->text().trimmed().isEmpty())
        return;
    e.Mostrar = txtPanel->text().trimmed();
    if (e.Mostrar.isEmpty())
        e.Mostrar = QStringLiteral("Todas");
    e.MostrarTodas = cheVerCat->isChecked() ? 1 : 0;
    if (e.MostrarTodas == 0)
        p_.panel().AgregarEntradaPanel(txtPanel->text());
    p_.panel().LlenarCat();
    p_.panel().Limpiar();
    MostrarEnPanel(e.Mostrar);
    accept();
}

void frmVerCat::cmdElCat_Click() {
    const int pos = cboCat->currentIndex();
    if (pos < 0 || pos >= p_.panel().entradasPanel().size())
        return;
    if (cboCat->currentText() == p_.panel().textoPanel()) {
        p_.panel().VaciarCategorias();
        MostrarEnPanel(QString());
        p_.panel().Limpiar();
    }
    p_.panel().QuitarEntradaPanel(pos);
    cboCat->removeItem(pos);
    cboCat->setEditText(QStringLiteral("Todas"));
    cmdElCat->setEnabled(false);
}

void frmVerCat::cmdCancelar_Click() {
    reject();
}

void frmVerCat::reject() {
    // The entry in use was removed: nothing is open under a filter that no longer exists.
    if (p_.panel().textoPanel().isEmpty())
        p_.panel().Limpiar();
    QDialog::reject();
}

bool frmVerCat::eventFilter(QObject *objeto, QEvent *evento) {
    if (evento->type() == QEvent::KeyPress) {
        auto *tecla = static_cast<QKeyEvent *>(evento);
        if (objeto == txtPanel && (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter)) {
            cmdAceptar_Click();
            return true;
        }
        // The quick-access combo is chosen from, never typed in; Escape and Tab still leave it.
        // The keys that open its list are kept, so it can be used without a mouse.
        if (objeto == cboCat || objeto == cboCat->lineEdit()) {
            const int k = tecla->key();
            const bool abre = k == Qt::Key_F4 || ((tecla->modifiers() & Qt::AltModifier) &&
                                                  (k == Qt::Key_Down || k == Qt::Key_Up));
            if (abre) {
                cboCat->showPopup();
                return true;
            }
            if (k != Qt::Key_Escape && k != Qt::Key_Tab && k != Qt::Key_Backtab)
                return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}
