#include "lsp/Biblioteca.h"
#include "core/Registro.h"
#include "format/Etiquetas.h"
#include "format/mdlScripts.h"
#include "search/IndiceBiblioteca.h"

#include <QFile>
#include <sys/stat.h>

namespace lsp {

namespace {
QString Clave(const QString &categoria, int posicion, const QString &nombre) {
    return categoria + QLatin1Char('\n') + QString::number(posicion) + QLatin1Char('\n') + nombre;
}
} // namespace

lenguaje::Lenguaje DeIdentificador(const QString &id) {
    using L = lenguaje::Lenguaje;
    const L l = lenguaje::DeAlcance(id);
    if (l != L::Ninguno)
        return l;
    // Editors' ids for languages the program highlights as another.
    static const QHash<QString, L> otros = {
        {"xhtml", L::Html}, {"scss", L::Css},   {"less", L::Css},   {"aspnet", L::Asp},     {"mysql", L::Sql},
        {"plsql", L::Sql},  {"sh", L::Shell},   {"bash", L::Shell}, {"zsh", L::Shell},      {"dockercompose", L::Yaml},
        {"bibtex", L::TeX}, {"properties", L::Ini}, {"dotenv", L::Ini}, {"objective-c", L::C}, {"cuda-cpp", L::Cpp}};
    return otros.value(id.toLower(), L::Ninguno);
}

Biblioteca::Biblioteca(QString carpeta, QString ruta)
    : carpeta_(std::move(carpeta)), ruta_(std::move(ruta)), puntajes_(carpeta_) {}

Biblioteca::~Biblioteca() = default;

void Biblioteca::AbrirIndice() {
    // The window may make its index anew (a new file): then the connection to the old one goes.
    struct stat st {};
    const quint64 inodo = ::stat(QFile::encodeName(ruta_).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
    if (indice_ && indice_->abierto() && inodo == inodo_)
        return;
    inodo_ = inodo;
    indice_ = std::make_unique<biblioteca::Indice>(ruta_);
    if (inodo != 0 && !indice_->AbrirParaLeer())
        qCDebug(lcEditores) << "LSP: no usable index, the category files are read:" << ruta_;
}

Biblioteca::Encontrados Biblioteca::Buscar(const QString &palabra, lenguaje::Lenguaje lenguaje) {
    Encontrados r;
    if (biblioteca::Palabras(palabra).isEmpty())
        return r;
    AbrirIndice();
    biblioteca::Respuesta respuesta = indice_->Buscar(carpeta_, palabra, kPedidos);
    for (const QString &c : std::as_const(respuesta.ilegibles))
        qCWarning(lcEditores) << "LSP: category not read:" << c;
    QVector<biblioteca::Hallazgo> &h = respuesta.hallazgos;
    // The index also finds words in the code; an item is offered for its name and description.
    const qsizetype pedidos = h.size();
    h.erase(std::remove_if(h.begin(), h.end(),
                           [](const biblioteca::Hallazgo &x) { return x.enNombre.isEmpty() && x.enDescripcion.isEmpty(); }),
            h.end());
    // Results come best first, name and description before code: a full list that kept them all
    // may have left more out.
    bool cortado = respuesta.total > pedidos && h.size() == pedidos;
    if (lenguaje != lenguaje::Lenguaje::Ninguno) {
        QVector<biblioteca::Hallazgo> suyos;
        for (const biblioteca::Hallazgo &x : std::as_const(h))
            if (lenguaje::Elegir(x.descripcion, x.codigo, x.categoria) == lenguaje)
                suyos.append(x);
        if (!suyos.isEmpty())
            h = std::move(suyos);
    }
    rapida::Ordenar(h, palabra, recientes_, puntajes_);
    r.incompleto = cortado || h.size() > kEnviados;
    if (h.size() > kEnviados)
        h.resize(kEnviados);
    ultimos_.clear();
    for (const biblioteca::Hallazgo &x : std::as_const(h))
        ultimos_.insert(Clave(x.categoria, x.posicion, x.nombre), x);
    r.hallazgos = std::move(h);
    return r;
}

std::optional<biblioteca::Hallazgo> Biblioteca::Script(const QString &categoria, int posicion, const QString &nombre) {
    if (const auto it = ultimos_.constFind(Clave(categoria, posicion, nombre)); it != ultimos_.cend())
        return *it;
    // Only a category the folder lists, so that an item's data names no other file.
    if (!biblioteca::Archivos(carpeta_).contains(categoria))
        return std::nullopt;
    QVector<::Script> scripts;
    QString error;
    if (!mdlScripts::LeerArchivo(carpeta_ + QLatin1Char('/') + categoria + QStringLiteral(".rtn"), scripts, &error)) {
        qCWarning(lcEditores) << "LSP: category not read:" << categoria << error;
        return std::nullopt;
    }
    if (posicion < 0 || posicion >= scripts.size() || scripts[posicion].Nombre != nombre)
        return std::nullopt;
    biblioteca::Hallazgo h;
    h.categoria = categoria;
    h.posicion = posicion;
    h.nombre = nombre;
    h.descripcion = scripts[posicion].Descripcion;
    h.codigo = etiquetas::AEditor(scripts[posicion].Codigo);
    return h;
}

} // namespace lsp
