#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QTcpSocket>

// A bare TCP client for talking to a simulator byte by byte.
class RawClient
{
public:
    bool connectTo(quint16 port, int timeoutMs = 10000);
    void send(const QByteArray& bytes);
    // Waits until at least `count` CR LF-terminated replies have arrived (or
    // the time is up) and returns everything received so far.
    QByteArray readReplies(int count, int timeoutMs = 10000);
    // Sends one command and returns its reply ("" when none came).
    QByteArray exchange(const QByteArray& bytes, int timeoutMs = 10000);
    // Waits until at least `bytes` bytes have arrived (or the time is up) and
    // returns everything received so far.
    QByteArray readBytes(int bytes, int timeoutMs = 10000);
    // Collects whatever arrives during `ms` (for checking that nothing comes).
    QByteArray readFor(int ms);
    // Waits until the peer has closed the connection.
    bool waitForClosed(int timeoutMs = 10000);
    // Number of separate reads the last readReplies() needed.
    int readCount() const { return reads; }
    // For each of those reads: milliseconds since the last send() and the
    // bytes received by then.
    QList<QPair<qint64, int>> arrivals() const { return arrived; }

    QTcpSocket socket;

private:
    QByteArray buffer;
    int reads = 0;
    QElapsedTimer sentClock;
    QList<QPair<qint64, int>> arrived;
};
