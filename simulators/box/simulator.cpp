#include "simulator.h"

#include "links.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <cstdio>

Simulator::Simulator(const Options& options, QObject* parent)
    : QObject(parent), opts(options), rng(QRandomGenerator::global()->generate())
{
    state.faults = &faults;
    streamTimer.setTimerType(Qt::PreciseTimer);
    streamTimer.setInterval(10);
    connect(&streamTimer, &QTimer::timeout, this, &Simulator::streamTick);
    connect(&server, &QTcpServer::newConnection, this, &Simulator::onNewConnection);
}

Simulator::~Simulator()
{
    if (!opts.ptyLink.isEmpty())
        QFile::remove(opts.ptyLink);
}

bool Simulator::listen(QString* error)
{
    if (!server.listen(opts.address, port)) {
        *error = QStringLiteral("cannot listen on port %1: %2").arg(port).arg(server.errorString());
        return false;
    }
    port = server.serverPort();
    return true;
}

bool Simulator::start(QString* error)
{
    if (!opts.logPath.isEmpty() && !log.open(opts.logPath)) {
        *error = QStringLiteral("cannot open the command log ") + opts.logPath;
        return false;
    }
    port = opts.port;
    if (!listen(error))
        return false;
    // Refusing from the start still needs a port number to hand out.
    if (refusing)
        server.close();
    printLine("PORT " + QByteArray::number(port));
    if (opts.pty) {
        if (!openPty(error))
            return false;
    }
    updateStreamTimer();
    return true;
}

bool Simulator::openPty(QString* error)
{
#ifdef Q_OS_UNIX
    PtyLink* link = PtyLink::create(error);
    if (!link)
        return false;
    ptyPath = link->slavePath();
    if (!opts.ptyLink.isEmpty()) {
        QFile::remove(opts.ptyLink);
        QFile::link(ptyPath, opts.ptyLink);
    }
    addSession(link);
    ptySession = sessions.last();
    printLine("PTY " + ptyPath.toLocal8Bit());
    return true;
#else
    *error = QStringLiteral("pseudo-terminals are not available on this system");
    return false;
#endif
}

void Simulator::onNewConnection()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        if (refusing) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connectionCount;
        addSession(new TcpLink(socket));
    }
}

void Simulator::addSession(Link* link)
{
    auto* session = new Session(link, &faults, opts.maxLine, this);
    sessions.append(session);
    connect(
        session, &Session::commandReceived, this,
        [this, session](const QByteArray& command, bool overlong) { onCommand(session, command, overlong); });
    connect(session, &Session::finished, this, [this, session] { onSessionFinished(session); });
}

void Simulator::onSessionFinished(Session* session)
{
    sessions.removeAll(session);
    session->deleteLater();
    if (session == ptySession) {
        // The serial line was hung up; the box comes back on a fresh terminal.
        ptySession = nullptr;
        QString error;
        if (!openPty(&error))
            std::fprintf(stderr, "box-sim: %s\n", qPrintable(error));
    }
}

void Simulator::onCommand(Session* session, const QByteArray& command, bool overlong)
{
    ++commandCount;
    log.append(command);
    const bool dropNow = faults.dropAfter > 0 && --faults.dropAfter == 0;

    if (!faults.stall && !faults.silent) {
        QByteArray reply;
        if (overlong || faults.naks(command.toLower())) {
            reply = BoxReply::nak().wire();
        } else {
            const BoxReply r = state.execute(command);
            reply = r.wire();
            if (faults.truncate && r.kind == BoxReply::Listing)
                reply = r.text.left(r.text.size() / 2); // as if the link died mid-listing
        }
        if (faults.garbage)
            reply = garbageLine();
        const QByteArray lower = command.toLower();
        // A doubled reply goes out in the same write, as a box repeating itself would.
        if (faults.doubleReply)
            reply += reply;
        reply.prepend(faults.takeStale(lower));
        session->sendReply(reply, faults.takeLate(lower));
        updateStreamTimer();
    }
    if (dropNow) {
        for (Session* s : sessions)
            s->dropWhenFlushed();
    }
}

// Junk as a noisy line delivers it: random bytes, NUL and high bytes
// included, without a CR and never holding "ACK" or "NAK".
QByteArray Simulator::junk(int bytes)
{
    QByteArray out(bytes, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i) {
        char c = char(rng.bounded(256));
        if (c == '\r')
            c = '~';
        // Break up anything that could read as an acknowledgement.
        if (i >= 2 && (c == 'K' || c == 'k'))
            c = '#';
        out[i] = c;
    }
    return out;
}

QByteArray Simulator::garbageLine()
{
    return junk(4 + int(rng.bounded(16))) + '\r';
}

void Simulator::updateStreamTimer()
{
    if (state.acquiring && !streamTimer.isActive())
        streamTimer.start();
    else if (!state.acquiring && streamTimer.isActive())
        streamTimer.stop();
}

void Simulator::streamTick()
{
    const QByteArray lines = state.takeStreamLines();
    if (lines.isEmpty() || faults.silent)
        return;
    for (Session* s : sessions) {
        if (s->pendingBytes() + lines.size() <= opts.backlog) {
            s->sendStream(lines);
            continue;
        }
        // A serial line has no back pressure: what the program does not read
        // is simply lost. A TCP peer that stops reading fills the box's buffer.
        if (s != ptySession) {
            state.noteOverflow();
            ++overflows;
        }
    }
}

int Simulator::sendToAll(const QByteArray& bytes)
{
    for (Session* s : sessions)
        s->sendStream(bytes);
    return sessions.size();
}

int Simulator::dropAll()
{
    const QList<Session*> all = sessions;
    for (Session* s : all)
        s->drop();
    return all.size();
}
