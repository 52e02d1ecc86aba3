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
        if (!ruta.contains(".git/"))
            r.insert(QDir(carpeta).relativeFilePath(ruta),
                     ayudas::LeerBytes(ruta) + "|" + QByteArray::number(int(QFileInfo(ruta).permissions()), 16));
    }
    return r;
}

// A user's own repository made with plain git on the branch "master": Suyas.rtn and `otros` files,
// one version; gives its folder.
QString DelUsuario(const QTemporaryDir &dir, const QMap<QString, QByteArray> &otros = {}) {
    const QString cb = dir.path() + "/Categorias";
    ayudas::EscribirBytes(cb + "/Suyas.rtn", Bytes({Rec("s", "de b")}));
    for (auto it = otros.cbegin(); it != otros.cend(); ++it)
        ayudas::EscribirBytes(cb + '/' + it.key(), it.value());
    Git(cb, "init -q --initial-branch=master");
    Git(cb, "add -A");
    Git(cb, "commit -q -m mías");
    return cb;
}

// An application folder (the program's executable beside Categorias) with its history, and a
// shared repository on the same disk that it has synced with once.
struct Equipo {
    QTemporaryDir dir;
    QString app = dir.path() + "/app";
    QString categorias = app + "/Categorias";
    QString remoto = dir.path() + "/remoto.git";
    git::Repositorio repo;

    explicit Equipo(bool sincronizar = true) {
        QDir().mkpath(categorias);
        ayudas::EscribirBytes(categorias + "/Menus.rtn", Bytes({Rec("a", "1"), Rec("b", "2")}));
        ayudas::EscribirBytes(app + "/rutinero", "#!/bin/sh\necho el programa\n");
        QFile::setPermissions(app + "/rutinero", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(repo.Abrir(categorias, true));
        QString mensaje;
        QVERIFY(repo.Confirmar(repo.CategoriasPresentes(), &mensaje, nullptr,
                               "Primera versión de la biblioteca: 1 categoría"));
        Git(dir.path(), {"init", "-q", "--bare", "--initial-branch=main", remoto});
        if (sincronizar)
            QVERIFY(sincronizarCon().ok);
    }
    git::Informe sincronizarCon(const QString &url = {}) {
        return git::Sincronizar(repo, url.isEmpty() ? remoto : url, git::Llamadas{});
    }
    // A change of this machine, recorded, so that the sync must merge rather than move ahead.
    void cambioLocal() {
        ayudas::EscribirBytes(categorias + "/Menus.rtn", Bytes({Rec("a", "local"), Rec("b", "2")}));
        QString mensaje;
        QVERIFY(repo.Confirmar({"Menus.rtn"}, &mensaje, nullptr));
    }
    // A version on the shared branch whose tree is the current one with one more raw entry.
    void publicarCon(const gitplano::Entrada &e) {
        QVector<gitplano::Entrada> entradas = gitplano::Entradas(remoto, "main");
        entradas.append(e);
        gitplano::Publicar(remoto, gitplano::ArbolCrudo(remoto, entradas));
    }
    // A clone of the shared repository to work in with plain git.
    QString clon() {
        const QString c = dir.path() + "/clon";
        if (!QFileInfo::exists(c))
            Git(dir.path(), {"clone", "-q", remoto, c});
        else
            Git(c, "pull -q --ff-only");
        return c;
    }
    void enviarDesdeClon() {
        const QString c = clon();
        Git(c, "add -A");
        Git(c, {"commit", "-q", "-m", "otro equipo"});
        Git(c, "push -q origin HEAD:main");
    }
    QStringList arbolRemoto() const {
        return QString::fromUtf8(Git(remoto, "ls-tree --name-only main")).split('\n');
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
                QTest::addRow("%s %s", c.nombre, mezclar ? "con cambios aquí" : "sólo allí")
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
        ayudas::EscribirBytes(eq.clon() + "/Nueva.rtn", Bytes({Rec("n", "1")}));
        eq.enviarDesdeClon();
        QByteArray hex;
        if (modo == "40000")
            hex = Git(eq.remoto, "hash-object -t tree -w --stdin");
        else if (modo == "160000")
            hex = Git(eq.remoto, "rev-parse main");
        else
            hex = gitplano::Blob(eq.remoto, contenido);
        eq.publicarCon({modo, nombre, hex});
        const auto antes = Todo(eq.dir.path());
        const QByteArray cabeza = eq.repo.Ultima();

        const git::Informe inf = eq.sincronizarCon();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("«" + QString::fromUtf8(nombre) + "»"), qPrintable(inf.error));
        QVERIFY2(inf.error.startsWith("El repositorio remoto"), qPrintable(inf.error));
        QVERIFY(inf.escritos.isEmpty());
        QCOMPARE(Todo(eq.dir.path()), antes);
        QCOMPARE(eq.repo.Ultima(), cabeza);
    }

