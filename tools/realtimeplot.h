#pragma once

#include <QDialog>

#include <functional>

namespace Ui
{
class RealTimePlot;
}

class QCustomPlot;

// Live plot of the supply's output current and voltage over the last ten
// seconds. The main window feeds it with addData() while it is visible.
class RealTimePlot : public QDialog
{
    Q_OBJECT

public:
    // Returns "now" in seconds since the epoch; replaced by tests to step time.
    using Clock = std::function<double()>;

    explicit RealTimePlot(QWidget* parent = nullptr);
    ~RealTimePlot() override;

    void addData(double current, double voltage);

    void setClock(Clock clock);
    QCustomPlot* plot() const;

private:
    Ui::RealTimePlot* ui;
    Clock clock;
    double lastPointKey = 0.0;
    double lastLower = 0.0;
    double lastUpper = 0.0;
};
