// The library's index as one more program among others on the machine: other programs' edits and
// locks, the kernel's watches, a nearly full disk, unreadable categories.
#include "AyudasNucleo.h"
#include "DiscoLleno.h"
#include "search/Indexador.h"
#include "format/mdlScripts.h"
#include "ui/tools/frmBuscarBiblioteca.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// The kernel watches this process holds, counted from what the kernel itself lists.
int Vigilancias() {
    int n = 0;
    for (const QString &fd : QDir("/proc/self/fd").entryList(QDir::System | QDir::Files)) {
        n += ayudas::LeerBytes("/proc/self/fdinfo/" + fd).count("inotify wd:");
    }
    return n;
}

// A search through the index, and its answer.
biblioteca::Respuesta Buscar(Indexador &x, const QString &texto) {
    QSignalSpy hallados(&x, &Indexador::hallados);
    const quint64 n = x.Buscar(texto, 50);
    for (int i = 0; i < 100; ++i) {
        for (const auto &a : hallados)
            if (a.at(0).toULongLong() == n)
                return a.at(1).value<biblioteca::Respuesta>();
        hallados.wait(300);
    }
    return {};
}

// Waits for the indexer's passes to settle.
void Asentar(Indexador &x) {
    QSignalSpy pasadas(&x, &Indexador::actualizado);
    while (pasadas.wait(1500)) {
    }
}

// A library folder of its own: its categories hold one script each, with the given code.
struct Biblio {
    QTemporaryDir dir;
    QString carpeta = dir.path() + "/Categorias";
    QString indice = dir.path() + "/Preferencias/indice.db";
    Biblio() { QDir().mkpath(carpeta); }
    void categoria(const QString &nombre, const QString &codigo) const {
        ayudas::EscribirBytes(carpeta + QLatin1Char('/') + nombre + ".rtn",
                              mdlScripts::Componer({{"uno", "d", codigo, "5"}}));
    }
    // The indexer over the folder, its passes settled.
    std::unique_ptr<Indexador> indexar() const {
        auto x = std::make_unique<Indexador>(carpeta, indice);
        x->Iniciar();
        Asentar(*x);
        return x;
    }
};

const char *const kBloquear = "--bloquear-indice";
const char *const kEspacioPropio = "RUTINERO_PRUEBA_INDICE_ESPACIO";

} // namespace

class tst_vigilancia : public QObject {
    Q_OBJECT
  private slots:
    // Thousands of categories cost one kernel watch, not one each.
    void unaVigilanciaParaTodaLaCarpeta() {
        Biblio b;
        for (int i = 0; i < 5000; ++i)
            b.categoria(QStringLiteral("c%1").arg(i), "x");
        const int antes = Vigilancias();
        const auto x = b.indexar();
        QVERIFY2(Vigilancias() - antes <= 1, qPrintable(QString::number(Vigilancias() - antes)));
    }

