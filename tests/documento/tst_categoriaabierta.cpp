// The open category as a document, without a window: reading, each edit with its undo and redo,
// saving in the file's own encoding, and signals a table model can follow.
#include "AyudasNucleo.h"
#include "format/CategoriaAbierta.h"
#include "format/mdlScripts.h"

#include <QAbstractItemModelTester>
#include <QAbstractTableModel>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using Operacion = std::function<bool(CategoriaAbierta &)>;
Q_DECLARE_METATYPE(Operacion)

namespace {

Script S(const QString &nombre, const QString &desc = {}, const QString &codigo = {}, const QString &puntaje = {}) {
    return {nombre, desc, codigo, puntaje};
}

QStringList Nombres(const CategoriaAbierta &d) {
    QStringList n;
    for (const Script &s : d.scripts())
        n << s.Nombre;
    return n;
}

// A, B, a second A with the same description as the first (a duplicate), C.
const QVector<Script> kInicial{S("A", "a", "uno"), S("B", "b", "dos", "3"), S("A", "a", "tres"), S("C")};

QByteArray Bytes(const QVector<Script> &scripts) {
    QByteArray b;
    for (const Script &s : scripts)
        b += ayudas::Registro(s.Nombre.toLatin1(), s.Descripcion.toLatin1(), s.Codigo.toLatin1(), s.Puntaje.toLatin1());
    return b;
}

// Forwards the document's signals as a table model would; QAbstractItemModelTester then checks that
// every announced change is the change the rows show.
class Modelo : public QAbstractTableModel {
public:
    explicit Modelo(CategoriaAbierta &d) : d_(d) {
        connect(&d, &CategoriaAbierta::filasPorInsertar, this, [this](int a, int b) { beginInsertRows({}, a, b); });
        connect(&d, &CategoriaAbierta::filasInsertadas, this, [this] { endInsertRows(); });
        connect(&d, &CategoriaAbierta::filasPorQuitar, this, [this](int a, int b) { beginRemoveRows({}, a, b); });
        connect(&d, &CategoriaAbierta::filasQuitadas, this, [this] { endRemoveRows(); });
        connect(&d, &CategoriaAbierta::filaPorMover, this, [this](int f, int destino) {
            if (!beginMoveRows({}, f, f, {}, destino))
                QFAIL("movimiento que un modelo no acepta");
        });
        connect(&d, &CategoriaAbierta::filaMovida, this, [this] { endMoveRows(); });
        connect(&d, &CategoriaAbierta::filasCambiadas, this,
                [this](int a, int b) { emit dataChanged(index(a, 0), index(b, mdlScripts::kCampos - 1)); });
        connect(&d, &CategoriaAbierta::porReiniciar, this, [this] { beginResetModel(); });
        connect(&d, &CategoriaAbierta::reiniciada, this, [this] { endResetModel(); });
    }
    int rowCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : d_.cantidad(); }
    int columnCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : mdlScripts::kCampos; }
    QVariant data(const QModelIndex &i, int rol) const override {
        if (rol != Qt::DisplayRole || !i.isValid())
            return {};
        const Script &s = d_.script(i.row());
        const QString campos[] = {s.Nombre, s.Descripcion, s.Codigo, s.Puntaje};
        return campos[i.column()];
    }

private:
    CategoriaAbierta &d_;
};

