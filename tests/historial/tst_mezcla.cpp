// Comparing and merging categories by script, on plain data.
#include "history/Mezcla.h"

#include <QCryptographicHash>
#include <QtTest>

using namespace mezcla;

namespace {
// A list written as one text: a category's records split at ',', a folder's entries at ';'.
QStringList L(const QString &texto, QChar separador = QLatin1Char(',')) {
    return texto.split(separador, Qt::SkipEmptyParts);
}

// A record written as "nombre=codigo" or "nombre=codigo=descripcion"; score 5.
Script Rec(const QString &texto) {
    const QStringList p = texto.split(QLatin1Char('='));
    return {p.value(0), p.size() > 2 ? p[2] : "d", p.value(1), "5"};
}

QByteArray Bytes(const QStringList &registros) {
    QVector<Script> v;
    for (const QString &r : registros)
        v.append(Rec(r));
    return mdlScripts::Componer(v);
}

QStringList Textos(const QByteArray &datos) {
    QStringList r;
    for (const Script &s : mdlScripts::Analizar(datos))
        r << (s.Descripcion == QLatin1String("d") ? QStringLiteral("%1=%2").arg(s.Nombre, s.Codigo)
                                                  : QStringLiteral("%1=%2=%3").arg(s.Nombre, s.Codigo, s.Descripcion));
    return r;
}

// A folder written as entries "Archivo.rtn|rec,rec" (a file of another kind holds the raw text).
QMap<QString, QByteArray> Carpeta(const QStringList &entradas) {
    QMap<QString, QByteArray> c;
    for (const QString &e : entradas) {
        const QString nombre = e.section(QLatin1Char('|'), 0, 0), resto = e.section(QLatin1Char('|'), 1);
        c.insert(nombre, nombre.endsWith(QLatin1String(".rtn"))
                             ? Bytes(resto.isEmpty() ? QStringList() : resto.split(QLatin1Char(',')))
                             : resto.toUtf8());
    }
    return c;
}

QStringList Entradas(const QMap<QString, QByteArray> &c) {
    QStringList r;
    for (auto it = c.cbegin(); it != c.cend(); ++it)
        r << it.key() + QLatin1Char('|') +
                 (it.key().endsWith(QLatin1String(".rtn")) ? Textos(it.value()).join(QLatin1Char(','))
                                                           : QString::fromUtf8(it.value()));
    return r;
}

Arbol Ids(const QMap<QString, QByteArray> &c) {
    Arbol a;
    for (auto it = c.cbegin(); it != c.cend(); ++it)
        a.insert(it.key(), QCryptographicHash::hash(it.value(), QCryptographicHash::Sha1));
    return a;
}

// Our folder with a merge's result written over it; the copies it made go to `copias`.
QMap<QString, QByteArray> Aplicar(QMap<QString, QByteArray> final, const QMap<QString, ResultadoArchivo> &resultado,
                                  QStringList *copias = nullptr) {
    for (auto it = resultado.cbegin(); it != resultado.cend(); ++it) {
        if (copias)
            *copias += it->copias;
        if (it->datos)
            final.insert(it.key(), *it->datos);
        else
            final.remove(it.key());
    }
    return final;
}
} // namespace

