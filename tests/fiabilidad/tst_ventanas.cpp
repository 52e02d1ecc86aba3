// Hostile files through the real windows (opened, imported both ways, used as a move target) and
// faults on disk while the main window saves.
#include "Ayudas.h"
#include "store/mdlScripts.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using ayudas::Registro;

namespace {
using ayudas::Buscar;
const QByteArray kOtra = Registro("o1", "d", "c", "1") + Registro("o2", "d", "c", "2");

struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    Ventana() {
        c.estado.Ruta = QStringLiteral("Categorias");
        c.estado.Mostrar = QStringLiteral("Todas");
        QDir().mkpath(c.estado.carpetaCategorias());
    }
    void crear() {
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setOpcionMarcada(1, false);
    }
    void abrir(const QString &nombre) {
        w->LlenarCat();
        w->lstCat->setCurrentItem(Buscar(w->lstCat, nombre));
        w->AbrirCategoria();
    }
};

// A small tmpfs the test can fill or make read-only; empty when the machine does not allow mounts.
struct Montaje {
    QTemporaryDir dir;
    bool montado = false;
    explicit Montaje(const QString &opciones) {
        montado = QProcess::execute("mount", {"-t", "tmpfs", "-o", opciones, "tmpfs", dir.path()}) == 0;
    }
    ~Montaje() {
        if (montado)
            QProcess::execute("umount", {"-l", dir.path()});
    }
};
} // namespace

