// The index after its speed work answers exactly as the plain reading of every file and the
// reference: on many random libraries, on libraries spread over 5 000 categories, with results
// given before their count, and when the code must be asked through the full-text index.
#include "AyudasNucleo.h"
#include "format/DuenoCarpeta.h"
#include "format/mdlScripts.h"
#include "../busqueda/Referencia.h"

#include <QtTest>
#include <atomic>
#include <sqlite3.h>

namespace {
using ayudas::Registro;

// An answer with whatever the search gave before its count.
struct ConAdelanto {
    biblioteca::Respuesta final, adelanto;
    int adelantos = 0;
};
ConAdelanto Preguntar(biblioteca::Indice &indice, const QString &carpeta, const QString &consulta, int limite) {
    ConAdelanto r;
    r.final = indice.Buscar(carpeta, consulta, limite, nullptr, [&](const biblioteca::Respuesta &a) {
        r.adelanto = a;
        ++r.adelantos;
    });
    return r;
}

// Every query answered by `indice` as the reference at each limit: the best results and the count;
// asked with the first results before the count, or as the window asks once it has its answer.
void ComoLaReferencia(biblioteca::Indice &indice, const QString &carpeta, const QStringList &consultas,
                      std::initializer_list<int> limites, bool adelanto = true) {
    for (const QString &q : consultas) {
        const Referencia ref = Buscar(carpeta, q);
        for (int limite : limites) {
            const biblioteca::Respuesta r =
                adelanto ? Preguntar(indice, carpeta, q, limite).final : indice.Buscar(carpeta, q, limite);
            QCOMPARE(Lugares(r), ref.lugares.mid(0, limite));
            QCOMPARE(r.total, ref.total);
        }
    }
}
void ComoLaReferencia(biblioteca::Indice &indice, const QString &carpeta, const QStringList &consultas, int limite) {
    ComoLaReferencia(indice, carpeta, consultas, {limite}, false);
}

// A library of `scripts` scripts, one category per hundred, whose code always holds "function" and
// "return": trigrams nearly every script holds, beside rarer words and random text.
QList<QByteArray> ConComunes(ayudas::Carpeta &c, quint32 semilla, int scripts) {
    QRandomGenerator r(semilla);
    QList<QByteArray> textos;
    const QByteArray raras[] = {"cookie", "\xe1rbol", "tabla", "callback", "sesi\xf3n", "zeta"};
    for (int k = 0; k * 100 < scripts; ++k) {
        QByteArray datos;
        for (int i = k * 100; i < std::min(scripts, (k + 1) * 100); ++i) {
            const QByteArray nombre = Texto(r, 12, false), desc = Texto(r, 30, false);
            const QByteArray codigo = "function f" + QByteArray::number(i) + "() {\r\n  return " +
                                      raras[r.bounded(6)] + QByteArray::number(r.bounded(50)) + " " +
                                      Texto(r, 60, true) + ";\r\n}";
            datos += Registro(nombre, desc, codigo, "1");
            textos << nombre << desc << codigo;
        }
        c.categoria(QString("Cat%1").arg(k), datos);
    }
    return textos;
}

// Runs SQL on the index's file as another program would.
bool Alterar(const QString &ruta, const char *sql) {
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// An index filled over ConComunes's library (seed 9, 1 200 scripts), then changed by `sql` as another
// program would change it.
void IndiceAlterado(ayudas::Carpeta &c, const QByteArray &sql) {
    ConComunes(c, 9, 1200);
    {
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, c.estado.carpetaCategorias()), 12);
    }
    QVERIFY(Alterar(RutaIndice(c), sql.constData()));
}

// Queries of every kind over a library made by `Biblioteca`: marks, one and two letters, pieces of
// its own texts, and words it does not hold.
QStringList Consultas(quint32 semilla, const QList<QByteArray> &textos, int cuantas) {
    QRandomGenerator r(semilla * 7919);
    QStringList consultas{"\"", "rtn", "*RTN*", "a", "e o", "zz", "nada_de_esto", QString::fromUtf8("Á")};
    for (int i = 0; i < cuantas; ++i)
        consultas << Consulta(r, textos);
    return consultas;
}
} // namespace

