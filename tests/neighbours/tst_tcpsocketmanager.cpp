#include "tcpsocketmanager.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// A connected manager and the server's end of its connection.
struct Link {
    QTcpServer server;
    TcpSocketManager manager;
    QTcpSocket* peer = nullptr;

    bool open()
    {
        if (!server.listen(QHostAddress::LocalHost, 0))
            return false;
        QSignalSpy connected(&manager, &TcpSocketManager::connected);
        manager.connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 2000);
        if (!server.waitForNewConnection(2000))
            return false;
        peer = server.nextPendingConnection();
        return connected.count() == 1 || connected.wait(2000);
    }

    void sendFromSupply(const QByteArray& bytes)
    {
        peer->write(bytes);
        peer->flush();
    }
};

class TcpSocketManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void commandLineFraming_data();
    void commandLineFraming();

    void replyGathering_data();
    void replyGathering();

    void sendWithoutConnectionReportsError();
    void silentHostTimesOut();
    void timeoutClosesAndReports();
    void refusedConnectionReportedOnce();
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
    QTRY_COMPARE_WITH_TIMEOUT(link.peer->bytesAvailable(), qint64(wire.size()), 2000);
    QCOMPARE(link.peer->readAll(), wire);
}

void TcpSocketManagerTest::replyGathering_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("whole reply") << QList<QByteArray>{"1.2.3\r\n"} << QStringList{"1.2.3\r\n"};
    QTest::newRow("split across reads")
        << QList<QByteArray>{"KORA", "-PS:1.3.6\r\n"} << QStringList{"KORA-PS:1.3.6\r\n"};
    QTest::newRow("start of next reply joins") << QList<QByteArray>{"AK\r\nMS"} << QStringList{"AK\r\nMS"};
    QTest::newRow("late line feed starts next message")
        << QList<QByteArray>{"AK\r", "\n", "NAK:13\r\n"} << QStringList{"AK\r", "\nNAK:13\r\n"};
    QTest::newRow("bytes after NUL dropped")
        << QList<QByteArray>{QByteArray("AB\0CD", 5), "\r"} << QStringList{"AB\r"};
}

void TcpSocketManagerTest::replyGathering()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, messages);

    Link link;
    QVERIFY(link.open());
    QSignalSpy spy(&link.manager, &TcpSocketManager::messageReady);
    for (const QByteArray& read : reads) {
        const int before = spy.count();
        link.sendFromSupply(read);
        // Wait until this read has been taken in before sending the next one.
        if (read.contains('\r'))
            QTRY_VERIFY_WITH_TIMEOUT(spy.count() > before, 2000);
        else
            QTest::qWait(100);
    }
    QStringList got;
    for (const QList<QVariant>& args : spy)
        got << args.at(0).toString();
    QCOMPARE(got, messages);
}

void TcpSocketManagerTest::sendWithoutConnectionReportsError()
{
    TcpSocketManager manager;
    QSignalSpy errors(&manager, &TcpSocketManager::errorReady);
    manager.send(QStringLiteral("VER"));
    QCOMPARE(errors.count(), 1);
    QVERIFY(errors.at(0).at(0).toString().startsWith(QStringLiteral("Socket error, ")));
}

void TcpSocketManagerTest::silentHostTimesOut()
{
    // A documentation-only address (TEST-NET-1): nothing answers there. A
    // machine without a route reports that at once instead of timing out;
    // either way exactly one error arrives and no connection.
    TcpSocketManager manager;
    QSignalSpy errors(&manager, &TcpSocketManager::errorReady);
    QSignalSpy connected(&manager, &TcpSocketManager::connected);
    manager.connect(QStringLiteral("192.0.2.1"), QStringLiteral("10001"), 300);
    QTRY_VERIFY_WITH_TIMEOUT(errors.count() >= 1, 5000);
    QTest::qWait(500);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(connected.count(), 0);
    QVERIFY(!errors.at(0).at(0).toString().isEmpty());
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
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    TcpSocketManager manager;
    QSignalSpy errors(&manager, &TcpSocketManager::errorReady);
    manager.connect(QStringLiteral("127.0.0.1"), QString::number(port), 500);
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 2000);
    QVERIFY(errors.at(0).at(0).toString() != QStringLiteral("Timer timeout"));
    QTest::qWait(800); // past the time-out: the stopped timer must not report again
    QCOMPARE(errors.count(), 1);
}

QTEST_MAIN(TcpSocketManagerTest)
#include "tst_tcpsocketmanager.moc"
