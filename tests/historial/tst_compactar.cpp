// The history's housekeeping: the loose copies each version adds are packed with the versions of a
// file stored as differences, and nothing a version reaches is ever lost on the way.
#include "AyudasNucleo.h"
#include "history/Git.h"
#include "history/Historial.h"
#include "history/Repositorio.h"
#include "format/mdlScripts.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

namespace {
// A category of a few hundred scripts, recorded `veces` times with one script changed each time;
// gives the file's bytes at each version, oldest first.
QVector<QByteArray> Versiones(git::Repositorio &repo, const QString &carpeta, int veces, int desde = 0) {
    QVector<Script> scripts;
    for (int i = 0; i < 400; ++i)
        scripts.append({QStringLiteral("Script %1").arg(i),
                        QStringLiteral("Descripción %1").arg(i * 7919 % 1000),
                        QStringLiteral("function f%1(a) { return a * %2; }").arg(i).arg(i * 31 % 97),
                        QString::number(i % 10)});
    QVector<QByteArray> guardadas;
    const QString ruta = carpeta + "/Grande.rtn";
    for (int v = desde; v < desde + veces; ++v) {
        scripts[v * 37 % scripts.size()].Codigo += QStringLiteral(" // versión %1").arg(v);
        mdlScripts::GuardarArchivo(ruta, scripts);
        QString mensaje;
        if (!repo.Confirmar({"Grande.rtn"}, &mensaje, nullptr))
            qFatal("no se guardó la versión %d", v);
        guardadas.append(ayudas::LeerBytes(ruta));
    }
    return guardadas;
}

// Each recorded version of the category, oldest first, as the history gives it back.
QVector<QByteArray> Recuperadas(const git::Repositorio &repo) {
    QVector<QByteArray> r;
    const auto versiones = repo.Versiones("Grande.rtn");
    for (auto it = versiones.crbegin(); it != versiones.crend(); ++it)
        r.append(repo.Contenido(it->commit, it->archivo).value_or(QByteArray("(sin contenido)")));
    return r;
}

QStringList Paquetes(const QString &carpeta) {
    return QDir(carpeta + "/.git/objects/pack").entryList({"*.pack"}, QDir::Files);
}

// A Categorias folder of its own with its history.
struct Biblioteca {
    ayudas::Carpeta c;
    QString carpeta = c.estado.carpetaCategorias();
    git::Repositorio repo;
    Biblioteca() { QVERIFY(QDir().mkpath(carpeta) && repo.Abrir(carpeta, true)); }
};
} // namespace

class tst_compactar : public QObject {
    Q_OBJECT
  private slots:
    // Packed at once or in small batches, every version is still there and nothing is left loose.
    void compactarConservaCadaVersion_data() {
        QTest::addColumn<int>("lote"); // the bytes of loose objects a batch takes; 0: the usual
        QTest::newRow("de una vez") << 0;
        QTest::newRow("por lotes pequeños") << 16 * 1024;
    }
    void compactarConservaCadaVersion() {
        QFETCH(int, lote);
        Biblioteca b;
        const QVector<QByteArray> guardadas = Versiones(b.repo, b.carpeta, 30);
        const git::Repositorio::Sueltos antes = b.repo.ContarSueltos();
        QCOMPARE(antes.objetos, 30 * 3); // each version: the file, the folder, the version itself
        git::Repositorio::LimitarLote(lote);
        const int n = b.repo.Compactar();
        git::Repositorio::LimitarLote(0);
        QCOMPARE(n, antes.objetos);
        QCOMPARE(b.repo.ContarSueltos().objetos, 0);
        QCOMPARE(Recuperadas(b.repo), guardadas);
        // Thirty versions that differ in a line each take little more room than one.
        const qint64 despues = ayudas::TamanoDeLaCarpeta(b.carpeta + "/.git/objects");
        qInfo("objetos: %lld bytes sueltos, %lld en el paquete", antes.bytes, despues);
        QVERIFY(despues * 5 < antes.bytes);
    }

    // A second housekeeping packs the new versions with the old ones: one pack again, where the
    // versions of the file are stored as differences of each other.
    void compactarOtraVezDejaUnPaquete() {
        Biblioteca b;
        QVector<QByteArray> guardadas = Versiones(b.repo, b.carpeta, 10);
        QVERIFY(b.repo.Compactar() > 0);
        guardadas += Versiones(b.repo, b.carpeta, 10, 10);
        QCOMPARE(b.repo.Compactar(), 30);
        QCOMPARE(Paquetes(b.carpeta).size(), 1);
        QCOMPARE(Recuperadas(b.repo), guardadas);
    }

