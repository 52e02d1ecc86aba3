// The languages in the real editor: each lexer on a sample, the "Resaltado" menu writing the
// description's language tag as a pending change, a typed tag choosing the highlighting, the tags
// offered while typing '#', the preview's extension, and "Ninguno" keeping the chosen font.
#include "Ayudas.h"
#include "format/Lenguaje.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/main/frmPrincipal.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qscilexerbash.h>
#include <Qsci/qscilexerbatch.h>
#include <Qsci/qscilexercmake.h>
#include <Qsci/qscilexercpp.h>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerdiff.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjson.h>
#include <Qsci/qscilexermakefile.h>
#include <Qsci/qscilexermarkdown.h>
#include <Qsci/qscilexerproperties.h>
#include <Qsci/qscilexertex.h>
#include <Qsci/qscilexeryaml.h>
#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using L = lenguaje::Lenguaje;

struct Ventana : ayudas::VentanaConPreferencias {
    explicit Ventana(const QByteArray &datos) : VentanaConPreferencias({{"Menus", datos}}, "Menus", false) {}
};

// The style the lexer gave the first character of `palabra` in the editor's text, all of it styled.
int EstiloDe(EditorCodigo *e, const QString &palabra) {
    e->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0L, -1L);
    const int en = int(e->texto().toUtf8().indexOf(palabra.toUtf8()));
    return en < 0 ? -1 : int(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, long(en)));
}

QByteArray FuenteDe(EditorCodigo *e, int estilo) {
    char nombre[256] = {};
    e->SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, static_cast<unsigned long>(estilo), nombre);
    return QByteArray(nombre);
}
int Ancho(EditorCodigo *e, int estilo, const char *texto) {
    return int(e->SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, static_cast<unsigned long>(estilo), texto));
}
} // namespace

class PruebaResaltado : public QObject {
    Q_OBJECT
private slots:
    // Each language's lexer marks a word of its sample as its own kind of word.
    void cadaLenguajeResalta_data() {
        QTest::addColumn<L>("lenguaje");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<int>("estilo");
        auto fila = [](L l, const char *codigo, const char *palabra, int estilo) {
            QTest::newRow(qPrintable(lenguaje::Nombre(l))) << l << QString::fromUtf8(codigo) << QString::fromUtf8(palabra) << estilo;
        };
        fila(L::Html, "<div class=\"a\">x</div>", "div", QsciLexerHTML::Tag);
        fila(L::Css, "a { color: red; }", "color", QsciLexerCSS::CSS1Property);
        fila(L::JavaScript, "function f() { return 1; }", "return", QsciLexerCPP::Keyword);
        fila(L::Php, "echo $a;", "echo", QsciLexerHTML::PHPKeyword);
        fila(L::Sql, "SELECT a FROM b;", "FROM", QsciLexerCPP::Keyword); // the SQL lexer's Keyword is 5 too
        fila(L::Shell, "if true; then ls; fi", "then", QsciLexerBash::Keyword);
        fila(L::Python, "def f(x):\n    return x", "return", 5);
        fila(L::C, "int main(void) { return 0; }", "return", QsciLexerCPP::Keyword);
        fila(L::Cpp, "class A { public: int x; };", "class", QsciLexerCPP::Keyword);
        fila(L::CSharp, "public class A { }", "class", QsciLexerCPP::Keyword);
        fila(L::Java, "public static void main() { }", "static", QsciLexerCPP::Keyword);
        fila(L::Go, "func main() {\n\tvar s string\n}", "func", QsciLexerCPP::Keyword);
        fila(L::Go, "func main() {\n\tvar s string\n}", "string", QsciLexerCPP::KeywordSet2);
        fila(L::Rust, "fn main() {\n    let mut x = 1;\n}", "mut", QsciLexerCPP::Keyword);
        fila(L::Rust, "fn main() {\n    let v: Vec<u8> = Vec::new();\n}", "u8", QsciLexerCPP::KeywordSet2);
        fila(L::Batch, "@echo off\nset A=1", "set", QsciLexerBatch::Keyword);
        fila(L::PowerShell, "function F { param($a) Write-Host $a }", "param", QsciLexerBash::Keyword);
        fila(L::PowerShell, "# comentario\n$a = 1", "comentario", QsciLexerBash::Comment);
        fila(L::Perl, "sub f { my $x = 1; }", "sub", 5);
        fila(L::Ruby, "def f\n  1\nend", "def", 5);
        fila(L::Lua, "local x = 1", "local", 5);
        fila(L::Json, "{\"a\": true}", "\"a\"", QsciLexerJSON::Property);
        fila(L::Yaml, "nombre: web\nlista:\n  - a", "nombre", QsciLexerYAML::Identifier);
        fila(L::Xml, "<?xml version=\"1.0\"?>\n<raiz a=\"1\"/>", "raiz", QsciLexerHTML::Tag);
        fila(L::Markdown, "texto\n\n# Título\n", "#", QsciLexerMarkdown::Header1);
        fila(L::Makefile, "all: main.o\n\tcc main.o", "all", QsciLexerMakefile::Target);
        fila(L::CMake, "project(A)\nadd_executable(a a.c)", "project", QsciLexerCMake::Function);
        fila(L::Diff, "--- a\n+++ b\n@@ -1 +1 @@\n-viejo\n+nuevo\n", "+nuevo", QsciLexerDiff::LineAdded);
        fila(L::Ini, "[seccion]\nclave=valor", "seccion", QsciLexerProperties::Section);
        fila(L::TeX, "Texto \\section{A}", "{", QsciLexerTeX::Group);
        fila(L::TypeScript, "interface A { x: number }", "interface", QsciLexerCPP::Keyword);
    }
    void cadaLenguajeResalta() {
        QFETCH(L, lenguaje);
        QFETCH(QString, codigo);
        QFETCH(QString, palabra);
        QFETCH(int, estilo);
        Ventana v(Registro("A", "d", "x", "1"));
        auto e = v.editor("Editar");
        e->mnuResaltado[1 + int(lenguaje)]->trigger();
        e->ponerCodigo(codigo);
        QVERIFY(e->txtCodigo->resaltando());
        QCOMPARE(EstiloDe(e->txtCodigo, palabra), estilo);
        QVERIFY(!e->txtCodigo->lexer()->description(estilo).isEmpty());
        // A word the sample marks apart from its plain text.
        QVERIFY(estilo != 0);
    }

