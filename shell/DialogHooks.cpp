#include "shell/DialogHooks.h"

#include "core/WindowHooks.h"
#include "shell/frmError.h"
#include "shell/frmUpdate.h"

void InstallDialogHooks() {
    modGlobals::WindowHooks& hooks = modGlobals::Windows();
    hooks.showError = [](const QString& msg, int number, const QString& location) {
        frmError::ShowError(msg, number, location);
    };
    hooks.showUpdatePrompt = [] {
        frmUpdate form;
        form.exec();
        return form.bRet;
    };
}
