#pragma once
// The ways a desktop session ends a program without asking it: SIGTERM (the
// session's end, `kill`), SIGHUP (the terminal or the login gone) and SIGINT,
// which would end the process at once, and the X server going away, on which
// Qt's xcb plugin ends the process with exit(1) from inside its event
// dispatch, before any Qt signal (aboutToQuit, lastWindowClosed) could run.
// Both give the program a last moment to do what its own Close does.
#include <functional>

namespace platform {

// From now on those signals call `end` on the interface thread, through the
// event loop (the handler only writes to a pipe). Once `end` is called the
// process has limitSeconds in all, whatever `end` waits for; `end` is
// expected to end the process itself.
void WatchEndSignals(std::function<void()> end, int limitSeconds);

// While the event loop runs, an exit() from inside it is the display gone:
// `end` runs then, on the way out, within limitSeconds. It must not run the
// event loop (the broken connection would end the process again) nor touch
// a window. ExitExpected() (after the event loop returned) disarms it.
void WhenDisplayLost(std::function<void()> end, int limitSeconds);
void ExitExpected();

} // namespace platform
