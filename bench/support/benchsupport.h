#pragma once

// Measuring helpers shared by the benchmarks.

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

#include <algorithm>

// The value at fraction p (0.5: median, 1.0: largest) of a sample list, in
// the list's own unit; 0 for an empty list.
template <typename Samples> double percentile(Samples values, double p)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const int index = qBound(0, int(p * (values.size() - 1) + 0.5), int(values.size()) - 1);
    return double(values.at(index));
}

// A field of /proc/self/status in kB (VmRSS, VmHWM, RssAnon) or as a count
// (Threads); -1 where there is no such file or field.
inline long procStatus(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The process's resident size in bytes; -1 where it cannot be read.
inline qint64 residentBytes()
{
    const long kb = procStatus("VmRSS");
    return kb < 0 ? -1 : qint64(kb) * 1024;
}
