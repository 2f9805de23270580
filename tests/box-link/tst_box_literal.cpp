// The worker against a box written plainly from the protocol rather than
// box-sim, over TCP and a pseudo-terminal: the exact bytes of the greeting,
// an acquisition started and stopped as the windows do it with lines ending
// in a CR alone and lines still arriving after the stop's "ACK", a box found
// streaming at connect, and a box that refuses everything.

#include "literalbox.h"
#include "postedevents.h"
#include "workerrig.h"

#include <QtTest>

#include <memory>

class LiteralWorkerTest : public QObject
{
    Q_OBJECT

public:
    explicit LiteralWorkerTest(ScriptedBox::Transport t) : transport(t) {}

private:
    ScriptedBox::Transport transport;
    std::unique_ptr<LiteralBox> box;
    std::unique_ptr<WorkerRig> rig;

    void startRig(int quietMs = 3000)
    {
        const bool tcp = transport == ScriptedBox::Tcp;
        rig = std::make_unique<WorkerRig>(tcp, QStringLiteral("127.0.0.1"),
                                          QString::number(box->link().port()), box->link().ptyPath(), 1000);
        rig->thread->stream_quiet_ms = quietMs;
        rig->thread->start();
    }

    // From here the worker's ticks run one at a time from the test, so what
    // a tick does is counted against ticks, whatever the machine's speed.
    bool holdTicks()
    {
        return QMetaObject::invokeMethod(rig->thread->timer, "stop", Qt::BlockingQueuedConnection);
    }
    bool tick()
    {
        Dcct_thread* t = rig->thread.get();
        return QMetaObject::invokeMethod(
            t->timer, [t] { t->process(); }, Qt::BlockingQueuedConnection);
    }
    // Ticks, letting the box's bytes in between, until `done` holds.
    bool tickUntil(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        do {
            QTest::qWait(20);
            if (!tick() || clock.elapsed() > timeoutMs)
                return false;
        } while (!done());
        return true;
    }
    bool isQuiet()
    {
        QMutexLocker lock(&rig->thread->mutex);
        return rig->thread->data.stream_quiet;
    }
    bool isAcquiring()
    {
        QMutexLocker lock(&rig->thread->mutex);
        return rig->thread->data.acquiring;
    }
    // Starts the acquisition as the windows do, one tick per code.
    bool startAcquisition()
    {
        const int starts = rig->starts.size();
        for (int code : {5, 16, 3}) {
            if (code == 5)
                rig->thread->enqueue(code);
            else
                rig->thread->enqueue(code, QStringLiteral("ON"));
            if (!tick())
                return false;
        }
        return rig->waitFor([&] { return rig->starts.size() > starts; }) && rig->starts.last().acquiring;
    }

    bool connected(const QString& name)
    {
        return rig->waitFor([this] { return rig->isUp(); }) &&
               rig->waitFor([&] { return !rig->statuses.isEmpty() && rig->statuses.last().name == name; });
    }

    int count(const QByteArray& command) const
    {
        const QByteArrayList log = box->link().commands();
        return int(std::count(log.begin(), log.end(), command));
    }

    // Every block holds five samples whose fields belong together: the
    // box's current is 100 + counter / 10 and the time counter / 100 Hz.
    static void checkBlock(const Dcct_data& b, QVector<double>* times)
    {
        const bool readA = b.buf_select;
        const QVector<double>& t = readA ? b.time_a : b.time_b;
        const QVector<double>& c = readA ? b.current_a : b.current_b;
        QCOMPARE(t.size(), 5);
        QCOMPARE(c.size(), 5);
        QCOMPARE((readA ? b.head_t_a : b.head_t_b).size(), 0);
        QCOMPARE(readA ? b.ext_t_a : b.ext_t_b, QVector<double>(5, 24.5));
        QCOMPARE(readA ? b.adc_t_a : b.adc_t_b, QVector<double>(5, 38.25));
        for (int i = 0; i < 5; ++i) {
            if (t[i] > 0)
                QVERIFY2(qAbs(c[i] - (100 + t[i] * 10)) < 1e-6,
                         qPrintable(QStringLiteral("%1 at %2").arg(c[i]).arg(t[i])));
        }
        *times += t;
    }

private slots:
    void init()
    {
        box = std::make_unique<LiteralBox>(transport);
        QVERIFY(box->start());
    }

    void cleanup()
    {
        rig.reset();
        box.reset();
    }

