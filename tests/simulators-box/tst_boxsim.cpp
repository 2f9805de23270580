// End-to-end checks of box-sim over a raw TCP socket and its pseudo-terminal:
// reply formats, listings, the stream, the command log and every fault switch.

#include "boxclient.h"
#include "serialopen.h"
#include "simulatorprocess.h"

#include <QProcess>
#include <QSerialPort>
#include <QTcpSocket>
#include <QtTest>
#include <csignal>
#include <memory>

namespace
{

std::unique_ptr<QTcpSocket> connectTo(quint16 port)
{
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, port);
    if (!s->waitForConnected(20000))
        return nullptr;
    return s;
}

// True when `text` is a run of complete stream lines of `fields` fields each,
// with consecutive counters.
bool wellFormedLines(const QByteArray& text, int fields, int* lines = nullptr)
{
    if (!text.endsWith("\r\n"))
        return false;
    qint64 previous = -1;
    int count = 0;
    for (int at = 0; at < text.size();) {
        const int end = text.indexOf("\r\n", at);
        const QList<QByteArray> f = text.mid(at, end - at).split(' ');
        at = end + 2;
        bool okCounter = false, okFlags = false, okCurrent = false;
        const qint64 counter = f.value(0).toLongLong(&okCounter);
        f.value(1).toUInt(&okFlags, 16);
        f.value(2).toDouble(&okCurrent);
        if (f.size() != fields || !okCounter || !okFlags || !okCurrent)
            return false;
        if (previous >= 0 && counter != previous + 1)
            return false;
        previous = counter;
        ++count;
    }
    if (lines)
        *lines = count;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Replies, sets, listings, line endings, the log and the stream.
class WireFormat : public QObject
{
    Q_OBJECT
    SimulatorProcess sim{QStringLiteral("box-sim")};
    std::unique_ptr<QTcpSocket> socket;
    std::unique_ptr<BoxClient> box;

private slots:
    void initTestCase()
    {
        QVERIFY(sim.start());
        socket = connectTo(sim.port());
        QVERIFY(socket);
        box = std::make_unique<BoxClient>(socket.get());
    }
    void init()
    {
        QVERIFY(sim.control(QStringLiteral("clear")));
        QVERIFY(sim.control(QStringLiteral("reset")));
        QVERIFY(sim.control(QStringLiteral("clock hold")));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("greeting blank") << QByteArray(" ") << QByteArray("NAK\r");
        QTest::newRow("greeting print off") << QByteArray("PRINT:OFF") << QByteArray("ACK\r");
        QTest::newRow("greeting status") << QByteArray("STATUS:?") << QByteArray("2074020\r");
        QTest::newRow("name") << QByteArray("sentrel:name:?") << QByteArray("SENTREL-01\r");
        QTest::newRow("word case ignored") << QByteArray("SENTREL:Name:?") << QByteArray("SENTREL-01\r");
        QTest::newRow("unknown") << QByteArray("frobnicate") << QByteArray("NAK\r");
        QTest::newRow("channels ext adc") << QByteArray("acqt:?") << QByteArray("10\r");
        QTest::newRow("head model") << QByteArray("dcct:model:?") << QByteArray("3 A1234\r");
        QTest::newRow("version") << QByteArray("ver:?") << QByteArray("SENTREL:2.3.1:11.04.2018\r");
        QTest::newRow("size of name with blank") << QByteArray("SD:SIZE:MY DATA.TXT") << QByteArray("90\r");
        QTest::newRow("size of missing file") << QByteArray("SD:SIZE:NONE.TXT") << QByteArray("NAK\r");
        QTest::newRow("wrong password") << QByteArray("password:nope") << QByteArray("NAK\r");
        QTest::newRow("gain needs password") << QByteArray("gain:pos:1") << QByteArray("NAK\r");
        QTest::newRow("frequency not a number") << QByteArray("freq:abc") << QByteArray("NAK\r");
        QTest::newRow("date with missing part") << QByteArray("date:07.03") << QByteArray("NAK\r");
        QTest::newRow("acquisition needs mounted card to save")
            << QByteArray("SD:UNMOUNT\rsave:ON\racq:ON") << QByteArray("NAK\r");
    }
    void replies()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, reply);
        // Several commands in one row: only the last reply is compared.
        const QList<QByteArray> parts = command.split('\r');
        for (int i = 0; i < parts.size() - 1; ++i)
            box->exchange(parts.at(i));
        QCOMPARE(box->exchange(parts.last()), reply);
    }

    void setsChangeQueries_data()
    {
        QTest::addColumn<QByteArray>("set");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("password");
        auto row = [](const char* name, const char* set, const char* query, const char* value,
                      bool pw = false) {
            QTest::newRow(name) << QByteArray(set) << QByteArray(query) << QByteArray(value) << pw;
        };
        row("frequency", "freq:2.5", "freq:?", "2.5");
        row("sampling time", "TS:200", "TS:?", "200");
        row("mode", "mode:OSC", "mode:?", "OSC");
        row("saving", "save:ON", "save:?", "ON");
        row("trigger", "trg:OUT", "trg:?", "OUT");
        row("channels", "acqt:011", "acqt:?", "11");
        row("turns", "pturns:4", "pturns:?", "4");
        row("alarm", "alarm:ON", "alarm:?", "ON");
        row("upper limit", "alarm:ulim:5", "alarm:ulim:?", "5");
        row("lower limit", "alarm:llim:-5", "alarm:llim:?", "-5");
        row("name with NAK inside", "sentrel:name:SNAKE", "sentrel:name:?", "SNAKE");
        row("date", "date:07.03.2018", "date:?", "07.03.2018");
        row("time", "time:14.05.09", "time:?", "14.05.09");
        row("new address", "ip:10.0.0.5", "ip:new:?", "10.0.0.5");
        row("new mask", "mask:255.255.0.0", "mask:new:?", "255.255.0.0");
        row("new gateway", "gate:10.0.0.1", "gate:new:?", "10.0.0.1");
        row("unmount", "SD:UNMOUNT", "SD:?", "UNMOUNTED");
        row("zero offset", "offset:ZERO", "offset:?", "0.002134");
        row("positive gain", "gain:pos:1000.500000", "gain:pos:?", "1000.500000", true);
        row("negative gain", "gain:neg:999.000000", "gain:neg:?", "999.000000", true);
        row("calibrate positive", "scale:pos:100.000000000", "gain:pos:?", "1000.250000", true);
        row("calibrate negative", "scale:neg:-100.000000000", "gain:neg:?", "999.870000", true);
        row("calibration", "cal:OFF", "cal:?", "OFF", true);
        row("head model", "dcct:model:5 B77", "dcct:model:?", "5 B77", true);
        row("head serial from model", "dcct:model:5 B77", "dcct:sn:?", "B77", true);
        row("head description", "dcct:des:new head", "dcct:des:?", "new head", true);
        row("box description", "sentrel:des:spare box", "sentrel:des:?", "spare box", true);
        row("new MAC", "mac:00:11:22:33:44:55", "mac:new:?", "00:11:22:33:44:55", true);
    }
    void setsChangeQueries()
    {
        QFETCH(QByteArray, set);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, value);
        QFETCH(bool, password);
        if (password)
            QCOMPARE(box->exchange("password:sentrel"), QByteArray("ACK\r"));
        QCOMPARE(box->exchange(set), QByteArray("ACK\r"));
        QCOMPARE(box->exchange(query), value + '\r');
    }

    void statusWordFollowsState()
    {
        box->exchange("password:sentrel");
        box->exchange("acqt:001");
        box->exchange("trg:OUT");
        box->exchange("acq:ON");
        const uint word = box->exchange("status:?").trimmed().toUInt(nullptr, 16);
        QVERIFY(word & 1u);         // acquiring
        QVERIFY(word & (1u << 15)); // password set
        QVERIFY(word & (1u << 19)); // ADC temperature only
        QVERIFY(!(word & (3u << 17)));
        QVERIFY(word & (3u << 23)); // trigger output
        box->exchange("password:RESET");
        QVERIFY(!(box->exchange("status:?").trimmed().toUInt(nullptr, 16) & (1u << 15)));
    }

    void listingsEndWithAck()
    {
        QCOMPARE(
            box->exchangeListing("SD:LS"),
            QByteArray("LOG0001.TXT\r\nSETTINGS.TXT\r\nMY DATA.TXT\r\nEMPTY.TXT\r\nLOG0002.TXT\r\nACK\r"));
        const QByteArray settings = box->exchangeListing("SD:READ:SETTINGS.TXT");
        QVERIFY(settings.startsWith("SENTREL settings\r\nBACKUP 11.04.2018"));
        QVERIFY(settings.endsWith("trg=OFF\r\nACK\r"));
        QCOMPARE(box->exchangeListing("SD:READ:EMPTY.TXT"), QByteArray("ACK\r"));
        // A few hundred KiB arrive whole, exactly as long as the size query says.
        const int size = box->exchange("SD:SIZE:LOG0002.TXT").trimmed().toInt();
        QVERIFY(size > 200 * 1024);
        QCOMPARE(box->exchangeListing("SD:READ:LOG0002.TXT", 10000).size(), size + 4);
        box->exchange("SD:UNMOUNT");
        QCOMPARE(box->exchangeListing("SD:LS"), QByteArray("NAK\r"));
    }

    void lineFeedsAroundCrAreIgnored()
    {
        const int before = sim.commandLog().size();
        socket->readAll();
        box->send("sentrel:name:?\r\nsentrel:sn:?\r\n\nSD:?\n\r");
        const QByteArray got = box->readUntil([](const QByteArray& g) { return g.count('\r') >= 3; }, 2000);
        QCOMPARE(got, QByteArray("SENTREL-01\rSN-2018-0042\rMOUNTED\r"));
        QVERIFY(sim.waitForLogLines(before + 3));
        QCOMPARE(sim.commandLog().mid(before), QStringList({"sentrel:name:?", "sentrel:sn:?", "SD:?"}));
    }

    void commandLogEscapes()
    {
        const int before = sim.commandLog().size();
        QCOMPARE(box->exchange(QByteArray("a\\b\nc\0d", 7)), QByteArray("NAK\r"));
        QCOMPARE(box->exchange(" "), QByteArray("NAK\r"));
        QVERIFY(sim.waitForLogLines(before + 2));
        QCOMPARE(sim.commandLog().mid(before), QStringList({"a\\\\b\\nc\\0d", " "}));
    }

    void overlongCommandIsRefused()
    {
        QCOMPARE(box->exchange(QByteArray(20000, 'x')), QByteArray("NAK\r"));
        QCOMPARE(box->exchange("sentrel:name:?"), QByteArray("SENTREL-01\r"));
    }

    void streamStartsAndStops_data()
    {
        QTest::addColumn<QByteArray>("channels");
        QTest::addColumn<int>("fields");
        QTest::newRow("no temperature") << QByteArray("000") << 3;
        QTest::newRow("head and ADC") << QByteArray("101") << 5;
        QTest::newRow("all three") << QByteArray("111") << 6;
    }
    void streamStartsAndStops()
    {
        QFETCH(QByteArray, channels);
        QFETCH(int, fields);
        box->exchange("freq:200");
        box->exchange("acqt:" + channels);
        box->exchange("print:ON");
        QCOMPARE(box->exchange("acq:ON"), QByteArray("ACK\r"));
        const QByteArray lines =
            box->readUntil([](const QByteArray& g) { return g.count('\n') >= 20; }, 3000);
        const QByteArray complete = lines.left(lines.lastIndexOf('\n') + 1);
        int count = 0;
        QVERIFY2(wellFormedLines(complete, fields, &count), complete.left(200).constData());
        QVERIFY(count >= 20);

        // The reply comes between whole lines, and nothing follows it.
        socket->write("print:OFF\r");
        QByteArray tail = lines.mid(complete.size());
        tail += box->readUntil([](const QByteArray& g) { return g.endsWith("ACK\r"); }, 2000);
        QVERIFY(tail.endsWith("ACK\r"));
        const QByteArray before = tail.left(tail.size() - 4);
        QVERIFY(before.isEmpty() || wellFormedLines(before, fields));
        QCOMPARE(box->readFor(200), QByteArray());
        QCOMPARE(box->exchange("acq:OFF"), QByteArray("ACK\r"));
    }

    // Like supply-sim's, the help names the port used when none is given.
    void helpGivesThePortDefault()
    {
        QProcess help;
        help.start(SimulatorProcess::programPath(QStringLiteral("box-sim")), {QStringLiteral("--help")});
        QVERIFY(help.waitForFinished(60000));
        const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
        const QString portLine =
            text.section(QStringLiteral("--port <n>"), 1).section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(portLine.contains(QLatin1String("(default 10001, 0: any free port)")), qPrintable(text));
    }

    // Started with "&" from a shell, box-sim reads a terminal it does not own,
    // which stops it with SIGTTIN unless it ignores that, as supply-sim does.
    void runsOnInTheBackground()
    {
        QCOMPARE(::kill(pid_t(sim.processId()), SIGTTIN), 0);
        QCOMPARE(box->exchange("sentrel:name:?"), QByteArray("SENTREL-01\r"));
    }

    void cleanupTestCase()
    {
        socket.reset();
        sim.stop();
    }
};

