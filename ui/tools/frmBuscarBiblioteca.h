#pragma once
#include "search/Busqueda.h"

#include <QDialog>
#include <QLabel>
#include <QStyledItemDelegate>
#include <functional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QStatusBar;
class QPushButton;
class QTreeWidget;
class Indexador;

class QTreeWidget;
// A result's category as the lists show it: a script found among the open category's unsaved
// changes says so.
QString CategoriaMostrada(const biblioteca::Hallazgo &h);

// The list of found scripts of the search windows: one row each, chosen whole, read only, the
// words found marked.
QTreeWidget *ListaResultados(QWidget *padre, const QStringList &columnas);

// Paints a cell's text with the words found in it marked. The marks are the cell's data in role
// kRol, as given by Marcas.
class DelegadoMarcas : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kRol = Qt::UserRole + 1;
    static QVariant Marcas(const QVector<biblioteca::Marca> &marcas);
    void paint(QPainter *p, const QStyleOptionViewItem &opcion, const QModelIndex &indice) const override;
};

// Searches the whole library as the user types: names, descriptions and code of every category. It
// stays open beside the main window and keeps its query for the session; a result opens its category
// with the script selected, or gives its code to the clipboard.
class frmBuscarBiblioteca : public QDialog {
    Q_OBJECT
public:
    // Opens the found script's category and selects it, the way the main window opens categories.
    using Abrir = std::function<void(const biblioteca::Hallazgo &)>;
    frmBuscarBiblioteca(Indexador &indexador, Abrir abrir, QWidget *padre);

    static constexpr int kLimite = 100; // results listed; the rest are counted

    QLabel *lblBuscar = nullptr;
    QLineEdit *txtBuscar = nullptr;
    // The library's tags, the most used first, each "#nombre (N)"; a click adds it to the query.
    QLabel *lblEtiquetas = nullptr;
    QListWidget *lstEtiquetas = nullptr;
    QTreeWidget *lstResultados = nullptr; // Categoría, Nombre, Descripción, Código
    QLabel *lblMas = nullptr;             // "y N más", or that nothing matched
    QStatusBar *barEstado = nullptr;      // what a command did, such as copying
    QLabel *lblAviso = nullptr;           // categories that could not be read, an index not in use
    QPushButton *cmdAbrir = nullptr;
    QPushButton *cmdCopiar = nullptr;
    QPushButton *cmdCerrar = nullptr;

    // Shows the window with the last query ready to be typed over and its results fresh.
    void Mostrar();
    // Asks again for what is typed, while shown: the open category changed.
    void Refrescar();
    void cmdAbrir_Click();
    void cmdCopiar_Click();
    void lstEtiquetas_Click(QListWidgetItem *fila);
    // The result of the current row, if any.
    const biblioteca::Hallazgo *actual() const;

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    void Consultar();
    void Recibir(quint64 numero, const biblioteca::Respuesta &r);
    void PedirEtiquetas();
    void RecibirEtiquetas(quint64 numero, const biblioteca::Respuesta &r);

    Indexador &indexador_;
    Abrir abrir_;
    quint64 esperada_ = 0;
    quint64 etiquetasEsperadas_ = 0;
    QString consultaMostrada_; // the query whose results the list shows
    QVector<biblioteca::Hallazgo> hallazgos_;
};

// The status bar's notice while the index of a big library is built.
class AvisoIndice : public QLabel {
    Q_OBJECT
public:
    AvisoIndice(Indexador &indexador, QWidget *padre);
    // Passes with less than this to read end too soon to be worth telling.
    qint64 umbral = 8 << 20;
};