    void greetingBytesAndFirstQueries()
    {
        startRig();
        QVERIFY(connected(QStringLiteral("BOX 1")));
        QVERIFY(rig->waitFor([this] { return rig->statuses.last().dcct_des == QLatin1String("HEAD 7"); }));
        const Dcct_data d = rig->statuses.last();
        QVERIFY(d.ready);
        QCOMPARE(d.line_layout, 3);
        QVERIFY(!d.acquiring);
        QCOMPARE(box->link().received(),
                 QByteArray(" \r \rPRINT:OFF\rPRINT:OFF\rSTATUS:?\rSTATUS:?\rSTATUS:?\r"
                            "status:?\rsentrel:name:?\rdcct:des:?\r"));
    }

    void acquisitionStartedAndStoppedAsTheWindowsDo()
    {
        startRig();
        QVERIFY(connected(QStringLiteral("BOX 1")));
        rig->thread->polling = false;
        rig->thread->enqueue(5);
        rig->thread->enqueue(16, QStringLiteral("ON"));
        rig->thread->enqueue(3, QStringLiteral("ON"));
        QVERIFY(rig->waitFor([this] { return !rig->starts.isEmpty(); }));
        QVERIFY(rig->starts.first().acquiring);
        QVERIFY(rig->waitFor([this] { return rig->blocks.size() >= 6; }, 8000));

        QVector<double> times;
        for (const Dcct_data& b : qAsConst(rig->blocks))
            checkBlock(b, &times);
        QCOMPARE(times.first(), 0.0);
        for (int i = 2; i < times.size(); ++i)
            QVERIFY2(qAbs(times[i] - times[i - 1] - 0.01) < 1e-9, qPrintable(QString::number(i)));

        // One stop; the lines the box still sends after its "ACK" disturb
        // neither the stop nor the status polls that follow it.
        rig->thread->enqueue(3, QStringLiteral("OFF"));
        rig->thread->polling = true;
        QVERIFY(rig->waitFor([this] {
            QMutexLocker l(&rig->thread->mutex);
            return !rig->thread->data.acquiring;
        }));
        // Reports of blocks taken before the stop may still be on their way.
        QVERIFY(rig->waitFor([this] { return !rig->statuses.last().acquiring; }));
        const int before = rig->statuses.size();
        QVERIFY(rig->waitFor([&] { return rig->statuses.size() >= before + 2; }));
        const Dcct_data d = rig->statuses.last();
        QVERIFY(!d.acquiring);
        QVERIFY(d.ready);
        QVERIFY(d.printing);
        QCOMPARE(d.line_layout, 3);
        QCOMPARE(count("acq:OFF"), 1);
        QVERIFY(!box->state().acquiring);
    }

