// Category files in UTF-8 beside Windows-1252 ones, without windows: reading, writing, merging and
// searching both, and the preview page's encoding.
#include "AyudasNucleo.h"
#include "search/Busqueda.h"
#include "core/Exportar.h"
#include "search/IndiceBiblioteca.h"
#include "history/Mezcla.h"
#include "format/mdlScripts.h"

#include <QtTest>

namespace {
using ayudas::Registro;
using Tipo = codificacion::Tipo;

const QByteArray kBom("\xEF\xBB\xBF");

QString U(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

class tst_codificacion : public QObject {
    Q_OBJECT
private slots:
    void sinMarcaSigueSiendoWindows1252() {
        // The same bytes without the mark are read as Windows-1252, as every file always was.
        const QVector<Script> s = mdlScripts::Analizar(Registro("T\xc3\xadtulo", "d", "c", "1"));
        QCOMPARE(s[0].Nombre, U("TÃ­tulo"));
    }

    // Read and written again, a file is the same bytes: Windows-1252 with each of its 256 bytes, and
    // UTF-8 with its mark, CR LF, the quote token and characters outside the basic plane.
    void idaYVueltaByteAByte_data() {
        QTest::addColumn<QByteArray>("archivo");
        QByteArray altos;
        for (int b = 0x80; b <= 0xFF; ++b)
            altos.append(char(b));
        QTest::newRow("windows-1252 con todos los bytes altos") << Registro("Nombre \xe9", "desc \x80", altos, "1");
        QTest::newRow("windows-1252 de varias líneas")
            << Registro("a", "b", "l\xednea1\r\nl\xednea2 *RTN*", "2") + Registro("c", "d", "", "");
        QTest::newRow("utf-8 con marca")
            << kBom + Registro("\xce\xbb", "\xe2\x86\x92", "a\r\n\xf0\x9f\x98\x80 *RTN*b*RTN*", "3") +
                   Registro("T\xc3\xadtulo", "\xe2\x82\xac", "x", "1");
        QTest::newRow("utf-8 vacío, solo la marca") << kBom;
        // A field of the user's that begins with U+FEFF is text, not a second mark (found by fuzzing).
        QTest::newRow("utf-8 con U+FEFF al empezar cada campo")
            << kBom + Registro("\xef\xbb\xbfn", "\xef\xbb\xbf", "\xef\xbb\xbf\tc", "\xef\xbb\xbf" "1");
    }
    void idaYVueltaByteAByte() {
        QFETCH(QByteArray, archivo);
        const QVector<Script> s = mdlScripts::Analizar(archivo);
        QCOMPARE(mdlScripts::Componer(s, codificacion::De(archivo)), archivo);
        // With the code left undecoded and written back from the file's bytes, too.
        QVector<mdlScripts::Tramo> tramos;
        const QVector<Script> perezosos = mdlScripts::Analizar(archivo, tramos);
        QByteArray escrito = archivo.left(codificacion::Inicio(codificacion::De(archivo)));
        for (int i = 0; i < perezosos.size(); ++i) {
            QCOMPARE(mdlScripts::Codigo(archivo, tramos[i]), s[i].Codigo);
            mdlScripts::AgregarRegistro(escrito, perezosos[i],
                                        QByteArrayView(archivo.constData() + tramos[i].inicio, tramos[i].largo),
                                        codificacion::De(archivo));
        }
        QCOMPARE(escrito, archivo);
    }

    void guardarYLeerElArchivoConservaLaCodificacion() {
        ayudas::Carpeta c;
        const QString ruta = c.estado.rutaCategoria("Uni");
        c.categoria("Uni", QByteArray());
        const QVector<Script> s{{U("λ"), U("→ ✓ Ω"), U("x = \"λ\""), "1"}};
        QVERIFY(mdlScripts::GuardarArchivo(ruta, s, nullptr, Tipo::Utf8));
        QVERIFY(ayudas::LeerBytes(ruta).startsWith(kBom));
        QVector<Script> leidos;
        Tipo tipo = Tipo::Cp1252;
        QVERIFY(mdlScripts::LeerArchivo(ruta, leidos, nullptr, &tipo));
        QCOMPARE(tipo, Tipo::Utf8);
        QCOMPARE(leidos, (QVector<Script>{{U("λ"), U("→ ✓ Ω"), U("x = *RTN*λ*RTN*"), "1"}}));
    }

    void loQueCadaCodificacionNoPuedeGuardar_data() {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("rechazados");
        QTest::newRow("windows-1252: lo que no está en la tabla") << int(Tipo::Cp1252) << U("λ → é € ✓ λ") << U("λ→✓");
        QTest::newRow("utf-8: todo") << int(Tipo::Utf8) << U("λ → é € ✓ 😀") << QString();
        QTest::newRow("utf-8: media pareja suelta")
            << int(Tipo::Utf8) << QString(QChar(0xD800)) + "a" << QString(QChar(0xD800));
    }
    void loQueCadaCodificacionNoPuedeGuardar() {
        QFETCH(int, tipo);
        QFETCH(QString, texto);
        QFETCH(QString, rechazados);
        QCOMPARE(codificacion::NoRepresentables(Tipo(tipo), texto), rechazados);
        QCOMPARE(codificacion::Representable(Tipo(tipo), texto), rechazados.isEmpty());
    }

    // A Windows-1252 copy and a UTF-8 copy each changed: both changes, in UTF-8, the rest once.
    void mezclaDeUnaYOtra() {
        const QByteArray base = Registro("Uno", "d\xe9", "c\xe9", "1") + Registro("Dos", "d", "c", "2") +
                                Registro("Tres", "d", "\xf1", "3");
        const QByteArray nuestra = Registro("Uno", "d\xe9", "c\xe9 nuevo", "1") + Registro("Dos", "d", "c", "2") +
                                   Registro("Tres", "d", "\xf1", "3");
        const QByteArray suya = kBom + Registro("Uno", "d\xc3\xa9", "c\xc3\xa9", "1") +
                                Registro("Dos", "d", "c \xce\xbb", "2") + Registro("Tres", "d", "\xc3\xb1", "3");
        const mezcla::MezclaCategoria m =
            mezcla::Mezclar(mezcla::Registros(base), mezcla::Registros(nuestra), mezcla::Registros(suya));
        QVERIFY(m.datos.startsWith(kBom));
        QCOMPARE(m.copias, QStringList());
        QCOMPARE(mdlScripts::Analizar(m.datos),
                 (QVector<Script>{{"Uno", U("dé"), U("cé nuevo"), "1"}, {"Dos", "d", U("c λ"), "2"}, {"Tres", "d", U("ñ"), "3"}}));
    }

    // The search reads and indexes a UTF-8 category as well as a Windows-1252 one.
    void buscarEnAmbas() {
        ayudas::Carpeta c;
        c.categoria("Griego", kBom + Registro("Lambda", "Funci\xc3\xb3n \xce\xbb", "const \xce\xbb = x => x; // \xe2\x9c\x93", "1"));
        c.categoria("Viejo", Registro("Acento", "Funci\xf3n vieja", "// \xe9", "1"));
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice indice(c.estado.carpetaPreferencias() + "/indice.db");
        QVERIFY(indice.AbrirParaEscribir());
        QCOMPARE(indice.Actualizar(carpeta).size(), 2);
        for (const QString &q : {U("λ"), U("✓"), U("función")}) {
            const biblioteca::Respuesta conIndice = indice.Buscar(carpeta, q, 10);
            const biblioteca::Respuesta leyendo = biblioteca::BuscarEnArchivos(carpeta, q, 10);
            QVERIFY2(!conIndice.hallazgos.isEmpty(), qPrintable(q));
            QCOMPARE(conIndice.hallazgos.size(), leyendo.hallazgos.size());
            QCOMPARE(conIndice.hallazgos[0].codigo, leyendo.hallazgos[0].codigo);
        }
        const biblioteca::Respuesta r = indice.Buscar(carpeta, U("λ"), 10);
        QCOMPARE(r.hallazgos[0].codigo, U("const λ = x => x; // ✓"));
    }

    // The page declares its encoding; the file is written in it.
    void codificacionDeclarada_data() {
        QTest::addColumn<QString>("pagina");
        QTest::addColumn<int>("tipo"); // -1: none declared
        QTest::newRow("meta charset utf-8") << "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" << int(Tipo::Utf8);
        QTest::newRow("meta charset sin comillas") << "<meta charset=UTF-8>" << int(Tipo::Utf8);
        QTest::newRow("http-equiv windows-1252")
            << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">" << int(Tipo::Cp1252);
        QTest::newRow("iso-8859-1 es windows-1252") << "<META CHARSET='ISO-8859-1'>" << int(Tipo::Cp1252);
        QTest::newRow("xml sin encoding es utf-8") << "<?xml version=\"1.0\"?><a/>" << int(Tipo::Utf8);
        QTest::newRow("xml windows-1252") << "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>" << int(Tipo::Cp1252);
        QTest::newRow("sin declaración") << "<html><body><pre>x</pre></body></html>" << -1;
        QTest::newRow("una que no escribimos") << "<meta charset=\"shift_jis\">" << -1;
    }
    void codificacionDeclarada() {
        QFETCH(QString, pagina);
        QFETCH(int, tipo);
        const std::optional<Tipo> t = exportar::Declarada(pagina);
        QCOMPARE(t ? int(*t) : -1, tipo);
    }

    void paginaEnLaCodificacionQueDeclara_data() {
        QTest::addColumn<QString>("pagina");
        QTest::addColumn<int>("categoria");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QByteArray>("bytes");
        const QString utf8 = U("<meta charset=\"utf-8\"><p>Título λ</p>");
        QTest::newRow("declara utf-8 en categoría windows-1252")
            << utf8 << int(Tipo::Cp1252) << false << utf8.toUtf8();
        const QString w = U("<meta charset=\"windows-1252\"><p>Título λ</p>");
        QTest::newRow("declara windows-1252 en categoría utf-8")
            << w << int(Tipo::Utf8) << false << QByteArray("<meta charset=\"windows-1252\"><p>T\xedtulo &#955;</p>");
        const QString pre = U("<html><body><pre>Título λ</pre></body></html>");
        QTest::newRow("envuelta en categoría windows-1252")
            << pre << int(Tipo::Cp1252) << true << QByteArray("<html><body><pre>T\xedtulo &#955;</pre></body></html>");
        QTest::newRow("envuelta en categoría utf-8") << pre << int(Tipo::Utf8) << true << kBom + pre.toUtf8();
        QTest::newRow("código sin página en windows-1252") << U("Título") << int(Tipo::Cp1252) << false
                                                            << QByteArray("T\xedtulo");
    }
    void paginaEnLaCodificacionQueDeclara() {
        QFETCH(QString, pagina);
        QFETCH(int, categoria);
        QFETCH(bool, html);
        QFETCH(QByteArray, bytes);
        QCOMPARE(exportar::Bytes(pagina, Tipo(categoria), html), bytes);
    }
};

QTEST_GUILESS_MAIN(tst_codificacion)
#include "tst_codificacion.moc"
