#include "ui/editor/EditorCodigo.h"
#include "format/Campos.h"

#include <Qsci/qscilexerbash.h>
#include <Qsci/qscilexerbatch.h>
#include <Qsci/qscilexercmake.h>
#include <Qsci/qscilexercpp.h>
#include <Qsci/qscilexercsharp.h>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexercustom.h>
#include <Qsci/qscilexerdiff.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerjson.h>
#include <Qsci/qscilexerlua.h>
#include <Qsci/qscilexermakefile.h>
#include <Qsci/qscilexermarkdown.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qscilexerproperties.h>
#include <Qsci/qscilexerpython.h>
#include <Qsci/qscilexerruby.h>
#include <Qsci/qscilexersql.h>
#include <Qsci/qscilexertex.h>
#include <Qsci/qscilexerxml.h>
#include <Qsci/qscilexeryaml.h>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QTimer>
#include <string>
#include <utility>

namespace {
// HTML with the elements and attributes of HTML5 too: the lexer's own list predates them and would
// mark <details> or <section> as unknown tags.
class LexicoHtml : public QsciLexerHTML {
public:
    using QsciLexerHTML::QsciLexerHTML;
    const char *keywords(int conjunto) const override {
        if (conjunto != 1)
            return QsciLexerHTML::keywords(conjunto);
        static const std::string todas =
            std::string(QsciLexerHTML::keywords(1)) +
            " article aside audio bdi canvas data datalist details dialog embed figcaption figure footer header"
            " main mark meter nav output picture progress rp rt ruby section source summary template time"
            " track video wbr async autocomplete autofocus autoplay controls crossorigin defer download"
            " draggable form formaction hidden integrity list loading loop max min muted novalidate pattern"
            " placeholder poster preload required role sizes srcset step";
        return todas.c_str();
    }
};

// PHP written without its opening tag: the hypertext lexer's own PHP mode, which starts inside the
// script instead of waiting for "<?php".
class LexicoPhp : public LexicoHtml {
public:
    using LexicoHtml::LexicoHtml;
    const char *lexer() const override { return "phpscript"; }
};

// A language the C-family lexer draws well with its own words: Go, Rust, plain C. Set 1 holds the
// keywords, set 2 the built-in types and functions.
class LexicoC : public QsciLexerCPP {
public:
    LexicoC(const char *nombre, const char *claves, const char *tipos, QObject *padre)
        : QsciLexerCPP(padre), nombre_(nombre), claves_(claves), tipos_(tipos) {}
    const char *language() const override { return nombre_; }
    const char *keywords(int conjunto) const override {
        if (conjunto == 1)
            return claves_;
        if (conjunto == 2)
            return tipos_;
        return nullptr;
    }

private:
    const char *nombre_, *claves_, *tipos_;
};

const char kClavesGo[] = "break case chan const continue default defer else fallthrough for func go goto if import "
                         "interface map package range return select struct switch type var";
const char kTiposGo[] = "any bool byte comparable complex64 complex128 error float32 float64 int int8 int16 int32 int64 "
                        "rune string uint uint8 uint16 uint32 uint64 uintptr true false iota nil append cap clear close "
                        "complex copy delete imag len make max min new panic print println real recover";
const char kClavesRust[] = "as async await break const continue crate dyn else enum extern false fn for if impl in let "
                           "loop match mod move mut pub ref return self Self static struct super trait true type union "
                           "unsafe use where while";
const char kTiposRust[] = "bool char f32 f64 i8 i16 i32 i64 i128 isize str u8 u16 u32 u64 u128 usize String Vec Option "
                          "Result Some None Ok Err Box Rc Arc HashMap";
const char kClavesC[] = "auto break case const continue default do else enum extern for goto if inline register "
                        "restrict return sizeof static struct switch typedef union volatile while _Bool _Complex "
                        "_Alignas _Alignof _Atomic _Generic _Noreturn _Static_assert _Thread_local";
const char kTiposC[] = "char double float int long short signed unsigned void bool size_t ssize_t FILE NULL true false "
                       "int8_t int16_t int32_t int64_t uint8_t uint16_t uint32_t uint64_t";

// TypeScript: the JavaScript lexer with the words TypeScript adds.
class LexicoTypeScript : public QsciLexerJavaScript {
public:
    using QsciLexerJavaScript::QsciLexerJavaScript;
    const char *language() const override { return "TypeScript"; }
    const char *keywords(int conjunto) const override {
        if (conjunto != 1)
            return QsciLexerJavaScript::keywords(conjunto);
        static const std::string todas = std::string(QsciLexerJavaScript::keywords(1)) +
                                         " abstract any as async await declare enum implements infer interface is"
                                         " keyof let module namespace never of private protected public readonly"
                                         " type unknown";
        return todas.c_str();
    }
};

// PowerShell, light: the shell lexer already draws its comments, strings and $variables; the words
// are PowerShell's.
class LexicoPowerShell : public QsciLexerBash {
public:
    using QsciLexerBash::QsciLexerBash;
    const char *language() const override { return "PowerShell"; }
    const char *keywords(int conjunto) const override {
        if (conjunto != 1)
            return QsciLexerBash::keywords(conjunto);
        return "begin break catch class continue data do dynamicparam else elseif end enum exit filter finally for "
               "foreach function if in param process return switch throw trap try until using while "
               "Get-ChildItem Get-Content Set-Content Get-Item Set-Item New-Item Remove-Item Copy-Item Move-Item "
               "Write-Host Write-Output Write-Error Invoke-WebRequest Invoke-RestMethod Select-Object "
               "Where-Object ForEach-Object Sort-Object Import-Module Get-Process Start-Process Test-Path";
    }
};

// Plain text cut into short pieces of alternating styles, all drawn alike. The editor measures a line
// piece by piece and keeps only short pieces' widths in its cache: without this, one long line is
// measured whole again on every keystroke. Pieces end after a delimiter, so after an edit the rest
// of the line is cut as before and its widths come from the cache.
class LexicoTramos : public QsciLexerCustom {
public:
    static constexpr int kEstilos = 3;
    // A piece ends after a delimiter once it is kCorto bytes long, or at kLargo bytes: the longest the
    // editor keeps in its cache is 29. Fewer, longer pieces make fewer lookups each time the line is
    // laid out again.
    static constexpr int kCorto = 16, kLargo = 29;
    using QsciLexerCustom::QsciLexerCustom;
    const char *language() const override { return "Texto"; }
    QString description(int estilo) const override {
        return estilo >= 0 && estilo < kEstilos ? QStringLiteral("Texto") : QString();
    }
    void styleText(int inicio, int fin) override {
        QsciScintilla *e = editor();
        if (!e || fin <= inicio)
            return;
        // Asked from the start of the line, which for one long line is the whole text on every key:
        // the pieces before the one where styling stopped are cut as before and stay as they are.
        int anterior = -1;
        const int hecho = int(e->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED));
        if (hecho > inicio && hecho <= fin) {
            int p = hecho;
            const int estilo = int(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, p - 1));
            while (p > inicio && int(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, p - 1)) == estilo)
                --p;
            if (p > inicio)
                anterior = int(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, p - 1));
            inicio = p;
        }
        const auto *t = reinterpret_cast<const unsigned char *>(
            e->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, inicio, long(fin - inicio)));
        if (!t)
            return;
        startStyling(inicio);
        const int n = fin - inicio;
        int desde = 0;
        quint32 huella = 0;
        for (int i = 0; i < n; ++i) {
            const unsigned char c = t[i];
            huella = huella * 31 + c;
            const int largo = i + 1 - desde;
            const bool siguienteEsInicio = i + 1 >= n || (t[i + 1] & 0xC0) != 0x80; // never inside a character
            const bool corte = c == ' ' || c == ';' || c == ',' || c == '{' || c == '}' || c == '(' || c == ')' ||
                               c == '>' || c == '\n';
            if (siguienteEsInicio && ((corte && largo >= kCorto) || largo >= kLargo || i + 1 == n)) {
                int estilo = int(huella % kEstilos);
                if (estilo == anterior)
                    estilo = (estilo + 1) % kEstilos;
                setStyling(largo, estilo);
                anterior = estilo;
                desde = i + 1;
                huella = 0;
            }
        }
    }
};

