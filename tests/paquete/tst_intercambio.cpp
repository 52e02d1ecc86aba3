// Trading snippets with code editors through the real window: their files come in through the
// import window under its rules, and the menu writes a category for them or as Markdown.
#include "Ayudas.h"
#include "ui/Mensajes.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmAcerca.h"
#include "ui/tools/frmExaminar.h"

#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <QtWidgets>

#include <sys/wait.h>
#include <unistd.h>

using namespace ayudas;

namespace {
// Imports every file the import window lists in the folder; `aviso`, when given, answers the message
// that follows and keeps what it said.
void Importar(VentanaPrincipal &v, const QString &carpeta, QStringList *listados = nullptr, Mensaje *aviso = nullptr) {
    AlAbrirseModal([&](QWidget *w) {
        auto *d = qobject_cast<frmExaminar *>(w);
        QVERIFY(d);
        d->setCarpeta(carpeta);
        if (listados)
            for (int i = 0; i < d->flbArchivos->count(); ++i)
                listados->append(d->flbArchivos->item(i)->text());
        QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
    });
    if (aviso)
        ContestarMensaje(QMessageBox::Ok, aviso);
    v.w->setOpcionMarcada(3, true);
    ui(v.w)->mnuImportar->trigger();
}

// Answers the next save dialog with the path.
void GuardarEn(const QString &ruta) {
    AlAbrirseModal([ruta](QWidget *w) {
        auto *d = qobject_cast<QFileDialog *>(w);
        QVERIFY(d);
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
        d->selectFile(ruta);
        QMetaObject::invokeMethod(d, "accept");
    });
}
} // namespace