    // A name of this machine's own last version (left there by an older program that took it in)
    // is never deleted outside the folder when the shared repository drops it.
    void borradoHostilNoSaleDeLaCarpeta() {
        Equipo eq;
        ayudas::EscribirBytes(eq.app + "/victima.rtn", "\"mio\"\r\n");
        // The hostile version reaches this machine's branch by plain git, as an older program let it.
        eq.publicarCon({"100644", "../victima.rtn", gitplano::Blob(eq.remoto, "\"x\"\r\n")});
        Git(eq.categorias, {"fetch", "-q", eq.remoto, "main"});
        Git(eq.categorias, "update-ref refs/heads/main FETCH_HEAD");
        // And then the shared repository drops it.
        QVector<gitplano::Entrada> entradas = gitplano::Entradas(eq.remoto, "main");
        entradas.erase(std::remove_if(entradas.begin(), entradas.end(),
                                      [](const gitplano::Entrada &e) { return e.nombre.startsWith(".."); }),
                       entradas.end());
        gitplano::Publicar(eq.remoto, gitplano::ArbolCrudo(eq.remoto, entradas));
        const auto antes = Todo(eq.dir.path());

        const git::Informe inf = eq.sincronizarCon();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("«../victima.rtn»"), qPrintable(inf.error));
        QCOMPARE(Todo(eq.dir.path()), antes);
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
        ayudas::EscribirBytes(c + "/Menus.rtn", Bytes({Rec("a", "1"), Rec("b", "cambiado allí")}));
        eq.enviarDesdeClon();
        // The version is here already (fetched by plain git, small fetches stay loose), but its copy
        // of Menus is damaged.
        Git(eq.categorias, {"fetch", "-q", eq.remoto, "main"});
        const QByteArray blob = Git(c, "rev-parse HEAD:Menus.rtn");
        const QString ruta = eq.categorias + "/.git/objects/" + blob.left(2) + '/' + blob.mid(2);
        QVERIFY(QFileInfo::exists(ruta));
        QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        ayudas::EscribirBytes(ruta, objeto);
        const auto antes = Todo(eq.dir.path());