std::unique_ptr<QsciLexer> NuevoLexico(lenguaje::Lenguaje l, QObject *padre) {
    using lenguaje::Lenguaje;
    switch (l) {
    case Lenguaje::Html:
    case Lenguaje::Asp:
        return std::make_unique<LexicoHtml>(padre);
    case Lenguaje::Php:
        return std::make_unique<LexicoPhp>(padre);
    case Lenguaje::Css:
        return std::make_unique<QsciLexerCSS>(padre);
    case Lenguaje::JavaScript:
        return std::make_unique<QsciLexerJavaScript>(padre);
    case Lenguaje::Sql:
        return std::make_unique<QsciLexerSQL>(padre);
    case Lenguaje::Shell:
        return std::make_unique<QsciLexerBash>(padre);
    case Lenguaje::Python:
        return std::make_unique<QsciLexerPython>(padre);
    case Lenguaje::C:
        return std::make_unique<LexicoC>("C", kClavesC, kTiposC, padre);
    case Lenguaje::Cpp:
        return std::make_unique<QsciLexerCPP>(padre);
    case Lenguaje::CSharp:
        return std::make_unique<QsciLexerCSharp>(padre);
    case Lenguaje::Java:
        return std::make_unique<QsciLexerJava>(padre);
    case Lenguaje::Go:
        return std::make_unique<LexicoC>("Go", kClavesGo, kTiposGo, padre);
    case Lenguaje::Rust:
        return std::make_unique<LexicoC>("Rust", kClavesRust, kTiposRust, padre);
    case Lenguaje::Batch:
        return std::make_unique<QsciLexerBatch>(padre);
    case Lenguaje::PowerShell:
        return std::make_unique<LexicoPowerShell>(padre);
    case Lenguaje::Perl:
        return std::make_unique<QsciLexerPerl>(padre);
    case Lenguaje::Ruby:
        return std::make_unique<QsciLexerRuby>(padre);
    case Lenguaje::Lua:
        return std::make_unique<QsciLexerLua>(padre);
    case Lenguaje::Json:
        return std::make_unique<QsciLexerJSON>(padre);
    case Lenguaje::Yaml:
        return std::make_unique<QsciLexerYAML>(padre);
    case Lenguaje::Xml:
        return std::make_unique<QsciLexerXML>(padre);
    case Lenguaje::Markdown:
        return std::make_unique<QsciLexerMarkdown>(padre);
    case Lenguaje::Makefile:
        return std::make_unique<QsciLexerMakefile>(padre);
    case Lenguaje::CMake:
        return std::make_unique<QsciLexerCMake>(padre);
    case Lenguaje::Diff:
        return std::make_unique<QsciLexerDiff>(padre);
    case Lenguaje::Ini:
        return std::make_unique<QsciLexerProperties>(padre);
    case Lenguaje::TeX:
        return std::make_unique<QsciLexerTeX>(padre);
    case Lenguaje::TypeScript:
        return std::make_unique<LexicoTypeScript>(padre);
    case Lenguaje::Ninguno:
        break;
    }
    return nullptr;
}

