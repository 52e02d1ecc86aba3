// Takes the README's pictures of the real windows over a copy of the starter library.
//   rutinero_capturas <carpeta Categorias de inicio> <carpeta de salida> [carpeta de revisión]
// With a third folder it also pictures the editor over HTML, PHP and SQL code and the main window
// under a dark palette, for a person to look at (they are not in the README).
#include "Controles.h"
#include "core/Estado.h"
#include "core/mdlINI.h"
#include "history/Repositorio.h"
#include "format/mdlScripts.h"
#include "ui/Traducciones.h"
#include "ui/editor/frmScript.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmHistorial.h"
#include "ui/frmCampos.h"
#include "ui/tools/frmBusquedaRapida.h"
#include "format/Campos.h"

#include <QApplication>
#include <QPalette>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <cstdio>

using ayudas::ui;

namespace {
void Esperar(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

bool Guardar(QWidget *w, const QString &ruta) {
    Esperar(400);
    const bool ok = w->grab().save(ruta);
    std::printf("%s %s\n", ok ? "escrita" : "NO escrita", qPrintable(ruta));
    return ok;
}

void Abrir(frmPrincipal &w, const QString &categoria, int fila) {
    for (int i = 0; i < ui(w)->lstCat->topLevelItemCount(); ++i)
        if (ui(w)->lstCat->topLevelItem(i)->text(0) == categoria)
            ui(w)->lstCat->setCurrentItem(ui(w)->lstCat->topLevelItem(i));
    w.AbrirCategoria();
    if (ui(w)->lstScripts->cantidad() > fila)
        ui(w)->lstScripts->Seleccionar(fila);
    w.LScripts();
}

// A view window over the selected script.
// The quick search with a query typed, and the fields form of a code with fields.
bool Rapida(frmPrincipal &w, const QString &carpeta, const QString &sufijo) {
    w.IniciarIndice();
    frmBusquedaRapida r(*w.indexador(), w.estado.carpetaCategorias(), {});
    r.Mostrar(QStringLiteral("menú"), true);
    Esperar(600);
    bool ok = Guardar(&r, carpeta + QStringLiteral("/rapida%1.png").arg(sufijo));
    frmCampos formulario(campos::Distintos(QStringLiteral("${año:2024} ${nombre del menú} ${canción:Él}")), &w);
    formulario.show();
    return Guardar(&formulario, carpeta + QStringLiteral("/campos%1.png").arg(sufijo)) && ok;
}

bool Editor(frmPrincipal &w, const QString &ruta) {
    w.estado.ModoScript = QStringLiteral("Ver");
    frmScript ver(w);
    ver.resize(760, 520);
    ver.show();
    return Guardar(&ver, ruta);
}

QPalette PaletaOscura() {
    QPalette p;
    const QColor ventana(45, 45, 48), base(30, 30, 30), claro(225, 225, 225);
    p.setColor(QPalette::Window, ventana);
    p.setColor(QPalette::WindowText, claro);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, ventana);
    p.setColor(QPalette::Text, claro);
    p.setColor(QPalette::Button, ventana);
    p.setColor(QPalette::ButtonText, claro);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, claro);
    p.setColor(QPalette::Highlight, QColor(38, 120, 200));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    return p;
}
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "uso: %s <Categorias de inicio> <carpeta de salida>\n", argv[0]);
        return 2;
    }
    const QString origen = QString::fromLocal8Bit(argv[1]), salida = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir dir;
    Estado estado;
    estado.carpeta = dir.path();
    QDir().mkpath(estado.carpetaCategorias());
    for (const QString &a : QDir(origen).entryList({QStringLiteral("*.rtn")}, QDir::Files))
        QFile::copy(origen + QLatin1Char('/') + a, estado.carpetaCategorias() + QLatin1Char('/') + a);
    const QStringList panel = mdlINI::CargarPreferencias(estado);
    QDir().mkpath(salida);

    {
        // A short history of JavaScript for the history window: the library as installed, then two
        // saves of it.
        git::Repositorio repo;
        QString mensaje;
        repo.Abrir(estado.carpetaCategorias(), true);
        const QStringList todas = repo.CategoriasPresentes();
        repo.Confirmar(todas, &mensaje, nullptr,
                       QStringLiteral("Primera versión de la biblioteca: %1 categorías").arg(todas.size()));
        const QString js = estado.rutaCategoria(QStringLiteral("JavaScript"));
        QVector<Script> v;
        if (mdlScripts::LeerArchivo(js, v) && v.size() > 4) {
            v[1].Codigo += QStringLiteral("\r\n// Revisado");
            v.append({QStringLiteral("Validar correo"), QStringLiteral("Comprueba una dirección de correo"),
                      QStringLiteral("function esCorreo(t) {\r\n  return /^[^@\\s]+@[^@\\s]+$/.test(t);\r\n}"),
                      QStringLiteral("8")});
            mdlScripts::GuardarArchivo(js, v);
            repo.Confirmar({QStringLiteral("JavaScript.rtn")}, &mensaje, nullptr);
            v.remove(3);
            mdlScripts::GuardarArchivo(js, v);
            repo.Confirmar({QStringLiteral("JavaScript.rtn")}, &mensaje, nullptr);
        }
    }

    CargarTraducciones();
    frmPrincipal w(estado);
    w.setEntradasPanel(panel.isEmpty() ? QStringList{QStringLiteral("Todas")} : panel, estado.Mostrar);
    w.show();
    Abrir(w, QStringLiteral("JavaScript"), 2);
    bool ok = Guardar(&w, salida + QStringLiteral("/principal.png"));
    Abrir(w, QStringLiteral("PHP"), 0);
    ok = Editor(w, salida + QStringLiteral("/editor.png")) && ok;

    frmHistorial historial(w, QStringLiteral("JavaScript"));
    historial.show();
    if (QTreeWidgetItem *version = historial.lstVersiones->topLevelItem(1))
        historial.lstVersiones->setCurrentItem(version);
    if (QTreeWidgetItem *script = historial.lstVersion->topLevelItem(3))
        historial.lstVersion->setCurrentItem(script);
    ok = Guardar(&historial, salida + QStringLiteral("/historial.png")) && ok;
    historial.close();

    if (argc > 3) {
        const QString revision = QString::fromLocal8Bit(argv[3]);
        QDir().mkpath(revision);
        for (const char *c : {"HTML", "PHP", "SQL", "CSS", "Linux"}) {
            Abrir(w, QString::fromLatin1(c), 1);
            ok = Editor(w, revision + QStringLiteral("/editor-%1.png").arg(QString::fromLatin1(c))) && ok;
        }
        ok = Rapida(w, revision, QString()) && ok;
        // A desktop's dark theme is there before the program starts: a new window under it.
        w.hide();
        QApplication::setPalette(PaletaOscura());
        frmPrincipal oscura(estado);
        oscura.setEntradasPanel(w.entradasPanel(), estado.Mostrar);
        oscura.show();
        Abrir(oscura, QStringLiteral("JavaScript"), 2);
        ok = Guardar(&oscura, revision + QStringLiteral("/principal-oscuro.png")) && ok;
        Abrir(oscura, QStringLiteral("HTML"), 0);
        ok = Editor(oscura, revision + QStringLiteral("/editor-oscuro.png")) && ok;
        ok = Rapida(oscura, revision, QStringLiteral("-oscuro")) && ok;
    }
    w.categoria().Recargar(); // nothing to ask about as the windows close
    return ok ? 0 : 1;
}
