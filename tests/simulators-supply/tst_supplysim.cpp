#include "rawclient.h"
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <QTest>

namespace
{

QByteArray reply(const char* body)
{
    return QByteArray("#") + body + "\r\n";
}

// The simulator accepts a connection in its own time: a switch sent before it
// has taken the connection in would apply to it too.
bool acceptedConnections(SimulatorProcess& sim, int count)
{
    const QString expected = QStringLiteral("OK ") + QString::number(count);
    return QTest::qWaitFor([&] { return sim.control(QStringLiteral("connections")) && sim.lastReply() == expected; },
                           10000);
}

} // namespace

// Reply format and framing against one simulator with exact readings.
class ReplyFormatTest : public QObject
{
    Q_OBJECT
    SimulatorProcess sim{QStringLiteral("supply-sim")};
    RawClient client;

private slots:
    void initTestCase()
    {
        QVERIFY2(sim.start({QStringLiteral("--noise"), QStringLiteral("0")}), qPrintable(sim.output()));
        QVERIFY(client.connectTo(sim.port()));
        QVERIFY(acceptedConnections(sim, 1));
    }
    void cleanupTestCase() { sim.stop(); }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("query echo without :?") << QByteArray("MWI:?\r") << reply("MWI:0.0000");
        QTest::newRow("version") << QByteArray("VER\r") << reply("VER:KORA-PS 10-20:1.3.6");
        QTest::newRow("memory cell echo keeps cell") << QByteArray("MRG:130\r") << reply("MRG:130:AIN,TRIG");
        QTest::newRow("limits") << QByteArray("MLIMITS:?\r") << reply("MLIMITS:-20.0:20.0:-10.0:10.0");
        QTest::newRow("combined reading") << QByteArray("MPLST\r") << reply("MPLST:0.0000:0.0000:00000000");
        QTest::newRow("password query") << QByteArray("PASSWORD:?\r") << reply("PASSWORD:USER");
        QTest::newRow("lower-case word, echo as sent") << QByteArray("mrid\r") << reply("mrid:1042");
        QTest::newRow("set command") << QByteArray("MWV:1.5\r") << reply("AK");
        QTest::newRow("unknown command") << QByteArray("FOO\r") << reply("NAK:01");
        QTest::newRow("empty command") << QByteArray("\r") << reply("NAK:01");
        QTest::newRow("set-point out of limits") << QByteArray("MWI:99\r") << reply("NAK:10");
        QTest::newRow("set-point not a number") << QByteArray("MWI:nan\r") << reply("NAK:12");
        QTest::newRow("memory cell out of range") << QByteArray("MRG:200\r") << reply("NAK:03");
    }
    void replies()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, expected);
        QCOMPARE(client.exchange(command), expected);
    }

    void pollSetIsAnsweredWithEchoes()
    {
        const QList<QByteArray> polls{"VER",      "MRG:130",   "MRID",       "MPLST",        "MRT",
                                      "MGC",      "MLIMITS:?", "PMODE",      "PCONNECTIONS", "LOOP:?",
                                      "UPMODE:?", "TRGMODE",   "SETFLOAT:?", "POL"};
        for (const QByteArray& c : polls) {
            QByteArray echo = c;
            echo.replace(":?", "");
            const QByteArray r = client.exchange(c + '\r');
            QVERIFY2(r.startsWith('#' + echo + ':') && r.endsWith("\r\n"), r.constData());
            QCOMPARE(r.count("\r"), 1);
        }
    }

    void lineEnds_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("CR LF: the LF is dropped")
            << QList<QByteArray>{"MRID\r\nMRID\r\n"} << QByteArray(reply("MRID:1042") + reply("MRID:1042"));
        QTest::newRow("LF after CR in a later packet")
            << QList<QByteArray>{"MRID\r", "\nMRID\r"} << QByteArray(reply("MRID:1042") + reply("MRID:1042"));
        QTest::newRow("command split over packets")
            << QList<QByteArray>{"MR", "ID", "\r"} << reply("MRID:1042");
        QTest::newRow("LF without CR belongs to the command")
            << QList<QByteArray>{"MRID\nX\r"} << reply("NAK:01");
        QTest::newRow("second LF is a command byte")
            << QList<QByteArray>{"MRID\r\n\nMRID\r"} << QByteArray(reply("MRID:1042") + reply("NAK:01"));
    }
    void lineEnds()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QByteArray, expected);
        // Each piece is read by the simulator before the next is sent.
        QVERIFY(sim.control(QStringLiteral("received")));
        qint64 total = sim.lastReply().mid(3).toLongLong();
        for (const QByteArray& p : pieces) {
            client.send(p);
            total += p.size();
            const QString expectedReply = QStringLiteral("OK ") + QString::number(total);
            QVERIFY(QTest::qWaitFor(
                [&] { return sim.control(QStringLiteral("received")) && sim.lastReply() == expectedReply; }, 20000));
        }
        QCOMPARE(client.readReplies(expected.count("\r\n")), expected);
    }

    void commandLogEscapesControlBytes()
    {
        const int before = sim.commandLog().size();
        client.exchange(QByteArray("EPICS:DB:a\\b\nc") + '\0' + "d\r");
        QVERIFY(sim.waitForLogLines(before + 1));
        QCOMPARE(sim.commandLog().value(before), QStringLiteral("EPICS:DB:a\\\\b\\nc\\0d"));
        client.exchange("EPICS:DB:RESTORE\r");
    }

    void fileTextKeepsLineFeeds()
    {
        QCOMPARE(client.exchange("EPICS:PROTOCOLS:# one\ntwo #\n\r"), reply("AK"));
        QCOMPARE(client.exchange("EPICS:PROTOCOLS\r"), reply("EPICS:PROTOCOLS:# one\ntwo #\n"));
        QCOMPARE(client.exchange("EPICS:PROTOCOLS:RESTORE\r"), reply("AK"));
        QVERIFY(client.exchange("EPICS:PROTOCOLS\r").startsWith("#EPICS:PROTOCOLS:# KORA-PS"));
    }

    void connectionsShareOneState()
    {
        RawClient second;
        QVERIFY(second.connectTo(sim.port()));
        QCOMPARE(client.exchange("MWI:2.5\r"), reply("AK"));
        QCOMPARE(second.exchange("MWI:?\r"), reply("MWI:2.5000"));
        QVERIFY(sim.control(QStringLiteral("connections")));
        QCOMPARE(sim.lastReply(), QStringLiteral("OK 2"));
    }

    void privilegesBelongToEachConnection()
    {
        RawClient second;
        QVERIFY(second.connectTo(sim.port()));
        QCOMPARE(second.exchange("PASSWORD:superadmin\r"), reply("AK"));
        QCOMPARE(second.exchange("PASSWORD:?\r"), reply("PASSWORD:SUPERADMIN"));
        QCOMPARE(client.exchange("PASSWORD:?\r"), reply("PASSWORD:USER"));
        // The unit's level, when changed, reaches every connection.
        QVERIFY(sim.control(QStringLiteral("set privileges ADMIN")));
        QCOMPARE(second.exchange("PASSWORD:?\r"), reply("PASSWORD:ADMIN"));
        QVERIFY(sim.control(QStringLiteral("set privileges USER")));
    }

    void controlFieldsReachTheWire()
    {
        QVERIFY(sim.control(QStringLiteral("set current nan")));
        QCOMPARE(client.exchange("MRI\r"), reply("MRI:nan"));
        QVERIFY(sim.control(QStringLiteral("set status_text 1:2")));
        QCOMPARE(client.exchange("MPLST\r"), reply("MPLST:nan:0.0000:1:2"));
        QVERIFY(sim.control(QStringLiteral("set current auto")));
        QVERIFY(sim.control(QStringLiteral("set status_text auto")));
        QVERIFY(sim.control(QStringLiteral("set mem 93 Gate\\nA")));
        QCOMPARE(client.exchange("MRG:93\r"), reply("MRG:93:Gate\nA"));
        QVERIFY(sim.control(QStringLiteral("get mem 93")));
        QCOMPARE(sim.lastReply(), QStringLiteral("OK Gate\\nA"));
        QVERIFY(!sim.control(QStringLiteral("set nosuchfield 1")));
        QVERIFY(sim.lastReply().startsWith(QLatin1String("ERR")));
        QVERIFY(!sim.control(QStringLiteral("frobnicate")));
    }
};

