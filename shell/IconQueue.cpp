#include "shell/IconQueue.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "menus/IconLibrary.h"
#include "platform/Files.h"
#include "platform/TransferControl.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QMetaObject>
#include <QWidget>

namespace {

constexpr int kStallMarginMs = 5000;
constexpr qsizetype kIconBytes = 16384;

bool Decodes(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(16); // MB: a small file may claim a vast picture
    return !reader.read().isNull();
}

} // namespace

IconQueue::IconQueue(QObject* parent) : QObject(parent) {
    stall_.setSingleShot(true);
    connect(&stall_, &QTimer::timeout, this, &IconQueue::GiveUpHead);
}

IconQueue::~IconQueue() {
    Clear();
}

bool IconQueue::Add(const QString& URL, const QString& FileName, QObject* requester,
                    Refill refill) {
    // The server names the icon; only a plain name below "/images/" is
    // fetched, and only into a file of that same name.
    static const QString kImages = QStringLiteral("/images/");
    if (!URL.startsWith(kImages))
        return false;
    const QString name = URL.mid(kImages.size());
    if (!modGlobals::IsPlainFileName(name))
        return false;
    const int slash = FileName.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || FileName.mid(slash + 1) != name || FileName.contains(QLatin1String("/../")))
        return false;

    if (requester) {
        auto it = std::find_if(requesters_.begin(), requesters_.end(),
                               [requester](const Requester& r) { return r.window == requester; });
        if (it == requesters_.end())
            requesters_.push_back({requester, std::move(refill)});
        else if (refill)
            it->refill = std::move(refill);
    }

    if (queued_.contains(FileName))
        return true;
    queued_.insert(FileName);
    queue_.push_back({URL, FileName});
    if (queue_.size() == 1)
        StartHead();
    return true;
}

QString IconQueue::Head() const {
    return queue_.empty() ? QString() : queue_.front().fileName;
}

void IconQueue::Clear() {
    stall_.stop();
    if (transferId_ >= 0)
        modInternet::Inet1().CancelTransfer(transferId_);
    transferId_ = -1;
    ++ticket_;
    queue_.clear();
    queued_.clear();
    requesters_.clear();
}

void IconQueue::StartHead() {
    const quint64 ticket = ++ticket_;
    QPointer<IconQueue> self(this);
    // No wait for an idle control: each transfer has its own completion.
    transferId_ = modInternet::Inet1().Execute(
        QStringLiteral("http://") + modGlobals::gServerBase + queue_.front().url,
        QStringLiteral("GET"), QByteArray(), QString(),
        [self, ticket](const platform::TransferResult& result) {
            if (self)
                self->HeadDone(ticket, result);
        });
    stall_.start(stallTimeoutMs_ > 0 ? stallTimeoutMs_
                                     : modInternet::Inet1().TimeoutMs() + kStallMarginMs);
}

void IconQueue::HeadDone(quint64 ticket, const platform::TransferResult& result) {
    if (ticket != ticket_ || queue_.empty())
        return; // a download given up or cleared meanwhile
    stall_.stop();
    transferId_ = -1;
    const Record head = queue_.front();
    bool written = false;
    if (result.state == platform::icError) {
        modGlobals::gInetError = result.error;
    } else if (result.ok() && !result.body.isEmpty()) {
        // At most an icon's worth of the body (30 rows naming 15 MB "icons"
        // put 487 MB on the disk), in place at once: no stale tail of a larger
        // old file. A body that is no picture (an error page sent as 200, an
        // icon cut here) is not kept, or every later paint would take it for
        // the icon; the blocking reader drops such a file the same way.
        const QByteArray icon = result.body.left(kIconBytes);
        if (Decodes(icon)) {
            platform::MakePrivateFolder(QFileInfo(head.fileName).absolutePath());
            written = platform::WriteFileWhole(head.fileName, icon);
        }
        if (written)
            menus::IconLibrary::Instance().NoteIconFile(head.fileName, true);
    }
    // A failed download is dropped, not retried: the next paint that misses
    // the icon asks again.
    emit Finished(head.fileName, written);
    Advance();
}

void IconQueue::GiveUpHead() {
    if (queue_.empty())
        return;
    if (transferId_ >= 0)
        modInternet::Inet1().CancelTransfer(transferId_);
    transferId_ = -1;
    ++ticket_;
    const QString fileName = queue_.front().fileName;
    emit Finished(fileName, false);
    Advance();
}

void IconQueue::Advance() {
    if (!queue_.empty()) {
        queued_.remove(queue_.front().fileName);
        queue_.pop_front();
    }
    if (!queue_.empty()) {
        StartHead();
        return;
    }
    RefillRequesters();
    emit Drained();
}

void IconQueue::RefillRequesters() {
    // Taken out first: a refill may paint and ask for more icons.
    std::vector<Requester> requesters;
    requesters.swap(requesters_);
    for (Requester& r : requesters) {
        if (!r.window)
            continue; // the window was closed meanwhile
        if (r.refill) {
            r.refill();
        } else if (r.window->metaObject()->indexOfMethod("RefreshIcons()") >= 0) {
            QMetaObject::invokeMethod(r.window, "RefreshIcons");
        } else if (auto* widget = qobject_cast<QWidget*>(r.window.data())) {
            widget->update();
        }
    }
}
