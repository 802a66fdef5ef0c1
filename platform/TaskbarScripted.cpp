#include "platform/TaskbarScripted.h"

#include "platform/Twips.h"
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

namespace platform {

ScriptedTaskbar::ScriptedTaskbar(int edge, int thickness) {
    Dock(edge, thickness);
    SetTaskbar(this);
}

ScriptedTaskbar::~ScriptedTaskbar() {
    if (&taskbar() == this) {
        // Its windows go away with it: nothing may stay watched.
        if (Exists(WatchedWindow()))
            SetWatchedWindow(0);
        SetTaskbar(nullptr);
    }
}

void ScriptedTaskbar::Dock(int edge, int thickness, int notifyLength) {
    const QRect s = ScreenRect();
    reportedEdge = edge;
    switch (edge) {
    case ABE_LEFT:
        taskbarRect = QRect(s.left(), s.top(), thickness, s.height());
        break;
    case ABE_TOP:
        taskbarRect = QRect(s.left(), s.top(), s.width(), thickness);
        break;
    case ABE_RIGHT:
        taskbarRect = QRect(s.left() + s.width() - thickness, s.top(), thickness, s.height());
        break;
    default:
        taskbarRect = QRect(s.left(), s.top() + s.height() - thickness, s.width(), thickness);
        break;
    }
    const bool vertical = edge == ABE_LEFT || edge == ABE_RIGHT;
    const int right = taskbarRect.x() + taskbarRect.width();
    const int bottom = taskbarRect.y() + taskbarRect.height();
    if (vertical) {
        notifyRect =
            QRect(taskbarRect.x() + 2, bottom - notifyLength - 2, thickness - 4, notifyLength);
        rebarRect = QRect(0, 22, taskbarRect.width() - 8, bottom - notifyLength - 22);
        toolbarRect = QRect(0, 0, rebarRect.width(), 60);
    } else {
        notifyRect =
            QRect(right - notifyLength - 2, taskbarRect.y() + 2, notifyLength, thickness - 4);
        rebarRect = QRect(58, 0, right - notifyLength - 58, taskbarRect.height() - 8);
        toolbarRect = QRect(0, 0, 80, rebarRect.height());
    }
    if (&taskbar() == this)
        FollowForeignParents();
}

QRect ScriptedTaskbar::LastRebarMove() const {
    for (auto it = moves.crbegin(); it != moves.crend(); ++it)
        if (it->hwnd == kReBar)
            return it->rect;
    return {};
}

void ScriptedTaskbar::Rearrange(const QRect& rebar) {
    rebarRect = rebar;
    if (&taskbar() == this)
        FollowForeignParents();
    for (const int msg :
         {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE})
        SendMessage(msg);
}

void ScriptedTaskbar::SendMessage(int msg, WindowHandle hwnd) {
    if (Exists(hwnd))
        DeliverMessage(hwnd, msg);
}

QString ScriptedTaskbar::GeneratedShortName(const QString& fileName) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString base = dot > 0 ? fileName.left(dot) : fileName;
    QString ext = dot > 0 ? fileName.mid(dot + 1) : QString();
    static const QRegularExpression invalid(QStringLiteral("[^A-Za-z0-9_~!#$%&'()@^{}-]"));
    const QString cleanBase = base.toUpper().remove(invalid);
    const QString cleanExt = ext.toUpper().remove(invalid).left(3);
    const bool fits = cleanBase.size() == base.size() && base.size() <= 8 && !base.isEmpty() &&
                      cleanExt.size() == ext.size();
    const QString shortBase = fits ? cleanBase : cleanBase.left(6) + QStringLiteral("~1");
    return cleanExt.isEmpty() ? shortBase : shortBase + QLatin1Char('.') + cleanExt;
}

bool ScriptedTaskbar::Exists(WindowHandle hwnd) const {
    switch (hwnd) {
    case kTray:
        return hasTaskbar;
    case kNotify:
        return hasTaskbar && hasNotify;
    case kReBar:
        return hasTaskbar && hasRebar;
    case kToolbar:
        return hasTaskbar && hasRebar && hasToolbar;
    default:
        return false;
    }
}

WindowHandle ScriptedTaskbar::FindTopWindow(const QString& className) {
    if (className == QLatin1String("Shell_TrayWnd") && Exists(kTray))
        return kTray;
    return 0;
}

WindowHandle ScriptedTaskbar::FindChildWindow(WindowHandle parent, const QString& className) {
    WindowHandle found = 0;
    if (parent == kTray && className == QLatin1String("TrayNotifyWnd"))
        found = kNotify;
    else if (parent == kTray && className == QLatin1String("ReBarWindow32"))
        found = kReBar;
    else if (parent == kReBar && className == QLatin1String("ToolbarWindow32"))
        found = kToolbar;
    return Exists(found) ? found : 0;
}

bool ScriptedTaskbar::TaskbarPos(QRect* rect, int* edge) {
    if (!hasTaskbar)
        return false;
    *rect = taskbarRect;
    *edge = reportedEdge;
    return true;
}

QRect ScriptedTaskbar::WindowRect(WindowHandle hwnd) {
    if (!Exists(hwnd))
        return {};
    switch (hwnd) {
    case kTray:
        return taskbarRect;
    case kNotify:
        return notifyRect;
    case kReBar:
        return rebarRect.translated(taskbarRect.topLeft());
    case kToolbar:
        return toolbarRect.translated(WindowRect(kReBar).topLeft());
    default:
        return {};
    }
}

bool ScriptedTaskbar::MoveWindow(WindowHandle hwnd, const QRect& rect) {
    if (!Exists(hwnd))
        return false;
    switch (hwnd) {
    case kTray:
        taskbarRect = rect;
        break;
    case kNotify:
        notifyRect = rect.translated(taskbarRect.topLeft());
        break;
    case kReBar:
        rebarRect = rect;
        break;
    case kToolbar:
        toolbarRect = rect;
        break;
    default:
        break;
    }
    moves.append({hwnd, rect});
    // The system tells a moved window about it at once; a handler that moves
    // the rebar again from inside would recurse for ever, so a depth guard
    // stands in for the system's own limit.
    if (hwnd == kReBar && echoRebarMoves && echoDepth_ < 8) {
        ++echoDepth_;
        for (const int msg :
             {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE})
            DeliverMessage(kReBar, msg);
        --echoDepth_;
    }
    return true;
}

QString ScriptedTaskbar::ShellFolder(int csidl) {
    return shellFolders.value(csidl);
}

QString ScriptedTaskbar::ShortPathName(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    const QString name = info.fileName();
    const QString shortName = shortNames.value(name, GeneratedShortName(name));
    return info.path() + QLatin1Char('/') + shortName;
}

void ScriptedTaskbar::WatchedWindowChanged(WindowHandle hwnd) {
    ++watchChanges;
    lastWatched = hwnd;
}

} // namespace platform