class PruebaMezcla : public QObject {
    Q_OBJECT
private slots:
    void mezclaDeUnaCategoria_data() {
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QStringList>("nuestros");
        QTest::addColumn<QStringList>("suyos");
        QTest::addColumn<QStringList>("esperado");
        QTest::addColumn<QStringList>("copias");
        QTest::addColumn<int>("conservados");
        auto fila = [](const char *nombre, const char *base, const char *nuestros, const char *suyos,
                       const char *esperado, const char *copias = "", int conservados = 0) {
            QTest::newRow(nombre) << L(base) << L(nuestros) << L(suyos) << L(esperado) << L(copias) << conservados;
        };
        fila("sin cambios", "a=1,b=2", "a=1,b=2", "a=1,b=2", "a=1,b=2");
        fila("cambios en scripts distintos se combinan", "a=1,b=2,c=3", "a=1x,b=2,c=3", "a=1,b=2,c=3y",
             "a=1x,b=2,c=3y");
        fila("el mismo cambio en los dos lados queda una vez", "a=1", "a=9", "a=9", "a=9");
        fila("el mismo script cambiado en los dos lados conserva ambos", "a=1,b=2", "a=L,b=2", "a=R,b=2",
             "a=L,a (otra copia)=R,b=2", "a");
        fila("descripción cambiada en los dos lados conserva ambos", "a=1", "a=1=nuestra", "a=1=suya",
             "a=1=nuestra,a (otra copia)=1=suya", "a");
        fila("eliminado aquí y sin cambios allí se va", "a=1,b=2", "b=2", "a=1,b=2", "b=2");
        fila("eliminado en los dos lados se va", "a=1,b=2", "b=2", "b=2", "b=2");
        fila("eliminado aquí y cambiado allí se conserva en su sitio", "a=1,b=2,c=3", "a=1,c=3", "a=1,b=R,c=3",
             "a=1,b=R,c=3", "", 1);
        fila("cambiado aquí y eliminado allí se conserva", "a=1,b=2", "a=L,b=2", "b=2", "a=L,b=2", "", 1);
        fila("lo agregado allí sigue a su vecino de allí", "a=1", "a=1,x=1", "a=1,y=2", "a=1,y=2,x=1");
        fila("lo agregado allí al principio va al principio", "a=1", "a=1", "z=0,a=1", "z=0,a=1");
        fila("el mismo script agregado en los dos lados queda una vez", "", "n=1", "n=1", "n=1");
        fila("agregado en los dos lados con el mismo nombre conserva ambos", "", "n=1", "n=2",
             "n=1,n (otra copia)=2", "n");
        fila("sin versión común se juntan los dos lados", "", "a=1,b=2", "a=1,c=3", "a=1,c=3,b=2");
        fila("nuestro orden se mantiene", "a=1,b=2,c=3", "c=3,b=2,a=1", "a=1,b=2y,c=3", "c=3,b=2y,a=1");
        fila("nombres repetidos se emparejan en orden", "d=1,d=2", "d=1,d=2x", "d=1y,d=2", "d=1y,d=2x");
        fila("una copia cuyo nombre está ocupado lleva número", "a=1", "a=L,a (otra copia)=k", "a=R",
             "a=L,a (otra copia 2)=R,a (otra copia)=k", "a");
        fila("una copia con el texto de una copia que ya está no se repite", "a=1", "a=L,a (otra copia)=R", "a=R",
             "a=L,a (otra copia)=R");
        fila("lo agregado allí con el nombre y el texto de una copia de aquí no se repite", "", "n=1,n (otra copia)=2",
             "n=2", "n=1,n (otra copia)=2");
        fila("categoría vaciada aquí y cambiada allí conserva lo cambiado", "a=1,b=2", "", "a=1,b=R", "b=R", "", 1);
    }
    void mezclaDeUnaCategoria() {
        QFETCH(QStringList, base);
        QFETCH(QStringList, nuestros);
        QFETCH(QStringList, suyos);
        QFETCH(QStringList, esperado);
        QFETCH(QStringList, copias);
        QFETCH(int, conservados);
        const MezclaCategoria m = Mezclar(Registros(Bytes(base)), Registros(Bytes(nuestros)), Registros(Bytes(suyos)));
        QCOMPARE(Textos(m.datos), esperado);
        QCOMPARE(m.datos, Bytes(esperado)); // a valid category file, byte for byte
        QCOMPARE(m.copias, copias);
        QCOMPARE(m.conservados, conservados);
    }

    // Code stays as the file's bytes: quotes held as the token, CR LF inside, and characters of the
    // code page come through unchanged.
    void codigoDeVariasLineasPasaIntacto() {
        const QVector<Script> base{{"a", "d", "uno", "5"}, {"b", "d", "dos", "5"}};
        QVector<Script> nuestros = base, suyos = base;
        nuestros[0].Codigo = "alert(*RTN*hola*RTN*);\r\nreturn \u00f1;";
        suyos[1].Codigo = "x\r\n\r\ny";
        const MezclaCategoria m = Mezclar(Registros(mdlScripts::Componer(base)), Registros(mdlScripts::Componer(nuestros)),
                                          Registros(mdlScripts::Componer(suyos)));
        QCOMPARE(m.datos, mdlScripts::Componer({nuestros[0], suyos[1]}));
    }

    // Unquoted fields decode to the same script as quoted ones.
    void camposSinComillasSonElMismoScript() {
        const Registros a(QByteArray("a,d,uno,5\r\n")), b(Bytes({"a=uno"}));
        QCOMPARE(Emparejar(a, b), QVector<int>{0});
        QVERIFY(a.igual(0, b, 0));
    }

    // One kind of change alone is seen on the real window's versions, in tst_historial.
    void descripcionDeLosCambios_data() {
        QTest::addColumn<QStringList>("antes");
        QTest::addColumn<QStringList>("despues");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("nada") << L("a=1") << L("a=1") << QString();
        QTest::newRow("de todo") << L("a=1,b=2") << L("a=9,c=3,d=4") << "2 scripts agregados, 1 modificado, 1 eliminado";
        QTest::newRow("reordenados") << L("a=1,b=2") << L("b=2,a=1") << "scripts reordenados";
        QTest::newRow("reordenados y uno agregado") << L("a=1,b=2") << L("b=2,a=1,c=3") << "1 script agregado";
    }
    void descripcionDeLosCambios() {
        QFETCH(QStringList, antes);
        QFETCH(QStringList, despues);
        QFETCH(QString, esperado);
        QCOMPARE(Describir(Comparar(Registros(Bytes(antes)), Registros(Bytes(despues)))), esperado);
    }

