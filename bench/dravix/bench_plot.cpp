// Cost of drawing one block of samples on the viewer's live plot, for 1 and
// 8 boxes holding 10^4, 10^5 and 10^6 points per graph, with the time axis
// on the last 60 s and with the whole acquisition in view (autoscale).
//
// Each box streams current, head and external temperature (three graphs).
// A step hands one block of 5 samples per box to the window through the
// box thread's signal, then lets the event loop run the one queued redraw.

#include "benchsupport.h"
#include "benchviewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <qcustomplot.h>

#include <cmath>
#include <cstdio>

namespace
{

constexpr double period = 0.1; // 10 Hz
constexpr int layout = 6;      // head and external temperature

Dcct_data block(double t0)
{
    Dcct_data d;
    d.buf_select = true;
    d.line_layout = layout;
    for (int i = 0; i < 5; ++i) {
        const double t = t0 + i * period;
        d.time_a.append(t);
        d.current_a.append(150 + 3 * std::sin(t / 10));
        d.head_t_a.append(30 + std::sin(t / 100));
        d.ext_t_a.append(24 + std::cos(t / 100));
    }
    return d;
}

struct Result {
    double stepMs;
    double redrawMs;
};

Result run(int boxes, int points, bool autoscale)
{
    MainWindow w;
    w.resize(1200, 800);
    w.show();
    QCoreApplication::processEvents();
    QCustomPlot* plot = w.plot();

    startAcquiring(w, boxes, layout);
    QCoreApplication::processEvents();

    // A first block fixes each row's time offset at 0, so the box's own
    // time t lands at origin + t; then the history replaces it: `points`
    // samples per graph, as a long acquisition leaves them.
    for (int b = 0; b < boxes; ++b)
        emit w.boxThread(b)->data_updated(block(0));
    QCoreApplication::processEvents();
    const double origin = w.timeOrigin();
    for (int b = 0; b < boxes; ++b) {
        QVector<double> keys(points), current(points), head(points), ext(points);
        for (int i = 0; i < points; ++i) {
            keys[i] = origin + i * period;
            current[i] = 150 + 3 * std::sin(i * period / 10) + (i % 7) * 0.01;
            head[i] = 30 + std::sin(i * period / 100);
            ext[i] = 24 + std::cos(i * period / 100);
        }
        w.rowGraph(b, MainWindow::CurrentGraph)->setData(keys, current, true);
        w.rowGraph(b, MainWindow::HeadGraph)->setData(keys, head, true);
        w.rowGraph(b, MainWindow::ExternalGraph)->setData(keys, ext, true);
    }
    double t = points * period;
    QCoreApplication::processEvents();

    QVector<double> steps, redraws;
    for (int k = 0; k < 25; ++k) {
        QElapsedTimer timer;
        timer.start();
        for (int b = 0; b < boxes; ++b)
            emit w.boxThread(b)->data_updated(block(t));
        if (autoscale) {
            plot->xAxis->setRange(origin, origin + t + 10);
            plot->yAxis->setRange(140, 160);
        }
        QCoreApplication::processEvents(); // delivers the blocks and runs the queued redraw
        steps.append(timer.nsecsElapsed() / 1e6);
        redraws.append(plot->replotTime(false));
        t += 5 * period;
    }
    for (int b = 0; b < boxes; ++b)
        w.boxThread(b)->connected = false;
    return {percentile(steps, 0.5), percentile(redraws, 0.5)};
}

} // namespace

int main(int argc, char** argv)
{
    preferOffscreen();
    QApplication app(argc, argv);
    ViewerSettings settings;

    std::printf("%-6s %-10s %-10s %12s %12s\n", "boxes", "points", "view", "block [ms]", "redraw [ms]");
    for (int boxes : {1, 8}) {
        for (int points : {10000, 100000, 1000000}) {
            for (bool autoscale : {false, true}) {
                const Result r = run(boxes, points, autoscale);
                std::printf("%-6d %-10d %-10s %12.2f %12.2f\n", boxes, points, autoscale ? "all" : "60 s",
                            r.stepMs, r.redrawMs);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
