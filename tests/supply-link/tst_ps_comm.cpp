// PS_Comm against a scripted peer: bytes on the wire, reply classification,
// framing and time-outs.

#include "commlink.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <sys/ioctl.h>

Q_DECLARE_METATYPE(PeerReply)

namespace
{
// Waits, without handling events (so Qt reads nothing), until the kernel holds
// at least `bytes` unread bytes for the socket.
bool waitInKernel(QTcpSocket& socket, int bytes)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        int held = 0;
        if (::ioctl(int(socket.socketDescriptor()), FIONREAD, &held) == 0 && held >= bytes)
            return true;
        QThread::msleep(5);
    }
    return false;
}
} // namespace

// What goes out on the wire for each kind of command.
class PsCommFraming : public QObject
{
    Q_OBJECT

private slots:
    void wireBytes_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("bytes");
        QString v;
        QTest::newRow("set") << Call([](PS_Comm& c) { return c.outputOn(); }) << QByteArray("MON\r");
        QTest::newRow("query") << Call([](PS_Comm& c) {
            QString v;
            return c.readCurrentSetpoint(v);
        }) << QByteArray("MWI:?\r");
        QTest::newRow("setpoint") << Call([](PS_Comm& c) { return c.writeCurrent("1.5000000000"); })
                                  << QByteArray("MWI:1.5000000000\r");
        QTest::newRow("trigger on") << Call([](PS_Comm& c) { return c.writeTriggerMode(7); })
                                    << QByteArray("TRGMODE:ON\r");
        QTest::newRow("trigger off") << Call([](PS_Comm& c) { return c.writeTriggerMode(0); })
                                     << QByteArray("TRGMODE:OFF\r");
        QTest::newRow("float N") << Call([](PS_Comm& c) { return c.writeFloatMode("N"); })
                                 << QByteArray("SETFLOAT:N\r");
        QTest::newRow("float n") << Call([](PS_Comm& c) { return c.writeFloatMode("n"); })
                                 << QByteArray("SETFLOAT:F\r");
        QTest::newRow("polarity 0") << Call([](PS_Comm& c) { return c.writePolarity("0"); })
                                    << QByteArray("POL:DIRECT\r");
        QTest::newRow("polarity x") << Call([](PS_Comm& c) { return c.writePolarity("00"); })
                                    << QByteArray("POL:INVERT\r");
        QTest::newRow("memory write")
            << Call([](PS_Comm& c) { return c.writeMemory("35", "abc"); }) << QByteArray("MWG:35:abc\r");
        QTest::newRow("memory read") << Call([](PS_Comm& c) {
            QString v;
            return c.readMemory("130", v);
        }) << QByteArray("MRG:130\r");
        QTest::newRow("latin-1") << Call([](PS_Comm& c) {
            return c.writePassword(QStringLiteral("p\u00e9"));
        }) << QByteArray("PASSWORD:p\xe9\r");
        QTest::newRow("line feeds stay")
            << Call([](PS_Comm& c) { return c.writeEpicsDb("a\nb\n"); }) << QByteArray("EPICS:DB:a\nb\n\r");
        QTest::newRow("CR and NUL removed")
            << Call([](PS_Comm& c) { return c.writeEpicsProtocols(QString::fromLatin1("a\rb\0c", 5)); })
            << QByteArray("EPICS:PROTOCOLS:abc\r");
        QTest::newRow("waveform points") << Call([](PS_Comm& c) { return c.writeWaveformPoints("1,2,3"); })
                                         << QByteArray("WAVEFORM:POINTS:1,2,3\r");
    }
    void wireBytes()
    {
        QFETCH(Call, call);
        QFETCH(QByteArray, bytes);
        CommLink link(100);
        QVERIFY(link.connected);
        call(link.comm);
        QVERIFY(link.peer.waitForCommands(1));
        QCOMPARE(link.peer.received(), bytes);
    }

    // A CR inside an argument would make the supply see two commands.
    void embeddedCarriageReturnSendsOneCommand()
    {
        CommLink link(100);
        QCOMPARE(link.comm.writeEpicsDb("x\rMON"), 0);
        QVERIFY(link.peer.waitForCommands(1));
        QCOMPARE(link.peer.commands(), QStringList{"EPICS:DB:xMON"});
    }
};

