// What snippets brought to the fill-in fields: a choice among texts, and a `$` written just before a
// field; read by the field reader, asked for by the real form.
#include "format/Campos.h"
#include "ui/frmCampos.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using Campos = QVector<campos::Campo>;

class tst_eleccion : public QObject {
    Q_OBJECT
private slots:
    void camposLeidos_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<Campos>("campos");
        QTest::newRow("elección") << "${color|rojo,verde|}" << Campos{{"color", "rojo", {"rojo", "verde"}}};
        QTest::newRow("elección con valor escrito aparte")
            << "${c|a,b|} ${c:b}" << Campos{{"c", "b", {"a", "b"}}};
        QTest::newRow("barras sin forma de elección") << "${a|b}" << Campos{{"a|b", ""}};
        QTest::newRow("dólar delante de un campo") << "$$${x}" << Campos{{"x", ""}};
        QTest::newRow("dos pares son texto") << "$$$${x}" << Campos();
    }
    void camposLeidos() {
        QFETCH(QString, codigo);
        QFETCH(Campos, campos);
        QCOMPARE(campos::Distintos(codigo), campos);
    }

    void codigoLleno_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("lleno");
        QTest::newRow("elección ofrecida") << "color: ${c|rojo,verde|};" << "color: rojo;";
        QTest::newRow("dólar y campo") << "$$${v:x} = 1;" << "$x = 1;";
        QTest::newRow("dólar y llave") << "$$$${x}" << "$${x}";
        QTest::newRow("dólares sin llave") << "$$$ x" << "$$$ x";
    }
    void codigoLleno() {
        QFETCH(QString, codigo);
        QFETCH(QString, lleno);
        QCOMPARE(campos::Llenar(codigo, {}), lleno);
    }

    // The form offers a choice's texts in a list that still takes one typed.
    void formularioOfreceLasOpciones() {
        frmCampos f(campos::Distintos("color: ${color|rojo,verde,azul|}; ancho: ${ancho:1}"), nullptr);
        auto *lista = f.findChild<QComboBox *>("cboCampo0");
        QVERIFY(lista);
        QCOMPARE(lista->count(), 3);
        QCOMPARE(lista->itemText(2), QStringLiteral("azul"));
        QCOMPARE(f.txtCampos[0]->text(), QStringLiteral("rojo"));
        lista->setCurrentIndex(2);
        QCOMPARE(f.valores().value("color"), QStringLiteral("azul"));
        f.txtCampos[0]->setText(QStringLiteral("negro"));
        QCOMPARE(f.valores().value("color"), QStringLiteral("negro"));
        QVERIFY(!f.findChild<QComboBox *>("cboCampo1"));
        QCOMPARE(f.txtCampos[1]->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(tst_eleccion)
#include "tst_eleccion.moc"
