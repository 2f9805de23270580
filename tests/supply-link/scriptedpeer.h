#pragma once

// A stand-in supply for the supply-link tests: a TCP server in a thread of its
// own (so a client may block in its waits) that answers every command by a
// script: chunks, delays, silence, dropped links.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QSemaphore>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

struct PeerReply {
    QList<QByteArray> chunks; // written in order
    int delayMs = 0;          // before the first chunk
    int gapMs = 0;            // between chunks
    bool close = false;       // close the connection after the last chunk

    static PeerReply text(const QByteArray& bytes, int delayMs = 0);
    static PeerReply split(const QList<QByteArray>& chunks, int gapMs);
    static PeerReply silence() { return {}; }
    static PeerReply drop();
};

class ScriptedPeer : public QThread
{
    Q_OBJECT

public:
    // Consulted before the fixed and default replies; nullopt falls through to them.
    using Responder = std::function<std::optional<PeerReply>(const QString& command)>;

    ScriptedPeer();
    ~ScriptedPeer() override;

    quint16 port() const { return listenPort; }

    // The reply to `command` (exact, without CR) from now on; overrides the default.
    void setReply(const QString& command, const PeerReply& reply);
    void setResponder(Responder responder);
    // The value the default supply gives for a query echo ("MRI", "VER", "MRG:130").
    void setValue(const QString& echo, const QString& value);
    // Default replies: "AK" to set commands, echo + ":" + value to queries.
    static bool isQuery(const QString& command);

    QStringList commands() const;
    QByteArray received() const;
    int connectionCount() const;
    void clearLog();
    bool waitForCommands(int count, int timeoutMs = 20000) const;
    // True once every reply byte scheduled so far has left the peer: written,
    // and out of its kernel send queue, so the client's side holds it. The
    // client must go on reading meanwhile (poll it with QTRY_VERIFY).
    bool allSent() const;
    // Index of the first logged `command` at or after `from`, -1 if none.
    int indexOf(const QString& command, int from = 0) const;

    // Closes every client connection from the peer's side.
    void dropConnections();

protected:
    void run() override;

private:
    PeerReply replyFor(const QString& command);
    void handleReadable(QTcpSocket* socket);
    void send(QTcpSocket* socket, const PeerReply& reply);

    mutable QMutex lock;
    QMap<QString, PeerReply> fixedReplies;
    QMap<QString, QString> values;
    Responder responder;
    QStringList log;
    QByteArray raw;
    int connections = 0;
    QList<qintptr> descriptors;      // of the open client connections, under `lock`
    std::atomic<qint64> unsent{0};   // reply bytes scheduled but not yet written

    QTcpServer* server = nullptr;
    QObject* context = nullptr; // lives in the peer thread; target of cross-thread calls
    QMap<QTcpSocket*, QByteArray> pending;
    quint16 listenPort = 0;
    QSemaphore ready;
};
