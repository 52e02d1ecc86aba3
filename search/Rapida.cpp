#include "search/Rapida.h"
#include "core/Registro.h"
#include "format/mdlScripts.h"

#include <algorithm>
#include <climits>

namespace rapida {

void Recientes::Agregar(const QString &categoria, const QString &nombre) {
    const QString clave = categoria + QLatin1Char('/') + nombre;
    lista_.removeAll(clave);
    lista_.prepend(clave);
    while (lista_.size() > kMaximo)
        lista_.removeLast();
}

int Recientes::Lugar(const QString &categoria, const QString &nombre) const {
    return int(lista_.indexOf(categoria + QLatin1Char('/') + nombre));
}

int Valor(const QString &puntaje) {
    const QString t = puntaje.trimmed();
    int fin = 0;
    if (fin < t.size() && (t[fin] == QLatin1Char('-') || t[fin] == QLatin1Char('+')))
        ++fin;
    while (fin < t.size() && t[fin].isDigit() && t[fin].unicode() < 128)
        ++fin;
    bool ok = false;
    const int v = t.left(fin).toInt(&ok);
    return ok ? v : 0;
}

void Puntajes::Mirar() { archivos_ = biblioteca::Archivos(carpeta_); }

int Puntajes::De(const QString &categoria, int posicion) {
    const auto sello = archivos_.constFind(categoria);
    if (sello == archivos_.cend())
        return 0;
    Categoria &c = cache_[categoria];
    if (c.sello != *sello) {
        c.sello = *sello;
        c.puntajes.clear();
        QByteArray datos;
        QString error;
        if (mdlScripts::LeerBytes(carpeta_ + QLatin1Char('/') + categoria + QStringLiteral(".rtn"), datos, &error)) {
            QVector<mdlScripts::Tramo> tramos; // the code is not needed: left undecoded
            for (const Script &s : mdlScripts::Analizar(datos, tramos))
                c.puntajes.append(Valor(s.Puntaje));
        } else {
            qCWarning(lcIndice) << "No se pudieron leer los puntajes de" << categoria << ":" << error;
            c.sello = {}; // tried again next time
        }
    }
    return posicion >= 0 && posicion < c.puntajes.size() ? c.puntajes[posicion] : 0;
}

void Ordenar(QVector<biblioteca::Hallazgo> &hallazgos, const QString &consulta, const Recientes &recientes,
             Puntajes &puntajes) {
    const QStringList palabras = biblioteca::Palabras(consulta);
    struct Orden {
        int enNombre, enDescripcion, reciente, puntaje, antes;
    };
    QVector<Orden> orden(hallazgos.size());
    puntajes.Mirar();
    for (int i = 0; i < hallazgos.size(); ++i) {
        const biblioteca::Hallazgo &h = hallazgos[i];
        const QString nombre = biblioteca::Plegar(h.nombre), descripcion = biblioteca::Plegar(h.descripcion);
        Orden &o = orden[i];
        o.enNombre = o.enDescripcion = 0;
        for (const QString &p : palabras) {
            o.enNombre += nombre.contains(p);
            o.enDescripcion += descripcion.contains(p);
        }
        const int lugar = recientes.Lugar(h.categoria, h.nombre);
        o.reciente = lugar < 0 ? INT_MAX : lugar;
        o.puntaje = h.sinGuardar ? Valor(h.puntaje) : puntajes.De(h.categoria, h.posicion);
        o.antes = i;
    }
    std::sort(orden.begin(), orden.end(), [](const Orden &a, const Orden &b) {
        if (a.enNombre != b.enNombre)
            return a.enNombre > b.enNombre;
        if (a.enDescripcion != b.enDescripcion)
            return a.enDescripcion > b.enDescripcion;
        if (a.reciente != b.reciente)
            return a.reciente < b.reciente;
        if (a.puntaje != b.puntaje)
            return a.puntaje > b.puntaje;
        return a.antes < b.antes;
    });
    QVector<biblioteca::Hallazgo> r;
    r.reserve(hallazgos.size());
    for (const Orden &o : orden)
        r.append(std::move(hallazgos[o.antes]));
    hallazgos = std::move(r);
}

} // namespace rapida
