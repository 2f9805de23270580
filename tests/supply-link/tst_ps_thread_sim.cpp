// ps_thread against the supply simulator: the poll set, posted tasks and
// set-points as the supply sees them, and the link under stalls and drops.

#include "ps_comm.h"
#include "ps_thread.h"
#include "simulatorprocess.h"
#include "workerfixture.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QTest>

namespace
{

const QStringList pollCommands{"VER",      "MRG:130",   "MRID",      "MPLST",        "MRT",
                               "MGC",      "MLIMITS:?", "PMODE",     "PCONNECTIONS", "LOOP:?",
                               "UPMODE:?", "TRGMODE",   "SETFLOAT:?"};

struct SimWorker {
    SimWorker() : sim(QStringLiteral("supply-sim")), thread(10), recorder(&thread) {}
    ~SimWorker()
    {
        thread.stop();
        sim.stop();
    }
    bool start(const QStringList& simArgs, int waitTime = 200)
    {
        if (!sim.start(simArgs))
            return false;
        configureWorker(thread, sim.port(), waitTime);
        return startWorker();
    }
    bool startWorker()
    {
        thread.start();
        return recorder.waitForState(QAbstractSocket::ConnectedState);
    }

    SimulatorProcess sim;
    ps_thread thread;
    WorkerRecorder recorder;
};

} // namespace

class PsThreadWithSimulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(SimulatorProcess::programPath("supply-sim")))
            QSKIP("supply-sim is not built");
    }

    void pollSetOrder()
    {
        SimWorker w;
        QVERIFY(w.start({"--family", "KORA-PS-M", "--caps", "AIN,POLARITY_INVERTER", "--noise", "0"}));
        QVERIFY(w.sim.waitForLogLines(2 * pollCommands.size() + 1));
        const QStringList log = w.sim.commandLog();
        QCOMPARE(log.mid(0, pollCommands.size()), pollCommands);
        QCOMPARE(log.mid(pollCommands.size(), pollCommands.size() + 1), QStringList(pollCommands) << "POL");
    }

    void recordFromSimulator()
    {
        SimWorker w;
        QObject ctx;
        ps_data version, reading;
        QObject::connect(&w.thread, &ps_thread::version_model_capabilities_read, &ctx,
                         [&](ps_data d) { version = d; });
        QObject::connect(&w.thread, &ps_thread::limits_read, &ctx, [&](ps_data d) { reading = d; });
        QVERIFY(w.start({"--family", "ORTX", "--caps", "AIN", "--version", "1.4.0", "--noise", "0"}));
        QVERIFY(QTest::qWaitFor([&] { return !reading.limits.at(0).isEmpty(); }, 5000));
        QCOMPARE(version.model_text, QStringLiteral("ORTX 100-50"));
        QCOMPARE(version.version, QStringLiteral("1.4.0"));
        QCOMPARE(version.family, QStringLiteral("ORTX"));
        QCOMPARE(version.polarity_kind, QStringLiteral("Monopolar"));
        QCOMPARE(version.capabilities, QStringLiteral("AIN"));
        QCOMPARE(reading.limits, (QStringList{"0.0", "50.0", "0.0", "100.0"}));
        QCOMPARE(reading.status.size(), 8);
    }

    void postedTasksReplaceOnePollSet()
    {
        SimWorker w;
        QVERIFY(w.start({"--noise", "0"}));
        QVERIFY(w.sim.waitForLogLines(pollCommands.size()));
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_current(1.5);
            w.thread.set_task(512);
            w.thread.set_task(1);
        }));
        QVERIFY(w.sim.waitForLogLines(w.sim.commandLog().indexOf("MON") + 2));
        const QStringList log = w.sim.commandLog();
        const int at = log.indexOf("MWI:1.5000000000");
        QVERIFY(at > 0);
        QCOMPARE(log.at(at - 1), QStringLiteral("SETFLOAT:?"));
        QCOMPARE(log.at(at + 1), QStringLiteral("MON"));
        QCOMPARE(log.at(at + 2), QStringLiteral("VER"));
        QVERIFY(w.sim.control("get current_setpoint"));
        QCOMPARE(w.sim.lastReply().mid(3).toDouble(), 1.5);
        QVERIFY(w.sim.control("get output"));
        QVERIFY(w.sim.lastReply().contains("on") || w.sim.lastReply().contains("1"));
    }

    void refusalReachesWindow()
    {
        SimWorker w;
        QVERIFY(w.start({"--refuse", "MON=8"}));
        QVERIFY(runBatch(w.thread, w.recorder, [&] { w.thread.set_task(1); }));
        QVERIFY(QTest::qWaitFor([&] { return !w.recorder.replyErrors.isEmpty(); }, 2000));
        QCOMPARE(w.recorder.replyErrors.at(0), qMakePair(QStringLiteral("MON\r"), 8));
    }

    // The supply needs long for output off, reset, save and memory cells
    // 3 to 5; those exchanges wait long enough, the others do not.
    void slowCommandsAreWaitedFor()
    {
        SimWorker w;
        QStringList args{"--noise", "0"};
        for (const char* key : {"MOFF", "MRESET", "MSAVE", "MWG:3", "MWG:4", "MWG:5", "MWG:35"})
            args << "--control" << QStringLiteral("delay %1 600").arg(QLatin1String(key));
        QVERIFY(w.start(args, 100));
        QVERIFY(runBatch(
            w.thread, w.recorder,
            [&] {
                w.thread.set_task(2);
                w.thread.set_task(3);
                w.thread.set_task(18);
                w.thread.set_task(17, "3", "1.5");
                w.thread.set_task(17, "4", "2.5");
                w.thread.set_task(17, "5", "3.5");
                w.thread.set_task(17, "35", "4.5");
            },
            15000));
        QVERIFY(QTest::qWaitFor([&] { return !w.recorder.replyErrors.isEmpty(); }, 2000));
        const QStringList slow{"MOFF\r", "MRESET\r", "MSAVE\r", "MWG:3:1.5\r", "MWG:4:2.5\r", "MWG:5:3.5\r"};
        for (const auto& e : qAsConst(w.recorder.replyErrors))
            QVERIFY2(!slow.contains(e.first), qPrintable(e.first));
        QVERIFY(w.recorder.replyErrors.contains(qMakePair(QStringLiteral("MWG:35:4.5\r"), -1)));
        QCOMPARE(w.recorder.atSync.memory.at(3), QStringLiteral("1.5"));
        QCOMPARE(w.recorder.atSync.memory.at(5), QStringLiteral("3.5"));
        QVERIFY(w.recorder.atSync.memory.at(35).isEmpty());
    }

    // The EPICS files survive a write and a read back unchanged.
    void epicsFileRoundTrip()
    {
        SimWorker w;
        QObject ctx;
        QString db;
        QObject::connect(&w.thread, &ps_thread::EPICS_db_ready, &ctx, [&](ps_data d) { db = d.epics_db; });
        QVERIFY(w.start({}));
        const QString text =
            QStringLiteral("# Power supply\nrecord(ai, \"$(P)I\") {\n  field(DTYP, \"stream\")\n}\n");
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_task(1542, text);
            w.thread.set_task(1540);
        }));
        QCOMPARE(db, text);
        QVERIFY(w.recorder.replyErrors.isEmpty());
    }

    void stalledSimulatorDoesNotBlockCallers()
    {
        SimWorker w;
        QVERIFY(w.start({}, 4000));
        QVERIFY(w.sim.waitForLogLines(pollCommands.size()));
        QVERIFY(w.sim.control("stall on"));
        const int before = w.sim.commandLog().size();
        QVERIFY(w.sim.waitForLogLines(before + 1));
        ps_data data;
        const qint64 longest = longestCallNs(
            [&] {
                w.thread.set_task(23);
                w.thread.get_ps_data(data);
            },
            300);
        qInfo("longest set_task/get_ps_data against a stalled simulator: %.3f ms", longest / 1e6);
        // A call that waited on the supply would take seconds; a loaded
        // machine may hold a thread back for a fraction of one.
        QVERIFY(longest < 1000 * 1000 * 1000);

        QElapsedTimer clock;
        clock.start();
        w.thread.stop();
        qInfo("stop against a stalled simulator took %lld ms", clock.elapsed());
        QVERIFY(clock.elapsed() < 3000); // one wait is 4 s, a batch much longer
    }

    void reconnectAfterDrop()
    {
        SimWorker w;
        QVERIFY(w.start({}, 100));
        QVERIFY(w.sim.waitForLogLines(pollCommands.size()));
        QVERIFY(w.sim.control("close-all"));
        QVERIFY(w.recorder.waitForState(QAbstractSocket::UnconnectedState));
        QVERIFY(!w.recorder.errorAtState.last().isEmpty());
        w.thread.stop();

        w.recorder.states.clear();
        const int before = w.sim.commandLog().size();
        QVERIFY(w.startWorker());
        QVERIFY(w.sim.waitForLogLines(before + pollCommands.size()));
        QVERIFY(w.sim.control("connections"));
        QCOMPARE(w.sim.lastReply(), QStringLiteral("OK 1"));
    }

    // A reply that comes after its waits ran out answers no later command: a
    // later one gets its own answer or, until the link is back in step, is
    // not sent. "?": a query. `tries` of the second command (0: until sent).
    void lateReplyAnswersNoLaterCommand_data()
    {
        QTest::addColumn<int>("wait");
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("tries");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("secondResult");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("resyncs"); // queries sent to get back in step; "*": any
        const QString late = QStringLiteral("delay MWG:30 %1"), nak = QStringLiteral("refuse MWG:32 2");
        QTest::newRow("set, waits + 0.3 s") << 500 << QStringList{late.arg(2300), nak} << "MWG:30:7.5" << 0
                                            << "MWG:32:7.5" << 2 << "" << QStringList{"MST"};
        QTest::newRow("set, waits + 1 s") << 500 << QStringList{late.arg(3000)} << "MWG:30:7.5" << 0
                                          << "MWG:32:7.5" << 0 << "" << QStringList{"MST"};
        QTest::newRow("set, waits + 3 s") << 500 << QStringList{late.arg(5000), nak} << "MWG:30:7.5" << 0
                                          << "MWG:32:7.5" << 2 << "" << QStringList{"*"};
        QTest::newRow("query") << 500 << QStringList{"set mem 30 A30", "set mem 32 B32", "delay MRG:30 2300"}
                               << "?MRG:30" << 0 << "?MRG:32" << 0 << "B32" << QStringList{"MST"};
        QTest::newRow("status query late") << 500 << QStringList{"delay MST 2300"} << "?MST" << 0
                                           << "MWG:32:1" << 0 << "" << QStringList{"VER"};
        QTest::newRow("answer in pieces") << 250 << QStringList{late.arg(1300), "chunk 3 5"} << "MWG:30:1"
                                          << 0 << "MWG:32:1" << 0 << "" << QStringList{"MST"};
        QTest::newRow("late reply and answer in one piece")
            << 250 << QStringList{"ignore MWG:30", "stale MST AK", nak} << "MWG:30:1" << 0 << "MWG:32:1" << 2
            << "" << QStringList{"MST"};
        QTest::newRow("answer refused") << 250 << QStringList{"ignore MWG:30", "refuse MST 1"} << "MWG:30:1"
                                        << 0 << "MWG:32:1" << 0 << "" << QStringList{"MST", "VER"};
        QTest::newRow("dead supply") << 50 << QStringList{"stall on"} << "MON" << 3 << "MWG:32:1" << -1 << ""
                                     << QStringList{"MST", "VER", "MRID"};
    }
    void lateReplyAnswersNoLaterCommand()
    {
        QFETCH(int, wait);
        QFETCH(QStringList, controls);
        QFETCH(QString, first);
        QFETCH(int, tries);
        QFETCH(QString, second);
        QFETCH(int, secondResult);
        QFETCH(QString, value);
        QFETCH(QStringList, resyncs);
        SimulatorProcess sim(QStringLiteral("supply-sim"));
        QStringList args{"--noise", "0"};
        for (const QString& line : qAsConst(controls))
            args << "--control" << line;
        QVERIFY(sim.start(args));
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, sim.port());
        QVERIFY(socket.waitForConnected(10000));
        PS_Comm comm(&socket, wait);
        QString read = QStringLiteral("old");
        auto call = [&](const QString& c) {
            return c[0] == '?' ? comm.readCommand(c.mid(1), read) : comm.writeCommand(c);
        };
        const auto unanswered = [](const QString& c) { return c[0] == '?' ? -2 : -1; };
        const QString sent = second.mid(second[0] == '?');
        QCOMPARE(call(first), unanswered(first));
        int result = unanswered(second);
        for (int i = 0; tries ? i < tries : !sim.commandLog().contains(sent); ++i) {
            QVERIFY(i < 10 && result == unanswered(second)); // each try before is unanswered
            result = call(second);
        }
        QCOMPARE(result, secondResult);
        QCOMPARE(read, value.isEmpty() ? QStringLiteral("old") : value);
        const QStringList log = sim.commandLog();
        QCOMPARE(log.first(), first.mid(first[0] == '?'));
        QCOMPARE(log.last() == sent, tries == 0);
        const QStringList queries = log.mid(1, log.size() - (tries == 0 ? 2 : 1));
        QVERIFY2(queries == resyncs || resyncs == QStringList{"*"}, qPrintable(queries.join(' ')));
    }

    void dropAfterCommands()
    {
        SimWorker w;
        QVERIFY(w.start({"--drop-after", "5"}, 100));
        QVERIFY(w.recorder.waitForState(QAbstractSocket::UnconnectedState));
        QCOMPARE(w.recorder.socketErrors.size(), 1);
        QCOMPARE(w.recorder.errorAtState.last(), w.recorder.socketErrors.at(0));
    }
};

QTEST_GUILESS_MAIN(PsThreadWithSimulator)

#include "tst_ps_thread_sim.moc"
