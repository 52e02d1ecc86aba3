// Sending a category by e-mail, the panel configuration dialog, help, about and the support links,
// driven over the real main window.
#include "Ayudas.h"
#include "core/Correo.h"
#include "core/Cp1252.h"
#include "ui/main/VistaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/Enlace.h"
#include "ui/tools/frmAcerca.h"
#include "ui/tools/frmAyuda.h"
#include "ui/tools/frmOutlook.h"
#include "ui/tools/frmVerCat.h"

#include <QtWidgets>
#include <QtTest>

namespace {
using ayudas::Elegir;
using ayudas::Registro;
using ayudas::ui;

// Records every hand-off, with the attachment's bytes as they were at that moment.
struct Grabador : correo::Envio {
    QVector<correo::Mensaje> mensajes;
    QVector<QByteArray> adjuntos;
    void Enviar(const correo::Mensaje &m) override {
        mensajes.append(m);
        adjuntos.append(ayudas::LeerBytes(m.adjunto));
    }
};

// Runs `accion` on the dialog of type T that `abrir` shows modally; false if none came.
template <class T> bool EnDialogo(const std::function<void()> &abrir, const std::function<void(T *)> &accion) {
    bool visto = false;
    ayudas::AlAbrirseModal([&](QWidget *w) {
        if ((visto = qobject_cast<T *>(w)))
            accion(static_cast<T *>(w));
        // A check that failed inside leaves the window up: closed, the test ends instead of hanging.
        if (w->isVisible())
            w->close();
    });
    abrir();
    return visto;
}

// The panel dialog's controls: whether the box shows all, the letters and whether they can be typed,
// the quick combo's text and its entries, and whether "Eliminar" works.
using ControlesPanel = std::tuple<bool, QString, bool, QString, QStringList, bool>;
ControlesPanel Controles(frmVerCat *d) {
    QStringList entradas;
    for (int i = 0; i < d->cboCat->count(); ++i)
        entradas << d->cboCat->itemText(i);
    return {d->cheVerCat->isChecked(), d->txtPanel->text(), d->txtPanel->isEnabled(), d->cboCat->currentText(),
            entradas, d->cmdElCat->isEnabled()};
}

// The mail preferences (to, from, whether the dialog always comes), how many mails went out, and
// whether the mail dialog is open.
using Correos = std::tuple<QString, QString, int, int, bool>;
// The categories listed, the combo's text, the open category with its rows, the filter with whether
// all show, and the combo's entries.
using Panel = std::tuple<QStringList, QString, QString, int, QString, int, QStringList>;
// The mail dialog's fields (to, from, attachment) and its box.
using CamposCorreo = std::tuple<QString, QString, QString, bool>;

struct Ventana : ayudas::VentanaConPreferencias {
    std::shared_ptr<Grabador> correo = std::make_shared<Grabador>();
    explicit Ventana(const QStringList &categorias, const QByteArray &datos = Registro("a", "", "", ""))
        : VentanaConPreferencias(Lista(categorias, datos), QString()) {
        w->setEnvioCorreo(correo);
    }
    static QList<QPair<QString, QByteArray>> Lista(const QStringList &nombres, const QByteArray &datos) {
        QList<QPair<QString, QByteArray>> l;
        for (const QString &n : nombres)
            l.append({n, datos});
        return l;
    }
    frmOutlook *outlook() const { return w->findChild<frmOutlook *>(QString(), Qt::FindDirectChildrenOnly); }
    Correos correos() const {
        return {c.estado.MailPara, c.estado.MailDe, c.estado.MSOutlook, int(correo->mensajes.size()), outlook() != nullptr};
    }
    Panel panel() const {
        return {ayudas::Textos(ui(w)->lstCat), ui(w)->cboCat->currentText(), ui(w)->lblMenu3->text(),
                ui(w)->lstScripts->cantidad(), c.estado.Mostrar, c.estado.MostrarTodas, w->entradasPanel()};
    }
};

CamposCorreo Campos(const frmOutlook *d) {
    if (!d)
        return {QStringLiteral("(sin diálogo)"), {}, {}, false};
    return {d->txtPara->text(), d->txtDe->text(), d->txtAdjunto->text(), d->cheEmail->isChecked()};
}

const QString kCuerpo = QStringLiteral("El siguiente e-mail ha sido enviado por Ana utilizando el programa "
                                       "Rutinero v1.0\r\nArchivo adjunto: Categoría de Rutinero Menus.rtn\r\n\r\n");
} // namespace

