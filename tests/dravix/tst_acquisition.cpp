// Acquisition control with box workers that are not running: what the
// acquire buttons queue, the confirmation of a start, and the acquire-all
// sequence (which rows it clicks, in which order and when).

#include "viewertestsupport.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

#include <memory>

class AcquisitionTest : public ViewerTest
{
    Q_OBJECT

private:
    using Codes = QList<QPair<int, QString>>;

    struct Click {
        int row;
        qint64 ms; // on `clock`, started with the rows
    };

    QList<Click> clicks;
    QElapsedTimer clock;

    // Rows whose workers look connected; `master` has the trigger output.
    void makeRows(int count, int master, int errorRow = -1)
    {
        for (int r = 0; r < count; ++r) {
            window->addBox(true, QStringLiteral("10.0.0.%1").arg(r + 1), QString());
            Dcct_thread* t = window->boxThread(r);
            t->connected = true;
            setRecord(t, [&](Dcct_data& d) {
                d.trigger_out = r == master;
                d.error = r == errorRow;
                d.name = QStringLiteral("BOX-%1").arg(r);
            });
            connect(window->rowButton(r, MainWindow::AcquireButton), &QPushButton::clicked, this, [this, r] {
                clicks.append({r, clock.elapsed()});
            });
        }
        clock.start();
    }
    void setAcquiring(int row, bool on)
    {
        setRecord(window->boxThread(row), [on](Dcct_data& d) { d.acquiring = on; });
    }
    void clearQueues()
    {
        for (int r = 0; r < window->boxCount(); ++r) {
            QMutexLocker lock(&window->boxThread(r)->mutex);
            window->boxThread(r)->codes.clear();
        }
    }
    QList<int> clickedRows() const
    {
        QList<int> rows;
        for (const Click& c : clicks)
            rows.append(c.row);
        return rows;
    }

    static const Codes& startCodes()
    {
        static const Codes c{{5, QString()}, {16, QStringLiteral("ON")}, {3, QStringLiteral("ON")}};
        return c;
    }

private slots:
    void init()
    {
        openViewer();
        clicks.clear();
    }
    void cleanup()
    {
        markRowsDisconnected();
        closeViewer();
    }

