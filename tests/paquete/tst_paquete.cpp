// The Debian package as dpkg sees it: its control fields and files, and the program it installs, run
// from a throwaway root as an ordinary user, with its library in that user's data folder. Where the
// program's own folder may be written, everything stays beside it as before.
#include "AyudasNucleo.h"
#include "../editores/Programa.h"

#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
using prueba::Correr;
using Salida = prueba::Resultado;

bool Existe(const char *programa) { return !QStandardPaths::findExecutable(QString::fromLatin1(programa)).isEmpty(); }

// The user the installed program runs as: this one, or nobody when the tests run as root, since an
// installed program is run by ordinary users and root may write in /usr/bin.
constexpr uid_t kNadie = 65534;
bool EsRoot() { return ::geteuid() == 0; }

// A folder for the user the program runs as, in a temporary folder everyone may walk through.
QString CarpetaDelUsuario(const QTemporaryDir &base, const QString &nombre) {
    const QString ruta = base.filePath(nombre);
    QDir().mkpath(ruta);
    if (EsRoot() && ::chown(QFile::encodeName(ruta).constData(), kNadie, kNadie) != 0)
        qWarning() << "chown" << ruta;
    return ruta;
}

// A temporary folder everyone may walk through, as to a home folder.
void Transitable(const QTemporaryDir &base) {
    QVERIFY(QFile::setPermissions(base.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner | QFileDevice::ExeOther));
}

// Runs the program as that user, with its home in `casa` and its data folder in casa/datos, or
// where the data folder goes when XDG_DATA_HOME is not set.
Salida ComoUsuario(const QString &programa, const QStringList &args, const QString &casa, bool conXdg = true) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("HOME", casa);
    e.insert("XDG_DATA_HOME", casa + "/datos");
    if (!conXdg)
        e.remove("XDG_DATA_HOME");
    e.insert("LANG", "C.UTF-8");
    e.insert("LC_ALL", "C.UTF-8");
    e.insert("QT_QPA_PLATFORM", "offscreen");
    e.remove("XDG_RUNTIME_DIR");
    if (!EsRoot())
        return Correr(programa, args, e);
    return Correr("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", programa} + args, e);
}

QString Linea(const QString &salida, const QString &comienzo) {
    for (const QString &l : salida.split('\n'))
        if (l.startsWith(comienzo))
            return l.mid(comienzo.size());
    return QString();
}

} // namespace

