// The code editors' snippet files both ways, on files written as people write them (comments,
// trailing commas, choices, placeholders inside placeholders, variables, escaped dollars, UTF-8):
// what comes in as fill-in fields, what goes out as tab stops, and that the trips lose nothing.
#include "AyudasNucleo.h"
#include "format/Editores.h"
#include "format/Etiquetas.h"
#include "format/Gramatica.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <nlohmann/json.hpp>

namespace {
editores::Importacion Importado(const QString &archivo, const QString &categoria) {
    editores::Importacion imp;
    QString error;
    const bool ok = editores::Importar(ayudas::LeerBytes(RUTINERO_FUENTES "/tests/editores/datos/" + archivo), imp, &error,
                                       categoria);
    if (!ok)
        qWarning() << archivo << error;
    return imp;
}
const Script *Llamado(const editores::Importacion &imp, const QString &nombre) {
    for (const Script &s : imp.scripts)
        if (s.Nombre == nombre)
            return &s;
    return nullptr;
}
Script Guion(const QString &nombre, const QString &descripcion, const QString &codigo, const QString &puntaje = "0") {
    return Script{nombre, descripcion, etiquetas::AAlmacen(codigo), puntaje};
}
// A snippet file's entries, in the file's order, as the reader gives them.
QVector<editores::Fragmento> Entradas(const QByteArray &datos) {
    editores::Lectura l;
    editores::Leer(datos, l);
    return l.fragmentos;
}
} // namespace

Q_DECLARE_METATYPE(Script)

class tst_codesnippets : public QObject {
    Q_OBJECT
private slots:
    // Fields come in as fill-in fields; prefix, scope and tab order have their place at the end of
    // the description, only where an export would not give them back by itself.
    void importado_data() {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("descripcion");
        QTest::newRow("dólar delante de un campo, varios prefijos")
            << "php.json" << "Asignar variable" << "$$${variable} = ${valor};"
            << "Crea una variable «editores: prefijo=var,asignar»";
        QTest::newRow("anidado, elección y repetido; descripción en líneas")
            << "php.json" << "Recorrer lista"
            << "foreach ($$${lista} as $$${clave} => $$${_valor:${lista}_valor}) {\n"
               "\t${campo 4|echo,print,var_dump|}($$${_valor});\n}"
            << "Recorre una lista con clave y valor «editores: prefijo=foreach»";
        QTest::newRow("variables, orden de las paradas")
            << "php.json" << "Cabecera del archivo"
            << "<?php\n// ${TM_FILENAME} — ${CURRENT_YEAR} ${Autor}\n// Copiado: ${CLIPBOARD:nada}\nnamespace ${App};"
            << "«editores: prefijo=cab; orden=App,Autor»";
        QTest::newRow("UTF-8 y dólar escapado")
            << "php.json" << "Precio en euros" << "echo \"${10} €$ \U0001F680\";" << "Imprime un precio «editores: prefijo=eur»";
        QTest::newRow("final $0 fuera, ámbito de dos lenguajes")
            << "web.code-snippets" << "Registro en consola" << "console.log('${mensaje}', ${valor});\n"
            << "Escribe en la consola «editores: prefijo=log; ámbito=javascript\\,typescript»";
        QTest::newRow("llave escapada, un ámbito es la etiqueta de su lenguaje")
            << "web.code-snippets" << "Plantilla de cadena" << "const ${texto} = `Hola $${${nombre}}`;"
            << "Cadena con un valor dentro #javascript «editores: prefijo=plantilla»";
        QTest::newRow("sin nombre posible, el ámbito de su lenguaje no se anota")
            << "web.code-snippets" << "Enlace"
            << "<a href=\"${campo 1:https://${ejemplo.org}}\">${campo 3:${TM_SELECTED_TEXT}}</a>"
            << "Un enlace «editores: prefijo=a,enlace»";
        QTest::newRow("elección repetida, el prefijo que da su nombre no se anota")
            << "web.code-snippets" << "Color" << "color: ${campo 1|red,green,blue|};\nbackground: ${campo 1};"
            << "Color del texto #css";
    }
    void importado() {
        QFETCH(QString, archivo);
        QFETCH(QString, nombre);
        QFETCH(QString, codigo);
        QFETCH(QString, descripcion);
        const editores::Importacion imp = Importado(archivo, "Varios");
        const Script *s = Llamado(imp, nombre);
        QVERIFY(s);
        QCOMPARE(etiquetas::AEditor(s->Codigo), codigo);
        QCOMPARE(s->Descripcion, descripcion);
    }

