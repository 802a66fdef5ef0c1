#include "platform/TransferControl.h"

#include <QPointer>
#include <QThreadPool>

#include <atomic>

namespace platform {

struct TransferControl::Job {
    std::atomic<bool> cancel{false};
    Completion done;
};

TransferControl::TransferControl(QObject* parent) : QObject(parent) {}

TransferControl::~TransferControl() { Cancel(); }

HttpResponse TransferControl::OpenSync(const QString& address) {
    HttpRequest request;
    HttpResponse response;
    if (!ParseHttpAddress(address, &request)) {
        response.error = kInetNameNotResolved;
    } else {
        request.timeoutMs = timeoutMs_;
        response = Fetch(request);
    }
    responseCode_ = response.error;
    statusCode_ = response.status;
    return response;
}

QString TransferControl::OpenURLText(const QString& address) {
    return QString::fromLatin1(OpenSync(address).body);
}

QByteArray TransferControl::OpenURLBytes(const QString& address) {
    return OpenSync(address).body;
}

void TransferControl::Execute(const QString& address, const QString& operation,
                              const QByteArray& data, const QString& headers, Completion done) {
    auto job = std::make_shared<Job>();
    job->done = std::move(done);
    active_.push_back(job);

    HttpRequest request;
    const bool parsed = ParseHttpAddress(address, &request);
    request.method = operation.toUpper().toLatin1();
    request.body = data;
    request.timeoutMs = timeoutMs_;
    for (const QString& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        request.headers << line.toLatin1();

    QPointer<TransferControl> self(this);
    if (!parsed) {
        HttpResponse failed;
        failed.error = kInetNameNotResolved;
        QMetaObject::invokeMethod(
            this, [self, job, failed] { if (self) self->Finish(job, failed); },
            Qt::QueuedConnection);
        return;
    }
    QThreadPool::globalInstance()->start([self, job, request] {
        const HttpResponse response = Fetch(request, &job->cancel);
        if (job->cancel)
            return;
        QObject* target = self.data();
        if (!target)
            return;
        QMetaObject::invokeMethod(
            target, [self, job, response] { if (self) self->Finish(job, response); },
            Qt::QueuedConnection);
    });
}

void TransferControl::Finish(const std::shared_ptr<Job>& job, const HttpResponse& response) {
    if (job->cancel)
        return;
    std::erase(active_, job);
    TransferResult result;
    result.error = response.error;
    result.status = response.status;
    result.body = response.body;
    result.state = response.error == 0 ? icResponseCompleted : icError;
    responseCode_ = response.error;
    statusCode_ = response.status;
    lastBody_ = response.body;
    chunkPos_ = 0;
    if (job->done)
        job->done(result);
    emit StateChanged(result.state);
}

bool TransferControl::StillExecuting() const { return !active_.empty(); }

void TransferControl::Cancel() {
    for (const auto& job : active_)
        job->cancel = true;
    active_.clear();
}

QByteArray TransferControl::GetChunk(int maxSize) {
    const QByteArray chunk = lastBody_.mid(chunkPos_, maxSize);
    chunkPos_ += chunk.size();
    return chunk;
}

} // namespace platform
