// Hostile files, read as they are and stored again without loss, and taken through the real windows:
// opened, imported both ways, used as a move target.
#include "Ayudas.h"
#include "format/mdlScripts.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QtTest>
#include <QtWidgets>

using namespace ayudas;

namespace {
const QByteArray kOtra = Registro("o1", "d", "c", "1") + Registro("o2", "d", "c", "2");
} // namespace

class tst_ventanas : public QObject {
    Q_OBJECT
private slots:
    void archivosRaros_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("registros");
        QTest::newRow("0 bytes") << QByteArray() << 0;
        QTest::newRow("comilla sin cerrar") << QByteArray("\"abc\r\ndef") << 1;
        QTest::newRow("NUL y 0x80-0x9F") << QByteArray("\"\0\x80\x9f\"\r\n\"\x81\"\r\n\"\"\r\n\"1\"\r\n", 18) << 1;
        QTest::newRow("campo de 50 MB") << ("\"" + QByteArray(50 * 1024 * 1024, 'x') + "\"\r\n") << 1;
        QTest::newRow("línea de 10 MB sin comillas") << QByteArray(10 * 1024 * 1024, 'y') << 1;
        QTest::newRow("CR solo") << QByteArray("\"a\"\r\"b\"\r\"c\"\r\"d\"\r") << 1;
        QTest::newRow("LF solo") << QByteArray("\"a\"\n\"b\"\n\"c\"\n\"d\"\n") << 1;
        QTest::newRow("sólo comas") << QByteArray(100000, ',') << 25000;
        QByteArray cien;
        for (int i = 0; i < 100000; ++i)
            cien += Registro("n" + QByteArray::number(i), "d", "c", "1");
        QTest::newRow("100 000 registros") << cien << 100000;
    }

    // Each hostile file is read whole and stored again without loss; in the window it is opened,
    // imported as scripts, imported as a category and used as a move target, and only the file a
    // command is meant to change ever changes.
    void archivosRaros() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, registros);
        QVector<Script> esperados = mdlScripts::Analizar(bytes);
        QCOMPARE(esperados.size(), registros);
        QCOMPARE(mdlScripts::Analizar(mdlScripts::Componer(esperados)), esperados);
        VentanaPrincipal v({{"Raro", bytes}, {"Otra", kOtra}});
        v.w->setOpcionMarcada(1, false);
        const QString ajeno = v.c.ruta("recibidos/Ajeno.rtn");
        EscribirBytes(ajeno, bytes);
        v.abrir("Raro");
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("Raro"));
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), registros);
        QCOMPARE(LeerBytes(v.c.estado.rutaCategoria("Raro")), bytes);

        // Scripts imported into the open category are appended to the list; nothing is written.
        v.abrir("Otra");
        v.w->setOpcionMarcada(3, false);
        ElegirArchivo(ajeno);
        v.w->mnuImportar_Click();
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), 2 + registros);
        v.w->categoria().Recargar();

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
        ui(v.w)->lstScripts->Seleccionar(0);
        frmMover dlg(*v.w);
        dlg.cboImagen->setCurrentIndex(dlg.cboImagen->findText("Raro"));
        emit dlg.cboImagen->activated(dlg.cboImagen->currentIndex());
        QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        QCOMPARE(mdlScripts::Analizar(LeerBytes(v.c.estado.rutaCategoria("Raro"))), (esperados << Script{"o1", "d", "c", "1"}));
        QCOMPARE(LeerBytes(v.c.estado.rutaCategoria("Otra")), kOtra);
        QCOMPARE(LeerBytes(v.c.estado.rutaCategoria("Ajeno")), bytes);
        QCOMPARE(LeerBytes(ajeno), bytes);
        v.w->categoria().Recargar();
    }
};

QTEST_MAIN(tst_ventanas)
#include "tst_ventanas.moc"
