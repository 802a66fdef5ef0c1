// Enlist's replies on the way to a new account: the name check's suggested
// user name and step 1's account id. A suggestion is one line and only what
// the user-name box takes, taken from the reply in order; an id is a whole
// number from 1 up that the reply spells.
#include "enlist/frmEnlist.h"
#include "fuzz/OffscreenApp.h"
#include "platform/Latin1Text.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::OffscreenApp();
    static frmEnlist* wizard = new frmEnlist(QString()); // kept for the whole run
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QString suggestion = wizard->SuggestedUserName(body);
    if (suggestion.contains(QLatin1Char('\r')) || suggestion.contains(QLatin1Char('\n')) ||
        !platform::FitsAnsi(suggestion) || wizard->txtUserName->Clean(suggestion) != suggestion)
        __builtin_trap();
    const QString reply = platform::DecodeAnsi(body);
    qsizetype at = 0;
    for (const QChar c : suggestion) {
        at = reply.indexOf(c, at);
        if (at < 0)
            __builtin_trap();
        ++at;
    }
    // Shown in the box, it keeps to the box's limit.
    wizard->txtUserName->setText(suggestion);
    if (wizard->txtUserName->text().size() > wizard->txtUserName->maxLength())
        __builtin_trap();

    if (const std::optional<qint32> id = frmEnlist::ParseAccountReply(body)) {
        QString digits = reply.trimmed();
        while (digits.startsWith(QLatin1Char('0')))
            digits.remove(0, 1);
        if (*id < 1 || QString::number(*id) != digits)
            __builtin_trap();
    }
    return 0;
}
