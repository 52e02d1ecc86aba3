// A full disk while the program writes: a small file system made for the test and filled to the last
// byte (or, where no file system can be made, a file-size limit that fails the writes the same way).
// Every write is reported with its reason in Spanish and leaves the old file exactly as it was.
#include "Ayudas.h"
#include "DiscoLleno.h"
#include "core/mdlINI.h"
#include "ui/editor/frmScript.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"
#include "ui/tools/frmMover.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

using namespace ayudas;

namespace {
// How the writes are made to fail: a tmpfs mounted by the test (as root), the same inside a user
// namespace of its own (as any user, where allowed), or a file-size limit on the process.
enum Medio { Tmpfs, Espacio, Limite };
const char *const kEnEspacio = "RUTINERO_EN_ESPACIO";

QByteArray Categoria(qsizetype bytes) {
    QByteArray r;
    for (int i = 0; r.size() < bytes; ++i)
        r += Registro("script " + QByteArray::number(i), "descripci\xf3n", QByteArray(qMin<qsizetype>(200, bytes / 4), 'c'), "1");
    return r;
}

// Writes beyond the first byte of any file fail while it lives (and SIGXFSZ does not end the test).
struct LimiteDeTamano {
    rlimit antes{};
    LimiteDeTamano() {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &antes);
        const rlimit uno{1, antes.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &uno);
    }
    ~LimiteDeTamano() { ::setrlimit(RLIMIT_FSIZE, &antes); }
};

// The main window over `carpeta` with Menus open, a move target, a preferences file and a preview.
struct Escena {
    Estado estado;
    std::unique_ptr<frmPrincipal> w;
    QTemporaryDir recibidos; // on the machine's disk: reading it is not what fails
    QString ruta(const QString &relativa) const { return estado.carpeta + QLatin1Char('/') + relativa; }
    QByteArray bytes(const QString &relativa) const { return LeerBytes(ruta(relativa)); }

    Escena(const QString &carpeta, qsizetype tamano) {
        estado.carpeta = carpeta;
        EscribirBytes(ruta("Categorias/Menus.rtn"), Categoria(tamano));
        EscribirBytes(ruta("Categorias/Destino.rtn"), Categoria(4096));
        EscribirBytes(ruta("Preferencias/config.ini"), "; escrito a mano\r\n[Categor\xed" "a]\r\nMostrar=Todas\r\n");
        EscribirBytes(ruta("Exportar/Temp.html"), "<p>vista anterior</p>\r\n");
        EscribirBytes(recibidos.filePath("Nuevo.rtn"), Categoria(4096));
        const QStringList panel = mdlINI::CargarPreferencias(estado);
        w = std::make_unique<frmPrincipal>(estado);
        w->setEntradasPanel(panel, estado.Mostrar);
        w->setOpcionMarcada(1, false);
        w->LlenarCat();
        ui(w)->lstCat->setCurrentItem(Buscar(ui(w)->lstCat, "Menus"));
        w->AbrirCategoria();
        ui(w)->lstScripts->Seleccionar(0);
    }

    // Runs the command of the case; gives what the failure message said.
    Mensaje ejecutar(const QString &caso) {
        Mensaje aviso;
        if (caso.startsWith("categoría")) {
            w->EliminarS();
            ayudas::Responder(ayudas::Gesto::Si);
            ContestarMensaje(QMessageBox::Ok, &aviso); // the failure, while the question is still open
            ui(w)->mnuGuardar->trigger();
        } else if (caso == "destino de mover") {
            frmMover dlg(*w);
            dlg.cboImagen->setCurrentIndex(dlg.cboImagen->findText("Destino"));
            emit dlg.cboImagen->activated(dlg.cboImagen->currentIndex());
            ContestarMensaje(QMessageBox::Ok, &aviso);
            QTest::mouseClick(dlg.cmdPegar, Qt::LeftButton);
        } else if (caso == "importar categoría") {
            w->setOpcionMarcada(3, true);
            AlAbrirseModal([&](QWidget *dlg) {
                auto *examinar = qobject_cast<frmExaminar *>(dlg);
                examinar->setCarpeta(recibidos.path());
                ContestarMensaje(QMessageBox::Ok, &aviso);
                QTest::mouseClick(examinar->cmdAceptar, Qt::LeftButton);
            });
            w->mnuImportar_Click();
        } else if (caso == "config.ini") {
            ContestarMensaje(QMessageBox::Ok, &aviso);
            w->close();
        } else if (caso == "vista previa") {
            estado.ModoScript = QStringLiteral("Ver");
            frmScript editor(*w);
            editor.show();
            ContestarMensaje(QMessageBox::Ok, &aviso);
            editor.boton(5)->trigger();
        }
        // The message may still be on its way from a nested event loop.
        [[maybe_unused]] const bool hecho =
            QTest::qWaitFor([&] { return aviso.visto || !QApplication::activeModalWidget(); }, 5000);
        return aviso;
    }
};
} // namespace

