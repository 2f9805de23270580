#include "livegraph.h"

#include <cmath>
#include <limits>

namespace
{

// The line with straight points added so that no segment spans more than
// `span` columns: a long segment then falls into several short pieces.
QVector<QPointF> withShortSegments(const QVector<QPointF>& lines, double span)
{
    QVector<QPointF> out;
    if (lines.isEmpty())
        return out;
    out.reserve(lines.size());
    out.append(lines.first());
    for (int i = 1; i < lines.size(); ++i) {
        const QPointF a = lines.at(i - 1);
        const QPointF b = lines.at(i);
        // Bounded, for a view zoomed in so far that a segment spans millions of columns.
        const double columns = std::abs(b.x() - a.x());
        const int parts = std::isfinite(columns) ? int(qMin(1024.0, std::ceil(columns / span))) : 1;
        for (int k = 1; k < parts; ++k)
            out.append(a + (b - a) * (double(k) / parts));
        out.append(b);
    }
    return out;
}

} // namespace

LiveGraph::LiveGraph(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {}

void LiveGraph::drawInPieces(QCPPainter* painter, const QVector<QPointF>& lines, double columns) const
{
    // A file export draws the line as one path, as any graph does.
    if (painter->modes().testFlag(QCPPainter::pmVectorized)) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    // The rasteriser's cost for one stroked path grows with the square of
    // the cells that share a pixel row, and a long, nearly flat line puts
    // all of its cells on a few rows: drawn in short pieces the same line
    // costs a fraction. Each piece starts where the last one ended.
    const QPen pen = painter->pen();
    QPen piecePen = pen;
    // A dashed pen starts each piece at the pattern's phase for the piece's
    // first column, counted from the graph's first point. The dashes then
    // keep to the time axis: they scroll with the data rather than jump with
    // the first point in view, and the part a kept picture adds for new
    // points continues them as a whole redraw would. Along a piece the
    // pattern runs as usual.
    qreal period = 0;
    const qreal unit = qMax<qreal>(1, pen.widthF());
    if (pen.style() != Qt::SolidLine) {
        const QVector<qreal> dashes = pen.dashPattern();
        for (qreal d : dashes)
            period += d * unit;
    }
    const double anchor =
        mDataContainer->isEmpty() ? 0.0 : mKeyAxis->coordToPixel(mDataContainer->constBegin()->key);
    applyDefaultAntialiasingHint(painter);
    for (int start = 0, count = 0; start + 1 < lines.size(); start += count - 1) {
        // A piece ends after pieceSegments segments or once it spans
        // `columns` columns, whichever comes first.
        count = 2;
        while (start + count < lines.size() && count - 1 < pieceSegments &&
               std::abs(lines.at(start + count).x() - lines.at(start).x()) <= columns)
            ++count;
        if (period > 0) {
            double phase = std::fmod(lines.at(start).x() - anchor, period);
            if (phase < 0)
                phase += period;
            piecePen.setDashOffset(pen.dashOffset() + phase / unit);
            painter->setPen(piecePen);
        }
        painter->drawPolyline(lines.constData() + start, count);
    }
    painter->setPen(pen);
}

QVector<QPointF> LiveGraph::straightened(const QVector<QPointF>& lines)
{
    // Walks the line keeping, from the last corner kept, the range of slopes
    // that pass within the tolerance of every point since; a point outside
    // that range makes the one before it a corner. Columns may repeat (a
    // vertical step): such a point is kept as a corner as it is.
    constexpr double tolerance = straightTolerancePx;
    QVector<QPointF> out;
    if (lines.size() < 3)
        return lines;
    out.reserve(lines.size());
    out.append(lines.first());
    QPointF corner = lines.first();
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
    int taken = 0; // points passed since the corner
    for (int i = 1; i < lines.size(); ++i) {
        const QPointF p = lines.at(i);
        double dx = p.x() - corner.x();
        double slope = dx > 0 ? (p.y() - corner.y()) / dx : 0;
        if (dx <= 0 || slope < lo || slope > hi) {
            if (taken > 0) {
                corner = lines.at(i - 1);
                out.append(corner);
            }
            lo = -std::numeric_limits<double>::infinity();
            hi = std::numeric_limits<double>::infinity();
            taken = 0;
            dx = p.x() - corner.x();
            if (dx <= 0) {
                corner = p;
                out.append(p);
                continue;
            }
        }
        lo = qMax(lo, (p.y() - tolerance - corner.y()) / dx);
        hi = qMin(hi, (p.y() + tolerance - corner.y()) / dx);
        ++taken;
    }
    if (taken > 0)
        out.append(lines.last());
    return out;
}

bool LiveGraph::syncSummary() const
{
    const QCPGraphDataContainer& data = *mDataContainer;
    const int n = data.size();
    // Cleared, replaced or changed inside the summarised part: start again.
    if (n < summarized || (summarized > 0 && (data.at(0)->key != firstSummarizedKey ||
                                              data.at(summarized - 1)->key != lastSummarizedKey))) {
        buckets.clear();
        summarized = 0;
        summaryUsable = true;
    }
    while (summaryUsable && summarized + bucketSize <= n) {
        auto it = data.constBegin() + summarized;
        Bucket b;
        b.firstKey = it->key;
        b.firstValue = it->value;
        b.minValue = b.maxValue = it->value;
        for (int i = 1; i < bucketSize; ++i) {
            ++it;
            b.minValue = qMin(b.minValue, it->value);
            b.maxValue = qMax(b.maxValue, it->value);
        }
        b.lastKey = it->key;
        b.lastValue = it->value;
        if (std::isnan(b.minValue) || std::isnan(b.maxValue) || std::isnan(b.firstValue) ||
            std::isnan(b.lastValue)) {
            summaryUsable = false;
            break;
        }
        buckets.append(b);
        summarized += bucketSize;
        firstSummarizedKey = data.at(0)->key;
        lastSummarizedKey = b.lastKey;
    }
    return summaryUsable;
}

QVector<QCPGraphData> LiveGraph::reducedLineData() const
{
    QVector<QCPGraphData> out;
    if (mDataContainer->isEmpty())
        return out;
    QCPGraphDataContainer::const_iterator begin, end;
    getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
    getOptimizedLineData(&out, begin, end);
    return out;
}

void LiveGraph::getOptimizedLineData(QVector<QCPGraphData>* lineData,
                                     const QCPGraphDataContainer::const_iterator& begin,
                                     const QCPGraphDataContainer::const_iterator& end) const
{
    QCPAxis* keyAxis = mKeyAxis.data();
    const int count = int(end - begin);
    if (!lineData || !keyAxis || count < 2 || !mAdaptiveSampling ||
        keyAxis->scaleType() != QCPAxis::stLinear) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    // Pixel column of a key: the axis is linear, so one line does it.
    const double p0 = keyAxis->coordToPixel(0.0);
    const double slope = keyAxis->coordToPixel(1.0) - p0;
    const double span = std::abs(slope * ((end - 1)->key - begin->key));
    if (count < summaryDensity * qMax(1.0, span) || !syncSummary()) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }

    lineData->clear();
    const QCPGraphDataContainer::const_iterator first = mDataContainer->constBegin();
    const int bi = int(begin - first);
    const int ei = int(end - first);

    // One column's points: emitted as its first point, its extremes and its
    // last point, in key order.
    struct Column {
        long long index = std::numeric_limits<long long>::min();
        double firstKey = 0, lastKey = 0, firstValue = 0, lastValue = 0, minValue = 0, maxValue = 0;
        int points = 0;
    } col;
    auto flush = [&] {
        if (col.points == 0)
            return;
        if (col.points == 1) {
            lineData->append(QCPGraphData(col.firstKey, col.firstValue));
        } else {
            const double k = col.lastKey - col.firstKey;
            lineData->append(QCPGraphData(col.firstKey, col.firstValue));
            lineData->append(QCPGraphData(col.firstKey + k * 0.25, col.minValue));
            lineData->append(QCPGraphData(col.firstKey + k * 0.75, col.maxValue));
            lineData->append(QCPGraphData(col.lastKey, col.lastValue));
        }
        col.points = 0;
    };
    auto take = [&](double fk, double lk, double fv, double lv, double mn, double mx, int points) {
        const long long index = (long long)std::floor(p0 + slope * fk);
        if (index != col.index || col.points == 0) {
            flush();
            col.index = index;
            col.firstKey = fk;
            col.firstValue = fv;
            col.minValue = mn;
            col.maxValue = mx;
        } else {
            col.minValue = qMin(col.minValue, mn);
            col.maxValue = qMax(col.maxValue, mx);
        }
        col.lastKey = lk;
        col.lastValue = lv;
        col.points += points;
    };

    int i = bi;
    // Points before the first whole bucket of the range.
    const int firstBucket = (bi + bucketSize - 1) / bucketSize;
    const int headEnd = qMin(ei, firstBucket * bucketSize);
    for (; i < headEnd; ++i) {
        const QCPGraphData& d = *(first + i);
        take(d.key, d.key, d.value, d.value, d.value, d.value, 1);
    }
    // Whole buckets inside the range.
    for (int b = firstBucket; b < buckets.size() && (b + 1) * bucketSize <= ei; ++b) {
        const Bucket& k = buckets.at(b);
        take(k.firstKey, k.lastKey, k.firstValue, k.lastValue, k.minValue, k.maxValue, bucketSize);
        i = (b + 1) * bucketSize;
    }
    // The rest, point by point.
    for (; i < ei; ++i) {
        const QCPGraphData& d = *(first + i);
        take(d.key, d.key, d.value, d.value, d.value, d.value, 1);
    }
    flush();
}

