#pragma once
#include "core/Estado.h"
#include "format/mdlScripts.h"

#include <QIcon>
#include <QSet>
#include <QString>
#include <QStringList>

class QWidget;

// What the dialogs may reach of the main window, split by what they need: the open category's rows
// and its pending changes, the category panel, and what the history windows hand back. The window's
// controls, the list that shows the rows included, stay its own.

// The open category's rows, by position from 0 as the list shows them, and its pending changes.
class Filas {
public:
    virtual ~Filas() = default;
    virtual int filasCuantas() const = 0;
    virtual Script fila(int posicion) const = 0;
    // One field as stored (columns: 0 name, 1 description, 2 code, 3 score), without the rest.
    virtual QString campoFila(int posicion, int columna) const = 0;
    // The name folded as it sorts and is searched (herramientas::Plegar).
    virtual QStringView claveFila(int posicion) const = 0;
    // The current row; -1 when there is none.
    virtual int filaActual() const = 0;
    virtual void SeleccionarFila(int posicion) = 0;
    // Adds the script at the end, or in its sorted place when the list is sorted, and selects it.
    virtual void AgregarFila(const Script &s) = 0;
    // Puts the script in the row's place (then its sorted place, when sorted), selected.
    virtual void ReemplazarFila(int posicion, const Script &s) = 0;
    // Removes the row; the nearest one left is selected.
    virtual void QuitarFila(int posicion) = 0;
    // Keeps the rows marked, in their order; the selection stays or goes to the nearest one left.
    virtual void QuedarseConFilas(const QVector<bool> &quedan) = 0;
    // Writes the rows as a category file.
    virtual bool GuardarFilasEn(const QString &ruta, QString *error) = 0;
    // The encoding the open category's rows are written in; turned to UTF-8 when the user agrees to
    // store a character Windows-1252 cannot hold, and written so at the next save.
    virtual codificacion::Tipo codificacionFilas() const = 0;
    virtual void FijarCodificacionFilas(codificacion::Tipo tipo) = 0;
    // Categories whose user said no to UTF-8 in this run: they are not asked again.
    QSet<QString> sinUnicode;

    virtual void MarcarCambios() = 0;
    virtual bool Preguntar() = 0;
    virtual void Limpiar() = 0;
    virtual void ActualizarLineaEstado() = 0;
    // The script commands after the number of rows changed.
    virtual void ActualizarBotones() = 0;
};

// The category panel: the names it lists, its quick-access filter, and what comes in from outside.
class PanelCategorias {
public:
    virtual ~PanelCategorias() = default;
    virtual QStringList categoriasListadas() const = 0;
    virtual void CategoriaAgregada(const QString &nombre, bool seleccionar) = 0;
    virtual void CategoriaQuitada(const QString &nombre) = 0;
    virtual void LlenarCat() = 0;
    // The category import is over: nothing open, and with no category listed, nothing to delete,
    // rename or import.
    virtual void ImportacionTerminada() = 0;

    // The quick-access filter entries and the one shown.
    virtual QStringList entradasPanel() const = 0;
    virtual QString textoPanel() const = 0;
    // Shows `texto` as the filter without running it; selects the entry when there is one.
    virtual void MostrarEnPanel(const QString &texto) = 0;
    virtual void AgregarEntradaPanel(const QString &entrada) = 0;
    virtual void QuitarEntradaPanel(int posicion) = 0;
    virtual void VaciarCategorias() = 0;

    // Hands the category's file to the mail program; false when it is not the open one.
    virtual bool EnviarMail(const QString &categoria) = 0;
};

// What the history windows hand back: scripts brought into the open category as a pending change
// (only those it does not hold as they are, when asked; gives how many), and the category list read
// again after files changed behind it (the open category follows its file).
class Historia {
public:
    virtual ~Historia() = default;
    virtual int AgregarPendientes(const QVector<Script> &scripts, bool soloLosQueFaltan) = 0;
    virtual void ReleerCategorias(const QStringList &archivos) = 0;
};

// The main window as a dialog holds it: the working state, the window to parent to, and the three
// sides above.
class Principal {
public:
    explicit Principal(Estado &e) : estado(e) {}
    virtual ~Principal() = default;
    Principal(const Principal &) = delete;
    Principal &operator=(const Principal &) = delete;

    Estado &estado;

    // Images of ImageList1: 1 script, 7 category.
    static QIcon Imagen(int n);

    virtual QWidget *ventana() = 0;
    // A passing note on the main window's status line, such as what a command just did.
    virtual void MostrarEnEstado(const QString &texto, int duracionMs = 0, int valor = 0, int maximo = 0) = 0;
    virtual Filas &filas() = 0;
    virtual PanelCategorias &panel() = 0;
    virtual Historia &historia() = 0;
};
