// Typing into big code (one long line, as minified code comes): what the editor does to keep each key
// cheap must leave typing, undo and the caret as they are in small code.
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

};

QTEST_MAIN(tst_codigogrande)
#include "tst_codigogrande.moc"
