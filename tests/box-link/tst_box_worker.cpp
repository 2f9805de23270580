// The worker thread against box-sim, over TCP and over a pseudo-terminal:
// handshake, status poll cadence, the command table round-tripping through
// the box's state, the stream decoded block by block, and the connection
// codes of refused, unknown, silent and dropped boxes.

#include "hanginglistener.h"
#include "postedevents.h"
#include "simulatorprocess.h"
#include "workerrig.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<WorkerRig> makeRig(SimulatorProcess& sim, bool tcp, int timeoutMs = 5000)
{
    return std::make_unique<WorkerRig>(tcp, QStringLiteral("127.0.0.1"), QString::number(sim.port()),
                                       sim.ptyPath(), timeoutMs);
}

int countOf(const QStringList& log, const QString& command)
{
    return int(std::count(log.begin(), log.end(), command));
}

} // namespace

class WorkerLinkTest : public QObject
{
    Q_OBJECT

public:
    explicit WorkerLinkTest(bool tcp) : tcp(tcp) {}

private:
    bool tcp;
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WorkerRig> rig;

    bool startSim(const QStringList& args = {})
    {
        sim = std::make_unique<SimulatorProcess>(QStringLiteral("box-sim"));
        QStringList all = args;
        if (!tcp)
            all << QStringLiteral("--pty");
        return sim->start(all, !tcp);
    }

    bool connectRig(int timeoutMs = 5000, int intervalMs = 80)
    {
        rig = makeRig(*sim, tcp, timeoutMs);
        rig->thread->interval_ms = intervalMs;
        rig->thread->start();
        // Connected, and the queries of the handshake reported.
        return rig->waitFor([this] { return rig->isUp(); }) &&
               rig->waitFor([this] { return !rig->statuses.isEmpty() && rig->statuses.last().name != "-"; });
    }

private slots:
    void cleanup()
    {
        rig.reset();
        sim.reset();
    }

    void handshakeThenFirstQueries()
    {
        QVERIFY(startSim());
        QVERIFY(connectRig());
        const Dcct_data d = rig->statuses.last();
        QCOMPARE(d.name, QStringLiteral("SENTREL-01"));
        QCOMPARE(d.dcct_des, QStringLiteral("Ring DCCT, 200 mm aperture"));
        QVERIFY(d.ready);
        QCOMPARE(d.line_layout, 6); // head and external temperature by default
        const QStringList log = sim->commandLog();
        QCOMPARE(log.mid(0, 10), QStringList({" ", " ", "PRINT:OFF", "PRINT:OFF", "STATUS:?", "STATUS:?", "STATUS:?",
                                              "status:?", "sentrel:name:?", "dcct:des:?"}));
        rig->stop();
        QCOMPARE(rig->connections.last(), qMakePair(0, false));
        QCOMPARE(rig->downReports(), 1);
        QCOMPARE(rig->statuses.last().name, QStringLiteral("-")); // reset record after the end
    }

    void pollingQueriesStatusEveryThirdTick()
    {
        QVERIFY(startSim());
        QVERIFY(connectRig());
        // The ticks are run one at a time from here, so polls are counted
        // against ticks, whatever the machine's speed.
        Dcct_thread* t = rig->thread.get();
        QVERIFY(QMetaObject::invokeMethod(t->timer, "stop", Qt::BlockingQueuedConnection));
        const auto tick = [t] {
            return QMetaObject::invokeMethod(t->timer, [t] { t->process(); }, Qt::BlockingQueuedConnection);
        };
        QCOMPARE(t->queue_length(), 0);
        QVERIFY(!t->status_pending);
        const int before = countOf(sim->commandLog(), QStringLiteral("status:?"));
        deliverPostedEvents();
        const int reportsBefore = rig->statuses.size();

        t->polling = true;
        constexpr int cycles = 4;
        for (int i = 0; i < 3 * cycles; ++i)
            QVERIFY(tick());
        // Each query was answered within its tick, so the box has logged it.
        QCOMPARE(countOf(sim->commandLog(), QStringLiteral("status:?")) - before, cycles);
        // And every query is reported.
        deliverPostedEvents();
        QCOMPARE(rig->statuses.size() - reportsBefore, cycles);
    }

