// What snippets brought to the fill-in fields, a choice among texts, asked for by the real form (how
// the field reader takes choices and `$` before a field is tst_campos').
#include "format/Campos.h"
#include "ui/frmCampos.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class tst_eleccion : public QObject {
    Q_OBJECT
private slots:
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
