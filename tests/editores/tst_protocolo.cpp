// The language server as an editor drives it: the real program started with --lsp, framed JSON-RPC
// messages on its standard input, its replies read back; hostile input included.
#include "Programa.h"

#include <QJsonArray>

using prueba::Guion;

namespace {
const QString kUri = QStringLiteral("file:///tmp/prueba.txt");

QJsonObject Rango(int l0, int c0, int l1, int c1) {
    return {{"start", QJsonObject{{"line", l0}, {"character", c0}}}, {"end", QJsonObject{{"line", l1}, {"character", c1}}}};
}

// The process's resident memory, in MB, from the kernel.
int MegasResidentes(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:"))
            return int(l.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024);
    return -1;
}
} // namespace

class tst_protocolo : public QObject {
    Q_OBJECT
    prueba::Aplicacion app_;

    // A server that has opened one document holding `texto`.
    std::unique_ptr<prueba::Servidor> ConDocumento(const QString &lenguaje, const QString &texto) {
        auto s = std::make_unique<prueba::Servidor>(app_.programa);
        s->Iniciar();
        s->Abrir(kUri, lenguaje, texto);
        return s;
    }

private slots:
    void initTestCase() {
        QVERIFY(app_.dir.isValid());
        QVERIFY(app_.Categoria("JavaScript",
                               {Guion("Retrasar ejecución", "debounce: espera a que pare de escribir",
                                      "function ${nombre:retrasar}(f, ${ms:300}) {\n  let t;\n"
                                      "  return (...a) => { clearTimeout(t); t = setTimeout(() => f(...a), ${ms}); };\n}",
                                      "9"),
                                Guion("Plantilla de texto", "Cadena con un valor", "const s = `Hola $${nombre}`; // c:\\dir"),
                                Guion("Alerta", "Muestra un aviso", "alert('${mensaje}');")}));
        QVERIFY(app_.Categoria("CSS", {Guion("Retrasar animación", "animation-delay", "animation-delay: ${tiempo:1s};")}));
        QVERIFY(app_.Categoria("Varios", {Guion("Nota", "texto", "// debounce en el código, no en el nombre")}));
        QVERIFY(app_.Indexar());
    }

    void completaPorNombreYDescripcion_data() {
        QTest::addColumn<QString>("lenguaje");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QStringList>("ofrecidos");
        QTest::newRow("por el nombre") << "javascript" << "Alert" << QStringList{"Alerta"};
        QTest::newRow("sin acentos ni mayúsculas") << "javascript" << "EJECUCION" << QStringList{"Retrasar ejecución"};
        QTest::newRow("por la descripción, no por el código") << "plaintext" << "debounce" << QStringList{"Retrasar ejecución"};
        QTest::newRow("sólo los del lenguaje") << "javascript" << "retrasar" << QStringList{"Retrasar ejecución"};
        QTest::newRow("otro lenguaje") << "css" << "retrasar" << QStringList{"Retrasar animación"};
        // No script is in SQL: all are offered, the higher score first.
        QTest::newRow("lenguaje sin scripts") << "sql" << "retrasar"
                                              << QStringList{"Retrasar ejecución", "Retrasar animación"};
        QTest::newRow("ninguno") << "javascript" << "zzzz" << QStringList();
    }
    void completaPorNombreYDescripcion() {
        QFETCH(QString, lenguaje);
        QFETCH(QString, palabra);
        QFETCH(QStringList, ofrecidos);
        auto s = ConDocumento(lenguaje, "x = 1;\n  " + palabra);
        QCOMPARE(prueba::Etiquetas(s->Completar(kUri, 1, 2 + int(palabra.size()))), ofrecidos);
    }

    // Fields become tab stops (a name repeated, the same one), and what the grammar reserves is escaped.
    void textoDelElemento_data() {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("insertado");
        QTest::newRow("campos") << "ejecu"
                                << "function ${1:retrasar}(f, ${2:300}) {\n  let t;\n"
                                   "  return (...a) => { clearTimeout(t); t = setTimeout(() => f(...a), $2); \\};\n\\}";
        QTest::newRow("dólares y barras") << "Planti" << "const s = `Hola \\${nombre\\}`; // c:\\\\dir";
        QTest::newRow("campo sin valor") << "Alerta" << "alert('${1:mensaje}');";
    }
    void textoDelElemento() {
        QFETCH(QString, palabra);
        QFETCH(QString, insertado);
        auto s = ConDocumento("javascript", "  " + palabra);
        const QJsonObject item = s->Completar(kUri, 0, 2 + int(palabra.size())).value("items")[0].toObject();
        QCOMPARE(item.value("kind").toInt(), 15);
        QCOMPARE(item.value("insertTextFormat").toInt(), 2);
        QCOMPARE(item.value("detail").toString(), QStringLiteral("JavaScript"));
        QCOMPARE(item.value("textEdit")["range"].toObject(), Rango(0, 2, 0, 2 + int(palabra.size())));
        QCOMPARE(item.value("textEdit")["newText"].toString(), insertado);
    }

