// The category file: bytes written and read, the reader's tolerance, Windows-1252, and a list read and saved.
#include "Ayudas.h"
#include "core/Cp1252.h"
#include "format/CategoriaAbierta.h"
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"
#include "ui/mdlScriptsVista.h"

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

    // A character outside the table is one "?", a pair of surrogates too. (What is and is not
    // representable: tst_codificacion.)
    void codificarSinEquivalente() {
        QCOMPARE(cp1252::Codificar(QString::fromUtf8("a\u4e2dz\U0001F600")), QByteArray("a?z?"));
    }

    // Opening and importing read into the open category; the bar ends at rest; a failure adds
    // nothing and says which category.
    void leerEImportarEnLaCategoria() {
        ayudas::Carpeta c;
        c.categoria(QStringLiteral("W"), ayudas::Registro("a", "", "", "") + ayudas::Registro("b", "", "", ""));
        c.categoria(QStringLiteral("X"), ayudas::Registro("c", "", "*RTN*", "") + ayudas::Registro("d", "", "", ""));
        CategoriaAbierta d;
        QProgressBar barra;
        QVERIFY(LeerCategoria(d, c.estado.rutaCategoria(QStringLiteral("W")), &barra, nullptr));
        QVERIFY(ImportarCategoria(d, c.estado.rutaCategoria(QStringLiteral("X")), &barra, nullptr));
        QStringList nombres;
        for (const Script &s : d.scripts())
            nombres << s.Nombre;
        QCOMPARE(nombres, (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(d.script(2).Codigo, QStringLiteral("*RTN*"));
        QCOMPARE((QList<int>{barra.maximum(), barra.value()}), (QList<int>{200, 0})); // back at rest

        QDir().mkpath(c.estado.rutaCategoria(QStringLiteral("Carpeta")));
        const auto m = ayudas::Contestar(QMessageBox::Ok);
        QVERIFY(!ImportarCategoria(d, c.estado.rutaCategoria(QStringLiteral("Carpeta")), nullptr, nullptr));
        QVERIFY2(m->texto.contains(QStringLiteral("Carpeta")), qPrintable(m->texto));
        QCOMPARE(d.cantidad(), 4);
    }

    // A category written back unchanged is the same bytes, in its own encoding; the copy becomes the
    // open file.
    void codigoParaElEditor_data() {
        QTest::addColumn<QString>("almacenado");
        QTest::addColumn<QString>("editor");
        QTest::newRow("comillas y saltos") << "a*RTN*b\r\nc" << "a\"b\nc";
        QTest::newRow("seguidos") << "*RTN**RTN*\r\n\r\n" << "\"\"\n\n";
        QTest::newRow("retorno suelto") << "a\r\r\nb\r" << "a\r\nb\r";
        QTest::newRow("marca a medias") << "**RTN* *RTN" << "*\" *RTN";
        QTest::newRow("retorno antes de la marca") << "\r*RTN*\n" << "\r\"\n";
        QTest::newRow("vacío") << "" << "";
    }
    // The stored code as the editor shows it: each mark a quote, each CR LF one line break; nothing
    // else changes, at the ends and between marks included.
    void codigoParaElEditor() {
        QFETCH(QString, almacenado);
        QFETCH(QString, editor);
        QCOMPARE(etiquetas::AEditor(almacenado), editor);
        QCOMPARE(etiquetas::AEditor(etiquetas::AAlmacen(editor)), editor);
    }

    void escribirDevuelveLosMismosBytes() {
        ayudas::Carpeta c;
        const QByteArray original = ayudas::Registro("e", "", "\x80 *RTN*\r\n\xe1", "3");
        c.categoria(QStringLiteral("Y"), original);
        CategoriaAbierta d;
        QVERIFY(LeerCategoria(d, c.estado.rutaCategoria(QStringLiteral("Y")), nullptr, nullptr));
        QCOMPARE(d.script(0).Codigo, QString::fromUtf8("€ *RTN*\r\ná"));
        const QString copia = c.estado.rutaCategoria(QStringLiteral("Z"));
        QString error;
        QVERIFY2(EscribirCategoria(d, copia, nullptr, &error), qPrintable(error));
        QCOMPARE(ayudas::LeerBytes(copia), original);
        QCOMPARE(d.nombre(), QStringLiteral("Z"));
    }
};

QTEST_MAIN(tst_formato)
#include "tst_formato.moc"
