#include "hanginglistener.h"
#include "tcpsocketmanager.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace
{

// A connected manager and the supply's end of its connection, scripted by the test.
struct Link {
    QTcpServer server;
    TcpSocketManager manager;
    QTcpSocket* peer = nullptr;

    bool open()
    {
        if (!server.listen(QHostAddress::LocalHost, 0))
            return false;
        QSignalSpy connected(&manager, &TcpSocketManager::connected);
        manager.connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 5000);
        if (!server.waitForNewConnection(5000))
            return false;
        peer = server.nextPendingConnection();
        return connected.count() == 1 || connected.wait(5000);
    }

    void sendFromSupply(const QByteArray& bytes)
    {
        peer->write(bytes);
        peer->flush();
    }
};

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TcpSocketManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void commandLineFraming_data();
    void commandLineFraming();

    void replyFraming_data();
    void replyFraming();
    void replyGathering_data();
    void replyGathering();
    void endlessReplyIsHandedUpInPieces();
    void replyLeftByOldConnectionIsDropped();

    void sendWithoutConnectionReportsError();
    void timeoutClosesAndReports();
    void refusedConnectionReportedOnce();
    void disconnectLeavesSocketClosed();
    void pendingAttemptIsDroppedWithoutWaiting();
};

void TcpSocketManagerTest::commandLineFraming_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("plain") << "VER" << QByteArray("VER\r\n");
    QTest::newRow("line end stripped") << "MWI:1.5\r\n" << QByteArray("MWI:1.5\r\n");
    QTest::newRow("breaks inside run together") << "MWI:\r\n1.5" << QByteArray("MWI:1.5\r\n");
    QTest::newRow("empty command") << "" << QByteArray("\r\n");
    QTest::newRow("utf-8") << QString::fromUtf8("PASSWORD:\u00e9") << QByteArray("PASSWORD:\xc3\xa9\r\n");
}

void TcpSocketManagerTest::commandLineFraming()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);

    Link link;
    QVERIFY(link.open());
    link.manager.send(command);
    QTRY_COMPARE_WITH_TIMEOUT(link.peer->bytesAvailable(), qint64(wire.size()), 5000);
    QCOMPARE(link.peer->readAll(), wire);
}

// Reads from the supply and the messages they must give.
static void addReplyRows()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("whole reply") << QList<QByteArray>{"1.2.3\r\n"} << QStringList{"1.2.3\r\n"};
    QTest::newRow("split across reads")
        << QList<QByteArray>{"KORA", "-PS:1.3.6\r\n"} << QStringList{"KORA-PS:1.3.6\r\n"};
    QTest::newRow("several replies in one read")
        << QList<QByteArray>{"#AK\r\n#AK\r\n"} << QStringList{"#AK\r\n#AK\r\n"};
    QTest::newRow("start of next reply joins") << QList<QByteArray>{"AK\r\nMS"} << QStringList{"AK\r\nMS"};
    QTest::newRow("late line feed starts next message")
        << QList<QByteArray>{"AK\r", "\n", "NAK:13\r\n"} << QStringList{"AK\r", "\nNAK:13\r\n"};
    QTest::newRow("bytes after NUL dropped")
        << QList<QByteArray>{QByteArray("AB\0CD", 5), "\r"} << QStringList{"AB\r"};
}

void TcpSocketManagerTest::replyFraming_data()
{
    addReplyRows();
    QTest::newRow("character split between reads") << QList<QByteArray>{"\xc2", "\xb5"
                                                                                "A\r\n"}
                                                   << QStringList{QString::fromUtf8("\u00b5A\r\n")};
    QTest::newRow("no carriage return yet") << QList<QByteArray>{"AK", "\n"} << QStringList();
}

void TcpSocketManagerTest::replyFraming()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, messages);

    ReplyFramer framer;
    QStringList got;
    for (const QByteArray& read : reads) {
        bool complete = false;
        framer.feed(read, &complete);
        if (complete)
            got << framer.takeReply();
    }
    QCOMPARE(got, messages);
}

void TcpSocketManagerTest::replyGathering_data()
{
    addReplyRows();
}

void TcpSocketManagerTest::replyGathering()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, messages);

    Link link;
    QVERIFY(link.open());
    QSignalSpy spy(&link.manager, &TcpSocketManager::messageReady);
    for (const QByteArray& read : reads) {
        // Each read is taken in before the next one goes out, so they stay apart.
        const int before = spy.count();
        const QString pending = link.manager.pendingReply();
        link.sendFromSupply(read);
        if (read.contains('\r'))
            QTRY_VERIFY_WITH_TIMEOUT(spy.count() > before, 5000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(link.manager.pendingReply() != pending, 5000);
    }
    QStringList got;
    for (const QList<QVariant>& args : spy)
        got << args.at(0).toString();
    QCOMPARE(got, messages);
    QVERIFY(!link.manager.pendingReply().contains(QLatin1Char('\r')));
}

