// Supply replies: the bytes of one reply collected in chunks the input
// chooses, then read as the reply to a set command and to a query; the same
// bytes read as the lines that come in while the link is brought back in step.

#include "ps_replies.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const char* const queries[] = {"MRI", "MST", "VER", "MRG:130", "PASSWORD:?",
                                          "MLIMITS:?", "MPLST", "EPICS:DB", "MWI:?", ""};
    const QString command = QLatin1String(queries[data[0] % 10]);
    const bool fileText = data[0] & 0x80;
    // Second byte: chunk size; a small cap now and then so the cut is reached.
    const int step = (data[1] & 0x3f) + 1;
    const int cap = data[1] & 0x40 ? 64 : 1024 * 1024;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), int(size - 2));

    SupplyReplyCollector collector(cap);
    bool done = false;
    for (int at = 0; at < bytes.size() && !done; at += step)
        done = collector.add(bytes.mid(at, step));
    const QString reply = collector.text();
    if (reply.size() > cap || reply.contains(QLatin1Char('\r')) || reply.contains(QChar(0)))
        std::abort();
    if (collector.overlong() && !done)
        std::abort();

    const int set = setReplyResult(reply);
    if (set < -1)
        std::abort();

    QString value = QStringLiteral("untouched");
    const int query = queryReplyResult(command, reply, fileText, &value);
    if (query < -1 || (query != 0 && value != QLatin1String("untouched")))
        std::abort();
    // The framing takes one '#' at most and the separator after the echo may
    // be another: every other '#' is part of the value.
    if (query == 0 && value.count(QLatin1Char('#')) < reply.count(QLatin1Char('#')) - 2)
        std::abort();

    // An answer is a whole line: nothing without a CR ends the reading, and
    // once it has ended it stays ended.
    QString echo = command;
    echo.remove(QStringLiteral(":?"));
    ResyncReader reader(echo, 1 + (data[0] >> 6 & 1), cap);
    QByteArray kept;
    bool ended = false;
    for (int at = 0; at < bytes.size(); at += step) {
        const QByteArray chunk = bytes.mid(at, step);
        kept += chunk.left(chunk.indexOf('\0') < 0 ? chunk.size() : chunk.indexOf('\0'));
        kept.replace('\n', QByteArray()); // line feeds are framing, wherever they are
        const bool now = reader.add(chunk);
        if ((ended && !now) || (now && (!kept.contains('\r') || !kept.contains(echo.toLatin1()))))
            std::abort();
        ended = now;
    }
    return 0;
}
