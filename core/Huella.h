#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

// What a category file looked like when the program last read or wrote it, so that a change made by
// another program can be told apart from our own.
struct Huella {
    qint64 tamano = -1;
    QDateTime modificado;
    QByteArray hash; // of the bytes: tells a change apart, it guards against no one
    bool valida() const { return tamano >= 0; }
    bool operator==(const Huella &o) const {
        return tamano == o.tamano && modificado == o.modificado && hash == o.hash;
    }
    bool operator!=(const Huella &o) const { return !(*this == o); }
    // The file as it is now; an invalid print when it cannot be read.
    static Huella DeArchivo(const QString &ruta);
    static Huella DeBytes(const QString &ruta, const QByteArray &bytes);
};

// Where the commands that write, rename, delete or import category files say so, once per command,
// after the files are safely on disk: the history and the search index follow from here. Names are
// relative to the Categorias folder ("Menus.rtn").
class Escritos : public QObject {
    Q_OBJECT
public:
    explicit Escritos(QObject *padre = nullptr) : QObject(padre) {}
    void AnunciarEscritos(const QStringList &archivos, const QString &mensaje = {}) {
        emit archivosEscritos(archivos, mensaje);
    }

signals:
    void archivosEscritos(const QStringList &archivos, const QString &mensaje);
};