    void boxFoundAcquiringAtConnect()
    {
        QVERIFY(startSim({QStringLiteral("--stream")}));
        rig = makeRig(*sim, tcp);
        rig->thread->start();
        QVERIFY(rig->waitFor([this] { return !rig->foundAcquiring.isEmpty(); }));
        const Dcct_data d = rig->foundAcquiring.first();
        QVERIFY(d.acquiring);
        QVERIFY(!d.printing); // the greeting switched printing off
        QCOMPARE(d.name, QStringLiteral("SENTREL-01"));
        QCOMPARE(d.freq, QStringLiteral("10"));
        const int at = int(rig->order.indexOf(QStringLiteral("sentrel_is_acquiring")));
        QCOMPARE(rig->order.value(at - 1), QStringLiteral("status_updated"));
        const QStringList log = sim->commandLog();
        QCOMPARE(log.mid(7, 5), QStringList({"sentrel:name:?", "dcct:des:?", "acqt:?", "freq:?", "status:?"}));
    }

    // Every set code changes what its query reads back through the box.
    void commandTableRoundTrip()
    {
        QVERIFY(startSim());
        QVERIFY(sim->control(QStringLiteral("clock hold")));
        QVERIFY(connectRig(5000, 20)); // a quicker tick keeps the long walk short

        struct Step {
            const char* what;
            std::function<void(Dcct_thread*)> queue;
            std::function<bool(const Dcct_data&)> check;
        };
        using T = Dcct_thread;
        const QList<Step> steps = {
            {"mode DLOG", [](T* t) { t->enqueue(1, "DLOG"); t->enqueue(0); }, [](const Dcct_data& d) { return d.mode_dlog; }},
            {"mode OSC", [](T* t) { t->enqueue(1, "OSC"); t->enqueue(0); }, [](const Dcct_data& d) { return !d.mode_dlog; }},
            {"freq", [](T* t) { t->enqueue(6, "250"); t->enqueue(5); }, [](const Dcct_data& d) { return d.freq == "250"; }},
            {"TS", [](T* t) { t->enqueue(8, "200"); t->enqueue(7); }, [](const Dcct_data& d) { return d.ts == "200"; }},
            {"save on", [](T* t) { t->enqueue(18, "ON"); t->enqueue(17); }, [](const Dcct_data& d) { return d.save_sd; }},
            {"save off", [](T* t) { t->enqueue(18, "OFF"); t->enqueue(17); }, [](const Dcct_data& d) { return !d.save_sd; }},
            {"turns", [](T* t) { t->enqueue(33, "4"); t->enqueue(32); }, [](const Dcct_data& d) { return d.pturns == "4"; }},
            {"alarm on", [](T* t) { t->enqueue(41, "ON"); t->enqueue(36); }, [](const Dcct_data& d) { return d.alarm_enabled; }},
            {"alarm limits",
             [](T* t) { t->enqueue(37, "150.5"); t->enqueue(38, "-150.5"); t->enqueue(39); t->enqueue(40); },
             [](const Dcct_data& d) { return d.alarm_ulim == "150.5" && d.alarm_llim == "-150.5"; }},
            {"alarm off", [](T* t) { t->enqueue(41, "OFF"); t->enqueue(36); }, [](const Dcct_data& d) { return !d.alarm_enabled; }},
            {"trigger out", [](T* t) { t->enqueue(50, "OUT"); t->enqueue(49); }, [](const Dcct_data& d) { return d.trigger_out && !d.trigger_in; }},
            {"trigger in", [](T* t) { t->enqueue(50, "IN"); t->enqueue(49); }, [](const Dcct_data& d) { return d.trigger_in && !d.trigger_out; }},
            {"trigger off in status", [](T* t) { t->enqueue(50, "OFF"); t->enqueue(80); }, [](const Dcct_data& d) { return !d.trigger_in && !d.trigger_out; }},
            {"channels query", [](T* t) { t->enqueue(54, "101"); t->enqueue(53); }, [](const Dcct_data& d) { return d.line_layout == 1; }},
            {"channels in status", [](T* t) { t->enqueue(80); }, [](const Dcct_data& d) { return d.line_layout == 5; }},
            {"time", [](T* t) { t->enqueue(68, "10.20.30"); t->enqueue(69); }, [](const Dcct_data& d) { return d.time == QTime(10, 20, 30); }},
            {"date", [](T* t) { t->enqueue(70, "24.12.2019"); t->enqueue(71); }, [](const Dcct_data& d) { return d.date == QDate(2019, 12, 24); }},
            {"name", [](T* t) { t->enqueue(72, "BOX 7"); t->enqueue(73); }, [](const Dcct_data& d) { return d.name == "BOX 7"; }},
            {"password", [](T* t) { t->enqueue(112, "sentrel"); t->enqueue(80); }, [](const Dcct_data& d) { return d.password_set; }},
            {"calibration", [](T* t) { t->enqueue(35, "OFF"); t->enqueue(34); }, [](const Dcct_data& d) { return !d.cal_on; }},
            {"gains",
             [](T* t) { t->enqueue(129, "1001.5"); t->enqueue(128, "999.5"); t->enqueue(130); t->enqueue(131); },
             [](const Dcct_data& d) { return d.gain_pos.toDouble() == 1001.5 && d.gain_neg.toDouble() == 999.5; }},
            {"scales",
             [](T* t) { t->enqueue(120, "100"); t->enqueue(121, "-100"); t->enqueue(130); t->enqueue(131); },
             [](const Dcct_data& d) { return d.gain_pos.toDouble() == 1000.25 && d.gain_neg.toDouble() == 999.87; }},
            {"offset zero", [](T* t) { t->enqueue(118); t->enqueue(117); }, [](const Dcct_data& d) { return d.offset.toDouble() == 0.002134; }},
            {"head identity",
             [](T* t) { t->enqueue(259, "Head X"); t->enqueue(260, "7 B999"); t->enqueue(257); t->enqueue(258); t->enqueue(256); },
             [](const Dcct_data& d) { return d.dcct_des == "Head X" && d.dcct_model == "7 B999" && d.dcct_sn == "B999"; }},
            {"box identity",
             [](T* t) { t->enqueue(261, "Box desc"); t->enqueue(134); t->enqueue(133); },
             [](const Dcct_data& d) { return d.box_des == "Box desc" && d.box_sn == "SN-2018-0042"; }},
            {"network in use",
             [](T* t) { for (int c : {136, 144, 146, 148}) t->enqueue(c); },
             [](const Dcct_data& d) { return d.ip == "192.168.0.20" && d.mask == "255.255.255.0" && d.gate == "192.168.0.1" && d.mac == "00:1A:2B:3C:4D:5E"; }},
            {"new network",
             [](T* t) {
                 t->enqueue(137, "10.0.0.5"); t->enqueue(145, "255.255.0.0"); t->enqueue(147, "10.0.0.1");
                 t->enqueue(149, "02:00:00:00:00:01"); t->enqueue(263, "10.0.0.6");
                 for (int c : {262, 264, 272, 274}) t->enqueue(c);
             },
             [](const Dcct_data& d) { return d.ip_new == "10.0.0.6" && d.mask_new == "255.255.0.0" && d.gate_new == "10.0.0.1" && d.mac_new == "02:00:00:00:00:01"; }},
            {"head match forced", [](T* t) { t->enqueue(114); t->enqueue(113); }, [](const Dcct_data& d) { return !d.err_head_match; }},
            {"readings",
             [](T* t) { t->enqueue(65); t->enqueue(4); t->enqueue(67); },
             [](const Dcct_data& d) { return d.adc_reading.toDouble() > 20 && d.current > 10 && d.fw_version == "2.3.1"; }},
            {"init", [](T* t) { t->enqueue(19); t->enqueue(130); t->enqueue(32); t->enqueue(34); },
             [](const Dcct_data& d) { return d.gain_pos.toDouble() == 1000 && d.pturns == "1" && d.cal_on; }},
            {"unmount", [](T* t) { t->enqueue(102); t->enqueue(103); }, [](const Dcct_data& d) { return !d.sd_mounted && d.sd_state == "Unmounted"; }},
            {"mount", [](T* t) { t->enqueue(101); t->enqueue(103); }, [](const Dcct_data& d) { return d.sd_mounted && d.sd_state == "Mounted"; }},
            {"listing",
             [](T* t) { t->enqueue(96); },
             [](const Dcct_data& d) {
                 return d.sd_files == QStringList({"LOG0001.TXT", "SETTINGS.TXT", "MY DATA.TXT", "EMPTY.TXT", "LOG0002.TXT"}) &&
                        d.sd_sizes.size() == 5 && d.sd_sizes[3] == 0 && d.sd_sizes[4] > 200 * 1024;
             }},
            {"remove", [](T* t) { t->enqueue(98, "EMPTY.TXT"); t->enqueue(96); }, [](const Dcct_data& d) { return d.sd_files.size() == 4 && !d.sd_files.contains("EMPTY.TXT"); }},
            {"clear errors and alarm", [](T* t) { t->enqueue(83); t->enqueue(41, "CLR"); t->enqueue(82); t->enqueue(80); },
             [](const Dcct_data& d) { return !d.error && !d.alarm_active; }},
            {"password reset", [](T* t) { t->enqueue(112, "RESET"); t->enqueue(80); }, [](const Dcct_data& d) { return !d.password_set; }},
        };
        for (const Step& s : steps) {
            QVERIFY2(rig->runAndReport(s.queue, 20000), s.what);
            QVERIFY2(s.check(rig->statuses.last()), s.what);
        }

        // The error word as the box reports it.
        QVERIFY(sim->control(QStringLiteral("set err 120")));
        QVERIFY(rig->runAndReport([](T* t) { t->enqueue(80); }));
        QVERIFY(rig->statuses.last().error);
        QVERIFY(rig->statuses.last().err_sd_full);
        QVERIFY(rig->statuses.last().err_head_fault);
        QVERIFY(sim->control(QStringLiteral("set matched 0")));
        QVERIFY(rig->runAndReport([](T* t) { t->enqueue(113); }));
        QVERIFY(rig->statuses.last().err_head_match);
    }

