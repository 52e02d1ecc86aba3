// The preferences file: profile-function semantics, conversions and the exact bytes written.
#include "AyudasNucleo.h"
#include "core/mdlINI.h"

#include <QtTest>

using namespace mdlINI;

class tst_ini : public QObject {
    Q_OBJECT
private slots:
    // Sections and keys in any case, the first section of a name wins, present-but-empty is not the
    // default, quotes are taken off, and keys outside a section or lines without '=' are ignored.
    void semantica() {
        Ini ini;
        ini.cargarBytes("clave=fuera\r\n[Uno]\r\nA = 1 \r\nsin igual\r\nvacia=\r\ncomillas=\"x y\"\r\n"
                        "[uno]\r\nA=segunda\r\n[Otra]\r\nA=3\r\n");
        QStringList leidos;
        for (const QString k : {"UNO/a", "Uno/vacia", "Uno/falta", "Nada/A", "Uno/comillas", "Uno/sin igual",
                                 "Otra/A", "/clave"})
            leidos << ini.leer(k.section('/', 0, 0), k.section('/', 1), "d");
        QCOMPARE(leidos, (QStringList{"1", "", "d", "d", "x y", "d", "3", "d"}));
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

    // A text that does not convert leaves the value as it was.
    void aEntero_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("convierte");
        QTest::addColumn<int>("valor");
        QTest::newRow("espacios") << " 12 " << true << 12;
        QTest::newRow("medio hacia abajo") << "2.5" << true << 2;
        QTest::newRow("medio hacia arriba") << "3.5" << true << 4;
        QTest::newRow("negativo") << "-1" << true << -1;
        QTest::newRow("letras") << "abc" << false << 7;
        QTest::newRow("vacío") << "" << false << 7;
        QTest::newRow("fuera de rango") << "40000" << false << 7;
    }
    void aEntero() {
        QFETCH(QString, texto);
        QFETCH(bool, convierte);
        QFETCH(int, valor);
        int n = 7;
        QCOMPARE(AEntero(texto, n), convierte);
        QCOMPARE(n, valor);
    }
    void aBooleano_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("convierte");
        QTest::addColumn<bool>("valor");
        QTest::newRow("True") << "True" << true << true;
        QTest::newRow("false") << "false" << true << false;
        QTest::newRow("-1") << "-1" << true << true;
        QTest::newRow("0") << "0" << true << false;
        QTest::newRow("otra palabra") << "quizá" << false << true;
    }
    void aBooleano() {
        QFETCH(QString, texto);
        QFETCH(bool, convierte);
        QFETCH(bool, valor);
        bool b = true;
        QCOMPARE(ABooleano(texto, b), convierte);
        QCOMPARE(b, valor);
    }
    // No file: defaults, no save until the folder exists; then a first close's bytes and a shrinking list.
    void sinArchivoYPrimerCierre() {
        ayudas::Carpeta c;
        QCOMPARE(CargarPreferencias(c.estado), QStringList{"Todas"});
        QVERIFY(!GuardarPreferencias(c.estado, "Todas", {"Todas"}));
        QVERIFY(!QFile::exists(c.estado.rutaConfig()));
        QDir().mkpath(c.estado.carpetaPreferencias());
        QVERIFY(GuardarPreferencias(c.estado, "Todas", {"Todas"}));
        QCOMPARE(ayudas::LeerBytes(c.estado.rutaConfig()),
                 QByteArray("[Categor\xed" "a]\r\nReemplazar=1\r\nMostrar=Todas\r\nMostrarTodas=1\r\nRuta=Categorias\r\n"
                            "\r\n[Email]\r\nMSOutlook=1\r\n\r\n[Script]\r\nIncluirTags=0\r\n\r\n[Exportar]\r\n"
                            "Extension=html\r\nTag=0\r\n\r\n[Ventana]\r\nDerecha=False\r\nIzquierda=False\r\n\r\n"
                            "[Fuente]\r\nTipo=6\r\nFamilia=\r\n\r\n[Historial]\r\nAutomatico=1\r\n\r\n[Sincronizar]\r\nRemoto=\r\n\r\n"
                            "[Vista]\r\nCodigo=True\r\n\r\n[Panel]\r\nCategor\xed" "as=1\r\nNombre0=Todas\r\n"));
        // Keys of a longer list stay in the file, but the count decides what is read.
        QVERIFY(GuardarPreferencias(c.estado, "a", {"a", "b", "c", "d", "e"}));
        QVERIFY(GuardarPreferencias(c.estado, "a", {"a", "b"}));
        QVERIFY(ayudas::LeerBytes(c.estado.rutaConfig()).contains("Nombre4=e"));
        QCOMPARE(CargarPreferencias(c.estado), (QStringList{"a", "b"}));
    }

    void panel_data() {
        QTest::addColumn<QByteArray>("seccion");
        QTest::addColumn<QStringList>("entradas");
        QTest::newRow("hueco") << QByteArray("3\r\nNombre0=a\r\nNombre2=c\r\n") << QStringList{"a", "", "c"};
        QTest::newRow("cero") << QByteArray("0\r\nNombre0=a\r\n") << QStringList{};
        QTest::newRow("vacío") << QByteArray("\r\nNombre0=a\r\n") << QStringList{};
        QTest::newRow("letras") << QByteArray("abc\r\nNombre0=a\r\n") << QStringList{};
        QTest::newRow("número y letras") << QByteArray("1x\r\nNombre0=a\r\n") << QStringList{"a"};
        QTest::newRow("negativo") << QByteArray("-5\r\n") << QStringList{};
        QTest::newRow("enorme") << QByteArray("100000\r\n") << QStringList{};
        // A broken count: the entries that are there, up to the last one, gaps kept; only keys the
        // program would write count ("Nombre01" is not entry 1).
        QTest::newRow("enorme con entradas")
            << QByteArray("99999\r\nNombre0=a\r\nnombre2=c\r\nNombre01=x\r\nNombre=y\r\nNombre-3=z\r\n")
            << QStringList{"a", "", "c"};
    }
    void panel() {
        QFETCH(QByteArray, seccion);
        QFETCH(QStringList, entradas);
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(), "[Panel]\r\nCategor\xed" "as=" + seccion);
        QCOMPARE(CargarPreferencias(c.estado), entradas);
    }

    // Windows-1252 as the program writes it; UTF-8 as a text editor may save it: with the mark, or
    // without it when the file's own names with "í" are spelt in UTF-8 and every line is UTF-8.
    // Written back in Windows-1252, without the mark.
    void codificacion_data() {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("seccion");
        QTest::addColumn<QString>("valor"); // of the section's key Mostrar
        QTest::addColumn<QByteArray>("escrito");
        const QString categoria = QStringLiteral("Categoría");
        const QByteArray cp = "[Categor\xed" "a]\r\nMostrar=";
        const QByteArray u8 = "[Categor\xc3\xad" "a]\r\nMostrar=";
        const QByteArray bom = "\xEF\xBB\xBF";
        QTest::newRow("windows-1252") << cp + "Men\xfas\r\n" << categoria << "Menús" << cp + "Men\xfas\r\n";
        QTest::newRow("utf-8 con marca") << bom + u8 + "Men\xc3\xbas\r\n" << categoria << "Menús"
                                         << cp + "Men\xfas\r\n";
        QTest::newRow("marca y una línea que no es utf-8")
            << bom + u8 + "Men\xfas\r\n" << categoria << "Menús" << cp + "Men\xfas\r\n";
        QTest::newRow("utf-8 sin marca") << u8 + "Men\xc3\xbas\r\n" << categoria << "Menús"
                                         << cp + "Men\xfas\r\n";
        QTest::newRow("windows-1252 que también sería utf-8")
            << cp + "\xc3\xa9\r\n" << categoria << "Ã©" << cp + "\xc3\xa9\r\n";
        QTest::newRow("utf-8 válido sin nombres propios")
            << QByteArray("[Exportar]\r\nMostrar=\xc3\xa9\r\n") << "Exportar" << "Ã©"
            << QByteArray("[Exportar]\r\nMostrar=\xc3\xa9\r\n");
    }
    void codificacion() {
        QFETCH(QByteArray, datos);
        QFETCH(QString, seccion);
        QFETCH(QString, valor);
        QFETCH(QByteArray, escrito);
        Ini ini;
        ini.cargarBytes(datos);
        QCOMPARE(ini.leer(seccion, "Mostrar", "d"), valor);
        QCOMPARE(ini.bytes(), escrito);
    }

    // A broken file: values that do not convert keep the start value (not the key's default), a
    // repeated section is not read, and loose lines are ignored.
    void configRoto() {
        ayudas::Carpeta c;
        ayudas::EscribirBytes(c.estado.rutaConfig(),
                              "suelta=1\r\n[Categor\xed" "a]\r\nsin igual\r\nMostrarTodas=letras\r\nMostrar=me\r\n"
                              "Reemplazar=-99999999999\r\n[Categor\xed" "a]\r\nMostrar=b\r\n[Ventana]\r\nDerecha=-1\r\n"
                              "Izquierda=\r\n[Fuente]\r\nTipo=1e400\r\n");
        CargarPreferencias(c.estado);
        QCOMPARE(c.estado.Mostrar, QStringLiteral("me"));
        const Estado &e = c.estado;
        QCOMPARE((QList<int>{e.MostrarTodas, e.Reemplazar, e.Tipo, e.Derecha, e.Izquierda}), (QList<int>{0, 0, 0, 1, 0}));
    }
};

QTEST_MAIN(tst_ini)
#include "tst_ini.moc"