void TcpSocketManagerTest::endlessReplyIsHandedUpInPieces()
{
    // A peer that never ends its reply fills the buffer only up to its cap:
    // the gathered text is handed up and gathering starts again.
    Link link;
    QVERIFY(link.open());
    QSignalSpy spy(&link.manager, &TcpSocketManager::messageReady);
    const QByteArray endless(ReplyFramer::defaultMaxLength + 100, 'x');
    link.sendFromSupply(endless);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
    QVERIFY(spy.at(0).at(0).toString().size() >= ReplyFramer::defaultMaxLength);
    QVERIFY(link.manager.pendingReply().size() < ReplyFramer::defaultMaxLength);

    link.sendFromSupply("\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    const QString all = spy.at(0).at(0).toString() + spy.at(1).at(0).toString();
    QCOMPARE(all, QString::fromLatin1(endless + "\r\n"));
}

void TcpSocketManagerTest::replyLeftByOldConnectionIsDropped()
{
    // The old supply stopped in the middle of a reply, and of a character.
    Link link;
    QVERIFY(link.open());
    link.sendFromSupply("PART\xc2");
    QTRY_VERIFY_WITH_TIMEOUT(!link.manager.pendingReply().isEmpty(), 5000);

    QSignalSpy connected(&link.manager, &TcpSocketManager::connected);
    QSignalSpy messages(&link.manager, &TcpSocketManager::messageReady);
    link.manager.connect(QStringLiteral("127.0.0.1"), QString::number(link.server.serverPort()), 5000);
    QVERIFY(link.server.waitForNewConnection(5000));
    QTcpSocket* peer = link.server.nextPendingConnection();
    QVERIFY(connected.count() == 1 || connected.wait(5000));
    peer->write("AK\r\n");
    QVERIFY(messages.wait(5000));
    QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("AK\r\n"));
}

void TcpSocketManagerTest::sendWithoutConnectionReportsError()
{
    TcpSocketManager manager;
    QSignalSpy errors(&manager, &TcpSocketManager::errorReady);
    manager.send(QStringLiteral("VER"));
    QCOMPARE(errors.count(), 1);
    QVERIFY(errors.at(0).at(0).toString().startsWith(QStringLiteral("Socket error, ")));
}

void TcpSocketManagerTest::timeoutClosesAndReports()
{
    Link link;
    QVERIFY(link.open());
    QSignalSpy errors(&link.manager, &TcpSocketManager::errorReady);
    link.manager.onTimeout();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Timer timeout"));
    QCOMPARE(link.manager.state(), QAbstractSocket::UnconnectedState);
}

void TcpSocketManagerTest::refusedConnectionReportedOnce()
{
    TcpSocketManager manager;
    QSignalSpy errors(&manager, &TcpSocketManager::errorReady);
    QSignalSpy connected(&manager, &TcpSocketManager::connected);
    manager.connect(QStringLiteral("127.0.0.1"), QString::number(closedPort()), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 5000);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Connection refused"));
    QCOMPARE(connected.count(), 0);

    // A new attempt on a port that is not a number fails the same way, once.
    manager.connect(QStringLiteral("127.0.0.1"), QStringLiteral("port"), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 2, 5000);
}

void TcpSocketManagerTest::disconnectLeavesSocketClosed()
{
    // A command written just before the connection is closed still goes out.
    Link link;
    QVERIFY(link.open());
    link.manager.send(QStringLiteral("MOFF"));
    link.manager.disconnect();
    QCOMPARE(link.manager.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(link.peer->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(link.peer->readAll(), QByteArray("MOFF\r\n"));

    // A supply that reads nothing cannot take a large command: the close
    // gives up after its bounded wait and the socket is free at once.
    QSignalSpy connected(&link.manager, &TcpSocketManager::connected);
    link.manager.connect(QStringLiteral("127.0.0.1"), QString::number(link.server.serverPort()), 5000);
    QVERIFY(connected.wait(5000));
    link.manager.send(QString(32 * 1024 * 1024, QLatin1Char('A')));
    link.manager.disconnect();
    QCOMPARE(link.manager.state(), QAbstractSocket::UnconnectedState);
    link.manager.connect(QStringLiteral("127.0.0.1"), QString::number(link.server.serverPort()), 5000);
    QVERIFY(connected.wait(5000));
}

void TcpSocketManagerTest::pendingAttemptIsDroppedWithoutWaiting()
{
#ifdef Q_OS_UNIX
    // Neither a new attempt nor the time-out waits on a handshake that is
    // still under way: the window would freeze for the close wait.
    HangingListener listener;
    QVERIFY(listener.port != 0);
    const QString port = QString::number(listener.port);
    TcpSocketManager manager;
    QSignalSpy errors(&manager, &TcpSocketManager::errorReady);
    manager.connect(QStringLiteral("127.0.0.1"), port, 60000);
    QCOMPARE(manager.state(), QAbstractSocket::ConnectingState);

    QElapsedTimer clock;
    clock.start();
    manager.connect(QStringLiteral("127.0.0.1"), port, 60000);
    const qint64 reconnect = clock.restart();
    QCOMPARE(manager.state(), QAbstractSocket::ConnectingState);
    manager.onTimeout();
    const qint64 timeout = clock.elapsed();

    QCOMPARE(manager.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Timer timeout"));
    QVERIFY2(reconnect < TcpSocketManager::closeWaitMs, qPrintable(QString::number(reconnect)));
    QVERIFY2(timeout < TcpSocketManager::closeWaitMs, qPrintable(QString::number(timeout)));
#else
    QSKIP("needs a listener that never completes the handshake");
#endif
}

QTEST_MAIN(TcpSocketManagerTest)
#include "tst_tcpsocketmanager.moc"
