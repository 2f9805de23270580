#pragma once

#include "boxstate.h"
#include "commandlog.h"
#include "console.h"
#include "faults.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTimer>

class Link;
class Session;

// The simulated SENTREL box with its links: a TCP server, optionally a
// pseudo-terminal, the command log, the stream of sample lines and the
// control lines that switch faults and change the box's state.
class Simulator : public QObject
{
    Q_OBJECT
public:
    struct Options {
        quint16 port = 10001;
        // Loopback unless asked: whoever can reach the port can change the
        // state a test or demo checks.
        QHostAddress address = QHostAddress::LocalHost;
        bool pty = false;
        QString ptyLink; // a symbolic link kept pointing at the slave
        QString logPath;
        int maxLine = 4096;          // longest command kept, in bytes
        qint64 backlog = 256 * 1024; // queued stream bytes per link before lines are lost
    };

    explicit Simulator(const Options& options, QObject* parent = nullptr);
    ~Simulator() override;

    // Opens the links and prints "PORT <n>" (and "PTY <path>").
    bool start(QString* error);

    // Runs one control line; the answer starts with "OK" or "ERR".
    QByteArray control(const QByteArray& line);

    BoxState state;
    Faults faults;

signals:
    void quitRequested();

private:
    void onNewConnection();
    void addSession(Link* link);
    void onCommand(Session* session, const QByteArray& command, bool overlong);
    void onSessionFinished(Session* session);
    void streamTick();
    void updateStreamTimer();
    int dropAll();
    int sendToAll(const QByteArray& bytes);
    QByteArray junk(int bytes);
    bool openPty(QString* error);
    bool listen(QString* error);
    QByteArray garbageLine();

    // Control lines (controlcommands.cpp).
    QByteArray controlSet(const QByteArray& field, const QByteArray& value);
    QByteArray controlGet(const QByteArray& field);
    QByteArray controlSd(const QList<QByteArray>& words, const QByteArray& rest);
    QByteArray fieldList() const;

    Options opts;
    QTcpServer server;
    quint16 port = 0;
    bool refusing = false;
    QList<Session*> sessions;
    Session* ptySession = nullptr;
    QString ptyPath;
    CommandLog log;
    QTimer streamTimer;
    quint64 commandCount = 0;
    quint64 overflows = 0;
    quint64 connectionCount = 0;
    QRandomGenerator rng;
};
