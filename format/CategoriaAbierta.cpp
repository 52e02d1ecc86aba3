#include "format/CategoriaAbierta.h"
#include "core/Archivos.h"
#include "core/Hilos.h"
#include "format/DuenoCarpeta.h"
#include "format/OrdenScripts.h"
#include "format/Herramientas.h"

#include <QDir>
#include <QFileInfo>
#include <QUndoCommand>
#include <QUtf8StringView>
#include <QCollatorSortKey>
#include <algorithm>
#include <cerrno>
#include <new>

namespace {

QString Comillado(const QString &nombre) { return QStringLiteral("«%1»").arg(nombre); }

QString Varios(const QString &verbo, int n) {
    return n == 1 ? QStringLiteral("%1 1 script").arg(verbo) : QStringLiteral("%1 %2 scripts").arg(verbo).arg(n);
}

// Why bytes the reader would take anyway are not a category. The reader is lenient on purpose: files
// from other systems and hand-written ones (stray control bytes, a last field left open) open and
// are written back as they read. Only what decoding itself would damage is refused: text marked as
// UTF-8 that is not would come back with replacement marks where its bytes were, and saving would
// write those over whatever could still be recovered from the file.
QString Defecto(const QByteArray &datos) {
    const codificacion::Tipo tipo = codificacion::De(datos);
    if (tipo == codificacion::Tipo::Utf8 &&
        !QUtf8StringView(datos.constData() + codificacion::kLargoBom, datos.size() - codificacion::kLargoBom)
             .isValidUtf8())
        return QStringLiteral("empieza como UTF-8 pero su contenido no lo es");
    return {};
}

} // namespace

// What every command of the document shares: it reaches the document's private edits, which
// friendship would not hand down to each command class.
class ComandoCategoria : public QUndoCommand {
public:
    ComandoCategoria(CategoriaAbierta &d, const QString &texto) : QUndoCommand(texto), d_(d) {}

protected:
    void insertar(int fila, const QVector<Script> &s) { d_.insertar(fila, s); }
    void quitar(int fila, int cuantas) { d_.quitar(fila, cuantas); }
    void cambiar(int fila, const Script &s) { d_.cambiar(fila, s); }
    void mover(int fila, int hasta) { d_.mover(fila, hasta); }
    void reemplazarTodo(const QVector<Script> &s) { d_.reemplazarTodo(s); }
    const CategoriaAbierta &documento() const { return d_; }

private:
    CategoriaAbierta &d_;
};

