#pragma once

// Command layer of the supply link: one synchronous command/reply exchange at
// a time over a socket that the worker thread has already connected.
//
// Results of every exchange: 0 accepted or answered, n > 0 the supply's
// refusal code ("NAK:n"), -1 any other reply (or none to a set command),
// -2 no reply at all to a query.

#include <QObject>
#include <QString>

#include <functional>

class QTcpSocket;

class PS_Comm : public QObject
{
    Q_OBJECT

public:
    // Per-wait time-out of the slow commands (output off, reset, save, and
    // writes to memory cells 3, 4 and 5).
    static constexpr int slow_timeout = 10000;
    // A reply that grows longer than this before its CR is not taken (-1);
    // the rest is drained before the next command.
    static constexpr int max_reply_size = 1024 * 1024;

    PS_Comm(QTcpSocket* socket, int default_timeout, QObject* parent = nullptr);

    // Sends a set command. A `timeout` of 0 uses default_timeout; the reply is
    // awaited for at most 4 x timeout.
    int writeCommand(QString command, int timeout = 0);
    // Sends a query; `value` is written only when the result is 0. Only the
    // reply's framing is removed (its leading '#' and line ends): a '#' in
    // the value is the supply's.
    int readCommand(QString command, QString& value, int timeout = 0);
    // Like readCommand, for replies that carry a whole text file: its inner
    // line feeds stay too.
    int readTextCommand(QString command, QString& value, int timeout = 0);

    // Called before a command is sent and between the waits of an exchange.
    // When it returns true before sending, nothing is sent and the call fails
    // (-1 or -2) without a commandReplyError; during the waits, the exchange
    // stops waiting and, unless its whole reply is already in, fails the same
    // way (a stop asked for is no supply error). By default it checks the
    // calling thread's interruption request.
    void setAbortCheck(std::function<bool()> check);

    // The per-wait time-out used by the last exchange (after resolving 0).
    int lastTimeout() const { return last_timeout; }

    // The command as it may be reported (signal, log): a password is masked.
    static QString reportedCommand(const QString& command);

    // Queries (default time-out).
    int readCurrent(QString& value);                     // "MRI"
    int readVoltage(QString& value);                     // "MRV"
    int readPower(QString& value);                       // "MRW"
    int readDcLink(QString& value);                      // "MRP"
    int readLeakageCurrent(QString& value);              // "MGC"
    int readTemperature(QString& value);                 // "MRT"
    int readCurrentSetpoint(QString& value);             // "MWI:?"
    int readVoltageSetpoint(QString& value);             // "MWV:?"
    int readCurrentRampSetpoint(QString& value);         // "MWIR:?"
    int readVoltageRampSetpoint(QString& value);         // "MWVR:?"
    int readCurrentSlewRate(QString& value);             // "MSRI:?"
    int readVoltageSlewRate(QString& value);             // "MSRV:?"
    int readStatus(QString& value);                      // "MST"
    int readId(QString& value);                          // "MRID"
    int readPrivileges(QString& value);                  // "PASSWORD:?"
    int readLoopMode(QString& value);                    // "LOOP:?"
    int readUpdateMode(QString& value);                  // "UPMODE:?"
    int readVersion(QString& value);                     // "VER"
    int readCurrentVoltageStatus(QString& value);        // "MPLST"
    int readTriggerMode(QString& value);                 // "TRGMODE"
    int readMemory(const QString& cell, QString& value); // "MRG:" + cell
    int readFloatMode(QString& value);                   // "SETFLOAT:?"
    int readLimits(QString& value);                      // "MLIMITS:?"
    int readPolarity(QString& value);                    // "POL"
    int readPMode(QString& value);                       // "PMODE"
    int readPConnections(QString& value);                // "PCONNECTIONS"
    int readEpicsDb(QString& value);                     // "EPICS:DB" (file text kept whole)
    int readEpicsProtocols(QString& value);              // "EPICS:PROTOCOLS" (file text kept whole)
    int readEpicsOpi(QString& value);                    // "EPICS:OPI"
    int readEpicsPvValue(QString& value);                // "EPICS:PV_VALUE"
    int readEpicsPvName(QString& value);                 // "EPICS:PV_NAME"

    // Set commands.
    int outputOn();                                             // "MON"
    int outputOff();                                            // "MOFF", slow
    int reset();                                                // "MRESET", slow
    int reboot();                                               // "MREBOOT"
    int save();                                                 // "MSAVE", slow
    int writeCurrent(const QString& value);                     // "MWI:" + value
    int writeVoltage(const QString& value);                     // "MWV:" + value
    int writeCurrentRamp(const QString& value);                 // "MWIR:" + value
    int writeVoltageRamp(const QString& value);                 // "MWVR:" + value
    int writePassword(const QString& password);                 // "PASSWORD:" + password
    int writeLoopMode(const QString& mode);                     // "LOOP:" + mode
    int writeUpdateMode(const QString& mode);                   // "UPMODE:" + mode
    int writeTriggerMode(int on);                               // "TRGMODE:ON" / "TRGMODE:OFF"
    int writeFloatMode(const QString& mode);                    // "SETFLOAT:N" for "N", else "SETFLOAT:F"
    int writeMemory(const QString& cell, const QString& value); // "MWG:" + cell + ":" + value
    int writePolarity(const QString& polarity);                 // "POL:DIRECT" for "0", else "POL:INVERT"
    int waveformStart();                                        // "WAVEFORM:START"
    int waveformStop();                                         // "WAVEFORM:STOP"
    int writeWaveformPeriods(const QString& count);             // "WAVEFORM:N_PERIODS:" + count
    int writeWaveformPoints(const QString& points);             // "WAVEFORM:POINTS:" + points
    int writeEpicsDb(const QString& text);                      // "EPICS:DB:" + text
    int writeEpicsProtocols(const QString& text);               // "EPICS:PROTOCOLS:" + text
    int restoreEpicsDb();                                       // "EPICS:DB:RESTORE"
    int restoreEpicsProtocols();                                // "EPICS:PROTOCOLS:RESTORE"

    QTcpSocket* socket;  // not owned
    int default_timeout; // ms per wait when a call passes 0

signals:
    void commandReplyError(QString command, const int& error);
    // An exchange that succeeded (result 0), with the command as it may be
    // reported and without its CR.
    void commandAnswered(QString command);

private:
    enum class ReplyKind { Plain, FileText };
    // Overlong: the reply outgrew max_reply_size before its CR (never an answer).
    // Stopped: the abort check ended the waits before the reply was whole.
    enum class Exchange { Replied, Silent, NotSent, Overlong, Stopped };

    int query(QString command, QString& value, int timeout, ReplyKind kind);
    // Sends `framed` (CR-terminated) and collects one reply.
    Exchange exchange(const QByteArray& framed, int timeout, QString& reply);
    QByteArray frame(const QString& command) const;

    std::function<bool()> abort_check;
    int last_timeout = 0;
};
