// The live plot's graph: the data reduced from its bucket summary keeps every
// pixel column's extremes, the summary follows appends, clears and
// replacements, and a dense view paints the same pixels as the ordinary
// zigzag. The kept picture of a scrolling view looks as a whole redraw
// whatever changed between frames, a sparse view scrolls again after a dense
// one, and the legend has one entry a graph, drawn as the plain one.

#include "livegraph.h"
#include "livelegenditem.h"
#include "liveplotcache.h"
#include "viewertestsupport.h"

#include <QImage>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>

namespace
{

// The ordinary graph, with its reduction reachable.
class PlainGraph : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;
    QVector<QCPGraphData> reduced() const
    {
        QVector<QCPGraphData> out;
        QCPGraphDataContainer::const_iterator begin, end;
        getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
        getOptimizedLineData(&out, begin, end);
        return out;
    }
};

// Pixels of `a` with no pixel of like colour (within a quarter of the range
// in each channel) at most one pixel away in `b`.
int unmatched(const QImage& a, const QImage& b)
{
    auto alike = [](QRgb p, QRgb q) {
        return qAbs(qRed(p) - qRed(q)) <= 64 && qAbs(qGreen(p) - qGreen(q)) <= 64 &&
               qAbs(qBlue(p) - qBlue(q)) <= 64;
    };
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = b.valid(x + dx, y + dy) && alike(a.pixel(x, y), b.pixel(x + dx, y + dy));
            n += !found;
        }
    }
    return n;
}

int painted(const QImage& im)
{
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            n += qGray(im.pixel(x, y)) < 192;
    return n;
}

// Why two pictures do not look alike: empty when `b` has more than
// `minPainted` painted pixels and fewer than one in `share` of them lack a
// like pixel nearby in the other picture, either way round.
QString unlikeness(const QImage& a, const QImage& b, int minPainted, int share)
{
    const int drawn = painted(b);
    const int differ = unmatched(a, b) + unmatched(b, a);
    qInfo("%d of %d painted pixels differ", differ, drawn);
    if (drawn > minPainted && differ < drawn / share)
        return QString();
    return QStringLiteral("%1 of %2 painted pixels differ").arg(differ).arg(drawn);
}

// A shown plot whose live graphs stream as the viewer's do: boxes reading
// alike (their lines lie on top of each other), pens of several widths and
// dashes, blocks of five samples arriving box after box, and a time axis
// that follows the newest sample.
struct StreamingPlot {
    static constexpr int boxes = 3;
    QCustomPlot plot;
    LivePlotCache* cache;
    QList<LiveGraph*> graphs;
    int blocks = 0;

    StreamingPlot()
    {
        plot.resize(700, 360);
        // Tick labels of changing height would resize the graph area now and
        // then, and a resized area is drawn whole.
        plot.axisRect()->setAutoMargins(QCP::msNone);
        plot.axisRect()->setMargins(QMargins(44, 14, 15, 30));
        plot.xAxis->setRange(0, 60);
        plot.yAxis->setRange(100, 200);
        plot.yAxis2->setRange(20, 40);
        cache = new LivePlotCache(plot.axisRect(), plot.layer(QStringLiteral("main")));
        const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DashDotLine};
        for (int b = 0; b < boxes; ++b) {
            for (int k = 0; k < 3; ++k) {
                auto* g = new LiveGraph(plot.xAxis, k == 0 ? plot.yAxis : plot.yAxis2);
                QPen pen(QColor::fromHsv(b * 110, 200, 60 + 80 * k));
                pen.setWidthF(1 + b * 0.9);
                pen.setStyle(styles[k]);
                g->setPen(pen);
                graphs.append(g);
            }
        }
        plot.show();
    }
    double value(int graph, double t) const
    {
        // Slow swings alike in every box (the boxes' lines lie on top of
        // each other), and noise below a pixel.
        const double noise = std::fmod(t * 7919.0 + graph * 13.0, 1.0) - 0.5;
        switch (graph % 3) {
        case 0:
            return 150 + 6 * std::sin(t / 9) + 0.05 * noise;
        case 1:
            return 30 + 0.8 * std::sin(t / 40) + 0.02 * noise;
        default:
            return 25 + 2 * std::cos(t / 25) + 0.02 * noise;
        }
    }
    // The next block of the next box, then a frame unless only the history
    // is filled.
    void frame(bool draw = true)
    {
        const int box = blocks % boxes;
        const double t0 = (blocks / boxes) * 0.5 + box * 0.13;
        for (int i = 0; i < 5; ++i) {
            const double t = t0 + i * 0.1;
            for (int k = 0; k < 3; ++k)
                graphs.at(box * 3 + k)->addData(t, value(box * 3 + k, t));
            if (t + 10 > plot.xAxis->range().upper)
                plot.xAxis->setRange(t + 10 - plot.xAxis->range().size(), t + 10);
        }
        ++blocks;
        if (draw)
            plot.replot();
    }
    QImage picture() { return plot.grab().toImage(); }
    // The same view drawn whole: a view of another value range never scrolls.
    QImage whole()
    {
        const QCPRange range = plot.yAxis->range();
        plot.yAxis->setRange(range.lower, range.upper + 1);
        plot.replot();
        plot.yAxis->setRange(range);
        plot.replot();
        return picture();
    }
};

