// The category file: bytes written and read, the reader's tolerance, Windows-1252, and a list read and saved.
#include "Ayudas.h"
#include "core/Cp1252.h"
#include "format/mdlScripts.h"
#include "ui/mdlScriptsVista.h"
#include "ui/main/ListaScripts.h"

#include <QProgressBar>
#include <QtTest>

using namespace mdlScripts;

class tst_formato : public QObject {
    Q_OBJECT
private slots:
    void escribirYLeer() {
        // A comma inside a field is no separator. (Every byte, accents, line ends, the quote token and
        // empty fields, both ways: tst_codificacion.)
        const Script hola{"Hola, mundo", "Saludo", "alert(1);\r\nreturn;", "5"};
        const QByteArray bytes("\"Hola, mundo\"\r\n\"Saludo\"\r\n\"alert(1);\r\nreturn;\"\r\n\"5\"\r\n");
        QCOMPARE(Componer({hola}), bytes);
        QCOMPARE(Analizar(bytes), QVector<Script>{hola});
        QVERIFY(Analizar(QByteArray()).isEmpty());
        QVector<Script> muchos(40000, Script{"n", "d", "c", "1"});
        for (int i = 0; i < muchos.size(); i += 997)
            muchos[i].Nombre = QString::number(i);
        QCOMPARE(Analizar(Componer(muchos)), muchos); // no 16-bit limit
    }

    void reglasDelLector_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("campos");
        // The fields of the records read, in order, written one after another with "|" between them.
        auto fila = [](const char *nombre, const QByteArray &bytes, const QString &campos) {
            QTest::newRow(nombre) << bytes << campos.split(QLatin1Char('|'));
        };
        fila("comas en una línea", "\"a\",\"b\"\r\n\"c\",\"d\"\r\n", "a|b|c|d");
        fila("espacios delante", "   \"a\"\r\n  b  \r\n\"c\"\r\n\"d\"\r\n", "a|b|c|d");
        fila("resto tras la comilla", "\"a\"xyz\r\n\"b\"\r\n\"c\"\r\n\"d\"\r\n", "a|b|c|d");
        fila("comilla sin cerrar", "\"a\"\r\n\"b\"\r\n\"sin fin\r\nmas", "a|b|sin fin\r\nmas|");
        fila("registro incompleto", "\"a\"\r\n\"b\"\r\n", "a|b||");
        fila("finales LF y CR solos", "\"a\"\n\"b\"\r\"c\"\n\"d\"\r", "a|b|c|d");
        fila("línea vacía al final", "\"a\"\r\n\"b\"\r\n\"c\"\r\n\"d\"\r\n\r\n  \r\n", "a|b|c|d");
        fila("comilla suelta sin comillas", "a\"b\r\nc\r\nx\"y\r\nd\r\n", "a b|c|x*RTN*y|d");
        fila("bytes NUL y C1", QByteArray("\"\0\x81\x9f\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n", 19),
             QString::fromUtf16(u"\0\u0081\u0178|||", 6));
    }
    void reglasDelLector() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, campos);
        const auto s = Analizar(bytes);
        QStringList obtenidos;
        for (const Script &x : s)
            obtenidos << x.Nombre << x.Descripcion << x.Codigo << x.Puntaje;
        QCOMPARE(obtenidos, campos);
        // Whatever the reader accepts, the writer stores and the reader gives back unchanged.
        QCOMPARE(Analizar(Componer(s)), s);
        // Code left in the file's bytes decodes to what the eager reader gives.
        QVector<Tramo> tramos;
        QVector<Script> perezosos = Analizar(bytes, tramos);
        QCOMPARE(tramos.size(), perezosos.size());
        for (int i = 0; i < perezosos.size(); ++i)
            if (tramos[i].inicio >= 0)
                perezosos[i].Codigo = cp1252::Decodificar(bytes.constData() + tramos[i].inicio, tramos[i].largo);
        QCOMPARE(perezosos, s);
    }

    void cp1252Completo() {
        QCOMPARE(cp1252::Decodificar(QByteArray("\x80\xe1")), QString::fromUtf8("€á"));
        QCOMPARE(cp1252::Codificar(QString::fromUtf8("a\u4e2dz\U0001F600")), QByteArray("a?z?"));
        QVERIFY(cp1252::Representable(QString::fromUtf8("¿Qué tal? € ñ")));
        QVERIFY(!cp1252::Representable(QString::fromUtf8("λ")));
        QCOMPARE(cp1252::NoRepresentables(QString::fromUtf8("aλbλ→")), QString::fromUtf8("λ→"));
    }

    void leerEnLista() {
        ayudas::Carpeta c;
        c.categoria(QStringLiteral("X"), ayudas::Registro("c", "", "*RTN*", "") + ayudas::Registro("d", "", "", ""));
        ListaScripts lista;
        lista.setSortingEnabled(false);
        vista::Anexar(&lista, {{"a", "", "", ""}, {"b", "", "", ""}});
        QProgressBar barra;
        QVERIFY(LeerCategoria(&lista, c.estado.rutaCategoria(QStringLiteral("X")), &barra));
        QCOMPARE(ayudas::Textos(&lista), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(lista.topLevelItem(2)->text(2), QStringLiteral("*RTN*"));
        QCOMPARE((QList<int>{barra.maximum(), barra.value()}), (QList<int>{200, 0})); // back at rest

        // A folder named like a category adds nothing and is reported by name.
        QDir().mkpath(c.estado.rutaCategoria(QStringLiteral("Carpeta")));
        const auto m = ayudas::Contestar(QMessageBox::Ok);
        QVERIFY(!LeerCategoria(&lista, c.estado.rutaCategoria(QStringLiteral("Carpeta")), nullptr));
        QVERIFY2(m->texto.contains(QStringLiteral("Carpeta")), qPrintable(m->texto));
        QCOMPARE(lista.topLevelItemCount(), 4);

        // A row keeps its code as the file's bytes: read, saved and replaced like any other field.
        const QByteArray original = ayudas::Registro("e", "", "\x80 *RTN*\r\n\xe1", "3");
        c.categoria(QStringLiteral("Y"), original);
        ListaScripts otra;
        QVERIFY(LeerCategoria(&otra, c.estado.rutaCategoria(QStringLiteral("Y")), nullptr));
        QTreeWidgetItem *e = otra.topLevelItem(0);
        QCOMPARE(vista::Campo(e, vista::ColCodigo), QString::fromUtf8("€ *RTN*\r\ná"));
        const QString copia = c.estado.rutaCategoria(QStringLiteral("Z"));
        QVERIFY(GuardarLW(&otra, copia));
        QCOMPARE(ayudas::LeerBytes(copia), original);
        e->setText(vista::ColCodigo, QStringLiteral("nuevo"));
        QCOMPARE(vista::ScriptDe(e), (Script{"e", "", "nuevo", "3"}));
    }
};

QTEST_MAIN(tst_formato)
#include "tst_formato.moc"
