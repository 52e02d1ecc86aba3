#include "AyudasNucleo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <sys/stat.h>

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

bool ReescribirComoOtroPrograma(const QString &ruta, const QByteArray &datos, bool renombrando) {
    struct stat antes, despues;
    const QByteArray nativa = QFile::encodeName(ruta);
    if (::stat(nativa.constData(), &antes) != 0 || datos.size() != qsizetype(antes.st_size))
        return false;
    const QString orden = renombrando
                              ? QStringLiteral("printf %s \"$1\" > \"$2.x\" && touch -d \"@$3\" \"$2.x\" && mv \"$2.x\" \"$2\"")
                              : QStringLiteral("printf %s \"$1\" > \"$2\" && touch -d \"@$3\" \"$2\"");
    QProcess otro;
    otro.start(QStringLiteral("sh"), {QStringLiteral("-c"), orden, QStringLiteral("sh"), QString::fromLatin1(datos), ruta,
                                      QStringLiteral("%1.%2").arg(antes.st_mtim.tv_sec).arg(antes.st_mtim.tv_nsec, 9, 10, QLatin1Char('0'))});
    return otro.waitForFinished() && otro.exitCode() == 0 && ::stat(nativa.constData(), &despues) == 0 &&
           despues.st_size == antes.st_size && despues.st_mtim.tv_sec == antes.st_mtim.tv_sec &&
           despues.st_mtim.tv_nsec == antes.st_mtim.tv_nsec && (renombrando || despues.st_ino == antes.st_ino);
}

qint64 TamanoDeLaCarpeta(const QString &carpeta) {
    qint64 total = 0;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

} // namespace ayudas
