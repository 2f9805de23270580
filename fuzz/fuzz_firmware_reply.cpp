// The supply's text on its firmware port, in chunks the input chooses, read
// as the firmware upload reads it until an end marker is judged.

#include "firmwarereply.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int step = (data[0] & 0x1f) + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));

    FirmwareReplyParser parser;
    FirmwareReplyParser::Step last;
    for (int at = 0; at < bytes.size(); at += step) {
        last = parser.feed(bytes.mid(at, step));
        if (last.outcome != FirmwareReplyParser::Outcome::Pending)
            break;
        // Text shown while installing never holds a marker.
        if (last.shown.contains(QLatin1Char('#')))
            std::abort();
    }
    if (last.outcome == FirmwareReplyParser::Outcome::Pending) {
        const bool held = parser.holding();
        last = parser.finish();
        // A held marker is always judged once nothing more comes.
        if (held && last.outcome == FirmwareReplyParser::Outcome::Pending)
            std::abort();
    }
    if (last.outcome == FirmwareReplyParser::Outcome::Failure && last.detail.contains(QLatin1String("#NAK:")))
        std::abort();
    return 0;
}