// writeCommand: what each reply means.
class PsCommSetReplies : public QObject
{
    Q_OBJECT

private slots:
    void classification_data()
    {
        QTest::addColumn<PeerReply>("reply");
        QTest::addColumn<int>("result");
        QTest::newRow("AK framed") << PeerReply::text("#AK\r\n") << 0;
        QTest::newRow("AK bare") << PeerReply::text("AK\r") << 0;
        QTest::newRow("AK without CR") << PeerReply::text("#AK") << 0;
        QTest::newRow("ak lower case") << PeerReply::text("#ak\r\n") << -1;
        QTest::newRow("NAK code") << PeerReply::text("#NAK:07\r\n") << 7;
        QTest::newRow("NAK two digits") << PeerReply::text("#NAK:13\r\n") << 13;
        QTest::newRow("NAK no code") << PeerReply::text("#NAK\r\n") << -1;
        QTest::newRow("NAK text code") << PeerReply::text("#NAK:xy\r\n") << -1;
        QTest::newRow("NAK zero") << PeerReply::text("#NAK:0\r\n") << -1;
        QTest::newRow("garbage") << PeerReply::text("#!?%\r\n") << -1;
        QTest::newRow("empty line") << PeerReply::text("\r\n") << -1;
        QTest::newRow("silence") << PeerReply::silence() << -1;
        QTest::newRow("chunks") << PeerReply::split({"#", "A", "K\r", "\n"}, 5) << 0;
        QTest::newRow("NUL cuts chunk") << PeerReply::split({"#AK\0junk\r\n", "\r\n"}, 5) << 0;
        QTest::newRow("text after CR ignored") << PeerReply::text("#AK\r\n#NAK:3\r\n") << 0;
        QTest::newRow("hash inside is no framing") << PeerReply::text("A#K\r\n") << -1;
    }
    void classification()
    {
        QFETCH(PeerReply, reply);
        QFETCH(int, result);
        CommLink link(50);
        link.peer.setReply("MON", reply);
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QCOMPARE(link.comm.outputOn(), result);
        if (result == 0) {
            QCOMPARE(errors.count(), 0);
        } else {
            QCOMPARE(errors.count(), 1);
            QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("MON\r"));
            QCOMPARE(errors.at(0).at(1).toInt(), result);
        }
    }

    void passwordIsMaskedInReports_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("word") << "secret";
        QTest::newRow("empty") << "";
        QTest::newRow("question mark inside") << "?x";
    }
    void passwordIsMaskedInReports()
    {
        QFETCH(QString, password);
        CommLink link(100);
        link.peer.setReply("PASSWORD:" + password, PeerReply::text("#NAK:07\r\n"));
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QCOMPARE(link.comm.writePassword(password), 7);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("PASSWORD:***\r"));
    }

    void passwordQueryIsReportedAsIs()
    {
        CommLink link(100);
        link.peer.setReply("PASSWORD:?", PeerReply::text("#NAK:05\r\n"));
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QString value;
        QCOMPARE(link.comm.readPrivileges(value), 5);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("PASSWORD:?"));
    }
};

