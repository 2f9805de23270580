// Waveform files: any bytes read as the generator reads a dropped file, then
// the loaded waveform computed and scaled as Apply would send it.

#include "waveform.h"

#include <QByteArray>
#include <QJsonDocument>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    if (document.isNull())
        return 0;

    SignalDescriptor d;
    d.nPoints = data[0] % 64; // keep the computed period small
    QString error;
    const bool complete = waveform::fromJson(document.object(), d, &error);
    if (complete != error.isEmpty() || d.x.size() != d.y.size() || d.x.size() > waveform::maxPoints)
        std::abort();
    if (!(d.f >= waveform::fMin && d.f <= waveform::fMax) || !(d.dutyCycle >= 0 && d.dutyCycle <= 1) ||
        !(d.a >= 0 && d.a <= 1) || d.nRepetitions < 0)
        std::abort();

    waveform::calculate(d);
    QVector<double> xOut, yOut;
    waveform::outputs(d, xOut, yOut);
    if (xOut.size() != yOut.size())
        std::abort();
    for (double v : yOut)
        if (!std::isfinite(v) || (d.minY <= d.maxY && (v < d.minY || v > d.maxY)))
            std::abort();

    // What is written loads back the same.
    if (complete) {
        SignalDescriptor back;
        if (!waveform::fromJson(waveform::toJson(d), back, &error) || back.x != d.x || back.y != d.y ||
            back.f != d.f || back.signalType != d.signalType || back.nRepetitions != d.nRepetitions)
            std::abort();
    }
    return 0;
}