class tst_indice_referencia : public QObject {
    Q_OBJECT
private slots:
    void igualQueLaReferencia_data() {
        QTest::addColumn<quint32>("semilla");
        QTest::addColumn<int>("limite");
        for (quint32 s = 7; s <= 30; ++s)
            for (int limite : {1000, 7, 1})
                QTest::newRow(qPrintable(QString("semilla %1, límite %2").arg(s).arg(limite))) << s << limite;
    }
    // The best results, their order and the count are the reference's whatever the limit; results
    // given before the count are already the final ones.
    void igualQueLaReferencia() {
        QFETCH(quint32, semilla);
        QFETCH(int, limite);
        // Answered by the index itself, never by reading the files after a failed query.
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        const QList<QByteArray> textos = Biblioteca(c, semilla);
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 6);
        for (const QString &q : Consultas(semilla, textos, 40)) {
            const Referencia ref = Buscar(carpeta, q);
            const QVector<Lugar> mejores = ref.lugares.mid(0, limite);
            const ConAdelanto r = Preguntar(indice, carpeta, q, limite);
            QCOMPARE(Lugares(r.final), mejores);
            QCOMPARE(r.final.total, ref.total);
            QVERIFY(!r.final.contando);
            if (r.adelantos > 0) {
                QCOMPARE(r.adelantos, 1);
                QVERIFY(r.adelanto.contando);
                QCOMPARE(Lugares(r.adelanto), mejores);
            }
            QCOMPARE(Lugares(biblioteca::BuscarEnArchivos(carpeta, q, limite)), mejores);
        }
    }

    // A library of 5 000 small categories, some changed behind the index's back: the same answers.
    void cincoMilCategorias() {
        // Answered by the index itself, never by reading the files after a failed query.
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        QStringList nombres;
        for (int i = 0; i < 5000; ++i)
            nombres << (i % 3 == 0 ? QString::fromUtf8("Índice%1") : QString("cat%1")).arg(i);
        const QList<QByteArray> textos = Biblioteca(c, 5000, nombres, 4);
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 5000);
        const QStringList consultas = Consultas(5000, textos, 6);
        ComoLaReferencia(indice, carpeta, consultas, {100, 3});
        if (QTest::currentTestFailed())
            return;
        c.categoria("cat1", Registro("alfa nueva", "", "a e o", "1"));
        QFile::remove(carpeta + "/cat2.rtn");
        c.categoria("cat5000", Registro("otra", "e", "a", "1"));
        ComoLaReferencia(indice, carpeta, consultas, {100, 3});
    }

    // A word the code seldom holds, behind many scripts whose name does not have it: the search
    // turns to the full-text index, and still answers as the reference.
    void palabraRaraEnElCodigo() {
        ayudas::Carpeta c;
        QByteArray datos;
        for (int i = 0; i < 3000; ++i)
            datos += Registro("s" + QByteArray::number(i), "d", i % 997 == 500 ? "x clave x" : "x otra x", "");
        c.categoria("A", datos);
        c.categoria("B", Registro("clave en el nombre", "", "", ""));
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(Indexar(indice, c.estado.carpetaCategorias()) > 0);
        ComoLaReferencia(indice, c.estado.carpetaCategorias(), {"clave", "x cla", "x"}, {2});
    }

    // The first results of a common word come before the count, which then follows in full.
    void elRecuentoSigueALosPrimeros() {
        ayudas::Carpeta c;
        QByteArray datos;
        for (int i = 0; i < 500; ++i)
            datos += Registro("s" + QByteArray::number(i), "d", i % 2 ? "comun" : "nada", "");
        c.categoria("A", datos);
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(Indexar(indice, c.estado.carpetaCategorias()) > 0);
        const ConAdelanto r = Preguntar(indice, c.estado.carpetaCategorias(), "comun", 10);
        QCOMPARE(r.adelantos, 1);
        QVERIFY(r.adelanto.contando);
        QCOMPARE(r.adelanto.hallazgos.size(), 10);
        QCOMPARE(r.adelanto.hallazgos.first().posicion, 1);
        QCOMPARE(r.final.total, 250);
        QCOMPARE(Lugares(r.final), Lugares(r.adelanto));
    }

    // The index knows which scripts hold each trigram, not where: a word is found only where it stands
    // whole, and a trigram the index skips (one with white space) is never needed.
    void soloLaPalabraEntera_data() {
        QTest::addColumn<QByteArray>("codigo");
        QTest::addColumn<QString>("consulta");
        QTest::addColumn<int>("hallados");
        QTest::newRow("sus trigramas sueltos") << QByteArray("cal all llb lba bac ack") << "callback" << 0;
        QTest::newRow("entera") << QByteArray("x.callback(1)") << "callback" << 1;
        QTest::newRow("partida por un espacio") << QByteArray("call back") << "callback" << 0;
        QTest::newRow("partida por un salto") << QByteArray("call\r\nback") << "callback" << 0;
        QTest::newRow("un trigrama repetido") << QByteArray("aaab") << "aaaa" << 0;
        QTest::newRow("un trigrama repetido, entera") << QByteArray("baaaa") << "aaaa" << 1;
        QTest::newRow("tres letras") << QByteArray("tab") << "tab" << 1;
        QTest::newRow("acentos plegados") << QByteArray("Canci\xf3n") << QString::fromUtf8("CANCIÓN") << 1;
        QTest::newRow("una palabra larga pegada") << "x" + QByteArray(400, 'a') + QByteArray(400, 'b') + "c"
                                                 << QString(400, 'a') + QString(400, 'b') << 1;
        QByteArray palabras;
        for (int i = 0; i < 80; ++i)
            palabras += "pal" + QByteArray::number(100 + i) + ' ';
        QTest::newRow("ochenta palabras") << palabras << QString::fromLatin1(palabras) << 1;
    }
    void soloLaPalabraEntera() {
        QFETCH(QByteArray, codigo);
        QFETCH(QString, consulta);
        QFETCH(int, hallados);
        ayudas::Carpeta c;
        c.categoria("A", Registro("nombre", "descripcion", codigo, "1"));
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, c.estado.carpetaCategorias()), 1);
        // Answered by the index itself, never by reading the files after a failed query.
        QTest::failOnWarning(QRegularExpression("sqlite"));
        // Without results to show, the count comes from the index's candidates alone.
        QCOMPARE(indice.Buscar(c.estado.carpetaCategorias(), consulta, 0).total, hallados);
        QCOMPARE(indice.Buscar(c.estado.carpetaCategorias(), consulta, 10).total, hallados);
    }

    // A pass over many megabytes merges the full-text index's segments once at its end instead of
    // along the way: it answers as the reference, and merging follows each write again afterwards,
    // also when the pass was given up halfway.
    void pasadaGrandeMezclaAlFinal_data() {
        QTest::addColumn<bool>("cortada");
        QTest::newRow("entera") << false;
        QTest::newRow("cortada a medias") << true;
    }
    void pasadaGrandeMezclaAlFinal() {
        QFETCH(bool, cortada);
        // Answered by the index itself, never by reading the files after a failed query.
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        // Twelve categories of some 800 KB: code of words and numbers, as code is.
        QRandomGenerator r(43);
        QList<QByteArray> textos;
        const QByteArray palabras[] = {"var", "funci\xf3n", "return", "tabla", "callback", "cookie", "\xe1rbol", "*RTN*"};
        qint64 bytes = 0;
        for (int k = 0; k < 12; ++k) {
            QByteArray datos;
            for (int i = 0; i < 200; ++i) {
                QByteArray codigo;
                while (codigo.size() < 4000)
                    codigo += palabras[r.bounded(8)] + QByteArray::number(r.bounded(5000)) + (r.bounded(9) ? " " : "\r\n");
                const QByteArray nombre = Texto(r, 12, false), desc = Texto(r, 30, false);
                datos += Registro(nombre, desc, codigo, "1");
                textos << nombre << desc << codigo.left(200);
            }
            c.categoria(QString("Grande%1").arg(k), datos);
            bytes += datos.size();
        }
        QVERIFY2(bytes > (8 << 20), "the library must be big enough for a pass that merges at its end");
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(indice.AbrirParaEscribir());
        std::atomic<bool> cancelar{false};
        const QStringList hechas = indice.Actualizar(carpeta, {}, [&](qint64 hecho, qint64 total) {
            if (cortada && hecho * 2 >= total)
                cancelar = true;
        }, &cancelar);
        QCOMPARE(hechas.size() < 12, cortada);
        // As another connection reads it from the file (-1 where it cannot).
        QCOMPARE(Numero(RutaIndice(c), "SELECT v FROM texto_config WHERE k = 'automerge'"), 4);
        if (cortada)
            QCOMPARE(indice.Actualizar(carpeta).size(), 12 - hechas.size());
        ComoLaReferencia(indice, carpeta, Consultas(43, textos, 10), 50);
    }

    // A pass cut short while files are read well ahead of the one being stored (more than the 16 MB
    // it reads ahead) returns at once; the next pass stores the rest, and the index answers right.
    void pasadaCortadaConArchivosLeidosPorDelante() {
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        QRandomGenerator r(61);
        for (int k = 0; k < 24; ++k) {
            QByteArray datos;
            for (int i = 0; i < 8; ++i) {
                QByteArray codigo;
                while (codigo.size() < 128 << 10)
                    codigo += "v" + QByteArray::number(r.bounded(100000)) + (r.bounded(7) ? " " : "\r\n");
                datos += Registro("s" + QByteArray::number(k * 8 + i), "", codigo, "1");
            }
            c.categoria(QString("C%1").arg(k, 2, 10, QLatin1Char('0')), datos);
        }
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(indice.AbrirParaEscribir());
        std::atomic<bool> cancelar{false};
        const QStringList hechas = indice.Actualizar(carpeta, {}, [&](qint64 hecho, qint64) {
            if (hecho >= (2 << 20))
                cancelar = true;
        }, &cancelar);
        QVERIFY(!hechas.isEmpty() && hechas.size() < 24);
        QCOMPARE(indice.Actualizar(carpeta).size(), 24 - hechas.size());
        ComoLaReferencia(indice, carpeta, {"s5", "v1234", "s190 v99"}, 50);
    }

    // The program's own saves reach the index as the bytes written, not read back: after edits of
    // every kind (a script changed, moved, doubled, removed), it answers as the reference.
    void loGuardadoSeIndexaSinLeerlo() {
        ayudas::Carpeta c;
        const QList<QByteArray> textos = Biblioteca(c, 41);
        const QString carpeta = c.estado.carpetaCategorias();
        DuenoCarpeta &dueno = DuenoCarpeta::De(carpeta);
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 6);
        QRandomGenerator r(41);
        const QStringList consultas = Consultas(41, textos, 12);
        for (int vuelta = 0; vuelta < 12; ++vuelta) {
            const QString nombre = QStringList{"Menus", "menus2", "Zeta"}[vuelta % 3];
            QVector<Script> scripts;
            QVERIFY(mdlScripts::LeerArchivo(c.estado.rutaCategoria(nombre), scripts));
            const int i = r.bounded(int(scripts.size()));
            switch (vuelta % 4) {
            case 0: scripts[i].Descripcion += QString::fromUtf8(" cambiada é"); break;
            case 1: scripts.move(i, 0); break;
            case 2: scripts.insert(i, scripts[i]); break;
            case 3: scripts.remove(i); break;
            }
            QVERIFY(dueno.Guardar(nombre + ".rtn", mdlScripts::Componer(scripts)));
            QCOMPARE(indice.Actualizar(carpeta, {nombre + ".rtn"}), QStringList{nombre});
            ComoLaReferencia(indice, carpeta, consultas, 1000);
        }
    }

    // Another program that changes a file just saved, keeping its size and time, is not hidden by
    // the bytes the program wrote: the index reads what the file holds.
    void loGuardadoQueOtroCambiaSeLee_data() {
        QTest::addColumn<bool>("renombrando");
        QTest::newRow("reescrito en su sitio") << false;
        QTest::newRow("reemplazado por otro archivo") << true;
    }
    void loGuardadoQueOtroCambiaSeLee() {
        QFETCH(bool, renombrando);
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        c.categoria("Menus", Registro("inicial", "", "", "1"));
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 1);

        QVERIFY(DuenoCarpeta::De(carpeta).Guardar("Menus.rtn", Registro("propio", "", "", "1")));
        QVERIFY(ayudas::ReescribirComoOtroPrograma(c.estado.rutaCategoria("Menus"), Registro("ajeno", "", "x", "1"),
                                                   renombrando));

        QCOMPARE(indice.Actualizar(carpeta, {"Menus.rtn"}), QStringList{"Menus"});
        QTest::failOnWarning(QRegularExpression("sqlite"));
        QCOMPARE(indice.Buscar(carpeta, "ajeno", 10).total, 1);
        QCOMPARE(indice.Buscar(carpeta, "propio", 10).total, 0);
    }

    // The trigrams most scripts hold are listed under no script once the library is big enough to
    // tell; a small one is listed in full.
    void loComunSeDejaFuera_data() {
        QTest::addColumn<int>("scripts");
        QTest::addColumn<bool>("fuera");
        QTest::newRow("1 200 scripts") << 1200 << true;
        QTest::newRow("300 scripts") << 300 << false;
    }
    void loComunSeDejaFuera() {
        QFETCH(int, scripts);
        QFETCH(bool, fuera);
        ayudas::Carpeta c;
        ConComunes(c, 3, scripts);
        biblioteca::Indice indice(RutaIndice(c));
        QVERIFY(Indexar(indice, c.estado.carpetaCategorias()) > 0);
        QCOMPARE(ConTrigrama(RutaIndice(c), "unc"), fuera ? 0 : scripts);
        QCOMPARE(ConTrigrama(RutaIndice(c), "urn"), fuera ? 0 : scripts);
        QVERIFY(ConTrigrama(RutaIndice(c), "ook") > 0);
    }

    // Words made only of the trigrams left out, words mixing them with rare ones, and all the
    // usual queries, answered as the reference by a searcher opened before the index was filled;
    // then again after the library changed so that what was common is rare.
    void sinLoComunIgualQueLaReferencia_data() {
        QTest::addColumn<quint32>("semilla");
        for (quint32 s : {5u, 6u, 7u})
            QTest::newRow(qPrintable(QString("semilla %1").arg(s))) << s;
    }
    void sinLoComunIgualQueLaReferencia() {
        QFETCH(quint32, semilla);
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        const QList<QByteArray> textos = ConComunes(c, semilla, 1200);
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice escritor(RutaIndice(c)), lector(RutaIndice(c));
        QVERIFY(escritor.AbrirParaEscribir());
        QVERIFY(lector.AbrirParaLeer());
        QCOMPARE(lector.Buscar(carpeta, "function", 5).total, 1200); // from the files: none indexed yet
        QCOMPARE(escritor.Actualizar(carpeta).size(), 12);
        QVERIFY(ConTrigrama(RutaIndice(c), "unc") == 0);
        QStringList consultas = Consultas(semilla, textos, 30);
        consultas << "function" << "unction" << "fun" << "return" << "RETURN cookie" << "function zeta4"
                  << "tionret" << "f11" << "f1199"
                  // Only common trigrams; one character; one common trigram; with a rare word.
                  << "nctio" << "unctio eturn" << "f" << "(" << "z" << "{" << "unc" << "ret" << "nctio zeta"
                  // Two letters; two characters that are not both ASCII letters.
                  << "fu" << "ze" << "qx" << "f1" << "n(" << QString::fromUtf8("ñu");
        ComoLaReferencia(lector, carpeta, consultas, {1000, 7});
        if (QTest::currentTestFailed())
            return;
        // What was left out stays left out: "function" is now in one script of each category.
        for (int k = 0; k < 12; ++k)
            c.categoria(QString("Cat%1").arg(k), Registro("uno", "", "function solo" + QByteArray::number(k), "1") +
                                                     Registro("dos", "", "otra " + QByteArray::number(k), "1"));
        QCOMPARE(escritor.Actualizar(carpeta).size(), 12);
        consultas << "solo" << "function solo3";
        ComoLaReferencia(lector, carpeta, consultas, {1000, 7});
    }

    // A library big enough to be looked through on two cores, tags included: each half's results
    // in their place, and the count of both.
    void bibliotecaGrandeIgualQueLaReferencia() {
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        const QList<QByteArray> textos = ConComunes(c, 11, 24000);
        QByteArray etiquetados;
        for (int i = 0; i < 60; ++i)
            etiquetados += Registro("e" + QByteArray::number(i), i % 2 ? "#js cookie" : "#css return", "x", "1");
        c.categoria("Cat1", etiquetados); // among the first categories
        c.categoria("Cat99", etiquetados); // and in the second half
        const QString carpeta = c.estado.carpetaCategorias();
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 240);
        QStringList consultas = Consultas(11, textos, 12);
        consultas << "function" << "cookie" << "#js" << "#js cookie" << "#css" << "e1" << "zeta4 return";
        ComoLaReferencia(indice, carpeta, consultas, {1000, 7});
    }

    // Code kept in blocks of several scripts: a block goes with the last script whose code it holds,
    // and those left answer as the reference, through every kind of edit down to an empty category.
    void bloquesSeVanConSuUltimoScript() {
        QTest::failOnWarning(QRegularExpression("sqlite"));
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        QRandomGenerator r(17);
        QVector<Script> scripts;
        for (int i = 0; i < 300; ++i)
            scripts.append({QString("s%1").arg(i), "d", QString("codigo%1 ").arg(i) + QString(r.bounded(2000), 'x'),
                            "1"});
        c.categoria("Menus", "");
        DuenoCarpeta &dueno = DuenoCarpeta::De(carpeta);
        QVERIFY(dueno.Guardar("Menus.rtn", mdlScripts::Componer(scripts)));
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 1);
        const auto bloques = [&] { return Numero(RutaIndice(c), "SELECT count(*) FROM bloques"); };
        const int alPrincipio = bloques();
        QVERIFY2(alPrincipio > 1 && alPrincipio < 300, "several scripts to a block");
        while (!scripts.isEmpty()) {
            const int cuantos = std::min<int>(int(scripts.size()), 1 + r.bounded(40));
            const int desde = r.bounded(int(scripts.size()) - cuantos + 1);
            scripts.remove(desde, cuantos);
            if (!scripts.isEmpty())
                scripts[r.bounded(int(scripts.size()))].Codigo += " cambiado";
            QVERIFY(dueno.Guardar("Menus.rtn", mdlScripts::Componer(scripts)));
            QCOMPARE(indice.Actualizar(carpeta, {"Menus.rtn"}), QStringList{"Menus"});
            QCOMPARE(Numero(RutaIndice(c), "SELECT sum(vivos) FROM bloques"),
                     Numero(RutaIndice(c), "SELECT count(*) FROM scripts WHERE bloque != 0"));
            QVERIFY(Numero(RutaIndice(c), "SELECT count(*) FROM bloques WHERE vivos <= 0") == 0);
            ComoLaReferencia(indice, carpeta, {"codigo1", "cambiado", "xxx codigo2"}, 1000);
        }
        QCOMPARE(bloques(), 0);
    }

    // What a script's row says its texts hold (its characters, its common trigrams) is not believed
    // when it does not fit the list: the answer comes from the files, and the index is to be made anew.
    void presenciaAlteradaNoSeCree_data() {
        QTest::addColumn<QByteArray>("sql");
        QTest::newRow("más corta") << QByteArray("UPDATE scripts SET presencia = x'00' WHERE id = 7");
        QTest::newRow("vacía") << QByteArray("UPDATE scripts SET presencia = x'' WHERE id = 7");
        QTest::newRow("más larga") << QByteArray("UPDATE scripts SET presencia = zeroblob(4096) WHERE id = 7");
    }
    void presenciaAlteradaNoSeCree() {
        QFETCH(QByteArray, sql);
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        IndiceAlterado(c, sql);
        if (QTest::currentTestFailed())
            return;
        biblioteca::Indice lector(RutaIndice(c));
        QVERIFY(lector.AbrirParaLeer());
        QTest::ignoreMessage(QtWarningMsg, "a script's marks in the index do not fit its list of common trigrams");
        ComoLaReferencia(lector, carpeta, {"nctio"}, 100);
        QVERIFY(lector.danado());
        ComoLaReferencia(lector, carpeta, {"f", "unc f7"}, 100);
    }

    // A list of left-out trigrams another program changed cannot be trusted: the index is made anew,
    // and answers as the reference.
    void listaDeComunesAlteradaSeRehace_data() {
        QTest::addColumn<QByteArray>("sql");
        QTest::newRow("uno de más") << QByteArray("INSERT INTO comunes VALUES('ook')");
        QTest::newRow("uno de menos") << QByteArray("DELETE FROM comunes WHERE CAST(trigrama AS TEXT) = 'unc'");
        QTest::newRow("no es un trigrama") << QByteArray("INSERT INTO comunes VALUES('muchos bytes de largo')");
    }
    void listaDeComunesAlteradaSeRehace() {
        QFETCH(QByteArray, sql);
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        IndiceAlterado(c, sql);
        if (QTest::currentTestFailed())
            return;
        biblioteca::Indice lector(RutaIndice(c));
        QVERIFY(!lector.AbrirParaLeer());
        biblioteca::Indice indice(RutaIndice(c));
        QCOMPARE(Indexar(indice, carpeta), 12);
        ComoLaReferencia(indice, carpeta, {"cookie", "function", "ook", "unc f7"}, 100);
    }
};

QTEST_MAIN(tst_indice_referencia)
#include "tst_indice_referencia.moc"
