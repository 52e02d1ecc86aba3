// Sending a category by e-mail, the panel configuration dialog, help, about and the support links,
// driven over the real main window.
#include "Ayudas.h"
#include "core/Correo.h"
#include "core/mdlINI.h"
#include "store/Cp1252.h"
#include "store/mdlScriptsVista.h"
#include "ui/main/ListaScripts.h"
#include "ui/main/frmPrincipal.h"
#include "ui/tools/Enlace.h"
#include "ui/tools/frmAcerca.h"
#include "ui/tools/frmAyuda.h"
#include "ui/tools/frmOutlook.h"
#include "ui/tools/frmVerCat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrlQuery>
#include <QtTest>
#include <memory>

namespace {
using ayudas::Registro;

// Records every hand-off, with the attachment's bytes as they were at that moment.
struct Grabador : correo::Envio {
    QVector<correo::Mensaje> mensajes;
    QVector<QByteArray> adjuntos;
    void Enviar(const correo::Mensaje &m) override {
        mensajes.append(m);
        adjuntos.append(ayudas::LeerBytes(m.adjunto));
    }
};

struct Ventana {
    ayudas::Carpeta c;
    std::unique_ptr<frmPrincipal> w;
    std::shared_ptr<Grabador> correo = std::make_shared<Grabador>();
    void abrir(const QString &abierta = {}) {
        const QStringList entradas = mdlINI::CargarPreferencias(c.estado);
        w = std::make_unique<frmPrincipal>(c.estado);
        w->setEntradasPanel(entradas, c.estado.Mostrar);
        w->LlenarCat();
        w->setEnvioCorreo(correo);
        if (!abierta.isEmpty())
            abrirCategoria(abierta);
    }
    void abrirCategoria(const QString &abierta) {
        for (int i = 0; i < w->lstCat->topLevelItemCount(); ++i)
            if (w->lstCat->topLevelItem(i)->text(0) == abierta)
                w->lstCat->setCurrentItem(w->lstCat->topLevelItem(i));
        w->lblMenu3->setText(abierta);
        w->lstScripts->clear();
        mdlScripts::LeerCategoria(w->lstScripts, c.estado.rutaCategoria(abierta), w->barProgreso);
    }
    QStringList categorias() const {
        QStringList r;
        for (int i = 0; i < w->lstCat->topLevelItemCount(); ++i)
            r << w->lstCat->topLevelItem(i)->text(0);
        return r;
    }
    frmOutlook *outlookAbierto() const {
        return w->findChild<frmOutlook *>(QString(), Qt::FindDirectChildrenOnly);
    }
};

QStringList Entradas(const QComboBox *cb) {
    QStringList r;
    for (int i = 0; i < cb->count(); ++i)
        r << cb->itemText(i);
    return r;
}

// Chooses an entry as a click in the open list does.
void Elegir(QComboBox *cb, const QString &texto) {
    const int i = cb->findText(texto, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(i >= 0, qPrintable(texto));
    cb->setCurrentIndex(i);
    emit cb->activated(i);
}

const QString kTitulo = QStringLiteral("Rutinero v1.0");
} // namespace

// Stands in for the web browser.
class tst_ayuda : public QObject {
    Q_OBJECT
  private slots:
    void textosDelCorreo() {
        const correo::Mensaje m =
            correo::Componer("ana@example.org", "Ana", "Menus", "/x/Categorias/Menus.rtn");
        QCOMPARE(m.para, QStringLiteral("ana@example.org"));
        QCOMPARE(m.asunto, QStringLiteral("Archivo de Rutinero enviado por Ana"));
        QCOMPARE(m.cuerpo.toUtf8(),
                 QByteArray("El siguiente e-mail ha sido enviado por Ana utilizando el programa "
                            "Rutinero v1.0\r\nArchivo adjunto: Categor\xc3\xad"
                            "a de Rutinero Menus.rtn\r\n\r\n"));
        QCOMPARE(m.adjunto, QStringLiteral("/x/Categorias/Menus.rtn"));

        // xdg-email writes each line end as CR LF itself, and gets the address where no option hides.
        const QStringList a = correo::ArgumentosXdgEmail(m);
        QCOMPARE(a, (QStringList{
                        "--utf8", "--subject", m.asunto, "--body",
                        QStringLiteral("El siguiente e-mail ha sido enviado por Ana utilizando el programa "
                                       "Rutinero v1.0\nArchivo adjunto: Categoría de Rutinero Menus.rtn\n\n"),
                        "--attach", m.adjunto, "ana@example.org"}));
        for (const char *raro : {"--attach=/etc/passwd", "mailto:x@y?attach=/etc/passwd", "ana"}) {
            const QStringList b =
                correo::ArgumentosXdgEmail(correo::Componer(raro, "Ana", "Menus", "/m.rtn"));
            QCOMPARE(b.mid(b.size() - 2), (QStringList{"--to", raro}));
        }
    }

