#include "ui/Pantalla.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pantalla {

namespace {
QtMessageHandler anterior = nullptr;
struct Retenido {
    QtMsgType tipo;
    QByteArray categoria, texto;
};
QList<Retenido> *retenidos = nullptr;

void Oir(QtMsgType tipo, const QMessageLogContext &contexto, const QString &texto) {
    // Only a platform that could not start is a missing display; any other fatal error stays one.
    if (tipo == QtFatalMsg && (!retenidos->isEmpty() || texto.contains(QLatin1String("platform plugin")))) {
        std::fputs(SinPantalla(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    const bool plataforma = contexto.category && std::strncmp(contexto.category, "qt.qpa", 6) == 0;
    if (plataforma && retenidos) {
        retenidos->append({tipo, contexto.category, texto.toUtf8()});
        return;
    }
    anterior(tipo, contexto, texto);
}
} // namespace

const char *SinPantalla() {
    return "rutinero: no se puede abrir la ventana: no hay una pantalla gráfica disponible (DISPLAY y "
           "WAYLAND_DISPLAY están vacías, o la pantalla no responde). Las órdenes --lista, --codigo, --lsp "
           "y --ayuda funcionan sin pantalla.\n";
}

Guardia::Guardia() {
    retenidos = new QList<Retenido>;
    anterior = qInstallMessageHandler(Oir);
}

Guardia::~Guardia() {
    qInstallMessageHandler(anterior);
    const QList<Retenido> r = *retenidos;
    delete retenidos;
    retenidos = nullptr;
    for (const Retenido &m : r) {
        const QMessageLogContext contexto(nullptr, 0, nullptr, m.categoria.constData());
        anterior(m.tipo, contexto, QString::fromUtf8(m.texto));
    }
}

} // namespace pantalla