void TablaDeEdiciones() {
    QTest::addColumn<Operacion>("operacion");
    QTest::addColumn<QStringList>("despues");
    QTest::addColumn<QString>("texto");
    QTest::newRow("agregar al final") << Operacion([](CategoriaAbierta &d) { return d.Agregar(S("X")); })
                                      << QStringList{"A", "B", "A", "C", "X"} << "agregar «X»";
    QTest::newRow("agregar en medio") << Operacion([](CategoriaAbierta &d) { return d.Agregar(S("X"), 1); })
                                      << QStringList{"A", "X", "B", "A", "C"} << "agregar «X»";
    QTest::newRow("editar") << Operacion([](CategoriaAbierta &d) { return d.Reemplazar(1, S("B2", "otra", "x", "5")); })
                            << QStringList{"A", "B2", "A", "C"} << "editar «B»";
    QTest::newRow("eliminar una") << Operacion([](CategoriaAbierta &d) { return d.Eliminar(1); })
                                  << QStringList{"A", "A", "C"} << "eliminar «B»";
    QTest::newRow("eliminar varias sueltas") << Operacion([](CategoriaAbierta &d) { return d.Eliminar({3, 0, 3}); })
                                             << QStringList{"B", "A"} << "eliminar 2 scripts";
    QTest::newRow("eliminar varias seguidas") << Operacion([](CategoriaAbierta &d) { return d.Eliminar({1, 2}); })
                                              << QStringList{"A", "C"} << "eliminar 2 scripts";
    QTest::newRow("subir") << Operacion([](CategoriaAbierta &d) { return d.Subir(3); })
                           << QStringList{"A", "B", "C", "A"} << "subir «C»";
    QTest::newRow("bajar") << Operacion([](CategoriaAbierta &d) { return d.Bajar(1); })
                           << QStringList{"A", "A", "B", "C"} << "bajar «B»";
    QTest::newRow("eliminar duplicados") << Operacion([](CategoriaAbierta &d) { return d.EliminarDuplicados() == 1; })
                                         << QStringList{"A", "B", "C"} << "eliminar duplicados";
    QTest::newRow("importar") << Operacion([](CategoriaAbierta &d) { return d.Importar({S("X"), S("Y"), S("Z")}); })
                              << QStringList{"A", "B", "A", "C", "X", "Y", "Z"} << "importar 3 scripts";
    QTest::newRow("restaurar") << Operacion([](CategoriaAbierta &d) { return d.Restaurar({S("V"), S("W")}); })
                               << QStringList{"V", "W"} << "restaurar una versión";
}

} // namespace

class tst_categoriaabierta : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString ruta(const QString &archivo) const { return dir_.path() + QLatin1Char('/') + archivo; }
    // A fresh file with the given bytes (the initial scripts unless told), opened.
    QString abrirInicial(CategoriaAbierta &d, const QString &nombre = QStringLiteral("Menus"),
                         const QByteArray &bytes = Bytes(kInicial)) {
        const QString r = ruta(nombre + QStringLiteral(".rtn"));
        ayudas::EscribirBytes(r, bytes);
        QString error;
        if (!d.Abrir(r, &error))
            qWarning() << error;
        return r;
    }

