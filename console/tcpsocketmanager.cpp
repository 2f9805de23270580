#include "tcpsocketmanager.h"

#include "commandmask.h"
#include "loggers.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

TcpSocketManager::TcpSocketManager(QObject* parent)
    : QObject(parent), timer(new QTimer(this)), socket(new QTcpSocket(this))
{
    // The class has connect()/disconnect() of its own, hence QObject:: below.
    QObject::connect(timer, &QTimer::timeout, this, &TcpSocketManager::onTimeout);
    QObject::connect(socket, &QTcpSocket::hostFound, this, &TcpSocketManager::onHostDetected);
    QObject::connect(socket, &QTcpSocket::connected, this, &TcpSocketManager::onConnected);
    QObject::connect(socket, &QTcpSocket::disconnected, this, &TcpSocketManager::onDisconnected);
    QObject::connect(socket, &QTcpSocket::errorOccurred, this, &TcpSocketManager::onError,
                     Qt::DirectConnection);
    QObject::connect(socket, &QTcpSocket::readyRead, this, &TcpSocketManager::onReply);
    tcpSocketManagerLogger->info("TcpSocketManager initialized");
}

TcpSocketManager::~TcpSocketManager()
{
    tcpSocketManagerLogger->info("TcpSocketManager destroyed");
}

QAbstractSocket::SocketState TcpSocketManager::state() const
{
    return socket->state();
}

void TcpSocketManager::connect(QString ip, QString port, int timeout)
{
    tcpSocketManagerLogger->trace("connect called, ip = {}, port = {}, timeout = {}", ip, port, timeout);
    disconnect();
    // What the old connection left unfinished would prefix the first reply
    // of the new one.
    m_bufferReply.clear();
    this->timeout = timeout;

    const QHostAddress address(ip);
    if (address.isNull())
        tcpSocketManagerLogger->error("The host {} is invalid", ip);

    // An unparsable port reads as 0; the attempt then fails through onError.
    socket->connectToHost(address, port.toUShort(nullptr, 10), QIODevice::ReadWrite);
    tcpSocketManagerLogger->info("Socket timeout is set to {}, waiting connection", this->timeout);
    timer->start(this->timeout);
}

void TcpSocketManager::disconnect()
{
    tcpSocketManagerLogger->trace("disconnect called");
    timer->stop();
    // Only an established connection has bytes to get out. An attempt still
    // under way is dropped at once: waiting on it would wait for its
    // handshake, with the window frozen.
    const QAbstractSocket::SocketState state = socket->state();
    if (state == QAbstractSocket::ConnectedState || state == QAbstractSocket::ClosingState) {
        // Unsent bytes go out first: a bounded wait, then the connection is
        // cut, so the socket is free for the next connect.
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->waitForDisconnected(closeWaitMs);
    }
    socket->abort();
}

void TcpSocketManager::send(QString command)
{
    tcpSocketManagerLogger->trace("send called, send = {}", maskPassword(command));
    if (socket->state() == QAbstractSocket::ConnectedState) {
        QString line = command;
        line.remove(QLatin1Char('\r'));
        line.remove(QLatin1Char('\n'));
        line += QStringLiteral("\r\n");
        socket->write(line.toUtf8());
        return;
    }
    const QString text = QStringLiteral("Socket error, ") + socket->errorString();
    tcpSocketManagerLogger->error("{}", text);
    emit errorReady(text);
}

void TcpSocketManager::onTimeout()
{
    tcpSocketManagerLogger->trace("onTimeout called");
    timer->stop();
    disconnect();
    tcpSocketManagerLogger->error("Timer timeout");
    emit errorReady(QStringLiteral("Timer timeout"));
}

void TcpSocketManager::onHostDetected()
{
    tcpSocketManagerLogger->trace("onHostDetected called");
}

void TcpSocketManager::onConnected()
{
    tcpSocketManagerLogger->trace("onConnected called");
    timer->stop();
    emit connected();
}

void TcpSocketManager::onDisconnected()
{
    tcpSocketManagerLogger->trace("onDisconnected called");
    timer->stop();
    emit disconnected();
}

void TcpSocketManager::onError(QAbstractSocket::SocketError error)
{
    tcpSocketManagerLogger->error("onError called, error = {}", socket->errorString());
    if (error == QAbstractSocket::UnknownSocketError)
        return;
    timer->stop();
    tcpSocketManagerLogger->error("Socket connection error, {}", socket->errorString());
    emit errorReady(socket->errorString());
}

void TcpSocketManager::onReply()
{
    tcpSocketManagerLogger->trace("onReply called");
    bool complete = false;
    const QString chunk = m_bufferReply.feed(socket->readAll(), &complete);
    tcpSocketManagerLogger->debug("reply = {}", chunk);
    if (complete) {
        tcpSocketManagerLogger->debug("reply is complete, m_bufferReply = {}", m_bufferReply.buffer());
        emit messageReady(m_bufferReply.takeReply());
    } else {
        tcpSocketManagerLogger->debug("reply is not complete, m_bufferReply = {}", m_bufferReply.buffer());
    }
}
