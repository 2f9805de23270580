#include "liveplotcache.h"

#include "livegraph.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{

// Pixels of the time axis that a change of its span may move the far edge
// by and still count as the same zoom: a range that scrolls by setRange()
// gains rounding noise in its size with every step.
constexpr double zoomTolerancePx = 0.01;

} // namespace

LivePlotCache::LivePlotCache(QCPAxisRect* rect, QCPLayer* graphs)
    : QCPLayerable(rect->parentPlot()), axisRect(rect), graphLayer(graphs)
{
    QCustomPlot* plot = rect->parentPlot();
    const QString name = graphs->name() + QStringLiteral(" kept");
    plot->addLayer(name, graphs, QCustomPlot::limBelow);
    setLayer(name);
}

QRect LivePlotCache::clipRect() const
{
    return axisRect ? axisRect->rect() : QRect();
}

QList<LiveGraph*> LivePlotCache::shownGraphs() const
{
    QList<LiveGraph*> out;
    if (!graphLayer || !axisRect)
        return out;
    for (QCPLayerable* child : graphLayer->children()) {
        auto* g = qobject_cast<LiveGraph*>(child);
        if (g && g->realVisibility() && g->keyAxis() && g->valueAxis() &&
            g->keyAxis()->axisRect() == axisRect && g->valueAxis()->axisRect() == axisRect)
            out.append(g);
    }
    return out;
}

void LivePlotCache::draw(QCPPainter* painter)
{
    // Exports draw every graph themselves, as vectors or at their own size.
    if (painter->modes() & (QCPPainter::pmVectorized | QCPPainter::pmNoCaching))
        return;
    // The graphs are clipped one pixel up, as their layer clips them.
    const QRect area = clipRect().translated(0, -1);
    const QList<LiveGraph*> graphs = shownGraphs();
    if (area.isEmpty() || graphs.isEmpty()) {
        valid = false;
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (canScroll(graphs, area, ratio)) {
        drawScrolled(graphs, area, ratio);
        ++stripCount;
    } else {
        drawWhole(graphs, area, ratio);
        ++wholeCount;
    }
    drawPicture(painter, area);
    for (LiveGraph* g : graphs)
        g->skipNextDraw();
}

bool LivePlotCache::canScroll(const QList<LiveGraph*>& graphs, const QRect& area, qreal ratio) const
{
    if (!valid || area != keptArea || ratio != keptRatio || graphs.size() != kept.size())
        return false;
    QCustomPlot* plot = parentPlot();
    if (plot->antialiasedElements() != keptAntialiased ||
        plot->notAntialiasedElements() != keptNotAntialiased)
        return false;
    QCPAxis* keyAxis = graphs.first()->keyAxis();
    if (keyAxis != keptKeyAxis || keyAxis->scaleType() != QCPAxis::stLinear || keyAxis->rangeReversed())
        return false;
    const QCPRange range = keyAxis->range();
    if (std::abs(range.size() - keptSize) / keptSize * area.width() > zoomTolerancePx)
        return false;
    const double shift = (range.lower - keptLower) / keptSize * area.width() * ratio;
    if (!(shift > -0.5) || shift >= picture.width())
        return false;
    for (int i = 0; i < graphs.size(); ++i) {
        const LiveGraph* g = graphs.at(i);
        const Kept& k = kept.at(i);
        const QCPAxis* valueAxis = g->valueAxis();
        if (k.graph != g || g->keyAxis() != keyAxis || valueAxis != k.valueAxis ||
            valueAxis->range() != k.valueRange || valueAxis->scaleType() != k.valueScale ||
            valueAxis->rangeReversed() != k.valueReversed)
            return false;
        if (!drawnAlike(k, g) || g->lineStyle() != QCPGraph::lsLine || !g->scatterStyle().isNone() ||
            g->brush().style() != Qt::NoBrush || g->selected())
            return false;
        // The points drawn are still there, unchanged in number and place;
        // anything after them is new.
        const QCPGraphDataContainer* data = g->data().data();
        if (data != k.data || data->size() < k.end)
            return false;
        if (k.end > 0 && (data->at(k.end - 1)->key != k.lastKey || data->constBegin()->key != k.firstKey))
            return false;
    }
    // A view that grew dense enough for column bands is drawn whole, as a
    // fresh drawing would fill it.
    for (const LiveGraph* g : graphs)
        if (g->drawsBands())
            return false;
    return true;
}

bool LivePlotCache::drawnAlike(const Kept& k, const LiveGraph* g)
{
    // The selection decorator draws only selected data, and a selected graph
    // is not scrolled: an unselected picture does not depend on it.
    return g->pen() == k.pen && g->brush() == k.brush && g->antialiased() == k.antialiased &&
           g->lineStyle() == k.lineStyle && g->scatterStyle().shape() == k.scatterShape &&
           g->selection() == k.selection;
}

void LivePlotCache::markRows(int column)
{
    usedRows.resize(picture.height());
    const int w = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        if (usedRows.at(y))
            continue;
        const auto* row = reinterpret_cast<const quint32*>(picture.constScanLine(y));
        for (int x = column; x < w; ++x) {
            if (row[x]) {
                usedRows[y] = true;
                break;
            }
        }
    }
}

void LivePlotCache::drawPicture(QCPPainter* painter, const QRect& area) const
{
    // Most of the picture is empty (the lines are thin and run alike), and
    // drawing it costs by the pixel: only runs of used rows are drawn.
    const qreal ratio = picture.devicePixelRatio();
    const int w = picture.width();
    for (int y = 0; y < usedRows.size();) {
        if (!usedRows.at(y)) {
            ++y;
            continue;
        }
        int end = y + 1;
        while (end < usedRows.size() && usedRows.at(end))
            ++end;
        painter->drawImage(QRectF(area.left(), area.top() + y / ratio, w / ratio, (end - y) / ratio), picture,
                           QRectF(0, y, w, end - y));
        y = end;
    }
}

