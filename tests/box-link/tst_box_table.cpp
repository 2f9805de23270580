// The worker's tick and command table, driven tick by tick from the test
// against a scripted box: what is sent for each queued code, how replies
// (good, refused, missing, malformed) change the record, and which signals
// follow.

#include "command.h"
#include "dcct_thread.h"
#include "scriptedbox.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using Piece = ScriptedBox::Piece;

class TableFixture : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<ScriptedBox> box;
    std::unique_ptr<QTcpSocket> socket;
    std::unique_ptr<Command> cmd;
    std::unique_ptr<Dcct_thread> thread;
    QMap<QByteArray, QByteArray> replies; // command -> reply line ("" = no reply)

    void setUpLink()
    {
        box = std::make_unique<ScriptedBox>();
        QVERIFY(box->start());
        replies.clear();
        box->setResponder([this](const QByteArray& c) -> QList<Piece> {
            const auto it = replies.constFind(c);
            if (it == replies.constEnd())
                return ScriptedBox::line("ACK");
            if (it->isNull())
                return {};
            return {Piece(0, *it)};
        });
        socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), box->port());
        QVERIFY(socket->waitForConnected(20000));
        QVERIFY(box->waitForConnections(1));
        thread = std::make_unique<Dcct_thread>(true, QStringLiteral("127.0.0.1"), 80, QString());
        thread->reply_timeout_ms = 300;
        int timeout = 300;
        cmd = std::make_unique<Command>(socket.get(), nullptr, &timeout, true);
        thread->socket = socket.get();
        thread->command = cmd.get();
    }

    void tearDownLink()
    {
        if (thread) {
            thread->command = nullptr;
            thread->socket = nullptr;
        }
        thread.reset();
        cmd.reset();
        socket.reset();
        box.reset();
    }

    // Runs ticks until the queue is empty (and one more for the report).
    void runQueue()
    {
        for (int i = 0; i < 100 && thread->queue_length() > 0; ++i)
            thread->process();
    }

    // What the box received so far. A marker written after the worker's
    // commands reaches the box after them, so once it is logged nothing the
    // worker sent is still on its way.
    QByteArrayList sent()
    {
        static const QByteArray marker("(test marker)");
        socket->write(marker + '\r');
        socket->flush();
        const bool arrived = QTest::qWaitFor(
            [this] {
                const QByteArrayList log = box->commands();
                return !log.isEmpty() && log.last() == marker;
            },
            20000);
        if (!arrived)
            qWarning("the box never logged the test marker");
        QByteArrayList log = box->commands();
        log.removeAll(marker);
        return log;
    }
};

class TableTest : public TableFixture
{
    Q_OBJECT

private slots:
    void init() { setUpLink(); }
    void cleanup() { tearDownLink(); }

