// What the history's speed work could break: every version read back byte for byte after packing, by
// the program and by plain git; the message of a version made from the records kept in memory the
// same as one made by reading the last version back; the repository kept near what git's own
// housekeeping would make of it.
#include "AyudasNucleo.h"
#include "history/Historial.h"
#include "history/Mezcla.h"
#include "history/Repositorio.h"
#include "format/mdlScripts.h"
#include "tests/historial/GitPlano.h"

#include <QDir>
#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <zlib.h>

namespace {

QString Texto(QRandomGenerator &r, int palabras) {
    static const char *const kPalabras[] = {"menú", "tabla", "fecha", "botón", "enlace", "consulta",
                                            "sesión", "árbol", "caché", "lista", "cadena", "número"};
    QStringList p;
    for (int i = 0; i < palabras; ++i)
        p << QString::fromUtf8(kPalabras[r.bounded(int(std::size(kPalabras)))]);
    return p.join(QLatin1Char(' '));
}

Script NuevoScript(QRandomGenerator &r, int n, int largo) {
    QString codigo;
    while (codigo.size() < largo)
        codigo += "  var x = \"" + Texto(r, 3) + "\"; // línea\r\n";
    return {QStringLiteral("Script %1").arg(n), Texto(r, 6), codigo, QString::number(r.bounded(11))};
}

// One random edit of a category, as a user makes them: a script changed, added, removed, renamed,
// or two swapped.
void Editar(QRandomGenerator &r, QVector<Script> &v, int &siguiente) {
    const int i = v.isEmpty() ? 0 : r.bounded(int(v.size()));
    switch (v.isEmpty() ? 1 : r.bounded(5)) {
    case 0:
        v[i].Codigo += QStringLiteral(" // cambio %1").arg(r.bounded(1000));
        break;
    case 1:
        v.insert(i, NuevoScript(r, siguiente++, 200 + r.bounded(4000)));
        break;
    case 2:
        v.remove(i);
        break;
    case 3:
        v[i].Nombre += " bis";
        break;
    default:
        v.swapItemsAt(i, r.bounded(int(v.size())));
    }
}

// A category of more than a megabyte: the history keeps its records in memory between versions.
QVector<Script> Grande(QRandomGenerator &r, int &siguiente) {
    QVector<Script> v;
    for (int i = 0; i < 300; ++i)
        v.append(NuevoScript(r, siguiente++, 4000));
    return v;
}

// A blob as plain git reads it from the repository, bytes untouched.
QByteArray GitMuestra(const QString &carpeta, const QByteArray &commit, const QString &archivo) {
    QProcess p;
    p.setWorkingDirectory(carpeta);
    p.start(gitplano::Programa(), {"cat-file", "blob",
                                   QString::fromLatin1(commit) + QLatin1Char(':') + archivo});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return "(git no lo pudo leer: " + p.readAllStandardError() + ')';
    return p.readAllStandardOutput();
}

// A Categorias folder, and the random edits made on it from a seed.
struct Biblioteca {
    ayudas::Carpeta c;
    QString carpeta = c.estado.carpetaCategorias();
    bool hecha = QDir().mkpath(carpeta);
    QRandomGenerator r;
    int siguiente = 0;
    explicit Biblioteca(quint32 semilla) : r(semilla) {}
    QString ruta(const QString &archivo) const { return carpeta + '/' + archivo; }
    bool escribir(const QString &archivo, const QVector<Script> &v) const {
        return mdlScripts::GuardarArchivo(ruta(archivo), v);
    }
    // The repository over the folder, with a first version of `archivo` holding `v`.
    git::Repositorio repo;
    QString mensaje;
    bool primeraVersion(const QString &archivo, const QVector<Script> &v) {
        return hecha && escribir(archivo, v) && repo.Abrir(carpeta, true) &&
               repo.Confirmar({archivo}, &mensaje, nullptr);
    }
};
const QString kGrande = QStringLiteral("Grande.rtn");

} // namespace

