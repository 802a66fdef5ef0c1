// What a connection to the running Tarvel sends it: read in whatever pieces
// it arrives, the answer is the one the whole message gives; only the exact
// request brings the button forward, at most once a connection, and a peer
// that keeps sending gets no second answer.
#include "core/modStartup.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using modStartup::ActivateReader;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    ActivateReader whole;
    const ActivateReader::Result once = whole.Feed(bytes);

    // The same bytes in pieces whose sizes the bytes themselves choose.
    ActivateReader pieces;
    ActivateReader::Result inPieces = ActivateReader::Wait;
    int activations = 0;
    qsizetype at = 0;
    qsizetype step = size > 0 ? data[0] % 5 + 1 : 1;
    while (at < bytes.size()) {
        const qsizetype n = std::min(step, bytes.size() - at);
        const ActivateReader::Result r = pieces.Feed(bytes.sliced(at, n));
        activations += r == ActivateReader::Activate ? 1 : 0;
        if (inPieces == ActivateReader::Wait)
            inPieces = r;
        at += n;
        step = data[at - 1] % 5 + 1;
    }
    if (size == 0)
        inPieces = pieces.Feed(bytes);
    if (inPieces != once || activations > 1)
        __builtin_trap();

    const QByteArrayView request = modStartup::kActivateRequest;
    const bool exact = bytes.startsWith(request);
    const bool partial = bytes.size() < request.size() && request.startsWith(bytes);
    if ((once == ActivateReader::Activate) != exact || (once == ActivateReader::Wait) != partial)
        __builtin_trap();
    return 0;
}
