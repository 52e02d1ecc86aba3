// The preferences file: profile-function semantics, conversions and the exact bytes written.
#include "Ayudas.h"
#include "core/mdlINI.h"

#include <QtTest>

using namespace mdlINI;

class tst_ini : public QObject {
    Q_OBJECT
private slots:
    void semantica() {
        Ini ini;
        ini.cargarBytes("clave=fuera\r\n[Uno]\r\nA = 1 \r\nsin igual\r\nvacia=\r\ncomillas=\"x y\"\r\n"
                        "[uno]\r\nA=segunda\r\n[Otra]\r\nA=3\r\n");
        QCOMPARE(ini.leer("UNO", "a", "d"), QStringLiteral("1")); // case-insensitive, first section wins
        QCOMPARE(ini.leer("Uno", "vacia", "d"), QString());        // present but empty is not the default
        QCOMPARE(ini.leer("Uno", "falta", "d"), QStringLiteral("d"));
        QCOMPARE(ini.leer("Nada", "A", "d"), QStringLiteral("d"));
        QCOMPARE(ini.leer("Uno", "comillas", ""), QStringLiteral("x y"));
        QCOMPARE(ini.leer("Uno", "sin igual", "d"), QStringLiteral("d"));
        QCOMPARE(ini.leer("Otra", "A", ""), QStringLiteral("3"));
        QCOMPARE(ini.leer(QString(), "clave", "d"), QStringLiteral("d")); // keys outside a section are ignored
        ini.cargarBytes(QByteArray("[S]\r\nK=") + QByteArray(300, 'x') + "\r\n");
        QCOMPARE(ini.leer("S", "K", "").size(), 254);
    }

    void escribir() {
        Ini ini;
        ini.cargarBytes("; nota\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
        ini.escribir("a", "X", "9");
        ini.escribir("A", "z", "3");
        ini.escribir("C", "w", "lin\r\nea");
        QCOMPARE(ini.bytes(), QByteArray("; nota\r\n[A]\r\nX=9\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=lin  ea\r\n"));
        QCOMPARE(TextoHasta("abc\0def", QString(QChar(0))), QStringLiteral("abc"));
        QCOMPARE(TextoHasta("abc", "x"), QStringLiteral("abc"));
    }

    void conversiones() {
        int n = 7;
        QVERIFY(AEntero(" 12 ", n) && n == 12);
        QVERIFY(AEntero("2.5", n) && n == 2);
        QVERIFY(AEntero("3.5", n) && n == 4);
        QVERIFY(AEntero("-1", n) && n == -1);
        n = 7;
        QVERIFY(!AEntero("abc", n) && n == 7);
        QVERIFY(!AEntero("", n) && n == 7);
        QVERIFY(!AEntero("40000", n) && n == 7);
        bool b = false;
        QVERIFY(ABooleano("True", b) && b);
        QVERIFY(ABooleano("false", b) && !b);
        QVERIFY(ABooleano("-1", b) && b);
        QVERIFY(ABooleano("0", b) && !b);
        b = true;
        QVERIFY(!ABooleano("quizá", b) && b);
        QCOMPARE(Val("3abc"), 3.0);
        QCOMPARE(Val("abc"), 0.0);
        QCOMPARE(Val(""), 0.0);
    }

    void sinArchivoYPrimerCierre() {
        ayudas::Carpeta c;
        QCOMPARE(CargarPreferencias(c.estado), QStringList{"Todas"});
        QCOMPARE(c.estado.Mostrar, QStringLiteral("Todas"));
        QCOMPARE(c.estado.Reemplazar, 1);
        QCOMPARE(c.estado.Extension, QStringLiteral("html"));
        QVERIFY(!QFile::exists(c.estado.rutaConfig()));
        QDir().mkpath(c.estado.carpetaPreferencias());
        QVERIFY(GuardarPreferencias(c.estado, "Todas", {"Todas"}));
        const QByteArray esperado = "[Categor\xed" "a]\r\nReemplazar=1\r\nMostrar=Todas\r\nMostrarTodas=1\r\n"
                                    "Ruta=Categorias\r\n\r\n[Email]\r\nMSOutlook=1\r\n\r\n[Script]\r\nIncluirTags=0\r\n"
                                    "\r\n[Exportar]\r\nExtension=html\r\nTag=0\r\n\r\n[Ventana]\r\nDerecha=False\r\n"
                                    "Izquierda=False\r\n\r\n[Fuente]\r\nTipo=0\r\n\r\n[Panel]\r\nCategor\xed" "as=1\r\n"
                                    "Nombre0=Todas\r\n";
        QCOMPARE(ayudas::LeerBytes(c.estado.rutaConfig()), esperado);
        Estado otra;
        otra.carpeta = c.estado.carpeta;
        QCOMPARE(CargarPreferencias(otra), QStringList{"Todas"});
        QCOMPARE(otra.MostrarTodas, 1);
    }

    void panel_data() {
        QTest::addColumn<QByteArray>("seccion");
        QTest::addColumn<QStringList>("entradas");
        QTest::newRow("hueco") << QByteArray("Categor\xed" "as=3\r\nNombre0=a\r\nNombre2=c\r\n") << QStringList{"a", "", "c"};
        QTest::newRow("cero") << QByteArray("Categor\xed" "as=0\r\nNombre0=a\r\n") << QStringList{};
        QTest::newRow("vacío") << QByteArray("Categor\xed" "as=\r\nNombre0=a\r\n") << QStringList{};
        QTest::newRow("letras") << QByteArray("Categor\xed" "as=abc\r\nNombre0=a\r\n") << QStringList{};
        QTest::newRow("número y letras") << QByteArray("Categor\xed" "as=1x\r\nNombre0=a\r\n") << QStringList{"a"};
        QTest::newRow("negativo") << QByteArray("Categor\xed" "as=-5\r\n") << QStringList{};
        QTest::newRow("enorme") << QByteArray("Categor\xed" "as=100000\r\n") << QStringList{};
    }
    void panel() {
        QFETCH(QByteArray, seccion);
        QFETCH(QStringList, entradas);
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(), "[Panel]\r\n" + seccion);
        QCOMPARE(CargarPreferencias(c.estado), entradas);
    }