    void resolverDaDescripcionYCodigo() {
        auto s = ConDocumento("javascript", "Alert");
        const QJsonValue item = s->Completar(kUri, 0, 5).value("items")[0];
        const QJsonObject r = s->Respuesta(s->Pedir("completionItem/resolve", item)).value("result").toObject();
        QCOMPARE(r.value("label").toString(), QStringLiteral("Alerta"));
        QCOMPARE(r.value("documentation")["kind"].toString(), QStringLiteral("markdown"));
        QCOMPARE(r.value("documentation")["value"].toString(),
                 QStringLiteral("Muestra un aviso\n\n```javascript\nalert('${mensaje}');\n```"));
    }

    void incompletoMientrasHayMas_data() {
        QTest::addColumn<int>("coinciden");
        QTest::addColumn<int>("enviados");
        QTest::addColumn<bool>("incompleto");
        QTest::newRow("pocos") << 3 << 3 << false;
        QTest::newRow("más de los que se envían") << 60 << 50 << true;
    }
    void incompletoMientrasHayMas() {
        QFETCH(int, coinciden);
        QFETCH(int, enviados);
        QFETCH(bool, incompleto);
        QVector<Script> lote;
        for (int i = 0; i < coinciden; ++i)
            lote << Guion(QStringLiteral("Lote %1").arg(i), "d", "x");
        QVERIFY(app_.Categoria("Lote", lote));
        auto s = ConDocumento("plaintext", "lote");
        const QJsonObject r = s->Completar(kUri, 0, 4);
        QCOMPARE(r.value("items").toArray().size(), enviados);
        QCOMPARE(r.value("isIncomplete").toBool(), incompleto);
        QVERIFY(QFile::remove(app_.categorias() + "/Lote.rtn"));
    }

    // The document after the changes is the one completed in: ranges count UTF-16 units and any line end.
    void cambiosPorRangos_data() {
        QTest::addColumn<QString>("abierto");
        QTest::addColumn<QJsonArray>("cambios");
        QTest::addColumn<int>("linea");
        QTest::addColumn<int>("caracter");
        QTest::newRow("entero") << "" << QJsonArray{QJsonObject{{"text", "x\nAler"}}} << 1 << 4;
        QTest::newRow("insertar") << "ab\ncd" << QJsonArray{QJsonObject{{"range", Rango(1, 2, 1, 2)}, {"text", "\nAlert"}}}
                                  << 2 << 5;
        QTest::newRow("varias líneas") << "uno\ndos\ntres"
                                       << QJsonArray{QJsonObject{{"range", Rango(0, 0, 2, 4)}, {"text", "Aler"}}} << 0 << 4;
        QTest::newRow("tras un emoji") << "ñ\U0001F600" << QJsonArray{QJsonObject{{"range", Rango(0, 3, 0, 3)}, {"text", " Alert"}}}
                                       << 0 << 9;
        QTest::newRow("CR LF") << "a\r\nb" << QJsonArray{QJsonObject{{"range", Rango(1, 1, 1, 1)}, {"text", " Alert"}}} << 1 << 7;
        QTest::newRow("dos seguidos") << "x"
                                      << QJsonArray{QJsonObject{{"range", Rango(0, 1, 0, 1)}, {"text", " Al"}},
                                                    QJsonObject{{"range", Rango(0, 4, 0, 4)}, {"text", "ert"}}}
                                      << 0 << 7;
    }
    void cambiosPorRangos() {
        QFETCH(QString, abierto);
        QFETCH(QJsonArray, cambios);
        QFETCH(int, linea);
        QFETCH(int, caracter);
        auto s = ConDocumento("javascript", abierto);
        s->Notificar("textDocument/didChange",
                     {{"textDocument", QJsonObject{{"uri", kUri}, {"version", 2}}}, {"contentChanges", cambios}});
        QCOMPARE(prueba::Etiquetas(s->Completar(kUri, linea, caracter)), QStringList{"Alerta"});
    }

    // A script saved meanwhile is offered at the next request, the index as it was.
    void sigueLaBiblioteca() {
        auto s = ConDocumento("javascript", "Nuev");
        QCOMPARE(prueba::Etiquetas(s->Completar(kUri, 0, 4)), QStringList());
        QVERIFY(app_.Categoria("Nuevos", {Guion("Nuevo script", "recién guardado", "x")}));
        QCOMPARE(prueba::Etiquetas(s->Completar(kUri, 0, 4)), QStringList{"Nuevo script"});
        QVERIFY(QFile::remove(app_.categorias() + "/Nuevos.rtn"));
    }

    void noEscribeNada() {
        const auto antes = app_.Todo();
        {
            auto s = ConDocumento("javascript", "Alert");
            const QJsonValue item = s->Completar(kUri, 0, 5).value("items")[0];
            s->Respuesta(s->Pedir("completionItem/resolve", item));
            s->Respuesta(s->Pedir("shutdown"));
            s->Notificar("exit");
            QVERIFY(s->proceso().waitForFinished(20000));
        }
        QCOMPARE(app_.Todo().keys(), antes.keys());
        QCOMPARE(app_.Todo(), antes);
    }