class tst_ayuda : public QObject {
    Q_OBJECT
private slots:
    void textosDelCorreo() {
        const correo::Mensaje m = correo::Componer("ana@example.org", "Ana", "Menus", "/x/Menus.rtn");
        // xdg-email writes each line end as CR LF itself, and gets the address where no option hides.
        QCOMPARE(correo::ArgumentosXdgEmail(m),
                 (QStringList{"--utf8", "--subject", m.asunto, "--body", QString(kCuerpo).replace("\r\n", "\n"),
                              "--attach", "/x/Menus.rtn", "ana@example.org"}));
        for (const char *raro : {"--attach=/etc/passwd@x.org", "mailto:x@y?attach=/etc/passwd", "MAILTO:x@y", "ana"}) {
            const QStringList b = correo::ArgumentosXdgEmail(correo::Componer(raro, "Ana", "Menus", "/m.rtn"));
            QCOMPARE(b.mid(b.size() - 2), (QStringList{"--to", raro}));
        }
    }

    void enviarListaVacia() {
        Ventana v({"Vacia"}, {});
        v.abrir("Vacia");
        ayudas::Cambiar(*v.w);
        const auto m = ayudas::Contestar(QMessageBox::Ok);
        ui(v.w)->mnuEnviar->trigger();
        // Only the refusal: no save question, no dialog, nothing sent, the changes still pending.
        QCOMPARE(m->titulo, QStringLiteral("Enviar e-mail"));
        QCOMPARE(m->texto, QStringLiteral("No se puede enviar un archivo vacío"));
        QVERIFY(m->icono == QMessageBox::Warning && ayudas::HayCambios(*v.w));
        QCOMPARE(v.correos(), (Correos{"", "", 1, 0, false}));
    }

