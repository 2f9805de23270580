#include "command.h"

#include "box_protocol.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QThread>

#include <cstring>

namespace {

// Text of one reply line: stray NULs, the line feed left over from a
// previous CR LF and a line feed sent ahead of the CR (LF CR) are not part of
// it. Blanks stay.
QString lineText(const char* begin, const char* end)
{
    while (begin != end && (*begin == '\n' || *begin == '\0'))
        ++begin;
    while (end != begin && (end[-1] == '\n' || end[-1] == '\0'))
        --end;
    if (std::memchr(begin, '\0', size_t(end - begin)) == nullptr)
        return QString::fromUtf8(begin, int(end - begin));
    QByteArray clean(begin, int(end - begin));
    clean.replace('\0', QByteArray());
    return QString::fromUtf8(clean);
}

// Whether the complete lines of `bytes` include a stream line.
bool holdsStreamLine(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while (p != end) {
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (!cr)
            return false;
        if (looksLikeStreamLine(p, cr))
            return true;
        p = cr + 1;
    }
    return false;
}

// Takes the complete lines of `carry` + `bytes` (the rest stays in `carry`)
// and says whether one of them is neither blank nor a stream line: a reply.
bool holdsReplyLine(QByteArray* carry, const QByteArray& bytes, bool* streamSeen)
{
    carry->append(bytes);
    bool reply = false;
    int from = 0;
    for (;;) {
        const int cr = carry->indexOf('\r', from);
        if (cr < 0)
            break;
        const char* b = carry->constData() + from;
        const char* e = carry->constData() + cr;
        if (looksLikeStreamLine(b, e))
            *streamSeen = true;
        else if (!QByteArray(b, int(e - b)).replace('\0', QByteArray()).trimmed().isEmpty())
            reply = true;
        from = cr + 1;
    }
    carry->remove(0, from);
    // A line that never ends is not kept for ever: part of it is enough to
    // judge it once its end comes.
    if (carry->size() > 4096)
        carry->remove(0, carry->size() - 4096);
    // The start of a line, unless the box streams, may be a reply whose end
    // is still on its way.
    if (!*streamSeen && !QByteArray(*carry).replace('\0', QByteArray()).trimmed().isEmpty())
        reply = true;
    return reply;
}

} // namespace

Command::Command(QTcpSocket* socket, QSerialPort* serial, int* timeout, bool is_tcp, QObject* parent)
    : QObject(parent), stream_flags(-1), line_layout(0), socket(socket), serial(serial), is_tcp(is_tcp),
      timeout_ms(timeout ? *timeout : 3000), multiline_deadline_ms(10 * 60 * 1000),
      multiline_max_bytes(16 * 1024 * 1024), stream_lines_dropped(0), stream_bytes_discarded(0),
      out_of_step(false), resync_waits(4), stream_resync(false), pick_values(false), picked_twice(false),
      foreign_lines(0), stream_seen(false)
{
    // Reserved so that emptying it between reads keeps the allocation.
    stream_buffer.reserve(1024);
}

Command::~Command() = default;

QIODevice* Command::port() const
{
    if (is_tcp)
        return socket;
    return serial;
}

bool Command::port_open() const
{
    if (is_tcp)
        return socket && socket->state() == QAbstractSocket::ConnectedState;
    return serial && serial->isOpen();
}

bool Command::wait_for_data(int ms)
{
    QIODevice* dev = port();
    return dev && port_open() && dev->waitForReadyRead(ms);
}

QByteArray Command::read_available()
{
    QIODevice* dev = port();
    return dev ? dev->readAll() : QByteArray();
}

void Command::pull_waiting()
{
    // Pull in what the system already holds. A zero wait that finds nothing
    // is not a time-out worth reporting, hence the blocker; the worker checks
    // the link state itself after every exchange.
    QIODevice* dev = port();
    const QSignalBlocker blocker(dev);
    for (int i = 0; i < 64 && dev->waitForReadyRead(0); ++i) {
    }
}

void Command::drain(bool to_stream)
{
    QByteArray bytes;
    bytes.swap(pending);
    QIODevice* dev = port();
    if (dev && port_open()) {
        pull_waiting();
        bytes += dev->readAll();
    }
    if (bytes.isEmpty())
        return;
    if (to_stream)
        feed(bytes.constData(), bytes.size(), nullptr);
    else if (holdsStreamLine(bytes))
        stream_seen = true;
}

void Command::lose_step()
{
    out_of_step = true;
}

