// Housekeeping in a repository the user also works in with plain git: what git's own index, reflogs,
// stashes and heads name is kept, however old, and git finds its repository whole afterwards.
#include "../historial/GitPlano.h"
#include "AyudasNucleo.h"
#include "history/Repositorio.h"

#include <QtTest>

using gitplano::Git;

namespace {
// A user's own repository made with plain git: one category, one commit.
struct Usuario {
    QTemporaryDir dir;
    QString r = dir.path();
    Usuario() {
        Git(r, "init -q -b main");
        escribir("A.rtn", "uno\r\n", true);
        Git(r, "commit -q -m uno");
    }
    // A file of the user's, staged with git add when told.
    void escribir(const QString &archivo, const QByteArray &datos, bool preparar = false) const {
        ayudas::EscribirBytes(r + '/' + archivo, datos);
        if (preparar)
            Git(r, {"add", archivo});
    }
    // The index written in that version of its format, with entries that need version 3's flags;
    // version 0: split in two, most entries in a shared file next to it.
    void indiceEnVersion(int version) const {
        if (version == 0) {
            Git(r, "update-index --split-index");
            QVERIFY(!QDir(r + "/.git").entryList({"sharedindex.*"}).isEmpty());
            return;
        }
        if (version == 3)
            Git(r, "update-index --skip-worktree A.rtn");
        Git(r, {"update-index", "--index-version", QString::number(version)});
        QCOMPARE(int(ayudas::LeerBytes(r + "/.git/index").at(7)), version);
    }
    // Every loose object three weeks old, well past the two weeks housekeeping waits.
    void envejecer() const {
        static const QRegularExpression suelto(QStringLiteral("/objects/[0-9a-f]{2}/[0-9a-f]{38}$"));
        QDirIterator it(r + "/.git/objects", QDir::Files, QDirIterator::Subdirectories);
        int cuantos = 0;
        while (it.hasNext()) {
            const QString ruta = it.next();
            if (!suelto.match(ruta).hasMatch())
                continue;
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::ReadOnly) &&
                    f.setFileTime(QDateTime::currentDateTime().addDays(-21), QFileDevice::FileModificationTime));
            ++cuantos;
        }
        QVERIFY(cuantos > 0);
    }
    // Every loose object made old, then the housekeeping, which finds something to pack.
    void compactarViejos() const {
        envejecer();
        QVERIFY(compactar() > 0);
    }
    // The program's housekeeping on it; gives how many loose objects went.
    int compactar() const {
        git::Repositorio repo;
        if (!repo.Abrir(r, false))
            return -2;
        QString error;
        const int n = repo.Compactar(&error);
        if (n < 0)
            qWarning("Compactar: %s", qPrintable(error));
        return n;
    }
    bool hay(const QByteArray &id) const {
        QProcess p;
        p.setWorkingDirectory(r);
        p.start(gitplano::Programa(), {"cat-file", "-e", id});
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // Still there as a loose file (git itself cannot be asked once its refs are damaged).
    bool suelto(const QByteArray &id) const {
        return QFileInfo::exists(r + "/.git/objects/" + id.left(2) + '/' + id.mid(2));
    }
    void sano() const { Git(r, "fsck --full --no-progress --no-dangling"); }
};

void Versiones() {
    QTest::addColumn<int>("version");
    QTest::newRow("versión 2") << 2;
    QTest::newRow("versión 3") << 3;
    QTest::newRow("versión 4") << 4;
    QTest::newRow("dividido") << 0;
}
} // namespace

class tst_compactargit : public QObject {
    Q_OBJECT
  private slots:
    // A file staged with git add weeks ago is only in the index: it stays, and git commits it.
    void archivoPreparadoSigueTrasCompactar_data() { Versiones(); }
    void archivoPreparadoSigueTrasCompactar() {
        QFETCH(int, version);
        Usuario u;
        u.escribir("sub/B.rtn", "preparado\r\n", true);
        u.indiceEnVersion(version);
        const QByteArray blob = Git(u.r, "rev-parse :sub/B.rtn");
        u.compactarViejos();
        QVERIFY(u.hay(blob));
        u.sano();
        Git(u.r, "commit -q -m dos");
        QCOMPARE(Git(u.r, "show HEAD:sub/B.rtn"), QByteArray("preparado"));
    }

    // A second working tree of the same repository (git worktree) has an index and a HEAD of its own.
    void preparadoEnOtroArbolDeTrabajoSigue() {
        Usuario u;
        QTemporaryDir otro;
        const QString w = otro.path() + "/w";
        Git(u.r, {"worktree", "add", "-q", "-b", "otra", w});
        ayudas::EscribirBytes(w + "/F.rtn", "en el otro\r\n");
        Git(w, "add F.rtn");
        const QByteArray blob = Git(w, "rev-parse :F.rtn");
        u.compactarViejos();
        QVERIFY(u.hay(blob));
        u.sano();
        Git(w, "commit -q -m otra");
    }

