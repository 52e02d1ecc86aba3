// Takes the README's pictures of the real windows over a copy of the starter library.
//   rutinero_capturas <carpeta Categorias de inicio> <carpeta de salida>
#include "core/Estado.h"
#include "core/mdlINI.h"
#include "ui/editor/frmScript.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "store/Repositorio.h"
#include "store/mdlScripts.h"
#include "ui/tools/frmHistorial.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QTreeWidgetItem>
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
    ver.close();

    frmHistorial historial(w, QStringLiteral("JavaScript"));
    historial.show();
    if (QTreeWidgetItem *version = historial.lstVersiones->topLevelItem(1))
        historial.lstVersiones->setCurrentItem(version);
    if (QTreeWidgetItem *script = historial.lstVersion->topLevelItem(3))
        historial.lstVersion->setCurrentItem(script);
    ok = Guardar(&historial, salida + QStringLiteral("/historial.png")) && ok;
    estado.HayCambios = false;
    return ok ? 0 : 1;
}
