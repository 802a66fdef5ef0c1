#pragma once
// Held while a request runs on behalf of the user. The wait cursor shows, and
// keys and clicks given meanwhile are dropped: left queued, they ran after the
// request (a double click on Next during a slow step pressed Next twice more,
// on a page the user had not seen yet). Timers and repaints go on.
#include <QObject>

namespace platform {

class RequestWait : public QObject {
public:
    RequestWait();
    ~RequestWait() override;
    RequestWait(const RequestWait&) = delete;
    RequestWait& operator=(const RequestWait&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace platform
