// The code editors' snippet files and the Markdown export, on files written by hand in those formats:
// what the editor accepts is read, and what a category cannot hold is named. Round trips are
// tst_codesnippets'.
#include "AyudasNucleo.h"
#include "format/Editores.h"
#include "format/Etiquetas.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using editores::Fragmento;

namespace {
Script Guardado(const QString &nombre, const QString &descripcion, const QString &codigoEditor) {
    return Script{nombre, descripcion, etiquetas::AAlmacen(codigoEditor), QStringLiteral("0")};
}
} // namespace

class tst_fragmentos : public QObject {
    Q_OBJECT

private slots:
    void comentariosYComasFinales_data() {
        QTest::addColumn<QByteArray>("escrito");
        QTest::addColumn<QByteArray>("estricto");
        QTest::newRow("línea") << QByteArray("{\"a\": 1 // uno\n}") << QByteArray("{\"a\": 1}");
        QTest::newRow("bloque") << QByteArray("{/* x\n y */\"a\": 1}") << QByteArray("{\"a\": 1}");
        QTest::newRow("barras en texto") << QByteArray("{\"u\": \"http://x/*y*/\"}")
                                         << QByteArray("{\"u\": \"http://x/*y*/\"}");
        QTest::newRow("comilla escapada") << QByteArray("{\"a\": \"c\\\"// no\", \"b\": 2}")
                                          << QByteArray("{\"a\": \"c\\\"// no\", \"b\": 2}");
        QTest::newRow("barra invertida al final") << QByteArray("{\"a\": \"c:\\\\\", // sí\n\"b\": 2}")
                                                  << QByteArray("{\"a\": \"c:\\\\\", \"b\": 2}");
        QTest::newRow("coma en objeto") << QByteArray("{\"a\": 1,\n}") << QByteArray("{\"a\": 1}");
        QTest::newRow("coma en lista") << QByteArray("{\"a\": [1, 2, ]}") << QByteArray("{\"a\": [1, 2]}");
        QTest::newRow("coma y comentario") << QByteArray("{\"a\": [1, // fin\n], /* y */ }")
                                           << QByteArray("{\"a\": [1]}");
        QTest::newRow("coma en texto") << QByteArray("{\"a\": \",}\"}") << QByteArray("{\"a\": \",}\"}");
        QTest::newRow("marca de orden") << QByteArray("\xEF\xBB\xBF{\"a\": 1}") << QByteArray("{\"a\": 1}");
    }
    void comentariosYComasFinales() {
        QFETCH(QByteArray, escrito);
        QFETCH(QByteArray, estricto);
        QString error;
        QJsonParseError e;
        const QJsonDocument leido = QJsonDocument::fromJson(editores::SinComentarios(escrito, &error), &e);
        QCOMPARE(error, QString());
        QCOMPARE(e.error, QJsonParseError::NoError);
        QCOMPARE(leido, QJsonDocument::fromJson(estricto));
    }

