#include "platform/SessionEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int g_pipe[2] = {-1, -1};
std::function<void()> g_end;
int g_limitSeconds = 5;
bool g_ending = false;

std::function<void()> g_displayLost;
int g_displayLimitSeconds = 5;
bool g_exitExpected = true;

void OnSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    (void)!::write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Whatever the end waits for (a server that accepts and never answers, a
// disk that hangs), the process goes when the time is up.
void Deadline(int seconds) {
    std::signal(SIGALRM, SIG_DFL);
    ::alarm(static_cast<unsigned>(seconds));
}

void RunEnd() {
    if (g_ending)
        return;
    g_ending = true;
    g_exitExpected = true; // the end's own exit is no lost display
    Deadline(g_limitSeconds);
    if (g_end)
        g_end();
}

void AtExit() {
    if (g_exitExpected || !g_displayLost)
        return;
    g_exitExpected = true;
    Deadline(g_displayLimitSeconds);
    g_displayLost();
}

} // namespace

void WatchEndSignals(std::function<void()> end, int limitSeconds) {
    g_end = std::move(end);
    g_limitSeconds = limitSeconds;
    if (g_pipe[0] >= 0)
        return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        RunEnd();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

void WhenDisplayLost(std::function<void()> end, int limitSeconds) {
    static bool registered = false;
    g_displayLost = std::move(end);
    g_displayLimitSeconds = limitSeconds;
    g_exitExpected = false;
    if (!registered) {
        registered = true;
        std::atexit(AtExit);
    }
}

void ExitExpected() {
    g_exitExpected = true;
}

} // namespace platform
