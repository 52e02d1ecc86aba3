// The history's figures beside git's own, on the same changes of the same files: one version against
// `git add && git commit`, the repository after many saves against what `git gc` makes of it, and
// packing against `git gc`. Program and git take turns in each round, so a busy machine slows both.
#include "history/Historial.h"
#include "history/Repositorio.h"
#include "format/mdlScripts.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <tuple>

QVector<Script> Biblioteca(int n, quint32 semilla);

namespace {

// The benchmark's scripts (bench.cpp): some 4 KB of code each, a share of duplicates.
QVector<Script> Categoria(int n, quint32 semilla) { return Biblioteca(n, semilla); }

// Plain git in a folder, as a user would run it; false when it fails.
struct GitPlano {
    QString programa = QStandardPaths::findExecutable(QStringLiteral("git"));
    bool operator()(const QString &carpeta, const QStringList &args) const {
        QProcess p;
        p.setWorkingDirectory(carpeta);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
        e.insert(QStringLiteral("HOME"), carpeta);
        for (const char *v : {"GIT_AUTHOR_NAME", "GIT_COMMITTER_NAME"})
            e.insert(QLatin1String(v), QStringLiteral("Banco"));
        for (const char *v : {"GIT_AUTHOR_EMAIL", "GIT_COMMITTER_EMAIL"})
            e.insert(QLatin1String(v), QStringLiteral("banco@localhost"));
        p.setProcessEnvironment(e);
        p.start(programa, args);
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            std::fprintf(stderr, "git %s: %s\n", qPrintable(args.join(QLatin1Char(' '))),
                         p.readAllStandardError().constData());
            return false;
        }
        return true;
    }
    QByteArray version() const {
        QProcess p;
        p.start(programa, {QStringLiteral("--version")});
        p.waitForFinished();
        return p.readAllStandardOutput().trimmed();
    }
};

qint64 TamanoCarpeta(const QString &carpeta) {
    qint64 total = 0;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

bool CopiarCarpeta(const QString &de, const QString &a) {
    QDir().mkpath(a);
    return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), de + QStringLiteral("/."), a}) == 0;
}