    void enviarListaVacia() {
        Ventana v;
        v.c.categoria("Vacia", {});
        v.abrir("Vacia");
        v.w->MarcarCambios();
        ayudas::Mensaje m;
        ayudas::ContestarMensaje(QMessageBox::Ok, &m);
        v.w->mnuEnviar->trigger();
        // Only the refusal: no save question, no dialog, nothing sent, the changes still pending.
        QVERIFY(m.visto);
        QCOMPARE(m.texto, QStringLiteral("No se puede enviar un archivo vacío"));
        QCOMPARE(m.titulo, QStringLiteral("Enviar e-mail"));
        QCOMPARE(m.icono, QMessageBox::Warning);
        QVERIFY(!v.outlookAbierto());
        QVERIFY(v.correo->mensajes.isEmpty());
        QVERIFY(v.c.estado.HayCambios);
    }

    void enviarPorElDialogo() {
        Ventana v;
        const QByteArray dos = Registro("Menu1", "d", "c", "1") + Registro("Menu2", "d", "c", "2");
        v.c.categoria("Menus", dos);
        v.abrir("Menus");
        // A pending change is saved first, so the attachment holds it.
        delete v.w->lstScripts->topLevelItem(1);
        v.w->MarcarCambios();
        ayudas::Mensaje pregunta;
        ayudas::ContestarMensaje(QMessageBox::Yes, &pregunta);
        v.w->mnuEnviar->trigger();
        QCOMPARE(pregunta.texto, QStringLiteral("¿Guardar cambios realizados a Menus?"));

        // With the default preference the dialog comes, not modal, with what it will attach.
        frmOutlook *dlg = v.outlookAbierto();
        QVERIFY(dlg);
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->isModal());
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Enviar archivo"));
        QCOMPARE(dlg->txtAdjunto->text(), QStringLiteral("Menus.rtn"));
        QVERIFY(dlg->txtAdjunto->isReadOnly());
        QVERIFY(dlg->cheEmail->isChecked());
        QVERIFY(dlg->txtPara->text().isEmpty() && dlg->txtDe->text().isEmpty());
        // A second send brings the same dialog forward.
        v.w->mnuEnviar->trigger();
        QCOMPARE(v.w->findChildren<frmOutlook *>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

        QTest::keyClicks(dlg->txtPara, "ana@example.org");
        QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton); // no sender yet: refused without a word
        QVERIFY(dlg->isVisible());
        QVERIFY(v.correo->mensajes.isEmpty());
        QTest::keyClicks(dlg->txtDe, "Ana");
        QPointer<frmOutlook> vigilado(dlg);
        QTest::keyClick(dlg->txtDe, Qt::Key_Return); // "Enviar" is the default button
        QTRY_VERIFY(!vigilado);

        QCOMPARE(v.correo->mensajes.size(), 1);
        const correo::Mensaje &m = v.correo->mensajes.first();
        QCOMPARE(m.para, QStringLiteral("ana@example.org"));
        QCOMPARE(m.asunto, QStringLiteral("Archivo de Rutinero enviado por Ana"));
        QCOMPARE(m.cuerpo,
                 QStringLiteral("El siguiente e-mail ha sido enviado por Ana utilizando el programa "
                                "Rutinero v1.0\r\nArchivo adjunto: Categoría de Rutinero Menus.rtn\r\n\r\n"));
        QCOMPARE(m.adjunto, v.c.estado.rutaCategoria("Menus"));
        QCOMPARE(v.correo->adjuntos.first(), Registro("Menu1", "d", "c", "1"));
        QCOMPARE(v.c.estado.MailPara, QStringLiteral("ana@example.org"));
        QCOMPARE(v.c.estado.MailDe, QStringLiteral("Ana"));
        QCOMPARE(v.c.estado.MSOutlook, 1);