    // Each hostile message gets its error (or is dropped) and the server goes on answering.
    void mensajesHostiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error"); // 0: no reply
        QTest::newRow("JSON roto") << prueba::Marco("{\"jsonrpc\": \"2.0\", \"id\": 1,") << -32700;
        QTest::newRow("UTF-8 inválido") << prueba::Marco("{\"id\": 1, \"method\": \"a\xff\"}") << -32700;
        QTest::newRow("anidado sin fin") << prueba::Marco(QByteArray(100000, '[')) << -32700;
        QTest::newRow("no es un objeto") << prueba::Marco("[1, 2]") << -32600;
        QTest::newRow("sin método") << prueba::Marco("{\"jsonrpc\": \"2.0\", \"id\": 7}") << -32600;
        QTest::newRow("identificador raro") << prueba::Marco("{\"id\": [1], \"method\": \"shutdown\"}") << -32600;
        QTest::newRow("método desconocido") << prueba::Marco("{\"id\": 8, \"method\": \"no/existe\"}") << -32601;
        QTest::newRow("parámetros de otro tipo")
            << prueba::Marco("{\"id\": 9, \"method\": \"textDocument/completion\", \"params\": {\"position\": 3}}") << -32602;
        QTest::newRow("notificación desconocida") << prueba::Marco("{\"method\": \"no/existe\"}") << 0;
        QTest::newRow("sin Content-Length") << QByteArray("Content-Type: x\r\n\r\n{\"id\": 3}") << 0;
        QTest::newRow("largo que no es número") << QByteArray("Content-Length: -5\r\n\r\n{}") << 0;
        QTest::newRow("cabecera sin fin") << QByteArray(20000, 'x') << 0;
        QTest::newRow("basura antes") << QByteArray("hola\r\n") << 0;
    }
    void mensajesHostiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        prueba::Servidor s(app_.programa);
        s.Iniciar();
        s.Bytes(bytes);
        const int ping = s.Pedir("rutinero/ping");
        const std::optional<QJsonObject> primero = s.Leer();
        QVERIFY(primero);
        if (error != 0) {
            QCOMPARE(primero->value("error")["code"].toInt(), error);
            QVERIFY(primero->value("error")["message"].isString());
            QVERIFY2(s.Respuesta(ping).contains("error"), "sin respuesta tras el mensaje hostil");
        } else {
            QCOMPARE(primero->value("id").toInt(), ping);
        }
    }

    // A body said to be of 2 GB is skipped as it comes, never held.
    void largoEnormeNoSeGuarda() {
        prueba::Servidor s(app_.programa);
        s.Iniciar();
        s.Bytes("Content-Length: 2147483648\r\n\r\n");
        const QByteArray mega(1 << 20, 'a');
        for (int i = 0; i < 200; ++i) {
            s.Bytes(mega);
            QVERIFY(s.proceso().waitForBytesWritten(20000));
        }
        QCOMPARE(s.proceso().state(), QProcess::Running);
        const int megas = MegasResidentes(s.proceso().processId());
        QVERIFY2(megas > 0 && megas < 100, qPrintable(QString::number(megas)));
        s.proceso().closeWriteChannel();
        QVERIFY(s.proceso().waitForFinished(20000));
        QCOMPARE(s.proceso().exitStatus(), QProcess::NormalExit);
    }

    void antesDeIniciarSoloInitialize() {
        prueba::Servidor s(app_.programa);
        const QJsonObject r = s.Respuesta(s.Pedir("textDocument/completion"));
        QCOMPARE(r.value("error")["code"].toInt(), -32002);
        const QJsonObject capacidades = s.Iniciar().value("result")["capabilities"].toObject();
        QCOMPARE(capacidades.value("completionProvider")["resolveProvider"].toBool(), true);
        QCOMPARE(capacidades.value("textDocumentSync")["change"].toInt(), 2);
    }

    void codigoDeSalida_data() {
        QTest::addColumn<bool>("apagar");
        QTest::addColumn<bool>("salir");
        QTest::addColumn<int>("codigo");
        QTest::newRow("shutdown y exit") << true << true << 0;
        QTest::newRow("exit sin shutdown") << false << true << 1;
        QTest::newRow("la entrada se cierra") << false << false << 1;
    }
    void codigoDeSalida() {
        QFETCH(bool, apagar);
        QFETCH(bool, salir);
        QFETCH(int, codigo);
        prueba::Servidor s(app_.programa);
        s.Iniciar();
        if (apagar) {
            s.Respuesta(s.Pedir("shutdown"));
            // Once shut down, a request is refused.
            QCOMPARE(s.Respuesta(s.Pedir("textDocument/completion")).value("error")["code"].toInt(), -32600);
        }
        if (salir)
            s.Notificar("exit");
        else
            s.proceso().closeWriteChannel();
        QVERIFY(s.proceso().waitForFinished(20000));
        QCOMPARE(s.proceso().exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.proceso().exitCode(), codigo);
    }
};

QTEST_GUILESS_MAIN(tst_protocolo)
#include "tst_protocolo.moc"
