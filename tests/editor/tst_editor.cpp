// The script editor on the real main window: its three modes, committing, the key filters, the
// stored form of the code, export and preview, fonts, clipboard, printing and the resize rules.
#include "Ayudas.h"
#include "core/mdlINI.h"
#include "store/Etiquetas.h"
#include "store/Exportar.h"
#include "store/mdlScriptsVista.h"
#include "ui/Twips.h"
#include "ui/editor/DisposicionScript.h"
#include "ui/editor/frmExportar.h"
#include "ui/editor/frmScript.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {
using ayudas::Registro;

const QByteArray kCrLf = "\r\n";

// A main window over its own folder, with the category `abierta` open as a double click leaves it.
struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    void abrir(const QString &abierta, bool ordenar = false) {
        mdlINI::CargarPreferencias(c.estado);
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setEntradasPanel({"Todas"}, c.estado.Mostrar);
        w->LlenarCat();
        for (int i = 0; i < w->lstCat->topLevelItemCount(); ++i)
            if (w->lstCat->topLevelItem(i)->text(0) == abierta)
                w->lstCat->setCurrentItem(w->lstCat->topLevelItem(i));
        w->lblMenu3->setText(abierta);
        w->setOpcionMarcada(1, ordenar);
        w->lstScripts->setSortingEnabled(false);
        mdlScripts::LeerCategoria(w->lstScripts, c.estado.rutaCategoria(abierta), w->barProgreso);
        if (ordenar)
            w->lstScripts->setSortingEnabled(true);
        w->ActualizarLineaEstado();
    }
    QStringList nombres() const {
        QStringList r;
        for (int i = 0; i < w->lstScripts->topLevelItemCount(); ++i)
            r << w->lstScripts->topLevelItem(i)->text(0);
        return r;
    }
    QTreeWidgetItem *fila(int i) const { return w->lstScripts->topLevelItem(i); }
    void seleccionar(int i) { w->lstScripts->setCurrentItem(fila(i)); }
    // An editor in the given mode, as the main window opens it but without waiting for it.
    std::unique_ptr<frmScript> editor(const QString &modo) {
        c.estado.ModoScript = modo;
        auto e = std::make_unique<frmScript>(*w);
        e->show();
        return e;
    }
    // Saves the open category as the save question does on Yes, and gives the file's bytes.
    QByteArray guardar(const QString &categoria) {
        ayudas::ContestarMensaje(QMessageBox::Yes);
        w->Preguntar();
        return ayudas::LeerBytes(c.estado.rutaCategoria(categoria));
    }
};

void pulsar(frmScript &e, int posicion) {
    QWidget *b = e.barMenu->widgetForAction(e.boton(posicion));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

QByteArray Bytes(const QString &t) { return t.toLatin1(); }

// Stands in for the desktop's handler of files.
class Escritorio : public QObject {
    Q_OBJECT
public:
    QList<QUrl> abiertos;
    Escritorio() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "abrir"); }
    ~Escritorio() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
public slots:
    void abrir(const QUrl &url) { abiertos.append(url); }
};
} // namespace