        // The box still ticked: the next send asks again, with the texts kept.
        v.w->mnuEnviar->trigger();
        QVERIFY(v.outlookAbierto());
        QCOMPARE(v.outlookAbierto()->txtPara->text(), QStringLiteral("ana@example.org"));
        QCOMPARE(v.outlookAbierto()->txtDe->text(), QStringLiteral("Ana"));
        v.outlookAbierto()->close();
        QCOMPARE(v.correo->mensajes.size(), 1);
    }

    void configurarSinCategoria() {
        Ventana v;
        v.c.categoria("Menus", Registro("a", "", "", ""));
        v.abrir();
        bool visto = false;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmOutlook *>(w);
            QVERIFY(dlg);
            visto = true;
            QVERIFY(dlg->txtAdjunto->text().isEmpty());
            QTest::keyClicks(dlg->txtPara, "ana@example.org");
            QTest::keyClicks(dlg->txtDe, "Ana");
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton); // nothing to attach: nothing happens
            QVERIFY(dlg->isVisible());
            QTest::mouseClick(dlg->cheEmail, Qt::LeftButton);
            QTest::mouseClick(dlg->cmdCancelar, Qt::LeftButton);
        });
        v.w->mnuOutlookConfig->trigger();
        QVERIFY(visto);
        QVERIFY(v.correo->mensajes.isEmpty());
        // "Cancelar" keeps what was typed, and the box.
        QCOMPARE(v.c.estado.MailPara, QStringLiteral("ana@example.org"));
        QCOMPARE(v.c.estado.MailDe, QStringLiteral("Ana"));
        QCOMPARE(v.c.estado.MSOutlook, 0);
    }

    void sinDialogoDespuesDeDesmarcar() {
        Ventana v;
        v.c.categoria("Menus", Registro("a", "", "", ""));
        v.abrir("Menus");
        // The toolbar's "E-mail" opens the dialog modally, even when it would not be needed.
        ayudas::AlAbrirseModal([](QWidget *w) {
            auto *dlg = qobject_cast<frmOutlook *>(w);
            QVERIFY(dlg);
            QVERIFY(dlg->isModal());
            QTest::keyClicks(dlg->txtPara, "b@example.org");
            QTest::keyClicks(dlg->txtDe, "Beto");
            dlg->cheEmail->setChecked(false);
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        });
        v.w->botonMenu(9)->trigger();
        QCOMPARE(v.w->botonMenu(9)->objectName(), QStringLiteral("outlook"));
        QCOMPARE(v.correo->mensajes.size(), 1);
        QCOMPARE(v.c.estado.MSOutlook, 0);

        v.w->mnuEnviar->trigger();
        v.w->mnuEnviar->trigger();
        QVERIFY(!v.outlookAbierto());
        QCOMPARE(v.correo->mensajes.size(), 3);
        QCOMPARE(v.correo->mensajes.last().para, QStringLiteral("b@example.org"));
        QCOMPARE(v.correo->mensajes.last().asunto, QStringLiteral("Archivo de Rutinero enviado por Beto"));

        // Emptying a text brings the dialog back.
        v.c.estado.MailDe.clear();
        v.w->mnuEnviar->trigger();
        QVERIFY(v.outlookAbierto());
        v.outlookAbierto()->close();
        QCOMPARE(v.correo->mensajes.size(), 3);
    }

    void panelConTodas() {
        Ventana v;
        for (const char *n : {"Imagenes", "Menus", "metas"})
            v.c.categoria(n, Registro("x", "", "", ""));
        v.abrir("Menus");
        bool visto = false;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmVerCat *>(w);
            QVERIFY(dlg);
            visto = true;
            QCOMPARE(dlg->windowTitle(), QStringLiteral("Configurar panel"));
            QVERIFY(dlg->cheVerCat->isChecked());
            QVERIFY(dlg->txtPanel->text().isEmpty());
            QVERIFY(!dlg->txtPanel->isEnabled());
            QCOMPARE(dlg->cboCat->currentText(), QStringLiteral("Todas"));
            QCOMPARE(Entradas(dlg->cboCat), v.w->entradasPanel());
            QVERIFY(!dlg->cmdElCat->isEnabled());
            QTest::keyClicks(dlg->cboCat, "abc"); // cannot be typed in
            QCOMPARE(dlg->cboCat->currentText(), QStringLiteral("Todas"));
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
        });
        QTest::mouseClick(v.w->cmdMCat, Qt::LeftButton);
        QVERIFY(visto);
        QCOMPARE(v.categorias(), (QStringList{"Imagenes", "Menus", "metas"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);
        QCOMPARE(v.w->cboCat->currentText(), QStringLiteral("Todas"));
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("Todas"));
        QCOMPARE(v.c.estado.MostrarTodas, 1);
    }

    void panelConLetras() {
        Ventana v;
        for (const char *n : {"Imagenes", "Menus", "metas"})
            v.c.categoria(n, Registro("x", "", "", ""));
        v.abrir("Menus");
        auto escribir = [&](const QString &letras) {
            bool visto = false;
            ayudas::AlAbrirseModal([&](QWidget *w) {
                auto *dlg = qobject_cast<frmVerCat *>(w);
                QVERIFY(dlg);
                visto = true;
                if (dlg->cheVerCat->isChecked())
                    QTest::mouseClick(dlg->cheVerCat, Qt::LeftButton);
                QVERIFY(dlg->txtPanel->isEnabled());
                dlg->txtPanel->clear();
                QTest::keyClicks(dlg->txtPanel, letras);
                QTest::keyClick(dlg->txtPanel, Qt::Key_Return);
                QVERIFY(!dlg->isVisible());
            });
            v.w->cmdMCat_Click();
            QVERIFY(visto);
        };
        escribir("me");
        QCOMPARE(v.w->entradasPanel(), (QStringList{"Todas", "me"}));
        QCOMPARE(v.w->cboCat->currentText(), QStringLiteral("me"));
        QCOMPARE(v.categorias(), (QStringList{"Menus", "metas"}));
        QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
        QCOMPARE(v.c.estado.MostrarTodas, 0);

        escribir("me");
        QCOMPARE(v.w->entradasPanel(), (QStringList{"Todas", "me"}));

        // The entry keeps the typed spaces; the filter does not.
        escribir("  me");
        QCOMPARE(v.w->entradasPanel(), (QStringList{"Todas", "me", "  me"}));
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("me"));
        QCOMPARE(v.w->cboCat->currentText(), QStringLiteral("me"));
        QCOMPARE(v.categorias(), (QStringList{"Menus", "metas"}));

        // No letters, or only blanks: the dialog stays open, and "Cancelar" then changes nothing.
        bool visto = false;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmVerCat *>(w);
            QVERIFY(dlg);
            visto = true;
            QCOMPARE(dlg->txtPanel->text(), QStringLiteral("me"));
            dlg->txtPanel->clear();
            QTest::keyClick(dlg->txtPanel, Qt::Key_Return);
            QVERIFY(dlg->isVisible());
            QTest::keyClicks(dlg->txtPanel, "   ");
            QTest::mouseClick(dlg->cmdAceptar, Qt::LeftButton);
            QVERIFY(dlg->isVisible());
            QTest::mouseClick(dlg->cmdCancelar, Qt::LeftButton);
        });
        v.w->cmdMCat_Click();
        QVERIFY(visto);
        QCOMPARE(v.c.estado.Mostrar, QStringLiteral("me"));
        QCOMPARE(v.c.estado.MostrarTodas, 0);
        QCOMPARE(v.w->entradasPanel(), (QStringList{"Todas", "me", "  me"}));
    }

    void panelRemover() {
        Ventana v;
        for (const char *n : {"alfa", "Menus", "metas"})
            v.c.categoria(n, Registro("x", "", "", ""));
        v.abrir();
        v.c.estado.Mostrar = QStringLiteral("me");
        v.c.estado.MostrarTodas = 0;
        v.w->setEntradasPanel({"Todas", "a", "me"}, "me");
        v.w->LlenarCat();
        v.abrirCategoria("Menus");
        bool visto = false;
        ayudas::AlAbrirseModal([&](QWidget *w) {
            auto *dlg = qobject_cast<frmVerCat *>(w);
            QVERIFY(dlg);
            visto = true;
            QVERIFY(!dlg->cheVerCat->isChecked());
            QCOMPARE(dlg->txtPanel->text(), QStringLiteral("me"));
            Elegir(dlg->cboCat, "Todas");
            QVERIFY(!dlg->cmdElCat->isEnabled());

            // Another entry goes from both lists; the panel stays as it is.
            Elegir(dlg->cboCat, "a");
            QVERIFY(dlg->cmdElCat->isEnabled());
            QTest::mouseClick(dlg->cmdElCat, Qt::LeftButton);
            QCOMPARE(Entradas(dlg->cboCat), (QStringList{"Todas", "me"}));
            QCOMPARE(v.w->entradasPanel(), Entradas(dlg->cboCat));
            QCOMPARE(dlg->cboCat->currentText(), QStringLiteral("Todas"));
            QVERIFY(!dlg->cmdElCat->isEnabled());
            QCOMPARE(v.w->cboCat->currentText(), QStringLiteral("me"));
            QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("Menus"));

            // The entry in use: the panel empties and the open category closes.
            Elegir(dlg->cboCat, "me");
            QTest::mouseClick(dlg->cmdElCat, Qt::LeftButton);
            QCOMPARE(Entradas(dlg->cboCat), (QStringList{"Todas"}));
            QCOMPARE(v.w->entradasPanel(), Entradas(dlg->cboCat));
            QCOMPARE(v.w->lstCat->topLevelItemCount(), 0);
            QCOMPARE(v.w->cboCat->currentText(), QString());
            QCOMPARE(v.w->lstScripts->topLevelItemCount(), 0);
            QCOMPARE(v.w->lblMenu3->text(), QStringLiteral("(Ninguna)"));
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        v.w->cmdMCat_Click();
        QVERIFY(visto);
        // "Cancelar" does not bring anything back.
        QCOMPARE(v.w->entradasPanel(), (QStringList{"Todas"}));
        QCOMPARE(v.w->cboCat->currentText(), QString());
    }

    void ayudaYActualizar() {
        Ventana v;
        v.abrir();
        ayudas::Navegador navegador;
        v.w->show();
        v.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.w.get()));

        const QString actualizar =
            cp1252::Decodificar(ayudas::LeerBytes(RUTINERO_FUENTES "/resources/ayuda/actualizar.txt"));
        const QString soporte =
            cp1252::Decodificar(ayudas::LeerBytes(RUTINERO_FUENTES "/resources/ayuda/ayuda.txt"));
        struct Visto {
            QString caption, titulo, texto, enlace;
        } f1, boton;
        auto leer = [&navegador](Visto *visto) {
            ayudas::AlAbrirseModal([visto, &navegador](QWidget *w) {
                auto *dlg = qobject_cast<frmAyuda *>(w);
                QVERIFY(dlg);
                visto->caption = dlg->windowTitle();
                visto->titulo = dlg->lblTitulo->text();
                visto->texto = dlg->txtTexto->toPlainText();
                QVERIFY(dlg->txtTexto->isReadOnly());
                QTest::mouseClick(dlg->lblLink, Qt::LeftButton);
                if (!navegador.abiertas.isEmpty())
                    visto->enlace = navegador.abiertas.takeLast().toString();
                QTest::mouseClick(dlg->cmdCancelar, Qt::LeftButton);
            });
        };
        leer(&f1);
        QTest::keyClick(v.w.get(), Qt::Key_F1);
        QCOMPARE(f1.caption, QStringLiteral("Actualizar"));
        QCOMPARE(f1.titulo, QStringLiteral("Actualizar ") + kTitulo);
        QCOMPARE(f1.texto, actualizar);
        QVERIFY(f1.texto.contains(QStringLiteral("periódicamente")));
        QCOMPARE(v.c.estado.TemaAyuda, QStringLiteral("Actualizar"));

        leer(&boton);
        v.w->botonMenu(11)->trigger();
        QCOMPARE(v.w->botonMenu(11)->objectName(), QStringLiteral("ayuda"));
        QCOMPARE(boton.caption, QStringLiteral("Ayuda"));
        QCOMPARE(boton.titulo, QStringLiteral("Soporte ") + kTitulo);
        QCOMPARE(boton.texto, soporte);
        QVERIFY(boton.texto.contains(QStringLiteral("Diseño")));
        QVERIFY(boton.texto.contains(QStringLiteral("promoción")));
        // Both link to the community's home page, the same address the window shows.
        QCOMPARE(f1.enlace, QStringLiteral("https://rutinero.example.org/comunidad/"));
        QCOMPARE(boton.enlace, f1.enlace);

        // The texts are stored as single Windows-1252 bytes, not UTF-8.
        QVERIFY(ayudas::LeerBytes(RUTINERO_FUENTES "/resources/ayuda/ayuda.txt").contains("Dise\xf1o"));
        QCOMPARE(frmAyuda::TextoRecurso("AYUDA"), soporte);

        // Only exactly "Ayuda" shows the support text.
        v.c.estado.TemaAyuda = QStringLiteral("ayuda");
        Visto otro;
        leer(&otro);
        v.w->MostrarAyuda();
        QCOMPARE(otro.caption, QStringLiteral("Actualizar"));
    }

    void enlacesDeSoporte() {
        Ventana v;
        v.abrir();
        ayudas::Navegador navegador;
        const struct {
            QAction *menu;
            const char *clave;
            QString entrada;
            int foro;
        } casos[] = {{v.w->mnuLinkJS, "js", "Soporte JS", 13},
                     {v.w->mnuLinkASP, "asp", "Soporte ASP", 15},
                     {v.w->mnuLinkPHP, "php", "Soporte PHP", 18},
                     {v.w->mnuLinkVB, "vb", "Soporte VB", 14}};
        for (const auto &caso : casos) {
            QAction *entrada = v.w->menuBotonAyuda->findChild<QAction *>(caso.clave);
            QVERIFY(entrada);
            QCOMPARE(entrada->text(), caso.entrada);
            caso.menu->trigger();
            entrada->trigger();
            QCOMPARE(navegador.abiertas.size(), 2);
            QCOMPARE(navegador.abiertas.at(0), navegador.abiertas.at(1));
            const QUrl url = navegador.abiertas.takeFirst();
            navegador.abiertas.clear();
            QCOMPARE(url.host(), QStringLiteral("rutinero.example.org"));
            QCOMPARE(QUrlQuery(url).queryItemValue("id"), QString::number(caso.foro));
        }

        // About: from the menu and from the toolbar, with the maker's site as its link.
        for (QAction *a : {v.w->mnuAcerca, v.w->botonMenu(13)}) {
            bool visto = false;
            ayudas::AlAbrirseModal([&](QWidget *w) {
                auto *dlg = qobject_cast<frmAcerca *>(w);
                QVERIFY(dlg);
                visto = true;
                QCOMPARE(dlg->windowTitle(), QStringLiteral("Acerca de Rutinero"));
                QCOMPARE(dlg->lblTitulo->text(), kTitulo);
                QVERIFY(dlg->Label2->text().contains(QStringLiteral("2002")));
                QVERIFY(dlg->Text1->isReadOnly());
                QTest::mouseClick(dlg->Label1, Qt::LeftButton);
                QTest::keyClick(dlg, Qt::Key_Escape);
            });
            a->trigger();
            QVERIFY(visto);
        }
        QCOMPARE(navegador.abiertas.size(), 2);
        QCOMPARE(navegador.abiertas.at(0).toString(), QStringLiteral("https://rutinero.example.org/autor/"));
    }
};

QTEST_MAIN(tst_ayuda)
#include "tst_ayuda.moc"
