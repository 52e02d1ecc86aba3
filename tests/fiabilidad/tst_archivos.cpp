// The file layer under real faults: devices, pipes and sockets named like categories, links leading out of the
// library, names that are not UTF-8, system errors told in Spanish, what a killed save leaves behind,
// recovery files and files changed by other programs.
#include "Ayudas.h"
#include "core/Archivos.h"
#include "search/Busqueda.h"
#include "format/Categorias.h"
#include "format/mdlScripts.h"
#include "ui/frmSplash.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmMover.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace ayudas;

namespace {
const QByteArray kMenus = Registro("a", "d", "c", "1") + Registro("b", "d", "c", "2");

// The shared main window, with what these tests do to it.
struct Ventana : VentanaPrincipal {
    QString ruta(const QString &nombre) const { return c.estado.rutaCategoria(nombre); }
    QByteArray bytes(const QString &nombre) const { return LeerBytes(ruta(nombre)); }
    // The list again, after the test has put its files in place.
    void listar() { w->LlenarCat(); }
    // Opens the category by a double click; true when it is the open one afterwards.
    bool abrirCategoria(const QString &nombre) {
        listar();
        if (!Buscar(ui(w)->lstCat, nombre))
            return false;
        abrir(nombre);
        return ui(w)->lblMenu3->text() == nombre;
    }
    // Renames the category with the text put into the in-place editor at once (a tab typed there
    // would move the focus instead).
    void renombrar(const QString &nombre, const QString &texto) {
        ui(w)->lstCat->setCurrentItem(Buscar(ui(w)->lstCat, nombre));
        QLineEdit *editor = EmpezarRenombre(*w, QString());
        QVERIFY(editor);
        editor->setText(texto);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!EditorDeNombre(*w));
        QCoreApplication::processEvents();
    }
    // Deletes the first script and saves with the question answered Yes; gives the failure's text
    // when one is expected (an answer armed for a message that never comes would outlive the test).
    QString cambiarYGuardar(bool falla) {
        ui(w)->lstScripts->Seleccionar(0);
        w->EliminarS();
        Mensaje aviso;
        ayudas::Responder(ayudas::Gesto::Si);
        if (falla)
            ContestarMensaje(QMessageBox::Ok, &aviso); // the failure, while the question is still open
        ui(w)->mnuGuardar->trigger();
        return aviso.texto;
    }
};

// Creates a file whose name is given as raw bytes, as another program (an unzip, a copy from an old
// disk) would.
void CrearCrudo(const QString &carpeta, const QByteArray &nombre, const QByteArray &datos) {
    const QByteArray ruta = QFile::encodeName(carpeta) + '/' + nombre;
    const int fd = ::open(ruta.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, datos.constData(), size_t(datos.size())), ssize_t(datos.size()));
    ::close(fd);
}

QByteArray LeerCrudo(const QString &carpeta, const QByteArray &nombre) {
    QFile f;
    const int fd = ::open((QFile::encodeName(carpeta) + '/' + nombre).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    return f.readAll();
}

// A socket bound at the path, as a running server leaves one.
void CrearSocket(const QString &ruta) {
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un dir{};
    dir.sun_family = AF_UNIX;
    const QByteArray r = QFile::encodeName(ruta);
    QVERIFY(size_t(r.size()) < sizeof dir.sun_path);
    std::memcpy(dir.sun_path, r.constData(), size_t(r.size()));
    QCOMPARE(::bind(s, reinterpret_cast<sockaddr *>(&dir), sizeof dir), 0);
    ::close(s);
}

// Root writes and reads anywhere: a permission case runs as the user nobody.
const QStringList kComoNadie = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};

