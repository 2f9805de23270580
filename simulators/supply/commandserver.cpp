#include "commandserver.h"

#include "commandlog.h"
#include "faultswitches.h"
#include "supplycommands.h"
#include "supplyconnection.h"

#include <QTcpSocket>

CommandServer::CommandServer(SupplyCommands& c, FaultSwitches& f, CommandLog& l, qint64 max, QObject* parent)
    : QObject(parent), commands(c), faults(f), log(l), maxCommand(max)
{
    clock.start();
    connect(&server, &QTcpServer::newConnection, this, &CommandServer::acceptConnections);
}

bool CommandServer::listen(const QHostAddress& address, quint16 port, QString* error)
{
    if (server.listen(address, port))
        return true;
    *error = server.errorString();
    return false;
}

void CommandServer::acceptConnections()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        if (faults.refuseConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* connection = new SupplyConnection(socket, this, maxCommand);
        connect(connection, &SupplyConnection::closed, this, &CommandServer::forget);
        connections << connection;
    }
}

void CommandServer::forget(SupplyConnection* connection)
{
    if (connections.removeOne(connection)) {
        commands.forgetClient(connection);
        connection->deleteLater();
    }
}

void CommandServer::closeAll()
{
    const QList<SupplyConnection*> all = connections;
    for (SupplyConnection* c : all)
        c->drop();
}

QByteArray CommandServer::garbageReply()
{
    return QByteArrayLiteral("?!~GARBAGE~!?\r\n");
}

QByteArray CommandServer::frameReply(const QString& body) const
{
    const QByteArray b = body.toLatin1();
    switch (faults.nul) {
    case FaultSwitches::NulMode::Inside: {
        // The NUL cuts the reply in two, before its CR.
        const int half = b.size() / 2;
        return '#' + b.left(half) + '\0' + b.mid(half) + "\r\n";
    }
    case FaultSwitches::NulMode::After:
        return '#' + b + "\r\n" + '\0' + "JUNK";
    case FaultSwitches::NulMode::Off:
        break;
    }
    return '#' + b + "\r\n";
}

void CommandServer::handleCommand(SupplyConnection* connection, const CommandFramer::Frame& frame)
{
    log.append(frame.overlong ? frame.text + "...(" + QByteArray::number(frame.length) + " bytes)"
                             : frame.text);

    if (faults.dropAfter == 0) {
        faults.dropAfter = -1;
        connection->drop();
        return;
    }
    if (faults.dropAfter > 0)
        --faults.dropAfter;

    const QString text = QString::fromLatin1(frame.text);
    const QString upper = text.toUpper();
    if (faults.stall || faults.isIgnored(upper)) {
        ++unanswered;
        return;
    }

    QString body;
    const auto refusal = FaultSwitches::find(faults.refusals, upper);
    const auto fixed = FaultSwitches::find(faults.fixedReplies, upper);
    if (frame.overlong) {
        body = SupplyReply::refusalBody(Nak::UnknownParameter);
    } else if (refusal != faults.refusals.constEnd()) {
        body = SupplyReply::refusalBody(*refusal);
    } else if (fixed != faults.fixedReplies.constEnd()) {
        body = *fixed;
    } else {
        const SupplyReply reply = commands.executeFor(connection, text);
        if (reply.kind == SupplyReply::Silent)
            return;
        body = reply.body();
    }
    QByteArray bytes = faults.garbage ? garbageReply() : frameReply(body);
    // A line that is no reply to this command, as a late reply to an earlier
    // one would be: sent with it, in front. One-shot.
    const auto stale = FaultSwitches::find(faults.staleLines, upper);
    if (stale != faults.staleLines.constEnd()) {
        bytes.prepend('#' + stale->toLatin1() + "\r\n");
        faults.staleLines.remove(stale.key());
    }
    const auto slow = FaultSwitches::find(faults.commandDelays, upper);
    const int delayMs = slow != faults.commandDelays.constEnd() ? *slow : faults.delayMs;
    connection->queueReply(bytes, delayMs, faults.chunkSize, faults.chunkGapMs);
}