    // A box may stream its first lines in the same write as the answer to
    // the command that starts the stream, even ahead of that answer.
    void linesNextToTheStartAnswer_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("after the ACK") << false;
        QTest::newRow("before the ACK") << true;
    }
    void linesNextToTheStartAnswer()
    {
        QFETCH(bool, before);
        box->change([&](LiteralBox::State& s) {
            s.lines_with_start = 3;
            s.lines_before_ack = before;
        });
        startRig();
        QVERIFY(connected(QStringLiteral("BOX 1")));
        rig->thread->enqueue(5);
        rig->thread->enqueue(16, QStringLiteral("ON"));
        rig->thread->enqueue(3, QStringLiteral("ON"));
        QVERIFY(rig->waitFor([this] { return !rig->starts.isEmpty(); }));
        QVERIFY(rig->starts.first().acquiring);
        QVERIFY(rig->waitFor([this] { return rig->blocks.size() >= 3; }, 8000));
        QVector<double> times;
        for (const Dcct_data& b : qAsConst(rig->blocks))
            checkBlock(b, &times);
        // No sample lost: counter 1 (time 0), then 2, 3, ... at 100 Hz.
        QCOMPARE(times.first(), 0.0);
        for (int i = 1; i < times.size(); ++i)
            QVERIFY2(qAbs(times[i] - (i + 1) * 0.01) < 1e-9, qPrintable(QString::number(i)));

        // Printing switched on while the box acquires starts the stream too.
        rig->thread->enqueue(16, QStringLiteral("OFF"));
        QVERIFY(rig->waitFor([this] {
            QMutexLocker l(&rig->thread->mutex);
            return !rig->thread->data.printing;
        }));
        // Blocks read with the stop's answer were sent before the flag fell.
        QCoreApplication::sendPostedEvents();
        const int blocks = rig->blocks.size();
        rig->thread->enqueue(16, QStringLiteral("ON"));
        QVERIFY(rig->waitFor([&] { return rig->blocks.size() >= blocks + 3; }, 8000));
        QVERIFY(rig->statuses.last().printing);
        QCOMPARE(count("print:ON"), 2);
    }

    void boxFoundStreamingAtConnect()
    {
        box->change([](LiteralBox::State& s) {
            s.acquiring = true;
            s.printing = true;
            s.lines_per_tick = 5;
            s.lines_ahead_of_answers = 3;
        });
        startRig();
        QVERIFY(rig->waitFor([this] { return !rig->foundAcquiring.isEmpty(); }));
        const Dcct_data d = rig->foundAcquiring.first();
        QVERIFY(d.acquiring);
        QVERIFY(!d.printing);
        QCOMPARE(d.name, QStringLiteral("BOX 1"));
        QCOMPARE(d.dcct_des, QStringLiteral("HEAD 7"));
        QCOMPARE(d.freq, QStringLiteral("100"));
        QCOMPARE(d.line_layout, 3);

        // The windows then switch printing back on.
        rig->thread->enqueue(16, QStringLiteral("ON"));
        QVERIFY(rig->waitFor([this] { return rig->blocks.size() >= 4; }, 8000));
        QVector<double> times;
        for (const Dcct_data& b : qAsConst(rig->blocks))
            checkBlock(b, &times);
        for (int i = 2; i < times.size(); ++i)
            QVERIFY2(qAbs(times[i] - times[i - 1] - 0.01) < 1e-9, qPrintable(QString::number(i)));
    }

    // A stream without lines is marked quiet once three sample periods, and
    // at least the watch's limit, have passed; the box is then polled every
    // third tick.
    void quietStreamIsPolledEveryThirdTick_data()
    {
        QTest::addColumn<QByteArray>("freq");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("100 Hz") << QByteArray("100") << true;
        // Three periods are 30 s, far beyond the limit.
        QTest::newRow("0.1 Hz") << QByteArray("0.1") << false;
    }
    void quietStreamIsPolledEveryThirdTick()
    {
        QFETCH(QByteArray, freq);
        QFETCH(bool, quiet);
        const int limitMs = 200;
        box->change([&](LiteralBox::State& s) {
            s.freq = freq;
            s.lines_per_tick = 0;
        });
        startRig(limitMs);
        QVERIFY(connected(QStringLiteral("BOX 1")));
        QVERIFY(holdTicks());
        rig->thread->polling = false;
        QVERIFY(startAcquisition());
        QVERIFY(tick()); // the watch starts
        const int polls = count("status:?");
        // Ticks until the stream is marked quiet or a tick began after twice the limit.
        QElapsedTimer silent;
        silent.start();
        qint64 tickedAt = 0;
        do {
            QTest::qWait(20);
            tickedAt = silent.elapsed();
            QVERIFY(tick());
        } while (!isQuiet() && tickedAt <= 2 * limitMs);
        QCOMPARE(isQuiet(), quiet);
        QCOMPARE(count("status:?"), polls);
        if (!quiet)
            return;
        for (int i = 0; i < 6; ++i)
            QVERIFY(tick());
        QCOMPARE(count("status:?") - polls, 2);
    }

    // Stopped from elsewhere while two samples wait for their block: the
    // poll that learns it leaves nothing of the run behind, so the next run
    // neither begins quiet nor carries those samples.
    void stopLearnedFromAPollLeavesNothingBehind()
    {
        box->change([](LiteralBox::State& s) {
            s.lines_per_tick = 0;
            s.lines_with_start = 7;
        });
        startRig(200);
        QVERIFY(connected(QStringLiteral("BOX 1")));
        QVERIFY(holdTicks());
        rig->thread->polling = false;
        QVERIFY(startAcquisition());
        const auto halfSize = [this] {
            QMutexLocker lock(&rig->thread->mutex);
            const Dcct_data& d = rig->thread->data;
            return (d.buf_select ? d.time_b : d.time_a).size();
        };
        QVERIFY(tickUntil([&] {
            deliverPostedEvents();
            return rig->blocks.size() == 1 && halfSize() == 2;
        }));
        box->change([](LiteralBox::State& s) {
            s.acquiring = false;
            s.lines_with_start = 0;
        });
        QVERIFY(tickUntil([this] { return !isAcquiring(); }));

        QVERIFY(startAcquisition());
        QVERIFY(tick()); // the first tick of the new stream
        QVERIFY(!isQuiet());
        box->change([](LiteralBox::State& s) { s.lines_per_tick = 1; });
        deliverPostedEvents();
        const int blocks = rig->blocks.size();
        QVERIFY(tickUntil([&] {
            deliverPostedEvents();
            return rig->blocks.size() > blocks;
        }));
        QVector<double> times;
        checkBlock(rig->blocks.at(blocks), &times);
        QCOMPARE(times.first(), 0.0);
    }

    // A box that keeps streaming through the greeting's "PRINT:OFF" (though
    // no line comes): after a reconnection its stream is watched afresh, as
    // it was at the first connection.
    void reconnectionWatchesTheStreamAfresh()
    {
        box->change([](LiteralBox::State& s) {
            s.acquiring = true;
            s.printing = true;
            s.refuse_print_off = true;
            s.lines_per_tick = 0;
        });
        startRig(1000);
        QVERIFY(rig->waitFor([this] { return !rig->foundAcquiring.isEmpty(); }));
        QVERIFY(!rig->foundAcquiring.last().stream_quiet);
        QVERIFY(rig->waitFor([this] { return rig->statuses.last().stream_quiet; }));
        rig->stop();
        rig->foundAcquiring.clear();
        rig->thread->start();
        QVERIFY(rig->waitFor([this] { return !rig->foundAcquiring.isEmpty(); }));
        QVERIFY(!rig->foundAcquiring.last().stream_quiet);
    }

    void refusedQueriesKeepTheRecord()
    {
        box->change([](LiteralBox::State& s) { s.nak_everything = true; });
        startRig();
        QVERIFY(rig->waitFor([this] { return rig->isUp(); }));
        QVERIFY(rig->runAndReport(
            [](Dcct_thread* t) {
                for (int code : {73, 5, 7, 80, 82, 53, 258, 0, 17, 34, 36, 49, 103, 113, 69, 71, 67, 4})
                    t->enqueue(code);
            },
            8000));
        const Dcct_data d = rig->statuses.last();
        const Dcct_data fresh;
        QCOMPARE(d.name, fresh.name);
        QCOMPARE(d.freq, fresh.freq);
        QCOMPARE(d.ts, fresh.ts);
        QCOMPARE(d.dcct_model, fresh.dcct_model);
        QCOMPARE(d.fw_version, fresh.fw_version);
        QCOMPARE(d.date, fresh.date);
        QCOMPARE(d.time, fresh.time);
        QCOMPARE(d.line_layout, 0);
        QVERIFY(d.read_codes.isEmpty());
        QCOMPARE(d.status_failures, 1);
        QVERIFY(!d.mode_dlog && !d.save_sd && !d.cal_on && !d.alarm_enabled);
        QVERIFY(!d.trigger_in && !d.trigger_out && !d.sd_mounted && !d.err_head_match);
        QVERIFY(rig->isUp());
    }
};

