// Enlist's status reply: account id, e-mail and the enrolment flag, or "NO".
#include "enlist/frmEnlist.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const frmEnlist::StatusReply status = frmEnlist::ParseStatusReply(reply);
    if (status.kind == frmEnlist::StatusReply::Unfinished && status.userId <= 0)
        __builtin_trap();
    return 0;
}
