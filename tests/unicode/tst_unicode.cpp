// Any character in a script, on the real main window and editor; and the code's font, the script
// list's columns, the window's place and other small frictions.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmMover.h"

#include <QPrinterInfo>
#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Pulsar;
using ayudas::Registro;
using ayudas::ui;

const QByteArray kBom("\xEF\xBB\xBF");
QString U(const char *utf8) { return QString::fromUtf8(utf8); }

// The main window over its own folder, with the category "Menus" (or the one named) open.
using Ventana = ayudas::VentanaConPreferencias;

using Utf8 = QByteArray; // the bytes of a literal, which this file spells in UTF-8
} // namespace

class tst_unicode : public QObject {
    Q_OBJECT
private slots:
    void init() { mensajes::VaciarCola(); }

    // A character Windows-1252 cannot hold asks; Sí turns the whole category to UTF-8 at the next save.
    void siGuardaLaCategoriaEnUtf8() {
        Ventana v({{"Menus", Registro("Viejo", "Descripci\xf3n", "// \xe9 \x80", "1")}});
        auto e = v.editor("Agregar", {"Nuevo", "d", "1", U("// λ → ✓ Ω")});
        ayudas::Mensaje pregunta;
        ayudas::ContestarMensaje(QMessageBox::Yes, &pregunta);
        Pulsar(*e, 7);
        QVERIFY(pregunta.texto.contains(QStringLiteral("Unicode (UTF-8)")));
        QVERIFY(pregunta.texto.contains(QStringLiteral("mostrarán mal")));
        QCOMPARE(pregunta.icono, QMessageBox::Question);
        QVERIFY(!e->isVisible());
        QCOMPARE(v.guardar(), kBom + Registro("Viejo", Utf8("Descripción"), Utf8("// é €"), "1") +
                                  Registro("Nuevo", "d", Utf8("// λ → ✓ Ω"), "1"));
    }

    // No keeps today's refusal, naming each character once, and the category is not asked about again.
    void noRechazaYNoVuelveAPreguntar() {
        const QByteArray antes = Registro("Viejo", "d", "\xe9", "1");
        Ventana v({{"Menus", antes}});
        auto e = v.editor("Agregar", {"Nuevo", "d", "1", U("// λ → ✓ Ω λ")});
        ayudas::Mensaje pregunta, rechazo;
        ayudas::ContestarMensaje(QMessageBox::No, &pregunta);
        ayudas::ContestarMensaje(QMessageBox::Ok, &rechazo);
        Pulsar(*e, 7);
        QVERIFY(pregunta.visto);
        QCOMPARE(rechazo.texto.section('\n', 0, 0),
                 U("Estos caracteres no se pueden guardar en el archivo de la categoría: λ → ✓ Ω"));
        QVERIFY(e->isVisible());
        ayudas::Mensaje otra;
        ayudas::ContestarMensaje(QMessageBox::Ok, &otra);
        Pulsar(*e, 7);
        QCOMPARE(otra.icono, QMessageBox::Warning);
        QVERIFY(otra.texto.startsWith(U("Estos caracteres no se pueden guardar")));
        QCOMPARE(mensajes::Pendientes(), 0);
        ayudas::ContestarMensaje(QMessageBox::Yes); // what was typed goes
        e->close();
        QCOMPARE(v.archivo("Menus"), antes);
    }

    // Esc on the question leaves the window open with what was typed, and the category as it was.
    void escNoPierdeNada() {
        Ventana v({{"Menus", Registro("Viejo", "d", "c", "1")}});
        auto e = v.editor("Editar");
        e->ponerCodigo(U("λ"));
        ayudas::ContestarMensaje(QMessageBox::Cancel);
        Pulsar(*e, 7);
        QVERIFY(e->isVisible());
        QCOMPARE(e->textoCodigo(), U("λ"));
        QVERIFY(!ayudas::HayCambios(*v.w));
    }

    // A category that is UTF-8 already takes any character without a question, and keeps its mark.
    void utf8AbiertaNoPregunta() {
        const QByteArray antes = kBom + Registro("\xce\xbb", "d", "x", "1");
        Ventana v({{"Menus", antes}});
        auto e = v.editor("Agregar", {U("Ω"), "d", "1", U("✓ 😀")});
        Pulsar(*e, 7);
        QCOMPARE(mensajes::Pendientes(), 0);
        QVERIFY(!e->isVisible());
        QCOMPARE(v.guardar(), antes + Registro(Utf8("Ω"), "d", Utf8("✓ 😀"), "1"));
    }

