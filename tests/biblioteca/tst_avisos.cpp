// What leaves the library unversioned or unsearchable stays in the status bar until it clears.
#include "../historial/Maquina.h"

#include <QLabel>
#include <QStatusBar>

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};
} // namespace

class tst_avisos : public QObject {
    Q_OBJECT
  private slots:
    // A version that cannot be recorded (another git program holds the branch locked) stays told in
    // the status bar, whatever else it says, until one is recorded again.
    void versionQueNoSeGuardaQuedaALaVista() {
        Maquina m({{"Menus", kMenus}});
        const QString candado = m.categorias() + "/.git/refs/heads/main.lock";
        ayudas::EscribirBytes(candado, "");
        m.abrir("Menus");
        m.editar("a", "cambiado");
        m.guardar();
        QLabel *aviso = m.w->findChild<QLabel *>("lblAvisoBiblioteca");
        QVERIFY(aviso);
        QTRY_VERIFY(aviso->isVisible());
        QVERIFY2(aviso->text().startsWith("Sin historial: "), qPrintable(aviso->text()));
        m.w->MostrarEnEstado("otra cosa");
        QVERIFY(aviso->isVisible());

        QVERIFY(QFile::remove(candado));
        m.editar("b", "también");
        m.guardar();
        QTRY_VERIFY(!aviso->isVisible());
        QCOMPARE(m.enUltima("Menus.rtn"), std::optional<QByteArray>(m.bytes("Menus")));
    }
};

QTEST_MAIN(tst_avisos)
#include "tst_avisos.moc"