    // The trees git write-tree recorded are named only by the index's cache tree.
    void arbolDelIndiceSigueTrasCompactar_data() { Versiones(); }
    void arbolDelIndiceSigueTrasCompactar() {
        QFETCH(int, version);
        Usuario u;
        u.escribir("sub/C.rtn", "en una carpeta\r\n", true);
        u.indiceEnVersion(version);
        const QByteArray arbol = Git(u.r, "write-tree");
        const QByteArray subarbol = Git(u.r, {"rev-parse", arbol + ":sub"});
        u.compactarViejos();
        QVERIFY(u.hay(arbol));
        QVERIFY(u.hay(subarbol));
        u.sano();
    }

    // A commit that only a reflog entry remembers (dropped by a reset, replaced by an amend).
    void entradaDelReflogSigueTrasCompactar_data() {
        QTest::addColumn<QString>("orden");
        QTest::newRow("reset --hard") << "reset -q --hard HEAD~1";
        QTest::newRow("commit --amend") << "commit -q --amend -m corregido";
    }
    void entradaDelReflogSigueTrasCompactar() {
        QFETCH(QString, orden);
        Usuario u;
        u.escribir("D.rtn", "solo en el reflog\r\n", true);
        Git(u.r, "commit -q -m dos");
        const QByteArray perdido = Git(u.r, "rev-parse HEAD");
        if (orden.contains("amend"))
            u.escribir("D.rtn", "corregido\r\n", true);
        Git(u.r, orden.split(' '));
        u.compactarViejos();
        QVERIFY(u.hay(perdido));
        u.sano();
        QCOMPARE(Git(u.r, {"show", perdido + ":D.rtn"}), QByteArray("solo en el reflog"));
    }

    // Two stashes: the older one is named only by the stash's reflog.
    void stashSigueTrasCompactar() {
        Usuario u;
        u.escribir("A.rtn", "primer cambio\r\n");
        Git(u.r, "stash -q");
        u.escribir("A.rtn", "segundo cambio\r\n");
        Git(u.r, "stash -q");
        u.compactarViejos();
        u.sano();
        QCOMPARE(Git(u.r, "show stash@{1}:A.rtn"), QByteArray("primer cambio"));
        Git(u.r, "stash pop -q");
        QCOMPARE(ayudas::LeerBytes(u.r + "/A.rtn"), QByteArray("segundo cambio\r\n"));
    }

    // With git's own files all readable (every index version too), what nothing names still goes.
    void loQueNadaNombraSeVa_data() { Versiones(); }
    void loQueNadaNombraSeVa() {
        QFETCH(int, version);
        Usuario u;
        Git(u.r, "tag -a -m etiqueta v1");
        u.escribir("A.rtn", "cambio\r\n");
        Git(u.r, "stash -q");
        Git(u.r, "pack-refs --all");
        u.escribir("E.rtn", "nuevo\r\n", true);
        Git(u.r, "commit -q -m dos");
        Git(u.r, "reset -q --hard HEAD~1"); // ORIG_HEAD
        u.escribir("sub/B.rtn", "preparado\r\n", true);
        u.indiceEnVersion(version);
        Git(u.r, "write-tree");
        const QByteArray huerfano = gitplano::Blob(u.r, "nada lo nombra");
        u.compactarViejos();
        QVERIFY(!u.hay(huerfano));
        u.sano();
    }

    // A damaged file that could name objects: nothing that looks unreachable goes, however old.
    void fuenteDanadaNoQuitaNadaSuelto_data() {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<int>("desde"); // where the damage is written (-1: the file is replaced)
        QTest::addColumn<QByteArray>("danio");
        QTest::addColumn<bool>("empaqueta"); // libgit2 itself refuses a damaged packed-refs
        QTest::newRow("índice") << ".git/index" << 40 << QByteArray("\xff\xfe") << true;
        QTest::newRow("índice cortado") << ".git/index" << -2 << QByteArray() << true;
        QTest::newRow("reflog") << ".git/logs/HEAD" << -3 << QByteArray("0123 basura\n") << true;
        QTest::newRow("ORIG_HEAD") << ".git/ORIG_HEAD" << -1 << QByteArray("no es un id\n") << true;
        QTest::newRow("rama suelta") << ".git/refs/heads/rota" << -1 << QByteArray("zzzz\n") << true;
        QTest::newRow("packed-refs") << ".git/packed-refs" << -1 << QByteArray("# pack-refs with: peeled\nxyz refs/heads/x\n") << false;
    }
    void fuenteDanadaNoQuitaNadaSuelto() {
        QFETCH(QString, archivo);
        QFETCH(int, desde);
        QFETCH(QByteArray, danio);
        QFETCH(bool, empaqueta);
        Usuario u;
        const QByteArray huerfano = gitplano::Blob(u.r, "nada lo nombra");
        u.envejecer();
        QFile f(u.r + '/' + archivo);
        if (desde == -1) {
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        } else if (desde == -2) {
            QVERIFY(f.open(QIODevice::ReadWrite) && f.resize(f.size() - 30));
        } else if (desde == -3) {
            QVERIFY(f.open(QIODevice::Append));
        } else {
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(desde));
        }
        QCOMPARE(f.write(danio), danio.size());
        f.close();
        const int quitados = u.compactar();
        QVERIFY(empaqueta ? quitados > 0 : quitados == -1);
        QVERIFY(u.suelto(huerfano));
    }
};

QTEST_GUILESS_MAIN(tst_compactargit)
#include "tst_compactargit.moc"
