#pragma once

#include "replyframer.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// The command console's own TCP client: connects with a time-out, sends one
// command per line (CR LF) and hands up each reply once a carriage return
// has arrived (see ReplyFramer). Runs on the GUI thread's event loop and
// never blocks it for long: closing an open connection waits at most
// closeWaitMs for unsent bytes to go out; an attempt still under way is
// dropped at once.
class TcpSocketManager : public QObject
{
    Q_OBJECT

public:
    explicit TcpSocketManager(QObject* parent = nullptr);
    ~TcpSocketManager() override;

    void connect(QString ip, QString port, int timeout);
    void disconnect();
    void send(QString command);

    QAbstractSocket::SocketState state() const;
    // Text gathered towards the next reply.
    QString pendingReply() const { return m_bufferReply.buffer(); }

    // Longest wait for a closing connection to finish before it is cut.
    static constexpr int closeWaitMs = 1000;

signals:
    void connected();
    void disconnected();
    void messageReady(QString message);
    void errorReady(QString error);

public slots:
    void onTimeout();
    void onHostDetected();
    void onConnected();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onReply();

private:
    QTimer* timer;
    QTcpSocket* socket;
    int timeout = 10000; // ms
    ReplyFramer m_bufferReply;
};
