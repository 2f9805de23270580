#pragma once

#include "dcct_data.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QSerialPort>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class Command;
class QTcpSocket;
class QTimer;

// Worker that owns the link to one SENTREL box. Windows queue box command
// codes (enqueue) and receive copies of the box-state record through the
// signals; all port I/O happens in this thread.
//
// run() opens the TCP socket or serial port, checks with a short handshake
// that a box answers, then ticks `process` every interval_ms: one queued
// command per tick, stream lines while the box acquires with printing on, or
// a status report/poll when nothing is queued. The run ends when the windows
// quit() the thread or when the link fails; the object can be started again.
//
// Connection codes of connection_changed: 0 disconnected, 3 connected,
// 4 open error, 5 time-out (link kept), 6 permission error, 11 box not
// answering (or serial port lost, or a peer answering the status query with
// no status word), 12 host not found, 13 connection refused, 14 other
// network error.
class Dcct_thread : public QThread
{
    Q_OBJECT

public:
    // One queued command: a code, and the argument of a set code.
    struct Queued {
        int code;
        QString arg;
        bool has_arg;
    };

    Dcct_thread(bool is_tcp, QString ip, int interval_ms, QString com_port, QObject* parent = nullptr);
    // Quits and waits for a run still in progress, so the object is never
    // destroyed under a running thread.
    ~Dcct_thread() override;

    // Queues a query or action code; a status report follows once the queue
    // has run empty.
    void enqueue(int code);
    // Queues a set code with its argument.
    void enqueue(int code, QString arg);

    // Convenience for the windows; both take `mutex`.
    int queue_length();
    Dcct_data data_snapshot();

    // Guards `codes` and the fields of `data` that windows read directly
    // (acquiring, error, trigger_out, printing, name, password_set,
    // line_layout). Never held across port I/O.
    QMutex mutex;

    QString ip;       // box address in TCP mode (an IP address or a host name)
    QString com_port; // serial port name or device path (e.g. /dev/ttyUSB0, /dev/pts/5)
    QString tcp_port; // "10001"
    // Looks a box's host name up (an address given as such is used as it
    // is); a null result means the name is unknown (code 12). Left empty,
    // the socket asks the system's resolver. Set before start().
    std::function<QHostAddress(const QString& name)> resolve_host;
    bool is_tcp;

    Dcct_data data;
    QList<Queued> codes;

    int reply_timeout_ms; // handed to Command at each run (3000)
    int interval_ms;      // tick period
    // How long a streaming box may send no sample line before the worker
    // marks the record `stream_quiet` and polls the box's status again (at
    // least three sample periods). Set before start().
    int stream_quiet_ms;
    int connection_code;  // last code reported

    std::atomic<bool> connected;
    std::atomic<bool> polling;

    // Valid only while a run is in progress (created by run, released at its end).
    QTcpSocket* socket;
    QSerialPort* serial;
    Command* command;
    QTimer* timer;

    std::atomic<bool> status_pending;

signals:
    void data_updated(Dcct_data data);
    void file_read(Dcct_data data);
    void status_updated(Dcct_data data);
    void sentrel_is_acquiring(Dcct_data data);
    void sentrel_start_acquire(Dcct_data data);
    void connection_changed(int connection_error, bool is_connected);

public slots:
    void process();
    void connection_serial_handler(QSerialPort::SerialPortError error);
    void connection_tcp_changed(QAbstractSocket::SocketState state);
    void connection_tcp_error(QAbstractSocket::SocketError error);
    void acquire_current();

protected:
    void run() override;

private:
    bool open_tcp();
    bool open_serial();
    bool handshake();
    void tear_down(int code);
    void link_failed(int code);
    bool link_up();
    void send_pending_print_off();
    bool streaming() const;
    int exchange(const QString& text, bool query = false);
    int exchange_starting_stream(const QString& text);
    void run_code(const Queued& q);
    // A query of `code` whose reply goes to a field as text, or through
    // `apply`, which says whether it could decode it; either way the record
    // notes whether the query gave a value.
    void query_text(int code, const QString& text, QString Dcct_data::*field);
    void query_value(int code, const QString& text,
                     const std::function<bool(Dcct_data&, const QString&)>& apply);
    void note_read(int code, bool read); // holding `mutex`
    void read_status_word();
    void read_error_word();
    void read_sd_listing();
    void read_sd_file(const QString& text);
    void set_acquisition(const QString& text, bool on);
    void set_printing(const QString& text, bool on);
    void confirm_by_status();
    void send_paused(const QString& text);
    void emit_status();
    bool stream_went_quiet();
    void end_stream_watch();

    // A "print:ON" went unanswered: whether the box prints is not known
    // until its status word is read.
    bool printing_unconfirmed;

    // Set when the link failed during a run: the code to report when the
    // run tears down (reported once).
    int failure_code;
    bool link_down;

    // Since the last sample line of a stream (invalid while not streaming),
    // and the ticks counted for the polls of a quiet stream.
    QElapsedTimer stream_clock;
    int quiet_ticks;
};
