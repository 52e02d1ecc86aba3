#include "ui/frmCampos.h"
#include "ui/editor/frmScript.h"
#include "core/Archivos.h"
#include "core/Registro.h"
#include "core/mdlSistema.h"
#include "format/Categorias.h"
#include "core/Cp1252.h"
#include "format/Etiquetas.h"
#include "core/Exportar.h"
#include "ui/Iconos.h"
#include "ui/Mensajes.h"
#include "ui/Twips.h"
#include "ui/editor/DisposicionScript.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/Principal.h"
#include "ui/mdlSistemaVista.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>

namespace {
const QString kDescartar = QStringLiteral("¿Descartar los cambios del script?\n\nSí: se pierde lo escrito y la ventana "
                                          "se cierra. No, Esc o cerrar este mensaje: vuelve al script con lo escrito.");

struct Fuente {
    const char *menu;
    const char *nombre;
    int puntos;
};
constexpr Fuente kFuentes[6] = {
    {"MS Sans Serif (8 px)", "MS Sans Serif", 8}, {"MS Sans Serif (10 px)", "MS Sans Serif", 10},
    {"Courier New (8 px)", "Courier New", 8},     {"Courier New (10 px)", "Courier New", 10},
    {"Verdana (8 px)", "Verdana", 8},             {"Verdana (10 px)", "Verdana", 10},
};

constexpr int kPuntosFija = 10;

// The fixed-width families installed, by name; styles and bitmap-only duplicates are the same family.
// An alias ("Monospace") names another family and is left out, as is the same family listed again
// under another foundry ("Nimbus Mono PS [urw]").
QStringList FamiliasFijas() {
    QStringList r;
    for (const QString &f : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(f) || QFontDatabase::isPrivateFamily(f) || !QFontDatabase::isSmoothlyScalable(f))
            continue;
        const QString nombre = f.section(QStringLiteral(" ["), 0, 0);
        const bool otraFundicion = nombre.size() != f.size();
        if (!r.contains(nombre) && (otraFundicion || QFontInfo(QFont(nombre)).family() == nombre))
            r << nombre;
    }
    return r;
}

// A fixed-width font of the family, or the system's own when the family is empty or not installed.
QFont FuenteFija(const QString &familia) {
    QFont f = EditorCodigo::FijaDelSistema();
    if (!familia.isEmpty() && QFontDatabase::hasFamily(familia))
        f.setFamily(familia);
    f.setPointSize(kPuntosFija);
    return f;
}

// Leading and trailing spaces only: tabs and other blanks are part of the text.
QString SinEspacios(const QString &t) {
    qsizetype i = 0, j = t.size();
    while (i < j && t[i] == QLatin1Char(' '))
        ++i;
    while (j > i && t[j - 1] == QLatin1Char(' '))
        --j;
    return t.mid(i, j - i);
}

QString NombreODescripcion(const QString &t) {
    return SinEspacios(t).replace(QLatin1Char('"'), QLatin1Char(' '));
}

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