    // Each code reaches the box as exactly its text and a CR, in the case
    // written here (the box may compare without regard to case; a literal
    // one need not).
    void everyCodeSendsItsExactText_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("0") << 0 << QString() << QByteArray("mode:?");
        QTest::newRow("1") << 1 << QStringLiteral("X1") << QByteArray("mode:X1");
        QTest::newRow("3") << 3 << QStringLiteral("X1") << QByteArray("acq:X1");
        QTest::newRow("4") << 4 << QString() << QByteArray("get");
        QTest::newRow("5") << 5 << QString() << QByteArray("freq:?");
        QTest::newRow("6") << 6 << QStringLiteral("X1") << QByteArray("freq:X1");
        QTest::newRow("7") << 7 << QString() << QByteArray("TS:?");
        QTest::newRow("8") << 8 << QStringLiteral("X1") << QByteArray("TS:X1");
        QTest::newRow("16") << 16 << QStringLiteral("X1") << QByteArray("print:X1");
        QTest::newRow("17") << 17 << QString() << QByteArray("save:?");
        QTest::newRow("18") << 18 << QStringLiteral("X1") << QByteArray("save:X1");
        QTest::newRow("19") << 19 << QString() << QByteArray("EINIT");
        QTest::newRow("32") << 32 << QString() << QByteArray("pturns:?");
        QTest::newRow("33") << 33 << QStringLiteral("X1") << QByteArray("pturns:X1");
        QTest::newRow("34") << 34 << QString() << QByteArray("cal:?");
        QTest::newRow("35") << 35 << QStringLiteral("X1") << QByteArray("cal:X1");
        QTest::newRow("36") << 36 << QString() << QByteArray("alarm:?");
        QTest::newRow("37") << 37 << QStringLiteral("X1") << QByteArray("alarm:ulim:X1");
        QTest::newRow("38") << 38 << QStringLiteral("X1") << QByteArray("alarm:llim:X1");
        QTest::newRow("39") << 39 << QString() << QByteArray("alarm:ulim:?");
        QTest::newRow("40") << 40 << QString() << QByteArray("alarm:llim:?");
        QTest::newRow("41") << 41 << QStringLiteral("X1") << QByteArray("alarm:X1");
        QTest::newRow("49") << 49 << QString() << QByteArray("trg:?");
        QTest::newRow("50") << 50 << QStringLiteral("X1") << QByteArray("trg:X1");
        QTest::newRow("53") << 53 << QString() << QByteArray("acqt:?");
        QTest::newRow("54") << 54 << QStringLiteral("X1") << QByteArray("acqt:X1");
        QTest::newRow("65") << 65 << QString() << QByteArray("gett:adc");
        QTest::newRow("67") << 67 << QString() << QByteArray("ver:?");
        QTest::newRow("68") << 68 << QStringLiteral("X1") << QByteArray("time:X1");
        QTest::newRow("69") << 69 << QString() << QByteArray("time:?");
        QTest::newRow("70") << 70 << QStringLiteral("X1") << QByteArray("date:X1");
        QTest::newRow("71") << 71 << QString() << QByteArray("date:?");
        QTest::newRow("72") << 72 << QStringLiteral("X1") << QByteArray("sentrel:name:X1");
        QTest::newRow("73") << 73 << QString() << QByteArray("sentrel:name:?");
        QTest::newRow("80") << 80 << QString() << QByteArray("status:?");
        QTest::newRow("82") << 82 << QString() << QByteArray("err:?");
        QTest::newRow("83") << 83 << QString() << QByteArray("err:clr");
        QTest::newRow("96") << 96 << QString() << QByteArray("SD:LS");
        QTest::newRow("97") << 97 << QStringLiteral("X1") << QByteArray("SD:READ:X1");
        QTest::newRow("98") << 98 << QStringLiteral("X1") << QByteArray("SD:RM:X1");
        QTest::newRow("101") << 101 << QString() << QByteArray("SD:MOUNT");
        QTest::newRow("102") << 102 << QString() << QByteArray("SD:UNMOUNT");
        QTest::newRow("103") << 103 << QString() << QByteArray("SD:?");
        QTest::newRow("112") << 112 << QStringLiteral("X1") << QByteArray("password:X1");
        QTest::newRow("113") << 113 << QString() << QByteArray("match:?");
        QTest::newRow("114") << 114 << QString() << QByteArray("match:force");
        QTest::newRow("117") << 117 << QString() << QByteArray("offset:?");
        QTest::newRow("118") << 118 << QString() << QByteArray("offset:ZERO");
        QTest::newRow("120") << 120 << QStringLiteral("X1") << QByteArray("scale:pos:X1");
        QTest::newRow("121") << 121 << QStringLiteral("X1") << QByteArray("scale:neg:X1");
        QTest::newRow("128") << 128 << QStringLiteral("X1") << QByteArray("gain:neg:X1");
        QTest::newRow("129") << 129 << QStringLiteral("X1") << QByteArray("gain:pos:X1");
        QTest::newRow("130") << 130 << QString() << QByteArray("gain:pos:?");
        QTest::newRow("131") << 131 << QString() << QByteArray("gain:neg:?");
        QTest::newRow("133") << 133 << QString() << QByteArray("sentrel:sn:?");
        QTest::newRow("134") << 134 << QString() << QByteArray("sentrel:des:?");
        QTest::newRow("136") << 136 << QString() << QByteArray("ip:?");
        QTest::newRow("137") << 137 << QStringLiteral("X1") << QByteArray("ip:X1");
        QTest::newRow("144") << 144 << QString() << QByteArray("mask:?");
        QTest::newRow("145") << 145 << QStringLiteral("X1") << QByteArray("mask:X1");
        QTest::newRow("146") << 146 << QString() << QByteArray("gate:?");
        QTest::newRow("147") << 147 << QStringLiteral("X1") << QByteArray("gate:X1");
        QTest::newRow("148") << 148 << QString() << QByteArray("mac:?");
        QTest::newRow("149") << 149 << QStringLiteral("X1") << QByteArray("mac:X1");
        QTest::newRow("256") << 256 << QString() << QByteArray("dcct:sn:?");
        QTest::newRow("257") << 257 << QString() << QByteArray("dcct:des:?");
        QTest::newRow("258") << 258 << QString() << QByteArray("dcct:model:?");
        QTest::newRow("259") << 259 << QStringLiteral("X1") << QByteArray("dcct:des:X1");
        QTest::newRow("260") << 260 << QStringLiteral("X1") << QByteArray("dcct:model:X1");
        QTest::newRow("261") << 261 << QStringLiteral("X1") << QByteArray("sentrel:des:X1");
        QTest::newRow("262") << 262 << QString() << QByteArray("ip:new:?");
        QTest::newRow("263") << 263 << QStringLiteral("X1") << QByteArray("ip:new:X1");
        QTest::newRow("264") << 264 << QString() << QByteArray("mask:new:?");
        QTest::newRow("272") << 272 << QString() << QByteArray("gate:new:?");
        QTest::newRow("274") << 274 << QString() << QByteArray("mac:new:?");
    }
    void everyCodeSendsItsExactText()
    {
        QFETCH(int, code);
        QFETCH(QString, arg);
        QFETCH(QByteArray, text);
        if (arg.isNull())
            thread->enqueue(code);
        else
            thread->enqueue(code, arg);
        thread->process();
        QTRY_COMPARE_WITH_TIMEOUT(box->received(), text + '\r', 10000);
    }

    void setsAppendTheirArgument()
    {
        thread->enqueue(6, QStringLiteral("1000"));
        thread->enqueue(72, QStringLiteral("BOX 7"));
        thread->enqueue(97, QString());
        runQueue();
        const QByteArrayList s = sent();
        QCOMPARE(s.value(0), QByteArray("freq:1000"));
        QCOMPARE(s.value(1), QByteArray("sentrel:name:BOX 7"));
        QCOMPARE(s.value(2), QByteArray("SD:READ:"));
    }

    // Codes and arguments travel as pairs: a set code queued without its
    // argument is dropped and does not take the next code's argument.
    void setCodeWithoutArgumentIsDropped()
    {
        thread->enqueue(1, QStringLiteral("DLOG"));
        thread->enqueue(6);
        thread->enqueue(72, QStringLiteral("NAME"));
        thread->enqueue(2); // not a box code
        thread->enqueue(5);
        runQueue();
        QCOMPARE(sent(), QByteArrayList({"mode:DLOG", "sentrel:name:NAME", "freq:?"}));
    }

    void lineBreakInArgumentIsNeverSent()
    {
        thread->enqueue(72, QStringLiteral("A\rSD:RM:LOG0001.TXT"));
        thread->enqueue(72, QStringLiteral("B\nC"));
        thread->enqueue(5);
        runQueue();
        QCOMPARE(sent(), QByteArrayList({"freq:?"}));
    }

    // Text fields take only a value, never "NAK" or a missing reply.
    void textFieldTakesOnlyValues_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("name");
        QTest::newRow("value") << QByteArray("SNAKE\r") << "SNAKE";
        QTest::newRow("value RACK-1") << QByteArray("RACK-1\r") << "RACK-1";
        QTest::newRow("NAK") << QByteArray("NAK\r") << "-";
        QTest::newRow("ACK") << QByteArray("ACK\r") << "-";
        QTest::newRow("no reply") << QByteArray() << "-";
    }
    void textFieldTakesOnlyValues()
    {
        QFETCH(QByteArray, reply);
        replies["sentrel:name:?"] = reply;
        thread->enqueue(73);
        thread->process();
        QTEST(thread->data.name, "name");
        QCOMPARE(thread->data.wasRead(73), thread->data.name != "-");
    }

    // "No Status" counts the failed reads since the latest good one.
    void statusFailuresCountSinceTheLatestRead_data()
    {
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<int>("failures");
        QTest::newRow("refused, unanswered") << QByteArrayList{"NAK\r", QByteArray()} << 2;
        QTest::newRow("then read") << QByteArrayList{"NAK\r", "ZZ\r", "0\r"} << 0;
        QTest::newRow("failing again") << QByteArrayList{"ZZ\r", "NAK\r", "0\r", "NAK\r"} << 1;
    }
    void statusFailuresCountSinceTheLatestRead()
    {
        QFETCH(QByteArrayList, answers);
        for (const QByteArray& answer : answers) {
            replies["status:?"] = answer;
            thread->enqueue(80);
            thread->process();
        }
        QTEST(thread->data.status_failures, "failures");
    }

    void statusWithErrorFetchesErrorWordInSameTick()
    {
        replies["status:?"] = "100023\r"; // acquiring, error, ext T, mounted
        replies["err:?"] = "20\r";
        QSignalSpy found(thread.get(), &Dcct_thread::sentrel_is_acquiring);
        thread->enqueue(80);
        thread->process();
        // A start learned from a poll is told as at connection, with the
        // frequency the samples are timed by.
        QCOMPARE(sent(), QByteArrayList({"status:?", "err:?", "freq:?"}));
        QCOMPARE(found.count(), 1);
        QVERIFY(thread->data.error);
        QVERIFY(thread->data.err_sd_full);
        QVERIFY(thread->data.acquiring);
        QCOMPARE(thread->data.line_layout, 0);
        QCOMPARE(cmd->line_layout, thread->data.line_layout);
    }

    void malformedRepliesKeepTheRecord_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("status not hex") << 80 << QByteArray("status:?") << QByteArray("ZZ21\r");
        QTest::newRow("error not hex") << 82 << QByteArray("err:?") << QByteArray("ZZ00\r");
        QTest::newRow("date without year") << 71 << QByteArray("date:?") << QByteArray("11.04\r");
        QTest::newRow("time without seconds") << 69 << QByteArray("time:?") << QByteArray("14.05\r");
        QTest::newRow("current not a number") << 4 << QByteArray("get") << QByteArray("n/a\r");
        QTest::newRow("model refused") << 258 << QByteArray("dcct:model:?") << QByteArray("NAK\r");
        QTest::newRow("channels named nowhere") << 53 << QByteArray("acqt:?") << QByteArray("xx\r");
        QTest::newRow("text unanswered") << 256 << QByteArray("dcct:sn:?") << QByteArray();
    }
    void malformedRepliesKeepTheRecord()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, reply);
        Dcct_data& d = thread->data;
        d.acquiring = true;
        d.printing = false;
        d.line_layout = 5;
        d.err_sd = true;
        d.date = QDate(2020, 1, 2);
        d.time = QTime(3, 4, 5);
        d.current = 12.5;
        d.dcct_model = QStringLiteral("3 A1234");
        d.read_codes = {code, 7};
        replies[command] = reply;
        thread->enqueue(code);
        thread->process();
        QCOMPARE(d.read_codes, QSet<int>{7});
        QVERIFY(d.acquiring);
        QCOMPARE(d.line_layout, 5);
        QVERIFY(d.err_sd);
        QCOMPARE(d.date, QDate(2020, 1, 2));
        QCOMPARE(d.time, QTime(3, 4, 5));
        QCOMPARE(d.current, 12.5);
        QCOMPARE(d.dcct_model, QStringLiteral("3 A1234"));
    }

    void goodValuesDecode()
    {
        replies["time:?"] = "14.05.09\r";
        replies["date:?"] = "11.04.2018\r";
        replies["get"] = "12.345678\r";
        replies["ver:?"] = "SENTREL:2.3.1:11.04.2018\r";
        replies["trg:?"] = "OUT\r";
        replies["acqt:?"] = "11\r";
        thread->data.line_layout = 4; // head streamed before
        for (int code : {69, 71, 4, 67, 49, 53})
            thread->enqueue(code);
        runQueue();
        const Dcct_data& d = thread->data;
        QCOMPARE(d.read_codes, (QSet<int>{69, 71, 4, 67, 49, 53}));
        QCOMPARE(d.time, QTime(14, 5, 9));
        QCOMPARE(d.date, QDate(2018, 4, 11));
        QCOMPARE(d.current, 12.345678);
        QCOMPARE(d.fw_version, QStringLiteral("2.3.1"));
        QVERIFY(d.trigger_out && !d.trigger_in);
        QCOMPARE(d.line_layout, 3);
        QCOMPARE(cmd->line_layout, 3);
    }

    void getIsNotSentToATriggerSlave()
    {
        thread->data.trigger_in = true;
        thread->enqueue(4);
        thread->process();
        QVERIFY(sent().isEmpty());
    }

    void mountAndUnmount()
    {
        replies["SD:UNMOUNT"] = "NAK\r";
        thread->data.sd_mounted = true;
        thread->enqueue(102);
        thread->process();
        QVERIFY(thread->data.sd_mounted);
        QCOMPARE(thread->data.sd_state, QStringLiteral("Unmounting Fail"));
        thread->enqueue(101);
        thread->process();
        QCOMPARE(thread->data.sd_state, QStringLiteral("Mounted"));
        replies["SD:MOUNT"] = "NAK\r";
        thread->enqueue(101);
        thread->process();
        QVERIFY(!thread->data.sd_mounted);
        QCOMPARE(thread->data.sd_state, QStringLiteral("Mounting Fail (Is SD present?)"));
    }

    // One size per listed file, in place, even when a size query fails.
    void sdSizesStayPairedWithFiles()
    {
        replies["SD:LS"] = "LOG1.TXT\r\nMY DATA.TXT\r\nLOG2.TXT\r\nACK\r";
        replies["SD:SIZE:LOG1.TXT"] = "100\r";
        replies["SD:SIZE:MY DATA.TXT"] = "NAK\r";
        replies["SD:SIZE:LOG2.TXT"] = "300\r";
        thread->enqueue(96);
        thread->process();
        const Dcct_data& d = thread->data;
        QCOMPARE(d.sd_files, QStringList({"LOG1.TXT", "MY DATA.TXT", "LOG2.TXT"}));
        QCOMPARE(d.sd_sizes.size(), 3);
        QCOMPARE(d.sd_sizes[0], 100.0);
        QCOMPARE(d.sd_sizes[1], Dcct_data::sd_size_unknown);
        QCOMPARE(d.sd_sizes[2], 300.0);
    }

    void fileReadCarriesTheFile()
    {
        QSignalSpy spy(thread.get(), &Dcct_thread::file_read);
        replies["SD:READ:SETTINGS.TXT"] = "a=1\r\nBACKUP=ON\r\n\r\nb=2\r\nACK\r";
        thread->enqueue(97, QStringLiteral("SETTINGS.TXT"));
        thread->process();
        QCOMPARE(spy.count(), 1);
        const Dcct_data d = spy.at(0).at(0).value<Dcct_data>();
        QVERIFY(d.file_read_ok);
        QCOMPARE(d.file_lines.join(), QByteArray("a=1\r\nBACKUP=ON\r\n\r\nb=2\r\n"));
    }

    void failedFileReadIsReportedAsFailed_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("refused") << QByteArray("NAK\r");
        QTest::newRow("cut short") << QByteArray("a=1\r\nb=");
        QTest::newRow("no reply") << QByteArray();
    }
    void failedFileReadIsReportedAsFailed()
    {
        QFETCH(QByteArray, reply);
        QSignalSpy spy(thread.get(), &Dcct_thread::file_read);
        replies["SD:READ:X.TXT"] = reply;
        thread->enqueue(97, QStringLiteral("X.TXT"));
        thread->process();
        QCOMPARE(spy.count(), 1);
        const Dcct_data d = spy.at(0).at(0).value<Dcct_data>();
        QVERIFY(!d.file_read_ok);
        QVERIFY(d.file_lines.isEmpty());
    }

    void acquisitionStartAndStop()
    {
        QSignalSpy started(thread.get(), &Dcct_thread::sentrel_start_acquire);
        thread->enqueue(3, QStringLiteral("ON"));
        thread->enqueue(5);
        thread->process();
        QVERIFY(thread->data.acquiring);
        QCOMPARE(thread->queue_length(), 0); // the query behind the start is dropped
        QCOMPARE(started.count(), 1);
        QVERIFY(started.at(0).at(0).value<Dcct_data>().acquiring);

        thread->data.time_a = {1, 2};
        thread->data.current_b = {3};
        thread->enqueue(3, QStringLiteral("OFF"));
        thread->process();
        QVERIFY(!thread->data.acquiring);
        QVERIFY(thread->data.time_a.isEmpty());
        QVERIFY(thread->data.current_b.isEmpty());
        QCOMPARE(started.count(), 1);
    }

    void refusedStartIsReportedToo()
    {
        QSignalSpy started(thread.get(), &Dcct_thread::sentrel_start_acquire);
        replies["acq:ON"] = "NAK\r";
        thread->enqueue(3, QStringLiteral("ON"));
        thread->process();
        QCOMPARE(started.count(), 1);
        QVERIFY(!started.at(0).at(0).value<Dcct_data>().acquiring);
    }
};

