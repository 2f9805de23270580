#include "scriptedpeer.h"

#include <QMutexLocker>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <linux/sockios.h>
#include <sys/ioctl.h>

PeerReply PeerReply::text(const QByteArray& bytes, int delayMs)
{
    PeerReply reply;
    reply.chunks = {bytes};
    reply.delayMs = delayMs;
    return reply;
}

PeerReply PeerReply::split(const QList<QByteArray>& chunks, int gapMs)
{
    PeerReply reply;
    reply.chunks = chunks;
    reply.gapMs = gapMs;
    return reply;
}

PeerReply PeerReply::drop()
{
    PeerReply reply;
    reply.close = true;
    return reply;
}

ScriptedPeer::ScriptedPeer()
{
    values = {
        {QStringLiteral("VER"), QStringLiteral("KORA-PS 10A:1.0.0")},
        {QStringLiteral("MRG:130"), QStringLiteral("NONE")},
        {QStringLiteral("MRID"), QStringLiteral("ID-1")},
        {QStringLiteral("MPLST"), QStringLiteral("1.5:2.5:1")},
        {QStringLiteral("MRT"), QStringLiteral("30.0")},
        {QStringLiteral("MGC"), QStringLiteral("0.01")},
        {QStringLiteral("MLIMITS"), QStringLiteral("10:-10:20:-20")},
        {QStringLiteral("PMODE"), QStringLiteral("0")},
        {QStringLiteral("PCONNECTIONS"), QStringLiteral("1")},
        {QStringLiteral("LOOP"), QStringLiteral("I")},
        {QStringLiteral("UPMODE"), QStringLiteral("NORMAL")},
        {QStringLiteral("TRGMODE"), QStringLiteral("OFF")},
        {QStringLiteral("SETFLOAT"), QStringLiteral("F")},
        {QStringLiteral("POL"), QStringLiteral("DIRECT")},
        {QStringLiteral("MST"), QStringLiteral("1")},
        {QStringLiteral("PASSWORD"), QStringLiteral("USER")},
    };
    start();
    ready.acquire();
}

ScriptedPeer::~ScriptedPeer()
{
    quit();
    wait();
}

void ScriptedPeer::run()
{
    QTcpServer tcpServer;
    QObject ctx;
    server = &tcpServer;
    context = &ctx;
    connect(&tcpServer, &QTcpServer::newConnection, &ctx, [this] {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            {
                QMutexLocker locker(&lock);
                ++connections;
                descriptors.append(socket->socketDescriptor());
            }
            pending.insert(socket, QByteArray());
            connect(socket, &QTcpSocket::readyRead, context, [this, socket] { handleReadable(socket); });
            connect(socket, &QTcpSocket::bytesWritten, context, [this](qint64 bytes) { unsent -= bytes; });
            const qintptr descriptor = socket->socketDescriptor();
            connect(socket, &QTcpSocket::disconnected, context, [this, socket, descriptor] {
                {
                    QMutexLocker locker(&lock);
                    descriptors.removeAll(descriptor);
                }
                pending.remove(socket);
                socket->deleteLater();
            });
        }
    });
    tcpServer.listen(QHostAddress::LocalHost, 0);
    listenPort = tcpServer.serverPort();
    ready.release();
    exec();
    {
        QMutexLocker locker(&lock);
        descriptors.clear();
    }
    for (QTcpSocket* socket : pending.keys())
        delete socket;
    pending.clear();
    context = nullptr;
    server = nullptr;
}

void ScriptedPeer::handleReadable(QTcpSocket* socket)
{
    const QByteArray bytes = socket->readAll();
    {
        QMutexLocker locker(&lock);
        raw.append(bytes);
    }
    QByteArray& buffer = pending[socket];
    buffer.append(bytes);
    int cr;
    while ((cr = buffer.indexOf('\r')) >= 0) {
        const QString command = QString::fromLatin1(buffer.left(cr));
        buffer.remove(0, cr + 1);
        {
            QMutexLocker locker(&lock);
            log.append(command);
        }
        send(socket, replyFor(command));
    }
}

