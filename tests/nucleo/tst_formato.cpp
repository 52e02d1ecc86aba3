// The category file: bytes written and read, the reader's tolerance, Windows-1252, safe saving.
#include "Ayudas.h"
#include "store/Cp1252.h"
#include "store/mdlScripts.h"
#include "store/mdlScriptsVista.h"
#include "ui/main/ListaScripts.h"

#include <QBuffer>
#include <QProgressBar>
#include <QtTest>

using namespace mdlScripts;

namespace {
// Accepts the first `limite` bytes, then fails like a full disk.
class DispositivoLleno : public QIODevice {
public:
    explicit DispositivoLleno(qint64 limite) : limite_(limite) { open(WriteOnly); }
    QByteArray escrito;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *d, qint64 n) override {
        const qint64 cabe = qMin(n, limite_ - qint64(escrito.size()));
        if (cabe <= 0) {
            setErrorString(QStringLiteral("No queda espacio en el dispositivo"));
            return -1;
        }
        escrito.append(d, cabe);
        return cabe;
    }

private:
    qint64 limite_;
};
} // namespace

class tst_formato : public QObject {
    Q_OBJECT
private slots:
    void ejemploExacto() {
        const QByteArray bytes = QByteArray::fromHex("22486F6C61220D0A"
                                                     "2253616C75646F220D0A"
                                                     "22616C6572742831293B0D0A72657475726E3B220D0A"
                                                     "2235220D0A");
        const Script hola{"Hola", "Saludo", "alert(1);\r\nreturn;", "5"};
        QCOMPARE(Componer({hola}), bytes);
        const auto leidos = Analizar(bytes);
        QCOMPARE(leidos.size(), 1);
        QCOMPARE(leidos[0], hola);
    }

    void idaYVuelta() {
        const QVector<Script> tres{{"A", "", "x = *RTN*hola*RTN*;", "1"},
                                   {"B, con coma", "desc, con coma", "l1\r\nl2\r\n", "10"},
                                   {"Ñandú", "acción €", "", ""}};
        const QByteArray bytes = Componer(tres);
        QVERIFY(bytes.contains("\"\"\r\n")); // an empty field is two quotes and CR LF
        QVERIFY(bytes.contains("\xd1" "and\xfa"));   // one byte per accented letter
        QVERIFY(bytes.contains('\x80'));              // the euro sign
        QCOMPARE(Analizar(bytes), tres);
    }

    void reglasDelLector_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("campos");
        QTest::newRow("comas en una línea") << QByteArray("\"a\",\"b\"\r\n\"c\",\"d\"\r\n")
                                             << QStringList{"a", "b", "c", "d"};
        QTest::newRow("espacios delante") << QByteArray("   \"a\"\r\n  b  \r\n\"c\"\r\n\"d\"\r\n")
                                           << QStringList{"a", "b", "c", "d"};
        QTest::newRow("resto tras la comilla") << QByteArray("\"a\"xyz\r\n\"b\"\r\n\"c\"\r\n\"d\"\r\n")
                                                << QStringList{"a", "b", "c", "d"};
        QTest::newRow("comilla sin cerrar") << QByteArray("\"a\"\r\n\"b\"\r\n\"sin fin\r\nmas")
                                             << QStringList{"a", "b", "sin fin\r\nmas", ""};
        QTest::newRow("registro incompleto") << QByteArray("\"a\"\r\n\"b\"\r\n")
                                              << QStringList{"a", "b", "", ""};
        QTest::newRow("finales LF y CR solos") << QByteArray("\"a\"\n\"b\"\r\"c\"\n\"d\"\r")
                                                << QStringList{"a", "b", "c", "d"};
        QTest::newRow("línea vacía al final") << QByteArray("\"a\"\r\n\"b\"\r\n\"c\"\r\n\"d\"\r\n\r\n  \r\n")
                                               << QStringList{"a", "b", "c", "d"};
        QTest::newRow("comilla suelta sin comillas") << QByteArray("a\"b\r\nc\r\nx\"y\r\nd\r\n")
                                                      << QStringList{"a b", "c", "x*RTN*y", "d"};
        QTest::newRow("bytes NUL y C1") << QByteArray("\"\0\x81\x9f\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n", 19)
                                        << QStringList{QString::fromUtf16(u"\0\u0081\u0178", 3), "", "", ""};
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