// This test program again, in one of the child roles of main() below.
int Hijo(const char *papel, const QString &argumento, const QStringList &prefijo = {}, QString *salida = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(papel), argumento);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (prefijo.isEmpty())
        p.start(QCoreApplication::applicationFilePath(), {});
    else
        p.start(prefijo.first(), prefijo.mid(1) << QCoreApplication::applicationFilePath());
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (salida)
        *salida = QString::fromUtf8(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Child: reads the file as a category, with its memory bounded and an alarm against blocking, and
// prints the reason it was refused. 0 refused, 3 read.
int HijoLeer(const QString &ruta) {
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit datos{512 << 20, 512 << 20};
    ::setrlimit(RLIMIT_DATA, &datos);
#endif
    ::alarm(20);
    QVector<Script> v;
    QString error;
    const bool leido = mdlScripts::LeerArchivo(ruta, v, &error);
    std::fputs(error.toUtf8().constData(), stdout);
    return leido ? 3 : 0;
}

// Child: tries to write into the folder; prints the reason.
int HijoSinPermiso(const QString &carpeta) {
    QString error;
    const bool ok = archivos::Guardar(carpeta + QStringLiteral("/Menus.rtn"), kMenus, &error);
    std::fputs(error.toUtf8().constData(), stdout);
    return ok ? 3 : 0;
}

constexpr int kGuardadoPorElHijo = 20000;
// Child: saves a big category over and over, to be killed in the middle of a save.
int HijoGuardar(const QString &ruta) {
    QVector<Script> v;
    for (int i = 0; i < kGuardadoPorElHijo; ++i)
        v.append({QStringLiteral("Script %1").arg(i), QStringLiteral("d"), QString(200, QLatin1Char('x')), QStringLiteral("1")});
    std::fputs("listo\n", stdout);
    std::fflush(stdout);
    for (;;)
        mdlScripts::GuardarArchivo(ruta, v);
}

// Whether the kernel shows the process as stopped (state T in /proc/PID/stat).
bool Detenido(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray estado = f.readAll();
    const qsizetype cierre = estado.lastIndexOf(')');
    return cierre >= 0 && estado.mid(cierre + 2, 1) == "T";
}
} // namespace