namespace {

// Rows that come or go, each with its place while present (ascending). Adding puts them in and
// removing takes them out; the undo is the other. Consecutive places are one run, so importing a
// thousand scripts is one insertion for a view, not a thousand.
class ComandoFilas : public ComandoCategoria {
public:
    struct Fila {
        int fila;
        Script script;
    };
    ComandoFilas(CategoriaAbierta &d, const QString &texto, QVector<Fila> filas, bool agregar)
        : ComandoCategoria(d, texto), filas_(std::move(filas)), agregar_(agregar) {}
    void redo() override { agregar_ ? poner() : sacar(); }
    void undo() override { agregar_ ? sacar() : poner(); }

private:
    // Past this many runs one change of the whole list is cheaper for a view than a change per run
    // (each costs it the length of the list: removing the duplicates scattered through 100 000
    // scripts took 19 s).
    static constexpr int kMuchasTandas = 64;
    int tandas() const {
        int n = 0;
        for (qsizetype i = 0; i < filas_.size(); ++i)
            n += i == 0 || filas_[i].fila != filas_[i - 1].fila + 1;
        return n;
    }
    // Ascending, each at its final place: the earlier ones are already where they belong.
    void poner() {
        if (tandas() > kMuchasTandas) {
            const QVector<Script> &antes = documento().scripts();
            QVector<Script> todo;
            todo.reserve(antes.size() + filas_.size());
            qsizetype k = 0, viejo = 0;
            while (k < filas_.size() || viejo < antes.size()) {
                if (k < filas_.size() && filas_[k].fila == todo.size())
                    todo.append(filas_[k++].script);
                else
                    todo.append(antes.at(viejo++));
            }
            reemplazarTodo(todo);
            return;
        }
        for (qsizetype i = 0; i < filas_.size();) {
            qsizetype j = i + 1;
            while (j < filas_.size() && filas_[j].fila == filas_[j - 1].fila + 1)
                ++j;
            QVector<Script> tanda;
            tanda.reserve(j - i);
            for (qsizetype k = i; k < j; ++k)
                tanda.append(filas_[k].script);
            insertar(filas_[i].fila, tanda);
            i = j;
        }
    }
    // Descending, so the places of the rows still to go do not move.
    void sacar() {
        if (tandas() > kMuchasTandas) {
            const QVector<Script> &antes = documento().scripts();
            QVector<Script> resto;
            resto.reserve(antes.size() - filas_.size());
            qsizetype k = 0;
            for (qsizetype f = 0; f < antes.size(); ++f) {
                if (k < filas_.size() && filas_[k].fila == f)
                    ++k;
                else
                    resto.append(antes.at(f));
            }
            reemplazarTodo(resto);
            return;
        }
        for (qsizetype j = filas_.size(); j > 0;) {
            qsizetype i = j - 1;
            while (i > 0 && filas_[i - 1].fila == filas_[i].fila - 1)
                --i;
            quitar(filas_[i].fila, int(j - i));
            j = i;
        }
    }
    QVector<Fila> filas_;
    bool agregar_;
};

// An edited script, and in a sorted category the move to its new place.
class ComandoCambiar : public ComandoCategoria {
public:
    ComandoCambiar(CategoriaAbierta &d, int fila, int hasta, Script antes, Script despues)
        : ComandoCategoria(d, QStringLiteral("editar %1").arg(Comillado(antes.Nombre))), fila_(fila), hasta_(hasta),
          antes_(std::move(antes)), despues_(std::move(despues)) {}
    void redo() override {
        cambiar(fila_, despues_);
        if (hasta_ != fila_)
            mover(fila_, hasta_);
    }
    void undo() override {
        if (hasta_ != fila_)
            mover(hasta_, fila_);
        cambiar(fila_, antes_);
    }

private:
    int fila_, hasta_;
    Script antes_, despues_;
};

class ComandoMover : public ComandoCategoria {
public:
    ComandoMover(CategoriaAbierta &d, const QString &texto, int fila, int hasta)
        : ComandoCategoria(d, texto), fila_(fila), hasta_(hasta) {}
    void redo() override { mover(fila_, hasta_); }
    void undo() override { mover(hasta_, fila_); }

private:
    int fila_, hasta_;
};

class ComandoTodo : public ComandoCategoria {
public:
    ComandoTodo(CategoriaAbierta &d, const QString &texto, QVector<Script> antes, QVector<Script> despues)
        : ComandoCategoria(d, texto), antes_(std::move(antes)), despues_(std::move(despues)) {}
    void redo() override { reemplazarTodo(despues_); }
    void undo() override { reemplazarTodo(antes_); }

private:
    QVector<Script> antes_, despues_;
};

} // namespace

CategoriaAbierta::CategoriaAbierta(QObject *padre) : QObject(padre) {
    connect(&pila_, &QUndoStack::cleanChanged, this, &CategoriaAbierta::avisarCambio);
}

// The stack goes first: its commands refer to this document, and clearing tells no one.
CategoriaAbierta::~CategoriaAbierta() {
    disconnect(&pila_, nullptr, this, nullptr);
    pila_.clear();
}

bool CategoriaAbierta::hayCambios() const { return cambioFueraDePila_ || !pila_.isClean(); }

void CategoriaAbierta::avisarCambio() {
    const bool ahora = hayCambios();
    if (ahora == avisado_)
        return;
    avisado_ = ahora;
    emit cambiado(ahora);
}

