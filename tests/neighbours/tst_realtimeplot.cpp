#include "realtimeplot.h"

#include <QtTest>

#include <qcustomplot.h>

// Steps the plot's clock by hand.
struct FakeClock {
    double now = 1000000.0;
};

class RealTimePlotTest : public QObject
{
    Q_OBJECT

private slots:
    void formAndInitialAxes();
    void firstCallAlwaysAddsPoint();

    void spacingRule_data();
    void spacingRule();

    void valueAxisRange_data();
    void valueAxisRange();

    void oldPointsLeaveAfterTenSeconds();
    void timeAxisEndsHalfSecondAfterNewest();
    void clockSteppingBackStartsAfresh();
};

void RealTimePlotTest::formAndInitialAxes()
{
    RealTimePlot window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Real Time Plot"));
    QCustomPlot* plot = window.plot();
    QCOMPARE(plot->objectName(), QStringLiteral("plot1"));
    QCOMPARE(plot->graphCount(), 4);
    QCOMPARE(plot->graph(0)->name(), QStringLiteral("Current [A]"));
    QCOMPARE(plot->graph(1)->name(), QStringLiteral("Voltage [V]"));
    QCOMPARE(plot->legend->itemCount(), 2);
    QCOMPARE(plot->xAxis->label(), QStringLiteral("Time [hh:mm:ss]"));
    QCOMPARE(plot->xAxis->range().lower, 0.25);
    QCOMPARE(plot->xAxis->range().upper, 10.25);
    QCOMPARE(plot->yAxis->range().lower, -0.1);
    QCOMPARE(plot->yAxis->range().upper, 0.1);
}

void RealTimePlotTest::firstCallAlwaysAddsPoint()
{
    RealTimePlot window;
    FakeClock clock;
    window.setClock([&] { return clock.now; });
    window.addData(1.0, 2.0);
    QCustomPlot* plot = window.plot();
    QCOMPARE(plot->graph(0)->data()->size(), 1);
    QCOMPARE(plot->graph(1)->data()->size(), 1);
    QCOMPARE(plot->graph(2)->data()->size(), 1);
    QCOMPARE(plot->graph(3)->data()->size(), 1);
    QCOMPARE(plot->graph(0)->data()->begin()->key, clock.now);
    QCOMPARE(plot->graph(0)->data()->begin()->value, 1.0);
    QCOMPARE(plot->graph(1)->data()->begin()->value, 2.0);
}

void RealTimePlotTest::spacingRule_data()
{
    QTest::addColumn<double>("step");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("same instant") << 0.0 << false;
    QTest::newRow("5 ms later") << 0.005 << false;
    QTest::newRow("exactly 10 ms later") << 0.01 << false;
    QTest::newRow("20 ms later") << 0.02 << true;
    QTest::newRow("one second later") << 1.0 << true;
}

void RealTimePlotTest::spacingRule()
{
    QFETCH(double, step);
    QFETCH(bool, accepted);

    RealTimePlot window;
    FakeClock clock;
    clock.now = 1000.0; // binary-exact so the 10 ms comparison is the rule, not rounding
    window.setClock([&] { return clock.now; });
    window.addData(1.0, 1.0);
    const QCPRange before = window.plot()->xAxis->range();

    clock.now += step;
    window.addData(3.0, 4.0);
    QCustomPlot* plot = window.plot();
    QCOMPARE(plot->graph(0)->data()->size(), accepted ? 2 : 1);
    QCOMPARE(plot->graph(2)->data()->size(), 1);
    QCOMPARE((plot->graph(2)->data()->constEnd() - 1)->value, accepted ? 3.0 : 1.0);
    QCOMPARE(plot->graph(3)->data()->begin()->value, accepted ? 4.0 : 1.0);
    if (!accepted)
        QCOMPARE(plot->xAxis->range(), before);
}

void RealTimePlotTest::valueAxisRange_data()
{
    QTest::addColumn<double>("current");
    QTest::addColumn<double>("voltage");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("near zero") << 0.05 << -0.05 << -0.1 << 0.1;
    QTest::newRow("current 5 voltage 0") << 5.0 << 0.0 << -0.1 << 5.1;
    QTest::newRow("negative current") << -3.0 << 0.0 << -3.1 << 0.1;
    QTest::newRow("both large") << 10.0 << 20.0 << -0.1 << 20.1;
}

void RealTimePlotTest::valueAxisRange()
{
    QFETCH(double, current);
    QFETCH(double, voltage);
    QFETCH(double, lower);
    QFETCH(double, upper);

    RealTimePlot window;
    FakeClock clock;
    window.setClock([&] { return clock.now; });
    window.addData(0.0, 0.0);
    clock.now += 0.1;
    window.addData(current, voltage);
    QCOMPARE(window.plot()->yAxis->range().lower, lower);
    QCOMPARE(window.plot()->yAxis->range().upper, upper);
}

void RealTimePlotTest::oldPointsLeaveAfterTenSeconds()
{
    RealTimePlot window;
    FakeClock clock;
    window.setClock([&] { return clock.now; });
    const double start = clock.now;
    for (int i = 0; i <= 150; ++i) { // 15 s of readings, one every 100 ms
        clock.now = start + i * 0.1;
        window.addData(i, -i);
    }
    const QCPGraphDataContainer& data = *window.plot()->graph(0)->data();
    QVERIFY(data.size() <= 101);
    QVERIFY(data.size() >= 100);
    QVERIFY(data.constBegin()->key >= clock.now - 10.0);
    QCOMPARE((data.constEnd() - 1)->key, clock.now);
    QCOMPARE(window.plot()->graph(1)->data()->size(), data.size());
    QCOMPARE(window.plot()->graph(2)->data()->size(), 1);
    QCOMPARE(window.plot()->graph(3)->data()->size(), 1);
}

void RealTimePlotTest::timeAxisEndsHalfSecondAfterNewest()
{
    RealTimePlot window;
    FakeClock clock;
    window.setClock([&] { return clock.now; });
    window.addData(1.0, 1.0);
    clock.now += 2.5;
    window.addData(1.0, 1.0);
    QCOMPARE(window.plot()->xAxis->range().upper, clock.now + 0.5);
    QCOMPARE(window.plot()->xAxis->range().lower, clock.now - 9.5);
}

void RealTimePlotTest::clockSteppingBackStartsAfresh()
{
    RealTimePlot window;
    FakeClock clock;
    window.setClock([&] { return clock.now; });
    for (int i = 0; i < 5; ++i, clock.now += 0.1)
        window.addData(3.0, 1.0);
    clock.now -= 3600.0; // the wall clock is set back an hour
    window.addData(2.0, 1.0);
    QCustomPlot* plot = window.plot();
    QCOMPARE(plot->graph(0)->data()->size(), 1);
    QCOMPARE(plot->graph(0)->data()->begin()->key, clock.now);
    QCOMPARE(plot->xAxis->range().upper, clock.now + 0.5);
    clock.now += 0.1;
    window.addData(2.0, 1.0);
    QCOMPARE(plot->graph(0)->data()->size(), 2);
}

QTEST_MAIN(RealTimePlotTest)
#include "tst_realtimeplot.moc"
