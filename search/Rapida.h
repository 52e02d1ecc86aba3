#pragma once
#include "search/Busqueda.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// The order of the quick search: the library's rules of a match first, and among equal matches the
// scripts copied lately, then those with a higher score.
namespace rapida {

// Scripts copied in this session, the latest first, named "Categoría/Nombre".
class Recientes {
public:
    static constexpr int kMaximo = 50;
    void Agregar(const QString &categoria, const QString &nombre);
    // Where the script is in the list (0 the latest), or -1.
    int Lugar(const QString &categoria, const QString &nombre) const;
    const QStringList &lista() const { return lista_; }

private:
    QStringList lista_;
};

// The scores of the library's scripts, read from the category files and read again only when a file
// changes. The index does not hold them, and the quick search only needs the few it shows.
class Puntajes {
public:
    explicit Puntajes(QString carpetaCategorias) : carpeta_(std::move(carpetaCategorias)) {}
    // Looks at the folder once: how the files look now, for the scores asked for next.
    void Mirar();
    // The score of the script at `posicion` of the category, 0 when it is not a number or the file
    // cannot be read.
    int De(const QString &categoria, int posicion);

private:
    struct Categoria {
        biblioteca::Sello sello;
        QVector<int> puntajes;
    };
    QString carpeta_;
    QMap<QString, biblioteca::Sello> archivos_;
    QHash<QString, Categoria> cache_;
};

// A score as written in the file: its leading number, 0 when there is none.
int Valor(const QString &puntaje);

// Sorts found scripts for the quick search, keeping the library's order among scripts that tie.
void Ordenar(QVector<biblioteca::Hallazgo> &hallazgos, const QString &consulta, const Recientes &recientes,
             Puntajes &puntajes);

} // namespace rapida
