// Hostile files through the real windows (opened, imported both ways, used as a move target) and
// faults on disk while the main window saves.
#include "Ayudas.h"
#include "format/mdlScripts.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QtTest>
#include <QtWidgets>

using namespace ayudas;

namespace {
const QByteArray kOtra = Registro("o1", "d", "c", "1") + Registro("o2", "d", "c", "2");

struct Ventana {
    Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    QString ruta(const QString &nombre) const { return c.estado.rutaCategoria(nombre); }
    QByteArray bytes(const QString &nombre) const { return LeerBytes(ruta(nombre)); }
    void crear() {
        c.estado.Ruta = QStringLiteral("Categorias");
        c.estado.Mostrar = QStringLiteral("Todas");
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setOpcionMarcada(1, false);
    }
    void abrir(const QString &nombre) {
        w->LlenarCat();
        ui(w)->lstCat->setCurrentItem(Buscar(ui(w)->lstCat, nombre));
        w->AbrirCategoria();
    }
    // Moves the open category's first script into `destino`.
    void mover(const QString &destino) {
        ui(w)->lstScripts->setCurrentItem(ui(w)->lstScripts->topLevelItem(0));
        frmMover dlg(*w);
        dlg.cboImagen->setCurrentIndex(dlg.cboImagen->findText(destino));
        QCOMPARE(dlg.cboImagen->currentText(), destino);
        emit dlg.cboImagen->activated(dlg.cboImagen->currentIndex());
        QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
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
        const QString ajeno = v.c.ruta("recibidos/Ajeno.rtn");
        EscribirBytes(ajeno, bytes);
        v.crear();
        v.abrir("Raro");
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Raro"));
        QCOMPARE(ui(v.w)->lstScripts->topLevelItemCount(), esperados.size());
        QCOMPARE(v.bytes("Raro"), bytes);

        // Scripts imported into the open category are appended to the list; nothing is written.
        v.abrir("Otra");
        v.w->setOpcionMarcada(3, false);
        AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<QFileDialog *>(w);
            QVERIFY(dlg);
            dlg->selectFile(ajeno);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        v.w->mnuImportar_Click();
        QCOMPARE(ui(v.w)->lstScripts->topLevelItemCount(), 2 + esperados.size());
        v.c.estado.sesion.Descartar();

        // The whole file imported as a category is copied as it is.
        v.w->setOpcionMarcada(3, true);
        AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmExaminar *>(w);
            QVERIFY(dlg);
            dlg->setCarpeta(QFileInfo(ajeno).path());
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        });
        v.w->mnuImportar_Click();

        // A move into the hostile category: the target gets the script, the source stays as saved.
        v.abrir("Otra");
        v.mover("Raro");
        QCOMPARE(mdlScripts::Analizar(v.bytes("Raro")), (esperados << Script{"o1", "d", "c", "1"}));
        QCOMPARE(v.bytes("Otra"), kOtra);
        QCOMPARE(v.bytes("Ajeno"), bytes);
        QCOMPARE(LeerBytes(ajeno), bytes);
        v.c.estado.sesion.Descartar();
    }

    // Things named like category files that are not readable files are not listed; one that turns
    // into a folder after it was listed is reported and never opened or written.
    void noSonArchivos() {
        Ventana v;
        QDir().mkpath(v.ruta("Carpeta"));
        QFile::link(v.ruta("Bucle"), v.ruta("Bucle"));
        v.c.categoria("Cambia", kOtra);
        v.c.categoria("Otra", kOtra);
        v.crear();
        v.abrir("Otra");
        QVERIFY(!Buscar(ui(v.w)->lstCat, "Carpeta") && !Buscar(ui(v.w)->lstCat, "Bucle"));
        QVERIFY(QFile::remove(v.ruta("Cambia")) && QDir().mkpath(v.ruta("Cambia")));
        // As a move target: refused with a message, and the script stays where it was.
        Mensaje copiar, abrir;
        ContestarMensaje(QMessageBox::Ok, &copiar);
        v.mover("Cambia");
        QVERIFY(copiar.visto && ui(v.w)->lstScripts->topLevelItemCount() == 2 &&
                !v.c.estado.sesion.HayCambios());
        QVERIFY(QFileInfo(v.ruta("Cambia")).isDir());
        QCOMPARE(v.bytes("Otra"), kOtra);
        // Opened: reported, and nothing is left open.
        ContestarMensaje(QMessageBox::Ok, &abrir);
        ui(v.w)->lstCat->setCurrentItem(Buscar(ui(v.w)->lstCat, "Cambia"));
        v.w->AbrirCategoria();
        QVERIFY2(abrir.texto.startsWith(QStringLiteral("No se pudo leer la categoría Cambia")), qPrintable(abrir.texto));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("(Ninguna)"));
    }

    // A full disk or a read-only folder at save time: the old file stays whole, the user is told, and
    // the changes stay pending until a save succeeds.
    void discoLlenoYSoloLectura() {
        QTemporaryDir disco; // a small tmpfs the test can fill and make read-only
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", disco.path()}) != 0)
            QSKIP("This machine does not allow a small tmpfs; the injected write failure covers it");
        auto desmontar = qScopeGuard([&] { QProcess::execute("umount", {"-l", disco.path()}); });
        Ventana v;
        v.c.estado.carpeta = disco.path();
        QByteArray grande;
        for (int i = 0; i < 400; ++i)
            grande += Registro("script " + QByteArray::number(i), "descripción", QByteArray(200, 'c'), "1");
        v.c.categoria("Menus", grande);
        v.crear();
        v.abrir("Menus");
        v.w->EliminarS();
        EscribirBytes(disco.path() + "/relleno", QByteArray(256 * 1024, 'r')); // more than is left
        // Saved with the question answered Yes: on the full disk, then read-only, then writable again.
        for (const char *modo : {"", "remount,ro", "remount,rw"}) {
            if (*modo)
                QCOMPARE(QProcess::execute("mount", {"-o", modo, disco.path()}), 0);
            const bool falla = QByteArray(modo) != "remount,rw";
            Mensaje aviso;
            AlAbrirseModal([&](QWidget *pregunta) {
                if (falla)
                    ContestarMensaje(QMessageBox::Ok, &aviso);
                qobject_cast<QMessageBox *>(pregunta)->button(QMessageBox::Yes)->click();
            });
            ui(v.w)->mnuGuardar->trigger();
            QCOMPARE(v.c.estado.sesion.HayCambios() && ui(v.w)->mnuGuardar->isEnabled(), falla);
            if (!falla)
                break;
            QVERIFY2(aviso.texto.startsWith(QStringLiteral("No se pudo guardar la categoría Menus")), qPrintable(aviso.texto));
            QCOMPARE(v.bytes("Menus"), grande);
            QFile::remove(disco.path() + "/relleno");
        }
        QCOMPARE(mdlScripts::Analizar(v.bytes("Menus")).size(), 399);
        v.w.reset(); // before the folder goes
    }
};

QTEST_MAIN(tst_ventanas)
#include "tst_ventanas.moc"
