// Files bigger than anything the program reads (real sparse files, a file that never ends) and memory
// that runs out: refused by name wherever a category is read, and no thread ends the program.
#include "Ayudas.h"
#include "../historial/GitPlano.h"
#include "core/Archivos.h"
#include "history/Historial.h"
#include "search/Indexador.h"
#include "search/IndiceBiblioteca.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace ayudas;

namespace {
const QByteArray kChica = Registro("alfa", "uno", "codigo alfa", "1") + Registro("beta", "dos", "codigo beta", "2");
const QByteArray kOtra = Registro("gamma alfa", "tres", "otro", "3");
constexpr qint64 kTera = qint64(1) << 40;
constexpr qint64 kDosGiga = qint64(2) << 30;

// A real sparse file of that size, made as a user would make one.
void Disperso(const QString &ruta, qint64 tamano) {
    QCOMPARE(QProcess::execute(QStringLiteral("truncate"), {QStringLiteral("-s"), QString::number(tamano), ruta}), 0);
    QCOMPARE(QFileInfo(ruta).size(), tamano);
}

// The folder's category files, from the smallest: Chica, Otra, and the two big ones.
void Biblioteca(Carpeta &c) {
    c.categoria("Chica", kChica);
    c.categoria("Otra", kOtra);
    Disperso(c.estado.rutaCategoria("Enorme"), kTera);
    Disperso(c.estado.rutaCategoria("Doble"), kDosGiga);
}

QString RutaIndice(const Carpeta &c) { return c.estado.carpetaPreferencias() + "/indice.db"; }

// The names of the files the repository's branch holds, as plain git lists them.
QStringList EnRama(const QString &repositorio, const QString &rama = QStringLiteral("HEAD")) {
    return QString::fromUtf8(gitplano::Git(repositorio, {"ls-tree", "--name-only", rama})).split('\n', Qt::SkipEmptyParts);
}

// Holds the process's address space to what it uses now and `margen` more, while it lives: an
// allocation past it fails as it does on a machine without the memory.
struct SinMemoria {
    rlimit antes{};
    explicit SinMemoria(qint64 margen) {
        getrlimit(RLIMIT_AS, &antes);
        const qint64 paginas = LeerBytes("/proc/self/statm").split(' ').value(0).toLongLong();
        const qint64 usado = paginas * ::sysconf(_SC_PAGESIZE);
        QVERIFY(usado > 0);
        rlimit ahora = antes;
        ahora.rlim_cur = rlim_t(usado + margen);
        QCOMPARE(setrlimit(RLIMIT_AS, &ahora), 0);
    }
    ~SinMemoria() { setrlimit(RLIMIT_AS, &antes); }
};
} // namespace

class tst_grandes : public QObject {
    Q_OBJECT
private slots:
    void leerRechazaLoQuePasaDelLimite_data() {
        QTest::addColumn<qint64>("tamano");
        QTest::newRow("1 TB") << kTera;
        QTest::newRow("2 GB") << kDosGiga;
        QTest::newRow("un byte más que el límite") << archivos::kMayorLectura + 1;
    }
    // Refused before anything is allocated, with the reason that names the limit.
    void leerRechazaLoQuePasaDelLimite() {
        QFETCH(qint64, tamano);
        Carpeta c;
        const QString ruta = c.ruta("Grande.rtn");
        Disperso(ruta, tamano);
        QByteArray datos("previo");
        QString error;
        QVERIFY(!archivos::Leer(ruta, datos, &error));
        QCOMPARE(error, archivos::RazonDemasiadoGrande());
        QVERIFY(error.contains(QStringLiteral("512 MB")));
        QVERIFY(datos.isEmpty());
    }

    // A file whose size says nothing (one of the system's, hundreds of gigabytes long) is cut at the limit.
    void loQueCreceAlLeerseSeCortaEnElLimite() {
        Carpeta c;
        const QString ruta = c.estado.rutaCategoria("Crece");
        QVERIFY(QDir().mkpath(c.estado.carpetaCategorias()));
        QVERIFY(QFile::link(QStringLiteral("/proc/self/pagemap"), ruta));
        QCOMPARE(QFileInfo(ruta).size(), 0);
        QByteArray datos;
        QString error;
        QVERIFY(!archivos::Leer(ruta, datos, &error));
        QCOMPARE(error, archivos::RazonDemasiadoGrande());
        QVERIFY(datos.isEmpty());
    }

