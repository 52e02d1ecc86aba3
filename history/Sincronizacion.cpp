#include "history/Sincronizacion.h"
#include "core/Archivos.h"
#include "history/Git.h"
#include "history/Huesped.h"
#include "history/Mezcla.h"
#include "history/Red.h"
#include "history/Repositorio.h"

#include "core/Registro.h"
#include "format/Categorias.h"
#include "format/DuenoCarpeta.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace git {
namespace {

struct Contexto {
    const Llamadas *ll = nullptr;
    int agente = 0;
    int claves = 0;
    QString rechazo; // the remote refused our update, and said why
    int ultimoPorcentaje = -1;
    QString servidor;          // what the server said on its side channel ("remote: ..."), last lines
    QString url;               // as the user gave it: the SSH port is read from it
    QString motivoCertificado; // why the server's key or certificate was refused, in Spanish
    // The user name and password of the whole sync: the push's connection gives again what the
    // fetch's was given, rather than ask twice.
    std::optional<Clave> dada;
    QString urlClave;          // the address they were given for
    bool aceptadaDicha = false; // the window was told the server took them
    // Each connection (the fetch's, the push's) tries the agent afresh; a second password asked
    // within one connection means the server refused the first.
    void NuevaConexion() {
        agente = 0;
        claves = 0;
    }
    void Olvidar() {
        if (dada)
            dada->clave.fill(QChar(0));
        dada.reset();
        aceptadaDicha = false;
    }
    ~Contexto() { Olvidar(); }
};

bool Cancelado(const Contexto *cx) { return cx->ll->cancelado && cx->ll->cancelado(); }

void Avisar(const Contexto *cx, const QString &texto, int valor = 0, int maximo = 0) {
    if (cx->ll->avance)
        cx->ll->avance(texto, valor, maximo);
}

int Credencial(git_credential **out, const char *url, const char *usuarioUrl, unsigned int tipos, void *datos) {
    auto *cx = static_cast<Contexto *>(datos);
    const QByteArray usuario = usuarioUrl && *usuarioUrl ? QByteArray(usuarioUrl) : QByteArray("git");
    // The user's own keys, through the agent: nothing of them passes through the program.
    if ((tipos & GIT_CREDENTIAL_SSH_KEY) && cx->agente++ == 0)
        return git_credential_ssh_key_from_agent(out, usuario.constData());
    if ((tipos & GIT_CREDENTIAL_USERPASS_PLAINTEXT) && cx->ll->clave) {
        const bool rechazada = cx->claves++ > 0;
        if (rechazada || !cx->dada) {
            // One the user typed is not asked for again: the sync ends, and says why.
            if (rechazada && !(cx->dada && cx->dada->guardada)) {
                git_error_set_str(GIT_ERROR_HTTP, "the server refused the credentials given");
                return GIT_EAUTH;
            }
            Clave c;
            c.usuario = cx->dada ? cx->dada->usuario : usuarioUrl ? QString::fromUtf8(usuarioUrl) : QString();
            cx->Olvidar();
            cx->urlClave = QString::fromUtf8(url);
            if (!cx->ll->clave(cx->urlClave, rechazada, &c)) {
                c.clave.fill(QChar(0));
                git_error_set_str(GIT_ERROR_NET, "no se dio la clave");
                return GIT_EUSER;
            }
            cx->dada = std::move(c);
        }
        QByteArray usuarioUtf8 = cx->dada->usuario.toUtf8(), claveUtf8 = cx->dada->clave.toUtf8();
        const int r = git_credential_userpass_plaintext_new(out, usuarioUtf8.constData(), claveUtf8.constData());
        claveUtf8.fill('\0');
        return r;
    }
    if (tipos & GIT_CREDENTIAL_USERNAME)
        return git_credential_username_new(out, usuario.constData());
    return GIT_PASSTHROUGH;
}

// A connection went through with the password given: the window may keep it now.
void ClaveAceptada(Contexto &cx) {
    if (!cx.dada || std::exchange(cx.aceptadaDicha, true))
        return;
    if (cx.ll->aceptada)
        cx.ll->aceptada(cx.urlClave);
}

// The authorities a TLS certificate is checked against: the system's (Debian's bundle, which libgit2
// loads by itself), or the file named the way git and OpenSSL's tools name it, for a company's own
// authority.
void Autoridades() {
    for (const char *variable : {"GIT_SSL_CAINFO", "SSL_CERT_FILE"}) {
        const QByteArray archivo = qgetenv(variable);
        if (archivo.isEmpty())
            continue;
        if (git_libgit2_opts(GIT_OPT_SET_SSL_CERT_LOCATIONS, archivo.constData(), nullptr) < 0)
            qCWarning(lcSincronizacion) << "the authorities in" << variable << archivo << "could not be read:"
                                        << UltimoError();
        return;
    }
}

// The host and port an SSH address names: ssh://[user@]host[:port]/path or user@host:path.
std::pair<QString, int> HostYPuerto(const QString &url) {
    if (url.contains(QLatin1String("://"))) {
        const QUrl u(url);
        return {u.host(), u.port(22)};
    }
    QString host = url.left(url.indexOf(QLatin1Char(':')));
    host = host.mid(host.lastIndexOf(QLatin1Char('@')) + 1);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return {host, 22};
}

// An SSH server's key is checked against the user's known hosts, as `ssh` does; an unknown one is
// asked about (never when nobody can be asked), a changed one refused outright. A TLS certificate
// is taken only when the system's trust store vouches for it.
int Certificado(git_cert *cert, int valido, const char *hostTls, void *datos) {
    auto *cx = static_cast<Contexto *>(datos);
    if (cert->cert_type != GIT_CERT_HOSTKEY_LIBSSH2) {
        if (valido)
            return 0;
        cx->motivoCertificado = QStringLiteral("el certificado del servidor %1 no es de confianza en este equipo "
                                               "(no lo firma ninguna autoridad que el sistema reconozca, o no es "
                                               "de ese nombre)")
                                    .arg(QString::fromUtf8(hostTls));
        return GIT_ECERTIFICATE;
    }
    const auto *hk = reinterpret_cast<const git_cert_hostkey *>(cert);
    const auto [host, puerto] = HostYPuerto(cx->url);
    const QString nombre = huesped::Nombre(host, puerto);
    if (!(hk->type & GIT_CERT_SSH_RAW) || !hk->hostkey || hk->hostkey_len == 0) {
        cx->motivoCertificado = QStringLiteral("el servidor %1 no dio su clave").arg(nombre);
        return GIT_ECERTIFICATE;
    }
    const huesped::Clave clave = huesped::DeCrudo(QByteArray(hk->hostkey, int(hk->hostkey_len)));
    const QString archivo = huesped::ArchivoDelUsuario();
    const huesped::Resultado r = huesped::Comprobar(archivo, host, puerto, clave);
    const QString huella = huesped::Huella(clave.crudo);
    switch (r.veredicto) {
    case huesped::Veredicto::Conocido:
        return 0;
    case huesped::Veredicto::Ilegible:
        cx->motivoCertificado = r.error;
        return GIT_ECERTIFICATE;
    case huesped::Veredicto::Cambiado:
        qCWarning(lcSincronizacion) << "host key changed:" << nombre << r.huellaAnterior << "->" << huella;
        cx->motivoCertificado =
            QStringLiteral("¡la clave del servidor %1 ha cambiado! %2 recuerda la clave %3 %4, y el servidor "
                           "presenta ahora la clave %5 %6. Puede que alguien se haga pasar por el servidor; no se "
                           "ha conectado. Si el cambio es legítimo (el servidor se reinstaló), quite la clave "
                           "antigua con «ssh-keygen -R %7» y vuelva a sincronizar")
                .arg(nombre, QDir::toNativeSeparators(archivo), r.tipoAnterior, r.huellaAnterior, clave.tipo, huella,
                     nombre);
        return GIT_ECERTIFICATE;
    case huesped::Veredicto::Desconocido:
        break;
    }
    const QString pregunta =
        QStringLiteral("Este equipo no conoce el servidor %1.\n\nSu clave %2 tiene la huella\n%3\n\n"
                       "Compruebe que es la del servidor (quien lo administra puede verla con «ssh-keygen -lf» "
                       "sobre la clave del servidor). ¿Conectar y recordarla en %4?\n\n"
                       "No, Esc o cerrar: no se conecta.")
            .arg(nombre, clave.tipo, huella, QDir::toNativeSeparators(archivo));
    if (!cx->ll->confirmar || !cx->ll->confirmar(pregunta)) {
        cx->motivoCertificado = cx->ll->confirmar
                                    ? QStringLiteral("no se aceptó la clave del servidor %1").arg(nombre)
                                    : QStringLiteral("este equipo no conoce la clave del servidor %1; "
                                                     "sincronice desde el menú para aceptarla")
                                          .arg(nombre);
        return GIT_ECERTIFICATE;
    }
    QString error;
    if (!huesped::Agregar(archivo, host, puerto, clave, &error)) {
        cx->motivoCertificado = error;
        return GIT_ECERTIFICATE;
    }
    return 0;
}

int Recibiendo(const git_indexer_progress *p, void *datos) {
    auto *cx = static_cast<Contexto *>(datos);
    const int total = int(p->total_objects), hechos = int(p->received_objects);
    const int porcentaje = total > 0 ? int(qint64(hechos) * 100 / total) : 0;
    if (porcentaje != cx->ultimoPorcentaje) {
        cx->ultimoPorcentaje = porcentaje;
        Avisar(cx, QStringLiteral("Sincronizar: recibiendo %1 de %2 objetos").arg(hechos).arg(total), hechos, total);
    }
    return Cancelado(cx) ? -1 : 0;
}

int Enviando(unsigned int actual, unsigned int total, size_t, void *datos) {
    auto *cx = static_cast<Contexto *>(datos);
    Avisar(cx, QStringLiteral("Sincronizar: enviando %1 de %2 objetos").arg(actual).arg(total), int(actual),
           int(total));
    return Cancelado(cx) ? -1 : 0;
}

// The server's own words (a hook's message): kept for the reason of a refusal, bounded.
int Lateral(const char *texto, int largo, void *datos) {
    auto *cx = static_cast<Contexto *>(datos);
    cx->servidor += QString::fromUtf8(texto, std::max(0, largo));
    if (cx->servidor.size() > 4000)
        cx->servidor = cx->servidor.right(4000);
    return Cancelado(cx) ? -1 : 0;
}

// The server's words, its progress counters left out, as one quoted line.
QString PalabrasDelServidor(const QString &lateral) {
    QStringList lineas;
    for (QString l : lateral.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts)) {
        l = l.trimmed();
        if (!l.isEmpty() && !l.contains(QRegularExpression(QStringLiteral("^(Resolving|Counting|Compressing|"
                                                                          "Writing|Total|Delta|Unpacking)"))))
            lineas << l;
    }
    if (lineas.isEmpty())
        return {};
    // git's own servers put the cause on a line of its own: that one, else the last few.
    for (const QString &l : std::as_const(lineas))
        if (l.startsWith(QLatin1String("error:")) || l.startsWith(QLatin1String("fatal:")))
            return QStringLiteral(" (el servidor dijo: «%1»)").arg(l);
    return QStringLiteral(" (el servidor dijo: «%1»)").arg(lineas.mid(std::max<qsizetype>(0, lineas.size() - 3)).join(QLatin1Char(' ')));
}

