// The viewer with many boxes streaming at once: 8, 16 and 32 box-sim
// simulators at 10 samples a second (current, head and external
// temperature), each a row of the main window, connected and acquiring, all
// on the plot. For each count, over a measured stretch of the acquisition:
//
//  - GUI busy: the GUI thread's CPU time over the wall time (CPU that other
//    processes take does not count, so a loaded machine reads the same);
//  - longest pause: the longest a 10 ms heartbeat timer on the GUI thread
//    came late;
//  - line to plot: from the moment a line left the simulator to the end of
//    the first redraw that drew its point (median, 99th percentile, and the
//    medians of the first and last quarter: a growing backlog shows as a
//    last quarter later than the first);
//  - memory: resident growth over the stretch, per box and hour.
//
// A line's departure comes from the simulator's own clock: the simulator
// sends line k at its start time plus (k - 1) / rate, so watching its
// counter change once fixes when every later line leaves.
//
// The default stretch outlasts the plot's 60 s view, so by its end the view
// is full and scrolls with every block, as in a long acquisition. With
// --full-view the stretch starts only once the view scrolls (some 50 s into
// the acquisition), so a short stretch measures a full, scrolling view alone.
//
// The largest count is measured again with the window on an 800 x 600 and a
// 1366 x 768 screen (TEST_SCREEN), where it is capped to the screen and its
// content scrolls.
//
// bench_dravix_scale [--full-view] [seconds per count, default 70] [box counts...]

