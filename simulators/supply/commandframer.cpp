#include "commandframer.h"

namespace
{
// How much of an overlong command is kept for the command log.
constexpr qint64 OverlongKeep = 256;
} // namespace

void CommandFramer::append(const char* data, qint64 size)
{
    const qint64 room = pendingSize < cap ? cap - pendingSize : 0;
    if (room > 0)
        pending.append(data, int(qMin(room, size)));
    pendingSize += size;
}

QList<CommandFramer::Frame> CommandFramer::feed(const QByteArray& data)
{
    QList<Frame> frames;
    const char* p = data.constData();
    const qint64 size = data.size();
    qint64 pos = 0;
    while (pos < size) {
        if (afterCr) {
            afterCr = false;
            if (p[pos] == '\n') {
                ++pos;
                continue;
            }
        }
        const int cr = data.indexOf('\r', int(pos));
        const qint64 end = cr < 0 ? size : cr;
        append(p + pos, end - pos);
        if (cr < 0)
            break;
        Frame f;
        f.length = pendingSize;
        f.overlong = pendingSize > cap;
        f.text = f.overlong ? pending.left(int(OverlongKeep)) : pending;
        frames << f;
        pending.clear();
        pendingSize = 0;
        afterCr = true;
        pos = cr + 1;
    }
    return frames;
}
