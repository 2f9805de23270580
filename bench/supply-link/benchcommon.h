#pragma once

#include <QList>
#include <QtGlobal>

#include <algorithm>

// Median and percentile of a sample list (nanoseconds or any unit).
inline double percentile(QList<qint64> values, double p)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const int index = qBound(0, int(p * (values.size() - 1) + 0.5), values.size() - 1);
    return double(values.at(index));
}