// The unit's own refusals and state changes, each row on a fresh simulator.
class SupplyStateTest : public QObject
{
    Q_OBJECT
    SimulatorProcess* sim = nullptr;

private slots:
    void init()
    {
        sim = new SimulatorProcess(QStringLiteral("supply-sim"));
        QVERIFY(sim->start({QStringLiteral("--noise"), QStringLiteral("0")}));
    }
    void cleanup()
    {
        delete sim;
        sim = nullptr;
    }

    void sequences_data()
    {
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("output follows set-points")
            << QStringList{} << QList<QByteArray>{"MWI:2.5", "MWV:10", "MON", "MPLST", "MOFF", "MRI"}
            << QList<QByteArray>{"AK", "AK", "AK", "MPLST:2.5000:10.0000:00000001", "AK", "MRI:0.0000"};
        QTest::newRow("already on") << QStringList{} << QList<QByteArray>{"MON", "MON"}
                                    << QList<QByteArray>{"AK", "NAK:09"};
        QTest::newRow("fault blocks output, reset clears it")
            << QStringList{QStringLiteral("set fault_bits 00010000")}
            << QList<QByteArray>{"MST", "MON", "MRESET", "MON", "MST"}
            << QList<QByteArray>{"MST:00010002", "NAK:08", "AK", "AK", "MST:00000001"};
        QTest::newRow("local mode refuses changes")
            << QStringList{QStringLiteral("set local 1")} << QList<QByteArray>{"MON", "MWI:1", "MRI"}
            << QList<QByteArray>{"NAK:15", "NAK:15", "MRI:0.0000"};
        QTest::newRow("loop mode") << QStringList{}
                                   << QList<QByteArray>{"LOOP:V", "LOOP:V", "MON", "LOOP:I", "LOOP:?"}
                                   << QList<QByteArray>{"AK", "NAK:19", "AK", "NAK:21", "LOOP:V"};
        QTest::newRow("float mode") << QStringList{}
                                    << QList<QByteArray>{"SETFLOAT:N", "SETFLOAT:F", "SETFLOAT:?"}
                                    << QList<QByteArray>{"NAK:23", "AK", "SETFLOAT:F"};
        QTest::newRow("update mode writes its cell")
            << QStringList{} << QList<QByteArray>{"UPMODE:ANALOG", "MRG:113", "UPMODE:?", "UPMODE:BOGUS"}
            << QList<QByteArray>{"AK", "MRG:113:3", "UPMODE:ANALOG", "NAK:02"};
        QTest::newRow("features need capabilities")
            << QStringList{QStringLiteral("set caps NONE")}
            << QList<QByteArray>{"UPMODE:ANALOG", "TRGMODE:ON", "TRGMODE:OFF", "POL:INVERT"}
            << QList<QByteArray>{"NAK:25", "NAK:25", "AK", "NAK:25"};
        QTest::newRow("polarity follows the set-point sign")
            << QStringList{QStringLiteral("set family ORTX"), QStringLiteral("set caps POLARITY_INVERTER")}
            << QList<QByteArray>{"MWI:-5", "POL", "MWI:5", "POL"}
            << QList<QByteArray>{"AK", "POL:INVERT", "AK", "POL:DIRECT"};
        QTest::newRow("monopolar refuses negative set-points")
            << QStringList{QStringLiteral("set family KORA-PS-M")} << QList<QByteArray>{"MWV:-1", "VER"}
            << QList<QByteArray>{"NAK:10", "VER:KORA-PS-M 5-40:1.3.6"};
        QTest::newRow("password levels")
            << QStringList{}
            << QList<QByteArray>{"PASSWORD:nope", "PASSWORD:?", "PASSWORD:superadmin", "PASSWORD:?"}
            << QList<QByteArray>{"NAK:07", "PASSWORD:USER", "AK", "PASSWORD:SUPERADMIN"};
        QTest::newRow("memory write upper-cases and keeps colons")
            << QStringList{} << QList<QByteArray>{"MWG:3:aa:bb:cc", "MRG:3", "MWG:x:1", "MWG:5", "MRG"}
            << QList<QByteArray>{"AK", "MRG:3:AA:BB:CC", "NAK:02", "NAK:04", "NAK:04"};
        QTest::newRow("privileges enforced on request")
            << QStringList{QStringLiteral("set enforce_privileges on")}
            << QList<QByteArray>{"MWG:2:X", "MWG:30:X", "PASSWORD:superadmin", "MWG:2:X"}
            << QList<QByteArray>{"NAK:05", "AK", "AK", "AK"};
        QTest::newRow("waveform") << QStringList{}
                                  << QList<QByteArray>{"WAVEFORM:START",       "MON",
                                                       "WAVEFORM:START",       "WAVEFORM:POINTS:1:2:3",
                                                       "WAVEFORM:N_PERIODS:0", "WAVEFORM:START",
                                                       "WAVEFORM:POINTS:1",    "WAVEFORM:STOP",
                                                       "WAVEFORM:POINTS:1:x"}
                                  << QList<QByteArray>{"NAK:13", "AK",     "NAK:27", "AK",    "AK",
                                                       "AK",     "NAK:17", "AK",     "NAK:27"};
    }
    void sequences()
    {
        QFETCH(QStringList, controls);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(QList<QByteArray>, expected);
        for (const QString& c : controls)
            QVERIFY2(sim->control(c), qPrintable(sim->lastReply()));
        RawClient client;
        QVERIFY(client.connectTo(sim->port()));
        for (int i = 0; i < commands.size(); ++i)
            QCOMPARE(client.exchange(commands.at(i) + '\r'), reply(expected.at(i).constData()));
    }

