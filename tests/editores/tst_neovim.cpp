// A real editor against the real program: Neovim, headless, with its own language client starting
// `rutinero --lsp` (tests/editores/neovim.lua), completing in a JavaScript file and accepting an item.
#include "AyudasNucleo.h"
#include "Programa.h"

#include <QJsonArray>
#include <QStandardPaths>

using prueba::Guion;

class tst_neovim : public QObject {
    Q_OBJECT
private slots:
    void completaYExpandeEnNeovim() {
        const QString nvim = QStandardPaths::findExecutable(QStringLiteral("nvim"));
        if (nvim.isEmpty())
            QSKIP("Neovim no está instalado (paquete neovim): no hay un editor real con que probar");
        prueba::Aplicacion app;
        QVERIFY(app.Categoria("JavaScript",
                              {Guion("Retrasar ejecución", "debounce: espera a que pare de escribir",
                                     "function ${nombre:retrasar}(f, ${ms:300}) {\n  return `$${ms}`;\n}"),
                               Guion("Alerta", "Muestra un aviso", "alert('${mensaje}');")}));
        QVERIFY(app.Categoria("CSS", {Guion("Retrasar animación", "animation-delay", "animation-delay: 1s;")}));
        const QString archivo = app.ruta("prueba.js"), salida = app.ruta("visto.json");
        ayudas::EscribirBytes(archivo, "const a = 1;\n");

        QProcess p;
        QProcessEnvironment e = prueba::SinPantalla();
        e.insert("RUTINERO_PROGRAMA", app.programa);
        e.insert("RUTINERO_SALIDA", salida);
        e.insert("RUTINERO_ARCHIVO", archivo);
        e.insert("RUTINERO_PREFIJO", "retras");
        // Neovim's own settings, state and logs stay in the test's folder.
        for (const char *v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            e.insert(v, app.dir.path());
        p.setProcessEnvironment(e);
        p.start(nvim, {"--headless", "-n", "-i", "NONE", "-u", RUTINERO_FUENTES "/tests/editores/neovim.lua"});
        QVERIFY(p.waitForFinished(120000));
        QFile f(salida);
        QVERIFY2(f.open(QIODevice::ReadOnly), p.readAllStandardError().constData());
        const QJsonObject visto = QJsonDocument::fromJson(f.readAll()).object();
        QVERIFY2(!visto.contains("fallo"), qPrintable(visto.value("fallo").toString()));

        // In a JavaScript buffer only the JavaScript script is offered, as a snippet.
        const QJsonArray elementos = visto.value("elementos").toArray();
        QCOMPARE(elementos.size(), 1);
        QCOMPARE(elementos[0]["etiqueta"].toString(), QStringLiteral("Retrasar ejecución"));
        QCOMPARE(elementos[0]["detalle"].toString(), QStringLiteral("JavaScript"));
        QCOMPARE(elementos[0]["tipo"].toInt(), 15);
        QCOMPARE(elementos[0]["formato"].toInt(), 2);
        QCOMPARE(visto.value("incompleto").toBool(), false);
        QVERIFY(visto.value("documentacion").toString().startsWith("debounce: espera a que pare de escribir\n\n```javascript\n"));
        // Accepted: the prefix gives way to the code, its fields to their defaults, the escapes to
        // what they stand for.
        const QStringList texto = visto.value("texto").toVariant().toStringList();
        QCOMPARE(texto, (QStringList{"const a = 1;", "  function retrasar(f, 300) {", "  return `${ms}`;", "}"}));
        QVERIFY(visto.value("detenido").toBool());
    }
};

QTEST_GUILESS_MAIN(tst_neovim)
#include "tst_neovim.moc"
