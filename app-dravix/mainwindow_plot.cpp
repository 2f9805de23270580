// MainWindow: the live plot. One time axis for every box (wall-clock time),
// current on the left axis, temperatures on the right; samples arrive in
// blocks from the box threads.
//
// Samples are drawn frame by frame: a block asks for the next frame, which
// comes at once when the plot has been quiet for a frame's time and
// otherwise one frame after the last. However many boxes stream, the plot
// redraws at most 25 times a second; every block that arrived meanwhile
// shares that redraw. Other changes (graphs shown, legend moved, rescaling)
// redraw at once.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "dcct_thread.h"
#include "livegraph.h"
#include "livelegenditem.h"
#include "liveplotcache.h"

#include <QAction>
#include <QFontMetrics>
#include <QLocale>
#include <QMenu>
#include <QTimer>

#include <cstdlib>

namespace
{

// The colour and width draws stay in 0..32767 whatever the platform's
// RAND_MAX, so every platform draws from the same range.
int draw15()
{
    return std::rand() & 0x7fff;
}

bool axisSelected(const QCPAxis* axis)
{
    return axis->selectedParts().testFlag(QCPAxis::spAxis);
}

} // namespace

QCustomPlot* MainWindow::plot() const
{
    return ui->customPlot;
}

QCPGraph* MainWindow::rowGraph(int row, RowGraph which) const
{
    switch (which) {
    case CurrentGraph:
        return current_graphs.value(row, nullptr);
    case ExternalGraph:
        return ext_graphs.value(row, nullptr);
    case HeadGraph:
        return head_graphs.value(row, nullptr);
    case AdcGraph:
        return adc_graphs.value(row, nullptr);
    }
    return nullptr;
}

void MainWindow::setup_plot()
{
    QCustomPlot* p = ui->customPlot;
    p->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iMultiSelect | QCP::iSelectPlottables |
                       QCP::iSelectAxes | QCP::iSelectLegend);
    p->setLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    ticker->setDateTimeSpec(Qt::LocalTime);
    p->xAxis->setTicker(ticker);

    p->yAxis2->setVisible(true);
    p->xAxis->setRange(0, 60);
    p->yAxis->setRange(-350, 350);
    p->yAxis2->setRange(0, 85);
    p->xAxis->setLabel(QStringLiteral("Time [hh:mm:ss]"));
    p->yAxis->setLabel(QStringLiteral("Current [A]"));
    p->yAxis2->setLabel(QStringLiteral("Temperature °C"));
    // The lowest temperature's label reaches half a line below the plot,
    // over the last time label's corner: the time labels start below it.
    const int halfLine = QFontMetrics(p->yAxis2->tickLabelFont()).height() / 2 + 1;
    p->xAxis->setTickLabelPadding(qMax(p->xAxis->tickLabelPadding(), halfLine));

    p->legend->setVisible(true);
    QFont legendFont = font();
    legendFont.setPointSize(10);
    p->legend->setFont(legendFont);
    p->legend->setSelectedFont(legendFont);
    p->legend->setSelectableParts(QCPLegend::spItems);

    // The graphs are drawn into a kept picture that a frame only scrolls
    // and extends while samples stream in.
    new LivePlotCache(p->axisRect(), p->layer(QStringLiteral("main")));

    connect(p->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &MainWindow::onXRangeChanged);
    connect(p->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &MainWindow::onYRangeChanged);
    connect(p, &QCustomPlot::selectionChangedByUser, this, &MainWindow::selectionChanged);
    connect(p, &QCustomPlot::mousePress, this, &MainWindow::mousePress);
    connect(p, &QCustomPlot::mouseWheel, this, &MainWindow::mouseWheel);
    p->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(p, &QWidget::customContextMenuRequested, this, &MainWindow::contextMenuRequest);

    frame_timer = new QTimer(this);
    frame_timer->setSingleShot(true);
    frame_timer->setTimerType(Qt::PreciseTimer);
    connect(frame_timer, &QTimer::timeout, this, &MainWindow::drawFrame);
}

