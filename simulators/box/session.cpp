#include "session.h"

#include "links.h"

Session::Session(Link* link, const Faults* f, int maxLineBytes, QObject* parent)
    : QObject(parent), theLink(link), faults(f), maxLine(maxLineBytes)
{
    link->setParent(this);
    clock.start();
    delayTimer.setSingleShot(true);
    gapTimer.setSingleShot(true);
    connect(link, &Link::received, this, &Session::onReceived);
    connect(link, &Link::closed, this, [this] {
        if (isFinished)
            return;
        isFinished = true;
        delayTimer.stop();
        gapTimer.stop();
        emit finished();
    });
    connect(&delayTimer, &QTimer::timeout, this, &Session::releaseDelayed);
    connect(&gapTimer, &QTimer::timeout, this, [this] {
        inGap = false;
        pump();
    });
}

// A command ends at a CR. Line feeds next to it (a CR LF or LF CR client, or
// a stray LF) are not part of the command; a line feed in its middle is.
void Session::onReceived(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (isFinished)
            return;
        if (c == '\r') {
            finishCommand();
            continue;
        }
        if (input.size() < maxLine)
            input += c;
        else
            overlong = true; // the rest up to the next CR is thrown away
    }
}

void Session::finishCommand()
{
    int start = 0;
    while (start < input.size() && input.at(start) == '\n')
        ++start;
    int end = input.size();
    while (end > start && input.at(end - 1) == '\n')
        --end;
    const QByteArray command = input.mid(start, end - start);
    const bool cut = overlong;
    input.clear();
    overlong = false;
    if (!command.isEmpty())
        emit commandReceived(command, cut);
}

void Session::sendReply(const QByteArray& bytes, int extraMs)
{
    if (isFinished)
        return;
    if (faults->delayMs <= 0 && extraMs <= 0 && delayed.isEmpty()) {
        enqueue(bytes);
        return;
    }
    // Replies keep their order even when the delay changes between them.
    qint64 due = clock.elapsed() + faults->delayMs + std::max(0, extraMs);
    if (!delayed.isEmpty())
        due = std::max(due, delayed.last().due);
    delayed.append({due, bytes});
    if (!delayTimer.isActive())
        delayTimer.start(int(std::max<qint64>(0, delayed.first().due - clock.elapsed())));
}

void Session::releaseDelayed()
{
    const qint64 now = clock.elapsed();
    while (!delayed.isEmpty() && delayed.first().due <= now)
        enqueue(delayed.takeFirst().bytes);
    if (!delayed.isEmpty())
        delayTimer.start(int(std::max<qint64>(0, delayed.first().due - now)));
    checkDropAfterFlush();
}

void Session::sendStream(const QByteArray& bytes)
{
    if (!isFinished)
        enqueue(bytes);
}

void Session::enqueue(const QByteArray& bytes)
{
    output += bytes;
    pump();
}

void Session::pump()
{
    if (isFinished || inGap || output.isEmpty()) {
        checkDropAfterFlush();
        return;
    }
    if (faults->chunkBytes <= 0) {
        theLink->write(output);
        output.clear();
    } else {
        theLink->write(output.left(faults->chunkBytes));
        output.remove(0, std::min(faults->chunkBytes, int(output.size())));
        if (!output.isEmpty()) {
            inGap = true;
            gapTimer.start(std::max(0, faults->chunkGapMs));
        }
    }
    checkDropAfterFlush();
}

qint64 Session::pendingBytes() const
{
    qint64 n = output.size() + theLink->pendingBytes();
    for (const Delayed& d : delayed)
        n += d.bytes.size();
    return n;
}

void Session::dropWhenFlushed()
{
    dropPending = true;
    checkDropAfterFlush();
}

void Session::checkDropAfterFlush()
{
    if (!dropPending || isFinished || !output.isEmpty() || !delayed.isEmpty())
        return;
    // Let the event loop hand the last bytes to the link before it goes.
    QTimer::singleShot(20, this, [this] { drop(); });
    dropPending = false;
}

void Session::drop()
{
    if (!isFinished)
        theLink->drop();
}
