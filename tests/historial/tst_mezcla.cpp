// Comparing and merging categories by script, on plain data.
#include "history/Mezcla.h"

#include <QCryptographicHash>
#include <QtTest>

using namespace mezcla;

namespace {
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
        const QStringList ab{"a=1", "b=2"};
        QTest::newRow("sin cambios") << ab << ab << ab << ab << QStringList() << 0;
        QTest::newRow("cambios en scripts distintos se combinan")
            << QStringList{"a=1", "b=2", "c=3"} << QStringList{"a=1x", "b=2", "c=3"} << QStringList{"a=1", "b=2", "c=3y"}
            << QStringList{"a=1x", "b=2", "c=3y"} << QStringList() << 0;
        QTest::newRow("el mismo cambio en los dos lados queda una vez")
            << QStringList{"a=1"} << QStringList{"a=9"} << QStringList{"a=9"} << QStringList{"a=9"} << QStringList() << 0;
        QTest::newRow("el mismo script cambiado en los dos lados conserva ambos")
            << ab << QStringList{"a=L", "b=2"} << QStringList{"a=R", "b=2"}
            << QStringList{"a=L", "a (otra copia)=R", "b=2"} << QStringList{"a"} << 0;
        QTest::newRow("descripción cambiada en los dos lados conserva ambos")
            << QStringList{"a=1"} << QStringList{"a=1=nuestra"} << QStringList{"a=1=suya"}
            << QStringList{"a=1=nuestra", "a (otra copia)=1=suya"} << QStringList{"a"} << 0;
        QTest::newRow("eliminado aquí y sin cambios allí se va")
            << ab << QStringList{"b=2"} << ab << QStringList{"b=2"} << QStringList() << 0;
        QTest::newRow("eliminado en los dos lados se va")
            << ab << QStringList{"b=2"} << QStringList{"b=2"} << QStringList{"b=2"} << QStringList() << 0;
        QTest::newRow("eliminado aquí y cambiado allí se conserva en su sitio")
            << QStringList{"a=1", "b=2", "c=3"} << QStringList{"a=1", "c=3"} << QStringList{"a=1", "b=R", "c=3"}
            << QStringList{"a=1", "b=R", "c=3"} << QStringList() << 1;
        QTest::newRow("cambiado aquí y eliminado allí se conserva")
            << ab << QStringList{"a=L", "b=2"} << QStringList{"b=2"} << QStringList{"a=L", "b=2"} << QStringList() << 1;
        QTest::newRow("lo agregado allí sigue a su vecino de allí")
            << QStringList{"a=1"} << QStringList{"a=1", "x=1"} << QStringList{"a=1", "y=2"}
            << QStringList{"a=1", "y=2", "x=1"} << QStringList() << 0;
        QTest::newRow("lo agregado allí al principio va al principio")
            << QStringList{"a=1"} << QStringList{"a=1"} << QStringList{"z=0", "a=1"} << QStringList{"z=0", "a=1"}
            << QStringList() << 0;
        QTest::newRow("el mismo script agregado en los dos lados queda una vez")
            << QStringList() << QStringList{"n=1"} << QStringList{"n=1"} << QStringList{"n=1"} << QStringList() << 0;
        QTest::newRow("agregado en los dos lados con el mismo nombre conserva ambos")
            << QStringList() << QStringList{"n=1"} << QStringList{"n=2"} << QStringList{"n=1", "n (otra copia)=2"}
            << QStringList{"n"} << 0;
        QTest::newRow("sin versión común se juntan los dos lados")
            << QStringList() << QStringList{"a=1", "b=2"} << QStringList{"a=1", "c=3"}
            << QStringList{"a=1", "c=3", "b=2"} << QStringList() << 0;
        QTest::newRow("nuestro orden se mantiene")
            << QStringList{"a=1", "b=2", "c=3"} << QStringList{"c=3", "b=2", "a=1"} << QStringList{"a=1", "b=2y", "c=3"}
            << QStringList{"c=3", "b=2y", "a=1"} << QStringList() << 0;
        QTest::newRow("nombres repetidos se emparejan en orden")
            << QStringList{"d=1", "d=2"} << QStringList{"d=1", "d=2x"} << QStringList{"d=1y", "d=2"}
            << QStringList{"d=1y", "d=2x"} << QStringList() << 0;
        QTest::newRow("una copia cuyo nombre está ocupado lleva número")
            << QStringList{"a=1"} << QStringList{"a=L", "a (otra copia)=k"} << QStringList{"a=R"}
            << QStringList{"a=L", "a (otra copia 2)=R", "a (otra copia)=k"} << QStringList{"a"} << 0;
        QTest::newRow("una copia con el texto de una copia que ya está no se repite")
            << QStringList{"a=1"} << QStringList{"a=L", "a (otra copia)=R"} << QStringList{"a=R"}
            << QStringList{"a=L", "a (otra copia)=R"} << QStringList() << 0;
        QTest::newRow("lo agregado allí con el nombre y el texto de una copia de aquí no se repite")
            << QStringList() << QStringList{"n=1", "n (otra copia)=2"} << QStringList{"n=2"}
            << QStringList{"n=1", "n (otra copia)=2"} << QStringList() << 0;
        QTest::newRow("categoría vaciada aquí y cambiada allí conserva lo cambiado")
            << ab << QStringList() << QStringList{"a=1", "b=R"} << QStringList{"b=R"} << QStringList() << 1;
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
        QTest::newRow("nada") << QStringList{"a=1"} << QStringList{"a=1"} << QString();
        QTest::newRow("de todo") << QStringList{"a=1", "b=2"} << QStringList{"a=9", "c=3", "d=4"}
                                 << "2 scripts agregados, 1 modificado, 1 eliminado";
        QTest::newRow("reordenados") << QStringList{"a=1", "b=2"} << QStringList{"b=2", "a=1"} << "scripts reordenados";
        QTest::newRow("reordenados y uno agregado")
            << QStringList{"a=1", "b=2"} << QStringList{"b=2", "a=1", "c=3"} << "1 script agregado";
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
        QTest::newRow("importar dos") << QStringList() << QStringList{"A.rtn|a=1", "B.rtn|a=1,b=2"}
                                      << "A: categoría nueva con 1 script; B: categoría nueva con 2 scripts";
        QTest::newRow("nada cambió") << QStringList{"Menus.rtn|a=1"} << QStringList{"Menus.rtn|a=1"} << QString();
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
        const QStringList ab{"A.rtn|a=1", "B.rtn|b=1"};
        QTest::newRow("categorías distintas cambiadas")
            << ab << QStringList{"A.rtn|a=2", "B.rtn|b=1"} << QStringList{"A.rtn|a=1", "B.rtn|b=2"}
            << QStringList{"A.rtn|a=2", "B.rtn|b=2"};
        QTest::newRow("categoría agregada allí")
            << ab << ab << (ab + QStringList{"N.rtn|n=1"}) << (ab + QStringList{"N.rtn|n=1"});
        QTest::newRow("agregada aquí y otra eliminada allí")
            << (ab + QStringList{"V.rtn|v=1"}) << (ab + QStringList{"N.rtn|n=1", "V.rtn|v=1"}) << ab
            << (ab + QStringList{"N.rtn|n=1"});
        QTest::newRow("eliminada aquí y cambiada allí se conserva")
            << (ab + QStringList{"V.rtn|v=1"}) << ab << (ab + QStringList{"V.rtn|v=2"}) << (ab + QStringList{"V.rtn|v=2"});
        QTest::newRow("cambiada aquí y eliminada allí se conserva")
            << (ab + QStringList{"V.rtn|v=1"}) << (ab + QStringList{"V.rtn|v=2"}) << ab << (ab + QStringList{"V.rtn|v=2"});
        QTest::newRow("eliminada en los dos lados")
            << (ab + QStringList{"V.rtn|v=1"}) << ab << ab << ab;
        QTest::newRow("renombrada aquí y cambiada allí")
            << QStringList{"M.rtn|a=1,b=2"} << QStringList{"C.rtn|a=1,b=2"} << QStringList{"M.rtn|a=1,b=3"}
            << QStringList{"C.rtn|a=1,b=3"};
        QTest::newRow("renombrada allí y cambiada aquí")
            << QStringList{"M.rtn|a=1,b=2"} << QStringList{"M.rtn|a=9,b=2"} << QStringList{"C.rtn|a=1,b=2"}
            << QStringList{"C.rtn|a=9,b=2"};
        QTest::newRow("renombrada aquí con un script nuevo y cambiada allí")
            << QStringList{"M.rtn|a=1,b=2,c=3"} << QStringList{"C.rtn|a=1,b=2,c=3,d=4"}
            << QStringList{"M.rtn|a=1,b=9,c=3"} << QStringList{"C.rtn|a=1,b=9,c=3,d=4"};
        QTest::newRow("renombrada distinto en cada lado queda con los dos nombres")
            << QStringList{"M.rtn|a=1"} << QStringList{"C1.rtn|a=1"} << QStringList{"C2.rtn|a=1"}
            << QStringList{"C1.rtn|a=1", "C2.rtn|a=1"};
        QTest::newRow("misma categoría nueva en los dos lados se junta")
            << QStringList() << QStringList{"N.rtn|a=1"} << QStringList{"N.rtn|b=2"} << QStringList{"N.rtn|b=2,a=1"};
        QTest::newRow("otro archivo cambiado en los dos lados queda el nuestro")
            << QStringList{"x.txt|1"} << QStringList{"x.txt|2"} << QStringList{"x.txt|3"} << QStringList{"x.txt|2"};
        QTest::newRow("otro archivo cambiado allí llega")
            << QStringList{"x.txt|1"} << QStringList{"x.txt|1"} << QStringList{"x.txt|3"} << QStringList{"x.txt|3"};
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
        for (auto it = resultado.cbegin(); it != resultado.cend(); ++it) // only what changes on our side
            QVERIFY2(it->datos != n.value(it.key()) || !n.contains(it.key()), qPrintable(it.key()));
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
        const QStringList ab{"A.rtn|a=1,b=2"};
        QTest::newRow("cambiado en los dos") << ab << QStringList{"A.rtn|a=8,b=2"} << ab << QStringList{"A.rtn|a=9,b=2"}
                                             << QStringList{"A.rtn|a=8,a (otra copia)=9,b=2"} << QStringList{"a"};
        QTest::newRow("eliminado allí") << ab << ab << ab << QStringList{"A.rtn|a=1"} << QStringList{"A.rtn|a=1"}
                                        << QStringList();
        QTest::newRow("agregado aquí") << ab << QStringList{"A.rtn|a=1,b=2,c=3"} << ab << ab
                                       << QStringList{"A.rtn|a=1,b=2,c=3"} << QStringList();
        QTest::newRow("categoría eliminada allí") << (ab + QStringList{"B.rtn|x=1"}) << (ab + QStringList{"B.rtn|x=1"})
                                                  << (ab + QStringList{"B.rtn|x=1"}) << ab << ab << QStringList();
        QTest::newRow("categoría nueva allí") << ab << ab << ab << (ab + QStringList{"N.rtn|n=1"})
                                              << (ab + QStringList{"N.rtn|n=1"}) << QStringList();
        QTest::newRow("categoría renombrada allí") << ab << ab << ab << QStringList{"C.rtn|a=1,b=2"}
                                                   << QStringList{"C.rtn|a=1,b=2"} << QStringList();
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

    // Both sides as they are: nothing to merge, nothing given.
    void carpetasIgualesNoDanNada() {
        const auto c = Carpeta({"A.rtn|a=1"});
        QVERIFY(MezclarArboles(Ids(c), Ids(c), Ids(c), [&](Lado, const QString &a) { return c.value(a); }).isEmpty());
    }
};

QTEST_GUILESS_MAIN(PruebaMezcla)
#include "tst_mezcla.moc"
