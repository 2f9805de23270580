#pragma once

// Command layer of the supply link: one synchronous command/reply exchange at
// a time over a socket that the worker thread has already connected.
//
// Results of every exchange: 0 accepted or answered, n > 0 the supply's
// refusal code ("NAK:n"), -1 any other reply (or none to a set command),
// -2 no reply at all to a query.
//
// Replies belong to their commands. An exchange whose waits run out before
// its reply is whole (silence, a reply without its CR, an overlong one)
// leaves the link out of step: that reply may still come and must not be
// taken for a later command's. Before the next command goes out, PS_Comm
// sends one read-only query and throws away every line until that query's
// answer, which the supply sends only after every earlier reply. Until such
// an answer has come, no command is sent: each fails as unanswered, the
// query it cost standing in for it on the wire.

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

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

    // How the last exchange ended as far as the supply's answer goes.
    enum class Outcome {
        Answered, // a reply came (taken, refused, or some other text)
        NoReply,  // sent, and no whole reply came in time: what the supply did is not known
        NotSent,  // not sent: the link is closed, or out of step and not brought back in step
        Stopped,  // a stop request ended it
    };
    Outcome lastOutcome() const { return last_outcome; }
    // The read-only queries that bring the link back in step, in the order
    // they are tried; no echo of one begins another's.
    static const QStringList& resyncQueries();

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
    // An exchange whose answer is not known (no whole reply in time, or not
    // sent), named as commandReplyError names it right after.
    void commandUnanswered(QString command);

private:
    enum class ReplyKind { Plain, FileText };
    // Overlong: the reply outgrew max_reply_size before its CR (never an answer).
    // Stopped: the abort check ended the waits before the reply was whole.
    // OutOfStep: not sent, the link could not be brought back in step.
    // Closed: not sent, the socket is not connected.
    enum class Exchange { Replied, Silent, NotSent, Overlong, Stopped, OutOfStep, Closed };

    int query(QString command, QString& value, int timeout, ReplyKind kind);
    // Sends `command` and collects one reply; `echo` is a query's (null for a set command).
    Exchange exchange(const QString& command, const QString& echo, int timeout, QString& reply);
    static Outcome unansweredOutcome(Exchange exchange)
    {
        return exchange == Exchange::OutOfStep || exchange == Exchange::Closed ? Outcome::NotSent
                                                                               : Outcome::NoReply;
    }
    // Sends a read-only query and reads until its answer; false when it did
    // not come in time (or `stopped`).
    bool resynchronise(bool* stopped);
    // A command was sent and its reply may still come; `echo` is a query's
    // (null for a set command, whose reply no query's answer can be taken for).
    void owe(const QString& echo);
    // Reports an exchange whose answer is not known.
    void reportUnanswered(const QString& reported, int code);
    QByteArray frame(const QString& command) const;

    std::function<bool()> abort_check;
    int last_timeout = 0;
    Outcome last_outcome = Outcome::Answered;
    bool out_of_step = false;
    // Echoes of the queries whose replies may still come, and how many of each.
    QHash<QString, int> owed;
};
