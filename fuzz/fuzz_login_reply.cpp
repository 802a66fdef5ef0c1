// The login reply's seven lines, and the quote of a bad reply in a message.
#include "core/modLogin.h"
#include "platform/Notifier.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    modLogin::LoginReply parsed;
    modLogin::ReadLoginReply(reply.split(QStringLiteral("\r\n")), &parsed);
    modLogin::IsNewerVersion(reply);
    if (platform::QuoteReply(reply).size() > 303)
        __builtin_trap();
    return 0;
}
