// The file layer under conditions the suite cannot fake: a disk whose fsync fails (as a dying disk
// or a network folder reports EIO) and a named pipe standing under a category's name.
#include "Ayudas.h"
#include "core/Archivos.h"
#include "ui/main/frmPrincipal.h"

#include <QApplication>
#include <QtTest>

#include <cerrno>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>

using ayudas::Registro;
using ayudas::ui;

namespace {
const char *const kFsyncFalla = "RUTINERO_PRUEBA_FSYNC_EIO";

// From here on the kernel answers every fsync and fdatasync of this process with EIO.
bool FsyncQueFalla() {
    sock_filter filtro[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fsync, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fdatasync, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA)),
    };
    sock_fprog programa{static_cast<unsigned short>(sizeof filtro / sizeof filtro[0]), filtro};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &programa) == 0;
}

const QByteArray kMenus = Registro("a", "d", "1", "5") + Registro("b", "d", "2", "5");
} // namespace

class tst_escritura : public QObject {
    Q_OBJECT
  private slots:
    // A save that cannot be made durable is refused, its changes kept: run in a child whose fsync fails.
    void fsyncQueFallaRechazaElGuardado() {
        QProcess hijo;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QLatin1String(kFsyncFalla), "1");
        hijo.setProcessEnvironment(e);
        hijo.start(QCoreApplication::applicationFilePath(), {"guardarSinFsync"});
        QVERIFY(hijo.waitForFinished(120000));
        const QByteArray salida = hijo.readAllStandardOutput() + hijo.readAllStandardError();
        if (salida.contains("seccomp unavailable"))
            QSKIP("this kernel does not let a process filter its own system calls (seccomp)");
        QVERIFY2(hijo.exitCode() == 0 && salida.contains("PASS   : tst_escritura::guardarSinFsync()"), salida.constData());
    }
    void guardarSinFsync() {
        if (qEnvironmentVariableIsEmpty(kFsyncFalla))
            QSKIP("runs in the child of fsyncQueFallaRechazaElGuardado, where fsync fails");
        ayudas::VentanaPrincipal v({{"Menus", kMenus}});
        v.abrir("Menus");
        v.seleccionarScript("a");
        v.w->EliminarS();
        QVERIFY(ayudas::HayCambios(*v.w));
        ayudas::ContestarMensaje(QMessageBox::Yes);
        ayudas::Mensaje aviso;
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso);
        ui(v.w)->mnuGuardar->trigger();
        QVERIFY2(aviso.visto && aviso.texto.contains("error de lectura o escritura en el disco"),
                 qPrintable(aviso.texto));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), kMenus);
        QVERIFY(ayudas::HayCambios(*v.w));
        QCOMPARE(v.scripts(), QStringList{"b"});
    }

    // A named pipe under a category's name is never replaced by a plain file, nor waited on.
    void tuberiaConNombreDeCategoriaNoSeReemplaza() {
        ayudas::Carpeta c;
        QDir().mkpath(c.estado.carpetaCategorias());
        const QString ruta = c.estado.rutaCategoria("Menus");
        QCOMPARE(::mkfifo(QFile::encodeName(ruta).constData(), 0600), 0);
        QString error;
        QVERIFY(!archivos::Guardar(ruta, kMenus, &error, c.estado.carpetaCategorias()));
        QVERIFY(!error.isEmpty());
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(ruta).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }
};

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsEmpty(kFsyncFalla) && !FsyncQueFalla()) {
        std::puts("seccomp unavailable");
        return 0;
    }
    QApplication app(argc, argv);
    tst_escritura t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_escritura.moc"
