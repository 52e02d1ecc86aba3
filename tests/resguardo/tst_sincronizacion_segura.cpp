// The sync never writes one category over another nor over what another program just wrote, and a
// write step that fails half-way puts back what it had written.
#include "AyudasNucleo.h"
#include "DiscoLleno.h"
#include "../historial/GitPlano.h"
#include "format/DuenoCarpeta.h"
#include "format/mdlScripts.h"
#include "history/Repositorio.h"
#include "history/Sincronizacion.h"

#include <QtTest>

using gitplano::Git;

namespace {

const char *const kEnEspacio = "RUTINERO_EN_ESPACIO";

Script Rec(const QString &nombre) { return {nombre, QStringLiteral("d"), nombre + QStringLiteral("-código"), "5"}; }
QByteArray Bytes(const QStringList &nombres) {
    QVector<Script> v;
    for (const QString &n : nombres)
        v.append(Rec(n));
    return mdlScripts::Componer(v);
}
// The names of the scripts, sorted.
QStringList Nombres(const QByteArray &datos) {
    QStringList r;
    for (const Script &s : mdlScripts::Analizar(datos))
        r << s.Nombre;
    r.sort();
    return r;
}

// A blob of a repository, exactly as stored (GitPlano's output is trimmed).
QByteArray Blob(const QString &repo, const QString &cual) {
    QProcess p;
    p.start(gitplano::Programa(), {"--git-dir", repo, "cat-file", "blob", cual});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return "(no se pudo leer " + cual.toUtf8() + ")";
    return p.readAllStandardOutput();
}

// A library with its history, and a shared repository made with plain git.
struct Equipo {
    QTemporaryDir dir;
    QString app, categorias, remoto;
    QTemporaryDir dirRemoto;
    git::Repositorio repo;

    Equipo(const QMap<QString, QByteArray> &archivos, bool propio, const QString &donde = {}) {
        app = (donde.isEmpty() ? dir.path() : donde) + "/app";
        categorias = app + "/Categorias";
        remoto = dirRemoto.path() + "/remoto.git";
        QVERIFY(QDir().mkpath(categorias));
        for (auto it = archivos.cbegin(); it != archivos.cend(); ++it)
            ayudas::EscribirBytes(categorias + '/' + it.key(), it.value());
        QString error, mensaje;
        QVERIFY2(repo.Abrir(categorias, true, nullptr, &error), qPrintable(error));
        QVERIFY2(repo.Confirmar(repo.Pendientes(), &mensaje, &error,
                                propio ? "Primera versión de la biblioteca" : "Mis categorías"),
                 qPrintable(error));
        Git(dirRemoto.path(), {"init", "-q", "--bare", "--initial-branch=main", remoto});
    }
    git::Informe sincronizar() { return git::Sincronizar(repo, remoto, git::Llamadas{}); }
    // A version of what is pending: empty, or why it failed.
    QString confirmar() {
        QString mensaje, error;
        return repo.Confirmar(repo.Pendientes(), &mensaje, &error) ? QString() : "(no se confirmó) " + error;
    }
    // The shared repository changed from a clone of it with plain git, as another machine would.
    void cambiarRemoto(const QMap<QString, std::optional<QByteArray>> &cambios) {
        const QString c = dirRemoto.path() + "/clon";
        if (!QFileInfo::exists(c))
            Git(dirRemoto.path(), {"clone", "-q", remoto, c});
        else
            Git(c, "pull -q --ff-only");
        for (auto it = cambios.cbegin(); it != cambios.cend(); ++it)
            if (it.value())
                ayudas::EscribirBytes(c + '/' + it.key(), *it.value());
            else
                QVERIFY(QFile::remove(c + '/' + it.key()));
        Git(c, "add -A");
        Git(c, {"commit", "-q", "-m", "otro equipo"});
        Git(c, "push -q origin HEAD:main");
    }
    QStringList arbolRemoto() const {
        return QString::fromUtf8(Git(remoto, "ls-tree --name-only main")).split('\n', Qt::SkipEmptyParts);
    }
    QStringList archivos() const { return QDir(categorias).entryList({"*"}, QDir::Files, QDir::Name); }
    QByteArray bytes(const QString &archivo) const { return ayudas::LeerBytes(categorias + '/' + archivo); }
    QByteArray enVersion(const QString &archivo) const {
        return repo.Contenido(repo.Ultima(), archivo).value_or("(no está en la última versión)");
    }
};

bool Dice(const QStringList &avisos, const QStringList &trozos) {
    for (const QString &a : avisos)
        if (std::all_of(trozos.cbegin(), trozos.cend(), [&](const QString &t) { return a.contains(t); }))
            return true;
    return false;
}

} // namespace

