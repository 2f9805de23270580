// ps_thread against a scripted peer: poll set, task table, locking, stop and
// connection handling.

#include "hanginglistener.h"
#include "logcapture.h"
#include "loggers.h"
#include "ps_comm.h"
#include "ps_thread.h"
#include "scriptedpeer.h"
#include "workerfixture.h"

#include <QAtomicInt>
#include <QSet>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace
{

// A connection wait the tests never sit out, and a generous ceiling well below
// it for an attempt that must end by itself.
constexpr int longConnectTimeoutMs = 60000;
constexpr int connectCeilingMs = 30000;

const QStringList pollCommands{"VER",      "MRG:130",   "MRID",      "MPLST",        "MRT",
                               "MGC",      "MLIMITS:?", "PMODE",     "PCONNECTIONS", "LOOP:?",
                               "UPMODE:?", "TRGMODE",   "SETFLOAT:?"};

struct Worker {
    explicit Worker(int waitTime = 100, int refresh = 20) : thread(10), recorder(&thread)
    {
        configureWorker(thread, peer.port(), waitTime, refresh);
    }
    ~Worker() { thread.stop(); }
    bool start()
    {
        thread.start();
        return recorder.waitForState(QAbstractSocket::ConnectedState);
    }
    // Commands logged since `from` that are not part of the poll set.
    QStringList postedCommands(int from) const
    {
        QStringList posted;
        const QStringList all = peer.commands().mid(from);
        for (const QString& c : all) {
            if (!pollCommands.contains(c) && c != QLatin1String("POL"))
                posted.append(c);
        }
        return posted;
    }

    ScriptedPeer peer;
    ps_thread thread;
    WorkerRecorder recorder;
};

// Counts the socket, timer and PS_Comm each run makes and how many of them
// were deleted; looked at from the worker thread while they live.
class WatchedWorker : public ps_thread
{
public:
    WatchedWorker() : ps_thread(10)
    {
        connect(
            this, &ps_thread::signalStateChanged, this,
            [this](QTcpSocket::SocketState state) {
                if (state == QAbstractSocket::ConnectedState) {
                    track(socket);
                    track(timer);
                }
            },
            Qt::DirectConnection);
        connect(
            this, &ps_thread::data_ready, this, [this] { track(comm); }, Qt::DirectConnection);
    }

    QAtomicInt made;
    QAtomicInt deleted;

private:
    void track(QObject* object)
    {
        if (!object || live.contains(object))
            return;
        live.insert(object);
        made.ref();
        connect(object, &QObject::destroyed, [this, object] {
            live.remove(object);
            deleted.ref();
        });
    }

    QSet<QObject*> live; // touched only by the worker thread
};

struct Posted {
    int id;
    QStringList params;
};

using Check = std::function<bool(const ps_data&)>;

} // namespace

Q_DECLARE_METATYPE(QList<Posted>)
Q_DECLARE_METATYPE(Check)

class PsThreadPolling : public QObject
{
    Q_OBJECT

private slots:
    void pollSetOrder_data()
    {
        QTest::addColumn<QString>("capabilities");
        QTest::addColumn<bool>("polarity");
        QTest::newRow("plain") << "AIN,TRIG" << false;
        QTest::newRow("polarity inverter") << "AIN,POLARITY_INVERTER" << true;
        QTest::newRow("case matters") << "polarity_inverter" << false;
    }
    void pollSetOrder()
    {
        QFETCH(QString, capabilities);
        QFETCH(bool, polarity);
        Worker w;
        w.peer.setValue("MRG:130", capabilities);
        QVERIFY(w.start());
        const int perSet = pollCommands.size();
        QVERIFY(w.peer.waitForCommands(3 * perSet + 2));
        const QStringList log = w.peer.commands();
        // The first set runs before the capabilities are known.
        QCOMPARE(log.mid(0, perSet), pollCommands);
        QStringList second = pollCommands;
        if (polarity)
            second.append("POL");
        QCOMPARE(log.mid(perSet, second.size()), second);
        QCOMPARE(w.thread.pollSet(capabilities).contains(ps_thread::TaskReadPolarity), polarity);
    }

