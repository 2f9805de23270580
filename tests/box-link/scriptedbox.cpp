#include "scriptedbox.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSemaphore>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class ScriptedBox::Worker : public QObject
{
public:
    mutable QMutex mutex;
    Responder responder;
    QByteArrayList log;
    QByteArray raw;
    QByteArray pendingLine;
    int connections = 0;

    QTcpServer* server = nullptr;
    QTcpSocket* client = nullptr;
    int masterFd = -1;
    int slaveKeepFd = -1;
    QSocketNotifier* notifier = nullptr;
    qint64 sendClock = 0; // when the last scheduled piece goes out
    QElapsedTimer clock;

    bool startTcp(quint16* port)
    {
        clock.start();
        server = new QTcpServer(this);
        if (!server->listen(QHostAddress::LocalHost, 0))
            return false;
        *port = server->serverPort();
        QObject::connect(server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server->nextPendingConnection()) {
                if (client)
                    client->deleteLater();
                client = s;
                pendingLine.clear();
                {
                    QMutexLocker lock(&mutex);
                    ++connections;
                }
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    if (s == client)
                        received(s->readAll());
                });
            }
        });
        return true;
    }

    bool startPty(QString* path, bool raw)
    {
        clock.start();
        masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (masterFd < 0 || ::grantpt(masterFd) != 0 || ::unlockpt(masterFd) != 0)
            return false;
        *path = QString::fromLocal8Bit(::ptsname(masterFd));
        // Keep one slave descriptor open in raw mode, so the line discipline
        // passes bytes unchanged and the master survives the client closing.
        slaveKeepFd = ::open(::ptsname(masterFd), O_RDWR | O_NOCTTY);
        if (slaveKeepFd < 0)
            return false;
        if (raw) {
            termios tio;
            ::tcgetattr(slaveKeepFd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(slaveKeepFd, TCSANOW, &tio);
        }
        ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);
        notifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
        QObject::connect(notifier, &QSocketNotifier::activated, this, [this] {
            char buf[4096];
            const ssize_t n = ::read(masterFd, buf, sizeof buf);
            if (n > 0)
                received(QByteArray(buf, int(n)));
        });
        {
            QMutexLocker lock(&mutex);
            connections = 1;
        }
        return true;
    }

    QTimer* ticker = nullptr;
    std::function<QByteArray()> tick;

    void setTicker(int periodMs, std::function<QByteArray()> t)
    {
        tick = std::move(t);
        if (!ticker) {
            ticker = new QTimer(this);
            QObject::connect(ticker, &QTimer::timeout, this, [this] {
                if (!tick)
                    return;
                const QByteArray bytes = tick();
                if (!bytes.isEmpty())
                    write(bytes, true);
            });
        }
        if (tick)
            ticker->start(periodMs);
        else
            ticker->stop();
    }

    void shutdown()
    {
        delete ticker;
        ticker = nullptr;
        delete outboxTimer;
        outboxTimer = nullptr;
        outbox.clear();
        delete notifier;
        notifier = nullptr;
        if (slaveKeepFd >= 0)
            ::close(slaveKeepFd);
        if (masterFd >= 0)
            ::close(masterFd);
        masterFd = slaveKeepFd = -1;
        delete client;
        client = nullptr;
        delete server;
        server = nullptr;
    }

    // `lossy`: what a full terminal does not take is lost, as on a serial
    // line nobody reads (streamed lines); otherwise the write waits for room.
    void write(const QByteArray& bytes, bool lossy = false)
    {
        if (client) {
            client->write(bytes);
            client->flush();
        } else if (masterFd >= 0) {
            qsizetype done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(masterFd, bytes.constData() + done, size_t(bytes.size() - done));
                if (n > 0)
                    done += n;
                else if (lossy)
                    break;
                else
                    QThread::usleep(200);
            }
        }
    }

    void received(const QByteArray& bytes)
    {
        Responder r;
        {
            QMutexLocker lock(&mutex);
            raw += bytes;
            r = responder;
        }
        pendingLine += bytes;
        int cr;
        while ((cr = pendingLine.indexOf('\r')) >= 0) {
            const QByteArray command = pendingLine.left(cr);
            pendingLine.remove(0, cr + 1);
            {
                QMutexLocker lock(&mutex);
                log << command;
            }
            if (!r)
                continue;
            // Pieces go out in order, each after its own delay counted from
            // the previous piece (or from now).
            qint64 at = qMax(sendClock, clock.elapsed());
            for (const Piece& p : r(command)) {
                at += p.first;
                outbox.append(qMakePair(at, p.second));
            }
            sendClock = at;
        }
        flushOutbox();
    }

    QList<QPair<qint64, QByteArray>> outbox;
    QTimer* outboxTimer = nullptr;

    void flushOutbox()
    {
        while (!outbox.isEmpty() && outbox.first().first <= clock.elapsed())
            write(outbox.takeFirst().second);
        if (outbox.isEmpty())
            return;
        if (!outboxTimer) {
            outboxTimer = new QTimer(this);
            outboxTimer->setSingleShot(true);
            QObject::connect(outboxTimer, &QTimer::timeout, this, [this] { flushOutbox(); });
        }
        outboxTimer->start(int(qMax<qint64>(0, outbox.first().first - clock.elapsed())));
    }
};

