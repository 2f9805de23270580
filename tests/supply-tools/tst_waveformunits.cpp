#include "limitvalidators.h"
#include "waveform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <cmath>
#include <limits>

class WaveformUnitsTest : public QObject
{
    Q_OBJECT

private slots:
    void frequencyCommit_data();
    void frequencyCommit();
    void unusableFrequencyGivesNoPoints();

    void shapes();
    void outputsClampAndNeverLeaveLimits();
    void valueRangeFollowsMagnitude();
    void pointsText();

    void doubleValidator_data();
    void doubleValidator();
    void intValidatorRefusesWhatItWouldReadAsZero();

    void jsonRoundTrip();
    void readErrors_data();
    void readErrors();
    void loadAppliesLimitsAndCutsToShorter();
};

void WaveformUnitsTest::frequencyCommit_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<QString>("fApprox");
    QTest::addColumn<qint64>("points");
    QTest::newRow("1 Hz") << 1.0 << "1" << qint64(100000);
    QTest::newRow("3 Hz") << 3.0 << "3.00003" << qint64(33333);
    QTest::newRow("1.4 Hz truncates") << 1.4 << "1.40001" << qint64(71427);
    QTest::newRow("0.2 Hz") << 0.2 << "0.2" << qint64(500000);
}

void WaveformUnitsTest::frequencyCommit()
{
    QFETCH(double, f);
    QFETCH(QString, fApprox);
    QFETCH(qint64, points);
    QCOMPARE(QString::number(waveform::approximateFrequency(f), 'g', 6), fApprox);
    QCOMPARE(waveform::pointCount(f), points);
}

void WaveformUnitsTest::unusableFrequencyGivesNoPoints()
{
    for (double f : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        QCOMPARE(waveform::pointCount(f), qint64(0));
        SignalDescriptor d;
        d.f = f;
        waveform::calculate(d);
        QVERIFY(d.x.isEmpty() && d.y.isEmpty());
    }
    // A count from a tiny frequency stays bounded.
    QVERIFY(waveform::pointCount(1e-9) <= qint64(500000));
}

void WaveformUnitsTest::shapes()
{
    SignalDescriptor d;
    d.nPoints = 101; // 100 points, t = i / 100
    d.signalType = waveform::Sine;
    waveform::calculate(d);
    QCOMPARE(d.x.size(), 100);
    QCOMPARE(d.y.size(), 100);
    QCOMPARE(d.x.at(50), 0.5);
    QVERIFY(qAbs(d.y.at(25) - 1.0) < 1e-12);

    // Square: the pulse is cut off at the end of the period, not wrapped.
    d.signalType = waveform::Square;
    d.offsetX = 0.75;
    waveform::calculate(d);
    for (int i = 0; i < d.x.size(); ++i)
        QCOMPARE(d.y.at(i), d.x.at(i) >= 0.75 ? 1.0 : 0.0);

    d.signalType = waveform::Triangular;
    d.offsetX = 0.0;
    waveform::calculate(d);
    QCOMPARE(d.y.at(0), 0.0);
    QVERIFY(qAbs(d.y.at(50) - 1.0) < 1e-9);
    d.a = 0.0; // rising ramp, 0 at its start rather than not-a-number
    waveform::calculate(d);
    QCOMPARE(d.y.at(0), 0.0);
    for (double v : d.y)
        QVERIFY(std::isfinite(v));

    // Custom keeps its points; a type outside the list has none.
    d.signalType = waveform::Custom;
    d.x = {0.0, 1.0};
    d.y = {2.0, 3.0};
    waveform::calculate(d);
    QCOMPARE(d.y.size(), 2);
    d.signalType = -1;
    waveform::calculate(d);
    QVERIFY(d.y.isEmpty());
}

void WaveformUnitsTest::outputsClampAndNeverLeaveLimits()
{
    SignalDescriptor d;
    d.minY = -1.0;
    d.maxY = 1.0;
    d.gain = 2.0;
    d.x = {0, 1, 2, 3, 4};
    d.y = {0.25, 0.9, -0.9, std::nan(""), std::numeric_limits<double>::infinity()};
    QVector<double> xOut, yOut;
    waveform::outputs(d, xOut, yOut);
    QCOMPARE(yOut, (QVector<double>{0.5, 1.0, -1.0, -1.0, 1.0}));
    QCOMPARE(xOut, d.x);

    d.minY = 2.0; // above maxY: everything ends at maxY
    waveform::outputs(d, xOut, yOut);
    for (double v : yOut)
        QCOMPARE(v, 1.0);
}