// ---------------------------------------------------------------------------
// Every fault switch, seen from the program's side of the link.
class FaultSwitches : public QObject
{
    Q_OBJECT
    SimulatorProcess sim{QStringLiteral("box-sim")};

    bool noReplyWithin(BoxClient& box, const QByteArray& command, int ms)
    {
        box.send(command + '\r');
        return box.readFor(ms).isEmpty();
    }

private slots:
    void initTestCase() { QVERIFY(sim.start()); }
    void init()
    {
        QVERIFY(sim.control(QStringLiteral("clear")));
        QVERIFY(sim.control(QStringLiteral("reset")));
        QVERIFY(sim.control(QStringLiteral("clock hold")));
        QVERIFY(sim.control(QStringLiteral("set date 11.04.2018")));
    }

    void replyFaults_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("nak by word") << "nak status" << QByteArray("STATUS:?") << QByteArray("NAK\r");
        QTest::newRow("nak by prefix")
            << "nak sd:read" << QByteArray("SD:READ:EMPTY.TXT") << QByteArray("NAK\r");
        QTest::newRow("nak spares others") << "nak status" << QByteArray("err:?") << QByteArray("0\r");
        QTest::newRow("non-hex status") << "badstatus on" << QByteArray("status:?") << QByteArray("ZZ21\r");
        QTest::newRow("non-hex error") << "badstatus on" << QByteArray("err:?") << QByteArray("ZZ00\r");
        QTest::newRow("date missing year") << "badvalues on" << QByteArray("date:?") << QByteArray("11.04\r");
        QTest::newRow("current not a number") << "badvalues on" << QByteArray("get") << QByteArray("n/a\r");
        QTest::newRow("name with ACK inside")
            << "set name RACK-1" << QByteArray("sentrel:name:?") << QByteArray("RACK-1\r");
        QTest::newRow("stale line before the answer")
            << "stale alarm:ulim:? 42" << QByteArray("alarm:ulim:?") << QByteArray("42\r200\r");
        QTest::newRow("name limit lifted")
            << "set name_max 0" << QByteArray("sentrel:name:") + QByteArray(33, 'N') << QByteArray("ACK\r");
    }
    void replyFaults()
    {
        QFETCH(QString, control);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, reply);
        auto socket = connectTo(sim.port());
        QVERIFY(socket);
        BoxClient box(socket.get());
        QVERIFY(sim.control(control));
        QCOMPARE(box.exchange(command), reply);
    }

    void doubleReply()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(QStringLiteral("double on")));
        box.send("sentrel:sn:?\r");
        QCOMPARE(box.readUntil([](const QByteArray& g) { return g.count('\r') >= 2; }, 2000),
                 QByteArray("SN-2018-0042\rSN-2018-0042\r"));
    }

    void garbageReplacesReplies()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(QStringLiteral("garbage on")));
        for (int i = 0; i < 20; ++i) {
            const QByteArray junk = box.exchange("sentrel:sn:?");
            QVERIFY(junk.endsWith('\r'));
            QCOMPARE(junk.count('\r'), 1);
            QVERIFY(!junk.contains("SN-2018") && !junk.contains("ACK") && !junk.contains("NAK"));
        }
    }

    void truncateCutsListingsShort()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(QStringLiteral("truncate on")));
        socket->write("SD:READ:SETTINGS.TXT\r");
        const QByteArray got = box.readFor(300);
        QVERIFY(got.startsWith("SENTREL settings\r\n"));
        QVERIFY(got.size() < 60 && !got.contains("\nACK\r"));
        QCOMPARE(box.exchange("sentrel:sn:?"), QByteArray("SN-2018-0042\r")); // single replies stay whole
    }

    void sendAndJunkReachEveryLink()
    {
        auto first = connectTo(sim.port());
        auto second = connectTo(sim.port());
        BoxClient a(first.get()), b(second.get());
        QVERIFY(sim.control(QStringLiteral("send ACK\\r")));
        QCOMPARE(a.readUntil([](const QByteArray& g) { return g.size() >= 4; }, 1000), QByteArray("ACK\r"));
        QCOMPARE(b.readUntil([](const QByteArray& g) { return g.size() >= 4; }, 1000), QByteArray("ACK\r"));
        QVERIFY(sim.control(QStringLiteral("junk 70000")));
        const QByteArray junk = a.readUntil([](const QByteArray& g) { return g.size() >= 70000; }, 3000);
        QCOMPARE(junk.size(), 70000);
        QVERIFY(!junk.contains('\r') && !junk.contains("ACK") && !junk.contains("NAK"));
    }

    void stallAndSilence_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("stall") << "stall";
        QTest::newRow("silent") << "silent";
    }
    void stallAndSilence()
    {
        QFETCH(QString, fault);
        QVERIFY(sim.control(fault + QStringLiteral(" on")));
        const int before = sim.commandLog().size();
        auto socket = connectTo(sim.port());
        QVERIFY(socket); // connections are still accepted
        BoxClient box(socket.get());
        QVERIFY(noReplyWithin(box, " ", 300));
        QVERIFY(noReplyWithin(box, "STATUS:?", 300));
        QVERIFY(sim.waitForLogLines(before + 2)); // but every command is logged
        QVERIFY(sim.control(fault + QStringLiteral(" off")));
        QCOMPARE(box.exchange("sentrel:sn:?"), QByteArray("SN-2018-0042\r"));
    }

    void silenceStopsTheStreamStallDoesNot()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(QStringLiteral("set freq 100")));
        QVERIFY(sim.control(QStringLiteral("stall on")));
        QVERIFY(sim.control(QStringLiteral("stream on")));
        QVERIFY(!box.readFor(200).isEmpty());
        QVERIFY(sim.control(QStringLiteral("silent on")));
        box.readFor(50);
        QVERIFY(box.readFor(200).isEmpty());
        QVERIFY(sim.control(QStringLiteral("stream off")));
    }

    void delayHoldsRepliesBack_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("once");
        QTest::newRow("every reply") << "delay 400" << false;
        QTest::newRow("one reply, the next behind it") << "late sentrel:sn 400" << true;
    }
    void delayHoldsRepliesBack()
    {
        QFETCH(QString, control);
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(control));
        box.send("sentrel:sn:?\rsentrel:name:?\r");
        QVERIFY(box.readFor(200).isEmpty());
        QCOMPARE(box.readUntil([](const QByteArray& g) { return g.count('\r') >= 2; }, 2000),
                 QByteArray("SN-2018-0042\rSENTREL-01\r"));
        // A late rule is used up: the next reply comes at once.
        QFETCH(bool, once);
        QCOMPARE(box.exchange("sentrel:sn:?", 200).isEmpty(), !once);
    }

    void chunksCutRepliesAcrossWrites()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        const QByteArray whole = box.exchangeListing("SD:READ:SETTINGS.TXT");
        QVERIFY(sim.control(QStringLiteral("chunk 5 30")));
        socket->write("SD:READ:SETTINGS.TXT\r");
        QByteArray got;
        const int reads = box.readsFor(whole.size(), 10000, &got);
        QCOMPARE(got, whole);
        QVERIFY2(reads >= whole.size() / 5 / 2, qPrintable(QString::number(reads)));
    }

    void chunkedStreamKeepsRepliesWhole()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        box.exchange("freq:100");
        box.exchange("acqt:000");
        box.exchange("print:ON");
        box.exchange("acq:ON");
        QVERIFY(sim.control(QStringLiteral("chunk 7 5")));
        box.readFor(300);
        socket->write("acq:OFF\r");
        const QByteArray tail = box.readUntil([](const QByteArray& g) { return g.endsWith("ACK\r"); }, 5000);
        QVERIFY(tail.endsWith("ACK\r"));
        // The ACK follows a line end, never the middle of a line.
        QVERIFY(tail.size() == 4 || tail.at(tail.size() - 5) == '\n');
        QCOMPARE(box.readFor(200), QByteArray());
    }

    void badStreamMixesInMalformedLines()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(QStringLiteral("set freq 200")));
        QVERIFY(sim.control(QStringLiteral("set acqt 0")));
        QVERIFY(sim.control(QStringLiteral("badstream on")));
        QVERIFY(sim.control(QStringLiteral("stream on")));
        const QByteArray got = box.readUntil([](const QByteArray& g) { return g.count('\n') >= 40; }, 3000);
        QVERIFY(sim.control(QStringLiteral("stream off")));
        QVERIFY(got.contains("\r\n\r\n"));   // an empty line
        QVERIFY(got.contains("\r\nx"));      // a counter that is not a number
        QVERIFY(got.contains(" 0 -.-\r\n")); // a current that is not a number
        QVERIFY(!wellFormedLines(got.left(got.lastIndexOf('\n') + 1), 3));
    }

    void dropClosesTheLinkNow()
    {
        auto socket = connectTo(sim.port());
        QVERIFY(sim.control(QStringLiteral("drop")));
        QVERIFY(socket->state() == QAbstractSocket::UnconnectedState || socket->waitForDisconnected(2000));
        QVERIFY(connectTo(sim.port())); // the box takes the next connection
    }

    void dropAfterAnswersThenCloses()
    {
        auto socket = connectTo(sim.port());
        BoxClient box(socket.get());
        QVERIFY(sim.control(QStringLiteral("dropafter 2")));
        QCOMPARE(box.exchange("sentrel:sn:?"), QByteArray("SN-2018-0042\r"));
        QCOMPARE(box.exchange("sentrel:name:?"), QByteArray("SENTREL-01\r"));
        QVERIFY(socket->state() == QAbstractSocket::UnconnectedState || socket->waitForDisconnected(2000));
    }

    void refuseTurnsConnectionsAway()
    {
        // Loopback by default: no other address of this machine reaches the port.
        QCOMPARE(SimulatorProcess::acceptedBeyondLoopback(sim.port()).join(QLatin1Char(' ')), QString());
        auto kept = connectTo(sim.port());
        QVERIFY(sim.control(QStringLiteral("refuse on")));
        QTcpSocket refused;
        refused.connectToHost(QHostAddress::LocalHost, sim.port());
        QVERIFY(!refused.waitForConnected(2000));
        QCOMPARE(refused.error(), QAbstractSocket::ConnectionRefusedError);
        BoxClient box(kept.get());
        QCOMPARE(box.exchange("sentrel:sn:?"), QByteArray("SN-2018-0042\r")); // open links stay
        QVERIFY(sim.control(QStringLiteral("refuse off")));
        QVERIFY(connectTo(sim.port()));
    }

    void cleanupTestCase() { sim.stop(); }
};