struct Extremes {
    double lo = 1e300;
    double hi = -1e300;
};

// Lowest and highest value per pixel column of the key axis.
QMap<int, Extremes> columns(QCPAxis* axis, const QVector<QCPGraphData>& data)
{
    QMap<int, Extremes> out;
    for (const QCPGraphData& d : data) {
        Extremes& e = out[int(std::floor(axis->coordToPixel(d.key)))];
        e.lo = qMin(e.lo, d.value);
        e.hi = qMax(e.hi, d.value);
    }
    return out;
}

} // namespace

class LiveGraphTest : public QObject
{
    Q_OBJECT

private:
    QCustomPlot plot;

    // What changes between two frames of a streaming plot.
    enum Change {
        None,
        Zoomed,
        Selected,
        Deselected,
        PointsThenLine,
        ImpulsesThenLine,
        ScatterRemoved,
        FillRemoved,
        Resized,
        Hidden,
        ScrolledBack,
        DraggedForward,
        Emptied,
        Refilled,
    };

    static void fill(QCPGraph* g, int n, double period, quint32 seed)
    {
        QRandomGenerator rng(seed);
        QVector<double> keys(n), values(n);
        // A slow swing, noise, and a short spike now and then.
        for (int i = 0; i < n; ++i) {
            keys[i] = 1000 + i * period;
            values[i] =
                30 * std::sin(6.283 * 3 * i / n) + 2 * rng.generateDouble() + (i % 10007 < 3 ? 15 : 0);
        }
        g->setData(keys, values, true);
    }
    void prepare(int n)
    {
        plot.resize(800, 400);
        plot.xAxis->setRange(1000, 1000 + n * 0.1);
        plot.yAxis->setRange(-60, 60);
        plot.replot(); // lays the axes out, so pixels are known
    }
    // The plot's graphs alone, as drawn on screen; the graphs are then removed.
    QImage picture()
    {
        plot.xAxis->setVisible(false);
        plot.yAxis->setVisible(false);
        const QImage image = plot.toPixmap(800, 400).toImage();
        plot.clearGraphs();
        return image;
    }

private slots:
    void cleanup() { plot.clearGraphs(); }