private slots:
    void abrirLeeScriptsNombreYCodificacion_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("segundo");
        QTest::addColumn<codificacion::Tipo>("tipo");
        QTest::newRow("windows-1252") << ayudas::Registro("a", "", "", "") + ayudas::Registro("ca\xF1" "a", "", "", "")
                                      << QStringLiteral("caña") << codificacion::Tipo::Cp1252;
        QTest::newRow("utf-8") << QByteArray(codificacion::kBom) + ayudas::Registro("a", "", "", "") +
                                      ayudas::Registro("ca\xC3\xB1" "a", "", "", "")
                               << QStringLiteral("caña") << codificacion::Tipo::Utf8;
    }
    void abrirLeeScriptsNombreYCodificacion() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, segundo);
        QFETCH(codificacion::Tipo, tipo);
        const QString r = ruta(QStringLiteral("Leída.rtn"));
        ayudas::EscribirBytes(r, bytes);
        CategoriaAbierta d;
        QString error;
        QVERIFY2(d.Abrir(r, &error), qPrintable(error));
        QCOMPARE(d.nombre(), QStringLiteral("Leída"));
        QCOMPARE(d.ruta(), r);
        QCOMPARE(Nombres(d), (QStringList{"a", segundo}));
        QCOMPARE(d.codificacion(), tipo);
        QCOMPARE(d.huella(), Huella::DeArchivo(r));
        QVERIFY(!d.hayCambios());
    }

    // What the reader would take with nothing lost must not be called damaged.
    void categoriasDeInicioAbrenEnteras() {
        const QDir inicio(QStringLiteral(RUTINERO_FUENTES "/resources/inicio/Categorias"));
        const QStringList archivos = inicio.entryList({QStringLiteral("*.rtn")}, QDir::Files);
        QVERIFY(!archivos.isEmpty());
        for (const QString &a : archivos) {
            CategoriaAbierta d;
            QString error;
            QVERIFY2(d.Abrir(inicio.filePath(a), &error), qPrintable(error));
            QCOMPARE(d.scripts(), mdlScripts::Analizar(ayudas::LeerBytes(inicio.filePath(a))));
        }
    }

    void grandeAbreComoElLector_data() {
        QTest::addColumn<bool>("utf8");
        QTest::newRow("windows-1252") << false;
        QTest::newRow("utf-8") << true;
    }
    // A big category is decoded on several cores: every script still in its place, each field as
    // the one-pass reader gives it.
    void grandeAbreComoElLector() {
        QFETCH(bool, utf8);
        QByteArray bytes = utf8 ? QByteArray(codificacion::kBom) : QByteArray();
        for (int i = 0; i < 5000; ++i) {
            const QByteArray n = QByteArray::number(i);
            const QByteArray alto = utf8 ? QByteArray("\xC3\xB1") : QByteArray("\xF1");
            bytes += i % 7 == 0 ? n + ", sin comillas, " + alto + " a\"b, 1\r\n"
                                : ayudas::Registro("s" + n, alto + n, "c*RTN*\r\n" + n, QByteArray::number(i % 10));
        }
        const QString r = ruta(QStringLiteral("Grande.rtn"));
        ayudas::EscribirBytes(r, bytes);
        CategoriaAbierta d;
        QString error;
        QVERIFY2(d.Abrir(r, &error), qPrintable(error));
        QCOMPARE(d.cantidad(), 5000);
        QCOMPARE(d.scripts(), mdlScripts::Analizar(bytes));
    }

    void abrirArchivoDefectuosoEsErrorYNoCambiaNada_data() {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QByteArray>("bytes"); // null: nothing written
        QTest::newRow("no existe") << "Falta.rtn" << QByteArray();
        QTest::newRow("es una carpeta") << "Carpeta.rtn" << QByteArray();
        QTest::newRow("marca de utf-8 con bytes que no lo son")
            << "Mezclada.rtn" << QByteArray(codificacion::kBom) + ayudas::Registro("ca\xF1" "a", "", "", "");
    }
    void abrirArchivoDefectuosoEsErrorYNoCambiaNada() {
        QFETCH(QString, archivo);
        QFETCH(QByteArray, bytes);
        if (archivo == QLatin1String("Carpeta.rtn"))
            QVERIFY(QDir().mkpath(ruta(archivo)));
        else if (!bytes.isNull())
            ayudas::EscribirBytes(ruta(archivo), bytes);
        CategoriaAbierta d;
        abrirInicial(d);
        QVERIFY(d.Agregar(S("pendiente")));
        QSignalSpy reinicios(&d, &CategoriaAbierta::porReiniciar);
        QString error;
        QVERIFY(!d.Abrir(ruta(archivo), &error));
        QVERIFY2(error.contains(QFileInfo(archivo).completeBaseName()), qPrintable(error));
        QCOMPARE(reinicios.count(), 0);
        QCOMPARE(d.nombre(), QStringLiteral("Menus"));
        QCOMPARE(d.cantidad(), kInicial.size() + 1);
        QCOMPARE(d.pila()->count(), 1);
        QVERIFY(d.hayCambios());
    }

    void edicionDeshacerYRehacer_data() { TablaDeEdiciones(); }
    void edicionDeshacerYRehacer() {
        QFETCH(Operacion, operacion);
        QFETCH(QStringList, despues);
        QFETCH(QString, texto);
        CategoriaAbierta d;
        abrirInicial(d);
        QSignalSpy cambios(&d, &CategoriaAbierta::cambiado);
        QVERIFY(operacion(d));
        QCOMPARE(Nombres(d), despues);
        QCOMPARE(d.pila()->count(), 1);
        QCOMPARE(d.pila()->undoText(), texto);
        QVERIFY(d.hayCambios());
        d.pila()->undo();
        QCOMPARE(d.scripts(), kInicial);
        QVERIFY(!d.hayCambios());
        d.pila()->redo();
        QCOMPARE(Nombres(d), despues);
        QVERIFY(d.hayCambios());
        QCOMPARE(cambios.count(), 3);
        QCOMPARE(cambios.at(1).at(0).toBool(), false);
    }

    void edicionSenalaLoQueUnModeloNecesita_data() { TablaDeEdiciones(); }
    void edicionSenalaLoQueUnModeloNecesita() {
        QFETCH(Operacion, operacion);
        CategoriaAbierta d;
        abrirInicial(d);
        Modelo m(d);
        QAbstractItemModelTester probador(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QPersistentModelIndex primera(m.index(0, 0));
        const QString nombre = primera.data().toString();
        QVERIFY(operacion(d));
        d.pila()->undo();
        d.pila()->redo();
        d.pila()->undo();
        // A row the view keeps hold of is still the same script once all is undone.
        if (primera.isValid())
            QCOMPARE(primera.data().toString(), nombre);
        for (int f = 0; f < d.cantidad(); ++f)
            QCOMPARE(m.index(f, 0).data().toString(), kInicial.at(f).Nombre);
    }

    // Scattered rows in their hundreds go and come back as one change of the list: a view pays the
    // length of the list for each change it is told of.
    void muchasFilasSueltasSonUnSoloCambio_data() {
        QTest::addColumn<bool>("duplicados");
        QTest::newRow("eliminar duplicados") << true;
        QTest::newRow("eliminar las elegidas") << false;
    }
    void muchasFilasSueltasSonUnSoloCambio() {
        QFETCH(bool, duplicados);
        QVector<Script> inicial, quedan;
        QList<int> elegidas;
        for (int i = 0; i < 300; ++i) {
            const bool repetida = i % 3 == 2;
            inicial.append(repetida ? S(QStringLiteral("n%1").arg(i - 2), "d", QStringLiteral("otro %1").arg(i))
                                    : S(QStringLiteral("n%1").arg(i), "d", QString::number(i)));
            if (repetida)
                elegidas.append(i);
            else
                quedan.append(inicial.last());
        }
        CategoriaAbierta d;
        abrirInicial(d, QStringLiteral("Menus"), Bytes(inicial));
        QCOMPARE(d.scripts(), inicial);
        Modelo m(d);
        QAbstractItemModelTester probador(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy quitadas(&d, &CategoriaAbierta::filasPorQuitar), puestas(&d, &CategoriaAbierta::filasPorInsertar),
            reinicios(&d, &CategoriaAbierta::porReiniciar);
        QVERIFY(duplicados ? d.EliminarDuplicados() == 100 : d.Eliminar(elegidas));
        QCOMPARE(d.scripts(), quedan);
        d.pila()->undo();
        QCOMPARE(d.scripts(), inicial);
        QVERIFY(!d.hayCambios());
        d.pila()->redo();
        QCOMPARE(d.scripts(), quedan);
        QCOMPARE(reinicios.count(), 3);
        QCOMPARE(quitadas.count() + puestas.count(), 0);
    }

    void edicionSinEfectoNoApila_data() {
        QTest::addColumn<Operacion>("operacion");
        QTest::newRow("subir la primera") << Operacion([](CategoriaAbierta &d) { return d.Subir(0); });
        QTest::newRow("bajar la última") << Operacion([](CategoriaAbierta &d) { return d.Bajar(3); });
        QTest::newRow("editar sin cambiar nada") << Operacion([](CategoriaAbierta &d) { return d.Reemplazar(1, kInicial.at(1)); });
        QTest::newRow("editar fila que no existe") << Operacion([](CategoriaAbierta &d) { return d.Reemplazar(4, S("X")); });
        QTest::newRow("agregar fuera de la lista") << Operacion([](CategoriaAbierta &d) { return d.Agregar(S("X"), 5); });
        QTest::newRow("eliminar ninguna") << Operacion([](CategoriaAbierta &d) { return d.Eliminar(QVector<int>{}); });
        QTest::newRow("eliminar con una fila que no existe")
            << Operacion([](CategoriaAbierta &d) { return d.Eliminar({0, 4}); });
        QTest::newRow("importar nada") << Operacion([](CategoriaAbierta &d) { return d.Importar({}); });
        QTest::newRow("restaurar lo mismo") << Operacion([](CategoriaAbierta &d) { return d.Restaurar(kInicial); });
        QTest::newRow("mover a la misma categoría")
            << Operacion([](CategoriaAbierta &d) { return !d.MoverA({0}, QStringLiteral("menus")).isEmpty(); });
    }
    void edicionSinEfectoNoApila() {
        QFETCH(Operacion, operacion);
        CategoriaAbierta d;
        abrirInicial(d);
        QSignalSpy cambios(&d, &CategoriaAbierta::cambiado);
        QVERIFY(!operacion(d));
        QCOMPARE(d.scripts(), kInicial);
        QCOMPARE(d.pila()->count(), 0);
        QVERIFY(!d.hayCambios());
        QCOMPARE(cambios.count(), 0);
    }

    // Undo back to the saved point leaves no changes; undo past it makes the document changed again,
    // and the file keeps what was saved: undoing is not writing.
    void deshacerSigueAlPuntoGuardado() {
        CategoriaAbierta d;
        const QString r = abrirInicial(d);
        QVERIFY(d.Agregar(S("X")));
        QString error;
        QVERIFY2(d.Guardar(&error), qPrintable(error));
        QVERIFY(!d.hayCambios());
        QCOMPARE(d.huella(), Huella::DeArchivo(r));
        QVERIFY(d.Agregar(S("Y")));
        QSignalSpy cambios(&d, &CategoriaAbierta::cambiado);
        d.pila()->undo();
        QVERIFY(!d.hayCambios());
        QCOMPARE(cambios.count(), 1);
        QCOMPARE(cambios.at(0).at(0).toBool(), false);
        d.pila()->undo();
        QVERIFY(d.hayCambios());
        QCOMPARE(d.scripts(), kInicial);
        QCOMPARE(mdlScripts::Analizar(ayudas::LeerBytes(r)).size(), kInicial.size() + 1);
    }

    void abrirOtraVaciaLaPila() {
        CategoriaAbierta d;
        abrirInicial(d);
        QVERIFY(d.Agregar(S("X")));
        QVERIFY(d.Subir(4));
        const QString otra = ruta(QStringLiteral("Otra.rtn"));
        ayudas::EscribirBytes(otra, Bytes({S("Z")}));
        QSignalSpy cambios(&d, &CategoriaAbierta::cambiado);
        QVERIFY(d.Abrir(otra));
        QCOMPARE(d.pila()->count(), 0);
        QVERIFY(!d.pila()->canUndo());
        QVERIFY(!d.hayCambios());
        QCOMPARE(cambios.count(), 1);
        QCOMPARE(Nombres(d), QStringList{"Z"});
    }

    void recargarDescartaCambios() {
        CategoriaAbierta d;
        abrirInicial(d);
        QVERIFY(d.Eliminar(0));
        QVERIFY(d.Recargar());
        QCOMPARE(d.scripts(), kInicial);
        QCOMPARE(d.pila()->count(), 0);
        QVERIFY(!d.hayCambios());
    }

    // Saved in the file's own encoding; a script Windows-1252 cannot hold makes the file UTF-8, the
    // scripts that were there included, rather than lose the character.
    void guardarConservaLaCodificacion_data() {
        QTest::addColumn<QByteArray>("antes");
        QTest::addColumn<QString>("agregado");
        QTest::addColumn<QByteArray>("despues");
        QTest::addColumn<codificacion::Tipo>("tipo");
        const QByteArray nino = ayudas::Registro("ni\xF1o", "", "", "");
        const QByteArray ninoUtf8 =
            QByteArray(codificacion::kBom) + ayudas::Registro("ni\xC3\xB1o", "", "", "");
        QTest::newRow("windows-1252")
            << nino << QStringLiteral("canción") << nino + ayudas::Registro("canci\xF3n", "", "", "")
            << codificacion::Tipo::Cp1252;
        QTest::newRow("utf-8") << ninoUtf8 << QStringLiteral("canción")
                               << ninoUtf8 + ayudas::Registro("canci\xC3\xB3n", "", "", "")
                               << codificacion::Tipo::Utf8;
        QTest::newRow("windows-1252 que no lo guarda pasa a utf-8")
            << nino << QString::fromUtf8("λ →")
            << ninoUtf8 + ayudas::Registro("\xCE\xBB \xE2\x86\x92", "", "", "") << codificacion::Tipo::Utf8;
    }
    void guardarConservaLaCodificacion() {
        QFETCH(QByteArray, antes);
        QFETCH(QString, agregado);
        QFETCH(QByteArray, despues);
        QFETCH(codificacion::Tipo, tipo);
        CategoriaAbierta d;
        const QString r = abrirInicial(d, QStringLiteral("Codificada"), antes);
        QVERIFY(d.Agregar(S(agregado)));
        QString error;
        QVERIFY2(d.Guardar(&error), qPrintable(error));
        QCOMPARE(ayudas::LeerBytes(r), despues);
        QCOMPARE(d.codificacion(), tipo);
    }

    void guardarFallidoQuedaCambiada() {
        QTemporaryDir otro;
        const QString r = otro.path() + QStringLiteral("/Perdida.rtn");
        ayudas::EscribirBytes(r, Bytes(kInicial));
        CategoriaAbierta d;
        QVERIFY(d.Abrir(r));
        QVERIFY(d.Agregar(S("X")));
        const Huella antes = d.huella();
        QVERIFY(QDir(otro.path()).removeRecursively());
        QString error;
        QVERIFY(!d.Guardar(&error));
        QVERIFY2(error.contains(QStringLiteral("Perdida")), qPrintable(error));
        QVERIFY(d.hayCambios());
        QCOMPARE(d.huella(), antes);
    }

    // A move takes no undo step: the document stays apart from its file, even after an edit and its
    // undo, until it is saved.
    void moverAOtraQuedaCambiadaHastaGuardar() {
        CategoriaAbierta d;
        const QString r = abrirInicial(d);
        QVERIFY(d.Agregar(S("X")));
        const QVector<Script> movidos = d.MoverA({2, 0}, QStringLiteral("Otra"));
        QCOMPARE(movidos, (QVector<Script>{kInicial.at(0), kInicial.at(2)}));
        QCOMPARE(Nombres(d), (QStringList{"B", "C", "X"}));
        QVERIFY(!d.pila()->canUndo());
        QVERIFY(d.hayCambios());
        QVERIFY(d.Eliminar(0));
        d.pila()->undo();
        QVERIFY(d.hayCambios());
        QSignalSpy cambios(&d, &CategoriaAbierta::cambiado);
        QVERIFY(d.Guardar());
        QVERIFY(!d.hayCambios());
        QCOMPARE(cambios.count(), 1);
        QCOMPARE(mdlScripts::Analizar(ayudas::LeerBytes(r)).size(), 3);
    }

    // Kept in name order, each edit puts its script in its place among the others, and its undo
    // puts everything back where it was.
    void ordenadaCadaEdicionVaASuLugar_data() {
        QTest::addColumn<Operacion>("operacion");
        QTest::addColumn<QStringList>("despues");
        // Sorted, the initial scripts read A, A, B, C (the two A keep the file's order).
        QTest::newRow("agregar va tras los iguales")
            << Operacion([](CategoriaAbierta &d) { return d.Agregar(S("b", "nuevo")); })
            << QStringList{"A", "A", "B", "b", "C"};
        QTest::newRow("agregar con tilde y eñe en orden español")
            << Operacion([](CategoriaAbierta &d) { return d.Agregar(S("Ñu")) && d.Agregar(S("Ábaco")); })
            << QStringList{"A", "A", "Ábaco", "B", "C", "Ñu"};
        QTest::newRow("editar el nombre lo mueve")
            << Operacion([](CategoriaAbierta &d) { return d.Reemplazar(0, S("Z")); })
            << QStringList{"A", "B", "C", "Z"};
        QTest::newRow("eliminar duplicados deja el orden")
            << Operacion([](CategoriaAbierta &d) { return d.EliminarDuplicados() == 1 && d.Agregar(S("b")); })
            << QStringList{"A", "B", "b", "C"};
        QTest::newRow("importar intercala")
            << Operacion([](CategoriaAbierta &d) { return d.Importar({S("D"), S("AA"), S("0")}); })
            << QStringList{"0", "A", "A", "AA", "B", "C", "D"};
    }
    void ordenadaCadaEdicionVaASuLugar() {
        QFETCH(Operacion, operacion);
        QFETCH(QStringList, despues);
        CategoriaAbierta d;
        d.setOrdenado(true);
        abrirInicial(d);
        const QStringList antes = Nombres(d);
        QCOMPARE(antes, (QStringList{"A", "A", "B", "C"}));
        QVERIFY(!d.hayCambios()); // read sorted: no change of its own
        QVERIFY(operacion(d));
        QCOMPARE(Nombres(d), despues);
        while (d.pila()->canUndo())
            d.pila()->undo();
        QCOMPARE(Nombres(d), antes);
        QVERIFY(!d.hayCambios());
    }

    // Ticking the option sorts what is open without making it a change; steps taken before it can no
    // longer be undone, and changes pending before it stay pending.
    void ordenarConLaOpcionNoEsUnCambio() {
        CategoriaAbierta d;
        abrirInicial(d, QStringLiteral("Z"), Bytes({S("c"), S("a"), S("b")}));
        d.setOrdenado(true);
        QCOMPARE(Nombres(d), (QStringList{"a", "b", "c"}));
        QVERIFY(!d.hayCambios() && !d.pila()->canUndo());
        d.setOrdenado(false);
        QVERIFY(d.Subir(2));
        d.setOrdenado(true);
        QCOMPARE(Nombres(d), (QStringList{"a", "b", "c"}));
        QVERIFY(d.hayCambios() && !d.pila()->canUndo());
    }

    // A column's order is one undo step: scores as numbers, one that is not a number last; a second
    // sort into the same order is no step at all.
    void ordenarPorPuntajeEsUnPaso() {
        CategoriaAbierta d;
        abrirInicial(d, QStringLiteral("P"), Bytes({S("a", "", "", "10"), S("b", "", "", "x"), S("c", "", "", "6"), S("d", "", "", "9.5")}));
        QVERIFY(d.Ordenar(3, Qt::AscendingOrder));
        QCOMPARE(Nombres(d), (QStringList{"c", "d", "a", "b"}));
        QCOMPARE(d.pila()->undoText(), QStringLiteral("ordenar por «P»"));
        QVERIFY(!d.Ordenar(3, Qt::AscendingOrder));
        QVERIFY(d.Ordenar(3, Qt::DescendingOrder));
        QCOMPARE(Nombres(d), (QStringList{"b", "a", "d", "c"}));
        d.pila()->undo();
        d.pila()->undo();
        QCOMPARE(Nombres(d), (QStringList{"a", "b", "c", "d"}));
        QVERIFY(!d.hayCambios());
    }

    // With nothing open there is no file the scripts could go to: every edit is refused.
    void sinAbiertaNoSeEdita() {
        CategoriaAbierta d;
        QVERIFY(!d.Agregar(S("X")));
        QVERIFY(!d.Importar({S("X")}));
        QVERIFY(!d.Restaurar({S("X")}));
        d.FijarCodificacion(codificacion::Tipo::Utf8);
        QCOMPARE(d.cantidad(), 0);
        QVERIFY(!d.hayCambios());
    }
};

QTEST_GUILESS_MAIN(tst_categoriaabierta)
#include "tst_categoriaabierta.moc"
