#pragma once
// Stand-in for the Internet transfer control (one per program): synchronous
// opens as text or bytes, an asynchronous execute whose outcome arrives as a
// state change on the owner's thread, StillExecuting, Cancel, GetChunk and
// ResponseCode. Unlike the control it replaces, every Execute can carry its
// own completion callback, so a reply meant for one requester never lands in
// another's hands.
#include "platform/Http.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QThreadPool;

namespace platform {

// States reported by StateChanged; every other state of the old control is
// of no interest to the callers.
inline constexpr int icError = 11;
inline constexpr int icResponseCompleted = 12;

struct TransferResult {
    int state = icError; // icError or icResponseCompleted
    int error = 0;       // WinInet-style number when state is icError
    int status = 0;      // HTTP status of a completed response
    QByteArray headers;  // the response's header lines as received
    QByteArray body;
    // A completed response with a 2xx status.
    bool ok() const { return state == icResponseCompleted && status >= 200 && status < 300; }
};

class TransferControl : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(const TransferResult&)>;

    explicit TransferControl(QObject* parent = nullptr);
    ~TransferControl() override;

    // Synchronous opens: block the caller (no event processing) and return
    // the body; empty when nothing arrived, the reply was cut off or too
    // large, or its status was not 2xx (then ResponseCode is
    // kInetInvalidResponse and StatusCode the status). ResponseCode and
    // StatusCode tell why. Asynchronous transfers fail the same way.
    QString OpenURLText(const QString& address);
    QByteArray OpenURLBytes(const QString& address);

    // Starts a transfer and returns at once. operation is "GET" or "POST";
    // headers is a header text such as "Content-Type: ..." (lines joined by
    // CRLF). The outcome is reported on this object's thread by `done` (if
    // given) and then by StateChanged. Returns the transfer's number for
    // CancelTransfer.
    int Execute(const QString& address, const QString& operation,
                const QByteArray& data = QByteArray(), const QString& headers = QString(),
                Completion done = nullptr);

    // True while any transfer started by Execute is under way. Transfers do
    // not cancel each other: each one ends with its own completion.
    bool StillExecuting() const;
    // Stops every transfer under way; their completions never run.
    void Cancel();
    // Stops one transfer (a window that started it is closing); its
    // completion never runs. Unknown or finished numbers are ignored.
    void CancelTransfer(int id);

    // Body of the last completed asynchronous response, at most maxSize bytes
    // from where the previous GetChunk stopped.
    QByteArray GetChunk(int maxSize);

    // Error number of the last failed transfer (0 when it did not fail).
    int ResponseCode() const { return responseCode_; }
    // HTTP status of the last transfer that got an answer (0 otherwise).
    int StatusCode() const { return statusCode_; }
    // The last transfer got a 2xx answer.
    bool Answered() const { return responseCode_ == 0 && statusCode_ >= 200 && statusCode_ < 300; }

    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }
    int TimeoutMs() const { return timeoutMs_; }
    // Limits on a whole transfer: one minute for a text open; none for a
    // byte open, which then fails only when it stalls (less than 16 KB in
    // half a minute: an installer over a slow link still gets through),
    // and ten minutes for an asynchronous transfer when bytesMs is 0.
    // Blocking opens wait as platform::FetchWaiting does (repainting, input
    // dropped, one minute for all small requests of a user action).
    void SetDeadlinesMs(int textMs, int bytesMs) {
        textDeadlineMs_ = textMs;
        bytesDeadlineMs_ = bytesMs;
    }
    int TextDeadlineMs() const { return textDeadlineMs_; }
    int BytesDeadlineMs() const { return bytesDeadlineMs_; }
    // The stall check of byte opens without a deadline; tests shorten it.
    void SetStallCheck(int ms, qint64 bytes) {
        stallMs_ = ms;
        stallBytes_ = bytes;
    }
    // Most body bytes of a byte open (an installer is larger than any
    // page); text opens and asynchronous transfers keep kMaxReplyBytes.
    void SetByteOpenLimit(qint64 bytes) { byteOpenLimit_ = bytes; }

signals:
    void StateChanged(int state);
    // Bytes received so far by a blocking open, now and then while it runs.
    void Progress(qint64 received);
    // The last transfer under way has ended, been cancelled or stopped.
    void Idle();

private:
    struct Job;
    void Finish(const std::shared_ptr<Job>& job, HttpResponse response);
    HttpResponse OpenSync(const QString& address, int deadlineMs, qint64 maxBody);

    std::vector<std::shared_ptr<Job>> active_;
    std::unique_ptr<QThreadPool> pool_;
    int nextId_ = 0;
    QByteArray lastBody_;
    int chunkPos_ = 0;
    int responseCode_ = 0;
    int statusCode_ = 0;
    int timeoutMs_ = 30000;
    int textDeadlineMs_ = 60000;
    int bytesDeadlineMs_ = 0;
    int stallMs_ = 30000;
    qint64 stallBytes_ = 16 * 1024;
    qint64 byteOpenLimit_ = kMaxReplyBytes;
};

} // namespace platform
