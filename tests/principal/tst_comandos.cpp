// Main-window commands as a user runs them: importing category files, choosing a panel filter while
// a save fails, and what a screen reader reads.
#include "Ayudas.h"
#include "core/Archivos.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/frmExaminar.h"

#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
using ayudas::Registro;
using ayudas::Textos;
using ayudas::ui;

const QByteArray kUno = Registro("uno", "d", "c", "1");

struct Ventana : ayudas::VentanaPrincipal {
    explicit Ventana(const QString &filtro = QStringLiteral("Todas")) : VentanaPrincipal(PorCrear{filtro}) {}
    void crear() { VentanaPrincipal::crear({"Todas", "me"}); }
    // Imports every category file of the folder through the dialog, as "Aceptar" does.
    void importarDe(const QString &origen) {
        w->setOpcionMarcada(3, true);
        ayudas::AlAbrirseModal([origen](QWidget *ventana) {
            auto *dlg = qobject_cast<frmExaminar *>(ventana);
            QVERIFY(dlg);
            dlg->setCarpeta(origen);
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        });
        w->mnuImportar_Click();
    }
};
} // namespace

class tst_comandos : public QObject {
    Q_OBJECT
private slots:
    // The program looks for <name>.rtn: a file with the extension in capitals is copied under that name.
    void importarExtensionEnMayusculasAbre() {
        Ventana v;
        v.c.categoria("Menus", kUno);
        v.crear();
        const QString origen = v.c.ruta("recibidos");
        ayudas::EscribirBytes(origen + "/MAYUS.RTN", Registro("grande", "", "", ""));
        ayudas::EscribirBytes(origen + "/Menus.Rtn", Registro("ajeno", "", "", "")); // Menus exists already
        v.importarDe(origen);
        QCOMPARE(QDir(v.c.estado.carpetaCategorias()).entryList(QDir::Files), (QStringList{"MAYUS.rtn", "Menus.rtn"}));
        QCOMPARE(ayudas::LeerBytes(v.c.estado.rutaCategoria("Menus")), kUno);
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"Menus", "MAYUS"}));
        v.abrir("MAYUS");
        QCOMPARE(ui(v.w)->lblMenu3->text(), QStringLiteral("MAYUS"));
        QCOMPARE(Textos(ui(v.w)->lstScripts), QStringList{"grande"});
    }

    // A read-only file received from someone else becomes a category of the user's own that saves.
    // Root may write any file, so the import runs as the unprivileged user 65534 when the tests are root.
    void importarCopiaConPermisosPropios() {
        Ventana v;
        v.crear();
        const QString origen = v.c.ruta("recibidos");
        const QString fuente = origen + "/RO.rtn";
        ayudas::EscribirBytes(fuente, kUno);
        QVERIFY(QFile::setPermissions(fuente, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QString copia = v.c.estado.rutaCategoria("RO");
        const auto importar = [&]() -> int {
            frmExaminar dlg(*v.w);
            dlg.setCarpeta(origen);
            dlg.cmdAceptar_Click();
            struct stat st {}, nueva {};
            if (::stat(QFile::encodeName(copia).constData(), &st) != 0)
                return 2; // not copied
            const QString otra = v.c.estado.carpetaCategorias() + "/nueva";
            QFile f(otra);
            if (!f.open(QIODevice::WriteOnly) || ::stat(QFile::encodeName(otra).constData(), &nueva) != 0)
                return 3;
            if (st.st_uid != ::geteuid())
                return 4; // not the user's own
            if ((st.st_mode & 07777) != (nueva.st_mode & 07777))
                return 5; // not what any new file gets
            return archivos::Guardar(copia, Registro("otro", "", "", "")) ? 0 : 6; // a later save
        };
        const bool raiz = ::geteuid() == 0;
        if (raiz)
            for (const QString &ruta : {v.c.dir.path(), v.c.estado.carpetaCategorias(), origen, fuente})
                QVERIFY(::chown(QFile::encodeName(ruta).constData(), 65534, 65534) == 0);
        // In a child even the answer armed for a failure notice ends with the import.
        const pid_t hijo = ::fork();
        QVERIFY(hijo >= 0);
        if (hijo == 0) {
            if (raiz && (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0))
                ::_exit(1);
            ayudas::ContestarMensaje(QMessageBox::Ok);
            ::_exit(importar());
        }
        int estado = 0;
        QCOMPARE(::waitpid(hijo, &estado, 0), hijo);
        QVERIFY(WIFEXITED(estado));
        QCOMPARE(WEXITSTATUS(estado), 0);
    }

    // The box names the filter the panel lists by, also when the save asked for first fails.
    void filtroNoAplicadoNoSeMuestra() {
        Ventana v(QStringLiteral("me"));
        for (const char *n : {"me", "menus", "otra"})
            v.c.categoria(QString::fromLatin1(n), kUno);
        v.crear();
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"me", "menus"}));
        v.abrir("menus");
        v.w->EliminarS();
        QVERIFY(ayudas::HayCambios(*v.w));
        // The file's place is taken by a folder: the save cannot succeed.
        const QString ruta = v.c.estado.rutaCategoria("menus");
        QVERIFY(QFile::remove(ruta) && QDir().mkpath(ruta));
        ayudas::Mensaje aviso;
        ayudas::Responder(ayudas::Gesto::Si);
        ayudas::ContestarMensaje(QMessageBox::Ok, &aviso); // the failure, while the question is still open
        QComboBox *cbo = ui(v.w)->cboCat;
        cbo->showPopup();
        QAbstractItemView *lista = cbo->view();
        QTRY_VERIFY(lista->isVisible());
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, lista->visualRect(cbo->model()->index(0, 0)).center());
        QTRY_VERIFY(aviso.visto);
        QVERIFY(aviso.texto.startsWith(QStringLiteral("No se pudo guardar la categoría menus")));
        QCOMPARE(cbo->currentText(), QStringLiteral("me")); // what the preferences will keep
        QCOMPARE(Textos(ui(v.w)->lstCat), (QStringList{"me", "menus"}));
        QVERIFY(v.c.estado.MostrarTodas == 0 && v.c.estado.Mostrar == "me" && ayudas::HayCambios(*v.w));
    }

    // Every label of the main window is read by its text.
    void etiquetasSeLeenPorSuTexto() {
        Ventana v;
        v.c.categoria("Menus", kUno);
        v.crear();
        v.abrir("Menus");
        for (QLabel *l : v.w->findChildren<QLabel *>()) {
            if (l->text().trimmed().isEmpty())
                continue;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(l);
            QVERIFY(a);
            QVERIFY2(a->text(QAccessible::Name).trimmed() == l->text().trimmed(), qPrintable(l->objectName()));
        }
    }
};

QTEST_MAIN(tst_comandos)
#include "tst_comandos.moc"
