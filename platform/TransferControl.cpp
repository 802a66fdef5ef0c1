#include "platform/TransferControl.h"

#include "platform/PointerGrab.h"
#include "platform/RequestWait.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>

namespace platform {

namespace {

constexpr int kAsyncDeadlineMs = 600000;

// A redirect, "not found" or server error page is no answer, whatever its
// body says: a 500 reading "OK" must not count as a removal done.
void DropErrorPage(HttpResponse* response) {
    if (response->error == 0 && (response->status < 200 || response->status >= 300)) {
        response->body.clear();
        response->error = kInetInvalidResponse;
    }
}

} // namespace

struct TransferControl::Job {
    int id = 0;
    std::atomic<bool> cancel{false};
    Completion done;
};

TransferControl::TransferControl(QObject* parent)
    : QObject(parent), pool_(std::make_unique<QThreadPool>()) {
    // Its own threads rather than the shared pool: transfers that hang on a
    // slow server must not hold up every other user of the shared pool.
    pool_->setMaxThreadCount(8);
}

TransferControl::~TransferControl() {
    Cancel();
    // The workers post their outcome to this object; once they are done no
    // new post can arrive, and the ones already queued die with the object.
    pool_->waitForDone();
}

HttpResponse TransferControl::OpenSync(const QString& address, int deadlineMs, qint64 maxBody) {
    HttpRequest request;
    HttpResponse response;
    if (!ParseHttpAddress(address, &request)) {
        response.error = kInetNameNotResolved;
    } else {
        request.timeoutMs = timeoutMs_;
        // A server that trickles bytes would otherwise hold the caller for
        // as long as it keeps sending: small opens have a deadline, a large
        // download (an installer) goes on while it makes steady progress.
        request.deadlineMs = deadlineMs;
        if (deadlineMs <= 0) {
            request.stallMs = stallMs_;
            request.stallBytes = stallBytes_;
        }
        request.maxBodyBytes = maxBody;
        const GrabPause pause;
        response = FetchWaiting(request, [this](qint64 received) { emit Progress(received); });
    }
    DropErrorPage(&response);
    responseCode_ = response.error;
    statusCode_ = response.status;
    return response;
}

QString TransferControl::OpenURLText(const QString& address) {
    return QString::fromLatin1(OpenSync(address, textDeadlineMs_, kMaxReplyBytes).body);
}

QByteArray TransferControl::OpenURLBytes(const QString& address) {
    return OpenSync(address, bytesDeadlineMs_, byteOpenLimit_).body;
}

int TransferControl::Execute(const QString& address, const QString& operation,
                             const QByteArray& data, const QString& headers, Completion done) {
    auto job = std::make_shared<Job>();
    job->id = ++nextId_;
    job->done = std::move(done);
    active_.push_back(job);

    HttpRequest request;
    const bool parsed = ParseHttpAddress(address, &request);
    request.method = operation.trimmed().toUpper().toLatin1();
    if (request.method.isEmpty())
        request.method = "GET";
    request.body = data;
    request.timeoutMs = timeoutMs_;
    request.deadlineMs = bytesDeadlineMs_ > 0 ? bytesDeadlineMs_ : kAsyncDeadlineMs;
    for (const QString& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        request.headers << line.toLatin1();

    if (!parsed) {
        HttpResponse failed;
        failed.error = kInetNameNotResolved;
        // Reported later, as every outcome is: the caller has returned first.
        Defer(this, [this, job, failed] { Finish(job, failed); });
        return job->id;
    }
    pool_->start([this, job, request] {
        if (job->cancel)
            return;
        const HttpResponse response = Fetch(request, &job->cancel);
        if (job->cancel)
            return;
        // The destructor waits for this thread, so the object is alive here;
        // the queued call is dropped if the object is deleted before it runs,
        // and held while the interface thread waits for a blocking request.
        Defer(this, [this, job, response] { Finish(job, response); });
    });
    return job->id;
}

void TransferControl::Finish(const std::shared_ptr<Job>& job, HttpResponse response) {
    if (job->cancel)
        return;
    DropErrorPage(&response);
    std::erase(active_, job);
    TransferResult result;
    result.error = response.error;
    result.status = response.status;
    result.headers = response.headers;
    result.body = response.body;
    result.state = response.error == 0 ? icResponseCompleted : icError;
    responseCode_ = response.error;
    statusCode_ = response.status;
    lastBody_ = response.body;
    chunkPos_ = 0;
    if (job->done)
        job->done(result);
    emit StateChanged(result.state);
    if (active_.empty())
        emit Idle();
}

bool TransferControl::StillExecuting() const {
    return !active_.empty();
}

void TransferControl::Cancel() {
    for (const auto& job : active_)
        job->cancel = true;
    const bool was = !active_.empty();
    active_.clear();
    if (was)
        emit Idle();
}

void TransferControl::CancelTransfer(int id) {
    const auto it = std::find_if(active_.begin(), active_.end(),
                                 [id](const std::shared_ptr<Job>& job) { return job->id == id; });
    if (it == active_.end())
        return;
    (*it)->cancel = true;
    active_.erase(it);
    if (active_.empty())
        emit Idle();
}

QByteArray TransferControl::GetChunk(int maxSize) {
    if (maxSize <= 0)
        return QByteArray();
    const QByteArray chunk = lastBody_.mid(chunkPos_, maxSize);
    chunkPos_ += static_cast<int>(chunk.size());
    return chunk;
}

} // namespace platform
