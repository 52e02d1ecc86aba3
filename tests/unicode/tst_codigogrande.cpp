// Typing into big code (one long line, as minified code comes): what the editor does to keep each key
// cheap must leave typing, undo, the caret, brace matching and accessibility as they are in small code.
#include "ui/editor/EditorCodigo.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// A code field on the screen with the given code, the caret at its end.
std::unique_ptr<EditorCodigo> Editor(const QString &codigo) {
    auto c = std::make_unique<EditorCodigo>();
    c->resize(600, 300);
    c->show();
    if (!QTest::qWaitForWindowExposed(c.get()))
        return nullptr;
    c->ponerTexto(codigo);
    c->setFocus();
    QTest::keyClick(c.get(), Qt::Key_End, Qt::ControlModifier);
    return c;
}

// One line longer than the editor's "big".
QString Linea() { return QString(EditorCodigo::kGrande + 10, QLatin1Char('b')); }

long Enviar(EditorCodigo &c, unsigned int mensaje, unsigned long w = 0, long l = 0) {
    return c.SendScintilla(mensaje, w, l);
}

// Whether some of the code field's pixels in the cell of the character at `pos` are of the colour.
bool PintadoDe(EditorCodigo &c, long pos, const QColor &color) {
    const QImage imagen = c.viewport()->grab().toImage();
    const int x0 = int(Enviar(c, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, pos));
    const int x1 = int(Enviar(c, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, pos + 1));
    const int y0 = int(Enviar(c, QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, pos));
    const int alto = int(Enviar(c, QsciScintillaBase::SCI_TEXTHEIGHT, 0));
    const qreal escala = imagen.devicePixelRatio();
    for (int y = y0; y < y0 + alto; ++y)
        for (int x = x0; x < x1; ++x)
            if (imagen.pixelColor(QPoint(int(x * escala), int(y * escala))) == color)
                return true;
    return false;
}
} // namespace

class tst_codigogrande : public QObject {
    Q_OBJECT
private slots:
    // A key typed in the middle of the line leaves the whole line styled at once, before anything
    // is drawn: styled only at the repaint, the line would be laid out twice for one key.
    void loTecleadoQuedaColoreadoHastaElFinDeLaLinea() {
        auto c = Editor(Linea());
        QVERIFY(c);
        QVERIFY(c->grande());
        const long medio = Enviar(*c, QsciScintillaBase::SCI_GETLENGTH) / 2;
        Enviar(*c, QsciScintillaBase::SCI_GOTOPOS, medio);
        QTest::keyClick(c.get(), Qt::Key_A);
        QTest::sendKeyEvent(QTest::Click, c.get(), Qt::Key_Odiaeresis, QStringLiteral("\u00f6"), Qt::NoModifier);
        const QString texto = c->texto(); // takes in what was typed, without a repaint
        QCOMPARE(texto.mid(int(medio), 2), QStringLiteral("a\u00f6"));
        QCOMPARE(Enviar(*c, QsciScintillaBase::SCI_GETCURRENTPOS), medio + 3); // after "a" and the two bytes of "ö"
        QCOMPARE(Enviar(*c, QsciScintillaBase::SCI_GETENDSTYLED), Enviar(*c, QsciScintillaBase::SCI_GETLENGTH));
    }

    // Keys typed one after another are undone together, as in small code.
    void deshacerQuitaLoTecleadoDeUnaVez() {
        const QString linea = Linea();
        auto c = Editor(linea);
        QVERIFY(c);
        for (Qt::Key tecla : {Qt::Key_X, Qt::Key_Y, Qt::Key_Z}) {
            QTest::keyClick(c.get(), tecla);
            QCoreApplication::processEvents(); // each key goes in on its own
        }
        QCOMPARE(c->texto(), linea + QStringLiteral("xyz"));
        c->undo();
        QCOMPARE(c->texto(), linea);
    }