    // Choosing a language writes its tag in the description at once, as a typed change; another
    // replaces it, "Ninguno" takes it out; a script only viewed keeps its description.
    void resaltadoEscribeLaEtiqueta() {
        Ventana v(Registro("A", "Lee datos #fetch", "x = 1", "1"));
        auto e = v.editor("Editar");
        QVERIFY(!e->hayCambiosTipeados());
        e->mnuResaltado[1 + int(L::Python)]->trigger();
        QCOMPARE(e->txtDes->text(), QString("Lee datos #fetch #python"));
        QVERIFY(e->hayCambiosTipeados());
        QCOMPARE(e->txtCodigo->lexer()->language(), "Python");
        e->mnuResaltado[1 + int(L::Rust)]->trigger();
        QCOMPARE(e->txtDes->text(), QString("Lee datos #fetch #rust"));
        QCOMPARE(e->txtCodigo->lexer()->language(), "Rust");
        e->mnuResaltado[1 + int(L::Ninguno)]->trigger();
        QCOMPARE(e->txtDes->text(), QString("Lee datos #fetch"));
        QVERIFY(!e->txtCodigo->resaltando());
        QVERIFY(e->mnuResaltado[1 + int(L::Ninguno)]->isChecked());

        auto ver = v.editor("Ver");
        ver->mnuResaltado[1 + int(L::Yaml)]->trigger();
        QCOMPARE(ver->txtDes->text(), QString("Lee datos #fetch"));
        QCOMPARE(ver->txtCodigo->lexer()->language(), "YAML");
    }

    // A language tag typed in the description (or in the file) chooses the highlighting, and checks
    // its entry; taken out, the language is found again.
    void etiquetaTecleadaElige() {
        Ventana v(Registro("A", "Compose #yml", "<p>hola</p>", "1"));
        auto e = v.editor("Editar");
        QCOMPARE(e->txtCodigo->lenguaje(), L::Yaml);
        QVERIFY(e->mnuResaltado[1 + int(L::Yaml)]->isChecked());
        e->txtDes->setFocus();
        e->txtDes->end(false);
        QTest::keyClicks(e->txtDes, " #go");
        QCOMPARE(e->txtCodigo->lenguaje(), L::Yaml); // the first language tag counts
        e->txtDes->setText("Compose #go");
        QCOMPARE(e->txtCodigo->lenguaje(), L::Go);
        e->txtDes->setText("Compose");
        QVERIFY(e->mnuResaltado[0]->isChecked());
        QCOMPARE(e->txtCodigo->lenguaje(), L::Html);
    }

