#pragma once
#include <QString>
#include <QStringList>

// Sending a category by e-mail. The program has no mail protocol of its own: it composes the message
// and hands it to the desktop's mail composer, which shows it to the user to send.
namespace correo {

struct Mensaje {
    QString para; // recipient's address, not validated
    QString asunto;
    QString cuerpo;  // lines end in CR LF
    QString adjunto; // full path of the category file
};

// The message for the category `categoria` sent by `de` to `para`; `rutaAdjunto` is its file.
Mensaje Componer(const QString &para, const QString &de, const QString &categoria,
                 const QString &rutaAdjunto);

// The arguments of xdg-email for the message. An address that xdg-email would not take as a plain
// recipient (no '@', or starting like an option or a mailto: URI) goes through --to, which encodes it,
// so that no typed text can become an option or a part of the mail URI.
QStringList ArgumentosXdgEmail(const Mensaje &m);

// Where a composed message goes. The program uses the desktop's composer; tests record the message.
class Envio {
  public:
    virtual ~Envio() = default;
    // Failures are silent: a missing mail client leaves nothing to report.
    virtual void Enviar(const Mensaje &m) = 0;
};

// Starts xdg-email detached, so the program never waits for the mail client.
class EnvioEscritorio : public Envio {
  public:
    void Enviar(const Mensaje &m) override;
};

} // namespace correo
