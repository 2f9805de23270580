#include "rawclient.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTest>

bool RawClient::connectTo(quint16 port, int timeoutMs)
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(timeoutMs);
}

void RawClient::send(const QByteArray& bytes)
{
    sentClock.start();
    socket.write(bytes);
    socket.flush();
}

QByteArray RawClient::readReplies(int count, int timeoutMs)
{
    reads = 0;
    arrived.clear();
    QElapsedTimer t;
    t.start();
    while (buffer.count("\r\n") < count && t.elapsed() < timeoutMs &&
           socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(20)) {
            buffer += socket.readAll();
            ++reads;
            arrived.append({sentClock.isValid() ? sentClock.elapsed() : -1, buffer.size()});
        }
    }
    buffer += socket.readAll();
    const QByteArray all = buffer;
    buffer.clear();
    return all;
}

QByteArray RawClient::exchange(const QByteArray& bytes, int timeoutMs)
{
    send(bytes);
    return readReplies(1, timeoutMs);
}

QByteArray RawClient::readBytes(int bytes, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (buffer.size() < bytes && t.elapsed() < timeoutMs &&
           socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(20))
            buffer += socket.readAll();
    }
    buffer += socket.readAll();
    const QByteArray all = buffer;
    buffer.clear();
    return all;
}

QByteArray RawClient::readFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (socket.state() != QAbstractSocket::ConnectedState)
            break;
        socket.waitForReadyRead(10);
        buffer += socket.readAll();
    }
    buffer += socket.readAll();
    const QByteArray all = buffer;
    buffer.clear();
    return all;
}

bool RawClient::waitForClosed(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (socket.state() != QAbstractSocket::UnconnectedState && t.elapsed() < timeoutMs) {
        socket.waitForReadyRead(20);
        buffer += socket.readAll();
    }
    return socket.state() == QAbstractSocket::UnconnectedState;
}
