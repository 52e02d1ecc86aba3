#pragma once
#include "core/Estado.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QPair>
#include <QVector>

// The preferences file: our own INI layer with the semantics of the Windows profile functions
// (QSettings cannot be used: it would write "Categor%EDa" where the file needs one Windows-1252 byte).
namespace mdlINI {

// One INI document in memory. Reading and writing through it behaves exactly like a sequence of
// LeerINI / EscribirINI calls on the file, but touches the disk once.
class Ini {
public:
    void cargarBytes(const QByteArray &datos);
    // A missing or unreadable file is an empty document.
    void cargar(const QString &ruta);
    QByteArray bytes() const;
    bool guardar(const QString &ruta, QString *error = nullptr) const;

    bool existe(const QString &seccion, const QString &clave) const;
    // Missing section or key gives the default; a present key with an empty value gives "".
    // Values are cut to 254 characters.
    QString leer(const QString &seccion, const QString &clave, const QString &porDefecto) const;
    void escribir(const QString &seccion, const QString &clave, const QString &valor);
    // The same as leer of each key, and as escribir of each pair in order, in one pass over the
    // section: a list of thousands of keys costs time in proportion to its length.
    QStringList leerVarias(const QString &seccion, const QStringList &claves, const QString &porDefecto) const;
    void escribirVarias(const QString &seccion, const QVector<QPair<QString, QString>> &pares);
    // The names of the section's keys, as written, in the order of the file.
    QStringList claves(const QString &seccion) const;

private:
    int buscarSeccion(const QString &seccion) const;
    int finSeccion(int inicio) const;
    int buscarClave(int inicio, int fin, const QString &clave, QString *valor) const;
    QStringList lineas_;
};

QString TextoHasta(const QString &texto, const QString &separador);
QString LeerINI(const QString &ruta, const QString &seccion, const QString &clave, const QString &porDefecto);
bool EscribirINI(const QString &ruta, const QString &seccion, const QString &clave, const QString &valor);

// Conversions of the preference values. They return false (leaving the value alone) when the text
// does not convert.
bool AEntero(const QString &texto, int &valor);   // 16-bit, fractions rounded half to even
bool ABooleano(const QString &texto, bool &valor); // "True"/"False" in any case, or a number
double Val(const QString &texto);                 // the number at the start of the text, else 0
QString DeBooleano(bool b);

// Reads every preference into the state and returns the entries of the panel list (cboCat).
// Without a file: the defaults, and the single entry "Todas".
QStringList CargarPreferencias(Estado &estado);
// Writes every preference, then the panel list. textoPanel is the text cboCat shows.
bool GuardarPreferencias(const Estado &estado, const QString &textoPanel, const QStringList &panel,
                         QString *error = nullptr);

} // namespace mdlINI