bool ScriptedPeer::isQuery(const QString& command)
{
    static const QSet<QString> queries{QStringLiteral("MRI"),          QStringLiteral("MRV"),
                                       QStringLiteral("MRW"),          QStringLiteral("MRP"),
                                       QStringLiteral("MGC"),          QStringLiteral("MRT"),
                                       QStringLiteral("MST"),          QStringLiteral("MRID"),
                                       QStringLiteral("VER"),          QStringLiteral("MPLST"),
                                       QStringLiteral("TRGMODE"),      QStringLiteral("POL"),
                                       QStringLiteral("PMODE"),        QStringLiteral("PCONNECTIONS"),
                                       QStringLiteral("EPICS:DB"),     QStringLiteral("EPICS:PROTOCOLS"),
                                       QStringLiteral("EPICS:OPI"),    QStringLiteral("EPICS:PV_VALUE"),
                                       QStringLiteral("EPICS:PV_NAME")};
    return command.endsWith(QLatin1String(":?")) || queries.contains(command) ||
           command.startsWith(QLatin1String("MRG:"));
}

PeerReply ScriptedPeer::replyFor(const QString& command)
{
    QMutexLocker locker(&lock);
    if (responder) {
        const Responder r = responder;
        locker.unlock();
        if (const std::optional<PeerReply> reply = r(command))
            return *reply;
        locker.relock();
    }
    const auto fixed = fixedReplies.constFind(command);
    if (fixed != fixedReplies.constEnd())
        return *fixed;
    if (isQuery(command)) {
        QString echo = command;
        echo.remove(QStringLiteral(":?"));
        return PeerReply::text("#" + (echo + QLatin1Char(':') + values.value(echo)).toLatin1() + "\r\n");
    }
    return PeerReply::text("#AK\r\n");
}

void ScriptedPeer::send(QTcpSocket* socket, const PeerReply& reply)
{
    QPointer<QTcpSocket> target(socket);
    int at = qMax(reply.delayMs, 0);
    for (int i = 0; i < reply.chunks.size(); ++i) {
        const QByteArray chunk = reply.chunks.at(i);
        unsent += chunk.size();
        QTimer::singleShot(at, context, [this, target, chunk] {
            if (target) {
                target->write(chunk);
                target->flush();
            } else {
                unsent -= chunk.size();
            }
        });
        at += reply.gapMs;
    }
    if (reply.close) {
        QTimer::singleShot(at, context, [target] {
            if (target)
                target->disconnectFromHost();
        });
    }
}

void ScriptedPeer::setReply(const QString& command, const PeerReply& reply)
{
    QMutexLocker locker(&lock);
    fixedReplies.insert(command, reply);
}

void ScriptedPeer::setResponder(Responder r)
{
    QMutexLocker locker(&lock);
    responder = std::move(r);
}

void ScriptedPeer::setValue(const QString& echo, const QString& value)
{
    QMutexLocker locker(&lock);
    values.insert(echo, value);
}

bool ScriptedPeer::allSent() const
{
    if (unsent > 0)
        return false;
    QMutexLocker locker(&lock);
    for (qintptr descriptor : descriptors) {
        int queued = 0;
        if (::ioctl(int(descriptor), SIOCOUTQ, &queued) != 0 || queued > 0)
            return false;
    }
    return true;
}

QStringList ScriptedPeer::commands() const
{
    QMutexLocker locker(&lock);
    return log;
}

QByteArray ScriptedPeer::received() const
{
    QMutexLocker locker(&lock);
    return raw;
}

int ScriptedPeer::connectionCount() const
{
    QMutexLocker locker(&lock);
    return connections;
}

void ScriptedPeer::clearLog()
{
    QMutexLocker locker(&lock);
    log.clear();
    raw.clear();
}

bool ScriptedPeer::waitForCommands(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return commands().size() >= count; }, timeoutMs);
}

int ScriptedPeer::indexOf(const QString& command, int from) const
{
    return commands().indexOf(command, from);
}

void ScriptedPeer::dropConnections()
{
    QMetaObject::invokeMethod(
        context,
        [this] {
            for (QTcpSocket* socket : pending.keys())
                socket->disconnectFromHost();
        },
        Qt::BlockingQueuedConnection);
}
