// A first start cut short (closed while its first index was being made) leaves its work kept: the
// next start does only what is left, once.
#include "AyudasNucleo.h"
#include "search/Indexador.h"
#include "search/IndiceBiblioteca.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace ayudas;

namespace {
constexpr int kCategorias = 60;

// A library of some 2 MB in many categories: one batch of the index's, longer to index than it
// takes to close the program. Code of random words: many distinct trigrams, the index's slowest
// statements, where closing finds the writer.
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

QString RutaIndice(const Carpeta &c) { return c.estado.carpetaPreferencias() + "/indice.db"; }
} // namespace

class tst_reanudar : public QObject {
    Q_OBJECT
private slots:
    // Closed (the index's owner destroyed, as closing does) part way through its first pass: the
    // categories it had stored stay in the index, and the next pass indexes only the others.
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
};

QTEST_GUILESS_MAIN(tst_reanudar)
#include "tst_reanudar.moc"
