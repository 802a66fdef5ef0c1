#include "shell/ShellHooks.h"

#include "platform/RequestWait.h"
#include "shell/frmButton.h"
#include "shell/frmLogin.h"

#include <QApplication>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include <memory>

namespace {

class LastWindowWatcher : public QObject {
public:
    explicit LastWindowWatcher(std::function<void()> quit) : quit_(std::move(quit)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Hide || type == QEvent::Destroy || type == QEvent::Close) &&
            watched->isWidgetType() && !pending_) {
            pending_ = true;
            platform::Defer(this, [this] {
                pending_ = false;
                if (!done_ && !frmButton::Loaded() && !AnyWindowShown()) {
                    done_ = true;
                    quit_();
                }
            });
        }
        return false;
    }

private:
    static bool AnyWindowShown() {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (const QWidget* w : windows) {
            const Qt::WindowType type = w->windowType();
            if (w->isVisible() && type != Qt::ToolTip && type != Qt::Popup)
                return true;
        }
        return false;
    }

    std::function<void()> quit_;
    bool pending_ = false;
    bool done_ = false;
};

std::unique_ptr<LastWindowWatcher> g_watcher;

} // namespace

void EndWhenLastWindowGone(std::function<void()> quit) {
    if (g_watcher) {
        qApp->removeEventFilter(g_watcher.get());
        g_watcher.reset();
    }
    if (!quit)
        return;
    g_watcher = std::make_unique<LastWindowWatcher>(std::move(quit));
    qApp->installEventFilter(g_watcher.get());
}

QWidget* ShellButton::Load() {
    return &frmButton::Get();
}

void ShellButton::Show() {
    frmButton& button = frmButton::Get();
    button.show();
    button.UpdatePosition();
}

void ShellButton::Activate() {
    if (frmButton* button = frmButton::Loaded(); button && button->isVisible()) {
        button->raise();
        button->activateWindow();
    }
}

void ShellButton::Unload() {
    frmButton::Unload();
}

void ShellButton::ResetTimer() {
    if (frmButton* button = frmButton::Loaded())
        button->ResetTimer();
}

void ShellButton::ResetNewsTimer() {
    if (frmButton* button = frmButton::Loaded())
        button->m_NewsTimer = 0;
}

void ShellButton::SetButtonFace(bool smallPicture, int widthTwips) {
    if (frmButton* button = frmButton::Loaded())
        button->SetButtonFace(smallPicture, widthTwips);
}

bool ShellButton::DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm) {
    frmButton* button = frmButton::Loaded();
    return button && button->DownloadNewIcon(URL, FileName, frm);
}

void ShellLogin::SetProgress(int value) {
    if (frmLogin* login = frmLogin::Loaded()) {
        login->ProgressBar1->setValue(value);
        login->repaint();
    }
}

void ShellLogin::SaveLoginLog() {
    if (frmLogin* login = frmLogin::Loaded())
        login->SaveLoginLog();
}

void ShellLogin::Unload() {
    frmLogin::Unload();
}
