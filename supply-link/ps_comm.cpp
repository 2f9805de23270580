#include "ps_comm.h"

#include "ps_replies.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QThread>

namespace
{

const QChar CR(QLatin1Char('\r'));

// Longest single socket wait: an exchange checks for a stop request at least this often.
constexpr int waitSlice = 50;

// CR would end the command early on the wire and NUL would cut it; LF stays
// (file texts carry line feeds).
QString cleanCommand(QString command)
{
    command.remove(CR);
    command.remove(QChar(0));
    return command;
}

} // namespace

PS_Comm::PS_Comm(QTcpSocket* socket, int default_timeout, QObject* parent)
    : QObject(parent), socket(socket), default_timeout(default_timeout)
{
    abort_check = [] { return QThread::currentThread()->isInterruptionRequested(); };
}

void PS_Comm::setAbortCheck(std::function<bool()> check)
{
    abort_check = std::move(check);
}

QString PS_Comm::reportedCommand(const QString& command)
{
    static const QString prefix = QStringLiteral("PASSWORD:");
    if (!command.startsWith(prefix, Qt::CaseInsensitive))
        return command;
    QString rest = command.mid(prefix.size());
    const bool framed = rest.endsWith(CR);
    if (framed)
        rest.chop(1);
    if (rest == QLatin1String("?"))
        return command;
    return prefix + QStringLiteral("***") + (framed ? QString(CR) : QString());
}

QByteArray PS_Comm::frame(const QString& command) const
{
    QByteArray bytes = command.toLatin1();
    bytes.append('\r');
    return bytes;
}

const QStringList& PS_Comm::resyncQueries()
{
    // The status query first; the others only while a reply to an earlier
    // one is still owed.
    static const QStringList queries{
        QStringLiteral("MST"), QStringLiteral("VER"), QStringLiteral("MRID"), QStringLiteral("MRT"),
        QStringLiteral("MGC"), QStringLiteral("MRP"), QStringLiteral("MRV"),  QStringLiteral("PCONNECTIONS")};
    return queries;
}

void PS_Comm::owe(const QString& echo)
{
    out_of_step = true;
    if (!echo.isNull())
        ++owed[echo];
}

bool PS_Comm::resynchronise(bool* stopped)
{
    *stopped = false;
    // A line of an owed reply whose echo begins the query's echo, or that the
    // query's echo begins, could pass for its answer: take the query with the
    // fewest such replies owed, and await one answer more than that.
    QString query;
    int before = -1;
    for (const QString& candidate : resyncQueries()) {
        int related = 0;
        for (auto it = owed.constBegin(); it != owed.constEnd(); ++it) {
            if (it.key().startsWith(candidate) || candidate.startsWith(it.key()))
                related += it.value();
        }
        if (before < 0 || related < before) {
            query = candidate;
            before = related;
        }
    }

    // Nothing is drained: what the socket holds are the late replies, read as lines.
    socket->write(frame(query));
    socket->flush();
    const QDeadlineTimer deadline(qint64(qMax(default_timeout, 0)) * 4, Qt::PreciseTimer);
    ResyncReader reader(query, before + 1, max_reply_size);
    for (;;) {
        if (socket->bytesAvailable() > 0 ||
            socket->waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), waitSlice)))) {
            // Bytes after the answer are nobody's reply: dropped with it.
            if (reader.add(socket->readAll())) {
                out_of_step = false;
                owed.clear();
                return true;
            }
        } else if (socket->state() != QAbstractSocket::ConnectedState) {
            break;
        }
        if (abort_check && abort_check()) {
            *stopped = true;
            break;
        }
        if (deadline.hasExpired())
            break;
    }
    owe(query);
    return false;
}

