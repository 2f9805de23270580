// Dcct_thread: life of a run (port, handshake, event loop, tear-down), the
// command queue and the connection handlers. The command table and the
// stream decoding are in dcct_thread_commands.cpp.

#include "dcct_thread.h"

#include "box_protocol.h"
#include "command.h"

#include <QMutexLocker>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

int tcpErrorCode(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return 12;
    case QAbstractSocket::ConnectionRefusedError:
        return 13;
    case QAbstractSocket::SocketTimeoutError:
        return 5;
    default:
        return 14;
    }
}

} // namespace

Dcct_thread::Dcct_thread(bool is_tcp, QString ip, int interval_ms, QString com_port, QObject* parent)
    : QThread(parent), ip(ip), com_port(com_port), tcp_port(QStringLiteral("10001")), is_tcp(is_tcp),
      reply_timeout_ms(3000), interval_ms(interval_ms), stream_quiet_ms(3000), connection_code(3),
      connected(false), polling(false), socket(nullptr), serial(nullptr), command(nullptr), timer(nullptr),
      status_pending(false), printing_unconfirmed(false), failure_code(-1), link_down(false), quiet_ticks(0)
{
    qRegisterMetaType<QAbstractSocket::SocketState>("QTcpSocket::SocketState");
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");
    registerDcctDataMetaType();
}

Dcct_thread::~Dcct_thread()
{
    if (isRunning()) {
        requestInterruption();
        quit();
        wait();
    }
}

void Dcct_thread::enqueue(int code)
{
    QMutexLocker lock(&mutex);
    status_pending = true;
    codes.append(Queued{code, QString(), false});
    data.set_results.remove(code);
}

void Dcct_thread::enqueue(int code, QString arg)
{
    QMutexLocker lock(&mutex);
    codes.append(Queued{code, arg, true});
    // Until it has run, the answer the record has for this code is an older one's.
    data.set_results.remove(code);
}

int Dcct_thread::queue_length()
{
    QMutexLocker lock(&mutex);
    return codes.size();
}

Dcct_data Dcct_thread::data_snapshot()
{
    QMutexLocker lock(&mutex);
    return data;
}

void Dcct_thread::emit_status()
{
    emit status_updated(data_snapshot());
}

void Dcct_thread::run()
{
    failure_code = -1;
    link_down = false;
    printing_unconfirmed = false;
    connected = false;
    status_pending = false;
    stream_clock.invalidate();
    {
        QMutexLocker lock(&mutex);
        codes.clear();
        data.reset();
    }

    QTimer tick;
    timer = &tick;
    connect(&tick, &QTimer::timeout, this, &Dcct_thread::process, Qt::DirectConnection);

    std::unique_ptr<Command> link;
    const bool opened = is_tcp ? open_tcp() : open_serial();
    if (opened) {
        link = std::make_unique<Command>(socket, serial, &reply_timeout_ms, is_tcp);
        command = link.get();
        if (handshake() && !link_down) {
            tick.start(interval_ms);
            exec();
        }
    } else if (failure_code < 0) {
        failure_code = is_tcp ? 14 : 4;
    }
    tick.stop();
    tear_down(failure_code >= 0 ? failure_code : 0);

    command = nullptr;
    link.reset();
    delete socket;
    socket = nullptr;
    delete serial;
    serial = nullptr;
    timer = nullptr;
}

bool Dcct_thread::open_tcp()
{
    socket = new QTcpSocket;
    // The text may be an address or a host name; both resolve here.
    const QString host = ip.trimmed();
    bool portOk = false;
    const uint portNumber = tcp_port.trimmed().toUInt(&portOk, 10);
    if (host.isEmpty() || !portOk || portNumber < 1 || portNumber > 65535) {
        // No address to try: nothing goes out (a port cut to 16 bits would
        // reach some other service).
        failure_code = host.isEmpty() ? tcpErrorCode(QAbstractSocket::HostNotFoundError) : 14;
        return false;
    }
    const quint16 port = quint16(portNumber);
    if (resolve_host && QHostAddress(host).isNull()) {
        const QHostAddress address = resolve_host(host);
        if (address.isNull()) {
            failure_code = tcpErrorCode(QAbstractSocket::HostNotFoundError);
            return false;
        }
        socket->connectToHost(address, port, QIODevice::ReadWrite);
    } else {
        socket->connectToHost(host, port, QIODevice::ReadWrite);
    }
    if (!socket->waitForConnected(3000)) {
        failure_code = tcpErrorCode(socket->error());
        return false;
    }
    connect(socket, &QAbstractSocket::stateChanged, this, &Dcct_thread::connection_tcp_changed,
            Qt::DirectConnection);
    connect(socket, &QAbstractSocket::errorOccurred, this, &Dcct_thread::connection_tcp_error,
            Qt::DirectConnection);
    connection_tcp_changed(QAbstractSocket::ConnectedState);
    return true;
}

bool Dcct_thread::open_serial()
{
    serial = new QSerialPort;
    // A full device path (such as a pseudo-terminal) is accepted as well as a
    // port name from the system's list.
    serial->setPortName(com_port);
    serial->clearError();
    connect(serial, &QSerialPort::errorOccurred, this, &Dcct_thread::connection_serial_handler,
            Qt::DirectConnection);
    if (!serial->open(QIODevice::ReadWrite)) {
        if (failure_code < 0)
            failure_code = 4;
        return false;
    }
    connection_serial_handler(QSerialPort::NoError);
    return true;
}