// Whether the server refused an update because it moved on meanwhile: another round can merge.
// git's receive-pack says so as "cannot lock ref …: is at X but expected Y" when another push
// moved the branch after it told us where it was; a stale ".lock" reads "cannot lock ref" too.
bool EsNoAvance(const QString &estado, const QString &lateral = {}) {
    return estado.contains(QLatin1String("non-fast-forward")) || estado.contains(QLatin1String("fetch first")) ||
           estado.contains(QLatin1String("stale info")) || lateral.contains(QLatin1String("but expected"));
}

// The cause a server gave for refusing the update, in Spanish.
QString CausaDelRechazo(const QString &estado, const QString &lateral) {
    const QString dijo = PalabrasDelServidor(lateral);
    if (estado.contains(QLatin1String("hook declined")))
        return QStringLiteral("el servidor lo rechazó: una comprobación suya (un «hook» %1) no lo aceptó%2")
            .arg(estado.section(QLatin1Char(' '), 0, 0), dijo);
    if (EsNoAvance(estado, lateral))
        return QStringLiteral("el servidor lo rechazó: no es un avance rápido sobre lo que tiene%1").arg(dijo);
    if (estado.contains(QLatin1String("lock")) || lateral.contains(QLatin1String("cannot lock ref")))
        return QStringLiteral("el servidor lo rechazó: la rama está bloqueada (quedó un archivo «.lock» de otro envío "
                              "que no terminó; quien administra el servidor puede borrarlo)%1")
            .arg(dijo);
    if (estado.contains(QLatin1String("permission"), Qt::CaseInsensitive) ||
        estado.contains(QLatin1String("unable to create"), Qt::CaseInsensitive) ||
        estado.contains(QLatin1String("denied"), Qt::CaseInsensitive))
        return QStringLiteral("el servidor lo rechazó: no da permiso para escribir en ese repositorio%1").arg(dijo);
    return QStringLiteral("el servidor lo rechazó: «%1»%2").arg(estado, dijo);
}

int Respuesta(const char *, const char *estado, void *datos) {
    if (estado)
        static_cast<Contexto *>(datos)->rechazo = QString::fromUtf8(estado);
    return 0;
}

git_remote_callbacks Llamadas_(Contexto &cx) {
    git_remote_callbacks cb;
    git_remote_init_callbacks(&cb, GIT_REMOTE_CALLBACKS_VERSION);
    cb.credentials = Credencial;
    cb.certificate_check = Certificado;
    cb.transfer_progress = Recibiendo;
    cb.push_transfer_progress = Enviando;
    cb.push_update_reference = Respuesta;
    cb.sideband_progress = Lateral;
    cb.payload = &cx;
    return cb;
}

enum class Fase { Conectar, Recibir, Enviar };

// Why talking to the remote failed, in Spanish. libgit2's own words go to the log only: they are
// English, and the user is told by the class and code of the error, never by its text.
QString Motivo(int codigo, Fase fase) {
    const git_error *e = git_error_last();
    const int clase = e ? e->klass : GIT_ERROR_NONE;
    qCWarning(lcSincronizacion) << "git:" << codigo << clase << (e && e->message ? e->message : "");
    if (codigo == GIT_EUSER)
        return QStringLiteral("se canceló");
    if (codigo == GIT_EAUTH)
        return QStringLiteral("el servidor no aceptó el usuario o la clave");
    if (codigo == GIT_ECERTIFICATE || clase == GIT_ERROR_SSL)
        return QStringLiteral("el certificado del servidor no es válido");
    if (codigo == GIT_ENOTFOUND || clase == GIT_ERROR_REPOSITORY)
        return QStringLiteral("no hay un repositorio en esa dirección");
    if (clase == GIT_ERROR_ODB || clase == GIT_ERROR_ZLIB || clase == GIT_ERROR_OBJECT || clase == GIT_ERROR_INDEXER)
        return QStringLiteral("lo que guarda el repositorio remoto está dañado o incompleto");
    if (fase == Fase::Enviar && (clase == GIT_ERROR_OS || clase == GIT_ERROR_FILESYSTEM ||
                                 clase == GIT_ERROR_REFERENCE || codigo == GIT_ELOCKED))
        return QStringLiteral("el repositorio remoto no acepta cambios (no se puede escribir en él)");
    // libgit2 1.5 gives no reason at all when an HTTP server refuses the push itself (403, a user
    // who may read but not write): the fetch before it worked, so the connection did.
    if (fase == Fase::Enviar && clase == GIT_ERROR_NONE)
        return QStringLiteral("el servidor no aceptó el envío: puede que no le dé permiso para escribir en ese "
                              "repositorio");
    if (clase == GIT_ERROR_NET || clase == GIT_ERROR_SSH || clase == GIT_ERROR_HTTP || clase == GIT_ERROR_OS)
        return fase == Fase::Conectar ? QStringLiteral("no hay conexión con el servidor")
                                      : QStringLiteral("se perdió la conexión con el servidor");
    return QStringLiteral("el repositorio remoto no respondió como se esperaba");
}

// Why a network step failed: the time limit and the cancel are ours, and said as such.
QString MotivoRed(const red::Guardia &guardia, const Contexto *cx, int codigo, Fase fase) {
    if (!cx->motivoCertificado.isEmpty())
        return cx->motivoCertificado;
    if (codigo == GIT_EAUTH && cx->agente > 0)
        if (const QString agente = huesped::MotivoAgente(); !agente.isEmpty())
            return agente;
    if (guardia.agotado()) {
        const int segundos = qMax(1, (red::LimiteMs() + 999) / 1000);
        return segundos == 1 ? QStringLiteral("el servidor no respondió a tiempo (se esperó 1 segundo)")
                             : QStringLiteral("el servidor no respondió a tiempo (se esperaron %1 segundos)").arg(segundos);
    }
    if (guardia.cancelado() || Cancelado(cx))
        return QStringLiteral("se canceló");
    return Motivo(codigo, fase);
}

// What kind of address the user gave. A folder is checked before libgit2 sees it: a missing one
// would otherwise read as an address of an unknown kind.
enum class Direccion { Carpeta, Red, Desconocida };
Direccion TipoDeDireccion(const QString &url, QString *carpeta) {
    static const QRegularExpression red(QStringLiteral("^(ssh|git|https?|ssh\\+git|git\\+ssh)://"),
                                        QRegularExpression::CaseInsensitiveOption);
    // user@host:path, as ssh and git write it
    static const QRegularExpression scp(QStringLiteral("^[^/:]+@?[^/:]*:"));
    if (url.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        *carpeta = QUrl(url).toLocalFile();
        return Direccion::Carpeta;
    }
    if (red.match(url).hasMatch())
        return Direccion::Red;
    if (url.contains(QLatin1String("://")))
        return Direccion::Desconocida;
    if (!url.startsWith(QLatin1Char('/')) && !url.startsWith(QLatin1Char('.')) && scp.match(url).hasMatch())
        return Direccion::Red;
    *carpeta = url;
    return Direccion::Carpeta;
}

// What is wrong with a network address as written, in Spanish; empty when nothing is. Said before
// any connection: a broken address is not a missing network.
QString MalEscrita(const QString &url) {
    if (!url.contains(QLatin1String("://"))) {
        const auto [host, puerto] = HostYPuerto(url);
        Q_UNUSED(puerto)
        return host.isEmpty() ? QStringLiteral("falta el nombre del servidor antes de «:»") : QString();
    }
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid())
        return url.count(QLatin1Char('[')) != url.count(QLatin1Char(']'))
                   ? QStringLiteral("un corchete «[» de una dirección IPv6 no se cierra")
                   : QStringLiteral("no se entiende como dirección: %1").arg(u.errorString());
    if (u.host().isEmpty())
        return QStringLiteral("falta el nombre del servidor");
    if (u.path().isEmpty() || u.path() == QLatin1String("/"))
        return QStringLiteral("falta la ruta del repositorio en el servidor");
    return {};
}

// A name of a tree that the sync may write or delete in Categorias: one path component, a category
// file (".rtn") under a name the program itself could have made, a regular file. Gives the Spanish
// reason it is refused, or empty.
QString NombreRechazado(const git_tree_entry *e) {
    const QByteArray crudo = git_tree_entry_name(e);
    const QString nombre = DeRuta(crudo.constData());
    if (crudo.isEmpty() || crudo == "." || crudo == ".." || crudo.contains('/') || crudo.contains('\\'))
        return QStringLiteral("«%1» no es un nombre de archivo dentro de la carpeta").arg(nombre);
    if (!nombre.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive))
        return {}; // not a category: never written here, so nothing to fear
    const QString tronco = nombre.chopped(4);
    bool control = false;
    for (QChar c : tronco)
        control = control || c.unicode() < 32 || c.unicode() == 127;
    if (tronco.isEmpty() || tronco.startsWith(QLatin1Char('.')) || control ||
        tronco.contains(QRegularExpression(QStringLiteral("[\"*:<>?|]"))) || categorias::EsSeudonimo(tronco))
        return QStringLiteral("«%1» no es un nombre de categoría válido").arg(nombre);
    if (git_tree_entry_filemode(e) != GIT_FILEMODE_BLOB)
        return QStringLiteral("«%1» no es un archivo común (es un enlace, una carpeta, un submódulo o un "
                              "ejecutable)")
            .arg(nombre);
    return {};
}