class tst_ventanas : public QObject {
    Q_OBJECT
private slots:
    void archivosRaros_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("0 bytes") << QByteArray();
        QTest::newRow("comilla sin cerrar") << QByteArray("\"abc\r\ndef");
        QTest::newRow("NUL y 0x80-0x9F") << QByteArray("\"\0\x80\x9f\"\r\n\"\x81\"\r\n\"\"\r\n\"1\"\r\n", 18);
        QTest::newRow("campo de 50 MB") << ("\"" + QByteArray(50 * 1024 * 1024, 'x') + "\"\r\n");
        QTest::newRow("línea de 10 MB sin comillas") << QByteArray(10 * 1024 * 1024, 'y');
        QTest::newRow("CR solo") << QByteArray("\"a\"\r\"b\"\r\"c\"\r\"d\"\r");
        QTest::newRow("LF solo") << QByteArray("\"a\"\n\"b\"\n\"c\"\n\"d\"\n");
        QByteArray cien;
        for (int i = 0; i < 100000; ++i)
            cien += Registro("n" + QByteArray::number(i), "d", "c", "1");
        QTest::newRow("100 000 registros") << cien;
    }

    // Each hostile file is opened, imported as scripts, imported as a category and used as a move
    // target; only the file a command is meant to change ever changes.
    void archivosRaros() {
        QFETCH(QByteArray, bytes);
        QVector<Script> esperados = mdlScripts::Analizar(bytes);
        Ventana v;
        v.c.categoria("Raro", bytes);
        v.c.categoria("Otra", kOtra);
        const QString recibidos = v.c.ruta("recibidos");
        ayudas::EscribirBytes(recibidos + "/Ajeno.rtn", bytes);
        v.crear();

        v.abrir("Raro");
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Raro"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), esperados.size());
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Raro")), bytes);

        // Scripts imported into the open category: appended in the list, nothing written.
        v.abrir("Otra");
        v.w->setOpcionMarcada(3, false);
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<QFileDialog *>(w);
            QVERIFY(dlg);
            dlg->selectFile(recibidos + "/Ajeno.rtn");
            QMetaObject::invokeMethod(dlg, "accept");
        });
        v.w->mnuImportar_Click();
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 2 + esperados.size());
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Otra")), kOtra);
        QCOMPARE(ayudas::LeerBytes(recibidos + "/Ajeno.rtn"), bytes);
        v.c.estado.HayCambios = false;

        // The whole file imported as a category: copied as it is.
        v.w->setOpcionMarcada(3, true);
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmExaminar *>(w);
            QVERIFY(dlg);
            dlg->setCarpeta(recibidos);
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        });
        v.w->mnuImportar_Click();
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Ajeno")), bytes);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Otra")), kOtra);

        // A move into the hostile category: the target gets the script, the source stays as saved.
        v.abrir("Otra");
        v.w->lstScripts->setCurrentItem(v.w->lstScripts->topLevelItem(0));
        {
            frmMover dlg(*v.w);
            dlg.cboImagen->setCurrentIndex(dlg.cboImagen->findText("Raro"));
            emit dlg.cboImagen->activated(dlg.cboImagen->currentIndex());
            QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        }
        esperados.append(Script{"o1", "d", "c", "1"});
        QVector<Script> leidos;
        QVERIFY(mdlScripts::LeerArchivo(v.c.estado.rutaCategoria("Raro"), leidos));
        QCOMPARE(leidos, esperados);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Otra")), kOtra);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Ajeno")), bytes);
        v.c.estado.HayCambios = false;
    }

    // Things named like category files that are not readable files are not listed; one that turns
    // into a folder after it was listed is reported and never opened or written.
    void noSonArchivos() {
        Ventana v;
        QDir().mkpath(v.c.estado.rutaCategoria("Carpeta"));
        const QString bucle = v.c.estado.rutaCategoria("Bucle");
        QFile::link(bucle, bucle);
        v.c.categoria("Cambia", kOtra);
        v.c.categoria("Otra", kOtra);
        v.crear();
        v.w->LlenarCat();
        QVERIFY(!Buscar(v.w->lstCat, "Carpeta") && !Buscar(v.w->lstCat, "Bucle"));

        QVERIFY(QFile::remove(v.c.estado.rutaCategoria("Cambia")));
        QVERIFY(QDir().mkpath(v.c.estado.rutaCategoria("Cambia")));
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        v.w->lstCat->setCurrentItem(Buscar(v.w->lstCat, "Cambia"));
        v.w->AbrirCategoria();
        QVERIFY(m.visto);
        QVERIFY2(m.texto.startsWith(QStringLiteral("No se pudo leer la categoría Cambia")), qPrintable(m.texto));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));

        // As a move target: refused, and the script stays where it was.
        v.abrir("Otra");
        v.w->lstScripts->setCurrentItem(v.w->lstScripts->topLevelItem(0));
        {
            frmMover dlg(*v.w);
            dlg.cboImagen->setCurrentIndex(dlg.cboImagen->findText("Cambia"));
            emit dlg.cboImagen->activated(dlg.cboImagen->currentIndex());
            QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        }
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 2);
        QVERIFY(!v.c.estado.HayCambios);
        QVERIFY(QFileInfo(v.c.estado.rutaCategoria("Cambia")).isDir());
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Otra")), kOtra);
    }

    // A full disk or a read-only folder at save time: the old file stays whole, the user is told, and
    // the changes stay pending until a save succeeds.
    void discoLlenoYSoloLectura() {
        Montaje m(QStringLiteral("size=256k"));
        if (!m.montado)
            QSKIP("This machine does not allow a small tmpfs; the injected write failure covers it");
        Ventana v;
        v.c.estado.carpeta = m.dir.path();
        QDir().mkpath(v.c.estado.carpetaCategorias());
        QByteArray grande;
        for (int i = 0; i < 400; ++i)
            grande += Registro("script " + QByteArray::number(i), "descripción", QByteArray(200, 'c'), "1");
        v.c.categoria("Menus", grande);
        v.crear();
        v.abrir("Menus");
        v.w->EliminarS();
        // Fill what is left of the disk.
        {
            QFile relleno(m.dir.path() + "/relleno");
            QVERIFY(relleno.open(QIODevice::WriteOnly));
            const QByteArray bloque(4096, 'r');
            while (relleno.write(bloque) == bloque.size() && relleno.flush()) {
            }
        }
        auto guardar = [&](ayudas::Mensaje *aviso) {
            ayudas::AlAbrirseModal([aviso](QWidget *pregunta) {
                if (aviso)
                    ayudas::ContestarMensaje(QMessageBox::Ok, aviso);
                qobject_cast<QMessageBox *>(pregunta)->button(QMessageBox::Yes)->click();
            });
            v.w->mnuGuardar->trigger();
        };
        ayudas::Mensaje lleno;
        guardar(&lleno);
        QVERIFY2(lleno.texto.startsWith(QStringLiteral("No se pudo guardar la categoría Menus")), qPrintable(lleno.texto));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), grande);
        QVERIFY(v.c.estado.HayCambios && v.w->mnuGuardar->isEnabled());

        QFile::remove(m.dir.path() + "/relleno");
        QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", m.dir.path()}), 0);
        ayudas::Mensaje soloLectura;
        guardar(&soloLectura);
        QVERIFY(soloLectura.visto);
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), grande);
        QVERIFY(v.c.estado.HayCambios);

        QCOMPARE(QProcess::execute("mount", {"-o", "remount,rw", m.dir.path()}), 0);
        guardar(nullptr);
        QVERIFY(!v.c.estado.HayCambios);
        QVector<Script> leidos;
        QVERIFY(mdlScripts::LeerArchivo(v.c.estado.rutaCategoria("Menus"), leidos));
        QCOMPARE(leidos.size(), 399);
        v.w.reset(); // before the folder goes
    }
};

QTEST_MAIN(tst_ventanas)
#include "tst_ventanas.moc"
