// Command against box-sim over TCP and its pseudo-terminal: what reaches the
// box, reply classes from the box's own state, multi-line bodies across the
// box's segmentations, and draining of late or doubled replies.

#include "command.h"
#include "serialopen.h"
#include "simulatorprocess.h"

#include <QSerialPort>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

class CommandSimTest : public QObject
{
    Q_OBJECT

public:
    explicit CommandSimTest(bool tcp) : tcp(tcp) {}

private:
    bool tcp;
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<QTcpSocket> socket;
    std::unique_ptr<QSerialPort> serial;
    std::unique_ptr<Command> cmd;
    int timeout = 10000; // a ceiling only: every reply here comes

    QIODevice* device() const { return tcp ? static_cast<QIODevice*>(socket.get()) : serial.get(); }

    // Reads the link directly up to the reply `text`, so that whatever the
    // box sent before it has been consumed.
    bool readThrough(const QByteArray& text)
    {
        QByteArray seen;
        return QTest::qWaitFor(
            [&] {
                device()->waitForReadyRead(10);
                seen += device()->readAll();
                return seen.endsWith(text);
            },
            10000);
    }

private slots:
    void init()
    {
        sim = std::make_unique<SimulatorProcess>(QStringLiteral("box-sim"));
        QVERIFY(sim->start(tcp ? QStringList() : QStringList{QStringLiteral("--pty")}, !tcp));
        timeout = 10000;
        if (tcp) {
            socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QStringLiteral("127.0.0.1"), sim->port());
            QVERIFY(socket->waitForConnected(20000));
            cmd = std::make_unique<Command>(socket.get(), nullptr, &timeout, true);
        } else {
            serial = std::make_unique<QSerialPort>();
            serial->setPortName(sim->ptyPath());
            QVERIFY2(openSerial(*serial), qPrintable(serial->errorString()));
            cmd = std::make_unique<Command>(nullptr, serial.get(), &timeout, false);
        }
    }

    void cleanup()
    {
        cmd.reset();
        socket.reset();
        serial.reset();
        sim.reset();
    }

    void commandsReachTheBoxAsSent()
    {
        QCOMPARE(cmd->send(QStringLiteral(" ")), 2); // the greeting's blank is not a command
        QCOMPARE(cmd->send(QStringLiteral("STATUS:?")), 3);
        QCOMPARE(cmd->send(QStringLiteral("sentrel:name:Box A")), 1);
        QCOMPARE(cmd->send(QStringLiteral("sentrel:name:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("Box A"));
        QVERIFY(sim->waitForLogLines(4));
        QCOMPARE(sim->commandLog(), QStringList({" ", "STATUS:?", "sentrel:name:Box A", "sentrel:name:?"}));
    }

    void namesThatLookLikeAcknowledgementsAreValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("SNAKE") << "SNAKE";
        QTest::newRow("RACK-1") << "RACK-1";
    }
    void namesThatLookLikeAcknowledgementsAreValues()
    {
        QFETCH(QString, name);
        QVERIFY(sim->control(QStringLiteral("set name ") + name));
        QCOMPARE(cmd->send(QStringLiteral("sentrel:name:?")), 3);
        QCOMPARE(cmd->reply, name);
    }

    void refusedCommand()
    {
        QVERIFY(sim->control(QStringLiteral("nak freq")));
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 2);
        QCOMPARE(cmd->send(QStringLiteral("TS:?")), 3);
    }

    // A doubled reply is two lines in one read: no value, and nothing of it
    // is taken for the next commands.
    void doubledRepliesDoNotShiftTheNextOnes()
    {
        cmd->timeout_ms = 300;
        QVERIFY(sim->control(QStringLiteral("double on")));
        QCOMPARE(cmd->send(QStringLiteral("sentrel:name:?")), 0);
        QVERIFY(sim->control(QStringLiteral("double off")));
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("10"));
        QCOMPARE(cmd->send(QStringLiteral("pturns:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("1"));
    }

    void lateReplyIsDrained()
    {
        cmd->timeout_ms = 200;
        QVERIFY(sim->control(QStringLiteral("delay 400")));
        QCOMPARE(cmd->send(QStringLiteral("sentrel:name:?")), 0);
        QVERIFY(sim->control(QStringLiteral("delay 0")));
        // The late reply is in before the next command goes out.
        QTRY_VERIFY_WITH_TIMEOUT(device()->bytesAvailable() > 0, 10000);
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("10"));
    }

    void tricklingReply()
    {
        QVERIFY(sim->control(QStringLiteral("chunk 1 40")));
        QCOMPARE(cmd->send(QStringLiteral("sentrel:sn:?")), 3); // 13 bytes, ~0.5 s
        QCOMPARE(cmd->reply, QStringLiteral("SN-2018-0042"));
    }

    void fileAcrossSegmentations_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::newRow("whole") << "off";
        QTest::newRow("1 byte") << "1 0";
        QTest::newRow("3 bytes") << "3 1";
        QTest::newRow("16 bytes") << "16 1";
    }
    void fileAcrossSegmentations()
    {
        QFETCH(QString, chunk);
        QVERIFY(sim->control(QStringLiteral("sd put B.TXT|a\\r\\nBACKUP\\r\\nACK me\\r\\n\\r\\nend\\r\\n")));
        QVERIFY(sim->control(QStringLiteral("chunk ") + chunk));
        QVERIFY(cmd->send_multiline(QStringLiteral("SD:READ:B.TXT")));
        QCOMPARE(cmd->reply_body, QByteArray("a\r\nBACKUP\r\nACK me\r\n\r\nend\r\n"));
        QVERIFY(cmd->send_multiline(QStringLiteral("SD:LS")));
        QVERIFY(cmd->reply_body.contains("B.TXT\r\n"));
    }

    void largeFileArrivesWhole()
    {
        QVERIFY(sim->control(QStringLiteral("sd ls")));
        const QString listing = sim->lastReply();
        const int at = listing.indexOf(QStringLiteral("LOG0002.TXT:"));
        QVERIFY(at > 0);
        const int size = listing.mid(at + 12).section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY(size > 200 * 1024);
        QVERIFY(cmd->send_multiline(QStringLiteral("SD:READ:LOG0002.TXT")));
        QCOMPARE(cmd->reply_body.size(), size);
        QCOMPARE(cmd->send(QStringLiteral("SD:SIZE:LOG0002.TXT")), 3);
        QCOMPARE(cmd->reply.toInt(), size);
    }

    void missingFileFails()
    {
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:NOPE.TXT")));
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 3);
    }

    void garbageNeverBreaksTheNextExchange()
    {
        cmd->timeout_ms = 300;
        QVERIFY(sim->control(QStringLiteral("garbage on")));
        for (int i = 0; i < 10; ++i) {
            const int r = cmd->send(QStringLiteral("status:?"));
            QVERIFY(r == 0 || r == 3);
        }
        QVERIFY(sim->control(QStringLiteral("garbage off")));
        // Junk still on its way would be read as the start of any reply: take
        // everything up to a clean one first.
        device()->write("freq:?\r");
        QVERIFY(readThrough("10\r"));
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("10"));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        CommandSimTest t(true);
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        CommandSimTest t(false);
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_command_sim.moc"
