// Smaller ways to act on the wrong thing or lose a setting or a byte, each on the real window or file.
#include "Ayudas.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/frmSplash.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Textos;
using ayudas::ui;

const QByteArray kBom("\xEF\xBB\xBF");

// A real start over the folder (splash, preferences, main window) and a real close; gives the
// panel's entries as the window had them.
QStringList ArrancarYCerrar(ayudas::Carpeta &c) {
    frmSplash splash(c.estado);
    splash.Startup();
    std::unique_ptr<frmPrincipal> w(splash.principal());
    if (!w)
        return {QStringLiteral("(sin ventana)")};
    if (!QTest::qWaitFor([&] { return w->isVisible(); }, 5000))
        return {QStringLiteral("(no se mostró)")};
    const QStringList panel = w->entradasPanel();
    w->close();
    return panel;
}

// The panel written at exit: how many keys "Categorías" the file holds and its value.
struct Cuenta {
    int claves = 0;
    QByteArray valor;
};
Cuenta CuentaEscrita(const QByteArray &ini) {
    Cuenta r;
    const QByteArray clave = "\r\nCategor\xed" "as=";
    for (qsizetype i = ini.indexOf(clave); i >= 0; i = ini.indexOf(clave, i + 1)) {
        ++r.claves;
        const qsizetype desde = i + clave.size();
        r.valor = ini.mid(desde, ini.indexOf("\r\n", desde) - desde);
    }
    return r;
}

