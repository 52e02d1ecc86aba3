// Tags in descriptions and the languages they name, without a window: how tags are read and folded,
// the library search by tag (index, files and an independent reference agree), the tags counted,
// the order that decides a script's language, and the exports that carry it.
#include "AyudasNucleo.h"
#include "format/Editores.h"
#include "format/Lenguaje.h"
#include "format/Rotulos.h"
#include "search/Busqueda.h"
#include "search/IndiceBiblioteca.h"
#include "../busqueda/Referencia.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {
using L = lenguaje::Lenguaje;

// Descriptions with tags of every shape the rules speak of, and words beside them.
const char *const kDescripciones[] = {
    "Pide datos #fetch #async",  "Borde redondeado #css",       "#CSS3 sombra",       "Gradiente #Css borde",
    "Plantilla #c++ #node.js",   "Cierra la sesi\xf3n #php.",   "#\xe1rbol #Arbol",   "x#css no es etiqueta",
    "##doble y # suelto",        "Consulta #SQL, #sql-server",  "borde sin etiqueta", "#a_b #a-b #a+b",
};
const char *const kConsultas[] = {
    "#css",  "#CSS",  "#css3", "#css borde", "borde #css", "#c++",   "#node.js", "#node", "#php.", "#\xc1rbol",
    "#arbol", "#sql", "#sql-server", "#", "##doble", "#a_b", "#a-b #a+b", "#fetch #async", "sesi\xf3n #php", "#nada",
};
} // namespace

class PruebaEtiquetas : public QObject {
    Q_OBJECT
private slots:
    void etiquetasLeidas_data() {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QStringList>("nombres");
        QTest::newRow("dos") << "Pide datos #fetch #async" << QStringList{"fetch", "async"};
        QTest::newRow("al principio") << "#css borde" << QStringList{"css"};
        QTest::newRow("punto final es de la frase") << "Cierra #php." << QStringList{"php"};
        QTest::newRow("punto dentro es del nombre") << "#node.js y #vue.js." << QStringList{"node.js", "vue.js"};
        QTest::newRow("signos permitidos") << "#c++ #a_b #a-b" << QStringList{"c++", "a_b", "a-b"};
        QTest::newRow("coma la corta") << "#sql, #mysql" << QStringList{"sql", "mysql"};
        QTest::newRow("pegada a una palabra no") << "x#css &#160;" << QStringList{};
        QTest::newRow("almohadilla sola no") << "# ## #. #,x" << QStringList{};
        QTest::newRow("repetida con otra caja, una vez como se escribió") << "#Css #css #CSS" << QStringList{"Css"};
        QTest::newRow("acentos") << "#Árbol #arbol" << QStringList{"Árbol", "arbol"}; // folded only for matching
    }
    void etiquetasLeidas() {
        QFETCH(QString, descripcion);
        QFETCH(QStringList, nombres);
        QCOMPARE(rotulos::Nombres(descripcion), nombres);
    }