    void postedTaskReplacesOnePollSet()
    {
        Worker w;
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(pollCommands.size()));
        w.thread.set_task(ps_thread::TaskOutputOn);
        QVERIFY(QTest::qWaitFor([&] {
            const int at = w.peer.indexOf("MON");
            return at >= 0 && w.peer.commands().size() > at + 1;
        }));
        const QStringList log = w.peer.commands();
        const int at = log.indexOf("MON");
        QCOMPARE(log.at(at - 1), QStringLiteral("SETFLOAT:?"));
        QCOMPARE(log.at(at + 1), QStringLiteral("VER"));
        QCOMPARE(log.count("MON"), 1);
    }

    void setpointsWithTenDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("task");
        QTest::addColumn<QString>("command");
        QTest::newRow("current") << 1.5 << 512 << "MWI:1.5000000000";
        QTest::newRow("current ramp") << 0.1 << 513 << "MWIR:0.1000000000";
        QTest::newRow("voltage") << -2.25 << 514 << "MWV:-2.2500000000";
        QTest::newRow("voltage ramp") << 12.0 << 515 << "MWVR:12.0000000000";
    }
    void setpointsWithTenDecimals()
    {
        QFETCH(double, value);
        QFETCH(int, task);
        QFETCH(QString, command);
        Worker w;
        QVERIFY(w.start());
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            if (task < 514)
                w.thread.set_current(value);
            else
                w.thread.set_voltage(value);
            w.thread.set_task(task);
        }));
        QCOMPARE(w.postedCommands(0), QStringList{command});
    }

    // Both posted set-point tasks run, with the text current when they run.
    void setpointTextAtExecutionTime()
    {
        Worker w(1000);
        w.peer.setReply("MRT", PeerReply::text("#MRT:30.0\r\n", 300));
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(5)); // the first batch now waits for MRT
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_current(1.0);
            w.thread.set_task(512);
            w.thread.set_current(2.0);
            w.thread.set_task(512);
        }));
        QCOMPARE(w.postedCommands(0), (QStringList{"MWI:2.0000000000", "MWI:2.0000000000"}));
    }
};

