#include "supplyview.h"

#include "ps_data.h"

#include <cmath>

namespace SupplyView
{

const char neutralStyle[] = "background-color:rgba(235, 235, 255, 255)";
const char localStyle[] = "background-color:rgb(236, 236, 0)";
const char outputOnStyle[] = "background-color:rgba(30, 250, 30, 255)";
const char faultStyle[] = "background-color:rgba(255, 126, 126, 255)";

StatusView decodeStatus(quint32 statusFlags)
{
    const quint32 low = statusFlags & 0xFFu;
    const quint32 control = (low >> 2) & 0x3u;

    StatusView view;
    view.outputOn = low & 0x1u;
    view.fault = low & 0x2u;
    view.local = control == 1;
    view.controlsEnabled = control == 0;
    view.regulationEnabled = view.controlsEnabled && !view.outputOn;
    view.setPointsEnabled = view.controlsEnabled && view.outputOn && (low & 0xC0u) != 0xC0u;
    view.decidesPolarityBox = view.controlsEnabled;
    return view;
}

QString powerText(const QString& shownCurrent, const QString& shownVoltage)
{
    return readingText(std::fabs(shownCurrent.toDouble() * shownVoltage.toDouble()), 4);
}

bool hasCapability(const QString& capabilities, const char* word)
{
    return capabilities.contains(QLatin1String(word));
}

namespace
{
bool readLimit(const QStringList& limits, int index, double* value)
{
    if (index >= limits.size())
        return false;
    bool ok = false;
    *value = limits.at(index).toDouble(&ok);
    return ok && std::isfinite(*value);
}

// The whole part of a limit as the supply wrote it ("10.0" -> "10").
QString wholePart(const QString& text)
{
    const int dot = text.indexOf(QLatin1Char('.'));
    return dot < 0 ? text : text.left(dot);
}
} // namespace

SetPointRanges rangesFor(const QStringList& limits, const QString& polarityKind, const QString& capabilities)
{
    SetPointRanges r;
    double v[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        if (!readLimit(limits, i, &v[i]))
            return r;

    r.valid = true;
    r.ratings =
        wholePart(limits.at(3)) + QStringLiteral("A / ") + wholePart(limits.at(1)) + QStringLiteral("V");
    // A monopolar unit with a polarity inverter still takes negative set-points.
    r.monopolar =
        polarityKind == QLatin1String("Monopolar") && !hasCapability(capabilities, "POLARITY_INVERTER");
    r.voltageMin = r.monopolar ? 0.0 : v[0];
    r.voltageMax = v[1];
    r.currentMin = r.monopolar ? 0.0 : v[2];
    r.currentMax = v[3];
    return r;
}

int triggerIndex(const QString& triggerMode)
{
    if (triggerMode.isEmpty())
        return noEntry;
    return triggerMode == QLatin1String("ON") ? 1 : 0;
}

bool triggerSelectable(const QString& family, const QString& capabilities)
{
    const bool family_ok = family == QLatin1String("KORA-PS") || family == QLatin1String("KORA-PS-M");
    return family_ok && hasCapability(capabilities, "TRIG");
}

int floatIndex(const QString& floatMode)
{
    if (floatMode.isEmpty())
        return noEntry;
    return floatMode == QLatin1String("N") ? 0 : 1;
}

int loopIndex(const QString& loopMode)
{
    if (loopMode.isEmpty())
        return noEntry;
    return loopMode == QLatin1String("V") ? 1 : 0;
}

int updateModeIndex(const QString& updateMode)
{
    if (updateMode.isEmpty())
        return noEntry;
    if (updateMode == QLatin1String("ANALOG"))
        return UpdateAnalog;
    if (updateMode == QLatin1String("WAVEFORM"))
        return UpdateWaveform;
    return UpdateNormal;
}

int setPointPage(int updateModeIndex, bool voltageLoop)
{
    if (updateModeIndex == UpdateWaveform)
        return PageWaveform;
    return voltageLoop ? PageVoltage : PageCurrent;
}

} // namespace SupplyView