bool CategoriaAbierta::leer(const QString &ruta, QString *error) {
    const QString nombre = QFileInfo(ruta).completeBaseName();
    const QString donde = QDir::toNativeSeparators(ruta);
    QByteArray datos;
    QString razon;
    QVector<Script> scripts;
    bool ok = mdlScripts::LeerBytes(ruta, datos, &razon);
    try {
        if (ok) {
            const QVector<mdlScripts::Registro> registros = mdlScripts::Registros(datos);
            const QString defecto = Defecto(datos);
            if (!defecto.isEmpty()) {
                if (error)
                    *error = QStringLiteral("La categoría %1 (%2) está dañada: %3.").arg(nombre, donde, defecto);
                return false;
            }
            // Each record decodes on its own, so a big category decodes on every core.
            scripts.resize(registros.size());
            Script *destino = scripts.data(); // detached once, here, not by each thread
            std::atomic<bool> sinMemoria{false};
            hilos::EnParalelo(int(registros.size()), [&](int i) {
                try {
                    destino[i] = mdlScripts::Decodificar(datos, registros[i]);
                } catch (const std::bad_alloc &) {
                    sinMemoria = true;
                }
            });
            if (sinMemoria)
                throw std::bad_alloc();
            if (ordenado_)
                scripts = orden::Permutados(scripts, orden::Permutacion(scripts, 0, Qt::AscendingOrder));
        }
    } catch (const std::bad_alloc &) {
        // A category under the size limit may still be more than this machine's memory holds.
        ok = false;
        razon = archivos::Razon(ENOMEM);
    }
    if (!ok) {
        if (error)
            *error = razon == archivos::RazonDemasiadoGrande()
                         ? QStringLiteral("La categoría %1 %2 (%3).").arg(nombre, razon, donde)
                         : QStringLiteral("No se pudo leer la categoría %1 (%2): %3").arg(nombre, donde, razon);
        return false;
    }
    emit porReiniciar();
    scripts_ = std::move(scripts);
    nombre_ = nombre;
    ruta_ = ruta;
    tipo_ = codificacion::De(datos);
    huella_ = Huella::DeBytes(ruta, datos);
    cambioFueraDePila_ = false;
    // Undoing into another file's scripts, or into the ones this read replaced, would be nonsense.
    pila_.clear();
    emit reiniciada();
    avisarCambio();
    return true;
}

bool CategoriaAbierta::Abrir(const QString &ruta, QString *error) { return leer(ruta, error); }

bool CategoriaAbierta::Recargar(QString *error) {
    if (!hayAbierta()) {
        if (error)
            *error = QStringLiteral("No hay ninguna categoría abierta.");
        return false;
    }
    return leer(ruta_, error);
}

bool CategoriaAbierta::Guardar(QString *error) {
    if (!hayAbierta()) {
        if (error)
            *error = QStringLiteral("No hay ninguna categoría abierta.");
        return false;
    }
    QString razon;
    const QByteArray datos = Componer();
    const QFileInfo i(ruta_);
    if (!DuenoCarpeta::De(i.path()).Guardar(i.fileName(), datos, &razon)) {
        // Nothing is reported as saved that was not: the changes stay pending.
        if (error)
            *error = QStringLiteral("No se pudo guardar la categoría %1 (%2): %3")
                         .arg(nombre_, QDir::toNativeSeparators(ruta_), razon);
        return false;
    }
    Escrita(ruta_, datos);
    return true;
}

bool CategoriaAbierta::Agregar(const Script &s, int fila) {
    // Scripts belong to a file: with none open there is nowhere they could be saved.
    if (!hayAbierta())
        return false;
    if (fila == -1)
        fila = ordenado_ ? lugarOrdenado(s) : cantidad();
    if (fila < 0 || fila > cantidad())
        return false;
    pila_.push(new ComandoFilas(*this, QStringLiteral("agregar %1").arg(Comillado(s.Nombre)), {{fila, s}}, true));
    return true;
}

bool CategoriaAbierta::Reemplazar(int fila, const Script &s) {
    if (fila < 0 || fila >= cantidad() || scripts_.at(fila) == s)
        return false;
    // Named as it was: undoing gives that name back.
    const int hasta = ordenado_ && s.Nombre != scripts_.at(fila).Nombre ? lugarOrdenado(s, fila) : fila;
    pila_.push(new ComandoCambiar(*this, fila, hasta, scripts_.at(fila), s));
    return true;
}

bool CategoriaAbierta::Eliminar(int fila) { return Eliminar(QVector<int>{fila}); }

bool CategoriaAbierta::Eliminar(const QVector<int> &filas) {
    QVector<int> orden = filas;
    std::sort(orden.begin(), orden.end());
    orden.erase(std::unique(orden.begin(), orden.end()), orden.end());
    // A row that is not there means the caller's view is not this document: nothing is removed.
    if (orden.isEmpty() || orden.first() < 0 || orden.last() >= cantidad())
        return false;
    QVector<ComandoFilas::Fila> quitadas;
    quitadas.reserve(orden.size());
    for (int f : orden)
        quitadas.append({f, scripts_.at(f)});
    const QString texto = orden.size() == 1 ? QStringLiteral("eliminar %1").arg(Comillado(quitadas.first().script.Nombre))
                                            : Varios(QStringLiteral("eliminar"), int(orden.size()));
    pila_.push(new ComandoFilas(*this, texto, std::move(quitadas), false));
    return true;
}

bool CategoriaAbierta::Subir(int fila) {
    if (fila < 1 || fila >= cantidad())
        return false;
    pila_.push(new ComandoMover(*this, QStringLiteral("subir %1").arg(Comillado(scripts_.at(fila).Nombre)), fila, fila - 1));
    return true;
}

