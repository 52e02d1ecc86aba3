#include "lsp/Canal.h"
#include "core/Registro.h"

#include <algorithm>

namespace lsp {

namespace {
const QByteArray kLargo = QByteArrayLiteral("content-length");
} // namespace

void Lector::Agregar(QByteArrayView bytes) {
    // A body being skipped is never stored, however long the editor says it is.
    if (saltar_ > 0) {
        const qint64 ahora = std::min<qint64>(saltar_, bytes.size());
        saltar_ -= ahora;
        bytes = bytes.sliced(ahora);
    }
    pendiente_.append(bytes.data(), bytes.size());
}

void Lector::Resincronizar() {
    // A header starts with its name; up to the next one, nothing can be read.
    const qsizetype i = pendiente_.toLower().indexOf(kLargo, 1);
    if (i > 0) {
        pendiente_.remove(0, i);
        perdido_ = false;
    } else {
        // Keep what may be the start of the name, cut by the read.
        pendiente_ = pendiente_.right(kLargo.size() - 1);
        perdido_ = true;
    }
}

// The header block up to `fin` (the empty line): true with largo_ set when it frames a message.
bool Lector::Cabecera(qsizetype fin) {
    qint64 largo = -1;
    for (const QByteArray &linea : pendiente_.left(fin).split('\n')) {
        const QByteArray l = linea.endsWith('\r') ? linea.chopped(1) : linea;
        const qsizetype dos = l.indexOf(':');
        if (dos <= 0)
            return false;
        if (l.left(dos).trimmed().toLower() != kLargo)
            continue; // Content-Type and any other header say nothing the body does not
        const QByteArray valor = l.mid(dos + 1).trimmed();
        if (valor.isEmpty() || valor.size() > 18 || largo >= 0)
            return false;
        for (char c : valor)
            if (c < '0' || c > '9')
                return false;
        largo = valor.toLongLong();
    }
    if (largo < 0)
        return false;
    largo_ = largo;
    return true;
}

std::optional<QByteArray> Lector::Siguiente() {
    for (;;) {
        if (saltar_ > 0) {
            const qint64 ahora = std::min<qint64>(saltar_, pendiente_.size());
            pendiente_.remove(0, ahora);
            saltar_ -= ahora;
            if (saltar_ > 0)
                return std::nullopt;
        }
        if (perdido_) {
            Resincronizar();
            if (perdido_)
                return std::nullopt;
        }
        if (largo_ >= 0) {
            if (pendiente_.size() < largo_)
                return std::nullopt;
            QByteArray cuerpo = pendiente_.left(largo_);
            pendiente_.remove(0, largo_);
            largo_ = -1;
            return cuerpo;
        }
        const qsizetype fin = pendiente_.indexOf("\r\n\r\n");
        if (fin < 0) {
            if (pendiente_.size() <= kMayorCabecera)
                return std::nullopt;
            qCWarning(lcEditores) << "LSP: header longer than" << kMayorCabecera << "bytes, dropped";
            ++descartados_;
            Resincronizar();
            continue;
        }
        if (fin > kMayorCabecera || !Cabecera(fin)) {
            qCWarning(lcEditores) << "LSP: a header without a usable Content-Length, message dropped";
            ++descartados_;
            // Bytes before a header: the header is read from its name on.
            const qsizetype nombre = pendiente_.left(fin).toLower().indexOf(kLargo, 1);
            if (nombre > 0) {
                pendiente_.remove(0, nombre);
                continue;
            }
            pendiente_.remove(0, fin + 4);
            perdido_ = !pendiente_.toLower().startsWith(kLargo);
            continue;
        }
        pendiente_.remove(0, fin + 4);
        if (largo_ > kMayorMensaje) {
            qCWarning(lcEditores) << "LSP: message of" << largo_ << "bytes skipped, more than" << kMayorMensaje;
            ++descartados_;
            saltar_ = largo_;
            largo_ = -1;
        }
    }
}

QByteArray Enmarcar(const QByteArray &cuerpo) {
    return QByteArrayLiteral("Content-Length: ") + QByteArray::number(cuerpo.size()) + QByteArrayLiteral("\r\n\r\n") +
           cuerpo;
}

} // namespace lsp
