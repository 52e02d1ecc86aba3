#pragma once
#include "format/Campos.h"

#include <QDialog>
#include <QVector>
#include <optional>

class QLineEdit;
class QPushButton;

// Asks for the fill-in fields of a code before it is copied: one box per distinct field, in order of
// appearance, prefilled with its default; a choice is a list of its texts that also takes one typed
// (txtCampos holds its text box). Enter copies, Esc copies nothing.
class frmCampos : public QDialog {
    Q_OBJECT
public:
    frmCampos(const QVector<campos::Campo> &campos, QWidget *padre);

    QVector<QLineEdit *> txtCampos;
    QPushButton *cmdCopiar = nullptr;
    QPushButton *cmdCancelar = nullptr;

    QMap<QString, QString> valores() const;

private:
    QVector<campos::Campo> campos_;
};

namespace portapapeles {
// The code as it goes to the clipboard: its fields filled after asking (nothing when the user said
// Esc), at once when it has none; as written, after a note saying why, when it has more fields
// than are asked for or filling them in would grow it past the limit. `codigo` is the editor's form: real quotes, \n between lines,
// which is also the line end of this platform's clipboard.
std::optional<QString> Preparar(QWidget *padre, const QString &codigo);
// Prepares the code and puts it on the clipboard; false when nothing was copied.
bool Copiar(QWidget *padre, const QString &codigo);
// What is said once a script's code is on the clipboard; a script without a name is not named.
QString Copiado(const QString &nombre);
} // namespace portapapeles