    // A tag term is a tag in the description and nothing else: not part of a longer tag, not a word of
    // the name or the code; case and accents folded. Index, files and the reference agree.
    void buscarPorEtiqueta_data() {
        QTest::addColumn<int>("semilla");
        for (int s = 1; s <= 4; ++s)
            QTest::newRow(qPrintable(QString::number(s))) << s;
    }
    void buscarPorEtiqueta() {
        QFETCH(int, semilla);
        ayudas::Carpeta c;
        QRandomGenerator r{quint32(semilla)};
        for (const char *cat : {"Web", "Varios", "Otra"}) {
            QByteArray datos;
            for (int i = 0; i < 40; ++i) {
                // Names and code hold tag-like text too: it must not count.
                const QByteArray nombre = r.bounded(4) == 0 ? QByteArray("#css en el nombre") : Texto(r, 10, false);
                const QByteArray desc = QByteArray(kDescripciones[r.bounded(12)]) + ' ' + Texto(r, 8, false);
                const QByteArray codigo = r.bounded(3) == 0 ? QByteArray("a { } /* #css #sql */") : Texto(r, 60, true);
                datos += Registro(nombre, desc, codigo, "1");
            }
            c.categoria(cat, datos);
        }
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(indice.AbrirParaEscribir());
        QCOMPARE(indice.Actualizar(carpeta).size(), 3);
        for (const char *q : kConsultas) {
            const QString consulta = cp1252::Decodificar(q);
            const Referencia ref = Buscar(carpeta, consulta);
            for (int limite : {100, 3}) {
                const biblioteca::Respuesta delIndice = indice.Buscar(carpeta, consulta, limite);
                QCOMPARE(Lugares(delIndice), ref.lugares.mid(0, limite));
                QCOMPARE(delIndice.total, ref.total);
                QCOMPARE(Lugares(biblioteca::BuscarEnArchivos(carpeta, consulta, limite)), ref.lugares.mid(0, limite));
            }
            QCOMPARE(Lugares(indice.BuscarUnaVez(carpeta, consulta)), ref.lugares);
        }
        QVERIFY(Buscar(carpeta, "#css").total > 0);
        QVERIFY(Buscar(carpeta, "#css borde").total > 0);
    }

    // The tags of the library with their counts, from the index and from the files alike; a category
    // changed after indexing is read from its file.
    void etiquetasContadas() {
        ayudas::Carpeta c;
        c.categoria("Web", Registro("a", "#css borde", "x", "1") + Registro("b", "#CSS #css #js", "x", "1") +
                               Registro("c", "sin nada", "x", "1"));
        c.categoria("Otra", Registro("d", "#\xc1rbol #js.", "x", "1"));
        const QString carpeta = c.estado.carpetaCategorias();
        const QVector<biblioteca::Etiqueta> esperadas = {{"css", 2}, {"js", 2}, {QString::fromUtf8("Árbol"), 1}};
        QCOMPARE(biblioteca::EtiquetasEnArchivos(carpeta).etiquetas, esperadas);
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(indice.AbrirParaEscribir());
        indice.Actualizar(carpeta);
        QCOMPARE(indice.Etiquetas(carpeta).etiquetas, esperadas);
        c.categoria("Otra", Registro("d", "#js #js #nueva", "x", "1") + Registro("e", "#nueva", "x", "1"));
        const QVector<biblioteca::Etiqueta> despues = {{"css", 2}, {"js", 2}, {"nueva", 2}};
        QCOMPARE(indice.Etiquetas(carpeta).etiquetas, despues);
        QCOMPARE(biblioteca::EtiquetasEnArchivos(carpeta).etiquetas, despues);
    }