class PsThreadTaskTable : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<QList<Posted>>("tasks");
        QTest::addColumn<QStringList>("replies"); // pairs: command, reply bytes
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<Check>("check");
        const Check any = [](const ps_data&) { return true; };

        QTest::newRow("memory write upper-cased")
            << QList<Posted>{{17, {"12", "abc"}}} << QStringList{} << QStringList{"MWG:12:abc"}
            << Check([](const ps_data& d) { return d.memory.at(12) == "ABC"; });
        QTest::newRow("memory write refused")
            << QList<Posted>{{17, {"12", "abc"}}} << QStringList{"MWG:12:abc", "#NAK:05\r\n"}
            << QStringList{"MWG:12:abc"} << Check([](const ps_data& d) { return d.memory.at(12).isEmpty(); });
        QTest::newRow("memory write without value")
            << QList<Posted>{{17, {"12"}}} << QStringList{} << QStringList{}
            << Check([](const ps_data& d) { return d.memory.at(12).isEmpty(); });
        QTest::newRow("memory read") << QList<Posted>{{16, {"42"}}} << QStringList{"MRG:42", "#MRG:42:7\r\n"}
                                     << QStringList{"MRG:42"} << Check([](const ps_data& d) {
                                            return d.memory.at(42) == "7" && d.memory_read.at(42);
                                        });
        QTest::newRow("memory read refused after a write")
            << QList<Posted>{{17, {"42", "7"}}, {16, {"42"}}} << QStringList{"MRG:42", "#NAK:05\r\n"}
            << QStringList{"MWG:42:7", "MRG:42"}
            << Check([](const ps_data& d) { return d.memory.at(42).isEmpty() && !d.memory_read.at(42); });
        QTest::newRow("memory read of a non-number cell")
            << QList<Posted>{{16, {"abc"}}} << QStringList{"MRG:abc", "#MRG:abc:9\r\n"}
            << QStringList{"MRG:abc"} << Check([](const ps_data& d) { return d.memory.at(0).isEmpty(); });
        QTest::newRow("memory read beyond the cells")
            << QList<Posted>{{16, {"250"}}, {17, {"-1", "x"}}} << QStringList{}
            << QStringList{"MRG:250", "MWG:-1:x"}
            << Check([](const ps_data& d) { return d.memory.size() == 200 && d.memory.at(0).isEmpty(); });
        QTest::newRow("trigger 0") << QList<Posted>{{1026, {"0"}}} << QStringList{}
                                   << QStringList{"TRGMODE:OFF"} << any;
        QTest::newRow("trigger 7") << QList<Posted>{{1026, {"7"}}} << QStringList{}
                                   << QStringList{"TRGMODE:ON"} << any;
        QTest::newRow("trigger text")
            << QList<Posted>{{1026, {"on"}}} << QStringList{} << QStringList{"TRGMODE:OFF"} << any;
        QTest::newRow("float n") << QList<Posted>{{1030, {"n"}}} << QStringList{} << QStringList{"SETFLOAT:F"}
                                 << any;
        QTest::newRow("float N") << QList<Posted>{{1030, {"N"}}} << QStringList{} << QStringList{"SETFLOAT:N"}
                                 << any;
        QTest::newRow("update modes")
            << QList<Posted>{{1024, {}}, {1025, {}}, {1029, {}}} << QStringList{"MWG:113:3", "#NAK:02\r\n"}
            << QStringList{"MWG:113:0",     "UPMODE:NORMAL", "MWG:113:3",
                           "UPMODE:ANALOG", "MWG:113:1",     "UPMODE:WAVEFORM"}
            << any;
        QTest::newRow("loop and output")
            << QList<Posted>{{768, {}}, {769, {}}, {1, {}}, {2, {}}, {3, {}}, {18, {}}, {40, {}}}
            << QStringList{} << QStringList{"LOOP:I", "LOOP:V", "MON", "MOFF", "MRESET", "MSAVE", "MREBOOT"}
            << any;
        QTest::newRow("unknown id sends nothing")
            << QList<Posted>{{99, {}}} << QStringList{} << QStringList{} << any;
        QTest::newRow("waveform") << QList<Posted>{{1795, {"1:2:3"}}, {1794, {"3"}}, {1792, {}}, {1793, {}}}
                                  << QStringList{}
                                  << QStringList{"WAVEFORM:POINTS:1:2:3", "WAVEFORM:N_PERIODS:3",
                                                 "WAVEFORM:START", "WAVEFORM:STOP"}
                                  << any;
        QTest::newRow("epics writes")
            << QList<Posted>{{1541, {"a\nb"}}, {1542, {"c\r\nd"}}, {1543, {}}, {1544, {}}} << QStringList{}
            << QStringList{"EPICS:PROTOCOLS:a\nb", "EPICS:DB:c\nd", "EPICS:DB:RESTORE",
                           "EPICS:PROTOCOLS:RESTORE"}
            << any;
        QTest::newRow("epics file reads keep lines")
            << QList<Posted>{{1539, {}}, {1540, {}}}
            << QStringList{"EPICS:PROTOCOLS", "#EPICS:PROTOCOLS:a\n#b\n\r\n", "EPICS:DB",
                           "#EPICS:DB:# c\nr\r\n"}
            << QStringList{"EPICS:PROTOCOLS", "EPICS:DB"} << Check([](const ps_data& d) {
                   return d.epics_protocols == "a\n#b\n" && d.epics_db == "# c\nr" && d.epics_db_read &&
                          d.epics_protocols_read;
               });
        QTest::newRow("epics pv reads")
            << QList<Posted>{{1536, {}}, {1537, {}}}
            << QStringList{"EPICS:PV_NAME", "#EPICS:PV_NAME:PS1\r\n", "EPICS:PV_VALUE",
                           "#EPICS:PV_VALUE:2.5\r\n"}
            << QStringList{"EPICS:PV_NAME", "EPICS:PV_VALUE"}
            << Check([](const ps_data& d) { return d.epics_pv_name == "PS1" && d.epics_pv_value == "2.5"; });
        QTest::newRow("privileges and id")
            << QList<Posted>{{21, {}}, {23, {}}, {6, {}}}
            << QStringList{"PASSWORD:?", "#PASSWORD:ADMIN\r\n", "MST", "#MST:0000800C\r\n"}
            << QStringList{"PASSWORD:?", "MST"} << Check([](const ps_data& d) {
                   return d.privileges == "ADMIN" && d.id == "ID-1" && d.status_flags == 0x800Cu;
               });
        QTest::newRow("status not hex")
            << QList<Posted>{{6, {}}} << QStringList{"MST", "#MST:zz\r\n"} << QStringList{"MST"}
            << Check([](const ps_data& d) {
                   // The poll set's MPLST status word, 1, stays the last one read.
                   return d.status == "zz" && d.status_unreadable && d.status_flags == 1u;
               });
        // A status read that is refused or goes unanswered leaves the word read before.
        const Check statusKept = [](const ps_data& d) {
            return d.status == "1" && !d.status_unreadable && d.status_read && d.status_flags == 1u;
        };
        QTest::newRow("status refused") << QList<Posted>{{6, {}}} << QStringList{"MST", "#NAK:05\r\n"}
                                        << QStringList{"MST"} << statusKept;
        QTest::newRow("status unanswered")
            << QList<Posted>{{6, {}}} << QStringList{"MST", ""} << QStringList{"MST"} << statusKept;
        // A refused or unrecognised reply keeps the value the poll set's MPLST stored.
        QTest::newRow("single reads")
            << QList<Posted>{{4, {}}, {5, {}}, {8, {}}}
            << QStringList{"MRI", "#NAK:05\r\n", "MRV", "#MRX:1\r\n", "MRP", "#MRP:48.0\r\n"}
            << QStringList{"MRI", "MRV", "MRP"} << Check([](const ps_data& d) {
                   return d.current == "1.5" && d.voltage == "2.5" && d.dc_link == "48.0";
               });
        // Readings a poll does not read are no readings of now, whatever was read before.
        QTest::newRow("readings refused after a poll")
            << QList<Posted>{{55, {}}} << QStringList{"MPLST", "#NAK:05\r\n"} << QStringList{}
            << Check([](const ps_data& d) { return !d.readings_read && d.current == "1.5"; });
        // A refusal is a supply's answer: a supply refusing all it is asked still answers.
        QStringList refusals;
        for (const QString& command : pollCommands)
            refusals << command << "#NAK:05\r\n";
        QTest::newRow("every poll query refused") << QList<Posted>{} << refusals << QStringList{} << any;
    }
    void rows()
    {
        QFETCH(QList<Posted>, tasks);
        QFETCH(QStringList, replies);
        QFETCH(QStringList, sent);
        QFETCH(Check, check);
        Worker w;
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(pollCommands.size()));
        // From the second poll set on: the first one has read the readings.
        for (int i = 0; i + 1 < replies.size(); i += 2)
            w.peer.setReply(replies.at(i), PeerReply::text(replies.at(i + 1).toLatin1()));
        const int from = w.peer.commands().size();
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            for (const Posted& p : tasks) {
                if (p.params.isEmpty())
                    w.thread.set_task(p.id);
                else if (p.params.size() == 1)
                    w.thread.set_task(p.id, p.params.at(0));
                else
                    w.thread.set_task(p.id, p.params.at(0), p.params.at(1));
            }
        }));
        QCOMPARE(w.postedCommands(from), sent);
        // Later poll sets may change the live record again.
        QVERIFY(check(w.recorder.atSync));
        // Neither these tasks nor the whole poll set after them made the supply one that does not answer.
        const int seen = w.recorder.dataReady;
        QVERIFY(QTest::qWaitFor([&] { return w.recorder.dataReady > seen + 13; }, 20000));
        QCOMPARE(w.recorder.answering, QList<bool>());
    }

    // Cell 199 is the record's last; a reply for "200", read or written, is
    // never stored past the record's end.
    void lastMemoryCellIsStoredAndTheNextIsNot()
    {
        LogCapture log(psThreadLogger); // before the worker starts, restored after it stopped
        Worker w;
        w.peer.setValue("MRG:199", "7");
        w.peer.setValue("MRG:200", "8");
        QVERIFY(w.start());
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_task(ps_thread::TaskReadMemory, "199");
            w.thread.set_task(ps_thread::TaskReadMemory, "200");
            w.thread.set_task(ps_thread::TaskWriteMemory, "200", "x");
        }));
        QCOMPARE(w.recorder.atSync.memory.size(), 200);
        QCOMPARE(w.recorder.atSync.memory.at(199), QStringLiteral("7"));
        const QString notStored = "warning|Memory cell 200 is not a cell of the supply, value not stored";
        QCOMPARE(log.lines().count(notStored), 2);
    }

    void versionSetsFamily_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("kind");
        QTest::newRow("KORA-PS-M") << QByteArray("#VER:KORA-PS-M 5-40:1.3.6\r\n") << "KORA-PS-M 5-40"
                                   << "1.3.6"
                                   << "KORA-PS-M"
                                   << "Monopolar";
        QTest::newRow("KORA-PS-1K5") << QByteArray("#VER:KORA-PS-1K5 50-30:2.0\r\n") << "KORA-PS-1K5 50-30"
                                     << "2.0"
                                     << "KORA-PS-1K5"
                                     << "Bipolar";
        QTest::newRow("KORA-PS") << QByteArray("#VER:KORA-PS 10-20:1.0:b\r\n") << "KORA-PS 10-20"
                                 << "1.0:b"
                                 << "KORA-PS"
                                 << "Bipolar";
        QTest::newRow("ORTX") << QByteArray("#VER:ORTX 100-50:1.4.0\r\n") << "ORTX 100-50"
                              << "1.4.0"
                              << "ORTX"
                              << "Monopolar";
        QTest::newRow("no colon") << QByteArray("#VER:OTHER\r\n") << "OTHER"
                                  << "OTHER"
                                  << "UNDEFINED"
                                  << "UNDEFINED";
        QTest::newRow("unanswered") << QByteArray("#NAK:01\r\n") << ""
                                    << ""
                                    << "UNDEFINED"
                                    << "UNDEFINED";
    }
    void versionSetsFamily()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, model);
        QFETCH(QString, version);
        QFETCH(QString, family);
        QFETCH(QString, kind);
        Worker w;
        QObject ctx; // receives the worker's signals for this case only
        w.peer.setReply("VER", PeerReply::text(reply));
        w.peer.setValue("MRG:130", "AIN,TRIG");
        ps_data seen;
        connect(&w.thread, &ps_thread::version_model_capabilities_read, &ctx, [&](ps_data d) { seen = d; });
        QVERIFY(w.start());
        QVERIFY(QTest::qWaitFor([&] { return !seen.family.isEmpty(); }, 5000));
        QCOMPARE(seen.model_text, model);
        QCOMPARE(seen.version, version);
        QCOMPARE(seen.family, family);
        QCOMPARE(seen.polarity_kind, kind);
        QCOMPARE(seen.capabilities, QStringLiteral("AIN,TRIG"));
    }

    // Short or broken combined readings leave the record as it was.
    void malformedReadings_data()
    {
        QTest::addColumn<QByteArray>("mplst");
        QTest::addColumn<QByteArray>("limits");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("limit0");
        QTest::newRow("short") << QByteArray("#MPLST:1.0:2.0\r\n") << QByteArray("#MLIMITS:1:2\r\n") << ""
                               << "";
        QTest::newRow("empty") << QByteArray("#MPLST:\r\n") << QByteArray("#MLIMITS:\r\n") << ""
                               << "";
        QTest::newRow("long") << QByteArray("#MPLST:1.0:2.0:1:9\r\n") << QByteArray("#MLIMITS:1:2:3:4:5\r\n")
                              << "1.0"
                              << "1";
        QTest::newRow("not numbers") << QByteArray("#MPLST:nan:inf:zz\r\n")
                                     << QByteArray("#MLIMITS:a:b:c:d\r\n") << "nan"
                                     << "a";
    }
    void malformedReadings()
    {
        QFETCH(QByteArray, mplst);
        QFETCH(QByteArray, limits);
        QFETCH(QString, current);
        QFETCH(QString, limit0);
        Worker w;
        QObject ctx; // receives the worker's signals for this case only
        w.peer.setReply("MPLST", PeerReply::text(mplst));
        w.peer.setReply("MLIMITS:?", PeerReply::text(limits));
        int cvs = 0, lims = 0;
        ps_data seen;
        connect(&w.thread, &ps_thread::current_voltage_status_read, &ctx, [&](ps_data d) {
            ++cvs;
            seen = d;
        });
        connect(&w.thread, &ps_thread::limits_read, &ctx, [&](ps_data) { ++lims; });
        QVERIFY(w.start());
        QVERIFY(QTest::qWaitFor([&] { return cvs >= 2 && lims >= 2; }, 5000));
        QCOMPARE(seen.current, current);
        QCOMPARE(seen.limits.size(), 4);
        QCOMPARE(seen.limits.at(0), limit0);
        QVERIFY(std::isfinite(seen.current_avg.value));
        QVERIFY(std::isfinite(seen.voltage_avg.value));
    }

    void signalsCarryTheRecord()
    {
        Worker w;
        QObject ctx; // receives the worker's signals for this case only
        w.peer.setValue("MRT", "31.5");
        w.peer.setValue("MGC", "0.25");
        w.peer.setValue("MPLST", "1.25:3.5:8001");
        ps_data temperature, leakage, cvs;
        connect(&w.thread, &ps_thread::temperature_read, &ctx, [&](ps_data d) { temperature = d; });
        connect(&w.thread, &ps_thread::leakage_current_read, &ctx, [&](ps_data d) { leakage = d; });
        connect(&w.thread, &ps_thread::current_voltage_status_read, &ctx, [&](ps_data d) { cvs = d; });
        QVERIFY(w.start());
        QVERIFY(QTest::qWaitFor([&] { return !leakage.leakage_current.isEmpty(); }, 20000));
        QCOMPARE(temperature.temperature, QStringLiteral("31.5"));
        QCOMPARE(temperature.temperature_avg.text(1), QStringLiteral("31.5"));
        QCOMPARE(leakage.leakage_avg.text(2), QStringLiteral("0.25"));
        QCOMPARE(cvs.current, QStringLiteral("1.25"));
        QCOMPARE(cvs.voltage, QStringLiteral("3.5"));
        QCOMPARE(cvs.status_flags, 0x8001u);
        // The poll set's remaining reports may still be on their way.
        QTRY_VERIFY_WITH_TIMEOUT(w.recorder.dataReady >= 6, 20000);
    }

    void answeredOnlySignals()
    {
        Worker w;
        QObject ctx; // receives the worker's signals for this case only
        w.peer.setValue("MRG:130", "POLARITY_INVERTER");
        w.peer.setReply("POL", PeerReply::text("#NAK:25\r\n"));
        w.peer.setReply("EPICS:DB", PeerReply::text("#NAK:28\r\n"));
        int polarity = 0, db = 0;
        connect(&w.thread, &ps_thread::directPolarityRead, &ctx, [&] { ++polarity; });
        connect(&w.thread, &ps_thread::EPICS_db_ready, &ctx, [&](ps_data) { ++db; });
        QVERIFY(w.start());
        QVERIFY(runBatch(w.thread, w.recorder, [&] { w.thread.set_task(1540); }));
        QVERIFY(w.peer.waitForCommands(3 * pollCommands.size()));
        QVERIFY(w.peer.commands().contains("POL"));
        QCOMPARE(polarity, 0);
        QCOMPARE(db, 0);
    }

    void memorySignalsCarryTheCell()
    {
        Worker w;
        QObject ctx; // receives the worker's signals for this case only
        QList<int> reads, writes;
        connect(&w.thread, &ps_thread::memory_data_read, &ctx, [&](int c) { reads.append(c); });
        connect(&w.thread, &ps_thread::memory_data_write, &ctx, [&](int c) { writes.append(c); });
        w.peer.setReply("MWG:9:x", PeerReply::text("#NAK:03\r\n"));
        QVERIFY(w.start());
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_task(16, "7");
            w.thread.set_task(17, "9", "x");
            w.thread.set_task(17, "8", "y");
        }));
        QCOMPARE(reads, QList<int>{7});
        QCOMPARE(writes, (QList<int>{9, 8}));
    }

    void refusalsAreRelayed()
    {
        Worker w;
        QObject ctx; // receives the worker's signals for this case only
        w.peer.setReply("MON", PeerReply::text("#NAK:09\r\n"));
        w.peer.setReply("PASSWORD:secret", PeerReply::text("#NAK:07\r\n"));
        w.peer.setReply("PASSWORD:silent", PeerReply::silence());
        QList<int> passwordResults;
        connect(&w.thread, &ps_thread::password_set, &ctx, [&](int e) { passwordResults.append(e); });
        QVERIFY(w.start());
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_task(1);
            w.thread.set_task(20, "secret");
            w.thread.set_task(20, "admin");
            w.thread.set_task(20, "silent");
        }));
        QCOMPARE(passwordResults, (QList<int>{7, 0, ps_data::unanswered}));
        QVERIFY(w.recorder.replyErrors.contains(qMakePair(QStringLiteral("MON\r"), 9)));
        QVERIFY(w.recorder.replyErrors.contains(qMakePair(QStringLiteral("PASSWORD:***\r"), 7)));
        for (const auto& e : qAsConst(w.recorder.replyErrors))
            QVERIFY(!e.first.contains("secret"));
    }
};

