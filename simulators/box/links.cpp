#include "links.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

TcpLink::TcpLink(QTcpSocket* s, QObject* parent) : Link(parent), socket(s)
{
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this, [this] { emit received(socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, this, &Link::closed);
}

void TcpLink::write(const QByteArray& bytes)
{
    if (socket->state() == QAbstractSocket::ConnectedState)
        socket->write(bytes);
}

qint64 TcpLink::pendingBytes() const
{
    return socket->bytesToWrite();
}

void TcpLink::drop()
{
    socket->abort();
    emit closed();
}

QString TcpLink::describe() const
{
    return socket->peerAddress().toString() + QLatin1Char(':') + QString::number(socket->peerPort());
}

#ifdef Q_OS_UNIX

PtyLink* PtyLink::create(QString* error, QObject* parent)
{
    auto fail = [error](const char* what) {
        *error =
            QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    };
    const int m = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m < 0)
        return fail("posix_openpt");
    if (::grantpt(m) != 0 || ::unlockpt(m) != 0) {
        ::close(m);
        return fail("grantpt/unlockpt");
    }
    const char* name = ::ptsname(m);
    if (!name) {
        ::close(m);
        return fail("ptsname");
    }
    const QString slavePath = QString::fromLocal8Bit(name);
    const int s = ::open(name, O_RDWR | O_NOCTTY);
    if (s < 0) {
        ::close(m);
        return fail("open slave");
    }
    // Raw mode on the slave: no echo, no line editing, no CR/LF translation,
    // so a program that opens the path with plain open() sees the bytes as
    // the box sends them.
    termios tio{};
    if (::tcgetattr(s, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(s, TCSANOW, &tio);
    }
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    ::fcntl(m, F_SETFD, FD_CLOEXEC);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);

    auto* link = new PtyLink(parent);
    link->master = m;
    link->slave = s;
    link->path = slavePath;
    link->readNotifier = new QSocketNotifier(m, QSocketNotifier::Read, link);
    connect(link->readNotifier, &QSocketNotifier::activated, link, &PtyLink::readAvailable);
    link->writeNotifier = new QSocketNotifier(m, QSocketNotifier::Write, link);
    link->writeNotifier->setEnabled(false);
    connect(link->writeNotifier, &QSocketNotifier::activated, link, &PtyLink::flushOut);
    link->retryTimer = new QTimer(link);
    link->retryTimer->setSingleShot(true);
    connect(link->retryTimer, &QTimer::timeout, link, [link] {
        if (link->readNotifier)
            link->readNotifier->setEnabled(true);
    });
    return link;
}

PtyLink::~PtyLink()
{
    closeDescriptors();
}

void PtyLink::closeDescriptors()
{
    delete readNotifier;
    readNotifier = nullptr;
    delete writeNotifier;
    writeNotifier = nullptr;
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
}

void PtyLink::readAvailable()
{
    char buf[4096];
    QByteArray got;
    for (;;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && readNotifier) {
            // No slave open anywhere (EIO): look again a little later rather
            // than spin on a descriptor that stays readable.
            readNotifier->setEnabled(false);
            retryTimer->start(50);
        }
        break;
    }
    if (!got.isEmpty())
        emit received(got);
}

void PtyLink::write(const QByteArray& bytes)
{
    if (master < 0)
        return;
    outBuffer += bytes;
    flushOut();
}

void PtyLink::flushOut()
{
    while (!outBuffer.isEmpty() && master >= 0) {
        const ssize_t n = ::write(master, outBuffer.constData(), size_t(outBuffer.size()));
        if (n > 0) {
            outBuffer.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // the terminal's input queue is full: wait until it drains
    }
    if (writeNotifier)
        writeNotifier->setEnabled(!outBuffer.isEmpty());
}

void PtyLink::drop()
{
    outBuffer.clear();
    closeDescriptors();
    emit closed();
}

#endif
