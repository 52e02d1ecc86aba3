#include "AyudasNucleo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace ayudas {

QByteArray LeerBytes(const QString &ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void EscribirBytes(const QString &ruta, const QByteArray &datos) {
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(datos);
}

Carpeta::Carpeta() { estado.carpeta = dir.path(); }

void Carpeta::categoria(const QString &nombre, const QByteArray &datos) {
    EscribirBytes(estado.rutaCategoria(nombre), datos);
}

QByteArray Registro(const QByteArray &nombre, const QByteArray &desc, const QByteArray &codigo,
                    const QByteArray &puntaje) {
    QByteArray r;
    for (const QByteArray &c : {nombre, desc, codigo, puntaje})
        r += '"' + c + "\"\r\n";
    return r;
}

QByteArray Solos(const QStringList &nombres) {
    QByteArray r;
    for (const QString &n : nombres)
        r += Registro(n.toLatin1(), "", "", "");
    return r;
}

} // namespace ayudas