        const git::Informe inf = eq.sincronizarCon();
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains("Menus"), qPrintable(inf.error));
        QCOMPARE(Todo(eq.dir.path()), antes);
    }

    // A category that is there but cannot be read (a folder stands under its name) stops the
    // version, naming it: it is never recorded as deleted.
    void categoriaIlegibleNoSeRegistraComoEliminada() {
        Equipo eq(false);
        const QByteArray cabeza = eq.repo.Ultima();
        QVERIFY(QFile::remove(eq.categorias + "/Menus.rtn"));
        QVERIFY(QDir().mkpath(eq.categorias + "/Menus.rtn"));
        QString mensaje, error;
        QVERIFY(!eq.repo.Confirmar({"Menus.rtn"}, &mensaje, &error));
        QVERIFY2(error.contains("Menus"), qPrintable(error));
        QCOMPARE(eq.repo.Ultima(), cabeza);
        QVERIFY(eq.repo.Contenido(cabeza, "Menus.rtn").has_value());
    }

    // Two machines that began on different branch names (the user's own "master", the program's
    // "main") exchange their scripts through the branch the shared repository has.
    void ramasDistintasSeIntercambian() {
        Equipo a; // the program's repository, on main; the shared one is on main too
        QTemporaryDir otro;
        const QString cb = DelUsuario(otro);
        git::Repositorio b;
        QVERIFY(b.Abrir(cb, false));

        QVERIFY(git::Sincronizar(b, a.remoto, {}).ok);
        QVERIFY(a.sincronizarCon().ok);
        QVERIFY(git::Sincronizar(b, a.remoto, {}).ok);
        QCOMPARE(ayudas::LeerBytes(a.categorias + "/Suyas.rtn"), Bytes({Rec("s", "de b")}));
        QCOMPARE(ayudas::LeerBytes(cb + "/Menus.rtn"), Bytes({Rec("a", "1"), Rec("b", "2")}));
        QCOMPARE(Git(a.remoto, "branch --format=%(refname:short)"), QByteArray("main"));
    }

    // In a user's own repository only category files travel and are staged: their other files,
    // their staged entries and their other versions stay on their machine.
    void repositorioDelUsuarioSeRespeta() {
        Equipo a;
        QTemporaryDir otro;
        const QString cb = DelUsuario(otro, {{"notas.txt", "privado\n"}, {".gitignore", "secreto.txt\n"}});
        ayudas::EscribirBytes(cb + "/secreto.txt", "clave\n");
        ayudas::EscribirBytes(cb + "/borrador.txt", "a medias\n");
        Git(cb, "add borrador.txt");
        git::Repositorio b;
        QVERIFY(b.Abrir(cb, false));

        const git::Informe inf = git::Sincronizar(b, a.remoto, {});
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(a.arbolRemoto(), (QStringList{"Menus.rtn", "Suyas.rtn"}));
        const QByteArray todoLoEnviado = Git(a.remoto, "log --all --name-only --format=");
        for (const char *privado : {"notas.txt", ".gitignore", "secreto", "borrador"})
            QVERIFY2(!todoLoEnviado.contains(privado), todoLoEnviado.constData());
        QCOMPARE(Git(cb, "diff --cached --name-only"), QByteArray("borrador.txt"));
        QCOMPARE(Git(cb, "status --porcelain -- *.rtn notas.txt"), QByteArray());
        QCOMPARE(ayudas::LeerBytes(cb + "/Menus.rtn"), Bytes({Rec("a", "1"), Rec("b", "2")}));
        // And what came back to the first machine is the categories alone.
        QVERIFY(a.sincronizarCon().ok);
        QCOMPARE(QDir(a.categorias).entryList(QDir::Files), (QStringList{"Menus.rtn", "Suyas.rtn"}));
    }

    // With a detached HEAD, what is reported sent is what the shared repository then holds.
    void cabezaSueltaEnviaLoQueDice() {
        Equipo a;
        Git(a.categorias, "checkout -q --detach");
        ayudas::EscribirBytes(a.categorias + "/Nueva.rtn", Bytes({Rec("n", "1")}));
        const git::Informe inf = a.sincronizarCon();
        QVERIFY2(inf.ok, qPrintable(inf.error));
        QCOMPARE(inf.enviado.size(), 1);
        QVERIFY2(inf.enviado.first().startsWith("Nueva"), qPrintable(inf.enviado.first()));
        QCOMPARE(a.arbolRemoto(), (QStringList{"Menus.rtn", "Nueva.rtn"}));
    }

    // Each failure in its own Spanish words, with no English from git.
    void motivosEnEspanol_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("carpeta compartida ausente") << "ausente" << "No se encuentra la carpeta compartida";
        QTest::newRow("dirección de tipo desconocido") << "ftp" << "no es de un tipo conocido";
        QTest::newRow("remoto que no acepta cambios") << "bloqueado" << "la rama está bloqueada";
    }
    void motivosEnEspanol() {
        QFETCH(QString, caso);
        QFETCH(QString, motivo);
        Equipo eq(caso == "bloqueado");
        QString url = eq.remoto;
        if (caso == "ausente")
            url = eq.dir.path() + "/no-existe.git";
        else if (caso == "ftp")
            url = "ftp://127.0.0.1/biblioteca.git";
        else {
            // Another process is updating the shared branch: its lock stands, so ours cannot be.
            ayudas::EscribirBytes(eq.remoto + "/refs/heads/main.lock", "");
            eq.cambioLocal();
        }
        const git::Informe inf = eq.sincronizarCon(url);
        QVERIFY(!inf.ok);
        QVERIFY2(inf.error.contains(motivo), qPrintable(inf.error));
        for (const char *ingles : {"failed", "error:", "lock ref", "Unable"})
            QVERIFY2(!inf.error.contains(ingles), qPrintable(inf.error));
    }
};

QTEST_GUILESS_MAIN(tst_remotohostil)
#include "tst_remotohostil.moc"
