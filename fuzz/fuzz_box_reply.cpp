// One-line box replies: the reply class and every decoder a one-line reply
// goes through (numbers, hexadecimal words, status and error words, channel
// choice, clock, firmware version, stream frequency), and a read of it cut
// into its one line.

#include "box_protocol.h"
#include "dcct_data.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* begin = reinterpret_cast<const char*>(data);
    const char* end = begin + size;
    const QString line = QString::fromUtf8(begin, int(size));

    const int kind = classifyReply(line);
    if (kind < 1 || kind > 3)
        std::abort();

    double number = 0;
    if (parseBoxNumber(begin, end, &number) && !std::isfinite(number))
        std::abort();
    if (parseBoxNumber(line, &number) && !std::isfinite(number))
        std::abort();
    quint64 word = 0;
    parseHexWord(begin, end, &word);
    if (parseHexWord(line, &word)) {
        const int layout = lineLayoutFromStatus(word);
        if (layout < 0 || layout > 7)
            std::abort();
    }

    Dcct_data record;
    decodeStatusWord(line, &record);
    decodeErrorWord(line, &record);
    if (size > 0)
        decodeStreamFlags(data[0], &record);

    const int channels = decodeAcqChannels(line, -1);
    if (channels < -1 || channels > 7)
        std::abort();

    QTime time;
    if (decodeBoxTime(line, &time) && !time.isValid())
        std::abort();
    QDate date;
    if (decodeBoxDate(line, &date) && !date.isValid())
        std::abort();

    // The bytes as one read of a reply: one line at most, whose ending and
    // whatever follows it are line feeds and NULs only.
    const QByteArray bytes(begin, int(size));
    QString one;
    QByteArray rest;
    if (takeReplyLine(bytes, &one, &rest) == ReplyRead::One &&
        (one.contains(QLatin1Char('\r')) || rest.count('\n') + rest.count('\0') != rest.size()))
        std::abort();
    looksLikeStreamLine(begin, end);

    decodeFirmwareVersion(line);
    isSendable(line);

    const double freq = sampleFrequency(line);
    if (!std::isfinite(sampleTime(number, freq)))
        std::abort();
    return 0;
}