PS_Comm::Exchange PS_Comm::exchange(const QString& command, const QString& echo, int timeout, QString& reply)
{
    reply.clear();
    // Once a stop is requested nothing more goes out (the rest of a task's commands included).
    if (abort_check && abort_check())
        return Exchange::NotSent;
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return Exchange::Closed;

    if (out_of_step) {
        bool stopped = false;
        if (!resynchronise(&stopped))
            return stopped ? Exchange::Stopped : Exchange::OutOfStep;
    }

    // Stray bytes of an earlier exchange must not be taken for this one's
    // reply. Bounded, so a peer that never stops talking cannot hold us here.
    for (int pass = 0; pass < 64; ++pass) {
        if (socket->bytesAvailable() > 0)
            socket->readAll();
        else if (!socket->waitForReadyRead(0))
            break;
    }
    if (socket->state() != QAbstractSocket::ConnectedState)
        return Exchange::Closed;

    socket->write(frame(command));
    socket->flush();

    // The four waits of one reply form a single deadline, so a reply that
    // trickles in as many small chunks is still read whole.
    const QDeadlineTimer deadline(qint64(timeout) * 4, Qt::PreciseTimer);
    SupplyReplyCollector collector(max_reply_size);
    for (;;) {
        if (socket->bytesAvailable() > 0 ||
            socket->waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), waitSlice)))) {
            if (collector.add(socket->readAll()))
                break;
        } else if (socket->state() != QAbstractSocket::ConnectedState) {
            break;
        }
        // A stop the user asked for is no fault of the supply: the exchange
        // ends unreported.
        if (abort_check && abort_check()) {
            owe(echo);
            return Exchange::Stopped;
        }
        if (deadline.hasExpired())
            break;
    }

    // The reply, or the rest of it, may still come.
    if (!collector.complete())
        owe(echo);
    // A reply cut at the cap is incomplete; taking it would pass a cut value
    // (or file text) off as the supply's answer.
    if (collector.overlong())
        return Exchange::Overlong;
    reply = collector.text();
    return collector.isEmpty() ? Exchange::Silent : Exchange::Replied;
}

void PS_Comm::reportUnanswered(const QString& reported, int code)
{
    emit commandUnanswered(reported);
    emit commandReplyError(reported, code);
}

int PS_Comm::writeCommand(QString command, int timeout)
{
    if (timeout == 0)
        timeout = default_timeout;
    timeout = qMax(timeout, 0);
    last_timeout = timeout;
    command = cleanCommand(command);

    QString reply;
    // A set command's reply carries no echo.
    const Exchange outcome = exchange(command, QString(), timeout, reply);
    switch (outcome) {
    case Exchange::NotSent:
    case Exchange::Stopped:
        last_outcome = Outcome::Stopped;
        return -1;
    case Exchange::OutOfStep:
    case Exchange::Closed:
    case Exchange::Silent:
    case Exchange::Overlong:
        last_outcome = unansweredOutcome(outcome);
        reportUnanswered(reportedCommand(command + CR), -1);
        return -1;
    case Exchange::Replied:
        break;
    }
    last_outcome = Outcome::Answered;
    const int code = setReplyResult(reply);
    if (code != 0)
        emit commandReplyError(reportedCommand(command + CR), code);
    else
        emit commandAnswered(reportedCommand(command));
    return code;
}

int PS_Comm::readCommand(QString command, QString& value, int timeout)
{
    return query(command, value, timeout, ReplyKind::Plain);
}

int PS_Comm::readTextCommand(QString command, QString& value, int timeout)
{
    return query(command, value, timeout, ReplyKind::FileText);
}

int PS_Comm::query(QString command, QString& value, int timeout, ReplyKind kind)
{
    if (timeout == 0)
        timeout = default_timeout;
    timeout = qMax(timeout, 0);
    last_timeout = timeout;
    command = cleanCommand(command);

    QString reply;
    QString echo = command;
    echo.remove(QStringLiteral(":?"));
    const Exchange outcome = exchange(command, echo, timeout, reply);
    switch (outcome) {
    case Exchange::NotSent:
    case Exchange::Stopped:
        last_outcome = Outcome::Stopped;
        return -2;
    case Exchange::OutOfStep:
    case Exchange::Closed:
    case Exchange::Silent:
        last_outcome = unansweredOutcome(outcome);
        reportUnanswered(reportedCommand(command + CR), -2);
        return -2;
    case Exchange::Overlong:
        last_outcome = Outcome::NoReply;
        reportUnanswered(reportedCommand(command), -1);
        return -1;
    case Exchange::Replied:
        break;
    }

    last_outcome = Outcome::Answered;
    const int code = queryReplyResult(command, reply, kind == ReplyKind::FileText, &value);
    if (code != 0)
        emit commandReplyError(reportedCommand(command), code);
    else
        emit commandAnswered(reportedCommand(command));
    return code;
}

