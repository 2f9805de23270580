#include "ps_data.h"

#include "loggers.h"

#include <cmath>

moving_average::moving_average(int window) : window(window > 0 ? window : 1), primed(false), value(0.0) {}

void moving_average::add(QString sample)
{
    bool ok = false;
    double reading = sample.toDouble(&ok);
    if (!ok || !std::isfinite(reading))
        reading = 0.0;
    const double x = reading / window;

    if (!primed) {
        value = reading;
        samples.clear();
        for (int i = 0; i < window; ++i)
            samples.append(x);
        primed = true;
    }

    value = (value + x) - samples.first();
    samples.removeFirst();
    samples.append(x);

    // Finite samples can still overflow the sum; fall back to the exact mean.
    if (!std::isfinite(value)) {
        double sum = 0.0;
        for (double s : qAsConst(samples))
            sum += s;
        value = std::isfinite(sum) ? sum : 0.0;
    }
}

namespace
{
// Whole digits a reading's field shows in fixed notation; a real supply's
// readings stay far below.
constexpr int maxWholeDigits = 7;
} // namespace

QString readingText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("out of range");
    QString text = QString::number(value, 'f', decimals);
    const int point = text.indexOf(QLatin1Char('.'));
    const int whole = (point < 0 ? text.size() : point) - (text.startsWith(QLatin1Char('-')) ? 1 : 0);
    if (whole > maxWholeDigits)
        return QString::number(value, 'e', decimals);
    // A minus zero, or a small negative value that rounds to zero, is zero.
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0)
        text.remove(0, 1);
    return text;
}

QString moving_average::text(int decimals) const
{
    return readingText(value, decimals);
}

ps_data::ps_data()
    : status_flags(0), status_unreadable(false), status_read(false), readings_read(false), current_avg(1),
      voltage_avg(1), temperature_avg(100), leakage_avg(10)
{
    for (int i = 0; i < memory_size; ++i) {
        memory.append(QString());
        memory_read.append(false);
        memory_write_result.append(not_written);
    }
    for (int i = 0; i < 4; ++i)
        limits.append(QString());
    psDataLogger->trace("ps_data created");
}

ps_data::ps_data(const ps_data& other) = default;

ps_data& ps_data::operator=(const ps_data& other) = default;

ps_data::~ps_data()
{
    psDataLogger->trace("ps_data destroyed");
}
