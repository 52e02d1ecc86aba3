#include "format/Recuperacion.h"
#include "core/Archivos.h"

#include <QDir>

namespace recuperacion {

QString Carpeta(const Estado &estado) { return estado.carpetaPreferencias() + QStringLiteral("/Recuperacion"); }

namespace {
QString Ruta(const Estado &estado, const QString &categoria) {
    return Carpeta(estado) + QLatin1Char('/') + categoria + QStringLiteral(".rtn");
}
} // namespace

bool Guardar(const Estado &estado, const QString &categoria, const QByteArray &datos, QString *error) {
    QDir().mkpath(Carpeta(estado));
    return archivos::Guardar(Ruta(estado, categoria), datos, error, Carpeta(estado));
}

QVector<Pendiente> Pendientes(const Estado &estado) {
    QVector<Pendiente> r;
    for (const QString &archivo : archivos::Listar(Carpeta(estado), QStringLiteral(".rtn"))) {
        Pendiente p;
        p.categoria = archivo.chopped(4);
        p.ruta = Carpeta(estado) + QLatin1Char('/') + archivo;
        if (mdlScripts::LeerArchivo(p.ruta, p.scripts, nullptr, &p.codificacion))
            r.append(p);
    }
    return r;
}

bool Descartar(const Estado &estado, const QString &categoria, QString *error) {
    return archivos::Eliminar(Ruta(estado, categoria), error);
}

QStringList LimpiarRestos(const Estado &estado) {
    QStringList r;
    r += archivos::LimpiarTemporales(estado.carpetaCategorias(), QStringLiteral(".+\\.rtn"));
    r += archivos::LimpiarTemporales(Carpeta(estado), QStringLiteral(".+\\.rtn"));
    r += archivos::LimpiarTemporales(estado.carpetaPreferencias(), QStringLiteral("config\\.ini"));
    r += archivos::LimpiarTemporales(estado.carpetaExportar(), QStringLiteral("Temp\\.[A-Za-z0-9]{1,10}"));
    return r;
}

} // namespace recuperacion
