#pragma once

#include <QImage>
#include <QPointer>
#include <qcustomplot.h>

class LiveGraph;

// The live graphs of one axis rect, drawn into a picture kept from one frame
// to the next. Stroking every graph again for each block cost most of a
// redraw once many boxes stream; but while the view only scrolls forward and
// the graphs only grow, the picture changes only by the scroll and the new
// segments. Such a frame shifts the kept picture by whole pixels and strokes
// the segments after each graph's last drawn point alone.
//
// Anything else draws the whole picture again: another size, zoom or value
// range, a view scrolled back, graphs shown, hidden, restyled, reordered,
// selected or deselected, data changed other than by appending, or a view
// dense enough that a graph fills (or would now fill) column bands. Exports
// (vector or pixmap) draw each graph as usual.
//
// A shifted picture sits within half a pixel (along the time axis) of where
// a whole redraw would put it, as scrolls rarely come in whole pixels; the
// next whole redraw puts it back.
class LivePlotCache : public QCPLayerable
{
    Q_OBJECT

public:
    // Keeps the picture of the live graphs on `graphs` (a layer of the
    // plot) that lie in `rect`; it draws on a layer of its own, just below.
    LivePlotCache(QCPAxisRect* rect, QCPLayer* graphs);

    // Frames that drew the picture whole, and frames that only scrolled it
    // and drew the strip with new samples.
    int wholeDrawings() const { return wholeCount; }
    int stripDrawings() const { return stripCount; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    QRect clipRect() const override;
    void draw(QCPPainter* painter) override;

private:
    // One graph as the kept picture holds it.
    struct Kept {
        QPointer<LiveGraph> graph;
        const QCPGraphDataContainer* data = nullptr;
        int end = 0;        // index past the last point drawn
        double lastKey = 0; // key of that point
        double firstKey = 0;
        // How the graph was drawn. Only a bare line (no scatters, no fill,
        // nothing selected) is ever scrolled.
        QPen pen;
        QBrush brush;
        bool antialiased = true;
        QCPGraph::LineStyle lineStyle = QCPGraph::lsLine;
        QCPScatterStyle::ScatterShape scatterShape = QCPScatterStyle::ssNone;
        QCPDataSelection selection;
        QCPAxis* valueAxis = nullptr;
        QCPRange valueRange;
        QCPAxis::ScaleType valueScale = QCPAxis::stLinear;
        bool valueReversed = false;
    };

    QList<LiveGraph*> shownGraphs() const;
    bool canScroll(const QList<LiveGraph*>& graphs, const QRect& area, qreal ratio) const;
    static bool drawnAlike(const Kept& k, const LiveGraph* g);
    void drawWhole(const QList<LiveGraph*>& graphs, const QRect& area, qreal ratio);
    void drawScrolled(const QList<LiveGraph*>& graphs, const QRect& area, qreal ratio);
    void keep(Kept& k, LiveGraph* g, int end);
    // Marks the picture's rows that hold anything in columns from `column` on.
    void markRows(int column);
    void drawPicture(QCPPainter* painter, const QRect& area) const;

    QPointer<QCPAxisRect> axisRect;
    QPointer<QCPLayer> graphLayer;

    QImage picture;
    // Rows of the picture that may hold anything: the rest is not drawn.
    QVector<bool> usedRows;
    int framesSinceMarked = 0;
    int wholeCount = 0;
    int stripCount = 0;
    bool valid = false;
    QVector<Kept> kept;
    QRect keptArea;
    qreal keptRatio = 0;
    QCPAxis* keptKeyAxis = nullptr;
    double keptLower = 0; // time at the picture's left edge
    double keptSize = 0;  // time across the picture
    QCP::AntialiasedElements keptAntialiased;
    QCP::AntialiasedElements keptNotAntialiased;
};
