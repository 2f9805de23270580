#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>

// Talks to box-sim the way a program does: writes CR-terminated commands on a
// TCP socket or a serial port and collects what comes back.
class BoxClient
{
public:
    explicit BoxClient(QIODevice* device) : io(device) {}

    void send(const QByteArray& bytes);
    // Sends `command` and a CR, then reads until a reply ends with a CR.
    QByteArray exchange(const QByteArray& command, int timeoutMs = 2000);
    // Sends `command` and a CR, then reads until the output ends with "ACK\r".
    QByteArray exchangeListing(const QByteArray& command, int timeoutMs = 5000);
    // Reads until `done` says so or the time runs out; returns everything read.
    template <typename Done> QByteArray readUntil(Done done, int timeoutMs);
    // Everything that arrives within `ms`.
    QByteArray readFor(int ms);
    // Counts the separate reads it took to receive `bytes` bytes.
    int readsFor(int bytes, int timeoutMs, QByteArray* got);

private:
    bool waitForData(int ms);
    QIODevice* io;
};

template <typename Done> QByteArray BoxClient::readUntil(Done done, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (!done(got) && t.elapsed() < timeoutMs) {
        if (waitForData(int(qMax<qint64>(1, qMin<qint64>(50, timeoutMs - t.elapsed())))))
            got += io->readAll();
    }
    return got;
}
