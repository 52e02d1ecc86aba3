#include "ui/Ordenes.h"
#include "core/Version.h"
#include "core/mdlSistema.h"
#include "search/Busqueda.h"
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <climits>
#include <cstdio>

namespace ordenes {
namespace {

void Escribir(FILE *f, const QString &texto) {
    const QByteArray utf8 = texto.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), f);
}

// A name on one line of the listing: a tab or a line break in it would cut the line in two.
QString EnUnaLinea(QString s) {
    for (QChar &c : s)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    return s;
}

QString Ayuda(const QString &carpeta, const QString &datos) {
    return QStringLiteral(
               "Uso: rutinero [orden]\n"
               "\n"
               "Sin orden, abre la ventana del programa.\n"
               "\n"
               "  --lista [TEXTO]            una línea por script, «Categoría<TAB>Nombre»; con TEXTO, sólo los\n"
               "                             que lo contienen en el nombre, la descripción o el código (sin\n"
               "                             distinguir mayúsculas ni acentos). Termina con 1 si no hay ninguno.\n"
               "  --codigo \"Categoría/Nombre\" escribe el código del script, en UTF-8 con saltos de línea LF.\n"
               "                             Termina con 1 si la categoría o el script no existen.\n"
               "  --buscar [TEXTO]           abre la búsqueda rápida con TEXTO escrito: la del programa en marcha\n"
               "                             o, si no está en marcha, lo inicia sin la presentación.\n"
               "  --ayuda, --help            muestra esta ayuda.\n"
               "\n"
               "Las órdenes --lista y --codigo sólo leen la biblioteca, y funcionan con la ventana abierta.\n"
               "Biblioteca en uso: %1\n"
               "Carpeta de datos (categorías y preferencias): %2\n")
        .arg(QDir::toNativeSeparators(carpeta), QDir::toNativeSeparators(datos));
}

// The category's file: "Nombre.rtn", or its ending in capitals as another system left it.
QString RutaCategoria(const QString &carpeta, const QString &nombre) {
    return biblioteca::Archivos(carpeta).contains(nombre) ? carpeta + QLatin1Char('/') + nombre + QStringLiteral(".rtn")
                                                          : QString();
}

bool LeerCategoria(const QString &carpeta, const QString &nombre, QVector<Script> &scripts) {
    QByteArray datos;
    QString error;
    const QString ruta = RutaCategoria(carpeta, nombre);
    if (ruta.isEmpty())
        return false;
    if (!mdlScripts::LeerBytes(ruta, datos, &error)) {
        Escribir(stderr, QStringLiteral("rutinero: no se pudo leer la categoría %1: %2\n").arg(nombre, error));
        return false;
    }
    scripts = mdlScripts::Analizar(datos);
    return true;
}

int Lista(const QString &carpeta, const QString &texto) {
    if (!QFileInfo(carpeta).isDir()) {
        Escribir(stderr, QStringLiteral("rutinero: no existe la carpeta de categorías %1\n")
                             .arg(QDir::toNativeSeparators(carpeta)));
        return 1;
    }
    int lineas = 0;
    if (biblioteca::Palabras(texto).isEmpty()) {
        const QMap<QString, int> orden = biblioteca::OrdenCategorias(biblioteca::Archivos(carpeta).keys());
        QVector<std::pair<int, QString>> categorias;
        for (auto it = orden.cbegin(); it != orden.cend(); ++it)
            categorias.append({it.value(), it.key()});
        std::sort(categorias.begin(), categorias.end());
        for (const auto &[_, categoria] : categorias) {
            QVector<Script> scripts;
            if (!LeerCategoria(carpeta, categoria, scripts))
                continue;
            for (const Script &s : scripts) {
                Escribir(stdout, EnUnaLinea(categoria) + QLatin1Char('\t') + EnUnaLinea(s.Nombre) + QLatin1Char('\n'));
                ++lineas;
            }
        }
    } else {
        const biblioteca::Respuesta r = biblioteca::BuscarEnArchivos(carpeta, texto, INT_MAX);
        for (const QString &c : r.ilegibles)
            Escribir(stderr, QStringLiteral("rutinero: no se pudo leer la categoría %1\n").arg(c));
        for (const biblioteca::Hallazgo &h : r.hallazgos) {
            Escribir(stdout, EnUnaLinea(h.categoria) + QLatin1Char('\t') + EnUnaLinea(h.nombre) + QLatin1Char('\n'));
            ++lineas;
        }
    }
    return lineas > 0 ? 0 : 1;
}

int Codigo(const QString &carpeta, const QString &camino) {
    // Category names hold no slash; script names may.
    const int barra = camino.indexOf(QLatin1Char('/'));
    if (barra <= 0) {
        Escribir(stderr, QStringLiteral("rutinero: indique el script como \"Categoría/Nombre\" (se dio «%1»)\n")
                             .arg(camino));
        return 2;
    }
    const QString categoria = camino.left(barra), nombre = camino.mid(barra + 1);
    QVector<Script> scripts;
    if (RutaCategoria(carpeta, categoria).isEmpty()) {
        Escribir(stderr, QStringLiteral("rutinero: no existe la categoría «%1»\n").arg(categoria));
        return 1;
    }
    if (!LeerCategoria(carpeta, categoria, scripts))
        return 1;
    for (const Script &s : scripts)
        if (s.Nombre == nombre) {
            QString codigo = etiquetas::AEditor(s.Codigo);
            if (!codigo.endsWith(QLatin1Char('\n')))
                codigo += QLatin1Char('\n');
            Escribir(stdout, codigo);
            return 0;
        }
    Escribir(stderr, QStringLiteral("rutinero: la categoría «%1» no tiene un script llamado «%2»\n").arg(categoria, nombre));
    return 1;
}

} // namespace

std::optional<int> Ejecutar(int argc, char **argv) {
    if (argc < 2)
        return std::nullopt;
    const QString orden = QString::fromLocal8Bit(argv[1]);
    if (orden != QLatin1String("--lista") && orden != QLatin1String("--codigo") && orden != QLatin1String("--ayuda") &&
        orden != QLatin1String("--help"))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QString datos, error;
    if (!mdlSistema::PrepararCarpetaDatos(QCoreApplication::applicationDirPath(), datos, &error)) {
        Escribir(stderr, QStringLiteral("rutinero: %1\n").arg(error));
        return 1;
    }
    const QString carpeta = datos + QStringLiteral("/Categorias");
    QStringList resto;
    for (int i = 2; i < argc; ++i)
        resto << QString::fromLocal8Bit(argv[i]);
    int r;
    if (orden == QLatin1String("--lista"))
        r = Lista(carpeta, resto.join(QLatin1Char(' ')));
    else if (orden == QLatin1String("--codigo"))
        r = resto.size() == 1 ? Codigo(carpeta, resto.first())
                              : (Escribir(stderr, QStringLiteral("rutinero: --codigo necesita \"Categoría/Nombre\"\n")), 2);
    else
        Escribir(stdout, Ayuda(carpeta, datos)), r = 0;
    std::fflush(stdout);
    return r;
}

} // namespace ordenes