    // Housekeeping after housekeeping, the packs stay few: the small ones are packed together.
    void muchosPaquetesSeJuntan() {
        Biblioteca b;
        QVector<QByteArray> guardadas;
        for (int vez = 0; vez < 16; ++vez) {
            guardadas += Versiones(b.repo, b.carpeta, 2, 2 * vez);
            QVERIFY(b.repo.Compactar() > 0);
        }
        QVERIFY2(Paquetes(b.carpeta).size() <= 4, qPrintable(Paquetes(b.carpeta).join(' ')));
        QCOMPARE(b.repo.ContarSueltos().objetos, 0);
        QCOMPARE(Recuperadas(b.repo), guardadas);
    }

    // What no version reaches stays while it is recent, and goes once two weeks old.
    void loQueNadieAlcanzaEsperaDosSemanas() {
        Biblioteca b;
        Versiones(b.repo, b.carpeta, 2);
        git_oid reciente, viejo;
        QVERIFY(git_blob_create_from_buffer(&reciente, b.repo.crudo(), "suelto reciente", 15) == 0);
        QVERIFY(git_blob_create_from_buffer(&viejo, b.repo.crudo(), "suelto viejo", 12) == 0);
        const QString hex = QString::fromLatin1(git::Hex(viejo));
        QFile archivoViejo(b.carpeta + "/.git/objects/" + hex.left(2) + '/' + hex.mid(2));
        QVERIFY(archivoViejo.open(QIODevice::ReadOnly));
        QVERIFY(archivoViejo.setFileTime(QDateTime::currentDateTime().addDays(-15),
                                         QFileDevice::FileModificationTime));
        archivoViejo.close();
        QVERIFY(b.repo.Compactar() > 0);
        QCOMPARE(b.repo.ContarSueltos().objetos, 1);
        git_odb *odb = nullptr;
        QVERIFY(git_repository_odb(&odb, b.repo.crudo()) == 0);
        QVERIFY(git_odb_exists(odb, &reciente));
        QVERIFY(!git_odb_exists(odb, &viejo));
        git_odb_free(odb);
    }

    // The history's thread looks at the loose objects when it starts, and packs them once they are big.
    void alEmpezarSeCompactaLoGrande() {
        ayudas::Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        QDir().mkpath(carpeta);
        {
            git::Repositorio repo;
            QVERIFY(repo.Abrir(carpeta, true));
            // Random bytes do not compress: one version of them is more than the loose objects allowed.
            QByteArray azar(70 * 1024 * 1024, Qt::Uninitialized);
            QRandomGenerator r(5);
            r.fillRange(reinterpret_cast<quint32 *>(azar.data()), azar.size() / 4);
            ayudas::EscribirBytes(carpeta + "/Grande.rtn", azar);
            QString mensaje;
            QVERIFY(repo.Confirmar({"Grande.rtn"}, &mensaje, nullptr));
            QVERIFY(git::Repositorio::HaceFaltaCompactar(repo.ContarSueltos()));
        }
        Historial h(carpeta);
        h.Preparar();
        git::Repositorio repo;
        QVERIFY(repo.Abrir(carpeta, false));
        QCOMPARE(repo.ContarSueltos().objetos, 0);
        QCOMPARE(Paquetes(carpeta).size(), 1);
    }

    // Asked to stop (the program is closing), it gives up and removes nothing.
    void compactarSeDejaAlCerrar() {
        Biblioteca b;
        const QVector<QByteArray> guardadas = Versiones(b.repo, b.carpeta, 5);
        const int sueltos = b.repo.ContarSueltos().objetos;
        QCOMPARE(b.repo.Compactar(nullptr, [] { return true; }), -1);
        QCOMPARE(b.repo.ContarSueltos().objetos, sueltos);
        QCOMPARE(QDir(b.carpeta + "/.git/objects/pack").entryList(QDir::Files), QStringList());
        QCOMPARE(Recuperadas(b.repo), guardadas);
    }

    // A repository with no version yet has nothing to pack, and stays as it is.
    void sinVersionesNoHayNadaQueCompactar() {
        Biblioteca b;
        QCOMPARE(b.repo.Compactar(), 0);
        QVERIFY(Paquetes(b.carpeta).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_compactar)
#include "tst_compactar.moc"