// The categories of a tree, each name checked. Other entries (a README of the shared repository,
// the user's own files) are not the sync's: they are counted in *otros and left alone.
std::optional<mezcla::Arbol> Categorias(const git_tree *t, QString *error, int *otros = nullptr) {
    mezcla::Arbol a;
    if (otros)
        *otros = 0;
    if (!t)
        return a;
    for (size_t i = 0; i < git_tree_entrycount(t); ++i) {
        const git_tree_entry *e = git_tree_entry_byindex(t, i);
        const QString motivo = NombreRechazado(e);
        if (!motivo.isEmpty()) {
            qCWarning(lcSincronizacion) << "tree entry refused:" << git_tree_entry_name(e) << Qt::oct
                                        << git_tree_entry_filemode(e);
            *error = motivo;
            return std::nullopt;
        }
        const QString nombre = DeRuta(git_tree_entry_name(e));
        if (nombre.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive))
            a.insert(nombre, Id(git_tree_entry_id(e)));
        else if (otros)
            ++*otros;
    }
    return a;
}

// A blob of a tree; no value when it cannot be read (a damaged or incomplete repository). Reading
// never guesses: an unreadable category is never taken as an empty one.
std::optional<QByteArray> Leer(git_repository *r, const git_tree *t, const QString &archivo) {
    const git_tree_entry *e = t ? git_tree_entry_byname(t, Ruta(archivo).constData()) : nullptr;
    Blob b;
    if (!e || Tomar(b, git_blob_lookup, r, git_tree_entry_id(e)) < 0) {
        qCWarning(lcSincronizacion) << "cannot read" << archivo << UltimoError();
        return std::nullopt;
    }
    return Contenido(b.get());
}

QString NoSeLee(const QString &archivo) {
    return QStringLiteral("No se pudo leer la categoría %1 en el historial: el repositorio está dañado o "
                          "incompleto. No se ha cambiado nada.")
        .arg(mezcla::Categoria(archivo));
}

using Cambios = QMap<QString, std::optional<QByteArray>>; // file -> new bytes, or none: removed
using Ids = QMap<QString, std::optional<git_oid>>;         // file -> new blob, or none: removed

// Names that differ only in case are one name to the folder (the panel lists Menus.rtn and
// Menus.RTN as one category, the file layer finds one for the other, and a disk that ignores case
// holds only one of them) and so to every machine that shares the library. When the merged
// categories hold such names, one keeps its name (the one the common version had, else the one this
// machine has, else the one ending in ".rtn") and each other one becomes a category of a
// name of its own, "Uno (2)", free in every tree and in the folder: nothing is written over the other.
struct Separada {
    QString queda, otra, nueva;
    bool aqui; // this machine had both
};

// "Uno (2).rtn", "Uno (3).rtn"…: the first that `ocupado` does not hold.
QString NombreLibre(const QString &tronco, const std::function<bool(const QString &)> &ocupado) {
    for (int k = 2;; ++k) {
        const QString nueva = QStringLiteral("%1 (%2).rtn").arg(tronco).arg(k);
        if (!ocupado(nueva))
            return nueva;
    }
}

mezcla::Arbol Separar(const mezcla::Arbol &resultado, const mezcla::Arbol &base, const mezcla::Arbol &nuestro,
                      const mezcla::Arbol &suyo, const QStringList &enCarpeta, QVector<Separada> *separadas) {
    QMap<QString, QStringList> grupos; // by the name folded to one case
    for (auto it = resultado.cbegin(); it != resultado.cend(); ++it)
        grupos[it.key().toCaseFolded()] << it.key();
    QSet<QString> usados;
    for (const mezcla::Arbol *a : {&resultado, &base, &nuestro, &suyo})
        for (auto it = a->cbegin(); it != a->cend(); ++it)
            usados.insert(it.key().toCaseFolded());
    for (const QString &archivo : enCarpeta)
        usados.insert(archivo.toCaseFolded());
    mezcla::Arbol r = resultado;
    for (QStringList g : std::as_const(grupos)) {
        if (g.size() < 2)
            continue;
        auto rango = [&](const QString &x) {
            return std::make_tuple(base.contains(x) ? 0 : 1, nuestro.contains(x) ? 0 : 1,
                                   x.endsWith(QLatin1String(".rtn")) ? 0 : 1, x);
        };
        std::sort(g.begin(), g.end(), [&](const QString &a, const QString &b) { return rango(a) < rango(b); });
        for (int i = 1; i < g.size(); ++i) {
            const QString nueva = NombreLibre(mezcla::Categoria(g[i]),
                                              [&](const QString &n) { return usados.contains(n.toCaseFolded()); });
            usados.insert(nueva.toCaseFolded());
            r.insert(nueva, r.take(g[i]));
            separadas->append({g[0], g[i], nueva, nuestro.contains(g[0]) && nuestro.contains(g[i])});
        }
    }
    return r;
}

QStringList AvisosDeNombres(const QVector<Separada> &separadas) {
    QStringList r;
    for (const Separada &s : separadas)
        r << (s.aqui ? QStringLiteral("La carpeta Categorias tenía dos archivos cuyos nombres sólo difieren en mayúsculas y "
                                      "minúsculas, %1 y %2: %2 es ahora la categoría %3, para que ningún equipo "
                                      "escriba uno sobre el otro.")
                     : QStringLiteral("Llegaron dos categorías cuyos nombres sólo difieren en mayúsculas y minúsculas, "
                                      "%1 y %2: en este equipo no pueden estar las dos con esos nombres, así que %2 "
                                      "se conserva como la categoría %3."))
                 .arg(s.queda, s.otra, mezcla::Categoria(s.nueva));
    return r;
}

std::optional<QByteArray> LeerBlob(git_repository *r, const git_oid &id) {
    Blob b;
    if (Tomar(b, git_blob_lookup, r, &id) < 0) {
        qCWarning(lcSincronizacion) << "cannot read blob" << Hex(id) << UltimoError();
        return std::nullopt;
    }
    return Contenido(b.get());
}

// The changes as blobs of the repository.
bool Blobs(git_repository *r, const Cambios &cambios, Ids *ids) {
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        if (!it.value()) {
            ids->insert(it.key(), std::nullopt);
            continue;
        }
        git_oid id;
        if (git_blob_create_from_buffer(&id, r, it.value()->constData(), size_t(it.value()->size())) < 0)
            return false;
        ids->insert(it.key(), id);
    }
    return true;
}

// The tree `base` with the changes, written; its id in *id. Entries that are not categories stay.
bool ArbolCon(git_repository *r, const git_tree *base, const Ids &cambios, git_oid *id) {
    TreeBuilder tb;
    if (Tomar(tb, git_treebuilder_new, r, base) < 0)
        return false;
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        const QByteArray nombre = Ruta(it.key());
        if (it.value()) {
            if (git_treebuilder_insert(nullptr, tb.get(), nombre.constData(), &*it.value(), GIT_FILEMODE_BLOB) < 0)
                return false;
        } else if (git_treebuilder_get(tb.get(), nombre.constData()) &&
                   git_treebuilder_remove(tb.get(), nombre.constData()) < 0) {
            return false;
        }
    }
    return git_treebuilder_write(id, tb.get()) == 0;
}

// A blob id as a tree of categories keeps it (its raw bytes).
git_oid OidDe(const QByteArray &crudo) {
    git_oid id;
    git_oid_fromraw(&id, reinterpret_cast<const unsigned char *>(crudo.constData()));
    return id;
}

// What turns the categories `de` into `a`, as blob ids.
Ids Diferencia(const mezcla::Arbol &de, const mezcla::Arbol &a) {
    Ids d;
    for (auto it = a.cbegin(); it != a.cend(); ++it)
        if (de.value(it.key()) != it.value())
            d.insert(it.key(), OidDe(it.value()));
    for (auto it = de.cbegin(); it != de.cend(); ++it)
        if (!a.contains(it.key()))
            d.insert(it.key(), std::nullopt);
    return d;
}

mezcla::Arbol Aplicar(mezcla::Arbol a, const Ids &cambios) {
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        if (it.value())
            a.insert(it.key(), Id(&*it.value()));
        else
            a.remove(it.key());
    }
    return a;
}

// What the changes do to the categories of `antes`, one entry per category, for the summary.
QStringList Resumen(git_repository *r, const git_tree *antes, const git_tree *despues, const Ids &cambios) {
    QVector<mezcla::CambioArchivo> v;
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        mezcla::CambioArchivo c{it.key(), std::nullopt, std::nullopt};
        if (antes && git_tree_entry_byname(antes, Ruta(it.key()).constData()))
            c.antes = Leer(r, antes, it.key());
        if (it.value())
            c.despues = Leer(r, despues, it.key());
        v.append(std::move(c));
    }
    return mezcla::Resumen(v);
}

std::function<void(const QString &)> &AntesDeEscribir() {
    static std::function<void(const QString &)> f;
    return f;
}

// One file of a write: what it gets (none: removed) and what stood there before (none: no file).
struct Paso {
    QString archivo;
    std::optional<QByteArray> nuevo, antes;
};

// The name of the file the file layer finds for `ruta`: one whose name differs only in case.
QString OtroNombre(const QString &ruta) {
    const QByteArray otro = archivos::Nativa(ruta);
    return archivos::Legible(otro.mid(otro.lastIndexOf('/') + 1));
}

QString OtroArchivo(const QString &archivo, const QString &otro) {
    return QStringLiteral("En la carpeta hay otro archivo, %1, cuyo nombre sólo difiere de %2 en mayúsculas y "
                          "minúsculas")
        .arg(otro, archivo);
}