void LiveGraph::draw(QCPPainter* painter)
{
    if (skipDraw) {
        skipDraw = false;
        return;
    }
    QCPGraph::draw(painter);
}

int LiveGraph::visibleEnd(int from) const
{
    QCPGraphDataContainer::const_iterator begin, end;
    getVisibleDataBounds(begin, end, QCPDataRange(from, dataCount()));
    return int(end - mDataContainer->constBegin());
}

int LiveGraph::drawWhole(QCPPainter* painter)
{
    bands = false;
    applyDefaultAntialiasingHint(painter);
    QCPGraph::draw(painter);
    return visibleEnd(0);
}

int LiveGraph::drawFrom(QCPPainter* painter, int from)
{
    QVector<QPointF> lines;
    getLines(&lines, QCPDataRange(from, dataCount()));
    if (lines.size() > 1 && mPen.style() != Qt::NoPen && mPen.color().alpha() != 0) {
        applyDefaultAntialiasingHint(painter);
        painter->setPen(mPen);
        painter->setBrush(Qt::NoBrush);
        bool gaps = false;
        for (const QPointF& p : lines)
            gaps = gaps || std::isnan(p.x()) || std::isnan(p.y());
        if (gaps)
            QCPGraph::drawLinePlot(painter, lines); // as a whole redraw draws them
        else
            drawStroked(painter, lines);
    }
    return visibleEnd(from);
}

