// The live plot: points of a block, temperature graphs by layout, time
// alignment between boxes, the axis guards, coalesced redraws, duplicate
// connections, and the points/line switch.

#include "viewertestsupport.h"

#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

#include <memory>

class PlotTest : public ViewerTest
{
    Q_OBJECT

private:

    QCPGraph* graph(int row, MainWindow::RowGraph which) const { return window->rowGraph(row, which); }
    static QVector<double> keys(QCPGraph* g)
    {
        QVector<double> k;
        for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
            k.append(it->key);
        return k;
    }

    // A connected row whose start the box confirmed.
    int startRow(int layout = 0, const QString& name = QStringLiteral("BOX"))
    {
        const int row =
            window->addBox(true, QStringLiteral("10.0.0.%1").arg(window->boxCount() + 1), QString());
        Dcct_thread* t = window->boxThread(row);
        t->connected = true;
        window->rowButton(row, MainWindow::AcquireButton)->click();
        setRecord(t, [&](Dcct_data& d) {
            d.acquiring = true;
            d.line_layout = layout;
            d.name = name;
        });
        emit t->sentrel_start_acquire(makeBlock({}, {}, layout));
        QCoreApplication::processEvents();
        return row;
    }
    void sendBlock(int row, const QVector<double>& times, int layout = 0, double current = 100)
    {
        QVector<double> currents;
        for (int i = 0; i < times.size(); ++i)
            currents.append(current + i);
        emit window->boxThread(row)->data_updated(makeBlock(times, currents, layout));
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        openViewer();
    }
    void cleanup()
    {
        markRowsDisconnected();
        closeViewer();
    }

    void setUpAsDescribed()
    {
        QCustomPlot* p = window->plot();
        QCOMPARE(p->xAxis->range(), QCPRange(0, 60));
        QCOMPARE(p->yAxis->range(), QCPRange(-350, 350));
        QCOMPARE(p->yAxis2->range(), QCPRange(0, 85));
        QVERIFY(p->yAxis2->visible());
        QCOMPARE(p->xAxis->label(), QStringLiteral("Time [hh:mm:ss]"));
        QCOMPARE(p->yAxis2->label(), QStringLiteral("Temperature °C"));
        auto ticker = p->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
        QVERIFY(ticker);
        QCOMPARE(ticker->dateTimeFormat(), QStringLiteral("hh:mm:ss"));
        QCOMPARE(p->legend->selectableParts(), QCPLegend::spItems);
        QCOMPARE(p->legend->font().pointSize(), 10);
    }

    void rowGraphsShareColourWithOwnStyles()
    {
        window->addBox(true, QStringLiteral("10.0.0.1"), QString());
        const QPen pen = graph(0, MainWindow::CurrentGraph)->pen();
        QVERIFY(pen.widthF() >= 1 && pen.widthF() <= 3);
        const struct {
            MainWindow::RowGraph which;
            Qt::PenStyle style;
            QCPAxis* axis;
        } expected[] = {{MainWindow::CurrentGraph, Qt::SolidLine, window->plot()->yAxis},
                        {MainWindow::ExternalGraph, Qt::DashLine, window->plot()->yAxis2},
                        {MainWindow::HeadGraph, Qt::DashDotLine, window->plot()->yAxis2},
                        {MainWindow::AdcGraph, Qt::DashDotDotLine, window->plot()->yAxis2}};
        for (const auto& e : expected) {
            QCPGraph* g = graph(0, e.which);
            QCOMPARE(g->pen().color(), pen.color());
            QCOMPARE(g->pen().widthF(), pen.widthF());
            QCOMPARE(g->pen().style(), e.style);
            QCOMPARE(g->valueAxis(), e.axis);
            QVERIFY(!g->visible());
            QVERIFY(!window->plot()->legend->hasItemWithPlottable(g));
        }
    }

    void blockAddsPointsByLayout()
    {
        const int row = startRow(5);
        sendBlock(row, {0, 0.1, 0.2, 0.3, 0.4}, 5);
        const double o = window->timeOrigin();
        QCOMPARE(keys(graph(row, MainWindow::CurrentGraph)),
                 QVector<double>({o, o + 0.1, o + 0.2, o + 0.3, o + 0.4}));
        QCOMPARE(graph(row, MainWindow::CurrentGraph)->data()->at(2)->value, 102.0);
        QCOMPARE(graph(row, MainWindow::HeadGraph)->dataCount(), 5);
        QCOMPARE(graph(row, MainWindow::AdcGraph)->dataCount(), 5);
        QCOMPARE(graph(row, MainWindow::ExternalGraph)->dataCount(), 0);
        QCOMPARE(graph(row, MainWindow::AdcGraph)->data()->at(4)->value, 42.0);
    }

    // The first sample lands on the origin whatever the box's own time.
    void firstSampleAtOrigin()
    {
        const int row = startRow();
        sendBlock(row, {12.5, 12.6});
        QCOMPARE(graph(row, MainWindow::CurrentGraph)->data()->at(0)->key, window->timeOrigin());
        QCOMPARE(window->rowTimeOffset(row), 12.5);
    }

