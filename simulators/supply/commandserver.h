#pragma once

#include "commandframer.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTcpServer>

class CommandLog;
class SupplyCommands;
class SupplyConnection;
struct FaultSwitches;

// The supply's TCP command port. Any number of clients may be connected at
// once; they all talk to the same supply state. Every command is logged, then
// answered as the fault switches say: "#" + reply body + CR LF normally.
class CommandServer : public QObject
{
    Q_OBJECT
public:
    CommandServer(SupplyCommands& commands, FaultSwitches& faults, CommandLog& log, qint64 maxCommand,
                  QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return server.serverPort(); }
    int connectionCount() const { return connections.size(); }
    // Commands read but left unanswered by `stall` or `ignore` so far.
    int unansweredCount() const { return unanswered; }
    // Bytes read from command connections so far.
    qint64 receivedBytes() const { return received; }
    void noteReceived(qint64 bytes) { received += bytes; }
    void closeAll();

    // Called by a connection for every command it has framed.
    void handleCommand(SupplyConnection* connection, const CommandFramer::Frame& frame);
    qint64 elapsedMs() const { return clock.elapsed(); }

    // What is sent in place of a reply when garbage is switched on.
    static QByteArray garbageReply();

private:
    void acceptConnections();
    void forget(SupplyConnection* connection);
    QByteArray frameReply(const QString& body) const;

    SupplyCommands& commands;
    FaultSwitches& faults;
    CommandLog& log;
    qint64 maxCommand;
    QTcpServer server;
    QList<SupplyConnection*> connections;
    QElapsedTimer clock;
    int unanswered = 0;
    qint64 received = 0;
};
