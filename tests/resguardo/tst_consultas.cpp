// Two windows ask the one index: the quick search and the library search. Each keeps the results of
// its own last text whatever the other asks meanwhile, on the real windows and on the indexer alone.
#include "Ayudas.h"
#include "search/Indexador.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmBuscarBiblioteca.h"
#include "ui/tools/frmBusquedaRapida.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using ayudas::Registro;
using ayudas::Textos;

const QList<QPair<QString, QByteArray>> kBiblioteca = {
    {"JavaScript", Registro("Debounce", "espera", "function d() {}", "1") +
                       Registro("Eventos", "Escucha clics", "el.onclick = f;", "2") +
                       Registro("Tabla", "filas", "table.rows", "3")},
    {"Otra", Registro("Debounce lento", "d", "setTimeout(f, 500);", "9") + Registro("Clics", "d", "x", "1")}};

// Many scripts that hold every piece of the words searched but none of the words: each query reads
// them all before it answers, so it takes a moment, and the other window asks while it runs.
QByteArray Relleno() {
    QByteArray r;
    for (int i = 0; i < 3000; ++i)
        r += Registro("Relleno " + QByteArray::number(i), "casi", "clic(lics); tabl(abla); boun(ounce);", "1");
    return r;
}

// Types over the whole box as the user does; nothing else runs in between.
void Escribir(QLineEdit *caja, const QString &texto) {
    QTest::keyClick(caja, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(caja, Qt::Key_Backspace);
    QTest::keyClicks(caja, texto);
}

// The names a library window lists (its second column).
QStringList Nombres(const frmBuscarBiblioteca *dlg) {
    QStringList r;
    for (int i = 0; i < dlg->lstResultados->topLevelItemCount(); ++i)
        r << dlg->lstResultados->topLevelItem(i)->text(1);
    return r;
}

// The indexer alone over a folder of these categories, its first pass done.
struct Indexado {
    QTemporaryDir dir;
    std::unique_ptr<Indexador> x;
    Indexado() {
        const QString carpeta = dir.path() + "/Categorias";
        QDir().mkpath(carpeta);
        for (const auto &c : kBiblioteca)
            ayudas::EscribirBytes(carpeta + QLatin1Char('/') + c.first + ".rtn", c.second);
        ayudas::EscribirBytes(carpeta + "/Relleno.rtn", Relleno());
        x = std::make_unique<Indexador>(carpeta, dir.path() + "/indice.db");
        QSignalSpy pasada(x.get(), &Indexador::actualizado);
        x->Iniciar();
        QVERIFY(pasada.wait(10000));
    }
};

// The answers given, by number, in the order they came.
struct Respuestas {
    QList<quint64> numeros;
    QMap<quint64, QStringList> nombres;
    explicit Respuestas(Indexador &x) {
        QObject::connect(&x, &Indexador::hallados, &x, [this](quint64 n, const biblioteca::Respuesta &r) {
            numeros << n;
            for (const biblioteca::Hallazgo &h : r.hallazgos)
                nombres[n] << h.nombre;
            nombres[n].sort();
        });
    }
};

QStringList Ordenados(QStringList l) {
    l.sort();
    return l;
}
} // namespace

class tst_consultas : public QObject {
    Q_OBJECT
private slots:
  // The two windows type in the same turn of the event loop, one's query still waiting or running
  // when the other asks: each shows its own text's results, whichever asked last.
  void cadaVentanaMuestraLoDeSuUltimoTexto_data() {
      QTest::addColumn<bool>("rapidaPrimero");
      QTest::newRow("la rápida pregunta antes") << true;
      QTest::newRow("la biblioteca pregunta antes") << false;
    }
    void cadaVentanaMuestraLoDeSuUltimoTexto() {
        QFETCH(bool, rapidaPrimero);
        ayudas::VentanaConPreferencias v(kBiblioteca + QList<QPair<QString, QByteArray>>{{"Relleno", Relleno()}},
                                         QString());
        v.w->IniciarIndice();
        v.w->mnuCodBuscarBiblioteca_Click();
        auto *dlg = v.w->findChild<frmBuscarBiblioteca *>();
        QVERIFY(dlg);
        frmBusquedaRapida r(*v.w->indexador(), v.c.estado.carpetaCategorias(), {});
        {
            QSignalSpy listos(&r, &frmBusquedaRapida::listos);
            r.Mostrar("bounce", true);
            QTRY_VERIFY(!listos.isEmpty());
        }
        QCOMPARE(Textos(r.lstResultados), (QStringList{"Debounce lento", "Debounce"}));

        // The second one pastes its text, asking right after the first one's last key.
        if (rapidaPrimero) {
            Escribir(r.txtBuscar, "clics");
            dlg->txtBuscar->setText("tabla");
        } else {
            Escribir(dlg->txtBuscar, "tabla");
            r.txtBuscar->setText("clics");
        }
        QTRY_COMPARE(Nombres(dlg), QStringList{"Tabla"});
        QTRY_COMPARE(Ordenados(Textos(r.lstResultados)), (QStringList{"Clics", "Eventos"}));
        QCOMPARE(r.txtBuscar->text(), "clics");
        const QStringList rapida = Textos(r.lstResultados);
        QSignalSpy listos(&r, &frmBusquedaRapida::listos);
        r.Mostrar();
        QTRY_VERIFY(!listos.isEmpty());
        QCOMPARE(Textos(r.lstResultados), rapida);
    }

    // Two askers are both answered, the first one first; one that asks again gives up only its own
    // older query, and goes behind the other asker that was waiting: typing on in one window never
    // starves the other.
    void laNuevaDeUnPedidorSoloDejaSuAnterior() {
        Indexado i;
        Respuestas r(*i.x);
        QObject rapida, biblioteca;
        const quint64 viejo = i.x->Buscar("bounce", 50, &rapida);
        const quint64 b = i.x->Buscar("tabla", 50, &biblioteca);
        const quint64 nuevo = i.x->Buscar("clics", 50, &rapida);
        QTRY_VERIFY(r.numeros.contains(nuevo));
        // The old one is answered only when it was done before the new one was asked.
        if (r.numeros.first() == viejo)
            r.numeros.removeFirst();
        QCOMPARE(r.numeros, (QList<quint64>{b, nuevo}));
        QCOMPARE(r.nombres.value(b), QStringList{"Tabla"});
        QCOMPARE(r.nombres.value(nuevo), (QStringList{"Clics", "Eventos"}));
    }

    // The next key's query may land at any moment of the one before, even as it ends: the stop meant
    // for the one before never carries over to the last one, which is answered.
    void laUltimaDeCadaRafagaSeResponde() {
        Indexado i;
        Respuestas r(*i.x);
        QObject ventana;
        for (int ronda = 0; ronda < 80; ++ronda) {
            // A word typed key by key, the keys further apart each round.
            for (const char *parte : {"b", "bo", "bou", "boun", "bounc", "bounce", "clic"}) {
                i.x->Buscar(parte, 50, &ventana);
                QThread::usleep(ronda * 53 % 4000);
            }
            const quint64 ultima = i.x->Buscar("clics", 50, &ventana);
            QVERIFY2(QTest::qWaitFor([&] { return r.numeros.contains(ultima); }, 30000),
                     qPrintable(QStringLiteral("ronda %1").arg(ronda)));
            QCOMPARE(r.nombres.value(ultima), (QStringList{"Clics", "Eventos"}));
        }
    }
};

QTEST_MAIN(tst_consultas)
#include "tst_consultas.moc"
