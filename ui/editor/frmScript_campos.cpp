// What the fields hold: the code as typed, the score as digits only, the tags, and whether
// anything typed would be lost on closing.
#include "format/Etiquetas.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/Principal.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

namespace {
const QString kDescartar = QStringLiteral("¿Descartar los cambios del script?\n\nSí: se pierde lo escrito y la ventana "
                                          "se cierra. No, Esc o cerrar este mensaje: vuelve al script con lo escrito.");
} // namespace

QString frmScript::textoCodigo() const { return txtCodigo->texto(); }

void frmScript::ponerCodigo(const QString &texto) { txtCodigo->ponerTexto(texto); }

void frmScript::cheIncluir_Click() {
    Estado &e = p_.estado;
    if (!cheIncluir->isChecked()) {
        e.IncluirTags = 0;
        mnuTags->setChecked(false);
        return;
    }
    e.IncluirTags = 1;
    mnuTags->setChecked(true);
    if (textoCodigo().isEmpty()) {
        ponerCodigo(etiquetas::AEditor(TagsPrincipales));
        // Put there by the program, not typed: closing still asks nothing.
        if (campos_.size() == 4)
            campos_[3] = textoCodigo();
    }
}

void frmScript::mnuTags_Click() { cheIncluir->setChecked(mnuTags->isChecked()); }

std::optional<Script> frmScript::Tipeado() const {
    if (!hayCambiosTipeados())
        return std::nullopt;
    return Script{mdlScripts::SinComillas(txtNombre->text(), false), mdlScripts::SinComillas(txtDes->text(), false),
                  etiquetas::AAlmacen(textoCodigo()), txtPuntaje->text()};
}

void frmScript::Abandonar() {
    abandonado_ = true;
    QDialog::reject();
}

void frmScript::reject() {
    // Esc then Enter is a reflex: both, and the close box, keep what was typed.
    if (!abandonado_ && hayCambiosTipeados() &&
        mensajes::Mostrar(this, kDescartar, p_.estado.TituloApp, QMessageBox::Question,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::reject();
}

void frmScript::RecordarCampos() {
    campos_ = QStringList{txtNombre->text(), txtDes->text(), txtPuntaje->text(), textoCodigo()};
}

bool frmScript::hayCambiosTipeados() const {
    if (p_.estado.ModoScript == QLatin1String("Ver") || txtCodigo->isReadOnly() || campos_.size() != 4)
        return false;
    return campos_[0] != txtNombre->text() || campos_[1] != txtDes->text() || campos_[2] != txtPuntaje->text() ||
           campos_[3] != textoCodigo();
}

namespace {
// What an edit of the score added, filtered as typing is: digits only, two characters at most.
QString PuntajeFiltrado(const QString &antes, const QString &despues, int *cursor) {
    qsizetype prefijo = 0;
    while (prefijo < antes.size() && prefijo < despues.size() && antes[prefijo] == despues[prefijo])
        ++prefijo;
    qsizetype sufijo = 0;
    while (sufijo < antes.size() - prefijo && sufijo < despues.size() - prefijo &&
           antes[antes.size() - 1 - sufijo] == despues[despues.size() - 1 - sufijo])
        ++sufijo;
    const QString puesto = despues.mid(prefijo, despues.size() - prefijo - sufijo);
    const qsizetype queda = prefijo + sufijo; // what the edit left of the old text
    QString digitos;
    for (QChar c : puesto)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && queda + digitos.size() < 2)
            digitos += c;
    *cursor = int(prefijo + digitos.size());
    return antes.left(prefijo) + digitos + antes.right(sufijo);
}
} // namespace

void frmScript::FiltrarPuntaje(const QString &nuevo) {
    int cursor = 0;
    const QString filtrado = PuntajeFiltrado(puntaje_, nuevo, &cursor);
    if (filtrado == nuevo)
        return;
    txtPuntaje->setText(filtrado);
    txtPuntaje->setCursorPosition(cursor);
}