// Queries.
int PS_Comm::readCurrent(QString& value)
{
    return readCommand(QStringLiteral("MRI"), value);
}
int PS_Comm::readVoltage(QString& value)
{
    return readCommand(QStringLiteral("MRV"), value);
}
int PS_Comm::readPower(QString& value)
{
    return readCommand(QStringLiteral("MRW"), value);
}
int PS_Comm::readDcLink(QString& value)
{
    return readCommand(QStringLiteral("MRP"), value);
}
int PS_Comm::readLeakageCurrent(QString& value)
{
    return readCommand(QStringLiteral("MGC"), value);
}
int PS_Comm::readTemperature(QString& value)
{
    return readCommand(QStringLiteral("MRT"), value);
}
int PS_Comm::readCurrentSetpoint(QString& value)
{
    return readCommand(QStringLiteral("MWI:?"), value);
}
int PS_Comm::readVoltageSetpoint(QString& value)
{
    return readCommand(QStringLiteral("MWV:?"), value);
}
int PS_Comm::readCurrentRampSetpoint(QString& value)
{
    return readCommand(QStringLiteral("MWIR:?"), value);
}
int PS_Comm::readVoltageRampSetpoint(QString& value)
{
    return readCommand(QStringLiteral("MWVR:?"), value);
}
int PS_Comm::readCurrentSlewRate(QString& value)
{
    return readCommand(QStringLiteral("MSRI:?"), value);
}
int PS_Comm::readVoltageSlewRate(QString& value)
{
    return readCommand(QStringLiteral("MSRV:?"), value);
}
int PS_Comm::readStatus(QString& value)
{
    return readCommand(QStringLiteral("MST"), value);
}
int PS_Comm::readId(QString& value)
{
    return readCommand(QStringLiteral("MRID"), value);
}
int PS_Comm::readPrivileges(QString& value)
{
    return readCommand(QStringLiteral("PASSWORD:?"), value);
}
int PS_Comm::readLoopMode(QString& value)
{
    return readCommand(QStringLiteral("LOOP:?"), value);
}
int PS_Comm::readUpdateMode(QString& value)
{
    return readCommand(QStringLiteral("UPMODE:?"), value);
}
int PS_Comm::readVersion(QString& value)
{
    return readCommand(QStringLiteral("VER"), value);
}
int PS_Comm::readCurrentVoltageStatus(QString& value)
{
    return readCommand(QStringLiteral("MPLST"), value);
}
int PS_Comm::readTriggerMode(QString& value)
{
    return readCommand(QStringLiteral("TRGMODE"), value);
}
int PS_Comm::readMemory(const QString& cell, QString& value)
{
    return readCommand(QStringLiteral("MRG:") + cell, value);
}
int PS_Comm::readFloatMode(QString& value)
{
    return readCommand(QStringLiteral("SETFLOAT:?"), value);
}
int PS_Comm::readLimits(QString& value)
{
    return readCommand(QStringLiteral("MLIMITS:?"), value);
}
int PS_Comm::readPolarity(QString& value)
{
    return readCommand(QStringLiteral("POL"), value);
}
int PS_Comm::readPMode(QString& value)
{
    return readCommand(QStringLiteral("PMODE"), value);
}
int PS_Comm::readPConnections(QString& value)
{
    return readCommand(QStringLiteral("PCONNECTIONS"), value);
}
int PS_Comm::readEpicsDb(QString& value)
{
    return readTextCommand(QStringLiteral("EPICS:DB"), value);
}
int PS_Comm::readEpicsProtocols(QString& value)
{
    return readTextCommand(QStringLiteral("EPICS:PROTOCOLS"), value);
}
int PS_Comm::readEpicsOpi(QString& value)
{
    return readCommand(QStringLiteral("EPICS:OPI"), value);
}
int PS_Comm::readEpicsPvValue(QString& value)
{
    return readCommand(QStringLiteral("EPICS:PV_VALUE"), value);
}
int PS_Comm::readEpicsPvName(QString& value)
{
    return readCommand(QStringLiteral("EPICS:PV_NAME"), value);
}