// The window's calls never wait for the supply, and a stop is quick.
class PsThreadLocking : public QObject
{
    Q_OBJECT

private slots:
    void stalledSupplyDoesNotBlockCallers()
    {
        Worker w(2000);
        w.peer.setResponder([](const QString&) { return std::optional<PeerReply>(PeerReply::silence()); });
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(1)); // the worker now waits up to 4 x 2 s

        ps_data data;
        const qint64 longest = longestCallNs(
            [&] {
                w.thread.set_task(23);
                w.thread.set_current(1.0);
                w.thread.get_ps_data(data);
            },
            400);
        qInfo("longest set_task/set_current/get_ps_data during a stall: %.3f ms", longest / 1e6);
        // A call that waited on the supply would take seconds; a loaded
        // machine may hold a thread back for a fraction of one.
        QVERIFY2(longest < 1000 * 1000 * 1000, "the window waited on the supply");
    }

    void stopDuringStall_data()
    {
        QTest::addColumn<bool>("interrupt");
        QTest::newRow("stop()") << true;
        QTest::newRow("quit() and wait()") << false;
    }
    void stopDuringStall()
    {
        QFETCH(bool, interrupt);
        Worker w(2000);
        w.peer.setResponder([](const QString&) { return std::optional<PeerReply>(PeerReply::silence()); });
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(1));
        QElapsedTimer clock;
        clock.start();
        if (interrupt) {
            w.thread.stop();
        } else {
            w.thread.quit();
            w.thread.wait();
        }
        qInfo("stop during a stall took %lld ms", clock.elapsed());
        QVERIFY2(clock.elapsed() < 5000, "stop waited for the stalled batch"); // a wait is 8 s
        QVERIFY(w.thread.isFinished());
        QCOMPARE(w.peer.commands().size(), 1); // the rest of the batch was dropped
        // A stop asked for is no supply error: the cut exchange is not reported.
        QCoreApplication::sendPostedEvents();
        QVERIFY(w.recorder.replyErrors.isEmpty());
    }
};

class PsThreadConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ps_thread thread(10);
        QVERIFY(QMetaType::type("ps_data") != QMetaType::UnknownType);
        QVERIFY(QMetaType::type("QTcpSocket::SocketState") != QMetaType::UnknownType);
    }

    void parseAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        QTest::newRow("plain") << "192.168.0.10"
                               << "192.168.0.10";
        QTest::newRow("leading zeros are decimal") << "010.001.000.011"
                                                   << "10.1.0.11";
        QTest::newRow("spaces around") << " 127.0.0.1 "
                                       << "127.0.0.1";
        QTest::newRow("top") << "255.255.255.255"
                             << "255.255.255.255";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("three parts") << "127.0.1"
                                     << "";
        QTest::newRow("five parts") << "1.2.3.4.5"
                                    << "";
        QTest::newRow("part too big") << "1.2.3.256"
                                      << "";
        QTest::newRow("four digits") << "1.2.3.0004"
                                     << "";
        QTest::newRow("negative") << "-1.2.3.4"
                                  << "";
        QTest::newRow("name") << "localhost"
                              << "";
        QTest::newRow("hex") << "0x7f.0.0.1"
                             << "";
        QTest::newRow("ipv6") << "::1"
                              << "";
        QTest::newRow("other digits") << QString::fromUtf8("\u0661.\u0662.\u0663.\u0664") << "";
    }
    void parseAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        const QHostAddress parsed = ps_thread::parseAddress(text);
        QCOMPARE(parsed.isNull() ? QString() : parsed.toString(), address);
    }

    void invalidAddressEndsRun_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << "";
        QTest::newRow("short") << "127.1";
        QTest::newRow("name") << "localhost";
    }
    void invalidAddressEndsRun()
    {
        QFETCH(QString, address);
        Worker w;
        w.thread.ip_address = address;
        // Far longer than the ceiling below: the run ends without a wait.
        w.thread.connect_timeout = longConnectTimeoutMs;
        w.thread.start();
        QVERIFY(w.thread.wait(connectCeilingMs));
        QVERIFY(w.recorder.waitForState(QAbstractSocket::UnconnectedState));
        const QString text = QStringLiteral("The host %1 is invalid").arg(address);
        QCOMPARE(w.recorder.errorAtState.value(0), text);
        QCOMPARE(w.recorder.socketErrors, QStringList{text});
        QCOMPARE(w.peer.connectionCount(), 0);
    }

    void stopDuringConnectionWait_data()
    {
        QTest::addColumn<bool>("interrupt");
        QTest::newRow("stop()") << true;
        QTest::newRow("quit() and wait()") << false;
    }
    void stopDuringConnectionWait()
    {
#ifdef Q_OS_UNIX
        QFETCH(bool, interrupt);
        HangingListener listener;
        QVERIFY(listener.port != 0);
        ps_thread thread(10);
        WorkerRecorder recorder(&thread);
        configureWorker(thread, listener.port, 100);
        thread.start();
        QVERIFY(recorder.waitForState(QAbstractSocket::ConnectingState));
        QVERIFY2(!recorder.states.contains(QAbstractSocket::ConnectedState), "the handshake did not hang");
        QElapsedTimer clock;
        clock.start();
        if (interrupt) {
            thread.stop();
        } else {
            thread.quit();
            thread.wait();
        }
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(recorder.waitForState(QAbstractSocket::UnconnectedState));
        // A stop is not a connection error: the window shows no box for it.
        QVERIFY(recorder.socketErrors.isEmpty());
        QVERIFY(thread.socketErrorString().isEmpty());
#else
        QSKIP("needs a listener that never completes the handshake");
#endif
    }

    void refusedConnectionReportsSocketText()
    {
        quint16 port;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        ps_thread thread(10);
        WorkerRecorder recorder(&thread);
        configureWorker(thread, port, 100);
        // The refusal ends the attempt, not the connection wait.
        thread.connect_timeout = longConnectTimeoutMs;
        thread.start();
        QVERIFY(thread.wait(connectCeilingMs));
        QVERIFY(recorder.waitForState(QAbstractSocket::UnconnectedState));
        QCOMPARE(recorder.socketErrors.size(), 1);
        QVERIFY(!recorder.socketErrors.at(0).isEmpty());
        QCOMPARE(recorder.errorAtState.last(), recorder.socketErrors.at(0));
    }

    // A reply time-out is a result of the exchange; the link stays up.
    void replyTimeoutKeepsConnection()
    {
        Worker w(30);
        w.peer.setReply("MRID", PeerReply::silence());
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(2 * pollCommands.size() + 1));
        const QStringList log = w.peer.commands();
        QCOMPARE(log.mid(log.indexOf("MRID") + 1, 2), (QStringList{"MST", "MPLST"}));
        QCOMPARE(w.peer.connectionCount(), 1);
        QVERIFY(w.recorder.socketErrors.isEmpty());
        QVERIFY(!w.recorder.states.contains(QAbstractSocket::UnconnectedState));
        QVERIFY(w.recorder.replyErrors.contains(qMakePair(QStringLiteral("MRID\r"), -2)));
    }

    void droppedLinkReportsAndReconnects()
    {
        Worker w(50);
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(pollCommands.size()));
        w.peer.dropConnections();
        QVERIFY(w.recorder.waitForState(QAbstractSocket::UnconnectedState));
        QCOMPARE(w.recorder.socketErrors.size(), 1);
        QCOMPARE(w.recorder.errorAtState.last(), w.recorder.socketErrors.at(0));
        // What the window does on the unconnected report, then a new start.
        w.thread.stop();
        w.recorder.states.clear();
        const int before = w.peer.commands().size();
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(before + pollCommands.size()));
        QCOMPARE(w.peer.connectionCount(), 2);
        QVERIFY(w.thread.socketErrorString().isEmpty());
    }

    // The connection wait is bounded (10 s unless set): a handshake that
    // never completes ends the attempt with a time-out, without a stop.
    void connectTimeOutEndsAttempt()
    {
#ifdef Q_OS_UNIX
        HangingListener listener;
        QVERIFY(listener.port != 0);
        ps_thread thread(10);
        QCOMPARE(thread.connect_timeout, 10000);
        WorkerRecorder recorder(&thread);
        configureWorker(thread, listener.port, 100);
        thread.connect_timeout = 200;
        thread.start();
        QVERIFY(thread.wait(60000));
        QVERIFY(recorder.waitForState(QAbstractSocket::UnconnectedState));
        QVERIFY(!recorder.states.contains(QAbstractSocket::ConnectedState));
        QCOMPARE(recorder.socketErrors, QStringList{"Socket operation timed out"});
#else
        QSKIP("needs a listener that never completes the handshake");
#endif
    }

    void eachRunDeletesItsObjects()
    {
        ScriptedPeer peer;
        WatchedWorker thread;
        configureWorker(thread, peer.port(), 100);
        for (int run = 1; run <= 2; ++run) {
            thread.start();
            QTRY_COMPARE_WITH_TIMEOUT(thread.made.loadAcquire(), 3 * run, 10000);
            thread.stop();
            QCOMPARE(thread.deleted.loadAcquire(), 3 * run);
        }
    }

    // Sends this process's log to a file of its own, then ends the logging.
    void typedPasswordNeverReachesTheLogFile()
    {
        QTemporaryDir folder;
        QVERIFY(initLoggersIn(folder.path(), 8192, std::chrono::milliseconds(10)));
        setGlobalLogLevel(0);
        {
            Worker w;
            w.peer.setReply("PASSWORD:Typed-Secret-1", PeerReply::text("#NAK:07\r\n"));
            QVERIFY(w.start());
            QVERIFY(runBatch(w.thread, w.recorder, [&] {
                w.thread.set_task(ps_thread::TaskSetPassword, "Typed-Secret-1");
                w.thread.set_task(ps_thread::TaskSetPassword, "Typed-Secret-2", "Typed-Secret-2");
            }));
            QVERIFY(w.peer.commands().contains("PASSWORD:Typed-Secret-2"));
        }
        flushAllLoggers();
        QFile file(logFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray log = file.readAll();
        shutdownLoggers();
        QVERIFY(log.contains("execute_task called, command id = 20"));
        QVERIFY(!log.contains("Typed-Secret"));
    }

    // A new run starts with an empty queue and an empty record.
    void newRunStartsEmpty()
    {
        Worker w(50);
        w.peer.setValue("MRG:5", "X");
        w.peer.setValue("PASSWORD", "ADMIN");
        QVERIFY(w.start());
        QVERIFY(w.peer.waitForCommands(pollCommands.size()));
        QVERIFY(runBatch(w.thread, w.recorder, [&] {
            w.thread.set_task(16, "5");
            w.thread.set_task(21);
        }));
        ps_data data;
        w.thread.get_ps_data(data);
        QCOMPARE(data.memory.at(5), QStringLiteral("X"));
        QCOMPARE(data.privileges, QStringLiteral("ADMIN"));
        QVERIFY(!data.model_text.isEmpty());
        w.thread.stop();

        w.thread.set_task(ps_thread::TaskOutputOn); // posted for the old connection
        w.peer.setReply("VER", PeerReply::silence());
        w.peer.setReply("MRG:130", PeerReply::silence());
        w.recorder.states.clear();
        const int before = w.peer.commands().size();
        QVERIFY(w.start());
        w.thread.get_ps_data(data);
        QVERIFY(data.memory.at(5).isEmpty());
        QVERIFY(data.privileges.isEmpty());
        QVERIFY(data.model_text.isEmpty());
        QVERIFY(data.capabilities.isEmpty());
        QVERIFY(w.peer.waitForCommands(before + 4));
        QVERIFY(!w.peer.commands().mid(before).contains("MON"));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        PsThreadPolling t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PsThreadTaskTable t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PsThreadLocking t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        PsThreadConnection t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_ps_thread.moc"
