#pragma once
// The program itself in a process of its own: the test executable is linked into an application
// folder of its own (the program's folder is the one its executable is in) and runs the program's
// entry point there, lock, signals and all. A test file using it calls programa::EsHijo() first
// thing in main().
#include "AyudasNucleo.h"
#include "core/mdlINI.h"
#include "history/Red.h"
#include "ui/Mensajes.h"
#include "ui/editor/frmScript.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlInicio.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTreeWidget>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

namespace programa {

constexpr const char *kHijo = "RUTINERO_PRUEBA_PROGRAMA";
constexpr const char *kSincronizar = "RUTINERO_PRUEBA_SINCRONIZAR";
// The network's time limit in the child: an hour, so that only closing can end a stalled sync.
constexpr const char *kLimite = "RUTINERO_PRUEBA_LIMITE_MS";
// The category in which the child opens "Agregar" and types a script it does not accept.
constexpr const char *kTipear = "RUTINERO_PRUEBA_TIPEAR";

struct Programa {
    ayudas::Carpeta c;
    QString ejecutable;
    QProcess p;

    // The application folder with its preferences: versions on, and the sync's address.
    explicit Programa(const QString &remoto = {}) {
        c.estado.Ruta = "Categorias";
        c.estado.Mostrar = "Todas";
        c.estado.MostrarTodas = 1;
        c.estado.HistorialAutomatico = 1;
        c.estado.Remoto = remoto;
        QDir().mkpath(c.estado.carpetaCategorias());
        QDir().mkpath(c.estado.carpetaPreferencias());
        QString error;
        QVERIFY2(mdlINI::GuardarPreferencias(c.estado, {}, {"Todas"}, &error), qPrintable(error));
        ejecutable = c.ruta("rutinero");
        const QByteArray de = QFile::encodeName(QCoreApplication::applicationFilePath());
        if (::link(de.constData(), QFile::encodeName(ejecutable).constData()) != 0)
            QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), ejecutable));
    }
    ~Programa() {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
    // Starts it (choosing "Sincronizar" once the window is up, when asked); true once it says
    // its window is up (and the sync has begun).
    bool Iniciar(bool sincronizar, const QString &tipearEn = {}) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        if (!tipearEn.isEmpty())
            e.insert(QString::fromLatin1(kTipear), tipearEn);
        e.insert(QString::fromLatin1(kHijo), "1");
        e.insert(QString::fromLatin1(kLimite), "3600000");
        if (sincronizar)
            e.insert(QString::fromLatin1(kSincronizar), "1");
        p.setProcessEnvironment(e);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(ejecutable, {});
        if (!p.waitForStarted())
            return false;
        while (p.waitForReadyRead(60000))
            while (p.canReadLine())
                if (p.readLine().trimmed() == "listo")
                    return true;
        return false;
    }
    // SIGTERM, and whether it then ended by itself, cleanly.
    bool Terminar() {
        p.terminate();
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
};

// The child's side, run as the application starts: once the main window shows, "Sincronizar"
// is chosen if asked, and "listo" goes to stdout. No box may open: one ends it with code 3.
inline void AlArrancar() {
    if (!qEnvironmentVariableIsSet(kHijo))
        return;
    git::red::setLimiteMs(qEnvironmentVariableIntValue(kLimite));
    mensajes::SinRespuesta([](QWidget *ventana) {
        // The editor of a child that types runs as the user would see it, until something closes it.
        if (auto *editor = qobject_cast<frmScript *>(ventana); editor && qEnvironmentVariableIsSet(kTipear)) {
            editor->txtNombre->setText("tipeado");
            editor->txtDes->setText("sin aceptar");
            editor->txtPuntaje->setText("5");
            editor->ponerCodigo("echo \"hola\"");
            std::fputs("listo\n", stdout);
            std::fflush(stdout);
            QEventLoop bucle;
            QObject::connect(editor, &QDialog::finished, &bucle, &QEventLoop::quit);
            if (editor->isVisible())
                bucle.exec();
            return mensajes::kSuResultado;
        }
        ::_exit(3);
        return 0;
    });
    auto *mirar = new QTimer(qApp);
    QObject::connect(mirar, &QTimer::timeout, mirar, [mirar] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmPrincipal") && w->isVisible()) {
                mirar->stop();
                if (qEnvironmentVariableIsSet(kSincronizar))
                    if (auto *a = w->findChild<QAction *>("mnuSincronizar"))
                        a->trigger();
                if (qEnvironmentVariableIsSet(kTipear)) {
                    auto *principal = qobject_cast<frmPrincipal *>(w);
                    auto *lista = w->findChild<QTreeWidget *>("lstCat");
                    const QString categoria = qEnvironmentVariable(kTipear);
                    for (int i = 0; principal && lista && i < lista->topLevelItemCount(); ++i)
                        if (lista->topLevelItem(i)->text(0) == categoria)
                            lista->setCurrentItem(lista->topLevelItem(i));
                    principal->AbrirCategoria();
                    QTimer::singleShot(0, principal, [principal] { principal->AgregarS(); });
                    return; // "listo" comes once the script is typed
                }
                std::fputs("listo\n", stdout);
                std::fflush(stdout);
                return;
            }
    });
    mirar->start(20);
}

inline bool EsHijo() { return qEnvironmentVariableIsSet(kHijo); }
inline int Hijo(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return mdlInicio::Main(argc, argv);
}

} // namespace programa

// main() of a test that runs the program as its own child: the child runs the program's entry point.
#define PROGRAMA_MAIN(Prueba)                                                                               \
    int main(int argc, char **argv) {                                                                       \
        if (programa::EsHijo())                                                                             \
            return programa::Hijo(argc, argv);                                                              \
        QApplication app(argc, argv);                                                                       \
        Prueba t;                                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                          \
        return QTest::qExec(&t, argc, argv);                                                                \
    }

namespace {
void AlArrancarElHijo() { programa::AlArrancar(); }
} // namespace
Q_COREAPP_STARTUP_FUNCTION(AlArrancarElHijo)
