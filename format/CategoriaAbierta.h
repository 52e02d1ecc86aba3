#pragma once
#include "core/Cp1252.h"
#include "core/Huella.h"
#include "format/mdlScripts.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <QVector>

// The open category as a document, with no widget: its scripts, which file they came from and in
// which encoding, what that file looked like when read or written, and whether the scripts differ
// from it. Every edit is a command on the document's own undo stack, so the list, the menus and the
// title only show what this holds.
//
// The signals come in the pairs a table model needs (about to / done), in its terms: a model
// forwards them to beginInsertRows/endInsertRows and so on without looking at the scripts.
class CategoriaAbierta : public QObject {
    Q_OBJECT
public:
    explicit CategoriaAbierta(QObject *padre = nullptr);
    ~CategoriaAbierta() override;

    // Reads the file; the category's name is the file's name without its ending. An unreadable or
    // malformed file leaves the document as it was and is false, with the reason in *error.
    bool Abrir(const QString &ruta, QString *error = nullptr);
    // Reads the open file again, dropping the changes and the undo history.
    bool Recargar(QString *error = nullptr);
    // Writes the scripts over the file, in the encoding it was read in; the undo history stays, and
    // this point of it becomes the unchanged one.
    bool Guardar(QString *error = nullptr);
    // The scripts as the category file's bytes: in the document's encoding, or in UTF-8 when a script
    // holds a character Windows-1252 cannot (one brought from the history, a recovery), rather than
    // lose it.
    QByteArray Componer() const;
    static QByteArray Componer(const QVector<Script> &scripts, codificacion::Tipo tipo);
    // Someone else wrote Componer's bytes to `ruta` (the window, holding the folder): that file is now
    // the open one and the scripts do not differ from it. The undo history stays.
    void Escrita(const QString &ruta, const QByteArray &datos);
    // The open file got a new name (renamed while open).
    void Renombrada(const QString &ruta);
    // Nothing is open.
    void Cerrar();

    bool hayAbierta() const { return !ruta_.isEmpty(); }
    QString nombre() const { return nombre_; }
    QString ruta() const { return ruta_; }
    codificacion::Tipo codificacion() const { return tipo_; }
    Huella huella() const { return huella_; }
    bool hayCambios() const;

    int cantidad() const { return int(scripts_.size()); }
    const Script &script(int fila) const { return scripts_.at(fila); }
    const QVector<Script> &scripts() const { return scripts_; }
    QUndoStack *pila() { return &pila_; }

    // The encoding the next save writes: UTF-8 once the user agreed to store a character
    // Windows-1252 cannot hold. A change of its own, pending until saved.
    void FijarCodificacion(codificacion::Tipo tipo);
    // "Orden ascendente": the scripts are kept by name, ascending in Spanish order without regard to
    // case; an added, edited or imported script takes its place among them. Turning it on sorts
    // them now, as a file read while on is read: not a change to save, and the end of the undo steps.
    void setOrdenado(bool ordenado);
    bool ordenado() const { return ordenado_; }
    // Puts the scripts in a column's order as one undo step: names in Spanish order, scores as numbers
    // (one that is not a number after those that are), the rest without regard to case; equal ones
    // keep their order. False when the order is that already.
    bool Ordenar(int columna, Qt::SortOrder orden = Qt::AscendingOrder);

    // The edits. Each is one undo step; one that would change nothing (a bad row, a script replaced
    // by itself, the first row moved up) puts nothing on the stack and is false.
    // Agregar inserts at `fila`, or at the end when it is -1.
    bool Agregar(const Script &s, int fila = -1);
    bool Reemplazar(int fila, const Script &s);
    bool Eliminar(int fila);
    bool Eliminar(const QVector<int> &filas);
    bool Subir(int fila);
    bool Bajar(int fila);
    // How many scripts went: same name and description as an earlier one (herramientas::Sobrevivientes).
    int EliminarDuplicados();
    bool Importar(const QVector<Script> &scripts, const QString &texto = {});
    // A version from the history takes the place of all scripts.
    bool Restaurar(const QVector<Script> &scripts, const QString &texto = QStringLiteral("restaurar una versión"));

    // Takes the rows out to go to category `otra`, and gives them back in their order; the caller
    // writes them into the other file. Not undoable: see the definition.
    QVector<Script> MoverA(const QVector<int> &filas, const QString &otra);

signals:
    // Rows primera..ultima (inclusive), as beginInsertRows and the rest take them.
    void filasPorInsertar(int primera, int ultima);
    void filasInsertadas(int primera, int ultima);
    void filasPorQuitar(int primera, int ultima);
    void filasQuitadas(int primera, int ultima);
    // `destino` as beginMoveRows takes it: the row it goes before, counted before the move.
    void filaPorMover(int fila, int destino);
    void filaMovida(int fila, int destino);
    void filasCambiadas(int primera, int ultima);
    // All rows, and which category is open, may be other.
    void porReiniciar();
    void reiniciada();
    void cambiado(bool hayCambios);
    // The open file's name or place changed, its scripts did not.
    void renombrada();

private:
    friend class ComandoCategoria;
    // Where `s` goes among the sorted scripts, leaving out row `sin`: after the equal ones.
    int lugarOrdenado(const Script &s, int sin = -1) const;
    // What the commands do and undo; each tells the rows' change.
    void insertar(int fila, const QVector<Script> &scripts);
    void quitar(int fila, int cuantas);
    void cambiar(int fila, const Script &s);
    void mover(int fila, int hasta);
    void reemplazarTodo(const QVector<Script> &scripts);

    bool leer(const QString &ruta, QString *error);
    void avisarCambio();

    QVector<Script> scripts_;
    QString nombre_;
    QString ruta_;
    codificacion::Tipo tipo_ = codificacion::Tipo::Cp1252;
    Huella huella_;
    // A change that is on no undo step (a move to another category): the scripts differ from the
    // file whatever the stack says, until the next save or read.
    bool cambioFueraDePila_ = false;
    bool avisado_ = false; // the last hayCambios told by `cambiado`
    bool ordenado_ = false;
    QUndoStack pila_;
};