bool CategoriaAbierta::Bajar(int fila) {
    if (fila < 0 || fila >= cantidad() - 1)
        return false;
    pila_.push(new ComandoMover(*this, QStringLiteral("bajar %1").arg(Comillado(scripts_.at(fila).Nombre)), fila, fila + 1));
    return true;
}

int CategoriaAbierta::EliminarDuplicados() {
    QVector<QPair<QString, QString>> claves;
    claves.reserve(scripts_.size());
    for (const Script &s : scripts_)
        claves.append({s.Nombre, s.Descripcion});
    const QVector<bool> vive = herramientas::Sobrevivientes(claves);
    QVector<ComandoFilas::Fila> quitadas;
    for (int f = 0; f < cantidad(); ++f)
        if (!vive.at(f))
            quitadas.append({f, scripts_.at(f)});
    const int n = int(quitadas.size());
    if (n > 0)
        pila_.push(new ComandoFilas(*this, QStringLiteral("eliminar duplicados"), std::move(quitadas), false));
    return n;
}

bool CategoriaAbierta::Importar(const QVector<Script> &scripts, const QString &texto) {
    if (scripts.isEmpty() || !hayAbierta())
        return false;
    QVector<ComandoFilas::Fila> nuevas;
    nuevas.reserve(scripts.size());
    if (ordenado_) {
        // Each takes its sorted place, after the equal names already there: the new ones in their
        // own order, merged into the old ones by one search each.
        const std::vector<QCollatorSortKey> viejas = orden::Claves(scripts_);
        const QVector<int> p = orden::Permutacion(scripts, 0, Qt::AscendingOrder);
        for (int j = 0; j < p.size(); ++j) {
            const Script &s = scripts.at(p.at(j));
            const QCollatorSortKey clave = herramientas::ClaveOrden(s.Nombre);
            const auto lugar = std::upper_bound(viejas.begin(), viejas.end(), clave,
                                                [](const QCollatorSortKey &a, const QCollatorSortKey &b) {
                                                    return a.compare(b) < 0;
                                                });
            nuevas.append({int(lugar - viejas.begin()) + j, s});
        }
    } else {
        for (const Script &s : scripts)
            nuevas.append({cantidad() + int(nuevas.size()), s});
    }
    pila_.push(new ComandoFilas(*this, texto.isEmpty() ? Varios(QStringLiteral("importar"), int(scripts.size())) : texto,
                                std::move(nuevas), true));
    return true;
}

int CategoriaAbierta::lugarOrdenado(const Script &s, int sin) const {
    const QCollatorSortKey clave = herramientas::ClaveOrden(s.Nombre);
    // Rows after `sin` count one place less: they are where they will be once it is gone.
    int bajo = 0, alto = cantidad() - (sin >= 0 ? 1 : 0);
    while (bajo < alto) {
        const int medio = (bajo + alto) / 2;
        const int real = sin >= 0 && medio >= sin ? medio + 1 : medio;
        if (herramientas::ClaveOrden(scripts_.at(real).Nombre).compare(clave) <= 0)
            bajo = medio + 1;
        else
            alto = medio;
    }
    return bajo;
}

// The option's sort is no edit of the user's: the same scripts, in the order the next save writes
// anyway, as the file read sorted would show them. It is no undo step either, and the steps before
// it end here, since they name rows by a place that no longer holds the same script; pending changes
// stay pending.
void CategoriaAbierta::setOrdenado(bool ordenado) {
    ordenado_ = ordenado;
    if (!ordenado || cantidad() < 2)
        return;
    const QVector<int> p = orden::Permutacion(scripts_, 0, Qt::AscendingOrder);
    if (orden::EsIdentidad(p))
        return;
    if (!pila_.isClean())
        cambioFueraDePila_ = true;
    pila_.clear();
    reemplazarTodo(orden::Permutados(scripts_, p));
    avisarCambio();
}

bool CategoriaAbierta::Ordenar(int columna, Qt::SortOrder orden) {
    if (columna < 0 || columna >= mdlScripts::kCampos || cantidad() < 2)
        return false;
    const QVector<int> p = orden::Permutacion(scripts_, columna, orden);
    if (orden::EsIdentidad(p))
        return false;
    static const char *const kColumnas[] = {"Nombre", "Descripción", "Código", "P"};
    pila_.push(new ComandoTodo(*this, QStringLiteral("ordenar por «%1»").arg(QString::fromUtf8(kColumnas[columna])),
                               scripts_, orden::Permutados(scripts_, p)));
    return true;
}

