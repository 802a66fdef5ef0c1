// A server's reply quoted in a message box: whatever it holds, the quote
// keeps within its length and line bounds, holds only the reply's printable
// characters and line breaks in their order, and says "..." when it was cut.
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"

#include <cstddef>
#include <cstdint>

namespace {

// Lines of a text as the quote counts them: CR LF, a lone CR or a lone LF
// ends one.
int Lines(const QString& text) {
    int lines = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') ||
            (c == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r'))))
            ++lines;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose the bounds; the rest is the reply.
    const qsizetype maxChars = data[0] % 64;
    const int maxLines = 1 + data[1] % 8;
    const QString reply = platform::DecodeAnsi(
        QByteArrayView(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2)));
    const QString quote = platform::QuoteReply(reply, maxChars, maxLines);
    const bool cut = quote.endsWith(QLatin1String("..."));
    const QString kept = cut ? quote.chopped(3) : quote;
    if (kept.size() > maxChars || Lines(kept) > maxLines)
        __builtin_trap();
    // What is kept is the reply's printable characters and line breaks, in
    // order, from its start.
    qsizetype at = 0;
    for (const QChar c : kept) {
        if (!c.isPrint() && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            __builtin_trap();
        at = reply.indexOf(c, at);
        if (at < 0)
            __builtin_trap();
        ++at;
    }
    // Nothing is cut from a reply that fits.
    QString shown;
    for (const QChar c : reply)
        if (c.isPrint() || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            shown += c;
    if (!cut && kept != shown)
        __builtin_trap();
    // The real bounds, for the replies the login quotes.
    const QString real = platform::QuoteReply(reply);
    if (real.size() > 303 || Lines(real) > 10)
        __builtin_trap();
    return 0;
}