class tst_versiones : public QObject {
    Q_OBJECT
  private slots:
    // Versions recorded by the history's own thread object (which packs when it sees fit), then
    // packed once more: each file of each version reads back as it was written, by the program and
    // by git.
    void cadaVersionIgualTrasCompactar_data() {
        QTest::addColumn<quint32>("semilla");
        QTest::addColumn<int>("versiones");
        QTest::newRow("semilla 1") << 1u << 12;
        QTest::newRow("semilla 2") << 2u << 12;
        QTest::newRow("semilla 3, muchas versiones") << 3u << 30;
    }
    void cadaVersionIgualTrasCompactar() {
        QFETCH(quint32, semilla);
        QFETCH(int, versiones);
        if (gitplano::Programa().isEmpty())
            QSKIP("git is not installed here to read the versions with its own tool");
        Biblioteca b(semilla);
        QVERIFY(b.hecha);
        QMap<QString, QVector<Script>> categorias{{kGrande, Grande(b.r, b.siguiente)},
                                                  {"Menús.rtn", {NuevoScript(b.r, b.siguiente++, 300)}},
                                                  {"Otra.rtn", {NuevoScript(b.r, b.siguiente++, 300)}}};
        for (auto it = categorias.cbegin(); it != categorias.cend(); ++it)
            QVERIFY(b.escribir(it.key(), it.value()));
        // commit -> each category file's bytes in it
        QVector<std::pair<QByteArray, QMap<QString, QByteArray>>> guardadas;
        Historial h(b.carpeta);
        h.Preparar();
        git::Repositorio lector;
        QVERIFY(lector.Abrir(b.carpeta, false));
        for (int v = 0; v < versiones; ++v) {
            const QString archivo = categorias.keys()[b.r.bounded(int(categorias.size()))];
            Editar(b.r, categorias[archivo], b.siguiente);
            QVERIFY(b.escribir(archivo, categorias[archivo]));
            h.Guardar({archivo});
            QMap<QString, QByteArray> bytes;
            for (const QString &a : categorias.keys())
                bytes.insert(a, ayudas::LeerBytes(b.ruta(a)));
            guardadas.append({lector.Ultima(), bytes});
        }
        QVERIFY(lector.Compactar() >= 0);
        QCOMPARE(lector.ContarSueltos().objetos, 0);
        for (const auto &[commit, bytes] : guardadas)
            for (auto it = bytes.cbegin(); it != bytes.cend(); ++it) {
                QCOMPARE(lector.Contenido(commit, it.key()).value_or("(sin contenido)"), it.value());
                QCOMPARE(GitMuestra(b.carpeta, commit, it.key()), it.value());
            }
    }

    // The message of each version of a big category, made from the records the history kept of the
    // last one, says what a message made from the last version's bytes says; also when another
    // object on the same folder recorded a version in between, which those records do not know.
    void mensajeComoDesdeLaVersionAnterior_data() {
        QTest::addColumn<quint32>("semilla");
        QTest::addColumn<bool>("otroEnMedio");
        QTest::newRow("semilla 4") << 4u << false;
        QTest::newRow("semilla 5") << 5u << false;
        QTest::newRow("semilla 6, otro graba en medio") << 6u << true;
    }
    void mensajeComoDesdeLaVersionAnterior() {
        QFETCH(quint32, semilla);
        QFETCH(bool, otroEnMedio);
        Biblioteca b(semilla);
        QVector<Script> v = Grande(b.r, b.siguiente);
        QVERIFY(b.primeraVersion(kGrande, v));
        git::Repositorio otro;
        QVERIFY(otro.Abrir(b.carpeta, false));
        QByteArray antes = ayudas::LeerBytes(b.ruta(kGrande));
        for (int paso = 0; paso < 20; ++paso) {
            Editar(b.r, v, b.siguiente);
            QVERIFY(b.escribir(kGrande, v));
            const QByteArray despues = ayudas::LeerBytes(b.ruta(kGrande));
            const QString esperado = mezcla::Mensaje({{kGrande, antes, despues}});
            git::Repositorio &quien = otroEnMedio && paso % 3 == 1 ? otro : b.repo;
            QVERIFY(quien.Confirmar({kGrande}, &b.mensaje, nullptr));
            QCOMPARE(b.mensaje, esperado);
            antes = despues;
        }
    }