void CategoriaAbierta::FijarCodificacion(codificacion::Tipo tipo) {
    if (tipo == tipo_ || !hayAbierta())
        return;
    tipo_ = tipo;
    cambioFueraDePila_ = true;
    avisarCambio();
}

QByteArray CategoriaAbierta::Componer() const { return Componer(scripts_, tipo_); }

QByteArray CategoriaAbierta::Componer(const QVector<Script> &scripts, codificacion::Tipo tipo) {
    if (tipo == codificacion::Tipo::Cp1252)
        for (const Script &s : scripts)
            if (!cp1252::Representable(s.Nombre) || !cp1252::Representable(s.Descripcion) ||
                !cp1252::Representable(s.Codigo) || !cp1252::Representable(s.Puntaje)) {
                tipo = codificacion::Tipo::Utf8;
                break;
            }
    return mdlScripts::Componer(scripts, tipo);
}

void CategoriaAbierta::Escrita(const QString &ruta, const QByteArray &datos) {
    if (ruta != ruta_)
        Renombrada(ruta);
    tipo_ = codificacion::De(datos);
    huella_ = Huella::DeBytes(ruta, datos);
    cambioFueraDePila_ = false;
    pila_.setClean();
    avisarCambio();
}

void CategoriaAbierta::Renombrada(const QString &ruta) {
    ruta_ = ruta;
    nombre_ = QFileInfo(ruta).completeBaseName();
    emit renombrada();
}

void CategoriaAbierta::Cerrar() {
    emit porReiniciar();
    scripts_.clear();
    nombre_.clear();
    ruta_.clear();
    huella_ = {};
    cambioFueraDePila_ = false;
    pila_.clear();
    emit reiniciada();
    avisarCambio();
}

bool CategoriaAbierta::Restaurar(const QVector<Script> &scripts, const QString &texto) {
    if (scripts == scripts_ || !hayAbierta())
        return false;
    pila_.push(new ComandoTodo(*this, texto, scripts_, scripts));
    return true;
}

// Not an undo step. Its other half is a write of another category's file, which the caller makes and
// this stack could not take back; an undo here would bring the scripts back while they stay in the
// other file too, and a redo after that would lose them from both. So the history ends here: the
// stack is emptied (what came before could no longer be undone in order anyway, since the rows it
// names have moved), and the document stays changed until it is saved or read again.
QVector<Script> CategoriaAbierta::MoverA(const QVector<int> &filas, const QString &otra) {
    QVector<int> orden = filas;
    std::sort(orden.begin(), orden.end());
    orden.erase(std::unique(orden.begin(), orden.end()), orden.end());
    if (orden.isEmpty() || orden.first() < 0 || orden.last() >= cantidad() || otra.isEmpty() ||
        otra.compare(nombre_, Qt::CaseInsensitive) == 0)
        return {};
    QVector<Script> movidos;
    movidos.reserve(orden.size());
    for (int f : orden)
        movidos.append(scripts_.at(f));
    for (qsizetype k = orden.size(); k > 0; --k)
        quitar(orden.at(k - 1), 1);
    cambioFueraDePila_ = true;
    pila_.clear();
    avisarCambio();
    return movidos;
}

void CategoriaAbierta::insertar(int fila, const QVector<Script> &scripts) {
    const int ultima = fila + int(scripts.size()) - 1;
    emit filasPorInsertar(fila, ultima);
    scripts_.insert(fila, scripts.size(), Script());
    std::copy(scripts.begin(), scripts.end(), scripts_.begin() + fila);
    emit filasInsertadas(fila, ultima);
}

void CategoriaAbierta::quitar(int fila, int cuantas) {
    emit filasPorQuitar(fila, fila + cuantas - 1);
    scripts_.remove(fila, cuantas);
    emit filasQuitadas(fila, fila + cuantas - 1);
}

void CategoriaAbierta::cambiar(int fila, const Script &s) {
    scripts_[fila] = s;
    emit filasCambiadas(fila, fila);
}

void CategoriaAbierta::mover(int fila, int hasta) {
    const int destino = hasta > fila ? hasta + 1 : hasta;
    emit filaPorMover(fila, destino);
    scripts_.move(fila, hasta);
    emit filaMovida(fila, destino);
}

void CategoriaAbierta::reemplazarTodo(const QVector<Script> &scripts) {
    emit porReiniciar();
    scripts_ = scripts;
    emit reiniciada();
}
