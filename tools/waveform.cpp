#include "waveform.h"

#include <QJsonArray>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace waveform
{

namespace
{

constexpr double twoPi = 6.283185307179586;

double step(double u)
{
    return u >= 0.0 ? 1.0 : 0.0;
}

double shapeValue(int type, const SignalDescriptor& d, double t)
{
    const double dt = t - d.offsetX;
    double v = 0.0;
    switch (type) {
    case Sine:
        v = std::sin(twoPi * d.f * dt);
        break;
    case Square:
        v = std::isnan(dt) ? 0.0 : step(dt) - step(dt - d.dutyCycle / d.f);
        break;
    case Triangular: {
        const double h = std::fmod(d.f * dt + d.a + 1.0, 1.0);
        v = h <= d.a ? 1.0 - h / d.a : (h - d.a) / (1.0 - d.a);
        if (std::isinf(v))
            v = 1.0;
        break;
    }
    default:
        break;
    }
    return std::isfinite(v) ? v : 0.0;
}

double clampTo(double v, double lo, double hi)
{
    if (std::isnan(v))
        return lo;
    return std::min(std::max(v, lo), hi);
}

// A double read from a file brought into [lo, hi] before it becomes an integer.
qint64 toInteger(double v, double lo, double hi)
{
    return qint64(std::trunc(clampTo(v, lo, hi)));
}

} // namespace

double approximateFrequency(double f)
{
    return pointRate / std::floor(pointRate / f);
}

qint64 pointCount(double f)
{
    const double fApprox = approximateFrequency(f);
    if (!(f > 0.0) || !std::isfinite(fApprox) || !(fApprox > 0.0))
        return 0;
    const double n = (1.0 / fApprox) * pointRate;
    const double most = pointRate / fMin;
    return qint64(std::min(n, most));
}

void calculate(SignalDescriptor& d)
{
    const int type = d.signalType;
    if (type == Custom)
        return;
    d.x.clear();
    d.y.clear();
    if (type != Sine && type != Square && type != Triangular)
        return;
    const qint64 n = std::min<qint64>(d.nPoints, qint64(pointRate / fMin)) - 1;
    if (n <= 0 || !(d.f > 0.0) || !std::isfinite(d.f))
        return;
    d.x.reserve(int(n));
    d.y.reserve(int(n));
    const double span = d.f * double(n);
    for (qint64 i = 0; i < n; ++i) {
        const double t = double(i) / span;
        d.x.append(t);
        d.y.append(shapeValue(type, d, t));
    }
}

double outputValue(double y, const SignalDescriptor& d)
{
    double v = (y + d.offsetY) * d.gain;
    if (std::isnan(v) || v < d.minY)
        v = d.minY;
    if (v > d.maxY)
        v = d.maxY;
    return std::isfinite(v) ? v : 0.0;
}

void outputs(const SignalDescriptor& d, QVector<double>& xOut, QVector<double>& yOut)
{
    const int n = std::min(d.x.size(), d.y.size());
    xOut.resize(n);
    yOut.resize(n);
    for (int i = 0; i < n; ++i) {
        xOut[i] = d.x.at(i);
        yOut[i] = outputValue(d.y.at(i), d);
    }
}

QString pointsText(const QVector<double>& yOut)
{
    QString text;
    text.reserve(yOut.size() * 10);
    for (int i = 0; i < yOut.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QString::number(yOut.at(i), 'g', 6);
    }
    return text;
}

std::pair<double, double> valueRange(double minY, double maxY)
{
    return {double(float(minY - 0.1 * std::fabs(minY))), double(float(maxY + 0.1 * std::fabs(maxY)))};
}

QJsonObject toJson(const SignalDescriptor& d)
{
    QJsonArray xs;
    QJsonArray ys;
    for (int i = 0; i < d.x.size() && i < d.y.size(); ++i) {
        xs.append(d.x.at(i));
        ys.append(d.y.at(i));
    }
    QJsonObject o;
    o.insert(QStringLiteral("x"), xs);
    o.insert(QStringLiteral("y"), ys);
    o.insert(QStringLiteral("minY"), d.minY);
    o.insert(QStringLiteral("maxY"), d.maxY);
    o.insert(QStringLiteral("f"), d.f);
    o.insert(QStringLiteral("gain"), d.gain);
    o.insert(QStringLiteral("offsetY"), d.offsetY);
    o.insert(QStringLiteral("offsetX"), d.offsetX);
    o.insert(QStringLiteral("dutyCycle"), d.dutyCycle);
    o.insert(QStringLiteral("a"), d.a);
    o.insert(QStringLiteral("signalType"), d.signalType);
    o.insert(QStringLiteral("nRepetitions"), double(d.nRepetitions));
    o.insert(QStringLiteral("isLoopSet"), d.isLoopSet);
    return o;
}

bool readDoubleArray(const QJsonObject& o, const QString& key, QVector<double>* out, QString* error)
{
    const QJsonValue value = o.value(key);
    if (!value.isArray()) {
        *error = key + QStringLiteral(" should be an array.");
        return false;
    }
    const QJsonArray array = value.toArray();
    out->clear();
    out->reserve(array.size());
    for (int i = 0; i < array.size(); ++i) {
        if (!array.at(i).isDouble() || !std::isfinite(array.at(i).toDouble())) {
            *error = key + QStringLiteral(" should be an array of double at index ") + QString::number(i) +
                     QLatin1Char('.');
            return false;
        }
        out->append(array.at(i).toDouble());
    }
    return true;
}

bool readDouble(const QJsonObject& o, const QString& key, double* out, QString* error)
{
    const QJsonValue value = o.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        *error = key + QStringLiteral(" should be a double.");
        return false;
    }
    *out = value.toDouble();
    return true;
}

