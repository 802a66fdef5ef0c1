#pragma once
// Enlist's own link to the service. It always talks to the default server
// host (Enlist runs no server discovery); TARVEL_SERVER_HOST overrides the
// host and may carry ":port".
#include "platform/UrlEncode.h"

#include <QByteArray>
#include <QString>

namespace EnlistLink {

QString DefaultServerHost();

// "http://" & the default server host & page (page begins with "/").
QString ServerAddress(const QString& page);

// Longest wait for one exchange, in milliseconds (60 s unless a test sets
// another).
int TimeoutMs();
void SetTimeoutMs(int ms);

struct PostResult {
    int error = 0;  // 0 or a WinInet-style number (platform/Http.h)
    int status = 0; // HTTP status when an answer arrived
    QByteArray body;
    bool ok() const { return error == 0 && status >= 200 && status < 300; }
};

// Synchronous form-encoded POST of `data` (Latin-1) to `path` on the default
// server host, waited for as platform::FetchWaiting does: the window
// repaints, keys and clicks given meanwhile are dropped, and the exchange
// gives up after TimeoutMs in all.
PostResult Post(const QString& path, const QString& data);

// The five replacements of the design (platform/UrlEncode.h).
using platform::URLEncode;

// True while Post is waiting: a window must not close under a request.
bool Busy();

} // namespace EnlistLink