double Mediana(QVector<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

double Cronometrar(const std::function<void()> &f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

struct Fila {
    QString medida, unidad;
    double programa, base;
    QString comoBase;
    double objetivo; // the ratio to git it must not pass
    QVector<double> razones = {}; // each round's, when program and git took turns round by round
};

void Imprimir(const QVector<Fila> &filas, const QByteArray &version) {
    std::printf("\nhistorial, junto a %s (alternados en la misma ejecución)\n", version.constData());
    std::printf("%-50s %12s %12s  %-24s %7s %9s  %s\n", "medida", "programa", "base", "(base)", "x base", "objetivo",
                "");
    for (const Fila &f : filas) {
        // The verdict goes by the median of the rounds' ratios where there are rounds.
        const double x = !f.razones.isEmpty() ? Mediana(f.razones) : f.base > 0 ? f.programa / f.base : 0;
        const QByteArray extremos =
            f.razones.isEmpty() ? QByteArray()
                                : QStringLiteral("  (%1-%2, %3 rondas)")
                                      .arg(*std::min_element(f.razones.cbegin(), f.razones.cend()), 0, 'f', 2)
                                      .arg(*std::max_element(f.razones.cbegin(), f.razones.cend()), 0, 'f', 2)
                                      .arg(f.razones.size())
                                      .toUtf8();
        std::printf("%-50s %9.2f %-2s %9.2f %-2s  %-24s %7.2f %9s  %s%s\n", f.medida.toUtf8().constData(), f.programa,
                    f.unidad.toUtf8().constData(), f.base, f.unidad.toUtf8().constData(),
                    f.comoBase.toUtf8().constData(), x,
                    QStringLiteral("≤ %1").arg(f.objetivo, 0, 'f', 1).toUtf8().constData(),
                    x <= f.objetivo ? "cumple" : "no cumple", extremos.constData());
    }
    std::fflush(stdout);
}

// One changed script saved, recorded by the program in one folder and by `git add && git commit` in
// another with the same bytes; gives the medians in ms. `propio`: the program saved the file and hands
// its bytes to the history; else another program rewrote it, and the history, opened afresh as at the
// start of a session, knows nothing of it but the file and the last version. Also each round's ratio.
std::tuple<double, double, QVector<double>> Version(const GitPlano &git, int scripts, int veces, bool propio) {
    QTemporaryDir dir;
    const QString programa = dir.filePath(QStringLiteral("programa")), otro = dir.filePath(QStringLiteral("git")),
                  fuera = dir.filePath(QStringLiteral("fuera"));
    for (const QString &c : {programa, otro, fuera})
        QDir().mkpath(c);
    const QString archivo = QStringLiteral("Lib%1.rtn").arg(scripts);
    QVector<Script> datos = Categoria(scripts, quint32(scripts));
    auto guardar = [&] {
        const QString aqui = programa + QLatin1Char('/') + archivo;
        if (propio)
            mdlScripts::GuardarArchivo(aqui, datos);
        else {
            mdlScripts::GuardarArchivo(fuera + QLatin1Char('/') + archivo, datos);
            QFile::remove(aqui);
            QFile::copy(fuera + QLatin1Char('/') + archivo, aqui);
        }
        QFile::remove(otro + QLatin1Char('/') + archivo);
        QFile::copy(aqui, otro + QLatin1Char('/') + archivo);
    };
    guardar();
    auto repo = std::make_unique<git::Repositorio>();
    QString mensaje;
    repo->Abrir(programa, true);
    repo->Confirmar({archivo}, &mensaje, nullptr);
    git(otro, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("main")});
    git(otro, {QStringLiteral("add"), archivo});
    git(otro, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("primera")});
    QVector<double> nuestros, suyos, razones;
    for (int i = 0; i <= veces; ++i) {
        datos[(i * 7919) % datos.size()].Codigo += QStringLiteral(" // cambio %1").arg(i);
        guardar();
        if (!propio) {
            repo = std::make_unique<git::Repositorio>();
            repo->Abrir(programa, false);
        }
        auto nuestro = [&] { return Cronometrar([&] { repo->Confirmar({archivo}, &mensaje, nullptr); }); };
        auto suyo = [&] {
            return Cronometrar([&] {
                git(otro, {QStringLiteral("add"), archivo});
                git(otro, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"),
                           QStringLiteral("cambio %1").arg(i)});
            });
        };
        double a, b;
        if (i % 2) {
            a = nuestro();
            b = suyo();
        } else {
            b = suyo();
            a = nuestro();
        }
        if (i > 0) { // the first round warms up
            nuestros.append(a);
            suyos.append(b);
            razones.append(a / b);
        }
    }
    return {Mediana(nuestros), Mediana(suyos), razones};
}

} // namespace

