#pragma once

#include "faults.h"
#include "sdcard.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>

// What the box sends back for one command.
struct BoxReply {
    enum Kind { Ack, Nak, Value, Listing };
    Kind kind = Nak;
    // Value: the value without its CR. Listing: the body that precedes the
    // final "ACK" line, line breaks included.
    QByteArray text;

    static BoxReply ack() { return {Ack, {}}; }
    static BoxReply nak() { return {Nak, {}}; }
    static BoxReply value(const QByteArray& v) { return {Value, v}; }
    static BoxReply listing(const QByteArray& body) { return {Listing, body}; }

    // The bytes that go over the wire: every reply and the closing "ACK" of
    // a listing end with a single CR.
    QByteArray wire() const;
};

// Everything the simulated SENTREL box holds: settings, identity, clock,
// calibration, network settings, flags, the SD card and the acquisition that
// produces the streamed sample lines. It knows nothing about links; the
// simulator feeds it commands and hands its replies and lines to the links.
class BoxState
{
public:
    enum class Trigger { Off, In, Out };

    BoxState();

    // Factory state: every setting, flag and file back to its default.
    void reset();

    // Runs one command (as received, without its CR) and returns the reply.
    // Command words compare without regard to case; arguments keep theirs.
    BoxReply execute(const QByteArray& command);

    // Sample lines due since the last call, joined, each with its end of line;
    // empty when nothing is due or the box does not stream. Samples are taken
    // (and logged to the card when saving) whether or not they are streamed.
    QByteArray takeStreamLines();
    // Samples per second while acquiring (limited by rateCap).
    double sampleRate() const;
    // A stream line could not be delivered: the box's buffer overflowed.
    void noteOverflow() { errBits |= ErrBufferOverflow; }

    quint32 statusWord() const;
    quint32 errorWord() const;
    int lineFlags() const;
    int layout() const { return (headT ? 4 : 0) | (extT ? 2 : 0) | (adcT ? 1 : 0); }

    QDateTime boxNow() const;
    void setBoxDateTime(const QDateTime& when);

    // One reading of the current as the box would report it now.
    double readCurrent();
    double readTemperature(int which); // 0 head, 1 external, 2 ADC

    void startAcquisition();
    void stopAcquisition() { acquiring = false; }

    // Error-word bits the box raises itself.
    enum : quint32 {
        ErrSdMount = 1u << 0,
        ErrSdIo = 1u << 1,
        ErrSdFull = 1u << 5,
        ErrHeadFault = 1u << 8,
        ErrBufferOverflow = 1u << 16,
        ErrHeadMatch = 1u << 17,
    };

    // --- identity (texts as the box reports them)
    QByteArray name, boxSn, boxDes, dcctSn, dcctDes, dcctModel, firmware;
    // Longest name and description this box keeps (a longer one is refused);
    // 0 for no limit.
    int nameMax = 32, desMax = 64;
    // --- acquisition settings
    bool modeDlog = true;
    QByteArray freq, ts, pturns;
    bool headT = false, extT = false, adcT = false;
    bool saveSd = false;
    Trigger trigger = Trigger::Off;
    // --- alarm
    bool alarmEnabled = false;
    QByteArray alarmUlim, alarmLlim;
    bool alarmActive = false, alarmOver = false;
    // --- password and calibration
    QByteArray password;
    bool passwordSet = false;
    bool protect = true; // calibration and identity settings need the password
    bool calOn = true;
    QByteArray gainPos, gainNeg, offset;
    double trueGainPos = 1000.25, trueGainNeg = 999.87, trueOffset = 0.002134;
    bool headMatched = true;
    // --- network: addresses in use and the ones that apply after a restart
    QByteArray ip, mask, gate, mac, ipNew, maskNew, gateNew, macNew;
    // --- run state
    bool acquiring = false, printing = false, ready = true;
    quint32 errBits = 0;
    // --- what the head measures
    double baseCurrent = 150.0; // amperes through the head
    double noise = 0.005;       // amperes, peak to peak
    int actualTurns = 1;
    // --- the card and the clock
    SdCard sd;
    bool clockHeld = false;
    // --- streaming
    QByteArray streamEol = "\r\n";
    double rateCap = 1000.0;
    const Faults* faults = nullptr; // for the stream and value faults
    quint64 counter = 0;            // last sample number of this acquisition
    quint64 streamedLines = 0;

private:
    BoxReply query(const QByteArray& lc, bool* known);
    BoxReply set(const QByteArray& lc, const QByteArray& command, bool* known);
    bool locked() const { return protect && !passwordSet; }
    double trueCurrent(double t);
    double measured(double trueAmps) const;
    void checkAlarm(double amps);
    QByteArray sampleLine(double t);
    QByteArray malformedLine();
    double secondsSinceStart() const { return clock.nsecsElapsed() / 1e9; }

    QElapsedTimer clock; // the box's own running time
    qint64 clockOffsetMs = 0;
    QDateTime heldAt;
    QRandomGenerator rng;
    // Sample timing: samples due = rebaseCount + (t - rebaseTime) * rate.
    double rebaseTime = 0;
    quint64 rebaseCount = 0;
    double lastRate = 0;
    QByteArray logFile; // the card file of this acquisition, when saving
    int malformedTurn = 0;
};