class tst_discolleno : public QObject {
    Q_OBJECT
private slots:
    void discoLleno_data() {
        QTest::addColumn<int>("medio");
        QTest::addColumn<QString>("caso");
        QTest::addColumn<int>("tamano");     // of Menus.rtn
        QTest::addColumn<QString>("archivo"); // the one that must stay as it was
        QTest::addColumn<QString>("aviso");   // how the message starts
        const std::tuple<const char *, int, const char *, const char *> casos[] = {
            {"categoría 100 B", 100, "Categorias/Menus.rtn", "No se pudo guardar la categoría Menus"},
            {"categoría 4 KB", 4096, "Categorias/Menus.rtn", "No se pudo guardar la categoría Menus"},
            {"categoría 1 MB", 1 << 20, "Categorias/Menus.rtn", "No se pudo guardar la categoría Menus"},
            {"destino de mover", 4096, "Categorias/Destino.rtn", "No se pudo copiar el script"},
            {"importar categoría", 4096, "Categorias/Nuevo.rtn", "No se pudieron importar estos archivos:\nNuevo.rtn: "},
            {"config.ini", 4096, "Preferencias/config.ini", "No se pudieron guardar las preferencias"},
            {"vista previa", 4096, "Exportar/Temp.html", "No se pudo escribir la vista previa"},
        };
        for (const auto &[medio, nombre] : {std::pair{Tmpfs, "tmpfs"}, std::pair{Espacio, "espacio de usuario"},
                                            std::pair{Limite, "límite de tamaño"}})
            for (const auto &[caso, tamano, archivo, aviso] : casos)
                QTest::addRow("%s, %s", caso, nombre)
                    << int(medio) << QString::fromUtf8(caso) << tamano << QString::fromLatin1(archivo) << QString::fromUtf8(aviso);
    }

    void discoLleno() {
        QFETCH(int, medio);
        QFETCH(QString, caso);
        QFETCH(int, tamano);
        QFETCH(QString, archivo);
        QFETCH(QString, aviso);
        if (medio == Espacio && !qEnvironmentVariableIsSet(kEnEspacio)) {
            // The same row again in a child that is root of its own user and mount namespace.
            QString razon;
            if (!EnEspacioPropio(kEnEspacio, &razon))
                QSKIP(qPrintable(razon));
            QVERIFY2(razon.isEmpty(), qPrintable(razon));
            return;
        }
        std::unique_ptr<Montaje> montaje;
        QTemporaryDir sinMontar;
        QString carpeta = sinMontar.path();
        if (medio != Limite) {
            montaje = std::make_unique<Montaje>(4 << 20);
            if (!montaje->montado)
                QSKIP(qPrintable("a tmpfs cannot be mounted here (" + montaje->razon +
                                 "); the user-namespace and file-size-limit rows cover the case"));
            carpeta = montaje->dir.path();
        }
        Escena e(carpeta, tamano);
        const QByteArray antes = e.bytes(archivo);
        const int filas = ui(e.w)->lstScripts->cantidad();
        Navegador escritorio(true); // a preview written would be handed to the desktop
        Mensaje m;
        {
            std::unique_ptr<LimiteDeTamano> limite;
            if (medio == Limite)
                limite = std::make_unique<LimiteDeTamano>();
            else
                Llenar(carpeta);
            if (QTest::currentTestFailed())
                return;
            m = e.ejecutar(caso);
        }
        const QString razon =
            medio == Limite ? QStringLiteral("el archivo supera el tamaño máximo permitido") : QStringLiteral("el disco está lleno");
        const QByteArray despues = e.bytes(archivo);
        qInfo("%s: antes %lld bytes, después %lld bytes (%s); aviso: %s",
              qPrintable(QString::fromUtf8(QTest::currentDataTag())), qint64(antes.size()), qint64(despues.size()),
              despues == antes ? "idéntico" : "CAMBIADO", qPrintable(m.texto.section('\n', 0, 1).replace('\n', ' ')));
        QVERIFY2(m.visto, "the failure was not reported");
        QVERIFY2(m.texto.startsWith(aviso), qPrintable(m.texto));
        QVERIFY2(m.texto.contains(razon), qPrintable(m.texto));
        QCOMPARE(e.bytes(archivo), antes);
        QCOMPARE(QFileInfo::exists(e.ruta(archivo)), !antes.isNull());
        QVERIFY(escritorio.abiertas.isEmpty());
        if (caso.startsWith("categoría")) {
            QVERIFY(ayudas::HayCambios(*e.w) && ui(e.w)->mnuGuardar->isEnabled());
        } else if (caso == "destino de mover") {
            QCOMPARE(ui(e.w)->lstScripts->cantidad(), filas);
            QVERIFY(!ayudas::HayCambios(*e.w));
        }
        e.w.reset(); // before the file system goes
    }
};

QTEST_MAIN(tst_discolleno)
#include "tst_discolleno.moc"