void WaveformUnitsTest::valueRangeFollowsMagnitude()
{
    const auto unit = waveform::valueRange(-1.0, 1.0);
    QVERIFY(qAbs(unit.first + 1.1) < 1e-6 && qAbs(unit.second - 1.1) < 1e-6);
    QCOMPARE(waveform::valueRange(0.0, 10.0), std::make_pair(0.0, 11.0));
    // Negative upper limit: the axis still reaches above it.
    const auto r = waveform::valueRange(-5.0, -2.0);
    QVERIFY(r.first < -5.0 && r.second > -2.0);
}

void WaveformUnitsTest::pointsText()
{
    QCOMPARE(waveform::pointsText({}), QString());
    QCOMPARE(waveform::pointsText({1.0, -0.5, 1.23456789}), QStringLiteral("1:-0.5:1.23457"));
}

void WaveformUnitsTest::doubleValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("fixed");
    QTest::newRow("empty") << "" << int(QValidator::Intermediate) << "1";
    QTest::newRow("above") << "5000" << int(QValidator::Intermediate) << "1000";
    QTest::newRow("below") << "0.1" << int(QValidator::Intermediate) << "0.2";
    QTest::newRow("letters") << "abc" << int(QValidator::Intermediate) << "1";
    QTest::newRow("nan") << "nan" << int(QValidator::Intermediate) << "1";
    QTest::newRow("inf") << "inf" << int(QValidator::Intermediate) << "1000";
    QTest::newRow("as typed") << "1.000" << int(QValidator::Acceptable) << "1.000";
}

void WaveformUnitsTest::doubleValidator()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    QFETCH(QString, fixed);
    ValidatorDoubleLimit v(1, 0.2, 1000, nullptr);
    int pos = 0;
    QCOMPARE(int(v.validate(text, pos)), state);
    v.fixup(text);
    QCOMPARE(text, fixed);

    const double largest = std::numeric_limits<double>::max();
    ValidatorDoubleLimit gain(1, -largest, largest, nullptr);
    QString inf = QStringLiteral("-inf");
    gain.fixup(inf);
    QCOMPARE(inf, QStringLiteral("-1.79769e+308"));
}

void WaveformUnitsTest::intValidatorRefusesWhatItWouldReadAsZero()
{
    ValidatorIntLimit v(1, 1, std::numeric_limits<qint64>::max(), nullptr);
    int pos = 0;
    for (QString text : {QStringLiteral("2.5"), QStringLiteral("1e3"), QStringLiteral("nan"), QString(),
                         QStringLiteral("0")}) {
        QCOMPARE(v.validate(text, pos), QValidator::Intermediate);
        v.fixup(text);
        QCOMPARE(text, QStringLiteral("1"));
    }
    QString ok = QStringLiteral("42");
    QCOMPARE(v.validate(ok, pos), QValidator::Acceptable);
}

void WaveformUnitsTest::jsonRoundTrip()
{
    SignalDescriptor d;
    d.signalType = waveform::Custom;
    d.x = {0.0, 0.25, 0.5};
    d.y = {1.5, -2.0, 3.25};
    d.minY = -3;
    d.maxY = 4;
    d.f = 12.5;
    d.gain = 2;
    d.offsetY = 0.5;
    d.offsetX = 0.01;
    d.dutyCycle = 0.3;
    d.a = 0.7;
    d.nRepetitions = 7;
    d.isLoopSet = false;

    const QByteArray text = QJsonDocument(waveform::toJson(d)).toJson();
    SignalDescriptor back;
    back.nPoints = 42;
    QString error;
    QVERIFY(waveform::fromJson(QJsonDocument::fromJson(text).object(), back, &error));
    QCOMPARE(back.x, d.x);
    QCOMPARE(back.y, d.y);
    QCOMPARE(back.signalType, d.signalType);
    QCOMPARE(back.minY, d.minY);
    QCOMPARE(back.maxY, d.maxY);
    QCOMPARE(back.f, d.f);
    QCOMPARE(back.gain, d.gain);
    QCOMPARE(back.offsetY, d.offsetY);
    QCOMPARE(back.offsetX, d.offsetX);
    QCOMPARE(back.dutyCycle, d.dutyCycle);
    QCOMPARE(back.a, d.a);
    QCOMPARE(back.nRepetitions, d.nRepetitions);
    QCOMPARE(back.isLoopSet, d.isLoopSet);
    QCOMPARE(back.nPoints, qint64(42)); // not stored in the file
}

