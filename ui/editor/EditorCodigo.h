#pragma once
#include "format/Lenguaje.h"

#include <QAccessible>
#include <QFont>
#include <Qsci/qsciscintilla.h>
#include <memory>

class QsciLexer;

// The code field of the script windows: a code editor with highlighting, line numbers, brace
// matching and tabs kept as typed. Lines are separated by \n inside; the stored form is made at the
// window's boundary. Above kGrande bytes the costly helpers (highlighting, brace matching) rest, so
// a pasted megabyte does not make every keystroke wait.
class EditorCodigo : public QsciScintilla, private QAccessible::ActivationObserver {
    Q_OBJECT
public:
    static constexpr int kGrande = 256 * 1024;

    explicit EditorCodigo(QWidget *padre = nullptr);
    ~EditorCodigo() override;

    QString texto() const;
    void ponerTexto(const QString &texto);

    // The language highlighted; Ninguno shows plain text. Kept while the code is big, applied again
    // when it is small.
    void setLenguaje(lenguaje::Lenguaje l);
    lenguaje::Lenguaje lenguaje() const { return lenguaje_; }
    bool grande() const { return grande_; }
    // Whether the code is highlighted as its language now (not while big, nor with Ninguno).
    bool resaltando() const { return lexico_ && !grande_; }
    // Whether each insertion and deletion is reported as it happens (see callarAvisos).
    bool avisaCadaCambio() const { return !callado_; }

    // The font of every style, the line numbers included; bold and italic styles keep their weight.
    void setFuente(const QFont &fuente);
    QFont fuente() const { return fuente_; }
    // The system's fixed-width font under the name of the family that draws it. The system may name
    // it by an alias ("monospace") that resolves to no fixed-width face: then the first fixed-width
    // family installed.
    static QFont FijaDelSistema();
    // The fill-in fields marked in the code now (their text, in order); none while the code is big.
    QStringList camposMarcados() const;

protected:
    void keyPressEvent(QKeyEvent *evento) override;
    void changeEvent(QEvent *evento) override;

private:
    void aplicarLexico();
    void aplicarColores();
    void aplicarFuente();
    void revisarTamano();
    void anchoNumeros();
    void marcarCampos();
    // A big code while no assistive tool listens: the per-change reports are turned off (below).
    void callarAvisos();
    void cambioSinAviso();
    void accessibilityActiveChanged(bool activa) override;
    // Characters typed into a big code wait for the keys already queued and go in together: each
    // insertion lays out the whole line again, which a fast typist's burst would pay once per key.
    void insertarTecleado();

    lenguaje::Lenguaje lenguaje_ = lenguaje::Lenguaje::Ninguno;
    std::unique_ptr<QsciLexer> lexico_;
    QFont fuente_;
    bool grande_ = false;
    bool marcados_ = false; // some field marks are on the text
    bool callado_ = false;
    bool escuchada_ = false; // an assistive tool listens
    qint64 largo_ = 0;       // the length last seen while the reports are off
    int digitos_ = 0;
    QByteArray tecleado_; // typed, not yet inserted (UTF-8)
};
