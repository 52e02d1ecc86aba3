// Fill-in fields of a code: which fields a code asks for, and the code they fill.
#include "format/Campos.h"

#include <QtTest>

using Campos = QVector<campos::Campo>;
using Dados = QMap<QString, QString>;

class tst_campos : public QObject {
    Q_OBJECT
private slots:
    void camposDistintosEnOrden_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<Campos>("campos");
        QTest::newRow("sin campos") << "int x = 0;" << Campos();
        QTest::newRow("uno sin valor") << "hola ${nombre}" << Campos{{"nombre", ""}};
        QTest::newRow("uno con valor") << "espera(${ms:300});" << Campos{{"ms", "300"}};
        QTest::newRow("en orden de aparición") << "${b} ${a:1}" << Campos{{"b", ""}, {"a", "1"}};
        QTest::newRow("repetido: una caja, el primer valor escrito")
            << "${b} ${a:1} ${b:2} ${a:3}" << Campos{{"b", "2"}, {"a", "1"}};
        QTest::newRow("escapado no es campo") << "$${x} ${y}" << Campos{{"y", ""}};
        QTest::newRow("sin cierre en su línea") << "${a\n}" << Campos();
        // Open at the line's end, a `}` on a later line does not close it.
        QTest::newRow("valor abierto al final de la línea") << "${a:x\ny}" << Campos();
        QTest::newRow("valor abierto antes de CR LF") << "${a:x\r\n}\r\n" << Campos();
        QTest::newRow("valor abierto y otro campo después") << "${a:x\n${b}}" << Campos{{"b", ""}};
        QTest::newRow("nombre vacío") << "${} ${:x}" << Campos();
        QTest::newRow("acentos") << "${año:2024} ${canción}" << Campos{{"año", "2024"}, {"canción", ""}};
        QTest::newRow("valor con dos puntos") << "${url:http://x:80}" << Campos{{"url", "http://x:80"}};
        QTest::newRow("valor vacío escrito") << "${a:}" << Campos{{"a", ""}};
        QTest::newRow("llave sin dólar") << "{a} $ {b}" << Campos();
        QTest::newRow("valor que nombra otro campo")
            << "x=${a:${b}} y=${b:2}" << Campos{{"a", "${b}"}, {"b", "2"}};
        QTest::newRow("campo con valor dentro de un valor") << "${a:<${b:1}>}" << Campos{{"a", "<${b:1}>"}, {"b", "1"}};
        QTest::newRow("campo completo dentro de uno abierto") << "${a:${b} y" << Campos{{"b", ""}};
        QTest::newRow("elección") << "${color|rojo,verde|}" << Campos{{"color", "rojo", {"rojo", "verde"}}};
        QTest::newRow("elección con valor escrito aparte") << "${c|a,b|} ${c:b}" << Campos{{"c", "b", {"a", "b"}}};
        QTest::newRow("barras sin forma de elección") << "${a|b}" << Campos{{"a|b", ""}};
        QTest::newRow("dólar delante de un campo") << "$$${x}" << Campos{{"x", ""}};
        QTest::newRow("dos pares de dólares son texto") << "$$$${x}" << Campos();
    }
    void camposDistintosEnOrden() {
        QFETCH(QString, codigo);
        QFETCH(Campos, campos);
        QCOMPARE(campos::Distintos(codigo), campos);
    }

    void codigoLleno_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<Dados>("dados");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("valor por omisión") << "${n:10}" << Dados() << "10";
        QTest::newRow("valor escrito") << "x=${n:10};" << Dados{{"n", "5"}} << "x=5;";
        QTest::newRow("repetido lleno igual") << "${a}+${a:9}" << Dados{{"a", "1"}} << "1+1";
        QTest::newRow("vaciado a propósito") << "[${a:x}]" << Dados{{"a", ""}} << "[]";
        QTest::newRow("escapado queda literal") << "$${a} ${a}" << Dados{{"a", "z"}} << "${a} z";
        QTest::newRow("escapado sin campos") << "echo $${HOME}" << Dados() << "echo ${HOME}";
        QTest::newRow("dólares sueltos intactos") << "$a $$ $$$ ${" << Dados() << "$a $$ $$$ ${";
        QTest::newRow("un valor no se vuelve a llenar") << "${a}" << Dados{{"a", "${b:1}"}} << "${b:1}";
        QTest::newRow("varias líneas") << "a\n  ${x:1}\nb ${y}" << Dados{{"y", "ñ"}} << "a\n  1\nb ñ";
        QTest::newRow("comillas") << "s = \"${texto:hola}\";" << Dados() << "s = \"hola\";";
        QTest::newRow("valor abierto al final de la línea queda escrito")
            << "a=${a:x\n}\n${b}" << Dados{{"b", "1"}} << "a=${a:x\n}\n1";
        // A default that names another field takes that field's value, as given or as offered.
        QTest::newRow("valor que nombra otro campo lleno")
            << "x=${a:${b}} y=${b:2}" << Dados{{"a", "${b}"}, {"b", "5"}} << "x=5 y=5";
        QTest::newRow("valor que nombra otro campo ofrecido")
            << "x=${a:${b}} y=${b:2}" << Dados{{"a", "${b}"}, {"b", "2"}} << "x=2 y=2";
        QTest::newRow("valor que nombra otro campo sin formulario") << "x=${a:${b}} y=${b:2}" << Dados() << "x=2 y=2";
        QTest::newRow("valor cambiado no se llena") << "x=${a:${b}} y=${b:2}" << Dados{{"a", "7"}} << "x=7 y=2";
        QTest::newRow("texto con campos en un valor")
            << "${url:http://${host:localhost}:${puerto:80}/}" << Dados{{"puerto", "8080"}}
            << "http://localhost:8080/";
        QTest::newRow("cadena de valores") << "${a:${b}} ${b:${c}} ${c:1}" << Dados{{"c", "3"}} << "3 3 3";
        QTest::newRow("valores que se nombran en círculo") << "[${a:${b}}|${b:${a}}]" << Dados() << "[|]";
        QTest::newRow("escapado dentro de un valor") << "${a:$${b}}" << Dados() << "${b}";
        QTest::newRow("elección ofrecida") << "color: ${c|rojo,verde|};" << Dados() << "color: rojo;";
        QTest::newRow("dólar y campo") << "$$${v:x} = 1;" << Dados() << "$x = 1;";
        QTest::newRow("dos pares de dólares y llave") << "$$$${x}" << Dados() << "$${x}";
    }
    void codigoLleno() {
        QFETCH(QString, codigo);
        QFETCH(Dados, dados);
        QFETCH(QString, esperado);
        QCOMPARE(campos::Llenar(codigo, dados), esperado);
    }

    // A code with more distinct fields than are asked for has none: nothing to ask, and the copy is
    // the code as written. Its nested fields count too.
    void camposDeMas_data() {
        QTest::addColumn<int>("distintos");
        QTest::addColumn<bool>("anidados");
        QTest::addColumn<bool>("demasiados");
        QTest::newRow("justo el máximo") << campos::kMaximo << false << false;
        QTest::newRow("uno más") << campos::kMaximo + 1 << false << true;
        QTest::newRow("uno más, dentro de valores") << campos::kMaximo + 1 << true << true;
        QTest::newRow("cien mil") << 100000 << false << true;
    }
    void camposDeMas() {
        QFETCH(int, distintos);
        QFETCH(bool, anidados);
        QFETCH(bool, demasiados);
        QString codigo = "$${x} ";
        if (anidados) {
            for (int i = 0; i < distintos / 2; ++i)
                codigo += QString("${a%1:${b%1}}\n").arg(i);
            if (distintos % 2)
                codigo += "${z}\n";
        } else {
            for (int i = 0; i < distintos; ++i)
                codigo += QString("${c%1:%1} ${c%1}\n").arg(i);
        }
        bool dice = !demasiados;
        const Campos hallados = campos::Distintos(codigo, &dice);
        QCOMPARE(dice, demasiados);
        QCOMPARE(hallados.size(), demasiados ? 0 : distintos);
        QCOMPARE(campos::Lugares(codigo).isEmpty(), demasiados);
        bool excedido = !demasiados;
        const QString lleno = campos::Llenar(codigo, {}, &excedido);
        QCOMPARE(excedido, demasiados);
        QCOMPARE(lleno == codigo, demasiados);
    }

    // Defaults that name each other twice over would double the copy at each step: past the
    // growth limit the code is copied as written.
    void crecimientoSinLimiteSeCopiaComoEsta() {
        QString codigo;
        for (int i = 0; i < 40; ++i)
            codigo += QString("${c%1:${c%2}${c%2}}\n").arg(i).arg(i + 1);
        codigo += "${c40:xxxxxxxx}";
        bool excedido = false;
        QCOMPARE(campos::Llenar(codigo, {}, &excedido), codigo);
        QVERIFY(excedido);
        // Its first steps, within the limit, are filled.
        bool pocos = true;
        QCOMPARE(campos::Llenar("${a:${b}${b}} ${b:xy}", {}, &pocos), "xyxy xy");
        QVERIFY(!pocos);
    }

    // Where each field is written, for the editor's marks: the whole `${...}`.
    void lugaresDeLosCampos() {
        const QString codigo = "é ${a} $${b} ${c:1}";
        const QVector<campos::Lugar> l = campos::Lugares(codigo);
        QCOMPARE(l.size(), 2);
        QCOMPARE(codigo.mid(l[0].inicio, l[0].largo), "${a}");
        QCOMPARE(codigo.mid(l[1].inicio, l[1].largo), "${c:1}");
        // A field inside a default is part of it.
        const QString anidado = "${a:${b}}!";
        const QVector<campos::Lugar> m = campos::Lugares(anidado);
        QCOMPARE(m.size(), 1);
        QCOMPARE(anidado.mid(m[0].inicio, m[0].largo), "${a:${b}}");
        QCOMPARE(m[0].valor, "${b}");
    }
};

QTEST_GUILESS_MAIN(tst_campos)
#include "tst_campos.moc"