    void valoresQueNoConvierten() {
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(), "[Categor\xed" "a]\r\nMostrarTodas=letras\r\nMostrar=me\r\n"
                                                     "[Ventana]\r\nDerecha=-1\r\nIzquierda=0\r\n"
                                                     "[Fuente]\r\nTipo=99999999\r\n");
        CargarPreferencias(c.estado);
        QCOMPARE(c.estado.MostrarTodas, 0); // the start value, not the key's default
        QCOMPARE(c.estado.Mostrar, QStringLiteral("me"));
        QVERIFY(c.estado.Derecha);
        QVERIFY(!c.estado.Izquierda);
        QCOMPARE(c.estado.Tipo, 0);
    }

    void listaQueEncoge() {
        ayudas::Carpeta c;
        QDir().mkpath(c.estado.carpetaPreferencias());
        CargarPreferencias(c.estado);
        QVERIFY(GuardarPreferencias(c.estado, "a", {"a", "b", "c", "d", "e"}));
        QVERIFY(GuardarPreferencias(c.estado, "a", {"a", "b"}));
        const QByteArray bytes = ayudas::LeerBytes(c.estado.rutaConfig());
        QVERIFY(bytes.contains("Nombre4=e"));
        QCOMPARE(CargarPreferencias(c.estado), (QStringList{"a", "b"}));
    }

    void carpetaQueFalta() {
        ayudas::Carpeta c;
        CargarPreferencias(c.estado);
        QVERIFY(!GuardarPreferencias(c.estado, "Todas", {"Todas"})); // the folder is never made here
        QVERIFY(!QFile::exists(c.estado.rutaConfig()));
    }
};

QTEST_MAIN(tst_ini)
#include "tst_ini.moc"
