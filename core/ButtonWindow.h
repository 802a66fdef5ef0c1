#pragma once
// The button window (frmButton) as start-up, the login, the placement and the
// menus drive it. The window lives in the shell, above this library; the
// shell's implementation (ShellButton in shell/ShellHooks.h) is installed at
// start by InstallWindows (app/). Until then, and in a core-only test, every
// member does nothing (and Load returns no window).
//
// The caller of SetButtonWindow keeps ownership of the implementation and
// must keep it alive while installed; nullptr returns to the do-nothing
// default. The window itself belongs to the shell.
#include <QString>

class QObject;
class QWidget;

namespace windows {

class ButtonWindow {
public:
    virtual ~ButtonWindow() = default;
    // Loads the window (its timers run from then on) and returns it; nullptr
    // when there is none. An implementation that cannot load it throws.
    virtual QWidget* Load() { return nullptr; }
    virtual void Show() {}
    // Brings it forward for a second start of the program.
    virtual void Activate() {}
    virtual void Unload() {}
    // Resets its idle minutes.
    virtual void ResetTimer() {}
    // Resets its news minutes.
    virtual void ResetNewsTimer() {}
    // Button placement: cmdGo shows the small (Quick Launch) or the big
    // picture and takes the given width in twips.
    virtual void SetButtonFace(bool /*smallPicture*/, int /*widthTwips*/) {}
    // The icon download queue (frmButton.DownloadNewIcon): fetch URL
    // ("/images/" & a plain file name, below gServerBase) into FileName
    // (images folder & that name); false when refused. When the queue runs
    // dry, each requesting window that still exists is refilled once through
    // its Q_INVOKABLE RefreshIcons() (repainted if it has none), which must
    // not append to the category log again.
    virtual bool DownloadNewIcon(const QString& /*URL*/, const QString& /*FileName*/,
                                 QObject* /*frm*/) {
        return false;
    }
};

ButtonWindow& button();
void SetButtonWindow(ButtonWindow* replacement);

} // namespace windows
