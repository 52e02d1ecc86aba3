#pragma once
#include <QString>

class QWidget;

// Platform services that involve windows or the desktop.
namespace mdlSistema {
// The platform's open-file dialog. Filtro is "desc|pattern|desc|pattern"; the result is the chosen
// path, or the empty text when cancelled.
QString AbrirArchivo(QWidget *frm, const QString &Filtro, const QString &Titulo, const QString &DirInicial);
// The platform's save-file dialog, starting with `Inicial` (a path); the chosen path, or the empty
// text when cancelled.
QString GuardarArchivo(QWidget *frm, const QString &Filtro, const QString &Titulo, const QString &Inicial);
// The platform's folder dialog, starting at `Inicial`; the chosen folder, or the empty text when
// cancelled.
QString ElegirCarpeta(QWidget *frm, const QString &Titulo, const QString &Inicial);
// Converts a "desc|pattern|" filter into Qt's "desc (pattern);;..." form.
QString FiltroQt(const QString &Filtro);
// Hands a web address or a file to the desktop's default handler. Only the "open" verb exists.
// False when no program took it.
bool Ejecutar(const QString &Operacion, const QString &Archivo, const QString &Parametros = QString(),
              const QString &Directorio = QString(), int Modo = 1);
} // namespace mdlSistema
