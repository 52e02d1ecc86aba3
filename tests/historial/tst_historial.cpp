// Versions of the Categorias folder through the real windows: every command that writes is a
// version, scripts and categories come back from the history, and a repository that cannot be
// written never costs a save.
#include "Maquina.h"
#include "ui/tools/frmEliminadas.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmHistorial.h"
#include "ui/tools/frmMover.h"

#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <cstdio>
#include <grp.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
const QVector<Script> kOtra{Rec("o", "1")};
constexpr uid_t kNadie = 65534;

// What the history window showed, and the window closed.
struct VistaHistorial {
    QStringList versiones;
    QStringList scripts;
    QString estado;
};

// Opens "Historial", chooses the version at `version` (0 the newest), runs `accion` on the window
// and closes it.
VistaHistorial UsarHistorial(Maquina &m, int version, const std::function<void(frmHistorial &)> &accion) {
    VistaHistorial v;
    ayudas::AlAbrirseModal([&](QWidget *w) {
        auto *h = qobject_cast<frmHistorial *>(w);
        if (!h) {
            w->close();
            return;
        }
        v.versiones = ayudas::Textos(h->lstVersiones);
        if (QTreeWidgetItem *item = h->lstVersiones->topLevelItem(version))
            h->lstVersiones->setCurrentItem(item);
        v.scripts = ayudas::Textos(h->lstVersion);
        accion(*h);
        v.estado = h->lblEstado->text();
        h->cmdCerrar->click();
    });
    ui(m.w)->mnuHistorial->trigger();
    return v;
}

// Opens "Categorías eliminadas", recovers the first one listed and closes the window; what it listed
// before and after.
std::pair<QStringList, QStringList> RecuperarEliminada(Maquina &m) {
    std::pair<QStringList, QStringList> listadas;
    ayudas::AlAbrirseModal([&](QWidget *w) {
        auto *d = qobject_cast<frmEliminadas *>(w);
        QVERIFY(d);
        listadas.first = ayudas::Textos(d->lstEliminadas);
        d->cmdRecuperar->click();
        listadas.second = ayudas::Textos(d->lstEliminadas);
        d->cmdCerrar->click();
    });
    ui(m.w)->mnuEliminadas->trigger();
    return listadas;
}

// Every file and folder under `ruta` given to the user.
void Propietario(const QString &ruta, uid_t usuario) {
    QVERIFY(::lchown(QFile::encodeName(ruta).constData(), usuario, usuario) == 0);
    QDirIterator it(ruta, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY(::lchown(QFile::encodeName(it.next()).constData(), usuario, usuario) == 0);
}
} // namespace

// The unprivileged second process: a save while the repository cannot be written, then (once the
// parent says so) another save that must carry the first one's version along.
int SinPermisos(const QString &carpeta) {
    Estado estado;
    estado.carpeta = carpeta;
    estado.Ruta = "Categorias";
    estado.Mostrar = "Todas";
    estado.MostrarTodas = 1;
    estado.HistorialAutomatico = 1;
    frmPrincipal w(estado);
    w.show();
    auto guardar = [&](const QString &categoria, const Script &s) {
        ui(w)->lstCat->setCurrentItem(ayudas::Buscar(ui(w)->lstCat, categoria));
        w.AbrirCategoria();
        w.AgregarPendientes({s}, false);
        ayudas::ContestarMensaje(QMessageBox::Yes);
        const bool ok = w.Preguntar();
        w.versiones()->Esperar();
        return ok;
    };
    const bool primero = guardar("Menus", Rec("nuevo", "n"));
    std::printf("guardado:%d\nfallo:%s\nversiones:%d\n", primero, qUtf8Printable(w.versiones()->ultimoFallo()),
                w.versiones()->guardadas());
    std::fflush(stdout);
    std::string linea;
    std::getline(std::cin, linea);
    const bool segundo = guardar("Otra", Rec("otro", "m"));
    std::printf("guardado:%d\nversiones:%d\n", segundo, w.versiones()->guardadas());
    std::fflush(stdout);
    return 0;
}