    // The file arrives exactly as stored, whatever the link's segmentation.
    void sdFileReadsExactly()
    {
        QVERIFY(startSim({QStringLiteral("--chunk"), QStringLiteral("7,1")}));
        QVERIFY(connectRig());
        const QByteArray content("first line\r\n# BACKUP follows\r\nACKNOWLEDGE\r\n  indented\r\n\r\nlast");
        QByteArray escaped = content;
        escaped.replace("\r", "\\r").replace("\n", "\\n").replace(" ", "\\s");
        QVERIFY(sim->control(QStringLiteral("sd put T1.TXT|") + QString::fromLatin1(escaped)));
        rig->thread->enqueue(97, QStringLiteral("T1.TXT"));
        QVERIFY(rig->waitFor([this] { return !rig->files.isEmpty(); }, 20000));
        const Dcct_data d = rig->files.last();
        QVERIFY(d.file_read_ok);
        QCOMPARE(d.file_lines.join(), content + "\r\n");

        rig->thread->enqueue(97, QStringLiteral("MISSING.TXT"));
        QVERIFY(rig->waitFor([this] { return rig->files.size() == 2; }, 20000));
        QVERIFY(!rig->files.last().file_read_ok);
        QVERIFY(rig->files.last().file_lines.isEmpty());
    }

