#include "history/Huesped.h"
#include "core/Registro.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include <libssh2.h>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace git::huesped {
namespace {

struct Conocidos {
    LIBSSH2_SESSION *sesion = nullptr;
    LIBSSH2_KNOWNHOSTS *hosts = nullptr;
    Conocidos() {
        static std::once_flag una;
        std::call_once(una, [] { libssh2_init(0); });
        // A session that never connects: libssh2 hangs its list of hosts off one.
        sesion = libssh2_session_init();
        hosts = sesion ? libssh2_knownhost_init(sesion) : nullptr;
    }
    ~Conocidos() {
        if (hosts)
            libssh2_knownhost_free(hosts);
        if (sesion)
            libssh2_session_free(sesion);
    }
    Conocidos(const Conocidos &) = delete;
    Conocidos &operator=(const Conocidos &) = delete;
};

int Tipo(int mascara) { return LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | mascara; }

QString TipoDe(int mascara) {
    switch (mascara) {
    case LIBSSH2_KNOWNHOST_KEY_ED25519: return QStringLiteral("ED25519");
    case LIBSSH2_KNOWNHOST_KEY_SSHRSA: return QStringLiteral("RSA");
    case LIBSSH2_KNOWNHOST_KEY_SSHDSS: return QStringLiteral("DSA");
    case LIBSSH2_KNOWNHOST_KEY_ECDSA_256:
    case LIBSSH2_KNOWNHOST_KEY_ECDSA_384:
    case LIBSSH2_KNOWNHOST_KEY_ECDSA_521: return QStringLiteral("ECDSA");
    default: return {};
    }
}
} // namespace

Clave DeCrudo(const QByteArray &crudo) {
    // The wire format begins with the key type's name, a 32-bit length first.
    Clave c;
    c.crudo = crudo;
    if (crudo.size() < 4)
        return c;
    const quint32 n = (quint32(uchar(crudo[0])) << 24) | (quint32(uchar(crudo[1])) << 16) |
                      (quint32(uchar(crudo[2])) << 8) | quint32(uchar(crudo[3]));
    if (n > quint32(crudo.size() - 4))
        return c;
    const QByteArray nombre = crudo.mid(4, int(n));
    static const std::pair<const char *, int> tipos[] = {
        {"ssh-ed25519", LIBSSH2_KNOWNHOST_KEY_ED25519},
        {"ssh-rsa", LIBSSH2_KNOWNHOST_KEY_SSHRSA},
        {"ssh-dss", LIBSSH2_KNOWNHOST_KEY_SSHDSS},
        {"ecdsa-sha2-nistp256", LIBSSH2_KNOWNHOST_KEY_ECDSA_256},
        {"ecdsa-sha2-nistp384", LIBSSH2_KNOWNHOST_KEY_ECDSA_384},
        {"ecdsa-sha2-nistp521", LIBSSH2_KNOWNHOST_KEY_ECDSA_521},
    };
    for (const auto &[t, m] : tipos)
        if (nombre == t) {
            c.mascara = m;
            c.tipo = TipoDe(m);
        }
    return c;
}

QString Huella(const QByteArray &crudo) {
    return QStringLiteral("SHA256:") +
           QString::fromLatin1(QCryptographicHash::hash(crudo, QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::OmitTrailingEquals));
}

QString Nombre(const QString &host, int puerto) {
    return puerto <= 0 || puerto == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(puerto);
}

QString ArchivoDelUsuario() { return QDir::homePath() + QStringLiteral("/.ssh/known_hosts"); }

Resultado Comprobar(const QString &archivo, const QString &host, int puerto, const Clave &clave) {
    Resultado r;
    if (clave.tipo.isEmpty()) {
        r.error = QStringLiteral("el servidor %1 usa una clave de un tipo que el programa no conoce").arg(host);
        return r;
    }
    Conocidos c;
    if (!c.hosts) {
        r.error = QStringLiteral("no se pudo preparar la comprobación de la clave del servidor");
        return r;
    }
    QFile f(archivo);
    if (f.exists()) {
        if (!f.open(QIODevice::ReadOnly)) {
            r.error = QStringLiteral("no se pudo leer %1: %2").arg(QDir::toNativeSeparators(archivo), f.errorString());
            qCWarning(lcSincronizacion) << "cannot read the known hosts" << archivo << f.errorString();
            return r;
        }
        int saltadas = 0;
        while (!f.atEnd()) {
            const QByteArray linea = f.readLine(1 << 16);
            const QByteArray limpia = linea.trimmed();
            if (limpia.isEmpty() || limpia.startsWith('#'))
                continue;
            if (libssh2_knownhost_readline(c.hosts, limpia.constData(), size_t(limpia.size()),
                                           LIBSSH2_KNOWNHOST_FILE_OPENSSH) != 0)
                ++saltadas;
        }
        if (f.error() != QFileDevice::NoError) {
            r.error = QStringLiteral("no se pudo leer %1: %2").arg(QDir::toNativeSeparators(archivo), f.errorString());
            return r;
        }
        if (saltadas)
            qCDebug(lcSincronizacion) << saltadas << "lines of" << archivo << "left aside (markers or key types libssh2 does not read)";
    }
    libssh2_knownhost *hallado = nullptr;
    const QByteArray h = host.toUtf8();
    const int v = libssh2_knownhost_checkp(c.hosts, h.constData(), puerto > 0 ? puerto : 22, clave.crudo.constData(),
                                           size_t(clave.crudo.size()), Tipo(clave.mascara), &hallado);
    switch (v) {
    case LIBSSH2_KNOWNHOST_CHECK_MATCH: r.veredicto = Veredicto::Conocido; break;
    case LIBSSH2_KNOWNHOST_CHECK_NOTFOUND: r.veredicto = Veredicto::Desconocido; break;
    case LIBSSH2_KNOWNHOST_CHECK_MISMATCH:
        r.veredicto = Veredicto::Cambiado;
        if (hallado && hallado->key) {
            const QByteArray antes = QByteArray::fromBase64(QByteArray(hallado->key));
            r.huellaAnterior = Huella(antes);
            r.tipoAnterior = DeCrudo(antes).tipo;
        }
        break;
    default:
        r.error = QStringLiteral("no se pudo comprobar la clave del servidor %1").arg(host);
        break;
    }
    return r;
}

