#include "boxclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>

void BoxClient::send(const QByteArray& bytes)
{
    io->write(bytes);
    io->waitForBytesWritten(1000);
}

bool BoxClient::waitForData(int ms)
{
    if (io->bytesAvailable() > 0)
        return true;
    return io->waitForReadyRead(ms);
}

QByteArray BoxClient::exchange(const QByteArray& command, int timeoutMs)
{
    io->readAll();
    send(command + '\r');
    return readUntil([](const QByteArray& got) { return got.endsWith('\r'); }, timeoutMs);
}

QByteArray BoxClient::exchangeListing(const QByteArray& command, int timeoutMs)
{
    io->readAll();
    send(command + '\r');
    return readUntil(
        [](const QByteArray& got) { return got == "ACK\r" || got.endsWith("\nACK\r") || got == "NAK\r"; },
        timeoutMs);
}

QByteArray BoxClient::readFor(int ms)
{
    return readUntil([](const QByteArray&) { return false; }, ms);
}

int BoxClient::readsFor(int bytes, int timeoutMs, QByteArray* got)
{
    int reads = 0;
    QElapsedTimer t;
    t.start();
    while (got->size() < bytes && t.elapsed() < timeoutMs) {
        if (io->waitForReadyRead(50)) {
            *got += io->readAll();
            ++reads;
        }
    }
    return reads;
}
