// The supply-state record updates that replies drive: the version, the
// current/voltage/status and limits replies, the status word, memory cell
// numbers, the running means fed with reply texts and the reading texts.

#include "ps_data.h"
#include "ps_replies.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int window = data[0] % 16 + 1;
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), int(size - 1));

    ps_data record;
    record.current_avg = moving_average(window);
    applyVersionReply(record, text);
    if (record.family.isEmpty() || record.polarity_kind.isEmpty())
        std::abort();
    applyCurrentVoltageStatus(record, text);
    applyLimits(record, text);
    if (record.limits.size() != 4 || record.memory.size() != ps_data::memory_size)
        std::abort();

    // An unreadable status word marks the record and keeps the last word read.
    const quint32 before = record.status_flags;
    quint32 word = before;
    const bool readable = statusFlagsOf(text, &word);
    applyStatus(record, text);
    if (record.status_unreadable == readable || record.status_flags != word || record.status != text)
        std::abort();
    const int cell = memoryCellOf(text);
    if (cell < -1 || cell >= ps_data::memory_size)
        std::abort();
    if (cell >= 0)
        record.memory[cell] = text;

    for (const QString& part : text.split(QLatin1Char(':')))
        record.current_avg.add(part);
    if (!std::isfinite(record.current_avg.value))
        std::abort();
    // A reading shows as a short text, never as a wall of digits or "inf".
    const QString shown = record.current_avg.text(data[0] % 12);
    const QString reading = readingText(text.toDouble(), data[0] % 12);
    for (const QString& t : {shown, reading}) {
        if (t.size() > 24 || t.contains(QLatin1String("inf")) || t.contains(QLatin1String("nan")))
            std::abort();
    }

    const ps_data copy(record);
    if (copy.memory != record.memory)
        std::abort();
    return 0;
}