bool Command::resync(bool to_stream)
{
    if (!out_of_step)
        return true;
    QIODevice* dev = port();
    if (!dev || !port_open())
        return false;
    QByteArray carry;
    // Whatever the box sends now is thrown away; only a reply line (not a
    // stream line, not a blank one) shows that it is still answering.
    const auto look = [&](const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        bool reply;
        if (to_stream) {
            const qint64 before = foreign_lines;
            feed(bytes.constData(), bytes.size(), nullptr);
            reply = foreign_lines != before;
        } else {
            reply = holdsReplyLine(&carry, bytes, &stream_seen);
        }
        if (reply)
            quiet_clock.start();
    };
    QElapsedTimer total;
    total.start();
    const qint64 limit = qint64(qMax(1, resync_waits)) * timeout_ms;
    // Quiet for one reply wait from now: a reply late by that much after its
    // own wait ran out still comes in here.
    quiet_clock.start();
    QByteArray first;
    first.swap(pending);
    look(first);
    // The waits that find the line quiet are what is wanted here, not time-outs.
    const QSignalBlocker blocker(dev);
    for (;;) {
        pull_waiting();
        look(dev->readAll());
        if (!port_open())
            return false;
        const qint64 quietLeft = timeout_ms - quiet_clock.elapsed();
        if (quietLeft <= 0)
            break;
        const qint64 totalLeft = limit - total.elapsed();
        if (totalLeft <= 0 || QThread::currentThread()->isInterruptionRequested())
            return false;
        dev->waitForReadyRead(int(qMin(quietLeft, totalLeft)));
    }
    out_of_step = false;
    return true;
}

bool Command::write_frame(const QString& text)
{
    QIODevice* dev = port();
    if (!dev || !port_open())
        return false;
    const QString framed = text + QLatin1Char('\r');
    const QByteArray frame = is_tcp ? framed.toLatin1() : framed.toUtf8();
    if (dev->write(frame) != frame.size())
        return false;
    if (is_tcp)
        socket->flush();
    else
        serial->flush();
    return true;
}

int Command::send(QString text)
{
    reply.clear();
    stream_seen = false;
    if (!isSendable(text) || !port_open())
        return NoReply;
    if (!resync(false))
        return NoReply;
    drain(false);
    if (!write_frame(text)) {
        lose_step();
        return NoReply;
    }
    if (stream_seen)
        return read_reply_among_stream(true);
    return read_reply_line();
}

int Command::read_reply_line()
{
    QElapsedTimer clock;
    clock.start();
    QByteArray buf;
    for (;;) {
        QString line;
        QByteArray rest;
        const ReplyRead read = takeReplyLine(buf, &line, &rest);
        if (read == ReplyRead::One) {
            pending = rest;
            reply = line;
            return classifyReply(reply);
        }
        if (read == ReplyRead::Several)
            break;
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0 || !wait_for_data(int(left)))
            break;
        buf += read_available();
    }
    // A partial line stays visible for diagnostics; none of it is the answer.
    if (buf.contains('\r'))
        buf.clear();
    reply = lineText(buf.constData(), buf.constData() + buf.size());
    lose_step();
    return NoReply;
}

int Command::send_during_stream(QString text, bool expect_value)
{
    reply.clear();
    if (!isSendable(text) || !port_open())
        return NoReply;
    if (!resync(true))
        return NoReply;
    drain(true);
    if (!write_frame(text)) {
        lose_step();
        return NoReply;
    }
    return read_reply_among_stream(expect_value);
}

int Command::send_starting_stream(QString text)
{
    reply.clear();
    if (!isSendable(text) || !port_open())
        return NoReply;
    reset_stream();
    if (!resync(false))
        return NoReply;
    drain(false);
    if (!write_frame(text)) {
        lose_step();
        return NoReply;
    }
    return read_reply_among_stream(false);
}

int Command::read_reply_among_stream(bool expect_value)
{
    QElapsedTimer clock;
    clock.start();
    int picked = NoReply;
    for (;;) {
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0 || !wait_for_data(int(left))) {
            lose_step();
            return NoReply;
        }
        const QByteArray bytes = read_available();
        pick_values = expect_value;
        picked_twice = false;
        feed(bytes.constData(), bytes.size(), &picked);
        pick_values = false;
        if (picked_twice) {
            // Two lines that could each be the answer: neither is known to be it.
            reply.clear();
            lose_step();
            return NoReply;
        }
        if (picked != NoReply)
            return picked;
    }
}