void frmScript::crearMenus() {
    barraMenus = new QMenuBar(this);
    barraMenus->setObjectName(QStringLiteral("barraMenus"));
    auto accion = [this](QMenu *menu, const char *nombre, const QString &texto) {
        QAction *a = menu->addAction(texto);
        a->setObjectName(QString::fromLatin1(nombre));
        return a;
    };
    mnuCodigoMenu = barraMenus->addMenu(QStringLiteral("Código"));
    mnuCodigoMenu->setObjectName(QStringLiteral("mnuCodigo"));
    mnuCopiar = accion(mnuCodigoMenu, "mnuCopiar", QStringLiteral("Copiar"));
    mnuImprimir = accion(mnuCodigoMenu, "mnuImprimir", QStringLiteral("Imprimir"));
    mnuCodigoMenu->addSeparator();
    mnuExportar = accion(mnuCodigoMenu, "mnuExportar", QStringLiteral("Exportar"));

    mnuOpcionesMenu = barraMenus->addMenu(QStringLiteral("Opciones"));
    mnuOpcionesMenu->setObjectName(QStringLiteral("mnuOpciones"));
    mnuFuenteMenu = mnuOpcionesMenu->addMenu(QStringLiteral("Fuente"));
    mnuFuenteMenu->setObjectName(QStringLiteral("mnuFuenteMenu"));
    // Code keeps its columns in a fixed-width font: the system's own, and every one installed.
    mnuFijaSistema = accion(mnuFuenteMenu, "mnuFijaSistema",
                            QStringLiteral("Fija del sistema (%1)").arg(FuenteFija(QString()).family()));
    mnuFijaSistema->setCheckable(true);
    connect(mnuFijaSistema, &QAction::triggered, this, [this] { mnuFija_Click(QString()); });
    for (const QString &familia : FamiliasFijas()) {
        QAction *a = accion(mnuFuenteMenu, "mnuFija", familia);
        a->setObjectName(QStringLiteral("mnuFija%1").arg(mnuFijas.size()));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, familia] { mnuFija_Click(familia); });
        mnuFijas.append(a);
    }
    mnuFuenteMenu->addSeparator();
    for (int k = 0; k < 6; ++k) {
        mnuFuente[k] = accion(mnuFuenteMenu, "mnuFuente", QString::fromLatin1(kFuentes[k].menu));
        mnuFuente[k]->setObjectName(QStringLiteral("mnuFuente%1").arg(k));
        mnuFuente[k]->setCheckable(true);
        connect(mnuFuente[k], &QAction::triggered, this, [this, k] { mnuFuente_Click(k); });
    }
    mnuResaltadoMenu = mnuOpcionesMenu->addMenu(QStringLiteral("Resaltado"));
    mnuResaltadoMenu->setObjectName(QStringLiteral("mnuResaltadoMenu"));
    grupoResaltado_ = new QActionGroup(this);
    for (int i = 0; i < 9; ++i) {
        const QString texto =
            i == 0 ? QStringLiteral("Automático") : lenguaje::Nombre(lenguaje::Lenguaje(i - 1));
        mnuResaltado[i] = accion(mnuResaltadoMenu, "mnuResaltado", texto);
        mnuResaltado[i]->setObjectName(QStringLiteral("mnuResaltado%1").arg(i));
        mnuResaltado[i]->setCheckable(true);
        grupoResaltado_->addAction(mnuResaltado[i]);
        if (i == 0)
            mnuResaltadoMenu->addSeparator();
        connect(mnuResaltado[i], &QAction::triggered, this, &frmScript::ElegirResaltado);
    }
    mnuResaltado[0]->setChecked(true);
    mnuOpcionesMenu->addSeparator();
    mnuTags = accion(mnuOpcionesMenu, "mnuTags", QStringLiteral("Incluir tags"));
    mnuTags->setCheckable(true);

    connect(mnuCopiar, &QAction::triggered, this, &frmScript::CopiarCodigo);
    connect(mnuImprimir, &QAction::triggered, this, &frmScript::ImprimirScript);
    connect(mnuExportar, &QAction::triggered, this, &frmScript::ExportarScript);
    connect(mnuTags, &QAction::triggered, this, &frmScript::mnuTags_Click);
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
    if (const int f = p_.filas().filaActual(); f >= 0) {
        const Script s = p_.filas().fila(f);
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

QString frmScript::textoCodigo() const { return txtCodigo->texto(); }

void frmScript::ponerCodigo(const QString &texto) { txtCodigo->ponerTexto(texto); }

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
            p_.filas().ActualizarBotones();
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

bool frmScript::Representables(const QString &titulo) {
    struct Campo {
        QString texto;
        const char *donde; // where a refused character is, for a one-line field
    };
    auto leer = [this] {
        return std::array<Campo, 4>{Campo{txtNombre->text(), "en el nombre"}, Campo{txtDes->text(), "en la descripción"},
                                    Campo{txtPuntaje->text(), "en el puntaje"}, Campo{textoCodigo(), nullptr}};
    };
    // Visible characters are shown as they are; invisible ones by their code and where they are, or
    // the user could not find them.
    QStringList visibles, invisibles;
    bool quitables = false;
    const codificacion::Tipo tipo = p_.filas().codificacionFilas();
    const QString categoria = p_.estado.sesion.abierta();
    // Whatever Windows-1252 cannot hold UTF-8 can: the user is asked once per category whether to
    // store it so. Pasted zero-width marks are offered for removal first, as they mean nothing.
    if (tipo == codificacion::Tipo::Cp1252 && !p_.filas().sinUnicode.contains(categoria)) {
        bool algunoVisible = false, soloQuitables = true;
        for (const Campo &c : leer())
            for (const cp1252::Rechazado &r : cp1252::Rechazados(c.texto)) {
                algunoVisible = algunoVisible || !cp1252::EsQuitable(r.caracter);
                soloQuitables = soloQuitables && cp1252::EsQuitable(r.caracter);
            }
        if (algunoVisible && !soloQuitables) {
            // Esc and the close box keep the category as it is and the window open, with nothing lost.
            const auto r = mensajes::Mostrar(
                this,
                QStringLiteral("El script tiene caracteres que el archivo de la categoría %1 no puede guardar en "
                               "su codificación actual (Windows-1252).\n\n¿Desea guardar la categoría en Unicode "
                               "(UTF-8)? Así guardará cualquier carácter, pero las copias antiguas del programa "
                               "mostrarán mal esos caracteres.\n\nSí: la categoría se guardará en UTF-8. No: no se "
                               "guarda el script. Esc o cerrar: vuelve al script sin cambiar nada.")
                    .arg(categoria),
                titulo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (r == QMessageBox::Yes) {
                p_.filas().FijarCodificacionFilas(codificacion::Tipo::Utf8);
                p_.filas().MarcarCambios();
                return Representables(titulo);
            }
            if (r != QMessageBox::No)
                return false;
            p_.filas().sinUnicode.insert(categoria);
        }
    }
    for (const Campo &c : leer()) {
        for (const cp1252::Rechazado &r : codificacion::Rechazados(tipo, c.texto)) {
            if (!cp1252::EsInvisible(r.caracter)) {
                const QString t = QString::fromUcs4(&r.caracter, 1);
                if (!visibles.contains(t))
                    visibles << t;
                continue;
            }
            quitables = quitables || cp1252::EsQuitable(r.caracter);
            const QString codigo = QStringLiteral("U+%1").arg(uint(r.caracter), 4, 16, QLatin1Char('0')).toUpper();
            invisibles << codigo + QLatin1Char(' ') +
                              (c.donde ? QString::fromUtf8(c.donde) : QStringLiteral("en la línea %1").arg(r.linea));
        }
    }
    if (visibles.isEmpty() && invisibles.isEmpty())
        return true;
    QString lista = visibles.join(QLatin1Char(' '));
    if (!invisibles.isEmpty())
        lista += (lista.isEmpty() ? QString() : QStringLiteral(", ")) + invisibles.join(QStringLiteral(", "));
    const QString texto = QStringLiteral("Estos caracteres no se pueden guardar en el archivo de la categoría: %1\n")
                              .arg(lista);
    if (!quitables) {
        mensajes::Aviso(this, texto + QStringLiteral("Quítelos o cámbielos por otros y vuelva a aceptar."), titulo);
        return false;
    }
    // Zero-width spaces and byte-order marks come with pasted text and mean nothing: one answer removes them.
    if (mensajes::Mostrar(this,
                          texto + QStringLiteral("¿Quitar los espacios de ancho cero y las marcas de orden de bytes?"),
                          titulo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    txtNombre->setText(cp1252::SinQuitables(txtNombre->text()));
    txtDes->setText(cp1252::SinQuitables(txtDes->text()));
    txtPuntaje->setText(cp1252::SinQuitables(txtPuntaje->text()));
    txtCodigo->setText(cp1252::SinQuitables(textoCodigo()));
    return Representables(titulo);
}

void frmScript::Normalizar() {
    txtNombre->setText(NombreODescripcion(txtNombre->text()));
    txtDes->setText(NombreODescripcion(txtDes->text()));
}

void frmScript::Agregar() {
    QStringList vacios;
    for (const auto &[texto, nombre] : {std::pair{txtNombre->text(), "Nombre"}, std::pair{txtDes->text(), "Descripción"},
                                        std::pair{txtPuntaje->text(), "Puntaje"}, std::pair{textoCodigo(), "Código"}})
        if (texto.isEmpty())
            vacios << QString::fromUtf8(nombre);
    if (!vacios.isEmpty()) {
        mensajes::Aviso(this,
                        QStringLiteral("Por favor, complete todos los campos. %1 %2.")
                            .arg(vacios.size() == 1 ? QStringLiteral("Falta:") : QStringLiteral("Faltan:"),
                                 vacios.join(QStringLiteral(", "))),
                        QStringLiteral("Agregar"));
        return;
    }
    if (!Representables(QStringLiteral("Agregar")))
        return;
    p_.filas().MarcarCambios();
    Normalizar();
    const Script s{txtNombre->text(), txtDes->text(), etiquetas::AAlmacen(textoCodigo()), txtPuntaje->text()};
    p_.filas().AgregarFila(s);
    done(QDialog::Accepted);
}

void frmScript::Editar() {
    const int f = p_.filas().filaActual();
    if (f < 0) {
        done(QDialog::Rejected);
        return;
    }
    if (!Representables(QStringLiteral("Editar")))
        return;
    p_.filas().MarcarCambios();
    Normalizar();
    p_.filas().ReemplazarFila(
        f, {txtNombre->text(), txtDes->text(), etiquetas::AAlmacen(textoCodigo()), txtPuntaje->text()});
    done(QDialog::Accepted);
}

void frmScript::cheIncluir_Click() {
    Estado &e = p_.estado;
    if (!cheIncluir->isChecked()) {
        e.IncluirTags = 0;
        mnuTags->setChecked(false);
        return;
    }
    e.IncluirTags = 1;
    mnuTags->setChecked(true);
    if (textoCodigo().isEmpty()) {
        ponerCodigo(etiquetas::AEditor(TagsPrincipales));
        // Put there by the program, not typed: closing still asks nothing.
        if (campos_.size() == 4)
            campos_[3] = textoCodigo();
    }
}

void frmScript::mnuTags_Click() { cheIncluir->setChecked(mnuTags->isChecked()); }

void frmScript::LimpiarFuentes() {
    for (QAction *a : mnuFuente)
        a->setChecked(false);
    mnuFijaSistema->setChecked(false);
    for (QAction *a : mnuFijas)
        a->setChecked(false);
}

void frmScript::mnuFija_Click(const QString &familia) {
    p_.estado.Tipo = Estado::kFuenteFija;
    p_.estado.Familia = familia;
    LimpiarFuentes();
    const QFont fuente = FuenteFija(familia);
    QAction *marcada = mnuFijaSistema;
    for (QAction *a : mnuFijas)
        if (!familia.isEmpty() && a->text() == fuente.family())
            marcada = a;
    marcada->setChecked(true);
    txtCodigo->setFuente(fuente);
}

void frmScript::mnuFuente_Click(int indice) {
    if (indice == Estado::kFuenteFija) {
        mnuFija_Click(p_.estado.Familia);
        return;
    }
    p_.estado.Tipo = indice;
    if (indice < 0 || indice > 5)
        return; // not an entry: the field keeps the font it was designed with
    LimpiarFuentes();
    mnuFuente[indice]->setChecked(true);
    const QString nombre = QString::fromLatin1(kFuentes[indice].nombre);
    QFont fuente(nombre, kFuentes[indice].puntos);
    if (!QFontDatabase::hasFamily(nombre)) {
        // A code font must keep columns: where Courier New is missing, the system's monospaced font.
        // The others become the family the system shows in their place, named as such, so that what
        // the field measures and what it draws are one font.
        fuente = nombre == QLatin1String("Courier New") ? EditorCodigo::FijaDelSistema()
                                                        : QFont(QFontInfo(fuente).family());
        fuente.setPointSize(kFuentes[indice].puntos);
    }
    txtCodigo->setFuente(fuente);
}

void frmScript::CopiarCodigo() {
    // Fill-in fields are asked for first; Esc there leaves the clipboard as it was.
    const std::optional<QString> texto = portapapeles::Preparar(this, textoCodigo());
    if (!texto)
        return;
    QClipboard *destino = QGuiApplication::clipboard();
    destino->clear();
    txtCodigo->setFocus();
    txtCodigo->selectAll(true);
    destino->setText(*texto);
    p_.MostrarEnEstado(QStringLiteral("Código de %1 copiado al portapapeles.").arg(txtNombre->text()), 5000);
}

void frmScript::ImprimirEnPdf() {
    qCWarning(lcArchivos) << "no printer installed: printing offered to a PDF file";
    // Esc and the close box print nothing.
    if (mensajes::Mostrar(this,
                          QStringLiteral("No hay ninguna impresora instalada. ¿Desea imprimir el script en un archivo "
                                         "PDF?\n\nEsc o cerrar: no se imprime nada."),
                          QStringLiteral("Imprimir"), QMessageBox::Question,
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const QString nombre = categorias::Filtrar(txtNombre->text()).trimmed();
    QFileDialog dialogo(this, QStringLiteral("Imprimir en un archivo PDF"),
                        QDir::home().filePath((nombre.isEmpty() ? QStringLiteral("script") : nombre) +
                                              QStringLiteral(".pdf")),
                        QStringLiteral("Documentos PDF (*.pdf)"));
    dialogo.setObjectName(QStringLiteral("dlgPdf"));
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setDefaultSuffix(QStringLiteral("pdf"));
    if (mensajes::Ejecutar(dialogo) != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return;
    const QString ruta = dialogo.selectedFiles().constFirst();
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setOutputFormat(QPrinter::PdfFormat);
    impresora.setOutputFileName(ruta);
    impresora.setDocName(txtNombre->text());
    if (ImprimirEn(impresora).isEmpty()) {
        qCWarning(lcArchivos) << "PDF not written:" << ruta;
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo escribir el archivo PDF %1.").arg(QDir::toNativeSeparators(ruta)),
                        QStringLiteral("Imprimir"));
        return;
    }
    p_.MostrarEnEstado(QStringLiteral("Script impreso en %1.").arg(QDir::toNativeSeparators(ruta)), 5000);
}

QStringList frmScript::lineasImpresion() const {
    QStringList lineas{QStringLiteral("Nombre: ") + txtNombre->text(),
                       QStringLiteral("Descripción: ") + txtDes->text(), QStringLiteral(" ")};
    lineas += textoCodigo().split(QLatin1Char('\n'));
    return lineas;
}

QStringList frmScript::ImprimirEn(QPrinter &impresora) {
    QPainter pintor;
    if (!pintor.begin(&impresora))
        return {};
    pintor.setFont(QFont(QStringLiteral("Arial"), 12));
    const int ancho = impresora.width();
    const int alto = impresora.height();
    const int interlinea = pintor.fontMetrics().lineSpacing();
    constexpr int kBanderas = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft | Qt::AlignTop;
    QStringList impresas;
    int y = 0;
    for (const QString &linea : lineasImpresion()) {
        // A line wider than the page wraps instead of being cut at its edge.
        const QRect medida = pintor.boundingRect(QRect(0, 0, ancho, alto), kBanderas, linea);
        const int h = std::max(interlinea, medida.height());
        if (y > 0 && y + h > alto) {
            if (!impresora.newPage())
                break;
            y = 0;
        }
        pintor.drawText(QRect(0, y, ancho, h), kBanderas, linea);
        impresas << linea;
        y += h;
    }
    pintor.end();
    return impresas;
}

void frmScript::ImprimirScript() {
    const QPrinterInfo predeterminada = QPrinterInfo::defaultPrinter();
    if (predeterminada.isNull()) {
        ImprimirEnPdf();
        return;
    }
    QPrinter impresora(predeterminada);
    impresora.setDocName(txtNombre->text());
    ImprimirEn(impresora);
}

void frmScript::ExportarScript() {
    const Estado &e = p_.estado;
    if (!mdlSistema::ExisteArchivo(e.carpetaExportar()))
        QDir().mkpath(e.carpetaExportar());
    const QString ruta = exportar::RutaVistaPrevia(e.carpetaExportar(), e.Extension);
    QString error;
    // A failed write must not open the previous preview as if it were this one.
    const QString pagina = exportar::Pagina(textoCodigo(), e.Tag) + QStringLiteral("\r\n");
    if (!archivos::Guardar(ruta, exportar::Bytes(pagina, p_.filas().codificacionFilas(), e.Tag != 0), &error)) {
        qCWarning(lcArchivos) << "preview not written:" << ruta << error;
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo escribir la vista previa en %1: %2")
                            .arg(QDir::toNativeSeparators(ruta), error),
                        QStringLiteral("Exportar"));
        return;
    }
    if (!mdlSistema::Ejecutar(QStringLiteral("open"), ruta, QString(), QString(), 1)) {
        qCWarning(lcArchivos) << "no program opened the preview" << ruta;
        mensajes::Aviso(this,
                        QStringLiteral("La vista previa se guardó en %1, pero ningún programa pudo abrirla. Instale "
                                       "un navegador o asigne un programa a los archivos .%2.")
                            .arg(QDir::toNativeSeparators(ruta), exportar::ExtensionValida(e.Extension)),
                        QStringLiteral("Exportar"));
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

std::optional<Script> frmScript::Tipeado() const {
    if (!hayCambiosTipeados())
        return std::nullopt;
    return Script{mdlScripts::SinComillas(txtNombre->text(), false), mdlScripts::SinComillas(txtDes->text(), false),
                  etiquetas::AAlmacen(textoCodigo()), txtPuntaje->text()};
}

void frmScript::Abandonar() {
    abandonado_ = true;
    QDialog::reject();
}

void frmScript::reject() {
    // Esc then Enter is a reflex: both, and the close box, keep what was typed.
    if (!abandonado_ && hayCambiosTipeados() &&
        mensajes::Mostrar(this, kDescartar, p_.estado.TituloApp, QMessageBox::Question,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::reject();
}

void frmScript::RecordarCampos() {
    campos_ = QStringList{txtNombre->text(), txtDes->text(), txtPuntaje->text(), textoCodigo()};
}

bool frmScript::hayCambiosTipeados() const {
    if (p_.estado.ModoScript == QLatin1String("Ver") || txtCodigo->isReadOnly() || campos_.size() != 4)
        return false;
    return campos_[0] != txtNombre->text() || campos_[1] != txtDes->text() || campos_[2] != txtPuntaje->text() ||
           campos_[3] != textoCodigo();
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

void frmScript::crearBuscar() {
    fraBuscar = new QFrame(area);
    fraBuscar->setObjectName(QStringLiteral("fraBuscar"));
    fraBuscar->setFrameShape(QFrame::StyledPanel);
    auto *etiqueta = new QLabel(QStringLiteral("Buscar:"), fraBuscar);
    txtBuscar = new QLineEdit(fraBuscar);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    txtBuscar->setAccessibleName(QStringLiteral("Buscar en el código"));
    txtBuscar->installEventFilter(this);
    etiqueta->setBuddy(txtBuscar);
    auto boton = [this](const char *nombre, const QString &consejo, const char *icono) {
        auto *b = new QToolButton(fraBuscar);
        b->setObjectName(QString::fromLatin1(nombre));
        b->setToolTip(consejo);
        b->setAccessibleName(consejo);
        b->setIcon(Icono(icono));
        b->setAutoRaise(true);
        return b;
    };
    cmdAnterior = boton("cmdAnterior", QStringLiteral("Anterior (Mayús+F3)"), "go-up");
    cmdSiguiente = boton("cmdSiguiente", QStringLiteral("Siguiente (F3)"), "go-down");
    cmdCerrarBuscar = boton("cmdCerrarBuscar", QStringLiteral("Cerrar la búsqueda"), "window-close");
    lblBuscar = new QLabel(fraBuscar);
    lblBuscar->setObjectName(QStringLiteral("lblBuscar"));
    auto *fila = new QHBoxLayout(fraBuscar);
    fila->setContentsMargins(4, 2, 4, 2);
    fila->addWidget(etiqueta);
    fila->addWidget(txtBuscar, 1);
    fila->addWidget(cmdAnterior);
    fila->addWidget(cmdSiguiente);
    fila->addWidget(lblBuscar);
    fila->addWidget(cmdCerrarBuscar);
    fraBuscar->hide();
    setTabOrder(cheIncluir, txtBuscar);
    connect(cmdAnterior, &QToolButton::clicked, this, [this] { BuscarCodigo(false); });
    connect(cmdSiguiente, &QToolButton::clicked, this, [this] { BuscarCodigo(true); });
    connect(cmdCerrarBuscar, &QToolButton::clicked, this, [this] {
        fraBuscar->hide();
        Form_Resize();
        txtCodigo->setFocus();
    });
    // Typing searches at once, from where the current match starts, so a longer word keeps its place.
    connect(txtBuscar, &QLineEdit::textEdited, this, [this] {
        int l1 = 0, i1 = 0, l2 = 0, i2 = 0;
        txtCodigo->getSelection(&l1, &i1, &l2, &i2);
        if (l1 >= 0)
            txtCodigo->setCursorPosition(l1, i1);
        BuscarCodigo(true);
    });
}

void frmScript::MostrarBuscar() {
    const QString elegido = txtCodigo->selectedText();
    if (!elegido.isEmpty() && !elegido.contains(QLatin1Char('\n')))
        txtBuscar->setText(elegido);
    fraBuscar->show();
    Form_Resize();
    txtBuscar->setFocus();
    txtBuscar->selectAll();
}

bool frmScript::BuscarCodigo(bool adelante) {
    const QString palabra = txtBuscar->text();
    if (palabra.isEmpty())
        return false;
    bool hallado;
    if (adelante) {
        hallado = txtCodigo->findFirst(palabra, false, false, false, true, true);
    } else {
        // Backwards from the start of the current match, or it would be found again.
        int l1 = -1, i1 = -1, l2 = 0, i2 = 0;
        txtCodigo->getSelection(&l1, &i1, &l2, &i2);
        if (l1 < 0)
            txtCodigo->getCursorPosition(&l1, &i1);
        hallado = txtCodigo->findFirst(palabra, false, false, false, true, false, l1, i1);
    }
    lblBuscar->setText(hallado ? QString() : QStringLiteral("No se encontró"));
    return hallado;
}

QString frmScript::categoriaAbierta() const {
    return p_.estado.sesion.abierta();
}

void frmScript::ElegirResaltado() {
    int elegido = 0;
    for (int i = 0; i < 9; ++i)
        if (mnuResaltado[i]->isChecked())
            elegido = i;
    if (elegido > 0) {
        txtCodigo->setLenguaje(lenguaje::Lenguaje(elegido - 1));
        return;
    }
    txtCodigo->setLenguaje(lenguaje::Elegir(textoCodigo(), categoriaAbierta()));
}

namespace {
// What an edit of the score added, filtered as typing is: digits only, two characters at most.
QString PuntajeFiltrado(const QString &antes, const QString &despues, int *cursor) {
    qsizetype prefijo = 0;
    while (prefijo < antes.size() && prefijo < despues.size() && antes[prefijo] == despues[prefijo])
        ++prefijo;
    qsizetype sufijo = 0;
    while (sufijo < antes.size() - prefijo && sufijo < despues.size() - prefijo &&
           antes[antes.size() - 1 - sufijo] == despues[despues.size() - 1 - sufijo])
        ++sufijo;
    const QString puesto = despues.mid(prefijo, despues.size() - prefijo - sufijo);
    const qsizetype queda = prefijo + sufijo; // what the edit left of the old text
    QString digitos;
    for (QChar c : puesto)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && queda + digitos.size() < 2)
            digitos += c;
    *cursor = int(prefijo + digitos.size());
    return antes.left(prefijo) + digitos + antes.right(sufijo);
}
} // namespace

void frmScript::FiltrarPuntaje(const QString &nuevo) {
    int cursor = 0;
    const QString filtrado = PuntajeFiltrado(puntaje_, nuevo, &cursor);
    if (filtrado == nuevo)
        return;
    txtPuntaje->setText(filtrado);
    txtPuntaje->setCursorPosition(cursor);
}
