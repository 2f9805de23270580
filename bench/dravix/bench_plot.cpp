// Cost of drawing one block of samples on the viewer's live plot, for 1 and
// 8 boxes holding 10^4, 10^5 and 10^6 points per graph, with the time axis
// on the last 60 s and with the whole acquisition in view (autoscale).
//
// Each box streams current, head and external temperature (three graphs).
// A step hands one block of 5 samples per box to the window through the
// box thread's signal, then lets the event loop run the one queued redraw.
//
// Then frames of a streaming view, the plot alone (its live graphs and kept
// picture): 8 boxes of three graphs with ten minutes of history, one block of
// 5 samples a frame, box after box, the time axis following the newest
// sample, for a 60 s view (sparse, the picture scrolls) and a 300 s view
// (some 5 samples a pixel column, drawn as column bands). Over 300 frames:
// the median time of a frame, the 300 frames' total, and how many were drawn
// whole. Last, the 300 s view zoomed in to 60 s: the view scrolls again.

#include "benchsupport.h"
#include "benchviewer.h"
#include "livegraph.h"
#include "liveplotcache.h"

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

struct FrameResult {
    double frameMs;
    double totalMs;
    int whole;
};

FrameResult streamFrames(double viewSeconds, double zoomedSeconds)
{
    constexpr int boxes = 8;
    constexpr int frames = 300;
    constexpr double history = 600;
    QCustomPlot plot;
    plot.resize(1200, 700);
    plot.yAxis2->setVisible(true);
    plot.yAxis->setRange(140, 160);
    plot.yAxis2->setRange(20, 35);
    auto* cache = new LivePlotCache(plot.axisRect(), plot.layer(QStringLiteral("main")));
    QList<LiveGraph*> graphs;
    const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DashDotLine};
    for (int b = 0; b < boxes; ++b) {
        for (int k = 0; k < 3; ++k) {
            auto* g = new LiveGraph(plot.xAxis, k == 0 ? plot.yAxis : plot.yAxis2);
            QPen pen(QColor::fromHsv(b * 45, 200, 160));
            pen.setWidthF(1 + b * 0.25);
            pen.setStyle(styles[k]);
            g->setPen(pen);
            graphs.append(g);
        }
    }
    auto value = [](int k, double t) {
        return k == 0 ? 150 + 3 * std::sin(t / 10) : k == 1 ? 30 + std::sin(t / 100) : 24 + std::cos(t / 100);
    };
    for (int b = 0; b < boxes; ++b) {
        for (int k = 0; k < 3; ++k) {
            QVector<double> keys, values;
            for (double t = 0; t < history; t += period) {
                keys.append(t + b * 0.01);
                values.append(value(k, t) + b * 0.2);
            }
            graphs.at(b * 3 + k)->setData(keys, values, true);
        }
    }
    plot.xAxis->setRange(history + 10 - viewSeconds, history + 10);
    plot.show();
    plot.replot();
    if (zoomedSeconds > 0) {
        plot.xAxis->setRange(history + 10 - zoomedSeconds, history + 10);
        plot.replot();
    }
    const int wholeBefore = cache->wholeDrawings();
    QVector<double> times;
    QElapsedTimer total;
    total.start();
    for (int f = 0; f < frames; ++f) {
        const int b = f % boxes;
        const double t0 = history + (f / boxes) * 0.5 + b * 0.01;
        for (int i = 0; i < 5; ++i) {
            const double t = t0 + i * period;
            for (int k = 0; k < 3; ++k)
                graphs.at(b * 3 + k)->addData(t, value(k, t) + b * 0.2);
            if (t + 10 > plot.xAxis->range().upper)
                plot.xAxis->setRange(t + 10 - plot.xAxis->range().size(), t + 10);
        }
        QElapsedTimer frame;
        frame.start();
        plot.replot();
        times.append(frame.nsecsElapsed() / 1e6);
    }
    return {percentile(times, 0.5), total.nsecsElapsed() / 1e6, cache->wholeDrawings() - wholeBefore};
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

    std::printf("\n%-22s %12s %14s %12s\n", "streaming view", "frame [ms]", "300 frames [ms]", "drawn whole");
    const struct {
        const char* name;
        double view;
        double zoomed;
    } views[] = {{"60 s", 60, 0}, {"300 s (dense)", 300, 0}, {"300 s, zoomed to 60 s", 300, 60}};
    for (const auto& v : views) {
        const FrameResult r = streamFrames(v.view, v.zoomed);
        std::printf("%-22s %12.2f %14.0f %12d\n", v.name, r.frameMs, r.totalMs, r.whole);
        std::fflush(stdout);
    }
    return 0;
}
