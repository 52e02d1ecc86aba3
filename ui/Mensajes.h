#pragma once
#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program goes through here, so all of them look and behave alike.
namespace mensajes {
QMessageBox::StandardButton Mostrar(QWidget *padre, const QString &texto, const QString &titulo,
                                    QMessageBox::Icon icono,
                                    QMessageBox::StandardButtons botones = QMessageBox::Ok);
// A Yes/No question with the question icon; true on Yes.
bool Preguntar(QWidget *padre, const QString &texto, const QString &titulo);
// A refusal: exclamation icon and OK.
void Aviso(QWidget *padre, const QString &texto, const QString &titulo);
void Informacion(QWidget *padre, const QString &texto, const QString &titulo);
} // namespace mensajes