class TickTest : public TableFixture
{
    Q_OBJECT

private slots:
    void init() { setUpLink(); }
    void cleanup() { tearDownLink(); }

    void pollingReportsEveryThirdTick()
    {
        replies["status:?"] = "20\r";
        QSignalSpy status(thread.get(), &Dcct_thread::status_updated);
        thread->polling = true;
        for (int i = 0; i < 9; ++i)
            thread->process();
        QCOMPARE(status.count(), 3);
        QCOMPARE(sent(), QByteArrayList({"status:?", "status:?", "status:?"}));
    }

    void queryLeadsToOneReport()
    {
        QSignalSpy status(thread.get(), &Dcct_thread::status_updated);
        thread->enqueue(5);
        thread->enqueue(7);
        thread->process();
        thread->process();
        QCOMPARE(status.count(), 0);
        thread->process();
        QCOMPARE(status.count(), 1);
        thread->process();
        QCOMPARE(status.count(), 1);
    }

    void setAloneLeadsToNoReport()
    {
        QSignalSpy status(thread.get(), &Dcct_thread::status_updated);
        thread->enqueue(6, QStringLiteral("10"));
        for (int i = 0; i < 3; ++i)
            thread->process();
        QCOMPARE(status.count(), 0);
    }

    // While streaming only acquisition and printing on/off are taken; any
    // other code at the head of the queue empties it.
    void streamingDropsOtherCodes()
    {
        thread->data.acquiring = true;
        thread->data.printing = true;
        thread->enqueue(80);
        thread->enqueue(3, QStringLiteral("OFF"));
        thread->process();
        QCOMPARE(thread->queue_length(), 0);
        QVERIFY(sent().isEmpty());
    }