#include "benchsupport.h"
#include "benchviewer.h"
#include "simulatorprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <qcustomplot.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace
{

constexpr double rate = 10; // lines a second per box

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Result {
    bool ok = false;
    double cpuBusy = 0;
    double longestPauseMs = 0;
    double delayMedianMs = 0;
    double delayP99Ms = 0;
    double firstQuarterMs = 0;
    double lastQuarterMs = 0;
    double mbPerBoxHour = 0;
    int redraws = 0;
    qint64 points = 0;
};

// The simulator's counter, read over its control line; -1 when it does not answer.
qint64 counterOf(SimulatorProcess& sim)
{
    if (!sim.control(QStringLiteral("get counter")))
        return -1;
    return sim.lastReply().mid(3).toLongLong();
}

Result run(int boxes, double seconds, bool fullView)
{
    Result r;
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    for (int b = 0; b < boxes; ++b) {
        sims.push_back(std::make_unique<SimulatorProcess>(QStringLiteral("box-sim")));
        if (!sims.back()->start({QStringLiteral("--set"), QStringLiteral("freq=%1").arg(rate)})) {
            std::fprintf(stderr, "box-sim %d did not start\n", b);
            return r;
        }
    }

    auto window = std::make_unique<MainWindow>();
    MainWindow& w = *window;
    w.resize(1400, 900);
    w.show();
    for (int b = 0; b < boxes; ++b) {
        const int row = w.addBox(true, QStringLiteral("127.0.0.1"), QString());
        w.boxThread(row)->tcp_port = QString::number(sims[size_t(b)]->port());
        w.rowButton(row, MainWindow::ConnectButton)->click();
    }
    auto allRows = [&](const char* text, MainWindow::RowButton which) {
        for (int b = 0; b < boxes; ++b)
            if (w.rowButton(b, which)->text() != QLatin1String(text))
                return false;
        return true;
    };
    if (!waitUntil([&] { return allRows("Disconnect", MainWindow::ConnectButton); }, 30000)) {
        std::fprintf(stderr, "not every box connected\n");
        return r;
    }
    // The greeting's queries first, so every start finds an idle box.
    waitUntil([&] {
        for (int b = 0; b < boxes; ++b)
            if (w.boxThread(b)->queue_length() > 0)
                return false;
        return true;
    });
    for (int b = 0; b < boxes; ++b)
        w.rowButton(b, MainWindow::AcquireButton)->click();
    if (!waitUntil([&] { return allRows("STOP ACQ", MainWindow::AcquireButton); }, 30000)) {
        std::fprintf(stderr, "not every box acquires\n");
        return r;
    }

    QElapsedTimer clock;
    clock.start();

    // When each simulator's line `counter` left: seen as its counter changes.
    std::vector<double> baseMs(size_t(boxes), 0);
    std::vector<qint64> baseCounter(size_t(boxes), 0);
    for (int b = 0; b < boxes; ++b) {
        SimulatorProcess& sim = *sims[size_t(b)];
        const qint64 start = counterOf(sim);
        qint64 now = start;
        while (now == start && now >= 0)
            now = counterOf(sim);
        baseMs[size_t(b)] = double(clock.nsecsElapsed()) / 1e6;
        baseCounter[size_t(b)] = now;
    }

    // Blocks handed to the window, waiting for the redraw that shows them.
    struct Pending {
        int box;
        qint64 counter;
    };
    QVector<Pending> pending;
    QVector<double> delays;
    QVector<double> delayAt; // when each delay was taken, for the quarters
    bool measuring = false;
    QObject spy;
    for (int b = 0; b < boxes; ++b) {
        QObject::connect(
            w.boxThread(b), &Dcct_thread::data_updated, &spy,
            [&, b](const Dcct_data& d) {
                if (!measuring)
                    return;
                const QVector<double>& time = d.buf_select ? d.time_a : d.time_b;
                for (double t : time)
                    pending.append({b, t <= 0 ? 1 : qRound64(t * rate)});
            },
            Qt::QueuedConnection);
    }
    QObject::connect(w.plot(), &QCustomPlot::afterReplot, &spy, [&] {
        if (!measuring)
            return;
        ++r.redraws;
        const double now = double(clock.nsecsElapsed()) / 1e6;
        for (const Pending& p : qAsConst(pending)) {
            const double left =
                baseMs[size_t(p.box)] + double(p.counter - baseCounter[size_t(p.box)]) * 1000.0 / rate;
            delays.append(now - left);
            delayAt.append(now);
        }
        r.points += pending.size();
        pending.clear();
    });

    // The GUI thread's heartbeat.
    constexpr int beatMs = 10;
    double lastBeat = -1;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, &spy, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        if (measuring && lastBeat >= 0)
            r.longestPauseMs = qMax(r.longestPauseMs, now - lastBeat - beatMs);
        lastBeat = now;
    });
    heartbeat.start(beatMs);

    // A few seconds to settle (or until the view is full and scrolls), then
    // the measured stretch.
    QTest::qWait(3000);
    if (fullView && !waitUntil([&] { return w.plot()->xAxis->range().lower > w.timeOrigin(); }, 120000)) {
        std::fprintf(stderr, "the view did not start to scroll\n");
        return r;
    }
    const qint64 rssBefore = residentBytes();
    const double cpuBefore = threadCpuSeconds();
    const double wallBefore = double(clock.nsecsElapsed()) / 1e6;
    measuring = true;
    QTest::qWait(int(seconds * 1000));
    measuring = false;
    const double wallMs = double(clock.nsecsElapsed()) / 1e6 - wallBefore;
    const double cpuMs = (threadCpuSeconds() - cpuBefore) * 1000.0;
    const qint64 rssAfter = residentBytes();
    heartbeat.stop();

    r.cpuBusy = cpuMs / wallMs;
    r.delayMedianMs = percentile(delays, 0.5);
    r.delayP99Ms = percentile(delays, 0.99);
    QVector<double> first, last;
    for (int i = 0; i < delays.size(); ++i) {
        const double at = delayAt.at(i) - wallBefore;
        if (at < wallMs / 4)
            first.append(delays.at(i));
        else if (at > wallMs * 3 / 4)
            last.append(delays.at(i));
    }
    r.firstQuarterMs = percentile(first, 0.5);
    r.lastQuarterMs = percentile(last, 0.5);
    r.mbPerBoxHour = double(rssAfter - rssBefore) / (1024.0 * 1024.0) / boxes / (wallMs / 3.6e6);
    r.ok = true;

    // The window lets its links go before the simulators end.
    window.reset();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    preferOffscreen();
    QApplication app(argc, argv);
    ViewerSettings settings;

    double seconds = 70;
    QList<int> counts{8, 16, 32};
    QStringList args = app.arguments().mid(1);
    const bool fullView = args.removeAll(QStringLiteral("--full-view")) > 0;
    if (!args.isEmpty())
        seconds = args.takeFirst().toDouble();
    if (!args.isEmpty()) {
        counts.clear();
        for (const QString& a : qAsConst(args))
            counts.append(a.toInt());
    }

    // The screen the window is on (TEST_SCREEN, else the tests' large one).
    const QByteArray screen =
        qEnvironmentVariableIsEmpty("TEST_SCREEN") ? "3840x2160" : qgetenv("TEST_SCREEN");
    const bool child = !qEnvironmentVariableIsEmpty("BENCH_SCALE_SCREEN");
    if (!child) {
        std::printf("%d samples a second per box, %.0f s measured per count%s\n", int(rate), seconds,
                    fullView ? ", view full and scrolling" : "");
        std::printf("%-10s %-6s %9s %10s %11s %11s %11s %11s %10s %10s\n", "screen", "boxes", "GUI busy",
                    "pause[ms]", "delay p50", "delay p99", "1st 1/4", "last 1/4", "MB/box-h", "redraws");
    }
    for (int boxes : counts) {
        const Result r = run(boxes, seconds, fullView);
        if (!r.ok) {
            std::printf("%-10s %-6d failed\n", screen.constData(), boxes);
            continue;
        }
        std::printf("%-10s %-6d %8.1f%% %10.1f %11.0f %11.0f %11.0f %11.0f %10.2f %8.1f/s\n",
                    screen.constData(), boxes, 100 * r.cpuBusy, r.longestPauseMs, r.delayMedianMs,
                    r.delayP99Ms, r.firstQuarterMs, r.lastQuarterMs, r.mbPerBoxHour, r.redraws / seconds);
        std::fflush(stdout);
    }
    // The most boxes again on a small screen and on a laptop's, where the
    // window is capped to its screen and its content scrolls: each in a run
    // of its own, as the screen is set when the program starts.
    if (child || !qEnvironmentVariableIsEmpty("TEST_SCREEN"))
        return 0;
    for (const char* small : {"800x600", "1366x768"}) {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TEST_SCREEN"), QLatin1String(small));
        env.insert(QStringLiteral("BENCH_SCALE_SCREEN"), QStringLiteral("1"));
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList runArgs{QString::number(seconds), QString::number(counts.last())};
        if (fullView)
            runArgs.prepend(QStringLiteral("--full-view"));
        run.start(QCoreApplication::applicationFilePath(), runArgs);
        run.waitForFinished(-1);
    }
    return 0;
}