    void readingsMoveWhileOn()
    {
        QVERIFY(sim->control(QStringLiteral("set noise 0.01")));
        RawClient client;
        QVERIFY(client.connectTo(sim->port()));
        client.exchange("MWI:1\r");
        client.exchange("MON\r");
        QSet<QByteArray> seen;
        for (int i = 0; i < 10; ++i)
            seen << client.exchange("MRI\r");
        QVERIFY(seen.size() > 1);
    }

    void rampMovesAtTheSlewRate()
    {
        RawClient client;
        QVERIFY(client.connectTo(sim->port()));
        QCOMPARE(client.exchange("MSRI:1\r"), reply("AK")); // 5 s to reach 5 A
        QCOMPARE(client.exchange("MON\r"), reply("AK"));
        QCOMPARE(client.exchange("MWIR:5\r"), reply("AK"));
        const double early = client.exchange("MRI\r").mid(5).trimmed().toDouble();
        QVERIFY2(early < 5.0, QByteArray::number(early).constData());
        QTRY_COMPARE_WITH_TIMEOUT(client.exchange("MRI\r"), reply("MRI:5.0000"), 30000);
    }
};

// Each fault switch, on a fresh simulator.
class FaultSwitchTest : public QObject
{
    Q_OBJECT
    SimulatorProcess* sim = nullptr;
    RawClient* client = nullptr;

