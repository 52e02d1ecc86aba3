// The window's menus, and the font and highlighting chosen in them.
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/Principal.h"

#include <QAction>
#include <QActionGroup>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>

namespace {
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
} // namespace

void frmScript::crearMenus() {
    barraMenus = new QMenuBar(this);
    barraMenus->setObjectName(QStringLiteral("barraMenus"));
    auto accion = [this](QMenu *menu, const char *nombre, const QString &texto) {
        QAction *a = menu->addAction(texto);
        a->setObjectName(QString::fromLatin1(nombre));
        return a;
    };
    mnuCodigoMenu = barraMenus->addMenu(QStringLiteral("&Código"));
    mnuCodigoMenu->setObjectName(QStringLiteral("mnuCodigo"));
    mnuCopiar = accion(mnuCodigoMenu, "mnuCopiar", QStringLiteral("&Copiar"));
    mnuImprimir = accion(mnuCodigoMenu, "mnuImprimir", QStringLiteral("&Imprimir"));
    mnuCodigoMenu->addSeparator();
    mnuExportar = accion(mnuCodigoMenu, "mnuExportar", QStringLiteral("&Exportar"));

    mnuOpcionesMenu = barraMenus->addMenu(QStringLiteral("&Opciones"));
    mnuOpcionesMenu->setObjectName(QStringLiteral("mnuOpciones"));
    mnuFuenteMenu = mnuOpcionesMenu->addMenu(QStringLiteral("&Fuente"));
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
    for (int i = 0; i <= lenguaje::kCuantos; ++i) {
        const QString texto =
            i == 0 ? QStringLiteral("Automático") : lenguaje::Nombre(lenguaje::Lenguaje(i - 1));
        mnuResaltado[i] = accion(mnuResaltadoMenu, "mnuResaltado", texto);
        mnuResaltado[i]->setObjectName(QStringLiteral("mnuResaltado%1").arg(i));
        mnuResaltado[i]->setCheckable(true);
        grupoResaltado_->addAction(mnuResaltado[i]);
        if (i == 0)
            mnuResaltadoMenu->addSeparator();
        connect(mnuResaltado[i], &QAction::triggered, this, [this, i] { mnuResaltado_Click(i); });
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

QString frmScript::categoriaAbierta() const {
    return p_.categoria().nombre();
}

void frmScript::ElegirResaltado() {
    int elegido = 0;
    for (int i = 0; i <= lenguaje::kCuantos; ++i)
        if (mnuResaltado[i]->isChecked())
            elegido = i;
    if (elegido > 0) {
        txtCodigo->setLenguaje(lenguaje::Lenguaje(elegido - 1));
        return;
    }
    txtCodigo->setLenguaje(lenguaje::Elegir(txtDes->text(), textoCodigo(), categoriaAbierta()));
}

void frmScript::mnuResaltado_Click(int indice) {
    const lenguaje::Lenguaje l = indice > 0 ? lenguaje::Lenguaje(indice - 1) : lenguaje::Lenguaje::Ninguno;
    // The language is the script's own, kept in its description: a pending change like any other
    // (a script only viewed keeps its description, the window shows the language chosen).
    if (!txtDes->isReadOnly()) {
        const QString nueva = lenguaje::ConLenguaje(txtDes->text(), l);
        if (nueva != txtDes->text()) {
            const QSignalBlocker callar(txtDes);
            txtDes->selectAll();
            txtDes->insert(nueva); // kept in the field's undo
        }
    }
    mnuResaltado[indice]->setChecked(true);
    ElegirResaltado();
}

void frmScript::DescripcionCambiada() {
    const lenguaje::Lenguaje l = lenguaje::DeDescripcion(txtDes->text());
    int elegido = 0;
    for (int i = 0; i <= lenguaje::kCuantos; ++i)
        if (mnuResaltado[i]->isChecked())
            elegido = i;
    if (l != lenguaje::Lenguaje::Ninguno)
        mnuResaltado[1 + int(l)]->setChecked(true);
    else if (elegido != 1 + int(lenguaje::Lenguaje::Ninguno))
        mnuResaltado[0]->setChecked(true); // the tag went: the language is found again
    else
        return;
    ElegirResaltado();
}