// Big code: one line longer than the editor's threshold.
QString LineaGrande() {
    return QStringLiteral("abcdefghij").repeated(EditorCodigo::kGrande / 10 + 2);
}
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
        const auto si = ayudas::Contestar(QMessageBox::Yes); // a reflexive Sí, which finds no question
        ui(v.w)->mnuEliminar->trigger();
        QVERIFY2(!si->visto, qPrintable(si->texto));
        mensajes::VaciarCola();
        QVERIFY(QFile::exists(v.c.estado.rutaCategoria("A")));
        QVERIFY(QFile::exists(v.c.estado.rutaCategoria("C")));
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"A", "C"}));
        QVERIFY(ui(v.w)->lstCat->selectedItems().isEmpty());
        QCOMPARE(ui(v.w)->lstCat->currentItem(), nullptr);
    }

    // Esc in the editor with typed code asks; Enter (the default button), Esc and the question's close
    // box all go back to the script with what was typed. The question says so.
    void descartarPorDefectoConservaLoTecleado_data() {
        QTest::addColumn<int>("respuesta"); // how the question is answered, an ayudas::Gesto
        QTest::newRow("intro") << int(ayudas::Gesto::Intro);
        QTest::newRow("esc") << int(ayudas::Gesto::Esc);
        QTest::newRow("cierre") << int(ayudas::Gesto::Cerrar);
    }
    void descartarPorDefectoConservaLoTecleado() {
        QFETCH(int, respuesta);
        ayudas::VentanaConPreferencias v({{"Menus", Registro("A", "d", "viejo", "1")}});
        v.seleccionar(0);
        auto e = v.editor("Editar");
        e->txtCodigo->setFocus();
        QTest::keyClick(e->txtCodigo, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(e->txtCodigo, " nuevo");
        const auto pregunta = ayudas::Responder(ayudas::Gesto(respuesta));
        QTest::keyClick(e->txtCodigo, Qt::Key_Escape);
        QVERIFY(e->isVisible());
        QCOMPARE(e->textoCodigo(), "viejo nuevo");
        QVERIFY(pregunta->texto.startsWith(QStringLiteral("¿Descartar los cambios del script?")));
        QVERIFY(pregunta->texto.contains(QStringLiteral("No, Esc o cerrar este mensaje: vuelve al script con lo escrito")));
    }

    // A count far beyond the entries ("Categorías=99999") keeps them, written back with their count.
    void cuentaAbsurdaNoVaciaElPanel() {
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(), "[Historial]\r\nAutomatico=0\r\n[Panel]\r\nCategor\xed" "as=99999\r\n"
                                                     "Nombre0=Todas\r\nNombre1=me\r\nNombre2=ja\r\n");
        QCOMPARE(ArrancarYCerrar(c), (QStringList{"Todas", "me", "ja"}));
        const QByteArray escrito = ayudas::LeerBytes(c.estado.rutaConfig());
        QCOMPARE(CuentaEscrita(escrito).valor, QByteArray("3"));
        QVERIFY(escrito.contains("\r\nNombre0=Todas\r\nNombre1=me\r\nNombre2=ja\r\n"));
        QCOMPARE(ArrancarYCerrar(c), (QStringList{"Todas", "me", "ja"}));
    }

    // A config.ini a text editor saved as UTF-8 (with the mark, or without it where nothing else fits)
    // keeps every key with "í", and is written back in Windows-1252 without the mark, each key once.
    void configEnUtf8SeLeeYVuelveEnWindows1252_data() {
        QTest::addColumn<QByteArray>("marca");
        QTest::newRow("con marca") << kBom;
        QTest::newRow("sin marca") << QByteArray();
    }
    void configEnUtf8SeLeeYVuelveEnWindows1252() {
        QFETCH(QByteArray, marca);
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(),
                              marca + "[Categor\xc3\xad" "a]\r\nReemplazar=0\r\nMostrar=me\r\nMostrarTodas=0\r\n\r\n"
                                      "[Panel]\r\nCategor\xc3\xad" "as=3\r\nNombre0=Todas\r\nNombre1=me\r\n"
                                      "Nombre2=Canci\xc3\xb3n\r\n[Historial]\r\nAutomatico=0\r\n");
        QCOMPARE(ArrancarYCerrar(c), (QStringList{"Todas", "me", QStringLiteral("Canción")}));
        QCOMPARE(c.estado.Mostrar, "me");
        QCOMPARE(c.estado.MostrarTodas, 0);
        QCOMPARE(c.estado.Reemplazar, 0);
        const QByteArray escrito = ayudas::LeerBytes(c.estado.rutaConfig());
        QVERIFY(escrito.startsWith("[Categor\xed" "a]\r\nReemplazar=0\r\nMostrar=me\r\nMostrarTodas=0\r\n"));
        QCOMPARE(CuentaEscrita(escrito).claves, 1);
        QCOMPARE(CuentaEscrita(escrito).valor, QByteArray("3"));
        QVERIFY(escrito.contains("\r\nNombre2=Canci\xf3n\r\n"));
        QVERIFY(!escrito.contains("\xc3"));
    }

    // Keys typed over a selection in big code replace it, whichever end the caret is at.
    void teclearSobreSeleccionEnCodigoGrandeLaReemplaza_data() {
        QTest::addColumn<bool>("haciaAtras"); // the caret at the selection's start
        QTest::addColumn<QString>("teclas");
        QTest::newRow("una tecla") << false << "z";
        QTest::newRow("una tecla, cursor al principio") << true << "z";
        QTest::newRow("varias seguidas") << false << "xyz";
        QTest::newRow("varias seguidas, cursor al principio") << true << "xyz";
    }
    void teclearSobreSeleccionEnCodigoGrandeLaReemplaza() {
        QFETCH(bool, haciaAtras);
        QFETCH(QString, teclas);
        const QString linea = LineaGrande();
        EditorCodigo c;
        c.resize(600, 300);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.ponerTexto(linea);
        c.setFocus();
        QVERIFY(c.grande());
        const int desde = 1000, hasta = 1100;
        if (haciaAtras)
            c.SendScintilla(QsciScintillaBase::SCI_SETSEL, hasta, desde);
        else
            c.SendScintilla(QsciScintillaBase::SCI_SETSEL, desde, hasta);
        QVERIFY(c.hasSelectedText());
        QTest::keyClicks(&c, teclas);
        QCoreApplication::processEvents(); // what waited for the keys after it has gone in
        const QString texto = c.texto();
        // Around the selection's place, then the whole: a failure names the few characters that differ.
        QCOMPARE(texto.mid(desde - 3, teclas.size() + 6), linea.mid(desde - 3, 3) + teclas + linea.mid(hasta, 3));
        QCOMPARE(texto.size(), linea.size() - (hasta - desde) + teclas.size());
        QVERIFY(texto == linea.left(desde) + teclas + linea.mid(hasta));
        QCOMPARE(c.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), long(desde + teclas.size()));
    }

    // A Windows-1252 category opened after a UTF-8 one, changed and saved: still Windows-1252, every
    // byte of the scripts that were there kept, the new one in its bytes, no mark.
    void windows1252TrasUtf8SigueSiendoWindows1252() {
        QByteArray altos;
        for (int b = 0x80; b <= 0xFF; ++b)
            altos.append(char(b));
        const QByteArray uni = kBom + Registro("Lambda", "d", "\xce\xbb", "1");
        const QByteArray menus = Registro("Men\xfa", "Descripci\xf3n", altos, "1");
        ayudas::VentanaConPreferencias v({{"Uni", uni}, {"Menus", menus}}, "Uni");
        QCOMPARE(Textos(ui(v.w)->lstScripts), QStringList{"Lambda"});
        v.abrir("Menus");
        QCOMPARE(Textos(ui(v.w)->lstScripts), QStringList{QStringLiteral("Menú")});
        auto e = v.editor("Agregar", {"Nuevo", QStringLiteral("cañón €"), "2", QStringLiteral("é")});
        ayudas::Pulsar(*e, 7);
        QVERIFY(!e->isVisible());
        QCOMPARE(v.guardar("Menus"), menus + Registro("Nuevo", "ca\xf1\xf3n \x80", "\xe9", "2"));
        QCOMPARE(v.archivo("Uni"), uni);
    }
};

QTEST_MAIN(tst_detalles)
#include "tst_detalles.moc"
