#include "core/Registro.h"

Q_LOGGING_CATEGORY(lcArchivos, "rutinero.archivos", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHistorial, "rutinero.historial", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSincronizacion, "rutinero.sincronizacion", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLlavero, "rutinero.llavero", QtInfoMsg)
Q_LOGGING_CATEGORY(lcIndice, "rutinero.indice", QtInfoMsg)
Q_LOGGING_CATEGORY(lcInstancia, "rutinero.instancia", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSenales, "rutinero.senales", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEditores, "rutinero.editores", QtInfoMsg)
