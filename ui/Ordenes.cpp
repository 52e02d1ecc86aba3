#include "ui/Ordenes.h"
#include "core/Version.h"
#include "core/mdlSistema.h"
#include "search/Busqueda.h"
#include "search/IndiceBiblioteca.h"
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"
#include "lsp/Servidor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

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
               "                             La categoría puede escribirse sin mayúsculas ni acentos si no\n"
               "                             hay otra igual. Termina con 1 si la categoría o el script no existen.\n"
               "  --buscar [TEXTO]           abre la búsqueda rápida con TEXTO escrito: la del programa en marcha\n"
               "                             o, si no está en marcha, lo inicia sin la presentación.\n"
               "  --sincronizar              sincroniza la biblioteca con su repositorio compartido, sin ventana\n"
               "                             (o pide a la ventana abierta que lo haga). Termina con 0 si se\n"
               "                             sincronizó.\n"
               "  --lsp                      servidor de lenguaje (LSP) por la entrada y la salida estándar:\n"
               "                             el editor completa con los scripts de la biblioteca.\n"
               "  --version                  muestra la versión.\n"
               "  --ayuda, --help            muestra esta ayuda.\n"
               "\n"
               "Las órdenes --lista, --codigo y --lsp sólo leen la biblioteca, y funcionan con la ventana abierta.\n"
               "Biblioteca en uso: %1\n"
               "Carpeta de datos (categorías y preferencias): %2\n")
        .arg(QDir::toNativeSeparators(carpeta), QDir::toNativeSeparators(datos));
}

// The category named: the one of that very name, else the only one whose name differs only in case
// and accents. Empty when none is, with *otras naming those that would be, when more than one.
QString Categoria(const QString &carpeta, const QString &nombre, QStringList *otras = nullptr) {
    const QStringList todas = biblioteca::Archivos(carpeta).keys();
    if (todas.contains(nombre))
        return nombre;
    const QString plegado = biblioteca::Plegar(nombre);
    QStringList parecidas;
    for (const QString &c : todas)
        if (biblioteca::Plegar(c) == plegado)
            parecidas << c;
    if (parecidas.size() == 1)
        return parecidas.first();
    if (otras)
        *otras = parecidas;
    return QString();
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

int Lista(const QString &carpeta, const QString &indiceRuta, const QString &texto) {
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
        // The window's index, opened only to read; the categories it does not hold as they are now
        // (or all, without one) are read from their files.
        biblioteca::Indice indice(indiceRuta);
        indice.AbrirParaLeer(true);
        const biblioteca::Respuesta r = indice.BuscarUnaVez(carpeta, texto);
        for (const QString &c : r.ilegibles)
            Escribir(stderr, QStringLiteral("rutinero: no se pudo leer la categoría %1\n").arg(c));
        QString salida;
        for (const biblioteca::Hallazgo &h : r.hallazgos) {
            salida += EnUnaLinea(h.categoria) + QLatin1Char('\t') + EnUnaLinea(h.nombre) + QLatin1Char('\n');
            ++lineas;
        }
        Escribir(stdout, salida);
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
    const QString nombre = camino.mid(barra + 1);
    QStringList otras;
    const QString categoria = Categoria(carpeta, camino.left(barra), &otras);
    QVector<Script> scripts;
    if (categoria.isEmpty()) {
        if (otras.isEmpty())
            Escribir(stderr, QStringLiteral("rutinero: no existe la categoría «%1»\n").arg(camino.left(barra)));
        else
            Escribir(stderr, QStringLiteral("rutinero: «%1» puede ser cualquiera de estas categorías: %2; "
                                            "escriba el nombre exacto\n")
                                 .arg(camino.left(barra), otras.join(QStringLiteral(", "))));
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
    static const QStringList ordenes{"--lista", "--codigo", "--ayuda", "--help", "--lsp", "--version"};
    if (!ordenes.contains(orden))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    if (orden == QLatin1String("--version")) {
        Escribir(stdout, QStringLiteral("Rutinero %1.%2\n").arg(version::Mayor).arg(version::Menor));
        std::fflush(stdout);
        return 0;
    }
    // Listing and printing code start the user's library as the window does (the starter library
    // copied at the first start); the language server and help make nothing, and before that first
    // start the server reads the starter library where it is.
    const QString programa = QCoreApplication::applicationDirPath();
    QString datos = mdlSistema::CarpetaDatos(programa), error;
    if ((orden == QLatin1String("--lista") || orden == QLatin1String("--codigo")) &&
        !mdlSistema::PrepararCarpetaDatos(programa, datos, &error)) {
        Escribir(stderr, QStringLiteral("rutinero: %1\n").arg(error));
        return 1;
    }
    QString carpeta = datos + QStringLiteral("/Categorias");
    if (!QFileInfo(carpeta).isDir() && !mdlSistema::BibliotecaDeInicio(programa).isEmpty())
        carpeta = mdlSistema::BibliotecaDeInicio(programa);
    const QString indice = datos + QStringLiteral("/Preferencias/indice-biblioteca.db");
    QStringList resto;
    for (int i = 2; i < argc; ++i)
        resto << QString::fromLocal8Bit(argv[i]);
    int r;
    if (orden == QLatin1String("--lsp"))
        r = lsp::Ejecutar(carpeta, indice);
    else if (orden == QLatin1String("--lista"))
        r = Lista(carpeta, indice, resto.join(QLatin1Char(' ')));
    else if (orden == QLatin1String("--codigo"))
        r = resto.size() == 1 ? Codigo(carpeta, resto.first())
                              : (Escribir(stderr, QStringLiteral("rutinero: --codigo necesita \"Categoría/Nombre\"\n")), 2);
    else
        Escribir(stdout, Ayuda(carpeta, datos)), r = 0;
    std::fflush(stdout);
    return r;
}

QString ProgramaVentana(const QString &carpeta) {
    for (const QString &ruta : {carpeta + QStringLiteral("/rutinero-ventana"),
                                carpeta + QStringLiteral("/../libexec/rutinero/rutinero-ventana")})
        if (QFileInfo(ruta).isExecutable())
            return QFileInfo(ruta).canonicalFilePath();
    return QString();
}

int AbrirVentana(int argc, char **argv) {
    // Where this program is, without making the application object a command makes.
    const QString propio = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString ventana = ProgramaVentana(QFileInfo(propio).absolutePath());
    if (ventana.isEmpty()) {
        Escribir(stderr, QStringLiteral("rutinero: no se encuentra el programa de la ventana (rutinero-ventana) junto "
                                        "a %1 ni en ../libexec/rutinero; vuelva a instalar el programa.\n")
                             .arg(propio));
        return 1;
    }
    std::vector<char *> args(argv, argv + argc);
    const QByteArray nativo = QFile::encodeName(ventana);
    args[0] = const_cast<char *>(nativo.constData());
    args.push_back(nullptr);
    ::execv(nativo.constData(), args.data());
    const int numero = errno;
    Escribir(stderr, QStringLiteral("rutinero: no se pudo iniciar %1: %2\n").arg(ventana, QString::fromLocal8Bit(std::strerror(numero))));
    return 1;
}

} // namespace ordenes
