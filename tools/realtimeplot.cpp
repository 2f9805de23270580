#include "realtimeplot.h"
#include "ui_realtimeplot.h"

#include "screenfit.h"

#include <QDateTime>

#include <qcustomplot.h>

namespace
{

constexpr double minimumSpacing = 0.01; // seconds between two accepted points
constexpr double windowSeconds = 10.0;
constexpr double leadSeconds = 0.5; // empty space right of the newest point
constexpr double valueMargin = 0.1;

double wallClockSeconds()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

} // namespace

RealTimePlot::RealTimePlot(QWidget* parent)
    : QDialog(parent), ui(new Ui::RealTimePlot), clock(wallClockSeconds)
{
    ui->setupUi(this);
    fitToScreen(this);
    QCustomPlot* p = ui->plot1;

    p->addGraph();
    p->graph(0)->setPen(QPen(Qt::blue));
    p->graph(0)->setLineStyle(QCPGraph::lsLine);
    p->graph(0)->setBrush(QBrush(QColor(0, 0, 255, 20)));
    p->graph(0)->setName(QStringLiteral("Current [A]"));

    p->addGraph();
    p->graph(1)->setPen(QPen(Qt::red));
    p->graph(1)->setLineStyle(QCPGraph::lsLine);
    p->graph(1)->setBrush(QBrush(QColor(255, 0, 0, 20)));
    p->graph(1)->setName(QStringLiteral("Voltage [V]"));

    // Graphs 2 and 3 mark the newest point of each trace with a dot.
    p->addGraph();
    p->graph(2)->setPen(QPen(Qt::blue));
    p->graph(2)->setLineStyle(QCPGraph::lsNone);
    p->graph(2)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 6));

    p->addGraph();
    p->graph(3)->setPen(QPen(Qt::red));
    p->graph(3)->setLineStyle(QCPGraph::lsNone);
    p->graph(3)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 6));

    QSharedPointer<QCPAxisTickerDateTime> timeTicker(new QCPAxisTickerDateTime);
    timeTicker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    p->xAxis->setTicker(timeTicker);
    p->xAxis->setLabel(QStringLiteral("Time [hh:mm:ss]"));
    p->xAxis->setRange(10.25, 10, Qt::AlignRight);
    p->axisRect()->setupFullAxesBox();
    p->yAxis->setRange(-0.1, 0.1);

    p->legend->setVisible(true);
    p->legend->setFont(QFont(QStringLiteral("Helvetica"), 9));
    p->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    p->graph(3)->removeFromLegend();
    p->graph(2)->removeFromLegend();
}

RealTimePlot::~RealTimePlot()
{
    delete ui;
}

void RealTimePlot::setClock(Clock c)
{
    clock = c ? std::move(c) : Clock(wallClockSeconds);
}

QCustomPlot* RealTimePlot::plot() const
{
    return ui->plot1;
}

void RealTimePlot::addData(double current, double voltage)
{
    const double key = clock();
    QCustomPlot* p = ui->plot1;
    if (key < lastPointKey) {
        // The wall clock was set back: the old points lie in a future that
        // would hold back every new one until the clock caught up. Start afresh.
        for (int i = 0; i < p->graphCount(); ++i)
            p->graph(i)->data()->clear();
        lastPointKey = 0.0;
        lastLower = 0.0;
        lastUpper = 0.0;
    }
    if (!(key - lastPointKey > minimumSpacing))
        return;

    p->graph(0)->addData(key, current);
    p->graph(1)->addData(key, voltage);
    p->graph(0)->data()->removeBefore(key - windowSeconds);
    p->graph(1)->data()->removeBefore(key - windowSeconds);

    p->graph(2)->data()->clear();
    p->graph(2)->addData(key, current);
    p->graph(3)->data()->clear();
    p->graph(3)->addData(key, voltage);

    lastPointKey = key;
    p->xAxis->setRange(key + leadSeconds, windowSeconds, Qt::AlignRight);

    // Keep a small margin around the data and never shrink below +-0.1, so a
    // supply sitting at zero does not show an exploded noise band.
    p->yAxis->rescale();
    double lower = p->yAxis->range().lower;
    double upper = p->yAxis->range().upper;
    if (lower >= -valueMargin)
        lower = -valueMargin;
    else if (lower != lastLower)
        lower -= valueMargin;
    if (upper <= valueMargin)
        upper = valueMargin;
    else if (upper != lastUpper)
        upper += valueMargin;
    p->yAxis->setRange(lower, upper);
    lastLower = lower;
    lastUpper = upper;

    p->replot();
}