    // One click stops the acquisition: the "ACK" is found among stream lines,
    // and the lines before it still reach the plot.
    void stopIsAcknowledgedAmongStreamLines()
    {
        Dcct_data& d = thread->data;
        d.acquiring = true;
        d.printing = true;
        d.freq = QStringLiteral("10");
        QSignalSpy blocks(thread.get(), &Dcct_thread::data_updated);
        box->sendNow("1 0 1\r2 0 2\r3 0 3\r");
        QTRY_VERIFY_WITH_TIMEOUT(socket->bytesAvailable() >= 18, 10000);
        thread->process();
        QCOMPARE(d.time_a.size(), 3);
        box->setResponder([](const QByteArray& c) -> QList<Piece> {
            if (c == "print:OFF")
                return {Piece(0, "4 0 4\r5 0 5\r"), Piece(30, "6 0 6\rACK\r")};
            return {};
        });
        thread->enqueue(16, QStringLiteral("OFF"));
        thread->process();
        QVERIFY(!d.printing);
        QCOMPARE(blocks.count(), 1);
        QCOMPARE(blocks.at(0).at(0).value<Dcct_data>().current_a, QVector<double>({1, 2, 3, 4, 5}));
        QCOMPARE(d.current, 6.0);
        QVERIFY(cmd->stream_buffer.isEmpty());
    }

    void startAcknowledgedAmongStreamLines()
    {
        Dcct_data& d = thread->data;
        d.acquiring = true;
        d.printing = true;
        box->setResponder([](const QByteArray&) -> QList<Piece> { return {Piece(0, "9 0 9\rACK\r")}; });
        thread->enqueue(3, QStringLiteral("ON"));
        thread->process();
        QVERIFY(d.acquiring);
        QCOMPARE(d.current, 9.0);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TableTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TickTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_table.moc"