bool Agregar(const QString &archivo, const QString &host, int puerto, const Clave &clave, QString *error) {
    Conocidos c;
    libssh2_knownhost *nuevo = nullptr;
    const QByteArray nombre = Nombre(host, puerto).toUtf8();
    char linea[16384];
    size_t largo = 0;
    if (!c.hosts ||
        libssh2_knownhost_addc(c.hosts, nombre.constData(), nullptr, clave.crudo.constData(), size_t(clave.crudo.size()),
                               nullptr, 0, Tipo(clave.mascara), &nuevo) != 0 ||
        libssh2_knownhost_writeline(c.hosts, nuevo, linea, sizeof linea, &largo, LIBSSH2_KNOWNHOST_FILE_OPENSSH) != 0) {
        *error = QStringLiteral("no se pudo escribir la clave del servidor %1").arg(host);
        return false;
    }
    QByteArray texto(linea, int(largo));
    if (!texto.endsWith('\n'))
        texto += '\n';
    const QString carpeta = QFileInfo(archivo).absolutePath();
    if (!QFileInfo(carpeta).isDir() && !QDir().mkpath(carpeta)) {
        *error = QStringLiteral("no se pudo crear la carpeta %1").arg(QDir::toNativeSeparators(carpeta));
        return false;
    }
    if (carpeta == QDir::homePath() + QStringLiteral("/.ssh"))
        ::chmod(QFile::encodeName(carpeta).constData(), 0700);
    // Appended, as ssh does: the lines already there (comments, hashed names, markers) stay as they are.
    const int fd = ::open(QFile::encodeName(archivo).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    bool ok = fd >= 0;
    if (ok) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size > 0) {
            // A last line without its line break would swallow the new one.
            char ultimo = '\n';
            const int lector = ::open(QFile::encodeName(archivo).constData(), O_RDONLY | O_CLOEXEC);
            if (lector >= 0) {
                if (::pread(lector, &ultimo, 1, st.st_size - 1) != 1)
                    ultimo = '\n';
                ::close(lector);
            }
            if (ultimo != '\n')
                texto.prepend('\n');
        }
        ok = ::write(fd, texto.constData(), size_t(texto.size())) == texto.size() && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
    }
    if (!ok) {
        qCWarning(lcSincronizacion) << "cannot add the host key to" << archivo << std::strerror(errno);
        *error = QStringLiteral("no se pudo escribir en %1: %2").arg(QDir::toNativeSeparators(archivo),
                                                                     QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

QString MotivoAgente() {
    const QByteArray socket = qgetenv("SSH_AUTH_SOCK");
    if (socket.isEmpty())
        return QStringLiteral("no hay un agente SSH en marcha con las claves del usuario (SSH_AUTH_SOCK está vacía); "
                              "inicie uno y añada su clave con «ssh-add»");
    Conocidos c;
    LIBSSH2_AGENT *agente = c.sesion ? libssh2_agent_init(c.sesion) : nullptr;
    if (!agente)
        return {};
    QString r;
    if (libssh2_agent_connect(agente) != 0) {
        r = QStringLiteral("no se pudo hablar con el agente SSH (%1)").arg(QString::fromLocal8Bit(socket));
    } else if (libssh2_agent_list_identities(agente) == 0) {
        int claves = 0, rsa = 0;
        libssh2_agent_publickey *anterior = nullptr, *k = nullptr;
        while (libssh2_agent_get_identity(agente, &k, anterior) == 0) {
            ++claves;
            rsa += DeCrudo(QByteArray(reinterpret_cast<const char *>(k->blob), int(k->blob_len))).tipo == QLatin1String("RSA");
            anterior = k;
        }
        if (claves == 0)
            r = QStringLiteral("el agente SSH no tiene ninguna clave; añada la suya con «ssh-add»");
        else if (rsa == claves && std::strcmp(libssh2_version(0), "1.11.0") < 0)
            r = QStringLiteral("el servidor no aceptó la clave RSA del agente SSH: la biblioteca SSH de este sistema "
                               "(libssh2 %1) la firma con SHA-1, que los servidores OpenSSH no aceptan desde la "
                               "versión 8.8. Use una clave ed25519 («ssh-keygen -t ed25519», y añádala al "
                               "servidor y al agente)")
                    .arg(QString::fromLatin1(libssh2_version(0)));
        libssh2_agent_disconnect(agente);
    }
    libssh2_agent_free(agente);
    return r;
}

} // namespace git::huesped