bool MainWindow::framePending() const
{
    return frame_timer->isActive();
}

void MainWindow::requestFrame()
{
    if (frame_timer->isActive())
        return;
    const qint64 since = last_frame.isValid() ? last_frame.elapsed() : qint64(frameIntervalMs);
    frame_timer->start(int(qBound<qint64>(0, frameIntervalMs - since, frameIntervalMs)));
}

void MainWindow::drawFrame()
{
    last_frame.start();
    ui->customPlot->replot();
}

void MainWindow::makeRowGraphs()
{
    QCustomPlot* p = ui->customPlot;
    const int r1 = draw15();
    const int r2 = draw15();
    const int r3 = draw15();
    const int r4 = draw15();
    QPen pen(QColor(r3 % 255, r2 % 255, r1 % 255, 255));
    pen.setWidthF(double(r4) / 32767.0 * 2.0 + 1.0);

    auto make = [&](QCPAxis* valueAxis, Qt::PenStyle style) {
        QCPGraph* g = new LiveGraph(p->xAxis, valueAxis);
        QPen gp = pen;
        gp.setStyle(style);
        g->setPen(gp);
        g->setVisible(false);
        g->removeFromLegend();
        return g;
    };
    current_graphs.append(make(p->yAxis, Qt::SolidLine));
    ext_graphs.append(make(p->yAxis2, Qt::DashLine));
    head_graphs.append(make(p->yAxis2, Qt::DashDotLine));
    adc_graphs.append(make(p->yAxis2, Qt::DashDotDotLine));
}

void MainWindow::removeRowGraphs(int row)
{
    QCustomPlot* p = ui->customPlot;
    for (QList<QCPGraph*>* list : {&current_graphs, &ext_graphs, &head_graphs, &adc_graphs})
        p->removeGraph(list->takeAt(row));
}

void MainWindow::clearRowGraphs(int row)
{
    for (QList<QCPGraph*>* list : {&current_graphs, &ext_graphs, &head_graphs, &adc_graphs})
        list->at(row)->data()->clear();
}

void MainWindow::showCurrentGraph(int row)
{
    QCPGraph* g = current_graphs.at(row);
    g->setName(flagsOf(thread_list.at(row)).name);
    g->setVisible(true);
    LiveLegendItem::addTo(ui->customPlot->legend, g);
}

void MainWindow::show_temperature_graphs(int row)
{
    const BoxFlags f = flagsOf(thread_list.at(row));
    struct Temperature {
        QCPGraph* graph;
        int bit;
        const char* suffix;
    };
    const Temperature temperatures[] = {
        {head_graphs.at(row), 4, " Head.T"},
        {ext_graphs.at(row), 2, " Ext.T"},
        {adc_graphs.at(row), 1, " ADC T"},
    };
    for (const Temperature& t : temperatures) {
        if (f.line_layout & t.bit) {
            t.graph->setName(f.name + QLatin1String(t.suffix));
            t.graph->setVisible(true);
            LiveLegendItem::addTo(ui->customPlot->legend, t.graph);
        } else {
            t.graph->setVisible(false);
            t.graph->removeFromLegend();
        }
    }
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
}

void MainWindow::update_data(Dcct_data data)
{
    const int row = rowOfThread(sender());
    if (row < 0)
        return;
    plotBlock(row, data);
}

