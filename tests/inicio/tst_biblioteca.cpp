// The starter library: each file is exactly what the program itself would write, and installing it
// never touches a library the user already has.
#include "AyudasNucleo.h"
#include "format/mdlScripts.h"

#include <QProcess>
#include <QtTest>

class tst_biblioteca : public QObject {
    Q_OBJECT
    QString carpeta() const { return QStringLiteral(RUTINERO_FUENTES "/resources/inicio/Categorias"); }

private slots:
    void archivosIdaYVuelta() {
        const QStringList archivos = QDir(carpeta()).entryList({QStringLiteral("*.rtn")}, QDir::Files);
        QVERIFY(archivos.size() >= 6);
        for (const QString &a : archivos) {
            const QByteArray bytes = ayudas::LeerBytes(carpeta() + QLatin1Char('/') + a);
            const QVector<Script> scripts = mdlScripts::Analizar(bytes);
            QVERIFY2(scripts.size() >= 8 && scripts.size() <= 15, qPrintable(a));
            QCOMPARE(mdlScripts::Componer(scripts), bytes);
            for (const Script &s : scripts) {
                QVERIFY2(!s.Nombre.isEmpty() && !s.Descripcion.isEmpty() && !s.Codigo.isEmpty(), qPrintable(a));
                bool ok = false;
                const int p = s.Puntaje.toInt(&ok);
                QVERIFY2(ok && p >= 0 && p <= 99, qPrintable(s.Nombre));
            }
        }
    }

    void instalarSoloSiFalta() {
        QTemporaryDir dir;
        const QString guion = QStringLiteral(RUTINERO_FUENTES "/scripts/instalar-inicio.sh");
        QCOMPARE(QProcess::execute(guion, {dir.path()}), 0);
        QVERIFY(QFile::exists(dir.path() + QStringLiteral("/Categorias/HTML.rtn")));

        QTemporaryDir propia;
        ayudas::EscribirBytes(propia.path() + QStringLiteral("/Categorias/Mia.rtn"), "\"x\"\r\n");
        QCOMPARE(QProcess::execute(guion, {propia.path()}), 0);
        QCOMPARE(QDir(propia.path() + QStringLiteral("/Categorias")).entryList(QDir::Files), QStringList{"Mia.rtn"});
    }
};

QTEST_MAIN(tst_biblioteca)
#include "tst_biblioteca.moc"
