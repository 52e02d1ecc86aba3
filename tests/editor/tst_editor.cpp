// The script editor on the real main window: its three modes, committing, the key filters, the
// stored form of the code, export and preview, fonts, clipboard, printing and the resize rules.
#include "Ayudas.h"
#include "format/Etiquetas.h"
#include "format/Lenguaje.h"
#include "ui/editor/DisposicionScript.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmExportar.h"
#include "ui/editor/frmScript.h"
#include "ui/Mensajes.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <Qsci/qscilexer.h>
#include <QtWidgets>
#include <QPrinter>
#include <QPrinterInfo>
#include <QtTest>

namespace {
using ayudas::Pulsar;
using ayudas::Registro;
using ayudas::ui;

// The script list: the names, the selected row, and whether changes are pending with "Guardar" on.
enum Cambios { Guardada, Pendiente, SinGuardar /* pending, but nothing to save them with */ };
using Lista = std::tuple<QStringList, int, Cambios>;
// The fields as the user sees them: name, description, score, code.
using CamposScript = std::tuple<QString, QString, QString, QString>;
// What an editor window offers: the toolbar positions that answer, how many fields refuse typing,
// and whether the tags box and menu are on.
using ControlesEditor = std::tuple<QList<int>, int, bool, bool>;

// A main window over its own folder with the category "Menus" open; not shown, so the editor keeps
// the keyboard.
struct Ventana : ayudas::VentanaConPreferencias {
    explicit Ventana(const QByteArray &datos) : VentanaConPreferencias({{"Menus", datos}}, "Menus", false) {}
    Lista lista() const {
        const bool guardar = ui(w)->mnuGuardar->isEnabled() && ui(w)->botonMenu("guardar")->isEnabled();
        return {ayudas::Textos(ui(w)->lstScripts), ui(w)->lstScripts->filaActual(),
                !ayudas::HayCambios(*w) ? Guardada : guardar ? Pendiente : SinGuardar};
    }
};

CamposScript Campos(const frmScript &e) {
    return {e.txtNombre->text(), e.txtDes->text(), e.txtPuntaje->text(), e.textoCodigo()};
}

// "Aceptar" when a warning is expected: the warning shown (its first line), the window left open.
ayudas::Mensaje Rechazo(frmScript &e) {
    const auto m = ayudas::Contestar(QMessageBox::Ok);
    Pulsar(e, 7);
    // Anything but a warning leaves no text to compare.
    m->texto = m->icono == QMessageBox::Warning ? m->texto.section('\n', 0, 0) : QString();
    return *m;
}

ControlesEditor Controles(const frmScript &e) {
    QList<int> botones;
    for (int pos = 1; pos <= 11; pos += 2)
        if (e.boton(pos)->isEnabled())
            botones << pos;
    return {botones,
            e.txtNombre->isReadOnly() + e.txtDes->isReadOnly() + e.txtPuntaje->isReadOnly() + e.txtCodigo->isReadOnly(),
            e.cheIncluir->isEnabled(), e.mnuTags->isEnabled()};
}

// Verdana, or the family the system shows in its place where it is missing.
QString Verdana() {
    return QFontDatabase::hasFamily("Verdana") ? QStringLiteral("Verdana") : QFontInfo(QFont("Verdana")).family();
}
} // namespace

