#pragma once
#include "AyudasNucleo.h"
#include "Controles.h"
#include "format/mdlScripts.h"

#include <QMessageBox>
#include <QUrl>
#include <QObject>
#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class ListaScripts;
class QModelIndex;
class QWidget;
class frmPrincipal;
class frmScript;

namespace ayudas {

// What a message box showed before it was answered.
struct Mensaje {
    QString texto;
    QString titulo;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    bool visto = false;
    QMessageBox::StandardButton porDefecto = QMessageBox::NoButton;
    bool conCancelar = false; // it offered Cancelar
};

// Queues `accion` as the answer to the next modal window the program opens (through the message
// helper's queue, armed before the call that opens the window). The window's own buttons, clicked by
// `accion`, decide its result; a window still open afterwards is cancelled.
void AlAbrirseModal(std::function<void(QWidget *)> accion);
// Answers the next message box with the button, recording what it said in *registro.
void ContestarMensaje(QMessageBox::StandardButton boton, Mensaje *registro = nullptr);
// The same, with what it said in the result once it has been answered.
std::shared_ptr<Mensaje> Contestar(QMessageBox::StandardButton boton);
// How a user answers a message box by hand: a click on Sí or No, Enter (its default button), Esc, or
// the box's close button.
enum class Gesto { Si, No, Intro, Esc, Cerrar };
// Answers the next message box by hand; what it showed in the result once answered.
std::shared_ptr<Mensaje> Responder(Gesto gesto);

// Where the program's web addresses go instead of the browser, while it lives; with `archivos`, the
// files it hands to the desktop (a preview) too.
class Navegador : public QObject {
    Q_OBJECT
public:
  explicit Navegador(bool archivos = false);
  ~Navegador() override;
  QList<QUrl> abiertas;
public slots:
    void abrir(const QUrl &url) { abiertas.append(url); }

  private:
    QStringList esquemas_;
};

// The texts of a list's rows, and the row with a given text (or none).
QStringList Textos(const QTreeWidget *lista);
QTreeWidgetItem *Buscar(QTreeWidget *lista, const QString &texto);
// Answers the next file dialog with `ruta`, as the user picking it does: a folder dialog goes to it,
// any other takes it as the file chosen.
void ElegirArchivo(const QString &ruta);

// A click on a row of a list as the user gives it, with the left button unless told.
void Clic(QTreeWidget *lista, QTreeWidgetItem *fila, Qt::MouseButton boton = Qt::LeftButton);
// The same for the main window's script list, whose rows are the open category's scripts.
QStringList Textos(const ListaScripts *lista);
QModelIndex Buscar(const ListaScripts *lista, const QString &texto);
void Clic(ListaScripts *lista, const QModelIndex &fila, Qt::MouseButton boton = Qt::LeftButton);
// The script at a row of the open category, and whether that category has unsaved changes.
Script Fila(const frmPrincipal &w, int i);
bool HayCambios(const frmPrincipal &w);
// A pending change in the open category that leaves its scripts as they are (the first one removed
// and put back: two undo steps); nothing without an open category.
void Cambiar(frmPrincipal &w);
// Chooses an entry of a drop-down list as a click in its open list does.
void Elegir(QComboBox *lista, const QString &texto);
// The in-place editor of the category being renamed, once the command has opened it.
QLineEdit *EditorDeNombre(const frmPrincipal &w);
// Starts renaming the selected category and types `texto` over its name, without Enter; the editor.
QLineEdit *EmpezarRenombre(frmPrincipal &w, const QString &texto);
// The same, then the key (Enter accepts, Escape gives up); returns once the rename has run.
void Renombrar(frmPrincipal &w, const QString &texto, Qt::Key tecla = Qt::Key_Return);
// Adds a category through the add dialog, typed and accepted with Enter; `antes` runs before Enter.
void AgregarCategoria(frmPrincipal &w, const QString &nombre, const std::function<void()> &antes = {});

// Runs "Eliminar duplicados" from the options list as a user does: the dialog's Eliminar, then Cerrar.
void EliminarDuplicados(frmPrincipal &w);

// A main window shown over its own application folder, every category listed (filter "Todas").
struct VentanaPrincipal {
    Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    explicit VentanaPrincipal(const QList<QPair<QString, QByteArray>> &categorias = {});
    // Only the folder and the panel's filter: the test puts its files in place, then calls crear.
    struct PorCrear {
        QString filtro = QStringLiteral("Todas");
    };
    explicit VentanaPrincipal(PorCrear p);
    ~VentanaPrincipal();
    // Makes and shows the window, with the panel's quick-access entries.
    void crear(const QStringList &entradas = {QStringLiteral("Todas")});
    // A click on the category's entry; abrir double-clicks it too, which opens it.
    void seleccionar(const QString &nombre);
    void abrir(const QString &nombre);
    // A click on the script's row.
    void seleccionarScript(const QString &nombre);
    QStringList scripts() const;
    // The names of the records the category's file holds, in order.
    QStringList enArchivo(const QString &categoria) const;
};

// The main window over the folder with the preferences a first start leaves (the history off, so that
// only the library's files cause passes of the index), shown unless told, listing every category,
// scripts in the file's order.
std::unique_ptr<frmPrincipal> PrincipalConPreferencias(Carpeta &c, bool mostrar = true);
// A main window over its own folder with the preferences a first start leaves (the history off),
// shown unless told, listing every category, scripts in the file's order; `abierta` is opened when given.
struct VentanaConPreferencias {
    Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    explicit VentanaConPreferencias(const QList<QPair<QString, QByteArray>> &categorias,
                                    const QString &abierta = QStringLiteral("Menus"), bool mostrar = true);
    ~VentanaConPreferencias();
    // Opens the category as selecting it and pressing Enter does.
    void abrir(const QString &categoria);
    Script fila(int i) const;
    void seleccionar(int i);
    // An editor in the given mode, as the main window opens it but without waiting for it, shown and
    // active; `campos` are the name, description, score and code.
    std::unique_ptr<frmScript> editor(const QString &modo, const QStringList &campos = {});
    // Saves as the save question does on Yes, and gives the category file's bytes.
    QByteArray guardar(const QString &categoria = QStringLiteral("Menus"));
    QByteArray archivo(const QString &categoria) const;
};

// A click on the editor toolbar's button at the position (1 Copiar, 3 Imprimir, 5 Exportar,
// 7 Aceptar, 9 Cancelar, 11 Cerrar).
void Pulsar(frmScript &e, int posicion);

// The second process of a test that ends the program from outside: the main window over the folder
// with its preferences, `categoria` open and `script` selected, wired for the end as the program's
// entry wires it (its end quits the application).
std::unique_ptr<frmPrincipal> PrincipalParaElFin(Estado &estado, const QString &categoria, const QString &script);
// Runs this test program again as that process (`variable` gives it `carpeta`), waits for its
// "listo" and sends SIGTERM: empty when it then ended by itself, cleanly; else what went wrong.
QString TerminarSegundoProceso(const char *variable, const QString &carpeta);

} // namespace ayudas

// main() of a test that is its own second process: with `variable` set, hijo(carpeta, argc, argv) runs.
#define RUTINERO_MAIN_CON_HIJO(Prueba, variable, hijo)                                                    \
    int main(int argc, char **argv) {                                                                     \
        if (const QString carpeta = qEnvironmentVariable(variable); !carpeta.isEmpty()) {                 \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                      \
            return hijo(carpeta, argc, argv);                                                             \
        }                                                                                                 \
        QApplication app(argc, argv);                                                                     \
        Prueba t;                                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                                        \
        return QTest::qExec(&t, argc, argv);                                                              \
    }
