#pragma once
#include "core/Huella.h"

#include <QString>

// Application-wide values of one run. Created by main() (or by a test) and handed to every window,
// so that nothing lives in mutable globals and each test starts clean.
struct Estado {
    QString carpeta; // the application folder: holds Categorias, Preferencias and Exportar

    // Which category files the program wrote: the history and the index follow them.
    Escritos escritos;

    QString TituloApp;
    QString ModoScript;
    QString TemaAyuda;
    QString MailPara;
    QString MailDe;

    // Preferences. Their values at program start are 0, false and empty; CargarPreferencias sets them.
    int Reemplazar = 0;
    QString Mostrar;
    int MostrarTodas = 0;
    QString Ruta;
    int MSOutlook = 0;
    int IncluirTags = 0;
    QString Extension;
    // 1 once the user chose the extension ("Opciones de exportar"); until then the preview takes the
    // extension of the script's language (Exportar, ExtensionElegida).
    int ExtensionElegida = 0;
    int Tag = 0;
    bool Derecha = false;
    bool Izquierda = false;
    int Tipo = 0;
    // Tipo kFuenteFija: code in a fixed-width family, this one (Fuente, Familia), or the system's own
    // fixed-width font when empty.
    static constexpr int kFuenteFija = 6;
    QString Familia;
    // The main window's size, place and maximised state as it was left (Ventana, Geometria).
    QByteArray Geometria;
    // History and sync: 1 when every change the program writes is kept as a version (Historial,
    // Automatico); the git address the library is synced with (Sincronizar, Remoto).
    int HistorialAutomatico = 0;
    QString Remoto;
    // Minutes between syncs the program starts by itself, 0 for never (Sincronizar, Cada).
    int SincronizarCada = 0;
    // The selected script's code shown below the list (Vista, Codigo).
    bool VerCodigo = true;

    QString carpetaCategorias() const { return carpeta + QStringLiteral("/Categorias"); }
    QString rutaCategoria(const QString &nombre) const {
        return carpetaCategorias() + QLatin1Char('/') + nombre + QStringLiteral(".rtn");
    }
    QString carpetaPreferencias() const { return carpeta + QStringLiteral("/Preferencias"); }
    QString rutaConfig() const { return carpetaPreferencias() + QStringLiteral("/config.ini"); }
    QString carpetaExportar() const { return carpeta + QStringLiteral("/Exportar"); }
    // The folder the category panel lists (preference Ruta); every other access uses Categorias.
    QString carpetaListado() const { return carpeta + QLatin1Char('/') + Ruta; }
};
