#include "ui/Mensajes.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QCoreApplication>
#include <QDialog>
#include <deque>
#include <utility>

namespace mensajes {

namespace {
struct Cola {
    std::deque<Respuesta> respuestas;
    Respuesta sinRespuesta;
};
Cola &LaCola() {
    static Cola c;
    return c;
}

// Takes the next answer, or gives false when the user is to answer.
bool Contestar(QWidget *ventana, int &resultado, bool &respondida) {
    Cola &c = LaCola();
    Respuesta r;
    if (!c.respuestas.empty()) {
        r = std::move(c.respuestas.front());
        c.respuestas.pop_front();
    } else if (c.sinRespuesta) {
        r = c.sinRespuesta; // a copy: the answer may replace the standing one while it runs
    } else {
        return false;
    }
    ventana->show();
    resultado = r(ventana);
    respondida = true;
    return true;
}
// The window has gone as if its own event loop had ended: focus and activation go back before the
// caller goes on, as they do after exec().
void Asentar() { QCoreApplication::processEvents(); }
} // namespace

void Encolar(Respuesta respuesta) { LaCola().respuestas.push_back(std::move(respuesta)); }
int Pendientes() { return int(LaCola().respuestas.size()); }
void VaciarCola() { LaCola().respuestas.clear(); }
Respuesta SinRespuesta(Respuesta respuesta) { return std::exchange(LaCola().sinRespuesta, std::move(respuesta)); }

QMessageBox::StandardButton Mostrar(QWidget *padre, const QString &texto, const QString &titulo,
                                    QMessageBox::Icon icono, QMessageBox::StandardButtons botones,
                                    QMessageBox::StandardButton porDefecto) {
    QMessageBox caja(icono, titulo, texto, botones, padre);
    caja.setObjectName(QStringLiteral("mensaje"));
    if (botones & QMessageBox::Yes)
        caja.setDefaultButton(QMessageBox::Yes);
    if (botones & QMessageBox::No)
        caja.setEscapeButton(QMessageBox::No);
    if (botones & QMessageBox::Retry)
        caja.setDefaultButton(QMessageBox::Retry);
    if (botones & QMessageBox::Cancel)
        caja.setEscapeButton(QMessageBox::Cancel);
    if (porDefecto != QMessageBox::NoButton && (botones & porDefecto))
        caja.setDefaultButton(porDefecto);
    const std::pair<QMessageBox::StandardButton, QString> textos[] = {
        {QMessageBox::Yes, QStringLiteral("&Sí")},
        {QMessageBox::No, QStringLiteral("&No")},
        {QMessageBox::Ok, QStringLiteral("Aceptar")},
        {QMessageBox::Retry, QStringLiteral("&Reintentar")},
        {QMessageBox::Discard, QStringLiteral("&Salir sin guardar")},
        {QMessageBox::Cancel, QStringLiteral("Cancelar")},
        {QMessageBox::Save, QStringLiteral("S&obrescribir")},
        {QMessageBox::SaveAll, QStringLiteral("Conservar &ambas")},
    };
    for (const auto &[boton, texto] : textos)
        if (auto *b = caja.button(boton))
            b->setText(texto);
    int resultado = 0;
    bool respondida = false;
    if (!Contestar(&caja, resultado, respondida))
        return QMessageBox::StandardButton(caja.exec());
    if (!respondida || resultado == kSuResultado || !caja.button(QMessageBox::StandardButton(resultado))) {
        QAbstractButton *b = resultado == kSuResultado ? caja.clickedButton() : nullptr;
        if (!b)
            b = caja.escapeButton() ? caja.escapeButton() : static_cast<QAbstractButton *>(caja.defaultButton());
        resultado = caja.standardButton(b);
    }
    caja.hide();
    Asentar();
    return QMessageBox::StandardButton(resultado);
}

int Ejecutar(QDialog &dialogo) {
    int resultado = 0;
    bool respondida = false;
    if (!Contestar(&dialogo, resultado, respondida))
        return dialogo.exec();
    if (respondida && resultado == kSuResultado)
        resultado = dialogo.isVisible() ? QDialog::Rejected : dialogo.result();
    if (dialogo.isVisible())
        dialogo.done(resultado);
    Asentar();
    return resultado;
}

bool Preguntar(QWidget *padre, const QString &texto, const QString &titulo) {
    return Mostrar(padre, texto, titulo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void Aviso(QWidget *padre, const QString &texto, const QString &titulo) {
    Mostrar(padre, texto, titulo, QMessageBox::Warning);
}

void Informacion(QWidget *padre, const QString &texto, const QString &titulo) {
    Mostrar(padre, texto, titulo, QMessageBox::Information);
}

QMessageBox *AvisoSinEsperar(QWidget *padre, const QString &texto, const QString &titulo) {
    auto *caja = new QMessageBox(QMessageBox::Warning, titulo, texto, QMessageBox::Ok, padre);
    caja->setObjectName(QStringLiteral("avisoSinEsperar"));
    caja->setAttribute(Qt::WA_DeleteOnClose);
    caja->setWindowModality(Qt::NonModal);
    caja->show();
    return caja;
}

} // namespace mensajes
