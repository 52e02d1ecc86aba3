// The library's search index against a plain search of every file, and how it keeps up with the files.
#include "AyudasNucleo.h"
#include "search/Indexador.h"
#include "search/IndiceBiblioteca.h"
#include "search/Trigramas.h"
#include "Referencia.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <sqlite3.h>
#include <thread>

namespace {
using ayudas::Registro;

bool Integro(const QString &ruta) {
    sqlite3 *db = nullptr;
    // Read-write only because the full-text table's check is asked as an insert; it writes nothing.
    bool ok = sqlite3_open_v2(ruta.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt *st = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
         sqlite3_step(st) == SQLITE_ROW && qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), "ok") == 0;
    sqlite3_finalize(st);
    // The full-text table's own check needs the index's tokenizer.
    ok = ok && biblioteca::RegistrarTrigramas(db) &&
         sqlite3_exec(db, "INSERT INTO texto(texto) VALUES('integrity-check')", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        qWarning() << "index check:" << sqlite3_errmsg(db);
    sqlite3_close(db);
    return ok;
}
} // namespace

class tst_indice : public QObject {
    Q_OBJECT
private slots:
    void plegar_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("plegado");
        QTest::newRow("acentos y mayúsculas") << QString::fromUtf8("ÁRBOL Canción") << "arbol cancion";
        QTest::newRow("eñe y diéresis") << QString::fromUtf8("Ñandú pingüino ÿŸ") << "nandu pinguino yy";
        QTest::newRow("sin base") << QString::fromUtf8("Œuvre ß Ø") << QString::fromUtf8("œuvre ß ø");
        QTest::newRow("comillas y signos") << QString::fromUtf8("\"€‚…\"") << QString::fromUtf8("\"€‚…\"");
    }
    void plegar() {
        QFETCH(QString, texto);
        QFETCH(QString, plegado);
        QCOMPARE(biblioteca::Plegar(texto), plegado);
    }

    // What a result shows: the fields as they are, the first line of code with a word, and where the
    // words are in each.
    void lineaYMarcas() {
        ayudas::Carpeta c;
        c.categoria("JS", Registro("Debounce", "Funci\xf3n debounce", "var a;\r\n  // deBOUNCE *RTN*x*RTN*\r\nfin", "1"));
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(Indexar(indice, c.estado.carpetaCategorias()) > 0);
        const biblioteca::Respuesta r = indice.Buscar(c.estado.carpetaCategorias(), QString::fromUtf8("bóunc \"x"), 10);
        QCOMPARE(r.total, 1);
        const biblioteca::Hallazgo &h = r.hallazgos[0];
        QCOMPARE(h.descripcion, QString::fromUtf8("Función debounce"));
        QCOMPARE(h.codigo, "var a;\n  // deBOUNCE \"x\"\nfin");
        QCOMPARE(h.linea, "// deBOUNCE \"x\"");
        QCOMPARE(h.enNombre, (QVector<biblioteca::Marca>{{2, 5}}));
        QCOMPARE(h.enDescripcion, (QVector<biblioteca::Marca>{{10, 5}}));
        QCOMPARE(h.enLinea, (QVector<biblioteca::Marca>{{5, 5}, {12, 2}}));
    }

    void lineaLargaCortada() {
        biblioteca::Hallazgo h;
        h.codigo = QString(300, 'a') + "clave" + QString(300, 'b');
        biblioteca::Adornar(h, {"clave"});
        QCOMPARE(h.linea, QString::fromUtf8("…") + QString(40, 'a') + "clave" + QString(115, 'b') + QString::fromUtf8("…"));
        QCOMPARE(h.enLinea, (QVector<biblioteca::Marca>{{41, 5}}));
    }

    // Files changed, added and removed are read again, and only they.
    void sigueLosArchivos() {
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        c.categoria("A", Registro("alfa", "", "", ""));
        c.categoria("B", Registro("beta", "", "", ""));
        c.categoria("C", Registro("gama", "", "", ""));
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(indice.AbrirParaEscribir());
        QCOMPARE(indice.Actualizar(carpeta), (QStringList{"A", "B", "C"}));
        QCOMPARE(indice.Actualizar(carpeta), QStringList{});
        c.categoria("B", Registro("beta", "", "", "") + Registro("betún", "", "", ""));
        c.categoria("D", Registro("delta", "", "", ""));
        QFile::remove(carpeta + "/C.rtn");
        QCOMPARE(indice.Actualizar(carpeta), (QStringList{"B", "D"}));
        QCOMPARE(indice.Indexadas(), biblioteca::Archivos(carpeta));
        // What left the folder left the full-text table too; what stayed is there once.
        QCOMPARE(ConTrigrama(RutaIndice(c), "gam"), 0);
        QCOMPARE(ConTrigrama(RutaIndice(c), "bet"), 2);
        QVERIFY(Integro(RutaIndice(c)));
        // Written by the program: read again even if it looks the same.
        QCOMPARE(indice.Actualizar(carpeta, {"A.rtn"}), QStringList{"A"});
    }

    // Saving a category with one script changed and the others moved keeps the others' rows.
    void soloLoQueCambio() {
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        QByteArray datos;
        for (int i = 0; i < 50; ++i)
            datos += Registro("s" + QByteArray::number(i), "d", "c", "");
        c.categoria("A", datos);
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(Indexar(indice, c.estado.carpetaCategorias()) > 0);
        const auto ids = [&] {
            QMap<int, qint64> r; // position -> row
            sqlite3 *db = nullptr;
            sqlite3_open_v2(RutaIndice(c).toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(db, "SELECT posicion, id FROM scripts", -1, &st, nullptr);
            while (sqlite3_step(st) == SQLITE_ROW)
                r.insert(sqlite3_column_int(st, 0), sqlite3_column_int64(st, 1));
            sqlite3_finalize(st);
            sqlite3_close(db);
            return r;
        };
        const QMap<int, qint64> antes = ids();
        // A new first script moves every other one place down; s10 changes.
        c.categoria("A", Registro("nuevo", "", "", "") + QByteArray(datos).replace("\"s10\"", "\"s10b\""));
        indice.Actualizar(carpeta);
        const QMap<int, qint64> despues = ids();
        QCOMPARE(despues.size(), 51);
        for (int i = 0; i < 50; ++i)
            if (i != 10)
                QCOMPARE(despues.value(i + 1), antes.value(i));
        QVERIFY(!antes.values().contains(despues.value(11)));
        QCOMPARE(Lugares(indice.Buscar(carpeta, "s10", 10)), (QVector<Lugar>{{"A", 11}}));
    }

    void indiceInservibleSeRehace_data() {
        QTest::addColumn<int>("dano");     // 0 garbage, 1 noise after the first page, 2 emptied
        QTest::addColumn<QByteArray>("sql"); // or a change as another program would make it
        QTest::newRow("basura") << 0 << QByteArray();
        QTest::newRow("páginas rotas") << 1 << QByteArray();
        QTest::newRow("vacío") << 2 << QByteArray();
        QTest::newRow("versión anterior") << -1 << QByteArray("PRAGMA user_version = 0");
        QTest::newRow("código que no se descomprime") << -1 << QByteArray("UPDATE bloques SET datos = x'0000ffff78da0102'");
        QTest::newRow("código fuera de su bloque") << -1 << QByteArray("UPDATE scripts SET desde = desde + 100000");
    }
    // Whatever is found in place of the index, it is made anew without a word, and answers right.
    void indiceInservibleSeRehace() {
        QFETCH(int, dano);
        QFETCH(QByteArray, sql);
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        Biblioteca(c, 99);
        {
            biblioteca::Indice indice(RutaIndice(c));
            QVERIFY(Indexar(indice, carpeta) > 0);
        }
        QFile f(RutaIndice(c));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.size() > 8192);
        if (dano == 0) {
            f.write(QByteArray(int(f.size()), 'x'));
        } else if (dano == 1) {
            QRandomGenerator r(5);
            f.seek(4096);
            QByteArray ruido(int(f.size()) - 4096, 0);
            for (char &b : ruido)
                b = char(r.bounded(256));
            f.write(ruido);
        } else if (dano == 2) {
            f.resize(0);
        } else {
            f.close();
            sqlite3 *db = nullptr;
            sqlite3_open(RutaIndice(c).toUtf8().constData(), &db);
            QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        f.close();
        Indexador ix(carpeta, RutaIndice(c));
        QSignalSpy hechos(&ix, &Indexador::actualizado);
        ix.Iniciar();
        const QString q = "a";
        QSignalSpy respuestas(&ix, &Indexador::hallados);
        const quint64 n = ix.Buscar(q, 1000);
        // The answer waits for the rebuild: under a sanitizer on a loaded machine, longer than
        // QTRY's usual wait.
        QTRY_VERIFY_WITH_TIMEOUT(!respuestas.isEmpty(), 30000);
        QCOMPARE(respuestas[0][0].toULongLong(), n);
        QCOMPARE(Lugares(respuestas[0][1].value<biblioteca::Respuesta>()), Buscar(carpeta, q).lugares);
        QTRY_VERIFY_WITH_TIMEOUT(!hechos.isEmpty(), 30000);
        biblioteca::Indice lector(RutaIndice(c));
        // Looked at once a step: QTRY looks again after it has seen the answer, and a second opening
        // can meet the writer's checkpoint.
        QVERIFY(QTest::qWaitFor(
            [&] { return lector.AbrirParaLeer() && lector.Indexadas() == biblioteca::Archivos(carpeta); }, 30000));
        QVERIFY(Integro(RutaIndice(c)));
        QCOMPARE(Lugares(lector.Buscar(carpeta, q, 1000)), Buscar(carpeta, q).lugares);
        QVERIFY(!lector.danado());
    }

    // Where no index can be kept (the preferences' place is a file), searching reads the files.
    void sinIndiceSeLeenLosArchivos() {
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        Biblioteca(c, 11);
        ayudas::EscribirBytes(c.estado.carpetaPreferencias(), "no es una carpeta");
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(!indice.AbrirParaEscribir());
        QCOMPARE(Lugares(indice.Buscar(carpeta, "o", 1000)), Buscar(carpeta, "o").lugares);
    }

    void paradaNoEsNingunoHallado_data() {
        QTest::addColumn<bool>("conIndice");
        QTest::newRow("leyendo los archivos") << false;
        QTest::newRow("la categoría que el índice aún no tiene") << true;
    }
    // A search stopped while it reads a category (a newer query, the writer making the index anew)
    // says it was stopped: the window asks again rather than show "Ningún script contiene…". The
    // stop comes from another thread at a moment of its own, as it does in the program.
    void paradaNoEsNingunoHallado() {
        QFETCH(bool, conIndice);
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice indice(RutaIndice(c));
        if (conIndice)
            QVERIFY(indice.AbrirParaEscribir() && indice.Actualizar(carpeta).isEmpty());
        QByteArray datos;
        for (int i = 0; i < 5000; ++i)
            datos += Registro("tabla " + QByteArray::number(i), "", "", "");
        c.categoria("Tablas", datos);
        for (int vez = 0; vez < 40; ++vez) {
            std::atomic<bool> parar{false};
            std::thread otro([&] {
                std::this_thread::sleep_for(std::chrono::microseconds(vez * 50));
                parar = true;
            });
            const biblioteca::Respuesta r = conIndice ? indice.Buscar(carpeta, "tabla", 10, &parar)
                                                      : biblioteca::BuscarEnArchivos(carpeta, "tabla", 10, &parar);
            otro.join();
            if (!r.interrumpida)
                QCOMPARE(r.total, 5000);
        }
    }

    // With the program running, files changed, added and removed by another program reach the index.
    void elIndexadorSigueLosArchivos() {
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        c.categoria("A", Registro("alfa", "", "", ""));
        Indexador ix(carpeta, RutaIndice(c));
        ix.Iniciar();
        biblioteca::Indice lector(RutaIndice(c));
        const auto alDia = [&] { return lector.AbrirParaLeer() && lector.Indexadas() == biblioteca::Archivos(carpeta); };
        QTRY_VERIFY_WITH_TIMEOUT(alDia(), 30000);
        c.categoria("B", Registro("beta", "", "", ""));
        QTRY_VERIFY_WITH_TIMEOUT(alDia(), 30000);
        {
            QFile f(carpeta + "/A.rtn"); // written in place, as an editor might
            QVERIFY(f.open(QIODevice::Append));
            f.write(Registro("alfombra", "", "", ""));
        }
        QTRY_VERIFY_WITH_TIMEOUT(alDia(), 30000);
        QFile::remove(carpeta + "/B.rtn");
        QTRY_VERIFY_WITH_TIMEOUT(alDia(), 30000);
        QCOMPARE(lector.Indexadas().keys(), QStringList{"A"});
        QCOMPARE(Lugares(lector.Buscar(carpeta, "alf", 10)), (QVector<Lugar>{{"A", 0}, {"A", 1}}));
    }
};

QTEST_MAIN(tst_indice)
#include "tst_indice.moc"