bool Command::send_multiline(QString text)
{
    reply_chunks.clear();
    reply_body.clear();
    if (!isSendable(text) || !port_open())
        return false;
    if (!resync(false))
        return false;
    drain(false);
    if (!write_frame(text)) {
        lose_step();
        return false;
    }

    QElapsedTimer clock;
    clock.start();
    QByteArray buf;
    qsizetype scan = 0;
    bool nak = false;
    bool ok = false;
    for (;;) {
        const qsizetype bodyLength = findAckLine(buf, &scan, &nak);
        if (bodyLength >= 0) {
            pending = buf.mid(int(scan));
            buf.truncate(int(bodyLength));
            ok = bodyLength <= multiline_max_bytes;
            break;
        }
        if (nak) {
            pending = buf.mid(int(scan));
            buf.clear();
            break;
        }
        if (buf.size() > multiline_max_bytes)
            break;
        if (QThread::currentThread()->isInterruptionRequested())
            break;
        const qint64 left = multiline_deadline_ms - clock.elapsed();
        if (left <= 0)
            break;
        const int wait = int(qMin<qint64>(left, timeout_ms));
        if (!wait_for_data(wait)) {
            // Quiet after a closing "ACK" that is not a line of its own.
            const qsizetype at = wait == timeout_ms ? findTrailingAck(buf) : -1;
            if (at >= 0) {
                buf.truncate(int(at));
                ok = true;
            }
            break;
        }
        buf += read_available();
    }
    // A listing cut short may still be coming; a refusal is a whole answer.
    if (!ok && !nak)
        lose_step();
    reply_body = buf;
    reply_chunks = splitKeepingLineBreaks(reply_body);
    return ok;
}

bool Command::read_stream()
{
    QByteArray bytes;
    bytes.swap(pending);
    if (port_open())
        bytes += read_available();
    if (bytes.isEmpty())
        return false;
    return feed(bytes.constData(), bytes.size(), nullptr);
}

bool Command::feed_stream(const char* bytes, qsizetype size)
{
    return feed(bytes, size, nullptr);
}

bool Command::feed(const char* bytes, qsizetype size, int* picked)
{
    const char* p = bytes;
    const char* const end = bytes + size;
    bool took = false;

    if (stream_resync) {
        // Throwing away an over-long line: resume after its carriage return.
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (!cr) {
            stream_bytes_discarded += end - p;
            return false;
        }
        stream_bytes_discarded += cr - p;
        p = cr + 1;
        stream_resync = false;
    }

    if (!stream_buffer.isEmpty() && p != end) {
        // Complete the line carried over from the last read.
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (!cr) {
            if (stream_buffer.size() + (end - p) > stream_buffer_cap) {
                stream_bytes_discarded += stream_buffer.size() + (end - p);
                stream_buffer.resize(0);
                stream_resync = true;
            } else {
                stream_buffer.append(p, int(end - p));
            }
            return took;
        }
        stream_buffer.append(p, int(cr - p));
        take_stream_line(stream_buffer.constData(), stream_buffer.constData() + stream_buffer.size(), picked);
        stream_buffer.resize(0);
        p = cr + 1;
        took = true;
    }

    while (p != end) {
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (!cr)
            break;
        take_stream_line(p, cr, picked);
        p = cr + 1;
        took = true;
    }

    if (p != end) {
        if (end - p > stream_buffer_cap) {
            stream_bytes_discarded += end - p;
            stream_resync = true;
        } else {
            stream_buffer.append(p, int(end - p));
        }
    }
    return took;
}

void Command::take_stream_line(const char* begin, const char* end, int* picked)
{
    StreamSample s;
    if (parseStreamLine(begin, end, line_layout, &s)) {
        stream_counter.append(s.counter);
        stream_current.append(s.current);
        if (line_layout & 4)
            stream_head_t.append(s.head_t);
        if (line_layout & 2)
            stream_ext_t.append(s.ext_t);
        if (line_layout & 1)
            stream_adc_t.append(s.adc_t);
        stream_flags = s.flags;
        return;
    }
    const QString text = lineText(begin, end);
    if (text.trimmed().isEmpty())
        return;
    if (!looksLikeStreamLine(begin, end))
        ++foreign_lines;
    if (picked) {
        const int cls = classifyReply(text);
        if (cls == Ack || cls == Nak || pick_values) {
            if (*picked != NoReply) {
                picked_twice = true;
                return;
            }
            *picked = cls;
            reply = text;
            return;
        }
    }
    ++stream_lines_dropped;
}

void Command::clear_stream_lists()
{
    reply_chunks.clear();
    stream_counter.clear();
    stream_current.clear();
    stream_ext_t.clear();
    stream_head_t.clear();
    stream_adc_t.clear();
    stream_flags = -1;
}

void Command::reset_stream(bool keep_pending)
{
    stream_buffer.resize(0);
    stream_resync = false;
    if (!keep_pending)
        pending.clear();
    clear_stream_lists();
}
