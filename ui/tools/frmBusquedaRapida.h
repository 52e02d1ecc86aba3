#pragma once
#include "search/Busqueda.h"
#include "search/Rapida.h"

#include <QElapsedTimer>
#include <QFrame>
#include <functional>

class QLabel;
class QLineEdit;
class QTreeWidget;
class Indexador;

// The quick search: a small window over whatever program is in front, reached from a desktop
// shortcut or the tray. One search box and the results below; the keyboard does everything:
// Up/Down choose, Enter copies the code and hides, Ctrl+Enter copies and stays, Shift+Enter opens the
// script in the main window, Esc hides. It hides too when another window takes the focus.
class frmBusquedaRapida : public QFrame {
    Q_OBJECT
public:
    // Opens the script in the main window, the way the library search does.
    using Abrir = std::function<void(const biblioteca::Hallazgo &)>;
    frmBusquedaRapida(Indexador &indexador, const QString &carpetaCategorias, Abrir abrir,
                      QWidget *padre = nullptr);

    static constexpr int kLimite = 200; // asked of the index, then put in the quick order
    static constexpr int kFilas = 50;   // listed

    QLineEdit *txtBuscar = nullptr;
    QTreeWidget *lstResultados = nullptr; // Nombre, Categoría, Descripción, Código
    QLabel *lblEstado = nullptr;          // what was copied, nothing found, categories not read
    QLabel *lblTeclas = nullptr;

    // Comes up centred on the screen under the pointer, in front and focused. With `texto`, the box
    // holds it as if typed; without, the last query is selected to be typed over.
    void Mostrar(const QString &texto = QString(), bool conTexto = false);
    // The result of the current row, if any.
    const biblioteca::Hallazgo *actual() const;
    // Copies the chosen script (asking for its fields first); false when nothing was copied.
    bool Copiar();
    void AbrirActual();
    const rapida::Recientes &recientes() const { return recientes_; }

signals:
    // The results of what was typed are listed (also when none matched).
    void listos();
    void ocultada();

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    void keyPressEvent(QKeyEvent *evento) override;
    void changeEvent(QEvent *evento) override;
    void hideEvent(QHideEvent *evento) override;

private:
    bool Tecla(QKeyEvent *evento, bool enLista);
    void Consultar();
    void Recibir(quint64 numero, const biblioteca::Respuesta &r);
    void Centrar();
    void OcultarSiSinFoco();

    Indexador &indexador_;
    Abrir abrir_;
    rapida::Puntajes puntajes_;
    rapida::Recientes recientes_;
    quint64 esperada_ = 0;
    QElapsedTimer mostrada_; // since it last came up
    bool preguntando_ = false; // the fields form is up: losing the focus to it does not hide
    QVector<biblioteca::Hallazgo> hallazgos_;
};