class tst_archivos : public QObject {
    Q_OBJECT
private slots:
    void especialesRechazadosSinBloquear_data() {
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("razon");
        QTest::newRow("enlace a /dev/zero") << "cero" << "es un dispositivo, no un archivo";
        QTest::newRow("tubería con nombre") << "tuberia" << "es una tubería con nombre, no un archivo";
        QTest::newRow("socket") << "socket" << "no es un archivo normal";
        QTest::newRow("carpeta") << "carpeta" << "es una carpeta, no un archivo";
        QTest::newRow("enlace a sí mismo") << "bucle" << "hay demasiados enlaces simbólicos encadenados";
        QTest::newRow("sin permiso de lectura") << "cerrado" << "no tiene permiso";
    }
    // Read in a child whose memory is bounded and that an alarm ends if it blocks: the reader must
    // refuse at once, with the reason.
    void especialesRechazadosSinBloquear() {
        QFETCH(QString, tipo);
        QFETCH(QString, razon);
        Carpeta c;
        QDir().mkpath(c.estado.carpetaCategorias());
        const QString ruta = c.estado.rutaCategoria(QStringLiteral("Especial"));
        if (tipo == "cero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), ruta));
        else if (tipo == "tuberia")
            QCOMPARE(::mkfifo(QFile::encodeName(ruta).constData(), 0644), 0);
        else if (tipo == "socket")
            CrearSocket(ruta);
        else if (tipo == "bucle")
            QVERIFY(QFile::link(ruta, ruta));
        else if (tipo == "carpeta")
            QVERIFY(QDir().mkpath(ruta));
        else {
            EscribirBytes(ruta, kMenus);
            QVERIFY(QFile::setPermissions(ruta, QFileDevice::WriteOwner));
        }
        QString salida;
        const bool comoNadie = tipo == "cerrado" && ::geteuid() == 0;
        QCOMPARE(Hijo("RUTINERO_HIJO_LEER", ruta, comoNadie ? kComoNadie : QStringList(), &salida), 0);
        QCOMPARE(salida, razon);
    }

    // In the window: none of them (nor a folder or a link to itself) is listed, and one that turns into a pipe after it was listed is
    // reported at once and not opened.
    void especialesEnLaVentana() {
        Ventana v;
        v.c.categoria("Menus", kMenus);
        v.c.categoria("Cambia", kMenus);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), v.ruta("Cero")));
        QCOMPARE(::mkfifo(QFile::encodeName(v.ruta("Tubo")).constData(), 0644), 0);
        QVERIFY(QDir().mkpath(v.ruta("Carpeta")) && QFile::link(v.ruta("Bucle"), v.ruta("Bucle")));
        v.listar();
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"Cambia", "Menus"}));
        QVERIFY(QFile::remove(v.ruta("Cambia")));
        QCOMPARE(::mkfifo(QFile::encodeName(v.ruta("Cambia")).constData(), 0644), 0);
        Mensaje aviso;
        ContestarMensaje(QMessageBox::Ok, &aviso);
        ui(v.w)->lstCat->setCurrentItem(Buscar(ui(v.w)->lstCat, "Cambia"));
        v.w->AbrirCategoria();
        QCOMPARE(aviso.texto.section(QStringLiteral(": "), -1), QStringLiteral("es una tubería con nombre, no un archivo"));
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("(Ninguna)"));
    }

    // A category that is a link is read through it, but a save never writes outside Categorias:
    // neither through a link to a file elsewhere nor through a dangling one. A link within the
    // folder is saved through.
    void enlacesNoSacanLaEscritura() {
        Ventana v;
        QTemporaryDir fuera;
        const QString ajeno = fuera.filePath("ajeno.txt"), nuevo = fuera.filePath("nuevo.txt");
        EscribirBytes(ajeno, kMenus);
        v.c.categoria("Menus", kMenus);
        QVERIFY(QFile::link(ajeno, v.ruta("Fuera")));
        QVERIFY(QFile::link(nuevo, v.ruta("Colgante")));
        QVERIFY(QFile::link(v.ruta("Menus"), v.ruta("Alias")));
        v.listar();

        QVERIFY(v.abrirCategoria("Fuera"));
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), 2);
        QCOMPARE(v.cambiarYGuardar(true).section(": ", -1).section('\n', 0, 0),
                 QStringLiteral("es un enlace a un archivo fuera de la carpeta Categorias"));
        QCOMPARE(LeerBytes(ajeno), kMenus);
        QVERIFY(QFileInfo(v.ruta("Fuera")).isSymLink() && ayudas::HayCambios(*v.w));
        v.w->categoria().Recargar();

        // As a move target: refused, and the script stays.
        QVERIFY(v.abrirCategoria("Menus"));
        ui(v.w)->lstScripts->Seleccionar(0);
        {
            frmMover dlg(*v.w);
            dlg.cboImagen->setCurrentIndex(dlg.cboImagen->findText("Fuera"));
            emit dlg.cboImagen->activated(dlg.cboImagen->currentIndex());
            Mensaje aviso;
            ContestarMensaje(QMessageBox::Ok, &aviso);
            QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
            QVERIFY2(aviso.texto.contains("es un enlace a un archivo fuera de la carpeta Categorias"), qPrintable(aviso.texto));
        }
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), 2);
        QCOMPARE(LeerBytes(ajeno), kMenus);

        // A dangling link out of the folder: no file is made at its target.
        QString error;
        QVERIFY(!mdlScripts::GuardarArchivo(v.ruta("Colgante"), {{"x", "", "", ""}}, &error));
        QVERIFY(!QFileInfo::exists(nuevo));

        // Within the folder, the link's target is the category that changes.
        QVERIFY(v.abrirCategoria("Alias"));
        v.cambiarYGuardar(false);
        QVERIFY(!ayudas::HayCambios(*v.w));
        QCOMPARE(v.bytes("Menus"), Registro("b", "d", "c", "2"));
        QVERIFY(QFileInfo(v.ruta("Alias")).isSymLink());
    }

    void razonesEnCastellano_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("razon");
        QTest::newRow("carpeta sin permiso") << "permiso" << "no tiene permiso";
        QTest::newRow("disco de solo lectura") << "soloLectura" << "el disco es de solo lectura";
        QTest::newRow("nombre demasiado largo") << "largo" << "el nombre es demasiado largo";
        QTest::newRow("carpeta que no existe") << "sinCarpeta" << "no existe el archivo o la carpeta";
        QTest::newRow("archivo que es carpeta") << "esCarpeta" << "es una carpeta, no un archivo";
    }
    // Real failures of the system, each told by its own Spanish reason, never the system's English.
    void razonesEnCastellano() {
        QFETCH(QString, caso);
        QFETCH(QString, razon);
        QTemporaryDir dir;
        QString error;
        if (caso == "permiso" && ::geteuid() == 0) {
            QCOMPARE(Hijo("RUTINERO_HIJO_SIN_PERMISO", dir.path(), kComoNadie, &error), 0);
        } else if (caso == "permiso") {
            QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            QVERIFY(!archivos::Guardar(dir.filePath("Menus.rtn"), kMenus, &error));
        } else if (caso == "soloLectura") {
            if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", MS_RDONLY, "size=64k") != 0)
                QSKIP("a read-only tmpfs cannot be mounted here (not root, or no mount permission)");
            const auto desmontar = qScopeGuard([&] { ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH); });
            QVERIFY(!archivos::Guardar(dir.filePath("Menus.rtn"), kMenus, &error));
        } else if (caso == "largo") {
            QVERIFY(!archivos::Guardar(dir.filePath(QString(300, QLatin1Char('n')) + ".rtn"), kMenus, &error));
        } else if (caso == "sinCarpeta") {
            QVERIFY(!archivos::Guardar(dir.filePath("no/Menus.rtn"), kMenus, &error));
        } else {
            QVERIFY(QDir().mkpath(dir.filePath("Menus.rtn")));
            QVERIFY(!archivos::Guardar(dir.filePath("Menus.rtn"), kMenus, &error));
        }
        QCOMPARE(error, razon);
    }

    // A rename refused, for what adding refuses or for a name too long for the disk (the same reason
    // through the window): said, and the category stays as it was.
    void renombreRechazado_data() {
        const QString especiales = QStringLiteral("El nombre de la categoría no debe contener caracteres especiales.");
        const QString largo(300, QLatin1Char('n'));
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("tabulador") << "Con\tTab" << especiales;
        QTest::newRow("signo de exclamación") << "Hola!" << especiales;
        QTest::newRow("demasiado largo")
            << largo << QStringLiteral("No se pudo renombrar la categoría Menus a %1: el nombre es demasiado largo").arg(largo);
    }
    void renombreRechazado() {
        QFETCH(QString, nombre);
        QFETCH(QString, aviso);
        Ventana v;
        v.c.categoria("Menus", kMenus);
        v.listar();
        Mensaje dicho;
        ContestarMensaje(QMessageBox::Ok, &dicho);
        v.renombrar("Menus", nombre);
        QTRY_VERIFY(dicho.visto);
        QCOMPARE(dicho.texto, aviso);
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files), QStringList{"Menus.rtn"});
        QCOMPARE(Textos(ui(v.w)->lstCat), QStringList{"Menus"});
        QCOMPARE(v.bytes("Menus"), kMenus);
    }

    // A name in another encoding than UTF-8 (Windows-1252 here, as a file from an old system comes):
    // listed by a readable form, opened, saved under its own name, renamed and deleted.
    void nombresQueNoSonUtf8() {
        Ventana v;
        const QString carpeta = v.c.estado.carpetaCategorias();
        CrearCrudo(carpeta, "Men\xfas.rtn", kMenus);
        CrearCrudo(carpeta, "Caf\xc3\xa9\xff.rtn", kMenus); // UTF-8 and a stray byte in one name
        v.listar();
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{QStringLiteral("Caféÿ"), QStringLiteral("Menús")}));
        QVERIFY(v.abrirCategoria(QStringLiteral("Menús")));
        QCOMPARE(ui(v.w)->lstScripts->cantidad(), 2);
        v.cambiarYGuardar(false);
        QVERIFY(!ayudas::HayCambios(*v.w));
        QCOMPARE(LeerCrudo(carpeta, "Men\xfas.rtn"), Registro("b", "d", "c", "2"));
        QCOMPARE(archivos::Listar(carpeta, ".rtn").size(), 2); // no second file beside it
        QVERIFY(LeerCrudo(carpeta, "Men\xc3\xbas.rtn").isNull());
        // Renamed: the new name is plain UTF-8.
        v.renombrar(QStringLiteral("Caféÿ"), QStringLiteral("Café"));
        QCOMPARE(LeerBytes(v.ruta(QStringLiteral("Café"))), kMenus);
        // Deleted.
        v.w->LlenarCat();
        ui(v.w)->lstCat->setCurrentItem(Buscar(ui(v.w)->lstCat, QStringLiteral("Menús")));
        ContestarMensaje(QMessageBox::Yes);
        ui(v.w)->mnuEliminar->trigger();
        QCOMPARE(archivos::Listar(carpeta, ".rtn"), QStringList{QStringLiteral("Café.rtn")});
    }

    // A file whose ending is in capitals, as systems that ignore case write it, is the category it
    // names: opened, saved in place (no second file beside it), and searched. Beside a "name.rtn" it
    // is not listed a second time.
    void terminacionEnMayusculas() {
        Ventana v;
        const QString carpeta = v.c.estado.carpetaCategorias();
        CrearCrudo(carpeta, "Menus.RTN", kMenus);
        CrearCrudo(carpeta, "Notas.rtn", kMenus);
        CrearCrudo(carpeta, "Notas.Rtn", Registro("otra", "d", "c", "1"));
        v.listar();
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"Menus", "Notas"}));
        QVERIFY(v.abrirCategoria("Menus"));
        QCOMPARE(v.scripts(), (QStringList{"a", "b"}));
        v.cambiarYGuardar(false);
        QCOMPARE(LeerCrudo(carpeta, "Menus.RTN"), Registro("b", "d", "c", "2"));
        QVERIFY(LeerCrudo(carpeta, "Menus.rtn").isNull());
        QVERIFY(v.abrirCategoria("Notas"));
        QCOMPARE(v.scripts(), (QStringList{"a", "b"})); // the exact name, not its namesake
        const biblioteca::Respuesta r = biblioteca::BuscarEnArchivos(carpeta, QStringLiteral("b"), 10);
        QCOMPARE(r.hallazgos.size(), 2);
        QCOMPARE(r.hallazgos.at(0).categoria, QStringLiteral("Menus"));
        QCOMPARE(r.hallazgos.at(1).categoria, QStringLiteral("Notas"));
    }

    // A save killed half-way leaves the category either as it was or completely new. It leaves its
    // temporary file when the file system gives it a name (here: no /proc, as in some containers);
    // the next start removes exactly those, nothing else.
    void guardadoMatadoAMitad() {
        Carpeta c;
        const QString cat = c.estado.carpetaCategorias();
        c.categoria("Menus", kMenus);
        // Where it can, the child runs in a mount namespace of its own where /proc is hidden.
        QStringList orden = {"unshare", "--user", "--map-root-user", "--mount", "sh", "-c",
                             "mount -t tmpfs tmpfs /proc && exec \"$0\""};
        const bool sinProc = QProcess::execute(orden.first(), orden.mid(1) << "true") == 0;
        if (!sinProc)
            orden.clear();
        orden << QCoreApplication::applicationFilePath();
        QProcess hijo;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("RUTINERO_HIJO_GUARDAR", c.estado.rutaCategoria("Menus"));
        hijo.setProcessEnvironment(env);
        hijo.start(orden.first(), orden.mid(1));
        QVERIFY(hijo.waitForStarted() && hijo.waitForReadyRead(30000));
        const QRegularExpression temporal(QStringLiteral("^Menus\\.rtn\\.[A-Za-z]{6}$"));
        if (sinProc) {
            // Stopped while its temporary file is there, so that the kill lands in the middle of a save
            // however fast or slow the child runs.
            for (int intento = 0; intento < 100; ++intento) {
                // Not QTRY_VERIFY: it looks again once seen, and the file may be gone by then.
                QVERIFY(QTest::qWaitFor([&] { return !QDir(cat).entryList(QDir::Files).filter(temporal).isEmpty(); },
                                        60000));
                QCOMPARE(::kill(pid_t(hijo.processId()), SIGSTOP), 0);
                QTRY_VERIFY(Detenido(hijo.processId()));
                if (!QDir(cat).entryList(QDir::Files).filter(temporal).isEmpty())
                    break;
                QCOMPARE(::kill(pid_t(hijo.processId()), SIGCONT), 0);
            }
        } else {
            QTest::qWait(150); // the child saves in a loop: a kill lands in the middle of a save almost every time
        }
        hijo.kill(); // SIGKILL: nothing of the child runs after it
        QVERIFY(hijo.waitForFinished());
        const QVector<Script> leido = mdlScripts::Analizar(LeerBytes(c.estado.rutaCategoria("Menus")));
        QVERIFY(leido == mdlScripts::Analizar(kMenus) || leido.size() == kGuardadoPorElHijo);
        if (!sinProc)
            QSKIP("no user and mount namespace can be made here to hide /proc from a child");
        const QStringList restos = QDir(cat).entryList(QDir::Files).filter(temporal);
        QVERIFY2(!restos.isEmpty(), "the child left no temporary file");

        // Besides the real leftover, the same pattern elsewhere and names that only look alike.
        const QStringList ajenos = {"Menus.rtn.bak", "Menus.rtn.AbC1eF", "Notas.txt.AbCdEf", "Menus.rtnAbCdEf",
                                    "Menus.rtn.AbCdEfG"};
        for (const QString &a : ajenos)
            EscribirBytes(cat + '/' + a, "x");
        EscribirBytes(c.estado.carpetaPreferencias() + "/config.ini.QwErTy", "x");
        EscribirBytes(c.estado.carpetaPreferencias() + "/otro.ini.QwErTy", "x");
        EscribirBytes(c.estado.carpetaExportar() + "/Temp.html.ZxCvBn", "x");
        frmSplash splash(c.estado);
        splash.Startup();
        std::unique_ptr<frmPrincipal> w(splash.principal());
        QStringList esperados = QStringList{"Menus.rtn"} + ajenos;
        esperados.sort();
        QCOMPARE(QDir(cat).entryList(QDir::Files, QDir::Name), esperados);
        QCOMPARE(QDir(c.estado.carpetaPreferencias()).entryList(QDir::Files), QStringList{"otro.ini.QwErTy"});
        QCOMPARE(QDir(c.estado.carpetaExportar()).entryList(QDir::Files), QStringList());
        QCOMPARE(mdlScripts::Analizar(LeerBytes(c.estado.rutaCategoria("Menus"))), leido);
    }

    void cambiadaEnDisco_data() {
        QTest::addColumn<QString>("cambio");
        QTest::addColumn<bool>("cambiada");
        QTest::newRow("nada") << "nada" << false;
        QTest::newRow("los mismos bytes escritos de nuevo") << "mismos" << false;
        QTest::newRow("otro contenido del mismo tamaño") << "mismoTamano" << true;
        QTest::newRow("un script más") << "mas" << true;
        QTest::newRow("borrada") << "borrada" << true;
        QTest::newRow("cambiada por una carpeta") << "carpeta" << true;
    }
    void cambiadaEnDisco() {
        QFETCH(QString, cambio);
        QFETCH(bool, cambiada);
        Carpeta c;
        c.categoria("Menus", kMenus);
        const QString ruta = c.estado.rutaCategoria("Menus");
        const Huella h = Huella::DeArchivo(ruta);
        QVERIFY(h.valida());
        QTest::qSleep(20); // another program writes a moment later
        if (cambio == "mismos")
            EscribirBytes(ruta, kMenus);
        else if (cambio == "mismoTamano")
            EscribirBytes(ruta, QByteArray(kMenus).replace('a', 'z'));
        else if (cambio == "mas")
            EscribirBytes(ruta, kMenus + Registro("c", "", "", ""));
        else if (cambio == "borrada")
            QVERIFY(QFile::remove(ruta));
        else if (cambio == "carpeta")
            QVERIFY(QFile::remove(ruta) && QDir().mkpath(ruta));
        QCOMPARE(categorias::CambiadaEnDisco(ruta, h), cambiada);
    }

    // Without a print (never read), a file that has appeared is a change; no file is none.
    void cambiadaSinHuella() {
        Carpeta c;
        const QString ruta = c.estado.rutaCategoria("Nueva");
        QVERIFY(!categorias::CambiadaEnDisco(ruta, Huella()));
        c.categoria("Nueva", kMenus);
        QVERIFY(categorias::CambiadaEnDisco(ruta, Huella()));
    }
};

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsSet("RUTINERO_HIJO_LEER"))
        return HijoLeer(qEnvironmentVariable("RUTINERO_HIJO_LEER"));
    if (qEnvironmentVariableIsSet("RUTINERO_HIJO_SIN_PERMISO"))
        return HijoSinPermiso(qEnvironmentVariable("RUTINERO_HIJO_SIN_PERMISO"));
    if (qEnvironmentVariableIsSet("RUTINERO_HIJO_GUARDAR"))
        return HijoGuardar(qEnvironmentVariable("RUTINERO_HIJO_GUARDAR"));
    QApplication app(argc, argv);
    tst_archivos t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_archivos.moc"
