#include "store/Sincronizacion.h"
#include "core/Archivos.h"
#include "core/Registro.h"
#include "store/Git.h"
#include "store/Mezcla.h"
#include "store/Red.h"
#include "store/Repositorio.h"

#include <QFileInfo>
#include <QMap>

namespace git {
namespace {

struct Contexto {
    const Llamadas *ll = nullptr;
    int agente = 0;
    int claves = 0;
    QString rechazo; // the remote refused our update, and said why
    int ultimoPorcentaje = -1;
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
    if ((tipos & GIT_CREDENTIAL_USERPASS_PLAINTEXT) && cx->ll->clave && cx->claves++ < 3) {
        QString u = usuarioUrl ? QString::fromUtf8(usuarioUrl) : QString(), c;
        if (!cx->ll->clave(QString::fromUtf8(url), &u, &c)) {
            git_error_set_str(GIT_ERROR_NET, "no se dio la clave");
            return GIT_EUSER;
        }
        QByteArray claveUtf8 = c.toUtf8();
        const int r = git_credential_userpass_plaintext_new(out, u.toUtf8().constData(), claveUtf8.constData());
        claveUtf8.fill('\0');
        c.fill(QChar(0));
        return r;
    }
    if (tipos & GIT_CREDENTIAL_USERNAME)
        return git_credential_username_new(out, usuario.constData());
    return GIT_PASSTHROUGH;
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

int Respuesta(const char *, const char *estado, void *datos) {
    if (estado)
        static_cast<Contexto *>(datos)->rechazo = QString::fromUtf8(estado);
    return 0;
}

git_remote_callbacks Llamadas_(Contexto &cx) {
    git_remote_callbacks cb;
    git_remote_init_callbacks(&cb, GIT_REMOTE_CALLBACKS_VERSION);
    cb.credentials = Credencial;
    cb.transfer_progress = Recibiendo;
    cb.push_transfer_progress = Enviando;
    cb.push_update_reference = Respuesta;
    cb.payload = &cx;
    return cb;
}

// Why talking to the remote failed, in Spanish, with git's own words after it.
QString Motivo(int codigo) {
    const git_error *e = git_error_last();
    const QString tecnico = e && e->message ? QString::fromUtf8(e->message).trimmed() : QString();
    const int clase = e ? e->klass : 0;
    auto dice = [&](const char *texto) { return tecnico.contains(QLatin1String(texto), Qt::CaseInsensitive); };
    QString motivo;
    if (codigo == GIT_EUSER)
        motivo = QStringLiteral("se canceló");
    else if (codigo == GIT_EAUTH || dice("authentication") || dice("credentials"))
        motivo = QStringLiteral("el servidor no aceptó el usuario o la clave");
    else if (codigo == GIT_ECERTIFICATE || dice("certificate"))
        motivo = QStringLiteral("el certificado del servidor no es válido");
    else if (dice("unsupported URL protocol"))
        motivo = QStringLiteral("la dirección no es de un tipo conocido (una carpeta, ssh:// o https://)");
    else if (codigo == GIT_ENOTFOUND || dice("resolve path") || dice("could not find repository") ||
             dice("not found") || dice("does not appear to be a git repository"))
        motivo = QStringLiteral("no hay un repositorio en esa dirección");
    else if (clase == GIT_ERROR_NET || clase == GIT_ERROR_SSH || clase == GIT_ERROR_HTTP || clase == GIT_ERROR_SSL ||
             clase == GIT_ERROR_OS)
        motivo = QStringLiteral("no hay conexión con el servidor");
    else
        motivo = QStringLiteral("el repositorio remoto no respondió como se esperaba");
    return tecnico.isEmpty() ? motivo : QStringLiteral("%1 (%2)").arg(motivo, tecnico);
}

// Why a network step failed: the time limit and the cancel are ours, and said as such.
QString MotivoRed(const red::Guardia &guardia, const Contexto *cx, int codigo) {
    if (guardia.agotado()) {
        const int segundos = qMax(1, (red::LimiteMs() + 999) / 1000);
        return segundos == 1 ? QStringLiteral("el servidor no respondió a tiempo (se esperó 1 segundo)")
                             : QStringLiteral("el servidor no respondió a tiempo (se esperaron %1 segundos)").arg(segundos);
    }
    if (guardia.cancelado() || Cancelado(cx))
        return QStringLiteral("se canceló");
    return Motivo(codigo);
}

mezcla::Arbol Entradas(const git_tree *t) {
    mezcla::Arbol a;
    if (!t)
        return a;
    for (size_t i = 0; i < git_tree_entrycount(t); ++i) {
        const git_tree_entry *e = git_tree_entry_byindex(t, i);
        if (git_tree_entry_type(e) == GIT_OBJECT_BLOB)
            a.insert(DeRuta(git_tree_entry_name(e)), Id(git_tree_entry_id(e)));
    }
    return a;
}

QByteArray Leer(git_repository *r, const git_tree *t, const QString &archivo) {
    const git_tree_entry *e = t ? git_tree_entry_byname(t, Ruta(archivo).constData()) : nullptr;
    Blob b;
    if (!e || Tomar(b, git_blob_lookup, r, git_tree_entry_id(e)) < 0)
        return {};
    return Contenido(b.get());
}

using Cambios = QMap<QString, std::optional<QByteArray>>; // file -> new bytes, or none: removed

// Every file that differs between two trees, as the second has it.
Cambios Diferencias(git_repository *r, const git_tree *de, const git_tree *a) {
    Cambios c;
    const mezcla::Arbol x = Entradas(de), y = Entradas(a);
    for (auto it = y.cbegin(); it != y.cend(); ++it)
        if (x.value(it.key()) != it.value())
            c.insert(it.key(), Leer(r, a, it.key()));
    for (auto it = x.cbegin(); it != x.cend(); ++it)
        if (!y.contains(it.key()))
            c.insert(it.key(), std::nullopt);
    return c;
}

QStringList Resumen(git_repository *r, const git_tree *antes, const Cambios &cambios) {
    QVector<mezcla::CambioArchivo> v;
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        if (!it.key().endsWith(QLatin1String(".rtn")))
            continue;
        mezcla::CambioArchivo c{it.key(), std::nullopt, it.value()};
        if (antes && git_tree_entry_byname(antes, Ruta(it.key()).constData()))
            c.antes = Leer(r, antes, it.key());
        v.append(std::move(c));
    }
    return mezcla::Resumen(v);
}

// The tree `base` with the changes, written; its id in *id.
bool ArbolCon(git_repository *r, const git_tree *base, const Cambios &cambios, git_oid *id) {
    TreeBuilder tb;
    if (Tomar(tb, git_treebuilder_new, r, base) < 0)
        return false;
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        const QByteArray nombre = Ruta(it.key());
        if (it.value()) {
            git_oid blob;
            if (git_blob_create_from_buffer(&blob, r, it.value()->constData(), size_t(it.value()->size())) < 0 ||
                git_treebuilder_insert(nullptr, tb.get(), nombre.constData(), &blob, GIT_FILEMODE_BLOB) < 0)
                return false;
        } else if (git_treebuilder_get(tb.get(), nombre.constData()) &&
                   git_treebuilder_remove(tb.get(), nombre.constData()) < 0) {
            return false;
        }
    }
    return git_treebuilder_write(id, tb.get()) == 0;
}

// The files of the working tree changed as given, all or none: a file that cannot be written puts
// back the ones already written.
bool Escribir(const QString &carpeta, const Cambios &cambios, const std::function<QByteArray(const QString &)> &antes,
              const std::function<bool(const QString &)> &existia, QString *error) {
    QStringList hechos;
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it) {
        const QString ruta = carpeta + QLatin1Char('/') + it.key();
        QString e;
        bool ok;
        if (it.value())
            ok = archivos::Guardar(ruta, *it.value(), &e, carpeta);
        else
            ok = !archivos::Existe(ruta) || archivos::Eliminar(ruta, &e);
        if (!ok) {
            for (const QString &h : hechos) {
                const QString r = carpeta + QLatin1Char('/') + h;
                if (existia(h))
                    archivos::Guardar(r, antes(h), nullptr, carpeta);
                else
                    archivos::Eliminar(r);
            }
            *error = QStringLiteral("No se pudo escribir la categoría %1: %2. No se ha cambiado nada en este equipo.")
                         .arg(mezcla::Categoria(it.key()), e);
            return false;
        }
        hechos << it.key();
    }
    return true;
}