    // Moving between the two: what the target cannot hold is refused by name, nothing lost; what it
    // can is written in the target's own encoding.
    void moverEntreCodificaciones() {
        const QByteArray viejo = Registro("Acento", "\xe9", "\xf1", "1");
        const QByteArray nuevo = kBom + Registro("Lambda", "d", "\xce\xbb", "1");
        Ventana v({{"Menus", viejo}, {"Uni", nuevo}}, "Uni");
        auto mover = [&](const QString &destino, ayudas::Mensaje *aviso) {
            v.seleccionar(0);
            ayudas::AlAbrirseModal([&, destino, aviso](QWidget *w) {
                auto *dlg = qobject_cast<frmMover *>(w);
                QVERIFY(dlg);
                ayudas::Elegir(dlg->cboImagen, destino);
                if (aviso)
                    ayudas::ContestarMensaje(QMessageBox::Ok, aviso);
                QTest::mouseClick(dlg->cmdPegar, Qt::LeftButton);
            });
            v.w->CopiarS();
        };
        ayudas::Mensaje aviso;
        mover("Menus", &aviso);
        QVERIFY(aviso.texto.contains(U("no se pueden guardar en el archivo de esa categoría: λ")));
        QCOMPARE(v.archivo("Menus"), viejo);
        QCOMPARE(ayudas::Textos(ui(v.w)->lstScripts), QStringList{"Lambda"});

        v.abrir("Menus");
        mover("Uni", nullptr);
        QCOMPARE(v.archivo("Uni"), nuevo + Registro("Acento", Utf8("é"), Utf8("ñ"), "1"));
    }

    // The preview is written in the encoding it declares, or else the category's.
    void vistaPreviaEnSuCodificacion_data() {
        QTest::addColumn<QByteArray>("categoria");
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QByteArray>("archivo");
        const QString html5 = U("<!DOCTYPE html>\n<meta charset=\"utf-8\"><p>Título λ → ✓ €</p>");
        QTest::newRow("declara utf-8, categoría windows-1252")
            << QByteArray() << 0 << html5 << QString(html5).replace("\n", "\r\n").toUtf8() + "\r\n";
        QTest::newRow("envuelta, categoría utf-8")
            << kBom << 1 << U("Título λ") << kBom + Utf8("<html><body><pre>\r\nTítulo λ\r\n</pre></body></html>\r\n");
    }
    void vistaPreviaEnSuCodificacion() {
        QFETCH(QByteArray, categoria);
        QFETCH(int, tag);
        QFETCH(QString, codigo);
        QFETCH(QByteArray, archivo);
        ayudas::Navegador escritorio(true); // the desktop's handler of files too
        Ventana v({{"Menus", categoria + Registro("Nom", "d", "c", "1")}});
        v.c.estado.Tag = tag;
        v.c.estado.Extension = "html";
        auto e = v.editor("Ver");
        e->ponerCodigo(codigo);
        Pulsar(*e, 5);
        QCOMPARE(escritorio.abiertas.size(), 1);
        QCOMPARE(ayudas::LeerBytes(v.c.ruta("Exportar/Temp.html")), archivo);
    }

