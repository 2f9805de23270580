#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QSocketNotifier;
class QTimer;

// One byte link between the box and a program: a TCP connection or the
// master side of a pseudo-terminal standing in for the box's serial port.
class Link : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void write(const QByteArray& bytes) = 0;
    // Bytes accepted by write() that have not left yet.
    virtual qint64 pendingBytes() const = 0;
    // Drops the link at once; closed() follows.
    virtual void drop() = 0;
    virtual QString describe() const = 0;

signals:
    void received(const QByteArray& bytes);
    void closed();
};

class TcpLink : public Link
{
    Q_OBJECT
public:
    explicit TcpLink(QTcpSocket* socket, QObject* parent = nullptr);

    void write(const QByteArray& bytes) override;
    qint64 pendingBytes() const override;
    void drop() override;
    QString describe() const override;

private:
    QTcpSocket* socket;
};

#ifdef Q_OS_UNIX
// The master side of a pseudo-terminal. The slave side is what a program
// opens as its serial port; this link keeps a slave descriptor of its own
// open, so the program can close and reopen the slave as often as it likes
// without the master seeing a hang-up.
class PtyLink : public Link
{
    Q_OBJECT
public:
    ~PtyLink() override;
    // A new pseudo-terminal in raw mode, or nullptr with the reason in `error`.
    static PtyLink* create(QString* error, QObject* parent = nullptr);

    QString slavePath() const { return path; }

    void write(const QByteArray& bytes) override;
    qint64 pendingBytes() const override { return outBuffer.size(); }
    // Hangs the terminal up: the program's open slave then fails as an
    // unplugged port does.
    void drop() override;
    QString describe() const override { return path; }

private:
    explicit PtyLink(QObject* parent) : Link(parent) {}
    void readAvailable();
    void flushOut();
    void closeDescriptors();

    int master = -1;
    int slave = -1;
    QString path;
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    QTimer* retryTimer = nullptr;
    QByteArray outBuffer;
};
#endif
