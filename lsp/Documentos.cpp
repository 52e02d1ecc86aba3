#include "lsp/Documentos.h"
#include "core/Registro.h"

namespace lsp {

qsizetype Desplazamiento(const QString &texto, Posicion p) {
    const qsizetype n = texto.size();
    qsizetype i = 0;
    for (int linea = 0; linea < p.linea; ++linea) {
        while (i < n && texto[i] != QLatin1Char('\n') && texto[i] != QLatin1Char('\r'))
            ++i;
        if (i >= n)
            return n;
        i += texto[i] == QLatin1Char('\r') && i + 1 < n && texto[i + 1] == QLatin1Char('\n') ? 2 : 1;
    }
    for (int c = 0; c < p.caracter && i < n && texto[i] != QLatin1Char('\n') && texto[i] != QLatin1Char('\r'); ++c)
        ++i;
    return i;
}

QString PalabraAntes(const QString &texto, Posicion p, int *inicio) {
    const qsizetype fin = Desplazamiento(texto, p);
    qsizetype i = fin;
    const auto deLaPalabra = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark(); };
    while (i > 0 && deLaPalabra(texto[i - 1]))
        --i;
    if (inicio) {
        qsizetype linea = i;
        while (linea > 0 && texto[linea - 1] != QLatin1Char('\n') && texto[linea - 1] != QLatin1Char('\r'))
            --linea;
        *inicio = int(i - linea);
    }
    return texto.mid(i, fin - i);
}

bool Documentos::Abrir(const QString &uri, const QString &lenguaje, const QString &texto) {
    Cerrar(uri);
    if (abiertos_.size() >= kMayorDocumentos || total_ + texto.size() > kMayorTexto) {
        qCWarning(lcEditores) << "LSP: document not kept, past the limit of what is held:" << uri.left(200);
        return false;
    }
    abiertos_.insert(uri, {lenguaje, texto});
    total_ += texto.size();
    return true;
}

bool Documentos::Cambiar(const QString &uri, const QVector<Cambio> &cambios) {
    const auto it = abiertos_.find(uri);
    if (it == abiertos_.end())
        return false;
    QString &texto = it->texto;
    const qsizetype antes = texto.size();
    bool excedido = false;
    for (const Cambio &c : cambios) {
        const qsizetype desde = c.entero ? 0 : Desplazamiento(texto, c.desde);
        const qsizetype hasta = c.entero ? texto.size() : std::max(desde, Desplazamiento(texto, c.hasta));
        if (total_ - antes + texto.size() - (hasta - desde) + c.texto.size() > kMayorTexto) {
            excedido = true;
            break;
        }
        texto.replace(desde, hasta - desde, c.texto);
    }
    total_ += texto.size() - antes;
    if (excedido) {
        qCWarning(lcEditores) << "LSP: document forgotten, past the limit of what is held:" << uri.left(200);
        Cerrar(uri);
        return false;
    }
    return true;
}

void Documentos::Cerrar(const QString &uri) {
    const auto it = abiertos_.find(uri);
    if (it == abiertos_.end())
        return;
    total_ -= it->texto.size();
    abiertos_.erase(it);
}

const Documento *Documentos::Buscar(const QString &uri) const {
    const auto it = abiertos_.constFind(uri);
    return it == abiertos_.cend() ? nullptr : &*it;
}

} // namespace lsp