class tst_editor : public QObject {
    Q_OBJECT
private slots:
    void modos() {
        Ventana v(Registro("Uno", "d1", "x=*RTN*1*RTN*", "1") + Registro("Dos", "d2", "c2", "2"));
        v.c.estado.IncluirTags = 0;
        // Adding and editing go through the main window's commands, modal; cancelled, nothing changes.
        const std::tuple<void (frmPrincipal::*)(), QString, ControlesEditor, CamposScript> casos[] = {
            {&frmPrincipal::AgregarS, "Agregar", {{1, 3, 5, 7, 9}, 0, true, true}, {}},
            {&frmPrincipal::EditarS, "Dos", {{1, 3, 5, 7, 9}, 0, false, false}, {"Dos", "d2", "2", "c2"}}};
        for (const auto &[orden, titulo, controles, campos] : casos) {
            v.seleccionar(1);
            ayudas::AlAbrirseModal([&](QWidget *m) {
                auto *e = qobject_cast<frmScript *>(m);
                QVERIFY(e);
                QCOMPARE(e->windowTitle(), titulo);
                QCOMPARE(Controles(*e), controles);
                QCOMPARE(Campos(*e), campos);
                Pulsar(*e, 9);
            });
            (v.w.get()->*orden)();
        }
        QCOMPARE(v.lista(), (Lista{{"Uno", "Dos"}, 1, Guardada}));

        // "Ver": a modeless window each time, read-only, the focus parked away from the fields,
        // keeping the script as it was when it opened.
        v.w->show();
        v.w->VerS();
        v.seleccionar(0);
        v.w->VerS();
        QVERIFY(!QApplication::activeModalWidget());
        const auto ventanas = v.w->findChildren<frmScript *>();
        QCOMPARE(ventanas.size(), 2);
        frmScript *uno = ventanas[1];
        QCOMPARE(uno->focusWidget(), uno->Parar);
        v.w->categoria().Eliminar(0);
        QCOMPARE(uno->windowTitle(), QStringLiteral("Uno"));
        QCOMPARE(Controles(*uno), (ControlesEditor{{1, 3, 5, 11}, 4, false, false}));
        QCOMPARE(Campos(*uno), (CamposScript{"Uno", "d1", "1", "x=\"1\""}));
        QTest::keyClick(uno->txtCodigo, Qt::Key_Escape); // Esc closes a view
        ventanas[0]->close();
        QTRY_VERIFY(v.w->findChildren<frmScript *>().isEmpty()); // a closed view is gone
        v.w->categoria().Restaurar({}); // an empty list opens nothing for editing or viewing
        v.w->EditarS();
        v.w->VerS();
        QVERIFY(v.w->findChildren<frmScript *>().isEmpty());
    }

