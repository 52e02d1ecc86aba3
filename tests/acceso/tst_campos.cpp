// Fill-in fields of a code: which fields a code asks for, and the code they fill.
#include "format/Campos.h"

#include <QtTest>

class tst_campos : public QObject {
    Q_OBJECT
private slots:
    void camposDistintosEnOrden_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<QStringList>("valores");
        QTest::newRow("sin campos") << "int x = 0;" << QStringList() << QStringList();
        QTest::newRow("uno sin valor") << "hola ${nombre}" << QStringList{"nombre"} << QStringList{""};
        QTest::newRow("uno con valor") << "espera(${ms:300});" << QStringList{"ms"} << QStringList{"300"};
        QTest::newRow("en orden de aparición") << "${b} ${a:1}" << QStringList{"b", "a"} << QStringList{"", "1"};
        QTest::newRow("repetido: una caja, el primer valor escrito")
            << "${b} ${a:1} ${b:2} ${a:3}" << QStringList{"b", "a"} << QStringList{"2", "1"};
        QTest::newRow("escapado no es campo") << "$${x} ${y}" << QStringList{"y"} << QStringList{""};
        QTest::newRow("sin cierre en su línea") << "${a\n}" << QStringList() << QStringList();
        QTest::newRow("nombre vacío") << "${} ${:x}" << QStringList() << QStringList();
        QTest::newRow("acentos") << "${año:2024} ${canción}" << QStringList{"año", "canción"}
                                 << QStringList{"2024", ""};
        QTest::newRow("valor con dos puntos") << "${url:http://x:80}" << QStringList{"url"}
                                              << QStringList{"http://x:80"};
        QTest::newRow("valor vacío escrito") << "${a:}" << QStringList{"a"} << QStringList{""};
        QTest::newRow("llave sin dólar") << "{a} $ {b}" << QStringList() << QStringList();
    }
    void camposDistintosEnOrden() {
        QFETCH(QString, codigo);
        QFETCH(QStringList, nombres);
        QFETCH(QStringList, valores);
        QStringList n, v;
        for (const campos::Campo &c : campos::Distintos(codigo)) {
            n << c.nombre;
            v << c.valor;
        }
        QCOMPARE(n, nombres);
        QCOMPARE(v, valores);
    }

    void codigoLleno_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<QStringList>("valores");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("valor por omisión") << "${n:10}" << QStringList() << QStringList() << "10";
        QTest::newRow("valor escrito") << "x=${n:10};" << QStringList{"n"} << QStringList{"5"} << "x=5;";
        QTest::newRow("repetido lleno igual") << "${a}+${a:9}" << QStringList{"a"} << QStringList{"1"} << "1+1";
        QTest::newRow("vaciado a propósito") << "[${a:x}]" << QStringList{"a"} << QStringList{""} << "[]";
        QTest::newRow("escapado queda literal") << "$${a} ${a}" << QStringList{"a"} << QStringList{"z"} << "${a} z";
        QTest::newRow("escapado sin campos") << "echo $${HOME}" << QStringList() << QStringList()
                                             << "echo ${HOME}";
        QTest::newRow("dólares sueltos intactos") << "$a $$ $$$ ${" << QStringList() << QStringList()
                                                  << "$a $$ $$$ ${";
        QTest::newRow("un valor no se vuelve a llenar") << "${a}" << QStringList{"a"} << QStringList{"${b:1}"}
                                                        << "${b:1}";
        QTest::newRow("varias líneas") << "a\n  ${x:1}\nb ${y}" << QStringList{"y"} << QStringList{"ñ"}
                                       << "a\n  1\nb ñ";
        QTest::newRow("comillas") << "s = \"${texto:hola}\";" << QStringList() << QStringList()
                                  << "s = \"hola\";";
    }
    void codigoLleno() {
        QFETCH(QString, codigo);
        QFETCH(QStringList, nombres);
        QFETCH(QStringList, valores);
        QFETCH(QString, esperado);
        QMap<QString, QString> dados;
        for (int i = 0; i < nombres.size(); ++i)
            dados.insert(nombres[i], valores[i]);
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