    void vacioYMuchos() {
        QVERIFY(Analizar(QByteArray()).isEmpty());
        QVector<Script> muchos(40000, Script{"n", "d", "c", "1"});
        for (int i = 0; i < muchos.size(); i += 997)
            muchos[i].Nombre = QString::number(i);
        QCOMPARE(Analizar(Componer(muchos)), muchos); // no 16-bit limit
    }

    void cp1252Completo() {
        QByteArray todos;
        for (int b = 0; b < 256; ++b)
            todos.append(char(b));
        QCOMPARE(cp1252::Codificar(cp1252::Decodificar(todos)), todos);
        QCOMPARE(cp1252::Decodificar(QByteArray("\x80\xe1")), QString::fromUtf8("€á"));
        QCOMPARE(cp1252::Codificar(QString::fromUtf8("a\u4e2dz\U0001F600")), QByteArray("a?z?"));
        QVERIFY(cp1252::Representable(QString::fromUtf8("¿Qué tal? € ñ")));
        QVERIFY(!cp1252::Representable(QString::fromUtf8("λ")));
        QCOMPARE(cp1252::NoRepresentables(QString::fromUtf8("aλbλ→")), QString::fromUtf8("λ→"));
    }

    void dispositivoQueFalla() {
        DispositivoLleno lleno(10);
        QString error;
        QVERIFY(!Escribir(lleno, {{"Nombre largo", "d", "c", "1"}}, &error));
        QVERIFY(!error.isEmpty());
    }

    void guardarNoTocaLoViejoSiFalla() {
        ayudas::Carpeta c;
        const QByteArray viejo = ayudas::Registro("v", "", "", "1");
        c.categoria(QStringLiteral("Menus"), viejo);
        QFile::setPermissions(c.estado.carpetaCategorias(), QFile::ReadOwner | QFile::ExeOwner);
        QString error;
        const bool ok = GuardarArchivo(c.estado.rutaCategoria(QStringLiteral("Menus")), {{"n", "", "", ""}}, &error);
        QFile::setPermissions(c.estado.carpetaCategorias(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (ok)
            QSKIP("Running as a user that ignores folder permissions");
        QVERIFY(!error.isEmpty());
        QCOMPARE(ayudas::LeerBytes(c.estado.rutaCategoria(QStringLiteral("Menus"))), viejo);
    }

    void progresoDeLectura() {
        Progreso p;
        for (int k = 1; k <= 199; ++k)
            p.trasRegistro(k);
        QCOMPARE(p.valor, 200);
        p.trasRegistro(200);
        QCOMPARE(p.maximo, 400);
        for (int k = 201; k <= 250; ++k)
            p.trasRegistro(k);
        QCOMPARE(p.valor, 251);
        p.reposo();
        QCOMPARE(p.valor, 0);
        QCOMPARE(p.maximo, 200);
    }

    void leerEnLista() {
        ayudas::Carpeta c;
        c.categoria(QStringLiteral("X"), ayudas::Registro("c", "", "*RTN*", "") + ayudas::Registro("d", "", "", ""));
        ListaScripts lista;
        lista.setSortingEnabled(false);
        vista::Anexar(&lista, {{"a", "", "", ""}, {"b", "", "", ""}});
        QProgressBar barra;
        barra.setRange(0, 200);
        QVERIFY(LeerCategoria(&lista, c.estado.rutaCategoria(QStringLiteral("X")), &barra));
        QCOMPARE(lista.topLevelItemCount(), 4);
        QCOMPARE(lista.topLevelItem(0)->text(0), QStringLiteral("a"));
        QCOMPARE(lista.topLevelItem(2)->text(2), QStringLiteral("*RTN*"));
        QCOMPARE(barra.maximum(), 200);
        QCOMPARE(barra.value(), 0);

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

    void archivoIlegible() {
        ayudas::Carpeta c;
        QDir().mkpath(c.estado.rutaCategoria(QStringLiteral("Carpeta"))); // a folder named like a category
        ListaScripts lista;
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        QVERIFY(!LeerCategoria(&lista, c.estado.rutaCategoria(QStringLiteral("Carpeta")), nullptr));
        QVERIFY(m.visto);
        QVERIFY(m.texto.contains(QStringLiteral("Carpeta")));
        QCOMPARE(lista.topLevelItemCount(), 0);
    }
};

QTEST_MAIN(tst_formato)
#include "tst_formato.moc"
