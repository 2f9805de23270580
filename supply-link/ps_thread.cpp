#include "ps_thread.h"

#include "loggers.h"
#include "ps_comm.h"

#include <QEventLoop>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTimer>

namespace
{

constexpr int disconnectTimeout = 1000; // ms
constexpr int stopPollInterval = 20;    // ms, how often the connection wait looks for a stop request

ps_task makeTask(int id, QStringList params)
{
    ps_task task;
    task.id = id;
    task.params = std::move(params);
    return task;
}

// Parameters as they may be written to the log: a password never is.
QString loggedParams(int id, const QStringList& params)
{
    if (id == ps_thread::TaskSetPassword)
        return QStringLiteral("***");
    return params.join(QStringLiteral(", "));
}

} // namespace

ps_thread::ps_thread(int task_refresh, QObject* parent) : QThread(parent), task_refresh(task_refresh)
{
    qRegisterMetaType<ps_data>("ps_data");
    qRegisterMetaType<QAbstractSocket::SocketState>("QTcpSocket::SocketState");
    qRegisterMetaType<QAbstractSocket::SocketState>("QAbstractSocket::SocketState");
    qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
    psThreadLogger->info("ps_thread created");
}

ps_thread::~ps_thread()
{
    // Destroying a running QThread aborts the program; stop it if the owner did not.
    if (isRunning())
        stop();
    psThreadLogger->info("ps_thread destroyed");
}

void ps_thread::set_task(int id)
{
    {
        QMutexLocker locker(&mutex);
        task_queue.append(makeTask(id, {QString()}));
    }
    psThreadLogger->trace("set_task called, task = {}", id);
}

void ps_thread::set_task(int id, QString param1)
{
    {
        QMutexLocker locker(&mutex);
        task_queue.append(makeTask(id, {param1}));
    }
    psThreadLogger->trace("set_task called, task = {}, param1 = {}", id, loggedParams(id, {param1}));
}

void ps_thread::set_task(int id, QString param1, QString param2)
{
    {
        QMutexLocker locker(&mutex);
        task_queue.append(makeTask(id, {param1, param2}));
    }
    if (id == TaskSetPassword)
        param1 = param2 = QStringLiteral("***");
    psThreadLogger->trace("set_task called, param1 = {}, param2 = {}", param1, param2);
}

void ps_thread::set_current(double current)
{
    {
        QMutexLocker locker(&mutex);
        current_setpoint = QString::number(current, 'f', 10);
    }
    psThreadLogger->trace("set_current called, current = {}", current);
}

void ps_thread::set_voltage(double voltage)
{
    {
        QMutexLocker locker(&mutex);
        voltage_setpoint = QString::number(voltage, 'f', 10);
    }
    psThreadLogger->trace("set_voltage called, voltage = {}", voltage);
}

void ps_thread::get_ps_data(ps_data& out)
{
    QMutexLocker locker(&mutex);
    out = ps_response;
}

QList<int> ps_thread::pollSet(const QString& capabilities) const
{
    QList<int> ids{TaskReadVersion,     TaskReadId,           TaskReadCurrentVoltageStatus,
                   TaskReadTemperature, TaskReadLeakage,      TaskReadLimits,
                   TaskReadPMode,       TaskReadPConnections, TaskReadLoopMode,
                   TaskReadUpdateMode,  TaskReadTriggerMode,  TaskReadFloatMode};
    if (capabilities.contains(QLatin1String("POLARITY_INVERTER")))
        ids.append(TaskReadPolarity);
    return ids;
}

QString ps_thread::socketErrorString() const
{
    QMutexLocker locker(&mutex);
    return socketErrorText;
}

QHostAddress ps_thread::parseAddress(const QString& text)
{
    // QHostAddress would read "010" as octal and "" as 0.0.0.0; only plain
    // dotted decimal is an address here.
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return QHostAddress();
    quint32 ip = 0;
    for (int i = 1; i <= 4; ++i) {
        const int part = match.captured(i).toInt();
        if (part > 255)
            return QHostAddress();
        ip = (ip << 8) | quint32(part);
    }
    return QHostAddress(ip);
}