    void ordenDelArchivoYRepetidos() {
        const editores::Importacion imp = Importado("php.json", "PHP");
        QStringList nombres;
        for (const Script &s : imp.scripts)
            nombres << s.Nombre;
        QCOMPARE(nombres, (QStringList{"Asignar variable", "Recorrer lista", "Cabecera del archivo", "Precio en euros",
                                       "Cabecera del archivo"}));
        QCOMPARE(etiquetas::AEditor(imp.scripts.last().Codigo), QStringLiteral("<?php // segunda"));
    }

    void cadaProblemaEnSuTitulo() {
        const editores::Importacion imp = Importado("php.json", "PHP");
        QCOMPARE(imp.repetidos, QStringList{"Cabecera del archivo"});
        QCOMPARE(imp.sinCuerpo, QStringList{"Sin código"});
        QCOMPARE(imp.cuerpoRaro, QStringList{"Código numérico"});
        QCOMPARE(imp.noFragmentos, QStringList{"Lista rara: no es un objeto"});
        QCOMPARE(imp.rechazados, QStringList());
    }

    void utf8SoloSiHaceFalta_data() {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("con un emoji") << "php.json" << true;
        QTest::newRow("todo en Windows-1252") << "web.code-snippets" << false;
    }
    void utf8SoloSiHaceFalta() {
        QFETCH(QString, archivo);
        QFETCH(bool, utf8);
        QCOMPARE(Importado(archivo, "Varios").tipo == codificacion::Tipo::Utf8, utf8);
    }

