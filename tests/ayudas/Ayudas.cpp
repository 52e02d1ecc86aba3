#include "Ayudas.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace ayudas {

void AlAbrirseModal(std::function<void(QWidget *)> accion) {
    auto *timer = new QTimer(qApp);
    auto reloj = std::make_shared<QElapsedTimer>();
    reloj->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, reloj, accion] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            if (reloj->elapsed() > 10000)
                timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        accion(modal);
    });
    timer->start();
}

void ContestarMensaje(QMessageBox::StandardButton boton, Mensaje *registro) {
    AlAbrirseModal([boton, registro](QWidget *w) {
        auto *caja = qobject_cast<QMessageBox *>(w);
        if (!caja) {
            qWarning("Se esperaba un mensaje y se abrió %s", w->metaObject()->className());
            return;
        }
        if (registro) {
            registro->texto = caja->text();
            registro->titulo = caja->windowTitle();
            registro->icono = caja->icon();
            registro->visto = true;
        }
        if (QAbstractButton *b = caja->button(boton))
            b->click();
        else
            caja->reject();
    });
}

Navegador::Navegador() {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "abrir");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "abrir");
}

Navegador::~Navegador() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

QStringList Textos(const QTreeWidget *lista) {
    QStringList r;
    for (int i = 0; i < lista->topLevelItemCount(); ++i)
        r << lista->topLevelItem(i)->text(0);
    return r;
}

QTreeWidgetItem *Buscar(QTreeWidget *lista, const QString &texto) {
    for (int i = 0; i < lista->topLevelItemCount(); ++i)
        if (lista->topLevelItem(i)->text(0) == texto)
            return lista->topLevelItem(i);
    return nullptr;
}

QByteArray LeerBytes(const QString &ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void EscribirBytes(const QString &ruta, const QByteArray &datos) {
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(datos);
}

Carpeta::Carpeta() { estado.carpeta = dir.path(); }

void Carpeta::categoria(const QString &nombre, const QByteArray &datos) {
    EscribirBytes(estado.rutaCategoria(nombre), datos);
}

QByteArray Registro(const QByteArray &nombre, const QByteArray &desc, const QByteArray &codigo,
                    const QByteArray &puntaje) {
    QByteArray r;
    for (const QByteArray &c : {nombre, desc, codigo, puntaje})
        r += '"' + c + "\"\r\n";
    return r;
}

} // namespace ayudas
