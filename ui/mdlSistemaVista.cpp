#include "ui/mdlSistemaVista.h"
#include "ui/Mensajes.h"
#include "ui/ListaScripts.h"
#include "ui/main/frmPrincipal.h"

#include <QAction>
#include <QDir>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QUrl>

namespace mdlSistema {

QString FiltroQt(const QString &Filtro) {
    QStringList partes = Filtro.split(QLatin1Char('|'));
    if (!partes.isEmpty() && partes.back().isEmpty())
        partes.removeLast();
    QStringList filtros;
    for (int i = 0; i + 1 < partes.size(); i += 2) {
        QString desc = partes[i];
        const QString patron = QString(partes[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the pattern from the parentheses; a description that already shows it is kept.
        if (!desc.contains(QLatin1Char('(')))
            desc += QStringLiteral(" (") + patron + QLatin1Char(')');
        else
            desc = desc.left(desc.indexOf(QLatin1Char('('))).trimmed() + QStringLiteral(" (") + patron +
                   QLatin1Char(')');
        filtros.append(desc);
    }
    return filtros.join(QStringLiteral(";;"));
}

QString AbrirArchivo(QWidget *frm, const QString &Filtro, const QString &Titulo, const QString &DirInicial) {
    QFileDialog dialogo(frm, Titulo, DirInicial, FiltroQt(Filtro));
    dialogo.setObjectName(QStringLiteral("dlgAbrir"));
    dialogo.setFileMode(QFileDialog::ExistingFile);
    dialogo.setAcceptMode(QFileDialog::AcceptOpen);
    if (mensajes::Ejecutar(dialogo) != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return QString();
    return dialogo.selectedFiles().constFirst().trimmed();
}

QString GuardarArchivo(QWidget *frm, const QString &Filtro, const QString &Titulo, const QString &Inicial) {
    QFileDialog dialogo(frm, Titulo, Inicial, FiltroQt(Filtro));
    dialogo.setObjectName(QStringLiteral("dlgGuardar"));
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog's own question would bypass the message helper: the program asks it instead.
    dialogo.setOption(QFileDialog::DontConfirmOverwrite);
    dialogo.selectFile(Inicial);
    if (mensajes::Ejecutar(dialogo) != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return QString();
    const QString ruta = dialogo.selectedFiles().constFirst();
    if (QFileInfo::exists(ruta) &&
        !mensajes::Preguntar(frm,
                             QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?\n"
                                            "(No, Esc o cerrar este aviso: no se escribe nada.)")
                                 .arg(QDir::toNativeSeparators(ruta)),
                             Titulo))
        return QString();
    return ruta;
}

QString ElegirCarpeta(QWidget *frm, const QString &Titulo, const QString &Inicial) {
    QFileDialog dialogo(frm, Titulo, Inicial);
    dialogo.setObjectName(QStringLiteral("dlgCarpeta"));
    dialogo.setFileMode(QFileDialog::Directory);
    dialogo.setOption(QFileDialog::ShowDirsOnly);
    if (mensajes::Ejecutar(dialogo) != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return QString();
    return dialogo.selectedFiles().constFirst();
}

bool Ejecutar(const QString &Operacion, const QString &Archivo, const QString &, const QString &, int) {
    if (Operacion != QLatin1String("open") || Archivo.isEmpty())
        return false;
    const QUrl url = Archivo.contains(QStringLiteral("://")) || Archivo.startsWith(QStringLiteral("mailto:"))
                         ? QUrl(Archivo)
                         : QUrl::fromLocalFile(QFileInfo(Archivo).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

} // namespace mdlSistema