    bool control(const QString& line) { return sim->control(line); }

private slots:
    void init()
    {
        sim = new SimulatorProcess(QStringLiteral("supply-sim"));
        QVERIFY(sim->start({QStringLiteral("--noise"), QStringLiteral("0")}));
        client = new RawClient;
        QVERIFY(client->connectTo(sim->port()));
        QVERIFY(acceptedConnections(*sim, 1));
    }
    void cleanup()
    {
        delete client;
        delete sim;
        client = nullptr;
        sim = nullptr;
    }

    void refuseByKey()
    {
        QVERIFY(control(QStringLiteral("refuse mwi 11")));
        QVERIFY(control(QStringLiteral("refuse MRG:130 3")));
        QCOMPARE(client->exchange("MWI:1\r"), reply("NAK:11"));
        QCOMPARE(client->exchange("MWI:?\r"), reply("NAK:11"));
        QCOMPARE(client->exchange("MWIR:1\r"), reply("AK"));
        QCOMPARE(client->exchange("MRG:130\r"), reply("NAK:03"));
        QCOMPARE(client->exchange("MRG:13\r"), reply("MRG:13:0.000000"));
        QVERIFY(control(QStringLiteral("refuse-clear")));
        QCOMPARE(client->exchange("MWI:1\r"), reply("AK"));
    }