class tst_editor : public QObject {
    Q_OBJECT
private slots:
    void modos() {
        Ventana v;
        v.c.categoria("Menus", Registro("Uno", "d1", "c1", "1") + Registro("Dos", "d2", "c2", "2"));
        v.abrir("Menus");

        // "Agregar" through the main window's command: the shared window, modal.
        bool visto = false;
        ayudas::AlAbrirseModal([&](QWidget *m) {
            auto *e = qobject_cast<frmScript *>(m);
            QVERIFY(e);
            visto = true;
            QCOMPARE(e->windowTitle(), QStringLiteral("Agregar"));
            QVERIFY(e->txtNombre->text().isEmpty() && e->txtPuntaje->text().isEmpty());
            for (int pos : {1, 3, 5, 11})
                QVERIFY(!e->boton(pos)->isEnabled());
            QVERIFY(e->boton(7)->isEnabled() && e->boton(9)->isEnabled());
            QVERIFY(e->cheIncluir->isEnabled() && e->mnuTags->isEnabled());
            QVERIFY(!e->txtNombre->isReadOnly());
            pulsar(*e, 9);
        });
        v.w->AgregarS();
        QVERIFY(visto);
        QCOMPARE(v.c.estado.ModoScript, QStringLiteral("Agregar"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 2);

        // "Editar": the selected script, modal, fields editable, only "Aceptar" and "Cancelar".
        v.seleccionar(1);
        visto = false;
        ayudas::AlAbrirseModal([&](QWidget *m) {
            auto *e = qobject_cast<frmScript *>(m);
            QVERIFY(e);
            visto = true;
            QCOMPARE(e->windowTitle(), QStringLiteral("Dos"));
            QCOMPARE(e->txtDes->text(), QStringLiteral("d2"));
            QCOMPARE(e->textoCodigo(), QStringLiteral("c2"));
            QCOMPARE(e->txtPuntaje->text(), QStringLiteral("2"));
            for (int pos : {1, 3, 5, 11})
                QVERIFY(!e->boton(pos)->isEnabled());
            QVERIFY(e->boton(7)->isEnabled() && e->boton(9)->isEnabled());
            QVERIFY(!e->cheIncluir->isEnabled() && !e->mnuTags->isEnabled());
            QVERIFY(!e->txtCodigo->isReadOnly());
            pulsar(*e, 9);
        });
        v.w->EditarS();
        QVERIFY(visto);
        QVERIFY(!v.c.estado.HayCambios);

        // "Ver": not modal, read-only, the focus parked away from the fields.
        v.seleccionar(0);
        v.w->show();
        v.w->VerS();
        QCOMPARE(v.c.estado.ModoScript, QStringLiteral("Ver"));
        QVERIFY(!QApplication::activeModalWidget());
        auto ventanas = v.w->findChildren<frmScript *>();
        QCOMPARE(ventanas.size(), 1);
        frmScript *ver = ventanas[0];
        QVERIFY(ver->isVisible() && !ver->isModal());
        QCOMPARE(ver->windowTitle(), QStringLiteral("Uno"));
        QVERIFY(ver->txtNombre->isReadOnly() && ver->txtDes->isReadOnly() && ver->txtPuntaje->isReadOnly() &&
                ver->txtCodigo->isReadOnly());
        QVERIFY(!ver->boton(7)->isEnabled() && !ver->boton(9)->isEnabled());
        for (int pos : {1, 3, 5, 11})
            QVERIFY(ver->boton(pos)->isEnabled());
        QCOMPARE(ver->focusWidget(), ver->Parar);
        QVERIFY(!ver->windowIcon().isNull());
        ver->close();
        QTRY_VERIFY(v.w->findChildren<frmScript *>().isEmpty()); // a closed view is gone

        // An empty list opens nothing for editing or viewing.
        v.w->lstScripts->clear();
        v.w->EditarS();
        v.w->VerS();
        QVERIFY(v.w->findChildren<frmScript *>().isEmpty());
    }

    void agregarVacioYSkeleton() {
        Ventana v;
        v.c.categoria("Menus", Registro("Viejo", "d", "c", "1"));
        v.abrir("Menus");
        v.c.estado.IncluirTags = 1;
        v.c.estado.Extension = QStringLiteral("html");
        auto e = v.editor("Agregar");
        const QString esqueleto = etiquetas::Principales(QStringLiteral("html"));
        QCOMPARE(e->tagsPrincipales(), esqueleto);
        QCOMPARE(e->textoCodigo(), QString(esqueleto).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY(e->cheIncluir->isChecked() && e->mnuTags->isChecked());

        // Any empty field refuses, and the window keeps what was typed.
        QTest::keyClicks(e->txtNombre, "Nuevo");
        QTest::keyClicks(e->txtDes, "Una desc");
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        pulsar(*e, 7);
        QVERIFY(m.visto);
        QCOMPARE(m.texto, QStringLiteral("Por favor, complete todos los campos."));
        QCOMPARE(m.titulo, QStringLiteral("Agregar"));
        QCOMPARE(m.icono, QMessageBox::Warning);
        QVERIFY(e->isVisible());
        QCOMPARE(e->txtNombre->text(), QStringLiteral("Nuevo"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 1);
        QVERIFY(!v.c.estado.HayCambios);
        QVERIFY(!v.w->mnuGuardar->isEnabled());

        QTest::keyClicks(e->txtPuntaje, "7");
        e->txtNombre->setText(QStringLiteral("  Nue\"vo  ")); // a pasted quote
        pulsar(*e, 7);
        QVERIFY(!e->isVisible());
        QCOMPARE(v.nombres(), (QStringList{"Viejo", "Nue vo"}));
        QCOMPARE(v.w->lstScripts->currentItem(), v.fila(1));
        QCOMPARE(v.fila(1)->text(vista::ColCodigo), esqueleto);
        QVERIFY(v.c.estado.HayCambios);
        QCOMPARE(v.c.estado.CategoriaActual, QStringLiteral("Menus"));
        QVERIFY(v.w->mnuGuardar->isEnabled() && v.w->botonMenu(5)->isEnabled());
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 2"));

        QCOMPARE(v.guardar("Menus"), Registro("Viejo", "d", "c", "1") +
                                         Registro("Nue vo", "Una desc", Bytes(esqueleto), "7"));

        // A name of spaces only passes the check and is stored empty.
        auto e2 = v.editor("Agregar");
        e2->txtNombre->setText(QStringLiteral("   "));
        e2->txtDes->setText(QStringLiteral("x"));
        e2->txtPuntaje->setText(QStringLiteral("1"));
        pulsar(*e2, 7);
        QVERIFY(!e2->isVisible());
        QCOMPARE(v.fila(2)->text(0), QString());
    }

    void esqueletos() {
        QCOMPARE(Bytes(etiquetas::Principales("html")),
                 QByteArray("<html>\r\n<head>\r\n<!-- Copiar dentro del tag HEAD -->\r\n\r\n</head>\r\n\r\n<body>"
                            "\r\n<!-- Copiar dentro del tag BODY -->\r\n\r\n</body>\r\n</html>"));
        QCOMPARE(Bytes(etiquetas::Principales("asp")),
                 QByteArray("<html>\r\n<head>\r\n\r\n</head>\r\n<body>\r\n<%\r\n\r\n%>\r\n</body>\r\n</html>"));
        QCOMPARE(Bytes(etiquetas::Principales("php")),
                 QByteArray("<html>\r\n<head>\r\n\r\n</head>\r\n<body>\r\n<?\r\n\r\n?>\r\n</body>\r\n</html>"));
        for (const char *otra : {"HTML", "htm", "js", "txt", ""})
            QVERIFY(etiquetas::Principales(QString::fromLatin1(otra)).isEmpty());

        // Without a skeleton for the extension a new script starts empty, and ticking adds nothing.
        Ventana v;
        v.c.categoria("Menus", {});
        v.abrir("Menus");
        v.c.estado.IncluirTags = 1;
        v.c.estado.Extension = QStringLiteral("HTML");
        auto e = v.editor("Agregar");
        QVERIFY(e->textoCodigo().isEmpty());

        // With one: unticking keeps the inserted skeleton; ticking over a typed code leaves it.
        v.c.estado.Extension = QStringLiteral("php");
        auto f = v.editor("Agregar");
        const QString php = f->textoCodigo();
        QVERIFY(php.startsWith(QStringLiteral("<html>\n")));
        QTest::mouseClick(f->cheIncluir, Qt::LeftButton);
        QVERIFY(!f->cheIncluir->isChecked() && !f->mnuTags->isChecked());
        QCOMPARE(v.c.estado.IncluirTags, 0);
        QCOMPARE(f->textoCodigo(), php);
        f->ponerCodigo(QStringLiteral("mio"));
        f->mnuTags->trigger(); // the menu item ticks the check box too
        QVERIFY(f->cheIncluir->isChecked() && f->mnuTags->isChecked());
        QCOMPARE(v.c.estado.IncluirTags, 1);
        QCOMPARE(f->textoCodigo(), QStringLiteral("mio"));
        // On an empty code ticking inserts it.
        QTest::mouseClick(f->cheIncluir, Qt::LeftButton);
        f->ponerCodigo(QString());
        QTest::mouseClick(f->cheIncluir, Qt::LeftButton);
        QCOMPARE(f->textoCodigo(), php);
        // Cancelled, the preference stays as touched.
        pulsar(*f, 11);
        QCOMPARE(v.c.estado.IncluirTags, 1);
    }

    void filtrosDeTeclas() {
        Ventana v;
        v.c.categoria("Menus", {});
        v.abrir("Menus");
        auto e = v.editor("Agregar");
        QTest::keyClicks(e->txtPuntaje, "1a-+ 2");
        QCOMPARE(e->txtPuntaje->text(), QStringLiteral("12"));
        QTest::keyClicks(e->txtPuntaje, "3");
        QCOMPARE(e->txtPuntaje->text(), QStringLiteral("12"));
        QTest::keyClick(e->txtPuntaje, Qt::Key_Backspace);
        QCOMPARE(e->txtPuntaje->text(), QStringLiteral("1"));
        e->txtPuntaje->selectAll();
        QTest::keyClicks(e->txtPuntaje, "9"); // replacing the selection is not a third digit
        QCOMPARE(e->txtPuntaje->text(), QStringLiteral("9"));
        QTest::keyClicks(e->txtNombre, "a*b,c\"d e");
        QCOMPARE(e->txtNombre->text(), QStringLiteral("abcd e"));
        QTest::keyClicks(e->txtDes, "x,\"y*");
        QCOMPARE(e->txtDes->text(), QStringLiteral("xy"));
        QTest::keyClicks(e->txtCodigo, "f(\"a\", *b)"); // the code takes anything
        QCOMPARE(e->textoCodigo(), QStringLiteral("f(\"a\", *b)"));

        // Tab order: name, score, description, code, check box.
        e->txtNombre->setFocus();
        QWidget *orden[] = {e->txtPuntaje, e->txtDes, e->txtCodigo, e->cheIncluir};
        QWidget *w = e->txtNombre;
        for (QWidget *siguiente : orden) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(e.get()))
                w = w->nextInFocusChain();
            QCOMPARE(w, siguiente);
        }
    }

    void comillasYSaltos() {
        Ventana v;
        const QByteArray codigo = "<a href=*RTN*x*RTN*>\r\n\tdos *RTN*\r\n";
        v.c.categoria("Menus", Registro("A", "d", "0", "1") + Registro("B", "d", codigo, "55"));
        const QByteArray original = ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus"));
        v.abrir("Menus");
        v.seleccionar(1);
        auto e = v.editor("Editar");
        QCOMPARE(e->textoCodigo(), QStringLiteral("<a href=\"x\">\n\tdos \"\n"));
        QCOMPARE(e->txtCodigo->toPlainText(), e->textoCodigo());
        pulsar(*e, 7); // unchanged: the category file comes back byte for byte
        QVERIFY(!e->isVisible());
        QCOMPARE(v.guardar("Menus"), original);

        // Quotes typed become the token; the token typed is a quote the next time.
        v.seleccionar(0);
        auto f = v.editor("Editar");
        f->ponerCodigo(QString());
        QTest::keyClicks(f->txtCodigo, "say \"hi\" *RTN*");
        QTest::keyClick(f->txtCodigo, Qt::Key_Return);
        QTest::keyClicks(f->txtCodigo, QStringLiteral("fin\u00a0!")); // a non-breaking space stays one
        pulsar(*f, 7);
        QCOMPARE(v.fila(0)->text(vista::ColCodigo), QStringLiteral("say *RTN*hi*RTN* *RTN*\r\nfin\u00a0!"));
        auto g = v.editor("Ver");
        QCOMPARE(g->textoCodigo(), QStringLiteral("say \"hi\" \"\nfin\u00a0!"));
    }

    void fueraDeWindows1252() {
        Ventana v;
        v.c.categoria("Menus", Registro("A", "d", "c", "1"));
        v.abrir("Menus");
        v.seleccionar(0);
        auto e = v.editor("Editar");
        e->ponerCodigo(QStringLiteral("€ ok ☃ 漢 ☃"));
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        pulsar(*e, 7);
        QVERIFY(m.visto);
        QVERIFY2(m.texto.contains(QStringLiteral("☃ 漢")), qPrintable(m.texto));
        QVERIFY(!m.texto.contains(QStringLiteral("€")));
        QCOMPARE(m.titulo, QStringLiteral("Editar"));
        QCOMPARE(m.icono, QMessageBox::Warning);
        QVERIFY(e->isVisible());
        QCOMPARE(v.fila(0)->text(vista::ColCodigo), QStringLiteral("c"));
        QVERIFY(!v.c.estado.HayCambios);

        auto f = v.editor("Agregar");
        f->txtNombre->setText(QStringLiteral("Ω"));
        f->txtDes->setText(QStringLiteral("d"));
        f->txtPuntaje->setText(QStringLiteral("1"));
        f->ponerCodigo(QStringLiteral("c"));
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        pulsar(*f, 7);
        QCOMPARE(m.titulo, QStringLiteral("Agregar"));
        QVERIFY(f->isVisible());
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 1);
        f->txtNombre->setText(QStringLiteral("Ñandú"));
        pulsar(*f, 7);
        QVERIFY(!f->isVisible());
        QCOMPARE(v.fila(1)->text(0), QStringLiteral("Ñandú"));
    }