// What each file needs, from what stands in the folder now. Removals come first: a file is never
// written while one whose name differs only in case, about to go, still stands there (the file
// layer would find that one for it). With `desde`, a file another program changed since gets what
// came merged into it again, and a removal leaves it; *apartadas tells of those moved aside for it.
bool Pasos(const QString &carpeta, const Cambios &cambios, const Cambios *desde, QStringList *cambiadas,
           QStringList *apartadas, QVector<Paso> *pasos, QString *error) {
    QVector<Paso> quitar, poner, dejados;
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        // Checked names only reach here; a last look that the path stays in the folder.
        Q_ASSERT(!it.key().contains(QLatin1Char('/')) && it.key() != QLatin1String(".."));
        if (it.key().contains(QLatin1Char('/')) || it.key().startsWith(QLatin1Char('.'))) {
            *error = QStringLiteral("«%1» no es un nombre de archivo dentro de la carpeta. No se ha cambiado nada.")
                         .arg(it.key());
            return false;
        }
        const QString ruta = carpeta + QLatin1Char('/') + it.key();
        Paso p{it.key(), it.value(), std::nullopt};
        if (ExisteTal(ruta)) {
            QByteArray datos;
            QString e;
            if (!archivos::Leer(ruta, datos, &e)) {
                *error = QStringLiteral("No se pudo leer la categoría %1: %2. No se ha cambiado nada.")
                             .arg(mezcla::Categoria(it.key()), e);
                return false;
            }
            p.antes = std::move(datos);
        } else if (it.value() && archivos::Existe(ruta)) {
            const QString otro = OtroNombre(ruta);
            if (!cambios.contains(otro) || cambios.value(otro)) {
                *error = OtroArchivo(it.key(), otro) + QStringLiteral(". No se ha cambiado nada.");
                return false;
            }
        }
        const auto origen = desde ? desde->constFind(it.key()) : Cambios::const_iterator();
        if (desde && origen != desde->cend() && *origen != p.antes) {
            // Another program changed the file since this machine's changes were recorded.
            qCDebug(lcSincronizacion) << "changed meanwhile:" << it.key();
            if (!p.nuevo && p.antes)
                dejados.append(p);
            if (!p.nuevo || !p.antes)
                p.nuevo = p.nuevo ? p.nuevo : p.antes; // a removal leaves the edit; a file gone gets what came
            else
                p.nuevo = mezcla::Mezclar(mezcla::Registros(origen->value_or(QByteArray())),
                                          mezcla::Registros(*p.antes), mezcla::Registros(*p.nuevo))
                              .datos;
            if (cambiadas && p.nuevo != it.value())
                *cambiadas << mezcla::Categoria(it.key());
            if (p.nuevo == p.antes)
                continue;
        }
        (p.nuevo ? poner : quitar).append(std::move(p));
    }
    // A file left for another program's edit may stand where the sync writes one whose name differs
    // only in case (the file layer would find the one left): the edited file goes aside to a name of
    // its own, "K8 (2)", with that edit, and waits for the next version as the others do.
    const auto choca = [&](const QString &archivo) {
        return std::any_of(poner.cbegin(), poner.cend(),
                           [&](const Paso &x) { return x.archivo.toCaseFolded() == archivo.toCaseFolded(); });
    };
    for (const Paso &d : std::as_const(dejados)) {
        const auto llega = std::find_if(poner.cbegin(), poner.cend(), [&](const Paso &x) {
            return x.archivo != d.archivo && x.archivo.toCaseFolded() == d.archivo.toCaseFolded();
        });
        if (llega == poner.cend())
            continue;
        const QString llegado = llega->archivo;
        const QString nueva = NombreLibre(mezcla::Categoria(d.archivo), [&](const QString &n) {
            return choca(n) || archivos::Existe(carpeta + QLatin1Char('/') + n) ||
                   std::any_of(cambios.keyBegin(), cambios.keyEnd(),
                               [&](const QString &c) { return c.toCaseFolded() == n.toCaseFolded(); });
        });
        qCDebug(lcSincronizacion) << "changed meanwhile, moved aside:" << d.archivo << "->" << nueva;
        quitar.append({d.archivo, std::nullopt, d.antes});
        poner.append({nueva, d.antes, std::nullopt});
        if (cambiadas)
            cambiadas->removeAll(mezcla::Categoria(d.archivo));
        if (apartadas)
            *apartadas << QStringLiteral("Otro programa cambió el archivo %1 mientras se sincronizaba, y llegó %2, cuyo "
                                         "nombre sólo difiere en mayúsculas y minúsculas: lo que tenía %1, con ese "
                                         "cambio, es ahora la categoría %3, pendiente para la próxima versión.")
                              .arg(d.archivo, llegado, mezcla::Categoria(nueva));
    }
    *pasos = quitar + poner;
    return true;
}

// The first `hechos` steps undone, last first, so that what comes back never meets what is still
// to go. Gives the categories that could not be put back.
QStringList Deshacer(DuenoCarpeta &dueno, const QString &carpeta, const QVector<Paso> &pasos, int hechos) {
    QStringList sinDeshacer;
    for (int i = hechos - 1; i >= 0; --i) {
        const Paso &q = pasos[i];
        const QString r = carpeta + QLatin1Char('/') + q.archivo;
        const bool vuelta = q.antes ? dueno.Guardar(q.archivo, *q.antes) : !ExisteTal(r) || dueno.Eliminar(q.archivo);
        if (!vuelta) {
            qCWarning(lcSincronizacion) << "cannot put back" << r;
            sinDeshacer << mezcla::Categoria(q.archivo);
        }
    }
    return sinDeshacer;
}

