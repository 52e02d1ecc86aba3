#pragma once
// Plain git, as another user or an attacker would run it, for tests that build repositories the
// program did not make.
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace gitplano {

inline QString Programa() { return QStandardPaths::findExecutable(QStringLiteral("git")); }

// Runs git in the folder; gives its standard output, trimmed. A failure fails the test. A date, when
// given, is the versions' own (as a repository made on another day has).
inline QByteArray Git(const QString &carpeta, const QStringList &args, const QByteArray &entrada = {},
                      const QString &fecha = {}) {
    QProcess p;
    p.setWorkingDirectory(carpeta);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char *v : {"GIT_AUTHOR_NAME", "GIT_COMMITTER_NAME"})
        e.insert(QLatin1String(v), QStringLiteral("Otra persona"));
    for (const char *v : {"GIT_AUTHOR_EMAIL", "GIT_COMMITTER_EMAIL"})
        e.insert(QLatin1String(v), QStringLiteral("otra@example.org"));
    e.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    e.insert(QStringLiteral("HOME"), carpeta);
    if (!fecha.isEmpty())
        for (const char *v : {"GIT_AUTHOR_DATE", "GIT_COMMITTER_DATE"})
            e.insert(QLatin1String(v), fecha);
    p.setProcessEnvironment(e);
    p.start(Programa(), args);
    p.write(entrada);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("git %1: %2").arg(args.join(QLatin1Char(' ')),
                                                                 QString::fromLocal8Bit(p.readAllStandardError()))),
                     __FILE__, __LINE__);
        return {};
    }
    return p.readAllStandardOutput().trimmed();
}

// The same, the arguments written as one line and split at its spaces.
inline QByteArray Git(const QString &carpeta, const char *orden, const QByteArray &entrada = {}) {
    return Git(carpeta, QString::fromUtf8(orden).split(QLatin1Char(' ')), entrada);
}

// One raw entry of a tree object, any name and mode, as `git hash-object -t tree --literally` takes it.
struct Entrada {
    QByteArray modo, nombre, hex;
};

inline QByteArray Raw(const QByteArray &hex) { return QByteArray::fromHex(hex); }

// The entries of a tree or commit-ish of the repository.
inline QVector<Entrada> Entradas(const QString &repo, const QString &arbol) {
    QVector<Entrada> r;
    const QByteArray salida = Git(repo, {"ls-tree", arbol});
    for (const QByteArray &linea : salida.split('\n')) {
        if (linea.isEmpty())
            continue;
        const int tab = linea.indexOf('\t');
        const QList<QByteArray> campos = linea.left(tab).split(' ');
        r.append({campos[0], linea.mid(tab + 1), campos[2]});
    }
    return r;
}

// Writes a tree of exactly these entries, names unchecked; gives its id.
inline QByteArray ArbolCrudo(const QString &repo, QVector<Entrada> entradas) {
    std::sort(entradas.begin(), entradas.end(), [](const Entrada &a, const Entrada &b) { return a.nombre < b.nombre; });
    QByteArray datos;
    for (const Entrada &e : entradas)
        datos += e.modo + ' ' + e.nombre + '\0' + Raw(e.hex);
    return Git(repo, "hash-object -t tree --literally -w --stdin", datos);
}

inline QByteArray Blob(const QString &repo, const QByteArray &contenido) {
    return Git(repo, "hash-object -w --stdin", contenido);
}

// A commit of the tree on top of the branch, and the branch moved to it.
inline QByteArray Publicar(const QString &repo, const QByteArray &arbol, const QString &rama = QStringLiteral("main"),
                           const QString &mensaje = QStringLiteral("cambios")) {
    const QByteArray padre = Git(repo, {"rev-parse", "refs/heads/" + rama});
    const QByteArray commit = Git(repo, {"commit-tree", arbol, "-p", padre, "-m", mensaje});
    Git(repo, {"update-ref", "refs/heads/" + rama, commit});
    return commit;
}

} // namespace gitplano