void WaveformUnitsTest::readErrors_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("error");
    QTest::newRow("x not array") << R"({"x": 1})" << "x should be an array.";
    QTest::newRow("y string at 3") << R"({"y": [1, 2, 3, "a"]})" << "y should be an array of double at index 3.";
    QTest::newRow("f missing") << R"({"f": null})" << "f should be a double.";
    QTest::newRow("repetitions") << R"({"nRepetitions": "2"})" << "nRepetitions should be an integer.";
    QTest::newRow("signal type") << R"({"signalType": true})" << "signalType should be an integer.";
    QTest::newRow("loop as number") << R"({"isLoopSet": 1})" << "isLoopSet should be a bool.";
    // Checked before anything is read, "y" as well as "x".
    QString crowded = QStringLiteral(R"({"y": [0)");
    for (int i = 0; i < waveform::maxPoints; ++i)
        crowded += QStringLiteral(",0");
    QTest::newRow("y over the point limit")
        << crowded + QStringLiteral("]}") << "y holds 500001 points; a waveform holds at most 500000.";
    // Exactly the limit is no error: what fails then is the field after the points.
    const QString full = QStringLiteral("[0") + QStringLiteral(",0").repeated(waveform::maxPoints - 1) + "]";
    QTest::newRow("x and y at the point limit")
        << R"({"x": )" + full + R"(, "y": )" + full + R"(, "f": null})" << "f should be a double.";
}

void WaveformUnitsTest::readErrors()
{
    QFETCH(QString, change);
    QFETCH(QString, error);
    SignalDescriptor d;
    d.x = {0, 1, 2, 3, 4};
    d.y = d.x;
    QJsonObject o = waveform::toJson(d);
    const QJsonObject patch = QJsonDocument::fromJson(change.toUtf8()).object();
    for (auto it = patch.begin(); it != patch.end(); ++it)
        o.insert(it.key(), it.value());

    SignalDescriptor back;
    QString text;
    QVERIFY(!waveform::fromJson(o, back, &text));
    QCOMPARE(text, error);
    QCOMPARE(back.x.size(), back.y.size());
    QVERIFY(back.y.size() <= waveform::maxPoints);
}

void WaveformUnitsTest::loadAppliesLimitsAndCutsToShorter()
{
    const QByteArray text = R"({"x": [0, 0.1, 0.2, 0.3], "y": [5, 6], "minY": -1, "maxY": 1, "f": 5000,
        "gain": 1, "offsetY": 0, "offsetX": 50, "dutyCycle": 1.5, "a": -2, "signalType": 1e30,
        "nRepetitions": 2.9, "isLoopSet": true})";
    SignalDescriptor d;
    QString error;
    QVERIFY(waveform::fromJson(QJsonDocument::fromJson(text).object(), d, &error));
    QCOMPARE(d.f, 1000.0);
    QCOMPARE(d.dutyCycle, 1.0);
    QCOMPARE(d.a, 0.0);
    QCOMPARE(d.offsetX, 0.001);
    QCOMPARE(d.signalType, std::numeric_limits<int>::max());
    QCOMPARE(d.nRepetitions, qint64(2));
    QCOMPARE(d.x, (QVector<double>{0, 0.1}));
    QCOMPARE(d.y, (QVector<double>{5, 6}));

    const QByteArray huge = R"({"x": [], "y": [], "minY": -1, "maxY": 1, "f": 1, "gain": 1, "offsetY": 0,
        "nRepetitions": 1e300})";
    QVERIFY(!waveform::fromJson(QJsonDocument::fromJson(huge).object(), d, &error));
    QCOMPARE(d.nRepetitions, std::numeric_limits<qint64>::max() - 1023);
}

QTEST_MAIN(WaveformUnitsTest)
#include "tst_waveformunits.moc"