    // The acquisition as the windows start it: blocks of five samples with
    // contiguous times, and one click stops it.
    void streamDecodedBlockByBlock_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("plain") << QStringList();
        QTest::newRow("lines cut across writes") << QStringList({"chunk 7 1"});
        QTest::newRow("malformed lines") << QStringList({"badstream on"});
        QTest::newRow("lines ended by CR alone") << QStringList({"set stream_eol cr"});
        QTest::newRow("lines ended by LF CR, cut") << QStringList({"set stream_eol lfcr", "chunk 5 1"});
    }
    void streamDecodedBlockByBlock()
    {
        QFETCH(QStringList, faults);
        QVERIFY(startSim({QStringLiteral("--set"), QStringLiteral("freq=100"), QStringLiteral("--set"),
                          QStringLiteral("mode=DLOG")}));
        for (const QString& f : faults)
            QVERIFY(sim->control(f));
        QVERIFY(connectRig());
        rig->thread->enqueue(5);
        rig->thread->enqueue(16, QStringLiteral("ON"));
        rig->thread->enqueue(3, QStringLiteral("ON"));
        QVERIFY(rig->waitFor([this] { return !rig->starts.isEmpty(); }));
        QVERIFY(rig->starts.first().acquiring);
        QVERIFY(rig->waitFor([this] { return rig->blocks.size() >= 8; }, 20000));

        QVector<double> times;
        for (const Dcct_data& b : qAsConst(rig->blocks)) {
            const bool readA = b.buf_select;
            const QVector<double>& t = readA ? b.time_a : b.time_b;
            const QVector<double>& c = readA ? b.current_a : b.current_b;
            const QVector<double>& h = readA ? b.head_t_a : b.head_t_b;
            const QVector<double>& e = readA ? b.ext_t_a : b.ext_t_b;
            const QVector<double>& a = readA ? b.adc_t_a : b.adc_t_b;
            QCOMPARE(t.size(), 5);
            QCOMPARE(c.size(), 5);
            QCOMPARE(h.size(), 5); // default channels: head and external
            QCOMPARE(e.size(), 5);
            QCOMPARE(a.size(), 0);
            for (double v : c)
                QVERIFY(v > 100 && v < 200);
            for (double v : h)
                QVERIFY(v > 20 && v < 40);
            times += t;
        }
        // Counter 1 gives 0, then counter / 100 Hz. Lines cut across reads
        // never show up as extra points, and the malformed lines the box
        // slips in between good ones are left out without a gap.
        QCOMPARE(times.first(), 0.0);
        QCOMPARE(times.at(1), 0.02);
        for (int i = 2; i < times.size(); ++i) {
            QVERIFY2(times[i] > times[i - 1], qPrintable(QStringLiteral("at %1").arg(i)));
            const double step = times[i] - times[i - 1];
            QVERIFY2(std::abs(step - 0.01) < 1e-9,
                     qPrintable(QStringLiteral("step %1 at %2").arg(step).arg(i)));
        }

        // One stop is enough, while lines keep arriving.
        const int cmdsBefore = sim->commandLog().size();
        rig->thread->enqueue(3, QStringLiteral("OFF"));
        QVERIFY(rig->waitFor([this] { QMutexLocker l(&rig->thread->mutex); return !rig->thread->data.acquiring; }));
        QVERIFY(sim->control(QStringLiteral("get acquiring")));
        QCOMPARE(sim->lastReply(), QStringLiteral("OK 0"));
        QCOMPARE(sim->commandLog().mid(cmdsBefore), QStringList({"acq:OFF"}));
        QVERIFY(rig->runAndReport([](Dcct_thread* t) { t->enqueue(80); }));
        QVERIFY(!rig->statuses.last().acquiring);
        QVERIFY(rig->statuses.last().time_a.isEmpty() && rig->statuses.last().time_b.isEmpty());
    }

    void stillQueuedPrintOffIsSentBeforeClosing()
    {
        QVERIFY(startSim());
        QVERIFY(connectRig());
        rig->thread->interval_ms = 5000; // takes effect at the next run; stop ticking now instead:
        QMetaObject::invokeMethod(rig->thread->timer, "stop", Qt::BlockingQueuedConnection);
        rig->thread->enqueue(16, QStringLiteral("OFF"));
        rig->thread->quit();
        QVERIFY(rig->thread->wait(20000));
        QVERIFY(rig->waitFor([this] { return sim->commandLog().last() == QLatin1String("print:OFF"); }));
    }

    void everyRunStartsWithAnEmptyQueue()
    {
        QVERIFY(startSim());
        rig = makeRig(*sim, tcp);
        rig->thread->enqueue(72, QStringLiteral("LEFTOVER"));
        rig->thread->start();
        QVERIFY(rig->waitFor([this] { return rig->isUp(); }));
        QVERIFY(rig->waitFor([this] { return !rig->statuses.isEmpty() && rig->statuses.last().name != "-"; }));
        QVERIFY(!sim->commandLog().contains(QStringLiteral("sentrel:name:LEFTOVER")));
    }

    // Silent, or a peer that answers the status query with no status word
    // (a supply answers "#NAK:01"): no box answers.
    void silentBoxReportsNotAnswering_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("commands");
        QTest::newRow("silent") << "--silent" << 2;
        QTest::newRow("status no word") << "--bad-status" << 7;
    }
    void silentBoxReportsNotAnswering()
    {
        QFETCH(QString, fault);
        QFETCH(int, commands);
        QVERIFY(startSim({fault}));
        rig = makeRig(*sim, tcp, 300);
        rig->thread->start();
        QVERIFY(rig->thread->wait(10000));
        QVERIFY(rig->waitFor([this] { return rig->downReports() > 0; }));
        QCOMPARE(rig->connections.first(), qMakePair(3, true));
        QCOMPARE(rig->connections.last(), qMakePair(11, false));
        QCOMPARE(rig->downReports(), 1);
        // The greeting (its last command may reach the box after the worker gave up).
        QVERIFY(sim->waitForLogLines(commands, 20000));
        QCOMPARE(sim->commandLog().size(), commands);
    }

    // The box goes away: reported once, the run ends, the row can connect again.
    void droppedLinkEndsTheRunAndReconnects()
    {
        QVERIFY(startSim({QStringLiteral("--pty-link"), QDir::tempPath() + "/boxlink-test-" +
                                                           QString::number(QCoreApplication::applicationPid())}));
        const QString link = QDir::tempPath() + "/boxlink-test-" + QString::number(QCoreApplication::applicationPid());
        rig = std::make_unique<WorkerRig>(tcp, QStringLiteral("127.0.0.1"), QString::number(sim->port()), link, 5000);
        rig->thread->start();
        QVERIFY(rig->waitFor([this] { return rig->isUp(); }));
        const int polled = countOf(sim->commandLog(), QStringLiteral("status:?"));
        rig->thread->polling = true;
        QVERIFY(rig->waitFor([&] { return countOf(sim->commandLog(), QStringLiteral("status:?")) > polled; }));
        QVERIFY(sim->control(QStringLiteral("drop")));
        QVERIFY(rig->thread->wait(20000));
        QVERIFY(rig->waitFor([this] { return rig->downReports() > 0; }));
        QCOMPARE(rig->downReports(), 1);
        QCOMPARE(rig->connections.last(), qMakePair(tcp ? 14 : 11, false));
        for (int i = 0; i + 1 < rig->connections.size(); ++i)
            QCOMPARE(rig->connections.at(i), qMakePair(3, true));
        QCOMPARE(rig->statuses.last().name, QStringLiteral("-"));
        QVERIFY(rig->statuses.last().read_codes.isEmpty());
        QVERIFY(!rig->thread->connected);

        rig->connections.clear();
        rig->thread->start();
        QVERIFY(rig->waitFor([this] { return rig->isUp(); }));
        QVERIFY(rig->waitFor([this] { return rig->statuses.last().name == "SENTREL-01"; }));
        QFile::remove(link);
    }
};

