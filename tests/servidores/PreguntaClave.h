#pragma once
// The question for an HTTP(S) server's user name and token, answered as the user does, and what it
// showed.
#include "Ayudas.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

namespace servidores {

inline const QString kUsuario = QStringLiteral("ana");

// How the user answers the question for a user name and token, and what the question said.
struct Pregunta {
    bool vista = false;
    QString texto, llavero;
    bool recordarPosible = false;
    std::optional<QByteArray> enLlaveroAlPreguntar; // what the keyring held while it was asked
};
enum class Modo { Aceptar, Esc, Cerrar };
std::shared_ptr<Pregunta> ResponderClave(const QString &token, bool recordar = false, Modo modo = Modo::Aceptar,
                                         std::function<std::optional<QByteArray>()> mirar = {}) {
    auto r = std::make_shared<Pregunta>();
    ayudas::AlAbrirseModal([=](QWidget *w) {
        QCOMPARE(w->objectName(), QStringLiteral("frmClave"));
        r->vista = true;
        r->texto = w->findChild<QLabel *>("lblPregunta")->text();
        auto *llavero = w->findChild<QLabel *>("lblLlavero");
        r->llavero = llavero->isHidden() ? QString() : llavero->text();
        auto *recordarlo = w->findChild<QCheckBox *>("cheRecordar");
        r->recordarPosible = recordarlo->isEnabled();
        if (mirar)
            r->enLlaveroAlPreguntar = mirar();
        switch (modo) {
        case Modo::Aceptar:
            w->findChild<QLineEdit *>("txtUsuario")->setText(kUsuario);
            w->findChild<QLineEdit *>("txtClave")->setText(token);
            recordarlo->setChecked(recordar);
            w->findChild<QPushButton *>("cmdAceptar")->click();
            break;
        case Modo::Esc: QTest::keyClick(w, Qt::Key_Escape); break;
        case Modo::Cerrar: w->close(); break;
        }
    });
    return r;
}

} // namespace servidores