    void noEsUnArchivoDeFragmentos_data() {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("motivo"); // what the error must say, besides being there
        QTest::newRow("vacío") << QByteArray() << "";
        QTest::newRow("cortado") << QByteArray("{\"a\": {\"body\": [\"x\"") << "";
        QTest::newRow("lista") << QByteArray("[{\"body\": \"x\"}]") << "";
        QTest::newRow("texto") << QByteArray("\"body\"") << "";
        QTest::newRow("comentario sin cerrar") << QByteArray("{\"a\": {\"body\": \"x\"}} /* sin fin") << "no se cierra";
        QTest::newRow("número que no cabe") << QByteArray("{\"a\": {\"body\": \"x\", \"n\": 1e99999}}") << "no es JSON";
        QTest::newRow("anidado sin fin") << QByteArray(100000, '[') << "";
        QTest::newRow("anidado hondo") << "{\"a\": " + QByteArray(200, '[') + QByteArray(200, ']') + "}" << "anida";
        QTest::newRow("UTF-8 roto") << QByteArray("{\"a\xff\": {\"body\": \"x\"}}") << "no es JSON";
    }
    void noEsUnArchivoDeFragmentos() {
        QFETCH(QByteArray, datos);
        QFETCH(QString, motivo);
        editores::Lectura l;
        QString error;
        QVERIFY(!editores::Leer(datos, l, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY2(error.contains(motivo), qPrintable(error));
    }

    // A per-language file as a person writes it: prefixes as text or list, bodies as text or
    // lines, no description, the editor's own placeholders, comments and trailing commas.
    void archivoEscritoAMano() {
        const QByteArray archivo = ayudas::LeerBytes(RUTINERO_FUENTES "/tests/paquete/datos/javascript.json");
        editores::Lectura l;
        QString error;
        QVERIFY2(editores::Leer(archivo, l, &error), qPrintable(error));
        QCOMPARE(l.fragmentos.size(), 3);
        QCOMPARE(l.sinCuerpo, QStringList{"Roto"});
        QCOMPARE(l.cuerpoRaro, QStringList{"Cuerpo raro"});
        const auto campos = [](const Fragmento &f) { return QStringList{f.nombre, f.descripcion, f.cuerpo}; };
        QCOMPARE(campos(l.fragmentos.at(0)), (QStringList{"Abrir ventana", "Abre una página en otra ventana",
                                                          "window.open(\"${1:pagina}.html\", '_blank');\n\t$0"}));
        QCOMPARE(l.fragmentos.at(0).prefijos, (QStringList{"ventana", "win"}));
        QCOMPARE(campos(l.fragmentos.at(1)), (QStringList{"Alerta", "", "alert('hola');"}));
        // The body as written: its escapes are the snippet grammar's.
        QCOMPARE(l.fragmentos.at(2).cuerpo, QStringLiteral("echo \"\\$\" . $precio;\nc:\\\\temp"));
    }

    // The editor inserts the body as written only with `$` and `\` escaped, one line per element.
    void cuerpoComoLoInsertaElEditor() {
        const QJsonObject o =
            QJsonDocument::fromJson(editores::CodeSnippets({Guardado("Precio", "p", "echo \"$a\\n\";\nfin")}, "PHP"))
                .object();
        const QJsonObject f = o.value("Precio").toObject();
        QCOMPARE(f.value("body").toArray(), (QJsonArray{"echo \"\\$a\\\\n\";", "fin"}));
        QCOMPARE(f.value("prefix").toString(), QStringLiteral("precio"));
        QCOMPARE(f.value("description").toString(), QStringLiteral("p"));
        QCOMPARE(f.value("scope").toString(), QStringLiteral("php"));
    }

    void prefijo_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("prefijo");
        QTest::newRow("palabras") << "Abrir ventana" << "abrir-ventana";
        QTest::newRow("acentos") << "Añadir Canción" << "anadir-cancion";
        QTest::newRow("signos") << "  ¿Qué (es) esto?  " << "que-es-esto";
        QTest::newRow("nada") << "¿?" << "rutinero";
    }
    void prefijo() {
        QFETCH(QString, nombre);
        QFETCH(QString, prefijo);
        QCOMPARE(editores::Prefijo(nombre), prefijo);
    }

    void loQueNoCabeSeNombra_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("comillas en el nombre") << "Di \"hola\"" << "d" << "x" << "comillas";
        QTest::newRow("salto en la descripción") << "N" << "una\ndos" << "x" << "saltos de línea";
        QTest::newRow("el texto de las comillas") << "Token" << "d" << "a *RTN* b" << "*RTN*";
        QTest::newRow("sin nombre") << "" << "d" << "x" << "no tiene nombre";
    }
    void loQueNoCabeSeNombra() {
        QFETCH(QString, nombre);
        QFETCH(QString, descripcion);
        QFETCH(QString, codigo);
        QFETCH(QString, motivo);
        QJsonObject todo;
        todo.insert(nombre, QJsonObject{{"body", codigo}, {"description", descripcion}});
        todo.insert("Bueno", QJsonObject{{"body", QJsonArray{"uno", "dos"}}, {"description", "b"}});
        editores::Importacion imp;
        QVERIFY(editores::Importar(QJsonDocument(todo).toJson(), imp, nullptr));
        QCOMPARE(imp.rechazados.size(), 1);
        QVERIFY2(imp.rechazados.at(0).startsWith(nombre + QStringLiteral(": ")), qPrintable(imp.rechazados.at(0)));
        QVERIFY2(imp.rechazados.at(0).contains(motivo), qPrintable(imp.rechazados.at(0)));
        QCOMPARE(imp.scripts.size(), 1);
        QCOMPARE(imp.scripts.at(0).Nombre, QStringLiteral("Bueno"));
        QCOMPARE(imp.scripts.at(0).Codigo, QStringLiteral("uno\r\ndos"));
    }

    void cerca_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("cerca");
        QTest::newRow("sin comillas") << "x" << "```";
        QTest::newRow("una") << "`x`" << "```";
        QTest::newRow("tres") << "```js\nx\n```" << "````";
        QTest::newRow("cinco dentro") << "a `````b`` c" << "``````";
    }
    void cerca() {
        QFETCH(QString, codigo);
        QFETCH(QString, cerca);
        QCOMPARE(editores::Cerca(codigo), cerca);
    }

    void markdownDeUnaCategoria() {
        const QByteArray md = editores::Markdown(
            {{"JavaScript", {Guardado("Abrir *ventana*", "Abre \"otra\" ventana", "window.open(\"x\");")}}});
        QCOMPARE(md, QByteArray("# JavaScript\n"
                                "\n## Abrir \\*ventana\\*\n\n"
                                "Abre \"otra\" ventana\n\n"
                                "```javascript\nwindow.open(\"x\");\n```\n"));
    }

    // The tag is the language the editor highlights the code in: the code's marks, else the category. A
    // code that itself holds a fence goes inside a longer one.
    void etiquetaDelLenguaje_data() {
        QTest::addColumn<QString>("categoria");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("etiqueta");
        QTest::newRow("php por sus marcas") << "Varios" << "<?php echo 1; ?>" << "```php\n";
        QTest::newRow("por la categoría") << "CSS" << "a { color: red }" << "```css\n";
        QTest::newRow("consola") << "Varios" << "#!/bin/sh\necho hola" << "```sh\n";
        QTest::newRow("ninguno") << "Notas" << "hola" << "```\n";
        QTest::newRow("con cercas dentro") << "Notas" << "Ejemplo:\n```html\n<p>\n```\nfin\n" << "````html\n";
    }
    void etiquetaDelLenguaje() {
        QFETCH(QString, categoria);
        QFETCH(QString, codigo);
        QFETCH(QString, etiqueta);
        const QString md = QString::fromUtf8(editores::Markdown({{categoria, {Guardado("N", "d", codigo)}}}));
        QVERIFY2(md.contains(QStringLiteral("\n\n") + etiqueta + codigo), qPrintable(md));
    }
};

QTEST_GUILESS_MAIN(tst_fragmentos)
#include "tst_fragmentos.moc"