class tst_paquete : public QObject {
    Q_OBJECT
    const QString deb_ = QStringLiteral(RUTINERO_PAQUETE);
    QTemporaryDir raiz_;           // the package unpacked, as dpkg would install it
    QMap<QString, QString> lista_; // path -> "permissions owner/group"

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo::exists(deb_), qPrintable(deb_));
        QVERIFY(raiz_.isValid());
        // Everyone may walk to the unpacked tree, as to /usr.
        QVERIFY(QFile::setPermissions(raiz_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                        QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                                        QFileDevice::ExeGroup));
        const Salida x = Correr("dpkg-deb", {"-x", deb_, raiz_.path()});
        QVERIFY2(x.codigo == 0, qPrintable(x.errores));
        const Salida c = Correr("dpkg-deb", {"-c", deb_});
        QVERIFY2(c.codigo == 0, qPrintable(c.errores));
        // drwxr-xr-x root/root         0 2026-12-07 12:00 ./usr/
        for (const QString &l : c.salida.split('\n', Qt::SkipEmptyParts)) {
            const QStringList p = l.split(' ', Qt::SkipEmptyParts);
            QVERIFY2(p.size() >= 6, qPrintable(l));
            lista_.insert(p.at(5), p.at(0) + ' ' + p.at(1));
        }
    }

    // Name, version and architecture as dpkg reads them, and the file named after them.
    void nombreVersionYArquitectura() {
        const Salida a = Correr("dpkg", {"--print-architecture"});
        const Salida r = Correr("dpkg-deb", {"-f", deb_, "Package", "Version", "Architecture"});
        QCOMPARE(r.codigo, 0);
        QStringList v;
        for (const QString &l : r.salida.split('\n', Qt::SkipEmptyParts))
            v << l.section(": ", 1);
        QCOMPARE(v, (QStringList{"rutinero", RUTINERO_VERSION, a.salida.trimmed()}));
        QCOMPARE(QFileInfo(deb_).fileName(), v.join('_') + ".deb");
    }

    // The dependencies come from the libraries the program links, Qt's window plug-ins, and the
    // Secret Service library the keyring's library loads by itself.
    void dependencias_data() {
        QTest::addColumn<QString>("paquete");
        for (const char *p : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6",
                              "libqt6printsupport6", "libqscintilla2-qt6-15", "libgit2-1.5", "libsqlite3-0", "zlib1g",
                              "libqt6keychain1", "libsecret-1-0", "qt6-qpa-plugins"})
            QTest::newRow(p) << p;
    }
    void dependencias() {
        QFETCH(QString, paquete);
        const Salida r = Correr("dpkg-deb", {"-f", deb_, "Depends"});
        const QStringList dependencias = r.salida.split(QRegularExpression("\\s*[,|]\\s*"));
        QStringList nombres;
        for (const QString &d : dependencias)
            nombres << d.section(' ', 0, 0).section(':', 0, 0).trimmed();
        QVERIFY2(nombres.contains(paquete), qPrintable(r.salida));
    }

    void archivos_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("modo");
        const QString archivo = "-rw-r--r-- root/root";
        QTest::newRow("programa") << "./usr/bin/rutinero" << "-rwxr-xr-x root/root";
        QTest::newRow("ventana") << "./usr/libexec/rutinero/rutinero-ventana" << "-rwxr-xr-x root/root";
        QTest::newRow("menú") << "./usr/share/applications/rutinero.desktop" << archivo;
        QTest::newRow("metainfo") << "./usr/share/metainfo/org.example.rutinero.Rutinero.metainfo.xml" << archivo;
        QTest::newRow("manual") << "./usr/share/man/man1/rutinero.1.gz" << archivo;
        QTest::newRow("copyright") << "./usr/share/doc/rutinero/copyright" << archivo;
        QTest::newRow("changelog") << "./usr/share/doc/rutinero/changelog.gz" << archivo;
    }
    void archivos() {
        QFETCH(QString, ruta);
        QFETCH(QString, modo);
        QCOMPARE(lista_.value(ruta, "falta"), modo);
    }

    // Nothing outside /usr, and every folder root's and open to all.
    void nadaFueraDeUsr() {
        QVERIFY(!lista_.isEmpty());
        for (auto it = lista_.cbegin(); it != lista_.cend(); ++it) {
            QVERIFY2(it.key() == "./" || it.key().startsWith("./usr/"), qPrintable(it.key()));
            if (it.key().endsWith('/'))
                QVERIFY2(it.value() == "drwxr-xr-x root/root", qPrintable(it.key() + ' ' + it.value()));
        }
    }

    // The first run copies the starter library into the user's data folder, whole, and writes
    // nothing beside the program.
    void instaladoUsaLaCarpetaDelUsuario() {
        QTemporaryDir base;
        Transitable(base);
        const QString casa = CarpetaDelUsuario(base, "casa");
        const QString programa = raiz_.filePath("usr/bin/rutinero");
        const Salida r = ComoUsuario(programa, {"--lista"}, casa);
        QVERIFY2(r.codigo == 0, qPrintable(r.errores));
        QVERIFY(r.salida.contains("HTML\t"));
        const QDir inicio(RUTINERO_FUENTES "/resources/inicio/Categorias");
        const QString categorias = casa + "/datos/rutinero/Categorias";
        QCOMPARE(QDir(categorias).entryList({"*.rtn"}, QDir::Files), inicio.entryList({"*.rtn"}, QDir::Files));
        for (const QString &f : inicio.entryList({"*.rtn"}, QDir::Files))
            QCOMPARE(ayudas::LeerBytes(categorias + '/' + f), ayudas::LeerBytes(inicio.filePath(f)));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(categorias + "/HTML.rtn").constData(), &st), 0);
        QCOMPARE(st.st_uid, EsRoot() ? kNadie : ::geteuid());
        QVERIFY(!QFileInfo::exists(raiz_.filePath("usr/bin/Categorias")));
        QVERIFY(!QFileInfo::exists(raiz_.filePath("usr/bin/Preferencias")));
        // No half copy left behind.
        QCOMPARE(QDir(casa + "/datos/rutinero").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"Categorias"});

        // Only the first start copies: what the user removed stays removed.
        QVERIFY(QFile::remove(categorias + "/HTML.rtn"));
        const Salida otra = ComoUsuario(programa, {"--lista"}, casa);
        QCOMPARE(otra.codigo, 0);
        QVERIFY(!otra.salida.contains("HTML\t"));
        QVERIFY(!QFileInfo::exists(categorias + "/HTML.rtn"));

        const Salida ayuda = ComoUsuario(programa, {"--ayuda"}, casa);
        QCOMPARE(Linea(ayuda.salida, "Carpeta de datos (categorías y preferencias): "), casa + "/datos/rutinero");
    }

    // Without XDG_DATA_HOME the data folder is ~/.local/share/rutinero.
    void sinXdgDataHomeUsaLocalShare() {
        QTemporaryDir base;
        Transitable(base);
        const QString casa = CarpetaDelUsuario(base, "casa");
        const Salida r = ComoUsuario(raiz_.filePath("usr/bin/rutinero"), {"--ayuda"}, casa, false);
        QCOMPARE(r.codigo, 0);
        QCOMPARE(Linea(r.salida, "Carpeta de datos (categorías y preferencias): "), casa + "/.local/share/rutinero");
    }

    // A program in a folder its user may write keeps everything beside itself, as always; one in a
    // folder that user may not write uses the data folder.
    void carpetaDelProgramaSegunPermisos_data() {
        QTest::addColumn<bool>("escribible");
        QTest::newRow("escribible") << true;
        QTest::newRow("sólo lectura") << false;
    }
    void carpetaDelProgramaSegunPermisos() {
        QFETCH(bool, escribible);
        QTemporaryDir base;
        Transitable(base);
        const QString casa = CarpetaDelUsuario(base, "casa");
        const QString carpeta = CarpetaDelUsuario(base, "programa");
        const QString programa = carpeta + "/rutinero";
        QVERIFY(QFile::copy(RUTINERO_CONSTRUCCION "/rutinero", programa));
        QVERIFY(QFile::setPermissions(programa, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::ExeOther));
        if (!escribible)
            QVERIFY(QFile::setPermissions(carpeta, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                       QFileDevice::ReadOther | QFileDevice::ExeOther));
        // Writable again before the temporary folder goes, or it could not be removed.
        const auto devolver = qScopeGuard([carpeta] {
            QFile::setPermissions(carpeta, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        const Salida r = ComoUsuario(programa, {"--ayuda"}, casa);
        QVERIFY2(r.codigo == 0, qPrintable(r.errores));
        QCOMPARE(Linea(r.salida, "Carpeta de datos (categorías y preferencias): "),
                 escribible ? carpeta : casa + "/datos/rutinero");
        // Help only says where: it makes no folder.
        QVERIFY(!QFileInfo::exists(casa + "/datos/rutinero"));
    }

    void lintianSinErrores() {
        if (!Existe("lintian"))
            QSKIP("lintian is not installed (./rutinero.sh pruebas installs it)");
        const Salida r = Correr("lintian", {"--tag-display-limit", "0", deb_});
        QVERIFY2(!r.salida.contains("\nE: ") && !r.salida.startsWith("E: "), qPrintable(r.salida));
        QVERIFY2(r.codigo == 0, qPrintable(r.salida + r.errores));
    }

    void appstreamValida() {
        if (!Existe("appstreamcli"))
            QSKIP("appstreamcli is not installed (./rutinero.sh pruebas installs it)");
        const Salida r = Correr("appstreamcli", {"validate", "--no-net",
                                                 raiz_.filePath("usr/share/metainfo/org.example.rutinero.Rutinero.metainfo.xml")});
        QVERIFY2(r.codigo == 0, qPrintable(r.salida + r.errores));
    }
};

QTEST_GUILESS_MAIN(tst_paquete)
#include "tst_paquete.moc"
