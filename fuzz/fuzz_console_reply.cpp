// Console replies: the bytes of the console connection cut into reads the
// input chooses and gathered into replies as the console's transport does.

#include "replyframer.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // First byte: read size; a small cap now and then so the cap is reached.
    const int step = (data[0] & 0x3f) + 1;
    const int cap = data[0] & 0x40 ? 64 : ReplyFramer::defaultMaxLength;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));

    ReplyFramer framer(cap);
    for (int at = 0; at < bytes.size(); at += step) {
        bool complete = false;
        const QString chunk = framer.feed(bytes.mid(at, step), &complete);
        // A read of n bytes gives at most n characters, plus what an earlier
        // read left of a character split between them.
        if (chunk.contains(QChar(0)) || chunk.size() > step + 3)
            std::abort();
        if (!complete) {
            // Waiting text never holds a carriage return and stays under the cap.
            if (framer.buffer().contains(QLatin1Char('\r')) || framer.buffer().size() >= cap)
                std::abort();
            continue;
        }
        const QString reply = framer.takeReply();
        if (!framer.buffer().isEmpty() || reply.size() >= cap + step + 3)
            std::abort();
        if (!chunk.contains(QLatin1Char('\r')) && reply.size() < cap)
            std::abort();
    }
    return 0;
}