// ---------------------------------------------------------------------------
// The serial line through the pseudo-terminal.
class PseudoTerminal : public QObject
{
    Q_OBJECT
    SimulatorProcess sim{QStringLiteral("box-sim")};

    std::unique_ptr<QSerialPort> openPort(const QString& path)
    {
        auto port = std::make_unique<QSerialPort>();
        port->setPortName(path);
        if (!openSerial(*port))
            return nullptr;
        return port;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(sim.start({QStringLiteral("--pty")}, true));
        QVERIFY(sim.ptyPath().startsWith(QLatin1String("/dev/")));
    }
    void init()
    {
        QVERIFY(sim.control(QStringLiteral("clear")));
        QVERIFY(sim.control(QStringLiteral("reset")));
    }

    void slaveOpensAgainAndAgain()
    {
        for (int i = 0; i < 3; ++i) {
            auto port = openPort(sim.ptyPath());
            QVERIFY2(port, qPrintable(sim.ptyPath()));
            BoxClient box(port.get());
            QCOMPARE(box.exchange("sentrel:sn:?"), QByteArray("SN-2018-0042\r"));
            QCOMPARE(box.exchangeListing("SD:READ:MY DATA.TXT"),
                     QByteArray("first line of my data\r\n  indented line with  two  blanks\r\n\r\n"
                                "last line after an empty one\r\nACK\r"));
        }
    }