// A box whose terminal was never set up (line editing, echo and CR/LF
// translation on): the port makes it raw when it opens, so the greeting and
// the first queries go through unchanged.
class CookedTerminalTest : public QObject
{
    Q_OBJECT

private slots:
    void terminalNeverSetUpByTheBox()
    {
        LiteralBox box(ScriptedBox::PtyCooked);
        QVERIFY(box.start());
        QVERIFY(!box.link().terminalIsRaw());
        WorkerRig rig(false, QString(), QString(), box.link().ptyPath(), 1000);
        rig.thread->start();
        QVERIFY(rig.waitFor([&] { return rig.isUp(); }));
        QVERIFY(rig.waitFor([&] {
            return !rig.statuses.isEmpty() && rig.statuses.last().dcct_des == QLatin1String("HEAD 7");
        }));
        QVERIFY(box.link().terminalIsRaw());
        QCOMPARE(rig.statuses.last().name, QStringLiteral("BOX 1"));
        QCOMPARE(box.link().received(),
                 QByteArray(" \r \rPRINT:OFF\rPRINT:OFF\rSTATUS:?\rSTATUS:?\rSTATUS:?\r"
                            "status:?\rsentrel:name:?\rdcct:des:?\r"));
        rig.stop();
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        LiteralWorkerTest t(ScriptedBox::Tcp);
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        LiteralWorkerTest t(ScriptedBox::Pty);
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        CookedTerminalTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_literal.moc"
