// The script window: its controls, their layout, and the keys and buttons that drive it. What the
// fields hold, the menus, saving, output and the find bar are in the frmScript_*.cpp files.
#include "ui/editor/frmScript.h"
#include "format/Etiquetas.h"
#include "ui/Iconos.h"
#include "ui/Twips.h"
#include "ui/editor/DisposicionScript.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
QLabel *Etiqueta(QWidget *padre, const char *nombre, const QString &texto) {
    auto *l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    return l;
}

QLineEdit *Campo(QWidget *padre, const char *nombre, const QString &accesible) {
    auto *t = new QLineEdit(padre);
    t->setObjectName(QString::fromLatin1(nombre));
    t->setAccessibleName(accesible);
    return t;
}
} // namespace

frmScript::frmScript(Principal &principal, QWidget *padre)
    : QDialog(padre ? padre : principal.ventana(),
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                  Qt::WindowCloseButtonHint),
      p_(principal) {
    setObjectName(QStringLiteral("frmScript"));
    setWindowTitle(QStringLiteral("Script"));
    setWindowIcon(IconoApp());
    crearMenus();
    crearControles();
    crearBarra();
    crearBuscar();
    crearTeclas();
    resize(twips::APixeles(disposicionScript::kAncho),
           twips::APixeles(disposicionScript::kAlto) + barraMenus->sizeHint().height());
    setMinimumSize(twips::APixeles(3600), twips::APixeles(2800));
    Form_Load();
    RecordarCampos();
    crearCompletarEtiquetas();
    DescripcionCambiada();
    ElegirResaltado();
    // While automatic, the language follows what is pasted or typed, once the typing pauses.
    auto *reloj = new QTimer(this);
    reloj->setSingleShot(true);
    reloj->setInterval(400);
    connect(txtCodigo, &QsciScintilla::textChanged, reloj, qOverload<>(&QTimer::start));
    connect(reloj, &QTimer::timeout, this, [this] {
        if (mnuResaltado[0]->isChecked())
            ElegirResaltado();
    });
}

QAction *frmScript::boton(int posicion) const {
    return posicion >= 1 && posicion <= botones_.size() ? botones_[posicion - 1] : nullptr;
}

void frmScript::crearControles() {
    auto *todo = new QVBoxLayout(this);
    todo->setContentsMargins(0, 0, 0, 0);
    todo->setSpacing(0);
    todo->setMenuBar(barraMenus);
    area = new QWidget(this);
    area->setObjectName(QStringLiteral("area"));
    todo->addWidget(area);
    area->installEventFilter(this);

    Parar = Campo(area, "Parar", QString());
    Parar->setFrame(false);
    Parar->setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < 2; ++i) {
        lin[i] = new QFrame(area);
        lin[i]->setObjectName(QStringLiteral("lin%1").arg(i));
        lin[i]->setFrameShape(QFrame::NoFrame);
        lin[i]->setAutoFillBackground(true);
        QPalette pal = lin[i]->palette();
        pal.setColor(QPalette::Window, i == 0 ? QColor(128, 128, 128) : QColor(Qt::white));
        lin[i]->setPalette(pal);
    }
    Label1 = Etiqueta(area, "Label1", QStringLiteral("Nombre:"));
    Label2 = Etiqueta(area, "Label2", QStringLiteral("Descripción:"));
    Label3 = Etiqueta(area, "Label3", QStringLiteral("Puntaje:"));
    txtNombre = Campo(area, "txtNombre", QStringLiteral("Nombre"));
    txtDes = Campo(area, "txtDes", QStringLiteral("Descripción"));
    // No length limit on the field itself: a longer score read from a file must survive an edit.
    txtPuntaje = Campo(area, "txtPuntaje", QStringLiteral("Puntaje"));
    Label1->setBuddy(txtNombre);
    Label2->setBuddy(txtDes);
    Label3->setBuddy(txtPuntaje);
    txtCodigo = new EditorCodigo(area);
    txtCodigo->setObjectName(QStringLiteral("txtCodigo"));
    txtCodigo->setAccessibleName(QStringLiteral("Código"));
    fuenteDisenada_ = txtCodigo->fuente();
    cheIncluir = new QCheckBox(QStringLiteral("Incluir principales tags al agregar un script"), area);
    cheIncluir->setObjectName(QStringLiteral("cheIncluir"));
    cheIncluir->setEnabled(false);
    connect(cheIncluir, &QCheckBox::toggled, this, &frmScript::cheIncluir_Click);

    for (QWidget *w : {static_cast<QWidget *>(txtNombre), static_cast<QWidget *>(txtDes),
                       static_cast<QWidget *>(txtPuntaje)})
        w->installEventFilter(this);
    connect(txtPuntaje, &QLineEdit::textEdited, this, &frmScript::FiltrarPuntaje);
    connect(txtPuntaje, &QLineEdit::textChanged, this, [this](const QString &t) { puntaje_ = t; });
    setTabOrder(txtNombre, txtPuntaje);
    setTabOrder(txtPuntaje, txtDes);
    setTabOrder(txtDes, txtCodigo);
    setTabOrder(txtCodigo, cheIncluir);
}