void ps_thread::stop()
{
    requestInterruption();
    quit();
    wait();
}

bool ps_thread::stopRequested() const
{
    // quit() ends the run loop; seeing that here lets a plain quit() + wait()
    // cut a stalled batch short too.
    return isInterruptionRequested() || (runLoop && !runLoop->isRunning());
}

void ps_thread::recordSocketError(const QString& text)
{
    {
        QMutexLocker locker(&mutex);
        socketErrorText = text;
    }
    emit socketErrorOccurred(text);
}

void ps_thread::run()
{
    psThreadLogger->trace("run called");

    // Nothing of an earlier connection carries over: it may have been another supply.
    {
        QMutexLocker locker(&mutex);
        task_queue.clear();
        ps_response = ps_data();
        socketErrorText.clear();
    }
    answeredExchanges = 0;
    notAnswering = false;
    failingCommands.clear();

    timer = new QTimer;

    psThreadLogger->debug("ip_address = {}, ip_port = {}", ip_address, ip_port);
    const QHostAddress address = parseAddress(ip_address);
    if (address.isNull()) {
        psThreadLogger->error("The host {} is invalid", ip_address);
        recordSocketError(QStringLiteral("The host %1 is invalid").arg(ip_address));
        emit signalStateChanged(QAbstractSocket::UnconnectedState);
        endRun();
        return;
    }

    socket = new QTcpSocket;
    connect(socket, &QAbstractSocket::stateChanged, this, &ps_thread::signalStateChanged,
            Qt::DirectConnection);
    connect(timer, &QTimer::timeout, this, &ps_thread::process, Qt::DirectConnection);
    connect(socket, &QAbstractSocket::errorOccurred, this, &ps_thread::connection_tcp_error,
            Qt::DirectConnection);
    socket->connectToHost(address, ip_port.toUShort(), QIODevice::ReadWrite);

    psThreadLogger->info("Socket timeout is set to {}, waiting connection", connect_timeout);
    if (!connectSocket()) {
        endRun();
        return;
    }

    comm = new PS_Comm(socket, wait_time);
    comm->setAbortCheck([this] { return stopRequested(); });
    connect(comm, &PS_Comm::commandReplyError, this, &ps_thread::noteFailure, Qt::DirectConnection);
    connect(comm, &PS_Comm::commandAnswered, this, &ps_thread::noteAnswer, Qt::DirectConnection);
    connect(comm, &PS_Comm::commandUnanswered, this, &ps_thread::commandUnanswered, Qt::DirectConnection);

    QEventLoop loop;
    runLoop = &loop;
    timer->start(qMax(task_refresh, 0));
    psThreadLogger->info("Timer started");
    psThreadLogger->info("Event loop started");
    loop.exec();
    runLoop = nullptr;

    psThreadLogger->info("Event loop is closed");
    timer->stop();
    psThreadLogger->info("Timer stopped");
    socket->close();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(disconnectTimeout);
    psThreadLogger->info("Socket disconnected");
    endRun();
}