    void fixedReplyAndIgnore()
    {
        QVERIFY(control(QStringLiteral("reply MPLST MPLST:1.0")));
        QVERIFY(control(QStringLiteral("ignore MRT")));
        QCOMPARE(client->exchange("MPLST\r"), reply("MPLST:1.0"));
        QCOMPARE(client->exchange("MRT\r", 300), QByteArray());
        QCOMPARE(client->exchange("MRID\r"), reply("MRID:1042"));
        QVERIFY(control(QStringLiteral("stale mrid AK")));
        client->send("MRID\rMRID\r");
        QCOMPARE(client->readReplies(3), QByteArray(reply("AK") + reply("MRID:1042") + reply("MRID:1042")));
    }

    void delayHoldsEveryReply()
    {
        QVERIFY(control(QStringLiteral("delay 3000")));
        client->send("MRID\rVER\r");
        QCOMPARE(client->readFor(150), QByteArray());
        QCOMPARE(client->readReplies(2), QByteArray(reply("MRID:1042") + reply("VER:KORA-PS 10-20:1.3.6")));
    }

    // A slow command takes its own time; the others answer at once, and the
    // replies stay in command order.
    void delayForOneCommand()
    {
        QVERIFY(control(QStringLiteral("delay MSAVE 3000")));
        QVERIFY(control(QStringLiteral("delay MWG:3 3000")));
        QCOMPARE(client->exchange("MWG:35:1\r"), reply("AK"));
        client->send("MWG:3:1\r");
        QCOMPARE(client->readFor(150), QByteArray());
        QCOMPARE(client->readReplies(1), reply("AK"));
        client->send("MSAVE\rMRID\r");
        QCOMPARE(client->readFor(150), QByteArray());
        QCOMPARE(client->readReplies(2), QByteArray(reply("AK") + reply("MRID:1042")));
        QVERIFY(control(QStringLiteral("delay-clear MSAVE")));
        QCOMPARE(client->exchange("MSAVE\r"), reply("AK"));
        QVERIFY(!control(QStringLiteral("delay MSAVE soon")));
    }

    void stallReadsButNeverAnswers()
    {
        QVERIFY(control(QStringLiteral("stall on")));
        QCOMPARE(client->exchange("MON\r", 300), QByteArray());
        QVERIFY(sim->waitForLogLines(1));
        QVERIFY(control(QStringLiteral("stall off")));
        QCOMPARE(client->exchange("MON\r"), reply("AK")); // the stalled MON was not executed
    }

