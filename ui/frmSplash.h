#pragma once
#include "core/Estado.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class frmPrincipal;

// The start window: shown while the preferences are read and the main window is built hidden.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(Estado &estado, QWidget *padre = nullptr);
    ~frmSplash() override;
    // Shows the splash, loads the preferences (which builds the main window) and starts the timer.
    void Startup();
    // The same loading without showing anything: the main window is built hidden and left to the
    // caller (a start for the quick search).
    void Cargar();
    frmPrincipal *principal() const { return principal_; }

    QLabel *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QTimer Timer1;

private:
    void Timer1_Timer();
    Estado &estado_;
    frmPrincipal *principal_ = nullptr;
};