    // A tag in the description first, then what the code says of itself, then the category's name,
    // then the code's weaker hints.
    void lenguajeElegido_data() {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("categoria");
        QTest::addColumn<L>("lenguaje");
        auto fila = [](const char *n, const char *d, const char *c, const char *cat, L l) {
            QTest::newRow(n) << QString::fromUtf8(d) << QString::fromUtf8(c) << QString::fromUtf8(cat) << l;
        };
        fila("etiqueta sobre el código", "Lee #python", "<?php echo 1; ?>", "PHP", L::Python);
        fila("etiqueta por su alias", "#yml", "a", "Varios", L::Yaml);
        fila("alias con signos", "#c++ plantillas", "x", "Varios", L::Cpp);
        fila("la primera de lenguaje", "#fetch #ts #js", "x", "Varios", L::TypeScript);
        fila("etiqueta sin lenguaje no cuenta", "#fetch", "SELECT a FROM b;", "Varios", L::Sql);
        fila("shebang de python sobre la categoría", "", "#!/usr/bin/env python3\nprint(1)", "Linux", L::Python);
        fila("shebang de bash", "", "#!/bin/bash\necho hola", "Varios", L::Shell);
        fila("shebang de perl", "", "#!/usr/bin/perl\nprint 1;", "Varios", L::Perl);
        fila("php con etiqueta", "", "<?php echo $a; ?>", "Menus", L::Php);
        fila("doctype", "", "<!DOCTYPE html>\n<title>x</title>", "CSS", L::Html);
        fila("xml", "", "<?xml version=\"1.0\"?>\n<a/>", "Varios", L::Xml);
        fila("forma de json", "", "{\n  \"a\": [1, 2],\n  \"b\": null\n}", "JavaScript", L::Json);
        fila("forma de yaml", "", "nombre: web\nservicios:\n  - app\n  - db\n", "Varios", L::Yaml);
        fila("documento yaml", "", "---\n- a\n", "Python", L::Yaml);
        fila("diff", "", "--- a/x\n+++ b/x\n@@ -1 +1 @@\n-a\n+b\n", "Varios", L::Diff);
        fila("las etiquetas html mandan sobre la categoría", "", "<table><tr><td>1</td></tr></table>", "SQL", L::Html);
        fila("la categoría sobre las pistas", "", "x = 1", "Python", L::Python);
        fila("categoría C++", "", "int main() {}", "Trucos de C++", L::Cpp);
        fila("categoría Go", "", "x := 1", "Go", L::Go);
        fila("categoría Linux", "", "ls -la | less", "Linux", L::Shell);
        fila("categoría JavaScript, no Java", "", "x", "JavaScript", L::JavaScript);
        fila("pista de python", "", "def suma(a, b):\n    return a + b", "Varios", L::Python);
        fila("pista de go", "", "package main\n\nfunc main() {\n}", "Varios", L::Go);
        fila("pista de rust", "", "fn main() {\n    let mut x = 1;\n}", "Varios", L::Rust);
        fila("pista de php", "", "$total = $a + 1;", "Varios", L::Php);
        fila("pista de css", "", "body { color: red; }", "Varios", L::Css);
        fila("pista de javascript", "", "function f(a) {\n  return a;\n}", "Varios", L::JavaScript);
        fila("nada que decir", "", "hola mundo", "Varios", L::Ninguno);
    }
    void lenguajeElegido() {
        QFETCH(QString, descripcion);
        QFETCH(QString, codigo);
        QFETCH(QString, categoria);
        QFETCH(L, lenguaje);
        QCOMPARE(lenguaje::Elegir(descripcion, codigo, categoria), lenguaje);
    }

    // Every tag and alias of the table names its own language, and back.
    void tablaDeEtiquetas() {
        QStringList vistas;
        for (int i = 1; i < lenguaje::kCuantos; ++i) {
            const L l = L(i);
            QVERIFY(!lenguaje::Etiqueta(l).isEmpty());
            for (const QString &e : lenguaje::Etiquetas(l)) {
                QVERIFY2(!vistas.contains(e), qPrintable(e));
                vistas << e;
                QCOMPARE(lenguaje::DeEtiqueta(e.toUpper()), l);
                QVERIFY(rotulos::EsTermino(QStringLiteral("#") + e));
            }
            QVERIFY(!lenguaje::Extension(l).isEmpty());
            if (!lenguaje::Alcance(l).isEmpty())
                QCOMPARE(lenguaje::DeAlcance(lenguaje::Alcance(l)), l);
        }
    }

    void lenguajeEnLaDescripcion_data() {
        QTest::addColumn<QString>("antes");
        QTest::addColumn<L>("lenguaje");
        QTest::addColumn<QString>("despues");
        QTest::newRow("se agrega al final") << "Pide datos #fetch" << L::Python << "Pide datos #fetch #python";
        QTest::newRow("a una vacía") << "" << L::Rust << "#rust";
        QTest::newRow("reemplaza donde estaba") << "#js pide #fetch" << L::Go << "#go pide #fetch";
        QTest::newRow("reemplaza un alias") << "Lee #yml" << L::Yaml << "Lee #yaml";
        QTest::newRow("quita las demás") << "a #py b #rust c" << L::Cpp << "a #cpp b c";
        QTest::newRow("ninguno la quita") << "Lee #python datos" << L::Ninguno << "Lee datos";
        QTest::newRow("ninguno sin etiqueta") << "Lee datos" << L::Ninguno << "Lee datos";
        QTest::newRow("antes de la nota") << "Lee «editores: prefijo=lee»" << L::Python << "Lee #python «editores: prefijo=lee»";
    }
    void lenguajeEnLaDescripcion() {
        QFETCH(QString, antes);
        QFETCH(L, lenguaje);
        QFETCH(QString, despues);
        QCOMPARE(lenguaje::ConLenguaje(antes, lenguaje), despues);
    }

