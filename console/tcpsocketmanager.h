#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// The command console's own TCP client: connects with a time-out, sends one
// command per line (CR LF) and hands up each reply once a carriage return
// has arrived. Runs on the GUI thread's event loop.
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
    QString m_bufferReply;
};
