#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QThread>

#include <functional>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

// A stand-in box for tests, running in its own thread so that the blocking
// wire layer can be driven from the test thread. It listens on a loopback TCP
// port or serves a pseudo-terminal, splits what it receives at carriage
// returns and answers each command as the test's responder says: a list of
// (delay in ms, bytes) pieces, sent in order, each after its delay.
class ScriptedBox : public QObject
{
    Q_OBJECT

public:
    using Piece = QPair<int, QByteArray>;
    using Responder = std::function<QList<Piece>(const QByteArray& command)>;

    // PtyCooked: a pseudo-terminal left in the system's default mode (line
    // editing, echo, CR/LF translation), as a box that never sets its
    // terminal up leaves it; the program's port has to make it raw.
    enum Transport { Tcp, Pty, PtyCooked };

    explicit ScriptedBox(Transport transport = Tcp);
    ~ScriptedBox() override;

    bool start();
    quint16 port() const { return tcpPort; }
    QString ptyPath() const { return slavePath; }
    // Whether the terminal is in raw mode now (no echo, no line editing).
    bool terminalIsRaw() const;

    void setResponder(Responder r);
    // Calls `tick` every `periodMs` in the box's thread and writes what it
    // returns at once (a box that streams on its own); null stops it.
    void setTicker(int periodMs, std::function<QByteArray()> tick);
    // Answers: one line, or the same reply in pieces of `chunk` bytes.
    static QList<Piece> line(const QByteArray& text, int delayMs = 0);
    static QList<Piece> chunked(const QByteArray& bytes, int chunk, int gapMs = 0);

    // Commands received so far (without their carriage return).
    QByteArrayList commands() const;
    QByteArray received() const;
    bool waitForCommands(int count, int timeoutMs = 20000) const;
    void clearLog();

    // Cross-thread actions, run in the box's thread.
    void sendNow(const QByteArray& bytes);
    void dropClient();
    void stopListening();
    int connectionCount() const;
    bool waitForConnections(int count, int timeoutMs = 20000) const;

private:
    class Worker;
    QThread thread;
    Worker* worker = nullptr;
    Transport transport;
    quint16 tcpPort = 0;
    QString slavePath;
};
