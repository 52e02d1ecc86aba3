#pragma once
#include "core/Estado.h"
#include "format/CategoriaAbierta.h"

#include <QIcon>
#include <QSet>
#include <QString>
#include <QStringList>

class CategoriaAbierta;
class Indexador;
class QWidget;

// What the dialogs may reach of the main window, split by what they need: the open category (a
// document they edit directly), the category panel, and what the history windows hand back. The
// window's controls, the list that shows the scripts included, stay its own.

// The category panel: the names it lists, its quick-access filter, and what comes in from outside.
class PanelCategorias {
public:
    virtual ~PanelCategorias() = default;
    virtual QStringList categoriasListadas() const = 0;
    virtual void CategoriaAgregada(const QString &nombre, bool seleccionar) = 0;
    virtual void CategoriaQuitada(const QString &nombre) = 0;
    virtual void LlenarCat() = 0;
    // Nothing open: the list empty, the script commands off, the status line blank.
    virtual void Limpiar() = 0;
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
    // The open category: its scripts, its file, its pending changes and their undo.
    virtual CategoriaAbierta &categoria() = 0;
    // The row the script commands act on; -1 when there is none.
    virtual int filaActual() const = 0;
    // Makes the row current and selected, in view.
    virtual void SeleccionarFila(int fila) = 0;
    // Asks Sí, No or Cancelar about the pending changes before a command that would replace them;
    // true when the command may go on.
    virtual bool Preguntar() = 0;
    // Categories whose user said no to UTF-8 in this run: they are not asked again.
    QSet<QString> sinUnicode;
    // A passing note on the main window's status line, such as what a command just did.
    virtual void MostrarEnEstado(const QString &texto, int duracionMs = 0, int valor = 0, int maximo = 0) = 0;
    // What keeps the library unversioned or unsearchable, by area ("historial", "indice"), shown
    // until that area says it is well again (an empty text).
    virtual void AvisoBiblioteca(const QString &area, const QString &texto) = 0;
    // Every command off while a long task (a sync) runs, and on again; the task's progress ended.
    virtual void setComandosHabilitados(bool habilitados) = 0;
    virtual void TerminarAvance() = 0;
    // A control kept at the status bar's right end, such as a long task's Cancelar.
    virtual void AgregarAlEstado(QWidget *control) = 0;
    virtual PanelCategorias &panel() = 0;
    virtual Historia &historia() = 0;
    // The library's index, for what the dialogs offer from the whole library; none in some tests.
    virtual Indexador *indexador() const { return nullptr; }
};
