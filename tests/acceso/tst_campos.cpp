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
        QTest::newRow("nombre vacío") << "${} ${:x}" << Campos();
        QTest::newRow("acentos") << "${año:2024} ${canción}" << Campos{{"año", "2024"}, {"canción", ""}};
        QTest::newRow("valor con dos puntos") << "${url:http://x:80}" << Campos{{"url", "http://x:80"}};
        QTest::newRow("valor vacío escrito") << "${a:}" << Campos{{"a", ""}};
        QTest::newRow("llave sin dólar") << "{a} $ {b}" << Campos();
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
    }
    void codigoLleno() {
        QFETCH(QString, codigo);
        QFETCH(Dados, dados);
        QFETCH(QString, esperado);
        QCOMPARE(campos::Llenar(codigo, dados), esperado);
    }

    // Where each field is written, for the editor's marks: the whole `${...}`.
    void lugaresDeLosCampos() {
        const QString codigo = "é ${a} $${b} ${c:1}";
        const QVector<campos::Lugar> l = campos::Lugares(codigo);
        QCOMPARE(l.size(), 2);
        QCOMPARE(codigo.mid(l[0].inicio, l[0].largo), "${a}");
        QCOMPARE(codigo.mid(l[1].inicio, l[1].largo), "${c:1}");
    }
};

QTEST_GUILESS_MAIN(tst_campos)
#include "tst_campos.moc"