// readCommand: echo rule, values and failures.
class PsCommQueryReplies : public QObject
{
    Q_OBJECT

private slots:
    void classification_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<PeerReply>("reply");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reported");
        QTest::newRow("value") << "MRI" << PeerReply::text("#MRI:1.25\r\n") << 0 << "1.25"
                               << "";
        QTest::newRow("echo drops :?") << "MWI:?" << PeerReply::text("#MWI:2.5\r\n") << 0 << "2.5"
                                       << "";
        QTest::newRow("password query")
            << "PASSWORD:?" << PeerReply::text("#PASSWORD:ADMIN\r\n") << 0 << "ADMIN"
            << "";
        QTest::newRow("any separator") << "MRT" << PeerReply::text("#MRT=31\r\n") << 0 << "31"
                                       << "";
        QTest::newRow("empty value") << "MRID" << PeerReply::text("#MRID:\r\n") << 0 << ""
                                     << "";
        QTest::newRow("memory cell echo") << "MRG:5" << PeerReply::text("#MRG:5:abc\r\n") << 0 << "abc"
                                          << "";
        QTest::newRow("hash in value kept") << "MRG:30" << PeerReply::text("\n#MRG:30:RACK #4\r\n") << 0
                                            << "RACK #4" << "";
        QTest::newRow("chunks joined") << "MRV" << PeerReply::split({"#MR", "V:4", ".0\r\n"}, 5) << 0 << "4.0"
                                       << "";
        QTest::newRow("NUL cut") << "MRV" << PeerReply::split({"#MRV:1.5\0junk", "\r\n"}, 5) << 0 << "1.5"
                                 << "";
        QTest::newRow("refused") << "MRI" << PeerReply::text("#NAK:12\r\n") << 12 << "old"
                                 << "MRI";
        QTest::newRow("refused without code") << "MRI" << PeerReply::text("#NAK:\r\n") << -1 << "old"
                                              << "MRI";
        QTest::newRow("other echo") << "MRI" << PeerReply::text("#MRV:1\r\n") << -1 << "old"
                                    << "MRI";
        QTest::newRow("hash only") << "MRI" << PeerReply::text("#\r\n") << -1 << "old"
                                   << "MRI";
        QTest::newRow("silence keeps CR") << "MRI" << PeerReply::silence() << -2 << "old"
                                          << "MRI\r";
        QTest::newRow("only NUL is silence")
            << "MRI" << PeerReply::text(QByteArray("\0\r\n", 3)) << -2 << "old"
            << "MRI\r";
    }
    void classification()
    {
        QFETCH(QString, command);
        QFETCH(PeerReply, reply);
        QFETCH(int, result);
        QFETCH(QString, value);
        QFETCH(QString, reported);
        CommLink link(50);
        link.peer.setReply(command, reply);
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QString out = QStringLiteral("old");
        QCOMPARE(link.comm.readCommand(command, out), result);
        QCOMPARE(out, value);
        if (result == 0) {
            QCOMPARE(errors.count(), 0);
        } else {
            QCOMPARE(errors.count(), 1);
            QCOMPARE(errors.at(0).at(0).toString(), reported);
            QCOMPARE(errors.at(0).at(1).toInt(), result);
        }
    }

    // File texts keep their line structure and comments.
    void fileTextKeepsLinesAndHashes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("value");
        QTest::newRow("lines and comments")
            << QByteArray("#EPICS:DB:# comment\nrecord(ai,\"x\")\n\r\n") << "# comment\nrecord(ai,\"x\")\n";
        QTest::newRow("single line") << QByteArray("#EPICS:DB:abc\r\n") << "abc";
        QTest::newRow("no hash") << QByteArray("EPICS:DB:a#b\r\n") << "a#b";
    }
    void fileTextKeepsLinesAndHashes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, value);
        CommLink link(100);
        link.peer.setReply("EPICS:DB", PeerReply::text(reply));
        QString out;
        QCOMPARE(link.comm.readEpicsDb(out), 0);
        QCOMPARE(out, value);
    }

    // The line feed ending the previous reply arrives late, just ahead of this one.
    void fileTextAfterLateLineFeed()
    {
        CommLink link(100);
        link.peer.setReply("MON", PeerReply::split({"#AK\r", "\n"}, 40));
        link.peer.setReply("EPICS:DB", PeerReply::text("#EPICS:DB:a\nb\r\n", 80));
        QCOMPARE(link.comm.outputOn(), 0);
        QString out;
        QCOMPARE(link.comm.readEpicsDb(out), 0);
        QCOMPARE(out, QStringLiteral("a\nb"));
    }

    void protocolsFileTextKept()
    {
        CommLink link(100);
        link.peer.setReply("EPICS:PROTOCOLS", PeerReply::text("#EPICS:PROTOCOLS:a\n#b\n\r\n"));
        QString out;
        QCOMPARE(link.comm.readEpicsProtocols(out), 0);
        QCOMPARE(out, QStringLiteral("a\n#b\n"));
    }

    void pvNameIsPlain()
    {
        CommLink link(100);
        link.peer.setReply("EPICS:PV_NAME", PeerReply::text("#EPICS:PV_NAME:PS#1\r\n"));
        QString out;
        QCOMPARE(link.comm.readEpicsPvName(out), 0);
        QCOMPARE(out, QStringLiteral("PS#1"));
    }
};

