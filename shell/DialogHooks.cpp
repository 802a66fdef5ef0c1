#include "shell/DialogHooks.h"

#include "shell/frmAbout.h"
#include "shell/frmError.h"
#include "shell/frmMessage.h"
#include "shell/frmOptions.h"
#include "shell/frmRefer.h"
#include "shell/frmUpdate.h"

#include <QLabel>
#include <QProgressBar>

void ShellDialogs::ShowError(const QString& msg, int number, const QString& location) {
    frmError::ShowError(msg, number, location);
}

bool ShellDialogs::ShowUpdatePrompt() {
    frmUpdate form;
    form.exec();
    return form.bRet;
}

void ShellDialogs::ShowOptions() {
    frmOptions::ShowModeless();
}

void ShellDialogs::ShowRefer() {
    frmRefer::ShowModal();
}

void ShellDialogs::ShowAbout() {
    frmAbout::ShowModal();
}

void ShellDialogs::ShowMessageWindow(const QString& text) {
    frmMessage& form = frmMessage::Get();
    form.lblMessage->setText(text);
    form.show();
    form.raise();
    messageWait_ = std::make_unique<platform::WaitWindow>(&form);
    // The set-up blocks between its waits: paint now, not when it ends.
    form.repaint();
}

void ShellDialogs::SetMessageProgress(int maximum, int value) {
    if (frmMessage* form = frmMessage::Loaded()) {
        form->ProgressBar1->setRange(0, qMax(1, maximum));
        form->ProgressBar1->setValue(qBound(0, value, qMax(1, maximum)));
        form->repaint();
    }
}

void ShellDialogs::UnloadMessageWindow() {
    messageWait_.reset();
    frmMessage::Unload();
}
