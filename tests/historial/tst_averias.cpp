// The history after a power cut or a kill, on real repositories left as those leave them: an
// object truncated or empty, a repository with no version. The damaged one is found (never spun
// on), kept aside whole, and versions go on in a new history; the program starts and ends.
#include "Maquina.h"
#include "GitPlano.h"
#include "Programa.h"

#include <QStatusBar>

using ayudas::ui;

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
const QVector<Script> kOtra{Rec("o", "1")};

// The file of the last version's commit, cut to `tamano` bytes as a power cut leaves it.
QByteArray DanarUltima(const QString &categorias, int tamano) {
    git::Repositorio r;
    if (!r.Abrir(categorias, false))
        return {};
    const QByteArray hex = r.Ultima();
    QFile f(categorias + "/.git/objects/" + hex.left(2) + '/' + hex.mid(2));
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!f.resize(tamano))
        return {};
    return hex;
}

// Menus changed and saved as a second version, the window closed, that version's commit damaged to
// `tamano` bytes, and the window opened again over it; the damaged object's id.
QByteArray DanadaYReabierta(Maquina &m, int tamano = 10) {
    m.abrir("Menus");
    m.editar("a", "nuevo");
    m.guardar();
    m.w.reset();
    const QByteArray hex = DanarUltima(m.categorias(), tamano);
    m.abrirVentana();
    return hex;
}

QStringList Apartados(const QString &categorias) {
    return QDir(categorias).entryList({".git-dañado-*"}, QDir::Dirs | QDir::Hidden);
}
} // namespace