class WorkerConnectTest : public QObject
{
    Q_OBJECT

private slots:
    void refusedConnection()
    {
        SimulatorProcess sim(QStringLiteral("box-sim"));
        QVERIFY(sim.start({QStringLiteral("--refuse")}));
        WorkerRig rig(true, QStringLiteral("127.0.0.1"), QString::number(sim.port()), QString());
        rig.thread->data.name = QStringLiteral("stale");
        rig.thread->start();
        QVERIFY(rig.thread->wait(8000));
        QVERIFY(rig.waitFor([&] { return rig.downReports() > 0; }));
        QCOMPARE(rig.connections, (QList<QPair<int, bool>>{{13, false}}));
        QCOMPARE(rig.statuses.last().name, QStringLiteral("-"));
    }

    void unknownHost()
    {
        WorkerRig rig(true, QStringLiteral("nonexistent.invalid"), QStringLiteral("10001"), QString());
        // No name reaches the system's resolver (nor the network).
        QStringList asked;
        rig.thread->resolve_host = [&asked](const QString& name) {
            asked << name;
            return QHostAddress();
        };
        rig.thread->start();
        QVERIFY(rig.thread->wait(8000));
        QVERIFY(rig.waitFor([&] { return rig.downReports() > 0; }));
        QCOMPARE(rig.connections, (QList<QPair<int, bool>>{{12, false}}));
        QCOMPARE(asked, QStringList{QStringLiteral("nonexistent.invalid")});
    }

