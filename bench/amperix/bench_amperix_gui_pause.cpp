// The GUI thread's longest pause while the main window is connected to
// supply-sim at the fastest refresh (50 ms, a 25 ms poll), with the supply
// answering at once and with it stalled; and how long a disconnect takes
// while a command waits for a stalled supply.

#include "benchwindow.h"

#include "faultdialog.h"
#include "ps_thread.h"
#include "realtimeplot.h"

#include "simulatorprocess.h"
#include "tempsettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace
{
// Runs the event loop for `ms` with a 1 ms timer and returns the pauses
// between its ticks (nanoseconds beyond the 1 ms period).
QList<qint64> pauses(int ms)
{
    QList<qint64> gaps;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps << qMax<qint64>(0, now - last - 1000000);
        last = now;
    });
    tick.start(1);
    // A plain event loop: QTest::qWait sleeps between its rounds.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    tick.stop();
    return gaps;
}

void report(const char* label, const QList<qint64>& gaps, int polls)
{
    std::printf("%-44s longest pause %6.2f ms, p99 %5.2f ms, median %5.3f ms; %d polls answered\n", label,
                percentile(gaps, 1.0) / 1e6, percentile(gaps, 0.99) / 1e6, percentile(gaps, 0.5) / 1e6,
                polls);
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

    MainWindow w;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        std::fprintf(stderr, "the window is not exposed\n");
    windowAction(w, "actionConnection")->trigger();
    if (!QTest::qWaitFor([&] { return windowConnected(w); }, 15000)) {
        std::fprintf(stderr, "the window does not connect\n");
        return 1;
    }
    // Output on, so readings move; the fault window and the plot are fed too.
    QTest::qWait(300);
    w.findChild<QPushButton*>(QStringLiteral("on_button"))->click();
    w.findChild<FaultDialog*>()->show();
    w.findChild<RealTimePlot*>()->show();
    QTest::qWait(500);

    std::printf("GUI thread pauses while connected, refresh 50 ms (goal: longest <= 50 ms)\n");
    int before = sim.commandLog().count(QStringLiteral("MPLST"));
    QList<qint64> gaps = pauses(5000);
    report("supply answering at once:", gaps, sim.commandLog().count(QStringLiteral("MPLST")) - before);

    sim.control(QStringLiteral("stall on"));
    before = sim.commandLog().count(QStringLiteral("MPLST"));
    gaps = pauses(5000);
    report("supply stalled (4 x 1000 ms per command):", gaps,
           sim.commandLog().count(QStringLiteral("MPLST")) - before);

    QElapsedTimer clock;
    clock.start();
    windowAction(w, "actionConnection")->trigger();
    const qint64 stopMs = clock.elapsed();
    const bool shown = QTest::qWaitFor([&] { return windowDisconnected(w); }, 15000);
    std::printf(
        "disconnect while a command waits for the stalled supply: %lld ms in the click, %lld ms until "
        "the window shows it%s\n",
        stopMs, clock.elapsed(), shown ? "" : " (not within 15 s)");
    w.findChild<FaultDialog*>()->close();
    w.findChild<RealTimePlot*>()->close();
    return 0;
}