void frmScript::crearBarra() {
    barMenu = new QToolBar(area);
    barMenu->setObjectName(QStringLiteral("barMenu"));
    barMenu->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    barMenu->setIconSize(QSize(16, 16));
    struct Boton {
        const char *clave;
        QString texto, consejo;
        const char *icono; // freedesktop name
    };
    const Boton botones[] = {
        {"copiar", QStringLiteral("Copiar"), QStringLiteral("Copiar al portapapeles"), "edit-copy"},
        {"imprimir", QStringLiteral("Imprimir"), QStringLiteral("Imprimir código"), "document-print"},
        {"exportar", QStringLiteral("Exportar"), QStringLiteral("Exportar"), "document-print-preview"},
        {"aceptar", QStringLiteral("Aceptar"), QStringLiteral("Aceptar"), "emblem-default"},
        {"cancelar", QStringLiteral(" Cancelar "), QStringLiteral("Cancelar"), "process-stop"},
        {"cerrar", QStringLiteral("Cerrar"), QStringLiteral("Cerrar"), "window-close"},
    };
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            botones_.append(barMenu->addSeparator());
        QAction *a = barMenu->addAction(Icono(botones[i].icono), botones[i].texto);
        a->setObjectName(QString::fromLatin1(botones[i].clave));
        a->setToolTip(botones[i].consejo);
        botones_.append(a);
    }
    // Dispatch by position: the key of a button is only its name.
    for (int pos = 1; pos <= botones_.size(); ++pos)
        connect(botones_[pos - 1], &QAction::triggered, this, [this, pos] { barMenu_ButtonClick(pos); });
    barMenu->raise();
}

void frmScript::Form_Load() {
    Estado &e = p_.estado;
    cheIncluir->setChecked(e.IncluirTags == 1);
    mnuFuente_Click(e.Tipo);
    const QString &modo = e.ModoScript;
    agregando_ = modo == QLatin1String("Agregar");
    if (modo == QLatin1String("Ver")) {
        Parar->setFocusPolicy(Qt::StrongFocus);
        setTabOrder(Parar, txtNombre);
        CargarScript();
        for (QLineEdit *t : {txtNombre, txtDes, txtPuntaje})
            t->setReadOnly(true);
        txtCodigo->setReadOnly(true);
        boton(7)->setEnabled(false);
        boton(9)->setEnabled(false);
        Parar->setFocus();
    } else if (modo == QLatin1String("Editar")) {
        CargarScript();
        // Copiar, Imprimir and Exportar act on what is typed, as their menu entries do.
        boton(11)->setEnabled(false);
        txtNombre->setFocus();
    } else if (modo == QLatin1String("Agregar")) {
        setWindowTitle(QStringLiteral("Agregar"));
        txtNombre->clear();
        txtDes->clear();
        txtPuntaje->clear();
        TagsPrincipales = etiquetas::Principales(e.Extension);
        ponerCodigo(e.IncluirTags == 1 ? etiquetas::AEditor(TagsPrincipales) : QString());
        boton(11)->setEnabled(false);
        cheIncluir->setEnabled(true);
        txtNombre->setFocus();
    }
}

void frmScript::CargarScript() {
    if (const int f = p_.filaActual(); f >= 0) {
        const Script s = p_.categoria().script(f);
        txtNombre->setText(s.Nombre);
        txtDes->setText(s.Descripcion);
        txtPuntaje->setText(s.Puntaje);
        ponerCodigo(etiquetas::AEditor(s.Codigo));
        txtNombre->setCursorPosition(0);
        txtDes->setCursorPosition(0);
    }
    setWindowTitle(txtNombre->text());
    cheIncluir->setEnabled(false);
    mnuTags->setEnabled(false);
}

void frmScript::barMenu_ButtonClick(int posicion) {
    switch (posicion) {
    case 1:
        CopiarCodigo();
        break;
    case 3:
        ImprimirScript();
        break;
    case 5:
        ExportarScript();
        break;
    case 7:
        if (p_.estado.ModoScript == QLatin1String("Agregar")) {
            Agregar();
        } else if (p_.estado.ModoScript == QLatin1String("Editar")) {
            Editar();
        }
        break;
    case 9:
    case 11:
        close();
        break;
    default:
        break;
    }
}

