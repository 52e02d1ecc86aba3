// The code out of the window: to the clipboard, a printer or PDF file, and the exported preview.
#include "core/Archivos.h"
#include "core/Exportar.h"
#include "core/Registro.h"
#include "core/mdlSistema.h"
#include "format/Categorias.h"
#include "format/Lenguaje.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/frmCampos.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"
#include "ui/mdlSistemaVista.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

void frmScript::CopiarCodigo() {
    // Fill-in fields are asked for first; Esc there leaves the clipboard as it was.
    const std::optional<QString> texto = portapapeles::Preparar(this, textoCodigo());
    if (!texto)
        return;
    QClipboard *destino = QGuiApplication::clipboard();
    destino->clear();
    txtCodigo->setFocus();
    txtCodigo->selectAll(true);
    destino->setText(*texto);
    p_.MostrarEnEstado(portapapeles::Copiado(txtNombre->text()), 5000);
}

void frmScript::ImprimirEnPdf() {
    qCWarning(lcArchivos) << "no printer installed: printing offered to a PDF file";
    // Esc and the close box print nothing.
    if (mensajes::Mostrar(this,
                          QStringLiteral("No hay ninguna impresora instalada. ¿Desea imprimir el script en un archivo "
                                         "PDF?\n\nEsc o cerrar: no se imprime nada."),
                          QStringLiteral("Imprimir"), QMessageBox::Question,
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const QString nombre = categorias::Filtrar(txtNombre->text()).trimmed();
    QFileDialog dialogo(this, QStringLiteral("Imprimir en un archivo PDF"),
                        QDir::home().filePath((nombre.isEmpty() ? QStringLiteral("script") : nombre) +
                                              QStringLiteral(".pdf")),
                        QStringLiteral("Documentos PDF (*.pdf)"));
    dialogo.setObjectName(QStringLiteral("dlgPdf"));
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setDefaultSuffix(QStringLiteral("pdf"));
    if (mensajes::Ejecutar(dialogo) != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return;
    const QString ruta = dialogo.selectedFiles().constFirst();
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setOutputFormat(QPrinter::PdfFormat);
    impresora.setOutputFileName(ruta);
    impresora.setDocName(txtNombre->text());
    if (ImprimirEn(impresora).isEmpty()) {
        qCWarning(lcArchivos) << "PDF not written:" << ruta;
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo escribir el archivo PDF %1.").arg(QDir::toNativeSeparators(ruta)),
                        QStringLiteral("Imprimir"));
        return;
    }
    p_.MostrarEnEstado(QStringLiteral("Script impreso en %1.").arg(QDir::toNativeSeparators(ruta)), 5000);
}

QStringList frmScript::lineasImpresion() const {
    QStringList lineas{QStringLiteral("Nombre: ") + txtNombre->text(),
                       QStringLiteral("Descripción: ") + txtDes->text(), QStringLiteral(" ")};
    lineas += textoCodigo().split(QLatin1Char('\n'));
    return lineas;
}

QStringList frmScript::ImprimirEn(QPrinter &impresora) {
    QPainter pintor;
    if (!pintor.begin(&impresora))
        return {};
    pintor.setFont(QFont(QStringLiteral("Arial"), 12));
    const int ancho = impresora.width();
    const int alto = impresora.height();
    const int interlinea = pintor.fontMetrics().lineSpacing();
    constexpr int kBanderas = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft | Qt::AlignTop;
    QStringList impresas;
    int y = 0;
    for (const QString &linea : lineasImpresion()) {
        // A line wider than the page wraps instead of being cut at its edge.
        const QRect medida = pintor.boundingRect(QRect(0, 0, ancho, alto), kBanderas, linea);
        const int h = std::max(interlinea, medida.height());
        if (y > 0 && y + h > alto) {
            if (!impresora.newPage())
                break;
            y = 0;
        }
        pintor.drawText(QRect(0, y, ancho, h), kBanderas, linea);
        impresas << linea;
        y += h;
    }
    pintor.end();
    return impresas;
}

void frmScript::ImprimirScript() {
    const QPrinterInfo predeterminada = QPrinterInfo::defaultPrinter();
    if (predeterminada.isNull()) {
        ImprimirEnPdf();
        return;
    }
    QPrinter impresora(predeterminada);
    impresora.setDocName(txtNombre->text());
    ImprimirEn(impresora);
}

QString frmScript::ExtensionVistaPrevia() const {
    const Estado &e = p_.estado;
    const QString delLenguaje = lenguaje::Extension(txtCodigo->lenguaje());
    return e.ExtensionElegida || delLenguaje.isEmpty() ? e.Extension : delLenguaje;
}

void frmScript::ExportarScript() {
    const Estado &e = p_.estado;
    if (!mdlSistema::ExisteArchivo(e.carpetaExportar()))
        QDir().mkpath(e.carpetaExportar());
    const QString extension = ExtensionVistaPrevia();
    const QString ruta = exportar::RutaVistaPrevia(e.carpetaExportar(), extension);
    QString error;
    // A failed write must not open the previous preview as if it were this one.
    const QString pagina = exportar::Pagina(textoCodigo(), e.Tag) + QStringLiteral("\r\n");
    if (!archivos::Guardar(ruta, exportar::Bytes(pagina, p_.categoria().codificacion(), e.Tag != 0), &error)) {
        qCWarning(lcArchivos) << "preview not written:" << ruta << error;
        mensajes::Aviso(this,
                        QStringLiteral("No se pudo escribir la vista previa en %1: %2")
                            .arg(QDir::toNativeSeparators(ruta), error),
                        QStringLiteral("Exportar"));
        return;
    }
    if (!mdlSistema::Ejecutar(QStringLiteral("open"), ruta, QString(), QString(), 1)) {
        qCWarning(lcArchivos) << "no program opened the preview" << ruta;
        mensajes::Aviso(this,
                        QStringLiteral("La vista previa se guardó en %1, pero ningún programa pudo abrirla. Instale "
                                       "un navegador o asigne un programa a los archivos .%2.")
                            .arg(QDir::toNativeSeparators(ruta), exportar::ExtensionValida(extension)),
                        QStringLiteral("Exportar"));
    }
}
