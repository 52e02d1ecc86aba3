#include "ui/Traducciones.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int CargarTraducciones() {
    // The program speaks Spanish whatever the session's language: its own texts are Spanish only.
    const QLocale espanol(QLocale::Spanish, QLocale::Spain);
    QLocale::setDefault(espanol);
    const QString carpeta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    int cargados = 0;
    for (const char *catalogo : {"qtbase", "qscintilla"}) {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (t->load(espanol, QLatin1String(catalogo), QStringLiteral("_"), carpeta) &&
            QCoreApplication::installTranslator(t))
            ++cargados;
        else
            delete t;
    }
    return cargados;
}