bool Dcct_thread::handshake()
{
    // A box found streaming may have lines queued ahead of its answers: they
    // are read as stream lines (whatever the box's layout, a line holds at
    // least counter, flags and current) so that no answer is taken for the
    // next command's, and they are dropped once the box is quiet.
    auto ask = [this](const char* text) { return command->send_during_stream(QString::fromLatin1(text), true); };
    ask(" ");
    if (!link_up())
        return false;
    if (ask(" ") == Command::NoReply) {
        link_failed(11);
        return false;
    }
    for (const char* text : {"PRINT:OFF", "PRINT:OFF", "STATUS:?", "STATUS:?"}) {
        ask(text);
        if (!link_up())
            return false;
    }
    const int result = ask("STATUS:?");
    command->reset_stream(true);
    if (!link_up())
        return false;
    if (result != Command::Value)
        return true;

    quint64 word = 0;
    if (!parseHexWord(command->reply, &word)) {
        // A value that is no status word comes from a peer that speaks
        // another protocol (a supply answers "#NAK:01"): no box answers here,
        // and nothing it says is taken for a box's state.
        link_failed(11);
        return false;
    }
    if (word & 1) {
        // The word just read already says the box acquires; keep that even if
        // a query below is lost among the stream lines.
        {
            QMutexLocker lock(&mutex);
            if (decodeStatusWord(command->reply, &data))
                command->line_layout = data.line_layout;
        }
        // Already acquiring: learn what the windows need before the first tick.
        for (int code : {73, 257, 53, 5, 80}) {
            enqueue(code);
            process();
            if (!link_up())
                return false;
        }
        const Dcct_data copy = data_snapshot();
        emit status_updated(copy);
        emit sentrel_is_acquiring(copy);
    } else {
        enqueue(80);
        enqueue(73);
        enqueue(257);
    }
    return true;
}

void Dcct_thread::link_failed(int code)
{
    if (link_down)
        return;
    link_down = true;
    failure_code = code;
    if (timer)
        timer->stop();
    quit();
}

bool Dcct_thread::link_up()
{
    if (link_down)
        return false;
    if (is_tcp) {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            link_failed(socket ? tcpErrorCode(socket->error()) : 14);
    } else if (!serial || !serial->isOpen()) {
        link_failed(11);
    }
    return !link_down;
}

void Dcct_thread::send_pending_print_off()
{
    bool found = false;
    {
        QMutexLocker lock(&mutex);
        for (int i = 0; i < codes.size(); ++i) {
            const Queued& q = codes.at(i);
            if (q.code == 16 && q.has_arg && q.arg.trimmed().compare(QLatin1String("OFF"), Qt::CaseInsensitive) == 0) {
                codes.removeAt(i);
                found = true;
                break;
            }
        }
    }
    if (found && command) {
        // The run ends here and the answer is not looked at: a reply still on
        // its way from an earlier command does no harm, and waiting for the
        // line to fall quiet would only hold the disconnect up.
        command->out_of_step = false;
        exchange(QStringLiteral("print:OFF"));
    }
}

void Dcct_thread::tear_down(int code)
{
    if (timer)
        timer->stop();
    if (code == 0 && !link_down && command && link_up())
        send_pending_print_off();

    if (is_tcp && socket) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
    }
    if (!is_tcp && serial) {
        // Unhooked first: closing a port that never opened reports an error of its own.
        disconnect(serial, nullptr, this, nullptr);
        if (serial->isOpen())
            serial->close();
    }
    connected = false;
    Dcct_data copy;
    {
        QMutexLocker lock(&mutex);
        data.reset();
        copy = data;
    }
    connection_code = code;
    emit connection_changed(code, false);
    emit status_updated(copy);
}

void Dcct_thread::connection_serial_handler(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        // The port also reports NoError whenever its error is cleared; only
        // the first report of an open port means "connected".
        if (serial && serial->isOpen() && !connected && !link_down) {
            connection_code = 3;
            connected = true;
            emit connection_changed(3, true);
        }
        break;
    case QSerialPort::PermissionError:
        link_failed(6);
        break;
    case QSerialPort::OpenError:
    case QSerialPort::DeviceNotFoundError:
        link_failed(4);
        break;
    case QSerialPort::ResourceError:
        // Unplugged while open, or gone before it could be opened.
        link_failed(connected ? 11 : 4);
        break;
    case QSerialPort::UnknownError:
        link_failed(11);
        break;
    case QSerialPort::TimeoutError:
        connection_code = 5;
        emit connection_changed(5, connected);
        break;
    default:
        emit connection_changed(connection_code, connected);
        break;
    }
}

void Dcct_thread::connection_tcp_changed(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        // An error reported just before keeps its code; either way the run ends.
        link_failed(0);
        break;
    case QAbstractSocket::ConnectedState:
        connection_code = 3;
        connected = true;
        emit connection_changed(3, true);
        emit_status();
        break;
    default:
        // A closing link after a failure says nothing new; the failure is
        // reported when the run ends.
        if (!link_down) {
            emit connection_changed(connection_code, connected);
            emit_status();
        }
        break;
    }
}

void Dcct_thread::connection_tcp_error(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::SocketTimeoutError) {
        connection_code = 5;
        emit connection_changed(5, connected);
        return;
    }
    link_failed(tcpErrorCode(error));
}