    void laterBoxContinuesAtLatestKey()
    {
        const int first = startRow(0, QStringLiteral("A"));
        sendBlock(first, {0, 1, 2, 3, 4});
        const double origin = window->timeOrigin();
        const int second = startRow(0, QStringLiteral("B"));
        QCOMPARE(window->timeOrigin(), origin); // another box acquires: origin kept
        sendBlock(second, {7, 8});
        QCOMPARE(graph(second, MainWindow::CurrentGraph)->data()->at(0)->key, origin + 4);
        QCOMPARE(graph(second, MainWindow::CurrentGraph)->data()->at(1)->key, origin + 5);
    }

    void temperatureGraphsFollowLayout_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("head");
        QTest::addColumn<bool>("ext");
        QTest::addColumn<bool>("adc");
        for (int layout = 0; layout < 8; ++layout)
            QTest::addRow("layout %d", layout)
                << layout << bool(layout & 4) << bool(layout & 2) << bool(layout & 1);
    }
    void temperatureGraphsFollowLayout()
    {
        QFETCH(int, layout);
        QFETCH(bool, head);
        QFETCH(bool, ext);
        QFETCH(bool, adc);
        const int row = startRow(layout, QStringLiteral("RING"));
        QCPLegend* legend = window->plot()->legend;
        const struct {
            MainWindow::RowGraph which;
            bool shown;
            const char* name;
        } expected[] = {{MainWindow::HeadGraph, head, "RING Head.T"},
                        {MainWindow::ExternalGraph, ext, "RING Ext.T"},
                        {MainWindow::AdcGraph, adc, "RING ADC T"}};
        for (const auto& e : expected) {
            QCPGraph* g = graph(row, e.which);
            QCOMPARE(g->visible(), e.shown);
            QCOMPARE(legend->hasItemWithPlottable(g), e.shown);
            if (e.shown)
                QCOMPARE(g->name(), QString::fromLatin1(e.name));
        }
        QVERIFY(legend->hasItemWithPlottable(graph(row, MainWindow::CurrentGraph)));
    }

    void timeAxisFollowsNewestSample()
    {
        const int row = startRow();
        const double o = window->timeOrigin();
        sendBlock(row, {0, 55});
        QCOMPARE(window->plot()->xAxis->range(), QCPRange(o + 5, o + 65));
    }

    void timeAxisStopsAtOrigin_data()
    {
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("expectedLower");
        QTest::addColumn<double>("expectedUpper");
        QTest::newRow("dragged left, wide") << -30.0 << 40.0 << 0.0 << 40.0;
        QTest::newRow("narrow against origin") << -5.0 << 5.0 << 0.0 << 19.0;
        QTest::newRow("wholly before origin") << -50.0 << -10.0 << 0.0 << 20.0;
        QTest::newRow("after origin untouched") << 10.0 << 15.0 << 10.0 << 15.0;
    }
    void timeAxisStopsAtOrigin()
    {
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(double, expectedLower);
        QFETCH(double, expectedUpper);
        startRow();
        const double o = window->timeOrigin();
        window->plot()->xAxis->setRange(o + lower, o + upper);
        QCOMPARE(window->plot()->xAxis->range(), QCPRange(o + expectedLower, o + expectedUpper));
    }

    void currentAxisIsBounded()
    {
        window->plot()->yAxis->setRange(-2000, 2000);
        QCOMPARE(window->plot()->yAxis->range(), QCPRange(-1250, 1250));
        window->plot()->yAxis2->setRange(-2000, 2000);
        QCOMPARE(window->plot()->yAxis2->range(), QCPRange(-2000, 2000));
    }

    // Stopping, then finding the box acquiring again at a reconnection,
    // connects the plot again: a block must still be drawn once.
    void reconnectionNeverPlotsTwice()
    {
        const int row = startRow();
        Dcct_thread* t = window->boxThread(row);
        Dcct_data found = makeBlock({}, {});
        found.name = QStringLiteral("BOX");
        found.printing = true;
        emit t->sentrel_is_acquiring(found);
        emit t->sentrel_is_acquiring(found);
        QCoreApplication::processEvents();
        window->rowButton(row, MainWindow::AcquireButton)->click(); // stop
        setRecord(t, [](Dcct_data& d) { d.acquiring = false; });
        window->rowButton(row, MainWindow::AcquireButton)->click(); // start again
        emit t->sentrel_is_acquiring(found);
        QCoreApplication::processEvents();
        sendBlock(row, {0, 0.1, 0.2, 0.3, 0.4});
        QCOMPARE(graph(row, MainWindow::CurrentGraph)->dataCount(), 5);
    }

    // Under acquire-all every box starts at the origin, not at another's time.
    void acquireAllStartsEveryBoxAtOrigin()
    {
        for (int r = 0; r < 2; ++r) {
            window->addBox(true, QStringLiteral("10.0.0.%1").arg(r + 1), QString());
            Dcct_thread* t = window->boxThread(r);
            t->connected = true;
            setRecord(t, [r](Dcct_data& d) { d.trigger_out = r == 0; });
        }
        window->acquireAllButton()->click();
        QVERIFY(waitUntil([&] { return queued(window->boxThread(0)).size() == 3; }, 1000));
        for (int r = 0; r < 2; ++r) {
            setRecord(window->boxThread(r), [](Dcct_data& d) { d.acquiring = true; });
            emit window->boxThread(r)->sentrel_start_acquire(makeBlock({}, {}));
            QCoreApplication::processEvents();
        }
        QVERIFY(window->timeOrigin() > 0);
        sendBlock(1, {0, 1, 2, 3, 4});
        sendBlock(0, {0.5, 1.5});
        QCOMPARE(graph(0, MainWindow::CurrentGraph)->data()->at(0)->key, window->timeOrigin());
        QCOMPARE(graph(1, MainWindow::CurrentGraph)->data()->at(0)->key, window->timeOrigin());
    }

    void foundAcquiringSwitchesStreamingOn()
    {
        const int row = window->addBox(true, QStringLiteral("10.0.0.1"), QString());
        Dcct_thread* t = window->boxThread(row);
        t->connected = true;
        Dcct_data found = makeBlock({}, {});
        found.name = QStringLiteral("N1");
        found.dcct_des = QStringLiteral("D1");
        found.printing = false;
        setRecord(t, [](Dcct_data& d) {
            d.acquiring = true;
            d.name = QStringLiteral("N1");
        });
        emit t->sentrel_is_acquiring(found);
        QCoreApplication::processEvents();
        const QList<QPair<int, QString>> expected{{16, QStringLiteral("ON")}};
        QCOMPARE(queued(t), expected);
        QCOMPARE(window->rowButton(row, MainWindow::AcquireButton)->text(), QStringLiteral("STOP ACQ"));
        QCOMPARE(graph(row, MainWindow::CurrentGraph)->name(), QStringLiteral("N1"));
        sendBlock(row, {3, 4});
        QCOMPARE(graph(row, MainWindow::CurrentGraph)->dataCount(), 2);
    }

    void blocksShareOneRedraw()
    {
        const int a = startRow();
        const int b = startRow();
        int redraws = 0;
        connect(window->plot(), &QCustomPlot::afterReplot, this, [&] { ++redraws; });
        QCoreApplication::processEvents();
        redraws = 0;
        for (int i = 0; i < 8; ++i) {
            QVector<double> times;
            for (int k = 0; k < 5; ++k)
                times.append(i * 0.5 + k * 0.1);
            emit window->boxThread(a)->data_updated(makeBlock(times, times));
            emit window->boxThread(b)->data_updated(makeBlock(times, times));
        }
        QTRY_COMPARE(redraws, 1);
        // One frame drew them all: none is left waiting for another.
        QVERIFY(!window->framePending());
        QCOMPARE(graph(a, MainWindow::CurrentGraph)->dataCount(), 40);
        QCOMPARE(graph(b, MainWindow::CurrentGraph)->dataCount(), 40);
    }

    void pointsLineSwitchesBack()
    {
        const int row = startRow();
        sendBlock(row, {0, 1});
        QCPGraph* g = graph(row, MainWindow::CurrentGraph);
        g->setSelection(QCPDataSelection(g->data()->dataRange()));
        QMetaObject::invokeMethod(window.get(), "interpolate");
        QCOMPARE(g->lineStyle(), QCPGraph::lsNone);
        QCOMPARE(g->scatterStyle().shape(), QCPScatterStyle::ssCross);
        QMetaObject::invokeMethod(window.get(), "interpolate");
        QCOMPARE(g->lineStyle(), QCPGraph::lsLine);
        QCOMPARE(g->scatterStyle().shape(), QCPScatterStyle::ssNone);
    }

    void legendMenuOnlyWithoutSelection()
    {
        const int row = startRow();
        window->show();
        window->plot()->replot();
        const QPoint onLegend = window->plot()->legend->outerRect().center();
        auto menuTexts = [&] {
            QMetaObject::invokeMethod(window.get(), "contextMenuRequest", Q_ARG(QPoint, onLegend));
            QStringList texts;
            const QList<QMenu*> menus = window->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
            for (QAction* a : menus.last()->actions())
                texts.append(a->text());
            menus.last()->close();
            return texts;
        };
        QCOMPARE(menuTexts().size(), 5);
        QCOMPARE(menuTexts().first(), QStringLiteral("Move to top left"));
        QCPGraph* g = graph(row, MainWindow::CurrentGraph);
        sendBlock(row, {0});
        g->setSelection(QCPDataSelection(g->data()->dataRange()));
        QCOMPARE(menuTexts(), QStringList({"Points/Line", "Save to File"}));
    }
};

QTEST_MAIN(PlotTest)
#include "tst_plot.moc"