    // A box that never completes the connection is given up after the
    // connect wait, as a time-out.
    void unansweredConnectionTimesOut()
    {
#ifdef Q_OS_UNIX
        HangingListener listener;
        QVERIFY(listener.port != 0);
        WorkerRig rig(true, QStringLiteral("127.0.0.1"), QString::number(listener.port), QString());
        rig.thread->start();
        QVERIFY(rig.thread->wait(20000));
        QVERIFY(rig.waitFor([&] { return rig.downReports() > 0; }));
        QCOMPARE(rig.connections, (QList<QPair<int, bool>>{{5, false}}));
#else
        QSKIP("needs a listener that never completes the handshake");
#endif
    }

    // A name the lookup knows leads to that address.
    void hostNameIsLookedUp()
    {
        SimulatorProcess sim(QStringLiteral("box-sim"));
        QVERIFY(sim.start());
        WorkerRig rig(true, QStringLiteral(" box-7.lab "), QString::number(sim.port()), QString());
        rig.thread->resolve_host = [](const QString& name) {
            return name == QLatin1String("box-7.lab") ? QHostAddress(QHostAddress::LocalHost) : QHostAddress();
        };
        rig.thread->start();
        QVERIFY(rig.waitFor([&] { return rig.isUp(); }, 20000));
    }

    // A serial port that does not exist is an error, never "connected".
    void missingSerialPort_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("no such device") << "/dev/boxlink-no-such-tty";
        QTest::newRow("no such name") << "ttyNOSUCH42";
    }
    void missingSerialPort()
    {
        QFETCH(QString, port);
        WorkerRig rig(false, QString(), QString(), port);
        rig.thread->start();
        QVERIFY(rig.thread->wait(8000));
        QVERIFY(rig.waitFor([&] { return rig.downReports() > 0; }));
        QCOMPARE(rig.connections, (QList<QPair<int, bool>>{{4, false}}));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        WorkerLinkTest t(true);
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        WorkerLinkTest t(false);
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        WorkerConnectTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_worker.moc"
