// A first start cut short (closed while its first index was being made, killed while its first
// version was being recorded) leaves its work kept: the next start does only what is left, once.
#include "AyudasNucleo.h"
#include "../historial/GitPlano.h"
#include "history/Repositorio.h"
#include "search/Indexador.h"
#include "search/IndiceBiblioteca.h"

#include <QtTest>
#include <ctime>
#include <functional>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>

using namespace ayudas;

namespace {
constexpr int kCategorias = 60;

// Some 2 MB in many categories, longer to index than closing takes: random words, whose many
// trigrams make the index's slowest statements, where closing finds the writer.
void Biblioteca(Carpeta &c) {
    QRandomGenerator azar(11);
    for (int k = 0; k < kCategorias; ++k) {
        QByteArray datos;
        for (int s = 0; s < 4; ++s) {
            QByteArray codigo;
            while (codigo.size() < 8000) {
                for (int l = 2 + int(azar.bounded(8)); l > 0; --l)
                    codigo += char('a' + azar.bounded(26));
                codigo += ' ';
            }
            const QByteArray n = QByteArray::number(k * 10 + s);
            datos += Registro("script " + n, "descripcion " + n, codigo, "1");
        }
        c.categoria(QStringLiteral("Cat%1").arg(k, 3, 10, QLatin1Char('0')), datos);
    }
}

// `n` categories of one script each, its code `bytes` random bytes written as hex: random bytes do
// not compress, which makes recording and packing them slow enough to be cut short.
void Azarosas(Carpeta &c, int n, int bytes, quint32 semilla) {
    QRandomGenerator azar(semilla);
    for (int k = 0; k < n; ++k) {
        QByteArray codigo(bytes, Qt::Uninitialized);
        azar.fillRange(reinterpret_cast<quint32 *>(codigo.data()), codigo.size() / 4);
        c.categoria(QStringLiteral("Cat%1").arg(k, 2, 10, QLatin1Char('0')), Registro("s", "", codigo.toHex(), "1"));
    }
}

QString RutaIndice(const Carpeta &c) { return c.estado.carpetaPreferencias() + "/indice.db"; }

constexpr const char *kHijoPrimera = "RUTINERO_HIJO_PRIMERA";

// The child: records the folder's first version as the history does at a first start.
int HijoPrimera(const QString &carpeta) {
    git::Repositorio repo;
    QString mensaje, error;
    return repo.Abrir(carpeta, true) &&
                   repo.Confirmar(repo.CategoriasPresentes(), &mensaje, &error, QStringLiteral("Primera versión"))
               ? 0
               : 1;
}

constexpr const char *kHijoCompactar = "RUTINERO_HIJO_COMPACTAR";

// The child: packs the folder's history in small batches, as the history's housekeeping does.
int HijoCompactar(const QString &carpeta) {
    git::Repositorio repo;
    git::Repositorio::LimitarLote(1 << 20);
    return repo.Abrir(carpeta, false) && repo.Compactar() >= 0 ? 0 : 1;
}

// This test program started again as the child that `variable` names, over the folder, and killed
// once `hecho` holds (unless it ended first).
void CortarHijo(const char *variable, const QString &carpeta, const std::function<bool()> &hecho) {
    QProcess hijo;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QString::fromLatin1(variable), carpeta);
    hijo.setProcessEnvironment(e);
    hijo.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(hijo.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(hecho() || hijo.state() == QProcess::NotRunning, 30000);
    hijo.kill();
    hijo.waitForFinished();
}

QStringList Paquetes(const QString &carpeta) {
    return QDir(carpeta + "/.git/objects/pack").entryList({"pack-*.idx"}, QDir::Files);
}

// The repository's loose objects, each with its file's modification time (ns): writing an object
// that is there already touches its file.
QMap<QString, qint64> Sueltos(const QString &carpeta) {
    QMap<QString, qint64> r;
    QDirIterator it(carpeta + "/.git/objects", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        struct stat st;
        if (!ruta.contains("/pack/") && !QFileInfo(ruta).fileName().startsWith("tmp") &&
            ::stat(QFile::encodeName(ruta).constData(), &st) == 0)
            r.insert(ruta, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
    }
    return r;
}
} // namespace

class tst_reanudar : public QObject {
    Q_OBJECT
private slots:
    // Closed part way through the first pass, the index keeps what it stored; the next does the rest.
    void indiceCortadoSeRetomaSinRehacer() {
        Carpeta c;
        Biblioteca(c);
        QDir().mkpath(c.estado.carpetaPreferencias());
        const QString carpeta = c.estado.carpetaCategorias();
        auto ix = std::make_unique<Indexador>(carpeta, RutaIndice(c));
        QSignalSpy avance(ix.get(), &Indexador::avance);
        QSignalSpy hechos(ix.get(), &Indexador::actualizado);
        ix->Iniciar();
        // A few categories stored, many left.
        QTRY_VERIFY_WITH_TIMEOUT(!avance.isEmpty() && avance.last().at(0).toLongLong() > 0, 30000);
        ix.reset();
        if (!hechos.isEmpty())
            QSKIP("the first pass ended before the program closed: nothing was cut short");

        QMap<QString, biblioteca::Sello> antes;
        {
            biblioteca::Indice lector(RutaIndice(c));
            QVERIFY(lector.AbrirParaLeer());
            antes = lector.Indexadas();
        }
        QVERIFY(!antes.isEmpty());
        QVERIFY(antes.size() < kCategorias);

        biblioteca::Indice escritor(RutaIndice(c));
        QVERIFY(escritor.AbrirParaEscribir());
        const QStringList otraVez = escritor.Actualizar(carpeta);
        QCOMPARE(otraVez.size(), kCategorias - antes.size());
        for (const QString &nombre : otraVez)
            QVERIFY2(!antes.contains(nombre), qPrintable(nombre));
        QCOMPARE(escritor.Indexadas().keys(), biblioteca::Archivos(carpeta).keys());
        // Brought up to the folder, a start has nothing left to do.
        QCOMPARE(escritor.Actualizar(carpeta), QStringList());
    }

