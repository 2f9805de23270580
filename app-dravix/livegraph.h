#pragma once

#include <qcustomplot.h>

// A graph of the live plot that stays cheap to draw however long the
// acquisition runs. Points are only appended, so the graph keeps a summary
// of its points in buckets (first, last, lowest and highest value of a run
// of consecutive points) and, when many points fall on each pixel column,
// reduces the visible data from the buckets instead of from every point.
// A line that dense covers, in each column, the band between its lowest
// and highest value; that band is filled in one go rather than stroked as a
// zigzag of thousands of overlapping segments.
//
// Sparse views (a few points per column) are drawn as any graph is, with
// straight runs stroked as one segment; every point stays in data() for
// export, and a vector export draws every point. On screen a dashed line's
// pattern is tied to the time axis (counted from the graph's first point),
// so the part drawn for new points continues it as a whole redraw would.
class LiveGraph : public QCPGraph
{
    Q_OBJECT

public:
    LiveGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // Consecutive points summarised per bucket.
    static constexpr int bucketSize = 32;
    // Points per pixel column from which the summary is used.
    static constexpr int summaryDensity = 4 * bucketSize;
    // Segments, and pixel columns, of a sparse line drawn as one path.
    static constexpr int pieceSegments = 32;
    static constexpr double piecePixels = 20;
    // Columns up to which a whole line is drawn as one piece.
    static constexpr double shortLinePixels = 64;

    // The points that drawing uses for the visible data (exposed for tests).
    QVector<QCPGraphData> reducedLineData() const;

    // A sparse line on screen with the points that lie on a straight run
    // (within straightTolerancePx across) left out, so a steady reading
    // strokes a few long segments instead of hundreds of short ones. Every
    // point of the line stays within the tolerance of what is drawn. The
    // points' columns must not decrease.
    static QVector<QPointF> straightened(const QVector<QPointF>& lines);
    static constexpr double straightTolerancePx = 0.1;

    // Drawing into a picture kept between frames (LivePlotCache). Both
    // return the index past the last point drawn. drawWhole() draws the
    // graph as draw() does; drawFrom() strokes the line from point `from`
    // on, as a sparse view draws it.
    int drawWhole(QCPPainter* painter);
    int drawFrom(QCPPainter* painter, int from);
    // Whether the last whole drawing filled the line as column bands, and
    // whether a whole drawing now would.
    bool drewBands() const { return bands; }
    bool drawsBands() const;
    // The kept picture holds this graph already: its next draw() is skipped.
    void skipNextDraw() { skipDraw = true; }

    // The graph's legend icon, for its legend entry (LiveLegendItem).
    void drawIcon(QCPPainter* painter, const QRectF& rect) const { drawLegendIcon(painter, rect); }

protected:
    void draw(QCPPainter* painter) override;
    void getOptimizedLineData(QVector<QCPGraphData>* lineData,
                              const QCPGraphDataContainer::const_iterator& begin,
                              const QCPGraphDataContainer::const_iterator& end) const override;
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override;

private:
    struct Bucket {
        double firstKey;
        double lastKey;
        double firstValue;
        double lastValue;
        double minValue;
        double maxValue;
    };

    // A sparse line, stroked piece by piece.
    void drawInPieces(QCPPainter* painter, const QVector<QPointF>& lines, double columns = piecePixels) const;
    void drawStroked(QCPPainter* painter, const QVector<QPointF>& lines) const;
    void drawBands(QCPPainter* painter, const QVector<QPointF>& lines) const;
    // Whether a line (without gaps) is dense enough to be filled as column bands.
    static bool denseEnough(const QVector<QPointF>& lines);
    int visibleEnd(int from) const;

    // Brings the summary up to date with the data; false when the data
    // holds values the summary cannot stand for (NaN gaps).
    bool syncSummary() const;

    mutable QVector<Bucket> buckets;
    mutable int summarized = 0; // points covered by the buckets
    mutable double lastSummarizedKey = 0;
    mutable double firstSummarizedKey = 0;
    mutable bool summaryUsable = true;

    mutable bool bands = false;
    bool skipDraw = false;
};