    void streamOverTheLine()
    {
        auto port = openPort(sim.ptyPath());
        QVERIFY(port);
        BoxClient box(port.get());
        box.exchange("freq:100");
        box.exchange("acqt:110");
        box.exchange("print:ON");
        QCOMPARE(box.exchange("acq:ON"), QByteArray("ACK\r"));
        const QByteArray got = box.readUntil([](const QByteArray& g) { return g.count('\n') >= 10; }, 3000);
        QVERIFY(wellFormedLines(got.left(got.lastIndexOf('\n') + 1), 5));
        port->write("print:OFF\r");
        QVERIFY(
            box.readUntil([](const QByteArray& g) { return g.endsWith("ACK\r"); }, 2000).endsWith("ACK\r"));
        QCOMPARE(box.exchange("acq:OFF"), QByteArray("ACK\r"));
    }

    void dropHangsUpAndComesBack()
    {
        auto port = openPort(sim.ptyPath());
        QVERIFY(port);
        QVERIFY(sim.control(QStringLiteral("drop")));
        const QString newPath = sim.lastReply().section(QStringLiteral("PTY "), 1).trimmed();
        QVERIFY(!newPath.isEmpty());
        // The old line is dead: reading it fails or ends.
        port->write("sentrel:sn:?\r");
        BoxClient old(port.get());
        QVERIFY(old.readFor(300).isEmpty());
        auto fresh = openPort(newPath);
        QVERIFY(fresh);
        BoxClient box(fresh.get());
        QCOMPARE(box.exchange("sentrel:sn:?"), QByteArray("SN-2018-0042\r"));
    }

    void cleanupTestCase() { sim.stop(); }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        WireFormat t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        FaultSwitches t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PseudoTerminal t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_boxsim.moc"