class tst_averias : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (gitplano::Programa().isEmpty())
            QSKIP("git is not installed here to make the repositories as the user's own tools do");
    }
    void init() { QCOMPARE(QApplication::activeModalWidget(), nullptr); }
    void cleanup() { QCOMPARE(mensajes::Pendientes(), 0); }

    // The last version's commit truncated (10 bytes) or empty: the next start says so once in the
    // status bar, keeps the damaged history aside under the name it gives, and begins a new one
    // whose first version holds the library as it is.
    void objetoDanadoSeApartaYEmpiezaOtro_data() {
        QTest::addColumn<int>("tamano");
        QTest::newRow("truncado a 10 bytes") << 10;
        QTest::newRow("vacío") << 0;
    }
    void objetoDanadoSeApartaYEmpiezaOtro() {
        QFETCH(int, tamano);
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}});
        const QByteArray hex = DanadaYReabierta(m, tamano);
        QVERIFY(!hex.isEmpty());
        const QStringList apartados = Apartados(m.categorias());
        QCOMPARE(apartados.size(), 1);
        const QString aviso = m.versiones().ultimoFallo();
        QVERIFY2(aviso.contains("dañado") && aviso.contains(apartados.first()), qPrintable(aviso));
        QCOMPARE(ui(m.w)->barEstado->currentMessage(), aviso);
        // Kept whole, the damaged object too.
        const QString objeto = m.categorias() + '/' + apartados.first() + "/objects/" + hex.left(2) + '/' + hex.mid(2);
        QCOMPARE(QFileInfo(objeto).size(), qint64(tamano));
        QCOMPARE(m.mensajes(), QStringList{"Primera versión de la biblioteca: 2 categorías"});
        QCOMPARE(m.enUltima("Menus.rtn").value_or(""), m.bytes("Menus"));
        QCOMPARE(m.enUltima("Otra.rtn").value_or(""), m.bytes("Otra"));
    }

    // After the damaged history is set aside, each save is a version again.
    void trasApartarSeGuardanVersiones() {
        Maquina m({{"Menus", kMenus}});
        QVERIFY(!DanadaYReabierta(m).isEmpty());
        m.abrir("Menus");
        m.editar("b", "otro");
        m.guardar();
        QCOMPARE(m.mensajes().size(), 2);
        QCOMPARE(m.enUltima("Menus.rtn").value_or(""), m.bytes("Menus"));
        QCOMPARE(Apartados(m.categorias()).size(), 1);
    }

    // "Historial" over a history that was damaged: the window opens, and shows the new history.
    void historialAbreTrasElDano() {
        Maquina m({{"Menus", kMenus}});
        QVERIFY(!DanadaYReabierta(m).isEmpty());
        m.abrir("Menus");
        QStringList versiones;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            if (auto *lista = w->findChild<QTreeWidget *>("lstVersiones"))
                versiones = ayudas::Textos(lista);
            w->close();
        });
        ui(m.w)->mnuHistorial->trigger();
        QCOMPARE(versiones.size(), 1);
    }

    // A repository git made and nothing recorded in (a first start killed before its first
    // version): the next start records every category as the first version, so deleting one of
    // them, unchanged, can still be undone.
    void repositorioSinVersionRecibeLaPrimera() {
        Maquina m({{"Menus", kMenus}, {"Otra", kOtra}}, {}, 1, [](Estado &e) {
            gitplano::Git(e.carpetaCategorias(), "init -q -b main");
        });
        QCOMPARE(m.mensajes(), QStringList{"Primera versión de la biblioteca: 2 categorías"});
        m.eliminarCategoria("Otra");
        git::Repositorio r;
        QVERIFY(r.Abrir(m.categorias(), false));
        const QVector<git::Eliminada> eliminadas = r.Eliminadas();
        QCOMPARE(eliminadas.size(), 1);
        QCOMPARE(eliminadas.first().archivo, "Otra.rtn");
        QCOMPARE(r.Contenido(eliminadas.first().commit, "Otra.rtn").value_or(""), Bytes(kOtra));
    }

    // A loose object whose zlib stream is whole but holds fewer bytes than its header says (the
    // file's end lost and the rest compressed again): damaged, never read as a shorter category.
    void objetoMasCortoQueSuCabezaEstaDanado() {
        ayudas::Carpeta c;
        c.categoria("Menus", Bytes(kMenus));
        const QString carpeta = c.estado.carpetaCategorias();
        {
            git::Repositorio r;
            QString mensaje;
            QVERIFY(r.Abrir(carpeta, true) && r.Confirmar({"Menus.rtn"}, &mensaje, nullptr));
        }
        const QByteArray hex = gitplano::Git(carpeta, "rev-parse HEAD:Menus.rtn");
        const QByteArray datos = Bytes(kMenus);
        const QByteArray corto = "blob " + QByteArray::number(datos.size()) + '\0' + datos.left(datos.size() / 2);
        QFile f(carpeta + "/.git/objects/" + hex.left(2) + '/' + hex.mid(2));
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray zlib = qCompress(corto).mid(4); // without Qt's own length in front
        QCOMPARE(f.write(zlib), zlib.size());
        f.close();
        git::Repositorio r;
        QVERIFY(r.Abrir(carpeta, false));
        QCOMPARE(r.Contenido(r.Ultima(), "Menus.rtn"), std::optional<QByteArray>());
        QString motivo;
        QVERIFY(r.Danado(&motivo));
        QVERIFY2(motivo.contains("dañado"), qPrintable(motivo));
    }

    // The real program, in a process of its own, over a history plain git made and a power cut
    // truncated: it starts, SIGTERM ends it cleanly, and it starts again.
    void programaConHistorialDanadoArrancaYTermina() {
        programa::Programa prog;
        prog.c.categoria("Menus", Bytes(kMenus));
        const QString categorias = prog.c.estado.carpetaCategorias();
        gitplano::Git(categorias, "init -q -b main");
        gitplano::Git(categorias, "add Menus.rtn");
        gitplano::Git(categorias, "commit -q -m uno");
        QVERIFY(!DanarUltima(categorias, 10).isEmpty());
        QVERIFY(prog.Iniciar(false));
        QVERIFY(prog.Terminar());
        QCOMPARE(Apartados(categorias).size(), 1);
        QVERIFY(prog.Iniciar(false));
        QVERIFY(prog.Terminar());
        QCOMPARE(Apartados(categorias).size(), 1);
    }
};

PROGRAMA_MAIN(tst_averias)

#include "tst_averias.moc"