QStringList Avisos(const QMap<QString, mezcla::ResultadoArchivo> &m) {
    QStringList r;
    for (auto it = m.cbegin(); it != m.cend(); ++it) {
        const QString cat = mezcla::Categoria(it.key());
        for (const QString &s : it->copias)
            r << QStringLiteral("%1: el script «%2» se cambió en los dos equipos; se conservan las dos versiones "
                                "(la del otro equipo como «%3»).")
                     .arg(cat, s, mezcla::NombreCopia(s, {}));
        if (it->conservados > 0)
            r << QStringLiteral("%1: %2 eliminado(s) en un equipo y cambiado(s) en el otro; se conserva(n).")
                     .arg(cat)
                     .arg(it->conservados == 1 ? QStringLiteral("1 script")
                                               : QStringLiteral("%1 scripts").arg(it->conservados));
        if (it->conservada)
            r << QStringLiteral("%1: se eliminó en este equipo y se cambió en el otro; se conserva.").arg(cat);
        if (!it->renombradaDesde.isEmpty())
            r << QStringLiteral("%1: recibió los cambios que el otro equipo hizo en %2, su nombre anterior.")
                     .arg(cat, mezcla::Categoria(it->renombradaDesde));
    }
    return r;
}

// The remote's branch as last seen, under refs/remotes/sincronizar/.
void Recordar(git_repository *r, const QByteArray &refRama, const git_oid &id) {
    Reference ref;
    const QByteArray nombre = "refs/remotes/sincronizar/" + refRama.mid(int(qstrlen("refs/heads/")));
    Tomar(ref, git_reference_create, r, nombre.constData(), &id, 1, "sincronizar");
}

} // namespace