    void chunksArriveSeparately()
    {
        // Pieces of 3 bytes, each sent a gap after the one before: no read
        // can hold piece n before n - 1 gaps have passed since the command.
        constexpr int gapMs = 500;
        QVERIFY(control(QStringLiteral("chunk 3 %1").arg(gapMs)));
        client->send("MRID\r");
        const QByteArray r = client->readReplies(1);
        QCOMPARE(r, reply("MRID:1042"));
        QVERIFY2(client->readCount() >= 2, QByteArray::number(client->readCount()).constData());
        for (const auto& a : client->arrivals()) {
            // A piece goes out in one write, so every read ends where one does.
            QVERIFY2(a.second % 3 == 0 || a.second == r.size(), qPrintable(QString::number(a.second)));
            const int pieces = (a.second + 2) / 3;
            QVERIFY2(a.first >= qint64(pieces - 1) * gapMs * 9 / 10,
                     qPrintable(QStringLiteral("%1 bytes after %2 ms").arg(a.second).arg(a.first)));
        }
        QCOMPARE(client->arrivals().last().second, r.size());
    }

    void garbageReplacesReplies()
    {
        QVERIFY(control(QStringLiteral("garbage on")));
        QCOMPARE(client->exchange("MON\r"), QByteArray("?!~GARBAGE~!?\r\n"));
        QVERIFY(control(QStringLiteral("garbage off")));
        QCOMPARE(client->exchange("MON\r"), reply("NAK:09"));
    }

    void nulInReplies_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("inside") << QStringLiteral("nul inside") << QByteArray("#A\0K\r\n", 6);
        QTest::newRow("after") << QStringLiteral("nul after") << QByteArray("#AK\r\n\0JUNK", 10);
        QTest::newRow("off") << QStringLiteral("nul off") << QByteArray("#AK\r\n");
    }
    void nulInReplies()
    {
        QFETCH(QString, mode);
        QFETCH(QByteArray, expected);
        QVERIFY(control(mode));
        client->send("MON\r");
        QCOMPARE(client->readBytes(expected.size()), expected);
        // Nothing more of it comes later: the next reply is the next thing in.
        QVERIFY(control(QStringLiteral("nul off")));
        QCOMPARE(client->exchange("MRID\r"), reply("MRID:1042"));
    }

    void dropAfterClosesTheConnection()
    {
        QVERIFY(control(QStringLiteral("drop-after 1")));
        QCOMPARE(client->exchange("MRID\r"), reply("MRID:1042"));
        client->send("VER\r");
        QVERIFY(client->waitForClosed());
        QVERIFY(sim->waitForLogLines(2));
        RawClient again;
        QVERIFY(again.connectTo(sim->port()));
        QCOMPARE(again.exchange("MRID\r"), reply("MRID:1042")); // one-shot
    }

    void refusedConnectionsAreClosed()
    {
        QVERIFY(control(QStringLiteral("refuse-connections on")));
        RawClient refused;
        refused.connectTo(sim->port());
        QVERIFY(refused.waitForClosed());
        QVERIFY(acceptedConnections(*sim, 1));
        QCOMPARE(client->exchange("MRID\r"), reply("MRID:1042")); // open ones stay
        QVERIFY(control(QStringLiteral("refuse-connections off")));
        RawClient accepted;
        QVERIFY(accepted.connectTo(sim->port()));
        QCOMPARE(accepted.exchange("MRID\r"), reply("MRID:1042"));
    }

    void closeAllDropsEveryConnection()
    {
        RawClient second;
        QVERIFY(second.connectTo(sim->port()));
        QVERIFY(acceptedConnections(*sim, 2));
        QVERIFY(control(QStringLiteral("close-all")));
        QVERIFY(client->waitForClosed());
        QVERIFY(second.waitForClosed());
        QVERIFY(acceptedConnections(*sim, 0));
    }

    void clearFaultsRestoresNormalReplies()
    {
        QVERIFY(control(QStringLiteral("garbage on")));
        QVERIFY(control(QStringLiteral("refuse MRID 1")));
        QVERIFY(control(QStringLiteral("clear-faults")));
        QCOMPARE(client->exchange("MRID\r"), reply("MRID:1042"));
    }
};