// The accessible object of a code that is not reporting its changes (big, no assistive tool
// listening): a plain widget's. QScintilla's own, made for every shown editor whether a tool listens
// or not, answers each caret move by counting every character before the caret.
QAccessibleInterface *AccesoCallado(const QString &clase, QObject *objeto) {
    if (clase != QLatin1String("EditorCodigo"))
        return nullptr;
    auto *editor = static_cast<EditorCodigo *>(objeto);
    return editor->avisaCadaCambio() ? nullptr : new QAccessibleWidget(editor, QAccessible::EditableText);
}

double Luminancia(const QColor &c) {
    auto canal = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * canal(c.redF()) + 0.7152 * canal(c.greenF()) + 0.0722 * canal(c.blueF());
}

double Contraste(const QColor &a, const QColor &b) {
    const double la = Luminancia(a), lb = Luminancia(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A lexer colour made for white paper, turned so it still reads on the given paper: the same hue,
// lighter (or darker) until it stands out enough.
QColor Legible(const QColor &tinta, const QColor &papel) {
    if (Contraste(tinta, papel) >= 4.5)
        return tinta;
    const double h = tinta.hslHueF() < 0 ? 0 : tinta.hslHueF(), s = tinta.hslSaturationF();
    const double l0 = tinta.lightnessF();
    const bool aclarar = papel.lightnessF() < 0.5;
    double l = aclarar ? std::max(l0, 1.0 - l0) : std::min(l0, 1.0 - l0);
    QColor c = QColor::fromHslF(h, s, l);
    while (Contraste(c, papel) < 4.5 && l > 0.0 && l < 1.0) {
        l = aclarar ? std::min(1.0, l + 0.05) : std::max(0.0, l - 0.05);
        c = QColor::fromHslF(h, s, l);
    }
    return c;
}

QColor Mezcla(const QColor &a, const QColor &b, double t) {
    return QColor::fromRgbF(a.redF() * (1 - t) + b.redF() * t, a.greenF() * (1 - t) + b.greenF() * t,
                            a.blueF() * (1 - t) + b.blueF() * t);
}
} // namespace

EditorCodigo::EditorCodigo(QWidget *padre) : QsciScintilla(padre) {
    setUtf8(true);
    setEolMode(EolUnix);
    setWrapMode(WrapNone);
    setIndentationsUseTabs(true);
    setTabWidth(4);
    setTabIndents(true);
    setBackspaceUnindents(true);
    setAutoIndent(true);
    setCaretLineVisible(true);
    setMarginLineNumbers(0, true);
    setMarginWidth(1, 0);
    setFolding(NoFoldStyle);
    setBraceMatching(SloppyBraceMatch);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // One long line (minified code) is laid out again on every keystroke: the cache keeps its
    // measured pieces, and only the visible page is styled.
    SendScintilla(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    SendScintilla(SCI_SETPOSITIONCACHE, 1 << 17);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETIDLESTYLING, SC_IDLESTYLING_TOVISIBLE);
    fuente_ = FijaDelSistema();
    aplicarFuente();
    aplicarColores();
    connect(this, &QsciScintilla::textChanged, this, &EditorCodigo::revisarTamano);
    connect(this, &QsciScintilla::textChanged, this, &EditorCodigo::marcarCampos);
    connect(this, &QsciScintilla::linesChanged, this, &EditorCodigo::anchoNumeros);
    // After each change or caret move QScintilla works out the caret's column, counting from the start
    // of the line: on one long line, milliseconds a key. Its handler is called from here instead, and
    // while the code is big only if someone listens for the caret's position (it also matches braces,
    // which rest then).
    const QMetaMethod manejar = metaObject()->method(metaObject()->indexOfSlot("handleUpdateUI(int)"));
    if (manejar.isValid())
        disconnect(this, SIGNAL(SCN_UPDATEUI(int)), this, SLOT(handleUpdateUI(int)));
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this, manejar](int cambio) {
        static const QMetaMethod posicion = QMetaMethod::fromSignal(&QsciScintilla::cursorPositionChanged);
        if (manejar.isValid() && (!grande_ || isSignalConnected(posicion)))
            manejar.invoke(this, Qt::DirectConnection, Q_ARG(int, cambio));
        if (callado_ && (cambio & SC_UPDATE_CONTENT))
            cambioSinAviso();
    });
    [[maybe_unused]] static const bool fabrica = (QAccessible::installFactory(AccesoCallado), true);
    escuchada_ = QAccessible::isActive();
    QAccessible::installActivationObserver(this);
    anchoNumeros();
}