// "scripts": the category of the version row (100 000 by default); `grande`: how many scripts make
// the category of some 30 MB saved ten times.
void MedirHistorial(int scripts, int grande) {
    const GitPlano git;
    if (git.programa.isEmpty()) {
        std::printf("\nhistorial: git no está instalado, no hay con qué comparar\n");
        return;
    }
    QVector<Fila> filas;

    // The sizes of the version rows: the given one alone, or a small, the biggest and a huge category.
    const QList<int> tamanos = scripts > 0 ? QList<int>{scripts} : QList<int>{1000, 32767, 100000};
    for (const int n : tamanos) {
        const auto [version, commit, razones] = Version(git, n, 5, true);
        filas.append({QStringLiteral("una versión tras guardar %1 scripts").arg(n), QStringLiteral("ms"), version,
                      commit, QStringLiteral("git add && git commit"), 0.8, razones});
        const auto [ajena, commitAjena, razonesAjena] = Version(git, n, 5, false);
        filas.append({QStringLiteral("una versión de %1 scripts que reescribió otro programa").arg(n),
                      QStringLiteral("ms"), ajena, commitAjena, QStringLiteral("git add && git commit"), 1.0,
                      razonesAjena});
    }

    // Ten saves of a category of some 30 MB, one script changed each time: recorded through the
    // history's own thread object (which packs when it sees fit) in one folder, and by git in another.
    QTemporaryDir dir;
    const QString propio = dir.filePath(QStringLiteral("programa")), otro = dir.filePath(QStringLiteral("git")),
                  suelto = dir.filePath(QStringLiteral("suelto"));
    for (const QString &c : {propio, otro, suelto})
        QDir().mkpath(c);
    const QString archivo = QStringLiteral("Grande.rtn");
    QVector<Script> datos = Categoria(grande, 30);
    mdlScripts::GuardarArchivo(propio + QLatin1Char('/') + archivo, datos);
    const double mb = QFileInfo(propio + QLatin1Char('/') + archivo).size() / 1e6;
    git(otro, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("main")});
    git::Repositorio sinCompactar;
    {
        Historial h(propio);
        h.Preparar(); // the first version: the category as it is
        QFile::copy(propio + QLatin1Char('/') + archivo, suelto + QLatin1Char('/') + archivo);
        sinCompactar.Abrir(suelto, true);
        QString m;
        sinCompactar.Confirmar({archivo}, &m, nullptr);
        QFile::copy(propio + QLatin1Char('/') + archivo, otro + QLatin1Char('/') + archivo);
        git(otro, {QStringLiteral("add"), archivo});
        git(otro, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("primera")});
        for (int i = 0; i < 10; ++i) {
            datos[(i * 7919) % datos.size()].Codigo += QStringLiteral(" // cambio %1").arg(i);
            mdlScripts::GuardarArchivo(propio + QLatin1Char('/') + archivo, datos);
            h.Guardar({archivo});
            for (const QString &c : {otro, suelto}) {
                QFile::remove(c + QLatin1Char('/') + archivo);
                QFile::copy(propio + QLatin1Char('/') + archivo, c + QLatin1Char('/') + archivo);
            }
            sinCompactar.Confirmar({archivo}, &m, nullptr);
            git(otro, {QStringLiteral("add"), archivo});
            git(otro, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"),
                       QStringLiteral("cambio %1").arg(i)});
        }
    }
    // Packing the same eleven versions, all of them loose: the program's in its own repository, git's
    // gc in the one git made. Three rounds, each on a fresh copy.
    QVector<double> compactar, gc;
    qint64 tamanoGc = 0;
    for (int i = 0; i < 3; ++i) {
        const QString a = dir.filePath(QStringLiteral("a%1").arg(i)), b = dir.filePath(QStringLiteral("b%1").arg(i));
        CopiarCarpeta(suelto, a);
        CopiarCarpeta(otro, b);
        auto nuestro = [&] {
            git::Repositorio r;
            r.Abrir(a, false);
            return Cronometrar([&] { r.Compactar(); });
        };
        auto suyo = [&] { return Cronometrar([&] { git(b, {QStringLiteral("gc"), QStringLiteral("-q")}); }); };
        if (i % 2) {
            compactar.append(nuestro());
            gc.append(suyo());
        } else {
            gc.append(suyo());
            compactar.append(nuestro());
        }
        tamanoGc = TamanoCarpeta(b + QStringLiteral("/.git"));
        QDir(a).removeRecursively();
        QDir(b).removeRecursively();
    }
    filas.append({QStringLiteral("repositorio tras 10 guardados de %1 MB").arg(mb, 0, 'f', 1), QStringLiteral("MB"),
                  TamanoCarpeta(propio + QStringLiteral("/.git")) / 1e6, tamanoGc / 1e6,
                  QStringLiteral("git gc del mismo"), 1.5});
    filas.append({QStringLiteral("compactar ese repositorio"), QStringLiteral("s"), Mediana(compactar) / 1e3,
                  Mediana(gc) / 1e3, QStringLiteral("git gc"), 1.2});
    Imprimir(filas, git.version());
}
