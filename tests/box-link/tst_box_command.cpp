// Command against a scripted box, over TCP and over a pseudo-terminal:
// framing, reply classes, replies cut or trickled across reads, draining of
// late replies, multi-line bodies across every segmentation, and replies
// picked out of a running stream.

#include "command.h"
#include "scriptedbox.h"
#include "serialopen.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using Piece = ScriptedBox::Piece;

class CommandLinkTest : public QObject
{
    Q_OBJECT

public:
    explicit CommandLinkTest(ScriptedBox::Transport t) : transport(t) {}

private:
    ScriptedBox::Transport transport;
    std::unique_ptr<ScriptedBox> box;
    std::unique_ptr<QTcpSocket> socket;
    std::unique_ptr<QSerialPort> serial;
    std::unique_ptr<Command> cmd;
    int timeout = 10000; // a ceiling only; tests of silence set their own

    void answer(std::function<QList<Piece>(const QByteArray&)> r) { box->setResponder(std::move(r)); }
    // The box sends `piece` every 10 ms, for far longer than any ceiling here.
    void keepSending(const QByteArray& piece)
    {
        QElapsedTimer since;
        since.start();
        box->setTicker(10, [since, piece] { return since.elapsed() < 30000 ? piece : QByteArray(); });
    }

    QIODevice* device() const
    {
        return socket ? static_cast<QIODevice*>(socket.get()) : static_cast<QIODevice*>(serial.get());
    }
    // Waits until the box's bytes have reached this side of the link.
    bool waitForInput(qint64 bytes)
    {
        return QTest::qWaitFor([&] { return device()->bytesAvailable() >= bytes; }, 10000);
    }

private slots:
    void init()
    {
        box = std::make_unique<ScriptedBox>(transport);
        QVERIFY(box->start());
        timeout = 10000;
        if (transport == ScriptedBox::Tcp) {
            socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QStringLiteral("127.0.0.1"), box->port());
            QVERIFY(socket->waitForConnected(20000));
            QVERIFY(box->waitForConnections(1));
            cmd = std::make_unique<Command>(socket.get(), nullptr, &timeout, true);
        } else {
            serial = std::make_unique<QSerialPort>();
            serial->setPortName(box->ptyPath());
            QVERIFY2(openSerial(*serial), qPrintable(serial->errorString()));
            cmd = std::make_unique<Command>(nullptr, serial.get(), &timeout, false);
        }
    }

    void cleanup()
    {
        cmd.reset();
        socket.reset();
        serial.reset();
        box.reset();
    }

    void frameIsTextAndCarriageReturn()
    {
        answer([](const QByteArray&) { return ScriptedBox::line("ACK"); });
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 1);
        QCOMPARE(cmd->send(QStringLiteral("sentrel:name:BOX 1")), 1);
        QCOMPARE(box->received(), QByteArray("freq:?\rsentrel:name:BOX 1\r"));
    }

    void replyClasses_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("reply");
        QTest::newRow("ACK") << QByteArray("ACK\r") << 1 << "ACK";
        QTest::newRow("NAK") << QByteArray("NAK\r") << 2 << "NAK";
        QTest::newRow("ACK CR LF") << QByteArray("ACK\r\n") << 1 << "ACK";
        QTest::newRow("value") << QByteArray("12.5\r") << 3 << "12.5";
        QTest::newRow("value blank before CR") << QByteArray("12.5 \r") << 3 << "12.5 ";
        QTest::newRow("name SNAKE") << QByteArray("SNAKE\r") << 3 << "SNAKE";
        QTest::newRow("name RACK-1") << QByteArray("RACK-1\r") << 3 << "RACK-1";
        QTest::newRow("value with NUL") << QByteArray("1A\0\r", 4) << 3 << "1A";
        QTest::newRow("value LF CR") << QByteArray("BOX 7\n\r") << 3 << "BOX 7";
        QTest::newRow("value CR LF") << QByteArray("BOX 7\r\n") << 3 << "BOX 7";
        QTest::newRow("ACK LF CR") << QByteArray("ACK\n\r") << 1 << "ACK";
        QTest::newRow("stale line and the answer") << QByteArray("42\r500\r") << 0 << "";
        QTest::newRow("two acknowledgements") << QByteArray("ACK\r\nACK\r\n") << 0 << "";
        QTest::newRow("answer and the start of a line") << QByteArray("500\r4") << 0 << "";
    }
    void replyClasses()
    {
        QFETCH(QByteArray, bytes);
        answer([bytes](const QByteArray&) { return QList<Piece>{Piece(0, bytes)}; });
        QTEST(cmd->send(QStringLiteral("x:?")), "result");
        QTEST(cmd->reply, "reply");
    }

    void valueInTwoChunks()
    {
        answer([](const QByteArray&) { return QList<Piece>{Piece(0, "12."), Piece(50, "5\r")}; });
        QCOMPARE(cmd->send(QStringLiteral("get")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("12.5"));
    }

    // A slow link delivers a few bytes at a time; reading goes on until the
    // end of the line or the deadline, not for a fixed number of reads.
    void tricklingReplyIsCollected()
    {
        timeout = 3000;
        cmd->timeout_ms = timeout;
        answer([](const QByteArray&) { return ScriptedBox::chunked("1A0021\r", 1, 60); });
        QCOMPARE(cmd->send(QStringLiteral("status:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("1A0021"));
    }

    void silentBoxGivesNoReply()
    {
        cmd->timeout_ms = 200;
        QElapsedTimer t;
        t.start();
        QCOMPARE(cmd->send(QStringLiteral("status:?")), 0);
        // Ends at its own time-out: not before it, and well before the
        // default 3 s or this link's 10 s it would take without it.
        QVERIFY2(t.elapsed() >= 180, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    }

    // A reply that never ends keeps the command no longer than its time-out.
    void endlessReplyStopsAtTheTimeout()
    {
        cmd->timeout_ms = 300;
        keepSending("7");
        QElapsedTimer t;
        t.start();
        QCOMPARE(cmd->send(QStringLiteral("status:?")), 0);
        QVERIFY(t.elapsed() < 15000);
    }

    // A reply that comes after its command gave up is never taken for the
    // next command's: that one goes out once the box is quiet (its stream
    // lines do not count), or not at all.
    void lateReplyIsNotTakenForTheNext_data()
    {
        QTest::addColumn<int>("waitMs");
        QTest::addColumn<int>("lateMs");        // -1: never answered
        QTest::addColumn<QByteArray>("ticker"); // what the box sends every 10 ms
        QTest::addColumn<int>("result");
        QTest::newRow("in before the next command") << 200 << 250 << QByteArray() << 3;
        QTest::newRow("late by the wait and 0.3 s") << 1000 << 1300 << QByteArray() << 3;
        QTest::newRow("late by the wait and 1 s") << 1500 << 2500 << QByteArray() << 3;
        QTest::newRow("late ACK while streaming") << 1000 << 1300 << QByteArray("7 0 1.5\r") << 2;
        QTest::newRow("never quiet") << 200 << -1 << QByteArray("noise\r") << 0;
    }
    void lateReplyIsNotTakenForTheNext()
    {
        QFETCH(int, lateMs);
        QFETCH(QByteArray, ticker);
        QFETCH(int, result);
        const bool streaming = ticker.startsWith('7'); // a stream line
        QFETCH(int, waitMs);
        cmd->timeout_ms = waitMs;
        answer([=](const QByteArray& c) {
            if (c == "first:?")
                return lateMs < 0 ? QList<Piece>() : ScriptedBox::line(streaming ? "ACK" : "LATE", lateMs);
            return ScriptedBox::line(streaming ? "NAK" : "SECOND");
        });
        const auto send = [&](const char* text) {
            const QString t = QString::fromLatin1(text);
            return streaming ? cmd->send_during_stream(t) : cmd->send(t);
        };
        if (streaming)
            keepSending(ticker);
        QElapsedTimer t;
        t.start();
        QCOMPARE(send("first:?"), 0);
        if (!streaming && !ticker.isEmpty())
            keepSending(ticker);
        QCOMPARE(send("second:?"), result);
        QCOMPARE(cmd->out_of_step, result == 0);
        if (result != 0) {
            QVERIFY2(t.elapsed() >= lateMs, qPrintable(QString::number(t.elapsed()))); // sent after it came
            QCOMPARE(cmd->reply, QString(streaming ? "NAK" : "SECOND"));
            return;
        }
        // Not sent: once the box is quiet, the next command is the second it gets.
        box->setTicker(0, {});
        QCOMPARE(send("third:?"), 3);
        QVERIFY(box->waitForCommands(2));
        QCOMPARE(box->commands(), QByteArrayList({"first:?", "third:?"}));
    }

    void lineBreakInArgumentIsRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("CR") << "sentrel:name:A\rSD:RM:LOG001.TXT";
        QTest::newRow("LF") << "sentrel:name:A\nB";
        QTest::newRow("NUL") << QString::fromLatin1("sentrel:name:A\0B", 16);
    }
    void lineBreakInArgumentIsRefused()
    {
        QFETCH(QString, text);
        answer([](const QByteArray&) { return ScriptedBox::line("ACK"); });
        QCOMPARE(cmd->send(text), 0);
        QVERIFY(!cmd->send_multiline(text));
        // The next command is the first thing the box gets.
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 1);
        QCOMPARE(box->received(), QByteArray("freq:?\r"));
    }

    void multilineAcrossEverySegmentation_data()
    {
        QTest::addColumn<int>("chunk");
        for (int c : {1, 2, 3, 4, 7, 16, 1000})
            QTest::newRow(qPrintable(QStringLiteral("chunks of %1").arg(c))) << c;
    }
    void multilineAcrossEverySegmentation()
    {
        QFETCH(int, chunk);
        const QByteArray body("LOG001.TXT\r\nBACKUP.TXT\r\nmy file.txt\r\n");
        answer([&](const QByteArray&) {
            return ScriptedBox::chunked(body + "ACK\r\n", chunk, chunk < 4 ? 1 : 5);
        });
        QVERIFY(cmd->send_multiline(QStringLiteral("SD:LS")));
        QCOMPARE(cmd->reply_body, body);
        QCOMPARE(cmd->reply_chunks, QByteArrayList({"LOG001.TXT\r\n", "BACKUP.TXT\r\n", "my file.txt\r\n"}));
    }

    // A file keeps its line breaks exactly; lines that hold "ACK" or "NAK"
    // are file content.
    void fileKeepsItsLineBreaks()
    {
        const QByteArray file("# BACKUP of run 3\r\nNAK\nt,I\r\n1,2.5\n\r\nPACK ACK\r\nend\r\n");
        answer([&](const QByteArray&) { return ScriptedBox::chunked(file + "ACK\r", 5, 2); });
        QVERIFY(cmd->send_multiline(QStringLiteral("SD:READ:RUN3.TXT")));
        QCOMPARE(cmd->reply_body, file);
        QCOMPARE(cmd->reply_chunks.join(), file);
    }

    // A box may close a body with an "ACK" that lacks its CR, or glue it to
    // the last line of a file that does not end with a line break; once the
    // box goes quiet after it, the body is complete.
    void multilineClosedByAnAckOutOfLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("ACK without CR") << QByteArray("a=1\r\nb=2\r\nACK") << QByteArray("a=1\r\nb=2\r\n");
        QTest::newRow("ACK glued to the last line")
            << QByteArray("a=1\r\nb=2ACK\r") << QByteArray("a=1\r\nb=2");
        QTest::newRow("glued, CR LF") << QByteArray("a=1\rb=2ACK\r\n") << QByteArray("a=1\rb=2");
        QTest::newRow("names ended by CR alone")
            << QByteArray("LOG1.TXT\rMY DATA.TXT\rACK\r") << QByteArray("LOG1.TXT\rMY DATA.TXT\r");
    }
    void multilineClosedByAnAckOutOfLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, body);
        // The box's silence for this long after the "ACK" ends the body.
        cmd->timeout_ms = 1000;
        // The closing "ACK" comes in two reads: the box sends its "K" only
        // once everything before it has been read on this side.
        const int cut = bytes.lastIndexOf("ACK") + 2;
        const QByteArray first = bytes.left(cut);
        const QByteArray second = bytes.mid(cut);
        answer([first](const QByteArray&) { return QList<Piece>{Piece(0, first)}; });
        qint64 arrived = 0; // the reader takes all there is after each readyRead
        bool secondSent = false;
        const QMetaObject::Connection hook = connect(device(), &QIODevice::readyRead, this, [&] {
            arrived += device()->bytesAvailable();
            if (!secondSent && arrived >= first.size()) {
                secondSent = true;
                box->sendNow(second);
            }
        });
        const bool ok = cmd->send_multiline(QStringLiteral("SD:READ:A.TXT"));
        disconnect(hook);
        QVERIFY(secondSent);
        QVERIFY(ok);
        QCOMPARE(cmd->reply_body, body);
        QCOMPARE(cmd->reply_chunks.join(), body);
        // Nothing of it is left to be taken for the next reply.
        answer([](const QByteArray&) { return ScriptedBox::line("7"); });
        QCOMPARE(cmd->send(QStringLiteral("freq:?")), 3);
        QCOMPARE(cmd->reply, QStringLiteral("7"));
    }

    void multilineCutShortStillFails_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("mid line") << QByteArray("a=1\r\nb=");
        QTest::newRow("after a line") << QByteArray("a=1\r\n");
        QTest::newRow("ACK inside the last line") << QByteArray("a=1\r\nACK=2\r\n");
    }
    void multilineCutShortStillFails()
    {
        QFETCH(QByteArray, bytes);
        cmd->timeout_ms = 300;
        answer([bytes](const QByteArray&) { return QList<Piece>{Piece(0, bytes)}; });
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:A.TXT")));
    }

    void multilineNakFailsAtOnce()
    {
        answer([](const QByteArray&) { return ScriptedBox::line("NAK"); });
        cmd->timeout_ms = 30000;
        QElapsedTimer t;
        t.start();
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:NONE.TXT")));
        QVERIFY(t.elapsed() < 15000); // not after the time-out
    }

    void multilineStopsAtSilence()
    {
        cmd->timeout_ms = 200;
        answer([](const QByteArray&) { return QList<Piece>{Piece(0, "part of a file\r\n")}; });
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:X")));
    }

    void multilineDeadline()
    {
        cmd->multiline_deadline_ms = 300;
        answer([](const QByteArray&) {
            QList<Piece> p;
            for (int i = 0; i < 600; ++i) // 30 s of lines
                p << Piece(50, "line\r\n");
            return p;
        });
        QElapsedTimer t;
        t.start();
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:ENDLESS")));
        QVERIFY(t.elapsed() < 15000);
    }

    // Only a quiet time of timeout_ms closes a body on an "ACK" that ends the
    // text; the overall deadline cutting the wait short is none.
    void deadlineIsNoQuietTimeAfterATrailingAck()
    {
        cmd->multiline_deadline_ms = 300;
        answer([](const QByteArray&) { return QList<Piece>{Piece(0, "a=1\r\nACK")}; });
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:A.TXT")));
    }

    void multilineByteCap()
    {
        cmd->multiline_max_bytes = 1000;
        answer([](const QByteArray&) { return QList<Piece>{Piece(0, QByteArray(5000, 'x') + "\r\nACK\r")}; });
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:BIG")));
    }

    void multilineBodyOfExactlyTheCapIsTaken()
    {
        cmd->multiline_max_bytes = 1000;
        const QByteArray body = QByteArray(998, 'x') + "\r\n";
        answer([&](const QByteArray&) { return QList<Piece>{Piece(0, body), Piece(50, "ACK\r")}; });
        QVERIFY(cmd->send_multiline(QStringLiteral("SD:READ:FULL")));
        QCOMPARE(cmd->reply_body, body);
    }

    // A box that goes on sending past the cap is not listened to until it stops.
    void multilineByteCapEndsTheRead()
    {
        cmd->multiline_max_bytes = 1000;
        keepSending(QByteArray(100, 'x') + "\r\n");
        QElapsedTimer t;
        t.start();
        QVERIFY(!cmd->send_multiline(QStringLiteral("SD:READ:ENDLESS")));
        QVERIFY(t.elapsed() < 15000);
    }

    // A stop asked of the reading thread (a disconnect during an SD listing)
    // ends a body that would go on for long.
    void stopRequestEndsAMultilineRead()
    {
        keepSending("LOG001.TXT\r\n");
        QIODevice* dev = device();
        QThread* home = thread();
        bool ok = true;
        std::unique_ptr<QThread> reader(QThread::create([&] {
            ok = cmd->send_multiline(QStringLiteral("SD:LS"));
            dev->moveToThread(home);
        }));
        dev->moveToThread(reader.get());
        reader->start();
        QVERIFY(box->waitForCommands(1));
        reader->requestInterruption();
        const bool ended = reader->wait(15000);
        reader->wait();
        QVERIFY(ended);
        QVERIFY(!ok);
    }

    // While the box streams, "ACK" is picked out from among data lines;
    // the data lines (including one cut across the command) are kept.
    void replyPickedFromStream()
    {
        box->sendNow("1 0 1\r2 0 ");
        QVERIFY(waitForInput(10));
        QVERIFY(cmd->read_stream());
        QCOMPARE(cmd->stream_counter, QVector<double>({1}));
        answer([](const QByteArray& c) {
            if (c == "acq:OFF")
                return QList<Piece>{Piece(0, "2\r3 0 3\r"), Piece(20, "ACK\r4 0 4\r")};
            return QList<Piece>();
        });
        QCOMPARE(cmd->send_during_stream(QStringLiteral("acq:OFF")), 1);
        cmd->read_stream(); // the line that came with the ACK
        QCOMPARE(cmd->stream_counter, QVector<double>({1, 2, 3, 4}));
        QCOMPARE(cmd->stream_lines_dropped, qint64(0));
    }

    void nakPickedFromStream()
    {
        answer([](const QByteArray&) { return QList<Piece>{Piece(0, "5 0 5\rNAK\r")}; });
        QCOMPARE(cmd->send_during_stream(QStringLiteral("print:OFF")), 2);
        QCOMPARE(cmd->stream_counter, QVector<double>({5}));
    }

    // The first stream lines may come in the same write as the answer that
    // starts them: they are samples for the next read, not part of the reply.
    void linesAfterTheReplyAreKeptForTheStream()
    {
        answer([](const QByteArray&) { return QList<Piece>{Piece(0, "ACK\r1 0 1.5\r2 0 ")}; });
        QCOMPARE(cmd->send_starting_stream(QStringLiteral("print:ON")), 1);
        QCOMPARE(cmd->stream_counter, QVector<double>({1}));
        QVERIFY(!cmd->out_of_step);
    }

    void streamTailIsKeptBetweenReads()
    {
        box->sendNow("1 0 1.5\r2 0 2.");
        QVERIFY(waitForInput(14));
        QVERIFY(cmd->read_stream());
        box->sendNow("5\r");
        QVERIFY(waitForInput(2));
        QVERIFY(cmd->read_stream());
        QCOMPARE(cmd->stream_current, QVector<double>({1.5, 2.5}));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        CommandLinkTest t(ScriptedBox::Tcp);
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        CommandLinkTest t(ScriptedBox::Pty);
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_command.moc"