    void enviarPorElDialogo() {
        Ventana v({"Menus"}, Registro("Menu1", "d", "c", "1") + Registro("Menu2", "d", "c", "2"));
        // A pending change is saved first, so the attachment holds it.
        v.abrir("Menus");
        v.w->categoria().Eliminar(1);
        ayudas::Cambiar(*v.w);
        const auto pregunta = ayudas::Contestar(QMessageBox::Yes);
        ui(v.w)->mnuEnviar->trigger();
        QCOMPARE(pregunta->texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));
        // With the default preference the dialog comes, not modal; a second send brings it forward.
        frmOutlook *dlg = v.outlook();
        QCOMPARE(Campos(dlg), (CamposCorreo{"", "", "Menus.rtn", true}));
        QVERIFY(dlg->isVisible() && !dlg->isModal());
        ui(v.w)->mnuEnviar->trigger();
        QCOMPARE(v.w->findChildren<frmOutlook *>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
        QTest::keyClicks(dlg->txtPara, "ana@example.org");
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton); // no sender yet: refused without a word
        QVERIFY(dlg->isVisible() && v.correo->mensajes.isEmpty());
        QTest::keyClicks(dlg->txtDe, "Ana");
        QPointer<frmOutlook> vigilado(dlg);
        QTest::keyClick(dlg->txtDe, Qt::Key_Return); // "Enviar" is the default button
        QTRY_VERIFY(!vigilado);
        QCOMPARE(v.correos(), (Correos{"ana@example.org", "Ana", 1, 1, false}));
        const correo::Mensaje &m = v.correo->mensajes.first();
        QCOMPARE(m.para, QStringLiteral("ana@example.org"));
        QCOMPARE(m.cuerpo, kCuerpo);
        QCOMPARE(m.adjunto, v.c.estado.rutaCategoria("Menus"));
        QCOMPARE(v.correo->adjuntos.first(), Registro("Menu1", "d", "c", "1"));
        // The box still ticked: the next send asks again, with the texts kept.
        ui(v.w)->mnuEnviar->trigger();
        QCOMPARE(Campos(v.outlook()), (CamposCorreo{"ana@example.org", "Ana", "Menus.rtn", true}));
    }

    void configurarYDesmarcar() {
        Ventana v({"Menus"});
        // With no category open there is nothing to attach; "Cancelar" keeps what was typed, and the box.
        QVERIFY(EnDialogo<frmOutlook>([&] { ui(v.w)->mnuOutlookConfig->trigger(); },
                                      [](frmOutlook *d) {
                                          QTest::keyClicks(d->txtPara, "b@example.org");
                                          QTest::keyClicks(d->txtDe, "Beto");
                                          QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
                                          QCOMPARE(Campos(d),
                                                   (CamposCorreo{"b@example.org", "Beto", "", true}));
                                          QVERIFY(d->isVisible());
                                          QTest::mouseClick(d->cheEmail, Qt::LeftButton);
                                          QTest::mouseClick(d->cmdCancelar, Qt::LeftButton);
                                      }));
        QCOMPARE(v.correos(), (Correos{"b@example.org", "Beto", 0, 0, false}));
        // The toolbar's "E-mail" opens the dialog modally, even when it would not be needed.
        v.abrir("Menus");
        QVERIFY(
            EnDialogo<frmOutlook>([&] { ui(v.w)->botonMenu("outlook")->trigger(); },
                                  [](frmOutlook *d) { QTest::mouseClick(d->cmdAceptar, Qt::LeftButton); }));
        // Unticked with both texts: sent at once, without the dialog; emptying a text brings it back.
        ui(v.w)->mnuEnviar->trigger();
        QCOMPARE(v.correos(), (Correos{"b@example.org", "Beto", 0, 2, false}));
        QCOMPARE(v.correo->mensajes.last().asunto, QStringLiteral("Archivo de Rutinero enviado por Beto"));
        v.c.estado.MailDe.clear();
        ui(v.w)->mnuEnviar->trigger();
        QCOMPARE(v.correos(), (Correos{"b@example.org", "", 0, 2, true}));
    }

    void panelConTodasOLetras() {
        Ventana v({"Imagenes", "Menus", "metas"});
        v.abrir("Menus");
        QVERIFY(EnDialogo<frmVerCat>([&] { QTest::mouseClick(ui(v.w)->cmdMCat, Qt::LeftButton); },
                                     [](frmVerCat *d) {
                                         QTest::keyClicks(d->cboCat, "abc"); // chosen from, never typed in
                                         QCOMPARE(Controles(d), (ControlesPanel{true, "", false, "Todas", {"Todas"}, false}));
                                         QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
                                     }));
        QCOMPARE(v.panel(),
                 (Panel{{"Imagenes", "Menus", "metas"}, "Todas", "(Ninguna)", 0, "Todas", 1, {"Todas"}}));
        auto escribir = [&](const QString &letras) {
            QVERIFY(EnDialogo<frmVerCat>([&] { v.w->cmdMCat_Click(); }, [&](frmVerCat *d) {
                if (d->cheVerCat->isChecked())
                    QTest::mouseClick(d->cheVerCat, Qt::LeftButton);
                d->txtPanel->setText(letras);
                QTest::keyClick(d->txtPanel, Qt::Key_Return);
                QVERIFY(!d->isVisible());
            }));
        };
        v.abrir("Menus");
        escribir("me");
        QCOMPARE(v.panel(), (Panel{{"Menus", "metas"}, "me", "(Ninguna)", 0, "me", 0, {"Todas", "me"}}));
        escribir("me"); // a repeated entry is held once
        escribir("  me"); // the entry keeps the typed spaces; the filter does not
        const Panel conEspacios{{"Menus", "metas"}, "me", "(Ninguna)", 0, "me", 0, {"Todas", "me", "  me"}};
        QCOMPARE(v.panel(), conEspacios);
        // No letters, or only blanks: the dialog stays open, and "Cancelar" then changes nothing.
        QVERIFY(EnDialogo<frmVerCat>([&] { v.w->cmdMCat_Click(); }, [](frmVerCat *d) {
            QCOMPARE(Controles(d), (ControlesPanel{false, "me", true, "Todas", {"Todas", "me", "  me"}, false}));
            for (const char *letras : {"", "   "}) {
                d->txtPanel->setText(letras);
                QTest::mouseClick(d->cmdAceptar, Qt::LeftButton);
                QVERIFY(d->isVisible());
            }
            QTest::mouseClick(d->cmdCancelar, Qt::LeftButton);
        }));
        QCOMPARE(v.panel(), conEspacios);
    }

    void panelRemover() {
        Ventana v({"alfa", "Menus", "metas"});
        v.c.estado.Mostrar = QStringLiteral("me");
        v.c.estado.MostrarTodas = 0;
        v.w->setEntradasPanel({"Todas", "a", "me"}, "me");
        v.w->LlenarCat();
        v.abrir("Menus");
        QVERIFY(EnDialogo<frmVerCat>([&] { v.w->cmdMCat_Click(); }, [&](frmVerCat *d) {
            Elegir(d->cboCat, "Todas");
            QCOMPARE(Controles(d), (ControlesPanel{false, "me", true, "Todas", {"Todas", "a", "me"}, false}));
            // Another entry goes from both lists; the panel stays as it is.
            Elegir(d->cboCat, "a");
            QCOMPARE(Controles(d), (ControlesPanel{false, "me", true, "a", {"Todas", "a", "me"}, true}));
            QTest::mouseClick(d->cmdElCat, Qt::LeftButton);
            QCOMPARE(Controles(d), (ControlesPanel{false, "me", true, "Todas", {"Todas", "me"}, false}));
            QCOMPARE(v.panel(), (Panel{{"Menus", "metas"}, "me", "Menus", 1, "me", 0, {"Todas", "me"}}));
            // The entry in use: the panel empties and the open category closes.
            Elegir(d->cboCat, "me");
            QTest::mouseClick(d->cmdElCat, Qt::LeftButton);
            QCOMPARE(Controles(d), (ControlesPanel{false, "me", true, "Todas", {"Todas"}, false}));
            QCOMPARE(v.panel(), (Panel{{}, "", "(Ninguna)", 0, "me", 0, {"Todas"}}));
            QTest::keyClick(d, Qt::Key_Escape);
        }));
        QCOMPARE(v.panel(),
                 (Panel{{}, "", "(Ninguna)", 0, "me", 0, {"Todas"}})); // "Cancelar" brings nothing back
    }

    // F1 shows the update text, the toolbar's help the support one; only exactly "Ayuda" as the topic
    // shows the support text. Each window's link leads to the community.
    void ayudaYActualizar_data() {
        QTest::addColumn<int>("como"); // 0 F1, 1 toolbar, 2 MostrarAyuda with the topic "ayuda"
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("palabra"); // one with an accent, as the text's bytes hold it
        QTest::newRow("F1") << 0 << "actualizar.txt" << "periódicamente";
        QTest::newRow("botón de ayuda") << 1 << "ayuda.txt" << "Diseño";
        QTest::newRow("tema en minúsculas") << 2 << "actualizar.txt" << "periódicamente";
    }
    void ayudaYActualizar() {
        QFETCH(int, como);
        QFETCH(QString, texto);
        QFETCH(QString, palabra);
        Ventana v({});
        ayudas::Navegador navegador;
        v.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.w.get()));
        const std::function<void()> abrir[] = {[&] { QTest::keyClick(v.w.get(), Qt::Key_F1); },
                                               [&] { ui(v.w)->botonMenu("ayuda")->trigger(); },
                                               [&] {
                                                   v.c.estado.TemaAyuda = QStringLiteral("ayuda");
                                                   v.w->MostrarAyuda();
                                               }};
        QString mostrado;
        QUrl enlace;
        QVERIFY(EnDialogo<frmAyuda>(abrir[como], [&](frmAyuda *d) {
            mostrado = d->txtTexto->toPlainText();
            QTest::mouseClick(d->lblLink, Qt::LeftButton);
            enlace = navegador.abiertas.value(0);
            QTest::mouseClick(d->cmdCancelar, Qt::LeftButton);
        }));
        // The texts are stored as single Windows-1252 bytes, not UTF-8.
        QCOMPARE(mostrado, cp1252::Decodificar(ayudas::LeerBytes(RUTINERO_FUENTES "/resources/ayuda/" + texto)));
        QVERIFY(mostrado.contains(palabra));
        QCOMPARE(enlace, QUrl(QStringLiteral("https://rutinero.example.org/comunidad/")));
        if (como == 0)
            QCOMPARE(v.c.estado.TemaAyuda, QStringLiteral("Actualizar"));
    }

    void enlacesDeSoporte() {
        Ventana v({});
        ayudas::Navegador navegador;
        // The help menu and the toolbar's help menu reach the same forum.
        const std::tuple<QAction *, const char *, int> casos[] = {{ui(v.w)->mnuLinkJS, "js", 13},
                                                                  {ui(v.w)->mnuLinkASP, "asp", 15},
                                                                  {ui(v.w)->mnuLinkPHP, "php", 18},
                                                                  {ui(v.w)->mnuLinkVB, "vb", 14}};
        for (auto [menu, clave, foro] : casos) {
            QAction *entrada = ui(v.w)->menuBotonAyuda->findChild<QAction *>(clave);
            QVERIFY(entrada);
            menu->trigger();
            entrada->trigger();
            const QUrl url("https://rutinero.example.org/comunidad/foro.php?id=" + QString::number(foro));
            QCOMPARE(navegador.abiertas, (QList<QUrl>{url, url}));
            navegador.abiertas.clear();
        }
        // About: from the menu and from the toolbar, with the maker's site as its link.
        for (QAction *a : {ui(v.w)->mnuAcerca, ui(v.w)->botonMenu("acerca")})
            QVERIFY(EnDialogo<frmAcerca>([a] { a->trigger(); }, [](frmAcerca *d) {
                QTest::mouseClick(d->Label1, Qt::LeftButton);
                QTest::keyClick(d, Qt::Key_Escape);
            }));
        QCOMPARE(navegador.abiertas, QList<QUrl>(2, QUrl(QStringLiteral("https://rutinero.example.org/autor/"))));
    }
};

QTEST_MAIN(tst_ayuda)
#include "tst_ayuda.moc"