// Hostile input and the process's own life.
class RobustnessTest : public QObject
{
    Q_OBJECT

private slots:
    void overlongAndBinaryCommandsAreSurvived()
    {
        SimulatorProcess sim(QStringLiteral("supply-sim"));
        QVERIFY(sim.start({QStringLiteral("--max-command"), QStringLiteral("64")}));
        RawClient client;
        QVERIFY(client.connectTo(sim.port()));
        QCOMPARE(client.exchange(QByteArray(5000, 'A') + '\r'), reply("NAK:02"));
        // Control bytes (NUL and LF among them) and high bytes, within the cap.
        QByteArray binary;
        for (int i = 0; i < 32; ++i)
            if (i != '\r')
                binary += char(i);
        for (int i = 0xF0; i <= 0xFF; ++i)
            binary += char(i);
        QCOMPARE(client.exchange(binary + '\r'), reply("NAK:01"));
        QCOMPARE(client.exchange("MRID\r"), reply("MRID:1042"));
        QVERIFY(sim.waitForLogLines(3));
        QVERIFY(sim.commandLog().first().endsWith(QLatin1String("...(5000 bytes)")));
    }

    void endOfInputKeepsRunningAndTerminateExits()
    {
        QProcess p;
        p.start(SimulatorProcess::programPath(QStringLiteral("supply-sim")),
                {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(p.waitForStarted());
        p.closeWriteChannel();
        QVERIFY(p.waitForReadyRead(5000));
        const QByteArray line = p.readLine().trimmed();
        QVERIFY(line.startsWith("PORT "));
        QByteArray errors;
        QVERIFY(QTest::qWaitFor([&] { return (errors += p.readAllStandardError()).contains("end of input"); }, 20000));
        const quint16 port = quint16(line.mid(5).toUInt());
        RawClient client;
        QVERIFY(client.connectTo(port));
        QCOMPARE(client.exchange("MRID\r"), reply("MRID:1042"));
        // Loopback by default: no other address of this machine reaches the port.
        QCOMPARE(SimulatorProcess::acceptedBeyondLoopback(port).join(QLatin1Char(' ')), QString());
        p.terminate();
        QVERIFY(p.waitForFinished(3000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    void quitLineExits()
    {
        SimulatorProcess sim(QStringLiteral("supply-sim"));
        QVERIFY(sim.start());
        QVERIFY(sim.control(QStringLiteral("quit")));
        QTRY_VERIFY_WITH_TIMEOUT(!sim.isRunning(), 3000);
    }

    void badOptionIsReported_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::newRow("family") << "--family" << "XYZ";
        QTest::newRow("bind") << "--bind" << "no.such.address";
    }

    // The simulator refuses to start rather than run other than asked.
    void badOptionIsReported()
    {
        QFETCH(QString, option);
        QFETCH(QString, value);
        QProcess p;
        p.start(SimulatorProcess::programPath(QStringLiteral("supply-sim")),
                {QStringLiteral("--port"), QStringLiteral("0"), option, value});
        const bool finished = p.waitForFinished(20000);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(finished, out.constData());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(!out.contains("PORT"), out.constData());
        QVERIFY(p.readAllStandardError().contains(option.mid(2).toLatin1()));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    ReplyFormatTest replyFormat;
    SupplyStateTest supplyState;
    FaultSwitchTest faultSwitches;
    RobustnessTest robustness;
    failures += QTest::qExec(&replyFormat, argc, argv);
    failures += QTest::qExec(&supplyState, argc, argv);
    failures += QTest::qExec(&faultSwitches, argc, argv);
    failures += QTest::qExec(&robustness, argc, argv);
    return failures ? 1 : 0;
}

#include "tst_supplysim.moc"
