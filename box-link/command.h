#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;
class QSerialPort;
class QTcpSocket;

// Wire layer for one SENTREL box. It does not own the port: the box's worker
// thread opens a TCP socket or a serial port and hands it over. Every call
// blocks the calling (worker) thread on the port.
//
// A command is its text followed by a carriage return. The box answers one
// line ("ACK", "NAK" or a value, ended by a carriage return), or a multi-line
// body closed by a line "ACK", or, while it acquires with printing on, one
// data line per sample.
class Command : public QObject
{
    Q_OBJECT

public:
    // Results of send(): the box reply class.
    enum Result { NoReply = 0, Ack = 1, Nak = 2, Value = 3 };

    Command(QTcpSocket* socket, QSerialPort* serial, int* timeout, bool is_tcp, QObject* parent = nullptr);
    ~Command() override;

    // Sends one command and reads its one-line reply (waiting up to timeout_ms
    // in all). Returns a Result; the reply line, without its carriage return,
    // is in `reply`. Stale input is drained first. A read that holds more than
    // one line (a stale line and the answer) gives no reply (result 0): no
    // line of it is known to be the answer. When the drained input held
    // stream lines, the box streams: the reply is the line among them that is
    // no stream line. A text holding a carriage return, line feed or NUL is
    // refused (nothing is sent, result 0).
    int send(QString text);

    // As send(), for use while the box streams: stream lines that arrive
    // before the reply are passed to the stream decoder instead of being
    // taken for it. The reply is the first "ACK"/"NAK" line or, when
    // `expect_value` is set, the first line that is not a stream line.
    int send_during_stream(QString text, bool expect_value = false);

    // As send(), for a command that makes the box start streaming (it may
    // put its first lines before or after its "ACK" in the same write).
    // Stale input is thrown away first; the lines that come with the answer
    // are decoded into the stream fields as the first samples.
    int send_starting_stream(QString text);

    // Sends a command whose reply is a multi-line body ended by a line "ACK"
    // (or by an "ACK" that ends the text when the box then goes quiet for
    // timeout_ms: left without its CR, or glued to a last line that had no
    // line break). On success `reply_body` holds the body's bytes exactly as
    // sent and `reply_chunks` the same bytes cut into lines, each keeping its
    // own line break. Bodies are bytes, not text: a file may hold anything. Fails (false) on "NAK", when no data comes for timeout_ms, past
    // multiline_deadline_ms in all, or past multiline_max_bytes.
    bool send_multiline(QString text);

    // Reads what the port holds (no wait) and decodes the complete stream
    // lines into the stream fields. Returns true when at least one complete
    // line was taken (the incomplete tail stays buffered for the next read).
    bool read_stream();

    // Empties the reply chunks and the decoded stream fields.
    void clear_stream_lists();

    // Drops the buffered partial stream line and the decoded stream fields,
    // and (unless keep_pending) the bytes that arrived after the last reply,
    // so a new acquisition starts on a clean line.
    void reset_stream(bool keep_pending = false);

    // Decodes stream bytes (what read_stream() does with what the port gave).
    // Returns true when at least one complete line was taken.
    bool feed_stream(const char* bytes, qsizetype size);

    // Last reply of send(), without its line ending.
    QString reply;
    // Partial stream line carried over to the next read (bounded by stream_buffer_cap).
    QByteArray stream_buffer;
    // Last multi-line body, cut into lines that keep their line breaks.
    QByteArrayList reply_chunks;
    // Last multi-line body, byte for byte.
    QByteArray reply_body;

    // Decoded stream lines, parallel: entry i of each list belongs to the same
    // line (a temperature list only fills when line_layout names it).
    QVector<double> stream_current;
    QVector<double> stream_adc_t;
    QVector<double> stream_ext_t;
    QVector<double> stream_head_t;
    QVector<double> stream_counter;
    // Flags (low byte of the hexadecimal field) of the last valid line taken
    // since the lists were last emptied; -1 when none.
    int stream_flags;
    // Optional temperature fields of a stream line, 0..7 (bit 2 head, bit 1
    // external, bit 0 ADC); set by the worker thread from the box's status.
    int line_layout;

    QTcpSocket* socket;
    QSerialPort* serial;
    bool is_tcp;
    int timeout_ms;

    // Bounds of a multi-line reply.
    qint64 multiline_deadline_ms;
    qint64 multiline_max_bytes;
    // Longest partial stream line kept; past it the text is discarded up to
    // the next carriage return.
    static constexpr qsizetype stream_buffer_cap = 64 * 1024;

    // Counters of what the stream decoder threw away (for diagnostics).
    qint64 stream_lines_dropped;
    qint64 stream_bytes_discarded;

    // The box has no echo, so a reply names no command. After an exchange
    // that ran out without a complete reply, or a read that held more than
    // one line, a reply may still be on its way: the link is out of step, and
    // before the next command goes out everything the box sends is thrown
    // away until it has sent no reply line for timeout_ms (stream lines go on
    // to the stream fields while it streams, and do not count). A link that does
    // not fall quiet within resync_waits reply waits in all gets no command
    // (result 0) and stays out of step. Every run has its own Command, so a
    // connection starts in step.
    bool out_of_step;
    int resync_waits;

private:
    QIODevice* port() const;
    bool port_open() const;
    void drain(bool to_stream);
    void pull_waiting();
    bool resync(bool to_stream);
    void lose_step();
    bool write_frame(const QString& text);
    bool wait_for_data(int ms);
    QByteArray read_available();
    int read_reply_line();
    int read_reply_among_stream(bool expect_value);
    bool feed(const char* bytes, qsizetype size, int* picked);
    void take_stream_line(const char* begin, const char* end, int* picked);

    // Bytes that arrived after the last reply line; they belong to whatever
    // the box sends next (a stream line, or stale input to drain).
    QByteArray pending;
    // Set while a partial line is being thrown away after the buffer cap.
    bool stream_resync;
    // While a reply is looked for among stream lines: whether a line that is
    // not a stream line counts as a value reply, and whether a second line
    // that could be the reply came in the same read.
    bool pick_values;
    bool picked_twice;
    // Lines that were neither stream lines nor blank, seen by the stream
    // decoder (a resync among stream lines waits for these to stop).
    qint64 foreign_lines;
    // The input drained before this command held stream lines.
    bool stream_seen;
    // During a resync: since its start or the last reply line seen.
    QElapsedTimer quiet_clock;
};
