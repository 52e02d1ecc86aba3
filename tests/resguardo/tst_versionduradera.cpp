// A version is recorded only once its files are on the disk. The kernel itself fails the fsync calls
// with EIO: a watch thread answers each one (a seccomp user notification), by the file it is about.
#include "AyudasNucleo.h"
#include "history/Repositorio.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Which fsync calls fail now: none, or those of one kind of a git folder's files, in the order a
// version writes them (the branch's folder once its new file took the old one's place).
enum class Falla { Ninguna, Objetos, CarpetasDeObjetos, Registros, Rama, CarpetaDeLaRama };
std::atomic<Falla> falla{Falla::Ninguna};
std::atomic_int fallados{0};
bool vigilado = false;

bool Falla_(const QByteArray &ruta, bool carpeta) {
    switch (falla.load()) {
    case Falla::Ninguna:
        return false;
    case Falla::Objetos:
        return !carpeta && ruta.contains("/.git/objects/");
    case Falla::CarpetasDeObjetos:
        return carpeta && ruta.contains("/.git/objects");
    case Falla::Registros:
        return !carpeta && ruta.contains("/.git/logs/");
    case Falla::Rama:
        return !carpeta && (ruta.contains("/.git/refs/") || ruta.contains("/.git/HEAD"));
    case Falla::CarpetaDeLaRama:
        return carpeta && ruta.contains("/.git/refs");
    }
    return false;
}

// Answers each fsync the kernel holds: fails it or lets it go on.
void Vigilar(int escucha) {
    seccomp_notif_sizes tamanos{};
    if (::syscall(__NR_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &tamanos) != 0)
        return;
    std::vector<char> pedido(std::max<size_t>(tamanos.seccomp_notif, sizeof(seccomp_notif)));
    std::vector<char> respuesta(std::max<size_t>(tamanos.seccomp_notif_resp, sizeof(seccomp_notif_resp)));
    for (;;) {
        auto *p = reinterpret_cast<seccomp_notif *>(pedido.data());
        memset(pedido.data(), 0, pedido.size());
        if (::ioctl(escucha, SECCOMP_IOCTL_NOTIF_RECV, p) != 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        const QByteArray enlace = "/proc/" + QByteArray::number(p->pid) + "/fd/" + QByteArray::number(p->data.args[0]);
        char ruta[4096] = {};
        const ssize_t n = ::readlink(enlace.constData(), ruta, sizeof ruta - 1);
        struct stat st {};
        const bool carpeta = ::stat(enlace.constData(), &st) == 0 && S_ISDIR(st.st_mode);
        auto *r = reinterpret_cast<seccomp_notif_resp *>(respuesta.data());
        memset(respuesta.data(), 0, respuesta.size());
        r->id = p->id;
        if (n > 0 && Falla_(QByteArray(ruta, int(n)), carpeta)) {
            r->error = -EIO;
            ++fallados;
        } else {
            r->flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
        }
        ::ioctl(escucha, SECCOMP_IOCTL_NOTIF_SEND, r);
    }
}

// From here on every fsync and fdatasync of this process (and of what it starts) is answered by
// the watch thread, started first so that its own calls are not held.
bool VigilarFsync() {
    sock_filter filtro[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fsync, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fdatasync, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF),
    };
    sock_fprog programa{static_cast<unsigned short>(sizeof filtro / sizeof filtro[0]), filtro};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    static std::atomic_int escucha{-2};
    std::thread([] {
        while (escucha == -2)
            std::this_thread::yield();
        if (escucha >= 0)
            Vigilar(escucha);
    }).detach();
    escucha = int(::syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &programa));
    return escucha >= 0;
}

// While one lives, the fsync calls of that kind fail.
struct Fallando {
    explicit Fallando(Falla f) {
        fallados = 0;
        falla = f;
    }
    ~Fallando() { falla = Falla::Ninguna; }
};
} // namespace

class tst_versionduradera : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (!vigilado)
            QSKIP("this kernel does not let a process answer its own system calls (seccomp user notification)");
    }

    // The first version too: when its branch cannot be made durable, there is still no version.
    void versionQueNoLlegaAlDiscoSeRechaza_data() {
        QTest::addColumn<int>("falla");
        QTest::addColumn<bool>("primera");
        QTest::newRow("objetos") << int(Falla::Objetos) << false;
        QTest::newRow("carpetas de objetos") << int(Falla::CarpetasDeObjetos) << false;
        QTest::newRow("registros") << int(Falla::Registros) << false;
        QTest::newRow("rama") << int(Falla::Rama) << false;
        QTest::newRow("carpeta de la rama") << int(Falla::CarpetaDeLaRama) << false;
        QTest::newRow("carpeta de la rama, primera versión") << int(Falla::CarpetaDeLaRama) << true;
    }
    void versionQueNoLlegaAlDiscoSeRechaza() {
        QFETCH(int, falla);
        QFETCH(bool, primera);
        ayudas::Carpeta c;
        c.categoria("Menus", ayudas::Registro("a", "d", "1", "5"));
        const QString carpeta = c.estado.carpetaCategorias();
        git::Repositorio repo;
        QString mensaje, error;
        QVERIFY(repo.Abrir(carpeta, true));
        if (!primera) {
            QVERIFY(repo.Confirmar({"Menus.rtn"}, &mensaje, &error));
            c.categoria("Menus", ayudas::Registro("a", "d", "2", "5"));
        }
        const QByteArray antes = repo.Ultima();
        bool ok = true;
        {
            Fallando f(static_cast<Falla>(falla));
            ok = repo.Confirmar({"Menus.rtn"}, &mensaje, &error);
            QVERIFY2(fallados > 0, "no fsync of that kind was asked for");
        }
        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        QCOMPARE(repo.Ultima(), antes);
        git::Repositorio otro;
        QVERIFY(otro.Abrir(carpeta, false));
        QCOMPARE(otro.Ultima(), antes);
        QCOMPARE(otro.Pendientes(), QStringList{"Menus.rtn"});
        // And once the disk answers again, the version is recorded.
        QVERIFY2(repo.Confirmar({"Menus.rtn"}, &mensaje, &error), qPrintable(error));
        QVERIFY(repo.Ultima() != antes);
    }
};

int main(int argc, char **argv) {
    vigilado = VigilarFsync();
    QCoreApplication app(argc, argv);
    tst_versionduradera t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_versionduradera.moc"