    // Each command's own message is checked on the real window, in tst_historial.
    void mensajeDeUnaVersion_data() {
        QTest::addColumn<QStringList>("antes");   // entries of the files written, as they were
        QTest::addColumn<QStringList>("despues"); // and as they are; a file absent on one side is left out
        QTest::addColumn<QString>("esperado");
        QTest::newRow("importar dos") << QStringList() << L("A.rtn|a=1;B.rtn|a=1,b=2", ';')
                                      << "A: categoría nueva con 1 script; B: categoría nueva con 2 scripts";
        QTest::newRow("nada cambió") << L("Menus.rtn|a=1", ';') << L("Menus.rtn|a=1", ';') << QString();
    }
    void mensajeDeUnaVersion() {
        QFETCH(QStringList, antes);
        QFETCH(QStringList, despues);
        QFETCH(QString, esperado);
        const auto a = Carpeta(antes), d = Carpeta(despues);
        QMap<QString, QByteArray> todos = a; // both sides' names, in order
        todos.insert(d);
        QVector<CambioArchivo> cambios;
        for (const QString &n : todos.keys())
            cambios.append({n, a.contains(n) ? std::optional(a[n]) : std::nullopt,
                            d.contains(n) ? std::optional(d[n]) : std::nullopt});
        QCOMPARE(Mensaje(cambios), esperado);
    }

    void mezclaDeCarpetas_data() {
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QStringList>("nuestra");
        QTest::addColumn<QStringList>("suya");
        QTest::addColumn<QStringList>("esperada");
        auto fila = [](const char *nombre, const QString &base, const QString &nuestra, const QString &suya,
                       const QString &esperada) {
            QTest::newRow(nombre) << L(base, ';') << L(nuestra, ';') << L(suya, ';') << L(esperada, ';');
        };
        const QString ab = "A.rtn|a=1;B.rtn|b=1;";
        fila("nada que mezclar", ab, ab, ab, ab);
        fila("categorías distintas cambiadas", ab, "A.rtn|a=2;B.rtn|b=1", "A.rtn|a=1;B.rtn|b=2", "A.rtn|a=2;B.rtn|b=2");
        fila("categoría agregada allí", ab, ab, ab + "N.rtn|n=1", ab + "N.rtn|n=1");
        fila("agregada aquí y otra eliminada allí", ab + "V.rtn|v=1", ab + "N.rtn|n=1;V.rtn|v=1", ab, ab + "N.rtn|n=1");
        fila("eliminada aquí y cambiada allí se conserva", ab + "V.rtn|v=1", ab, ab + "V.rtn|v=2", ab + "V.rtn|v=2");
        fila("cambiada aquí y eliminada allí se conserva", ab + "V.rtn|v=1", ab + "V.rtn|v=2", ab, ab + "V.rtn|v=2");
        fila("eliminada en los dos lados", ab + "V.rtn|v=1", ab, ab, ab);
        fila("renombrada aquí y cambiada allí", "M.rtn|a=1,b=2", "C.rtn|a=1,b=2", "M.rtn|a=1,b=3", "C.rtn|a=1,b=3");
        fila("renombrada allí y cambiada aquí", "M.rtn|a=1,b=2", "M.rtn|a=9,b=2", "C.rtn|a=1,b=2", "C.rtn|a=9,b=2");
        fila("renombrada aquí con un script nuevo y cambiada allí", "M.rtn|a=1,b=2,c=3", "C.rtn|a=1,b=2,c=3,d=4",
             "M.rtn|a=1,b=9,c=3", "C.rtn|a=1,b=9,c=3,d=4");
        fila("renombrada distinto en cada lado queda con los dos nombres", "M.rtn|a=1", "C1.rtn|a=1", "C2.rtn|a=1",
             "C1.rtn|a=1;C2.rtn|a=1");
        fila("misma categoría nueva en los dos lados se junta", "", "N.rtn|a=1", "N.rtn|b=2", "N.rtn|b=2,a=1");
        fila("otro archivo cambiado en los dos lados queda el nuestro", "x.txt|1", "x.txt|2", "x.txt|3", "x.txt|2");
        fila("otro archivo cambiado allí llega", "x.txt|1", "x.txt|1", "x.txt|3", "x.txt|3");
    }
    void mezclaDeCarpetas() {
        QFETCH(QStringList, base);
        QFETCH(QStringList, nuestra);
        QFETCH(QStringList, suya);
        QFETCH(QStringList, esperada);
        const auto b = Carpeta(base), n = Carpeta(nuestra), s = Carpeta(suya);
        const auto resultado = MezclarArboles(Ids(b), Ids(n), Ids(s), [&](Lado lado, const QString &archivo) {
            return (lado == Lado::Base ? b : lado == Lado::Nuestro ? n : s).value(archivo);
        });
        for (auto it = resultado.cbegin(); it != resultado.cend(); ++it) // only what changes on our side, if anything
            QVERIFY2(n.contains(it.key()) ? it->datos != n.value(it.key()) : it->datos.has_value(), qPrintable(it.key()));
        QCOMPARE(Entradas(Aplicar(n, resultado)), esperada);
    }

