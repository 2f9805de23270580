#pragma once

#include "faults.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class Link;

// One program talking to the box over one link. It cuts the incoming bytes
// into commands and sends replies and stream lines out in order: every reply
// and every batch of stream lines is queued whole, so the faults that slow the
// output down or cut it into pieces never mix one into the middle of another.
class Session : public QObject
{
    Q_OBJECT
public:
    Session(Link* link, const Faults* faults, int maxLine, QObject* parent = nullptr);

    Link* link() const { return theLink; }

    // A reply: held back by the reply delay when one is set, and `extraMs`
    // more; replies after it keep their order behind it.
    void sendReply(const QByteArray& bytes, int extraMs = 0);
    // Stream lines: sent at once, behind whatever is already queued.
    void sendStream(const QByteArray& bytes);
    // Bytes queued here or in the link and not yet sent.
    qint64 pendingBytes() const;
    // Drops the link once everything queued (delayed replies too) has left.
    void dropWhenFlushed();
    void drop();

signals:
    // `overlong`: the command was longer than the line cap and is cut short.
    void commandReceived(const QByteArray& command, bool overlong);
    void finished();

private:
    void onReceived(const QByteArray& bytes);
    void finishCommand();
    void enqueue(const QByteArray& bytes);
    void pump();
    void releaseDelayed();
    void checkDropAfterFlush();

    Link* theLink;
    const Faults* faults;
    int maxLine;
    QByteArray input;
    bool overlong = false;
    QByteArray output;
    struct Delayed {
        qint64 due;
        QByteArray bytes;
    };
    QList<Delayed> delayed;
    QElapsedTimer clock;
    QTimer delayTimer;
    QTimer gapTimer;
    bool inGap = false;
    bool dropPending = false;
    bool isFinished = false;
};
