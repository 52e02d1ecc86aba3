#pragma once
// One logging category per area. Warnings always reach standard error (and the journal, where the
// session sends it there); detail is switched on the usual Qt way, for instance
// QT_LOGGING_RULES="rutinero.sincronizacion.debug=true".
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcArchivos)
Q_DECLARE_LOGGING_CATEGORY(lcHistorial)
Q_DECLARE_LOGGING_CATEGORY(lcSincronizacion)
// The desktop keyring, where the sync's tokens are kept.
Q_DECLARE_LOGGING_CATEGORY(lcLlavero)
Q_DECLARE_LOGGING_CATEGORY(lcIndice)
Q_DECLARE_LOGGING_CATEGORY(lcInstancia)
Q_DECLARE_LOGGING_CATEGORY(lcSenales)
// The editors' side: the language server and the snippet files.
Q_DECLARE_LOGGING_CATEGORY(lcEditores)
