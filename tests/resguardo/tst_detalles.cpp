// Smaller ways to act on the wrong thing or lose a setting, each on the real window or file: a
// category removed by another program, the editor's discard question, a broken or UTF-8 config.ini;
// and what the quick window, big code and a category's encoding must keep.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "search/Indexador.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/frmSplash.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscarBiblioteca.h"
#include "ui/tools/frmBusquedaRapida.h"

#include <QProcess>
#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Textos;
using ayudas::ui;

// While it lives, every message box is answered Sí, as a reflex does, and its text kept.
class SiATodo {
public:
    SiATodo() {
        anterior_ = mensajes::SinRespuesta([this](QWidget *w) {
            if (auto *caja = qobject_cast<QMessageBox *>(w))
                textos << caja->text();
            return int(QMessageBox::Yes);
        });
    }
    ~SiATodo() { mensajes::SinRespuesta(anterior_); }
    QStringList textos;

private:
    mensajes::Respuesta anterior_;
};

} // namespace

class tst_detalles : public QObject {
    Q_OBJECT
private slots:
    void init() { mensajes::VaciarCola(); }
    void cleanup() {
        QCOMPARE(mensajes::Pendientes(), 0);
        mensajes::VaciarCola();
    }

    // Another program removes the selected category's file: the row leaves and no other row takes the
    // selection, so a reflexive "Eliminar" and Sí that follow delete nothing.
    void categoriaQueSeVaNoDejaSuSeleccionAOtra() {
        ayudas::VentanaPrincipal v({{"A", Registro("a", "", "", "")},
                                    {"B", Registro("b", "", "", "")},
                                    {"C", Registro("c", "", "", "")}});
        v.seleccionar("B");
        QCOMPARE(ui(v.w)->lstCat->currentItem()->text(0), "B");
        QCOMPARE(QProcess::execute("rm", {v.c.estado.rutaCategoria("B")}), 0);
        QTRY_COMPARE(Textos(ui(v.w)->lstCat), (QStringList{"A", "C"}));
        {
            SiATodo si;
            ui(v.w)->mnuEliminar->trigger();
            QCOMPARE(si.textos, QStringList{});
        }
        QVERIFY(QFile::exists(v.c.estado.rutaCategoria("A")));
        QVERIFY(QFile::exists(v.c.estado.rutaCategoria("C")));
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"A", "C"}));
        QVERIFY(ui(v.w)->lstCat->selectedItems().isEmpty());
        QCOMPARE(ui(v.w)->lstCat->currentItem(), nullptr);
    }

    // Esc in the editor with typed code asks; Enter (the default button), Esc and the question's close
    // box all go back to the script with what was typed. The question says so.
    void descartarPorDefectoConservaLoTecleado_data() {
        QTest::addColumn<QString>("respuesta"); // how the question is answered
        QTest::newRow("intro") << "intro";
        QTest::newRow("esc") << "esc";
        QTest::newRow("cierre") << "cierre";
    }
    void descartarPorDefectoConservaLoTecleado() {
        QFETCH(QString, respuesta);
        ayudas::VentanaConPreferencias v({{"Menus", Registro("A", "d", "viejo", "1")}});
        v.seleccionar(0);
        auto e = v.editor("Editar");
        e->txtCodigo->setFocus();
        QTest::keyClick(e->txtCodigo, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(e->txtCodigo, " nuevo");
        QString texto;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *caja = qobject_cast<QMessageBox *>(w);
            QVERIFY(caja);
            texto = caja->text();
            if (respuesta == "intro")
                QTest::keyClick(caja, Qt::Key_Return);
            else if (respuesta == "esc")
                QTest::keyClick(caja, Qt::Key_Escape);
            else
                caja->close();
        });
        QTest::keyClick(e->txtCodigo, Qt::Key_Escape);
        QVERIFY(e->isVisible());
        QCOMPARE(e->textoCodigo(), "viejo nuevo");
        QVERIFY(texto.startsWith(QStringLiteral("¿Descartar los cambios del script?")));
        QVERIFY(texto.contains(QStringLiteral("No, Esc o cerrar este mensaje: vuelve al script con lo escrito")));
    }

};

QTEST_MAIN(tst_detalles)
#include "tst_detalles.moc"