    void laVentanaNombraLaQueNoAbre_data() {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("1 TB") << "Enorme";
        QTest::newRow("2 GB") << "Doble";
    }
    // Opened in the main window: a message names it and the limit, and the others still open.
    void laVentanaNombraLaQueNoAbre() {
        QFETCH(QString, nombre);
        VentanaPrincipal v{VentanaPrincipal::PorCrear{}};
        Biblioteca(v.c);
        v.crear();
        auto aviso = Contestar(QMessageBox::Ok);
        v.abrir(nombre);
        QTRY_VERIFY(aviso->visto);
        QCOMPARE(aviso->texto, QStringLiteral("La categoría %1 ocupa más de 512 MB y no se abre (%2).")
                                   .arg(nombre, v.c.estado.rutaCategoria(nombre)));
        QVERIFY(!v.w->categoria().hayAbierta());
        QVERIFY(v.scripts().isEmpty());
        v.abrir("Chica");
        QCOMPARE(v.w->categoria().nombre(), QStringLiteral("Chica"));
        QCOMPARE(v.scripts(), (QStringList{"alfa", "beta"}));
    }

    // The index is made of the others, and it and its searches name those left out.
    void elIndiceDejaFueraLasGrandes() {
        Carpeta c;
        Biblioteca(c);
        Indexador ix(c.estado.carpetaCategorias(), RutaIndice(c));
        QSignalSpy hechos(&ix, &Indexador::actualizado);
        QSignalSpy avisos(&ix, &Indexador::aviso);
        QSignalSpy respuestas(&ix, &Indexador::hallados);
        ix.Iniciar();
        QTRY_VERIFY_WITH_TIMEOUT(!hechos.isEmpty(), 30000);
        QCOMPARE(hechos.first().first().toStringList(), (QStringList{"Chica", "Otra"}));
        biblioteca::Indice lector(RutaIndice(c));
        QVERIFY(lector.AbrirParaLeer());
        QCOMPARE(lector.Indexadas().keys(), (QStringList{"Chica", "Otra"}));
        QVERIFY(!avisos.isEmpty());
        QCOMPARE(avisos.last().first().toString(),
                 QStringLiteral("Las categorías Doble, Enorme ocupan cada una más de 512 MB y no se abren: no se busca "
                                "en ellas."));
        ix.Buscar("alfa", 100);
        QTRY_VERIFY_WITH_TIMEOUT(!respuestas.isEmpty(), 30000);
        const auto r = respuestas.last().at(1).value<biblioteca::Respuesta>();
        QCOMPARE(r.total, 2);
        QCOMPARE(r.ilegibles, (QStringList{"Doble", "Enorme"}));
    }

