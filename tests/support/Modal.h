#pragma once
// Acting on a window that a blocking call shows (a modal dialog's exec(), a
// pop-up menu's exec()) from inside the event loop that shows it.
//
// The callback records what it found and the test checks that after the
// blocking call has returned. A failed assertion inside the callback would
// only end the callback: the window would stay open, the blocking call would
// not return, and the test would hang until its time-out instead of failing.
// So a callback that does not find the window it expects dismisses whatever
// came up, and the test fails on what it recorded.
#include <functional>

class QWidget;

namespace testsupport {

// Runs `act` on the first modal window or pop-up menu that shows (looked for
// every 5 ms from the event loop).
void WhenShown(std::function<void(QWidget*)> act);

// Closes a window that a blocking call shows, so that the call returns: a
// dialog is rejected, anything else closed.
void Dismiss(QWidget* window);

} // namespace testsupport
