#pragma once
// The small progress window that the Quick Launch set-up shows while it
// reconfigures the taskbar: a text above a progress bar, framed, without a
// title bar, centred on the screen. It has no behaviour of its own; the core
// drives it through windows::dialogs() (ShellDialogs, shell/DialogHooks.h).
#include <QFrame>

class QLabel;
class QProgressBar;

class frmMessage : public QFrame {
    Q_OBJECT
public:
    static frmMessage& Get();
    static frmMessage* Loaded();
    static void Unload();

    QLabel* lblMessage = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

private:
    frmMessage();
};