// Set commands.
int PS_Comm::outputOn()
{
    return writeCommand(QStringLiteral("MON"));
}
int PS_Comm::outputOff()
{
    return writeCommand(QStringLiteral("MOFF"), slow_timeout);
}
int PS_Comm::reset()
{
    return writeCommand(QStringLiteral("MRESET"), slow_timeout);
}
int PS_Comm::reboot()
{
    return writeCommand(QStringLiteral("MREBOOT"));
}
int PS_Comm::save()
{
    return writeCommand(QStringLiteral("MSAVE"), slow_timeout);
}
int PS_Comm::writeCurrent(const QString& value)
{
    return writeCommand(QStringLiteral("MWI:") + value);
}
int PS_Comm::writeVoltage(const QString& value)
{
    return writeCommand(QStringLiteral("MWV:") + value);
}
int PS_Comm::writeCurrentRamp(const QString& value)
{
    return writeCommand(QStringLiteral("MWIR:") + value);
}
int PS_Comm::writeVoltageRamp(const QString& value)
{
    return writeCommand(QStringLiteral("MWVR:") + value);
}
int PS_Comm::writePassword(const QString& password)
{
    return writeCommand(QStringLiteral("PASSWORD:") + password);
}
int PS_Comm::writeLoopMode(const QString& mode)
{
    return writeCommand(QStringLiteral("LOOP:") + mode);
}
int PS_Comm::writeUpdateMode(const QString& mode)
{
    return writeCommand(QStringLiteral("UPMODE:") + mode);
}
int PS_Comm::writeTriggerMode(int on)
{
    return writeCommand(on != 0 ? QStringLiteral("TRGMODE:ON") : QStringLiteral("TRGMODE:OFF"));
}
int PS_Comm::writeFloatMode(const QString& mode)
{
    return writeCommand(mode == QLatin1String("N") ? QStringLiteral("SETFLOAT:N")
                                                   : QStringLiteral("SETFLOAT:F"));
}
int PS_Comm::writeMemory(const QString& cell, const QString& value)
{
    // The supply needs long to store cells 3, 4 and 5.
    static const QStringList slowCells = {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")};
    const int timeout = slowCells.contains(cell) ? slow_timeout : 0;
    return writeCommand(QStringLiteral("MWG:") + cell + QLatin1Char(':') + value, timeout);
}
int PS_Comm::writePolarity(const QString& polarity)
{
    return writeCommand(polarity == QLatin1String("0") ? QStringLiteral("POL:DIRECT")
                                                       : QStringLiteral("POL:INVERT"));
}
int PS_Comm::waveformStart()
{
    return writeCommand(QStringLiteral("WAVEFORM:START"));
}
int PS_Comm::waveformStop()
{
    return writeCommand(QStringLiteral("WAVEFORM:STOP"));
}
int PS_Comm::writeWaveformPeriods(const QString& count)
{
    return writeCommand(QStringLiteral("WAVEFORM:N_PERIODS:") + count);
}
int PS_Comm::writeWaveformPoints(const QString& points)
{
    return writeCommand(QStringLiteral("WAVEFORM:POINTS:") + points);
}
int PS_Comm::writeEpicsDb(const QString& text)
{
    return writeCommand(QStringLiteral("EPICS:DB:") + text);
}
int PS_Comm::writeEpicsProtocols(const QString& text)
{
    return writeCommand(QStringLiteral("EPICS:PROTOCOLS:") + text);
}
int PS_Comm::restoreEpicsDb()
{
    return writeCommand(QStringLiteral("EPICS:DB:RESTORE"));
}
int PS_Comm::restoreEpicsProtocols()
{
    return writeCommand(QStringLiteral("EPICS:PROTOCOLS:RESTORE"));
}