    void agregarOrdenado() {
        Ventana v;
        v.c.categoria("Menus", Registro("b", "viejo", "c", "1") + Registro("C", "d", "c", "1") +
                                   Registro("a", "d", "c", "1"));
        v.abrir("Menus", true);
        QCOMPARE(v.nombres(), (QStringList{"a", "b", "C"}));
        auto e = v.editor("Agregar");
        e->txtNombre->setText(QStringLiteral("b"));
        e->txtDes->setText(QStringLiteral("nuevo"));
        e->txtPuntaje->setText(QStringLiteral("2"));
        e->ponerCodigo(QStringLiteral("x"));
        pulsar(*e, 7);
        QCOMPARE(v.nombres(), (QStringList{"a", "b", "b", "C"}));
        QCOMPARE(v.w->lstScripts->currentItem(), v.fila(1));
        QCOMPARE(v.fila(1)->text(1), QStringLiteral("viejo"));
        QCOMPARE(v.fila(2)->text(1), QStringLiteral("nuevo"));
        QCOMPARE(v.w->panelEstado[0]->text(), QStringLiteral("Categoría: Menus / Scripts: 4"));
    }

    void editarEnSuSitio() {
        Ventana v;
        v.c.categoria("Menus", Registro("S1", "d", "c", "1") + Registro("S2", "d", "c", "2") +
                                   Registro("S3", "d", "c", "3"));
        v.abrir("Menus");
        v.seleccionar(1);
        v.w->lstScripts->setSortingEnabled(true); // the option, not the list, decides
        auto e = v.editor("Editar");
        e->txtNombre->setText(QStringLiteral("ZZ"));
        pulsar(*e, 7);
        QCOMPARE(v.nombres(), (QStringList{"S1", "ZZ", "S3"}));
        QCOMPARE(v.w->lstScripts->currentItem(), v.fila(1));
        QVERIFY(!v.w->lstScripts->isSortingEnabled());
        QVERIFY(v.c.estado.HayCambios && v.w->mnuGuardar->isEnabled());
        QCOMPARE(v.c.estado.CategoriaActual, QStringLiteral("Menus"));

        // All fields emptied: committed as an empty script.
        v.seleccionar(2);
        auto f = v.editor("Editar");
        for (QLineEdit *t : {f->txtNombre, f->txtDes, f->txtPuntaje})
            t->clear();
        f->ponerCodigo(QString());
        pulsar(*f, 7);
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 3);
        QCOMPARE(vista::ScriptDe(v.fila(2)), Script{});

