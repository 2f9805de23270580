#pragma once

// Pure pieces of the supply protocol: how the bytes of one reply are
// collected, what a reply means for a set command or a query, and how the
// replies that carry several fields update the supply-state record. No I/O;
// PS_Comm and the worker's task table build on these.

#include <QByteArray>
#include <QString>

class ps_data;

// Collects the bytes of one reply as the socket hands them over. A NUL ends
// a chunk's useful part; nothing past `cap` bytes is kept.
class SupplyReplyCollector
{
public:
    explicit SupplyReplyCollector(int cap) : cap(cap) {}

    // Adds one chunk; true once the reply is complete (a CR came) or the cap is reached.
    bool add(QByteArray chunk);

    bool isEmpty() const { return collected.isEmpty(); }
    // A CR came: the reply is whole.
    bool complete() const { return terminated; }
    // The cap was reached before any CR: the reply is cut and never an answer.
    bool overlong() const { return !terminated && collected.size() >= cap; }
    // The reply up to its first CR (bytes read as Latin-1).
    QString text() const;

private:
    int cap;
    QByteArray collected;
    bool terminated = false;
};

// Result of a set command's reply: 0 for "AK" (after its framing, the
// leading '#' and the line ends, is removed), n > 0 for "NAK:n", -1 for
// anything else (a refusal without a valid code included).
int setReplyResult(QString reply);

// Result of a query's reply: 0 when the reply starts with the command's echo
// (the command without ":?"), and then `value` is what follows the echo and
// its separator; n > 0 for "NAK:n"; -1 otherwise. Only the framing goes:
// the leading line feeds and one '#', and in a plain reply every line end; a
// '#' inside the value stays, and a file text (`fileText`) keeps its lines.
int queryReplyResult(const QString& command, QString reply, bool fileText, QString* value);

// The status register text read as a hexadecimal number: false, and `flags`
// untouched, when it is not one (not hexadecimal, signed, wider than 32 bits, empty).
bool statusFlagsOf(const QString& text, quint32* flags);

// Stores a status text as the supply sent it. A word that reads is the new
// state (and the status counts as read on this connection); one that does
// not only marks the status unreadable, and the last word read stays in
// `status_flags`.
void applyStatus(ps_data& record, const QString& text);

// The memory cell a text names, or -1 when it is not a cell of the supply.
int memoryCellOf(const QString& text);

// "VER" reply: model before the first ':', version after it (the whole text
// for both when there is none), and the family and polarity kind the model names.
void applyVersionReply(ps_data& record, const QString& text);

// "MPLST" reply "current:voltage:status": false (record untouched) when it
// has fewer than three fields; otherwise the readings count as read.
bool applyCurrentVoltageStatus(ps_data& record, const QString& text);

// "MLIMITS:?" reply of four ':'-separated fields: false (record untouched)
// when it has fewer.
bool applyLimits(ps_data& record, const QString& text);

// Reads what comes in while the link is brought back in step: whole lines
// (up to their CR, each chunk cut at its first NUL), each thrown away until
// the awaited answer has come. A line is an answer when, after its framing,
// it begins with `echo` and one separator; `count` of them are awaited (the
// replies still owed to earlier queries that such a line could be come
// first). A line longer than `cap` is never an answer.
class ResyncReader
{
public:
    ResyncReader(const QString& echo, int count, int cap);

    // Adds one chunk; true once the awaited answer has come. Whatever follows
    // it in the chunk belongs to no command still to be answered.
    bool add(QByteArray chunk);
    bool done() const { return remaining <= 0; }

private:
    void takeLine();

    QString echo;
    int remaining;
    int cap;
    QByteArray line;
    bool lineOverlong = false;
};