void LivePlotCache::keep(Kept& k, LiveGraph* g, int end)
{
    const QCPGraphDataContainer* data = g->data().data();
    k.graph = g;
    k.data = data;
    k.end = end;
    k.lastKey = end > 0 ? data->at(end - 1)->key : 0;
    k.firstKey = data->isEmpty() ? 0 : data->constBegin()->key;
    k.pen = g->pen();
    k.brush = g->brush();
    k.antialiased = g->antialiased();
    k.lineStyle = g->lineStyle();
    k.scatterShape = g->scatterStyle().shape();
    k.selection = g->selection();
    k.valueAxis = g->valueAxis();
    k.valueRange = g->valueAxis()->range();
    k.valueScale = g->valueAxis()->scaleType();
    k.valueReversed = g->valueAxis()->rangeReversed();
}

void LivePlotCache::drawWhole(const QList<LiveGraph*>& graphs, const QRect& area, qreal ratio)
{
    const QSize size = area.size() * ratio;
    if (picture.size() != size)
        picture = QImage(size, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    usedRows.fill(false, picture.height());
    kept.resize(graphs.size());
    bool bands = false;
    {
        QCPPainter p(&picture);
        p.translate(-area.topLeft());
        for (int i = 0; i < graphs.size(); ++i) {
            LiveGraph* g = graphs.at(i);
            p.save();
            keep(kept[i], g, g->drawWhole(&p));
            p.restore();
            bands = bands || g->drewBands();
        }
    }
    markRows(0);
    framesSinceMarked = 0;
    QCPAxis* keyAxis = graphs.first()->keyAxis();
    QCustomPlot* plot = parentPlot();
    keptArea = area;
    keptRatio = ratio;
    keptKeyAxis = keyAxis;
    keptLower = keyAxis->range().lower;
    keptSize = keyAxis->range().size();
    keptAntialiased = plot->antialiasedElements();
    keptNotAntialiased = plot->notAntialiasedElements();
    // Column bands are not drawn in parts: such a view is drawn whole each time.
    valid = !bands && keptSize > 0;
}

void LivePlotCache::drawScrolled(const QList<LiveGraph*>& graphs, const QRect& area, qreal ratio)
{
    const double pixelsPerKey = area.width() / keptSize; // logical pixels
    const QCPRange range = graphs.first()->keyAxis()->range();
    const int w = picture.width();
    const int shift = qRound((range.lower - keptLower) * pixelsPerKey * ratio);
    if (shift > 0) {
        for (int y = 0; y < picture.height(); ++y) {
            uchar* row = picture.scanLine(y);
            std::memmove(row, row + shift * 4, size_t(w - shift) * 4);
            std::memset(row + (w - shift) * 4, 0, size_t(shift) * 4);
        }
        keptLower += shift / (pixelsPerKey * ratio);
    }
    auto column = [&](double key) { return (key - keptLower) * pixelsPerKey; };
    // How far a graph's stroke reaches sideways from its points: half the
    // pen, its square cap and the antialiased edge, with room to spare.
    auto reach = [](const LiveGraph* g) { return g->pen().widthF() + 2; };

    // Graphs overlap (boxes read alike), so the new segments cannot simply
    // be stroked over the picture: one graph's new joint would cover a
    // graph above it. Everything right of the first new segment's reach is
    // drawn again instead, every graph in its order, clipped to that strip.
    // The strip also takes in the columns the scroll left empty: a segment
    // that ran out of view (zoomed in, or scrolled back) continues there.
    double from = shift > 0 ? (w - shift) / ratio : std::numeric_limits<double>::infinity();
    for (int i = 0; i < graphs.size(); ++i) {
        const QCPGraphDataContainer* data = kept.at(i).data;
        if (data->size() > kept.at(i).end) {
            const double last = kept.at(i).end > 0 ? kept.at(i).lastKey : data->constBegin()->key;
            from = qMin(from, column(last) - reach(graphs.at(i)));
        }
    }
    if (!std::isfinite(from))
        return;
    const int first = qBound(0, int(std::floor(from * ratio)), w);
    for (int y = 0; y < picture.height(); ++y)
        std::memset(picture.scanLine(y) + first * 4, 0, size_t(w - first) * 4);
    const double strip = first / ratio;

    // What the picture is short of a whole pixel's scroll: the segments are
    // drawn where the rest of the picture sits.
    const double residual = (range.lower - keptLower) * pixelsPerKey;
    QCPPainter p(&picture);
    p.setClipRect(QRectF(strip, 0, area.width() - strip + 1, area.height()));
    p.translate(-area.left() + residual, -area.top());
    for (int i = 0; i < graphs.size(); ++i) {
        LiveGraph* g = graphs.at(i);
        const QCPGraphDataContainer* data = kept.at(i).data;
        if (data->isEmpty())
            continue;
        // From the last point whose stroke stays left of the strip.
        const double key = keptLower + (strip - reach(g)) / pixelsPerKey;
        const int start = int(data->findBegin(key) - data->constBegin());
        p.save();
        keep(kept[i], g, g->drawFrom(&p, start));
        p.restore();
    }
    p.end();
    // Rows whose lines scrolled away are let go now and then.
    if (++framesSinceMarked >= 100) {
        usedRows.fill(false);
        framesSinceMarked = 0;
        markRows(0);
    } else {
        markRows(first);
    }
}