void MainWindow::plotBlock(int row, const Dcct_data& data)
{
    // The complete half is the one the box thread is not filling.
    const bool a = data.buf_select;
    const QVector<double>& time = a ? data.time_a : data.time_b;
    const QVector<double>& current = a ? data.current_a : data.current_b;
    const QVector<double>& head = a ? data.head_t_a : data.head_t_b;
    const QVector<double>& ext = a ? data.ext_t_a : data.ext_t_b;
    const QVector<double>& adc = a ? data.adc_t_a : data.adc_t_b;
    const int n = time.size();

    QCPAxis* xAxis = ui->customPlot->xAxis;
    for (int i = 0; i < n; ++i) {
        const double t = time.at(i);
        const double c = current.value(i);

        if (first_block.at(row)) {
            // A box that starts while others acquire continues at their
            // latest time; under acquire-all every box starts at the origin.
            // A row without points yet has no latest time and is skipped.
            row_time_offset[row] = t;
            if (!acquire_all_running) {
                for (int k = 0; k < thread_list.size(); ++k) {
                    if (k == row || !flagsOf(thread_list.at(k)).acquiring)
                        continue;
                    const QSharedPointer<QCPGraphDataContainer> other = current_graphs.at(k)->data();
                    if (other->isEmpty())
                        continue;
                    const double lastKey = (other->constEnd() - 1)->key;
                    row_time_offset[row] = t - (lastKey - x_origin);
                }
            }
            first_block[row] = false;
        }

        const double x = t - row_time_offset.at(row) + x_origin;
        current_graphs.at(row)->addData(x, c);

        const QCPRange range = xAxis->range();
        if (x + 10 > range.upper)
            xAxis->setRange(x + 10 - range.size(), x + 10);

        if ((data.line_layout & 4) && i < head.size())
            head_graphs.at(row)->addData(x, head.at(i));
        if ((data.line_layout & 2) && i < ext.size())
            ext_graphs.at(row)->addData(x, ext.at(i));
        if ((data.line_layout & 1) && i < adc.size())
            adc_graphs.at(row)->addData(x, adc.at(i));
    }
    if (n > 0)
        requestFrame();
}

void MainWindow::onXRangeChanged(const QCPRange& range)
{
    QCPRange r = range;
    const double m = x_origin;
    if (r.lower < m) {
        if (m >= r.upper)
            r.upper = m + 20;
        r.lower = m;
        if (r.size() < 20)
            r.upper = m + 19;
    }
    ui->customPlot->xAxis->setRange(r);
}

void MainWindow::onYRangeChanged(const QCPRange& range)
{
    QCPRange r = range;
    if (r.lower < -1250)
        r.lower = -1250;
    if (r.upper > 1250)
        r.upper = 1250;
    ui->customPlot->yAxis->setRange(r);
}

void MainWindow::selectionChanged()
{
    QCustomPlot* p = ui->customPlot;
    // A graph and its legend entry are selected together.
    for (int i = 0; i < p->graphCount(); ++i) {
        QCPGraph* g = p->graph(i);
        QCPPlottableLegendItem* item = p->legend->itemWithPlottable(g);
        if (!item)
            continue;
        if (item->selected() || g->selected()) {
            item->setSelected(true);
            g->setSelection(QCPDataSelection(g->data()->dataRange()));
        }
    }
    // An axis is selected as a whole: its line and its tick labels.
    for (QCPAxis* axis : {p->xAxis, p->yAxis, p->yAxis2}) {
        if (axis->selectedParts().testFlag(QCPAxis::spAxis) ||
            axis->selectedParts().testFlag(QCPAxis::spTickLabels))
            axis->setSelectedParts(QCPAxis::spAxis | QCPAxis::spTickLabels);
    }
}

void MainWindow::mousePress()
{
    QCustomPlot* p = ui->customPlot;
    QCPAxisRect* rect = p->axisRect();
    if (axisSelected(p->xAxis)) {
        rect->setRangeDrag(Qt::Horizontal);
    } else if (axisSelected(p->yAxis)) {
        rect->setRangeDrag(Qt::Vertical);
    } else if (axisSelected(p->yAxis2)) {
        rect->setRangeDrag(Qt::Vertical);
        rect->setRangeDragAxes(p->xAxis, p->yAxis2);
    } else {
        rect->setRangeDrag(Qt::Horizontal | Qt::Vertical);
        rect->setRangeDragAxes(p->xAxis, p->yAxis);
    }
}

