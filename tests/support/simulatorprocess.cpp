#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkInterface>
#include <QTcpSocket>
#include <QTest>

SimulatorProcess::SimulatorProcess(const QString& programName) : name(programName)
{
    logFile = dir.path() + QStringLiteral("/commands.log");
    process.setProcessChannelMode(QProcess::SeparateChannels);
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

QString SimulatorProcess::programPath(const QString& programName)
{
    return QStringLiteral(PROJECT_BIN_DIR) + QLatin1Char('/') + programName;
}

QStringList SimulatorProcess::acceptedBeyondLoopback(quint16 port)
{
    // 127.0.0.2 reaches this machine wherever the whole 127/8 block is
    // loopback (Linux), so the check has an address even without a network.
    QList<QHostAddress> others{QHostAddress(QStringLiteral("127.0.0.2"))};
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && !a.isLinkLocal())
            others << a;
    QStringList accepting;
    for (const QHostAddress& a : others) {
        QTcpSocket socket;
        socket.connectToHost(a, port);
        if (socket.waitForConnected(5000))
            accepting << a.toString();
    }
    return accepting;
}

bool SimulatorProcess::start(const QStringList& extraArgs, bool expectPty, int timeoutMs)
{
    QStringList args{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--log"), logFile};
    args += extraArgs;
    process.start(programPath(name), args);
    if (!process.waitForStarted(timeoutMs))
        return false;
    QString value;
    if (!readLineUntil(QStringLiteral("PORT "), &value, timeoutMs))
        return false;
    listenPort = static_cast<quint16>(value.toUInt());
    if (expectPty) {
        if (!readLineUntil(QStringLiteral("PTY "), &value, timeoutMs))
            return false;
        pty = value;
    }
    return listenPort != 0 || expectPty;
}

void SimulatorProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.closeWriteChannel();
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

bool SimulatorProcess::isRunning() const
{
    return process.state() == QProcess::Running;
}

bool SimulatorProcess::readLineUntil(const QString& prefix, QString* value, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        while (process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
            if (line.startsWith(prefix)) {
                *value = line.mid(prefix.size()).trimmed();
                return true;
            }
            outputText += line + QLatin1Char('\n');
        }
        if (process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(50);
    }
    return false;
}

bool SimulatorProcess::control(const QString& line, int timeoutMs)
{
    reply.clear();
    process.write(line.toUtf8() + '\n');
    process.waitForBytesWritten(1000);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        while (process.canReadLine()) {
            const QString l = QString::fromLocal8Bit(process.readLine()).trimmed();
            if (l.startsWith(QLatin1String("OK")) || l.startsWith(QLatin1String("ERR"))) {
                reply = l;
                return l.startsWith(QLatin1String("OK"));
            }
            outputText += l + QLatin1Char('\n');
        }
        if (process.state() == QProcess::NotRunning)
            return false;
        // Keep the caller's event loop alive (sockets under test may be waiting).
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        process.waitForReadyRead(5);
    }
    return false;
}

QStringList SimulatorProcess::commandLog() const
{
    QFile f(logFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    const QList<QByteArray> raw = f.readAll().split('\n');
    for (const QByteArray& l : raw)
        if (!l.isEmpty())
            lines << QString::fromLatin1(l);
    return lines;
}

bool SimulatorProcess::waitForLogLines(int count, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (commandLog().size() < count) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}
