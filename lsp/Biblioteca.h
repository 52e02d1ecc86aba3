#pragma once
#include "format/Lenguaje.h"
#include "search/Busqueda.h"
#include "search/Rapida.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

namespace biblioteca {
class Indice;
}

// The library as the language server sees it: searched through the index the window keeps (opened
// only to read, so the server never writes), and, for categories changed since the index last saw
// them, through their files. Every search looks at the folder again, so a script saved in the window
// is found by the next request.
namespace lsp {

constexpr int kEnviados = 50;  // items in one answer
constexpr int kPedidos = 200;  // results asked for, to leave room for narrowing by language

// An editor's languageId as the program's language; Ninguno for one it does not know.
lenguaje::Lenguaje DeIdentificador(const QString &languageId);

class Biblioteca {
public:
    Biblioteca(QString carpetaCategorias, QString rutaIndice);
    ~Biblioteca();

    struct Encontrados {
        QVector<biblioteca::Hallazgo> hallazgos; // at most kEnviados, best first
        bool incompleto = false;                 // more match than are given
    };
    // Scripts whose name or description holds the word, in the quick search's order; only those in
    // `lenguaje` when there are any.
    Encontrados Buscar(const QString &palabra, lenguaje::Lenguaje lenguaje);
    // The script an item names: one of the last answer's, else read from its category's file.
    std::optional<biblioteca::Hallazgo> Script(const QString &categoria, int posicion, const QString &nombre);

private:
    void AbrirIndice();

    QString carpeta_, ruta_;
    std::unique_ptr<biblioteca::Indice> indice_;
    quint64 inodo_ = 0;
    rapida::Recientes recientes_; // none: the server copies nothing
    rapida::Puntajes puntajes_;
    QHash<QString, biblioteca::Hallazgo> ultimos_;
};

} // namespace lsp