void MainWindow::mouseWheel()
{
    QCustomPlot* p = ui->customPlot;
    QCPAxisRect* rect = p->axisRect();
    if (axisSelected(p->xAxis)) {
        rect->setRangeZoom(Qt::Horizontal);
        rect->setRangeZoomAxes(p->xAxis, p->yAxis);
    } else if (axisSelected(p->yAxis)) {
        rect->setRangeZoom(Qt::Vertical);
        rect->setRangeZoomAxes(p->xAxis, p->yAxis);
    } else if (axisSelected(p->yAxis2)) {
        rect->setRangeZoom(Qt::Vertical);
        rect->setRangeZoomAxes(p->xAxis, p->yAxis2);
    } else {
        rect->setRangeZoom(Qt::Vertical);
        rect->setRangeZoomAxes(p->xAxis, p->yAxis);
    }
}

void MainWindow::contextMenuRequest(QPoint pos)
{
    QCustomPlot* p = ui->customPlot;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);

    auto add = [&](const QString& text, void (MainWindow::*slot)()) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    if (p->legend->selectTest(pos, false) >= 0 && p->selectedGraphs().isEmpty()) {
        const struct {
            const char* text;
            Qt::Alignment alignment;
        } places[] = {
            {"Move to top left", Qt::AlignTop | Qt::AlignLeft},
            {"Move to top center", Qt::AlignTop | Qt::AlignHCenter},
            {"Move to top right", Qt::AlignTop | Qt::AlignRight},
            {"Move to bottom right", Qt::AlignBottom | Qt::AlignRight},
            {"Move to bottom left", Qt::AlignBottom | Qt::AlignLeft},
        };
        for (const auto& place : places)
            add(QString::fromLatin1(place.text), &MainWindow::moveLegend)->setData(int(place.alignment));
    } else {
        if (!p->selectedGraphs().isEmpty()) {
            add(QStringLiteral("Points/Line"), &MainWindow::interpolate);
            add(QStringLiteral("Save to File"), &MainWindow::save_to_file);
        }
        if (p->yAxis->selectedParts().testFlag(QCPAxis::spTickLabels))
            add(QStringLiteral("Autoscale Current"), &MainWindow::auto_scale_yAxis);
        if (p->yAxis2->selectedParts().testFlag(QCPAxis::spTickLabels))
            add(QStringLiteral("Autoscale Temperature"), &MainWindow::auto_scale_yAxis2);
        if (p->xAxis->selectedParts().testFlag(QCPAxis::spTickLabels))
            add(QStringLiteral("Autoscale Time"), &MainWindow::auto_scale_xAxis);
    }
    menu->popup(p->mapToGlobal(pos));
}

void MainWindow::moveLegend()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    bool ok = false;
    const int alignment = action->data().toInt(&ok);
    if (!ok)
        return;
    ui->customPlot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::Alignment(alignment));
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
}

void MainWindow::interpolate()
{
    const QList<QCPGraph*> selected = ui->customPlot->selectedGraphs();
    if (selected.isEmpty())
        return;
    QCPGraph* g = selected.first();
    if (g->lineStyle() != QCPGraph::lsNone) {
        g->setLineStyle(QCPGraph::lsNone);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, 6));
    } else {
        g->setLineStyle(QCPGraph::lsLine);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone, 6));
    }
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
}

// The rescaled range shows at once, also when no box is acquiring.
void MainWindow::auto_scale_xAxis()
{
    ui->customPlot->xAxis->rescale(false);
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
}

void MainWindow::auto_scale_yAxis()
{
    ui->customPlot->yAxis->rescale(false);
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
}

void MainWindow::auto_scale_yAxis2()
{
    ui->customPlot->yAxis2->rescale(false);
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
}
