// Measures how the program copes with big libraries, on the real code paths, in one process.
// Every figure is also given as a ratio against a baseline measured in the same run, so results
// compare across noisy machines.
#include "Controles.h"
#include "core/Archivos.h"
#include "core/Hilos.h"
#include "core/mdlINI.h"
#include "core/mdlSistema.h"
#include "core/Cp1252.h"
#include "history/Repositorio.h"
#include "history/Sincronizacion.h"
#include "format/DuenoCarpeta.h"
#include "format/Editores.h"
#include "format/mdlScripts.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/mdlScriptsVista.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "search/IndiceBiblioteca.h"
#include "ui/tools/frmBuscar.h"
#include "ui/tools/frmEliminarDup.h"
#include "search/Indexador.h"
#include "ui/mdlInicio.h"
#include "ui/tools/frmBusquedaRapida.h"

#include <QClipboard>
#include <QtConcurrent>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QtTest/QTest>

using ayudas::ui;

const char *const kPalabras[] = {"menú", "tabla", "formulario", "validación", "cookie", "fecha", "imagen",
                                 "galería", "cabecera", "pie", "botón", "enlace", "consulta", "sesión",
                                 "archivo", "cadena", "número", "lista", "árbol", "caché"};

static QString Frase(QRandomGenerator &r, int palabras) {
    QStringList p;
    for (int i = 0; i < palabras; ++i)
        p << QString::fromUtf8(kPalabras[r.bounded(20)]);
    return p.join(QLatin1Char(' '));
}

QVector<Script> Biblioteca(int n, quint32 semilla) {
    QRandomGenerator r(semilla);
    QVector<Script> v;
    v.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (i > 10 && r.bounded(10) == 0) { // a share of duplicates
            v.append(v[r.bounded(i)]);
            continue;
        }
        Script s;
        s.Nombre = Frase(r, 2 + r.bounded(3)) + QStringLiteral(" %1").arg(i);
        s.Descripcion = Frase(r, 5 + r.bounded(8));
        const int largo = 200 + r.bounded(8 * 1024 - 200);
        QString c;
        c.reserve(largo + 80);
        while (c.size() < largo) {
            c += QStringLiteral("  var x = *RTN*") + Frase(r, 2) + QStringLiteral("*RTN*; // línea\r\n");
        }
        s.Codigo = c;
        s.Puntaje = QString::number(r.bounded(11));
        v.append(s);
    }
    return v;
}

namespace {

struct Fila {
    QString nombre;
    double ms;
    double mb; // 0 when MB/s means nothing
    double base;
};
QVector<Fila> filas;

// The processor time of this thread: on a machine shared with other work, the wall clock also
// counts the time the program waited for a processor.
double MsCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median and 99th percentile of the wall clock, and median of the processor time.
struct Tiempos {
    double mediana, p99, cpu;
    // Compared in turns: the program's time over the baseline's, round by round.
    double razon = 0, razonMin = 0, razonMax = 0;
};
Tiempos Medir(int veces, const std::function<void()> &f) {
    f(); // warm-up
    QVector<double> t, cpu;
    for (int i = 0; i < veces; ++i) {
        QElapsedTimer r;
        r.start();
        const double antes = MsCpu();
        f();
        cpu.append(MsCpu() - antes);
        t.append(r.nsecsElapsed() / 1e6);
    }
    std::sort(t.begin(), t.end());
    std::sort(cpu.begin(), cpu.end());
    return {t[t.size() / 2], t[std::min(int(t.size()) - 1, int(t.size() * 0.99))], cpu[cpu.size() / 2]};
}

double Mediana(int veces, const std::function<void()> &f) { return Medir(veces, f).mediana; }
double MedianaCpu(int veces, const std::function<void()> &f) { return Medir(veces, f).cpu; }


long CampoStatus(const char *clave) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &linea : f.readAll().split('\n'))
        if (linea.startsWith(clave))
            return linea.mid(qstrlen(clave)).trimmed().split(' ').value(0).toLong();
    return 0;
}
long MemoriaActualKB() { return CampoStatus("VmRSS:"); }
long MemoriaPicoKB() { return CampoStatus("VmHWM:"); }
// Linux resets the peak to the current size on "5" written to clear_refs.
void ReiniciarPico() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void Anotar(const QString &nombre, double ms, double mb, double base) { filas.append({nombre, ms, mb, base}); }