    void startQueuesFrequencyPrintingAndStart()
    {
        makeRows(1, -1);
        Dcct_thread* t = window->boxThread(0);
        t->polling = true;
        // The button does what it shows, whatever the record learned meanwhile.
        setAcquiring(0, true);
        window->rowButton(0, MainWindow::AcquireButton)->click();
        QCOMPARE(queued(t), startCodes());
        QVERIFY(!t->polling);
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("Acquire"));
    }

    void stopQueuesOffAndPolls_data()
    {
        QTest::addColumn<bool>("learned");
        QTest::newRow("clicked") << false;
        // Stopped from elsewhere: the row follows, sending nothing.
        QTest::newRow("learned from a status") << true;
    }
    void stopQueuesOffAndPolls()
    {
        QFETCH(bool, learned);
        makeRows(1, -1);
        Dcct_thread* t = window->boxThread(0);
        setAcquiring(0, true);
        window->rowButton(0, MainWindow::AcquireButton)->setText(QStringLiteral("STOP ACQ"));
        if (learned) {
            emit t->status_updated(Dcct_data());
            QCoreApplication::processEvents();
        } else {
            window->rowButton(0, MainWindow::AcquireButton)->click();
        }
        const Codes expected{{3, QStringLiteral("OFF")}};
        QCOMPARE(queued(t), learned ? Codes() : expected);
        QVERIFY(t->polling);
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("Acquire"));
    }

    void confirmedStartSetsOriginAndButton()
    {
        makeRows(1, -1);
        setRecord(window->boxThread(0), [](Dcct_data& d) { d.line_layout = 6; });
        window->rowButton(0, MainWindow::AcquireButton)->click();
        setAcquiring(0, true);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        emit window->boxThread(0)->sentrel_start_acquire(makeBlock({}, {}));
        QCoreApplication::processEvents();
        QPushButton* b = window->rowButton(0, MainWindow::AcquireButton);
        QCOMPARE(b->text(), QStringLiteral("STOP ACQ"));
        QCOMPARE(b->palette().color(QPalette::ButtonText), QColor(Qt::blue));
        QVERIFY(window->timeOrigin() >= before && window->timeOrigin() <= before + 1);
        QCOMPARE(window->plot()->xAxis->range(), QCPRange(window->timeOrigin(), window->timeOrigin() + 60));
        QCPGraph* current = window->rowGraph(0, MainWindow::CurrentGraph);
        QVERIFY(current->visible());
        QCOMPARE(current->name(), QStringLiteral("BOX-0"));
        QVERIFY(window->rowGraph(0, MainWindow::HeadGraph)->visible());
        QVERIFY(window->rowGraph(0, MainWindow::ExternalGraph)->visible());
        QVERIFY(!window->rowGraph(0, MainWindow::AdcGraph)->visible());
    }

    void refusedStartShowsAcquisitionError()
    {
        makeRows(1, -1);
        Dcct_thread* t = window->boxThread(0);
        window->rowButton(0, MainWindow::AcquireButton)->click();
        Dcct_data refused;
        refused.acquiring = false;
        emit t->sentrel_start_acquire(refused);
        QCoreApplication::processEvents();
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Acquisition Error"));
        QCOMPARE(prompts->lastText(), QStringLiteral("Check SD-Card if you are saving data on it"));
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("Acquire"));
        QVERIFY(t->polling);
    }

    // The others at once, the master 90 ms later, the check after a second.
    void acquireAllStartsMasterLast()
    {
        makeRows(3, 1);
        window->acquireAllButton()->click();
        QVERIFY(window->isAcquireAllRunning());
        QCOMPARE(clickedRows(), QList<int>({0, 2}));
        QCOMPARE(queued(window->boxThread(0)), startCodes());
        QVERIFY(queued(window->boxThread(1)).isEmpty());

        QVERIFY(waitUntil([&] { return clicks.size() == 3; }, 5000));
        QCOMPARE(clicks.at(2).row, 1);
        // Not before its delay after the others (a coarse timer may fire a little early).
        const qint64 masterAfter = clicks.at(2).ms - clicks.at(1).ms;
        QVERIFY2(masterAfter >= MainWindow::masterDelayMs * 9 / 10, qPrintable(QString::number(masterAfter)));
        QCOMPARE(queued(window->boxThread(1)), startCodes());

        // All three confirm after the master's click: "STOP ALL" comes from the
        // check, so the check ran after the master started.
        QVERIFY(window->isAcquireAllRunning());
        QCOMPARE(window->acquireAllButton()->text(), QStringLiteral("Acquire All"));
        for (int r = 0; r < 3; ++r)
            setAcquiring(r, true);
        QVERIFY(
            waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("STOP ALL"); }, 5000));
        QVERIFY(window->isAcquireAllRunning());

        // The sequence's clicks are over: a row's own "STOP ACQ" stops its box.
        emit window->boxThread(0)->sentrel_start_acquire(makeBlock({}, {}));
        QCoreApplication::processEvents();
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("STOP ACQ"));
        clearQueues();
        window->rowButton(0, MainWindow::AcquireButton)->click();
        const Codes off{{3, QStringLiteral("OFF")}};
        QCOMPARE(queued(window->boxThread(0)), off);

        // Stop: the others first, the master last, all at once.
        clicks.clear();
        clearQueues();
        window->acquireAllButton()->click();
        QCOMPARE(clickedRows(), QList<int>({0, 2, 1}));
        QVERIFY(!window->isAcquireAllRunning());
        for (int r = 0; r < 3; ++r)
            QCOMPARE(queued(window->boxThread(r)), off);
        for (int r = 0; r < 3; ++r)
            setAcquiring(r, false);
        QVERIFY(waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("Acquire All"); },
                          2000));
    }

    // A box that did not start ends the sequence: rows can be removed again.
    void failedStartClearsRunningFlag()
    {
        makeRows(2, 0);
        window->acquireAllButton()->click();
        QVERIFY(window->isAcquireAllRunning());
        window->rowButton(1, MainWindow::CancelButton)->click();
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Acquisition"));
        QCOMPARE(prompts->lastText(), QStringLiteral("Not allow in multiple acquisition in progress"));
        QCOMPARE(window->boxCount(), 2);

        setAcquiring(0, true); // only the master started
        QVERIFY(waitUntil([&] { return !window->isAcquireAllRunning(); }, 5000));
        QCOMPARE(window->acquireAllButton()->text(), QStringLiteral("Acquire All"));

        // The next "Acquire All" starts only what is missing. Its check,
        // which comes after the master's turn, ends it again.
        clicks.clear();
        clearQueues();
        window->acquireAllButton()->click();
        QCOMPARE(clickedRows(), QList<int>({1}));
        QVERIFY(window->isAcquireAllRunning());
        QVERIFY(waitUntil([&] { return !window->isAcquireAllRunning(); }, 5000));
        QCOMPARE(clickedRows(), QList<int>({1}));
        QVERIFY(queued(window->boxThread(0)).isEmpty());
    }

    // Started slaves alone get no trigger: while the master stays stopped the
    // button never turns to "STOP ALL".
    void stoppedMasterEndsTheSequence()
    {
        makeRows(3, 1);
        window->acquireAllButton()->click();
        // The slaves start before the check can look.
        setAcquiring(0, true);
        setAcquiring(2, true);
        QVERIFY(waitUntil([&] { return !window->isAcquireAllRunning(); }, 5000));
        QCOMPARE(clickedRows(), QList<int>({0, 2, 1})); // the master was asked, in vain
        QCOMPARE(window->acquireAllButton()->text(), QStringLiteral("Acquire All"));
    }

    void stopAllClicksOnlyRunningRows()
    {
        makeRows(3, 2);
        for (int r = 0; r < 3; ++r)
            setAcquiring(r, true);
        window->acquireAllButton()->click(); // all already run: nothing to click
        // The check comes after the master's turn.
        QVERIFY(
            waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("STOP ALL"); }, 5000));
        QVERIFY(clicks.isEmpty());

        setAcquiring(0, false); // stopped by hand meanwhile
        window->acquireAllButton()->click();
        QCOMPARE(clickedRows(), QList<int>({1, 2}));
        QVERIFY(queued(window->boxThread(0)).isEmpty());
    }

    void masterOnlyStartsMaster()
    {
        makeRows(2, 0);
        window->boxThread(1)->connected = false;
        window->acquireAllButton()->click();
        QVERIFY(clicks.isEmpty());
        QVERIFY(waitUntil([&] { return clicks.size() == 1; }, 1000));
        QCOMPARE(clicks.first().row, 0);
        setAcquiring(0, true);
        QVERIFY(
            waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("STOP ALL"); }, 2000));
    }

    void noMasterRefuses_data()
    {
        QTest::addColumn<int>("master");
        QTest::addColumn<int>("errorRow");
        QTest::newRow("no trigger output") << -1 << -1;
        QTest::newRow("master in error") << 1 << 1;
    }
    void noMasterRefuses()
    {
        QFETCH(int, master);
        QFETCH(int, errorRow);
        makeRows(2, master, errorRow);
        window->acquireAllButton()->click();
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Critical Error"));
        QCOMPARE(prompts->lastText(),
                 QStringLiteral("None of SENTREL have Trigger output (i.e. is a Master)"));
        QVERIFY(!window->isAcquireAllRunning());
        QVERIFY(clicks.isEmpty());

        // Nothing was left pending: once a valid master exists, a sequence
        // runs to its check with one click per row and no more.
        const int valid = master < 0 ? 0 : master;
        setRecord(window->boxThread(valid), [](Dcct_data& d) {
            d.trigger_out = true;
            d.error = false;
        });
        window->acquireAllButton()->click();
        QVERIFY(window->isAcquireAllRunning());
        QVERIFY(waitUntil([&] { return !window->isAcquireAllRunning(); }, 5000));
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(clicks.last().row, valid);
    }

    void slaveInErrorIsLeftOut()
    {
        makeRows(3, 2, 0);
        window->acquireAllButton()->click();
        QCOMPARE(clickedRows(), QList<int>({1}));
    }
};

QTEST_MAIN(AcquisitionTest)
#include "tst_acquisition.moc"
