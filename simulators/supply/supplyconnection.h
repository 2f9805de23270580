#pragma once

#include "commandframer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpSocket;
class CommandServer;

// One client connection of the command port: frames the incoming bytes into
// commands, asks the server for each reply and sends replies in order, each
// after its delay and, when asked, in small pieces.
class SupplyConnection : public QObject
{
    Q_OBJECT
public:
    SupplyConnection(QTcpSocket* socket, CommandServer* server, qint64 maxCommand);

    // Sends `bytes` once `delayMs` have passed, split into pieces of
    // `chunkSize` bytes (0: whole) with `gapMs` between them.
    void queueReply(const QByteArray& bytes, int delayMs, int chunkSize, int gapMs);
    // Closes the connection, dropping replies not sent yet.
    void drop();

signals:
    void closed(SupplyConnection* connection);

private:
    struct Outgoing {
        qint64 dueMs;
        QByteArray bytes;
        int chunkSize;
        int gapMs;
    };

    void readCommands();
    void sendDue();
    void schedule();
    void finish();

    QTcpSocket* socket;
    CommandServer* server;
    CommandFramer framer;
    QList<Outgoing> outgoing;
    QTimer sendTimer;
    bool dropped = false;
    bool finished = false;
};