    // Two sides with no version in common, each with what its history ever held: what one side has
    // as the other once had it is older there, so only one side changed it (that case, on two real
    // histories, is tst_sincronizacion's).
    void mezclaSinHistoriaComun_data() {
        QTest::addColumn<QStringList>("historiaNuestra"); // earlier folders of our side
        QTest::addColumn<QStringList>("nuestra");
        QTest::addColumn<QStringList>("historiaSuya");
        QTest::addColumn<QStringList>("suya");
        QTest::addColumn<QStringList>("esperada");
        QTest::addColumn<QStringList>("copias");
        auto fila = [](const char *nombre, const QString &historiaNuestra, const QString &nuestra,
                       const QString &historiaSuya, const QString &suya, const QString &esperada,
                       const char *copias = "") {
            QTest::newRow(nombre) << L(historiaNuestra, ';') << L(nuestra, ';') << L(historiaSuya, ';') << L(suya, ';')
                                  << L(esperada, ';') << L(copias);
        };
        const QString ab = "A.rtn|a=1,b=2;";
        fila("cambiado en los dos", ab, "A.rtn|a=8,b=2", ab, "A.rtn|a=9,b=2", "A.rtn|a=8,a (otra copia)=9,b=2", "a");
        fila("eliminado allí", ab, ab, ab, "A.rtn|a=1", "A.rtn|a=1");
        fila("agregado aquí", ab, "A.rtn|a=1,b=2,c=3", ab, ab, "A.rtn|a=1,b=2,c=3");
        fila("categoría eliminada allí", ab + "B.rtn|x=1", ab + "B.rtn|x=1", ab + "B.rtn|x=1", ab, ab);
        fila("categoría nueva allí", ab, ab, ab, ab + "N.rtn|n=1", ab + "N.rtn|n=1");
        fila("categoría renombrada allí", ab, ab, ab, "C.rtn|a=1,b=2", "C.rtn|a=1,b=2");
    }
    void mezclaSinHistoriaComun() {
        QFETCH(QStringList, historiaNuestra);
        QFETCH(QStringList, nuestra);
        QFETCH(QStringList, historiaSuya);
        QFETCH(QStringList, suya);
        QFETCH(QStringList, esperada);
        QFETCH(QStringList, copias);
        const auto n = Carpeta(nuestra), s = Carpeta(suya);
        Historia hn, hs;
        for (const auto &[historia, carpetas] : {std::pair{&hn, QList{Carpeta(historiaNuestra), n}},
                                                 std::pair{&hs, QList{Carpeta(historiaSuya), s}}})
            for (const auto &c : carpetas)
                for (auto it = c.cbegin(); it != c.cend(); ++it)
                    if (historia->agregarArchivo(it.key(), Ids(c).value(it.key())))
                        historia->agregarRegistros(it.value());
        const auto resultado = MezclarArboles({}, Ids(n), Ids(s), [&](Lado lado, const QString &archivo) {
            return (lado == Lado::Nuestro ? n : s).value(archivo);
        }, &hn, &hs);
        QStringList hechas;
        QCOMPARE(Entradas(Aplicar(n, resultado, &hechas)), esperada);
        QCOMPARE(hechas, copias);
    }

    // What a merge kept twice travels in its message and is read back whatever the names hold.
    void marcasDeLasCopias() {
        const QVector<Copia> copias{{"Menus.rtn", "a", "a (otra copia)"},
                                    {"Raro: 100%.rtn", "línea\nnueva «x»", "línea\nnueva «x» (otra copia 2)"}};
        const QString marcas = Marcas(copias);
        QVector<Copia> leidas;
        for (const QString &linea : marcas.split('\n')) {
            QVERIFY(linea.startsWith(QLatin1String(kMarcaCopia) + QStringLiteral(": ")));
            leidas.append(LeerMarca(linea.mid(int(qstrlen(kMarcaCopia)) + 2)).value_or(Copia{}));
        }
        QCOMPARE(leidas, copias);
        QCOMPARE(SinMarcas("Sincronización con x: Menus: 1 script agregado\n\n" + marcas),
                 "Sincronización con x: Menus: 1 script agregado");
    }
};

QTEST_GUILESS_MAIN(PruebaMezcla)
#include "tst_mezcla.moc"
