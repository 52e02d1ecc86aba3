#pragma once
#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

// Every message box and modal dialog of the program goes through here, so all of them look and
// behave alike, and a test can answer them in place of the user.
namespace mensajes {
// Yes (or Retry) is the default button unless `porDefecto` names another: a question whose Yes throws
// work away makes the button that keeps it the one Enter presses.
QMessageBox::StandardButton Mostrar(QWidget *padre, const QString &texto, const QString &titulo,
                                    QMessageBox::Icon icono,
                                    QMessageBox::StandardButtons botones = QMessageBox::Ok,
                                    QMessageBox::StandardButton porDefecto = QMessageBox::NoButton);
// A Yes/No question with the question icon; true on Yes.
bool Preguntar(QWidget *padre, const QString &texto, const QString &titulo);
// A refusal: exclamation icon and OK.
void Aviso(QWidget *padre, const QString &texto, const QString &titulo);
void Informacion(QWidget *padre, const QString &texto, const QString &titulo);
// A warning shown without waiting for it: for moments when nothing may block (the program is asked
// to end). Its OK only closes it.
QMessageBox *AvisoSinEsperar(QWidget *padre, const QString &texto, const QString &titulo);

// Runs a modal dialog and gives its result (QDialog::exec, or the next queued answer).
int Ejecutar(QDialog &dialogo);

// The queue of next answers. An answer is handed the box or dialog, already shown, and gives the
// button to press (a QMessageBox::StandardButton, or a QDialog::DialogCode), or kSuResultado to keep
// whatever the window's own buttons, clicked by the answer, decided. The window is then closed; no
// event loop of its own runs, so an answer can never outlive the test that queued it.
constexpr int kSuResultado = -1;
using Respuesta = std::function<int(QWidget *ventana)>;
void Encolar(Respuesta respuesta);
int Pendientes();
void VaciarCola();
// The standing answer for a window that finds the queue empty (a test's catch-all, which may fail
// the test); without one such a window waits for the user. Gives the previous standing answer.
Respuesta SinRespuesta(Respuesta respuesta);
} // namespace mensajes