    // A history opened afresh (the program started again) takes the records of a big category's last
    // version from what the history kept beside it; whatever became of that file, the version made
    // after another program rewrote the category says what changed, and nothing is written elsewhere.
    void registrosGuardadosSinCreerlosDanados_data() {
        QTest::addColumn<QString>("dano");
        for (const char *d : {"ninguno", "cortados", "un byte cambiado", "de la versión anterior",
                              "cuenta imposible", "vacío", "una carpeta", "un enlace fuera"})
            QTest::newRow(d) << QString::fromUtf8(d);
    }
    void registrosGuardadosSinCreerlosDanados() {
        QFETCH(QString, dano);
        Biblioteca b(10);
        QVERIFY(b.hecha);
        QVector<Script> v = Grande(b.r, b.siguiente);
        const auto version = [&](QString *mensaje) {
            git::Repositorio repo;
            return repo.Abrir(b.carpeta, true) && repo.Confirmar({kGrande}, mensaje, nullptr);
        };
        QString mensaje;
        QVERIFY(b.escribir(kGrande, v));
        QVERIFY(version(&mensaje));
        const QStringList kept = QDir(b.carpeta + "/.git").entryList({"rutinero-registros-*"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString ruta = b.carpeta + "/.git/" + kept.first();
        const QByteArray primeros = ayudas::LeerBytes(ruta);
        Editar(b.r, v, b.siguiente);
        QVERIFY(b.escribir(kGrande, v));
        QVERIFY(version(&mensaje));
        QByteArray guardados = ayudas::LeerBytes(ruta);
        QVERIFY(guardados != primeros);
        QTemporaryDir fuera;
        const QString ajeno = fuera.filePath("ajeno");
        ayudas::EscribirBytes(ajeno, "de otro");
        if (dano == "cortados")
            guardados.truncate(guardados.size() / 2);
        else if (dano == "un byte cambiado")
            guardados[guardados.size() / 2] = char(guardados[guardados.size() / 2] ^ 0x20);
        else if (dano == "de la versión anterior")
            guardados = primeros;
        else if (dano == "cuenta imposible") {
            // The count after the mark, the key and the probe, with a checksum that agrees.
            const int lugar = 4 + 20 + 4 + 20 + 8;
            guardados.replace(lugar, 4, QByteArray("ÿÿÿ", 4));
            guardados.chop(4);
            const quint32 suma = quint32(
                crc32_z(0, reinterpret_cast<const Bytef *>(guardados.constData()), size_t(guardados.size())));
            for (const int desplazamiento : {24, 16, 8, 0})
                guardados += char((suma >> desplazamiento) & 0xff);
        } else if (dano == "vacío")
            guardados.clear();
        if (dano == "una carpeta") {
            QVERIFY(QFile::remove(ruta));
            QVERIFY(QDir().mkdir(ruta));
        } else if (dano == "un enlace fuera") {
            QVERIFY(QFile::remove(ruta));
            QVERIFY(QFile::link(ajeno, ruta));
        } else if (dano != "ninguno")
            ayudas::EscribirBytes(ruta, guardados);

        const QByteArray antes = ayudas::LeerBytes(b.ruta(kGrande));
        Editar(b.r, v, b.siguiente);
        ayudas::EscribirBytes(b.ruta(kGrande), mdlScripts::Componer(v)); // as another program writes it
        const QByteArray despues = ayudas::LeerBytes(b.ruta(kGrande));
        QVERIFY(version(&mensaje));
        QCOMPARE(mensaje, mezcla::Mensaje({{kGrande, antes, despues}}));
        QCOMPARE(ayudas::LeerBytes(ajeno), QByteArray("de otro"));
    }

    // A big category's blob, hashed and compressed at once and stored by the program itself, reads
    // back by git; a link in place of its objects' folder is refused, and nothing is written where
    // it leads.
    void blobGrandeEnUnEnlaceSeRechaza() {
        Biblioteca b(11);
        QVERIFY(b.hecha);
        QVERIFY(b.escribir(kGrande, Grande(b.r, b.siguiente)));
        const QByteArray datos = ayudas::LeerBytes(b.ruta(kGrande));
        const QByteArray id =
            QCryptographicHash::hash("blob " + QByteArray::number(datos.size()) + '\0' + datos,
                                     QCryptographicHash::Sha1)
                .toHex();
        git::Repositorio repo;
        QVERIFY(repo.Abrir(b.carpeta, true));
        QTemporaryDir fuera;
        const QString carpeta = b.carpeta + "/.git/objects/" + id.left(2);
        QVERIFY(!QFileInfo::exists(carpeta));
        QVERIFY(QFile::link(fuera.path(), carpeta));
        QString mensaje, error;
        QVERIFY(!repo.Confirmar({kGrande}, &mensaje, &error));
        QVERIFY2(error.contains("enlace"), qPrintable(error));
        QCOMPARE(QDir(fuera.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
        QVERIFY(QFile::remove(carpeta));
        QVERIFY2(repo.Confirmar({kGrande}, &mensaje, &error), qPrintable(error));
        QCOMPARE(QFileInfo(carpeta + '/' + id.mid(2)).permissions() & QFileDevice::WriteOwner,
                 QFileDevice::Permissions());
        if (!gitplano::Programa().isEmpty())
            QCOMPARE(GitMuestra(b.carpeta, repo.Ultima(), kGrande), datos);
    }

    // A version of a file the program has just saved is made from the bytes it wrote; when another
    // program rewrote the file since, keeping its size and time, the version holds what the file holds.
    void versionDeLoQueOtroProgramaDejo() {
        Biblioteca b(8);
        QVERIFY(b.primeraVersion("Menus.rtn", {{"inicial", "", "", "1"}}));
        QVERIFY(b.escribir("Menus.rtn", {{"propio", "", "", "1"}}));
        const QByteArray ajeno = ayudas::Registro("ajeno", "", "x", "1");
        QVERIFY(ayudas::ReescribirComoOtroPrograma(b.ruta("Menus.rtn"), ajeno, false));
        QVERIFY(b.repo.Confirmar({"Menus.rtn"}, &b.mensaje, nullptr));
        QCOMPARE(b.repo.Contenido(b.repo.Ultima(), "Menus.rtn").value_or("(sin contenido)"), ajeno);
    }

    // A loose object whose header only ends past the first kilobytes of its file (a zlib stream may
    // begin with empty blocks) is whole, not damaged: a version that meets it is made and reads back.
    void cabeceraTrasBloquesVacios() {
        Biblioteca b(9);
        QVERIFY(b.primeraVersion("Otra.rtn", {{"otra", "", "", "1"}}));
        const QByteArray datos = ayudas::Registro("menu", "con cabecera lejana", "x = 1;", "3");
        const QByteArray objeto = "blob " + QByteArray::number(datos.size()) + '\0' + datos;
        QByteArray zlib("\x78\x01", 2);
        for (int i = 0; i < 2000; ++i)
            zlib += QByteArray("\x00\x00\x00\xff\xff", 5); // an empty stored block, not the last
        const quint16 largo = quint16(objeto.size());
        zlib += '\x01';
        zlib += char(largo & 0xff);
        zlib += char(largo >> 8);
        zlib += char(~largo & 0xff);
        zlib += char((~largo >> 8) & 0xff);
        zlib += objeto;
        const quint32 suma =
            quint32(adler32_z(1, reinterpret_cast<const Bytef *>(objeto.constData()), size_t(objeto.size())));
        for (const int desplazamiento : {24, 16, 8, 0})
            zlib += char((suma >> desplazamiento) & 0xff);
        const QByteArray id = QCryptographicHash::hash(objeto, QCryptographicHash::Sha1).toHex();
        QVERIFY(QDir().mkpath(b.carpeta + "/.git/objects/" + id.left(2)));
        ayudas::EscribirBytes(b.carpeta + "/.git/objects/" + id.left(2) + '/' + id.mid(2), zlib);
        QVERIFY(zlib.size() > 8192);

        ayudas::EscribirBytes(b.ruta("Menus.rtn"), datos);
        QVERIFY(b.repo.Confirmar({"Menus.rtn"}, &b.mensaje, nullptr));
        QString motivo;
        QVERIFY2(!b.repo.Danado(&motivo), qPrintable(motivo));
        QCOMPARE(b.repo.Contenido(b.repo.Ultima(), "Menus.rtn").value_or("(sin contenido)"), datos);
    }

    // Saving the same bytes again records nothing, also once the history keeps the file's records.
    void mismosBytesNoSonVersion() {
        Biblioteca b(7);
        const QVector<Script> v = Grande(b.r, b.siguiente);
        QVERIFY(b.primeraVersion(kGrande, v));
        const QByteArray primera = b.repo.Ultima();
        QVERIFY(b.escribir(kGrande, v));
        QVERIFY(b.repo.Confirmar({kGrande}, &b.mensaje, nullptr));
        QCOMPARE(b.mensaje, QString());
        QCOMPARE(b.repo.Ultima(), primera);
    }

    // After every version of a category of a few megabytes, the repository is at most one and a
    // half times what git's own housekeeping makes of it.
    void repositorioCercaDeLoQueHariaGit() {
        if (gitplano::Programa().isEmpty())
            QSKIP("git is not installed here to pack the repository with its own tool");
        Biblioteca b(8);
        QVERIFY(b.hecha);
        QVector<Script> v = Grande(b.r, b.siguiente) + Grande(b.r, b.siguiente);
        QVERIFY(b.escribir(kGrande, v));
        Historial h(b.carpeta);
        h.Preparar();
        for (int i = 0; i < 6; ++i) {
            v[b.r.bounded(int(v.size()))].Codigo += QStringLiteral(" // cambio %1").arg(i);
            QVERIFY(b.escribir(kGrande, v));
            h.Guardar({kGrande});
            QTemporaryDir copia;
            QCOMPARE(QProcess::execute("cp", {"-a", b.carpeta + "/.git", copia.path()}), 0);
            gitplano::Git(copia.filePath(".git"), "gc -q");
            const qint64 nuestro = ayudas::TamanoDeLaCarpeta(b.carpeta + "/.git/objects");
            const qint64 deGit = ayudas::TamanoDeLaCarpeta(copia.filePath(".git/objects"));
            qInfo("versión %d: %lld bytes, git gc: %lld", i + 1, nuestro, deGit);
            QVERIFY2(nuestro * 2 <= deGit * 3, qPrintable(QStringLiteral("%1 > 1,5 × %2").arg(nuestro).arg(deGit)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_versiones)
#include "tst_versiones.moc"
