#include "platform/LinkWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

namespace {

class LinkWorker {
public:
    LinkWorker() : thread_([this] { Run(); }) { thread_.detach(); }

    void Post(std::function<void()> job) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }

private:
    [[noreturn]] void Run() {
        while (true) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return !jobs_.empty(); });
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::thread thread_;
};

} // namespace

void RunOnLinkWorker(std::function<void()> job) {
    // Never destroyed: the thread may still be ending a stopped exchange
    // when the process leaves, and nothing must be torn down under it.
    static LinkWorker* worker = new LinkWorker();
    worker->Post(std::move(job));
}

} // namespace platform
