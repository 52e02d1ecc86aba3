#include "ui/mdlScriptsVista.h"
#include "core/Archivos.h"
#include "format/CategoriaAbierta.h"
#include "format/DuenoCarpeta.h"
#include "format/mdlScripts.h"
#include "ui/Mensajes.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>

#include <cerrno>
#include <new>

namespace mdlScripts {
namespace {
// The bar is only told where reading ends: touching the widget per record would cost more than
// reading.
void Terminar(QProgressBar *barra, int registros) {
    if (!barra)
        return;
    if (registros > 0) {
        barra->setRange(0, registros);
        barra->setValue(registros);
    }
    barra->setRange(0, 200);
    barra->setValue(0);
}

void AvisarNoLeida(QWidget *padre, const QString &error) {
    mensajes::Aviso(padre, error, QStringLiteral("Abrir categoría"));
}
} // namespace

bool LeerCategoria(CategoriaAbierta &d, const QString &archivo, QProgressBar *barra, QWidget *padre) {
    QString error;
    const bool ok = d.Abrir(archivo, &error);
    Terminar(barra, ok ? d.cantidad() : 0);
    if (!ok)
        AvisarNoLeida(padre, error);
    return ok;
}

bool ImportarCategoria(CategoriaAbierta &d, const QString &archivo, QProgressBar *barra, QWidget *padre) {
    QByteArray datos;
    QString razon;
    QVector<Script> scripts;
    bool ok = LeerBytes(archivo, datos, &razon);
    try {
        if (ok)
            scripts = Analizar(datos);
    } catch (const std::bad_alloc &) {
        // A category under the limit may still be more than this machine's memory holds.
        ok = false;
        razon = archivos::Razon(ENOMEM);
    }
    Terminar(barra, ok ? int(scripts.size()) : 0);
    if (!ok) {
        AvisarNoLeida(padre, QStringLiteral("No se pudo leer la categoría %1 (%2): %3")
                                 .arg(QFileInfo(archivo).completeBaseName(), QDir::toNativeSeparators(archivo), razon));
        return false;
    }
    // Scripts from a UTF-8 file keep every character they have once among the others.
    if (codificacion::De(datos) == codificacion::Tipo::Utf8)
        d.FijarCodificacion(codificacion::Tipo::Utf8);
    d.Importar(scripts);
    return true;
}

bool EscribirCategoria(CategoriaAbierta &d, const QString &archivo, QProgressBar *barra, QString *error) {
    const int n = d.cantidad();
    if (barra && n > 0) {
        // A maximum equal to the minimum is refused: an empty list keeps the previous maximum.
        barra->setRange(0, n);
        barra->setValue(0);
    }
    const QFileInfo i(archivo);
    const QByteArray datos = d.Componer();
    const bool ok = DuenoCarpeta::De(i.path()).Guardar(i.fileName(), datos, error);
    if (ok)
        d.Escrita(archivo, datos);
    Terminar(barra, ok ? n : 0);
    return ok;
}

void AvisarNoGuardada(QWidget *padre, const QString &archivo, const QString &error) {
    mensajes::Aviso(padre,
                    QStringLiteral("No se pudo guardar la categoría %1 en %2: %3\n\nLos cambios siguen "
                                   "pendientes; el archivo no se ha modificado.")
                        .arg(QFileInfo(archivo).completeBaseName(), QDir::toNativeSeparators(archivo), error),
                    QStringLiteral("Guardar cambios"));
}

bool GuardarCategoria(QWidget *padre, CategoriaAbierta &d, const QString &archivo, QProgressBar *barra) {
    QString error;
    const bool ok = EscribirCategoria(d, archivo, barra, &error);
    if (!ok)
        AvisarNoGuardada(padre, archivo, error);
    return ok;
}

} // namespace mdlScripts