    // Another program rewrites a category with the same size and puts its time back: still seen.
    void cambioConElMismoTamanoYHoraSeVe() {
        Biblio b;
        b.categoria("Menus", "alfabeto");
        const auto x = b.indexar();
        QCOMPARE(Buscar(*x, "alfabeto").total, 1);
        const QString ruta = b.carpeta + "/Menus.rtn";
        const QDateTime hora = QFileInfo(ruta).lastModified();
        QByteArray datos = ayudas::LeerBytes(ruta);
        datos.replace("alfabeto", "zanahori");
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QCOMPARE(f.write(datos), datos.size());
        f.flush();
        QVERIFY(f.setFileTime(hora, QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(QFileInfo(ruta).lastModified(), hora);
        Asentar(*x);
        QCOMPARE(Buscar(*x, "zanahori").total, 1);
        QCOMPARE(Buscar(*x, "alfabeto").total, 0);
    }

    // An index another program holds locked is neither removed nor made anew; searches say so.
    void indiceBloqueadoPorOtroProgramaSeRespeta() {
        Biblio b;
        b.categoria("Menus", "alfabeto");
        b.indexar(); // the index made, and its indexer gone
        struct stat antes;
        QCOMPARE(::stat(QFile::encodeName(b.indice).constData(), &antes), 0);
        QProcess otro;
        otro.start(QCoreApplication::applicationFilePath(), {QLatin1String(kBloquear), b.indice});
        QVERIFY(otro.waitForReadyRead(10000));
        QCOMPARE(otro.readLine().trimmed(), QByteArray("bloqueado"));

        Indexador x(b.carpeta, b.indice);
        x.Iniciar();
        QTest::qWait(2500); // the writer's attempt, with its wait for the lock
        const biblioteca::Respuesta r = Buscar(x, "alfabeto");
        QCOMPARE(r.total, 1);
        QVERIFY2(r.aviso.contains("Otro programa está usando el índice"), qPrintable(r.aviso));
        struct stat despues;
        QCOMPARE(::stat(QFile::encodeName(b.indice).constData(), &despues), 0);
        QCOMPARE(despues.st_ino, antes.st_ino);
        otro.closeWriteChannel();
        QVERIFY(otro.waitForFinished(10000));
        QCOMPARE(otro.exitCode(), 0); // its data was there all along
    }

    // On a nearly full disk the index waits instead of taking the room the user's saves need.
    void discoCasiLlenoElIndiceEspera() {
        RUTINERO_MONTAR(montaje, 32 << 20, kEspacioPropio);
        Biblio b;
        const QByteArray grande(200 * 1024, 'x');
        for (int i = 0; i < 20; ++i)
            b.categoria(QStringLiteral("c%1").arg(i), QString::fromLatin1(grande) + " alfabeto");
        b.indice = montaje.dir.path() + "/Preferencias/indice.db";
        QDir().mkpath(QFileInfo(b.indice).path());
        ayudas::Llenar(montaje.dir.path());
        // Two megabytes left: less than the reserve kept for the user (a tenth of this disk).
        QFile relleno(montaje.dir.path() + "/relleno");
        QVERIFY(relleno.resize(relleno.size() - (2 << 20)));
        const qint64 libre = QStorageInfo(montaje.dir.path()).bytesAvailable();
        const auto x = b.indexar();
        const biblioteca::Respuesta r = Buscar(*x, "alfabeto");
        QCOMPARE(r.total, 20);
        QVERIFY2(r.aviso.contains("casi lleno"), qPrintable(r.aviso));
        QStorageInfo despues(montaje.dir.path());
        despues.refresh();
        QVERIFY2(despues.bytesAvailable() >= libre - (512 << 10),
                 qPrintable(QStringLiteral("%1 of %2 bytes left").arg(despues.bytesAvailable()).arg(libre)));
    }

    // A category that cannot be read (a link to memory the kernel refuses) is named, not dropped.
    void categoriaIlegibleSeNombraEnLaBusqueda() {
        Biblio b;
        b.categoria("Menus", "alfabeto");
        QVERIFY(QFile::link("/proc/self/mem", b.carpeta + "/Rota.rtn"));
        const auto x = b.indexar();
        frmBuscarBiblioteca w(*x, [](const biblioteca::Hallazgo &) {}, nullptr);
        w.Mostrar();
        QTest::keyClicks(w.findChild<QLineEdit *>("txtBuscar"), "alfa");
        auto *aviso = w.findChild<QLabel *>("lblAviso");
        QVERIFY(aviso);
        QTRY_VERIFY_WITH_TIMEOUT(aviso->isVisible(), 10000);
        QCOMPARE(aviso->text(), "No se pudo leer la categoría: Rota.");
    }
};

// The second program of the lock test: it holds the index locked until its input closes.
int main(int argc, char **argv) {
    if (argc == 3 && qstrcmp(argv[1], kBloquear) == 0) {
        sqlite3 *db = nullptr;
        if (sqlite3_open(argv[2], &db) != SQLITE_OK ||
            sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr) != SQLITE_OK)
            return 2;
        std::puts("bloqueado");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        sqlite3_int64 filas = 0;
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM archivos", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            filas = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return filas == 1 ? 0 : 3;
    }
    QApplication app(argc, argv);
    tst_vigilancia t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_vigilancia.moc"