    // Typing '#' in the description offers the tags already used; choosing one completes the word.
    void almohadillaOfreceEtiquetas() {
        Ventana v(Registro("A", "#fetch #async", "x", "1") + Registro("B", "#Fecha", "x", "1"));
        auto e = v.editor("Agregar");
        e->txtDes->setFocus();
        QTest::keyClicks(e->txtDes, "Pide #f");
        auto *completar = e->findChild<QCompleter *>("completarEtiquetas");
        QVERIFY(completar);
        QTRY_VERIFY(completar->popup()->isVisible());
        QStringList ofrecidas;
        for (int i = 0; i < completar->completionCount(); ++i) {
            completar->setCurrentRow(i);
            ofrecidas << completar->currentCompletion();
        }
        QCOMPARE(ofrecidas, (QStringList{"fetch", "Fecha"}));
        QTest::keyClick(completar->popup(), Qt::Key_Down);
        QTest::keyClick(completar->popup(), Qt::Key_Return);
        QCOMPARE(e->txtDes->text(), QString("Pide #fetch"));
        QTest::keyClicks(e->txtDes, " sin");
        QVERIFY(!completar->popup()->isVisible());
    }

    // Until an extension is chosen in "Opciones de exportar", the preview takes the language's.
    void extensionDelLenguaje_data() {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<int>("elegida");
        QTest::addColumn<QString>("extension");
        QTest::newRow("python") << "#python" << 0 << "py";
        QTest::newRow("yaml") << "#yaml" << 0 << "yaml";
        QTest::newRow("sin lenguaje, la de siempre") << "nada" << 0 << "html";
        QTest::newRow("elegida por el usuario") << "#python" << 1 << "html";
    }
    void extensionDelLenguaje() {
        QFETCH(QString, descripcion);
        QFETCH(int, elegida);
        QFETCH(QString, extension);
        Ventana v(Registro("A", descripcion.toUtf8(), "hola", "1"));
        v.w->estado.Extension = "html";
        v.w->estado.ExtensionElegida = elegida;
        auto e = v.editor("Editar");
        QCOMPARE(e->ExtensionVistaPrevia(), extension);
    }

    // "Ninguno" draws the code in the fixed-width font chosen, spaces as wide as letters, and the
    // font menu still changes it.
    void ningunoGuardaLaFuente() {
        Ventana v(Registro("A", "d", "<p>a b</p>", "1"));
        auto e = v.editor("Editar");
        e->mnuFijaSistema->trigger();
        const QByteArray familia = e->txtCodigo->fuente().family().toUtf8();
        QVERIFY(QFontInfo(e->txtCodigo->fuente()).fixedPitch());
        e->mnuResaltado[1 + int(L::Ninguno)]->trigger();
        QVERIFY(!e->txtCodigo->resaltando());
        for (int estilo : {0, int(QsciScintillaBase::STYLE_DEFAULT)})
            QCOMPARE(FuenteDe(e->txtCodigo, estilo), familia);
        QCOMPARE(Ancho(e->txtCodigo, 0, " "), Ancho(e->txtCodigo, 0, "m"));
        // A bigger size from the menu reaches the text.
        const int antes = Ancho(e->txtCodigo, 0, "mmmm");
        QFont grande = e->txtCodigo->fuente();
        grande.setPointSize(grande.pointSize() * 2);
        e->txtCodigo->setFuente(grande);
        QVERIFY(Ancho(e->txtCodigo, 0, "mmmm") > antes);
        e->mnuFuente[3]->trigger(); // "Courier New (10 px)", or the fixed font in its place
        QCOMPARE(FuenteDe(e->txtCodigo, 0), e->txtCodigo->fuente().family().toUtf8());
        QCOMPARE(Ancho(e->txtCodigo, 0, " "), Ancho(e->txtCodigo, 0, "m"));
    }
};

QTEST_MAIN(PruebaResaltado)
#include "tst_resaltado.moc"
