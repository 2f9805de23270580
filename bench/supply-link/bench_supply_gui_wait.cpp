// The longest time the window's thread waits in set_task / get_ps_data while
// the worker runs a batch against a stalled supply-sim (and, for comparison,
// while it polls an answering one as fast as it can).

#include "benchsupport.h"
#include "ps_thread.h"
#include "simulatorprocess.h"
#include "workerfixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

namespace
{

void measure(ps_thread& thread, const char* label, int durationMs)
{
    QList<qint64> posts, copies;
    ps_data data;
    QElapsedTimer total;
    total.start();
    int i = 0;
    while (total.elapsed() < durationMs) {
        QElapsedTimer one;
        one.start();
        thread.set_task(ps_thread::TaskReadId);
        posts.append(one.nsecsElapsed());
        one.restart();
        thread.get_ps_data(data);
        copies.append(one.nsecsElapsed());
        if (++i % 50 == 0)
            QCoreApplication::processEvents(); // the window thread also handles the worker's signals
        QThread::usleep(100);
    }
    std::printf("%s (%d calls each)\n", label, int(posts.size()));
    std::printf("  set_task    : median %.3f us, p99 %.3f us, longest %.3f ms\n",
                percentile(posts, 0.5) / 1e3, percentile(posts, 0.99) / 1e3, percentile(posts, 1.0) / 1e6);
    std::printf("  get_ps_data : median %.3f us, p99 %.3f us, longest %.3f ms\n",
                percentile(copies, 0.5) / 1e3, percentile(copies, 0.99) / 1e3, percentile(copies, 1.0) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    if (!sim.start({QStringLiteral("--noise"), QStringLiteral("0")})) {
        std::fprintf(stderr, "cannot start supply-sim\n");
        return 1;
    }

    ps_thread thread(0);
    configureWorker(thread, sim.port(), 1000, 0);
    thread.start();
    if (!QTest::qWaitFor([&] { return sim.commandLog().size() > 50; }, 10000)) {
        std::fprintf(stderr, "the worker does not poll supply-sim\n");
        return 1;
    }

    measure(thread, "answering simulator, poll sets back to back", 2000);

    sim.control(QStringLiteral("stall on"));
    QTest::qWait(100);
    measure(thread, "stalled simulator, a batch waiting 4 x 1000 ms per command (goal: longest <= 1 ms)",
            3000);

    QElapsedTimer clock;
    clock.start();
    thread.stop();
    std::printf("stop during the stalled batch: %lld ms\n", clock.elapsed());
    sim.stop();
    return 0;
}