class tst_sincronizacion_segura : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (gitplano::Programa().isEmpty())
            QSKIP("git is not installed: these tests build the shared repositories with it");
    }
    void cleanup() { git::prueba::AntesDeEscribir({}); }

    // Uno.rtn and Uno.RTN, in a shared repository (plain git on a disk that tells case apart) or left
    // side by side in the folder by another program: the sync keeps both sets of scripts, the second
    // as "Uno (2)" here and in the shared repository, says so, and the next sync sends nothing.
    void nombresQueSoloDifierenEnMayusculas_data() {
        QTest::addColumn<QString>("origen"); // where the two come from
        QTest::addColumn<bool>("propio");    // the program's own repository, or one the user had
        QTest::newRow("llega a lo compartido, biblioteca propia") << "compartido" << true;
        QTest::newRow("llega a lo compartido, repositorio del usuario") << "compartido" << false;
        QTest::newRow("repositorio ajeno con las dos") << "ajeno" << true;
        QTest::newRow("las dos en la carpeta") << "carpeta" << true;
    }
    void nombresQueSoloDifierenEnMayusculas() {
        QFETCH(QString, origen);
        QFETCH(bool, propio);
        QByteArray uno = Bytes({"A1", "B2"});
        const QByteArray mayus = Bytes({"Mayus"});
        Equipo e(origen == "ajeno"     ? QMap<QString, QByteArray>{{"Otra.rtn", Bytes({"o1"})}}
                 : origen == "carpeta" ? QMap<QString, QByteArray>{{"Uno.rtn", uno}, {"Uno.RTN", mayus}}
                                       : QMap<QString, QByteArray>{{"Uno.rtn", uno}},
                 propio);
        if (origen == "compartido") {
            QVERIFY(e.sincronizar().ok);
            e.cambiarRemoto({{"Uno.RTN", mayus}});
        } else if (origen == "ajeno") {
            e.cambiarRemoto({{"Uno.rtn", uno}, {"Uno.RTN", mayus}});
        } else {
            // Saving one never touches the other, and each is a file of its own in the versions.
            QCOMPARE(QString::fromUtf8(Git(e.categorias, "ls-tree --name-only HEAD")).split('\n'),
                     QStringList({"Uno.RTN", "Uno.rtn"}));
            uno = Bytes({"A1", "B2", "C3"});
            QString error;
            QVERIFY2(DuenoCarpeta::De(e.categorias).Guardar("Uno.rtn", uno, &error), qPrintable(error));
            QCOMPARE(e.bytes("Uno.RTN"), mayus);
            QCOMPARE(e.repo.Pendientes(), QStringList({"Uno.rtn"}));
            QCOMPARE(e.confirmar(), QString());
            QCOMPARE(e.enVersion("Uno.RTN"), mayus);
            QCOMPARE(e.enVersion("Uno.rtn"), uno);
        }
        if (origen != "carpeta")
            QCOMPARE(e.arbolRemoto().filter("Uno"), QStringList({"Uno.RTN", "Uno.rtn"}));

        const git::Informe inf = e.sincronizar();
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(e.archivos().filter("Uno"), QStringList({"Uno (2).rtn", "Uno.rtn"}));
        QCOMPARE(e.bytes("Uno.rtn"), uno);
        QCOMPARE(e.bytes("Uno (2).rtn"), mayus);
        QVERIFY2(Dice(inf.avisos, {"Uno.RTN", "Uno (2)", "mayúsculas"}), qPrintable(inf.avisos.join('\n')));
        QCOMPARE(e.arbolRemoto().filter("Uno"), QStringList({"Uno (2).rtn", "Uno.rtn"}));
        QCOMPARE(Blob(e.remoto, "main:Uno.rtn"), uno);
        QCOMPARE(Blob(e.remoto, "main:Uno (2).rtn"), mayus);
        QCOMPARE(e.repo.Pendientes(), QStringList());
        // Plain git sees the folder as the version holds it: the index follows the names too.
        QCOMPARE(Git(e.categorias, "status --porcelain"), QByteArray());

        const QByteArray cabeza = Git(e.remoto, "rev-parse main");
        const git::Informe otra = e.sincronizar();
        QVERIFY2(otra.ok, qPrintable(otra.error));
        QCOMPARE(otra.enviado, QStringList());
        QCOMPARE(otra.recibido, QStringList());
        QCOMPARE(Git(e.remoto, "rev-parse main"), cabeza);
        QCOMPARE(e.bytes("Uno.rtn"), uno);
        QCOMPARE(e.bytes("Uno (2).rtn"), mayus);
    }

    // The other machine renamed Uno.rtn as Uno.RTN (the same category): here the old file goes before
    // the new one is written, so that the new one is never written over the old and then removed.
    void terminacionRenombradaEnElRemoto() {
        const QByteArray uno = Bytes({"A1", "B2"}), cambiado = Bytes({"A1", "B2", "C3"});
        Equipo e({{"Uno.rtn", uno}}, true);
        QVERIFY(e.sincronizar().ok);
        e.cambiarRemoto({{"Uno.rtn", std::nullopt}, {"Uno.RTN", cambiado}});
        const git::Informe inf = e.sincronizar();
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(e.archivos(), QStringList({"Uno.RTN"}));
        QCOMPARE(e.bytes("Uno.RTN"), cambiado);
        QCOMPARE(e.repo.Pendientes(), QStringList());
    }

    // Of Uno.rtn and Uno.RTN, the next version removes the one another program removed, not the other.
    void eliminarUnaDeDos_data() {
        QTest::addColumn<QString>("eliminada");
        QTest::addColumn<QString>("queda");
        QTest::newRow("la de minúsculas") << "Uno.rtn" << "Uno.RTN";
        QTest::newRow("la de mayúsculas") << "Uno.RTN" << "Uno.rtn";
    }
    void eliminarUnaDeDos() {
        QFETCH(QString, eliminada);
        QFETCH(QString, queda);
        Equipo e({{"Uno.rtn", Bytes({"A1", "B2"})}, {"Uno.RTN", Bytes({"Mayus"})}}, true);
        const QByteArray antes = e.bytes(queda);
        QVERIFY(QFile::remove(e.categorias + '/' + eliminada));
        QCOMPARE(e.repo.Pendientes(), QStringList({eliminada}));
        QCOMPARE(e.confirmar(), QString());
        QCOMPARE(QString::fromUtf8(Git(e.categorias, "ls-tree --name-only HEAD")), queda);
        QCOMPARE(e.enVersion(queda), antes);
        QCOMPARE(e.bytes(queda), antes);
        QCOMPARE(e.repo.Pendientes(), QStringList());
    }

    // A real second process writes the category the sync is about to replace, at its write step:
    // what it wrote is merged with what came, never overwritten, and stays pending.
    void cambioDeOtroProgramaDuranteLaSincronizacion_data() {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QStringList>("remoto"); // the other machine's version of it; empty: deleted
        QTest::addColumn<QStringList>("fuera");  // what the other program writes meanwhile
        QTest::addColumn<QStringList>("esperados");
        QTest::newRow("cambiada en los dos") << "Menus.rtn" << QStringList{"a", "b", "remoto"}
                                             << QStringList{"a", "b", "fuera"}
                                             << QStringList{"a", "b", "fuera", "remoto"};
        QTest::newRow("nueva en los dos") << "Nueva.rtn" << QStringList{"remoto"} << QStringList{"fuera"}
                                          << QStringList{"fuera", "remoto"};
        QTest::newRow("eliminada allí, cambiada aquí") << "Menus.rtn" << QStringList{} << QStringList{"a", "b", "fuera"}
                                                      << QStringList{"a", "b", "fuera"};
    }
    void cambioDeOtroProgramaDuranteLaSincronizacion() {
        QFETCH(QString, archivo);
        QFETCH(QStringList, remoto);
        QFETCH(QStringList, fuera);
        QFETCH(QStringList, esperados);
        Equipo e({{"Menus.rtn", Bytes({"a", "b"})}}, true);
        QVERIFY(e.sincronizar().ok);
        e.cambiarRemoto({{archivo, remoto.isEmpty() ? std::nullopt : std::optional<QByteArray>(Bytes(remoto))}});
        const QString fuente = e.dir.path() + "/del otro programa.rtn";
        ayudas::EscribirBytes(fuente, Bytes(fuera));
        int copias = 0;
        git::prueba::AntesDeEscribir([&](const QString &carpeta) {
            ++copias;
            QCOMPARE(QProcess::execute("cp", {fuente, carpeta + '/' + archivo}), 0);
        });

        const git::Informe inf = e.sincronizar();
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(copias, 1);
        QCOMPARE(Nombres(e.bytes(archivo)), esperados);
        QVERIFY2(Dice(inf.avisos, {mezcla::Categoria(archivo), "otro programa"}), qPrintable(inf.avisos.join('\n')));
        QVERIFY(!Nombres(e.enVersion(archivo)).contains("fuera"));
        QCOMPARE(e.repo.Pendientes(), QStringList({archivo}));
        QCOMPARE(e.confirmar(), QString());
        QCOMPARE(Nombres(e.enVersion(archivo)), esperados);
    }

    // The write step's second category cannot be written (the disk fills up): the first is put back.
    void segundaEscrituraFallidaDevuelveLaPrimera() {
        RUTINERO_MONTAR(montaje, 16 << 20, kEnEspacio);
        const QByteArray a = Bytes({"a1"}), b = Bytes({"b1"});
        Equipo e({{"A.rtn", a}, {"B.rtn", b}}, true, montaje.dir.path());
        QVERIFY(e.sincronizar().ok);
        // B grows by a megabyte of code that does not compress.
        QRandomGenerator azar(7);
        QByteArray grande;
        for (int i = 0; i < (1 << 20) / 8; ++i)
            grande += QByteArray::number(azar.generate64(), 36).left(8);
        e.cambiarRemoto({{"A.rtn", Bytes({"a1", "a2"})},
                         {"B.rtn", mdlScripts::Componer({Rec("b1"), {"b2", "d", QString::fromLatin1(grande), "5"}})}});
        const QByteArray ultima = e.repo.Ultima();
        git::prueba::AntesDeEscribir([&](const QString &carpeta) {
            // Full but for a few pages: room for A's new version, not for B's.
            ayudas::Llenar(carpeta);
            QFile relleno(carpeta + "/relleno");
            QVERIFY(relleno.resize(qMax<qint64>(0, relleno.size() - (64 << 10))));
        });

        const git::Informe inf = e.sincronizar();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("No se pudo escribir la categoría B") &&
                     inf.error.contains("No se ha cambiado nada en este equipo."),
                 qPrintable(inf.error));
        QCOMPARE(e.bytes("A.rtn"), a);
        QCOMPARE(e.bytes("B.rtn"), b);
        QCOMPARE(e.repo.Ultima(), ultima);
    }
};

QTEST_GUILESS_MAIN(tst_sincronizacion_segura)
#include "tst_sincronizacion_segura.moc"
