#pragma once

#include <QStaticText>
#include <qcustomplot.h>

// A legend entry of a live graph that lays its text out once rather than at
// every redraw. The live plot's legend lists every graph shown (up to four a
// box), and every redraw measured each name twice and shaped it again to
// draw it: with many boxes that cost as much as the graphs. The entry draws
// as the plain one does; the layout is made again when the name or font
// changes. Exports draw the plain way.
class LiveLegendItem : public QCPPlottableLegendItem
{
    Q_OBJECT

public:
    LiveLegendItem(QCPLegend* parent, QCPAbstractPlottable* plottable);

    // Adds `plottable` to `legend` with such an entry, unless it has one.
    static void addTo(QCPLegend* legend, QCPAbstractPlottable* plottable);

    QSize minimumOuterSizeHint() const override;

protected:
    void draw(QCPPainter* painter) override;

private:
    // The name's bounding rectangle as the plain entry measures it.
    QRect textRect() const;

    mutable bool laid = false;
    mutable QString laidName;
    mutable QFont laidFont;
    mutable int laidIconHeight = 0;
    mutable QRect laidRect;
    mutable QStaticText laidText;
};