    // A field is a tab stop in the editor, never `\${token}`; text is escaped, a variable stays one.
    void cuerpoExportado_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("cuerpo");
        QTest::newRow("campo") << "alert('${token}');" << "alert('${1:token}');";
        QTest::newRow("valor y repetido") << "${a:1} + ${a}" << "${1:1} + $1";
        QTest::newRow("elección") << "${c|x,y|}" << "${1|x,y|}";
        QTest::newRow("variable") << "${TM_FILENAME} ${CURRENT_YEAR:2024}" << "${TM_FILENAME} ${CURRENT_YEAR:2024}";
        QTest::newRow("numerado") << "${campo 1}" << "$1";
        QTest::newRow("escapes") << "$${x} \\ } $$${y}" << "\\${x\\} \\\\ \\} \\$${1:y}";
    }
    void cuerpoExportado() {
        QFETCH(QString, codigo);
        QFETCH(QString, cuerpo);
        const QJsonObject o = QJsonDocument::fromJson(editores::CodeSnippets({Guion("N", "d", codigo)}, "Varios")).object();
        QCOMPARE(o.value("N")["body"].toVariant().toStringList().join('\n'), cuerpo);
    }

    // Export, then import: the same scripts, score and notes included.
    void exportarEImportarDaLoMismo_data() {
        QTest::addColumn<Script>("script");
        QTest::newRow("campos con nombre y valor")
            << Guion("Retrasar", "d", "function ${nombre:retrasar}(f, ${ms:300}) { return ${ms}; }", "7");
        QTest::newRow("elección con nombre") << Guion("Color", "d", "color: ${color|rojo,verde|}; borde: ${color};");
        QTest::newRow("variables") << Guion("Cabecera", "d", "// ${TM_FILENAME} ${CURRENT_YEAR:2024}");
        QTest::newRow("escapes") << Guion("Escapes", "d", "echo $${HOME} $$${x} \\ } $ \"comillas\"");
        QTest::newRow("anidados") << Guion("Url", "d", "${url:http://${host:localhost}:${puerto:80}/}");
        QTest::newRow("con nota") << Guion("Nota", "Abre «editores: prefijo=ab,ventana; ámbito=javascript\\,typescript; orden=b,a»",
                                           "${a} ${b}");
        QTest::newRow("numerados") << Guion("Numerados", "d", "${campo 1} ${campo 2:x}");
        QTest::newRow("UTF-8") << Guion("Cohete \U0001F680", "ñandú Ω", "x = '\U0001F680';\n");
        QTest::newRow("sin puntaje") << Guion("Vacío", "", "", "");
        QTest::newRow("comillas en líneas") << Guion("Saludo", "Dice hola", "alert(\"hola\");\nalert('adiós');");
        QTest::newRow("dólares sueltos") << Guion("Variable PHP", "Precio con $", "<?php echo \"$precio ${x} $1\"; ?>");
        QTest::newRow("barras") << Guion("Ruta", "Barras", "printf(\"a\\n\\\\b\\$\");\nC:\\temp\\");
        QTest::newRow("líneas vacías") << Guion("Bloque", "", "\n\nif (a) {\n\n}\n");
        QTest::newRow("tabuladores y acentos") << Guion("Año ñandú", "Descripción €", "\tcañón = 'é';\t");
        QTest::newRow("llave en la descripción") << Guion("Llaves", "}", "function f() { return '}'; }");
    }
    void exportarEImportarDaLoMismo() {
        QFETCH(Script, script);
        // The same name twice: keys must differ, the names come back.
        const QVector<Script> antes{script, script};
        editores::Importacion imp;
        QVERIFY(editores::Importar(editores::CodeSnippets(antes, "Varios"), imp, nullptr, "Varios"));
        QCOMPARE(imp.rechazados, QStringList());
        QCOMPARE(imp.cambiados, QStringList());
        QCOMPARE(imp.scripts, antes);
    }

    // Import, then export: an equivalent file, compared entry by entry with the snippet grammar.
    void importarYExportarEsEquivalente_data() {
        QTest::addColumn<QString>("archivo");
        QTest::newRow("por lenguaje") << "php.json";
        QTest::newRow("de varios lenguajes") << "web.code-snippets";
    }
    void importarYExportarEsEquivalente() {
        QFETCH(QString, archivo);
        const QByteArray original = ayudas::LeerBytes(RUTINERO_FUENTES "/tests/editores/datos/" + archivo);
        const editores::Importacion imp = Importado(archivo, "Varios");
        const auto antes = Entradas(original), despues = Entradas(editores::CodeSnippets(imp.scripts, "Varios"));
        QCOMPARE(despues.size(), antes.size());
        for (int i = 0; i < antes.size(); ++i) {
            const editores::Fragmento &a = antes[i], &d = despues[i];
            // A key written twice comes back with a number: an editor's file cannot repeat it.
            QVERIFY2(d.nombre.startsWith(a.nombre), qPrintable(d.nombre));
            QCOMPARE(gramatica::Normal(gramatica::Analizar(d.cuerpo)), gramatica::Normal(gramatica::Analizar(a.cuerpo)));
            QCOMPARE(d.prefijos, a.prefijos);
            // A scope the code does not tell came in as the language's tag, and goes out in the text too.
            QCOMPARE(lenguaje::ConLenguaje(d.descripcion, lenguaje::Lenguaje::Ninguno), a.descripcion);
            if (!a.alcance.isEmpty())
                QCOMPARE(d.alcance, a.alcance);
        }
    }

    // The grammar as editors read it: what opens nothing that closes is text, escapes are undone.
    void gramatica_data() {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<QString>("insertado");
        QTest::newRow("texto y escapes") << "a \\$ \\} \\\\ \\n" << "a $ } \\ \\n";
        QTest::newRow("sin cerrar") << "${1:abc" << "${1:abc";
        QTest::newRow("anidado") << "${1:a ${2:b} c}" << "a b c";
        QTest::newRow("elección") << "${1|uno,d\\,os|}" << "uno";
        QTest::newRow("elección vacía es texto") << "${1|a,,b|}" << "${1|a,,b|}";
        QTest::newRow("variable con valor") << "${X:por omisión}" << "por omisión";
        QTest::newRow("transformación") << "${TM_FILENAME/(.*)\\..+$/${1:/upcase}/g}" << "";
        QTest::newRow("dólar suelto") << "$ 5 $" << "$ 5 $";
    }
    void gramatica() {
        QFETCH(QString, escrito);
        QFETCH(QString, insertado);
        const gramatica::Arbol arbol = gramatica::Analizar(escrito);
        QCOMPARE(gramatica::Insertado(arbol), insertado);
        QCOMPARE(gramatica::Analizar(gramatica::Escribir(arbol)), arbol);
    }

    // A big category is composed in pieces on several cores: the file is still the JSON library's
    // own layout of one object, every snippet in its place, repeated names numbered in order.
    void granCategoriaComoUnSoloObjeto() {
        QVector<Script> scripts;
        for (int i = 0; i < 700; ++i)
            scripts << Guion(i % 100 == 7 ? QString("Repetido") : QString("S%1").arg(i), "d \u00f1",
                             QString("linea ${campo%1}\n\totra \"comillas\" \\").arg(i % 3), QString::number(i));
        const QByteArray archivo = editores::CodeSnippets(scripts, "Varios");
        const nlohmann::ordered_json leido = nlohmann::ordered_json::parse(archivo.toStdString());
        QCOMPARE(QByteArray::fromStdString(leido.dump(2)) + '\n', archivo);
        QCOMPARE(int(leido.size()), 700);
        int repetidos = 0, i = 0;
        for (const auto &[clave, valor] : leido.items()) {
            const QString esperada = i % 100 != 7 ? QString("S%1").arg(i)
                                     : repetidos == 0 ? QString("Repetido")
                                                      : QString("Repetido (%1)").arg(repetidos + 1);
            repetidos += i % 100 == 7;
            QCOMPARE(QString::fromStdString(clave), esperada);
            QCOMPARE(QString::fromStdString(valor["rutinero"]["puntaje"].get<std::string>()), QString::number(i));
            ++i;
        }
        QCOMPARE(editores::CodeSnippets({}, "Varios"), QByteArray("{}\n"));
    }

    void textosComoLosEscribeLaBiblioteca_data() {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("codigo");
        QTest::newRow("comillas, barras y tabuladores") << "\"d\" \\" << "\tx = \"a\\b\";\t";
        QTest::newRow("caracteres de control") << QString("a\x01b\x1f") << QString("\x08\x0c\rfin");
        QTest::newRow("DEL") << QString("a\x7f") << QString("\x7f;");
        QTest::newRow("acentos y emoji") << "ñandú €" << "x = '\U0001F680';";
        QTest::newRow("sustituto suelto") << QString("a") + QChar(0xD800) << QString(QChar(0xDC00)) + "b";
        QTest::newRow("varios prefijos y campos") << "«editores: prefijo=ab,cd; orden=b,a»" << "${a} ${b:${a}} ${c|x,y|}";
        QTest::newRow("vacíos") << "" << "";
    }
    // Whatever the text, the file is byte for byte what the JSON library writes of the same object.
    void textosComoLosEscribeLaBiblioteca() {
        QFETCH(QString, descripcion);
        QFETCH(QString, codigo);
        const QByteArray archivo = editores::CodeSnippets({Guion("Uno", descripcion, codigo), Guion("Uno", "", "z")}, "Varios");
        const nlohmann::ordered_json leido = nlohmann::ordered_json::parse(archivo.toStdString());
        QCOMPARE(QByteArray::fromStdString(leido.dump(2)) + '\n', archivo);
    }

    // A library's Markdown, composed in pieces, is its categories' own texts one after another.
    void bibliotecaEnMarkdownEsSusCategorias() {
        QVector<editores::CategoriaMarkdown> categorias{{"Grande", {}}, {"Vacía", {}}, {"Una", {Guion("U", "", "u")}}};
        for (int i = 0; i < 700; ++i)
            categorias[0].scripts << Guion(QString("S%1").arg(i), "d", QString("c%1").arg(i));
        const QByteArray junta = editores::Markdown(categorias);
        QCOMPARE(junta, editores::Markdown({categorias[0]}) + '\n' + editores::Markdown({categorias[1]}) + '\n' +
                            editores::Markdown({categorias[2]}));
        const QString texto = QString::fromUtf8(junta);
        qsizetype desde = 0;
        for (int i = 0; i < 700; ++i) {
            const qsizetype aqui = texto.indexOf(QString("\n## S%1\n\nd\n\n```\nc%1\n```\n").arg(i), desde);
            QVERIFY2(aqui >= desde, qPrintable(QString("S%1").arg(i)));
            desde = aqui;
        }
        QCOMPARE(texto.count("# Grande\n"), 1);
    }
};

QTEST_GUILESS_MAIN(tst_codesnippets)
#include "tst_codesnippets.moc"