    void denseReductionKeepsColumnExtremes_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("sparse, ordinary reduction") << 20000;
        QTest::newRow("dense, from the summary") << 400000;
        QTest::newRow("dense with a tail") << 400017;
    }
    void denseReductionKeepsColumnExtremes()
    {
        QFETCH(int, points);
        auto* live = new LiveGraph(plot.xAxis, plot.yAxis);
        fill(live, points, 0.1, 7);
        prepare(points);
        const QVector<QCPGraphData> all(live->data()->constBegin(), live->data()->constEnd());
        const QMap<int, Extremes> expected = columns(plot.xAxis, all);
        const QVector<QCPGraphData> reduced = live->reducedLineData();
        QVERIFY(reduced.size() < 5 * 810);
        for (int i = 1; i < reduced.size(); ++i)
            QVERIFY(reduced.at(i).key >= reduced.at(i - 1).key);
        const QMap<int, Extremes> got = columns(plot.xAxis, reduced);
        // Every column's extremes are kept; a bucket may lean into the next
        // column, never further.
        double lo = 1e300, hi = -1e300;
        for (const Extremes& e : expected) {
            lo = qMin(lo, e.lo);
            hi = qMax(hi, e.hi);
        }
        double glo = 1e300, ghi = -1e300;
        for (const Extremes& e : got) {
            glo = qMin(glo, e.lo);
            ghi = qMax(ghi, e.hi);
        }
        QCOMPARE(glo, lo);
        QCOMPARE(ghi, hi);
        int within = 0;
        for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
            const int c = it.key();
            Extremes near;
            for (int k = c - 1; k <= c + 1; ++k) {
                if (got.contains(k)) {
                    near.lo = qMin(near.lo, got.value(k).lo);
                    near.hi = qMax(near.hi, got.value(k).hi);
                }
            }
            within += near.lo <= it->lo && near.hi >= it->hi;
        }
        QCOMPARE(within, expected.size());
    }

    void sparseViewIsTheOrdinaryOne()
    {
        auto* live = new LiveGraph(plot.xAxis, plot.yAxis);
        auto* plain = new PlainGraph(plot.xAxis, plot.yAxis);
        fill(live, 50000, 0.1, 3);
        fill(plain, 50000, 0.1, 3);
        prepare(50000);
        plot.xAxis->setRange(2000, 2060); // 600 points visible
        const QVector<QCPGraphData> a = live->reducedLineData();
        const QVector<QCPGraphData> b = plain->reduced();
        QCOMPARE(a.size(), b.size());
        for (int i = 0; i < a.size(); ++i) {
            QCOMPARE(a.at(i).key, b.at(i).key);
            QCOMPARE(a.at(i).value, b.at(i).value);
        }
    }

    void summaryFollowsTheData()
    {
        auto* live = new LiveGraph(plot.xAxis, plot.yAxis);
        fill(live, 300000, 0.1, 1);
        prepare(300000);
        live->reducedLineData();
        // Appends at the end are taken in.
        live->addData(1000 + 300000 * 0.1, 500);
        for (int i = 1; i < 100; ++i)
            live->addData(1000 + (300000 + i) * 0.1, 0);
        plot.xAxis->setRange(1000, 1000 + 300100 * 0.1);
        double hi = -1e300;
        for (const QCPGraphData& d : live->reducedLineData())
            hi = qMax(hi, d.value);
        QCOMPARE(hi, 500.0);
        // Cleared and refilled with other data: nothing old remains.
        live->data()->clear();
        QVector<double> keys, values;
        for (int i = 0; i < 300000; ++i) {
            keys.append(1000 + i * 0.1);
            values.append(-1);
        }
        live->setData(keys, values, true);
        plot.xAxis->setRange(1000, 1000 + 300000 * 0.1);
        for (const QCPGraphData& d : live->reducedLineData())
            QCOMPARE(d.value, -1.0);
        // A point inserted inside the summarised part is found too.
        live->addData(1000.05, 700);
        hi = -1e300;
        for (const QCPGraphData& d : live->reducedLineData())
            hi = qMax(hi, d.value);
        QCOMPARE(hi, 700.0);
    }

    void densePictureMatchesOrdinaryDrawing_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("style");
        QTest::newRow("thin solid") << 1.0 << int(Qt::SolidLine);
        QTest::newRow("thick solid") << 2.6 << int(Qt::SolidLine);
    }
    void densePictureMatchesOrdinaryDrawing()
    {
        QFETCH(double, width);
        QFETCH(int, style);
        auto render = [&](QCPGraph* g) {
            QPen pen(Qt::blue);
            pen.setWidthF(width);
            pen.setStyle(Qt::PenStyle(style));
            g->setPen(pen);
            fill(g, 400000, 0.1, 11);
            prepare(400000);
            return picture();
        };
        const QImage ordinary = render(new QCPGraph(plot.xAxis, plot.yAxis));
        const QImage live = render(new LiveGraph(plot.xAxis, plot.yAxis));
        if (qEnvironmentVariableIsSet("LIVE_GRAPH_PICTURES")) {
            const QString dir = qEnvironmentVariable("LIVE_GRAPH_PICTURES");
            ordinary.save(QStringLiteral("%1/ordinary-%2.png").arg(dir).arg(width));
            live.save(QStringLiteral("%1/live-%2.png").arg(dir).arg(width));
        }
        // A painted pixel of one picture must have a painted pixel of the
        // other within one pixel (edges are shaded a little differently).
        auto isPainted = [](const QImage& im, int x, int y) {
            const QRgb c = im.pixel(x, y);
            return qBlue(c) > qRed(c) + 60;
        };
        auto near = [&](const QImage& im, int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (im.valid(x + dx, y + dy) && isPainted(im, x + dx, y + dy))
                        return true;
            return false;
        };
        int painted = 0, differing = 0;
        for (int y = 0; y < ordinary.height(); ++y) {
            for (int x = 0; x < ordinary.width(); ++x) {
                const bool a = isPainted(ordinary, x, y);
                const bool b = isPainted(live, x, y);
                painted += a;
                differing += (a && !near(live, x, y)) || (b && !near(ordinary, x, y));
            }
        }
        qInfo("%d of %d painted pixels differ", differing, painted);
        QVERIFY(painted > 10000);
        QVERIFY2(differing < painted / 20,
                 qPrintable(QStringLiteral("%1 of %2").arg(differing).arg(painted)));
    }

    // A steady reading strokes a few long segments, and no point of the line
    // strays from what is drawn by more than the tolerance; steps and
    // repeated columns stay corners.
    void straightRunsKeepEveryPointClose()
    {
        QRandomGenerator rng(5);
        QVector<QPointF> line;
        for (int i = 0; i < 600; ++i) {
            const double x = 10 + i * 2.3;
            double y = 200 + 3 * std::sin(6.283 * i / 600) + 0.004 * rng.generateDouble();
            if (i >= 300)
                y -= 40; // a step between two neighbouring points
            line.append(QPointF(x, y));
            if (i == 450)
                line.append(QPointF(x, y + 25)); // a vertical jump in one column
        }
        const QVector<QPointF> drawn = LiveGraph::straightened(line);
        QVERIFY2(drawn.size() < 60, qPrintable(QString::number(drawn.size())));
        QCOMPARE(drawn.first(), line.first());
        QCOMPARE(drawn.last(), line.last());
        QVERIFY(drawn.contains(line.at(299)) && drawn.contains(line.at(300)));
        int k = 0;
        for (const QPointF& p : line) {
            while (k + 1 < drawn.size() && drawn.at(k + 1).x() < p.x())
                ++k;
            const QPointF a = drawn.at(k);
            const QPointF b = drawn.at(qMin(k + 1, drawn.size() - 1));
            if (b.x() == a.x() || p.x() == b.x()) {
                QVERIFY(drawn.contains(p) || qAbs(p.y() - b.y()) <= LiveGraph::straightTolerancePx);
                continue;
            }
            const double y = a.y() + (b.y() - a.y()) * (p.x() - a.x()) / (b.x() - a.x());
            QVERIFY2(qAbs(y - p.y()) <= LiveGraph::straightTolerancePx + 1e-9,
                     qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
        }
    }

    // Drawn straightened and in short pieces, a steady dashed reading looks
    // as the ordinary graph draws it: every pixel has one of like colour
    // within a pixel (the dashes keep to the time axis, which slides them a
    // little against a pattern laid along the winding path).
    void steadyLinePictureMatchesOrdinaryDrawing()
    {
        auto render = [&](QCPGraph* g) {
            QPen pen(Qt::blue);
            pen.setWidthF(2.2);
            pen.setStyle(Qt::DashLine);
            g->setPen(pen);
            QVector<double> keys, values;
            for (int i = 0; i < 600; ++i) {
                keys.append(1000 + i * 0.1);
                values.append(10 + 3 * std::sin(6.283 * i / 600));
            }
            g->setData(keys, values, true);
            plot.xAxis->setRange(1000, 1060);
            plot.yAxis->setRange(-60, 60);
            return picture();
        };
        const QImage ordinary = render(new QCPGraph(plot.xAxis, plot.yAxis));
        const QImage live = render(new LiveGraph(plot.xAxis, plot.yAxis));
        const QString why = unlikeness(live, ordinary, 1000, 25);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    // A frame that only scrolls and adds samples draws again only the strip
    // where they land: a point changed in place further back (live data
    // never is) still shows as it was drawn until something draws the
    // picture whole.
    void scrollingFrameRedrawsOnlyTheNewStrip()
    {
        StreamingPlot s;
        while (s.blocks < 200)
            s.frame();
        QCPGraphDataContainer::iterator old = s.graphs.at(0)->data()->end() - 200;
        const double was = old->value;
        old->value = 110;
        s.frame();
        const QImage kept = s.picture();
        s.plot.yAxis->setRange(100, 201); // another value range: drawn whole
        s.plot.replot();
        s.plot.yAxis->setRange(100, 200);
        s.plot.replot();
        const QImage whole = s.picture();
        old->value = was;
        s.plot.yAxis->setRange(100, 201);
        s.plot.replot();
        s.plot.yAxis->setRange(100, 200);
        s.plot.replot();
        const QImage restored = s.picture();
        // The point's spike (some 150 pixels tall) shows only in the picture drawn whole.
        QVERIFY2(unmatched(whole, kept) > 200, qPrintable(QString::number(unmatched(whole, kept))));
        const QString why = unlikeness(kept, restored, 0, 100);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    // However the blocks of overlapping graphs interleave, however far (in
    // fractions of a pixel) each frame scrolls and whatever changed between
    // two frames, the kept picture looks as the plot drawn whole by its
    // graphs: every pixel has one of like colour within a pixel (the kept
    // picture may sit half a pixel aside, and its dashes may have slid by
    // less than a pixel along a winding line).
    void scrollingFramesLookAsAWholeRedraw_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<double>("view"); // seconds across the time axis
        QTest::addColumn<int>("frames");  // streamed after the change
        QTest::newRow("time axis zoomed in on the way") << int(Zoomed) << 60.0 << 30;
        QTest::newRow("graph selected") << int(Selected) << 60.0 << 30;
        QTest::newRow("graph deselected") << int(Deselected) << 60.0 << 3;
        QTest::newRow("points, then line") << int(PointsThenLine) << 60.0 << 0;
        QTest::newRow("impulses, then line") << int(ImpulsesThenLine) << 60.0 << 0;
        QTest::newRow("scatter removed") << int(ScatterRemoved) << 60.0 << 3;
        QTest::newRow("fill removed") << int(FillRemoved) << 60.0 << 3;
        QTest::newRow("dense view") << int(None) << 300.0 << 30;
        QTest::newRow("plot resized") << int(Resized) << 60.0 << 3;
        QTest::newRow("graph hidden") << int(Hidden) << 60.0 << 3;
        QTest::newRow("view scrolled back") << int(ScrolledBack) << 60.0 << 0;
        QTest::newRow("zoomed in, dragged forward") << int(DraggedForward) << 60.0 << 0;
        QTest::newRow("series emptied") << int(Emptied) << 60.0 << 0;
        QTest::newRow("series emptied and refilled") << int(Refilled) << 60.0 << 3;
    }
    void scrollingFramesLookAsAWholeRedraw()
    {
        QFETCH(int, change);
        QFETCH(double, view);
        QFETCH(int, frames);
        StreamingPlot s;
        QCPAxis* time = s.plot.xAxis;
        time->setRange(0, view);
        while (s.blocks < 30) // the view fills
            s.frame();
        while (s.blocks < 1800) // five minutes of history, drawn in one frame
            s.frame(false);
        while (s.blocks < 1830)
            s.frame();
        LiveGraph* g = s.graphs.at(6); // the current graph drawn last
        auto select = [&](bool on) {
            g->setSelection(on ? QCPDataSelection(g->data()->dataRange()) : QCPDataSelection());
            s.frame();
        };
        // One frame in another style, then a bare line again.
        auto restyled = [&](QCPGraph::LineStyle line, QCPScatterStyle::ScatterShape scatter,
                            const QBrush& fill = Qt::NoBrush) {
            g->setLineStyle(line);
            g->setScatterStyle(QCPScatterStyle(scatter, 6));
            g->setBrush(fill);
            s.frame();
            g->setLineStyle(QCPGraph::lsLine);
            g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone, 6));
            g->setBrush(Qt::NoBrush);
        };
        switch (Change(change)) {
        case None:
            break;
        case Zoomed:
            time->setRange(time->range().upper - 20, time->range().upper);
            break;
        case Selected:
            select(true);
            break;
        case Deselected:
            select(true);
            select(false);
            break;
        case PointsThenLine:
            restyled(QCPGraph::lsNone, QCPScatterStyle::ssCross);
            break;
        case ImpulsesThenLine:
            restyled(QCPGraph::lsImpulse, QCPScatterStyle::ssNone);
            break;
        case ScatterRemoved:
            restyled(QCPGraph::lsLine, QCPScatterStyle::ssCross);
            break;
        case FillRemoved:
            restyled(QCPGraph::lsLine, QCPScatterStyle::ssNone, QColor(255, 160, 0));
            break;
        case Resized:
            s.plot.resize(660, 340);
            break;
        case Hidden:
            // The last one: the graphs before it keep their places.
            s.graphs.last()->setVisible(false);
            break;
        case ScrolledBack:
            time->moveRange(-7.3);
            break;
        case DraggedForward:
            // Acquisition stopped: a second of older samples, then a drag.
            time->setRange(time->range().upper - 40, time->range().upper - 39);
            s.plot.replot();
            // By whole pixels, so that the dashes stay where a whole redraw draws them.
            time->moveRange(time->pixelToCoord(256) - time->pixelToCoord(0));
            break;
        case Emptied:
            g->data()->clear();
            break;
        case Refilled:
            // Fewer points than were drawn, in no more memory than they take:
            // a read past them fails under scripts/sanitize.
            g->data()->clear();
            while (s.blocks < 1833)
                s.frame(false);
            g->data()->squeeze();
            break;
        }
        s.plot.replot();
        for (int i = 0; i < frames; ++i)
            s.frame();
        const QImage kept = s.picture();
        const QImage whole = s.whole();
        if (qEnvironmentVariableIsSet("LIVE_GRAPH_PICTURES")) {
            const QString dir = qEnvironmentVariable("LIVE_GRAPH_PICTURES");
            const QString row = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
            kept.save(QStringLiteral("%1/kept-%2.png").arg(dir, row));
            whole.save(QStringLiteral("%1/whole-%2.png").arg(dir, row));
        }
        const QString why = unlikeness(kept, whole, 1000, 100);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    // A view drawn whole as column bands and zoomed in to a sparse one
    // scrolls again: after the zoom no frame is drawn whole.
    void zoomedInFromBandsDrawsOnlyStrips()
    {
        StreamingPlot s;
        s.plot.xAxis->setRange(0, 300);
        while (s.blocks < 1800)
            s.frame(false);
        s.plot.replot();
        QVERIFY(s.graphs.first()->drewBands());
        s.plot.xAxis->setRange(s.plot.xAxis->range().upper - 60, s.plot.xAxis->range().upper);
        s.frame();
        const int whole = s.cache->wholeDrawings();
        const int strips = s.cache->stripDrawings();
        for (int i = 0; i < 30; ++i)
            s.frame();
        QCOMPARE(s.cache->wholeDrawings(), whole);
        QCOMPARE(s.cache->stripDrawings(), strips + 30);
    }

    // A box started, stopped and started again has one legend entry a graph.
    void restartedBoxHasOneLegendEntryPerGraph()
    {
        ViewerSettings settings;
        PromptRecorder prompts;
        MainWindow w;
        const int row = w.addBox(true, QStringLiteral("10.0.0.1"), QString());
        Dcct_thread* t = w.boxThread(row);
        t->connected = true;
        for (int start = 0; start < 2; ++start) {
            w.rowButton(row, MainWindow::AcquireButton)->click();
            setRecord(t, [](Dcct_data& d) {
                d.acquiring = true;
                d.line_layout = 7;
            });
            emit t->sentrel_start_acquire(makeBlock({}, {}, 7));
            QCoreApplication::processEvents();
            w.rowButton(row, MainWindow::AcquireButton)->click(); // stop
            setRecord(t, [](Dcct_data& d) { d.acquiring = false; });
        }
        t->connected = false;
        QCOMPARE(w.plot()->legend->itemCount(), 4);
    }

    // Legend entries that keep their text laid out draw as the plain ones,
    // also after a rename and when selected.
    void legendEntriesDrawAsPlainOnes()
    {
        auto legend = [](bool live, const QString& renamed) {
            QCustomPlot p;
            p.resize(300, 300);
            p.legend->setVisible(true);
            QList<LiveGraph*> graphs;
            for (int i = 0; i < 6; ++i) {
                auto* g = new LiveGraph(p.xAxis, p.yAxis);
                g->removeFromLegend();
                g->setName(QStringLiteral("BOX-%1 Head.T <b>").arg(i));
                QPen pen(QColor::fromHsv(i * 50, 200, 150));
                pen.setWidthF(1 + i * 0.4);
                pen.setStyle(Qt::PenStyle(1 + i % 4));
                g->setPen(pen);
                if (live)
                    LiveLegendItem::addTo(p.legend, g);
                else
                    g->addToLegend();
                graphs.append(g);
            }
            p.legend->item(2)->setSelected(true);
            p.replot();
            p.grab();
            if (!renamed.isEmpty()) {
                graphs.at(4)->setName(renamed);
                p.replot();
            }
            return p.grab().toImage();
        };
        QCOMPARE(legend(true, QString()), legend(false, QString()));
        const QString longer = QStringLiteral("BOX-4 renamed, longer");
        QCOMPARE(legend(true, longer), legend(false, longer));
    }
};

QTEST_MAIN(LiveGraphTest)
#include "tst_live_graph.moc"