// The steps done in order; the first that fails undoes those before it.
bool DarPasos(DuenoCarpeta &dueno, const QString &carpeta, const QVector<Paso> &pasos, QString *error) {
    for (int hechos = 0; hechos < pasos.size(); ++hechos) {
        const Paso &p = pasos[hechos];
        const QString ruta = carpeta + QLatin1Char('/') + p.archivo;
        QString e;
        bool ok;
        if (!p.nuevo)
            ok = !ExisteTal(ruta) || dueno.Eliminar(p.archivo, &e);
        else if (!ExisteTal(ruta) && archivos::Existe(ruta))
            ok = false, e = OtroArchivo(p.archivo, OtroNombre(ruta));
        else
            ok = dueno.Guardar(p.archivo, *p.nuevo, &e);
        if (ok)
            continue;
        qCWarning(lcSincronizacion) << "cannot write" << ruta << e;
        const QStringList sinDeshacer = Deshacer(dueno, carpeta, pasos, hechos);
        *error = QStringLiteral("No se pudo escribir la categoría %1: %2.").arg(mezcla::Categoria(p.archivo), e);
        if (sinDeshacer.isEmpty())
            *error += QStringLiteral(" No se ha cambiado nada en este equipo.");
        else
            *error += QStringLiteral(" Tampoco se pudo volver a dejar como estaba: %1; esas categorías ya tienen "
                                     "lo recibido, y lo que tenían sigue en el historial.")
                          .arg(sinDeshacer.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

// The files of the working tree changed as given, all or none. What stands in the folder now is
// read first, so that a file that cannot be written puts back exactly what was there.
// With `desde` (each file as this machine's version had it, the one the merge started from), a file
// another program changed since is never replaced: what the sync brings is merged into it again, and
// a removal leaves it; *cambiadas then names those categories. *previos gets what stood before in
// each file written, to put it back.
bool Escribir(const QString &carpeta, const Cambios &cambios, QString *error, const Cambios *desde = nullptr,
              QStringList *cambiadas = nullptr, Cambios *previos = nullptr, QStringList *apartadas = nullptr) {
    // The folder is the sync's for this step: a save asked for meanwhile waits, never interleaves.
    DuenoCarpeta &dueno = DuenoCarpeta::De(carpeta);
    const auto toma = dueno.Tomar();
    if (desde && AntesDeEscribir())
        AntesDeEscribir()(carpeta);
    QVector<Paso> pasos;
    if (!Pasos(carpeta, cambios, desde, cambiadas, apartadas, &pasos, error) || !DarPasos(dueno, carpeta, pasos, error))
        return false;
    if (previos)
        for (const Paso &p : pasos)
            previos->insert(p.archivo, p.antes);
    return true;
}

QStringList Avisos(const QMap<QString, mezcla::ResultadoArchivo> &m) {
    QStringList r;
    for (auto it = m.cbegin(); it != m.cend(); ++it) {
        const QString cat = mezcla::Categoria(it.key());
        for (int i = 0; i < it->copias.size(); ++i)
            r << QStringLiteral("%1: el script «%2» se cambió en los dos equipos; se conservan las dos versiones "
                                "(la del otro equipo como «%3»).")
                     .arg(cat, it->copias[i], it->comoCopia.value(i));
        if (it->conservados > 0)
            r << QStringLiteral("%1: %2 eliminado(s) en un equipo y cambiado(s) en el otro; se conserva(n).")
                     .arg(cat)
                     .arg(it->conservados == 1 ? QStringLiteral("1 script")
                                               : QStringLiteral("%1 scripts").arg(it->conservados));
        if (it->conservada)
            r << QStringLiteral("%1: se eliminó en este equipo y se cambió en el otro; se conserva.").arg(cat);
        if (!it->renombradaDesde.isEmpty() && it->renombradaAlli)
            r << QStringLiteral("%1: el otro equipo renombró %2 como %1; los cambios de este equipo en %2 quedan en %1.")
                     .arg(cat, mezcla::Categoria(it->renombradaDesde));
        else if (!it->renombradaDesde.isEmpty())
            r << QStringLiteral("%1: recibió los cambios que el otro equipo hizo en %2, su nombre anterior.")
                     .arg(cat, mezcla::Categoria(it->renombradaDesde));
    }
    return r;
}

// The scripts that merges made on other machines kept twice, as their messages say, in the versions
// that come with `suyo` and that we do not have yet.
bool CopiasRecibidas(git_repository *r, const git_oid &suyo, const git_oid &nuestro, QVector<mezcla::Copia> *copias) {
    Revwalk rw;
    if (Tomar(rw, git_revwalk_new, r) < 0 || git_revwalk_push(rw.get(), &suyo) < 0 ||
        git_revwalk_hide(rw.get(), &nuestro) < 0)
        return false;
    git_revwalk_sorting(rw.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_REVERSE);
    git_oid id;
    int e;
    while ((e = git_revwalk_next(&id, rw.get())) == 0) {
        Commit c;
        if (Tomar(c, git_commit_lookup, r, &id) < 0)
            return false;
        // A merge made by a machine, or the version a user's own repository sent: either may say.
        git_message_trailer_array marcas{};
        if (git_message_trailers(&marcas, git_commit_message(c.get())) < 0)
            continue; // a message that is not ours: nothing to read in it
        for (size_t i = 0; i < marcas.count; ++i)
            if (qstrcmp(marcas.trailers[i].key, mezcla::kMarcaCopia) == 0)
                if (const auto copia = mezcla::LeerMarca(QString::fromUtf8(marcas.trailers[i].value)))
                    copias->append(*copia);
        git_message_trailer_array_free(&marcas);
    }
    return e == GIT_ITEROVER;
}

QStringList AvisosRecibidos(const QVector<mezcla::Copia> &copias) {
    QStringList r;
    for (const mezcla::Copia &c : copias)
        r << QStringLiteral("%1: el script «%2» se cambió en los dos equipos; el otro equipo conservó las dos "
                            "versiones, como «%2» y «%3».")
                 .arg(mezcla::Categoria(c.archivo), c.script, c.copia);
    return r;
}

// Everything a line of versions ever held, read for a merge with a side it has no version in common
// with. Only checked category names are read.
bool LeerHistoria(git_repository *r, const git_oid &cabeza, mezcla::Historia *historia) {
    Revwalk rw;
    if (Tomar(rw, git_revwalk_new, r) < 0 || git_revwalk_push(rw.get(), &cabeza) < 0)
        return false;
    git_oid id;
    int e;
    while ((e = git_revwalk_next(&id, rw.get())) == 0) {
        Commit c;
        Tree t;
        if (Tomar(c, git_commit_lookup, r, &id) < 0 || Tomar(t, git_commit_tree, c.get()) < 0)
            return false;
        for (size_t i = 0; i < git_tree_entrycount(t.get()); ++i) {
            const git_tree_entry *entrada = git_tree_entry_byindex(t.get(), i);
            const QString archivo = DeRuta(git_tree_entry_name(entrada));
            if (git_tree_entry_type(entrada) != GIT_OBJECT_BLOB || !archivo.endsWith(QLatin1String(".rtn")) ||
                !NombreRechazado(entrada).isEmpty() || !historia->agregarArchivo(archivo, Id(git_tree_entry_id(entrada))))
                continue;
            Blob b;
            if (Tomar(b, git_blob_lookup, r, git_tree_entry_id(entrada)) < 0)
                return false;
            historia->agregarRegistros(Contenido(b.get()));
        }
    }
    return e == GIT_ITEROVER;
}

// The remote's branch as last seen, under refs/remotes/sincronizar/.
void Recordar(git_repository *r, const QByteArray &refRama, const git_oid &id) {
    Reference ref;
    const QByteArray nombre = "refs/remotes/sincronizar/" + refRama.mid(int(qstrlen("refs/heads/")));
    if (Tomar(ref, git_reference_create, r, nombre.constData(), &id, 1, "sincronizar") < 0)
        qCWarning(lcSincronizacion) << "cannot remember" << nombre << UltimoError();
}

// The branch both machines work on: the one the shared repository's HEAD names, when it has it;
// else its only branch; else "main", as a new shared repository gets.
QByteArray RamaCompartida(const git_remote_head **cabezas, size_t n) {
    QByteArrayList ramas;
    QByteArray apuntada;
    for (size_t i = 0; i < n; ++i) {
        const QByteArray nombre = cabezas[i]->name;
        if (nombre == "HEAD" && cabezas[i]->symref_target)
            apuntada = cabezas[i]->symref_target;
        else if (nombre.startsWith("refs/heads/"))
            ramas << nombre;
    }
    if (!apuntada.isEmpty() && ramas.contains(apuntada))
        return apuntada;
    if (ramas.contains("refs/heads/main") || ramas.isEmpty())
        return "refs/heads/main";
    if (ramas.size() == 1)
        return ramas.first();
    return "refs/heads/main";
}

// The local branch (or detached HEAD) moved to `id`.
bool MoverCabeza(git_repository *r, const git_oid &id) {
    Reference cabeza;
    if (Tomar(cabeza, git_reference_lookup, r, "HEAD") < 0)
        return false;
    if (git_reference_type(cabeza.get()) == GIT_REFERENCE_DIRECT)
        return git_repository_set_head_detached(r, &id) == 0;
    Reference rama;
    return Tomar(rama, git_reference_create, r, git_reference_symbolic_target(cabeza.get()), &id, 1,
                 "sincronizar") == 0;
}

// The git index follows the category files the sync changed, and nothing else: the user's staged
// files stay as they were.
void Indexar(git_repository *r, const Ids &cambios) {
    Index indice;
    if (Tomar(indice, git_repository_index, r) < 0) {
        qCWarning(lcSincronizacion) << "no index:" << UltimoError();
        return;
    }
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        const QByteArray nombre = Ruta(it.key());
        if (it.value()) {
            git_index_entry e{};
            e.mode = GIT_FILEMODE_BLOB;
            e.id = *it.value();
            e.path = nombre.constData();
            git_index_add(indice.get(), &e);
        } else {
            git_index_remove_bypath(indice.get(), nombre.constData());
        }
    }
    if (git_index_write(indice.get()) < 0)
        qCWarning(lcSincronizacion) << "cannot write the index:" << UltimoError();
}

// The first-parent line of versions up to `cabeza`, oldest first, as versions that hold the
// categories only (with their dates, under the program's name): what a user's own repository shares
// of its past. Versions that changed no category are left out. *ultima is the newest.
bool PasadoDeCategorias(git_repository *r, const git_oid &cabeza, git_oid *ultima) {
    Revwalk rw;
    if (Tomar(rw, git_revwalk_new, r) < 0 || git_revwalk_push(rw.get(), &cabeza) < 0)
        return false;
    git_revwalk_simplify_first_parent(rw.get());
    git_revwalk_sorting(rw.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_REVERSE);
    const Signature firma = Firma(r);
    git_oid id, arbolAnterior;
    bool hay = false;
    Commit anterior;
    int e;
    while ((e = git_revwalk_next(&id, rw.get())) == 0) {
        Commit c;
        Tree t;
        if (Tomar(c, git_commit_lookup, r, &id) < 0 || Tomar(t, git_commit_tree, c.get()) < 0)
            return false;
        TreeBuilder tb;
        if (Tomar(tb, git_treebuilder_new, r, nullptr) < 0)
            return false;
        for (size_t i = 0; i < git_tree_entrycount(t.get()); ++i) {
            const git_tree_entry *entrada = git_tree_entry_byindex(t.get(), i);
            const QString nombre = DeRuta(git_tree_entry_name(entrada));
            // An old version's odd names are simply not shared.
            if (nombre.endsWith(QLatin1String(".rtn"), Qt::CaseInsensitive) && NombreRechazado(entrada).isEmpty() &&
                git_treebuilder_insert(nullptr, tb.get(), git_tree_entry_name(entrada), git_tree_entry_id(entrada),
                                       GIT_FILEMODE_BLOB) < 0)
                return false;
        }
        git_oid arbol;
        if (git_treebuilder_write(&arbol, tb.get()) < 0)
            return false;
        if (hay && git_oid_equal(&arbol, &arbolAnterior))
            continue;
        Tree nuevo;
        Signature cuando;
        const git_signature *autor = git_commit_author(c.get());
        if (Tomar(nuevo, git_tree_lookup, r, &arbol) < 0 ||
            Tomar(cuando, git_signature_new, firma->name, firma->email, autor->when.time, autor->when.offset) < 0)
            return false;
        const git_commit *padres[] = {anterior.get()};
        git_oid hecho;
        if (git_commit_create(&hecho, r, nullptr, cuando.get(), cuando.get(), nullptr, "Categorías de una versión anterior",
                              nuevo.get(), hay ? 1 : 0, padres) < 0 ||
            Tomar(anterior, git_commit_lookup, r, &hecho) < 0)
            return false;
        *ultima = hecho;
        arbolAnterior = arbol;
        hay = true;
    }
    return e == GIT_ITEROVER && hay;
}

// A repository the program made for the library (not one the user had): its first version is the
// program's own.
bool EsPropio(git_repository *r) {
    Revwalk rw;
    if (Tomar(rw, git_revwalk_new, r) < 0 || git_revwalk_push_head(rw.get()) < 0)
        return true; // no version yet: whatever comes is the program's
    git_revwalk_simplify_first_parent(rw.get());
    git_oid id, raiz;
    bool alguno = false;
    while (git_revwalk_next(&id, rw.get()) == 0)
        raiz = id, alguno = true;
    Commit c;
    if (!alguno || Tomar(c, git_commit_lookup, r, &raiz) < 0)
        return false;
    return QString::fromUtf8(git_commit_message(c.get())).startsWith(QStringLiteral("Primera versión de la biblioteca"));
}

// What one sync holds from start to end. The guard bounds every connection of the sync and can cut
// them; it is declared before the remote, so that it outlives it.
struct Sesion {
    Sesion(Repositorio &repositorio, const QString &direccion, const Llamadas &llamadas)
        : repo(repositorio), r(repositorio.crudo()), url(direccion), guardia(llamadas.cancelado) {
        cx.ll = &llamadas;
        cx.url = direccion;
    }
    Sesion(const Sesion &) = delete;
    Sesion &operator=(const Sesion &) = delete;

    // Stops the sync with `texto`; the log gets libgit2's own words too.
    bool Fallar(const QString &texto) {
        qCWarning(lcSincronizacion) << texto << (git_error_last() ? UltimoError() : QString());
        inf.error = texto;
        return false;
    }

    Repositorio &repo;
    git_repository *r;
    const QString &url; // as the user gave it, for the messages
    Contexto cx;        // the callbacks' payload: never moves
    const red::Guardia guardia;
    Remote remoto;
    git_remote_callbacks cb{};
    Odb odb;
    Informe inf;
};

// One round of fetching, merging, writing and sending: what each step finds, for the next ones.
struct Ronda {
    QByteArray refRama; // the shared branch
    git_oid idSuyo{}, idNuestro{}, idBase{};
    bool haySuyo = false, hayNuestro = false, hayBase = false;
    Commit cNuestro, cSuyo, cBase;
    Tree tNuestro, tSuyo, tBase;
    mezcla::Arbol nuestras, suyas, comunes; // the checked categories of each side
    bool alDia = false;   // ours already holds theirs
    bool avanzar = false; // theirs holds ours: ours only moves forward
    bool propio = false;  // the program's own repository, see Relacionar
    QMap<QString, mezcla::ResultadoArchivo> mezclas;
    QVector<mezcla::Copia> recibidas; // kept twice by merges elsewhere, in what came
    QVector<Separada> separadas;
    mezcla::Arbol resultado;
    Ids idsLocales;       // what this machine's tree and folder need to become the result
    Cambios disco, desde; // the folder's files, and each as the merge started from
    // The version sent (envio) and the one this machine moves to (local).
    Signature firma;
    git_oid envio{}, local{};
    bool hayEnvio = false, moverLocal = false;
    QStringList recibidoTexto;
    QString texto, marcas;
    QVector<mezcla::Copia> copias;
    QStringList cambiadas; // changed by another program while the sync ran
    QStringList apartadas; // what was said of those moved aside for a file of another case
    Cambios previos;       // what the folder had before the write
};

// A missing folder is told as such before libgit2 sees it: it would read as an unknown address.
bool ComprobarDireccion(Sesion &s, const QString &dir) {
    QString carpetaRemota;
    switch (TipoDeDireccion(dir, &carpetaRemota)) {
    case Direccion::Desconocida:
        s.inf.error =
            QStringLiteral("La dirección %1 no es de un tipo conocido (una carpeta, ssh:// o https://).").arg(dir);
        return false;
    case Direccion::Carpeta:
        if (!QFileInfo(carpetaRemota).isDir()) {
            s.inf.error = QStringLiteral("No se encuentra la carpeta compartida %1: no existe, o el disco o la carpeta "
                                         "de red no está conectado. No se ha cambiado nada.")
                              .arg(dir);
            return false;
        }
        break;
    case Direccion::Red:
        if (const QString falta = MalEscrita(dir); !falta.isEmpty()) {
            s.inf.error = QStringLiteral("La dirección del repositorio remoto está mal escrita: %1 (%2). "
                                         "No se ha cambiado nada.")
                              .arg(dir, falta);
            return false;
        }
        break;
    }
    return true;
}

// Before any round: a known address, this machine's changes recorded, the remote and the object
// database open.
bool Preparar(Sesion &s) {
    if (!s.r) {
        s.inf.error = QStringLiteral("La carpeta Categorias no tiene historial.");
        return false;
    }
    const QString dir = s.url.trimmed();
    if (!ComprobarDireccion(s, dir))
        return false;
    // This machine's changes first, as a version of their own, so that the merge sees them.
    const QStringList pendientes = s.repo.Pendientes();
    if (!pendientes.isEmpty()) {
        QString mensaje, error;
        if (!s.repo.Confirmar(pendientes, &mensaje, &error)) {
            s.inf.error = QStringLiteral("No se pudo guardar una versión de los cambios de este equipo: %1").arg(error);
            return false;
        }
    }
    const QByteArray direccion = dir.toUtf8();
    if (direccion.isEmpty() || Tomar(s.remoto, git_remote_create_anonymous, s.r, direccion.constData()) < 0) {
        qCWarning(lcSincronizacion) << "bad address" << dir << UltimoError();
        s.inf.error = QStringLiteral("La dirección del repositorio remoto no es válida: %1").arg(s.url);
        return false;
    }
    s.cb = Llamadas_(s.cx);
    if (Tomar(s.odb, git_repository_odb, s.r) < 0) {
        qCWarning(lcSincronizacion) << "no object database:" << UltimoError();
        s.inf.error = QStringLiteral("No se puede leer el historial de este equipo: el repositorio está dañado.");
        return false;
    }
    return true;
}

// Connects, and finds the shared branch and where the remote has it. The remote still where our
// last push was refused means it does not take changes: another round would only be refused again.
bool Conectar(Sesion &s, Ronda &ro, const std::optional<QByteArray> &rechazadoSobre) {
    Avisar(&s.cx, QStringLiteral("Sincronizar: conectando con %1").arg(s.url));
    s.cx.NuevaConexion();
    const int e = git_remote_connect(s.remoto.get(), GIT_DIRECTION_FETCH, &s.cb, nullptr, nullptr);
    if (e < 0) {
        s.inf.error = QStringLiteral("No se pudo conectar con el repositorio remoto %1: %2. No se ha cambiado nada.")
                          .arg(s.url, MotivoRed(s.guardia, &s.cx, e, Fase::Conectar));
        return false;
    }
    ClaveAceptada(s.cx);
    const git_remote_head **cabezas = nullptr;
    size_t n = 0;
    if (git_remote_ls(&cabezas, &n, s.remoto.get()) < 0)
        n = 0;
    ro.refRama = RamaCompartida(cabezas, n);
    for (size_t i = 0; i < n; ++i)
        if (ro.refRama == cabezas[i]->name) {
            ro.idSuyo = cabezas[i]->oid;
            ro.haySuyo = true;
        }
    if (rechazadoSobre && *rechazadoSobre == (ro.haySuyo ? Id(&ro.idSuyo) : QByteArray())) {
        git_remote_disconnect(s.remoto.get());
        s.inf.error = QStringLiteral("Las categorías se combinaron en este equipo, pero el repositorio remoto %1 no "
                                     "acepta cambios: no se puede escribir en él, o su configuración lo impide.")
                          .arg(s.url);
        return false;
    }
    return true;
}

// What the remote's branch holds and this machine does not, fetched; the connection is closed after.
bool Descargar(Sesion &s, Ronda &ro) {
    if (ro.haySuyo && !git_odb_exists(s.odb.get(), &ro.idSuyo)) {
        git_fetch_options fo;
        git_fetch_options_init(&fo, GIT_FETCH_OPTIONS_VERSION);
        fo.callbacks = s.cb;
        fo.download_tags = GIT_REMOTE_DOWNLOAD_TAGS_NONE;
        QByteArray rama = ro.refRama;
        char *ramas[] = {rama.data()};
        const git_strarray mapa = {ramas, 1};
        const int e = git_remote_download(s.remoto.get(), &mapa, &fo);
        if (e < 0) {
            const QString motivo = MotivoRed(s.guardia, &s.cx, e, Fase::Recibir);
            git_remote_disconnect(s.remoto.get());
            s.inf.error = QStringLiteral("No se pudo recibir lo que tiene el repositorio remoto %1: %2. No se ha "
                                         "cambiado nada.")
                              .arg(s.url, motivo);
            return false;
        }
    }
    git_remote_disconnect(s.remoto.get());
    // What the remote holds is remembered as a reference of ours: the next fetch then offers
    // it as common ground, and only what is new travels.
    if (ro.haySuyo)
        Recordar(s.r, ro.refRama, ro.idSuyo);
    return true;
}

// Our last version, theirs and the one they have in common, with their trees. Nothing on either
// side is a sync that is over, and done.
bool LeerVersiones(Sesion &s, Ronda &ro) {
    git_repository *r = s.r;
    Avisar(&s.cx, QStringLiteral("Sincronizar: combinando categorías"));
    ro.hayNuestro = git_reference_name_to_id(&ro.idNuestro, r, "HEAD") == 0;
    if (ro.hayNuestro && (Tomar(ro.cNuestro, git_commit_lookup, r, &ro.idNuestro) < 0 ||
                          Tomar(ro.tNuestro, git_commit_tree, ro.cNuestro.get()) < 0))
        return s.Fallar(QStringLiteral("No se puede leer la última versión de este equipo: el historial está dañado. "
                                       "No se ha cambiado nada."));
    if (ro.haySuyo &&
        (Tomar(ro.cSuyo, git_commit_lookup, r, &ro.idSuyo) < 0 || Tomar(ro.tSuyo, git_commit_tree, ro.cSuyo.get()) < 0))
        return s.Fallar(QStringLiteral("Lo recibido del repositorio remoto %1 está dañado o incompleto. No se ha "
                                       "cambiado nada.")
                            .arg(s.url));
    if (!ro.haySuyo && !ro.hayNuestro) {
        s.inf.ok = true;
        return false;
    }
    ro.hayBase = ro.hayNuestro && ro.haySuyo && git_merge_base(&ro.idBase, r, &ro.idNuestro, &ro.idSuyo) == 0;
    if (ro.hayBase &&
        (Tomar(ro.cBase, git_commit_lookup, r, &ro.idBase) < 0 || Tomar(ro.tBase, git_commit_tree, ro.cBase.get()) < 0))
        return s.Fallar(QStringLiteral("No se puede leer la versión común con el repositorio remoto: el historial "
                                       "está dañado. No se ha cambiado nada."));
    return true;
}

// Every name is checked before anything is written: ours, theirs and the common one. Other files
// on either side tell a repository the user had (see Relacionar).
bool LeerCategorias(Sesion &s, Ronda &ro, int *otrosNuestros, int *otrosSuyos) {
    QString rechazo;
    const auto nuestras = Categorias(ro.tNuestro.get(), &rechazo, otrosNuestros);
    if (!nuestras)
        return s.Fallar(QStringLiteral("La última versión de este equipo tiene un nombre que no se acepta: %1. "
                                       "No se ha cambiado nada.")
                            .arg(rechazo));
    const auto suyas = Categorias(ro.tSuyo.get(), &rechazo, otrosSuyos);
    const auto comunes = suyas ? Categorias(ro.tBase.get(), &rechazo) : std::nullopt;
    if (!suyas || !comunes)
        return s.Fallar(QStringLiteral("El repositorio remoto %1 tiene un nombre que no se acepta: %2. No se ha "
                                       "aplicado nada de esa versión.")
                            .arg(s.url, rechazo));
    ro.nuestras = *nuestras;
    ro.suyas = *suyas;
    ro.comunes = *comunes;
    return true;
}

// How the two lines of versions stand to each other, and whose repository this is.
void Relacionar(Sesion &s, Ronda &ro, int otrosNuestros, int otrosSuyos) {
    git_repository *r = s.r;
    ro.alDia = ro.haySuyo && ro.hayNuestro &&
               (git_oid_equal(&ro.idNuestro, &ro.idSuyo) || git_graph_descendant_of(r, &ro.idNuestro, &ro.idSuyo) == 1);
    ro.avanzar = ro.haySuyo && (!ro.hayNuestro || git_graph_descendant_of(r, &ro.idSuyo, &ro.idNuestro) == 1);
    // The program's own repository holds categories only and its whole history can travel; in a
    // repository the user had, only the categories go, in versions of their own.
    Reference cabeza;
    const bool enRama = Tomar(cabeza, git_reference_lookup, r, "HEAD") == 0 &&
                        git_reference_type(cabeza.get()) == GIT_REFERENCE_SYMBOLIC;
    ro.propio = enRama && otrosNuestros == 0 && otrosSuyos == 0 && EsPropio(r);
}

// The categories merged file by file, script by script, where theirs has what ours has not; the
// merged bytes go to *cambios.
bool Combinar(Sesion &s, Ronda &ro, Cambios *cambios) {
    if (!ro.haySuyo || ro.alDia)
        return true;
    git_repository *r = s.r;
    // What other machines' merges kept twice concerns us only where our lines of versions meet.
    if ((ro.avanzar || ro.hayBase) && ro.hayNuestro && !CopiasRecibidas(r, ro.idSuyo, ro.idNuestro, &ro.recibidas))
        return s.Fallar(QStringLiteral("Lo recibido del repositorio remoto %1 está dañado o incompleto. No se ha "
                                       "cambiado nada.")
                            .arg(s.url));
    // With no version in common, what each side ever held tells which side changed a script.
    mezcla::Historia historiaNuestra, historiaSuya;
    const bool sinBase = ro.hayNuestro && !ro.hayBase && !ro.avanzar;

    if (sinBase && (!LeerHistoria(r, ro.idNuestro, &historiaNuestra) || !LeerHistoria(r, ro.idSuyo, &historiaSuya)))
        return s.Fallar(QStringLiteral("No se pudo leer el historial para combinar: el repositorio está dañado o "
                                       "incompleto. No se ha cambiado nada."));
    bool ilegible = false;
    QString noLeida;
    const git_tree *arboles[] = {ro.tBase.get(), ro.tNuestro.get(), ro.tSuyo.get()};
    ro.mezclas = mezcla::MezclarArboles(
        ro.comunes, ro.nuestras, ro.suyas,
        [&](mezcla::Lado lado, const QString &archivo) {
            const auto datos = Leer(r, arboles[int(lado)], archivo);
            if (!datos && !ilegible)
                ilegible = true, noLeida = archivo;
            return datos.value_or(QByteArray());
        },
        sinBase ? &historiaNuestra : nullptr, sinBase ? &historiaSuya : nullptr);
    if (ilegible)
        return s.Fallar(NoSeLee(noLeida));
    for (auto it = ro.mezclas.cbegin(); it != ro.mezclas.cend(); ++it)
        cambios->insert(it.key(), it->datos);
    return true;
}

QString NoSeGuardo() {
    return QStringLiteral("No se pudo guardar la versión combinada en el historial. No se ha cambiado nada.");
}

// The merge as this machine's categories will be, with names that differ only in case set apart,
// and what the folder needs for it.
bool Resultado(Sesion &s, Ronda &ro, const Cambios &cambios) {
    git_repository *r = s.r;
    Ids ids;
    if (!Blobs(r, cambios, &ids))
        return s.Fallar(NoSeGuardo());
    ro.resultado = Separar(Aplicar(ro.nuestras, ids), ro.comunes, ro.nuestras, ro.suyas,
                           archivos::Listar(s.repo.carpeta(), QStringLiteral(".rtn")), &ro.separadas);
    for (const Separada &sep : std::as_const(ro.separadas))
        if (ro.mezclas.contains(sep.otra))
            ro.mezclas.insert(sep.nueva, ro.mezclas.take(sep.otra));
    ro.idsLocales = Diferencia(ro.nuestras, ro.resultado);
    // Each file also as it was in the version the merge started from: one another program changed
    // since is merged again at the write step, never replaced.
    for (auto it = ro.idsLocales.cbegin(); it != ro.idsLocales.cend(); ++it) {
        std::optional<QByteArray> datos, nuestro;
        if (it.value() && !(datos = LeerBlob(r, *it.value())))
            return s.Fallar(NoSeLee(it.key()));
        if (ro.nuestras.contains(it.key()) && !(nuestro = LeerBlob(r, OidDe(ro.nuestras.value(it.key())))))
            return s.Fallar(NoSeLee(it.key()));
        ro.disco.insert(it.key(), datos);
        ro.desde.insert(it.key(), nuestro);
    }
    return true;
}

// A version of `base` with the changes, on the given parents (null ones left out).
bool VersionCon(git_repository *r, const git_signature *firma, const git_tree *base, const Ids &cambiosArbol,
                QVector<const git_commit *> padres, const QString &texto, git_oid *id) {
    git_oid idArbol;
    Tree t;
    if (!ArbolCon(r, base, cambiosArbol, &idArbol) || Tomar(t, git_tree_lookup, r, &idArbol) < 0)
        return false;
    padres.removeAll(nullptr);
    return git_commit_create(id, r, nullptr, firma, firma, nullptr, texto.toUtf8().constData(), t.get(),
                             size_t(padres.size()), padres.data()) == 0;
}

// In the program's own repository the versions travel as they are. A name given apart makes a
// version of its own, also where the branch would only move.
bool VersionesPropias(Sesion &s, Ronda &ro) {
    git_repository *r = s.r;
    const git_signature *firma = ro.firma.get();
    const Ids sobreSuyo = ro.haySuyo ? Diferencia(ro.suyas, ro.resultado) : Ids();
    if ((ro.alDia || !ro.haySuyo) && ro.idsLocales.isEmpty()) {
        ro.envio = ro.idNuestro, ro.hayEnvio = ro.hayNuestro;
    } else if (ro.alDia || !ro.haySuyo) {
        if (!VersionCon(r, firma, ro.tNuestro.get(), ro.idsLocales, {ro.cNuestro.get()}, ro.texto, &ro.local))
            return s.Fallar(NoSeGuardo());
        ro.envio = ro.local, ro.hayEnvio = true, ro.moverLocal = true;
    } else if (ro.avanzar && sobreSuyo.isEmpty()) {
        ro.local = ro.idSuyo, ro.moverLocal = true;
    } else if (ro.avanzar) {
        if (!VersionCon(r, firma, ro.tSuyo.get(), sobreSuyo, {ro.cSuyo.get()}, ro.texto, &ro.local))
            return s.Fallar(NoSeGuardo());
        ro.envio = ro.local, ro.moverLocal = true;
    } else {
        if (!VersionCon(r, firma, ro.tNuestro.get(), ro.idsLocales, {ro.cNuestro.get(), ro.cSuyo.get()}, ro.texto,
                        &ro.local))
            return s.Fallar(NoSeGuardo());
        ro.envio = ro.local, ro.moverLocal = true;
    }
    return true;
}

// In a repository the user had, only the categories travel, on top of what the remote has; the
// user's other files and versions stay on this machine. A shared repository that is still empty
// gets the categories' past too (never the user's other files or messages): the machine that meets
// them later needs it to tell an old version of a script from a changed one.
bool VersionesCompartidas(Sesion &s, Ronda &ro) {
    git_repository *r = s.r;
    const git_signature *firma = ro.firma.get();
    Commit cPasado;
    if (!ro.haySuyo && ro.hayNuestro) {
        git_oid pasado;
        if (!PasadoDeCategorias(r, ro.idNuestro, &pasado) || Tomar(cPasado, git_commit_lookup, r, &pasado) < 0)
            return s.Fallar(QStringLiteral("No se pudo preparar la versión para enviar: el historial de este "
                                           "equipo no se puede leer. No se ha cambiado nada."));
    }
    const git_commit *sobre = ro.haySuyo ? ro.cSuyo.get() : cPasado.get();
    Tree tSobre;
    if (sobre && Tomar(tSobre, git_commit_tree, sobre) < 0)
        return s.Fallar(QStringLiteral("No se pudo preparar la versión para enviar. No se ha cambiado nada."));
    QString rechazo;
    int otros = 0;
    const auto enSobre = Categorias(tSobre.get(), &rechazo, &otros);
    const Ids paraEnviar = Diferencia(enSobre.value_or(mezcla::Arbol()), ro.resultado);
    if (!paraEnviar.isEmpty() || !sobre) {
        if (!VersionCon(r, firma, tSobre.get(), paraEnviar, {sobre},
                        QStringLiteral("Categorías enviadas desde otro equipo") + ro.marcas, &ro.envio))
            return s.Fallar(QStringLiteral("No se pudo preparar la versión para enviar. No se ha cambiado nada."));
        ro.hayEnvio = true;
    } else if (!ro.haySuyo) {
        ro.envio = *git_commit_id(sobre);
        ro.hayEnvio = true;
    }
    // This machine's line then takes in what is sent, unless it holds it already.
    const bool yaIncluido = ro.hayNuestro && (git_oid_equal(&ro.idNuestro, &ro.envio) ||
                                              git_graph_descendant_of(r, &ro.idNuestro, &ro.envio) == 1);
    const bool unir = ro.hayEnvio && !yaIncluido;
    if (unir || !ro.idsLocales.isEmpty()) {
        Commit cEnvio;
        if ((unir && Tomar(cEnvio, git_commit_lookup, r, &ro.envio) < 0) ||
            !VersionCon(r, firma, ro.tNuestro.get(), ro.idsLocales, {ro.cNuestro.get(), cEnvio.get()}, ro.texto,
                        &ro.local))
            return s.Fallar(NoSeGuardo());
        ro.moverLocal = true;
    }
    return true;
}

// The version sent and the one this machine moves to. Both are made before any file changes, and
// the branch is moved only once they have.
bool PrepararVersiones(Sesion &s, Ronda &ro) {
    ro.local = ro.idNuestro;
    ro.hayEnvio = ro.haySuyo;
    if (ro.haySuyo)
        ro.envio = ro.idSuyo;
    ro.firma = Firma(s.r);
    ro.recibidoTexto = [&] {
        QVector<mezcla::CambioArchivo> v;
        for (auto it = ro.disco.cbegin(); it != ro.disco.cend(); ++it)
            v.append({it.key(), ro.desde.value(it.key()), it.value()});
        return mezcla::Resumen(v);
    }();
    ro.texto = QStringLiteral("Sincronización con %1: %2")
                   .arg(s.url, ro.recibidoTexto.isEmpty() ? QStringLiteral("sin cambios recibidos")
                                                          : ro.recibidoTexto.join(QStringLiteral("; ")));
    // The scripts kept twice are written into the version, so the other machine can tell its user.
    ro.copias = mezcla::Copias(ro.mezclas);
    ro.marcas = ro.copias.isEmpty() ? QString() : QStringLiteral("\n\n") + mezcla::Marcas(ro.copias);
    ro.texto += ro.marcas;
    return ro.propio ? VersionesPropias(s, ro) : VersionesCompartidas(s, ro);
}

// The folder gets the result (under its lock, in Escribir), then the branch moves. A branch that
// cannot move puts the files back exactly as they stood.
bool EscribirCarpeta(Sesion &s, Ronda &ro) {
    QString error;
    if (!Escribir(s.repo.carpeta(), ro.disco, &error, &ro.desde, &ro.cambiadas, &ro.previos, &ro.apartadas)) {
        s.inf.error = error;
        return false;
    }
    if (ro.moverLocal && !MoverCabeza(s.r, ro.local)) {
        const QString motivo = UltimoError();
        qCWarning(lcSincronizacion) << "cannot move HEAD:" << motivo;
        QString errorDeshacer;
        if (!Escribir(s.repo.carpeta(), ro.previos, &errorDeshacer))
            s.inf.error = QStringLiteral("No se pudo guardar la versión combinada, y las categorías de este equipo "
                                         "no se pudieron dejar como estaban: %1")
                              .arg(QStringList(ro.previos.keys())
                                       .replaceInStrings(QStringLiteral(".rtn"), QString())
                                       .join(QStringLiteral(", ")));
        else
            s.inf.error = QStringLiteral("No se pudo guardar la versión combinada. No se ha cambiado nada en este "
                                         "equipo.");
        return false;
    }
    Indexar(s.r, ro.idsLocales);
    return true;
}

// What this round did here, for the summary.
void Informar(Sesion &s, const Ronda &ro) {
    Informe &inf = s.inf;
    inf.recibido += ro.recibidoTexto;
    inf.avisos += AvisosRecibidos(ro.recibidas) + Avisos(ro.mezclas) + AvisosDeNombres(ro.separadas) + ro.apartadas;
    for (const QString &cat : std::as_const(ro.cambiadas))
        inf.avisos << QStringLiteral("%1: otro programa la cambió mientras se sincronizaba; lo recibido se combinó "
                                     "con esos cambios, que quedan pendientes para la próxima versión.")
                          .arg(cat);
    inf.copiasRecibidas += ro.recibidas;
    inf.copias += ro.copias;
    for (auto it = ro.previos.cbegin(); it != ro.previos.cend(); ++it)
        if (!inf.escritos.contains(it.key()))
            inf.escritos << it.key();
}

// A push that did not go through. The remote moved on meanwhile (or refused this update): true,
// another round merges what it has; false when that cannot help, or after the third round.
bool NoEnviado(Sesion &s, const Ronda &ro, int e, int vuelta, std::optional<QByteArray> *rechazadoSobre) {
    const bool otraVuelta = e == GIT_ENONFASTFORWARD || (e == 0 && EsNoAvance(s.cx.rechazo, s.cx.servidor));
    if (!s.cx.rechazo.isEmpty())
        qCWarning(lcSincronizacion) << "push refused:" << s.cx.rechazo << s.cx.servidor;
    *rechazadoSobre = ro.haySuyo ? Id(&ro.idSuyo) : QByteArray();
    // Refused for a reason another round cannot change (a hook, a lock, a permission): said at once.
    if (e == 0 && !s.cx.rechazo.isEmpty() && !otraVuelta) {
        s.inf.error = QStringLiteral("Las categorías se combinaron en este equipo, pero no se pudieron enviar al "
                                     "repositorio remoto %1: %2.")
                          .arg(s.url, CausaDelRechazo(s.cx.rechazo, s.cx.servidor));
        return false;
    }
    if (!otraVuelta || (e < 0 && (s.guardia.agotado() || s.guardia.cancelado()))) {
        s.inf.error = QStringLiteral("Las categorías se combinaron en este equipo, pero no se pudieron enviar al "
                                     "repositorio remoto %1: %2.")
                          .arg(s.url, MotivoRed(s.guardia, &s.cx, e, Fase::Enviar));
        return false;
    }
    if (vuelta == 2) {
        s.inf.error = QStringLiteral("El repositorio remoto %1 rechazó los cambios de este equipo tres veces "
                                     "seguidas (%2). Las categorías se combinaron en este equipo; vuelva a "
                                     "sincronizar más tarde.")
                          .arg(s.url, s.cx.rechazo.isEmpty() ? QStringLiteral("otro equipo envió antes cada vez")
                                                             : CausaDelRechazo(s.cx.rechazo, s.cx.servidor));
        return false;
    }
    return true;
}

// Sends the version made for the remote, when there is one it lacks. False when the sync is over;
// true when the remote moved on meanwhile and another round is due.
bool Enviar(Sesion &s, Ronda &ro, int vuelta, std::optional<QByteArray> *rechazadoSobre) {
    git_repository *r = s.r;
    if (!ro.hayEnvio || (ro.haySuyo && git_oid_equal(&ro.envio, &ro.idSuyo))) {
        s.inf.ok = true;
        return false;
    }
    // Exactly the version made above is sent, through a reference of its own: never whatever a
    // branch of the user's points to.
    const QByteArray refEnvio = "refs/rutinero/envio";
    Reference rEnvio;
    if (Tomar(rEnvio, git_reference_create, r, refEnvio.constData(), &ro.envio, 1, "sincronizar") < 0)
        return s.Fallar(QStringLiteral("No se pudo preparar la versión para enviar."));
    Commit cEnvio;
    Tree tEnvio;
    if (Tomar(cEnvio, git_commit_lookup, r, &ro.envio) < 0 || Tomar(tEnvio, git_commit_tree, cEnvio.get()) < 0)
        return s.Fallar(QStringLiteral("No se pudo preparar la versión para enviar."));
    git_push_options po;
    git_push_options_init(&po, GIT_PUSH_OPTIONS_VERSION);
    po.callbacks = s.cb;
    po.pb_parallelism = 0; // as many threads as the machine has
    QByteArray rama = refEnvio + ':' + ro.refRama;
    char *ramas[] = {rama.data()};
    const git_strarray mapa = {ramas, 1};
    s.cx.rechazo.clear();
    s.cx.servidor.clear();
    s.cx.NuevaConexion();
    Avisar(&s.cx, QStringLiteral("Sincronizar: enviando"));
    const int e = git_remote_push(s.remoto.get(), &mapa, &po);
    git_reference_remove(r, refEnvio.constData());
    if (e == 0)
        ClaveAceptada(s.cx);
    if (e == 0 && s.cx.rechazo.isEmpty()) {
        Recordar(r, ro.refRama, ro.envio);
        QString rechazo;
        const auto enviadas = Categorias(tEnvio.get(), &rechazo);
        s.inf.enviado += Resumen(r, ro.tSuyo.get(), tEnvio.get(), Diferencia(ro.suyas, enviadas.value_or(ro.suyas)));
        s.inf.ok = true;
        return false;
    }
    return NoEnviado(s, ro, e, vuelta, rechazadoSobre);
}

// One round; true when another is due (see Enviar). The merged bytes live only for the round.
bool UnaVuelta(Sesion &s, int vuelta, std::optional<QByteArray> *rechazadoSobre) {
    Ronda ro;
    int otrosNuestros = 0, otrosSuyos = 0;
    if (!Conectar(s, ro, *rechazadoSobre) || !Descargar(s, ro) || !LeerVersiones(s, ro) ||
        !LeerCategorias(s, ro, &otrosNuestros, &otrosSuyos))
        return false;
    Relacionar(s, ro, otrosNuestros, otrosSuyos);
    Cambios cambios;
    if (!Combinar(s, ro, &cambios) || !Resultado(s, ro, cambios) || !PrepararVersiones(s, ro) ||
        !EscribirCarpeta(s, ro))
        return false;
    Informar(s, ro);
    return Enviar(s, ro, vuelta, rechazadoSobre);
}

} // namespace

namespace prueba {
void AntesDeEscribir(std::function<void(const QString &carpeta)> f) { git::AntesDeEscribir() = std::move(f); }
} // namespace prueba

Informe Sincronizar(Repositorio &repo, const QString &url, const Llamadas &llamadas) {
    // Every connection of this sync is bounded and can be cut.
    red::Instalar();
    Autoridades();
    Sesion s(repo, url, llamadas);
    if (!Preparar(s))
        return s.inf;
    // Another machine may send between our fetch and our push: then the push is refused, and the
    // whole round is made again on top of what it sent. A refusal with the remote where it was is
    // not that: the remote does not take changes.
    std::optional<QByteArray> rechazadoSobre;
    for (int vuelta = 0; vuelta < 3; ++vuelta)
        if (!UnaVuelta(s, vuelta, &rechazadoSobre))
            break;
    return s.inf;
}

QString TextoInforme(const git::Informe &informe, const QString &url) {
    if (!informe.ok)
        return QStringLiteral("No se pudo sincronizar.\n\n%1").arg(informe.error);
    constexpr int kLineas = 12;
    QStringList partes;
    auto seccion = [&](const QString &titulo, const QStringList &lineas) {
        if (lineas.isEmpty())
            return;
        QStringList l = lineas.mid(0, kLineas);
        if (lineas.size() > kLineas)
            l << QStringLiteral("… y %1 más").arg(lineas.size() - kLineas);
        partes << titulo + QStringLiteral("\n• ") + l.join(QStringLiteral("\n• "));
    };
    seccion(QStringLiteral("Recibido:"), informe.recibido);
    seccion(QStringLiteral("Enviado:"), informe.enviado);
    seccion(QStringLiteral("Atención:"), informe.avisos);
    if (partes.isEmpty())
        return QStringLiteral("Las categorías ya estaban al día con %1.").arg(url);
    return QStringLiteral("Sincronización terminada con %1.\n\n%2").arg(url, partes.join(QStringLiteral("\n\n")));
}

} // namespace git
