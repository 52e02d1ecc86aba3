// The description's tags: the language tag follows the "Resaltado" menu, and typing '#' offers the
// tags the library already uses.
#include "format/Rotulos.h"
#include "search/Indexador.h"
#include "ui/editor/frmScript.h"
#include "ui/Principal.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStringListModel>

namespace {
// Where the tag being typed at `cursor` starts (just after its '#'); -1 when no tag is being typed.
int InicioEtiqueta(const QString &texto, int cursor) {
    int i = cursor;
    while (i > 0 && rotulos::EsLetra(texto[i - 1]))
        --i;
    if (i == 0 || texto[i - 1] != QLatin1Char('#') || (i > 1 && !texto[i - 2].isSpace()))
        return -1;
    return i;
}
} // namespace

void frmScript::crearCompletarEtiquetas() {
    connect(txtDes, &QLineEdit::textChanged, this, &frmScript::DescripcionCambiada);
    // The open category's tags at once; the whole library's when the index answers.
    QStringList nombres;
    for (const Script &s : p_.categoria().scripts())
        for (const QString &n : rotulos::Nombres(s.Descripcion))
            if (!nombres.contains(n, Qt::CaseInsensitive))
                nombres << n;
    auto *modelo = new QStringListModel(nombres, this);
    completarEtiquetas_ = new QCompleter(modelo, this);
    completarEtiquetas_->setObjectName(QStringLiteral("completarEtiquetas"));
    completarEtiquetas_->setCaseSensitivity(Qt::CaseInsensitive);
    completarEtiquetas_->setModelSorting(QCompleter::UnsortedModel);
    completarEtiquetas_->setCompletionMode(QCompleter::PopupCompletion);
    completarEtiquetas_->setWidget(txtDes);
    connect(completarEtiquetas_, qOverload<const QString &>(&QCompleter::activated), this, [this](const QString &n) {
        const QString t = txtDes->text();
        const int fin = txtDes->cursorPosition();
        const int inicio = InicioEtiqueta(t, fin);
        if (inicio < 0)
            return;
        int hasta = fin;
        while (hasta < t.size() && rotulos::EsLetra(t[hasta]))
            ++hasta;
        txtDes->setSelection(inicio, hasta - inicio);
        txtDes->insert(n);
    });
    connect(txtDes, &QLineEdit::textEdited, this, &frmScript::CompletarEtiqueta);
    if (Indexador *indexador = p_.indexador()) {
        connect(indexador, &Indexador::hallados, this, [this, modelo](quint64 numero, const biblioteca::Respuesta &r) {
            if (numero != pedidoEtiquetas_)
                return;
            QStringList todos = modelo->stringList();
            for (const biblioteca::Etiqueta &e : r.etiquetas)
                if (!todos.contains(e.nombre, Qt::CaseInsensitive))
                    todos << e.nombre;
            modelo->setStringList(todos);
        });
        pedidoEtiquetas_ = indexador->Etiquetas(completarEtiquetas_);
    }
}

void frmScript::CompletarEtiqueta() {
    const int inicio = InicioEtiqueta(txtDes->text(), txtDes->cursorPosition());
    if (inicio < 0 || txtDes->isReadOnly()) {
        completarEtiquetas_->popup()->hide();
        return;
    }
    completarEtiquetas_->setCompletionPrefix(txtDes->text().mid(inicio, txtDes->cursorPosition() - inicio));
    if (completarEtiquetas_->completionCount() == 0) {
        completarEtiquetas_->popup()->hide();
        return;
    }
    // Under the field, from where the tag begins.
    const int x = txtDes->fontMetrics().horizontalAdvance(txtDes->text().left(inicio - 1));
    const QRect donde(std::min(x, std::max(0, txtDes->width() - 160)), 0,
                      std::max(160, completarEtiquetas_->popup()->sizeHintForColumn(0) + 24), txtDes->height());
    completarEtiquetas_->complete(donde);
}
