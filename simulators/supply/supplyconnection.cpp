#include "supplyconnection.h"

#include "commandserver.h"

#include <QTcpSocket>

SupplyConnection::SupplyConnection(QTcpSocket* s, CommandServer* srv, qint64 maxCommand)
    : QObject(srv), socket(s), server(srv), framer(maxCommand)
{
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    sendTimer.setSingleShot(true);
    connect(&sendTimer, &QTimer::timeout, this, &SupplyConnection::sendDue);
    connect(socket, &QTcpSocket::readyRead, this, &SupplyConnection::readCommands);
    connect(socket, &QTcpSocket::disconnected, this, &SupplyConnection::finish);
}

void SupplyConnection::readCommands()
{
    while (!dropped && socket->bytesAvailable() > 0) {
        const QByteArray bytes = socket->read(64 * 1024);
        server->noteReceived(bytes.size());
        const QList<CommandFramer::Frame> frames = framer.feed(bytes);
        for (const CommandFramer::Frame& f : frames) {
            server->handleCommand(this, f);
            if (dropped)
                return;
        }
    }
}

void SupplyConnection::queueReply(const QByteArray& bytes, int delayMs, int chunkSize, int gapMs)
{
    if (dropped)
        return;
    outgoing.append({server->elapsedMs() + qMax(0, delayMs), bytes, chunkSize, gapMs});
    if (outgoing.size() == 1 && delayMs <= 0)
        sendDue();
    else
        schedule();
}

void SupplyConnection::sendDue()
{
    const qint64 now = server->elapsedMs();
    while (!dropped && !outgoing.isEmpty() && outgoing.first().dueMs <= now) {
        Outgoing& head = outgoing.first();
        if (head.chunkSize > 0 && head.bytes.size() > head.chunkSize) {
            socket->write(head.bytes.left(head.chunkSize));
            head.bytes.remove(0, head.chunkSize);
            head.dueMs = now + qMax(0, head.gapMs);
            socket->flush();
            break;
        }
        socket->write(head.bytes);
        outgoing.removeFirst();
    }
    if (!dropped)
        socket->flush();
    schedule();
}

void SupplyConnection::schedule()
{
    if (dropped || outgoing.isEmpty())
        return;
    const qint64 wait = outgoing.first().dueMs - server->elapsedMs();
    sendTimer.start(int(qMax<qint64>(0, wait)));
}

void SupplyConnection::drop()
{
    if (dropped)
        return;
    dropped = true;
    outgoing.clear();
    sendTimer.stop();
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        finish();
}

void SupplyConnection::finish()
{
    if (finished)
        return;
    finished = true;
    dropped = true;
    sendTimer.stop();
    emit closed(this);
}