    void sinProgramaQueAbraLaVistaPrevia() {
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::tempPath())))
            QSKIP("Este escritorio tiene un programa que abre archivos: no se puede probar su falta");
        Ventana v({{"Menus", Registro("Nom", "d", "c", "1")}});
        auto e = v.editor("Ver");
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        Pulsar(*e, 5);
        QVERIFY(aviso.texto.contains(U("ningún programa pudo abrirla")));
        QVERIFY(QFileInfo::exists(v.c.ruta("Exportar/Temp.html")));
    }

    // Code starts in the system's fixed-width font; the menu offers every fixed-width family
    // installed; one chosen is the next window's too.
    void lasFijasInstaladas() {
        Ventana v({{"Menus", Registro("Nom", "d", "c", "1")}});
        auto e = v.editor("Ver");
        QVERIFY(QFontInfo(e->txtCodigo->font()).fixedPitch());
        QCOMPARE(e->txtCodigo->font().family(), EditorCodigo::FijaDelSistema().family());
        QVERIFY(e->mnuFijaSistema->isChecked());
        for (QAction *a : e->mnuFuente)
            QVERIFY(!a->isChecked());
        QStringList ofrecidas;
        for (QAction *a : e->mnuFijas) {
            ofrecidas << a->text();
            QVERIFY2(QFontDatabase::isFixedPitch(a->text()), qPrintable(a->text()));
        }
        if (ofrecidas.isEmpty())
            QSKIP("No hay ninguna familia de ancho fijo instalada para elegir");
        e->mnuFijas.last()->trigger();
        QCOMPARE(e->txtCodigo->font().family(), ofrecidas.last());
        QVERIFY(e->mnuFijas.last()->isChecked());
        QVERIFY(!e->mnuFijaSistema->isChecked());
        e->close();
        auto otra = v.editor("Ver");
        QCOMPARE(otra->txtCodigo->font().family(), ofrecidas.last());
        QVERIFY(otra->mnuFijas.last()->isChecked());
    }

    // The old names stay; one not installed becomes the family shown in its place, which the field
    // then measures and draws alike.
    void nombresQueNoEstanInstalados_data() {
        QTest::addColumn<int>("entrada");
        for (int i = 0; i < 6; ++i)
            QTest::addRow("%d", i) << i;
    }
    void nombresQueNoEstanInstalados() {
        QFETCH(int, entrada);
        Ventana v({{"Menus", Registro("Nom", "d", "c", "1")}});
        auto e = v.editor("Ver");
        e->mnuFuente[entrada]->trigger();
        const QFont f = e->txtCodigo->font();
        QVERIFY2(QFontDatabase::hasFamily(f.family()), qPrintable(f.family()));
        QCOMPARE(QFontInfo(f).family(), f.family());
        QVERIFY(e->mnuFuente[entrada]->isChecked());
        QVERIFY(!e->mnuFijaSistema->isChecked());
    }

    // After a change of font the field measures a line as the new font does.
    void cambiarLaFuenteRedibujaBien() {
        Ventana v({{"Menus", Registro("Nom", "d", "iiiiiiiiii WWWWWWWWWW mmmmmmmmmm", "1")}});
        auto e = v.editor("Ver");
        QTest::qWait(0);
        e->mnuFuente[5]->trigger();
        QApplication::processEvents();
        EditorCodigo *c = e->txtCodigo;
        const QString linea = c->text(0);
        const long fin = c->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, 0);
        const long x0 = c->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, 0L);
        const long x1 = c->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, fin);
        const double esperado = QFontMetricsF(c->font()).horizontalAdvance(linea);
        QVERIFY2(std::abs((x1 - x0) - esperado) <= linea.size() * 0.5 + 2,
                 qPrintable(QStringLiteral("%1 frente a %2").arg(x1 - x0).arg(esperado)));
    }

    void laColumnaDelNombreCreceConLaVentana() {
        Ventana v({{"Menus", Registro("Copiar al portapapeles (otra copia)", "d", "c", "1")}});
        QHeaderView *cabecera = ui(v.w)->lstScripts->header();
        v.w->resize(700, 500);
        QApplication::processEvents();
        const int nombre = cabecera->sectionSize(vista::ColNombre);
        const int descripcion = cabecera->sectionSize(vista::ColDescripcion);
        const int puntaje = cabecera->sectionSize(vista::ColPuntaje);
        v.w->resize(1100, 500);
        QApplication::processEvents();
        QCOMPARE(cabecera->sectionSize(vista::ColNombre), nombre + 400);
        QCOMPARE(cabecera->sectionSize(vista::ColDescripcion), descripcion);
        QCOMPARE(cabecera->sectionSize(vista::ColPuntaje), puntaje);
        // All the room is used: the columns fill the list.
        QCOMPARE(cabecera->length(), ui(v.w)->lstScripts->viewport()->width());
    }

    void anchoArrastradoSeConserva() {
        Ventana v({{"Menus", Registro("Uno", "d", "c", "1")}});
        QHeaderView *cabecera = ui(v.w)->lstScripts->header();
        v.w->resize(900, 500);
        QApplication::processEvents();
        // The user drags the right edge of the description column.
        const int antes = cabecera->sectionSize(vista::ColDescripcion);
        const int x = cabecera->sectionViewportPosition(vista::ColDescripcion) + antes - 1;
        QTest::mousePress(cabecera->viewport(), Qt::LeftButton, {}, QPoint(x, cabecera->height() / 2));
        QTest::mouseMove(cabecera->viewport(), QPoint(x - 60, cabecera->height() / 2));
        QTest::mouseRelease(cabecera->viewport(), Qt::LeftButton, {}, QPoint(x - 60, cabecera->height() / 2));
        const int arrastrado = cabecera->sectionSize(vista::ColDescripcion);
        QVERIFY(arrastrado < antes);
        v.w->resize(1000, 520);
        v.w->showMaximized();
        QApplication::processEvents();
        QCOMPARE(cabecera->sectionSize(vista::ColDescripcion), arrastrado);
    }

    void laVentanaVuelveDondeSeDejo_data() {
        QTest::addColumn<bool>("maximizada");
        QTest::newRow("normal") << false;
        QTest::newRow("maximizada") << true;
    }
    void laVentanaVuelveDondeSeDejo() {
        QFETCH(bool, maximizada);
        Ventana v({{"Menus", Registro("Uno", "d", "c", "1")}});
        v.w->setGeometry(QRect(40, 50, 777, 555));
        QApplication::processEvents();
        const QRect dejada = v.w->geometry();
        if (maximizada)
            v.w->showMaximized();
        QApplication::processEvents();
        v.w->close();
        Estado otro;
        otro.carpeta = v.c.estado.carpeta;
        mdlINI::CargarPreferencias(otro);
        frmPrincipal w(otro);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.isMaximized(), maximizada);
        if (!maximizada)
            QCOMPARE(w.geometry(), dejada);
        else
            QCOMPARE(w.normalGeometry().size(), dejada.size());
    }

    void introAbreElScriptParaVer() {
        Ventana v({{"Menus", Registro("Uno", "d", "c", "1") + Registro("Dos", "d2", "c2", "2")}});
        v.seleccionar(1);
        ui(v.w)->lstScripts->setFocus();
        QTest::keyClick(ui(v.w)->lstScripts, Qt::Key_Return);
        frmScript *ver = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *e = qobject_cast<frmScript *>(w); e && e->isVisible())
                ver = e;
        QVERIFY(ver);
        QCOMPARE(ver->txtNombre->text(), QStringLiteral("Dos"));
        QVERIFY(ver->txtNombre->isReadOnly());
        ver->close();
    }

    void imprimirSinImpresoraOfreceUnPdf() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("Hay una impresora predeterminada: la falta de impresora no se puede probar aquí");
        Ventana v({{"Menus", Registro("Uno", "Descripci\xf3n", "l\xednea *RTN*", "1")}});
        auto e = v.editor("Ver");
        const QString pdf = v.c.ruta("script.pdf");
        ayudas::Mensaje pregunta;
        ayudas::ContestarMensaje(QMessageBox::Yes, &pregunta);
        ayudas::ElegirArchivo(pdf);
        Pulsar(*e, 3);
        QVERIFY(pregunta.texto.startsWith(U("No hay ninguna impresora instalada. ¿Desea imprimir el script en un archivo PDF?")));
        QVERIFY(ayudas::LeerBytes(pdf).startsWith("%PDF"));
        QVERIFY(ui(v.w)->barEstado->currentMessage().contains("script.pdf"));
    }

    // Copiar, Imprimir and Exportar answer on the toolbar of the add and edit windows as in the menu.
    void barraDelEditorComoSuMenu_data() {
        QTest::addColumn<QString>("modo");
        QTest::newRow("Agregar") << "Agregar";
        QTest::newRow("Editar") << "Editar";
        QTest::newRow("Ver") << "Ver";
    }
    void barraDelEditorComoSuMenu() {
        QFETCH(QString, modo);
        Ventana v({{"Menus", Registro("Uno", "d", "codigo", "1")}});
        auto e = v.editor(modo, modo == "Agregar" ? QStringList{"N", "d", "1", "nuevo"} : QStringList{});
        const std::pair<int, QAction *> pares[] = {{1, e->mnuCopiar}, {3, e->mnuImprimir}, {5, e->mnuExportar}};
        for (const auto &[posicion, menu] : pares)
            QCOMPARE(e->boton(posicion)->isEnabled(), menu->isEnabled());
        Pulsar(*e, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), modo == "Agregar" ? QStringLiteral("nuevo") : QStringLiteral("codigo"));
    }

};

QTEST_MAIN(tst_unicode)
#include "tst_unicode.moc"