void LiveGraph::drawStroked(QCPPainter* painter, const QVector<QPointF>& lines) const
{
    if (painter->modes().testFlag(QCPPainter::pmVectorized)) {
        drawInPieces(painter, lines);
        return;
    }
    // A short line (what a kept picture adds in a frame) costs little in one
    // piece, and each piece has a cost of its own.
    const double span = std::abs(lines.last().x() - lines.first().x());
    const double columns = span <= shortLinePixels ? shortLinePixels : piecePixels;
    drawInPieces(painter, withShortSegments(straightened(lines), columns), columns);
}

void LiveGraph::drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const
{
    const QPen pen = painter->pen();
    if (pen.style() == Qt::NoPen || pen.color().alpha() == 0)
        return;
    QCPAxis* keyAxis = mKeyAxis.data();
    if (mLineStyle != lsLine || !keyAxis || keyAxis->orientation() != Qt::Horizontal || lines.size() < 2) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    for (const QPointF& p : lines) {
        if (std::isnan(p.x()) || std::isnan(p.y())) {
            QCPGraph::drawLinePlot(painter, lines); // gaps: the ordinary way
            return;
        }
    }
    if (!denseEnough(lines)) {
        drawStroked(painter, lines);
        return;
    }
    bands = true;
    drawBands(painter, lines);
}

bool LiveGraph::denseEnough(const QVector<QPointF>& lines)
{
    const double width = std::abs(lines.last().x() - lines.first().x());
    return lines.size() >= 8 && lines.size() >= 2 * qMax(1.0, width);
}

