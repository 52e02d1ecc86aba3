// What the program prints: a normal start, the splash's way, with the library's index made for the
// first time, says nothing; its information is there at the debug level of its area.
#include "Ayudas.h"
#include "core/Registro.h"
#include "search/Indexador.h"
#include "ui/frmSplash.h"
#include "ui/main/frmPrincipal.h"

#include <QtTest>
#include <QtWidgets>

namespace {
QStringList gOidas;
QtMessageHandler gAnterior = nullptr;

// The program's own lines only: the platform's (an offscreen window cannot be raised) are not ours.
void Oir(QtMsgType tipo, const QMessageLogContext &contexto, const QString &texto) {
    if (contexto.category && QByteArray(contexto.category).startsWith("rutinero"))
        gOidas << QStringLiteral("%1 %2: %3").arg(tipo).arg(QString::fromLatin1(contexto.category), texto);
    if (gAnterior)
        gAnterior(tipo, contexto, texto);
}
} // namespace

class tst_registro : public QObject {
    Q_OBJECT
private slots:
    void arranqueNormalNoDiceNada_data() {
        QTest::addColumn<QString>("reglas");
        QTest::addColumn<bool>("detalle");
        QTest::newRow("como se instala") << "" << false;
        QTest::newRow("con el detalle del índice") << "rutinero.indice.debug=true" << true;
    }
    void arranqueNormalNoDiceNada() {
        QFETCH(QString, reglas);
        QFETCH(bool, detalle);
        QLoggingCategory::setFilterRules(reglas);
        const auto restaurar = qScopeGuard([] {
            qInstallMessageHandler(gAnterior);
            QLoggingCategory::setFilterRules(QString());
        });
        // Warnings are never switched off with the information.
        QVERIFY(lcIndice().isWarningEnabled() && lcArchivos().isWarningEnabled());
        QCOMPARE(lcIndice().isDebugEnabled(), detalle);
        gOidas.clear();
        gAnterior = qInstallMessageHandler(Oir);

        ayudas::Carpeta c;
        c.categoria("JavaScript", ayudas::Registro("Debounce", "Espera", "setTimeout(f, 300);", "1"));
        auto *splash = new frmSplash(c.estado);
        splash->Cargar();
        std::unique_ptr<frmPrincipal> principal(splash->principal());
        delete splash;
        principal->show();
        QVERIFY(QTest::qWaitForWindowExposed(principal.get()));
        principal->IniciarIndice();
        QSignalSpy pasada(principal->indexador(), &Indexador::actualizado);
        QSignalSpy cargado(principal->indexador(), &Indexador::listo);
        QTRY_VERIFY(!pasada.isEmpty()); // the index made and filled
        QTRY_VERIFY(!cargado.isEmpty());
        // Only debug lines: no information, warning or worse.
        QCOMPARE(gOidas.filter(QRegularExpression(QStringLiteral("^(?!%1 )").arg(QtDebugMsg))), QStringList());
        QCOMPARE(!gOidas.filter(QStringLiteral("trigrams left out")).isEmpty(), detalle);
    }
};

QTEST_MAIN(tst_registro)
#include "tst_registro.moc"