    // The Markdown fence and the snippet file's scope carry the language; an import turns a scope the
    // program knows into the tag where the code and category would not say it, and gives back what was
    // exported.
    void exportacionesLlevanElLenguaje_data() {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("fence");
        QTest::addColumn<QString>("scope");
        QTest::newRow("python") << "Suma #python" << "x = 1" << "python" << "python";
        QTest::newRow("rust") << "#rs" << "let x = 1;" << "rust" << "rust";
        QTest::newRow("yaml por su forma") << "" << "a: 1\nb: 2" << "yaml" << "yaml";
        QTest::newRow("c++") << "#c++" << "int x;" << "cpp" << "cpp";
        QTest::newRow("sin lenguaje") << "nada" << "hola" << "" << "";
    }
    void exportacionesLlevanElLenguaje() {
        QFETCH(QString, descripcion);
        QFETCH(QString, codigo);
        QFETCH(QString, fence);
        QFETCH(QString, scope);
        const Script s{"N", descripcion, QString(codigo).replace("\n", "\r\n"), "0"};
        const QString md = QString::fromUtf8(editores::Markdown({{"Varios", {s}}}));
        QVERIFY2(md.contains("```" + fence + "\n" + codigo + "\n```"), qPrintable(md));
        const QByteArray archivo = editores::CodeSnippets({s}, "Varios");
        QCOMPARE(QJsonDocument::fromJson(archivo).object().value("N").toObject().value("scope").toString(), scope);
        editores::Importacion imp;
        QVERIFY(editores::Importar(archivo, imp, nullptr, "Varios"));
        QCOMPARE(imp.scripts.size(), 1);
        QCOMPARE(imp.scripts[0].Descripcion, descripcion);
        QCOMPARE(imp.scripts[0].Codigo, s.Codigo);
    }

    void alcanceImportadoEsEtiqueta_data() {
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("categoria");
        QTest::addColumn<QString>("descripcion");
        QTest::newRow("go") << "go" << "Varios" << "Suma #go";
        QTest::newRow("python") << "python" << "Varios" << "Suma #python";
        QTest::newRow("lo que la categoría ya dice") << "python" << "Python" << "Suma";
        QTest::newRow("uno desconocido queda en la nota") << "haskell" << "Varios" << "Suma «editores: ámbito=haskell»";
    }
    void alcanceImportadoEsEtiqueta() {
        QFETCH(QString, scope);
        QFETCH(QString, categoria);
        QFETCH(QString, descripcion);
        const QByteArray archivo = "{\"Suma\": {\"prefix\": \"suma\", \"body\": [\"a + b\"], \"description\": \"Suma\","
                                   " \"scope\": \"" + scope.toUtf8() + "\"}}";
        editores::Importacion imp;
        QVERIFY(editores::Importar(archivo, imp, nullptr, categoria));
        QCOMPARE(imp.scripts.size(), 1);
        QCOMPARE(imp.scripts[0].Descripcion, descripcion);
        // Exported again, the same scope.
        const QByteArray otra = editores::CodeSnippets(imp.scripts, categoria);
        QCOMPARE(QJsonDocument::fromJson(otra).object().value("Suma").toObject().value("scope").toString(), scope);
    }
};

QTEST_GUILESS_MAIN(PruebaEtiquetas)
#include "tst_etiquetas.moc"
