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

// The one owner of the working state: which category is open (by name and path, never by a heading's
// text), whether it has unsaved changes and to which category they belong, and the print of its file.
// The main window's heading, status line and save commands only show what this holds.
class Sesion : public QObject {
    Q_OBJECT
public:
    explicit Sesion(QObject *padre = nullptr) : QObject(padre) {}

    bool hayAbierta() const { return !abierta_.isEmpty(); }
    // The open category's name, or empty when none is open.
    QString abierta() const { return abierta_; }
    QString rutaAbierta() const { return ruta_; }
    Huella huella() const { return huella_; }

    bool HayCambios() const { return hayCambios_; }
    // The category the pending changes belong to.
    QString CategoriaActual() const { return categoriaActual_; }

    // A category was read from `ruta`, or the window holds none (Cerrar).
    void Abrir(const QString &nombre, const QString &ruta, const Huella &h);
    void Cerrar();
    // The open category's rows changed.
    void MarcarCambios();
    // The pending changes reached the file (new print) or were declined.
    void Guardada(const Huella &h);
    void Descartar();
    // The open category's file got a new name (renamed while open).
    void Renombrada(const QString &nombre, const QString &ruta);
    void setHuella(const Huella &h) { huella_ = h; }

    // Called by every command that writes, renames, deletes or imports category files, once per command,
    // after the files are safely on disk. Names are relative to the Categorias folder ("Menus.rtn").
    void AnunciarEscritos(const QStringList &archivos, const QString &mensaje = {}) {
        emit archivosEscritos(archivos, mensaje);
    }

signals:
    void cambiado();
    void archivosEscritos(const QStringList &archivos, const QString &mensaje);

private:
    QString abierta_;
    QString ruta_;
    Huella huella_;
    bool hayCambios_ = false;
    QString categoriaActual_;
};