ScriptedBox::ScriptedBox(Transport t) : transport(t)
{
    worker = new Worker;
    worker->moveToThread(&thread);
    thread.start();
}

ScriptedBox::~ScriptedBox()
{
    QMetaObject::invokeMethod(
        worker, [this] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    delete worker;
}

bool ScriptedBox::start()
{
    bool ok = false;
    QMetaObject::invokeMethod(
        worker,
        [this, &ok] {
            ok = transport == Tcp ? worker->startTcp(&tcpPort) : worker->startPty(&slavePath, transport == Pty);
        },
        Qt::BlockingQueuedConnection);
    return ok;
}

bool ScriptedBox::terminalIsRaw() const
{
    termios tio;
    if (worker->slaveKeepFd < 0 || ::tcgetattr(worker->slaveKeepFd, &tio) != 0)
        return false;
    return (tio.c_lflag & (ICANON | ECHO)) == 0;
}

void ScriptedBox::setResponder(Responder r)
{
    QMutexLocker lock(&worker->mutex);
    worker->responder = std::move(r);
}

void ScriptedBox::setTicker(int periodMs, std::function<QByteArray()> tick)
{
    QMetaObject::invokeMethod(
        worker, [this, periodMs, tick] { worker->setTicker(periodMs, tick); }, Qt::BlockingQueuedConnection);
}

QList<ScriptedBox::Piece> ScriptedBox::line(const QByteArray& text, int delayMs)
{
    return {Piece(delayMs, text + '\r')};
}

QList<ScriptedBox::Piece> ScriptedBox::chunked(const QByteArray& bytes, int chunk, int gapMs)
{
    QList<Piece> pieces;
    for (int i = 0; i < bytes.size(); i += chunk)
        pieces << Piece(i == 0 ? 0 : gapMs, bytes.mid(i, chunk));
    return pieces;
}

QByteArrayList ScriptedBox::commands() const
{
    QMutexLocker lock(&worker->mutex);
    return worker->log;
}

QByteArray ScriptedBox::received() const
{
    QMutexLocker lock(&worker->mutex);
    return worker->raw;
}

bool ScriptedBox::waitForCommands(int count, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (commands().size() < count) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

void ScriptedBox::clearLog()
{
    QMutexLocker lock(&worker->mutex);
    worker->log.clear();
    worker->raw.clear();
}

void ScriptedBox::sendNow(const QByteArray& bytes)
{
    QMetaObject::invokeMethod(
        worker, [this, bytes] { worker->write(bytes); }, Qt::BlockingQueuedConnection);
}

void ScriptedBox::dropClient()
{
    QMetaObject::invokeMethod(
        worker,
        [this] {
            worker->outbox.clear();
            if (worker->client) {
                worker->client->abort();
                worker->client->deleteLater();
                worker->client = nullptr;
            }
        },
        Qt::BlockingQueuedConnection);
}

void ScriptedBox::stopListening()
{
    QMetaObject::invokeMethod(
        worker, [this] { worker->server->close(); }, Qt::BlockingQueuedConnection);
}

int ScriptedBox::connectionCount() const
{
    QMutexLocker lock(&worker->mutex);
    return worker->connections;
}

bool ScriptedBox::waitForConnections(int count, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (connectionCount() < count) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}
