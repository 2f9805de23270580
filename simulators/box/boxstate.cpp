#include "boxstate.h"

#include <cmath>

QByteArray BoxReply::wire() const
{
    switch (kind) {
    case Ack:
        return "ACK\r";
    case Nak:
        return "NAK\r";
    case Value:
        return text + '\r';
    case Listing:
        return text + "ACK\r";
    }
    return "NAK\r";
}

BoxState::BoxState() : rng(20180411)
{
    clock.start();
    reset();
}

void BoxState::reset()
{
    name = "SENTREL-01";
    nameMax = 32;
    desMax = 64;
    boxSn = "SN-2018-0042";
    boxDes = "Beam line 3 DCCT readout";
    dcctSn = "A1234";
    dcctDes = "Ring DCCT, 200 mm aperture";
    dcctModel = "3 A1234";
    firmware = "SENTREL:2.3.1:11.04.2018";
    modeDlog = true;
    freq = "10";
    ts = "100";
    pturns = "1";
    headT = true;
    extT = true;
    adcT = false;
    saveSd = false;
    trigger = Trigger::Off;
    alarmEnabled = false;
    alarmUlim = "200";
    alarmLlim = "-200";
    alarmActive = false;
    alarmOver = false;
    password = "sentrel";
    passwordSet = false;
    calOn = true;
    gainPos = "1000.000000";
    gainNeg = "1000.000000";
    offset = "0.000000";
    headMatched = true;
    ip = "192.168.0.20";
    mask = "255.255.255.0";
    gate = "192.168.0.1";
    mac = "00:1A:2B:3C:4D:5E";
    ipNew = ip;
    maskNew = mask;
    gateNew = gate;
    macNew = mac;
    acquiring = false;
    printing = false;
    ready = true;
    errBits = 0;
    baseCurrent = 150.0;
    noise = 0.005;
    actualTurns = 1;
    sd.loadDefaults();
    clockHeld = false;
    clockOffsetMs = 0;
    counter = 0;
    logFile.clear();
}

quint32 BoxState::statusWord() const
{
    quint32 w = 0;
    auto bit = [&w](int n, bool on) {
        if (on)
            w |= 1u << n;
    };
    bit(0, acquiring);
    bit(1, errorWord() != 0);
    bit(2, alarmActive);
    bit(3, alarmActive && alarmOver);
    bit(5, sd.mounted);
    bit(14, calOn);
    bit(15, passwordSet);
    bit(16, modeDlog);
    bit(17, extT);
    bit(18, headT);
    bit(19, adcT);
    bit(20, printing);
    bit(21, saveSd);
    bit(22, alarmEnabled);
    bit(23, trigger != Trigger::Off);
    bit(24, trigger == Trigger::Out);
    bit(25, ready);
    return w;
}

quint32 BoxState::errorWord() const
{
    return errBits | (headMatched ? 0u : quint32(ErrHeadMatch));
}

int BoxState::lineFlags() const
{
    const quint32 e = errorWord();
    int f = 0;
    if (e != 0)
        f |= 0x01;
    if (e & ErrHeadFault)
        f |= 0x02;
    if (e & ErrBufferOverflow)
        f |= 0x04;
    if (e & ErrSdFull)
        f |= 0x08;
    if (e & 0x1e)
        f |= 0x10;
    if (alarmActive) {
        f |= 0x40;
        if (alarmOver)
            f |= 0x80;
    }
    return f;
}

QDateTime BoxState::boxNow() const
{
    if (clockHeld)
        return heldAt;
    return QDateTime::currentDateTime().addMSecs(clockOffsetMs);
}

void BoxState::setBoxDateTime(const QDateTime& when)
{
    if (clockHeld)
        heldAt = when;
    clockOffsetMs = QDateTime::currentDateTime().msecsTo(when);
}

// The beam current through the head: a slow ripple around the base value
// with a little noise, so consecutive samples differ as they do on a real box.
double BoxState::trueCurrent(double t)
{
    const double ripple = 0.02 * baseCurrent * std::sin(2 * M_PI * t / 60.0);
    return baseCurrent + ripple + (rng.generateDouble() - 0.5) * noise;
}

// What the box makes of the head's signal with its present calibration: the
// gains of the head scale the reading until the box is calibrated against a
// reference, the head's own offset shows until it is zeroed, and the primary
// turns divide what several turns through the head add up to.
double BoxState::measured(double trueAmps) const
{
    bool ok = false;
    double turns = pturns.toDouble(&ok);
    if (!ok || turns <= 0)
        turns = 1;
    double amps = trueAmps * actualTurns / turns;
    const double gain = (amps >= 0 ? gainPos : gainNeg).toDouble(&ok);
    const double trueGain = amps >= 0 ? trueGainPos : trueGainNeg;
    if (ok && gain > 0)
        amps *= gain / trueGain;
    const double off = offset.toDouble(&ok);
    return amps + trueOffset - (ok ? off : 0.0);
}

