#pragma once
// The window program copied beside a library of its own, as a user's own folder holds it, for the
// tests that run it as a user does.
#include "core/Estado.h"
#include "core/mdlINI.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace servidores {

struct Instalado {
    QTemporaryDir dir;
    Estado estado;
    QString programa;
    explicit Instalado(const QString &remoto) {
        estado.carpeta = dir.path();
        estado.Ruta = "Categorias";
        estado.Mostrar = "Todas";
        estado.MostrarTodas = 1;
        estado.HistorialAutomatico = 1;
        estado.Remoto = remoto;
        QDir().mkpath(estado.carpetaCategorias());
        QDir().mkpath(estado.carpetaPreferencias());
        QString error;
        QVERIFY2(mdlINI::GuardarPreferencias(estado, {}, {"Todas"}, &error), qPrintable(error));
        programa = dir.filePath("rutinero-ventana");
        QVERIFY(QFile::copy(RUTINERO_CONSTRUCCION "/rutinero-ventana", programa));
    }
    // `rutinero --sincronizar` with no display, in `entorno`.
    int sincronizar(QByteArray *salida, QByteArray *errores,
                    QProcessEnvironment e = QProcessEnvironment::systemEnvironment()) {
        QProcess p;
        e.remove("DISPLAY");
        e.remove("WAYLAND_DISPLAY");
        e.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(e);
        p.start(programa, {"--sincronizar"});
        const bool termino = p.waitForFinished(60000);
        *salida = p.readAllStandardOutput();
        *errores = p.readAllStandardError();
        if (termino && p.exitStatus() == QProcess::NormalExit)
            return p.exitCode();
        // A program that did not start, hung or crashed: what it said, for the failure's report.
        qWarning().noquote() << "rutinero --sincronizar" << (termino ? "crashed:" : "did not finish:") << p.errorString()
                             << "\nstdout:" << QString::fromUtf8(*salida) << "\nstderr:" << QString::fromUtf8(*errores);
        return -1;
    }
};
} // namespace servidores
