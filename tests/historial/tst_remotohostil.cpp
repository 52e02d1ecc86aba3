// Sync against shared repositories made by someone else with plain git: names that leave the
// folder, links, executables, unreadable objects, other branches, a user's own repository. Nothing
// of a refused version reaches the disk, and nothing outside Categorias is ever touched.
#include "AyudasNucleo.h"
#include "GitPlano.h"
#include "history/Repositorio.h"
#include "history/Sincronizacion.h"
#include "format/mdlScripts.h"

#include <QDirIterator>
#include <QFile>
#include <QtTest>

using gitplano::Git;

namespace {

QByteArray Bytes(const QVector<Script> &v) { return mdlScripts::Componer(v); }
Script Rec(const QString &nombre, const QString &codigo) { return {nombre, QStringLiteral("d"), codigo, QStringLiteral("5")}; }

// Every file under the folder (the repositories' insides aside) with its bytes and permissions.
QMap<QString, QByteArray> Todo(const QString &carpeta) {
    QMap<QString, QByteArray> r;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        if (ruta.contains(QLatin1String("/.git/")) || ruta.contains(QLatin1String(".git/")))
            continue;
        const QFileInfo i(ruta);
        r.insert(QDir(carpeta).relativeFilePath(ruta),
                 ayudas::LeerBytes(ruta) + "|" + QByteArray::number(int(i.permissions()), 16));
    }
    return r;
}

// An application folder (the program's executable beside Categorias) with its history, and a
// shared repository on the same disk that it has synced with once.
struct Equipo {
    QTemporaryDir dir;
    QString app = dir.path() + QStringLiteral("/app");
    QString categorias = app + QStringLiteral("/Categorias");
    QString remoto = dir.path() + QStringLiteral("/remoto.git");
    git::Repositorio repo;

    explicit Equipo(bool sincronizar = true) {
        QDir().mkpath(categorias);
        ayudas::EscribirBytes(categorias + QStringLiteral("/Menus.rtn"), Bytes({Rec("a", "1"), Rec("b", "2")}));
        ayudas::EscribirBytes(app + QStringLiteral("/rutinero"), "#!/bin/sh\necho el programa\n");
        QFile::setPermissions(app + QStringLiteral("/rutinero"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(repo.Abrir(categorias, true));
        QString mensaje;
        QVERIFY(repo.Confirmar(repo.CategoriasPresentes(), &mensaje, nullptr,
                               QStringLiteral("Primera versión de la biblioteca: 1 categoría")));
        Git(dir.path(), {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                         QStringLiteral("--initial-branch=main"), remoto});
        if (sincronizar)
            QVERIFY(sincronizarCon().ok);
    }
    git::Informe sincronizarCon(const QString &url = {}) {
        return git::Sincronizar(repo, url.isEmpty() ? remoto : url, git::Llamadas{});
    }
    // A change of this machine, recorded, so that the sync must merge rather than move ahead.
    void cambioLocal() {
        ayudas::EscribirBytes(categorias + QStringLiteral("/Menus.rtn"), Bytes({Rec("a", "local"), Rec("b", "2")}));
        QString mensaje;
        QVERIFY(repo.Confirmar({QStringLiteral("Menus.rtn")}, &mensaje, nullptr));
    }
    // A version on the shared branch whose tree is the current one with one more raw entry.
    void publicarCon(const gitplano::Entrada &e, const QString &repositorio = {}) {
        const QString r = repositorio.isEmpty() ? remoto : repositorio;
        QVector<gitplano::Entrada> entradas = gitplano::Entradas(r, QStringLiteral("main"));
        entradas.append(e);
        gitplano::Publicar(r, gitplano::ArbolCrudo(r, entradas));
    }
    // A clone of the shared repository to work in with plain git.
    QString clon() {
        const QString c = dir.path() + QStringLiteral("/clon");
        if (!QFileInfo::exists(c))
            Git(dir.path(), {QStringLiteral("clone"), QStringLiteral("-q"), remoto, c});
        else
            Git(c, {QStringLiteral("pull"), QStringLiteral("-q"), QStringLiteral("--ff-only")});
        return c;
    }
    void enviarDesdeClon(const QString &mensaje = QStringLiteral("otro equipo")) {
        const QString c = clon();
        Git(c, {QStringLiteral("add"), QStringLiteral("-A")});
        Git(c, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), mensaje});
        Git(c, {QStringLiteral("push"), QStringLiteral("-q"), QStringLiteral("origin"), QStringLiteral("HEAD:main")});
    }
    QStringList arbolRemoto() const {
        QStringList r;
        for (const QByteArray &n : Git(remoto, {QStringLiteral("ls-tree"), QStringLiteral("--name-only"),
                                                QStringLiteral("main")})
                                       .split('\n'))
            r << QString::fromUtf8(n);
        return r;
    }
};

} // namespace

