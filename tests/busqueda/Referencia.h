#pragma once
// The search by its rules, written apart from the program's, over what the files hold; and random
// libraries and queries to hold the index to it.
#include "AyudasNucleo.h"
#include "search/Busqueda.h"
#include "search/IndiceBiblioteca.h"
#include "core/Cp1252.h"
#include "format/mdlScripts.h"
#include "search/Trigramas.h"

#include <QDir>
#include <sqlite3.h>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {
using ayudas::Registro;
using Lugar = QPair<QString, int>; // category, record number

// Folding written apart from the program's: canonical decomposition without its marks, then lower case.
inline QString PlegarRef(const QString &t) {
    QString r;
    for (QChar c : t.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            r += c;
    return r.toLower();
}

// A tag as the rules say, by a pattern: '#' at the start or after a space, then letters, digits,
// marks, '-', '_', '+' and '.', without the dots that end it.
inline const QRegularExpression kEtiquetaRef(QStringLiteral(R"((?:^|(?<=\s))#([\p{L}\p{N}\p{M}_+.\-]*[\p{L}\p{N}\p{M}_+\-]))"));
inline QStringList EtiquetasRef(const QString &plegada) {
    QStringList r;
    for (auto it = kEtiquetaRef.globalMatch(plegada); it.hasNext();)
        r << it.next().captured(1);
    return r;
}
// A query's word that is a tag term: '#', a name, and maybe the dots of a sentence; gives the name.
inline bool TerminoRef(const QString &palabra, QString &nombre) {
    static const QRegularExpression termino(QStringLiteral(R"(\A#([\p{L}\p{N}\p{M}_+.\-]*[\p{L}\p{N}\p{M}_+\-])\.*\z)"));
    const QRegularExpressionMatch m = termino.match(palabra);
    nombre = m.captured(1);
    return m.hasMatch();
}

// The search by its rules, over what the files hold: every word in one field (the code with real
// quotes), every tag term among the description's tags; more words in the name first, then in the
// description, then category and place.
struct Referencia {
    QVector<Lugar> lugares;
    int total = 0;
};
inline Referencia Buscar(const QString &carpeta, const QString &consulta) {
    QStringList palabras;
    for (QString p : PlegarRef(consulta).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
        QString nombre;
        if (TerminoRef(p, nombre))
            p = '#' + nombre;
        if (!palabras.contains(p))
            palabras << p;
    }
    struct Uno {
        int nombre, desc;
        QString cat;
        int pos;
    };
    QVector<Uno> hallados;
    if (palabras.isEmpty())
        return {};
    for (const QString &archivo : QDir(carpeta).entryList({"*.rtn"}, QDir::Files)) {
        const QString cat = archivo.chopped(4);
        if (cat.contains('.'))
            continue;
        QVector<Script> scripts;
        mdlScripts::LeerArchivo(carpeta + '/' + archivo, scripts);
        for (int i = 0; i < scripts.size(); ++i) {
            const QString n = PlegarRef(scripts[i].Nombre), d = PlegarRef(scripts[i].Descripcion);
            const QString c = PlegarRef(QString(scripts[i].Codigo).replace("*RTN*", "\""));
            Uno u{0, 0, cat, i};
            bool todas = true;
            const QStringList etiquetas = EtiquetasRef(d);
            for (const QString &p : palabras) {
                QString nombre;
                if (TerminoRef(p, nombre)) {
                    u.desc += etiquetas.contains(nombre);
                    todas = todas && etiquetas.contains(nombre);
                    continue;
                }
                u.nombre += n.contains(p);
                u.desc += d.contains(p);
                todas = todas && (n.contains(p) || d.contains(p) || c.contains(p));
            }
            if (todas)
                hallados << u;
        }
    }
    std::sort(hallados.begin(), hallados.end(), [](const Uno &a, const Uno &b) {
        if (a.nombre != b.nombre)
            return a.nombre > b.nombre;
        if (a.desc != b.desc)
            return a.desc > b.desc;
        if (const int c = a.cat.compare(b.cat, Qt::CaseInsensitive))
            return c < 0;
        if (a.cat != b.cat)
            return a.cat < b.cat;
        return a.pos < b.pos;
    });
    Referencia r;
    r.total = hallados.size();
    for (const Uno &u : hallados)
        r.lugares << Lugar{u.cat, u.pos};
    return r;
}

inline QVector<Lugar> Lugares(const biblioteca::Respuesta &r) {
    QVector<Lugar> v;
    for (const biblioteca::Hallazgo &h : r.hallazgos)
        v << Lugar{h.categoria, h.posicion};
    return v;
}

// Windows-1252 text with accents, capitals, the bytes 0x80..0x9F and spaces; sometimes empty.
inline const QByteArray kLetras = "abcdeinorstuvAEIOU \xe1\xe9\xed\xf3\xfa\xf1\xc1\xc9\xd1\xfc\xdc\xe7\x80\x8a\x9a\x9f\xff";
inline QByteArray Texto(QRandomGenerator &r, int maximo, bool codigo) {
    QByteArray t;
    const int n = r.bounded(maximo + 1);
    for (int i = 0; i < n; ++i) {
        const int k = r.bounded(40);
        if (codigo && k == 0)
            t += "*RTN*";
        else if (codigo && k == 1)
            t += "\r\n";
        else
            t += kLetras[r.bounded(int(kLetras.size()))];
    }
    return t;
}

// A library of categories with random scripts; gives a few of its texts to build queries from.
inline QList<QByteArray> Biblioteca(ayudas::Carpeta &c, quint32 semilla,
                                    const QStringList &nombres = {"Menus", "menus2", QString::fromUtf8("Árbol"),
                                                                  "arbol", "Zeta", "vacia"},
                                    int maximo = 25) {
    QRandomGenerator r(semilla);
    QList<QByteArray> textos;
    for (const QString &cat : nombres) {
        QByteArray datos;
        const int n = cat == "vacia" ? 0 : 1 + r.bounded(maximo);
        for (int i = 0; i < n; ++i) {
            const QByteArray nombre = Texto(r, 12, false), desc = Texto(r, 30, false), codigo = Texto(r, 120, true);
            datos += Registro(nombre, desc, codigo, QByteArray::number(r.bounded(11)));
            textos << nombre << desc << codigo;
        }
        c.categoria(cat, datos);
    }
    return textos;
}

// A query from the library's own texts: pieces of 1 to 8 letters, one or two of them, with case and
// accents changed, so that most find something.
inline QString Consulta(QRandomGenerator &r, const QList<QByteArray> &textos) {
    QStringList palabras;
    const int cuantas = 1 + r.bounded(2);
    for (int k = 0; k < cuantas; ++k) {
        const QString t = cp1252::Decodificar(textos[r.bounded(int(textos.size()))])
                              .replace("*RTN*", "\"")
                              .simplified()
                              .remove(' ');
        if (t.isEmpty())
            continue;
        const int largo = 1 + r.bounded(8);
        QString p = t.mid(r.bounded(int(t.size())), largo);
        if (r.bounded(2))
            p = p.toUpper();
        p.replace('a', QChar(0xC1)).replace('o', QChar(0xF6));
        palabras << p;
    }
    return palabras.join(' ');
}

inline QString RutaIndice(const ayudas::Carpeta &c) { return c.estado.carpetaPreferencias() + "/indice.db"; }
// One number from the index's file, as another program reads it (-1 where it cannot); `parametro`
// is bound to the statement's `?`.
inline int Numero(const QString &ruta, const char *sql, const QByteArray &parametro = {}) {
    sqlite3 *db = nullptr;
    sqlite3_stmt *st = nullptr;
    int n = -1;
    if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        biblioteca::RegistrarTrigramas(db) && sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        if (!parametro.isNull())
            sqlite3_bind_text(st, 1, parametro.constData(), int(parametro.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}
// How many scripts the full-text table says hold a trigram: what a script that left still leaves behind.
inline int ConTrigrama(const QString &ruta, const QByteArray &trigrama) {
    return Numero(ruta, "SELECT count(*) FROM texto WHERE texto MATCH ?", '"' + trigrama + '"');
}
// The index made and brought up to the folder's files: how many categories it read (-1: not made).
inline int Indexar(biblioteca::Indice &indice, const QString &carpeta) {
    return indice.AbrirParaEscribir() ? int(indice.Actualizar(carpeta).size()) : -1;
}
} // namespace
