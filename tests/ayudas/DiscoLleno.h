#pragma once
// A real full disk for a test: a small tmpfs mounted over a temporary folder and filled to the last
// byte. Mounting needs root, or a user and mount namespace of the test's own (`EnEspacioPropio`).
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace ayudas {

// A small tmpfs over a temporary folder, gone with the object.
struct Montaje {
    QTemporaryDir dir;
    bool montado = false;
    QString razon;
    explicit Montaje(qint64 bytes) {
        const QByteArray opciones = "size=" + QByteArray::number(bytes);
        if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, opciones.constData()) == 0)
            montado = true;
        else
            razon = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~Montaje() {
        if (montado)
            ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
};

// Fills the file system holding `carpeta` until it takes not one byte more, with the file `relleno`.
// Only ever a small tmpfs: never the machine's own disk.
inline void Llenar(const QString &carpeta, const QString &relleno = QStringLiteral("relleno")) {
    struct statfs fs;
    QVERIFY(::statfs(QFile::encodeName(carpeta).constData(), &fs) == 0);
    QVERIFY2(fs.f_type == TMPFS_MAGIC && qint64(fs.f_blocks) * fs.f_bsize <= 64 << 20, "not the test's small tmpfs");
    const int fd = ::open(QFile::encodeName(carpeta + QLatin1Char('/') + relleno).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    QVERIFY(fd >= 0);
    static const char bloque[65536] = {};
    for (size_t paso : {sizeof bloque, size_t(4096), size_t(1)})
        while (::write(fd, bloque, paso) > 0) {
        }
    ::close(fd);
}

// Runs the current test function's current row again in a child that is root of its own user and
// mount namespace, where it can mount; `marca` is the environment variable that tells the child.
// False (with the reason) where such namespaces are not allowed.
inline bool EnEspacioPropio(const char *marca, QString *razon) {
    if (QProcess::execute(QStringLiteral("unshare"), {"--user", "--map-root-user", "--mount", "true"}) != 0) {
        *razon = QStringLiteral("user namespaces are not allowed on this machine (unshare --user fails)");
        return false;
    }
    QProcess hijo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(marca), QStringLiteral("1"));
    hijo.setProcessEnvironment(env);
    hijo.setProcessChannelMode(QProcess::MergedChannels);
    QString funcion = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        funcion += QLatin1Char(':') + QString::fromUtf8(QTest::currentDataTag());
    hijo.start(QStringLiteral("unshare"),
               {"--user", "--map-root-user", "--mount", QCoreApplication::applicationFilePath(), funcion});
    if (!hijo.waitForFinished(120000)) {
        *razon = QStringLiteral("the child did not finish");
        return true;
    }
    const QByteArray salida = hijo.readAll();
    for (const QByteArray &l : salida.split('\n'))
        if (l.startsWith("QINFO") || l.startsWith("FAIL") || l.startsWith("SKIP") || l.startsWith("   Loc"))
            qInfo("hijo: %s", l.constData());
    if (hijo.exitCode() != 0)
        *razon = QString::fromUtf8(salida);
    return true;
}

} // namespace ayudas

// Starts a test that needs `montaje`, a tmpfs of `bytes`: where this process cannot mount one, it
// runs again in a namespace of its own (`marca` tells that child, which must mount) and ends here
// with the child's verdict; skipped, with the reason, where no namespace can be had either.
#define RUTINERO_MONTAR(montaje, bytes, marca)                                                               \
    ayudas::Montaje montaje(bytes);                                                                          \
    if (!montaje.montado && qEnvironmentVariableIsEmpty(marca)) {                                            \
        QString razon_;                                                                                      \
        if (!ayudas::EnEspacioPropio(marca, &razon_))                                                        \
            QSKIP(qPrintable("a tmpfs cannot be mounted here (" + montaje.razon + ") and " + razon_));       \
        QVERIFY2(razon_.isEmpty(), qPrintable(razon_));                                                      \
        return;                                                                                              \
    }                                                                                                        \
    QVERIFY2(montaje.montado, qPrintable("no tmpfs inside the user namespace: " + montaje.razon))