void BoxState::checkAlarm(double amps)
{
    if (!alarmEnabled)
        return;
    bool okU = false, okL = false;
    const double upper = alarmUlim.toDouble(&okU);
    const double lower = alarmLlim.toDouble(&okL);
    // The alarm latches until it is cleared ("alarm:CLR") or switched off.
    if (okU && amps > upper) {
        alarmActive = true;
        alarmOver = true;
    } else if (okL && amps < lower) {
        alarmActive = true;
        alarmOver = false;
    }
}

double BoxState::readCurrent()
{
    const double amps = measured(trueCurrent(secondsSinceStart()));
    checkAlarm(amps);
    return amps;
}

double BoxState::readTemperature(int which)
{
    const double t = secondsSinceStart();
    const double jitter = (rng.generateDouble() - 0.5) * 0.04;
    switch (which) {
    case 0:
        return 30.0 + 0.6 * std::sin(2 * M_PI * t / 600.0) + jitter;
    case 1:
        return 24.0 + 0.3 * std::sin(2 * M_PI * t / 900.0 + 1.0) + jitter;
    default:
        return 38.0 + 0.2 * std::sin(2 * M_PI * t / 450.0 + 2.0) + jitter;
    }
}

double BoxState::sampleRate() const
{
    bool ok = false;
    double rate = 0;
    if (modeDlog) {
        rate = freq.toDouble(&ok);
    } else {
        const double micros = ts.toDouble(&ok);
        rate = ok && micros > 0 ? 1e6 / micros : 0;
    }
    // A setting forced to nonsense by a test still streams, at one line a second.
    if (!ok || !(rate > 0) || !std::isfinite(rate))
        rate = 1.0;
    return std::min(rate, rateCap > 0 ? rateCap : 1000.0);
}

void BoxState::startAcquisition()
{
    acquiring = true;
    counter = 0;
    rebaseTime = secondsSinceStart();
    rebaseCount = 0;
    lastRate = sampleRate();
    logFile.clear();
    if (saveSd && sd.mounted) {
        logFile = sd.newLogName();
        sd.put(logFile, "counter flags current headT extT adcT\r\n");
    }
}

QByteArray BoxState::sampleLine(double t)
{
    ++counter;
    const double amps = measured(trueCurrent(t));
    checkAlarm(amps);
    QByteArray line = QByteArray::number(counter) + ' ' + QByteArray::number(lineFlags(), 16) + ' ' +
                      QByteArray::number(amps, 'f', 6);
    // Temperatures follow in the fixed order head, external, ADC.
    if (headT)
        line += ' ' + QByteArray::number(readTemperature(0), 'f', 2);
    if (extT)
        line += ' ' + QByteArray::number(readTemperature(1), 'f', 2);
    if (adcT)
        line += ' ' + QByteArray::number(readTemperature(2), 'f', 2);
    return line;
}

// Lines a confused or noisy link could deliver: each one breaks a different
// rule of the line format.
QByteArray BoxState::malformedLine()
{
    switch (malformedTurn++ % 5) {
    case 0:
        return QByteArray(); // an empty line
    case 1:
        return QByteArray::number(counter) + " 0"; // too few fields
    case 2:
        return "x" + QByteArray::number(counter) + " 0 " + QByteArray::number(baseCurrent, 'f', 3);
    case 3:
        return QByteArray::number(counter) + " 0 -.-";
    default:
        return QByteArray::number(counter) + "  0 " + QByteArray::number(baseCurrent, 'f', 3); // two blanks
    }
}

QByteArray BoxState::takeStreamLines()
{
    if (!acquiring)
        return {};
    const double now = secondsSinceStart();
    const double rate = sampleRate();
    if (rate != lastRate) {
        rebaseTime = now;
        rebaseCount = counter;
        lastRate = rate;
    }
    // The first sample is taken at the start, then one every 1/rate seconds.
    quint64 due = rebaseCount + quint64((now - rebaseTime) * rate) + 1;
    if (due <= counter)
        return {};
    // After a long pause (a stopped process, say) skip ahead instead of
    // bursting thousands of lines at once: a real box would have lost them.
    const quint64 maxBatch = quint64(std::max(10.0, rate));
    if (due - counter > maxBatch) {
        counter = due - maxBatch;
    }
    QByteArray out;
    QByteArray toCard;
    while (counter < due) {
        const QByteArray line = sampleLine(now);
        if (printing) {
            out += line + streamEol;
            ++streamedLines;
            if (faults && faults->badStream && counter % 4 == 0)
                out += malformedLine() + streamEol;
        }
        if (!logFile.isEmpty())
            toCard += line + "\r\n";
    }
    if (!toCard.isEmpty() && !sd.append(logFile, toCard)) {
        errBits |= ErrSdFull;
        logFile.clear();
    }
    return out;
}