class tst_intercambio : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { mensajes::VaciarCola(); }

    // Snippet files come in as new categories; what the category cannot hold is named under its
    // heading, the rest kept (in UTF-8 when Windows-1252 cannot hold it).
    void importarArchivosDeEditores() {
        VentanaPrincipal v({{"Menus", Registro("a", "d", "x", "1")}});
        // Written by hand for the editor, comments and trailing commas included.
        EscribirBytes(v.c.ruta("fuera/javascript.json"), LeerBytes(RUTINERO_FUENTES "/tests/paquete/datos/ventana.json"));
        EscribirBytes(v.c.ruta("fuera/Web.code-snippets"), R"({"Rojo": {"body": "color: red;"}})");
        EscribirBytes(v.c.ruta("fuera/package.json"), R"({"name": "x", "version": "1.0.0"})");
        Mensaje aviso;
        QStringList listados;
        Importar(v, v.c.ruta("fuera"), &listados, &aviso);
        // A JSON file that holds no snippets is not offered.
        QCOMPARE(listados, (QStringList{"javascript.json", "Web.code-snippets"}));
        QVERIFY2(aviso.texto.contains(QStringLiteral("no puede guardar tal como son, que no se importaron:\n"
                                                     "  javascript / Di \"hola\": ")),
                 qPrintable(aviso.texto));
        QVERIFY2(aviso.texto.contains(QStringLiteral("sin código («body»), que no se importaron:\n  javascript / Sin cuerpo")),
                 qPrintable(aviso.texto));
        QCOMPARE(v.enArchivo("javascript"), (QStringList{"Abrir ventana", "Cara"}));
        QVERIFY(LeerBytes(v.c.estado.rutaCategoria("javascript")).startsWith("\xEF\xBB\xBF"));
        QCOMPARE(v.enArchivo("Web"), QStringList{"Rojo"});
        QVERIFY(Textos(ui(v.w)->lstCat).contains("javascript"));
        v.abrir("javascript");
        QCOMPARE(v.w->categoria().cantidad(), 2);
        const Script s = v.w->categoria().script(0);
        QCOMPARE(s.Descripcion, QStringLiteral("Abre una ventana «editores: prefijo=win»"));
        QCOMPARE(s.Codigo, QStringLiteral("window.open(*RTN*${pagina}*RTN*);\r\n\t"));
        QCOMPARE(v.w->categoria().script(1).Codigo, QStringLiteral("x = '\u263A';"));
    }

    // The same rule as category files: an existing category is never replaced.
    void importarNoReemplazaUnaCategoria() {
        const QByteArray menus = Registro("a", "d", "x", "1");
        VentanaPrincipal v({{"javascript", menus}});
        EscribirBytes(v.c.ruta("fuera/javascript.json"), R"({"Nuevo": {"body": "y"}})");
        Importar(v, v.c.ruta("fuera"));
        QCOMPARE(LeerBytes(v.c.estado.rutaCategoria("javascript")), menus);
    }

    // A broken file is reported by name, and the other files still come in.
    void archivoRotoSeNombra() {
        VentanaPrincipal v;
        EscribirBytes(v.c.ruta("fuera/Roto.code-snippets"), "{\"a\": {\"body\": [\"x\"");
        EscribirBytes(v.c.ruta("fuera/Bien.code-snippets"), R"({"b": {"body": "y"}})");
        Mensaje aviso;
        Importar(v, v.c.ruta("fuera"), nullptr, &aviso);
        QVERIFY2(aviso.texto.contains(QStringLiteral("Roto.code-snippets: no es JSON válido")), qPrintable(aviso.texto));
        QVERIFY(!QFileInfo::exists(v.c.estado.rutaCategoria("Roto")));
        QCOMPARE(v.enArchivo("Bien"), QStringList{"b"});
    }

    // "Exportar para editores" writes the open category, and importing what it wrote gives the same
    // names, descriptions, code and scores.
    void exportarEImportarDeVuelta() {
        QByteArray datos = Registro("Saludo", "Dice hola", "alert(*RTN*hola $nombre*RTN*);\r\nfin\\ x", "3") +
                           Registro("Vacio", "Sin nada", "", "1");
        VentanaPrincipal v({{"JavaScript", datos}});
        v.abrir("JavaScript");
        const QString ruta = v.c.ruta("salida/JavaScript.code-snippets");
        QDir().mkpath(v.c.ruta("salida"));
        GuardarEn(ruta);
        v.w->findChild<QAction *>("mnuExportarEditores")->trigger();
        const QJsonObject o = QJsonDocument::fromJson(LeerBytes(ruta)).object();
        QCOMPARE(o.keys(), (QStringList{"Saludo", "Vacio"}));
        QCOMPARE(o.value("Saludo").toObject().value("scope").toString(), QStringLiteral("javascript"));

        QFile::rename(ruta, v.c.ruta("salida/Vuelta.code-snippets"));
        Importar(v, v.c.ruta("salida"));
        const QVector<Script> ida = mdlScripts::Analizar(datos);
        QVector<Script> vuelta;
        QVERIFY(mdlScripts::LeerArchivo(v.c.estado.rutaCategoria("Vuelta"), vuelta));
        // The empty code's scope came from the category's name, which is now another: it comes back as
        // the language's tag.
        QVector<Script> esperados = ida;
        esperados[1].Descripcion += QStringLiteral(" #javascript");
        QCOMPARE(vuelta, esperados);
    }

    // A file already there is replaced only on Yes; No, Esc and the close box leave it as it was.
    void exportarSobreUnArchivoPregunta_data() {
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<bool>("reemplazado");
        QTest::newRow("sí") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
    }
    void exportarSobreUnArchivoPregunta() {
        QFETCH(int, respuesta);
        QFETCH(bool, reemplazado);
        VentanaPrincipal v({{"CSS", Registro("Rojo", "r", "a { color: red }", "1")}});
        v.abrir("CSS");
        const QString ruta = v.c.ruta("CSS.md");
        EscribirBytes(ruta, "mío");
        GuardarEn(ruta);
        Mensaje pregunta;
        ContestarMensaje(QMessageBox::StandardButton(respuesta), &pregunta);
        v.w->findChild<QAction *>("mnuMarkdown")->trigger();
        QCOMPARE(pregunta.icono, QMessageBox::Question);
        QVERIFY(pregunta.texto.contains("Esc"));
        QCOMPARE(LeerBytes(ruta).startsWith("# CSS\n"), reemplazado);
    }

    // Markdown of the open category as the list shows it, pending changes included.
    void markdownDeLaCategoriaAbierta() {
        VentanaPrincipal v({{"CSS", Registro("Rojo", "r", "a { color: red }", "1")}});
        v.abrir("CSS");
        v.w->categoria().Agregar(Script{"Azul", "b", "a { color: blue }", "1"});
        const QString ruta = v.c.ruta("CSS.md");
        GuardarEn(ruta);
        v.w->findChild<QAction *>("mnuMarkdown")->trigger();
        const QString md = QString::fromUtf8(LeerBytes(ruta));
        QVERIFY2(md.startsWith("# CSS\n"), qPrintable(md));
        QVERIFY2(md.contains("## Azul\n\nb\n\n```css\na { color: blue }\n```\n"), qPrintable(md));
        QVERIFY(md.contains("## Rojo\n"));
    }

    // The whole library, one heading per category; a category that cannot be read stops it, said.
    void markdownDeLaBiblioteca() {
        VentanaPrincipal v({{"SQL", Registro("Todo", "t", "SELECT 1;", "1")}, {"Bash", Registro("Hola", "h", "echo hola", "1")}});
        const QString ruta = v.c.ruta("todo.md");
        GuardarEn(ruta);
        v.w->findChild<QAction *>("mnuMarkdownBiblioteca")->trigger();
        QStringList titulos;
        for (const QString &l : QString::fromUtf8(LeerBytes(ruta)).split('\n'))
            if (l.startsWith('#'))
                titulos << l;
        QCOMPARE(titulos, (QStringList{"# Bash", "## Hola", "# SQL", "## Todo"}));
    }

    // "Acerca de" names the folder that holds the library and the preferences.
    void acercaDiceLaCarpetaEnUso() {
        VentanaPrincipal v;
        QString texto;
        AlAbrirseModal([&](QWidget *w) {
            auto *d = qobject_cast<frmAcerca *>(w);
            QVERIFY(d);
            texto = d->lblCarpeta->text();
        });
        ui(v.w)->mnuAcerca->trigger();
        QCOMPARE(texto, QStringLiteral("Carpeta de datos: ") + v.c.estado.carpeta);
    }

    void markdownDeLaBibliotecaIlegible() {
        VentanaPrincipal v({{"SQL", Registro("Todo", "t", "SELECT 1;", "1")}, {"Bash", Registro("Hola", "h", "x", "1")}});
        QFile::setPermissions(v.c.estado.rutaCategoria("SQL"), QFileDevice::WriteOwner);
        // 0 when the notice names the category and no file is asked for.
        const auto exportar = [&] {
            Mensaje aviso;
            ContestarMensaje(QMessageBox::Ok, &aviso);
            v.w->findChild<QAction *>("mnuMarkdownBiblioteca")->trigger();
            return !aviso.texto.contains("SQL: ") ? 2 : mensajes::Pendientes() != 0 ? 3 : 0;
        };
        if (::geteuid() != 0) {
            QCOMPARE(exportar(), 0);
            return;
        }
        // Root reads every file: the export runs in a child that has given up root for nobody.
        for (const QString &r : {v.c.dir.path(), v.c.estado.carpetaCategorias(), v.c.estado.rutaCategoria("SQL"),
                                 v.c.estado.rutaCategoria("Bash")})
            QVERIFY(::chown(QFile::encodeName(r).constData(), 65534, 65534) == 0);
        const pid_t hijo = ::fork();
        QVERIFY(hijo >= 0);
        if (hijo == 0) {
            if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
                ::_exit(1);
            ::_exit(exportar());
        }
        int estado = 0;
        QCOMPARE(::waitpid(hijo, &estado, 0), hijo);
        QVERIFY(WIFEXITED(estado));
        QCOMPARE(WEXITSTATUS(estado), 0);
    }
};

QTEST_MAIN(tst_intercambio)
#include "tst_intercambio.moc"
