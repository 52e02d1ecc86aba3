#include "ui/mdlScriptsVista.h"
#include "format/DuenoCarpeta.h"
#include "core/Archivos.h"
#include "format/mdlScripts.h"
#include "ui/Mensajes.h"
#include "ui/main/ListaScripts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QTreeWidget>

#include <cerrno>
#include <new>

namespace mdlScripts {
namespace {
void Aplicar(QProgressBar *barra, const Progreso &p) {
    if (!barra)
        return;
    barra->setRange(p.minimo, p.maximo);
    barra->setValue(p.valor);
}

QString NombreDe(const QString &archivo) { return QFileInfo(archivo).completeBaseName(); }
} // namespace

bool LeerCategoria(QTreeWidget *lista, const QString &archivo, QProgressBar *barra, QWidget *padre) {
    QByteArray datos;
    QString error;
    bool ok = LeerBytes(archivo, datos, &error);
    QVector<Tramo> codigos;
    QVector<Script> scripts;
    try {
        if (ok)
            scripts = Analizar(datos, codigos);
    } catch (const std::bad_alloc &) {
        // A category under the limit may still be more than this machine's memory holds.
        ok = false;
        error = archivos::Razon(ENOMEM);
        datos = QByteArray();
        codigos.clear();
    }
    // Rows appended to others keep UTF-8 if either had it: it holds every character of both.
    if (lista->topLevelItemCount() == 0 || codificacion::De(datos) == codificacion::Tipo::Utf8)
        vista::FijarCodificacion(lista, codificacion::De(datos));
    Progreso p;
    if (barra) {
        p.minimo = barra->minimum();
        p.maximo = barra->maximum();
        p.valor = barra->value();
    }
    if (ok) {
        // The bar follows the rule record by record, but is only told where it ends: touching the
        // widget per record would cost more than reading.
        for (int k = 1; k <= scripts.size(); ++k)
            p.trasRegistro(k);
        Aplicar(barra, p);
        vista::Anexar(lista, scripts, datos, codigos);
    }
    p.reposo();
    Aplicar(barra, p);
    if (!ok)
        mensajes::Aviso(padre ? padre : lista->window(),
                        error == archivos::RazonDemasiadoGrande()
                            ? QStringLiteral("La categoría %1 %2 (%3).")
                                  .arg(NombreDe(archivo), error, QDir::toNativeSeparators(archivo))
                            : QStringLiteral("No se pudo leer la categoría %1 (%2): %3")
                                  .arg(NombreDe(archivo), QDir::toNativeSeparators(archivo), error),
                        QStringLiteral("Abrir categoría"));
    return ok;
}

bool GuardarLW(QTreeWidget *Lw, const QString &Fname, QString *error) {
    const QFileInfo i(Fname);
    const QByteArray datos = vista::Componer(Lw);
    if (!DuenoCarpeta::De(i.path()).Guardar(i.fileName(), datos, error))
        return false;
    vista::FijarCodificacion(Lw, codificacion::De(datos)); // what was written is what the file now is
    return true;
}

bool EscribirCategoria(QTreeWidget *lista, const QString &archivo, QProgressBar *barra, QString *error) {
    const int n = lista->topLevelItemCount();
    if (barra && n > 0) {
        // A maximum equal to the minimum is refused: an empty list keeps the previous maximum.
        barra->setRange(0, n);
        barra->setValue(0);
    }
    const bool ok = GuardarLW(lista, archivo, error);
    if (barra && ok && n > 0)
        barra->setValue(n);
    if (barra) {
        barra->setRange(0, 200);
        barra->setValue(0);
    }
    return ok;
}

void AvisarNoGuardada(QWidget *padre, const QString &archivo, const QString &error) {
    mensajes::Aviso(padre,
                    QStringLiteral("No se pudo guardar la categoría %1 en %2: %3\n\nLos cambios siguen "
                                   "pendientes; el archivo no se ha modificado.")
                        .arg(NombreDe(archivo), QDir::toNativeSeparators(archivo), error),
                    QStringLiteral("Guardar cambios"));
}

bool GuardarCategoria(QWidget *padre, QTreeWidget *lista, const QString &archivo, QProgressBar *barra) {
    QString error;
    const bool ok = EscribirCategoria(lista, archivo, barra, &error);
    if (!ok)
        AvisarNoGuardada(padre, archivo, error);
    return ok;
}

} // namespace mdlScripts