bool readInteger(const QJsonObject& o, const QString& key, qint64* out, QString* error)
{
    const QJsonValue value = o.value(key);
    if (!value.isDouble() || std::isnan(value.toDouble())) {
        *error = key + QStringLiteral(" should be an integer.");
        return false;
    }
    // Clamped first: a double outside the 64-bit range has no integer value.
    *out = toInteger(value.toDouble(), -9223372036854775808.0, 9223372036854774784.0);
    return true;
}

bool readBool(const QJsonObject& o, const QString& key, bool* out, QString* error)
{
    const QJsonValue value = o.value(key);
    if (!value.isBool()) {
        *error = key + QStringLiteral(" should be a bool.");
        return false;
    }
    *out = value.toBool();
    return true;
}

bool withinPointLimit(const QJsonObject& o, QString* error)
{
    for (const char* key : {"x", "y"}) {
        const QJsonValue value = o.value(QLatin1String(key));
        const int size = value.isArray() ? value.toArray().size() : 0;
        if (size > maxPoints) {
            *error = QStringLiteral("%1 holds %2 points; a waveform holds at most %3.")
                         .arg(QLatin1String(key))
                         .arg(size)
                         .arg(maxPoints);
            return false;
        }
    }
    return true;
}

bool fromJson(const QJsonObject& o, SignalDescriptor& d, QString* error)
{
    if (!withinPointLimit(o, error))
        return false;
    const auto read = [&]() {
        if (!readDoubleArray(o, QStringLiteral("x"), &d.x, error) ||
            !readDoubleArray(o, QStringLiteral("y"), &d.y, error))
            return false;
        for (auto [key, target] : {std::pair<const char*, double*>{"minY", &d.minY},
                                   {"maxY", &d.maxY},
                                   {"f", &d.f},
                                   {"gain", &d.gain},
                                   {"offsetY", &d.offsetY}})
            if (!readDouble(o, QLatin1String(key), target, error))
                return false;
        if (!readInteger(o, QStringLiteral("nRepetitions"), &d.nRepetitions, error))
            return false;
        for (auto [key, target] : {std::pair<const char*, double*>{"offsetX", &d.offsetX},
                                   {"dutyCycle", &d.dutyCycle},
                                   {"a", &d.a}})
            if (!readDouble(o, QLatin1String(key), target, error))
                return false;
        qint64 type = 0;
        if (!readInteger(o, QStringLiteral("signalType"), &type, error))
            return false;
        d.signalType = int(std::clamp<qint64>(type, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
        return readBool(o, QStringLiteral("isLoopSet"), &d.isLoopSet, error);
    };
    const bool ok = read();

    // The limits of the form's fields, so a file cannot bring in what typing could not.
    d.f = clampTo(d.f, fMin, fMax);
    d.dutyCycle = clampTo(d.dutyCycle, 0.0, 1.0);
    d.a = clampTo(d.a, 0.0, 1.0);
    d.offsetX = clampTo(d.offsetX, -1.0 / d.f, 1.0 / d.f);
    d.nRepetitions = std::max<qint64>(d.nRepetitions, 0);
    const int n = std::min(d.x.size(), d.y.size());
    d.x.resize(n);
    d.y.resize(n);
    return ok;
}

} // namespace waveform
