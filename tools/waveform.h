#pragma once

#include <QJsonObject>
#include <QString>
#include <QVector>

#include <utility>

// One period of the waveform generator's signal: its parameters and its raw
// points (before offset, gain and clamping).
struct SignalDescriptor {
    QVector<double> x;
    QVector<double> y;
    int signalType = 0; // 0 Sine, 1 Square, 2 Triangular, 3 Custom
    double minY = -1.0;
    double maxY = 1.0;
    double f = 1.0;
    qint64 nPoints = 100000;
    double gain = 1.0;
    double offsetY = 0.0;
    double offsetX = 0.0;
    double dutyCycle = 0.5;
    double a = 0.5;
    qint64 nRepetitions = 0;
    bool isLoopSet = true;
};

// The waveform maths, free of widgets so tests and benchmarks call it directly.
namespace waveform
{

enum Shape { Sine = 0, Square = 1, Triangular = 2, Custom = 3 };

constexpr double pointRate = 100000.0; // points per second a period is sized for
constexpr double fMin = 0.2;
constexpr double fMax = 1000.0;

// The frequency nearest above `f` whose period holds a whole number of points.
double approximateFrequency(double f);

// Points per period for a committed frequency: the period of its approximate
// frequency times the point rate, truncated. A frequency that is no finite
// positive number gives 0; the count never exceeds a period at fMin.
qint64 pointCount(double f);

// Fills d.x and d.y with N-1 points of one period of the shape d.signalType
// (N = d.nPoints). Custom leaves the points alone; any other type empties them.
void calculate(SignalDescriptor& d);

// The value sent for one raw point: (y + offsetY) * gain clamped into
// [minY, maxY]; a value that is not a number becomes minY.
double outputValue(double y, const SignalDescriptor& d);

// xOut/yOut from the descriptor's points.
void outputs(const SignalDescriptor& d, QVector<double>& xOut, QVector<double>& yOut);

// The ":"-joined point list of the waveform command.
QString pointsText(const QVector<double>& yOut);

// Value axis of the preview: a tenth of each limit's magnitude beyond it.
std::pair<double, double> valueRange(double minY, double maxY);

// The most points a period holds: a period at fMin. Typing cannot make more,
// and neither may a file.
constexpr int maxPoints = int(pointRate / fMin);

// Waveform files. An exported file holds each point as two numbers of at most
// 24 characters, each on an indented line of its own: a file larger than this
// holds more points than a waveform can.
constexpr qint64 maxFileSize = qint64(maxPoints) * 2 * 40 + (1 << 16);
QJsonObject toJson(const SignalDescriptor& d);

// False, with the text for the user in `error`, when the file's "x" or "y"
// holds more than maxPoints points.
bool withinPointLimit(const QJsonObject& o, QString* error);

// Reading one key; on failure returns false and sets `error` to the text shown
// to the user.
bool readDoubleArray(const QJsonObject& o, const QString& key, QVector<double>* out, QString* error);
bool readDouble(const QJsonObject& o, const QString& key, double* out, QString* error);
bool readInteger(const QJsonObject& o, const QString& key, qint64* out, QString* error);
bool readBool(const QJsonObject& o, const QString& key, bool* out, QString* error);

// Reads every key into `d` in file order, stopping at the first that fails
// (its text goes to `error`). Whatever was read is then brought within the
// form's limits and x/y are cut to the shorter of the two. nPoints is kept.
// A file over the point limit changes nothing.
bool fromJson(const QJsonObject& o, SignalDescriptor& d, QString* error);

} // namespace waveform