bool ps_thread::connectSocket()
{
    // An event loop instead of waitForConnected(): a quit() or an interruption
    // request ends the wait at once, and the attempt is not left half made.
    bool timedOut = false;
    if (socket->state() != QAbstractSocket::UnconnectedState &&
        socket->state() != QAbstractSocket::ConnectedState) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QTimer stopPoll;
        connect(&limit, &QTimer::timeout, &loop, [&loop, &timedOut] {
            timedOut = true;
            loop.quit();
        });
        connect(&stopPoll, &QTimer::timeout, &loop, [this, &loop] {
            if (isInterruptionRequested())
                loop.quit();
        });
        connect(socket, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
        connect(socket, &QAbstractSocket::stateChanged, &loop, [&loop](QAbstractSocket::SocketState state) {
            if (state == QAbstractSocket::UnconnectedState)
                loop.quit();
        });
        limit.start(qMax(connect_timeout, 0));
        stopPoll.start(stopPollInterval);
        loop.exec();
        disconnect(socket, nullptr, &loop, nullptr);
    }

    if (socket->state() == QAbstractSocket::ConnectedState)
        return true;
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        // Refused, unreachable...: the error handler has kept the socket's text.
        psThreadLogger->warn("Socket timeout");
    } else if (timedOut) {
        recordSocketError(QStringLiteral("Socket operation timed out"));
        psThreadLogger->warn("Socket timeout");
        socket->abort();
    } else {
        // quit() or stop() ended the wait: not an error of the connection.
        psThreadLogger->info("Connection attempt stopped");
        socket->abort();
    }
    return false;
}

void ps_thread::endRun()
{
    delete comm;
    comm = nullptr;
    delete timer;
    timer = nullptr;
    if (socket) {
        socket->disconnect(this);
        delete socket;
        socket = nullptr;
    }
}

void ps_thread::connection_tcp_error(QAbstractSocket::SocketError err)
{
    // A reply wait that ran out is a result of the exchange, not a broken link.
    if (err == QAbstractSocket::SocketTimeoutError)
        return;
    psThreadLogger->trace("connection_tcp_error called, err = {}", int(err));
    if (err == QAbstractSocket::UnknownSocketError || !socket)
        return;
    // Captured before closing: the window shows this text with the report
    // of the unconnected state that follows.
    recordSocketError(socket->errorString());
    socket->close();
    psThreadLogger->warn("Cannot connect to socket, socket error = {}", int(err));
}

void ps_thread::process()
{
    if (stopRequested()) {
        if (runLoop)
            runLoop->quit();
        return;
    }

    QList<ps_task> batch;
    bool poll = false;
    {
        QMutexLocker locker(&mutex);
        psThreadLogger->trace("process called");
        if (task_queue.isEmpty()) {
            poll = true;
            const QList<int> ids = pollSet(ps_response.capabilities);
            for (int id : ids)
                batch.append(makeTask(id, {QString()}));
        } else {
            batch.swap(task_queue);
        }
    }

    // The exchanges run without the mutex, so windows can post tasks and copy
    // the record while the supply is slow to answer.
    const int answeredBefore = answeredExchanges;
    for (const ps_task& task : qAsConst(batch)) {
        if (stopRequested())
            return;
        execute_task(task);
    }
    // A supply answers its version query at least; a peer that answers no
    // query of a whole poll set is no supply, or none that works.
    if (poll && answeredExchanges == answeredBefore && !notAnswering) {
        notAnswering = true;
        psThreadLogger->warn("Nothing of a whole poll set was answered");
        emit supplyAnswering(false);
    }
}

void ps_thread::noteFailure(const QString& command, int error)
{
    QString name = command;
    while (name.endsWith(QLatin1Char('\r')) || name.endsWith(QLatin1Char('\n')))
        name.chop(1);
    failingCommands.insert(name);
    // A refusal ("NAK:" with its code) is a supply's answer; only silence and
    // replies no supply gives count against the peer.
    if (error > 0)
        noteSupplyAnswered();
    emit replyErrorSignal(command, error);
}

void ps_thread::noteAnswer(const QString& command)
{
    if (failingCommands.remove(command))
        emit commandAnsweredAgain(command);
    noteSupplyAnswered();
}

void ps_thread::noteSupplyAnswered()
{
    ++answeredExchanges;
    if (notAnswering) {
        notAnswering = false;
        psThreadLogger->info("The supply answers again");
        emit supplyAnswering(true);
    }
}

ps_data ps_thread::snapshot()
{
    QMutexLocker locker(&mutex);
    return ps_response;
}

QString ps_thread::param(const ps_task& task, int index) const
{
    return index < task.params.size() ? task.params.at(index) : QString();
}