Informe Sincronizar(Repositorio &repo, const QString &url, const Llamadas &llamadas) {
    Informe inf;
    Contexto cx;
    cx.ll = &llamadas;
    // Every connection of this sync is bounded and can be cut; it outlives the remote below.
    red::Instalar();
    const red::Guardia guardia(llamadas.cancelado);
    git_repository *r = repo.crudo();
    if (!r) {
        inf.error = QStringLiteral("La carpeta Categorias no tiene historial.");
        return inf;
    }

    // This machine's changes first, as a version of their own, so that the merge sees them.
    const QStringList pendientes = repo.Pendientes();
    if (!pendientes.isEmpty()) {
        QString mensaje, error;
        if (!repo.Confirmar(pendientes, &mensaje, &error)) {
            inf.error = QStringLiteral("No se pudo guardar una versión de los cambios de este equipo: %1").arg(error);
            return inf;
        }
    }

    const QByteArray refRama = "refs/heads/" + repo.Rama().toUtf8();
    Remote remoto;
    const QByteArray direccion = url.trimmed().toUtf8();
    if (direccion.isEmpty() || Tomar(remoto, git_remote_create_anonymous, r, direccion.constData()) < 0) {
        inf.error = QStringLiteral("La dirección del repositorio remoto no es válida: %1").arg(url);
        return inf;
    }
    git_remote_callbacks cb = Llamadas_(cx);
    Odb odb;
    if (Tomar(odb, git_repository_odb, r) < 0) {
        inf.error = UltimoError();
        return inf;
    }

    // Another machine may send between our fetch and our push: then the push is refused, and the
    // whole round is made again on top of what it sent.
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        Avisar(&cx, QStringLiteral("Sincronizar: conectando con %1").arg(url));
        int e = git_remote_connect(remoto.get(), GIT_DIRECTION_FETCH, &cb, nullptr, nullptr);
        if (e < 0) {
            inf.error = QStringLiteral("No se pudo conectar con el repositorio remoto %1: %2. No se ha cambiado nada.")
                            .arg(url, MotivoRed(guardia, &cx, e));
            qCWarning(lcSincronizacion) << "Connect failed:" << inf.error;
            return inf;
        }
        const git_remote_head **cabezas = nullptr;
        size_t n = 0;
        git_oid idSuyo;
        bool haySuyo = false;
        if (git_remote_ls(&cabezas, &n, remoto.get()) == 0)
            for (size_t i = 0; i < n; ++i)
                if (refRama == cabezas[i]->name) {
                    idSuyo = cabezas[i]->oid;
                    haySuyo = true;
                }
        if (haySuyo && !git_odb_exists(odb.get(), &idSuyo)) {
            git_fetch_options fo;
            git_fetch_options_init(&fo, GIT_FETCH_OPTIONS_VERSION);
            fo.callbacks = cb;
            fo.download_tags = GIT_REMOTE_DOWNLOAD_TAGS_NONE;
            QByteArray rama = refRama;
            char *ramas[] = {rama.data()};
            const git_strarray mapa = {ramas, 1};
            e = git_remote_download(remoto.get(), &mapa, &fo);
            if (e < 0) {
                const QString motivo = MotivoRed(guardia, &cx, e);
                qCWarning(lcSincronizacion) << "Download failed:" << motivo;
                git_remote_disconnect(remoto.get());
                inf.error = QStringLiteral("No se pudo recibir lo que tiene el repositorio remoto %1: %2. No se ha "
                                           "cambiado nada.")
                                .arg(url, motivo);
                return inf;
            }
        }
        git_remote_disconnect(remoto.get());
        // What the remote holds is remembered as a reference of ours: the next fetch then offers
        // it as common ground, and only what is new travels.
        if (haySuyo)
            Recordar(r, refRama, idSuyo);

        Avisar(&cx, QStringLiteral("Sincronizar: combinando categorías"));
        git_oid idNuestro;
        const bool hayNuestro = git_reference_name_to_id(&idNuestro, r, "HEAD") == 0;
        Commit cNuestro, cSuyo;
        Tree tNuestro, tSuyo;
        if (hayNuestro && (Tomar(cNuestro, git_commit_lookup, r, &idNuestro) < 0 ||
                           Tomar(tNuestro, git_commit_tree, cNuestro.get()) < 0)) {
            inf.error = UltimoError();
            return inf;
        }
        if (haySuyo &&
            (Tomar(cSuyo, git_commit_lookup, r, &idSuyo) < 0 || Tomar(tSuyo, git_commit_tree, cSuyo.get()) < 0)) {
            inf.error = QStringLiteral("Lo recibido del repositorio remoto está incompleto: %1").arg(UltimoError());
            return inf;
        }

        git_oid resultado = idNuestro;
        Tree tResultado;
        const bool alDia = haySuyo && hayNuestro &&
                           (git_oid_equal(&idNuestro, &idSuyo) ||
                            git_graph_descendant_of(r, &idNuestro, &idSuyo) == 1);
        if (!haySuyo && !hayNuestro) {
            inf.ok = true;
            return inf;
        }
        if (haySuyo && !alDia) {
            const bool avanzar = !hayNuestro || git_graph_descendant_of(r, &idSuyo, &idNuestro) == 1;
            Cambios cambios;
            QMap<QString, mezcla::ResultadoArchivo> mezcla;
            if (avanzar) {
                cambios = Diferencias(r, tNuestro.get(), tSuyo.get());
                resultado = idSuyo;
            } else {
                git_oid idBase;
                Commit cBase;
                Tree tBase;
                if (git_merge_base(&idBase, r, &idNuestro, &idSuyo) == 0) {
                    Tomar(cBase, git_commit_lookup, r, &idBase);
                    Tomar(tBase, git_commit_tree, cBase.get());
                }
                const git_tree *arboles[] = {tBase.get(), tNuestro.get(), tSuyo.get()};
                mezcla = mezcla::MezclarArboles(
                    Entradas(tBase.get()), Entradas(tNuestro.get()), Entradas(tSuyo.get()),
                    [&](mezcla::Lado lado, const QString &archivo) {
                        return Leer(r, arboles[int(lado)], archivo);
                    });
                for (auto it = mezcla.cbegin(); it != mezcla.cend(); ++it)
                    cambios.insert(it.key(), it->datos);
                git_oid idArbol;
                Tree tMezcla;
                if (!ArbolCon(r, tNuestro.get(), cambios, &idArbol) || Tomar(tMezcla, git_tree_lookup, r, &idArbol) < 0) {
                    inf.error = QStringLiteral("No se pudo guardar la versión combinada: %1").arg(UltimoError());
                    return inf;
                }
                QStringList recibido = Resumen(r, tNuestro.get(), cambios);
                const QString texto =
                    QStringLiteral("Sincronización con %1: %2")
                        .arg(url, recibido.isEmpty() ? QStringLiteral("sin cambios recibidos") : recibido.join(QStringLiteral("; ")));
                const Signature firma = Firma(r);
                const git_commit *padres[] = {cNuestro.get(), cSuyo.get()};
                // Made before any file changes, and the branch moved only once they have.
                if (git_commit_create(&resultado, r, nullptr, firma.get(), firma.get(), nullptr,
                                      texto.toUtf8().constData(), tMezcla.get(), 2, padres) < 0) {
                    inf.error = QStringLiteral("No se pudo guardar la versión combinada: %1").arg(UltimoError());
                    return inf;
                }
            }
            QString error;
            if (!Escribir(
                    repo.carpeta(), cambios, [&](const QString &a) { return Leer(r, tNuestro.get(), a); },
                    [&](const QString &a) {
                        return tNuestro && git_tree_entry_byname(tNuestro.get(), Ruta(a).constData()) != nullptr;
                    },
                    &error)) {
                inf.error = error;
                return inf;
            }
            Reference ref;
            if (Tomar(ref, git_reference_create, r, refRama.constData(), &resultado, 1, "sincronizar") < 0) {
                const QString motivo = UltimoError();
                Cambios deshacer;
                for (auto it = cambios.cbegin(); it != cambios.cend(); ++it)
                    deshacer.insert(it.key(), tNuestro && git_tree_entry_byname(tNuestro.get(), Ruta(it.key()).constData())
                                                  ? std::optional<QByteArray>(Leer(r, tNuestro.get(), it.key()))
                                                  : std::nullopt);
                Escribir(
                    repo.carpeta(), deshacer, [](const QString &) { return QByteArray(); },
                    [](const QString &) { return false; }, &error);
                inf.error = QStringLiteral("No se pudo guardar la versión combinada: %1").arg(motivo);
                return inf;
            }
            inf.recibido += Resumen(r, tNuestro.get(), cambios);
            inf.avisos += Avisos(mezcla);
            for (auto it = cambios.cbegin(); it != cambios.cend(); ++it)
                if (!inf.escritos.contains(it.key()))
                    inf.escritos << it.key();
        }
        Commit cResultado;
        if (Tomar(cResultado, git_commit_lookup, r, &resultado) < 0 ||
            Tomar(tResultado, git_commit_tree, cResultado.get()) < 0) {
            inf.error = UltimoError();
            return inf;
        }
        Index indice;
        if (Tomar(indice, git_repository_index, r) == 0 && git_index_read_tree(indice.get(), tResultado.get()) == 0)
            git_index_write(indice.get());

        if (haySuyo && git_oid_equal(&resultado, &idSuyo)) {
            inf.ok = true;
            return inf;
        }
        git_push_options po;
        git_push_options_init(&po, GIT_PUSH_OPTIONS_VERSION);
        po.callbacks = cb;
        po.pb_parallelism = 0; // as many threads as the machine has
        QByteArray rama = refRama + ':' + refRama;
        char *ramas[] = {rama.data()};
        const git_strarray mapa = {ramas, 1};
        cx.rechazo.clear();
        Avisar(&cx, QStringLiteral("Sincronizar: enviando"));
        e = git_remote_push(remoto.get(), &mapa, &po);
        if (e == 0 && cx.rechazo.isEmpty()) {
            Recordar(r, refRama, resultado);
            inf.enviado += Resumen(r, tSuyo.get(), Diferencias(r, tSuyo.get(), tResultado.get()));
            inf.ok = true;
            return inf;
        }
        const QString motivo = e < 0 ? MotivoRed(guardia, &cx, e) : cx.rechazo;
        if (e < 0 && (guardia.agotado() || guardia.cancelado())) {
            qCWarning(lcSincronizacion) << "Push failed:" << motivo;
            inf.error = QStringLiteral("Las categorías se combinaron en este equipo, pero no se pudieron enviar al "
                                       "repositorio remoto %1: %2")
                            .arg(url, motivo);
            return inf;
        }
        // A refusal because the remote moved on is met by another round; anything else ends here.
        if (e < 0 && cx.rechazo.isEmpty() && git_error_last() &&
            !QString::fromUtf8(git_error_last()->message).contains(QLatin1String("fast-forward"))) {
            inf.error = QStringLiteral("Las categorías se combinaron en este equipo, pero no se pudieron enviar al "
                                       "repositorio remoto %1: %2")
                            .arg(url, motivo);
            return inf;
        }
        if (vuelta == 2) {
            inf.error = QStringLiteral("El repositorio remoto %1 no aceptó los cambios: %2").arg(url, motivo);
            return inf;
        }
    }
    return inf;
}

} // namespace git
