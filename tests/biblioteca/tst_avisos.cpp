// What leaves the library unversioned or unsearchable stays in the status bar until it clears.
#include "../historial/Maquina.h"

#include <QLabel>
#include <QStatusBar>

namespace {
const QVector<Script> kMenus{Rec("a", "1"), Rec("b", "2")};

QLabel *Aviso(const Maquina &m) { return m.w->findChild<QLabel *>("lblAvisoBiblioteca"); }
} // namespace

class tst_avisos : public QObject {
    Q_OBJECT
  private slots:
    // Another git program holds the branch locked: the version cannot be recorded, the status bar
    // says so, other messages do not hide it, and it goes once a version is recorded again.
    void versionQueNoSeGuardaQuedaALaVista() {
        Maquina m({{"Menus", kMenus}});
        const QString candado = m.categorias() + "/.git/refs/heads/main.lock";
        ayudas::EscribirBytes(candado, "");
        m.abrir("Menus");
        m.editar("a", "cambiado");
        m.guardar();
        QLabel *aviso = Aviso(m);
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