    // After typing, the up key goes to the column the caret reached, not to where it was placed.
    void subirTrasTeclearVaALaColumnaAlcanzada() {
        auto c = Editor(QStringLiteral("aaaaaaaaaa\naa") + Linea());
        QVERIFY(c);
        c->setCursorPosition(1, 2);
        QTest::keyClick(c.get(), Qt::Key_A);
        QTest::keyClick(c.get(), Qt::Key_A);
        QTest::keyClick(c.get(), Qt::Key_Up);
        int linea = -1, indice = -1;
        c->getCursorPosition(&linea, &indice);
        QCOMPARE(linea, 0);
        QCOMPARE(indice, 4);
    }

    // Whoever listens for the caret's place hears it in big code too, in characters, tabs to their stops.
    void laPosicionDelCursorSeAvisaEnCodigoGrande() {
        const int enes = EditorCodigo::kGrande / 2 + 10;
        auto c = Editor(QLatin1Char('\t') + QString(enes, QChar(0xF1)));
        QVERIFY(c);
        QVERIFY(c->grande());
        QPair<int, int> oida(-1, -1);
        connect(c.get(), &QsciScintilla::cursorPositionChanged, this, [&](int l, int col) { oida = {l, col}; });
        QTest::keyClick(c.get(), Qt::Key_X);
        QTRY_COMPARE(oida, qMakePair(0, c->tabWidth() + enes + 1));
    }

    // Braces next to the caret are matched in small code.
    void lasLlavesSeEmparejan() {
        auto c = Editor(QStringLiteral("(a) b"));
        QVERIFY(c);
        const QColor rojo(255, 0, 0);
        c->setCaretLineVisible(false);
        c->setMatchedBraceBackgroundColor(rojo);
        QVERIFY(!PintadoDe(*c, 0, rojo)); // the caret at the end: no brace next to it
        Enviar(*c, QsciScintillaBase::SCI_GOTOPOS, 0);
        QTRY_VERIFY(PintadoDe(*c, 0, rojo));
        QVERIFY(PintadoDe(*c, 2, rojo));
    }

    // With no assistive tool listening, big code's accessible object is a plain widget's (the editor's
    // own counts every character before the caret), made again as such when it takes the focus.
    void sinEscuchaElCodigoGrandeEsUnControlSencillo() {
        auto c = Editor(QStringLiteral("a"));
        QVERIFY(c);
        QAccessibleInterface *pequeno = QAccessible::queryAccessibleInterface(c.get());
        QVERIFY(pequeno && pequeno->textInterface());
        c->ponerTexto(Linea());
        c->clearFocus();
        c->setFocus();
        QAccessibleInterface *grande = QAccessible::queryAccessibleInterface(c.get());
        QVERIFY(grande);
        QVERIFY(!grande->textInterface());
        QCOMPARE(grande->role(), QAccessible::EditableText);
    }

    // Once an assistive tool listens, big code is read as text, the caret's place included.
    void conEscuchaElCodigoGrandeSeLeeComoTexto() {
        auto c = Editor(QStringLiteral("\u00f1") + Linea());
        QVERIFY(c);
        QCoreApplication::processEvents(); // drawn, so no report of the caret is pending
        QVERIFY(QAccessible::queryAccessibleInterface(c.get())); // made while nobody listened
        QAccessible::setActive(true);
        const auto callar = qScopeGuard([] { QAccessible::setActive(false); });
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c.get());
        QVERIFY(a && a->textInterface());
        QCOMPARE(a->textInterface()->characterCount(), 1 + Linea().size());
        QTRY_COMPARE(a->textInterface()->cursorPosition(), 1 + Linea().size());
    }

    // Small again, the code is read as text with no tool listening too.
    void pequenoOtraVezSeLeeComoTexto() {
        auto c = Editor(Linea());
        QVERIFY(c);
        c->ponerTexto(QStringLiteral("\u00f1a"));
        QVERIFY(!c->grande());
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c.get());
        QVERIFY(a && a->textInterface());
        QCOMPARE(a->textInterface()->text(0, 2), QStringLiteral("\u00f1a"));
    }
};

QTEST_MAIN(tst_codigogrande)
#include "tst_codigogrande.moc"
