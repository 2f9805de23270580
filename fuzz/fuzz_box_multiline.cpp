// Multi-line box replies: the search for the closing "ACK" line as the bytes
// come in (in chunks whose sizes the input chooses), the trailing "ACK" of a
// body after which the box went quiet, and the cut into lines.

#include "box_protocol.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // First byte: chunk size of the incremental search.
    const qsizetype step = qsizetype(data[0] % 32) + 1;
    const QByteArray all(reinterpret_cast<const char*>(data + 1), int(size - 1));

    // Fed in chunks, the search must find what one pass over the same bytes finds.
    QByteArray buffer;
    qsizetype scan = 0;
    bool nak = false;
    qsizetype found = -1;
    for (qsizetype at = 0; at < all.size() && found < 0 && !nak; at += step) {
        buffer.append(all.mid(int(at), int(step)));
        found = findAckLine(buffer, &scan, &nak);
        if (scan < 0 || scan > buffer.size())
            std::abort();
    }
    if (found >= 0 || nak) {
        qsizetype scanOnce = 0;
        bool nakOnce = false;
        const qsizetype once = findAckLine(buffer, &scanOnce, &nakOnce);
        if (once != found || nakOnce != nak)
            std::abort();
    }
    if (found > buffer.size())
        std::abort();

    const qsizetype trailing = findTrailingAck(all);
    if (trailing >= 0 && (trailing + 3 > all.size() || all.mid(int(trailing), 3) != "ACK"))
        std::abort();

    const QByteArray body = all.left(int(found >= 0 ? found : all.size()));
    if (splitKeepingLineBreaks(body).join() != body)
        std::abort();
    return 0;
}