class PruebaHistorial : public QObject {
    Q_OBJECT
private slots:
    void init() { QCOMPARE(QApplication::activeModalWidget(), nullptr); }

    void primeraVersionAlPrimerArranque() {
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}});
        QCOMPARE(m.mensajes(), QStringList{"Primera versión de la biblioteca: 2 categorías"});
        QCOMPARE(m.enUltima("Menus.rtn").value_or(""), Bytes(kMenus));
        QCOMPARE(m.enUltima("Otra.rtn").value_or(""), Bytes(kOtra));
    }

    void repositorioExistenteSeUsaTalCual() {
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}}, {}, 1, [](Estado &e) {
            git::Repositorio r;
            QString mensaje;
            QVERIFY(r.Abrir(e.carpetaCategorias(), true));
            QVERIFY(r.Confirmar({"Menus.rtn"}, &mensaje, nullptr, "Mía"));
        });
        QCOMPARE(m.mensajes(), QStringList{"Mía"});
        QVERIFY(!m.enUltima("Otra.rtn")); // left for its owner to record
    }

    void guardarEsUnaVersionDeLoTocado() {
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}});
        ayudas::EscribirBytes(m.c.estado.rutaCategoria("Otra"), Bytes({Rec("otro programa", "x")}));
        m.abrir("Menus");
        m.editar("a", "9");
        m.w->AgregarPendientes({Rec("c", "3"), Rec("d", "4")}, false);
        m.guardar();
        QCOMPARE(m.mensajes().first(), "Menus: 2 scripts agregados, 1 modificado");
        QCOMPARE(m.enUltima("Menus.rtn").value_or(""), m.bytes("Menus"));
        QCOMPARE(m.enUltima("Otra.rtn").value_or(""), Bytes(kOtra)); // not written by the program
    }

    void cadaOrdenEsUnaVersion_data() {
        QTest::addColumn<int>("orden");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("agregar categoría") << 0 << "Nueva: categoría nueva";
        QTest::newRow("reemplazar categoría") << 1 << "Menus: 2 scripts eliminados";
        QTest::newRow("eliminar categoría") << 2 << "Otra: categoría eliminada";
        QTest::newRow("renombrar categoría") << 3 << "Otra: renombrada a Distinta";
        QTest::newRow("mover un script") << 4 << "Otra: 1 script agregado";
        QTest::newRow("importar categorías") << 5 << "Ext: categoría nueva con 1 script";
    }
    void cadaOrdenEsUnaVersion() {
        QFETCH(int, orden);
        QFETCH(QString, mensaje);
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}});
        QTemporaryDir fuera;
        switch (orden) {
        case 0:
            m.agregarCategoria("Nueva");
            break;
        case 1:
            m.agregarCategoria("Menus", true);
            break;
        case 2:
            m.eliminarCategoria("Otra");
            break;
        case 3:
            m.renombrarCategoria("Otra", "Distinta");
            break;
        case 4:
            m.abrir("Menus");
            m.seleccionarScript("a");
            ayudas::AlAbrirseModal([](QWidget *w) {
                auto *d = qobject_cast<frmMover *>(w);
                QVERIFY(d);
                d->cboImagen->setCurrentIndex(d->cboImagen->findText("Otra"));
                d->cmdPegar_Click();
                d->reject();
            });
            m.w->CopiarS();
            break;
        case 5:
            ayudas::EscribirBytes(fuera.filePath("Ext.rtn"), Bytes(kOtra));
            m.w->setOpcionMarcada(3, true);
            ayudas::AlAbrirseModal([&](QWidget *w) {
                auto *d = qobject_cast<frmExaminar *>(w);
                QVERIFY(d);
                d->setCarpeta(fuera.path());
                d->cmdAceptar->click();
            });
            ui(m.w)->mnuImportar->trigger();
            break;
        }
        m.esperar();
        QCOMPARE(m.mensajes().size(), 2);
        QCOMPARE(m.mensajes().first(), mensaje);
    }

    void sinVersionesAutomaticasNoHayRepositorio() {
        Maquina m({{"Menus", kMenus}}, {}, 0);
        m.abrir("Menus");
        m.editar("a", "9");
        m.guardar();
        QVERIFY(!QFileInfo::exists(m.categorias() + "/.git"));
    }

    void recuperarUnScript() {
        Maquina m({{"Menus", kMenus}});
        m.abrir("Menus");
        m.eliminarScript("b");
        m.guardar();
        const VistaHistorial v = UsarHistorial(m, 1, [](frmHistorial &h) {
            h.lstVersion->setCurrentItem(ayudas::Buscar(h.lstVersion, "b"));
            h.cmdRecuperar->click();
        });
        QCOMPARE(v.versiones.size(), 2);
        QCOMPARE(v.scripts, (QStringList{"a", "b"}));
        QVERIFY(ayudas::HayCambios(*m.w)); // the save question decides, as for any change
        m.guardar();
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
        QCOMPARE(m.mensajes().first(), "Menus: 1 script agregado");
    }

    // A script the category still has gets its old text back in its own row: one pending change,
    // saved or not as the save question decides, never a second script of the same name.
    void recuperarSobreUnScriptQueExisteLoReemplaza() {
        Maquina m({{"Menus", kMenus}});
        m.abrir("Menus");
        m.editar("a", "9");
        m.guardar();
        const VistaHistorial v = UsarHistorial(m, 1, [](frmHistorial &h) {
            h.lstVersion->setCurrentItem(ayudas::Buscar(h.lstVersion, "a"));
            h.cmdRecuperar->click();
        });
        QCOMPARE(v.estado, "«a» volvió a esta versión en la categoría Menus. Guarde los cambios para conservarlo.");
        QVERIFY(ayudas::HayCambios(*m.w));
        QCOMPARE(m.bytes("Menus"), Bytes({Rec("a", "9"), Rec("b", "2")})); // nothing written yet
        m.guardar();
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
        QCOMPARE(m.mensajes().first(), "Menus: 1 script modificado");
    }

    // A whole version brings back what the category does not hold as it is, and nothing twice.
    void recuperarUnaVersion() {
        Maquina m({{"Menus", {Rec("a", "1"), Rec("b", "2"), Rec("c", "3")}}});
        m.abrir("Menus");
        m.eliminarScript("b");
        m.editar("c", "3x");
        m.guardar();
        const VistaHistorial v = UsarHistorial(m, 1, [](frmHistorial &h) { h.cmdRecuperarVersion->click(); });
        QCOMPARE(v.estado, "2 scripts de esta versión se agregaron a la categoría Menus. Guarde los cambios para "
                           "conservarlos.");
        m.guardar();
        // The list keeps its order by name: what came back took its sorted place.
        QCOMPARE(m.bytes("Menus"), Bytes({Rec("a", "1"), Rec("b", "2"), Rec("c", "3x"), Rec("c", "3")}));
    }

    void historialSigueUnRenombre() {
        Maquina m({{"Menus", kMenus}});
        m.abrir("Menus");
        m.editar("a", "9");
        m.guardar();
        m.renombrarCategoria("Menus", "Comidas");
        m.esperar();
        m.abrir("Comidas");
        QString etiqueta;
        const VistaHistorial v =
            UsarHistorial(m, 2, [&](frmHistorial &h) { etiqueta = h.lblScripts->text(); });
        QCOMPARE(v.versiones.size(), 3);
        QCOMPARE(v.scripts, (QStringList{"a", "b"}));
        QCOMPARE(etiqueta, "Scripts de la versión, cuando se llamaba Menus (2):");
    }

    void categoriaEliminadaVuelve() {
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}});
        m.eliminarCategoria("Menus");
        const auto [listadas, despues] = RecuperarEliminada(m);
        QCOMPARE(listadas, QStringList{"Menus"});
        QVERIFY(despues.isEmpty());
        QCOMPARE(m.bytes("Menus"), Bytes(kMenus));
        QVERIFY(ayudas::Buscar(ui(m.w)->lstCat, "Menus"));
        m.esperar();
        QCOMPARE(m.mensajes().first(), "Menus: categoría recuperada");
    }

    void eliminadaNoPisaUnaExistente() {
        Maquina m({{"Menus", kMenus}});
        m.eliminarCategoria("Menus");
        ayudas::EscribirBytes(m.c.estado.rutaCategoria("Menus"), {});
        RecuperarEliminada(m);
        QCOMPARE(m.bytes("Menus"), QByteArray());
        QCOMPARE(m.bytes("Menus (recuperada)"), Bytes(kMenus));
    }

    // A real repository the user cannot write (owned by root, the program run as another user): the
    // save is made and kept, the failure is said, and the next version carries the waiting file.
    void repositorioSinPermisoNoImpideGuardar() {
        QTemporaryDir base;
        QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
        const QString carpeta = base.filePath("app");
        Estado e;
        e.carpeta = carpeta;
        ayudas::EscribirBytes(e.rutaCategoria("Menus"), Bytes(kMenus));
        ayudas::EscribirBytes(e.rutaCategoria("Otra"), Bytes(kOtra));
        {
            git::Repositorio r;
            QString mensaje;
            QVERIFY(r.Abrir(e.carpetaCategorias(), true));
            QVERIFY(r.Confirmar({"Menus.rtn", "Otra.rtn"}, &mensaje, nullptr, "Inicio"));
        }
        Propietario(carpeta, kNadie);
        const QString objetos = e.carpetaCategorias() + "/.git/objects";
        Propietario(objetos, 0);
        // The test program itself, where the other user can run it.
        const QString programa = base.filePath("tst_historial");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), programa));

        QProcess hijo;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("HOME", base.path());
        entorno.insert("QT_QPA_PLATFORM", "offscreen");
        entorno.insert("XDG_RUNTIME_DIR", base.path());
        hijo.setProcessEnvironment(entorno);
        hijo.setWorkingDirectory(base.path());
        hijo.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(kNadie, kNadie, kNadie) != 0 ||
                ::setresuid(kNadie, kNadie, kNadie) != 0)
                ::_exit(97);
        });
        hijo.start(programa, {"--sin-permisos", carpeta});
        QVERIFY(hijo.waitForStarted());
        auto leer = [&](int lineas) {
            QStringList r;
            while (r.size() < lineas && (hijo.canReadLine() || hijo.waitForReadyRead(30000)))
                while (hijo.canReadLine() && r.size() < lineas)
                    r << QString::fromUtf8(hijo.readLine()).trimmed();
            return r;
        };
        const QStringList primero = leer(3);
        QCOMPARE(primero.value(0), "guardado:1");
        QCOMPARE(primero.value(1).section(QLatin1Char(':'), 0, 1), // the reason after it is the system's
                 "fallo:No se pudo guardar la versión en el historial");
        QCOMPARE(primero.value(2), "versiones:0");
        const QByteArray conNuevo = Bytes(kMenus + QVector<Script>{Rec("nuevo", "n")});
        QCOMPARE(ayudas::LeerBytes(e.rutaCategoria("Menus")), conNuevo);

        Propietario(objetos, kNadie); // the repository can be written again
        hijo.write("sigue\n");
        const QStringList segundo = leer(2);
        QVERIFY(hijo.waitForFinished(30000));
        QCOMPARE(hijo.exitCode(), 0);
        QCOMPARE(segundo, (QStringList{"guardado:1", "versiones:1"}));
        Propietario(carpeta, 0);
        git::Repositorio r;
        QVERIFY(r.Abrir(e.carpetaCategorias(), false));
        QCOMPARE(r.Mensajes().first(), "Menus: 1 script agregado; Otra: 1 script agregado");
        QCOMPARE(r.Contenido(r.Ultima(), "Menus.rtn").value_or(""), conNuevo);
    }
};

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--sin-permisos") == 0)
        return SinPermisos(QString::fromLocal8Bit(argv[2]));
    PruebaHistorial prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_historial.moc"
