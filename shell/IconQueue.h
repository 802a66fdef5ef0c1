#pragma once
// The button window's icon download queue: menu windows that miss an icon
// file ask for it, and the downloads run one at a time, first in first out,
// through the program's one transfer control. Each download has its own
// completion, so a reply meant for another user of the control is never
// taken for an icon. When the queue runs dry, every window that asked and
// still exists is refilled once so that it repaints with the new icons.
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace platform {
struct TransferResult;
}

class IconQueue : public QObject {
    Q_OBJECT
public:
    // How a window is refilled; without one the window's invokable
    // RefreshIcons() is called if it has one, else it is repainted.
    using Refill = std::function<void()>;

    explicit IconQueue(QObject* parent = nullptr);
    ~IconQueue() override;

    // Queues the download of URL (a path below gServerBase that begins with
    // "/images/") into FileName (a full local path). A name that is not a
    // plain file name is refused (false). A file already queued is not queued
    // twice; the window is remembered either way.
    bool Add(const QString& URL, const QString& FileName, QObject* requester,
             Refill refill = nullptr);

    int Count() const { return static_cast<int>(queue_.size()); }
    // The local file of the download under way, "" when idle.
    QString Head() const;
    // Drops every queued download and forgets the windows (unload).
    void Clear();

    // A download whose completion never comes (its transfer was cancelled by
    // another user of the control) is given up after this long.
    void SetStallTimeoutMs(int ms) { stallTimeoutMs_ = ms; }

signals:
    // One download ended (written: the file now holds the whole body).
    void Finished(const QString& fileName, bool written);
    // The queue ran dry and the windows were refilled.
    void Drained();

private:
    struct Record {
        QString url;
        QString fileName;
    };
    struct Requester {
        QPointer<QObject> window;
        Refill refill;
    };

    void StartHead();
    void HeadDone(quint64 ticket, const platform::TransferResult& result);
    void GiveUpHead();
    void Advance();
    void RefillRequesters();

    std::deque<Record> queue_;
    // The local files in queue_: a category of thousands of rows asks for
    // thousands of icons, and each request must find its duplicate at once.
    QSet<QString> queued_;
    std::vector<Requester> requesters_;
    quint64 ticket_ = 0; // the head's download; older completions are stale
    int transferId_ = -1;
    QTimer stall_;
    int stallTimeoutMs_ = 0; // 0: the control's time-out and a margin
};