        // With the option ticked the edited script moves to its sorted place, still selected.
        v.w->setOpcionMarcada(1, true);
        v.seleccionar(v.nombres().indexOf("S1"));
        auto g = v.editor("Editar");
        g->txtNombre->setText(QStringLiteral("Zz2"));
        pulsar(*g, 7);
        QCOMPARE(v.nombres(), (QStringList{"", "ZZ", "Zz2"}));
        QCOMPARE(v.w->lstScripts->currentItem()->text(0), QStringLiteral("Zz2"));
    }

    void verDosVentanas() {
        Ventana v;
        v.c.categoria("Menus", Registro("Uno", "d1", "x=*RTN*1*RTN*", "1") + Registro("Dos", "d2", "c2", "2"));
        v.abrir("Menus");
        v.w->show();
        v.seleccionar(0);
        v.w->VerS();
        v.seleccionar(1);
        v.w->VerS();
        const auto ventanas = v.w->findChildren<frmScript *>();
        QCOMPARE(ventanas.size(), 2);
        QStringList titulos{ventanas[0]->windowTitle(), ventanas[1]->windowTitle()};
        titulos.sort();
        QCOMPARE(titulos, (QStringList{"Dos", "Uno"}));
        frmScript *uno = ventanas[0]->windowTitle() == QLatin1String("Uno") ? ventanas[0] : ventanas[1];
        delete v.w->lstScripts->takeTopLevelItem(0);
        QCOMPARE(uno->txtNombre->text(), QStringLiteral("Uno"));
        QCOMPARE(uno->textoCodigo(), QStringLiteral("x=\"1\""));
        QVERIFY(uno->isVisible());
        // A font chosen in one view becomes the font of the next window opened.
        uno->mnuFuente[5]->trigger();
        QCOMPARE(v.c.estado.Tipo, 5);
        v.w->VerS();
        QCOMPARE(v.w->findChildren<frmScript *>().size(), 3);
        for (frmScript *f : v.w->findChildren<frmScript *>())
            f->close();
    }

    void exportar() {
        Escritorio escritorio;
        Ventana v;
        v.c.categoria("Menus", {});
        v.abrir("Menus");
        v.c.estado.Tag = 0;
        v.c.estado.Extension = QStringLiteral("html");
        auto e = v.editor("Ver");
        const QString doc = QStringLiteral("<html>\n<body>\"Hola\" & adiós</body>\n</html>");
        e->ponerCodigo(doc);
        pulsar(*e, 5);
        const QString ruta = v.c.ruta("Exportar/Temp.html");
        QCOMPARE(ayudas::LeerBytes(ruta), QByteArray("<html>\r\n<body>\"Hola\" & adi\xf3s</body>\r\n</html>\r\n"));
        QCOMPARE(escritorio.abiertos, QList<QUrl>{QUrl::fromLocalFile(ruta)});

        // Wrapped and escaped; "&" and an entity already there are left alone.
        v.c.estado.Tag = 1;
        e->ponerCodigo(QStringLiteral("if (a < b && c > 0) say(\"x\"); &lt;"));
        e->mnuExportar->trigger();
        QCOMPARE(ayudas::LeerBytes(ruta),
                 QByteArray("<html><body><pre>\r\nif (a &lt; b && c &gt; 0) say(&quot;x&quot;); &lt;\r\n"
                            "</pre></body></html>\r\n"));
        QCOMPARE(e->textoCodigo(), QStringLiteral("if (a < b && c > 0) say(\"x\"); &lt;"));
        QCOMPARE(escritorio.abiertos.size(), 2);

        // A typed extension names the file; an empty code gives a file of one line end.
        v.c.estado.Tag = 0;
        v.c.estado.Extension = QStringLiteral("htm");
        e->ponerCodigo(QString());
        pulsar(*e, 5);
        QCOMPARE(ayudas::LeerBytes(v.c.ruta("Exportar/Temp.htm")), kCrLf);
        QCOMPARE(escritorio.abiertos.last(), QUrl::fromLocalFile(v.c.ruta("Exportar/Temp.htm")));

        // The page function over several lines.
        QCOMPARE(exportar::Pagina(QStringLiteral("a\nb"), 1),
                 QStringLiteral("<html><body><pre>\r\na\r\nb\r\n</pre></body></html>"));
        QCOMPARE(exportar::Pagina(QStringLiteral("\"<\""), 0), QStringLiteral("\"<\""));
    }

    void opcionesDeExportar() {
        Ventana v;
        v.c.categoria("Menus", {});
        v.abrir("Menus");
        v.c.estado.Extension = QStringLiteral("php");
        v.c.estado.Tag = 1;
        bool visto = false;
        ayudas::AlAbrirseModal([&](QWidget *m) {
            auto *d = qobject_cast<frmExportar *>(m);
            QVERIFY(d);
            visto = true;
            QCOMPARE(d->windowTitle(), QStringLiteral("Opciones de exportar"));
            QCOMPARE(d->cboExt->currentText(), QStringLiteral("php"));
            QVERIFY(d->cheTag->isChecked());
            QCOMPARE(d->Label1->text(), QStringLiteral("La opción \"Exportar\" le permite ejecutar las rutinas de "
                                                       "Rutinero en su navegador."));
            d->cboExt->setEditText(QString());
            QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
            QVERIFY(d->isVisible()); // nothing to confirm yet
            QTest::keyClicks(d->cboExt, "HTM");
            QTest::mouseClick(d->cheTag, Qt::LeftButton);
            QTest::keyClick(d->cboExt, Qt::Key_Return);
        });
        v.w->mnuOpciones_Click();
        QVERIFY(visto);
        QCOMPARE(v.c.estado.Extension, QStringLiteral("HTM"));
        QCOMPARE(v.c.estado.Tag, 0);

        frmExportar d(*v.w);
        d.show();
        QCOMPARE(d.cboExt->count(), 5);
        QCOMPARE(d.cboExt->itemText(4), QStringLiteral("txt"));
        d.cboExt->setEditText(QStringLiteral("js"));
        QTest::mouseClick(d.cmdCancelar, Qt::LeftButton);
        QCOMPARE(v.c.estado.Extension, QStringLiteral("HTM"));
    }

    void fuentesCopiarImprimir() {
        Ventana v;
        v.c.categoria("Menus", Registro("Nom", "Desc", "uno*RTN*\r\ndos", "1"));
        v.abrir("Menus");
        v.seleccionar(0);
        v.c.estado.Tipo = 7;
        auto e = v.editor("Ver");
        QCOMPARE(e->txtCodigo->font(), QPlainTextEdit().font());
        for (QAction *a : e->mnuFuente)
            QVERIFY(!a->isChecked());
        e->mnuFuente[5]->trigger();
        QCOMPARE(v.c.estado.Tipo, 5);
        QCOMPARE(e->txtCodigo->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(e->txtCodigo->font().pointSize(), 10);
        e->mnuFuente[2]->trigger();
        e->mnuFuente[2]->trigger(); // a second click on a marked entry keeps it marked
        for (int k = 0; k < 6; ++k)
            QCOMPARE(e->mnuFuente[k]->isChecked(), k == 2);
        QCOMPARE(e->txtCodigo->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(e->mnuFuente[2]->text(), QStringLiteral("Courier New (8 px)"));
        auto f = v.editor("Ver");
        QCOMPARE(f->txtCodigo->font().pointSize(), 8);
        QVERIFY(f->mnuFuente[2]->isChecked());

        // Copy: the code as shown, with real quotes, left selected.
        QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
        pulsar(*e, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("uno\"\ndos"));
        QCOMPARE(e->txtCodigo->textCursor().selectedText().size(), 8);
        e->txtCodigo->setReadOnly(false);
        e->ponerCodigo(QString());
        e->mnuCopiar->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());

        // Printing, rendered to a PDF: name, description, a blank line and the two code lines.
        QTemporaryDir dir;
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(dir.filePath("s.pdf"));
        QCOMPARE(f->ImprimirEn(pdf),
                 (QStringList{"Nombre: Nom", QStringLiteral("Descripción: Desc"), " ", "uno\"", "dos"}));
        QVERIFY(QFileInfo(dir.filePath("s.pdf")).size() > 0);
        // Without a default printer the command stops without a word.
        if (QPrinterInfo::defaultPrinter().isNull()) {
            pulsar(*f, 3);
            QVERIFY(!QApplication::activeModalWidget());
        }
    }

    void disposicion() {
        using namespace disposicionScript;
        const Areas d = Diseno();
        const Areas c = Calcular(kAncho, kAlto);
        QCOMPARE(c.txtCodigo, d.txtCodigo);
        QCOMPARE(c.txtNombre, d.txtNombre);
        QCOMPARE(c.txtDes, d.txtDes);

        const Areas g = Calcular(12000, 9000);
        QCOMPARE(g.lin0, QRect(0, 590, 12000, 15));
        QCOMPARE(g.lin1, QRect(0, 600, 12000, 15));
        QCOMPARE(g.txtPuntaje, QRect(12000 - 515, d.txtPuntaje.top(), 375, d.txtPuntaje.height()));
        QCOMPARE(g.Label3.left(), 12000 - 515 - 750);
        QCOMPARE(g.txtNombre.width(), 12000 - 515 - 750 - 1400);
        QCOMPARE(g.txtDes.left() + g.txtDes.width(), g.txtPuntaje.left() + 375);
        QCOMPARE(g.txtCodigo, QRect(d.txtCodigo.left(), d.txtCodigo.top(), 12000 - 250, 9000 - d.txtCodigo.top() - 500));
        QCOMPARE(g.cheIncluir.top(), 9000 - 360);
        QCOMPARE(g.Label1, d.Label1); // the others stay where designed

        for (QSize s : {QSize(0, 0), QSize(300, 200), QSize(1500, 1800), QSize(-10, -10)}) {
            const Areas p = Calcular(s.width(), s.height());
            for (const QRect &r : {p.barMenu, p.lin0, p.lin1, p.txtNombre, p.txtPuntaje, p.txtDes, p.txtCodigo,
                                   p.cheIncluir, p.Label1, p.Label2, p.Label3})
                QVERIFY2(r.width() >= 0 && r.height() >= 0, qPrintable(QStringLiteral("%1x%2").arg(s.width()).arg(s.height())));
        }

        // The window follows its size.
        Ventana v;
        v.c.categoria("Menus", {});
        v.abrir("Menus");
        auto e = v.editor("Agregar");
        e->resize(900, 700);
        QTRY_COMPARE(e->txtCodigo->width(),
                     twips::APixeles(Calcular(twips::ATwips(e->area->width()), 0).txtCodigo.width()));
        QCOMPARE(e->cheIncluir->y(), twips::APixeles(twips::ATwips(e->area->height()) - 360));
    }
};

QTEST_MAIN(tst_editor)
#include "tst_editor.moc"
