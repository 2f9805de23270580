// 200 connect / disconnect cycles of the main window against supply-sim:
// resident memory and thread count before and after.
//
// A shown window re-renders its styled controls whenever the connection
// enables or disables them, and Qt keeps those pictures in its pixmap cache
// (QPixmapCache, bounded at 10 MiB by default) under new keys each time. So
// the run is made twice: with Qt's default cache, and with the cache capped,
// which leaves what the window and the worker themselves keep. The worker
// alone is measured as well.

#include "benchwindow.h"

#include "ps_thread.h"

#include "simulatorprocess.h"
#include "tempsettings.h"
#include "workerfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmapCache>

#include <cstdio>
#include <functional>

namespace
{
constexpr int cycles = 200;
constexpr int warmUp = 10;

bool windowCycle(MainWindow& w)
{
    windowAction(w, "actionConnection")->trigger();
    // Connected and the first status report shown.
    if (!QTest::qWaitFor(
            [&] {
                return windowConnected(w) &&
                       w.findChild<QWidget*>(QStringLiteral("groupBox_RegulationMode"))->isEnabled();
            },
            15000))
        return false;
    windowAction(w, "actionConnection")->trigger();
    return QTest::qWaitFor([&] { return windowDisconnected(w); }, 15000);
}

// The worker alone, started and stopped as the window does it.
bool workerCycle(ps_thread& worker)
{
    worker.start();
    if (!QTest::qWaitFor([&] { return worker.isRunning(); }, 15000))
        return false;
    QTest::qWait(40);
    worker.stop();
    return true;
}

bool measure(const char* label, const std::function<bool()>& cycle)
{
    for (int i = 0; i < warmUp; ++i)
        if (!cycle()) {
            std::fprintf(stderr, "%s: a warm-up cycle failed\n", label);
            return false;
        }
    QTest::qWait(200);
    const long rssBefore = procStatus("VmRSS");
    const long threadsBefore = procStatus("Threads");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < cycles; ++i)
        if (!cycle()) {
            std::fprintf(stderr, "%s: cycle %d failed\n", label, i);
            return false;
        }
    const qint64 elapsed = clock.elapsed();
    QTest::qWait(200);
    std::printf("%-44s %5.1f ms a cycle; resident %ld -> %ld kB, growth %5ld kB; threads %ld -> %ld\n", label,
                double(elapsed) / cycles, rssBefore, procStatus("VmRSS"), procStatus("VmRSS") - rssBefore,
                threadsBefore, procStatus("Threads"));
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TempSettings settings;
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start supply-sim\n");
        return 1;
    }
    LiveTest::storeConnection(sim.port(), QStringLiteral("50"), QStringLiteral("1000"));

    std::printf("%d connect/disconnect cycles after %d of warm-up (goal: growth <= 1024 kB, threads back "
                "where they started)\n",
                cycles, warmUp);
    {
        MainWindow w;
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            std::fprintf(stderr, "the window is not exposed\n");
        if (!measure("window, Qt's default pixmap cache:", [&] { return windowCycle(w); }))
            return 1;
        QPixmapCache::setCacheLimit(256);
        if (!measure("window, pixmap cache capped at 256 kB:", [&] { return windowCycle(w); }))
            return 1;
    }

    ps_thread worker(25);
    configureWorker(worker, sim.port(), 1000, 25);
    if (!measure("worker alone:", [&] { return workerCycle(worker); }))
        return 1;
    return 0;
}