bool LiveGraph::drawsBands() const
{
    // As draw() and drawLinePlot() decide, for the whole visible data.
    QCPAxis* keyAxis = mKeyAxis.data();
    if (mLineStyle != lsLine || !keyAxis || keyAxis->orientation() != Qt::Horizontal ||
        mPen.style() == Qt::NoPen || mPen.color().alpha() == 0 || mDataContainer->isEmpty() ||
        keyAxis->range().size() <= 0)
        return false;
    QCPGraphDataContainer::const_iterator begin, end;
    getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
    const int count = int(end - begin);
    if (count < 8)
        return false;
    // Below two points a column the data is not reduced and the line has a
    // point for each, too few for bands: only a denser view needs its line.
    const double span = std::abs(keyAxis->coordToPixel((end - 1)->key) - keyAxis->coordToPixel(begin->key));
    if (count < 2 * qMax(1.0, span))
        return false;
    QVector<QPointF> lines;
    getLines(&lines, QCPDataRange(0, dataCount()));
    if (lines.size() < 2)
        return false;
    for (const QPointF& p : qAsConst(lines))
        if (std::isnan(p.x()) || std::isnan(p.y()))
            return false;
    return denseEnough(lines);
}

void LiveGraph::drawBands(QCPPainter* painter, const QVector<QPointF>& lines) const
{
    const QPen pen = painter->pen();
    // Per pixel column the band the line passes through, the segment
    // coming in from the previous column included. Runs of neighbouring
    // columns are filled; a jump over empty columns is an ordinary segment
    // between two runs.
    struct Band {
        int x;
        double lo, hi;
    };
    const double half = qMax(0.5, pen.widthF() / 2);

    // A dashed line keeps its dashes (they tell a box's temperatures apart):
    // along the key axis, columns in the pattern's gaps stay empty.
    QVector<qreal> pattern;
    qreal period = 0;
    if (pen.style() != Qt::SolidLine) {
        const qreal unit = qMax<qreal>(1, pen.widthF());
        const QVector<qreal> dashes = pen.dashPattern();
        for (qreal d : dashes) {
            pattern.append(d * unit);
            period += d * unit;
        }
    }
    const int x0 = int(std::floor(lines.first().x()));
    auto columnOn = [&](int x) {
        if (period <= 0)
            return true;
        qreal phase = std::fmod(qreal(x - x0) + 0.5, period);
        for (int k = 0; k < pattern.size(); ++k) {
            if (phase < pattern.at(k))
                return k % 2 == 0;
            phase -= pattern.at(k);
        }
        return true;
    };

    // A pen wider than a pixel also widens the band sideways, as a stroke
    // of that width would.
    const int across = qMax(1, qRound(pen.widthF()));
    const int before = (across - 1) / 2;

    QVector<Band> run;
    QVector<QRect> rects;
    // Whole pixels: every column is filled as one aligned rectangle, one
    // pixel wide and covering the bands of its neighbours within the pen's
    // reach, so no pixel is filled twice.
    auto drawRun = [&] {
        if (run.isEmpty())
            return;
        const int first = run.first().x - before;
        const int last = run.last().x + (across - 1 - before);
        for (int x = first; x <= last; ++x) {
            if (!columnOn(x))
                continue;
            double lo = 1e300, hi = -1e300;
            for (int k = qMax(0, x - run.first().x - (across - 1 - before));
                 k <= qMin(run.size() - 1, x - run.first().x + before); ++k) {
                lo = qMin(lo, run.at(k).lo);
                hi = qMax(hi, run.at(k).hi);
            }
            if (lo > hi)
                continue;
            const int top = int(std::floor(lo - half + 0.5));
            const int bottom = int(std::floor(hi + half + 0.5));
            rects.append(QRect(x, top, 1, qMax(1, bottom - top)));
        }
        run.clear();
    };

    painter->save();
    QVector<QLineF> jumps;
    QPointF prev = lines.first();
    run.append({int(std::floor(prev.x())), prev.y(), prev.y()});
    for (int k = 1; k < lines.size(); ++k) {
        const QPointF p = lines.at(k);
        const int x = int(std::floor(p.x()));
        Band& last = run.last();
        if (x == last.x) {
            last.lo = qMin(last.lo, p.y());
            last.hi = qMax(last.hi, p.y());
        } else if (x == last.x + 1) {
            run.append({x, qMin(prev.y(), p.y()), qMax(prev.y(), p.y())});
        } else {
            drawRun();
            jumps.append(QLineF(prev, p));
            run.append({x, p.y(), p.y()});
        }
        prev = p;
    }
    drawRun();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen.color());
    painter->drawRects(rects);
    if (!jumps.isEmpty()) {
        applyDefaultAntialiasingHint(painter);
        painter->setPen(pen);
        painter->drawLines(jumps);
    }
    painter->restore();
}