    // A real process killed while it records the first version: the next start takes the blobs it
    // wrote as they are, not compressed and written again (which would touch their files).
    void primeraVersionCortadaNoSeRehace() {
        Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        // Random bytes: the slowest to compress, so the kill finds the version under way.
        Azarosas(c, 20, 1 << 19, 3);
        CortarHijo(kHijoPrimera, carpeta, [&] { return Sueltos(carpeta).size() >= 5; });
        git::Repositorio repo;
        QVERIFY(repo.Abrir(carpeta, false));
        if (!repo.Ultima().isEmpty())
            QSKIP("the first version was done before it could be cut short");
        // As the start that was killed an hour ago left them.
        for (const QString &ruta : Sueltos(carpeta).keys()) {
            const timespec hora[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(ruta).constData(), hora, 0), 0);
        }
        const QMap<QString, qint64> antes = Sueltos(carpeta);
        QVERIFY(!antes.isEmpty());

        QString mensaje, error;
        QVERIFY2(repo.Confirmar(repo.CategoriasPresentes(), &mensaje, &error, QStringLiteral("Primera versión")),
                 qPrintable(error));
        const QMap<QString, qint64> despues = Sueltos(carpeta);
        for (auto it = antes.cbegin(); it != antes.cend(); ++it)
            QCOMPARE(despues.value(it.key()), it.value());
        QCOMPARE(gitplano::Git(carpeta, "ls-tree --name-only HEAD").split('\n').size(), 20);
        QCOMPARE(gitplano::Git(carpeta, "fsck --no-dangling"), QByteArray());
    }

    // Killed while it packs, the housekeeping keeps its batches; the next packs only what is loose.
    void compactacionCortadaSeRetoma() {
        Carpeta c;
        const QString carpeta = c.estado.carpetaCategorias();
        Azarosas(c, 24, 1 << 18, 7);
        {
            git::Repositorio repo;
            QString mensaje, error;
            QVERIFY(repo.Abrir(carpeta, true));
            QVERIFY2(repo.Confirmar(repo.CategoriasPresentes(), &mensaje, &error, QStringLiteral("Primera versión")),
                     qPrintable(error));
        }
        const int sueltosAntes = Sueltos(carpeta).size();
        CortarHijo(kHijoCompactar, carpeta, [&] { return !Paquetes(carpeta).isEmpty(); });
        const QStringList hechos = Paquetes(carpeta);
        const int sueltosCortado = Sueltos(carpeta).size();
        if (sueltosCortado == 0)
            QSKIP("the housekeeping ended before it could be cut short");
        QVERIFY(!hechos.isEmpty());
        // The kill may land between a batch's pack and the removal of its loose files: those are
        // packed again, which costs that batch alone.
        QVERIFY(sueltosCortado <= sueltosAntes);

        git::Repositorio repo;
        QVERIFY(repo.Abrir(carpeta, false));
        git::Repositorio::LimitarLote(1 << 20);
        const int quitados = repo.Compactar();
        git::Repositorio::LimitarLote(0);
        // Only what was left is packed: the kept batches are not packed again.
        QCOMPARE(quitados, sueltosCortado);
        for (const QString &paquete : hechos)
            QVERIFY2(Paquetes(carpeta).contains(paquete), qPrintable(paquete));
        QCOMPARE(Sueltos(carpeta).size(), 0);
        QCOMPARE(gitplano::Git(carpeta, "fsck --no-dangling"), QByteArray());
        QCOMPARE(gitplano::Git(carpeta, "ls-tree --name-only HEAD").split('\n').size(), 24);
    }
};

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsSet(kHijoPrimera))
        return HijoPrimera(qEnvironmentVariable(kHijoPrimera));
    if (qEnvironmentVariableIsSet(kHijoCompactar))
        return HijoCompactar(qEnvironmentVariable(kHijoCompactar));
    QCoreApplication app(argc, argv);
    tst_reanudar t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_reanudar.moc"
