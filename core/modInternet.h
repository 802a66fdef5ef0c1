#pragma once
// The server link: server discovery, the synchronous POST, the requests that
// go through the one transfer control, the form-value encoding and the ways of
// showing a page to the user.
#include "platform/UrlEncode.h"

#include <QString>

#include <functional>

namespace platform {
class TransferControl;
}

namespace modInternet {

// Fixed hosts of the service; the environment variables TARVEL_BOOTSTRAP_HOST,
// TARVEL_SERVER_HOST and TARVEL_MEMBER_HOST override them. A host may carry
// ":port".
QString BootstrapHost();
QString DefaultServerHost();
QString MemberHost();
inline const QString kDefaultServerPath = QStringLiteral("/Vantrix/internal/");

// Sets gServerHost, gServerPath and gServerBase from the bootstrap host's
// "/url.txt", or the defaults.
void GetWebHost();
// Reads url.txt's host and path lines; false when they name no usable server
// (missing, empty, or holding blanks or control characters).
bool ParseWebHost(const QString& reply, QString* host, QString* path);

// Synchronous form-encoded POST of Data to URL (a path on gServerHost). Blocks
// without processing window events; "" on any failure (a non-2xx status, a
// reply cut off or past kMaxReplyBytes) or after the time-out.
QString GetASPData(const QString& URL, const QString& Data);
// GetASPData for a reply too large to hold in memory (the full reload of the
// menu table): the body streams to FilePath, written through a temporary file
// in its folder renamed into place, and is never held whole in memory. True
// only for a complete 2xx reply; on false FilePath is left as it was. It has
// no deadline but fails when the reply stalls or trickles, passes 1 GB, or
// would leave less than 256 MB free on the disk. *writeError, when given,
// tells a failure of this computer (a write that did not go through, the
// disk near full) from one of the server or the network (left empty).
bool GetASPDataToFile(const QString& URL, const QString& Data, const QString& FilePath,
                      QString* writeError = nullptr);
// The size limit and the free space GetASPDataToFile keeps; tests lower
// them (0 and -1 restore the defaults).
void SetASPDataToFileLimits(qint64 maxBytes, qint64 keepFree);
// Its stall check (less than 16 KB in 30 s fails); 0 ms restores it.
void SetASPDataToFileStall(int ms, qint64 bytes);
// Time-out of GetASPData (60 s); tests shorten it.
void SetASPDataTimeoutMs(int ms);

// GET of "http://" & gServerBase & Page through the transfer control.
QString GetURLText(const QString& Page, bool Silent);
// Asynchronous POST through the transfer control; the reply is not read.
// `done`, when given, learns whether the server took it (a 2xx reply).
void SubmitPostData(const QString& Page, const QString& Data);
void SubmitPostData(const QString& Page, const QString& Data, std::function<void(bool)> done);
// Downloads "http://" & gServerBase & Page into FileName: only a 2xx reply
// with a body is written, through a temporary file renamed into place.
// Returns true when the file was written.
bool DownloadFile(const QString& Page, const QString& FileName);
// DownloadFile for a caller that waits on the interface thread (an icon, a
// form file): the wait for data gives up after timeoutMs and the whole
// transfer after deadlineMs (0 keeps the control's own limit); the X11
// pointer grab is let go meanwhile. The control's limits are restored.
bool DownloadFileWithin(const QString& Page, const QString& FileName, int timeoutMs,
                        int deadlineMs = 0);

// Space to "+", then " ' & ? to %22 %27 %26 %3F; nothing else changes
// (platform/UrlEncode.h, shared with Enlist).
using platform::URLEncode;
// Full percent-encoding of a query value's Windows-1252 bytes (space as "+")
// where the five replacements of URLEncode are not enough.
QString QueryEncode(const QString& Text);

void OpenDocument(const QString& URL);
void OpenServerPage(const QString& Page);
// Starts the companion browser program with Width,Height,URL,Title.
void OpenBrowserWindow(int Width, int Height, const QString& URL, const QString& Title);
// The parameter text OpenBrowserWindow passes ("," in Title becomes "%24").
QString BrowserParameters(int Width, int Height, const QString& URL, const QString& Title);

// The program's one transfer control (the button window's Inet1).
platform::TransferControl& Inet1();

} // namespace modInternet