    void agregar() {
        Ventana v(Registro("Viejo", "d", "c", "1"));
        const QString esqueleto = etiquetas::Principales(QStringLiteral("html"));
        // Committed: trimmed, a pasted quote turned to a space, appended and selected, stored with CR LF.
        Pulsar(*v.editor("Agregar", {"  Nue\"vo  ", "Una desc", "7", QString(esqueleto).replace("\r\n", "\n")}), 7);
        QCOMPARE(v.lista(), (Lista{{"Viejo", "Nue vo"}, 1, Pendiente}));
        QCOMPARE(ui(v.w)->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 2"));
        QCOMPARE(v.guardar(),
                 Registro("Viejo", "d", "c", "1") + Registro("Nue vo", "Una desc", esqueleto.toLatin1(), "7"));
        // A name of spaces only passes the check and is stored empty.
        Pulsar(*v.editor("Agregar", {"   ", "x", "1", "c"}), 7);
        QCOMPARE(v.lista(), (Lista{{"Viejo", "Nue vo", ""}, 2, Pendiente}));
    }

    // Any empty field refuses, naming what is missing, and the window keeps what was typed. (Each
    // field's name is in the row with all four.)
    void camposVaciosNombrados_data() {
        QTest::addColumn<QStringList>("campos");
        QTest::addColumn<QString>("falta");
        QTest::newRow("código") << QStringList{"N", "d", "1", ""} << "Falta: Código.";
        QTest::newRow("dos") << QStringList{"", "d", "1", ""} << "Faltan: Nombre, Código.";
        QTest::newRow("todos") << QStringList{"", "", "", ""} << "Faltan: Nombre, Descripción, Puntaje, Código.";
    }
    void camposVaciosNombrados() {
        QFETCH(QStringList, campos);
        QFETCH(QString, falta);
        Ventana v(Registro("Viejo", "d", "c", "1"));
        auto e = v.editor("Agregar", campos);
        const ayudas::Mensaje m = Rechazo(*e);
        QCOMPARE(m.titulo, QStringLiteral("Agregar"));
        QCOMPARE(m.texto, "Por favor, complete todos los campos. " + falta);
        QCOMPARE(Campos(*e), (CamposScript{campos[0], campos[1], campos[2], campos[3]}));
        QCOMPARE(v.lista(), (Lista{{"Viejo"}, 0, Guardada}));
    }

    void editarYOrdenar() {
        Ventana v(Registro("a", "d", "c", "1") + Registro("b", "viejo", "c", "2") + Registro("c", "d", "c", "3"));
        ui(v.w)->lstScripts->setSortingEnabled(true); // the option, not the list, decides
        Pulsar(*v.editor("Editar", {"ZZ", "d", "2", "c"}), 7);
        QCOMPARE(v.lista(), (Lista{{"ZZ", "b", "c"}, 0, Pendiente}));
        v.seleccionar(2); // all fields emptied: committed as an empty script
        Pulsar(*v.editor("Editar", {"", "", "", ""}), 7);
        QCOMPARE(v.fila(2), Script{});
        // Sorted, a new script with a name already there goes after it, and the first is selected.
        v.w->setOpcionMarcada(1, true);
        Pulsar(*v.editor("Agregar", {"b", "nuevo", "2", "x"}), 7);
        QCOMPARE(v.lista(), (Lista{{"", "b", "b", "ZZ"}, 1, Pendiente}));
        QCOMPARE(v.fila(1).Descripcion, QStringLiteral("viejo"));
        QCOMPARE(v.fila(2).Descripcion, QStringLiteral("nuevo"));
        v.seleccionar(0); // an edited script moves to its sorted place, still selected
        Pulsar(*v.editor("Editar", {"y", "d", "1", "c"}), 7);
        QCOMPARE(v.lista(), (Lista{{"b", "b", "y", "ZZ"}, 2, Pendiente}));
    }

    // What each field lets through as it is typed: two digits of score, no separators or quotes in
    // the name and description, anything in the code. A new script starts empty where there is no
    // skeleton for the extension.
    void filtrosAlTeclear() {
        Ventana v({});
        v.c.estado.IncluirTags = 1;
        v.c.estado.Extension = QStringLiteral("HTML");
        auto e = v.editor("Agregar");
        QVERIFY(e->textoCodigo().isEmpty());
        const std::tuple<QWidget *, const char *, CamposScript> casos[] = {
            {e->txtPuntaje, "1a-+ 2", {"", "", "12", ""}},
            {e->txtPuntaje, "3", {"", "", "12", ""}}, // two digits at most
            {e->txtPuntaje, "\b", {"", "", "1", ""}},
            {e->txtNombre, "a*b,c\"d e", {"abcd e", "", "1", ""}},
            {e->txtDes, "x,\"y*", {"abcd e", "xy", "1", ""}},
            {e->txtCodigo, "f(\"a\", *b)", {"abcd e", "xy", "1", "f(\"a\", *b)"}}};
        for (const auto &[campo, teclas, queda] : casos) {
            QTest::keyClicks(campo, teclas);
            QCOMPARE(Campos(*e), queda);
        }
        e->txtPuntaje->selectAll();
        QTest::keyClicks(e->txtPuntaje, "98"); // replacing the selection is not a third digit
        QCOMPARE(e->txtPuntaje->text(), QStringLiteral("98"));
    }

    // The code fills the window's width as it grows; however small, no area gets a negative size.
    void ventanaSigueSuTamano() {
        Ventana v({});
        auto e = v.editor("Agregar");
        const int ancho = e->txtCodigo->width();
        e->resize(e->width() + 200, e->height());
        QTRY_VERIFY(qAbs(e->txtCodigo->width() - (ancho + 200)) <= 1);
        for (QSize t : {QSize(0, 0), QSize(300, 200), QSize(-10, -10)}) {
            const auto p = disposicionScript::Calcular(t.width(), t.height());
            for (const QRect &r : {p.barMenu, p.lin0, p.txtNombre, p.txtDes, p.txtCodigo})
                QVERIFY(r.width() >= 0 && r.height() >= 0);
        }
    }

    // The tags box, its menu entry and the preference go together; ticking fills only an empty code,
    // unticking keeps the skeleton; a cancelled window leaves the preference as touched.
    void casillaDeEtiquetas() {
        Ventana v({});
        v.c.estado.IncluirTags = 1;
        v.c.estado.Extension = QStringLiteral("php");
        auto f = v.editor("Agregar");
        const QString php = f->textoCodigo();
        QVERIFY(php.startsWith(QStringLiteral("<html>\n")));
        auto comprobar = [&](bool marcada, const QString &codigo) {
            QCOMPARE(f->cheIncluir->isChecked(), marcada);
            QCOMPARE(f->mnuTags->isChecked(), marcada);
            QCOMPARE(v.c.estado.IncluirTags, int(marcada));
            QCOMPARE(f->textoCodigo(), codigo);
        };
        QTest::mouseClick(f->cheIncluir, Qt::LeftButton);
        comprobar(false, php);
        f->ponerCodigo(QStringLiteral("mio"));
        f->mnuTags->trigger();
        comprobar(true, QStringLiteral("mio"));
        f->ponerCodigo(QString());
        QTest::mouseClick(f->cheIncluir, Qt::LeftButton);
        QTest::mouseClick(f->cheIncluir, Qt::LeftButton);
        comprobar(true, php);
        Pulsar(*f, 11);
        QCOMPARE(v.c.estado.IncluirTags, 1);
    }

    void comillasYCaracteres() {
        Ventana v(Registro("A", "d", "0", "1") + Registro("B", "d", "<a href=*RTN*x*RTN*>\r\n\tdos *RTN*\r\n", "55"));
        const QByteArray original = ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus"));
        v.seleccionar(1);
        auto e = v.editor("Editar");
        QCOMPARE(e->textoCodigo(), QStringLiteral("<a href=\"x\">\n\tdos \"\n"));
        Pulsar(*e, 7); // unchanged: the category file comes back byte for byte
        QCOMPARE(v.guardar(), original);
        // Quotes typed become the token; the token typed is a quote the next time.
        v.seleccionar(0);
        auto f = v.editor("Editar", {"A", "d", "1", ""});
        QTest::keyClicks(f->txtCodigo, "say \"hi\" *RTN*");
        QTest::keyClick(f->txtCodigo, Qt::Key_Return);
        QTest::keyClicks(f->txtCodigo, QStringLiteral("fin\u00a0!")); // a non-breaking space stays one
        Pulsar(*f, 7);
        QCOMPARE(v.fila(0).Codigo, QStringLiteral("say *RTN*hi*RTN* *RTN*\r\nfin\u00a0!"));
        QCOMPARE(v.editor("Ver")->textoCodigo(), QStringLiteral("say \"hi\" \"\nfin\u00a0!"));
    }

    // "Ver en el navegador" writes the code in the export folder under the chosen extension, wrapped
    // or not, and hands the file to the desktop.
    void previsualizarEscribeYAbre() {
        ayudas::Navegador escritorio(true); // the desktop's handler of files too
        Ventana v(Registro("Nom", "Desc", "c", "1"));
        auto x = v.editor("Ver");
        const std::tuple<int, const char *, QString, QByteArray> casos[] = {
            {0, "html", QStringLiteral("<html>\n<body>\"Hola\" & adiós</body>\n</html>"),
             "<html>\r\n<body>\"Hola\" & adi\xf3s</body>\r\n</html>\r\n"},
            // Wrapped and escaped, "&" first: an entity already there is shown as written.
            {1, "html", QStringLiteral("if (a < b && c > 0) say(\"x\"); &lt;"),
             "<html><body><pre>\r\nif (a &lt; b &amp;&amp; c &gt; 0) say(&quot;x&quot;); &amp;lt;\r\n</pre></body></html>\r\n"},
            {0, "htm", QString(), "\r\n"}}; // the typed extension names the file
        for (const auto &[tag, ext, codigo, archivo] : casos) {
            v.c.estado.Tag = tag;
            v.c.estado.Extension = QString::fromLatin1(ext);
            x->ponerCodigo(codigo);
            Pulsar(*x, 5);
            const QString ruta = v.c.ruta(QStringLiteral("Exportar/Temp.") + ext);
            QCOMPARE(ayudas::LeerBytes(ruta), archivo);
            QCOMPARE(escritorio.abiertas.takeFirst(), QUrl::fromLocalFile(ruta));
        }
    }

    // The export options show as they are; no extension is refused; "Cancelar" keeps what there was,
    // "Aceptar" and Enter keep what was typed, as typed.
    void opcionesDeExportar_data() {
        QTest::addColumn<int>("como"); // 0 Cancelar, 1 Aceptar, 2 Enter
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("tag");
        QTest::newRow("cancelar") << 0 << "php" << 1;
        QTest::newRow("aceptar") << 1 << "hTm" << 0;
        QTest::newRow("intro") << 2 << "Php" << 0;
    }
    void opcionesDeExportar() {
        QFETCH(int, como);
        QFETCH(QString, extension);
        QFETCH(int, tag);
        Ventana v(Registro("Nom", "Desc", "c", "1"));
        v.c.estado.Extension = QStringLiteral("php");
        v.c.estado.Tag = 1;
        ayudas::AlAbrirseModal([&](QWidget *ventana) {
            auto *d = qobject_cast<frmExportar *>(ventana);
            QVERIFY(d);
            QCOMPARE(d->cboExt->currentText(), QStringLiteral("php"));
            QVERIFY(d->cheTag->isChecked());
            d->cboExt->setEditText(QString());
            QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
            QVERIFY(d->isVisible());
            QTest::keyClicks(d->cboExt, como == 0 ? QStringLiteral("HTM") : extension);
            QTest::mouseClick(d->cheTag, Qt::LeftButton);
            if (como == 2)
                QTest::keyClick(d->cboExt->lineEdit(), Qt::Key_Return);
            else
                QTest::mouseClick(como == 0 ? d->cmdCancelar : d->cmdAceptar, Qt::LeftButton);
        });
        v.w->mnuOpciones_Click();
        QCOMPARE(v.c.estado.Extension, extension);
        QCOMPARE(v.c.estado.Tag, tag);
    }

    // The font menu: the designed font when the preference names no entry; a second click keeps an
    // entry marked; the font chosen is the next window's too.
    void fuenteDelCodigo() {
        Ventana v(Registro("Nom", "Desc", "c", "1"));
        v.c.estado.Tipo = 7; // not an entry
        auto marcada = [](const frmScript &f) {
            for (int i = 0; i < int(std::size(f.mnuFuente)); ++i)
                if (f.mnuFuente[i]->isChecked())
                    return i;
            return -1;
        };
        auto e = v.editor("Ver");
        QCOMPARE(e->txtCodigo->font(), EditorCodigo().font());
        QCOMPARE(marcada(*e), -1);
        e->mnuFuente[5]->trigger();
        QCOMPARE(e->txtCodigo->font().family(), Verdana());
        QCOMPARE(e->txtCodigo->font().pointSize(), 10);
        QCOMPARE(marcada(*e), 5);
        e->mnuFuente[2]->trigger();
        e->mnuFuente[2]->trigger();
        // Courier New, or the system's monospaced font where it is missing.
        const QString courier = QFontDatabase::hasFamily("Courier New") ? QStringLiteral("Courier New")
                                                                        : EditorCodigo::FijaDelSistema().family();
        const auto siguiente = v.editor("Ver");
        for (const frmScript *f : {e.get(), siguiente.get()}) {
            QCOMPARE(f->txtCodigo->font().family(), courier);
            QCOMPARE(f->txtCodigo->font().pointSize(), 8);
            QCOMPARE(marcada(*f), 2);
        }
    }

    void laFuenteEnCadaEstilo() {
        Ventana v(Registro("A", "d", "<p class=*RTN*a*RTN*>x</p>", "1"));
        auto e = v.editor("Ver");
        QsciLexer *lexico = e->txtCodigo->lexer();
        QVERIFY(lexico);
        e->mnuFuente[5]->trigger();
        for (int estilo = 0; estilo < 128; ++estilo) {
            if (!lexico->description(estilo).isEmpty()) {
                QCOMPARE(lexico->font(estilo).family(), Verdana());
                QCOMPARE(lexico->font(estilo).pointSize(), 10);
            }
        }
    }

    // "Copiar": the code as shown, with real quotes, left selected, and said in the status line; an
    // empty code empties the clipboard.
    void copiarElCodigo() {
        Ventana v(Registro("Nom", "Desc", "uno*RTN*\r\ndos", "1"));
        auto e = v.editor("Ver");
        Pulsar(*e, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("uno\"\ndos"));
        QCOMPARE(e->txtCodigo->selectedText().size(), 8);
        QCOMPARE(ui(v.w)->barEstado->currentMessage(), QStringLiteral("Código de Nom copiado al portapapeles."));
        e->ponerCodigo(QString());
        e->mnuCopiar->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    // Printing, rendered to a PDF: name, description, a blank line and the code's lines. With no
    // printer, the command stops without a word.
    void imprimirUnScript() {
        Ventana v(Registro("Nom", "Desc", "uno*RTN*\r\ndos", "1"));
        auto f = v.editor("Ver");
        QPrinter pdf;
        pdf.setOutputFileName(v.c.ruta("s.pdf"));
        QCOMPARE(f->ImprimirEn(pdf), (QStringList{"Nombre: Nom", "Descripción: Desc", " ", "uno\"", "dos"}));
        if (QPrinterInfo::defaultPrinter().isNull()) {
            // Without a printer a PDF file is offered; No prints nothing.
            ayudas::ContestarMensaje(QMessageBox::No);
            Pulsar(*f, 3);
            QCOMPARE(mensajes::Pendientes(), 0);
            QVERIFY(!QApplication::activeModalWidget());
        }
    }
    // Tab in the code is a tab, stored as one, and indents a selection; Shift+Tab takes it away.
    void tabuladorEnElCodigo() {
        Ventana v(Registro("A", "d", "", "1"));
        auto e = v.editor("Editar");
        e->txtCodigo->setFocus();
        QTest::keyClicks(e->txtCodigo, "si");
        QTest::keyClick(e->txtCodigo, Qt::Key_Return);
        QTest::keyClick(e->txtCodigo, Qt::Key_Tab);
        QTest::keyClicks(e->txtCodigo, "x");
        QCOMPARE(QApplication::focusWidget(), e->txtCodigo); // the Tab stayed in the code
        e->txtCodigo->selectAll();
        QTest::keyClick(e->txtCodigo, Qt::Key_Tab);
        QCOMPARE(e->textoCodigo(), QStringLiteral("\tsi\n\t\tx"));
        QTest::keyClick(e->txtCodigo, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(e->textoCodigo(), QStringLiteral("si\n\tx"));
        QTest::keyClick(e->txtCodigo, Qt::Key_Return, Qt::ControlModifier); // Aceptar
        QVERIFY(!e->isVisible());
        QCOMPARE(v.guardar(), Registro("A", "d", "si\r\n\tx", "1"));
    }

    void controlTabSaleDelCodigo() {
        Ventana v({});
        auto e = v.editor("Agregar");
        e->txtCodigo->setFocus();
        QTest::keyClick(e->txtCodigo, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), e->cheIncluir);
        QVERIFY(e->textoCodigo().isEmpty());
    }

    void descartarPregunta_data() {
        QTest::addColumn<QString>("como"); // Esc, Cancelar or the close box
        QTest::addColumn<bool>("tecleado");
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<bool>("pregunto");
        QTest::addColumn<bool>("abierta");
        for (const char *como : {"esc", "cancelar", "cierre"}) {
            const QByteArray c(como);
            QTest::newRow(c + " sin cambios") << QString(c) << false << int(QMessageBox::No) << false << false;
            QTest::newRow(c + " con cambios, no") << QString(c) << true << int(QMessageBox::No) << true << true;
            QTest::newRow(c + " con cambios, sí") << QString(c) << true << int(QMessageBox::Yes) << true << false;
        }
    }
    void descartarPregunta() {
        QFETCH(QString, como);
        QFETCH(bool, tecleado);
        QFETCH(int, respuesta);
        QFETCH(bool, pregunto);
        QFETCH(bool, abierta);
        Ventana v(Registro("A", "d", "c", "1"));
        auto e = v.editor("Editar");
        if (tecleado)
            QTest::keyClicks(e->txtCodigo, "x");
        ayudas::Mensaje m;
        if (pregunto)
            ayudas::ContestarMensaje(QMessageBox::StandardButton(respuesta), &m);
        if (como == "esc")
            QTest::keyClick(e->txtCodigo, Qt::Key_Escape);
        else if (como == "cancelar")
            Pulsar(*e, 9);
        else
            e->close();
        QCOMPARE(e->isVisible(), abierta);
        QCOMPARE(m.visto, pregunto);
        if (pregunto)
            QVERIFY(m.texto.startsWith(QStringLiteral("¿Descartar los cambios del script?")));
        QCOMPARE(v.lista(), (Lista{{"A"}, 0, Guardada})); // nothing committed either way
    }

    void resaltadoAutomaticoYElegido() {
        Ventana v(Registro("A", "d", "<p>hola</p>", "1"));
        auto e = v.editor("Editar");
        QCOMPARE(e->txtCodigo->lenguaje(), lenguaje::Lenguaje::Html);
        QVERIFY(e->txtCodigo->lexer());
        QCOMPARE(e->txtCodigo->lexer()->language(), "HTML");
        e->mnuResaltado[1 + int(lenguaje::Lenguaje::Sql)]->trigger(); // "Resaltado" ▸ "SQL"
        QCOMPARE(e->txtCodigo->lexer()->language(), "SQL");
        e->mnuResaltado[1 + int(lenguaje::Lenguaje::Ninguno)]->trigger();
        QVERIFY(!e->txtCodigo->resaltando());
        e->mnuResaltado[0]->trigger(); // automatic again, and it follows a paste
        QCOMPARE(e->txtCodigo->lenguaje(), lenguaje::Lenguaje::Html);
        e->ponerCodigo(QStringLiteral("SELECT a FROM b;"));
        QTRY_COMPARE(e->txtCodigo->lenguaje(), lenguaje::Lenguaje::Sql);
    }

    // Pasted big code is shown unhighlighted on one long line, and unless an assistive tool listens the
    // editor stops reporting each change to the accessibility layer (it counts every character before
    // the caret); typing, lines and undo are still noticed at once. Undone, it is small and highlighted again.
    void codigoGrande() {
        Ventana v({});
        auto e = v.editor("Agregar", {"n", "d", "1", "<p>x</p>"});
        EditorCodigo *c = e->txtCodigo;
        QTRY_VERIFY(c->resaltando());
        QApplication::clipboard()->setText(QStringLiteral("<b>") + QString(EditorCodigo::kGrande, QLatin1Char('x')));
        c->setFocus();
        QTest::keyClick(c, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(c->grande());
        QVERIFY(!c->resaltando());
        QCOMPARE(c->lines(), 1); // one long line, not wrapped
        QCOMPARE(c->wrapMode(), QsciScintilla::WrapNone);
        QVERIFY(!c->avisaCadaCambio());
        QAccessible::setActive(true); // with an assistive tool listening, every change is reported
        const bool conTodos = c->avisaCadaCambio();
        QAccessible::setActive(false);
        QVERIFY(conTodos);
        QSignalSpy cambios(c, &QsciScintilla::textChanged);
        QTest::keyClick(c, Qt::Key_Return);
        QTest::keyClick(c, Qt::Key_A);
        // A character typed into big code goes in once the keys already queued are taken, or as soon
        // as the text is read.
        QVERIFY(c->texto().contains(QStringLiteral("\na"), Qt::CaseInsensitive));
        QCOMPARE(cambios.size(), 2);
        QCOMPARE(c->lines(), 2);
        QTest::keyClick(c, Qt::Key_Right); // moving the caret is no change
        QCOMPARE(cambios.size(), 2);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(c, Qt::Key_Z, Qt::ControlModifier); // the paste undone last
        QVERIFY(!c->grande());
        QVERIFY(c->avisaCadaCambio());
        QVERIFY(c->resaltando());
        QCOMPARE(c->texto(), QStringLiteral("<p>x</p>"));
    }

    void buscarEnElCodigo() {
        Ventana v(Registro("A", "d", "uno dos\r\ntres dos\r\ncuatro", "1"));
        auto e = v.editor("Ver");
        const auto cursor = [&] {
            int linea = -1, indice = -1;
            e->txtCodigo->getCursorPosition(&linea, &indice);
            return QPoint(linea, indice);
        };
        e->txtCodigo->setFocus();
        QTest::keyClick(e->txtCodigo, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(e->fraBuscar->isVisible());
        QCOMPARE(QApplication::focusWidget(), e->txtBuscar);
        QTest::keyClicks(e->txtBuscar, "dos");
        QCOMPARE(cursor(), QPoint(0, 7)); // after the first match
        QTest::keyClick(e->txtBuscar, Qt::Key_F3);
        QCOMPARE(cursor(), QPoint(1, 8));
        QTest::keyClick(e->txtBuscar, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(cursor(), QPoint(0, 7));
        QCOMPARE(e->txtCodigo->selectedText(), QStringLiteral("dos"));
        QTest::keyClicks(e->txtBuscar, "z");
        QCOMPARE(e->lblBuscar->text(), QStringLiteral("No se encontró"));
        QTest::keyClick(e->txtBuscar, Qt::Key_Escape); // closes the bar, not the window
        QVERIFY(!e->fraBuscar->isVisible());
        QVERIFY(e->isVisible());
    }

    void invisiblesNombradosYQuitados() {
        Ventana v(Registro("A", "d", "c", "1"));
        auto e = v.editor("Editar", {"A", "d", "1", QStringLiteral("a\nb\nc\u200bd\ufeff")});
        const auto m = ayudas::Contestar(QMessageBox::No);
        Pulsar(*e, 7);
        QCOMPARE(m->texto.section('\n', 0, 0), QStringLiteral("Estos caracteres no se pueden guardar en el archivo de la "
                                                             "categoría: U+200B en la línea 3, U+FEFF en la línea 3"));
        QCOMPARE(m->icono, QMessageBox::Question);
        QVERIFY(e->isVisible());
        ayudas::ContestarMensaje(QMessageBox::Yes); // one answer removes them, and the script is committed
        Pulsar(*e, 7);
        QVERIFY(!e->isVisible());
        QCOMPARE(v.fila(0).Codigo, QStringLiteral("a\r\nb\r\ncd"));
    }

    // Nothing is committed while a character the file cannot hold is there.
    void otroInvisibleSoloSeNombra() {
        Ventana v(Registro("A", "d", "c", "1"));
        auto e = v.editor("Editar", {QStringLiteral("A\u2003B"), "d", "1", "c"});
        ayudas::ContestarMensaje(QMessageBox::No); // the category stays in Windows-1252
        QCOMPARE(Rechazo(*e).texto,
                 QStringLiteral("Estos caracteres no se pueden guardar en el archivo de la categoría: U+2003 en el nombre"));
        QCOMPARE(v.lista(), (Lista{{"A"}, 0, Guardada}));
    }

    void pegarEnElPuntajeFiltra_data() {
        QTest::addColumn<QString>("antes");
        QTest::addColumn<QString>("pegado");
        QTest::addColumn<QString>("queda");
        QTest::newRow("solo cifras") << "" << "a1b2c3" << "12";
        QTest::newRow("hasta dos") << "5" << "67" << "56";
        QTest::newRow("ya lleno") << "12" << "3" << "12";
        QTest::newRow("sin cifras") << "" << "xyz" << "";
    }
    void pegarEnElPuntajeFiltra() {
        QFETCH(QString, antes);
        QFETCH(QString, pegado);
        QFETCH(QString, queda);
        Ventana v({});
        auto e = v.editor("Agregar");
        e->txtPuntaje->setText(antes);
        e->txtPuntaje->setFocus();
        e->txtPuntaje->end(false);
        QApplication::clipboard()->setText(pegado);
        QTest::keyClick(e->txtPuntaje, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e->txtPuntaje->text(), queda);
    }
};

QTEST_MAIN(tst_editor)
#include "tst_editor.moc"
