// Takes the README's pictures of the real windows over a copy of the starter library.
//   rutinero_capturas <carpeta Categorias de inicio> <carpeta de salida>
#include "core/Estado.h"
#include "core/mdlINI.h"
#include "ui/editor/frmScript.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>

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

    frmPrincipal w(estado);
    w.setEntradasPanel(panel.isEmpty() ? QStringList{QStringLiteral("Todas")} : panel, estado.Mostrar);
    w.show();
    for (int i = 0; i < w.lstCat->topLevelItemCount(); ++i)
        if (w.lstCat->topLevelItem(i)->text(0) == QLatin1String("JavaScript"))
            w.lstCat->setCurrentItem(w.lstCat->topLevelItem(i));
    w.AbrirCategoria();
    if (w.lstScripts->topLevelItemCount() > 2)
        w.lstScripts->setCurrentItem(w.lstScripts->topLevelItem(2));
    w.LScripts();
    bool ok = Guardar(&w, salida + QStringLiteral("/principal.png"));

    estado.ModoScript = QStringLiteral("Ver");
    frmScript ver(w);
    ver.show();
    ok = Guardar(&ver, salida + QStringLiteral("/editor.png")) && ok;
    estado.sesion.Descartar();
    return ok ? 0 : 1;
}
