#pragma once
// Hands the error dialog and the update prompt to the core (ShowError and the
// login's update offer), which cannot see the windows of this library.

// Sets modGlobals::Windows().showError and .showUpdatePrompt.
void InstallDialogHooks();
