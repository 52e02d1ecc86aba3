// Aceptar: the fields checked against what the category file can hold, then added or replaced in
// the list.
#include "core/Cp1252.h"
#include "format/Etiquetas.h"
#include "ui/Mensajes.h"
#include "ui/editor/EditorCodigo.h"
#include "ui/editor/frmScript.h"
#include "ui/ListaScripts.h"
#include "ui/Principal.h"

#include <QLineEdit>
#include <array>

namespace {
// Leading and trailing spaces only: tabs and other blanks are part of the text.
QString SinEspacios(const QString &t) {
    qsizetype i = 0, j = t.size();
    while (i < j && t[i] == QLatin1Char(' '))
        ++i;
    while (j > i && t[j - 1] == QLatin1Char(' '))
        --j;
    return t.mid(i, j - i);
}

QString NombreODescripcion(const QString &t) {
    return SinEspacios(t).replace(QLatin1Char('"'), QLatin1Char(' '));
}
} // namespace

namespace {
struct Campo {
    QString texto;
    const char *donde; // where a refused character is, for a one-line field
};

std::array<Campo, 4> Campos(const frmScript &f) {
    return std::array<Campo, 4>{Campo{f.txtNombre->text(), "en el nombre"}, Campo{f.txtDes->text(), "en la descripción"},
                                Campo{f.txtPuntaje->text(), "en el puntaje"}, Campo{f.textoCodigo(), nullptr}};
}

// Whether Windows-1252 refuses a character of the fields that is not a pasted zero-width mark:
// those alone are offered for removal, not a change of encoding.
bool PideUnicode(const std::array<Campo, 4> &campos) {
    bool algunoVisible = false, soloQuitables = true;
    for (const Campo &c : campos)
        for (const cp1252::Rechazado &r : cp1252::Rechazados(c.texto)) {
            algunoVisible = algunoVisible || !cp1252::EsQuitable(r.caracter);
            soloQuitables = soloQuitables && cp1252::EsQuitable(r.caracter);
        }
    return algunoVisible && !soloQuitables;
}

QMessageBox::StandardButton PreguntarUnicode(QWidget *ventana, const QString &categoria, const QString &titulo) {
    return mensajes::Mostrar(
        ventana,
        QStringLiteral("El script tiene caracteres que el archivo de la categoría %1 no puede guardar en "
                       "su codificación actual (Windows-1252).\n\n¿Desea guardar la categoría en Unicode "
                       "(UTF-8)? Así guardará cualquier carácter, pero las copias antiguas del programa "
                       "mostrarán mal esos caracteres.\n\nSí: la categoría se guardará en UTF-8. No: no se "
                       "guarda el script. Esc o cerrar: vuelve al script sin cambiar nada.")
            .arg(categoria),
        titulo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

// The characters of the fields the encoding cannot hold. Visible ones are shown as they are;
// invisible ones by their code and where they are, or the user could not find them.
struct Rechazos {
    QStringList visibles, invisibles;
    bool quitables = false; // some are zero-width marks, which can simply go
};

Rechazos Rechazados(codificacion::Tipo tipo, const std::array<Campo, 4> &campos) {
    Rechazos rz;
    for (const Campo &c : campos) {
        for (const cp1252::Rechazado &r : codificacion::Rechazados(tipo, c.texto)) {
            if (!cp1252::EsInvisible(r.caracter)) {
                const QString t = QString::fromUcs4(&r.caracter, 1);
                if (!rz.visibles.contains(t))
                    rz.visibles << t;
                continue;
            }
            rz.quitables = rz.quitables || cp1252::EsQuitable(r.caracter);
            const QString codigo = QStringLiteral("U+%1").arg(uint(r.caracter), 4, 16, QLatin1Char('0')).toUpper();
            rz.invisibles << codigo + QLatin1Char(' ') +
                                 (c.donde ? QString::fromUtf8(c.donde) : QStringLiteral("en la línea %1").arg(r.linea));
        }
    }
    return rz;
}
} // namespace

bool frmScript::Representables(const QString &titulo) {
    const codificacion::Tipo tipo = p_.categoria().codificacion();
    const QString categoria = p_.categoria().nombre();
    // Whatever Windows-1252 cannot hold UTF-8 can: the user is asked once per category whether to
    // store it so. Pasted zero-width marks are offered for removal first, as they mean nothing.
    if (tipo == codificacion::Tipo::Cp1252 && !p_.sinUnicode.contains(categoria) &&
        PideUnicode(Campos(*this))) {
        // Esc and the close box keep the category as it is and the window open, with nothing lost.
        const auto r = PreguntarUnicode(this, categoria, titulo);
        if (r == QMessageBox::Yes) {
            p_.categoria().FijarCodificacion(codificacion::Tipo::Utf8);
            return Representables(titulo);
        }
        if (r != QMessageBox::No)
            return false;
        p_.sinUnicode.insert(categoria);
    }
    const Rechazos rz = Rechazados(tipo, Campos(*this));
    if (rz.visibles.isEmpty() && rz.invisibles.isEmpty())
        return true;
    QString lista = rz.visibles.join(QLatin1Char(' '));
    if (!rz.invisibles.isEmpty())
        lista += (lista.isEmpty() ? QString() : QStringLiteral(", ")) + rz.invisibles.join(QStringLiteral(", "));
    const QString texto = QStringLiteral("Estos caracteres no se pueden guardar en el archivo de la categoría: %1\n")
                              .arg(lista);
    if (!rz.quitables) {
        mensajes::Aviso(this, texto + QStringLiteral("Quítelos o cámbielos por otros y vuelva a aceptar."), titulo);
        return false;
    }
    // Zero-width spaces and byte-order marks come with pasted text and mean nothing: one answer removes them.
    if (mensajes::Mostrar(this,
                          texto + QStringLiteral("¿Quitar los espacios de ancho cero y las marcas de orden de bytes?"),
                          titulo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    txtNombre->setText(cp1252::SinQuitables(txtNombre->text()));
    txtDes->setText(cp1252::SinQuitables(txtDes->text()));
    txtPuntaje->setText(cp1252::SinQuitables(txtPuntaje->text()));
    txtCodigo->setText(cp1252::SinQuitables(textoCodigo()));
    return Representables(titulo);
}

void frmScript::Normalizar() {
    txtNombre->setText(NombreODescripcion(txtNombre->text()));
    txtDes->setText(NombreODescripcion(txtDes->text()));
}

void frmScript::Agregar() {
    QStringList vacios;
    for (const auto &[texto, nombre] : {std::pair{txtNombre->text(), "Nombre"}, std::pair{txtDes->text(), "Descripción"},
                                        std::pair{txtPuntaje->text(), "Puntaje"}, std::pair{textoCodigo(), "Código"}})
        if (texto.isEmpty())
            vacios << QString::fromUtf8(nombre);
    if (!vacios.isEmpty()) {
        mensajes::Aviso(this,
                        QStringLiteral("Por favor, complete todos los campos. %1 %2.")
                            .arg(vacios.size() == 1 ? QStringLiteral("Falta:") : QStringLiteral("Faltan:"),
                                 vacios.join(QStringLiteral(", "))),
                        QStringLiteral("Agregar"));
        return;
    }
    if (!Representables(QStringLiteral("Agregar")))
        return;
    Normalizar();
    const Script s{txtNombre->text(), txtDes->text(), etiquetas::AAlmacen(textoCodigo()), txtPuntaje->text()};
    CategoriaAbierta &d = p_.categoria();
    d.Agregar(s);
    // Among equal names the first one is selected, as a search for the name would find it.
    int fila = d.cantidad() - 1;
    if (d.ordenado())
        for (int i = 0; i < d.cantidad(); ++i)
            if (d.script(i).Nombre == s.Nombre) {
                fila = i;
                break;
            }
    p_.SeleccionarFila(fila);
    done(QDialog::Accepted);
}

void frmScript::Editar() {
    const int f = p_.filaActual();
    if (f < 0) {
        done(QDialog::Rejected);
        return;
    }
    if (!Representables(QStringLiteral("Editar")))
        return;
    Normalizar();
    // The selection follows the script if it moves to its sorted place.
    p_.categoria().Reemplazar(
        f, {txtNombre->text(), txtDes->text(), etiquetas::AAlmacen(textoCodigo()), txtPuntaje->text()});
    done(QDialog::Accepted);
}