// The version a save leaves in the history: the file saved with one script changed (not timed),
// then recorded. A fresh repository per size, whose first version is made before timing.
double MedianaVersion(int veces, const QString &ruta, const QVector<Script> &datos) {
    const QString carpeta = QFileInfo(ruta).absolutePath();
    QDir(carpeta + QStringLiteral("/.git")).removeRecursively();
    git::Repositorio repo;
    QString mensaje;
    repo.Abrir(carpeta, true);
    const QString archivo = QFileInfo(ruta).fileName();
    repo.Confirmar({archivo}, &mensaje, nullptr);
    QVector<Script> otro = datos;
    QVector<double> t;
    for (int i = 0; i <= veces; ++i) {
        otro[i % otro.size()].Codigo += QStringLiteral(" // cambio %1").arg(i);
        mdlScripts::GuardarArchivo(ruta, otro);
        QElapsedTimer r;
        r.start();
        repo.Confirmar({archivo}, &mensaje, nullptr);
        if (i > 0) // the first one warms up
            t.append(r.nsecsElapsed() / 1e6);
    }
    QDir(carpeta + QStringLiteral("/.git")).removeRecursively();
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Two machines with a library of 100 categories, synced through a bare repository in a folder;
// each round both change 10 categories (5 of them the same categories, other scripts) and sync.
void MedirSincronizacion() {
    QTemporaryDir dir;
    const QString remoto = dir.filePath(QStringLiteral("remoto.git"));
    git::Repositorio::CrearRemoto(remoto);
    const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b"));
    QDir().mkpath(a);
    QDir().mkpath(b);
    QVector<QVector<Script>> libros;
    for (int i = 0; i < 100; ++i) {
        libros.append(Biblioteca(300, quint32(7000 + i)));
        mdlScripts::GuardarArchivo(a + QStringLiteral("/Cat%1.rtn").arg(i, 3, 10, QLatin1Char('0')), libros.last());
    }
    git::Repositorio ra, rb;
    ra.Abrir(a, true);
    rb.Abrir(b, true);
    const git::Llamadas ll;
    git::Sincronizar(ra, remoto, ll);
    git::Sincronizar(rb, remoto, ll);
    qint64 bytes = 0;
    for (const QFileInfo &f : QDir(a).entryInfoList({QStringLiteral("*.rtn")}, QDir::Files))
        bytes += f.size();
    const double base = Mediana(5, [&] {
        for (const QFileInfo &f : QDir(a).entryInfoList({QStringLiteral("*.rtn")}, QDir::Files)) {
            QFile x(f.filePath());
            x.open(QIODevice::ReadOnly);
            volatile qsizetype n = x.readAll().size();
            (void)n;
        }
    });
    Anotar(QStringLiteral("base: leer las 100 categorías"), base, bytes / 1e6, base);
    auto cambiar = [&](const QString &carpeta, int desde, int ronda, int script) {
        for (int i = desde; i < desde + 10; ++i) {
            const QString ruta = carpeta + QStringLiteral("/Cat%1.rtn").arg(i, 3, 10, QLatin1Char('0'));
            QVector<Script> v;
            mdlScripts::LeerArchivo(ruta, v);
            v[script].Codigo += QStringLiteral(" // ronda %1").arg(ronda);
            mdlScripts::GuardarArchivo(ruta, v);
        }
    };
    QVector<double> envia, combina, recibe;
    for (int ronda = 0; ronda < 5; ++ronda) {
        cambiar(a, ronda * 10, ronda, 1);
        cambiar(b, ronda * 10 + 5, ronda, 2);
        QElapsedTimer r;
        r.start();
        git::Sincronizar(ra, remoto, ll);
        envia.append(r.nsecsElapsed() / 1e6);
        r.restart();
        git::Sincronizar(rb, remoto, ll);
        combina.append(r.nsecsElapsed() / 1e6);
        r.restart();
        git::Sincronizar(ra, remoto, ll);
        recibe.append(r.nsecsElapsed() / 1e6);
    }
    for (auto *v : {&envia, &combina, &recibe})
        std::sort(v->begin(), v->end());
    Anotar(QStringLiteral("sincronizar 100 cat., 10 cambiadas: enviar"), envia[2], 0, base);
    Anotar(QStringLiteral("sincronizar 100 cat., 10 cambiadas c/lado: combinar"), combina[2], 0, base);
    Anotar(QStringLiteral("sincronizar 100 cat.: recibir lo combinado"), recibe[2], 0, base);
}

// A big paste into the editor's code, then one typed key, each timed with the repaint it causes:
// the user sees the window answer only once it has painted. Median of three, wall clock and CPU.
void PegarYTeclear(frmPrincipal &w, const QString &nombre, const QString &texto) {
    QVector<double> pegar, teclear, pegarCpu, teclearCpu;
    for (int i = 0; i < 3; ++i) {
        w.estado.ModoScript = QStringLiteral("Agregar");
        frmScript e(w);
        e.show();
        e.activateWindow();
        QCoreApplication::processEvents();
        QGuiApplication::clipboard()->setText(texto);
        e.txtCodigo->setFocus();
        QElapsedTimer r;
        r.start();
        double cpu = MsCpu();
        QTest::keyClick(e.txtCodigo, Qt::Key_V, Qt::ControlModifier);
        e.txtCodigo->viewport()->repaint();
        pegar.append(r.nsecsElapsed() / 1e6);
        pegarCpu.append(MsCpu() - cpu);
        QTest::keyClick(e.txtCodigo, Qt::Key_End);
        QCoreApplication::processEvents();
        r.restart();
        cpu = MsCpu();
        QTest::keyClick(e.txtCodigo, Qt::Key_X);
        QCoreApplication::processEvents(); // a key typed into big code goes in once the queue is empty
        e.txtCodigo->viewport()->repaint();
        teclear.append(r.nsecsElapsed() / 1e6);
        teclearCpu.append(MsCpu() - cpu);
        e.txtCodigo->ponerTexto(QString()); // nothing typed is asked about on closing
        e.hide();
    }
    for (QVector<double> *v : {&pegar, &teclear, &pegarCpu, &teclearCpu})
        std::sort(v->begin(), v->end());
    const double mb = texto.size() / 1e6;
    Anotar(QStringLiteral("editor: pegar ") + nombre, pegar[1], mb, 0);
    Anotar(QStringLiteral("editor: pegar ") + nombre + QStringLiteral(", CPU"), pegarCpu[1], mb, 0);
    Anotar(QStringLiteral("editor: una tecla tras pegar ") + nombre, teclear[1], 0, 0);
    Anotar(QStringLiteral("editor: una tecla tras pegar ") + nombre + QStringLiteral(", CPU"), teclearCpu[1], 0, 0);
}

// Keys typed one by one at the end of the editor's code: the processor time of each with its
// repaint, sorted. A key typed into big code goes in once the queue is empty.
QVector<double> TeclasAlFinal(frmScript &e, int teclas) {
    e.txtCodigo->setFocus();
    QTest::keyClick(e.txtCodigo, Qt::Key_End, Qt::ControlModifier);
    e.txtCodigo->viewport()->repaint();
    QCoreApplication::processEvents();
    QVector<double> cpu;
    for (int i = 0; i < teclas; ++i) {
        const double antes = MsCpu();
        QTest::keyClick(e.txtCodigo, Qt::Key_X);
        QCoreApplication::processEvents();
        e.txtCodigo->viewport()->repaint();
        cpu.append(MsCpu() - antes);
    }
    std::sort(cpu.begin(), cpu.end());
    return cpu;
}

// Typing at the end of one long line, as a user finishing minified code does. Processor time per
// key with its repaint (median of 21 keys; target at most 20 ms), and the wall time until a burst of
// 50 keys, all arrived at once as from a fast typist, is typed and shown (target at most 1 s).
void TeclearAlFinal(frmPrincipal &w, const QString &nombre, const QString &texto) {
    w.estado.ModoScript = QStringLiteral("Agregar");
    frmScript e(w);
    e.show();
    e.activateWindow();
    e.txtCodigo->ponerTexto(texto);
    const QVector<double> cpu = TeclasAlFinal(e, 21);
    const long largo = e.txtCodigo->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    QElapsedTimer r;
    r.start();
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::postEvent(e.txtCodigo, new QKeyEvent(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y")));
        QCoreApplication::postEvent(e.txtCodigo, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y")));
    }
    while (e.txtCodigo->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) < largo + 50)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents(); // the repaint the keys asked for
    const double rafaga = r.nsecsElapsed() / 1e6;
    e.txtCodigo->ponerTexto(QString());
    e.hide();
    Anotar(QStringLiteral("editor: una tecla al final de ") + nombre + QStringLiteral(", CPU (obj. <= 20)"), cpu[10], 0, 0);
    Anotar(QStringLiteral("editor: 50 teclas seguidas al final de ") + nombre + QStringLiteral(" (obj. <= 1000)"), rafaga, 0, 0);
}

// Typing at the end of a highlighted code just under the size where highlighting rests, one row per
// lexer family: processor time per key with its repaint (median of 11; target at most 20 ms).
void TeclearResaltado(frmPrincipal &w, lenguaje::Lenguaje l, const QString &muestra) {
    w.estado.ModoScript = QStringLiteral("Agregar");
    frmScript e(w);
    e.show();
    e.activateWindow();
    e.mnuResaltado[1 + int(l)]->trigger();
    // The limit is in the editor's bytes (UTF-8), not in characters: accents count twice.
    QString texto;
    const qsizetype bytes = muestra.toUtf8().size();
    for (qsizetype n = 0; n + bytes < EditorCodigo::kGrande - 16 * 1024; n += bytes)
        texto += muestra;
    e.txtCodigo->ponerTexto(texto);
    const QVector<double> cpu = TeclasAlFinal(e, 11);
    const bool resaltado = e.txtCodigo->resaltando();
    e.txtCodigo->ponerTexto(QString());
    e.hide();
    Anotar(QStringLiteral("editor: una tecla, %1 KB de %2%3, CPU (obj. <= 20)")
               .arg(texto.toUtf8().size() / 1024)
               .arg(lenguaje::Nombre(l), resaltado ? QString() : QStringLiteral(" (sin resaltar)")),
           cpu[5], 0, 0);
}

// Choosing another language in "Resaltado", with the repaint (median of 5): on a code just under the
// size where highlighting rests, the dearest switch there is, and on 1 MB, where it rests.
void CambiarLenguaje(frmPrincipal &w, const QString &texto) {
    w.estado.ModoScript = QStringLiteral("Agregar");
    frmScript e(w);
    e.show();
    e.txtCodigo->ponerTexto(texto);
    e.txtCodigo->viewport()->repaint();
    QCoreApplication::processEvents();
    QVector<double> ms;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer r;
        r.start();
        e.mnuResaltado[1 + int(i % 2 ? lenguaje::Lenguaje::Python : lenguaje::Lenguaje::Rust)]->trigger();
        e.txtCodigo->viewport()->repaint();
        QCoreApplication::processEvents();
        ms.append(r.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const bool resaltado = e.txtCodigo->resaltando();
    e.txtCodigo->ponerTexto(QString());
    e.hide();
    Anotar(QStringLiteral("editor: cambiar de lenguaje con %1 KB de código%2 (obj. <= 100)")
               .arg(texto.toUtf8().size() / 1024)
               .arg(resaltado ? QString() : QStringLiteral(" (sin resaltar)")),
           ms[2], 0, 0);
}

// --- The library search: the index against reading every file, on a library like a real one: names
// and descriptions from a vocabulary of a few hundred words, code of some 1 KB in several languages,
// each word as frequent as a natural text would have it (Zipf).
const char *const kVocabulario[] = {
    "formulario", "tabla", "menú", "validación", "cookie", "fecha", "imagen", "galería", "cabecera", "pie",
    "botón", "enlace", "consulta", "sesión", "archivo", "cadena", "número", "lista", "árbol", "caché",
    "debounce", "throttle", "fetch", "modal", "tooltip", "slider", "carrusel", "pestañas", "acordeón", "usuario",
    "contraseña", "correo", "teléfono", "dirección", "búsqueda", "filtro", "orden", "página", "paginación",
    "calendario", "reloj", "temporizador", "contador", "animación", "transición", "sombra", "borde", "color",
    "fuente", "texto", "párrafo", "título", "encabezado", "columna", "fila", "celda", "rejilla", "flexbox",
    "plantilla", "componente", "evento", "clic", "teclado", "ratón", "scroll", "arrastrar", "soltar", "subir",
    "descargar", "exportar", "importar", "json", "xml", "csv", "base", "datos", "conexión", "mysql", "sqlite",
    "postgres", "índice", "clave", "valor", "objeto", "arreglo", "mapa", "conjunto", "pila", "cola", "nodo",
    "grafo", "ruta", "servidor", "cliente", "petición", "respuesta", "cabeceras", "estado", "error", "excepción",
    "registro", "bitácora", "depuración", "prueba", "aserción", "simulación", "promesa", "async", "await",
    "callback", "closure", "prototipo", "clase", "herencia", "interfaz", "módulo", "paquete", "dependencia",
    "versión", "cifrado", "hash", "token", "autenticación", "permiso", "rol", "perfil", "avatar", "comentario",
    "mensaje", "notificación", "alerta", "diálogo", "ventana", "marco", "iframe", "vídeo", "audio", "mapa",
    "geolocalización", "idioma", "traducción", "moneda", "impuesto", "factura", "carrito", "producto", "precio",
    "descuento", "cupón", "envío", "pago", "tarjeta", "banco", "saldo", "gráfico", "barra", "circular", "línea",
    "estadística", "promedio", "mediana", "redondeo", "aleatorio", "semilla", "fecha", "hora", "zona", "semana",
    "mes", "año", "festivo", "cumpleaños", "edad", "nombre", "apellido", "documento", "captcha", "spam", "robot",
    "sitemap", "meta", "favicon", "manifest", "worker", "socket", "stream", "buffer", "blob", "canvas", "svg",
    "webgl", "shader", "textura", "sprite", "juego", "puntuación", "nivel", "vida", "jugador", "tablero",
    "ajedrez", "naipes", "dado", "ruleta", "encuesta", "voto", "estrella", "reseña", "foro", "hilo", "tema",
    "etiqueta", "categoría", "slug", "url", "redirección", "htaccess", "cron", "tarea", "cola", "lote",
    "migración", "esquema", "vista", "disparador", "procedimiento", "función", "variable", "constante",
    "bucle", "condición", "recursión", "ordenar", "buscar", "reemplazar", "dividir", "unir", "recortar",
    "mayúsculas", "minúsculas", "acentos", "espacios", "tabulador", "salto", "escape", "comillas", "regex"};

// Syllables for the many identifiers of real code that no topic word explains.
const char *const kSilabas[] = {"ka", "mo", "ri", "xe", "lu", "pa", "ne", "so", "di", "ur", "ven", "tor", "qui",
                                "bel", "gra", "fin", "zo", "ex", "al", "mir", "cos", "ped", "ul", "har"};
const char *const kRelleno[] = {"para", "con", "de", "el", "la", "un", "que", "en", "los", "por", "una", "y",
                                "sin", "cada", "desde", "al", "del", "las", "se", "muestra", "devuelve", "usa"};

struct Vocabulario {
    QStringList palabras, sueltos;
    QVector<double> acumulado;
    explicit Vocabulario(quint32 semilla) {
        for (const char *p : kVocabulario)
            palabras << QString::fromUtf8(p);
        QRandomGenerator r(semilla);
        std::shuffle(palabras.begin(), palabras.end(), r); // which words are frequent is left to chance
        double suma = 0;
        for (int i = 0; i < palabras.size(); ++i)
            acumulado << (suma += 1.0 / (i + 1));
        for (int i = 0; i < 20000; ++i) {
            QString id;
            for (int k = 0, n = 2 + r.bounded(3); k < n; ++k)
                id += QString::fromLatin1(kSilabas[r.bounded(int(std::size(kSilabas)))]);
            sueltos << id;
        }
    }
    const QString &una(QRandomGenerator &r) const {
        const double x = r.generateDouble() * acumulado.last();
        return palabras[int(std::lower_bound(acumulado.begin(), acumulado.end(), x) - acumulado.begin())];
    }
    // An identifier: from the script's topic or one of the many others, without accents, as code has them.
    QString identificador(QRandomGenerator &r, const QStringList &tema) const {
        QString id = r.bounded(3) == 0 ? tema[r.bounded(int(tema.size()))] : sueltos[r.bounded(int(sueltos.size()))];
        if (r.bounded(2))
            id += QString::fromLatin1(kSilabas[r.bounded(int(std::size(kSilabas)))]).toUpper();
        return biblioteca::Plegar(id);
    }
};

const char *const kLineas[] = {
    "var %1 = document.getElementById(*RTN*%2*RTN*);", "function %1(%2, %3) {", "  return %1.%2(%3);", "}",
    "  if (%1 > %2) { %3(); }", "$%1 = $_POST[*RTN*%2*RTN*];", "echo *RTN*<div class='%1'>*RTN* . $%2;",
    "SELECT %1, %2 FROM %3 WHERE %1 = ?;", ".%1 { color: #%4; margin: %5px; }", "// %1 %2 %3",
    "<input type=*RTN*text*RTN* name=*RTN*%1*RTN* value=*RTN*%2*RTN*>", "  for (var i = 0; i < %1.length; i++) %2(i);"};

// Scripts about a topic of two words of the vocabulary, which their name and description speak of and
// some of their code's identifiers carry; code of 3 to 30 lines, some 1 KB.
QVector<Script> Scripts(const Vocabulario &v, QRandomGenerator &r, int n) {
    QVector<Script> lista;
    lista.reserve(n);
    for (int i = 0; i < n; ++i) {
        const QStringList tema{v.una(r), v.una(r)};
        Script s;
        QStringList nombre = tema;
        for (int k = r.bounded(3); k > 0; --k)
            nombre << v.una(r);
        s.Nombre = nombre.join(QLatin1Char(' '));
        s.Nombre[0] = s.Nombre[0].toUpper();
        QStringList desc = tema;
        for (int k = 4 + r.bounded(10); k > 0; --k)
            desc << (r.bounded(2) ? QString::fromLatin1(kRelleno[r.bounded(int(std::size(kRelleno)))]) : v.una(r));
        std::shuffle(desc.begin(), desc.end(), r);
        s.Descripcion = desc.join(QLatin1Char(' '));
        QStringList c;
        for (int k = 3 + r.bounded(28); k > 0; --k) {
            QString linea = QString::fromLatin1(kLineas[r.bounded(int(std::size(kLineas)))]);
            for (int a = 1; a <= 3; ++a)
                linea.replace(QLatin1Char('%') + QString::number(a), v.identificador(r, tema));
            linea.replace(QStringLiteral("%4"), QStringLiteral("%1").arg(r.bounded(0x1000000), 6, 16, QLatin1Char('0')));
            linea.replace(QStringLiteral("%5"), QString::number(r.bounded(40)));
            c << linea;
        }
        s.Codigo = c.join(QStringLiteral("\r\n"));
        s.Puntaje = QString::number(r.bounded(11));
        lista.append(s);
    }
    return lista;
}

qint64 Tamano(const QString &carpeta) {
    qint64 total = 0;
    for (const QFileInfo &i : QDir(carpeta).entryInfoList(QDir::Files))
        total += i.size();
    return total;
}

// The code points of a text, as the index counts letters.
int Letras(const QString &s) {
    int n = 0;
    for (QChar c : s)
        n += !c.isLowSurrogate();
    return n;
}

// ripgrep when installed: the search a power user would run over the folder instead.
QString Rastreador() {
    static const QString rg = QStandardPaths::findExecutable(QStringLiteral("rg"));
    return rg;
}

// The baseline: ripgrep's case-insensitive plain search of the query's longest word (it cannot ask
// for every word), or, without it, the same scan done here: every file read, decoded and folded.
int Rastrear(const QString &carpeta, const QString &consulta) {
    QString palabra;
    for (const QString &p : biblioteca::Palabras(consulta))
        if (p.size() > palabra.size())
            palabra = p;
    if (!Rastreador().isEmpty()) {
        QProcess rg;
        rg.start(Rastreador(), {QStringLiteral("-i"), QStringLiteral("-F"), QStringLiteral("-c"),
                                QStringLiteral("--no-messages"), QStringLiteral("-e"), palabra, carpeta});
        rg.waitForFinished(-1);
        return int(rg.readAllStandardOutput().count('\n'));
    }
    int archivos = 0;
    for (const QString &a : QDir(carpeta).entryList({QStringLiteral("*.rtn")}, QDir::Files)) {
        QFile f(carpeta + QLatin1Char('/') + a);
        if (f.open(QIODevice::ReadOnly) && biblioteca::Plegar(cp1252::Decodificar(f.readAll())).contains(palabra))
            ++archivos;
    }
    return archivos;
}

// A query until its first results are known: the adelanto when the count follows, else the answer.
void HastaLosPrimeros(biblioteca::Indice &indice, const QString &carpeta, const QString &consulta) {
    std::atomic<bool> basta{false};
    indice.Buscar(carpeta, consulta, 100, &basta, [&](const biblioteca::Respuesta &) { basta = true; });
}

// The program and its baseline measured in turns, so that a busy machine weighs on both alike.
// `programa(false)` prepares a run untimed, `programa(true)` is the timed run.
void Comparar(int veces, const std::function<void(bool)> &programa, const std::function<void()> &base,
              Tiempos &tPrograma, Tiempos &tBase) {
    QVector<double> a, ca, b, cb;
    for (int i = 0; i <= veces; ++i) {
        programa(false);
        QElapsedTimer r;
        r.start();
        double cpu = MsCpu();
        programa(true);
        const double ta = r.nsecsElapsed() / 1e6, tca = MsCpu() - cpu;
        r.restart();
        cpu = MsCpu();
        base();
        const double tb = r.nsecsElapsed() / 1e6, tcb = MsCpu() - cpu;
        if (i == 0)
            continue; // the first of each warms up
        a << ta;
        ca << tca;
        b << tb;
        cb << tcb;
    }
    QVector<double> razones;
    for (qsizetype i = 0; i < a.size(); ++i)
        razones << a[i] / b[i];
    for (QVector<double> *v : {&a, &ca, &b, &cb, &razones})
        std::sort(v->begin(), v->end());
    const auto p99 = [](const QVector<double> &v) { return v[std::min(int(v.size()) - 1, int(v.size() * 0.99))]; };
    tPrograma = {a[a.size() / 2], p99(a), ca[ca.size() / 2], razones[razones.size() / 2], razones.first(), razones.last()};
    tBase = {b[b.size() / 2], p99(b), cb[cb.size() / 2]};
}
void Comparar(int veces, const std::function<void()> &programa, const std::function<void()> &base,
              Tiempos &tPrograma, Tiempos &tBase) {
    Comparar(
        veces, [&](bool medir) {
            if (medir)
                programa();
        },
        base, tPrograma, tBase);
}

// `consulta`: only that query's whole answer, asked 50 times after the index is built (for a profiler).
void MedirBiblioteca(int categorias, const QString &consulta = {}) {
    QTemporaryDir dir;
    // To look at the library by hand afterwards (the program copied in it uses it as its data folder).
    if (qEnvironmentVariableIsSet("RUTINERO_BANCO_CONSERVAR")) {
        dir.setAutoRemove(false);
        std::printf("Biblioteca en %s\n", qPrintable(dir.path()));
    }
    Estado estado;
    estado.carpeta = dir.path();
    QDir().mkpath(estado.carpetaCategorias());
    mdlINI::CargarPreferencias(estado);
    const Vocabulario voc(19);
    QRandomGenerator r(19);
    const QString carpeta = estado.carpetaCategorias();
    // A third of the scripts tagged, and a rare word made of syllables every script's identifiers
    // use, so of trigrams the full-text table leaves out.
    for (int c = 0, k = 0; c < categorias; ++c) {
        QVector<Script> v = Scripts(voc, r, 200);
        for (Script &s : v) {
            if (++k % 3 == 0)
                s.Descripcion += QStringLiteral(" #js");
            if (k % 8191 == 0)
                s.Codigo += QStringLiteral(" belurnexe");
        }
        mdlScripts::GuardarArchivo(estado.rutaCategoria(QStringLiteral("Cat%1").arg(c, 3, 10, QLatin1Char('0'))), v);
    }
    const double mb = Tamano(carpeta) / 1e6;
    const QString ruta = estado.carpetaPreferencias() + QStringLiteral("/indice-biblioteca.db");
    QDir().mkpath(estado.carpetaPreferencias());

    struct Linea {
        QString nombre;
        Tiempos indice, rastreo;
        int hallados = 0;
        double objetivo = 0; // ms, besides half the scan's time; 0 when none
    };
    QVector<Linea> lineas;
    double construir = 0, construirMuchas = 0;
    int categoriasMuchas = 0;
    biblioteca::Indice indice(ruta);
    {
        QElapsedTimer t;
        t.start();
        indice.AbrirParaEscribir();
        indice.Actualizar(carpeta);
        construir = t.nsecsElapsed() / 1e6;
    }
    const double mbIndice = QFileInfo(ruta).size() / 1e6;
    const Tiempos leerTodo = Medir(5, [&] {
        for (const QString &a : QDir(carpeta).entryList(QDir::Files)) {
            QVector<Script> v;
            mdlScripts::LeerArchivo(carpeta + QLatin1Char('/') + a, v);
        }
    });
    // Each query as the search window asks it, until its results are known (the count may follow),
    // alternating with the scan a power user would run instead over the same folder. The program
    // watches the folder, so it looks at every file only after a notice that one changed: none comes
    // here.
    indice.setVista(1);
    if (!consulta.isEmpty()) {
        std::printf("construir el índice: %.1f MB/s (%.1f MB en %.0f ms)\n", mb / (construir / 1000), mb,
                    construir);
        indice.Buscar(carpeta, consulta, 100);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 50; ++i)
            indice.Buscar(carpeta, consulta, 100);
        std::printf("\"%s\": %.1f ms\n", consulta.toUtf8().constData(), t.nsecsElapsed() / 1e6 / 50);
        return;
    }
    const QStringList consultas{QStringLiteral("z"), QStringLiteral("ca"), QStringLiteral("tab"),
                                QStringLiteral("formular"), QStringLiteral("cookie arbol"),
                                QStringLiteral("document"), QStringLiteral("callback")};
    for (const QString &consulta : consultas) {
        Linea l;
        l.nombre = QStringLiteral("\"%1\"").arg(consulta);
        l.hallados = indice.Buscar(carpeta, consulta, 100).total;
        Comparar(
            15, [&] { HastaLosPrimeros(indice, carpeta, consulta); },
            [&] { Rastrear(carpeta, consulta); }, l.indice, l.rastreo);
        l.objetivo = Letras(consulta) >= 3 ? 30 : 0;
        lineas.append(l);
    }
    // Whole answers, results and count, as the window has them once the count is in.
    for (const QString &consulta :
         {QStringLiteral("z"), QStringLiteral("ca"), QStringLiteral("document"), QStringLiteral("belurnexe"),
          QStringLiteral("cookie arbol"), QStringLiteral("#js"), QStringLiteral("#js cookie"), QStringLiteral("callback")}) {
        Linea l;
        l.nombre = QStringLiteral("entera \"%1\"").arg(consulta);
        l.hallados = indice.Buscar(carpeta, consulta, 100).total;
        Comparar(
            7, [&] { indice.Buscar(carpeta, consulta, 100); }, [&] { Rastrear(carpeta, consulta); }, l.indice,
            l.rastreo);
        l.objetivo = consulta == QStringLiteral("belurnexe") ? 30 : 0;
        lineas.append(l);
    }
    {
        // The first search of a session: a new connection, its names loaded as the program loads
        // them at start (not timed), then one query.
        Linea l;
        l.nombre = QStringLiteral("primera \"callback\"");
        l.hallados = indice.Buscar(carpeta, QStringLiteral("callback"), 100).total;
        Comparar(
            7,
            [&, primera = std::make_shared<std::unique_ptr<biblioteca::Indice>>()](bool medir) {
                if (!medir) {
                    *primera = std::make_unique<biblioteca::Indice>(ruta);
                    (*primera)->AbrirParaLeer();
                    (*primera)->setVista(1);
                    (*primera)->Calentar(carpeta);
                    return;
                }
                HastaLosPrimeros(**primera, carpeta, QStringLiteral("callback"));
            },
            [&] { Rastrear(carpeta, QStringLiteral("callback")); }, l.indice, l.rastreo);
        l.objetivo = 30;
        lineas.append(l);
    }
    {
        // The command line as a shell runs it: the real program over the same library and its
        // index, against ripgrep printing the lines it finds (or the scan done here without it).
        const QString programa = dir.filePath(QStringLiteral("rutinero"));
        QFile::copy(QStringLiteral(RUTINERO_PROGRAMA), programa);
        const auto correr = [](const QString &orden, const QStringList &args) {
            QProcess p;
            p.start(orden, args);
            p.waitForFinished(-1);
            return p.readAllStandardOutput().count('\n');
        };
        Linea l;
        l.nombre = QStringLiteral("--lista \"callback\"");
        l.hallados = int(correr(programa, {QStringLiteral("--lista"), QStringLiteral("callback")}));
        Comparar(
            15, [&] { correr(programa, {QStringLiteral("--lista"), QStringLiteral("callback")}); },
            [&] {
                if (Rastreador().isEmpty())
                    Rastrear(carpeta, QStringLiteral("callback"));
                else
                    correr(Rastreador(), {QStringLiteral("-i"), QStringLiteral("-F"), QStringLiteral("callback"), carpeta});
            },
            l.indice, l.rastreo);
        lineas.append(l);
    }
    {
        // The same scripts spread over 5 000 categories.
        QTemporaryDir otra;
        const QString muchas = otra.filePath(QStringLiteral("cat"));
        QDir().mkpath(muchas);
        int k = 0;
        for (const QString &a : QDir(carpeta).entryList({QStringLiteral("*.rtn")}, QDir::Files)) {
            QVector<Script> v;
            mdlScripts::LeerArchivo(carpeta + QLatin1Char('/') + a, v);
            for (int i = 0; i < v.size(); i += 20)
                mdlScripts::GuardarArchivo(muchas + QStringLiteral("/C%1.rtn").arg(k++, 4, 10, QLatin1Char('0')),
                                           v.mid(i, 20));
        }
        biblioteca::Indice otroIndice(otra.filePath(QStringLiteral("indice.db")));
        otroIndice.AbrirParaEscribir();
        QElapsedTimer t;
        t.start();
        otroIndice.Actualizar(muchas);
        construirMuchas = t.nsecsElapsed() / 1e6;
        categoriasMuchas = k;
        otroIndice.setVista(1);
        for (const QString &consulta : {QStringLiteral("callback"), QStringLiteral("z")}) {
            Linea l;
            l.nombre = QStringLiteral("\"%1\", %2 cat.").arg(consulta).arg(k);
            l.hallados = otroIndice.Buscar(muchas, consulta, 100).total;
            Comparar(
                15, [&] { HastaLosPrimeros(otroIndice, muchas, consulta); }, [&] { Rastrear(muchas, consulta); },
                l.indice, l.rastreo);
            l.objetivo = Letras(consulta) >= 3 ? 30 : 0;
            lineas.append(l);
        }
        for (const QString &consulta : {QStringLiteral("z"), QStringLiteral("ca"), QStringLiteral("belurnexe"), QStringLiteral("#js")}) {
            Linea l;
            l.nombre = QStringLiteral("entera \"%1\", %2 cat.").arg(consulta).arg(k);
            l.hallados = otroIndice.Buscar(muchas, consulta, 100).total;
            Comparar(
                7, [&] { otroIndice.Buscar(muchas, consulta, 100); }, [&] { Rastrear(muchas, consulta); }, l.indice,
                l.rastreo);
            l.objetivo = consulta == QStringLiteral("belurnexe") ? 30 : 0;
            lineas.append(l);
        }
    }

    // Saving one category of 32 767 scripts from the real window, one script changed each time, and
    // indexing it again afterwards.
    const QString grande = QStringLiteral("Grande");
    mdlScripts::GuardarArchivo(estado.rutaCategoria(grande), Scripts(voc, r, 32767));
    indice.Actualizar(carpeta);
    frmPrincipal w(estado);
    w.LlenarCat();
    for (int i = 0; i < ui(w)->lstCat->topLevelItemCount(); ++i)
        if (ui(w)->lstCat->topLevelItem(i)->text(0) == grande)
            ui(w)->lstCat->setCurrentItem(ui(w)->lstCat->topLevelItem(i));
    w.setOpcionMarcada(1, false);
    w.AbrirCategoria();
    const double mbGrande = QFileInfo(estado.rutaCategoria(grande)).size() / 1e6;
    // The program's save (the check that no other program changed the file, the write, the new print
    // of the file), and the write alone, which is the harder yardstick.
    QVector<double> guardar, escribir, reindexar;
    for (int i = 0; i < 7; ++i) {
        const int fila = int(r.bounded(32767));
        Script s = w.categoria().script(fila);
        s.Descripcion += QStringLiteral(" cambiada");
        w.categoria().Reemplazar(fila, s);
        QElapsedTimer t;
        t.start();
        w.GuardarPendientes();
        guardar.append(t.nsecsElapsed() / 1e6);
        t.restart();
        indice.Actualizar(carpeta, {grande + QStringLiteral(".rtn")});
        reindexar.append(t.nsecsElapsed() / 1e6);
        t.restart();
        mdlScripts::GuardarCategoria(&w, w.categoria(), estado.rutaCategoria(grande), ui(w)->barProgreso);
        escribir.append(t.nsecsElapsed() / 1e6);
        indice.Actualizar(carpeta, {grande + QStringLiteral(".rtn")});
        w.Abrir(grande); // the file's print again, as after the program's own save
    }
    for (QVector<double> *v : {&guardar, &escribir, &reindexar})
        std::sort(v->begin(), v->end());
    // The same category indexed from nothing, for scale: what each save would cost without keeping the
    // rows of the scripts that did not change.
    QTemporaryDir sola;
    QFile::copy(estado.rutaCategoria(grande), sola.path() + QStringLiteral("/Grande.rtn"));
    biblioteca::Indice desdeCero(sola.path() + QStringLiteral("/indice.db"));
    desdeCero.AbrirParaEscribir();
    QElapsedTimer t;
    t.start();
    desdeCero.Actualizar(sola.path());
    const double todoDeNuevo = t.nsecsElapsed() / 1e6;

    // Every row against its target: "cumple" or "no cumple".
    const auto veredicto = [](bool bien) { return bien ? "cumple" : "no cumple"; };
    std::printf("\nbúsqueda en la biblioteca: %d scripts en %d categorías, %.1f MB de archivos; base de búsqueda: %s\n",
                categorias * 200, categorias, mb, Rastreador().isEmpty() ? "lectura propia (rg no está instalado)" : "rg -i -F");
    std::printf("%-30s %12s %14s %8s  %-34s %s\n", "medida", "programa", "base", "x base", "objetivo", "");
    const double mbs = mb / (construir / 1000);
    std::printf("%-30s %9.1f MB/s %9.0f MB/s %8.3f  %-34s %s\n", "construir el índice", mbs, mb / (leerTodo.mediana / 1000),
                mbs / (mb / (leerTodo.mediana / 1000)), ">= 40 MB/s", veredicto(mbs >= 40));
    const double mbsMuchas = mb / (construirMuchas / 1000);
    std::printf("%-30s %9.1f MB/s %14s %8s  %-34s %s\n",
                QStringLiteral("construirlo, %1 cat.").arg(categoriasMuchas).toUtf8().constData(), mbsMuchas, "", "",
                ">= 40 MB/s", veredicto(mbsMuchas >= 40));
    std::printf("%-30s %12.1f %11.1f MB %8.2f  %-34s %s\n", "índice en disco, MB", mbIndice, mb, mbIndice / mb,
                "<= 1.25 x la biblioteca", veredicto(mbIndice <= 1.25 * mb));
    // "x base" is the median of the rounds' ratios, with the lowest and highest beside it.
    for (const Linea &l : lineas) {
        const double x = l.indice.razon;
        const bool bien = x <= 0.5 && (l.objetivo <= 0 || l.indice.mediana < l.objetivo);
        const QByteArray objetivo = l.objetivo > 0 ? QByteArrayLiteral("<= 0.5 x base y < 30 ms") : QByteArrayLiteral("<= 0.5 x base");
        std::printf("%-30s %9.2f ms %11.2f ms %8.3f  %-34s %s  (%.2f-%.2f; CPU %.1f ms; p99 %.1f ms; %d hallados)\n",
                    l.nombre.toUtf8().constData(), l.indice.mediana, l.rastreo.mediana, x, objetivo.constData(),
                    veredicto(bien), l.indice.razonMin, l.indice.razonMax, l.indice.cpu, l.indice.p99, l.hallados);
    }
    std::printf("\ncategoría de 32 767 scripts, %.1f MB: un script cambiado, mediana de 7\n", mbGrande);
    std::printf("%-30s %9.1f ms %11.1f ms %8.3f  %-34s %s\n", "reindexar tras guardar", reindexar[3], escribir[3],
                reindexar[3] / escribir[3], "<= 0.5 x escribir el archivo", veredicto(reindexar[3] <= 0.5 * escribir[3]));
    std::printf("%-30s %9.1f ms %11.1f ms %8.3f\n", "guardar desde la ventana", guardar[3], escribir[3],
                guardar[3] / escribir[3]);
    std::printf("%-30s %9.1f ms %11.1f ms %8.3f\n", "indexada desde cero", todoDeNuevo, escribir[3],
                todoDeNuevo / escribir[3]);
    std::fflush(stdout);
}

// "Biblioteca en Markdown" over a library of `categorias` categories of 200 scripts: each file read
// and the whole text composed and written as the menu does, against the shell's plain conversion of
// the same files (`cat | iconv`), alternated, the median of five rounds after one to warm up.
void MedirMarkdown(int categorias) {
    QTemporaryDir dir;
    const QString carpeta = dir.filePath(QStringLiteral("Categorias"));
    QDir().mkpath(carpeta);
    const Vocabulario voc(23);
    QRandomGenerator r(23);
    for (int c = 0; c < categorias; ++c)
        mdlScripts::GuardarArchivo(carpeta + QStringLiteral("/Cat%1.rtn").arg(c, 3, 10, QLatin1Char('0')),
                                   Scripts(voc, r, 200));
    const double mb = Tamano(carpeta) / 1e6;
    const QStringList nombres = QDir(carpeta).entryList({QStringLiteral("*.rtn")}, QDir::Files, QDir::Name);
    // The baseline of both rows: every file converted by the shell.
    const auto iconv = [&] {
        QProcess p;
        p.setWorkingDirectory(carpeta);
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cat *.rtn | iconv -f CP1252 -t UTF-8 > ../iconv.txt")});
        p.waitForFinished(-1);
    };
    Tiempos programa, base;
    Comparar(
        5,
        [&] {
            // Read on every core, as the menu reads them.
            QVector<editores::CategoriaMarkdown> todas(nombres.size());
            hilos::EnParalelo(int(nombres.size()), [&](int i) {
                todas[i].nombre = QFileInfo(nombres.at(i)).completeBaseName();
                mdlScripts::LeerArchivo(carpeta + QLatin1Char('/') + nombres.at(i), todas[i].scripts);
            });
            archivos::Guardar(dir.filePath(QStringLiteral("biblioteca.md")), editores::Markdown(todas));
        },
        iconv,
        programa, base);
    // Every category composed for the code editors (.code-snippets), as "Exportar" composes one, into
    // one file made durable once as the Markdown is (a file each would time 500 safe saves, not the
    // work), against the same conversion. Each category is written as it is composed, as "Exportar"
    // writes its own: one buffer of the whole library would time the memory it takes.
    Tiempos fragmentos, base2;
    Comparar(
        5,
        [&] {
            QVector<QVector<Script>> leidas(nombres.size());
            hilos::EnParalelo(int(nombres.size()), [&](int i) {
                mdlScripts::LeerArchivo(carpeta + QLatin1Char('/') + nombres.at(i), leidas[i]);
            });
            QSaveFile f(dir.filePath(QStringLiteral("biblioteca.code-snippets")));
            f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            for (qsizetype i = 0; i < nombres.size(); ++i)
                f.write(editores::CodeSnippets(leidas[i], QFileInfo(nombres[i]).completeBaseName()));
            ::fsync(f.handle()); // durable, as every save is
            f.commit();
        },
        iconv,
        fragmentos, base2);
    std::printf("\nBiblioteca en Markdown y en .code-snippets: %d scripts en %d categorías, %.1f MB; base: cat | iconv\n",
                categorias * 200, categorias, mb);
    for (const auto &[nombre, t, b] : {std::tuple{"Biblioteca en Markdown", programa, base},
                                       std::tuple{"cada categoría en .code-snippets", fragmentos, base2}})
        std::printf("%-34s %9.1f ms %11.1f ms %8.2f (%.2f-%.2f)  %-14s %s\n", nombre, t.mediana, b.mediana, t.razon,
                    t.razonMin, t.razonMax, "<= 2 x base", t.razon <= 2 ? "cumple" : "no cumple");
    std::fflush(stdout);
}

} // namespace

// The quick search's opening while the program runs: from a second start's call on the local socket
// to the window shown with the results of its text, over a library of `categorias` categories of
// 200 scripts whose index is built.
void MedirRapida(int categorias) {
    QTemporaryDir dir;
    Estado estado;
    estado.carpeta = dir.path();
    QDir().mkpath(estado.carpetaCategorias());
    mdlINI::CargarPreferencias(estado);
    estado.HistorialAutomatico = 0;
    for (int i = 0; i < categorias; ++i)
        mdlScripts::GuardarArchivo(estado.rutaCategoria(QStringLiteral("Cat%1").arg(i)), Biblioteca(200, quint32(i)));
    frmPrincipal w(estado);
    w.LlenarCat();
    w.show();
    bool listo = false;
    w.IniciarIndice();
    QObject::connect(w.indexador(), &Indexador::actualizado, [&listo] { listo = true; });
    if (!QTest::qWaitFor([&] { return listo; }, 600000))
        std::printf("el índice no terminó en 10 minutos\n");
    frmBusquedaRapida rapida(*w.indexador(), estado.carpetaCategorias(), {});
    mdlInicio::Presencia presencia;
    presencia.Escuchar(estado.carpeta, [&](const QByteArray &m) { mdlInicio::Atender(m, rapida, {}); });
    bool resultados = false;
    // Results listed while the window shows: what the user sees.
    QObject::connect(&rapida, &frmBusquedaRapida::listos, [&] { resultados = resultados || rapida.isVisible(); });
    int sinRespuesta = 0;
    const QStringList consultas{QStringLiteral("tabla fecha"), QStringLiteral("botón"), QStringLiteral("caché lista"),
                                QStringLiteral("sesión")};
    int k = 0;
    const Tiempos t = Medir(41, [&] {
        rapida.hide();
        QCoreApplication::processEvents();
        resultados = false;
        // The call waits for the answer of this thread's loop, as a second start would: made from
        // another thread.
        const QByteArray mensaje = mdlInicio::Mensaje({true, consultas[k++ % consultas.size()]});
        QFuture<bool> llamada = QtConcurrent::run([&estado, mensaje] {
            return mdlInicio::Presencia::Llamar(estado.carpeta, mensaje);
        });
        if (!QTest::qWaitFor([&] { return resultados; }, 10000)) {
            ++sinRespuesta;
            std::fprintf(stderr, "sin resultados: %d visible=%d texto=%s\n", k, rapida.isVisible(), qPrintable(rapida.txtBuscar->text()));
        }
        if (!QTest::qWaitFor([&] { return llamada.isFinished(); }, 10000) || !llamada.result())
            std::fprintf(stderr, "la llamada %d no fue contestada\n", k);
    });
    std::printf("\nbúsqueda rápida: %d scripts en %d categorías, con el programa en marcha\n", categorias * 200,
                categorias);
    std::printf("%-52s %10s %9s %9s\n", "medida", "ms med", "ms p99", "CPU med");
    std::printf("%-52s %10.1f %9.1f %9.1f\n", "abrir: llamada, ventana y primeros resultados", t.mediana, t.p99, t.cpu);
    if (sinRespuesta > 0)
        std::printf("  %d aperturas sin resultados en 10 s\n", sinRespuesta);
    std::fflush(stdout);
}

// The history beside git (bench/historial.cpp).
void MedirHistorial(int scripts, int grande);

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Estado estado;
    estado.carpeta = dir.path();
    QDir().mkpath(estado.carpetaCategorias());
    mdlINI::CargarPreferencias(estado);
    // Versions are measured on their own rows: none is recorded behind the other measures' backs.
    estado.HistorialAutomatico = 0;

    // "rapida [categorías]" measures the quick search's opening alone (100 categories of 200 scripts);
    // "biblioteca [categorías]" measures the library search alone (500 categories of 200 scripts).
    if (argc > 1 && qstrcmp(argv[1], "rapida") == 0) {
        MedirRapida(argc > 2 ? QByteArray(argv[2]).toInt() : 100);
        return 0;
    }
    // "historial [scripts]" measures the history beside git alone (categories of 1 000, 32 767 and
    // 100 000 scripts, or of the number given).
    if (argc > 1 && qstrcmp(argv[1], "historial") == 0) {
        MedirHistorial(argc > 2 ? QByteArray(argv[2]).toInt() : 0, 7000);
        return 0;
    }
    // "markdown [categorías]" measures the library's Markdown export alone (500 categories of 200 scripts).
    if (argc > 1 && qstrcmp(argv[1], "markdown") == 0) {
        MedirMarkdown(argc > 2 ? QByteArray(argv[2]).toInt() : 500);
        return 0;
    }
    if (argc > 1 && qstrcmp(argv[1], "biblioteca") == 0) {
        MedirBiblioteca(argc > 2 ? QByteArray(argv[2]).toInt() : 500, argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
        return 0;
    }
    // Sizes may be given on the command line, to look at one of them alone; "sincronizar" alone
    // measures only the sync.
    QVector<int> tamanos{1000, 10000, 32767, 100000};
    // "editor" alone measures only the code editor, "sincronizar" alone only the sync.
    const bool soloEditor = argc == 2 && QByteArray(argv[1]) == "editor";
    const bool soloSincronizar = argc == 2 && QByteArray(argv[1]) == "sincronizar";
    if (argc > 1) {
        tamanos.clear();
        for (int i = 1; i < argc && !soloEditor && !soloSincronizar; ++i)
            tamanos.append(QByteArray(argv[i]).toInt());
    }
    for (int n : tamanos) {
        const QString nombre = QStringLiteral("Lib%1").arg(n);
        const QString ruta = estado.rutaCategoria(nombre);
        const QVector<Script> datos = Biblioteca(n, quint32(n));
        mdlScripts::GuardarArchivo(ruta, datos);
        const double mb = QFileInfo(ruta).size() / 1e6;
        const int veces = n >= 32767 ? 3 : 7;
        const QString et = QStringLiteral("%1 scripts").arg(n);

        const double base = Mediana(veces, [&] {
            QFile f(ruta);
            f.open(QIODevice::ReadOnly);
            volatile qsizetype largo = cp1252::Decodificar(f.readAll()).size();
            (void)largo;
        });
        Anotar(QStringLiteral("base: leer y decodificar, ") + et, base, mb, base);
        const double analizar = Mediana(veces, [&] {
            QVector<Script> v;
            mdlScripts::LeerArchivo(ruta, v);
        });
        Anotar(QStringLiteral("analizar, ") + et, analizar, mb, base);
        QFile f(ruta);
        f.open(QIODevice::ReadOnly);
        const QString todo = cp1252::Decodificar(f.readAll());
        const QString copia = estado.carpetaCategorias() + QStringLiteral("/copia.bin");
        const double baseEscritura = Mediana(veces, [&] { archivos::Guardar(copia, cp1252::Codificar(todo)); });
        Anotar(QStringLiteral("base: codificar y escribir, ") + et, baseEscritura, mb, base);
        Anotar(QStringLiteral("escribir registros, ") + et,
               Mediana(veces, [&] { mdlScripts::GuardarArchivo(copia, datos); }), mb, baseEscritura);
        QFile::remove(copia);

        frmPrincipal w(estado);
        w.LlenarCat();
        QTreeWidgetItem *item = nullptr;
        for (int i = 0; i < ui(w)->lstCat->topLevelItemCount(); ++i)
            if (ui(w)->lstCat->topLevelItem(i)->text(0) == nombre)
                item = ui(w)->lstCat->topLevelItem(i);
        ui(w)->lstCat->setCurrentItem(item);
        w.show(); // opening includes painting the rows that show
        double abrir = 0;
        for (bool ordenado : {false, true}) {
            w.setOpcionMarcada(1, ordenado);
            const double t = Mediana(veces, [&] {
                w.AbrirCategoria();
                QCoreApplication::processEvents();
            });
            Anotar(QStringLiteral("abrir en lstScripts%1, ").arg(ordenado ? " (ordenado)" : "") + et, t, mb,
                   analizar);
            const double cpu = MedianaCpu(veces, [&] {
                w.AbrirCategoria();
                QCoreApplication::processEvents();
            });
            Anotar(QStringLiteral("abrir en lstScripts%1, CPU, ").arg(ordenado ? " (ordenado)" : "") + et, cpu, mb,
                   analizar);
            abrir = ordenado ? abrir : t;
        }
        if (n == 32767) {
            // The real opening and its floor (reading and decoding the file) taken by turns, so a busy
            // machine slows both alike.
            w.setOpcionMarcada(1, false);
            Tiempos real, suelo;
            Comparar(
                5,
                [&] {
                    w.AbrirCategoria();
                    QCoreApplication::processEvents();
                },
                [&] {
                    QFile f(ruta);
                    f.open(QIODevice::ReadOnly);
                    volatile qsizetype largo = cp1252::Decodificar(f.readAll()).size();
                    (void)largo;
                },
                real, suelo);
            Anotar(QStringLiteral("abrir frente a leer y decodificar, por turnos, ") + et, real.mediana, mb,
                   suelo.mediana);
        }
        if (n == 32767) {
            // What opening costs over the window at rest with the list empty, against the file's size.
            w.Limpiar();
            QCoreApplication::processEvents();
            malloc_trim(0); // what the last list held goes back to the system, so it counts again
            const long reposo = MemoriaActualKB();
            ReiniciarPico();
            w.AbrirCategoria();
            QCoreApplication::processEvents();
            const double extra = (MemoriaPicoKB() - reposo) / 1024.0;
            Anotar(QStringLiteral("memoria pico al abrir %1, MB sobre el reposo").arg(n), extra, 0,
                   QFileInfo(ruta).size() / 1048576.0);
        }
        const double guardar = Mediana(
            veces, [&] { mdlScripts::GuardarCategoria(&w, w.categoria(), ruta, ui(w)->barProgreso); });
        Anotar(QStringLiteral("guardar desde lstScripts, ") + et, guardar, mb, baseEscritura);
        Anotar(QStringLiteral("versión en el historial tras guardar, ") + et, MedianaVersion(veces, ruta, datos), mb,
               guardar);
        {
            // The search window's own button, over the open category.
            w.AbrirCategoria();
            frmBuscar buscar(w);
            buscar.txtBuscar->setText(QStringLiteral("tabla"));
            Anotar(QStringLiteral("buscar en nombres, ") + et, Mediana(veces, [&] { buscar.cmdBuscar->click(); }), 0,
                   abrir);
        }
        {
            // Each run removes the duplicates of a freshly opened category; only the removal is timed.
            QVector<double> t;
            for (int i = 0; i <= veces; ++i) {
                w.AbrirCategoria();
                frmEliminarDup dup(w);
                QElapsedTimer r;
                r.start();
                dup.cmdEliminar->click();
                if (i > 0)
                    t.append(r.nsecsElapsed() / 1e6);
                w.categoria().Recargar(); // dropped, so the next opening asks nothing
            }
            std::sort(t.begin(), t.end());
            Anotar(QStringLiteral("eliminar duplicados, ") + et, t[t.size() / 2], 0, abrir);
        }
        w.Limpiar();
        QFile::remove(ruta);
        w.LlenarCat();
    }

    // The longest panel list config.ini can hold: start (read, then fill cboCat) and close (read cboCat,
    // write the file).
    {
        QTemporaryDir otra;
        Estado e;
        e.carpeta = otra.path();
        QByteArray ini = "[Panel]\r\nCategor\xed" "as=32767\r\n";
        for (int i = 0; i < 32767; ++i)
            ini += "Nombre" + QByteArray::number(i) + "=entrada " + QByteArray::number(i) + "\r\n";
        QDir().mkpath(e.carpetaPreferencias());
        QFile f(e.rutaConfig());
        f.open(QIODevice::WriteOnly);
        f.write(ini);
        f.close();
        frmPrincipal w(e);
        Anotar(QStringLiteral("panel de 32767 entradas: cargar y llenar cboCat"), Mediana(3, [&] {
                   const QStringList panel = mdlINI::CargarPreferencias(e);
                   w.setEntradasPanel(panel, e.Mostrar);
               }),
               0, 0);
        Anotar(
            QStringLiteral("panel de 32767 entradas: guardar config.ini"),
            Mediana(3,
                    [&] { mdlINI::GuardarPreferencias(e, ui(w)->cboCat->currentText(), w.entradasPanel()); }),
            0, 0);
    }

    // The category list over 2 000 files.
    for (int i = 0; i < 2000 && !soloEditor && !soloSincronizar; ++i) {
        QFile f(estado.rutaCategoria(QStringLiteral("%1cat%2").arg(QChar(u'a' + i % 26)).arg(i)));
        f.open(QIODevice::WriteOnly);
    }
    if (!soloEditor && !soloSincronizar) {
        frmPrincipal w(estado);
        estado.MostrarTodas = 1;
        const double todas = Mediana(7, [&] { w.LlenarCat(); });
        Anotar(QStringLiteral("LlenarCat, 2000 archivos, todas"), todas, 0, 0);
        estado.MostrarTodas = 0;
        estado.Mostrar = QStringLiteral("m");
        Anotar(QStringLiteral("LlenarCat, 2000 archivos, filtro \"m\""), Mediana(7, [&] { w.LlenarCat(); }), 0, 0);
        w.close();
    }

    if (!soloEditor)
        MedirSincronizacion();
    if (!soloSincronizar) {
        // The editor's code field with minified code in one line, and with a big multi-line paste.
        frmPrincipal w(estado);
        QRandomGenerator r(7);
        QString linea;
        while (linea.size() < 1000 * 1000)
            linea += QStringLiteral("function f%1(a){return a*%2+\"x\";}var v%1=[1,2,3];").arg(r.bounded(1000)).arg(r.bounded(99));
        PegarYTeclear(w, QStringLiteral("una línea de 1 MB"), linea);
        TeclearAlFinal(w, QStringLiteral("una línea de 1 MB"), linea);
        QString lineas;
        while (lineas.size() < 5 * 1000 * 1000)
            lineas += QStringLiteral("<div class=\"fila\"><a href=\"#%1\">enlace %1</a> texto</div>\n").arg(r.bounded(100000));
        PegarYTeclear(w, QStringLiteral("5 MB en líneas"), lineas);
        CambiarLenguaje(w, lineas.left(EditorCodigo::kGrande - 16 * 1024));
        CambiarLenguaje(w, lineas.left(1000 * 1000));
        // One sample per lexer family: the C family draws C, C++, C#, Java, Go, Rust, JavaScript and
        // TypeScript; the shell's draws PowerShell too.
        using L = lenguaje::Lenguaje;
        const std::pair<L, const char *> familias[] = {
            {L::Html, "<div class=\"fila\"><a href=\"#1\">enlace</a> texto</div>\n"},
            {L::Css, ".fila a:hover { color: #336; border: 1px solid red; }\n"},
            {L::Php, "$total = $precio * 2; echo \"<p>$total</p>\";\n"},
            {L::Sql, "SELECT nombre, precio FROM productos WHERE id = 42 ORDER BY nombre;\n"},
            {L::Shell, "for f in *.txt; do echo \"$f\" | grep -v x; done\n"},
            {L::Python, "def suma(a, b):\n    return a + b  # comentario\n"},
            {L::Cpp, "for (int i = 0; i < n; ++i) { total += v[i] * 2; } // suma\n"},
            {L::Rust, "fn suma(a: i32, b: i32) -> i32 { let mut x = a; x += b; x }\n"},
            {L::Batch, "@echo off\nset RUTA=%~dp0\nif exist x goto fin\n"},
            {L::Perl, "my $x = shift; print \"$x\\n\" if $x =~ /a+/;\n"},
            {L::Ruby, "def suma(a, b)\n  a + b\nend\n"},
            {L::Lua, "local function suma(a, b) return a + b end\n"},
            {L::Json, "{\"nombre\": \"web\", \"puerto\": 8080, \"activo\": true},\n"},
            {L::Yaml, "servicio:\n  nombre: web\n  puertos:\n    - 8080\n"},
            {L::Xml, "<fila id=\"1\"><nombre>web</nombre></fila>\n"},
            {L::Markdown, "## Título\n\nTexto con *énfasis* y `código`.\n"},
            {L::Makefile, "main.o: main.c\n\t$(CC) -c main.c -o $@\n"},
            {L::CMake, "add_executable(app main.cpp)\ntarget_link_libraries(app PRIVATE Qt6::Core)\n"},
            {L::Diff, "@@ -1,2 +1,2 @@\n-viejo\n+nuevo\n"},
            {L::Ini, "[seccion]\nclave=valor\n"},
            {L::TeX, "\\section{Título} Texto con \\emph{énfasis}.\n"},
        };
        for (const auto &[l, muestra] : familias)
            TeclearResaltado(w, l, QString::fromUtf8(muestra));
    }

    // "x base": parsing against reading and decoding; writing and saving against encoding and
    // writing; opening into the list against parsing; search and duplicate removal against opening
    // unsorted; memory against the file's size in MB; a version in the history against the save
    // before it; syncs against reading every category of the library.
    std::printf("%-52s %10s %9s %9s %8s\n", "medida", "ms", "MB", "MB/s", "x base");
    for (const Fila &f : filas) {
        const QByteArray n = f.nombre.toUtf8();
        if (f.mb > 0)
            std::printf("%-52s %10.1f %9.1f %9.0f %8.2f\n", n.constData(), f.ms, f.mb, f.mb / (f.ms / 1000),
                        f.base > 0 ? f.ms / f.base : 0.0);
        else if (f.base > 0)
            std::printf("%-52s %10.2f %9s %9s %8.2f\n", n.constData(), f.ms, "", "", f.ms / f.base);
        else
            std::printf("%-52s %10.1f\n", n.constData(), f.ms);
    }
    std::fflush(stdout);
    if (argc == 1) {
        MedirBiblioteca(500);
        MedirRapida(100);
        MedirHistorial(0, 7000);
    }
    return 0;
}