void frmScript::Form_Resize() {
    if (isMinimized())
        return;
    const auto a = disposicionScript::Calcular(twips::ATwips(area->width()), twips::ATwips(area->height()));
    barMenu->setGeometry(twips::APixeles(a.barMenu));
    lin[0]->setGeometry(twips::APixeles(a.lin0));
    lin[1]->setGeometry(twips::APixeles(a.lin1));
    Parar->setGeometry(twips::APixeles(a.Parar));
    Label1->setGeometry(twips::APixeles(a.Label1));
    txtNombre->setGeometry(twips::APixeles(a.txtNombre));
    Label3->setGeometry(twips::APixeles(a.Label3));
    txtPuntaje->setGeometry(twips::APixeles(a.txtPuntaje));
    Label2->setGeometry(twips::APixeles(a.Label2));
    txtDes->setGeometry(twips::APixeles(a.txtDes));
    QRect codigo = twips::APixeles(a.txtCodigo);
    if (fraBuscar->isVisibleTo(this)) {
        // The find bar takes the bottom of the code's area.
        const int alto = std::min(fraBuscar->sizeHint().height(), codigo.height());
        codigo.setHeight(codigo.height() - alto);
        fraBuscar->setGeometry(codigo.x(), codigo.bottom() + 1, codigo.width(), alto);
    }
    txtCodigo->setGeometry(codigo);
    cheIncluir->setGeometry(twips::APixeles(a.cheIncluir));
}

bool frmScript::eventFilter(QObject *objeto, QEvent *evento) {
    if (objeto == area && evento->type() == QEvent::Resize) {
        Form_Resize();
        return false;
    }
    if (objeto == txtBuscar && evento->type() == QEvent::KeyPress) {
        auto *tecla = static_cast<QKeyEvent *>(evento);
        if (tecla->key() == Qt::Key_Escape) { // closes the bar, not the window
            fraBuscar->hide();
            Form_Resize();
            txtCodigo->setFocus();
            return true;
        }
        if (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter) {
            if (!(tecla->modifiers() & Qt::ControlModifier)) {
                BuscarCodigo(!(tecla->modifiers() & Qt::ShiftModifier));
                return true;
            }
        }
        return false;
    }
    if (evento->type() != QEvent::KeyPress || !(objeto == txtNombre || objeto == txtDes || objeto == txtPuntaje))
        return QDialog::eventFilter(objeto, evento);
    auto *tecla = static_cast<QKeyEvent *>(evento);
    const QString texto = tecla->text();
    if (objeto == txtPuntaje) {
        if (tecla->matches(QKeySequence::Paste))
            return false; // what it adds is filtered like typing (FiltrarPuntaje)
        // Keys that type nothing (arrows, Delete) and focus moves are not characters.
        if (texto.isEmpty() || tecla->key() == Qt::Key_Tab || tecla->key() == Qt::Key_Backtab)
            return false;
        if (tecla->key() == Qt::Key_Backspace || texto == QLatin1String("\b"))
            return false;
        if (texto.size() != 1 || texto[0] < QLatin1Char('0') || texto[0] > QLatin1Char('9'))
            return true;
        // At most two characters.
        return txtPuntaje->text().size() - txtPuntaje->selectedText().size() >= 2;
    }
    return texto == QLatin1String("*") || texto == QLatin1String(",") || texto == QLatin1String("\"");
}

void frmScript::keyPressEvent(QKeyEvent *evento) {
    // Esc is "Cancelar" (or "Cerrar" in a view): through close(), so a view window is deleted too, and
    // typed changes are asked about in reject().
    if (evento->key() == Qt::Key_Escape && evento->modifiers() == Qt::NoModifier) {
        evento->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(evento);
}

void frmScript::crearTeclas() {
    auto tecla = [this](const char *nombre, const QList<QKeySequence> &teclas, auto accion) {
        auto *a = new QAction(this);
        a->setObjectName(QString::fromLatin1(nombre));
        a->setShortcuts(teclas);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, accion);
    };
    tecla("teclaAceptar", {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}, [this] {
        if (boton(7)->isEnabled())
            barMenu_ButtonClick(7);
    });
    tecla("teclaBuscar", {QKeySequence::Find}, [this] { MostrarBuscar(); });
    tecla("teclaSiguiente", {QKeySequence(Qt::Key_F3)}, [this] {
        if (txtBuscar->text().isEmpty())
            MostrarBuscar();
        else
            BuscarCodigo(true);
    });
    tecla("teclaAnterior", {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [this] { BuscarCodigo(false); });
}