EditorCodigo::~EditorCodigo() {
    QAccessible::removeActivationObserver(this);
    setLexer(nullptr);
}

// Each insertion or deletion the editor reports is also handed to the accessibility layer, which
// turns its place into a character offset by counting every character before it: at the end of
// megabytes, tens of milliseconds a key. While the code is big and no assistive tool listens, those
// reports are off; a change is then noticed after each key and at the next repaint, and told through
// the same textChanged and line count as before.
void EditorCodigo::callarAvisos() {
    const bool callar = grande_ && !escuchada_;
    if (callar == callado_)
        return;
    callado_ = callar;
    largo_ = SendScintilla(SCI_GETLENGTH);
    SendScintilla(SCI_SETMODEVENTMASK, callar ? 0 : SC_MODEVENTMASKALL);
    // The accessible object made for the other state goes; the next one asked for fits this one.
    if (QAccessibleInterface *acceso = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(acceso));
    if (!callar) {
        // QScintilla's own is made now; it learns where the caret is from the editor's next report of
        // a change to the view, asked for here (the scroll set where it is) and made at the repaint.
        QAccessible::queryAccessibleInterface(this);
        SendScintilla(SCI_SETXOFFSET, SendScintilla(SCI_GETXOFFSET));
    }
}

void EditorCodigo::cambioSinAviso() {
    largo_ = SendScintilla(SCI_GETLENGTH);
    anchoNumeros();
    emit textChanged();
}

