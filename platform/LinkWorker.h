#pragma once
// The one thread that runs the interface thread's blocking exchanges with
// the server, one after another. It lives as long as the process: starting
// a thread for every request cost more than a small request itself, and a
// thread that stays keeps the connections its client can reuse.
#include <functional>

namespace platform {

// Queues `job` for the worker; jobs run in the order they were queued.
void RunOnLinkWorker(std::function<void()> job);

} // namespace platform