    // Memory that runs out while the index's threads read a category leaves only that one out.
    void sinMemoriaLosHilosSiguen() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer ends the process on a failed allocation instead of throwing");
#endif
        Carpeta c;
        c.categoria("Chica", kChica);
        c.categoria("Otra", kOtra);
        {
            // One script whose code is 250 MB (a hole on disk): more than the margin once decoded.
            QFile f(c.estado.rutaCategoria("Pesada"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("\"pesada\"\r\n\"\"\r\n\"");
            QVERIFY(f.seek(250 << 20));
            f.write("\"\r\n\"1\"\r\n");
        }
        Indexador ix(c.estado.carpetaCategorias(), RutaIndice(c));
        QSignalSpy hechos(&ix, &Indexador::actualizado);
        QSignalSpy respuestas(&ix, &Indexador::hallados);
        {
            SinMemoria margen(qint64(400) << 20);
            ix.Iniciar();
            QTRY_VERIFY_WITH_TIMEOUT(!hechos.isEmpty(), 30000);
            ix.Buscar("alfa", 100);
            QTRY_VERIFY_WITH_TIMEOUT(!respuestas.isEmpty(), 30000);
        }
        QCOMPARE(hechos.first().first().toStringList(), (QStringList{"Chica", "Otra"}));
        const auto r = respuestas.last().at(1).value<biblioteca::Respuesta>();
        QCOMPARE(r.total, 2);
        QCOMPARE(r.ilegibles, QStringList{"Pesada"});
    }

    void bloqueQueDiceSerEnormeNoSeReserva_data() {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("datos");
        // The length a block of code claims comes first, big-endian, then its zlib stream.
        const auto bloque = [](quint32 largo, const QByteArray &flujo) {
            QByteArray b(4, Qt::Uninitialized);
            qToBigEndian(largo, b.data());
            return b + flujo;
        };
        QByteArray ruido(1 << 20, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(ruido.data()), ruido.size() / 4);
        QTest::newRow("un bloque de bytes que dice tener 4 GB")
            << QByteArray("UPDATE bloques SET datos = ?") << bloque(0xffffffffu, qCompress("codigo").mid(4));
        QTest::newRow("un bloque de 1 MB que dice tener 1 GB")
            << QByteArray("UPDATE bloques SET datos = ?") << bloque(1u << 30, ruido);
        QTest::newRow("una fila que dice tener 4 GB de código")
            << QByteArray("UPDATE scripts SET largo = 4294967295") << QByteArray();
    }
    // The index file edited as an attacker would: what it claims is damage, never a size to allocate
    // (with the memory held to a margin, that would fail); the search answers from the files.
    void bloqueQueDiceSerEnormeNoSeReserva() {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, datos);
        Carpeta c;
        c.categoria("Chica", kChica);
        c.categoria("Otra", kOtra);
        const QString carpeta = c.estado.carpetaCategorias();
        {
            QDir().mkpath(c.estado.carpetaPreferencias());
            biblioteca::Indice escritor(RutaIndice(c));
            QVERIFY(escritor.AbrirParaEscribir());
            QCOMPARE(escritor.Actualizar(carpeta), (QStringList{"Chica", "Otra"}));
        }
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(RutaIndice(c)).constData(), &db), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), SQLITE_OK);
        if (!datos.isEmpty())
            sqlite3_bind_blob(st, 1, datos.constData(), int(datos.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        QVERIFY(sqlite3_changes(db) > 0);
        sqlite3_close(db);

        biblioteca::Indice lector(RutaIndice(c));
        QVERIFY(lector.AbrirParaLeer());
        biblioteca::Respuesta r;
        {
            SinMemoria margen(qint64(256) << 20);
            // Found only in the code, so the code is read.
            r = lector.Buscar(carpeta, "codigo", 100);
        }
        QVERIFY(lector.danado());
        QCOMPARE(r.total, 2);
        QCOMPARE(r.hallazgos.value(0).codigo, QStringLiteral("codigo alfa"));
    }

    // A version holds the others; the big one is left as it was and named, however often asked.
    void elHistorialGuardaLasDemasYDiceCual() {
        Carpeta c;
        Biblioteca(c);
        const QString carpeta = c.estado.carpetaCategorias();
        Historial h(carpeta);
        QSignalSpy fallos(&h, &Historial::fallo);
        QSignalSpy guardadas(&h, &Historial::guardado);
        h.Preparar();
        QCOMPARE(EnRama(carpeta), (QStringList{"Chica.rtn", "Otra.rtn"}));
        QCOMPARE(fallos.size(), 1);
        QCOMPARE(fallos.first().first().toString(),
                 QStringLiteral("Las categorías Doble, Enorme ocupan cada una más de 512 MB y no se abren: no se "
                                "guardan en el historial."));
        c.categoria("Chica", kChica + kOtra);
        h.Guardar({"Enorme.rtn", "Chica.rtn"});
        QCOMPARE(guardadas.size(), 1);
        QCOMPARE(fallos.size(), 2);
        QCOMPARE(fallos.last().first().toString(),
                 QStringLiteral("La categoría Enorme ocupa más de 512 MB y no se abre: no se guarda en el historial."));
        QCOMPARE(gitplano::Git(carpeta, "show HEAD:Chica.rtn"), (kChica + kOtra).trimmed());
    }

    // A sync sends the others to a repository made with plain git and says which it did not send.
    void laSincronizacionEnviaLasDemasYDiceCual() {
        Carpeta c;
        Biblioteca(c);
        QTemporaryDir remoto;
        gitplano::Git(remoto.path(), "init --bare --initial-branch=main biblioteca.git");
        const QString bare = remoto.filePath("biblioteca.git");
        Historial h(c.estado.carpetaCategorias());
        QSignalSpy informes(&h, &Historial::sincronizado);
        h.Preparar();
        h.Sincronizar(QUrl::fromLocalFile(bare).toString());
        QCOMPARE(informes.size(), 1);
        const auto informe = informes.first().first().value<git::Informe>();
        QVERIFY2(informe.ok, qPrintable(informe.error));
        QVERIFY(informe.avisos.contains(QStringLiteral(
            "Las categorías Doble, Enorme ocupan cada una más de 512 MB y no se abren: no se sincronizan.")));
        QCOMPARE(EnRama(bare, "main"), (QStringList{"Chica.rtn", "Otra.rtn"}));
    }
};

QTEST_MAIN(tst_grandes)

#include "tst_grandes.moc"
