#pragma once

#include <QByteArray>
#include <QList>

// Cuts the byte stream of one connection into commands. A command ends at CR;
// a single LF right after a CR is dropped (consoles send CR LF), even when it
// arrives in a later read; a LF anywhere else belongs to the command text.
// Commands longer than the cap are not kept: only their start and their
// length are reported, so a runaway client cannot exhaust memory.
class CommandFramer
{
public:
    struct Frame {
        QByteArray text; // the command without its CR (only the start when overlong)
        bool overlong = false;
        qint64 length = 0; // length of the whole command
    };

    explicit CommandFramer(qint64 maxLength) : cap(maxLength) {}

    QList<Frame> feed(const QByteArray& data);
    // Bytes of an unfinished command held for the next read.
    qint64 pendingLength() const { return pendingSize; }

private:
    void append(const char* data, qint64 size);

    qint64 cap;
    QByteArray pending;
    qint64 pendingSize = 0;
    bool afterCr = false;
};