void EditorCodigo::accessibilityActiveChanged(bool activa) {
    escuchada_ = activa;
    callarAvisos();
}

QString EditorCodigo::texto() const {
    // What was typed a moment ago is part of the text.
    const_cast<EditorCodigo *>(this)->insertarTecleado();
    return text();
}

void EditorCodigo::ponerTexto(const QString &texto) {
    setText(texto);
    setModified(false);
    if (callado_)
        cambioSinAviso();
}

void EditorCodigo::setLenguaje(lenguaje::Lenguaje l) {
    if (l == lenguaje_)
        return;
    lenguaje_ = l;
    if (!grande_)
        aplicarLexico();
}

void EditorCodigo::aplicarLexico() {
    std::unique_ptr<QsciLexer> nuevo =
        grande_ ? std::make_unique<LexicoTramos>() : NuevoLexico(lenguaje_, nullptr);
    setLexer(nuevo.get());
    lexico_ = std::move(nuevo);
    setBraceMatching(grande_ ? NoBraceMatch : SloppyBraceMatch);
    aplicarFuente();
    aplicarColores();
}

void EditorCodigo::revisarTamano() {
    const bool grande = SendScintilla(SCI_GETLENGTH) > kGrande;
    if (grande == grande_)
        return;
    grande_ = grande;
    aplicarLexico();
    callarAvisos();
}

QFont EditorCodigo::FijaDelSistema() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontInfo real(f);
    if (real.fixedPitch()) {
        f.setFamily(real.family());
        return f;
    }
    for (const QString &familia : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(familia) && QFontDatabase::isSmoothlyScalable(familia) &&
            !QFontDatabase::isPrivateFamily(familia)) {
            f.setFamily(familia);
            break;
        }
    return f;
}

void EditorCodigo::setFuente(const QFont &fuente) {
    fuente_ = fuente;
    aplicarFuente();
    aplicarColores();
}