// Time-outs, deadlines and what is left in the socket.
class PsCommTiming : public QObject
{
    Q_OBJECT

private slots:
    void timeoutPerCommand_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("timeout");
        QTest::newRow("MON default") << Call([](PS_Comm& c) { return c.outputOn(); }) << 100;
        QTest::newRow("MOFF slow") << Call([](PS_Comm& c) { return c.outputOff(); }) << 10000;
        QTest::newRow("MRESET slow") << Call([](PS_Comm& c) { return c.reset(); }) << 10000;
        QTest::newRow("MSAVE slow") << Call([](PS_Comm& c) { return c.save(); }) << 10000;
        QTest::newRow("MREBOOT default") << Call([](PS_Comm& c) { return c.reboot(); }) << 100;
        QTest::newRow("cell 3 slow") << Call([](PS_Comm& c) { return c.writeMemory("3", "1"); }) << 10000;
        QTest::newRow("cell 5 slow") << Call([](PS_Comm& c) { return c.writeMemory("5", "1"); }) << 10000;
        QTest::newRow("cell 35 default") << Call([](PS_Comm& c) { return c.writeMemory("35", "1"); }) << 100;
        QTest::newRow("cell 113 default")
            << Call([](PS_Comm& c) { return c.writeMemory("113", "0"); }) << 100;
        // Exactly cells 3, 4 and 5: not a text that merely occurs in "3,4,5".
        QTest::newRow("empty cell default") << Call([](PS_Comm& c) { return c.writeMemory("", "1"); }) << 100;
        QTest::newRow("cell 4,5 default") << Call([](PS_Comm& c) { return c.writeMemory("4,5", "1"); }) << 100;
        QTest::newRow("query default") << Call([](PS_Comm& c) {
            QString v;
            return c.readVersion(v);
        }) << 100;
        QTest::newRow("explicit") << Call([](PS_Comm& c) { return c.writeCommand("X", 70); }) << 70;
    }
    void timeoutPerCommand()
    {
        QFETCH(Call, call);
        QFETCH(int, timeout);
        CommLink link(100);
        call(link.comm);
        QCOMPARE(link.comm.lastTimeout(), timeout);
    }

    // The four waits are one deadline: a reply trickling in as many chunks is read whole.
    void manySmallChunksWithinDeadline()
    {
        CommLink link(100);
        link.peer.setReply("MRI", PeerReply::split({"#", "M", "R", "I", ":", "1", ".", "5", "\r\n"}, 20));
        QString value;
        QCOMPARE(link.comm.readCurrent(value), 0);
        QCOMPARE(value, QStringLiteral("1.5"));
    }

    void replyWithoutCrEndsAtDeadline()
    {
        CommLink link(50);
        link.peer.setReply("MRI", PeerReply::text("#MRI:7"));
        QElapsedTimer clock;
        clock.start();
        QString value;
        QCOMPARE(link.comm.readCurrent(value), 0);
        QCOMPARE(value, QStringLiteral("7")); // taken when the deadline came
        QVERIFY(clock.elapsed() < 10000);
    }

    // A reply that comes after the deadline is never taken for the next command's.
    void lateReplyIsDrained()
    {
        CommLink link(25);
        link.peer.setReply("MRI", PeerReply::text("#MRI:9\r\n", 200));
        link.peer.setReply("MRV", PeerReply::text("#MRV:1\r\n", 50));
        QString value;
        QCOMPARE(link.comm.readCurrent(value), -2);
        QVERIFY(waitInKernel(link.socket, 8)); // the late reply, unseen by Qt
        QCOMPARE(link.comm.readVoltage(value), 0);
        QCOMPARE(value, QStringLiteral("1"));
    }

    void oversizedReplyIsCut()
    {
        CommLink link(200);
        link.peer.setReply("MRI", PeerReply::text(QByteArray(3 * 1024 * 1024, 'x')));
        QString value = QStringLiteral("old");
        QCOMPARE(link.comm.readCurrent(value), -1);
        QCOMPARE(value, QStringLiteral("old"));
        // What is left of it has no CR: the status query's answer ends that
        // line and is no answer, the next query's is. When the cut reply was
        // read whole, nothing is left and the status query answers at once.
        QTRY_VERIFY_WITH_TIMEOUT(link.peer.allSent(), 20000);
        const int first = link.comm.readVoltage(value);
        QVERIFY2(first == -2 || first == 0, qPrintable(QString::number(first)));
        QCOMPARE(link.comm.readVoltage(value), 0);
    }

    // A reply that outgrows the cap before its CR is incomplete: it is never
    // taken as an answer (a cut file text would be saved back cut).
    void overlongReplyIsNotAnAnswer_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("fileText");
        QTest::newRow("file text") << "EPICS:DB"
                                   << QByteArray("#EPICS:DB:") +
                                          QByteArray("rec(ai, \"x\")\n").repeated(100000) + "\r\n"
                                   << true;
        QTest::newRow("value") << "MRI" << QByteArray("#MRI:") + QByteArray(2 * 1024 * 1024, '1') + "\r\n"
                               << false;
    }
    void overlongReplyIsNotAnAnswer()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, reply);
        QFETCH(bool, fileText);
        QVERIFY(reply.size() > PS_Comm::max_reply_size);
        CommLink link(300);
        link.peer.setReply(command, PeerReply::text(reply));
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QString value = QStringLiteral("old");
        const int result =
            fileText ? link.comm.readTextCommand(command, value) : link.comm.readCommand(command, value);
        QCOMPARE(result, -1);
        QCOMPARE(value, QStringLiteral("old"));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), command);
        QCOMPARE(errors.at(0).at(1).toInt(), -1);
        // The rest of it is drained; the next exchange reads its own reply.
        QTRY_VERIFY_WITH_TIMEOUT(link.peer.allSent(), 20000);
        QCOMPARE(link.comm.readVoltage(value), 0);
    }

    void abortEndsStalledExchange()
    {
        CommLink link(2000);
        link.peer.setReply("MRI", PeerReply::silence());
        QElapsedTimer clock;
        clock.start();
        link.comm.setAbortCheck([&clock] { return clock.elapsed() > 100; });
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QString value;
        QCOMPARE(link.comm.readCurrent(value), -2);
        // Far below the 8 s the exchange would wait.
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        // Once stopped, nothing more is sent; a stop asked for is no supply
        // error, so nothing is reported, not even the exchange it cut.
        QCOMPARE(link.comm.outputOn(), -1);
        QCOMPARE(link.comm.readVoltage(value), -2);
        // A command written after them arrives after anything they sent.
        link.socket.write("VER\r");
        QVERIFY(link.socket.waitForBytesWritten(20000));
        QVERIFY(link.peer.waitForCommands(2));
        QCOMPARE(link.peer.commands(), (QStringList{"MRI", "VER"}));
        QCOMPARE(errors.count(), 0);
    }

    // A slow write (MOFF, MSAVE) stopped while it waits for its reply, as at a
    // disconnect, is no supply error either.
    void abortDuringWriteIsNoSupplyError()
    {
        CommLink link(2000);
        link.peer.setReply("MOFF", PeerReply::silence());
        link.comm.setAbortCheck([&link] { return link.peer.commands().contains(QStringLiteral("MOFF")); });
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QCOMPARE(link.comm.outputOff(), -1);
        QCOMPARE(errors.count(), 0);
    }

    void silenceLeavesLinkOpen()
    {
        CommLink link(30);
        link.peer.setReply("MRI", PeerReply::silence());
        QString value;
        QCOMPARE(link.comm.readCurrent(value), -2);
        QCOMPARE(link.socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(link.comm.outputOn(), 0);
    }

    void closedSocketFailsAtOnce()
    {
        CommLink link(5000);
        link.socket.abort();
        QElapsedTimer clock;
        clock.start();
        QString value;
        QCOMPARE(link.comm.readCurrent(value), -2);
        QCOMPARE(link.comm.outputOn(), -1);
        QVERIFY(clock.elapsed() < 10000); // never the 20 s of a wait
    }

    void negativeTimeoutDoesNotBlock()
    {
        CommLink link(-1);
        link.peer.setReply("MON", PeerReply::silence());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(link.comm.outputOn(), -1);
        QVERIFY(clock.elapsed() < 10000);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        PsCommFraming t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PsCommSetReplies t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PsCommQueryReplies t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PsCommTiming t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_ps_comm.moc"