class tst_remotohostil : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (gitplano::Programa().isEmpty())
            QSKIP("git is not installed: these tests build the hostile repositories with it");
    }

    // A version whose tree holds a name that leaves Categorias, a link, an executable, a folder or
    // a submodule is refused by name, and nothing of it is written anywhere: not the program beside
    // Categorias, not a file above it, not the categories themselves.
    void nombreHostilNoSeAplica_data() {
        QTest::addColumn<QByteArray>("modo");
        QTest::addColumn<QByteArray>("nombre");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("mezclar");
        const struct {
            const char *modo, *nombre, *contenido;
        } casos[] = {
            {"100755", "../rutinero", "#!/bin/sh\necho atacante\n"},
            {"100644", "../evil.rtn", "\"x\"\r\n"},
            {"100644", "../PWNED.sh", "rm -rf ~\n"},
            {"100644", "../../x.txt", "fuera\n"},
            {"120000", "Enlace.rtn", "../rutinero"},
            {"100755", "Ejecutable.rtn", "#!/bin/sh\n"},
            {"40000", "Carpeta.rtn", ""},
            {"160000", "Submodulo.rtn", ""},
            {"100644", "Todas.rtn", "\"x\"\r\n"},
            {"100644", "a:b.rtn", "\"x\"\r\n"},
        };
        for (const auto &c : casos)
            for (bool mezclar : {false, true})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(c.nombre),
                                                                      mezclar ? QStringLiteral("con cambios aquí")
                                                                              : QStringLiteral("sólo allí"))))
                    << QByteArray(c.modo) << QByteArray(c.nombre) << QByteArray(c.contenido) << mezclar;
    }
    void nombreHostilNoSeAplica() {
        QFETCH(QByteArray, modo);
        QFETCH(QByteArray, nombre);
        QFETCH(QByteArray, contenido);
        QFETCH(bool, mezclar);
        Equipo eq;
        if (mezclar)
            eq.cambioLocal();
        // A legitimate change travels in the same version: it must not come in either.
        const QString c = eq.clon();
        ayudas::EscribirBytes(c + QStringLiteral("/Nueva.rtn"), Bytes({Rec("n", "1")}));
        eq.enviarDesdeClon();
        QByteArray hex;
        if (modo == "40000")
            hex = Git(eq.remoto, {QStringLiteral("hash-object"), QStringLiteral("-t"), QStringLiteral("tree"),
                                  QStringLiteral("-w"), QStringLiteral("--stdin")});
        else if (modo == "160000")
            hex = Git(eq.remoto, {QStringLiteral("rev-parse"), QStringLiteral("main")});
        else
            hex = gitplano::Blob(eq.remoto, contenido);
        eq.publicarCon({modo, nombre, hex});
        const auto antes = Todo(eq.dir.path());
        const QByteArray cabeza = eq.repo.Ultima();

        const git::Informe inf = eq.sincronizarCon();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains(QStringLiteral("«%1»").arg(QString::fromUtf8(nombre))), qPrintable(inf.error));
        QVERIFY2(inf.error.startsWith(QStringLiteral("El repositorio remoto")), qPrintable(inf.error));
        QVERIFY(inf.escritos.isEmpty());
        QCOMPARE(Todo(eq.dir.path()), antes);
        QCOMPARE(eq.repo.Ultima(), cabeza);
    }

    // A name of this machine's own last version (left there by an older program that took it in)
    // is never deleted outside the folder when the shared repository drops it.
    void borradoHostilNoSaleDeLaCarpeta() {
        Equipo eq;
        ayudas::EscribirBytes(eq.app + QStringLiteral("/victima.rtn"), "\"mio\"\r\n");
        // The hostile version reaches this machine's branch by plain git, as an older program let it.
        eq.publicarCon({"100644", "../victima.rtn", gitplano::Blob(eq.remoto, "\"x\"\r\n")});
        Git(eq.categorias, {QStringLiteral("fetch"), QStringLiteral("-q"), eq.remoto, QStringLiteral("main")});
        Git(eq.categorias, {QStringLiteral("update-ref"), QStringLiteral("refs/heads/main"), QStringLiteral("FETCH_HEAD")});
        // And then the shared repository drops it.
        QVector<gitplano::Entrada> entradas = gitplano::Entradas(eq.remoto, QStringLiteral("main"));
        entradas.erase(std::remove_if(entradas.begin(), entradas.end(),
                                      [](const gitplano::Entrada &e) { return e.nombre.startsWith(".."); }),
                       entradas.end());
        gitplano::Publicar(eq.remoto, gitplano::ArbolCrudo(eq.remoto, entradas));
        const auto antes = Todo(eq.dir.path());

        const git::Informe inf = eq.sincronizarCon();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains(QStringLiteral("«../victima.rtn»")), qPrintable(inf.error));
        QCOMPARE(Todo(eq.dir.path()), antes);
        QCOMPARE(ayudas::LeerBytes(eq.app + QStringLiteral("/victima.rtn")), QByteArray("\"mio\"\r\n"));
    }

    // An object that cannot be read stops the sync before anything is written: the category is
    // named, and never taken as empty or deleted.
    void objetoIlegibleNoEscribeNada_data() {
        QTest::addColumn<QByteArray>("objeto");
        QTest::newRow("vacío") << QByteArray();
        QTest::newRow("basura") << QByteArray("esto no es un objeto de git");
    }
    void objetoIlegibleNoEscribeNada() {
        QFETCH(QByteArray, objeto);
        Equipo eq;
        const QString c = eq.clon();
        const QByteArray nuevo = Bytes({Rec("a", "1"), Rec("b", "cambiado allí")});
        ayudas::EscribirBytes(c + QStringLiteral("/Menus.rtn"), nuevo);
        eq.enviarDesdeClon();
        // The version is here already (fetched by plain git, small fetches stay loose), but its copy
        // of Menus is damaged.
        Git(eq.categorias, {QStringLiteral("fetch"), QStringLiteral("-q"), eq.remoto, QStringLiteral("main")});
        const QByteArray blob = Git(c, {QStringLiteral("rev-parse"), QStringLiteral("HEAD:Menus.rtn")});
        const QString ruta = eq.categorias + QStringLiteral("/.git/objects/") + QString::fromLatin1(blob.left(2)) +
                             QLatin1Char('/') + QString::fromLatin1(blob.mid(2));
        QVERIFY(QFileInfo::exists(ruta));
        QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        QFile f(ruta);
        QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(objeto);
        f.close();
        const auto antes = Todo(eq.dir.path());

        const git::Informe inf = eq.sincronizarCon();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains(QStringLiteral("Menus")), qPrintable(inf.error));
        QCOMPARE(Todo(eq.dir.path()), antes);
    }

    // A category that is there but cannot be read (a folder stands under its name) stops the
    // version, naming it: it is never recorded as deleted.
    void categoriaIlegibleNoSeRegistraComoEliminada() {
        Equipo eq(false);
        const QByteArray cabeza = eq.repo.Ultima();
        QVERIFY(QFile::remove(eq.categorias + QStringLiteral("/Menus.rtn")));
        QVERIFY(QDir().mkpath(eq.categorias + QStringLiteral("/Menus.rtn")));
        QString mensaje, error;
        QVERIFY(!eq.repo.Confirmar({QStringLiteral("Menus.rtn")}, &mensaje, &error));
        QVERIFY2(error.contains(QStringLiteral("Menus")), qPrintable(error));
        QCOMPARE(eq.repo.Ultima(), cabeza);
        QVERIFY(eq.repo.Contenido(cabeza, QStringLiteral("Menus.rtn")).has_value());
    }

    // Two machines that began on different branch names (the user's own "master", the program's
    // "main") exchange their scripts through the branch the shared repository has.
    void ramasDistintasSeIntercambian() {
        Equipo a; // the program's repository, on main; the shared one is on main too
        QTemporaryDir otro;
        const QString cb = otro.path() + QStringLiteral("/Categorias");
        QDir().mkpath(cb);
        ayudas::EscribirBytes(cb + QStringLiteral("/Suyas.rtn"), Bytes({Rec("s", "de b")}));
        Git(cb, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--initial-branch=master")});
        Git(cb, {QStringLiteral("add"), QStringLiteral("-A")});
        Git(cb, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("mías")});
        git::Repositorio b;
        QVERIFY(b.Abrir(cb, false));

        QVERIFY(git::Sincronizar(b, a.remoto, {}).ok);
        QVERIFY(a.sincronizarCon().ok);
        QVERIFY(git::Sincronizar(b, a.remoto, {}).ok);
        QCOMPARE(ayudas::LeerBytes(a.categorias + QStringLiteral("/Suyas.rtn")), Bytes({Rec("s", "de b")}));
        QCOMPARE(ayudas::LeerBytes(cb + QStringLiteral("/Menus.rtn")), Bytes({Rec("a", "1"), Rec("b", "2")}));
        QCOMPARE(Git(a.remoto, {QStringLiteral("branch"), QStringLiteral("--format=%(refname:short)")}),
                 QByteArray("main"));
    }

    // In a user's own repository only category files travel and are staged: their other files,
    // their staged entries and their other versions stay on their machine.
    void repositorioDelUsuarioSeRespeta() {
        Equipo a;
        QTemporaryDir otro;
        const QString cb = otro.path() + QStringLiteral("/Categorias");
        QDir().mkpath(cb);
        ayudas::EscribirBytes(cb + QStringLiteral("/Suyas.rtn"), Bytes({Rec("s", "de b")}));
        ayudas::EscribirBytes(cb + QStringLiteral("/notas.txt"), "privado\n");
        ayudas::EscribirBytes(cb + QStringLiteral("/.gitignore"), "secreto.txt\n");
        Git(cb, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--initial-branch=master")});
        Git(cb, {QStringLiteral("add"), QStringLiteral("-A")});
        Git(cb, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("mías")});
        ayudas::EscribirBytes(cb + QStringLiteral("/secreto.txt"), "clave\n");
        ayudas::EscribirBytes(cb + QStringLiteral("/borrador.txt"), "a medias\n");
        Git(cb, {QStringLiteral("add"), QStringLiteral("borrador.txt")});
        git::Repositorio b;
        QVERIFY(b.Abrir(cb, false));

        const git::Informe inf = git::Sincronizar(b, a.remoto, {});
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(a.arbolRemoto(), QStringList({QStringLiteral("Menus.rtn"), QStringLiteral("Suyas.rtn")}));
        const QByteArray todoLoEnviado = Git(a.remoto, {QStringLiteral("log"), QStringLiteral("--all"),
                                                        QStringLiteral("--name-only"), QStringLiteral("--format=")});
        QVERIFY2(!todoLoEnviado.contains("notas.txt") && !todoLoEnviado.contains(".gitignore") &&
                     !todoLoEnviado.contains("secreto") && !todoLoEnviado.contains("borrador"),
                 todoLoEnviado.constData());
        QCOMPARE(Git(cb, {QStringLiteral("diff"), QStringLiteral("--cached"), QStringLiteral("--name-only")}),
                 QByteArray("borrador.txt"));
        QCOMPARE(Git(cb, {QStringLiteral("status"), QStringLiteral("--porcelain"), QStringLiteral("--"),
                          QStringLiteral("*.rtn"), QStringLiteral("notas.txt")}),
                 QByteArray());
        QCOMPARE(ayudas::LeerBytes(cb + QStringLiteral("/Menus.rtn")), Bytes({Rec("a", "1"), Rec("b", "2")}));
        // And what came back to the first machine is the categories alone.
        QVERIFY(a.sincronizarCon().ok);
        QCOMPARE(QDir(a.categorias).entryList(QDir::Files),
                 QStringList({QStringLiteral("Menus.rtn"), QStringLiteral("Suyas.rtn")}));
    }

    // With a detached HEAD, what is reported sent is what the shared repository then holds.
    void cabezaSueltaEnviaLoQueDice() {
        Equipo a;
        Git(a.categorias, {QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("--detach")});
        ayudas::EscribirBytes(a.categorias + QStringLiteral("/Nueva.rtn"), Bytes({Rec("n", "1")}));
        const git::Informe inf = a.sincronizarCon();
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(inf.enviado.size(), 1);
        QVERIFY2(inf.enviado.first().startsWith(QStringLiteral("Nueva")), qPrintable(inf.enviado.first()));
        QCOMPARE(a.arbolRemoto(), QStringList({QStringLiteral("Menus.rtn"), QStringLiteral("Nueva.rtn")}));
    }

    // Each failure in its own Spanish words, with no English from git.
    void motivosEnEspanol_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("carpeta compartida ausente") << "ausente" << "No se encuentra la carpeta compartida";
        QTest::newRow("dirección de tipo desconocido") << "ftp" << "no es de un tipo conocido";
        QTest::newRow("carpeta sin repositorio") << "vacia" << "no hay un repositorio en esa dirección";
        QTest::newRow("remoto que no acepta cambios") << "bloqueado" << "no acepta cambios";
    }
    void motivosEnEspanol() {
        QFETCH(QString, caso);
        QFETCH(QString, motivo);
        Equipo eq(caso == QLatin1String("bloqueado"));
        QString url = eq.remoto;
        if (caso == QLatin1String("ausente"))
            url = eq.dir.path() + QStringLiteral("/no-existe.git");
        else if (caso == QLatin1String("ftp"))
            url = QStringLiteral("ftp://127.0.0.1/biblioteca.git");
        else if (caso == QLatin1String("vacia"))
            QDir().mkpath(url = eq.dir.path() + QStringLiteral("/vacia"));
        else {
            // Another process is updating the shared branch: its lock stands, so ours cannot be.
            ayudas::EscribirBytes(eq.remoto + QStringLiteral("/refs/heads/main.lock"), "");
            eq.cambioLocal();
        }
        const git::Informe inf = eq.sincronizarCon(url);
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains(motivo), qPrintable(inf.error));
        QVERIFY2(!inf.error.contains(QLatin1Char('(')) || caso == QLatin1String("ftp"), qPrintable(inf.error));
    }
};

QTEST_GUILESS_MAIN(tst_remotohostil)
#include "tst_remotohostil.moc"