void EditorCodigo::aplicarFuente() {
    QsciScintilla::setFont(fuente_);
    setMarginsFont(fuente_);
    if (lexico_) {
        lexico_->setDefaultFont(fuente_);
        for (int estilo = 0; estilo <= QsciScintillaBase::STYLE_MAX; ++estilo) {
            if (lexico_->description(estilo).isEmpty())
                continue;
            const QFont propia = lexico_->font(estilo);
            QFont f = fuente_;
            f.setBold(propia.bold());
            f.setItalic(propia.italic());
            lexico_->setFont(f, estilo);
        }
    }
    digitos_ = 0;
    anchoNumeros();
}

namespace {
constexpr int kIndicadorCampo = 8; // the first indicator free for containers
}

void EditorCodigo::marcarCampos() {
    const long largo = SendScintilla(SCI_GETLENGTH);
    SendScintilla(SCI_SETINDICATORCURRENT, kIndicadorCampo);
    // Clearing marks over the whole text, even where there are none, makes the editor lay the line
    // out again: with one long line that is most of a key's cost. Cleared only when some were made.
    if (marcados_)
        SendScintilla(SCI_INDICATORCLEARRANGE, 0, largo);
    marcados_ = false;
    if (grande_)
        return; // scanning megabytes on every key costs more than the marks are worth
    const QString t = text();
    const QVector<campos::Lugar> lugares = campos::Lugares(t);
    if (lugares.isEmpty())
        return;
    // The editor counts UTF-8 bytes; the fields are found in UTF-16 units.
    long bytes = 0;
    int hecho = 0;
    const auto hasta = [&](int unidad) {
        bytes += QStringView(t).mid(hecho, unidad - hecho).toUtf8().size();
        hecho = unidad;
        return bytes;
    };
    for (const campos::Lugar &l : lugares) {
        const long inicio = hasta(l.inicio);
        const long fin = hasta(l.inicio + l.largo);
        SendScintilla(SCI_INDICATORFILLRANGE, inicio, fin - inicio);
        marcados_ = true;
    }
}

QStringList EditorCodigo::camposMarcados() const {
    QStringList r;
    const long largo = SendScintilla(SCI_GETLENGTH);
    long pos = 0;
    while (pos < largo) {
        const long fin = SendScintilla(SCI_INDICATOREND, kIndicadorCampo, pos);
        if (SendScintilla(SCI_INDICATORVALUEAT, kIndicadorCampo, pos))
            r << text(int(pos), int(fin));
        if (fin <= pos)
            break;
        pos = fin;
    }
    return r;
}

void EditorCodigo::aplicarColores() {
    const QPalette &p = palette();
    const QColor papel = p.color(QPalette::Base), tinta = p.color(QPalette::Text);
    // The lexers' colours are made for white paper; on a dark one each keeps its hue but turns light.
    const bool oscuro = papel.lightnessF() < 0.5;
    if (lexico_) {
        lexico_->setDefaultPaper(papel);
        lexico_->setDefaultColor(tinta);
        for (int estilo = 0; estilo <= QsciScintillaBase::STYLE_MAX; ++estilo) {
            if (lexico_->description(estilo).isEmpty())
                continue;
            if (oscuro) {
                lexico_->setPaper(papel, estilo);
                lexico_->setColor(Legible(lexico_->color(estilo), papel), estilo);
            } else if (Contraste(lexico_->color(estilo), lexico_->paper(estilo)) < 3.0) {
                lexico_->setColor(tinta, estilo);
            }
        }
    } else {
        setPaper(papel);
        setColor(tinta);
    }
    setCaretForegroundColor(tinta);
    setCaretLineBackgroundColor(Mezcla(papel, p.color(QPalette::Highlight), oscuro ? 0.25 : 0.10));
    setSelectionBackgroundColor(p.color(QPalette::Highlight));
    setSelectionForegroundColor(p.color(QPalette::HighlightedText));
    setMarginsBackgroundColor(p.color(QPalette::Window));
    setMarginsForegroundColor(Mezcla(p.color(QPalette::WindowText), p.color(QPalette::Window), 0.35));
    setMatchedBraceBackgroundColor(Mezcla(papel, p.color(QPalette::Highlight), 0.45));
    setMatchedBraceForegroundColor(tinta);
    setUnmatchedBraceForegroundColor(oscuro ? QColor(255, 120, 120) : QColor(200, 0, 0));
    // Fill-in fields: a box around each, in a colour that reads on either paper.
    SendScintilla(SCI_INDICSETSTYLE, kIndicadorCampo, INDIC_ROUNDBOX);
    SendScintilla(SCI_INDICSETFORE, kIndicadorCampo, oscuro ? QColor(120, 200, 255) : QColor(0, 110, 200));
    SendScintilla(SCI_INDICSETALPHA, kIndicadorCampo, oscuro ? 90 : 60);
    SendScintilla(SCI_INDICSETOUTLINEALPHA, kIndicadorCampo, 200);
    SendScintilla(SCI_INDICSETUNDER, kIndicadorCampo, 1);
}

