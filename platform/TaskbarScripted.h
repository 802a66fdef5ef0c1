#pragma once
// A Windows-style taskbar for tests and demonstrations: the taskbar window
// docked along one edge of the primary screen, its notification area at the
// far end, its rebar and, inside the rebar, the Quick Launch toolbar. It keeps
// the rectangles that the program moves, records every move, and sends the
// watched window's messages like the real taskbar: on request (SendMessage)
// and, as the system does, whenever the rebar itself is moved.
// It also answers the shell's folder and short-name questions of the Quick
// Launch set-up from folders the test chooses.
#include "platform/Taskbar.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSize>

namespace platform {

class ScriptedTaskbar : public Taskbar {
public:
    static constexpr WindowHandle kTray = 0x101;
    static constexpr WindowHandle kNotify = 0x102;
    static constexpr WindowHandle kReBar = 0x103;
    static constexpr WindowHandle kToolbar = 0x104;

    // Installs itself as the taskbar in use for its lifetime, docked along
    // `edge` with the given thickness in pixels.
    explicit ScriptedTaskbar(int edge = ABE_BOTTOM, int thickness = 30);
    ~ScriptedTaskbar() override;
    ScriptedTaskbar(const ScriptedTaskbar&) = delete;
    ScriptedTaskbar& operator=(const ScriptedTaskbar&) = delete;

    // Docks the taskbar along an edge of the primary screen and lays out the
    // notification area (`notifyLength` pixels along the bar) and the rebar as
    // the system does before the program touches them.
    void Dock(int edge, int thickness, int notifyLength = 120);

    // The model. Rectangles: taskbar and notification area in screen
    // pixels, the rebar relative to the taskbar, the toolbar to the rebar.
    QRect taskbarRect;
    int reportedEdge = ABE_BOTTOM;
    QRect notifyRect;
    QRect rebarRect;
    QRect toolbarRect;
    bool hasTaskbar = true;
    bool hasNotify = true;
    bool hasRebar = true;
    bool hasToolbar = true;

    // Every successful move of a foreign window, in order.
    struct Move {
        WindowHandle hwnd = 0;
        QRect rect; // relative to the parent
    };
    QList<Move> moves;
    // The rebar's latest move, or a null rect.
    QRect LastRebarMove() const;

    // Moving the rebar sends it the messages the system sends (changing,
    // non-client size, changed, move, size).
    bool echoRebarMoves = true;
    // The taskbar re-arranges its rebar on its own (rect relative to the
    // taskbar): windows docked inside follow, and the rebar gets the
    // messages of a move.
    void Rearrange(const QRect& rebar);
    // Sends one message to a window; it reaches the program's handler only
    // when that window is being watched.
    void SendMessage(int msg, WindowHandle hwnd = kReBar);
    // How often the watched window changed, and the last one chosen.
    int watchChanges = 0;
    WindowHandle lastWatched = 0;

    // Shell folders by number, and short names by long file name (the file
    // name part only); a file without an entry gets a generated 8.3 name.
    QMap<int, QString> shellFolders;
    QHash<QString, QString> shortNames;
    static QString GeneratedShortName(const QString& fileName);

    // Taskbar
    WindowHandle FindTopWindow(const QString& className) override;
    WindowHandle FindChildWindow(WindowHandle parent, const QString& className) override;
    bool TaskbarPos(QRect* rect, int* edge) override;
    QRect WindowRect(WindowHandle hwnd) override;
    bool MoveWindow(WindowHandle hwnd, const QRect& rect) override;
    QString ShellFolder(int csidl) override;
    QString ShortPathName(const QString& path) override;
    void WatchedWindowChanged(WindowHandle hwnd) override;

private:
    bool Exists(WindowHandle hwnd) const;
    int echoDepth_ = 0;
};

} // namespace platform