void EditorCodigo::anchoNumeros() {
    int digitos = 2;
    for (int n = lines(); n >= 100; n /= 10)
        ++digitos;
    if (digitos == digitos_)
        return;
    digitos_ = digitos;
    setMarginWidth(0, QString(digitos + 1, QLatin1Char('9')));
}

void EditorCodigo::keyPressEvent(QKeyEvent *evento) {
    const int tecla = evento->key();
    const bool control = evento->modifiers() & Qt::ControlModifier;
    // Tab indents inside the code; Ctrl+Tab is the way out (and a read-only code keeps no tabs).
    if ((tecla == Qt::Key_Tab || tecla == Qt::Key_Backtab) && (control || isReadOnly())) {
        const bool adelante = tecla == Qt::Key_Tab && !(evento->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(adelante);
        evento->accept();
        return;
    }
    // Esc belongs to the window (Cancelar) unless a list or tip of the editor is open.
    if (tecla == Qt::Key_Escape && !isListActive() && !isCallTipActive()) {
        evento->ignore();
        return;
    }
    const Qt::KeyboardModifiers otros = evento->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString texto = evento->text();
    if (grande_ && !isReadOnly() && otros == Qt::NoModifier && texto.size() == 1 && texto[0].isPrint() &&
        !hasSelectedText() && !overwriteMode() && !isListActive()) {
        if (tecleado_.isEmpty())
            QTimer::singleShot(0, this, &EditorCodigo::insertarTecleado);
        tecleado_ += texto.toUtf8();
        evento->accept();
        return;
    }
    insertarTecleado(); // any other key acts after what was typed before it
    QsciScintilla::keyPressEvent(evento);
    if (callado_ && SendScintilla(SCI_GETLENGTH) != largo_)
        cambioSinAviso();
}

void EditorCodigo::insertarTecleado() {
    if (tecleado_.isEmpty())
        return;
    const QByteArray t = std::exchange(tecleado_, QByteArray());
    // The line is laid out when the caret is placed after the new text; styled only later, at the
    // repaint, it would be laid out whole a second time. So: insert, style the rest of the line, then
    // place the caret (and remember its x for the up and down keys, as typing does).
    const long pos = SendScintilla(SCI_GETCURRENTPOS);
    SendScintilla(SCI_INSERTTEXT, pos, t.constData());
    const long linea = SendScintilla(SCI_LINEFROMPOSITION, pos);
    SendScintilla(SCI_COLOURISE, pos, SendScintilla(SCI_GETLINEENDPOSITION, linea));
    SendScintilla(SCI_GOTOPOS, static_cast<unsigned long>(pos + t.size()));
    SendScintilla(SCI_CHOOSECARETX);
    if (callado_ && SendScintilla(SCI_GETLENGTH) != largo_)
        cambioSinAviso();
}

void EditorCodigo::changeEvent(QEvent *evento) {
    QsciScintilla::changeEvent(evento);
    if (evento->type() == QEvent::PaletteChange)
        aplicarColores();
}
